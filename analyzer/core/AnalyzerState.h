#pragma once

#include "Clock.h"
#include "DeviceCommands.h"
#include "DeviceState.h"
#include "MessageLog.h"
#include "core/ControlState.h"
#include "core/InstrumentState.h"
#include "files/DisplaySettings.h"
#include "files/SettingsFile.h"
#include "view/PageState.h"

#include <QString>

#include <array>
#include <cstdint>
#include <random>

namespace seiran {

class FrontEnd;

// The one state object of the analyzer: created once at start, it owns the device state, the
// instrument state, the ten pages with their sample storage, the settings and the state of the
// controls. Every operation of the program is a function on it; windows and the command-line
// program only call those functions and show what it holds.
class AnalyzerState {
public:
    // The clock and the front end outlive the state. ProgramFolder: the folder of the
    // configuration files and the settings file.
    AnalyzerState(Clock& clock, FrontEnd& frontEnd, QString programFolder);
    AnalyzerState(const AnalyzerState&) = delete;
    AnalyzerState& operator=(const AnalyzerState&) = delete;

    Clock& clock() { return m_clock; }
    FrontEnd& frontEnd() { return m_frontEnd; }

    // Seeds the generator of the random start words (start-up seeds it from the time).
    void seedRandom(std::uint32_t seed) { random.seed(seed); }

    DeviceState device;
    MessageLog log;
    DeviceCommands commands{device, log};
    InstrumentState instrument;
    UserSettings settings;
    ControlState controls;
    DisplayDialogState displayDialog;
    std::array<PageState, kPageCount> pages{};
    QString ProgramFolder;
    std::mt19937 random;

private:
    Clock& m_clock;
    FrontEnd& m_frontEnd;
};

// The program folder: SEIRAN_HOME when set, else the folder of the program file.
QString defaultProgramFolder();

} // namespace seiran

#pragma once

#include "Clock.h"
#include "DeviceCommands.h"
#include "DeviceState.h"
#include "MessageLog.h"
#include "capture/CaptureState.h"
#include "capture/TransferWorkspace.h"
#include "core/ControlState.h"
#include "core/InstrumentState.h"
#include "files/DisplaySettings.h"
#include "files/SettingsFile.h"
#include "render/PageView.h"
#include "view/PageState.h"

#include <QDateTime>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <random>

namespace seiran {

class FrontEnd;
struct CompareLists;

// The one state object of the analyzer: created once at start, it owns the device state, the
// instrument state, the ten pages with their sample storage, the settings and the state of the
// controls. Every operation of the program is a function on it; windows and the command-line
// program only call those functions and show what it holds.
class AnalyzerState {
public:
    // The clock and the front end outlive the state. ProgramFolder: the folder of the
    // configuration files and the settings file.
    AnalyzerState(Clock& clock, FrontEnd& frontEnd, QString programFolder);
    ~AnalyzerState();
    AnalyzerState(const AnalyzerState&) = delete;
    AnalyzerState& operator=(const AnalyzerState&) = delete;

    Clock& clock() { return m_clock; }
    FrontEnd& frontEnd() { return m_frontEnd; }

    // Seeds the generator of the random start words (start-up seeds it from the time).
    void seedRandom(std::uint32_t seed) { random.seed(seed); }

    // The clock period of the module serving a page, in nS: built-in analyzers run on the
    // analyzer clock, built-in generators on the generator clock, user modules on the user clock.
    int pageClockPeriod(int page) const;
    // The sampling interval the page has chosen, as its interval list shows it ("10nS").
    QString intervalText(int page) const;
    // The date and time written into log lines ("2026/12/10 9:05:03"); tests may replace it.
    std::function<QDateTime()> wallClock = [] { return QDateTime::currentDateTime(); };
    QString timeStamp() const;

    DeviceState device;
    MessageLog log;
    DeviceCommands commands{device, log};
    InstrumentState instrument;
    UserSettings settings;
    ControlState controls;
    DisplayDialogState displayDialog;
    std::array<PageState, kPageCount> pages{};
    std::array<PageView, kPageCount> pageViews;
    CaptureState capture;
    TransferWorkspace transferWorkspace;
    std::unique_ptr<CompareLists> compareLists; // made by the first waveform compare
    RepeatSaveSettings repeatSave;
    QString ProgramFolder;
    std::mt19937 random;

private:
    Clock& m_clock;
    FrontEnd& m_frontEnd;
};

// The program folder: SEIRAN_HOME when set, else the folder of the program file.
QString defaultProgramFolder();

} // namespace seiran

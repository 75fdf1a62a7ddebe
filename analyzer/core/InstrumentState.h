#pragma once

#include "core/ModuleTable.h"
#include "setup/HardwareModes.h"
#include "setup/InstrumentSettings.h"
#include "view/Pages.h"

#include <QString>

#include <array>

namespace seiran {

// What the program knows about the instrument's configuration: the mode, what the module check
// found, and the instrument-wide settings.
struct InstrumentState {
    QString HardwareMode = kInitialHardwareMode;
    QString LoadedMode;
    bool DownloadFailed = false;
    bool NoModule = false;

    ModuleTable modules{};
    int AnalyzerPageCount = 0;
    int GeneratorPageCount = 0;

    InstrumentSettings settings;
    ClockPeriods clockPeriods;      // AnalyzerClockPeriod, GeneratorClockPeriod
    // The memory depth given to generator modules of depth code 10. There is no operating
    // system version to derive it from; every supported system can take 1024.
    int generatorDepthLimit = 1024;

    int AnalyzerClockPeriod() const { return clockPeriods.analyzer; }
    int GeneratorClockPeriod() const { return clockPeriods.generator; }
    const ModuleInfo& module(int slot) const { return modules[std::size_t(slot)]; }
};

} // namespace seiran

#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace seiran {

class AnalyzerState;

struct StartUpOptions {
    // The seed of the random start words; from the time when not given.
    std::optional<std::uint32_t> randomSeed;
};

// Takes the program from launch to the state in which the user can capture: opens and identifies
// the instrument on the USB transport set in state.commands, downloads the configuration of the
// start mode, loads the settings, configures the instrument and its modules and sizes the window.
void RunStartUp(AnalyzerState& state, const StartUpOptions& options = {});

// After a download: resets the FPGA, checks the modules, sets the pages to their defaults and
// pushes the instrument-wide and per-module start settings.
void ConfigureInstrument(AnalyzerState& state);
void PushAnalyzerDefaults(AnalyzerState& state, int page);
void PushGeneratorDefaults(AnalyzerState& state, int module);
// Every page to its defaults; shows the tabs of the pages that have a module.
void SetPageDefaults(AnalyzerState& state);

// A new hardware mode, as the hardware dialog applies it: download its configuration and, when
// that succeeded, configure the instrument again. False when the download failed.
bool ChangeHardwareMode(AnalyzerState& state, const QString& mode);

// Closing: stops the timers, every running capture and generation, and closes the instrument.
void CloseProgram(AnalyzerState& state);

// The main window height after start-up, from the channel count of the first analyzer page.
int startUpWindowHeight(int channelCount);

} // namespace seiran

#pragma once

namespace seiran {

class AnalyzerState;

// Chooses, checks and downloads the FPGA configuration of the current hardware mode. Sets
// DownloadFailed on any failure, LoadedMode on success; every failure is logged.
void DownloadConfiguration(AnalyzerState& state);

// The progress step after download unit s of t: checks nSTATUS every t/10 units and moves the bar.
// Returns false (and sets DownloadFailed) when the FPGA reported an error.
bool downloadProgressStep(AnalyzerState& state, int unit, int unitCount);

} // namespace seiran

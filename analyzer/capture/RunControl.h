#pragma once

#include <cstdint>

namespace seiran {

class AnalyzerState;

// Run control of the analyzer pages: RUN and STOP, the status poll of timCheckEnd, the end check
// and what follows a finished capture.

void StartCapture(AnalyzerState& state, int page); // btnAnaRun
void StopCapture(AnalyzerState& state, int page);  // btnAnaStop
// One tick of timCheckEnd: a tick reads the status words of all modules, the next hands each
// running or stopping page its module's word.
void PollModules(AnalyzerState& state);
void CheckCaptureEnd(AnalyzerState& state, int page, std::uint32_t status);
void ResetCaptureLogic(AnalyzerState& state, int page);
void CopyCaptureToReference(AnalyzerState& state, int page);
void StopPollingIfIdle(AnalyzerState& state);
// Gives up every running or stopping analyzer page (" 測定を中止しました。" each) and stops the
// poll: the instrument cannot be reached. The menus come back so that it can be reconnected.
void AbandonCaptures(AnalyzerState& state);

// Connects timCheckEnd and timTrgStart0 to timTrgStart3 of the state's clock to their handlers.
void connectCaptureTimers(AnalyzerState& state);

// Whether any page 0 to 7 is running or stopping.
bool anyPageBusy(const AnalyzerState& state);

} // namespace seiran

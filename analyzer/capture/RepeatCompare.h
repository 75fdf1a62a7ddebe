#pragma once

namespace seiran {

class AnalyzerState;

// What a finished capture does in "リピート保存" and "波形比較". The data files and the waveform
// compare are not built yet: AutoSaveCapture saves nothing and CompareCapture reports no
// difference, so both modes run as repeats until then.
void AutoSaveCapture(AnalyzerState& state, int page);
bool CompareCapture(AnalyzerState& state, int page); // true when a difference was found

} // namespace seiran

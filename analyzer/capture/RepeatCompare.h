#pragma once

#include <QString>

namespace seiran {

class AnalyzerState;

// Highest "(k)" suffix tried when an auto-save name is taken.
inline constexpr int kAutoSaveMaxSuffix = 100;

// "リピート保存": writes the capture just transferred to a data file in the repeat-save folder,
// named after the current date and time, while repeatCount is within the save count. A missing
// folder is logged and the capture is not saved; an existing file is never written over.
void AutoSaveCapture(AnalyzerState& state, int page);

// The file name (without folder and ending) of an auto-save: the log's time stamp with ":" and
// "/" replaced by their full-width forms, with "(repeatCount) " in front when numbered.
QString AutoSaveBaseName(const AnalyzerState& state, int page);

// The line announcing "リピート保存": the folder the files go to, as the analyzer settings
// dialog has set it, with the platform's separators.
QString AutoSaveFolderLine(const AnalyzerState& state);

// "波形比較": compares the capture with the page's reference (bit planes or record lists by the
// page's module) and logs the first difference. True when a difference was found.
bool CompareCapture(AnalyzerState& state, int page);

} // namespace seiran

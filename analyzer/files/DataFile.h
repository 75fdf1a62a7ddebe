#pragma once

#include <QString>

namespace seiran {

class AnalyzerState;

// Saves analyzer page `page` (0-3) to fileName: "(Ver 5.4)" for a compressed page, "(Ver 5.0)"
// otherwise, the spreadsheet form for a ".csv"/".CSV" name. Logs the completion message; false
// (with the error box shown) when the file could not be written.
bool SaveDataFile(AnalyzerState& state, int page, const QString& fileName);

// A page that is capturing takes no file: logs the refusal and returns true when the page runs.
bool RefuseLoadWhileRunning(AnalyzerState& state, int page);

// Opens fileName into analyzer page `page` (0-3) with every check and message. True when the
// page was loaded; false when the file was refused or could not be read (the page is unchanged).
bool OpenDataFile(AnalyzerState& state, int page, const QString& fileName);

// False when the interface is in error, the configuration download failed or no module was
// found: files then describe the hardware themselves.
bool InstrumentUsable(const AnalyzerState& state);

} // namespace seiran

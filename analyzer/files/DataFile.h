#pragma once

#include <QByteArrayView>
#include <QString>

namespace seiran {

class AnalyzerState;

// Saves analyzer page `page` (0-3) to fileName: "(Ver 5.4)" for a compressed page, "(Ver 5.0)"
// otherwise, the spreadsheet form for a ".csv"/".CSV" name. Logs the completion message; false
// (with the error box shown) when the file could not be written.
bool SaveDataFile(AnalyzerState& state, int page, const QString& fileName);

// A page that is capturing takes no file: logs the refusal and returns true when the page runs.
bool RefuseLoadWhileRunning(AnalyzerState& state, int page);

// What opening a data file came to, for the menu and the command line.
struct OpenResult {
    bool loaded = false;          // the page now holds the file's data
    int missing = 0;              // samples (bit-plane layout) or records (record layout) the file announced but did not hold
    bool channelsDropped = false; // the file has more channels than the page shows
    bool samplesDropped = false;  // the file holds more samples or records than the page keeps
    bool clockDiffers = false;    // the file's clock period differs from the hardware's
    explicit operator bool() const { return loaded; }
};

// The largest data file that is read: a full page of 64-channel records with its reference and
// generous texts stays far below it.
inline constexpr qint64 kLargestDataFile = 64 * 1024 * 1024;

// Opens fileName into analyzer page `page` (0-3) with every check and message. loaded is false
// when the file was refused or could not be read; the page is then unchanged.
OpenResult OpenDataFile(AnalyzerState& state, int page, const QString& fileName);

// The same for the bytes of a file already in memory; fileName names it in the messages only.
OpenResult OpenDataFileBytes(AnalyzerState& state, int page, QByteArrayView bytes, const QString& fileName);

// False when the interface is in error, the configuration download failed or no module was
// found: files then describe the hardware themselves.
bool InstrumentUsable(const AnalyzerState& state);

} // namespace seiran

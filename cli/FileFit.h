#pragma once

#include <QString>
#include <QStringList>

namespace seiran {
class AnalyzerState;
}

namespace seiran::cli {

// What a data file needs of a page: read the way the analyzer reads it with no instrument, where
// the file describes the hardware itself.
struct FileShape {
    bool read = false;
    bool compressed = false; // record lists ("(Ver 5.4)" from a compressed page)
    int channels = 0;
    int samples = 0;         // samples the capture spans
    int records = 0;         // records of a compressed capture
    int clockPeriod = 0;     // nS
};
FileShape describeDataFile(const QString& fileName);

// Tries the hardware modes of the instrument that could hold the file, best candidates first,
// and stays in the first whose page fits; when none does, returns to the best partial fit. The
// log shows each download. False when no mode fits the file.
bool chooseModeForFile(AnalyzerState& state, int page, const FileShape& file);

} // namespace seiran::cli

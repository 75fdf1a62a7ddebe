#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <cstdint>

namespace seiran {

class AnalyzerState;
class DataFileText;
struct PageState;

inline const QString kSeiranHeader = QStringLiteral("[セイラン]");
inline const QString kAnalyzerFileLine = QStringLiteral("(ロジックアナライザデータファイル)");
inline const QString kVersion54 = QStringLiteral("(Ver 5.4)"); // compressed pages: record lists
inline const QString kVersion53 = QStringLiteral("(Ver 5.3)");
inline const QString kVersion50 = QStringLiteral("(Ver 5.0)"); // bit-plane pages: one line a sample

// Upper-case hexadecimal, no prefix. error is set for an empty text, any other character, or a
// value wider than the type; value is then 0.
struct Hex64 {
    std::uint64_t value = 0;
    bool error = false;
};
struct Hex32 {
    std::uint32_t value = 0;
    bool error = false;
};
Hex64 ParseHex64(QStringView text);
Hex32 ParseHex32(QStringView text);

// count fields of a record line. Tokens are separated by single spaces (two spaces give an empty
// token); a field past the last token repeats the last token.
QStringList SplitBySpace(const QString& text, int count);

// Bit-plane samples 0..count-1 of channels 0-31 become one display record each, with the end
// entry; count is limited to the bit planes and the display list.
void SamplesToRecords(PageState& page, int count, int trigger);

// True for a file name ending in ".csv" or ".CSV" (a mixed-case ending is an ordinary data file).
bool IsSpreadsheetName(const QString& fileName);

// The analyzer lines of a data file whose first two lines (header, version) the caller gives;
// the version line chooses the layout ("(Ver 5.4)": record lists, otherwise "(Ver 5.0)").
// With spreadsheet true the list is replaced by the spreadsheet lines.
QStringList BuildAnalyzerLines(const AnalyzerState& state, int page, QStringList lines, bool spreadsheet);

// Builds the lines (spreadsheet form for a ".csv"/".CSV" name) and writes them to fileName.
// On failure the error box is shown and false returned; an existing file stays as it was.
bool WriteAnalyzerFile(AnalyzerState& state, int page, const QStringList& lines, const QString& fileName);

// What a reader found besides the values it stored, for OpenDataFile's result.
struct ReadReport {
    int missing = 0;              // samples or records the file announced but did not hold
    bool channelsDropped = false; // the file has more channels than the page shows
    bool samplesDropped = false;  // the file holds more samples or records than the page keeps
};

// Why a file is refused before anything is stored: the error box text and the line (from 0) it
// is about, -1 when none.
struct FileRefusal {
    QString text;
    qsizetype line = -1;
    bool refused() const { return !text.isEmpty(); }
};

// Labelled reader of "(Ver 5.3)" and "(Ver 5.4)" files. Every number it stores is checked first
// (CheckLabelledFile), so a refused file leaves the page as it was. Reads the record sections,
// runs the compare of a compare file and finishes the page (view, reference, capture settings).
void ReadAnalyzerFileLabelled(AnalyzerState& state, int page, const DataFileText& lines, ReadReport& report);

// The check ReadAnalyzerFileLabelled relies on: the strictly converted fields (the row count and,
// for "(Ver 5.4)", the analog texts) must be numbers, every number must lie in its field's range.
FileRefusal CheckLabelledFile(const AnalyzerState& state, int page, const DataFileText& lines);

// The run mode a file's text stands for: the old names "1回" and "連続" become "シングル" and
// "リピート"; an unknown text is a single run.
QString runModeFromFile(const QString& text);

// Matches the rows read from a file of fileChannels channels to a page of n: missing channels
// become one-channel "HEX" rows after the file's rows; on a narrower page the rows end at the one
// reaching channel n, trimmed (and logged) when it straddles it. Rows from rowCount on get no
// channels and no radix; their names are the caller's.
void fitRowsToChannels(AnalyzerState& state, PageState& page, int n, int fileChannels);

// Positional reader of the files before "(Ver 5.3)"; "(Ver 5.0)" is the one read so far.
void ReadAnalyzerFilePositional(AnalyzerState& state, int page, const DataFileText& lines, bool newer, ReadReport& report);

// The check ReadAnalyzerFilePositional relies on, as CheckLabelledFile: the channel count, the
// row count and the zoom must be numbers, every number in its range.
FileRefusal CheckPositionalFile(const AnalyzerState& state, int page, const DataFileText& lines);

// The work both readers end with: on a page whose module has several input groups the trigger
// grid is shown for the selected group again, the page is redrawn, and with an instrument
// attached the interval and trigger settings the file brought are sent to the module.
void FinishLoadedPage(AnalyzerState& state, int page);

} // namespace seiran

#pragma once

// Pieces both analyzer file readers share: range checks of the numbers a file carries, the
// record sections, and filling the bit planes a 64-bit word at a time.

#include "files/AnalyzerFile.h"
#include "files/DataFileText.h"
#include "view/SampleStorage.h"

#include <array>
#include <cstdint>

namespace seiran {

// The texts of the conversion errors; the refusal's line is added by OpenDataFile.
QString notIntegerText(const QString& value);
QString notRealText(const QString& value);
QString outOfRangeText(const QString& value, std::int64_t low, std::int64_t high);

// Checks line `line` of the file as a number of lo … hi. A line that does not convert is refused
// only when strict (otherwise the reader takes the field's default); a number outside the range
// is always refused. Keeps the first refusal: a refusal already made stays.
void checkInteger(FileRefusal& refusal, const DataFileText& lines, qsizetype line, std::int64_t lo, std::int64_t hi,
                  bool strict = false);
// A real number, strictly: it must convert and be finite, and lie in lo … hi.
void checkReal(FileRefusal& refusal, const DataFileText& lines, qsizetype line, double lo, double hi);

// The integer on line `line`, or fallback when it does not convert.
int intAt(const DataFileText& lines, qsizetype line, int fallback);

// Appends samples to channels 0 - 31 of bit planes: 64 samples are gathered and turned into one
// word a channel. Samples past the planes are dropped.
class PlaneFiller {
public:
    explicit PlaneFiller(BitPlanes& planes);
    ~PlaneFiller() { finish(); }
    PlaneFiller(const PlaneFiller&) = delete;
    PlaneFiller& operator=(const PlaneFiller&) = delete;

    void put(std::uint32_t sample);
    void repeat(std::uint32_t sample, std::int64_t count);
    int count() const { return m_count; }
    // Writes a partly filled last word; samples after it in that word keep their levels.
    void finish();

private:
    void flush(int filled);

    std::array<std::uint64_t*, 32> m_channels{}; // the words of channels 0-31
    std::array<std::uint64_t, 64> m_block{};
    int m_filled = 0;
    int m_count = 0;
};

// One record section: the three counts and then the record lines.
struct RecordSection {
    std::int32_t announced = 0; // records the section says it has
    std::int32_t read = 0;      // records stored (end entry after them)
    std::int32_t samples = 0;
    std::int32_t trigger = 0;
    int missing = 0;            // announced records the file did not hold
    bool dropped = false;       // records past the list's capacity
};

// Checks the counts of the section whose label is on line p: record and sample counts not
// negative, the trigger sample inside 0 … 2^31 - 1.
void checkRecordSection(FileRefusal& refusal, const DataFileText& lines, qsizetype p);
// Reads the section into `list`, up to its capacity and the lines the file holds, and closes it
// with the end entry. Record fields that do not convert, or a negative run, take their defaults.
RecordSection readRecordSection(const DataFileText& lines, qsizetype p, RecordList& list);

// Channels 0-31 of the bit planes from the display records: each record gives its run of samples,
// cut at `total`; fewer samples are padded with the last. True when the records held more.
bool expandRecords(PageState& page, int total);

// "ファイルが途中で終わっています。" with the count, for the log.
QString truncatedFileText(int missing);

} // namespace seiran

#pragma once

#include <QString>

#include <cstdint>

namespace seiran {

// The plain values of a generator page (4 to 7). The cell selection and the page's edit state are
// kept by the generator code; they can join this group when it is given them.
struct GeneratorPageFields {
    std::int32_t GenDataCount = 0;   // cells per channel that are played
    QString GenTimeText;             // interval × cells, in the interval's unit
    QString GenSelectTimeText;       // length of the current mouse selection
    QString GenStartText;            // range start as typed (number only)
    QString GenEndText;              // range end as typed (number only)
    std::int32_t GenStartCell = 0;   // first played cell, 0-based
    std::int32_t GenEndCell = 0;     // last played cell, 0-based, inclusive
    bool GenRangeError = false;      // the range fields hold an invalid value
    bool GenUploaded = false;        // the large pattern is already in the instrument
};

} // namespace seiran

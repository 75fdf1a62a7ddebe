#pragma once

#include "view/PageState.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace seiran {

// The edges of one channel between two sample positions, the readout beside the cursor grids.
//
// The range is closed: edges at both ends count (a cursor line stands on the first sample after a
// level change, so cursors placed on two rising edges with "|<" and ">|" enclose one period and
// count both edges). An edge at sample j is a level change between samples j − 1 and j.
//
// Bit-plane pages walk the channel's packed words, 64 samples a step; compressed pages walk the
// records from the one holding the start of the range. Neither looks at a sample on its own.
struct EdgeMeasurement {
    int channel = -1;          // the measured channel; −1 when none is selected
    std::int64_t from = 0;     // the range, from ≤ to, inside the data
    std::int64_t to = 0;
    std::int64_t rising = 0;   // edges L → H in the range
    std::int64_t falling = 0;  // edges H → L
    // Mean samples from one rising edge to the next (falling edges when there are fewer than two
    // rising ones); none with fewer than two edges of either kind.
    std::optional<double> periodSamples;
    // High samples over the whole periods between the first and last edge the period came from,
    // or over the range when there is no period; span is the number of samples looked at.
    std::int64_t highSamples = 0;
    std::int64_t dutySpan = 0;

    std::optional<double> dutyCycle() const
    {
        return dutySpan > 0 ? std::optional<double>(double(highSamples) / double(dutySpan)) : std::nullopt;
    }
};

// The channel the readout measures: the lowest channel whose channelSelected is set (the
// channels chosen in the trigger grid's CH column); −1 when none is.
int MeasuredChannel(const PageState& page);

// Edges of `channel` between samples a and b (either order), limited to the page's data.
EdgeMeasurement MeasureEdges(const PageState& page, int channel, std::int64_t a, std::int64_t b);
// The same for the measured channel between cursors A and B.
EdgeMeasurement MeasureCursorsAB(const PageState& page);

// The readout as the window shows it, times in the unit family of the interval text ("10nS"):
// "CH0 周期 1μS 1MHz デューティ 50.0% ↑12 ↓12" with the channel number from `channelOrigin`;
// "-" for a period that cannot be measured; empty without data or a selected channel.
QString MeasurementText(const PageState& page, const EdgeMeasurement& m, const QString& intervalText,
                        int channelOrigin);
// The same with every quantity named in full, for the readout's tooltip.
QString MeasurementDetailText(const PageState& page, const EdgeMeasurement& m, const QString& intervalText,
                              int channelOrigin);

// A frequency in hertz as "1MHz", "33.333kHz", "50Hz" (up to three decimals, no trailing zeros).
QString FormatFrequency(double hertz);

} // namespace seiran

#pragma once

#include "render/Canvas.h"
#include "render/PageView.h"
#include "view/PageState.h"

#include <QString>

#include <cstdint>

namespace seiran {

// A voltage in μV as the scale and the voltage readout write it, with three decimals:
// "1.500V", "50.000mV", "0.000μV".
QString VoltageLabel(double microVolts);

struct AnalogScaleParams {
    int channels = 8;                 // d
    double microVoltsPerDigit = 1000; // analogMicroVoltsPerDigit
    double minimumMicroVolts = 0;     // analogMinimumMicroVolts
    int vZoom = 1;                    // analogVZoom
};

// The distance m in μV between scale lines: a round step for the span (2^d − 1) × μV per count,
// divided by the vertical zoom (10 at zoom 8, 20 at zoom 16), doubled for a 6-channel row, and
// made 4/5 of itself when its digits contain "25". Never below 1 μV.
std::int64_t AnalogScaleStep(const AnalogScaleParams& params);
// F: the voltage of the first candidate line.
double AnalogFirstLine(const AnalogScaleParams& params, std::int64_t step);

// Works out the scale lines of the analog row `slot` (0 = Analog1, 1 = Analog2) of `channels`
// channels, whose layout numbers are already in `analog`, and keeps those inside analogTopY …
// analogBottomY in analog.scaleLines (label and unrounded y).
void ComputeAnalogScale(const PageState& page, int slot, int channels, AnalogRowView& analog);

// Draws the kept lines: dotted grey from x = zoomStep + 30 to `right`, label at x = 25, 5 pixels
// above the line.
void DrawAnalogScale(const PageState& page, const AnalogRowView& analog, Canvas& canvas, int right);

} // namespace seiran

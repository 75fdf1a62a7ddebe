#pragma once

#include "render/PageView.h"
#include "view/PageState.h"

#include <cstdint>

namespace seiran {

// An analog row: a bus (2 or more channels) whose radix contains "Analog".
bool IsAnalogRow(const PageState& page, int row);
// Which analog row a row is: 1 for "Analog2", 0 otherwise.
int AnalogSlot(const PageState& page, int row);
// Height a row takes in the signal grid and the wave box, its separating line included: 20, or
// rowChannelCount × 20 for an analog row.
int RowPixels(const PageState& page, int row);

// The rows from firstRow that fit a wave box of the given height under the 39-pixel header, with
// the high and low level of each (v × 20 + 43 and v × 20 + 55 for visible row v, moved down by the
// extra height of the analog rows so far, the row's own included).
RowLayout LayoutRows(const PageState& page, int boxHeight);
// The first row of the last page of rows: the vertical scroll maximum.
std::int32_t RowScrollMax(const PageState& page, int boxHeight);

// The page's row layout for its wave box: view.rows, rowScrollMax, and firstRow kept inside
// 0 … rowScrollMax (a taller window can show rows that were scrolled past); on bit-plane pages also
// whether the horizontal bar is in use.
void LayoutPage(PageState& page, PageView& view);

// The layout numbers of an analog row of `channels` channels whose last band has its low level at
// lowY: analogMid, analogBottomY, analogTopY, analogCentreY and analogScale.
void ComputeAnalogLayout(AnalogRowView& analog, int channels, int lowY);
// y of value v: analogCentreY − (v + vOffset − analogMid) × analogScale × vZoom div 16384.
std::int64_t AnalogY(const AnalogRowView& analog, std::int64_t value, int vOffset, int vZoom);
// The same before rounding to whole pixels (kept for the waveform copy).
double AnalogYExact(const AnalogRowView& analog, double value, int vOffset, int vZoom);

} // namespace seiran

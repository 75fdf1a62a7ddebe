#pragma once

#include "render/PageView.h"
#include "view/PageState.h"

#include <QString>

#include <cstdint>

namespace seiran {

// The voltage cursors V1 to V4 of the analog rows of a compressed page: V1 and V2 on "Analog1"
// (slot 0), V3 and V4 on "Analog2" (slot 1). Levels are raw counts of the row's value.

// The name of a signal row without the voltage readout that travels in it (cut at its first CR LF).
QString BareSignalName(const QString& name);

// The first row from firstRow whose radix is exactly "Analog1" (slot 0) or "Analog2" (slot 1);
// −1 when there is none.
int FindAnalogRowExact(const PageState& page, int slot);

// y of a level in its analog row, by the mapping of the analog trace.
std::int64_t VoltCursorY(const PageState& page, const AnalogRowView& analog, int slot, std::int64_t level);
// The level's line lies inside the row: analogTopY ≤ y ≤ analogBottomY.
bool VoltLevelInsideRow(const PageState& page, const AnalogRowView& analog, int slot, std::int64_t level);

// The readout of a pair: "name", "V1=", "　1.500V", "V2=", …, "V1-V2=", "　difference", one a line
// (CR LF), written into the signal name of the first row from firstRow whose radix contains
// "Analog1" or "Analog2". The difference leaves out the minimum voltage.
void ShowVoltReadout(PageState& page, std::int32_t first, std::int32_t second, int slot);

// The level a voltage tag dragged from dragStartY (the tag's top at the start) to a tag top of
// tagTopY gives: the old level moved by the pixels times counts per pixel of the row's scale and
// zoom, limited to 0 … 2 × analogMid − 1.
std::int32_t VoltDragLevel(const PageState& page, const AnalogRowView& analog, int slot, std::int32_t oldLevel,
                           int dragStartY, int tagTopY);

} // namespace seiran

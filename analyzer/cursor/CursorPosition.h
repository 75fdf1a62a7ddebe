#pragma once

#include "render/PageView.h"
#include "render/WaveMapping.h"
#include "view/PageState.h"

#include <cstdint>
#include <optional>

namespace seiran {

// Where a cursor line stands, and how steps, drags and the row-label double-click move a cursor.
// Positions are sample indexes from 0 (the line at the left edge of that sample, one past the last
// sample allowed); pixels are those of the waveform drawing, so a line stands exactly on the
// transition drawn for its sample.

struct CursorLinePlace {
    int x = 0;
    bool visible = false;
};

// x of the cursor lines of a page: the plane or record mapping of the waveform, built once for
// all the cursors placed with it.
class CursorLineMapping {
public:
    CursorLineMapping(const PageState& page, PageView& view);
    // Shown when −10 ≤ x ≤ V, always in the "全データ" view.
    CursorLinePlace place(std::int64_t sample) const;
    int xOf(std::int64_t sample) const;

private:
    const PageState& m_page;
    const PageView& m_view;
    std::optional<PlaneMapping> m_plane; // bit-plane pages
    bool m_whole = false;
};

// s: samples per step of a step button. One pixel's worth at the page's zoom (at least 1), in the
// "全データ" view the samples per pixel.
std::int32_t CursorStepSize(const PageState& page, const PageView& view);

// First press of "<-" or "->": the cursor moves by s, limited to 0 … the range end. In the
// bit-plane "全データ" view a step that leaves the line on the same pixel goes one sample further.
std::int32_t StepCursor(const PageState& page, PageView& view, std::int32_t cursor, bool left);

// A repeat tick (tickCount from 1): s, 5 s from the 26th tick and 20 s from the 76th, each only
// while the accelerated step stays 10 s or 40 s clear of the end it moves toward.
std::int32_t RepeatStep(const PageState& page, const PageView& view, int tickCount, std::int32_t cursor,
                        bool left);

// The cursor a drag of `dragPixels` (line x now − line x at the start) makes of `cursor`,
// limited to 0 … the range end.
std::int32_t DragToSample(const PageState& page, const PageView& view, std::int32_t cursor, int dragPixels);

// The sample a double-click on a row label of the step grid puts its cursor on: near x = 65 on
// bit-plane pages, under x = 80 on compressed ones (the left of the window), limited to the range.
std::int32_t CursorIntoViewSample(const PageState& page, PageView& view);

} // namespace seiran

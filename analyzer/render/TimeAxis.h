#pragma once

#include "render/Canvas.h"

#include <cstdint>

namespace seiran {

// The trigger's mark on the time axis: a triangle pointing down at the trigger sample, its tip on
// the row just above the grid, drawn whenever the page holds data and the trigger is in the window.
inline constexpr Rgb kTriggerMarkerColour{230, 110, 0};
inline constexpr int kTriggerMarkerHeight = 5;

// Samples between grid lines for a zoom in 1/256 pixel per sample (a compressed page's zoomCode,
// or 256 × a bit-plane page's zoomFactor): 20000 at 1/256 down to 1 at ×128.
int GridStep(double zoomIn256ths);
// The grid step of the "全データ" view: count div 4 with its first digit made 1, 2 or 5 and the
// others 0 (1024 samples: 256 becomes 200).
std::int64_t WholeDataGridStep(std::int64_t count);

} // namespace seiran

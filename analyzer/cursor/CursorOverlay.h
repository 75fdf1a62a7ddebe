#pragma once

#include "cursor/CursorTable.h"
#include "render/Canvas.h"
#include "render/PageView.h"
#include "view/PageState.h"

#include <QString>

#include <array>

namespace seiran {

// The cursor lines and name tags of an analyzer page: items painted over the waveform picture,
// never pixels of it. The window keeps the picture of the last RedrawPage and paints these on
// top, so moving a cursor costs placing eight lines and repainting them, not a waveform redraw.

inline constexpr int kTimeLineHeight = rowPitch * 56 + 162; // 1282: taller than any wave box
inline constexpr int kTimeTagTop = 4;
inline constexpr int kTimeTagOffset = 3;   // the tag stands 3 pixels left of its line
inline constexpr int kVoltLineWidth = 2000;
inline constexpr int kVoltLineIndent = 30; // voltage lines start at zoomStep + 30, clear of the scale labels
inline constexpr int kVoltTagLeft = 5;
inline constexpr int kVoltTagOffset = 6;   // the tag's top is 6 pixels above its line
inline constexpr int kTimeTagWidth = 9;
inline constexpr int kVoltTagWidth = 16;
inline constexpr int kTagHeight = 13;
inline constexpr CanvasFont kCursorTagFont{FontFace::Proportional, 13};

struct OverlayRect {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
    bool contains(int px, int py) const { return px >= x && px < x + w && py >= y && py < y + h; }
    friend bool operator==(const OverlayRect&, const OverlayRect&) = default;
};

// lblCsrLineA … D with lblCsrNameA … D: a vertical line 1 pixel wide and its letter.
struct TimeCursorItem {
    QString caption;
    Rgb colour;
    int x = 0;
    int top = cursorLineTop;
    int height = kTimeLineHeight;
    bool lineVisible = false;
    OverlayRect tag;
    bool tagVisible = false;
    bool tagBold = false; // B after a find hit, until the next step press or drag
};

// lblCsrLineV1 … V4 with lblCsrNameV1 … V4: a horizontal line 1 pixel tall and its caption. The
// tag's place and caption are what the waveform copy writes.
struct VoltCursorItem {
    QString caption;
    Rgb colour;
    int y = 0;
    int left = 0;
    int width = kVoltLineWidth;
    bool lineVisible = false;
    OverlayRect tag;
    bool tagVisible = false;
};

struct CursorOverlay {
    std::array<TimeCursorItem, kTimeCursorCount> time;
    std::array<VoltCursorItem, kVoltCursorCount> volt;
};

// The items as the window creates them: time lines at x = 15, 115, 315, 415, voltage lines at
// y = 100 … 400 and hidden.
CursorOverlay InitialCursorOverlay();

// The four time-cursor lines and tags from the page's cursors and the view's mapping: shown
// when −10 ≤ x ≤ V (always in the "全データ" view), the tag 3 pixels left of its line.
void PlaceTimeCursors(const PageState& page, PageView& view, CursorOverlay& overlay);

// The pair of voltage cursors of analog slot 0 (V1, V2) or 1 (V3, V4), from the row layout of the
// last draw: each shown where its line lies inside the row, both hidden without the row. Then
// the pair's readout is written into the row's signal name.
void PlaceVoltCursors(PageState& page, const PageView& view, int slot, CursorOverlay& overlay);

// PlaceCursorLines: the time cursors, and on compressed pages with analog rows both voltage
// pairs (their readouts included); otherwise the voltage items are hidden.
void PlaceCursorLines(PageState& page, PageView& view, CursorOverlay& overlay);

// Paints the visible items: lines in their colours, tags as text in the line's colour with a
// transparent background (a bold tag twice, one pixel apart).
void drawCursorOverlay(Canvas& canvas, const CursorOverlay& overlay);

// What is under a point of the wave image: tags before lines (tags are drawn over the lines);
// lines are hit within kLineHitSlack pixels. Hidden items are never hit.
enum class OverlayItemKind : std::uint8_t { None, TimeLine, TimeTag, VoltLine, VoltTag };
struct OverlayHit {
    OverlayItemKind kind = OverlayItemKind::None;
    int index = 0; // cursor A … D as 0 … 3, or V1 … V4 as 0 … 3
    explicit operator bool() const { return kind != OverlayItemKind::None; }
    friend bool operator==(const OverlayHit&, const OverlayHit&) = default;
};
inline constexpr int kLineHitSlack = 2;
OverlayHit HitTestCursorOverlay(const CursorOverlay& overlay, int x, int y);

} // namespace seiran

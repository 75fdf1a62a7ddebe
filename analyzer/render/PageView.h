#pragma once

#include "render/Canvas.h"
#include "view/PageState.h"

#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace seiran {

// Fixed geometry of the wave image, in pixels.
inline constexpr int waveLeftMargin = 15;
inline constexpr int waveRightMargin = 30;
inline constexpr int rowHeight = 19;
inline constexpr int rowPitch = rowHeight + 1; // rows are 20 pixels apart
inline constexpr int highLevelOffset = 43;
inline constexpr int lowLevelOffset = 55;
inline constexpr int timeLabelY = rowHeight + 2;
inline constexpr int signalHeaderHeight = 2 * rowHeight + 1; // "信号名" header of the signal grid
inline constexpr int cursorLineTop = 38;                        // top of the cursor lines: the grid starts here

// Entries of a whole-view cache: a record list of the display's capacity with its end entry.
inline constexpr int kWholeViewEntries = kDisplayRecords + 1;
// Scale lines kept per analog row for the waveform copy; a row never shows more than a few dozen.
inline constexpr int kMaxScaleLines = 64;

// One visible signal row as the last layout placed it.
struct VisibleRow {
    int row = 0;          // index into the page's rows
    int firstChannel = 0; // the row's lowest channel (bit 0 of its value)
    int channels = 1;     // rowChannelCount
    bool analog = false;
    int highY = 0;        // y of the high level (for an analog row: of its last 20-pixel band)
    int lowY = 0;         // y of the low level (likewise)
    int gridHeight = rowHeight; // height of the row in the signal grid
};

// The rows from firstRow that fit the wave box, with their y positions.
struct RowLayout {
    int count = 0;
    std::array<VisibleRow, kMaxRows> rows{};
};

// A scale line of an analog row, kept for the waveform copy: its label and its height in the wave
// image before rounding to whole pixels.
struct AnalogScaleLine {
    QString label;
    double y = 0.0;  // unrounded
    int pixelY = 0;  // where the screen draws it
};

// Layout of one analog row (Analog1, Analog2) as the last draw computed it.
struct AnalogRowView {
    bool visible = false; // the row was among the visible rows of the last draw
    int row = -1;         // the page row it is
    std::int32_t analogMid = 0;
    std::int32_t analogTopY = 0;
    std::int32_t analogBottomY = 0;
    std::int32_t analogCentreY = 0;
    std::int32_t analogScale = 16384;
    int scaleLineCount = 0;
    std::array<AnalogScaleLine, kMaxScaleLines> scaleLines{};
};

struct PopupMenuItem {
    QString caption;
    bool enabled = false;
    bool visible = true;
};

// The popup menu of the wave image as it was opened last: items Zoom In, Zoom Out, Center and
// V All. With `vertical` set the first three act on the analog row `selectedAnalog`.
struct WavePopupMenu {
    PopupMenuItem zoomIn;
    PopupMenuItem zoomOut;
    PopupMenuItem center;
    PopupMenuItem vAll;
    bool vertical = false;
};

// x of every sample (bit planes) or record (compressed, end entry included) in the "全データ"
// view. One block per page, allocated on the first use of that view and kept; it holds the x of
// one list at a time (the samples, the display records or the merged compare list), so switching
// between the compare view and the capture rebuilds it. ClearWholeViewCaches forgets it; the
// sizes it was built for are kept so that a changed window or sample total rebuilds it anyway.
struct WholeViewCache {
    enum class List : std::uint8_t { None, Samples, Records, CompareRecords };
    std::unique_ptr<std::int32_t[]> x;
    List list = List::None;
    int entries = 0;
    int boxWidth = 0;
    std::int64_t total = 0;
    bool valid() const { return list != List::None; }
    std::int32_t at(int i) const { return x[std::size_t(i)]; }
};

// Segments of one trace, by pen, reused from draw to draw so that a redraw allocates nothing once
// the buffers have grown to the largest picture.
struct TraceBuffers {
    std::vector<LineSegment> thin;      // black, one pixel
    std::vector<LineSegment> heavy;     // black, low level two pixels wide
    std::vector<LineSegment> red;       // compare errors
    std::vector<LineSegment> redHeavy;
    void clear()
    {
        thin.clear();
        heavy.clear();
        red.clear();
        redHeavy.clear();
    }
};

// The drawing state of one analyzer or generator page: what the renderer computed on the last
// draw and keeps between draws. The wave box size is set by the front end (ResizeWaveBox).
struct PageView {
    int waveBoxWidth = 0;
    int waveBoxHeight = 0;
    bool horizontalScrollEnabled = false;

    RowLayout rows;
    std::array<AnalogRowView, kMaxAnalogRows> analog{};

    std::int32_t lastMouseX = 0;
    std::int32_t lastMouseY = 0;
    std::int32_t selectedAnalog = 0;
    WavePopupMenu popup;

    WholeViewCache wholeViewX; // wholeViewX, or wholeViewXCompare while the compare view is drawn

    // Scratch of the row drawing.
    TraceBuffers trace;
    std::array<std::vector<LineSegment>, kMaxRows> rowLines; // compressed walk: one batch a row
};

// V: the width the waveform is drawn in (wave box width − 4).
inline int ViewWidth(const PageView& view) { return view.waveBoxWidth - 4; }

// Forgets the whole-view x positions of the page: every transfer, interval change and window resize.
void ClearWholeViewCaches(PageView& view);

} // namespace seiran

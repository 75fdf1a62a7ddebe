#pragma once

#include "render/Canvas.h"
#include "render/PageView.h"
#include "view/PageState.h"

#include <QString>

#include <functional>

namespace seiran {

class AnalyzerState;
class MessageLog;

// What a redraw reads besides the page and its view.
struct RedrawInputs {
    QString intervalText;     // the page's sampling interval as its combo box shows it ("10nS")
    bool heavyLowLine = true; // "波形のLを太線にする"
    MessageLog* log = nullptr;
};

// The parts of a redraw that belong to other parts of the program.
struct RedrawHooks {
    // Front pass over the finished waveform: the cursor lines and their tags. Cursors move
    // without a redraw, so this is the only place a redraw touches them.
    std::function<void(Canvas&)> drawCursorLines;
    // Compressed compare view: loads the display list (values, runs, starts, counters, end entry)
    // from the merged compare list, with the reference values when `reference` is set, else
    // with the measured ones. Without it the compare view draws only the axis.
    std::function<void(PageState&, bool reference)> loadCompareView;
};

// The interval text, heavy-line setting and message log of an analyzer page from the state.
RedrawInputs RedrawInputsFor(AnalyzerState& state, int page);

// Background, time grid and time labels (bit-plane or compressed page by page.compressed).
void DrawTimeAxis(const PageState& page, PageView& view, Canvas& canvas, const QString& intervalText);
// The traces of the visible rows of a bit-plane page: single wires (heavy low line, red where the
// compare marked errors in "波形比較") and buses.
void DrawRows(const PageState& page, PageView& view, Canvas& canvas, bool heavyLowLine);
// The traces of the visible rows of a compressed page from its display list, in one colour:
// single wires, buses and analog curves. compareView: the display list holds the compare list.
void DrawRecordRows(const PageState& page, PageView& view, Canvas& canvas, Rgb colour, bool compareView,
                    bool heavyLowLine);
// Layout numbers and scale lines of the visible analog rows; DrawRecordRows and the popup use
// them, so they are worked out before either.
void UpdateAnalogRows(const PageState& page, PageView& view);

// Full redraw of an analyzer page:
// - bit planes: axis, rows when hasData;
// - compressed, outside a compare result: the measured list is copied back into the display list,
//   measurement time and cursors follow it, then axis, analog scales and rows (red, after
//   "リファレンス波形です。", when "波形比較" shows the reference);
// - compressed compare result: the compare list in red from the reference, then in black from the
//   capture.
// The cursor hook runs last.
void RedrawPage(PageState& page, PageView& view, Canvas& canvas, const RedrawInputs& inputs,
                const RedrawHooks& hooks = {});

// A new wave box size: the whole-view caches go, a compressed page keeps the sample in the middle
// of the window there, and the page is laid out again. The caller redraws.
void ResizeWaveBox(PageState& page, PageView& view, int width, int height);

} // namespace seiran

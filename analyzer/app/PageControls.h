#pragma once

#include <QString>
#include <QStringList>

namespace seiran {
class AnalyzerState;
struct PageState;
struct PageView;
} // namespace seiran

namespace seiran::app {

// What the shared controls of the analyzer pages show for one page: loaded from its PageState
// whenever the page is shown. The window only copies these into its widgets.
struct AnalyzerPageControls {
    QStringList intervals; // cmbAnaInterval
    int intervalIndex = 0;
    QString measureTime; // edtAnaTime
    QStringList runModes; // cmbRunMode
    QString runModeText;
    bool samplingEdgeVisible = false; // cmbSelESmpP and its label
    QString samplingEdgeText;
    int gridTop = 72; // y of the signal grid, the trigger grid and the wave box
    QStringList zoomItems; // cmbAnaZoom
    QString zoomText;
};

inline constexpr int kGridTop = 72;
inline constexpr int kGridTopWithSamplingEdge = 102;

// The page set-up of an analyzer page (0 to 3), everything but the layout and the redraw, which
// need the widgets: sets the enabling of the capture controls from the page's run state, works
// out the measurement time and returns what the controls show.
AnalyzerPageControls SetUpAnalyzerPage(AnalyzerState& state, int page);

// The zoom combo box: the chosen list item becomes the page's zoom. Bit-plane pages keep the same
// part of the data in view by scaling the scroll position; compressed pages keep the sample in
// the middle of the window there. The page is redrawn.
void cmbAnaZoomChange(AnalyzerState& state, int page, int index);
// The horizontal scroll bar moved; compressed pages remember the sample in the middle.
void scrhWaveScroll(AnalyzerState& state, int page, int position);
// The vertical scroll bar moved: the first row shown changes.
void scrvWaveScroll(AnalyzerState& state, int page, int position);

// The row selection of a page's signal list. Rows are counted as signal-name numbers: row r stands
// for signalName[r - 1] and is shown in grid row r - firstRow (grid row 0 is the header).
struct SignalListSelection {
    int top = 1;
    int bottom = 1;
    int anchor = 1;
    int end = 1;
    bool shiftArrowPending = false; // Shift with Up or Down is held: moves extend the selection
    bool selectionAtTop = false;    // the end is on the first visible row and not all rows fit
    bool selectionAtBottom = false; // the end is on the last visible row and not all rows fit
};

// A press on a name cell: the selection becomes that row.
void sgrSignalMouseDown(const PageState& page, const PageView& view, SignalListSelection& selection, int gridRow);
// The mouse moved onto another row with the button held: the end follows it.
void sgrSignalMouseDrag(const PageState& page, SignalListSelection& selection, int gridRow);
// A key went down; Shift with Up or Down starts extending the selection.
void sgrSignalKeyDown(SignalListSelection& selection, bool shiftHeld, bool upOrDown);
// The current cell moved to another grid row (keys): extends the selection while Shift+arrow is
// held, otherwise selects that row alone.
void sgrSignalSelectCell(const PageState& page, SignalListSelection& selection, int gridRow);
// The arrow key of a Shift+arrow went up. When the end sat on the first or last visible row, the
// selection and the rows shown move on by one, so Shift+arrow selects past the visible rows.
// True when the rows shown moved (the caller lays the page out and redraws it).
bool sgrSignalKeyUp(PageState& page, PageView& view, SignalListSelection& selection);
// Whether the name in a grid row (1 on) is selected: drawn white on navy.
bool signalGridRowSelected(const PageState& page, const SignalListSelection& selection, int gridRow);

} // namespace seiran::app

#pragma once

#include "cursor/CursorOverlay.h"
#include "cursor/CursorTable.h"
#include "cursor/StateDisplay.h"
#include "render/Canvas.h"

#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

namespace seiran {

class AnalyzerState;

// What a cursor operation changed, for the window to repaint or reload. Overlay: paint the
// overlay again over the kept waveform picture (never a waveform redraw). Difference: reload
// edtAnaAtoB. State: reload the four cells of sgrState and its widths. SignalNames: reload the
// signal grid's name cells (the voltage readout travels in them). Captions: reload lblAC, lblBD
// and lblABtoBD.
enum CursorRefresh : unsigned {
    kRefreshOverlay = 1U << 0,
    kRefreshDifference = 1U << 1,
    kRefreshState = 1U << 2,
    kRefreshSignalNames = 1U << 3,
    kRefreshCaptions = 1U << 4,
    kRefreshAll = 0x1FU,
};

// The four cells of sgrState: (0, 0) the cursor, (1, 0) the radix, (0, 1) the range text as
// last typed or set up, (1, 1) the value.
struct StateGridCells {
    QString cursorName;
    QString radix;
    QString range;
    QString value;
};

// The cursor controls of the analyzer pages: the step grid sgrAnaCursor with timMoveCursor, the
// drags of lines and tags, the row labels lblAC and lblBD, the pair switch lblABtoBD, the
// difference field edtAnaAtoB and the state grid sgrState. The window owns one, forwards the
// events of the page shown (state.controls.currentPage) and shows what it returns; the page
// fields live in the state, this object keeps only what a control shows and the step or drag
// under way (one at a time, shared by the four pages, as the controls are).
//
// Painting: after RedrawPage the window keeps the waveform picture and paints overlay(page) over
// it with drawCursorOverlay. Every cursor change reports kRefreshOverlay through the listener;
// the window then repaints the overlay only.
class CursorController {
public:
    // Installs the handler of timMoveCursor on the state's clock; the state outlives this object.
    explicit CursorController(AnalyzerState& state);
    ~CursorController();
    CursorController(const CursorController&) = delete;
    CursorController& operator=(const CursorController&) = delete;

    using Listener = std::function<void(int page, unsigned refresh)>;
    void setListener(Listener listener) { m_listener = std::move(listener); }

    // ---- what the window shows for an analyzer page (0-3)
    const CursorOverlay& overlay(int page) const;
    QString acCaption(int page) const;   // lblAC: "A" or "C"
    QString bdCaption(int page) const;   // lblBD: "B" or "D"
    QString pairCaption(int page) const; // lblABtoBD: atobMode
    QString differenceText(int page) const; // edtAnaAtoB: atobText, or the live value of a drag
    StateGridCells stateCells(int page) const;
    StateGridWidths stateWidths(int page) const;
    // Every cell of both step-grid rows holds, by column, "|<", "<-", "->", ">|".
    static const std::array<QString, 4>& stepGridTexts();

    // ---- called by the window and the other parts of the program
    // PlaceCursorLines; also the voltage readout into the signal names.
    void placeCursorLines(int page);
    void updateCursorDifference(int page);
    void refreshStateDisplay(int page);
    // After another part moved cursors or changed the data: all three of the above.
    void cursorsChanged(int page);
    // The page is shown: range text from stateMsb and stateLsb, captions, widths, difference,
    // state value and cursor lines.
    void setUpPage(int page);
    // For RedrawHooks::drawCursorLines: the lines are placed again for the new drawing; with
    // paintIntoPicture they are also painted into it (waveform copy, pictures), while the screen
    // leaves them out of the kept picture and paints the overlay over it.
    std::function<void(Canvas&)> redrawPass(int page, bool paintIntoPicture);
    // Find shows tag B in bold after a hit; a step press or a drag start ends it.
    void setFindMark(bool bold);

    // ---- events of the page shown
    // sgrAnaCursorMouseDown at (x, y) in the grid: column x div 25, row 0 for y ≤ 22.
    void stepGridMouseDown(int x, int y);
    void stepGridMouseUp();
    void moveTimerTick(); // timMoveCursorTimer
    void pairSwitchClick();       // lblABtoBDClick
    void acLabelDoubleClick();    // lblACDblClick
    void bdLabelDoubleClick();    // lblBDDblClick
    void stateGridMouseDown(int column, int row);
    void stateGridSetEditText(int column, int row, const QString& text);
    // A mouse press on a line (image y): keeps lastMouseX and lastMouseY for the popup menu.
    void overlayMouseDown(OverlayHit item, int imageY);
    // Drags start on a time-cursor line or tag, or on a voltage tag; false for anything else.
    bool dragStart(OverlayHit item);
    // The mouse is at (x, y) of the wave image; over another time-cursor line a time drag snaps to it.
    void dragOver(int x, int y);
    // Dropped or cancelled: the cursor takes the dragged place.
    void dragEnd();

    // movingCursorName: "A" … "D" during a step or line drag, "nameA" … "nameV4" during a tag drag.
    QString movingCursorName() const;
    int moveTickCount() const { return m_moveTickCount; }

private:
    enum class Motion : std::uint8_t { None, Step, Line, Tag, Volt };

    int shownPage() const;
    bool isPage(int page) const;
    PageState& pageState(int page);
    const PageState& pageState(int page) const;
    void notify(int page, unsigned refresh);
    void stepOnce(int page, TimeCursor cursor, bool left);
    void bringIntoView(TimeCursor cursor);
    void applyDragPreview(int page);
    std::int32_t voltDragLevel(int page, int tagTopY) const;
    void endMotion();

    AnalyzerState& m_state;
    Listener m_listener;
    std::array<CursorOverlay, 4> m_overlay;
    std::array<QString, 4> m_rangeText;
    std::array<QString, 4> m_valueText;
    std::array<std::optional<QString>, 4> m_liveDifference;

    Motion m_motion = Motion::None;
    int m_motionPage = 0;
    int m_motionIndex = 0; // the cursor A … D or V1 … V4 as 0 … 3
    int m_moveTickCount = 0;
    bool m_moveLeft = false;
    int m_dragStartX = 0;   // x of the dragged line at the start (a tag drag measures its line too)
    int m_dragCurrentX = 0; // x of the dragged line now
    int m_dragStartY = 0;   // top of the dragged voltage tag at the start
    int m_dragCurrentY = 0; // mouse y, where the dragged voltage line stands
    std::int32_t m_lastValidVoltLevel = 0;
    bool m_lastHalfHigh = false; // the binary half last shown was "BIN(上位)"
    bool m_findMark = false;
};

} // namespace seiran

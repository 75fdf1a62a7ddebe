#include "cursor/CursorController.h"

#include "FrontEnd.h"
#include "core/AnalyzerState.h"
#include "core/Timers.h"
#include "cursor/CursorPosition.h"
#include "cursor/EdgeSearch.h"
#include "cursor/VoltCursors.h"
#include "view/Pages.h"

#include <algorithm>
#include <cstdlib>

namespace seiran {

namespace {

constexpr int kStepColumnWidth = 24 + 1; // column width and grid line
constexpr int kStepRowBottom = 22;       // presses at y ≤ 22 are in row 0
constexpr int kFirstStepInterval = 150;  // ms before the first repeat
constexpr int kRepeatInterval = 50;      // ms per repeat

enum class StepAction : std::uint8_t { PreviousEdge, Left, Right, NextEdge };
constexpr std::array<StepAction, 4> kStepColumns{StepAction::PreviousEdge, StepAction::Left, StepAction::Right,
                                                 StepAction::NextEdge};

ClockTimer& moveTimer(AnalyzerState& state) { return state.clock().timer(kTimMoveCursor); }

} // namespace

CursorController::CursorController(AnalyzerState& state) : m_state(state)
{
    m_overlay.fill(InitialCursorOverlay());
    moveTimer(m_state).setHandler([this] { moveTimerTick(); });
}

CursorController::~CursorController()
{
    ClockTimer& timer = moveTimer(m_state);
    timer.setInterval(0);
    timer.setHandler(nullptr);
}

const std::array<QString, 4>& CursorController::stepGridTexts()
{
    static const std::array<QString, 4> texts{QStringLiteral("|<"), QStringLiteral("<-"), QStringLiteral("->"),
                                              QStringLiteral(">|")};
    return texts;
}

// ---- what the window shows

bool CursorController::isPage(int page) const { return IsAnalyzerPage(page); }

int CursorController::shownPage() const
{
    const int page = m_state.controls.currentPage;
    return isPage(page) ? page : -1;
}

PageState& CursorController::pageState(int page) { return m_state.pages[std::size_t(page)]; }
const PageState& CursorController::pageState(int page) const { return m_state.pages[std::size_t(page)]; }

const CursorOverlay& CursorController::overlay(int page) const
{
    return m_overlay[std::size_t(std::clamp(page, 0, kAnalyzerPageCount - 1))];
}

QString CursorController::acCaption(int page) const
{
    return isPage(page) ? LetterOf(FirstOfPair(pageState(page))) : QString();
}

QString CursorController::bdCaption(int page) const
{
    return isPage(page) ? LetterOf(SecondOfPair(pageState(page))) : QString();
}

QString CursorController::pairCaption(int page) const { return isPage(page) ? pageState(page).atobMode : QString(); }

QString CursorController::differenceText(int page) const
{
    if (!isPage(page))
        return {};
    return m_liveDifference[std::size_t(page)].value_or(pageState(page).atobText);
}

StateGridCells CursorController::stateCells(int page) const
{
    if (!isPage(page))
        return {};
    const PageState& p = pageState(page);
    return {p.stateCursorName, p.stateMode, m_rangeText[std::size_t(page)], m_valueText[std::size_t(page)]};
}

StateGridWidths CursorController::stateWidths(int page) const
{
    return isPage(page) ? SetStateWidths(pageState(page)) : StateGridWidths{};
}

QString CursorController::movingCursorName() const
{
    switch (m_motion) {
    case Motion::None:
        return {};
    case Motion::Step:
    case Motion::Line:
        return LetterOf(TimeCursor(m_motionIndex));
    case Motion::Tag:
        return QStringLiteral("name") + LetterOf(TimeCursor(m_motionIndex));
    case Motion::Volt:
        return QStringLiteral("name") + QString::fromUtf16(kVoltCursors[std::size_t(m_motionIndex)].caption);
    }
    return {};
}

void CursorController::notify(int page, unsigned refresh)
{
    if (m_listener)
        m_listener(page, refresh);
}

// ---- calls of the other parts

void CursorController::placeCursorLines(int page)
{
    if (!isPage(page))
        return;
    CursorOverlay& overlay = m_overlay[std::size_t(page)];
    PageState& p = pageState(page);
    PlaceCursorLines(p, m_state.pageViews[std::size_t(page)], overlay);
    overlay.time[std::size_t(TimeCursor::B)].tagBold = m_findMark;
    applyDragPreview(page);
    const bool readout = p.compressed && p.analogCount > 0;
    notify(page, kRefreshOverlay | (readout ? kRefreshSignalNames : 0U));
}

void CursorController::updateCursorDifference(int page)
{
    if (!isPage(page))
        return;
    UpdateCursorDifference(m_state, page);
    notify(page, kRefreshDifference);
}

void CursorController::refreshStateDisplay(int page)
{
    if (!isPage(page))
        return;
    m_valueText[std::size_t(page)] = StateValueText(pageState(page), m_state.settings.channelOrigin);
    notify(page, kRefreshState);
}

void CursorController::cursorsChanged(int page)
{
    placeCursorLines(page);
    updateCursorDifference(page);
    refreshStateDisplay(page);
}

void CursorController::setUpPage(int page)
{
    if (!isPage(page))
        return;
    m_rangeText[std::size_t(page)] = StateRangeText(pageState(page));
    m_liveDifference[std::size_t(page)].reset();
    cursorsChanged(page);
    notify(page, kRefreshAll);
}

std::function<void(Canvas&)> CursorController::redrawPass(int page, bool paintIntoPicture)
{
    return [this, page, paintIntoPicture](Canvas& canvas) {
        placeCursorLines(page);
        if (paintIntoPicture && isPage(page))
            drawCursorOverlay(canvas, m_overlay[std::size_t(page)]);
    };
}

void CursorController::setFindMark(bool bold)
{
    if (m_findMark == bold)
        return;
    m_findMark = bold;
    for (int page = 0; page < kAnalyzerPageCount; ++page) {
        m_overlay[std::size_t(page)].time[std::size_t(TimeCursor::B)].tagBold = bold;
        notify(page, kRefreshOverlay);
    }
}

// ---- step grid

void CursorController::stepOnce(int page, TimeCursor cursor, bool left)
{
    PageState& p = pageState(page);
    std::int32_t& value = CursorValue(p, cursor);
    const std::int32_t end = CursorRangeEnd(p);
    if (left ? value <= 0 : value >= end)
        return; // at its end already: no step and no repeat
    value = StepCursor(p, m_state.pageViews[std::size_t(page)], value, left);
    m_motion = Motion::Step;
    m_motionPage = page;
    m_motionIndex = int(cursor);
    m_moveLeft = left;
    if (left ? value > 0 : value < end)
        moveTimer(m_state).setInterval(kFirstStepInterval);
}

void CursorController::stepGridMouseDown(int x, int y)
{
    const int page = shownPage();
    if (page < 0)
        return;
    setFindMark(false);
    const int column = x / kStepColumnWidth;
    if (x < 0 || y < 0 || column >= int(kStepColumns.size()))
        return;
    const PageState& p = pageState(page);
    const TimeCursor cursor = y <= kStepRowBottom ? FirstOfPair(p) : SecondOfPair(p);
    m_moveTickCount = 0;
    switch (kStepColumns[std::size_t(column)]) {
    case StepAction::PreviousEdge:
        PreviousEdge(pageState(page), cursor);
        break;
    case StepAction::Left:
        stepOnce(page, cursor, true);
        break;
    case StepAction::Right:
        stepOnce(page, cursor, false);
        break;
    case StepAction::NextEdge:
        NextEdge(pageState(page), cursor);
        break;
    }
    placeCursorLines(page);
}

void CursorController::stepGridMouseUp()
{
    moveTimer(m_state).setInterval(0);
    if (m_motion == Motion::Step)
        endMotion();
    const int page = shownPage();
    if (page < 0)
        return;
    updateCursorDifference(page);
    refreshStateDisplay(page);
}

void CursorController::moveTimerTick()
{
    ClockTimer& timer = moveTimer(m_state);
    if (m_motion != Motion::Step) {
        timer.setInterval(0); // the button went up without telling us
        return;
    }
    timer.setInterval(kRepeatInterval);
    ++m_moveTickCount;
    const int page = m_motionPage;
    PageState& p = pageState(page);
    std::int32_t& value = CursorValue(p, TimeCursor(m_motionIndex));
    value = RepeatStep(p, m_state.pageViews[std::size_t(page)], m_moveTickCount, value, m_moveLeft);
    placeCursorLines(page);
}

// ---- labels

void CursorController::pairSwitchClick()
{
    const int page = shownPage();
    if (page < 0)
        return;
    PageState& p = pageState(page);
    p.atobMode = ShowsPairAB(p) ? QStringLiteral("CtoD") : QStringLiteral("AtoB");
    notify(page, kRefreshCaptions);
    updateCursorDifference(page);
}

void CursorController::bringIntoView(TimeCursor cursor)
{
    const int page = shownPage();
    if (page < 0)
        return;
    PageState& p = pageState(page);
    CursorValue(p, cursor) = CursorIntoViewSample(p, m_state.pageViews[std::size_t(page)]);
    placeCursorLines(page);
    updateCursorDifference(page);
    refreshStateDisplay(page);
}

void CursorController::acLabelDoubleClick()
{
    const int page = shownPage();
    if (page >= 0)
        bringIntoView(FirstOfPair(pageState(page)));
}

void CursorController::bdLabelDoubleClick()
{
    const int page = shownPage();
    if (page >= 0)
        bringIntoView(SecondOfPair(pageState(page)));
}

// ---- state grid

void CursorController::stateGridMouseDown(int column, int row)
{
    const int page = shownPage();
    if (page < 0)
        return;
    PageState& p = pageState(page);
    if (column == 0 && row == 0) {
        p.stateCursorName = NextStateCursorName(p.stateCursorName);
        refreshStateDisplay(page);
    } else if (column == 1 && row == 0) {
        p.stateMode = NextStateRadix(p.stateMode, StateWidth(p.stateMsb, p.stateLsb));
        refreshStateDisplay(page);
    } else if (column == 1 && row == 1) {
        m_state.frontEnd().setClipboardText(m_valueText[std::size_t(page)]);
    }
}

void CursorController::stateGridSetEditText(int column, int row, const QString& text)
{
    const int page = shownPage();
    if (page < 0)
        return;
    PageState& p = pageState(page);
    if (p.stateMode == kRadixBinHigh)
        m_lastHalfHigh = true;
    else if (p.stateMode == kRadixBinLow)
        m_lastHalfHigh = false;
    if (column != 0 || row != 1)
        return;
    m_rangeText[std::size_t(page)] = text;
    const StateRange range = ParseStateRange(text);
    p.stateMsb = range.msb;
    p.stateLsb = range.lsb;
    const int width = StateWidth(p.stateMsb, p.stateLsb);
    if (width > 32 && p.stateMode == kRadixBin)
        p.stateMode = m_lastHalfHigh ? kRadixBinHigh : kRadixBinLow;
    else if (width <= 32 && (p.stateMode == kRadixBinHigh || p.stateMode == kRadixBinLow))
        p.stateMode = kRadixBin;
    refreshStateDisplay(page);
}

// ---- drags

void CursorController::overlayMouseDown(OverlayHit item, int imageY)
{
    const int page = shownPage();
    if (page < 0)
        return;
    const PageState& p = pageState(page);
    PageView& view = m_state.pageViews[std::size_t(page)];
    const CursorOverlay& overlay = m_overlay[std::size_t(page)];
    if (item.kind == OverlayItemKind::TimeLine) {
        const bool whole = p.compressed ? p.zoomCode == kWholeDataZoomCode : p.zoomFactor == kWholeDataZoomFactor;
        if (!whole)
            view.lastMouseX = overlay.time[std::size_t(item.index)].x;
        view.lastMouseY = imageY;
    } else if (item.kind == OverlayItemKind::VoltLine) {
        view.lastMouseY = overlay.volt[std::size_t(item.index)].y;
    }
}

bool CursorController::dragStart(OverlayHit item)
{
    const int page = shownPage();
    if (page < 0 || item.index < 0 || item.index >= kTimeCursorCount)
        return false;
    CursorOverlay& overlay = m_overlay[std::size_t(page)];
    switch (item.kind) {
    case OverlayItemKind::TimeLine:
    case OverlayItemKind::TimeTag:
        m_motion = item.kind == OverlayItemKind::TimeLine ? Motion::Line : Motion::Tag;
        m_dragStartX = m_dragCurrentX = overlay.time[std::size_t(item.index)].x;
        setFindMark(false);
        break;
    case OverlayItemKind::VoltTag:
        m_motion = Motion::Volt;
        m_dragStartY = overlay.volt[std::size_t(item.index)].tag.y;
        m_dragCurrentY = m_dragStartY + kVoltTagOffset;
        // Dropped outside the row before ever being inside it, the cursor keeps its level.
        m_lastValidVoltLevel = VoltLevel(pageState(page), item.index);
        break;
    case OverlayItemKind::None:
    case OverlayItemKind::VoltLine:
        return false; // voltage lines are not dragged
    }
    moveTimer(m_state).setInterval(0);
    m_motionPage = page;
    m_motionIndex = item.index;
    applyDragPreview(page);
    notify(page, kRefreshOverlay);
    return true;
}

std::int32_t CursorController::voltDragLevel(int page, int tagTopY) const
{
    const PageState& p = pageState(page);
    const int slot = kVoltCursors[std::size_t(m_motionIndex)].analogSlot;
    const AnalogRowView& analog = m_state.pageViews[std::size_t(page)].analog[std::size_t(slot)];
    return VoltDragLevel(p, analog, slot, VoltLevel(p, m_motionIndex), m_dragStartY, tagTopY);
}

void CursorController::applyDragPreview(int page)
{
    if (m_motion == Motion::None || m_motion == Motion::Step || m_motionPage != page)
        return;
    CursorOverlay& overlay = m_overlay[std::size_t(page)];
    if (m_motion == Motion::Volt) {
        VoltCursorItem& item = overlay.volt[std::size_t(m_motionIndex)];
        item.y = m_dragCurrentY;
        item.lineVisible = true;
        item.tagVisible = false;
        PageState& p = pageState(page);
        const int slot = kVoltCursors[std::size_t(m_motionIndex)].analogSlot;
        const std::int32_t level = voltDragLevel(page, m_dragCurrentY - kVoltTagOffset);
        const bool first = m_motionIndex % 2 == 0;
        ShowVoltReadout(p, first ? level : VoltLevel(p, 2 * slot), first ? VoltLevel(p, 2 * slot + 1) : level, slot);
        return;
    }
    TimeCursorItem& item = overlay.time[std::size_t(m_motionIndex)];
    item.x = m_dragCurrentX;
    item.lineVisible = true;
    item.tagVisible = false;
}

void CursorController::dragOver(int x, int y)
{
    const int page = m_motionPage;
    if (m_motion == Motion::None || m_motion == Motion::Step || !isPage(page))
        return;
    PageState& p = pageState(page);
    const PageView& view = m_state.pageViews[std::size_t(page)];
    if (m_motion == Motion::Volt) {
        m_dragCurrentY = y;
        const int slot = kVoltCursors[std::size_t(m_motionIndex)].analogSlot;
        const std::int32_t level = voltDragLevel(page, y - kVoltTagOffset);
        if (VoltLevelInsideRow(p, view.analog[std::size_t(slot)], slot, level))
            m_lastValidVoltLevel = level;
        applyDragPreview(page);
        notify(page, kRefreshOverlay | kRefreshSignalNames);
        return;
    }
    // Over another cursor's line the dragged line snaps onto it; over a tag or the image it
    // follows the mouse.
    const CursorOverlay& overlay = m_overlay[std::size_t(page)];
    int lineX = x;
    bool overTag = false;
    for (const TimeCursorItem& other : overlay.time)
        overTag = overTag || (other.tagVisible && other.tag.contains(x, y));
    for (int i = 0; i < kTimeCursorCount && !overTag; ++i) {
        const TimeCursorItem& other = overlay.time[std::size_t(i)];
        if (i != m_motionIndex && other.lineVisible && std::abs(x - other.x) <= kLineHitSlack && y >= other.top
            && y < other.top + other.height) {
            lineX = other.x;
            break;
        }
    }
    m_dragCurrentX = lineX;
    applyDragPreview(page);
    const TimeCursor cursor = TimeCursor(m_motionIndex);
    const std::int32_t prospective = DragToSample(p, view, CursorValue(p, cursor), m_dragCurrentX - m_dragStartX);
    unsigned refresh = kRefreshOverlay;
    if (auto live = DragDifferenceText(p, m_state.intervalText(page), cursor, prospective)) {
        m_liveDifference[std::size_t(page)] = std::move(live);
        refresh |= kRefreshDifference;
    }
    notify(page, refresh);
}

void CursorController::endMotion()
{
    m_motion = Motion::None;
}

void CursorController::dragEnd()
{
    const int page = m_motionPage;
    if (m_motion == Motion::None || m_motion == Motion::Step || !isPage(page))
        return;
    PageState& p = pageState(page);
    const PageView& view = m_state.pageViews[std::size_t(page)];
    if (m_motion == Motion::Volt) {
        const int slot = kVoltCursors[std::size_t(m_motionIndex)].analogSlot;
        const std::int32_t level = voltDragLevel(page, m_dragCurrentY - kVoltTagOffset);
        const bool inside = VoltLevelInsideRow(p, view.analog[std::size_t(slot)], slot, level);
        VoltLevel(p, m_motionIndex) = inside ? level : m_lastValidVoltLevel;
        endMotion();
        placeCursorLines(page);
        return;
    }
    std::int32_t& value = CursorValue(p, TimeCursor(m_motionIndex));
    value = DragToSample(p, view, value, m_dragCurrentX - m_dragStartX);
    endMotion();
    m_liveDifference[std::size_t(page)].reset();
    updateCursorDifference(page);
    placeCursorLines(page);
    refreshStateDisplay(page);
}

} // namespace seiran

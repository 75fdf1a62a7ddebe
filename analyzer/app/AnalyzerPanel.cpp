#include "AnalyzerPanel.h"

#include "CursorPanel.h"
#include "FrontEnd.h"
#include "GridLook.h"
#include "PageControls.h"
#include "QtImageCanvas.h"
#include "SignalGrid.h"
#include "TriggerGridView.h"
#include "WaveImage.h"
#include "capture/CaptureSettings.h"
#include "capture/Compare.h"
#include "capture/RunControl.h"
#include "capture/TriggerGrid.h"
#include "core/AnalyzerState.h"
#include "cursor/CursorController.h"
#include "cursor/Measurement.h"
#include "render/Navigation.h"
#include "render/RowLayout.h"
#include "render/WaveMapping.h"
#include "render/WavePopup.h"
#include "render/WaveRender.h"
#include "view/PageLists.h"
#include "view/Pages.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>

#include <algorithm>

namespace seiran::app {

namespace {

constexpr int kLeft = 8;
constexpr int kRowOneTop = 8;
constexpr int kRowTwoTop = 40;
constexpr int kSamplingEdgeTop = 74;
constexpr int kButtonWidth = 60;
constexpr int kControlHeight = 26;
constexpr int kSignalGridWidth = 128;
constexpr int kTriggerGridWidth = TriggerGridView::kChannelColumnWidth + TriggerGridView::kConditionColumnWidth + 1;
constexpr int kWaveRightGap = 11; // the wave box fills the width less the vertical bar and 11 pixels
constexpr int kGap = 12;
constexpr int kMeasureTop = 55; // under the cursor grids, above the signal grid
constexpr int kMeasureHeight = 16;
constexpr int kWheelNotch = 120;   // angle delta of one notch of a wheel
constexpr int kRowsPerNotch = 3;
constexpr double kScreensPerNotch = 0.25;

QLabel* makeLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

int captionWidth(const QLabel* label) { return label->fontMetrics().horizontalAdvance(label->text()) + 10; }

// Puts a caption of the given width and its control on one row, returning the x after them.
int placeCaptioned(QLabel* label, QWidget* control, int x, int y, int labelWidth, int controlWidth)
{
    label->setGeometry(x, y, labelWidth - 4, kControlHeight);
    control->setGeometry(x + labelWidth, y, controlWidth, kControlHeight);
    return x + labelWidth + controlWidth;
}

void loadCombo(QComboBox* combo, const QStringList& items)
{
    const QSignalBlocker block(combo);
    if (combo->count() == items.size()) {
        bool same = true;
        for (int i = 0; i < items.size() && same; ++i)
            same = combo->itemText(i) == items[i];
        if (same)
            return;
    }
    combo->clear();
    combo->addItems(items);
}

} // namespace

AnalyzerPanel::AnalyzerPanel(AnalyzerState& state, QWidget* parent)
    : QWidget(parent)
    , m_state(state)
    , m_cursors(std::make_unique<CursorController>(state))
    , m_btnAnaRun(new QPushButton(QStringLiteral("RUN"), this))
    , m_btnAnaStop(new QPushButton(QStringLiteral("STOP"), this))
    , m_btnFind(new QPushButton(QStringLiteral("FIND"), this))
    , m_btnNext(new QPushButton(QStringLiteral("NEXT"), this))
    , m_lblInterval(makeLabel(QStringLiteral("測定間隔"), this))
    , m_cmbAnaInterval(new QComboBox(this))
    , m_lblTime(makeLabel(QStringLiteral("測定時間"), this))
    , m_edtAnaTime(new QLineEdit(this))
    , m_lblRunMode(makeLabel(QStringLiteral("測定モード"), this))
    , m_cmbRunMode(new QComboBox(this))
    , m_lblZoom(makeLabel(QStringLiteral("ズーム"), this))
    , m_cmbAnaZoom(new QComboBox(this))
    , m_lblSelESmpP(makeLabel(QStringLiteral("サンプリング"), this))
    , m_cmbSelESmpP(new QComboBox(this))
    , m_sgrSignal(new SignalGrid(state, this))
    , m_sgrTrigger(new TriggerGridView(state, this))
    , m_imgWave2(new WaveImage(this))
    , m_scrhWave(new QScrollBar(Qt::Horizontal, this))
    , m_scrvWave(new QScrollBar(Qt::Vertical, this))
    , m_cursorPanel(new CursorPanel(state, *m_cursors, this))
    , m_lblMeasure(new QLabel(this))
{
    setObjectName(QStringLiteral("AnalyzerPanel"));
    m_btnAnaRun->setObjectName(QStringLiteral("btnAnaRun"));
    m_btnAnaStop->setObjectName(QStringLiteral("btnAnaStop"));
    m_btnFind->setObjectName(QStringLiteral("btnFind"));
    m_btnNext->setObjectName(QStringLiteral("btnNext"));
    m_cmbAnaInterval->setObjectName(QStringLiteral("cmbAnaInterval"));
    m_edtAnaTime->setObjectName(QStringLiteral("edtAnaTime"));
    m_cmbRunMode->setObjectName(QStringLiteral("cmbRunMode"));
    m_cmbAnaZoom->setObjectName(QStringLiteral("cmbAnaZoom"));
    m_cmbSelESmpP->setObjectName(QStringLiteral("cmbSelESmpP"));
    m_scrhWave->setObjectName(QStringLiteral("scrhWave"));
    m_scrvWave->setObjectName(QStringLiteral("scrvWave"));
    m_lblMeasure->setObjectName(QStringLiteral("lblMeasure"));
    m_lblMeasure->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_edtAnaTime->setReadOnly(true);
    // The zoom box also shows "×全データ", which is no item of its list.
    m_cmbAnaZoom->setEditable(true);
    m_cmbAnaZoom->lineEdit()->setReadOnly(true);
    m_cmbSelESmpP->addItems({kSamplingEdgeChoices[0], kSamplingEdgeChoices[1]});
    // Find and next come with the find dialog.
    m_btnFind->setEnabled(false);
    m_btnNext->setEnabled(false);
    m_imgWave2->setOverlay(&m_cursors->overlay(0));

    connect(m_btnAnaRun, &QPushButton::clicked, this, &AnalyzerPanel::btnAnaRunClick);
    connect(m_btnAnaStop, &QPushButton::clicked, this, &AnalyzerPanel::btnAnaStopClick);
    connect(m_cmbAnaInterval, &QComboBox::activated, this, &AnalyzerPanel::cmbAnaIntervalChange);
    connect(m_cmbRunMode, &QComboBox::activated, this, [this](int index) { cmbRunModeChange(m_cmbRunMode->itemText(index)); });
    connect(m_cmbSelESmpP, &QComboBox::activated, this, [this](int index) { cmbSelESmpPChange(m_cmbSelESmpP->itemText(index)); });
    connect(m_cmbAnaZoom, &QComboBox::activated, this, &AnalyzerPanel::cmbAnaZoomChange);
    connect(m_scrhWave, &QScrollBar::valueChanged, this, &AnalyzerPanel::scrhWaveScroll);
    connect(m_scrvWave, &QScrollBar::valueChanged, this, &AnalyzerPanel::scrvWaveScroll);
    connect(m_sgrTrigger, &TriggerGridView::leftClicked, this, &AnalyzerPanel::sgrTriggerMouseDown);
    connect(m_sgrTrigger, &TriggerGridView::popupRequested, this, &AnalyzerPanel::PopupSgrTriggerPopup);
    connect(m_sgrSignal, &SignalGrid::rowsScrolled, this, [this] { m_state.frontEnd().requestRedraw(m_page); });
    connect(m_imgWave2, &WaveImage::mouseDown, this, &AnalyzerPanel::imgWave2MouseDown);
    connect(m_imgWave2, &WaveImage::mouseMoved, this, &AnalyzerPanel::imgWave2MouseMove);
    connect(m_imgWave2, &WaveImage::mouseUp, this, &AnalyzerPanel::imgWave2MouseUp);
    connect(m_imgWave2, &WaveImage::popupRequested, this, &AnalyzerPanel::PopupImgWave2Popup);
    connect(m_imgWave2, &WaveImage::wheelTurned, this, &AnalyzerPanel::imgWave2MouseWheel);
    m_cursors->setListener([this](int page, unsigned what) { onCursorRefresh(page, what); });
    placeControls();
}

AnalyzerPanel::~AnalyzerPanel() = default;

void AnalyzerPanel::waveBoxSize(int& width, int& height) const
{
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const int left = kLeft + kSignalGridWidth + kTriggerGridWidth + 4;
    width = std::max(this->width() - left - bar - kWaveRightGap, 60);
    height = std::max(this->height() - m_gridTop - bar - 4, 80);
}

void AnalyzerPanel::placeControls()
{
    m_btnAnaRun->setGeometry(kLeft, kRowOneTop, kButtonWidth, kControlHeight);
    m_btnAnaStop->setGeometry(kLeft + kButtonWidth + 4, kRowOneTop, kButtonWidth, kControlHeight);
    m_btnFind->setGeometry(kLeft, kRowTwoTop, kButtonWidth, kControlHeight);
    m_btnNext->setGeometry(kLeft + kButtonWidth + 4, kRowTwoTop, kButtonWidth, kControlHeight);

    // Interval above zoom, in one column.
    const int columnTwo = kLeft + 2 * kButtonWidth + 4 + kGap;
    const int columnTwoLabel = std::max(captionWidth(m_lblInterval), captionWidth(m_lblZoom));
    int x = placeCaptioned(m_lblInterval, m_cmbAnaInterval, columnTwo, kRowOneTop, columnTwoLabel, 92);
    placeCaptioned(m_lblZoom, m_cmbAnaZoom, columnTwo, kRowTwoTop, columnTwoLabel, 92);
    x = placeCaptioned(m_lblTime, m_edtAnaTime, x + kGap, kRowOneTop, captionWidth(m_lblTime), 96);
    const int pairLeft = m_lblTime->x();
    x = placeCaptioned(m_lblRunMode, m_cmbRunMode, x + kGap, kRowOneTop, captionWidth(m_lblRunMode), 110);
    m_cursorPanel->place(pairLeft, kRowTwoTop, x + 2 * kGap, kRowOneTop - 2);
    m_lblMeasure->setGeometry(x + 2 * kGap, kMeasureTop, std::max(width() - x - 2 * kGap - 4, 40), kMeasureHeight);

    const bool edge = m_gridTop == kGridTopWithSamplingEdge;
    m_lblSelESmpP->setVisible(edge);
    m_cmbSelESmpP->setVisible(edge);
    placeCaptioned(m_lblSelESmpP, m_cmbSelESmpP, kLeft, kSamplingEdgeTop, captionWidth(m_lblSelESmpP), 150);

    int waveWidth = 0;
    int waveHeight = 0;
    waveBoxSize(waveWidth, waveHeight);
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    m_sgrSignal->setGeometry(kLeft, m_gridTop, kSignalGridWidth, waveHeight);
    m_sgrTrigger->setGeometry(kLeft + kSignalGridWidth, m_gridTop, kTriggerGridWidth, waveHeight);
    const int waveLeft = kLeft + kSignalGridWidth + kTriggerGridWidth + 4;
    m_imgWave2->setGeometry(waveLeft, m_gridTop, waveWidth, waveHeight);
    m_scrhWave->setGeometry(waveLeft, m_gridTop + waveHeight, waveWidth, bar);
    m_scrvWave->setGeometry(waveLeft + waveWidth, m_gridTop, bar, waveHeight);
}

void AnalyzerPanel::setUpPage(int page)
{
    if (!IsAnalyzerPage(page))
        return;
    m_page = page;
    const AnalyzerPageControls controls = SetUpAnalyzerPage(m_state, page);

    loadCombo(m_cmbAnaInterval, controls.intervals);
    {
        const QSignalBlocker block(m_cmbAnaInterval);
        m_cmbAnaInterval->setCurrentIndex(controls.intervalIndex);
    }
    loadCombo(m_cmbRunMode, controls.runModes);
    {
        const QSignalBlocker block(m_cmbRunMode);
        m_cmbRunMode->setCurrentIndex(std::max<int>(int(controls.runModes.indexOf(controls.runModeText)), 0));
        m_cmbSelESmpP->setCurrentText(controls.samplingEdgeText);
    }
    loadCombo(m_cmbAnaZoom, controls.zoomItems);
    m_cmbAnaZoom->setEditText(controls.zoomText);
    m_edtAnaTime->setText(controls.measureTime);

    m_gridTop = controls.gridTop;
    placeControls();
    int width = 0;
    int height = 0;
    waveBoxSize(width, height);
    ResizeWaveBox(m_state.pages[std::size_t(page)], m_state.pageViews[std::size_t(page)], width, height);

    m_imgWave2->setOverlay(&m_cursors->overlay(page));
    m_cursorPanel->load(page);
    m_cursors->setUpPage(page);
    redrawPage();
}

void AnalyzerPanel::redrawPage()
{
    if (!IsAnalyzerPage(m_page))
        return;
    PageState& p = m_state.pages[std::size_t(m_page)];
    PageView& view = m_state.pageViews[std::size_t(m_page)];
    LayoutPage(p, view);
    RevealTriggerOfNewCapture(p, view, m_captureExpected[std::size_t(m_page)]);
    KeepScrollStepsWithinScreen(p, view);
    {
        QImage& picture = m_imgWave2->freshPicture();
        QtImageCanvas canvas(picture);
        RedrawHooks hooks;
        // The screen keeps the cursors out of the picture and paints them over it.
        hooks.drawCursorLines = m_cursors->redrawPass(m_page, false);
        hooks.loadCompareView = [this](PageState& page, bool reference) { LoadCompareView(m_state, m_page, page, reference); };
        RedrawPage(p, view, canvas, RedrawInputsFor(m_state, m_page), hooks);
    }
    // A new drawing may follow new data: the difference and the state value go with it.
    m_cursors->cursorsChanged(m_page);
    m_edtAnaTime->setText(p.measureTimeText);
    m_cmbAnaZoom->setEditText(ZoomComboText(p));
    loadScrollBars();
    loadGrids();
    loadControlStates();
    loadMeasurement();
    m_imgWave2->update();
}

void AnalyzerPanel::expectNewData(int page)
{
    if (IsAnalyzerPage(page))
        m_captureExpected[std::size_t(page)] = true;
}

void AnalyzerPanel::loadMeasurement()
{
    if (!IsAnalyzerPage(m_page))
        return;
    const PageState& p = m_state.pages[std::size_t(m_page)];
    const EdgeMeasurement m = MeasureCursorsAB(p);
    const QString interval = m_state.intervalText(m_page);
    const int origin = m_state.settings.channelOrigin;
    m_lblMeasure->setText(MeasurementText(p, m, interval, origin));
    m_lblMeasure->setToolTip(MeasurementDetailText(p, m, interval, origin));
}

void AnalyzerPanel::loadScrollBars()
{
    const PageState& p = m_state.pages[std::size_t(m_page)];
    const PageView& view = m_state.pageViews[std::size_t(m_page)];
    {
        const QSignalBlocker block(m_scrhWave);
        const bool enabled = view.horizontalScrollEnabled && p.scrollMax > 0;
        m_scrhWave->setEnabled(enabled);
        m_scrhWave->setRange(0, enabled ? p.scrollMax : 0);
        m_scrhWave->setValue(enabled ? p.scrollPosition : 0);
        // A page step is one screen at most, and the three lines of a wheel turn on the bar less.
        PageView& mutableView = m_state.pageViews[std::size_t(m_page)];
        const int screen = ScrollUnitsPerScreen(p, mutableView);
        m_scrhWave->setPageStep(screen);
        m_scrhWave->setSingleStep(std::max(screen / 8, 1));
    }
    {
        const QSignalBlocker block(m_scrvWave);
        m_scrvWave->setEnabled(p.rowScrollMax > 0);
        m_scrvWave->setRange(0, std::max(p.rowScrollMax, 0));
        m_scrvWave->setValue(p.firstRow);
        m_scrvWave->setPageStep(std::max(view.rows.count, 1));
    }
}

void AnalyzerPanel::loadGrids()
{
    m_sgrSignal->showPage(m_page);
    m_sgrTrigger->showPage(m_page);
}

void AnalyzerPanel::loadControlStates()
{
    const AnalyzerControls& c = m_state.controls.analyzer;
    m_btnAnaRun->setEnabled(c.runEnabled);
    m_btnAnaStop->setEnabled(c.stopEnabled);
    m_cmbAnaInterval->setEnabled(c.intervalEnabled);
    m_cmbRunMode->setEnabled(c.runModeEnabled);
    m_cmbSelESmpP->setEnabled(c.samplingEdgeEnabled);
}

void AnalyzerPanel::onCursorRefresh(int page, unsigned what)
{
    if (page != m_page)
        return;
    if (what & kRefreshOverlay)
        m_imgWave2->update();
    if (what & kRefreshSignalNames)
        m_sgrSignal->viewport()->update();
    m_cursorPanel->refresh(page, what);
    if (what & (kRefreshDifference | kRefreshState | kRefreshOverlay))
        loadMeasurement();
}

void AnalyzerPanel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    FormResize();
}

void AnalyzerPanel::FormResize()
{
    placeControls();
    if (!m_state.controls.startUpDone || m_state.controls.closing || !IsAnalyzerPage(m_page) || !isVisible())
        return;
    for (int page = 0; page < kAnalyzerPageCount; ++page)
        ClearWholeViewCaches(m_state.pageViews[std::size_t(page)]);
    int width = 0;
    int height = 0;
    waveBoxSize(width, height);
    ResizeWaveBox(m_state.pages[std::size_t(m_page)], m_state.pageViews[std::size_t(m_page)], width, height);
    m_state.frontEnd().requestRedraw(m_page);
}

// ---- handlers

void AnalyzerPanel::btnAnaRunClick()
{
    expectNewData(m_page);
    StartCapture(m_state, m_page);
    loadControlStates();
}

void AnalyzerPanel::btnAnaStopClick()
{
    StopCapture(m_state, m_page);
    loadControlStates();
}

void AnalyzerPanel::cmbAnaIntervalChange(int index)
{
    seiran::cmbAnaIntervalChange(m_state, m_page, index);
    m_edtAnaTime->setText(m_state.pages[std::size_t(m_page)].measureTimeText);
}

void AnalyzerPanel::cmbRunModeChange(const QString& text)
{
    seiran::cmbRunModeChange(m_state, m_page, text);
}

void AnalyzerPanel::cmbSelESmpPChange(const QString& text)
{
    seiran::cmbSelESmpPChange(m_state, m_page, text);
}

void AnalyzerPanel::cmbAnaZoomChange(int index)
{
    app::cmbAnaZoomChange(m_state, m_page, index);
    m_cmbAnaZoom->setEditText(ZoomComboText(m_state.pages[std::size_t(m_page)]));
}

void AnalyzerPanel::scrhWaveScroll(int position)
{
    app::scrhWaveScroll(m_state, m_page, position);
}

void AnalyzerPanel::scrvWaveScroll(int position)
{
    app::scrvWaveScroll(m_state, m_page, position);
}

void AnalyzerPanel::sgrTriggerMouseDown(int column, int row)
{
    const int group = m_state.capture.pages[std::size_t(m_page)].activeGroup;
    sgrTriggerLeftClick(m_state, m_page, column, row);
    if (m_state.capture.pages[std::size_t(m_page)].activeGroup != group)
        setUpPage(m_page); // the input group's own settings are shown
    else
        m_sgrTrigger->gridModel().refresh();
    loadMeasurement(); // the CH column chooses the measured channel
}

void AnalyzerPanel::PopupSgrTriggerPopup(int column, int row, const QPoint& globalPosition)
{
    const TriggerPopup popup = seiran::PopupSgrTriggerPopup(m_state, m_page, column, row);
    if (popup.items.isEmpty())
        return;
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("PopupSgrTrigger"));
    for (const QString& item : popup.items)
        menu.addAction(item);
    const QAction* chosen = menu.exec(globalPosition);
    if (!chosen)
        return;
    const int group = m_state.capture.pages[std::size_t(m_page)].activeGroup;
    triggerPopupChoose(m_state, m_page, column, row, chosen->text());
    if (m_state.capture.pages[std::size_t(m_page)].activeGroup != group)
        setUpPage(m_page);
    else
        m_sgrTrigger->gridModel().refresh();
}

void AnalyzerPanel::imgWave2MouseDown(int x, int y, Qt::MouseButton button)
{
    const OverlayHit hit = HitTestCursorOverlay(m_cursors->overlay(m_page), x, y);
    if (hit) {
        // A press on a line keeps its place for the popup, which then zooms around the cursor.
        m_cursors->overlayMouseDown(hit, y);
        if (button == Qt::LeftButton)
            m_dragging = m_cursors->dragStart(hit);
        return;
    }
    seiran::imgWave2MouseDown(m_state.pageViews[std::size_t(m_page)], x, y);
}

void AnalyzerPanel::imgWave2MouseMove(int x, int y, Qt::MouseButtons buttons)
{
    if (m_dragging && (buttons & Qt::LeftButton))
        m_cursors->dragOver(x, y);
}

void AnalyzerPanel::imgWave2MouseUp(int, int, Qt::MouseButton button)
{
    if (m_dragging && button == Qt::LeftButton) {
        m_dragging = false;
        m_cursors->dragEnd();
    }
}

void AnalyzerPanel::PopupImgWave2Popup(const QPoint& globalPosition)
{
    PageState& p = m_state.pages[std::size_t(m_page)];
    PageView& view = m_state.pageViews[std::size_t(m_page)];
    seiran::PopupImgWave2Popup(p, view);
    const WavePopupMenu& items = view.popup;

    QMenu menu(this);
    menu.setObjectName(QStringLiteral("PopupImgWave2"));
    const auto add = [&menu](const PopupMenuItem& item) {
        QAction* action = menu.addAction(item.caption);
        action->setEnabled(item.enabled);
        action->setVisible(item.visible);
        return action;
    };
    const QAction* zoomIn = add(items.zoomIn);
    const QAction* zoomOut = add(items.zoomOut);
    const QAction* center = add(items.center);
    const QAction* vAll = add(items.vAll);
    const QAction* chosen = menu.exec(globalPosition);
    FrontEnd& frontEnd = m_state.frontEnd();
    if (chosen == zoomIn)
        pmnuZoomInClick(p, view, frontEnd, m_page);
    else if (chosen == zoomOut)
        pmnuZoomOutClick(p, view, frontEnd, m_page);
    else if (chosen == center)
        pmnuCenterClick(p, view, frontEnd, m_page);
    else if (chosen == vAll)
        pmnuVAllClick(p, view, frontEnd, m_page);
    m_cmbAnaZoom->setEditText(ZoomComboText(p));
}

// ---- wheel and keyboard navigation

void AnalyzerPanel::imgWave2MouseWheel(int x, int, QPoint angleDelta, Qt::KeyboardModifiers modifiers)
{
    m_wheelRest += angleDelta;
    const QPoint notches(m_wheelRest.x() / kWheelNotch, m_wheelRest.y() / kWheelNotch);
    m_wheelRest -= notches * kWheelNotch;
    if (notches.isNull())
        return;
    PageState& p = m_state.pages[std::size_t(m_page)];
    PageView& view = m_state.pageViews[std::size_t(m_page)];
    bool changed = false;
    if (modifiers & Qt::ControlModifier) {
        changed = ZoomAroundX(p, view, x, notches.y()); // away from the user: zoom in
    } else if ((modifiers & Qt::ShiftModifier) || notches.x() != 0) {
        // Some platforms turn Shift+wheel into a sideways turn themselves.
        const int turn = notches.x() != 0 ? notches.x() : notches.y();
        changed = ScrollByScreens(p, view, -turn * kScreensPerNotch);
    } else {
        changed = ScrollRows(p, view, -notches.y() * kRowsPerNotch);
    }
    afterNavigation(changed);
}

void AnalyzerPanel::afterNavigation(bool changed)
{
    if (!changed)
        return;
    m_cmbAnaZoom->setEditText(ZoomComboText(m_state.pages[std::size_t(m_page)]));
    m_state.frontEnd().requestRedraw(m_page);
}

void AnalyzerPanel::zoomInClick()
{
    afterNavigation(ZoomAroundCentre(m_state.pages[std::size_t(m_page)], m_state.pageViews[std::size_t(m_page)], 1));
}

void AnalyzerPanel::zoomOutClick()
{
    afterNavigation(ZoomAroundCentre(m_state.pages[std::size_t(m_page)], m_state.pageViews[std::size_t(m_page)], -1));
}

void AnalyzerPanel::wholeDataClick()
{
    afterNavigation(ZoomToWholeData(m_state.pages[std::size_t(m_page)], m_state.pageViews[std::size_t(m_page)]));
}

void AnalyzerPanel::goToTriggerClick()
{
    afterNavigation(GoToTrigger(m_state.pages[std::size_t(m_page)], m_state.pageViews[std::size_t(m_page)]));
}

void AnalyzerPanel::goToCursorClick(TimeCursor cursor)
{
    PageState& p = m_state.pages[std::size_t(m_page)];
    afterNavigation(GoToSample(p, m_state.pageViews[std::size_t(m_page)], CursorValue(p, cursor)));
}

void AnalyzerPanel::scrollScreenClick(int direction)
{
    afterNavigation(ScrollByScreens(m_state.pages[std::size_t(m_page)], m_state.pageViews[std::size_t(m_page)],
                                    direction < 0 ? -1.0 : 1.0));
}

} // namespace seiran::app

// Navigation as users of other analyzers expect it, on the window: the mouse wheel over the
// waveform, the keys and menu items, the trigger's mark after a capture, the A-B measurement
// readout, and data files viewed without an instrument.

#include "AnalyzerPanel.h"
#include "AppOptions.h"
#include "LibusbPath.h"
#include "ManualClock.h"
#include "RealClock.h"
#include "SignalGrid.h"
#include "WaveImage.h"
#include "WindowFixture.h"
#include "capture/CaptureSettings.h"
#include "core/AnalyzerState.h"
#include "cursor/CursorController.h"
#include "cursor/EdgeSearch.h"
#include "files/DataFile.h"
#include "render/Navigation.h"
#include "setup/OfflinePage.h"
#include "render/TimeAxis.h"
#include "render/WaveMapping.h"
#include "view/Pages.h"
#include "view/TimeText.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <cstdlib>

namespace seiran {
namespace {

const QString kCaptureDone = QStringLiteral("ロジアナ１ 測定が終わりました。");

// One wheel event over the wave image: `notches` turns away from the user (negative: towards).
void turnWheel(app::WaveImage* image, QPoint at, int notches, Qt::KeyboardModifiers modifiers, bool sideways = false)
{
    const QPoint delta = sideways ? QPoint(notches * 120, 0) : QPoint(0, notches * 120);
    QWheelEvent event(QPointF(at), QPointF(image->mapToGlobal(at)), QPoint(), delta, Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(image, &event);
}

// Runs one capture from the RUN button to its end on the manual clock.
bool captureOnce(test::SimulatedWindow& rig, ManualClock& clock)
{
    AnalyzerState& state = rig.window->state();
    QTest::mouseClick(rig.window->analyzerPanel().btnAnaRun(), Qt::LeftButton);
    const bool done = clock.runUntil([&] { return state.log.lastLine() == kCaptureDone; }, 60 * 1000);
    rig.window->flushRedraws();
    return done;
}

TEST(WindowNavigation, CtrlWheelZoomsThroughTheListAroundThePointer)
{
    ManualClock clock;
    test::SimulatedWindow rig(clock, 11);
    app::MainWindow& window = *rig.window;
    app::AnalyzerPanel& panel = window.analyzerPanel();
    PageState& page = window.state().pages[0];
    PageView& view = window.state().pageViews[0];
    ASSERT_EQ(page.zoomFactor, 1.0);
    CentreOnSample(page, view, page.dataCount / 2);
    window.flushRedraws();

    const QPoint pointer(200, 100);
    const std::int64_t under = SampleUnderX(page, view, pointer.x());
    turnWheel(panel.imgWave2(), pointer, 1, Qt::ControlModifier);
    window.flushRedraws();
    EXPECT_EQ(page.zoomFactor, 2.0);
    EXPECT_EQ(panel.cmbAnaZoom()->currentText(), QStringLiteral("×2"));
    EXPECT_LE(std::abs(SampleX(page, view, under) - pointer.x()), 2);

    turnWheel(panel.imgWave2(), pointer, -3, Qt::ControlModifier);
    window.flushRedraws();
    EXPECT_EQ(page.zoomFactor, 0.25);
    EXPECT_EQ(panel.cmbAnaZoom()->currentText(), QStringLiteral("×1/4"));
    EXPECT_LE(std::abs(SampleX(page, view, under) - pointer.x()), 2);
}

TEST(WindowNavigation, WheelScrollsRowsAndShiftWheelScrollsTimeByLessThanAScreen)
{
    ManualClock clock;
    test::SimulatedWindow rig(clock, 11, QStringLiteral("100MHz 32ch 32Kbit"));
    app::MainWindow& window = *rig.window;
    app::AnalyzerPanel& panel = window.analyzerPanel();
    PageState& page = window.state().pages[0];
    PageView& view = window.state().pageViews[0];
    ASSERT_GT(page.rowScrollMax, 3);

    turnWheel(panel.imgWave2(), QPoint(100, 100), -1, Qt::NoModifier); // towards the user: down
    window.flushRedraws();
    EXPECT_EQ(page.firstRow, 3);
    EXPECT_EQ(panel.scrvWave()->value(), 3);
    turnWheel(panel.imgWave2(), QPoint(100, 100), 5, Qt::NoModifier);
    window.flushRedraws();
    EXPECT_EQ(page.firstRow, 0);

    const int v = ViewWidth(view);
    for (const bool sideways : {false, true}) {
        const std::int64_t probe = SampleUnderX(page, view, v / 2);
        const int before = SampleX(page, view, probe);
        turnWheel(panel.imgWave2(), QPoint(100, 100), -1, sideways ? Qt::NoModifier : Qt::ShiftModifier, sideways);
        window.flushRedraws();
        const int moved = before - SampleX(page, view, probe);
        EXPECT_GT(moved, 0) << sideways;
        EXPECT_LE(moved, v) << sideways;
        EXPECT_EQ(page.firstRow, 0);
    }
    EXPECT_EQ(panel.scrhWave()->value(), page.scrollPosition);
}

// The bar's page step, its arrows and the three lines of a wheel turn on the bar stay within one
// screen (a page step was scrollMax / 16 units: two and a half screens on this page).
TEST(WindowNavigation, ScrollBarStepsStayWithinOneScreen)
{
    ManualClock clock;
    test::SimulatedWindow rig(clock, 11);
    app::MainWindow& window = *rig.window;
    app::AnalyzerPanel& panel = window.analyzerPanel();
    PageState& page = window.state().pages[0];
    PageView& view = window.state().pageViews[0];
    for (const QString& zoom : {QStringLiteral("×1"), QStringLiteral("×128"), QStringLiteral("×1/8")}) {
        const int index = panel.cmbAnaZoom()->findText(zoom);
        ASSERT_GE(index, 0);
        panel.cmbAnaZoomChange(index);
        window.flushRedraws();
        QScrollBar* bar = panel.scrhWave();
        ASSERT_TRUE(bar->isEnabled()) << zoom.toStdString();
        const double unitPixels = double(TotalWidth(page) - ViewWidth(view)) / page.scrollMax;
        EXPECT_LE(bar->pageStep() * unitPixels, ViewWidth(view)) << zoom.toStdString();
        EXPECT_LE(3 * bar->singleStep() * unitPixels, ViewWidth(view)) << zoom.toStdString();
        EXPECT_GE(bar->pageStep(), 1);
    }
}

QAction* findAction(app::MainWindow& window, const char* name)
{
    return window.findChild<QAction*>(QLatin1String(name));
}

TEST(WindowNavigation, KeysAreInTheMenusAndTooltips)
{
    ManualClock clock;
    test::SimulatedWindow rig(clock, 11);
    app::MainWindow& window = *rig.window;
    app::AnalyzerPanel& panel = window.analyzerPanel();
    const app::MainWindow::NavigationActions& nav = window.navigationActions();
    struct Expected {
        QAction* action;
        const char* name;
        QKeySequence key;
    };
    const Expected expected[] = {
        {nav.run, "mnuRun", QKeySequence(Qt::Key_F5)},
        {nav.stop, "mnuStop", QKeySequence(Qt::SHIFT | Qt::Key_F5)},
        {nav.zoomIn, "mnuZoomIn", QKeySequence(QKeySequence::ZoomIn)},
        {nav.zoomOut, "mnuZoomOut", QKeySequence(QKeySequence::ZoomOut)},
        {nav.wholeData, "mnuWholeData", QKeySequence(Qt::CTRL | Qt::Key_0)},
        {nav.goToTrigger, "mnuGoToTrigger", QKeySequence(Qt::CTRL | Qt::Key_T)},
        {nav.goToCursorA, "mnuGoToCursorA", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A)},
        {nav.goToCursorB, "mnuGoToCursorB", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_B)},
        {nav.screenLeft, "mnuScreenLeft", QKeySequence(Qt::CTRL | Qt::Key_Left)},
        {nav.screenRight, "mnuScreenRight", QKeySequence(Qt::CTRL | Qt::Key_Right)},
    };
    QList<QAction*> inMenus;
    for (QAction* top : window.menuBar()->actions())
        if (top->menu())
            inMenus += top->menu()->actions();
    for (const Expected& e : expected) {
        ASSERT_NE(e.action, nullptr) << e.name;
        EXPECT_EQ(e.action, findAction(window, e.name)) << e.name;
        EXPECT_EQ(e.action->shortcut(), e.key) << e.name;
        EXPECT_TRUE(inMenus.contains(e.action)) << e.name;
    }
    EXPECT_TRUE(panel.btnAnaRun()->toolTip().contains(QStringLiteral("F5")));
    EXPECT_TRUE(panel.btnAnaStop()->toolTip().contains(QKeySequence(Qt::SHIFT | Qt::Key_F5).toString(QKeySequence::NativeText)));
    EXPECT_TRUE(panel.cmbAnaZoom()->toolTip().contains(nav.wholeData->shortcut().toString(QKeySequence::NativeText)));
    EXPECT_TRUE(panel.scrhWave()->toolTip().contains(nav.screenRight->shortcut().toString(QKeySequence::NativeText)));

    // The items act on the page shown.
    PageState& page = window.state().pages[0];
    nav.zoomIn->trigger();
    EXPECT_EQ(page.zoomFactor, 2.0);
    nav.zoomOut->trigger();
    nav.zoomOut->trigger();
    EXPECT_EQ(page.zoomFactor, 0.5);
    nav.wholeData->trigger();
    EXPECT_EQ(page.zoomFactor, kWholeDataZoomFactor);
    window.flushRedraws();
    EXPECT_EQ(panel.cmbAnaZoom()->currentText(), QStringLiteral("×全データ"));
    nav.zoomIn->trigger();
    EXPECT_LT(page.zoomFactor, 1.0);

    const int step = panel.cmbAnaZoom()->findText(QStringLiteral("×4"));
    panel.cmbAnaZoomChange(step);
    page.cursorB = page.dataCount - 100;
    nav.goToCursorB->trigger();
    EXPECT_TRUE(SampleInView(page, window.state().pageViews[0], page.cursorB));
    const std::int32_t position = page.scrollPosition;
    nav.screenLeft->trigger();
    EXPECT_LT(page.scrollPosition, position);
    nav.screenRight->trigger();
    EXPECT_EQ(page.scrollPosition, position);

    // RUN and STOP follow the capture's controls.
    window.flushRedraws();
    EXPECT_TRUE(nav.run->isEnabled());
    EXPECT_FALSE(nav.stop->isEnabled());
    nav.run->trigger();
    window.flushRedraws();
    EXPECT_TRUE(page.running);
    EXPECT_FALSE(nav.run->isEnabled());
    EXPECT_TRUE(nav.stop->isEnabled());
    nav.stop->trigger();
    EXPECT_TRUE(page.stopRequested || !page.running);
}

// The keys reach the items from anywhere in the window, the signal list having the focus.
TEST(WindowNavigation, KeysWorkWhileTheSignalListHasTheFocus)
{
    ManualClock clock;
    test::SimulatedWindow rig(clock, 11);
    app::MainWindow& window = *rig.window;
    QApplication::setActiveWindow(&window);
    PageState& page = window.state().pages[0];
    QWidget* focus = window.analyzerPanel().sgrSignal();
    focus->setFocus();
    ASSERT_EQ(QApplication::activeWindow(), &window);

    QTest::keyClick(focus, Qt::Key_0, Qt::ControlModifier);
    EXPECT_EQ(page.zoomFactor, kWholeDataZoomFactor);
    QTest::keyClick(focus, Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_LT(page.zoomFactor, 1.0);
    QTest::keyClick(focus, Qt::Key_F5);
    EXPECT_TRUE(page.running);
    QTest::keyClick(focus, Qt::Key_F5, Qt::ShiftModifier);
    EXPECT_TRUE(page.stopRequested || !page.running);
}

// A capture with the trigger in the middle of the memory opens with the trigger in view, marked
// on the time axis; Ctrl+T brings it back after scrolling away.
TEST(WindowNavigation, CaptureAtTheCentreOpensWithTheTriggerMarkedInView)
{
    ManualClock clock;
    test::SimulatedWindow rig(clock, 11);
    app::MainWindow& window = *rig.window;
    AnalyzerState& state = window.state();
    app::AnalyzerPanel& panel = window.analyzerPanel();
    PageState& page = state.pages[0];
    PageView& view = state.pageViews[0];
    page.triggerText[0] = QStringLiteral("中央");
    SendTriggerSettings(state, 0);
    ASSERT_TRUE(captureOnce(rig, clock));
    ASSERT_TRUE(page.hasData);
    ASSERT_GT(page.triggerPosition, ViewWidth(view)); // far right of the left edge at ×1

    ASSERT_TRUE(SampleInView(page, view, page.triggerPosition));
    const int x = SampleX(page, view, page.triggerPosition);
    const QImage& picture = panel.imgWave2()->picture();
    const QRgb marker = qRgb(kTriggerMarkerColour.r, kTriggerMarkerColour.g, kTriggerMarkerColour.b);
    EXPECT_EQ(picture.pixel(x, cursorLineTop - 1) & 0xFFFFFFu, marker & 0xFFFFFFu);
    EXPECT_EQ(picture.pixel(x - 2, cursorLineTop - 3) & 0xFFFFFFu, marker & 0xFFFFFFu);

    ScrollSampleToX(page, view, 0, waveLeftMargin);
    window.flushRedraws();
    ASSERT_FALSE(SampleInView(page, view, page.triggerPosition));
    window.navigationActions().goToTrigger->trigger();
    window.flushRedraws();
    EXPECT_TRUE(SampleInView(page, view, page.triggerPosition));
}

TEST(WindowNavigation, ReadoutMeasuresTheSelectedChannelBetweenAAndB)
{
    ManualClock clock;
    test::SimulatedWindow rig(clock, 11);
    app::MainWindow& window = *rig.window;
    AnalyzerState& state = window.state();
    app::AnalyzerPanel& panel = window.analyzerPanel();
    PageState& page = state.pages[0];
    ASSERT_TRUE(captureOnce(rig, clock));

    // Cursors on two successive rising edges of channel 0, found by the edge search.
    page.cursorA = 0;
    ASSERT_TRUE(NextEdge(page, TimeCursor::A));
    if (!page.sampleBits.level(0, page.cursorA)) {
        ASSERT_TRUE(NextEdge(page, TimeCursor::A));
    }
    page.cursorB = page.cursorA;
    ASSERT_TRUE(NextEdge(page, TimeCursor::B));
    ASSERT_TRUE(NextEdge(page, TimeCursor::B));
    const std::int32_t period = page.cursorB - page.cursorA;
    panel.cursors().cursorsChanged(0);

    const QString text = panel.lblMeasure()->text();
    EXPECT_TRUE(text.startsWith(QStringLiteral("CH0 周期 ") + FormatTimeText(state.intervalText(0), period * ParseTimeText(state.intervalText(0)))))
        << text.toStdString();
    EXPECT_TRUE(text.endsWith(QStringLiteral("↑2 ↓1"))) << text.toStdString();
    EXPECT_TRUE(panel.lblMeasure()->toolTip().contains(QStringLiteral("デューティ比")));

    // Another channel chosen in the trigger grid's CH column is measured instead.
    page.channelSelected.fill(false);
    page.channelSelected[8] = true;
    panel.cursors().cursorsChanged(0);
    EXPECT_TRUE(panel.lblMeasure()->text().startsWith(QStringLiteral("CH8 "))) << panel.lblMeasure()->text().toStdString();
}

// Saves a capture of the simulated instrument and returns the file.
QString savedCapture(const QTemporaryDir& dir)
{
    ManualClock clock;
    test::SimulatedWindow rig(clock, 11);
    EXPECT_TRUE(captureOnce(rig, clock));
    const QString file = dir.filePath(QStringLiteral("capture.ana"));
    EXPECT_TRUE(SaveDataFile(rig.window->state(), 0, file));
    return file;
}

TEST(WindowNavigation, WithoutAnInstrumentAFileOpensOnAnOfflinePage)
{
    QTemporaryDir dir;
    const QString file = savedCapture(dir);
    QFile broken(dir.filePath(QStringLiteral("broken.ana")));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not a data file\r\n");
    broken.close();

    RealClock clock;
    test::ProgramFolder folder;
    LibusbPath usb;
    app::MainWindow window(clock, usb, folder.path());
    window.startUp();
    AnalyzerState& state = window.state();
    ASSERT_TRUE(ViewingOffline(state));
    const QStringList log = state.log.lines();
    EXPECT_TRUE(log.join(QLatin1Char('\n')).contains(QStringLiteral("--simulate")));
    EXPECT_TRUE(log.join(QLatin1Char('\n')).contains(QStringLiteral("udev")));
    EXPECT_TRUE(window.openMenu()->isEnabled());

    // A file that is no data file leaves the page hidden.
    EXPECT_FALSE(window.openFile(broken.fileName()));
    EXPECT_FALSE(window.pageControl().isTabVisible(0));

    ASSERT_TRUE(window.openFile(file));
    EXPECT_TRUE(state.log.lines().contains(QStringLiteral("データファイルを開きました。")));
    EXPECT_TRUE(window.pageControl().isTabVisible(0));
    EXPECT_EQ(window.pageControl().currentIndex(), 0);
    const PageState& page = state.pages[0];
    EXPECT_TRUE(page.hasData);
    EXPECT_EQ(page.channelCount, 16);
    EXPECT_GT(page.dataCount, 1024); // laid out from the file, not the reader's default
    EXPECT_TRUE(state.instrument.module(page.PageModule).isAnalyzer());
    EXPECT_FALSE(window.analyzerPanel().btnAnaRun()->isEnabled());
    window.flushRedraws();
    EXPECT_EQ(window.analyzerPanel().imgWave2()->picture().size(), window.analyzerPanel().imgWave2()->size());
    // The view works as on a captured page.
    EXPECT_TRUE(window.navigationActions().zoomIn->isEnabled());
    window.navigationActions().zoomIn->trigger();
    EXPECT_EQ(page.zoomFactor, 2.0);
}

TEST(WindowNavigation, ADataFileOnTheCommandLine)
{
    const app::ParsedOptions one = app::parseAppOptions({QStringLiteral("seiran"), QStringLiteral("a.ana")});
    EXPECT_TRUE(one.error.isEmpty());
    EXPECT_EQ(one.options.dataFile, QStringLiteral("a.ana"));
    const app::ParsedOptions two =
        app::parseAppOptions({QStringLiteral("seiran"), QStringLiteral("a.ana"), QStringLiteral("b.ana")});
    EXPECT_FALSE(two.error.isEmpty());
    const app::ParsedOptions none = app::parseAppOptions({QStringLiteral("seiran"), QStringLiteral("--simulate"), QStringLiteral("11")});
    EXPECT_TRUE(none.options.dataFile.isEmpty());
}

} // namespace
} // namespace seiran

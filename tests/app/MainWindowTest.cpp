// The analyzer window on the simulated instrument: start-up, the pages it shows, a capture from
// the RUN button to the drawn picture, and the dialogs of the window.

#include "AnalyzerPanel.h"
#include "CursorPanel.h"
#include "DisplayBox.h"
#include "LibusbPath.h"
#include "ManualClock.h"
#include "RealClock.h"
#include "SimulatedInstrument.h"
#include "SignalGrid.h"
#include "SplashForm.h"
#include "TriggerGridView.h"
#include "VersionBox.h"
#include "WaveImage.h"
#include "WindowFixture.h"
#include "capture/RunControl.h"
#include "core/AnalyzerState.h"
#include "view/Pages.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>

namespace seiran {
namespace {

const QString kCaptureDone = QStringLiteral("ロジアナ１ 測定が終わりました。");

bool isBlack(const QImage& picture, int x, int y) { return (picture.pixel(x, y) & 0xFFFFFFu) == 0; }

// Picks an interval from the page's list by its text, as the user does.
void chooseInterval(app::AnalyzerPanel& panel, const QString& text)
{
    const int index = panel.cmbAnaInterval()->findText(text);
    ASSERT_GE(index, 0) << text.toStdString();
    panel.cmbAnaInterval()->setCurrentIndex(index);
    panel.cmbAnaIntervalChange(index);
}

// Runs the event loop until `done` or the limit; the limit only keeps a broken run from hanging.
bool waitOnEventLoop(const std::function<bool()>& done, int limitMs)
{
    const QDeadlineTimer deadline(limitMs);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(1);
    }
    return done();
}

TEST(MainWindow, StartsWithTheInstrumentsPagesAfterTheDownloadWindowMoved)
{
    ManualClock clock;
    test::SimulatedWindow rig(clock, 11);
    app::MainWindow& window = *rig.window;
    const AnalyzerState& state = window.state();

    EXPECT_EQ(window.windowTitle(), QStringLiteral("Seiran"));
    EXPECT_EQ(state.log.lastLine(), QStringLiteral("ハードウェアは正常です。"));

    const QStringList captions{"ロジアナ１", "ロジアナ２", "ロジアナ３", "ロジアナ４", "信号発生１",
                               "信号発生２", "信号発生３", "信号発生４", "プロトコル", "テスト"};
    QTabWidget& tabs = window.pageControl();
    ASSERT_EQ(tabs.count(), kPageCount);
    for (int page = 0; page < kPageCount; ++page) {
        EXPECT_EQ(tabs.tabText(page), captions[page]);
        EXPECT_EQ(tabs.isTabVisible(page), state.controls.pageTabVisible[std::size_t(page)]) << page;
    }
    EXPECT_TRUE(tabs.isTabVisible(0));
    EXPECT_TRUE(tabs.isTabVisible(kProtocolPage));
    EXPECT_FALSE(tabs.isTabVisible(kTestPage));
    // Pages without a module on this instrument stay hidden.
    EXPECT_FALSE(tabs.isTabVisible(3));
    EXPECT_EQ(tabs.currentIndex(), 0);

    // The bar moved from 10 to 100 in steps, was painted each time, and the window went away.
    const std::vector<int>& painted = window.splashForm().paintedProgress();
    ASSERT_GE(painted.size(), 5u);
    EXPECT_EQ(painted.front(), 10);
    EXPECT_EQ(painted.back(), 100);
    EXPECT_TRUE(std::is_sorted(painted.begin(), painted.end()));
    EXPECT_FALSE(window.splashForm().isVisible());
    EXPECT_EQ(window.splashForm().windowTitle(), QStringLiteral("ダウンロード"));

    // The log under the pages holds what the state logged.
    EXPECT_EQ(window.memMessage().toPlainText(), state.log.lines().join(QLatin1Char('\n')));
    EXPECT_EQ(window.height(), state.controls.windowHeight);
}

TEST(MainWindow, CaptureIsDrawnWithTransitionsWhereTheSamplesChange)
{
    ManualClock clock;
    test::SimulatedWindow rig(clock, 11);
    app::MainWindow& window = *rig.window;
    AnalyzerState& state = window.state();
    app::AnalyzerPanel& panel = window.analyzerPanel();
    chooseInterval(panel, QStringLiteral("100nS"));

    QTest::mouseClick(panel.btnAnaRun(), Qt::LeftButton);
    window.flushRedraws();
    EXPECT_TRUE(state.pages[0].running);
    EXPECT_FALSE(panel.btnAnaRun()->isEnabled());
    EXPECT_TRUE(panel.btnAnaStop()->isEnabled());
    EXPECT_FALSE(panel.cmbAnaInterval()->isEnabled());
    EXPECT_FALSE(window.hardwareMenu()->isEnabled());

    ASSERT_TRUE(clock.runUntil([&] { return state.log.lastLine() == kCaptureDone; }, 60 * 1000));
    window.flushRedraws();
    EXPECT_TRUE(panel.btnAnaRun()->isEnabled());
    EXPECT_FALSE(panel.btnAnaStop()->isEnabled());
    EXPECT_TRUE(window.hardwareMenu()->isEnabled());
    EXPECT_TRUE(window.memMessage().toPlainText().endsWith(kCaptureDone));

    const PageState& page = state.pages[0];
    const PageView& view = state.pageViews[0];
    ASSERT_TRUE(page.hasData);
    ASSERT_EQ(page.zoomFactor, 1.0);
    ASSERT_EQ(page.scrollPosition, 0);
    const QImage& picture = panel.imgWave2()->picture();
    ASSERT_EQ(picture.width(), view.waveBoxWidth);
    const int v = view.waveBoxWidth - 4;

    // At ×1 and scrolled to the start, the sample at index n begins at x = 15 + n. In a run of
    // equal samples the trace lies on that level only; where a sample differs from the one before,
    // a vertical line joins both levels.
    long long transitionsSeen = 0;
    ASSERT_GE(view.rows.count, 8);
    for (int r = 0; r < view.rows.count; ++r) {
        const VisibleRow& row = view.rows.rows[std::size_t(r)];
        ASSERT_EQ(row.channels, 1);
        ASSERT_EQ(row.highY, r * 20 + 43);
        ASSERT_EQ(row.lowY, r * 20 + 55);
        const int channel = row.firstChannel;
        const int midY = (row.highY + row.lowY) / 2;
        int expected = 0;
        int drawn = 0;
        for (int n = 1; 15 + n < v && n + 1 < page.dataCount; ++n) {
            const int x = 15 + n;
            const bool level = page.sampleBits.level(channel, n);
            const bool before = page.sampleBits.level(channel, n - 1);
            const bool after = page.sampleBits.level(channel, n + 1);
            if (level != before) {
                ++expected;
                EXPECT_TRUE(isBlack(picture, x, row.highY) && isBlack(picture, x, row.lowY))
                    << "channel " << channel << " sample " << n;
            } else if (level == after) {
                EXPECT_TRUE(isBlack(picture, x, level ? row.highY : row.lowY)) << "channel " << channel << " sample " << n;
                EXPECT_FALSE(isBlack(picture, x, level ? row.lowY : row.highY)) << "channel " << channel << " sample " << n;
            }
            drawn += isBlack(picture, x, midY) ? 1 : 0;
        }
        EXPECT_EQ(drawn, expected) << "channel " << channel;
        transitionsSeen += expected;
    }
    EXPECT_GT(transitionsSeen, 50); // the test signals are busy: the check above had work to do

    // Cursor A stands on the trigger sample (x = 15) over the picture, not in it.
    ASSERT_EQ(page.cursorA, 0);
    const QImage shown = panel.imgWave2()->composedPicture();
    const int y = view.rows.rows[0].highY + 6; // between the levels of row 0
    EXPECT_EQ(shown.pixelColor(15, y), QColor(0, 0, 255));
    EXPECT_NE(picture.pixelColor(15, y), QColor(0, 0, 255));
}

TEST(MainWindow, CursorStepMovesTheLineWithoutDrawingTheWaveformAgain)
{
    ManualClock clock;
    test::SimulatedWindow rig(clock, 11);
    app::MainWindow& window = *rig.window;
    AnalyzerState& state = window.state();
    app::AnalyzerPanel& panel = window.analyzerPanel();
    app::CursorGrid* steps = panel.cursorPanel()->sgrAnaCursor();
    ASSERT_EQ(state.pages[0].cursorA, 0);
    const int drawn = window.redrawCount();

    // Row 0 acts on A; column 2 is "->", one sample a press at ×1.
    const QRect right = steps->visualRect(steps->model()->index(0, 2));
    QTest::mousePress(steps->viewport(), Qt::LeftButton, {}, right.center());
    QTest::mouseRelease(steps->viewport(), Qt::LeftButton, {}, right.center());
    window.flushRedraws();
    EXPECT_EQ(state.pages[0].cursorA, 1);
    EXPECT_EQ(window.redrawCount(), drawn);
    const QImage shown = panel.imgWave2()->composedPicture();
    const int y = state.pageViews[0].rows.rows[0].highY + 6;
    EXPECT_EQ(shown.pixelColor(16, y), QColor(0, 0, 255));
    EXPECT_NE(shown.pixelColor(15, y), QColor(0, 0, 255));
    // The difference field follows: B − A of 99 samples at 5 nS.
    EXPECT_EQ(panel.cursorPanel()->edtAnaAtoB()->text(), QStringLiteral("495nS"));
}

TEST(MainWindow, WavePopupZoomsIn)
{
    ManualClock clock;
    test::SimulatedWindow rig(clock, 11);
    app::MainWindow& window = *rig.window;
    app::AnalyzerPanel& panel = window.analyzerPanel();
    QTimer::singleShot(0, &window, [] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        QAction* zoomIn = nullptr;
        QStringList shown;
        for (QAction* action : menu->actions()) {
            if (action->isVisible())
                shown << action->text();
            if (action->text() == QStringLiteral("Zoom In"))
                zoomIn = action;
        }
        EXPECT_EQ(shown, (QStringList{"Zoom In", "Zoom Out"}));
        ASSERT_NE(zoomIn, nullptr);
        menu->setActiveAction(zoomIn);
        QTest::keyClick(menu, Qt::Key_Return);
    });
    panel.PopupImgWave2Popup(panel.imgWave2()->mapToGlobal(QPoint(100, 100)));
    window.flushRedraws();
    EXPECT_EQ(window.state().pages[0].zoomFactor, 2.0);
    EXPECT_EQ(panel.cmbAnaZoom()->currentText(), QStringLiteral("×2"));
}

TEST(MainWindow, ResizeLaysThePageOutForTheNewWaveBox)
{
    ManualClock clock;
    test::SimulatedWindow rig(clock, 11);
    app::MainWindow& window = *rig.window;
    app::AnalyzerPanel& panel = window.analyzerPanel();
    const int before = window.state().pageViews[0].waveBoxWidth;
    window.resize(window.width() + 200, window.height() + 100);
    QCoreApplication::processEvents();
    window.flushRedraws();
    const PageView& view = window.state().pageViews[0];
    EXPECT_EQ(view.waveBoxWidth, before + 200);
    EXPECT_EQ(view.waveBoxWidth, panel.imgWave2()->width());
    EXPECT_EQ(view.waveBoxHeight, panel.imgWave2()->height());
    EXPECT_EQ(panel.imgWave2()->picture().size(), panel.imgWave2()->size());
}

TEST(MainWindow, FailedModeDownloadLeavesRunDisabled)
{
    ManualClock clock;
    test::ProgramFolder folder;
    folder.addConfiguration(QStringLiteral("200MHz 16ch 32Kbit"), 11); // the new mode's file is missing
    auto instrument = sim::makeSimulatedInstrument(11, &clock);
    app::MainWindow window(clock, *instrument, folder.path());
    app::StartOptions options;
    options.mode = QStringLiteral("200MHz 16ch 256Kbit");
    window.startUp(options);
    EXPECT_TRUE(window.state().instrument.DownloadFailed);
    EXPECT_TRUE(window.state().log.lastLine().endsWith(QStringLiteral("が見つかりません。")));
    EXPECT_FALSE(window.analyzerPanel().btnAnaRun()->isEnabled());
}

TEST(MainWindow, CaptureEndsOnTheEventLoopWithTheRealClock)
{
    RealClock clock;
    test::SimulatedWindow rig(clock, 11);
    app::MainWindow& window = *rig.window;
    AnalyzerState& state = window.state();
    app::AnalyzerPanel& panel = window.analyzerPanel();
    const int drawnBefore = window.redrawCount();

    panel.btnAnaRun()->click();
    ASSERT_TRUE(waitOnEventLoop([&] { return state.log.lastLine() == kCaptureDone; }, 30 * 1000));
    ASSERT_TRUE(waitOnEventLoop([&] { return panel.btnAnaRun()->isEnabled(); }, 5 * 1000));
    EXPECT_FALSE(panel.btnAnaStop()->isEnabled());
    EXPECT_TRUE(window.hardwareMenu()->isEnabled());
    EXPECT_TRUE(state.pages[0].hasData);
    EXPECT_GT(window.redrawCount(), drawnBefore);
    EXPECT_EQ(window.memMessage().toPlainText(), state.log.lines().join(QLatin1Char('\n')));
}

TEST(MainWindow, RedrawRequestsComeTogetherInOneDrawing)
{
    ManualClock clock;
    test::SimulatedWindow rig(clock, 11);
    app::MainWindow& window = *rig.window;
    const int before = window.redrawCount();
    for (int i = 0; i < 100; ++i)
        window.requestRedraw(0);
    window.requestRedraw(5); // a page not shown is drawn when it is shown
    window.flushRedraws();
    EXPECT_EQ(window.redrawCount(), before + 1);
    window.flushRedraws();
    EXPECT_EQ(window.redrawCount(), before + 1);
}

TEST(MainWindow, LogDeletesItsLastLinesAsTheStateDoes)
{
    ManualClock clock;
    test::SimulatedWindow rig(clock, 11);
    app::MainWindow& window = *rig.window;
    AnalyzerState& state = window.state();
    state.log.AddMessage(QStringLiteral("一"));
    state.log.AddMessage(QStringLiteral("二"));
    state.log.AddMessage(QStringLiteral("三"));
    state.log.deleteLastLines(2);
    EXPECT_EQ(window.memMessage().toPlainText(), state.log.lines().join(QLatin1Char('\n')));
    EXPECT_TRUE(window.memMessage().toPlainText().endsWith(QStringLiteral("一")));
    state.log.clear();
    EXPECT_TRUE(window.memMessage().toPlainText().isEmpty());
    state.log.AddMessage(QStringLiteral("四"));
    EXPECT_EQ(window.memMessage().toPlainText(), QStringLiteral("四"));
}

TEST(MainWindow, TriggerGridClickCyclesTheCondition)
{
    ManualClock clock;
    test::SimulatedWindow rig(clock, 11);
    app::MainWindow& window = *rig.window;
    AnalyzerState& state = window.state();
    app::TriggerGridView* grid = window.analyzerPanel().sgrTrigger();
    const QModelIndex cell = grid->model()->index(2, 1); // channel 0's condition
    ASSERT_EQ(cell.data().toString(), QStringLiteral("Rise"));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(cell).center());
    EXPECT_EQ(state.pages[0].triggerText[1], QStringLiteral("Fall"));
    EXPECT_EQ(cell.data().toString(), QStringLiteral("Fall"));
}

TEST(MainWindow, ShiftArrowSelectsPastTheLastVisibleRow)
{
    ManualClock clock;
    test::SimulatedWindow rig(clock, 11, QStringLiteral("100MHz 32ch 32Kbit"));
    app::MainWindow& window = *rig.window;
    AnalyzerState& state = window.state();
    const PageState& page = state.pages[0];
    ASSERT_EQ(page.rowCount, 32);
    app::SignalGrid* grid = window.analyzerPanel().sgrSignal();
    const int shown = state.pageViews[0].rows.count;
    ASSERT_GT(shown, 4);
    ASSERT_LT(shown, page.rowCount);

    const QModelIndex last = grid->model()->index(shown, 0);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(last).center());
    QTest::keyClick(grid, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(grid, Qt::Key_Down, Qt::ShiftModifier);
    window.flushRedraws();

    EXPECT_EQ(page.firstRow, 2);
    const app::SignalListSelection& selection = grid->selection(0);
    EXPECT_EQ(selection.top, shown);
    EXPECT_EQ(selection.bottom, shown + 2);
    // The list shows the rows from the new first row.
    EXPECT_EQ(grid->model()->index(1, 0).data().toString(), QStringLiteral("CH2"));
}

TEST(MainWindow, WholeDataViewHasNoHorizontalScroll)
{
    ManualClock clock;
    test::SimulatedWindow rig(clock, 11);
    app::AnalyzerPanel& panel = rig.window->analyzerPanel();
    const int whole = panel.cmbAnaZoom()->findText(QStringLiteral("全データ"));
    ASSERT_GE(whole, 0);
    panel.cmbAnaZoomChange(whole);
    rig.window->flushRedraws();
    EXPECT_EQ(panel.cmbAnaZoom()->currentText(), QStringLiteral("×全データ"));
    EXPECT_FALSE(panel.scrhWave()->isEnabled());

    panel.cmbAnaZoomChange(panel.cmbAnaZoom()->findText(QStringLiteral("×1")));
    rig.window->flushRedraws();
    EXPECT_EQ(panel.cmbAnaZoom()->currentText(), QStringLiteral("×1"));
    EXPECT_TRUE(panel.scrhWave()->isEnabled()); // 32768 samples do not fit at one pixel each
}

TEST(MainWindow, DisplayDialogNumbersTheChannelsFromOne)
{
    ManualClock clock;
    test::SimulatedWindow rig(clock, 11);
    app::MainWindow& window = *rig.window;
    AnalyzerState& state = window.state();
    const int msb = state.pages[0].stateMsb;
    QTimer::singleShot(0, &window, [&window] {
        app::DisplayBox& box = window.displayBox();
        EXPECT_TRUE(box.isVisible());
        EXPECT_EQ(box.windowTitle(), QStringLiteral("表示"));
        EXPECT_EQ(box.cmbChStNo()->currentText(), QStringLiteral("0"));
        EXPECT_TRUE(box.cboxHeavyLine()->isChecked());
        box.cmbChStNo()->setCurrentText(QStringLiteral("1"));
        box.okButton()->click();
    });
    window.mnuDisplayClick();

    EXPECT_EQ(state.settings.channelOrigin, 1);
    EXPECT_EQ(state.pages[0].stateMsb, msb + 1);
    const QModelIndex firstChannel = window.analyzerPanel().sgrTrigger()->model()->index(2, 0);
    EXPECT_EQ(firstChannel.data().toString(), QStringLiteral("1"));
    QFile settings(QDir(rig.folder.path()).filePath(QStringLiteral("Seiran.ini")));
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = settings.readAll().split('\n');
    ASSERT_GT(lines.size(), 8);
    EXPECT_EQ(lines[8].trimmed(), QByteArray("1"));
}

TEST(MainWindow, DisplayDialogCancelKeepsTheSettings)
{
    ManualClock clock;
    test::SimulatedWindow rig(clock, 11);
    app::MainWindow& window = *rig.window;
    AnalyzerState& state = window.state();
    QTimer::singleShot(0, &window, [&window] {
        app::DisplayBox& box = window.displayBox();
        box.cboxHeavyLine()->click(); // the live setting changes at once
        EXPECT_FALSE(window.state().settings.heavyLowLine);
        box.cancelButton()->click();
    });
    window.mnuDisplayClick();
    EXPECT_TRUE(state.settings.heavyLowLine);
    EXPECT_TRUE(window.displayBox().cboxHeavyLine()->isChecked());
}

TEST(MainWindow, VersionBoxShowsTheProductAndItsVersion)
{
    ManualClock clock;
    test::SimulatedWindow rig(clock, 11);
    app::MainWindow& window = *rig.window;
    bool seen = false;
    QTimer::singleShot(0, &window, [&window, &seen] {
        auto* box = window.findChild<app::VersionBox*>();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->windowTitle(), QStringLiteral("バージョン情報"));
        EXPECT_EQ(box->findChild<QLabel*>(QStringLiteral("ProductName"))->text(), QStringLiteral("セイラン"));
        EXPECT_EQ(box->findChild<QLabel*>(QStringLiteral("Version"))->text(), QStringLiteral("Version 5.40"));
        seen = true;
        box->accept();
    });
    window.mnuAboutClick();
    EXPECT_TRUE(seen);
}

TEST(MainWindow, WithoutAnInstrumentOnlyTheProtocolPageIsOpen)
{
    RealClock clock;
    test::ProgramFolder folder;
    LibusbPath usb;
    app::MainWindow window(clock, usb, folder.path());
    window.startUp();
    const AnalyzerState& state = window.state();
    EXPECT_TRUE(state.log.lines().contains(QStringLiteral("セイランが見つかりません。")));
    for (int page = 0; page < kProtocolPage; ++page)
        EXPECT_FALSE(window.pageControl().isTabVisible(page)) << page;
    EXPECT_TRUE(window.pageControl().isTabVisible(kProtocolPage));
    EXPECT_EQ(window.pageControl().currentIndex(), kProtocolPage);
    EXPECT_FALSE(window.hardwareMenu()->isEnabled());
    EXPECT_TRUE(window.splashForm().paintedProgress().empty());
}

} // namespace
} // namespace seiran

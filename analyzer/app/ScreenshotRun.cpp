#include "ScreenshotRun.h"

#include "AnalyzerPanel.h"
#include "AppOptions.h"
#include "MainWindow.h"
#include "capture/CaptureSettings.h"
#include "capture/RunControl.h"
#include "cursor/CursorController.h"
#include "render/Navigation.h"
#include "core/AnalyzerState.h"
#include "view/PageLists.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QPixmap>
#include <QThread>

#include <cstdio>

namespace seiran::app {

namespace {

constexpr int kCaptureLimitMs = 120 * 1000;

void fail(const QString& why) { std::fprintf(stderr, "seiran: %s\n", why.toUtf8().constData()); }

bool parseRowRange(const QString& text, int& first, int& last)
{
    const QStringList parts = text.split(QLatin1Char('-'));
    bool ok1 = false;
    bool ok2 = false;
    if (parts.size() != 2)
        return false;
    first = parts[0].toInt(&ok1);
    last = parts[1].toInt(&ok2);
    return ok1 && ok2;
}

} // namespace

bool joinRowsIntoBus(PageState& page, int first, int last)
{
    if (first < 0 || last <= first || last >= page.rowCount)
        return false;
    int firstChannel = 0;
    for (int r = 0; r < first; ++r)
        firstChannel += page.rowChannelCount[std::size_t(r)];
    for (int r = first; r <= last; ++r)
        if (page.rowChannelCount[std::size_t(r)] != 1)
            return false;
    const int n = last - first;
    page.rowChannelCount[std::size_t(first)] = n + 1;
    page.signalName[std::size_t(first)] = QStringLiteral("BUS[%1..%2]").arg(firstChannel + n).arg(firstChannel);
    page.rowRadix[std::size_t(first)] = QStringLiteral("HEX");
    for (int r = first + 1; r < kMaxRows; ++r) {
        const int from = r + n;
        const bool inUse = from < page.rowCount;
        page.rowChannelCount[std::size_t(r)] = inUse ? page.rowChannelCount[std::size_t(from)] : 0;
        page.signalName[std::size_t(r)] = inUse ? page.signalName[std::size_t(from)] : QString();
        page.rowRadix[std::size_t(r)] = inUse ? page.rowRadix[std::size_t(from)] : QString();
    }
    page.rowCount -= n;
    page.rowScrollMax = page.rowCount - 1;
    page.firstRow = std::min(page.firstRow, page.rowScrollMax);
    return true;
}

int runScreenshot(MainWindow& window, const AppOptions& options)
{
    AnalyzerState& state = window.state();
    const int page = options.page;
    if (page >= state.instrument.AnalyzerPageCount || !state.controls.pageTabVisible[std::size_t(page)]) {
        fail(QStringLiteral("page %1 has no analyzer module").arg(page));
        return 1;
    }
    window.showPage(page);
    AnalyzerPanel& panel = window.analyzerPanel();

    if (!options.interval.isEmpty()) {
        const int index = panel.cmbAnaInterval()->findText(options.interval);
        if (index < 0) {
            fail(QStringLiteral("no interval '%1' on this page").arg(options.interval));
            return 2;
        }
        panel.cmbAnaInterval()->setCurrentIndex(index);
        panel.cmbAnaIntervalChange(index);
    }
    if (!options.bus.isEmpty()) {
        int first = 0;
        int last = 0;
        if (!parseRowRange(options.bus, first, last) || !joinRowsIntoBus(state.pages[std::size_t(page)], first, last)) {
            fail(QStringLiteral("rows '%1' cannot be joined into a bus").arg(options.bus));
            return 2;
        }
        window.showPage(page);
    }

    // A data file opened from the command line is shown as it is; otherwise one capture runs.
    if (options.dataFile.isEmpty()) {
        if (!options.position.isEmpty()) {
            state.pages[std::size_t(page)].triggerText[0] = options.position;
            SendTriggerSettings(state, page);
        }

        panel.btnAnaRunClick();
        const QDeadlineTimer deadline(kCaptureLimitMs);
        while (anyPageBusy(state) && !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            QThread::msleep(2);
        }
        if (anyPageBusy(state)) {
            panel.btnAnaStopClick();
            fail(QStringLiteral("the capture did not end in time"));
            return 1;
        }
    }

    if (!options.zoom.isEmpty()) {
        const int index = int(BuildZoomList(state.pages[std::size_t(page)]).indexOf(options.zoom));
        if (index < 0) {
            fail(QStringLiteral("no zoom '%1' on this page").arg(options.zoom));
            return 2;
        }
        panel.cmbAnaZoomChange(index);
    }
    window.flushRedraws();
    if (options.cursorsSet) {
        PageState& p = state.pages[std::size_t(page)];
        const std::int64_t trigger = TriggerSample(p);
        p.cursorA = std::int32_t(trigger + options.cursorAFromTrigger);
        p.cursorB = std::int32_t(trigger + options.cursorBFromTrigger);
        panel.cursors().cursorsChanged(page);
        window.flushRedraws();
    }
    QCoreApplication::processEvents();
    const QPixmap picture = window.grab();
    if (!picture.save(options.screenshotFile, "PNG")) {
        fail(QStringLiteral("cannot write %1").arg(options.screenshotFile));
        return 1;
    }
    return state.pages[std::size_t(page)].hasData ? 0 : 1;
}

} // namespace seiran::app

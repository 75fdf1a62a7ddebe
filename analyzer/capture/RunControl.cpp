#include "RunControl.h"

#include "CommandCodes.h"
#include "RoundToInt.h"
#include "FrontEnd.h"
#include "capture/CaptureSettings.h"
#include "capture/Compare.h"
#include "capture/RepeatCompare.h"
#include "capture/RunModes.h"
#include "capture/Transfer.h"
#include "core/AnalyzerState.h"
#include "core/Timers.h"
#include "view/Pages.h"
#include "view/TimeText.h"

#include <array>

namespace seiran {

namespace {

constexpr std::uint32_t kStatusRunning = 0x1;
constexpr std::uint32_t kStatusStopping = 0x2;
constexpr int kUsbPollMs = 200;
constexpr int kRemotePollMs = 1000;
// Status reads in a row that may fail before the captures are given up (each failed read has
// already waited out its transfer time-out).
constexpr int kFailedReadLimit = 5;

const QString kStartFailed = QStringLiteral(" 測定を開始できませんでした。");
const QString kCaptureAbandoned = QStringLiteral(" 測定を中止しました。");
const QString kStatusReadFailed = QStringLiteral("モジュールの状態を読み出せませんでした。");

void send(AnalyzerState& state, int page, int code, std::uint32_t value = 0)
{
    const std::array<std::uint32_t, 2> words{value, 0};
    state.commands.SendCommand(state.pages[std::size_t(page)].PageModule, code, 8, words);
}

const ModuleInfo& moduleOf(const AnalyzerState& state, int page)
{
    return state.instrument.module(state.pages[std::size_t(page)].PageModule);
}

bool isShown(const AnalyzerState& state, int page)
{
    return state.controls.currentPage == page;
}

void redrawIfShown(AnalyzerState& state, int page)
{
    if (isShown(state, page))
        state.frontEnd().requestRedraw(page);
}

void logWithCaption(AnalyzerState& state, int page, const QString& text)
{
    state.log.AddMessage(PageCaption(page) + text);
}

// The controls of a page that has gone idle (applied when it is the page shown).
void setIdleControls(AnalyzerState& state, int page)
{
    if (!isShown(state, page))
        return;
    AnalyzerControls& c = state.controls.analyzer;
    c.runEnabled = true;
    c.stopEnabled = false;
    c.intervalEnabled = true;
    c.runModeEnabled = true;
    c.samplingEdgeEnabled = true;
}

void restartCapture(AnalyzerState& state, int page)
{
    ResetCaptureLogic(state, page);
    send(state, page, cmd::kStartCapture, std::uint32_t(state.pages[std::size_t(page)].runStartWord));
    ScheduleTriggerArm(state, page);
}

// The end line of a capture; repeat modes keep the log short by replacing the lines of the
// previous cycle.
void logCaptureEnd(AnalyzerState& state, int page)
{
    const PageState& p = state.pages[std::size_t(page)];
    const ModuleInfo& module = moduleOf(state, page);
    if (module.ModuleSamplingEnable || module.ModuleEdgeSampling) {
        logWithCaption(state, page, QStringLiteral(" バッファが一杯になりました。 ") + state.timeStamp());
        return;
    }
    const QString& mode = p.runModeText;
    if (mode == kRunRepeat || mode == kRunRepeatSave || mode == kRunCompare) {
        // From the second cycle on, the end line and the transfer line of the cycle before (and
        // the missing-folder line of its auto-save) give way; the first cycle has none to replace.
        if (p.repeatCount > 1) {
            const QString missingFolder = QStringLiteral("フォルダ") + state.repeatSave.folder + QStringLiteral("がありません。");
            state.log.deleteLastLines(state.log.lastLine() == missingFolder ? 3 : 2);
        }
        logWithCaption(state, page, QStringLiteral(" トリガを検出しました。") + QString::number(p.repeatCount)
                           + QStringLiteral("回目　") + state.timeStamp());
        return;
    }
    logWithCaption(state, page, QStringLiteral(" トリガを検出しました。 ") + state.timeStamp());
}

// The wait after a stop: about ten sampling intervals.
int stopWaitMs(const AnalyzerState& state, int page)
{
    const QString interval = state.intervalText(page);
    const QString t = FormatTimeText(interval, ParseTimeText(interval) * 10);
    if (t.contains(QLatin1Char('n')) || t.contains(QChar(0x03BC)) || t.contains(QLatin1Char('u')))
        return 1;
    if (t.contains(QStringLiteral("mS")))
        return leadingInteger(t, QLatin1Char('m')) + 1;
    return RoundToInt(ParseTimeText(t) * 1000);
}

// A page whose capture could not be read goes idle; the transfer said why. Without the
// instrument no other page can end either.
void endAfterFailure(AnalyzerState& state, int page)
{
    PageState& p = state.pages[std::size_t(page)];
    p.running = false;
    p.stopRequested = false;
    setIdleControls(state, page);
    redrawIfShown(state, page);
    if (state.device.InterfaceError)
        AbandonCaptures(state);
    else
        StopPollingIfIdle(state);
}

void finishRunning(AnalyzerState& state, int page, std::uint32_t status)
{
    PageState& p = state.pages[std::size_t(page)];
    ++p.repeatCount;
    logCaptureEnd(state, page);
    if (!TransferCapture(state, page, status)) {
        // No repeat, compare or reference from a memory that was not read.
        endAfterFailure(state, page);
        return;
    }

    const QString& mode = p.runModeText;
    if (mode == kRunRepeat || mode == kRunRepeatSave) {
        if (mode == kRunRepeat)
            state.clock().wait(500);
        restartCapture(state, page);
        CopyCaptureToReference(state, page);
        redrawIfShown(state, page);
        if (mode == kRunRepeatSave)
            AutoSaveCapture(state, page);
        return;
    }
    if (mode == kRunCompare) {
        if (CompareCapture(state, page)) {
            redrawIfShown(state, page);
            p.running = false;
            setIdleControls(state, page);
            logWithCaption(state, page, QStringLiteral(" 波形比較エラーです。"));
            StopPollingIfIdle(state);
        } else {
            restartCapture(state, page);
        }
        return;
    }
    CopyCaptureToReference(state, page);
    redrawIfShown(state, page);
    p.running = false;
    setIdleControls(state, page);
    logWithCaption(state, page, QStringLiteral(" 測定が終わりました。"));
    StopPollingIfIdle(state);
}

void finishStopping(AnalyzerState& state, int page, std::uint32_t status)
{
    PageState& p = state.pages[std::size_t(page)];
    p.stopRequested = false;
    bool transferred = true;
    if (p.runModeText == kRunSingle || p.runModeText == kRunOverwrite) {
        transferred = TransferCapture(state, page, status);
        if (transferred)
            CopyCaptureToReference(state, page);
        redrawIfShown(state, page);
    }
    setIdleControls(state, page);
    logWithCaption(state, page, QStringLiteral(" 測定を中断しました。"));
    if (!transferred && state.device.InterfaceError)
        AbandonCaptures(state);
    else
        StopPollingIfIdle(state);
}

// False when a read did not reach the instrument: the words are then not evaluated, since a
// failed read leaves 0, which looks like a capture that has ended.
bool readAllStatusWords(AnalyzerState& state)
{
    PollState& poll = state.capture.poll;
    const std::uint32_t failuresBefore = state.commands.failureCount();
    const auto failed = [&] { return state.commands.failureCount() != failuresBefore || state.device.InterfaceError; };
    if (state.device.isRemote()) {
        if (poll.remoteStatusPending)
            return true;
        poll.remoteStatusPending = true;
        // The remote link answers before returning; its completion copies the words.
        std::array<std::uint32_t, 16> words{};
        state.commands.ReceiveData(cmd::kSystemModule, cmd::kAllModuleStatus, 64, words);
        poll.remoteStatusPending = false;
        if (failed())
            return false;
        poll.moduleStatus = words;
        poll.statusReady = true;
    } else {
        const int type = state.device.DeviceType;
        for (int m = 0; m < kModuleSlots; ++m) {
            std::array<std::uint32_t, 2> answer{};
            const int bytes = m >= kFirstBuiltInSlot && type >= 6 && type <= 9 ? 4 : 8;
            state.commands.ReceiveData(m, cmd::kModuleStatus, bytes, answer);
            if (failed())
                return false;
            poll.moduleStatus[std::size_t(m)] = answer[0];
        }
        poll.statusReady = true;
    }
    for (int page = 0; page < 8; ++page) {
        poll.runningSnapshot[std::size_t(page)] = state.pages[std::size_t(page)].running;
        poll.stopSnapshot[std::size_t(page)] = state.pages[std::size_t(page)].stopRequested;
    }
    return true;
}

// A poll whose status reads failed: said once, tried again on the next ticks, and given up
// when the instrument is gone or the reads keep failing.
void statusReadFailed(AnalyzerState& state)
{
    PollState& poll = state.capture.poll;
    ++poll.failedReads;
    if (state.device.InterfaceError || poll.failedReads >= kFailedReadLimit) {
        AbandonCaptures(state);
        return;
    }
    if (poll.failedReads == 1)
        state.log.AddMessage(kStatusReadFailed);
}

} // namespace

bool anyPageBusy(const AnalyzerState& state)
{
    for (int page = 0; page < 8; ++page)
        if (state.pages[std::size_t(page)].running || state.pages[std::size_t(page)].stopRequested)
            return true;
    return false;
}

void ResetCaptureLogic(AnalyzerState& state, int page)
{
    const ModuleInfo& module = moduleOf(state, page);
    if (!(module.ModuleSamplingEnable || module.ModuleEdgeSampling || module.ModuleCompressed))
        return;
    send(state, page, cmd::kPreStart);
    state.clock().wait(5);
    send(state, page, cmd::kPreStartFollow);
}

void StartCapture(AnalyzerState& state, int page)
{
    PageState& p = state.pages[std::size_t(page)];
    if (p.runModeText == kRunCompare && !p.hasData) {
        state.log.AddMessage(kNoReferenceLine);
        return;
    }
    logWithCaption(state, page, QStringLiteral(" 測定中です。"));
    p.running = true;
    AnalyzerControls& c = state.controls.analyzer;
    c.runEnabled = false;
    c.intervalEnabled = false;
    c.runModeEnabled = false;
    c.samplingEdgeEnabled = false;
    c.stopEnabled = true;
    state.controls.hardwareMenuEnabled = false;
    state.controls.interfaceMenuEnabled = false;
    p.repeatCount = 0;
    const std::uint32_t failuresBefore = state.commands.failureCount();
    ResetCaptureLogic(state, page);
    send(state, page, cmd::kStartCapture, std::uint32_t(p.runStartWord));
    if (state.commands.failureCount() != failuresBefore || state.device.InterfaceError) {
        // A module that was never started reads as one whose capture has ended.
        p.running = false;
        setIdleControls(state, page);
        logWithCaption(state, page, kStartFailed);
        if (state.device.InterfaceError)
            AbandonCaptures(state);
        else
            StopPollingIfIdle(state);
        return;
    }
    state.clock().timer(kTimCheckEnd).setInterval(state.device.isRemote() ? kRemotePollMs : kUsbPollMs);
    ScheduleTriggerArm(state, page);
}

void StopCapture(AnalyzerState& state, int page)
{
    PageState& p = state.pages[std::size_t(page)];
    p.running = false;
    p.stopRequested = true;
    state.controls.analyzer.stopEnabled = false;
    send(state, page, cmd::kStopCapture);
    state.clock().wait(stopWaitMs(state, page));
}

void PollModules(AnalyzerState& state)
{
    PollState& poll = state.capture.poll;
    if (state.device.InterfaceError) {
        // Every read would be refused, with a line each.
        AbandonCaptures(state);
        return;
    }
    if (!poll.statusReady) {
        if (readAllStatusWords(state))
            poll.failedReads = 0;
        else
            statusReadFailed(state);
        return;
    }
    poll.statusReady = false;
    for (int page = 0; page < kAnalyzerPageCount; ++page) {
        if (!poll.runningSnapshot[std::size_t(page)] && !poll.stopSnapshot[std::size_t(page)])
            continue;
        CheckCaptureEnd(state, page, poll.moduleStatus[std::size_t(state.pages[std::size_t(page)].PageModule)]);
    }
    // Generator pages 4 to 7 get the generator's end check once generation is built.
}

void CheckCaptureEnd(AnalyzerState& state, int page, std::uint32_t status)
{
    PageState& p = state.pages[std::size_t(page)];
    if (p.stopRequested) {
        if ((status & kStatusStopping) == 0)
            finishStopping(state, page, status);
        return;
    }
    if (p.running && (status & kStatusRunning) == 0)
        finishRunning(state, page, status);
}

void CopyCaptureToReference(AnalyzerState& state, int page)
{
    PageState& p = state.pages[std::size_t(page)];
    CopySamplesToReference(p);
    if (p.compressed)
        ClearCompareMarks(state, page);
    else
        p.compareErrorBits.clear(p.channelCount, p.dataCount);
}

void StopPollingIfIdle(AnalyzerState& state)
{
    if (anyPageBusy(state))
        return;
    state.clock().timer(kTimCheckEnd).setInterval(0);
    state.controls.hardwareMenuEnabled = true;
    state.controls.interfaceMenuEnabled = true;
}

void AbandonCaptures(AnalyzerState& state)
{
    for (int page = 0; page < kAnalyzerPageCount; ++page) {
        PageState& p = state.pages[std::size_t(page)];
        if (!p.running && !p.stopRequested)
            continue;
        p.running = false;
        p.stopRequested = false;
        setIdleControls(state, page);
        logWithCaption(state, page, kCaptureAbandoned);
    }
    PollState& poll = state.capture.poll;
    poll.statusReady = false;
    poll.failedReads = 0;
    state.clock().timer(kTimCheckEnd).setInterval(0);
    state.controls.hardwareMenuEnabled = true;
    state.controls.interfaceMenuEnabled = true;
}

void connectCaptureTimers(AnalyzerState& state)
{
    state.clock().timer(kTimCheckEnd).setHandler([&state] { PollModules(state); });
    for (int page = 0; page < kAnalyzerPageCount; ++page)
        state.clock().timer(kTimTrgStart[std::size_t(page)]).setHandler([&state, page] { triggerArmTimerFired(state, page); });
}

} // namespace seiran

#include "CaptureSettings.h"

#include "CommandCodes.h"
#include "FrontEnd.h"
#include "capture/RepeatCompare.h"
#include "capture/RunModes.h"
#include "core/AnalyzerState.h"
#include "core/Timers.h"
#include "render/PageView.h"
#include "view/PageTime.h"
#include "view/TimeText.h"

#include <array>

namespace seiran {

namespace {

struct ConditionBits {
    const char* text;
    bool rising, falling, levelValue, levelCare;
};

constexpr ConditionBits kConditions[] = {
    {"Rise", true, false, false, false}, {"Fall", false, true, false, false},
    {"Either", true, true, false, false}, {"H", false, false, true, true},
    {"L", false, false, false, true},
};

void sendWords(AnalyzerState& state, int page, int code, std::uint32_t low, std::uint32_t high = 0)
{
    const std::array<std::uint32_t, 2> words{low, high};
    state.commands.SendCommand(state.pages[std::size_t(page)].PageModule, code, 8, words);
}

void sendMask(AnalyzerState& state, int page, int code, std::uint64_t mask)
{
    sendWords(state, page, code, std::uint32_t(mask), std::uint32_t(mask >> 32));
}

const ModuleInfo& moduleOf(const AnalyzerState& state, int page)
{
    return state.instrument.module(state.pages[std::size_t(page)].PageModule);
}

bool samplesSelectively(const ModuleInfo& m)
{
    return m.ModuleSamplingEnable || m.ModuleEdgeSampling;
}

void redrawIfShown(AnalyzerState& state, int page)
{
    if (state.controls.currentPage == page)
        state.frontEnd().requestRedraw(page);
}

} // namespace

int leadingInteger(const QString& text, QChar cut)
{
    QString head = text.left(text.indexOf(cut));
    head = head.left(head.indexOf(QLatin1Char('.')) < 0 ? head.size() : head.indexOf(QLatin1Char('.')));
    return head.toInt();
}

int intervalCode(int intervalIndex)
{
    static constexpr std::array<int, 21> kCodes{0x80, 0x81, 0x70, 0x71, 0x72, 0x60, 0x61, 0x62, 0x50, 0x51, 0x52,
                                                0x40, 0x41, 0x42, 0x30, 0x31, 0x32, 0x20, 0x21, 0x22, 0x10};
    return intervalIndex >= 0 && intervalIndex < int(kCodes.size()) ? kCodes[std::size_t(intervalIndex)] : 0x80;
}

TriggerMasks triggerMasks(const PageState& page)
{
    TriggerMasks masks;
    const int channels = std::min<int>(page.channelCount, kMaxChannels);
    for (int c = 0; c < channels; ++c) {
        const QString& text = page.triggerText[std::size_t(1 + c)];
        for (const ConditionBits& condition : kConditions) {
            if (text != QLatin1String(condition.text))
                continue;
            const std::uint64_t bit = std::uint64_t(1) << c;
            masks.rising |= condition.rising ? bit : 0;
            masks.falling |= condition.falling ? bit : 0;
            masks.levelValue |= condition.levelValue ? bit : 0;
            masks.levelCare |= condition.levelCare ? bit : 0;
        }
    }
    return masks;
}

std::uint32_t triggerPositionWord(const ModuleInfo& module, int dataCount, const QString& position, std::uint32_t random)
{
    const int index = position == kPositionLeft ? 0 : position == kPositionCentre ? 1 : position == kPositionRight ? 2 : -1;
    if (!module.wantsRandomStartWord())
        return index < 0 ? 0 : std::uint32_t(index);
    static constexpr std::array<std::uint32_t, 3> kSmall{20, 516, 1012};
    static constexpr std::array<std::uint32_t, 3> kLarge{36, 2052, 4068};
    const std::size_t pick = index < 0 ? 2 : std::size_t(index);
    return dataCount == 1024 ? ((random & 0xFC00u) | kSmall[pick]) : ((random & 0xF000u) | kLarge[pick]);
}

void SendIntervalSetting(AnalyzerState& state, int page)
{
    sendWords(state, page, cmd::kSamplingInterval, std::uint32_t(intervalCode(state.pages[std::size_t(page)].intervalIndex)));
}

void SendTriggerSettings(AnalyzerState& state, int page)
{
    PageState& p = state.pages[std::size_t(page)];
    const ModuleInfo& module = moduleOf(state, page);
    const std::uint32_t word = triggerPositionWord(module, p.dataCount, p.triggerText[0], std::uint32_t(state.random() % 65535u));
    if (module.wantsRandomStartWord())
        p.runStartWord = std::int32_t(word);
    sendWords(state, page, cmd::kTriggerPosition, word);
    const TriggerMasks masks = triggerMasks(p);
    sendMask(state, page, cmd::kTriggerRising, masks.rising);
    sendMask(state, page, cmd::kTriggerFalling, masks.falling);
    sendMask(state, page, cmd::kTriggerLevelValue, masks.levelValue);
    sendMask(state, page, cmd::kTriggerLevelCare, masks.levelCare);
}

void SwitchGroup(AnalyzerState& state, int page, int newGroup, int oldGroup)
{
    AnalyzerPageCapture& capture = state.capture.pages[std::size_t(page)];
    PageState& p = state.pages[std::size_t(page)];
    saveGroupFields(p, capture.groupStore[std::size_t(oldGroup)]);
    loadGroupFields(capture.groupStore[std::size_t(newGroup)], p);
    capture.activeGroup = newGroup;
    sendWords(state, page, cmd::kInputGroup, std::uint32_t(capture.activeGroup));
    SendIntervalSetting(state, page);
    SendTriggerSettings(state, page);
    redrawIfShown(state, page);
}

TriggerArmPlan planTriggerArm(const AnalyzerState& state, int page)
{
    const PageState& p = state.pages[std::size_t(page)];
    const ModuleInfo& module = moduleOf(state, page);
    if (samplesSelectively(module))
        return {TriggerArmPlan::Kind::Now, 0};
    if (module.ModuleKind <= 3)
        return {TriggerArmPlan::Kind::ModuleArmsItself, 0};

    // The time the memory needs to fill up to the trigger point.
    const QString& position = p.triggerText[0];
    const double samples = position == kPositionLeft ? p.triggerPosition + 10.0
        : position == kPositionCentre                ? p.dataCount / 2 + 10.0
                                                     : p.dataCount + 10.0;
    const QString interval = state.intervalText(page);
    const QString t = FormatTimeText(interval, samples * ParseTimeText(interval));
    if (t.contains(QLatin1Char('n')) || t.contains(QChar(0x03BC)) || t.contains(QLatin1Char('u')))
        return {TriggerArmPlan::Kind::AfterTimer, 1};
    if (t.contains(QStringLiteral("mS")))
        return {TriggerArmPlan::Kind::AfterTimer, leadingInteger(t, QLatin1Char('m')) + 1};
    if (module.ModuleCompressed)
        return {TriggerArmPlan::Kind::Now, 0};
    return {TriggerArmPlan::Kind::AfterTimer, leadingInteger(t, QLatin1Char('S')) * 1000 + 1000};
}

void ScheduleTriggerArm(AnalyzerState& state, int page)
{
    const TriggerArmPlan plan = planTriggerArm(state, page);
    if (plan.kind == TriggerArmPlan::Kind::Now)
        sendWords(state, page, cmd::kArmTrigger, 0);
    else if (plan.kind == TriggerArmPlan::Kind::AfterTimer)
        state.clock().timer(kTimTrgStart[std::size_t(page)]).setInterval(plan.delayMs);
}

void triggerArmTimerFired(AnalyzerState& state, int page)
{
    state.clock().timer(kTimTrgStart[std::size_t(page)]).setInterval(0);
    if (state.pages[std::size_t(page)].running)
        sendWords(state, page, cmd::kArmTrigger, 0);
}

QStringList runModeList(const AnalyzerState& state, int page)
{
    const ModuleInfo& module = moduleOf(state, page);
    QStringList modes{kRunSingle};
    if (samplesSelectively(module))
        return modes << kRunOverwrite;
    modes << kRunRepeat << kRunRepeatSave;
    const bool firstGroup = module.ModuleBankCount == 1 || state.capture.pages[std::size_t(page)].activeGroup == 0;
    if (firstGroup && state.pages[std::size_t(page)].analogCount == 0)
        modes << kRunCompare;
    return modes;
}

void cmbAnaIntervalChange(AnalyzerState& state, int page, int index)
{
    PageState& p = state.pages[std::size_t(page)];
    const ModuleInfo& module = moduleOf(state, page);
    p.intervalIndex = index;
    SendIntervalSetting(state, page);
    // The waveform taken at the old interval is gone.
    p.hasData = false;
    p.hasCompareResult = false;
    ClearWholeViewCaches(state.pageViews[std::size_t(page)]);
    if (p.compressed) {
        SetQuietRecordLists(p, module.ModuleTrimBlock ? p.dataCount - 128 : p.dataCount, p.dataCount);
        p.recTriggerSample = 0;
        p.measTriggerSample = 0;
    }
    MeasureTime(p, state.intervalText(page));
    if (p.compressed) {
        for (std::int32_t* cursor : {&p.cursorA, &p.cursorB, &p.cursorC, &p.cursorD})
            *cursor = std::min(*cursor, p.sampleCount);
    }
    state.frontEnd().requestRedraw(page);
}

void cmbRunModeChange(AnalyzerState& state, int page, const QString& text)
{
    PageState& p = state.pages[std::size_t(page)];
    p.runModeText = text;
    if (text == kRunRepeatSave && state.log.lastLine() != kAutoSaveNameLine) {
        state.log.AddMessage(AutoSaveFolderLine(state));
        state.log.AddMessage(kAutoSaveNameLine);
    }
    if (text == kRunCompare && !p.hasData)
        state.log.AddMessage(kNoReferenceLine);
    if (samplesSelectively(moduleOf(state, page)))
        sendWords(state, page, cmd::kRunMode, text == kRunSingle ? 0 : 1);
    redrawIfShown(state, page);
}

void cmbSelESmpPChange(AnalyzerState& state, int page, const QString& text)
{
    state.pages[std::size_t(page)].samplingEdgeText = text;
    sendWords(state, page, cmd::kSamplingEdge, text == kSamplingEdgeChoices[0] ? 0 : 1);
}

} // namespace seiran

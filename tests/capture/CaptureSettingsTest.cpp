#include "SetupFixture.h"
#include "capture/CaptureSettings.h"
#include "capture/RunModes.h"
#include "capture/TriggerGrid.h"
#include "core/Timers.h"
#include "setup/ModuleCheck.h"
#include "setup/StartUp.h"

#include <gtest/gtest.h>

using namespace seiran;
using namespace seiran::setuptest;

namespace {

// A type 11 instrument with the given module in slot 8, checked and set to its defaults.
struct PageFixture : SetupFixture {
    explicit PageFixture(std::uint32_t slot8, std::uint32_t slot0Old = 0, std::uint32_t slot0New = 0)
        : SetupFixture(11)
    {
        installSlot(8, 0, slot8);
        if (slot0Old)
            installSlot(0, slot0Old, slot0New);
        CheckModules(state);
        SetPageDefaults(state);
        instrument->clearRecords();
        state.log.clear();
    }
    PageState& page(int p = 0) { return state.pages[std::size_t(p)]; }
    std::vector<std::vector<std::uint32_t>> paramsOf(int code) const
    {
        std::vector<std::vector<std::uint32_t>> out;
        for (const sim::SimRecord& r : instrument->frames())
            if (r.code == code)
                out.push_back(r.params);
        return out;
    }
};

const std::uint32_t k16ch32k = newAnalyzer(4, 15, kTrimBlock, 5, 1);

} // namespace

TEST(CaptureSettings, TriggerMasksFromTheConditionTexts)
{
    PageFixture f(k16ch32k);
    ASSERT_EQ(f.page().channelCount, 16);
    for (int c = 0; c < 16; ++c)
        f.page().triggerText[std::size_t(1 + c)] = QStringLiteral("-");
    f.page().triggerText[1] = QStringLiteral("Rise");
    f.page().triggerText[4] = QStringLiteral("H");
    f.page().triggerText[6] = QStringLiteral("L");
    SendTriggerSettings(f.state, 0);

    EXPECT_EQ(f.paramsOf(0x22), (std::vector<std::vector<std::uint32_t>>{{0x1, 0}}));
    EXPECT_EQ(f.paramsOf(0x23), (std::vector<std::vector<std::uint32_t>>{{0x0, 0}}));
    EXPECT_EQ(f.paramsOf(0x26), (std::vector<std::vector<std::uint32_t>>{{0x8, 0}}));
    EXPECT_EQ(f.paramsOf(0x27), (std::vector<std::vector<std::uint32_t>>{{0x28, 0}}));
    // Position first, then the masks in their order; 0x25 is not sent.
    std::vector<int> codes;
    for (const sim::SimRecord& r : f.instrument->frames())
        codes.push_back(r.code);
    EXPECT_EQ(codes, (std::vector<int>{0x24, 0x22, 0x23, 0x26, 0x27}));

    // A 64-channel page puts channels 32-63 in the second word.
    PageState wide;
    wide.channelCount = 64;
    wide.triggerText.fill(QStringLiteral("-"));
    wide.triggerText[1 + 63] = QStringLiteral("Either");
    wide.triggerText[1 + 33] = QStringLiteral("L");
    const TriggerMasks masks = triggerMasks(wide);
    EXPECT_EQ(masks.rising, 1ull << 63);
    EXPECT_EQ(masks.falling, 1ull << 63);
    EXPECT_EQ(masks.levelCare, 1ull << 33);
    EXPECT_EQ(masks.levelValue, 0u);
}

TEST(CaptureSettings, IntervalCodes)
{
    struct Case { int index, code; };
    for (const Case c : {Case{0, 0x80}, Case{1, 0x81}, Case{2, 0x70}, Case{11, 0x40}, Case{20, 0x10}, Case{21, 0x80}})
        EXPECT_EQ(intervalCode(c.index), c.code) << c.index;
}

TEST(CaptureSettings, TriggerPositionWords)
{
    ModuleInfo plain;
    plain.ModuleKind = 5;
    plain.ModuleSubKind = 1;
    ModuleInfo random;
    random.ModuleKind = 5;
    random.ModuleSubKind = 4;
    struct Case { const ModuleInfo* m; int dataCount; const char* position; std::uint32_t word; };
    const Case cases[] = {
        {&plain, 1024, "左", 0}, {&plain, 1024, "中央", 1}, {&plain, 1024, "右", 2}, {&plain, 1024, "", 0},
        {&random, 1024, "左", 0xAC00 | 20}, {&random, 1024, "中央", 0xAC00 | 516}, {&random, 1024, "右", 0xAC00 | 1012},
        {&random, 1024, "", 0xAC00 | 1012}, {&random, 32639, "左", 0xA000 | 36}, {&random, 32639, "中央", 0xA000 | 2052},
        {&random, 32639, "右", 0xA000 | 4068},
    };
    for (const Case& c : cases)
        EXPECT_EQ(triggerPositionWord(*c.m, c.dataCount, QString::fromUtf8(c.position), 0xAFFF), c.word) << c.position;

    // Modules of 5.3/5.4 keep the word as their start word.
    PageFixture f(newAnalyzer(4, 10, 0, 5, 3));
    SendTriggerSettings(f.state, 0);
    const auto words = f.paramsOf(0x24);
    ASSERT_EQ(words.size(), 1u);
    EXPECT_EQ(words[0][0] & 0x3FFu, 20u);
    EXPECT_EQ(std::uint32_t(f.page().runStartWord), words[0][0]);
}

TEST(CaptureSettings, TriggerArmDelays)
{
    struct Case { const char* name; std::uint32_t module; int interval; const char* position; TriggerArmPlan::Kind kind; int ms; };
    // The built-in analyzer runs at 5 nS here: index i is 5 × {1, 2, 5}[i mod 3] × 10^(i div 3) nS.
    const Case cases[] = {
        {"10 nS, right", newAnalyzer(4, 10, 0, 5, 1), 1, "右", TriggerArmPlan::Kind::AfterTimer, 1},
        {"1 μS, centre of 2048", newAnalyzer(4, 11, 0, 5, 1), 7, "中央", TriggerArmPlan::Kind::AfterTimer, 2},
        {"10 μS, left", newAnalyzer(4, 11, 0, 5, 1), 10, "左", TriggerArmPlan::Kind::AfterTimer, 1},
        {"500 μS of 1024, right: 517mS", newAnalyzer(4, 10, 0, 5, 1), 15, "右", TriggerArmPlan::Kind::AfterTimer, 518},
        {"5 mS of 1024, right: 5.17S", newAnalyzer(4, 10, 0, 5, 1), 18, "右", TriggerArmPlan::Kind::AfterTimer, 6000},
        {"5 mS compressed, right", newAnalyzer(4, 10, kCompressed, 5, 1), 18, "右", TriggerArmPlan::Kind::Now, 0},
        {"version 3 arms itself", newAnalyzer(4, 10, 0, 3, 1), 1, "右", TriggerArmPlan::Kind::ModuleArmsItself, 0},
        {"sampling enable", newAnalyzer(4, 10, kSamplingEnable, 5, 1), 1, "", TriggerArmPlan::Kind::Now, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PageFixture f(c.module);
        f.state.instrument.clockPeriods = {5, 10};
        f.page().intervalIndex = c.interval;
        f.page().triggerText[0] = QString::fromUtf8(c.position);
        const TriggerArmPlan plan = planTriggerArm(f.state, 0);
        EXPECT_EQ(plan.kind, c.kind);
        EXPECT_EQ(plan.delayMs, c.ms);
    }
}

TEST(CaptureSettings, ArmTimerArmsOnlyARunningPage)
{
    PageFixture f(newAnalyzer(4, 11, 0, 5, 1));
    f.state.instrument.clockPeriods = {5, 10};
    f.page().intervalIndex = 7;
    f.page().triggerText[0] = QStringLiteral("中央");
    f.page().running = true;
    ScheduleTriggerArm(f.state, 0);
    ClockTimer& timer = f.clock.timer(kTimTrgStart[0]);
    EXPECT_EQ(timer.interval(), 2);
    EXPECT_TRUE(f.paramsOf(0x28).empty());
    triggerArmTimerFired(f.state, 0);
    EXPECT_EQ(f.paramsOf(0x28).size(), 1u);
    EXPECT_EQ(timer.interval(), 0);

    f.page().running = false;
    ScheduleTriggerArm(f.state, 0);
    triggerArmTimerFired(f.state, 0);
    EXPECT_EQ(f.paramsOf(0x28).size(), 1u); // the page had stopped: nothing sent
    EXPECT_EQ(timer.interval(), 0);
}

TEST(CaptureSettings, RunModesAndTheirMessages)
{
    PageFixture f(newAnalyzer(4, 11, 0, 5, 1));
    EXPECT_EQ(runModeList(f.state, 0), (QStringList{kRunSingle, kRunRepeat, kRunRepeatSave, kRunCompare}));
    f.page().analogCount = 1;
    EXPECT_FALSE(runModeList(f.state, 0).contains(kRunCompare));

    // The folder line names the folder the files really go to.
    f.state.repeatSave.folder = QStringLiteral("/srv/captures/run 7");
    cmbRunModeChange(f.state, 0, kRunRepeatSave);
    cmbRunModeChange(f.state, 0, kRunRepeatSave); // the lines are there already
    EXPECT_EQ(f.state.log.lines(),
              (QStringList{QStringLiteral("測定データを/srv/captures/run 7に自動保存します。"), kAutoSaveNameLine}));
    cmbRunModeChange(f.state, 0, kRunCompare);
    EXPECT_EQ(f.state.log.lastLine(), kNoReferenceLine);
    EXPECT_EQ(f.page().runModeText, kRunCompare); // taken all the same
    EXPECT_TRUE(f.paramsOf(0x2B).empty());

    PageFixture se(newAnalyzer(4, 11, kSamplingEnable, 5, 1));
    EXPECT_EQ(runModeList(se.state, 0), (QStringList{kRunSingle, kRunOverwrite}));
    cmbRunModeChange(se.state, 0, kRunOverwrite);
    cmbRunModeChange(se.state, 0, kRunSingle);
    EXPECT_EQ(se.paramsOf(0x2B), (std::vector<std::vector<std::uint32_t>>{{1, 0}, {0, 0}}));

    PageFixture es(newAnalyzer(4, 11, kEdgeSampling, 5, 1));
    cmbSelESmpPChange(es.state, 0, QStringLiteral("立上りの1つ前の"));
    EXPECT_EQ(es.page().samplingEdgeText, QStringLiteral("立上りの1つ前の"));
    EXPECT_EQ(es.paramsOf(0x2C), (std::vector<std::vector<std::uint32_t>>{{1, 0}}));
}

TEST(CaptureSettings, IntervalChangeDiscardsTheWaveform)
{
    PageFixture f(newAnalyzer(4, 18, kCompressed | kTrimBlock, 5, 1));
    PageState& p = f.page();
    ASSERT_TRUE(p.compressed);
    p.hasData = true;
    p.hasCompareResult = true;
    p.recTriggerSample = 500;
    p.cursorD = 400000;
    cmbAnaIntervalChange(f.state, 0, 3);
    EXPECT_EQ(p.intervalIndex, 3);
    EXPECT_EQ(f.paramsOf(0x21), (std::vector<std::vector<std::uint32_t>>{{0x71, 0}}));
    EXPECT_FALSE(p.hasData || p.hasCompareResult);
    EXPECT_EQ(p.recTriggerSample, 0);
    EXPECT_EQ(p.sampleCount, 262144 - 128);
    EXPECT_EQ(p.measSampleCount, 262144);
    EXPECT_EQ(p.cursorD, p.sampleCount);
    EXPECT_FALSE(p.measureTimeText.isEmpty());
}

TEST(TriggerGrid, ClicksCycleTextsAndRefuseWhileRunning)
{
    PageFixture f(k16ch32k);
    PageState& p = f.page();
    EXPECT_EQ(triggerGridCell(f.state, 0, 0, 0).text, QStringLiteral("CH"));
    EXPECT_EQ(triggerGridCell(f.state, 0, 1, 0).text, QStringLiteral("トリガ"));
    EXPECT_TRUE(triggerGridCell(f.state, 0, 0, 1).text.isEmpty()); // one input group: no letter
    EXPECT_EQ(triggerGridCell(f.state, 0, 1, 1).text, kPositionLeft);
    EXPECT_EQ(triggerGridCell(f.state, 0, 1, 2).text, QStringLiteral("Rise"));

    const QStringList positions{kPositionCentre, kPositionRight, kPositionLeft};
    for (const QString& expected : positions) {
        sgrTriggerLeftClick(f.state, 0, 1, 1);
        EXPECT_EQ(p.triggerText[0], expected);
    }
    const QStringList conditions{"Rise", "Fall", "Either", "H", "L", "-"}; // channel 1 starts at "-"
    for (const QString& expected : conditions) {
        sgrTriggerLeftClick(f.state, 0, 1, 3);
        EXPECT_EQ(p.triggerText[2], expected);
    }
    EXPECT_EQ(f.paramsOf(0x24).size(), 3u + 6u); // every change is sent at once

    sgrTriggerLeftClick(f.state, 0, 0, 1); // no groups: nothing happens
    EXPECT_TRUE(f.paramsOf(0x2D).empty());

    p.running = true;
    f.state.log.clear();
    sgrTriggerLeftClick(f.state, 0, 1, 2);
    EXPECT_EQ(p.triggerText[1], QStringLiteral("Rise"));
    EXPECT_EQ(f.state.log.lines(), QStringList{kRunningRefusal});
    EXPECT_TRUE(PopupSgrTriggerPopup(f.state, 0, 1, 2).items.isEmpty());
    p.running = false;

    // Channel selection toggles without sending anything.
    const std::size_t sent = f.instrument->frames().size();
    sgrTriggerLeftClick(f.state, 0, 0, 4);
    EXPECT_TRUE(p.channelSelected[2]);
    EXPECT_TRUE(triggerGridCell(f.state, 0, 0, 4).selected);
    sgrTriggerLeftClick(f.state, 0, 0, 4);
    EXPECT_FALSE(p.channelSelected[2]);
    EXPECT_EQ(f.instrument->frames().size(), sent);

    const TriggerPopup popup = PopupSgrTriggerPopup(f.state, 0, 1, 2);
    EXPECT_EQ(popup.items, (QStringList{"Rise", "Fall", "Either", "H", "L", "－"}));
    triggerPopupChoose(f.state, 0, 1, 2, QStringLiteral("－"));
    EXPECT_EQ(p.triggerText[1], QStringLiteral("-"));
}

TEST(TriggerGrid, BusRowsAndChannelNumbers)
{
    PageFixture f(k16ch32k);
    PageState& p = f.page();
    f.state.settings.channelOrigin = 1;
    // Channels 4-7 as one bus row.
    p.rowChannelCount[4] = 4;
    for (int r = 5; r < 16; ++r)
        p.rowChannelCount[std::size_t(r)] = r < 13 ? 1 : 0;
    p.rowCount = 13;
    EXPECT_EQ(triggerGridCell(f.state, 0, 0, 2 + 4).text, QStringLiteral("8-5"));
    EXPECT_EQ(triggerGridCell(f.state, 0, 1, 2 + 4).text, QStringLiteral("*"));
    EXPECT_EQ(triggerGridCell(f.state, 0, 0, 2 + 5).text, QStringLiteral("9"));
    EXPECT_TRUE(PopupSgrTriggerPopup(f.state, 0, 1, 2 + 4).items.isEmpty());

    sgrTriggerLeftClick(f.state, 0, 0, 2 + 4); // selects the whole bus
    for (int c = 4; c < 8; ++c)
        EXPECT_TRUE(p.channelSelected[std::size_t(c)]);
    EXPECT_TRUE(triggerGridCell(f.state, 0, 0, 2 + 4).selected);

    // At the low probe levels of a TK-C4 the 13th and later rows of a 16-channel page are unusable.
    f.state.instrument.settings.InputLevel.chosen = QStringLiteral("1.8V");
    EXPECT_FALSE(triggerGridCell(f.state, 0, 0, 2 + 11).unusable);
    EXPECT_TRUE(triggerGridCell(f.state, 0, 0, 2 + 12).unusable);
}

TEST(TriggerGrid, GroupsSwitchTheirOwnSettings)
{
    // A user module with four input groups in slot 0 (new layout, announced as version 5.3).
    PageFixture f(k16ch32k, oldAnalyzer(4, 10, 5, 3), newAnalyzer(4, 10, 2u << 8, 5, 3));
    ASSERT_EQ(f.page().PageModule, 0);
    ASSERT_EQ(f.state.instrument.module(0).ModuleBankCount, 4);
    EXPECT_EQ(triggerGridCell(f.state, 0, 0, 1).text, QStringLiteral("A"));
    EXPECT_EQ(PopupSgrTriggerPopup(f.state, 0, 0, 1).items, (QStringList{"A", "B", "C", "D"}));

    f.page().triggerText[1] = QStringLiteral("Fall");
    f.page().intervalIndex = 4;
    sgrTriggerLeftClick(f.state, 0, 0, 1);
    EXPECT_EQ(triggerGridCell(f.state, 0, 0, 1).text, QStringLiteral("B"));
    EXPECT_EQ(f.page().triggerText[1], QStringLiteral("Rise")); // group B's own defaults
    EXPECT_EQ(f.page().intervalIndex, 0);
    EXPECT_EQ(f.paramsOf(0x2D), (std::vector<std::vector<std::uint32_t>>{{1, 0}}));
    EXPECT_FALSE(runModeList(f.state, 0).contains(kRunCompare)); // only group A compares

    triggerPopupChoose(f.state, 0, 0, 1, QStringLiteral("A"));
    EXPECT_EQ(f.page().triggerText[1], QStringLiteral("Fall"));
    EXPECT_EQ(f.page().intervalIndex, 4);
    EXPECT_EQ(f.paramsOf(0x2D).back(), (std::vector<std::uint32_t>{0, 0}));
    // Each switch sends the group's interval and trigger settings.
    EXPECT_EQ(f.paramsOf(0x21).back(), (std::vector<std::uint32_t>{0x72, 0}));
}

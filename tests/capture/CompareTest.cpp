#include "SetupFixture.h"
#include "capture/Compare.h"
#include "capture/RepeatCompare.h"

#include <gtest/gtest.h>

#include <bit>
#include <vector>

using namespace seiran;
using namespace seiran::setuptest;

namespace {

struct Rec {
    std::uint64_t value;
    std::int32_t run;
};

// Fills a record list from runs; returns the sample total.
std::int32_t fill(RecordList& list, const std::vector<Rec>& records)
{
    std::int32_t start = 0;
    for (std::size_t i = 0; i < records.size(); ++i) {
        list.set(int(i), records[i].value, records[i].run, start);
        start += records[i].run;
    }
    list.setEnd(int(records.size()), start);
    return start;
}

struct CompareFixture : SetupFixture {
    explicit CompareFixture(bool compressed) : SetupFixture(11)
    {
        ModuleInfo& m = state.instrument.modules[8];
        m = ModuleInfo{};
        m.function = ModuleFunction::Analyzer;
        m.ModuleChannelCode = std::countr_zero(8U);
        m.ModuleDepthCode = std::countr_zero(1024U);
        m.ModuleCompressed = compressed;
        m.ModuleBankCount = 1;
        PageSetup setup;
        setup.page = 0;
        setup.module = &m;
        setup.PageModule = 8;
        setup.channelCount = 8;
        setup.dataCount = 1024;
        setup.clockPeriod = state.pageClockPeriod(0);
        page().PageModule = 8;
        SetPageToDefaults(page(), setup);
        state.log.clear();
    }
    ~CompareFixture() { ReleaseCompareLists(state); }
    PageState& page() { return state.pages[0]; }

    // The capture and the reference of a compressed page, trigger at `trigger` samples.
    void setLists(const std::vector<Rec>& capture, std::int32_t captureTrigger, const std::vector<Rec>& reference,
                  std::int32_t referenceTrigger)
    {
        PageState& p = page();
        p.recCount = int(capture.size());
        p.sampleCount = fill(p.displayList, capture);
        p.recTriggerSample = captureTrigger;
        p.refRecCount = int(reference.size());
        p.refSampleCount = fill(p.referenceList, reference);
        p.refTriggerSample = referenceTrigger;
    }
    const MergedCompareList& merged() { return CompareListOf(state, 0); }
};

} // namespace

TEST(CompareBitPlanes, FirstDifferenceInSampleOrderIsLoggedWithItsTimeAndChannel)
{
    struct Diff {
        int channel;
        int index;
    };
    struct Case {
        std::vector<Diff> diffs;
        QString line;
    };
    const std::vector<Case> cases{
        {{{0, 10}}, QStringLiteral("波形比較エラー 時刻=70nS CH=1")},
        {{{0, 0}}, QStringLiteral("波形比較エラー 時刻=-30nS CH=1")},
        // Sample order first, then channel order; the channel counts from 1.
        {{{0, 9}, {7, 5}, {2, 5}}, QStringLiteral("波形比較エラー 時刻=20nS CH=3")},
        // The last sample of the memory is compared too.
        {{{5, 1023}}, QStringLiteral("波形比較エラー 時刻=10.2μS CH=6")},
    };
    for (const Case& c : cases) {
        CompareFixture f(false);
        ASSERT_EQ(f.state.intervalText(0), QStringLiteral("10nS"));
        PageState& p = f.page();
        p.triggerPosition = 3;
        // A busy waveform, the same in both, with the differences on top.
        for (int ch = 0; ch < 8; ++ch)
            for (int i = 0; i < 1024; ++i) {
                const bool level = ((i >> ch) & 1) != 0;
                p.sampleBits.set(ch, i, level);
                p.referenceBits.set(ch, i, level);
            }
        p.compareErrorBits.set(4, 600, true); // a mark of an earlier compare goes
        for (const Diff& d : c.diffs)
            p.sampleBits.set(d.channel, d.index, !p.referenceBits.level(d.channel, d.index));
        EXPECT_TRUE(CompareCapture(f.state, 0));
        EXPECT_EQ(f.state.log.lines(), QStringList{c.line});
        int marks = 0;
        for (int ch = 0; ch < 8; ++ch)
            for (int i = 0; i < 1024; ++i)
                marks += p.compareErrorBits.level(ch, i);
        EXPECT_EQ(marks, int(c.diffs.size()));
        for (const Diff& d : c.diffs)
            EXPECT_TRUE(p.compareErrorBits.level(d.channel, d.index));
        EXPECT_FALSE(p.hasCompareResult);
    }
}

TEST(CompareBitPlanes, IdenticalCaptureHasNoDifferenceAndClearsOldMarks)
{
    CompareFixture f(false);
    PageState& p = f.page();
    p.sampleBits.set(1, 100, true);
    p.referenceBits.set(1, 100, true);
    // Samples beyond the memory depth are not part of the capture.
    p.sampleBits.set(1, 2000, true);
    p.compareErrorBits.set(3, 3, true);
    EXPECT_FALSE(CompareCapture(f.state, 0));
    EXPECT_TRUE(f.state.log.lines().isEmpty());
    EXPECT_FALSE(p.compareErrorBits.level(3, 3));
    EXPECT_FALSE(p.compareErrorBits.level(1, 2000));
}

TEST(CompareRecords, IdenticalCaptureIsUnmarkedAndHoldsAResult)
{
    CompareFixture f(true);
    const std::vector<Rec> records{{0, 40}, {1, 10}, {3, 100}, {0, 350}};
    f.setLists(records, 50, records, 50);
    EXPECT_FALSE(CompareCapture(f.state, 0));
    EXPECT_TRUE(f.page().hasCompareResult);
    EXPECT_TRUE(f.state.log.lines().isEmpty());
    const MergedCompareList& m = f.merged();
    ASSERT_EQ(m.count, 4);
    EXPECT_EQ(m.sampleTotal, 500);
    EXPECT_EQ(m.triggerSample, 50);
    for (int k = 0; k < m.count; ++k) {
        EXPECT_EQ(m.error[std::size_t(k)], 0);
        EXPECT_EQ(m.measRun[std::size_t(k)], records[std::size_t(k)].run);
        EXPECT_EQ(m.refRun[std::size_t(k)], records[std::size_t(k)].run);
    }
    EXPECT_EQ(m.relTime[0], -50);
    EXPECT_EQ(m.relTime[4], 450); // end entry
    EXPECT_EQ(m.start[4], 500);
}

TEST(CompareRecords, DifferentBoundariesAreMergedAndTheFirstDifferenceIsLogged)
{
    CompareFixture f(true);
    // Capture high from 100 after the trigger, the reference from 110; both begin 20 before it.
    f.setLists({{0, 20}, {0, 100}, {1, 400}}, 20, {{0, 20}, {0, 110}, {1, 390}}, 20);
    EXPECT_TRUE(CompareCapture(f.state, 0));
    EXPECT_EQ(f.state.log.lines(), QStringList{QStringLiteral("波形比較エラー 時刻=1μS")});
    const MergedCompareList& m = f.merged();
    ASSERT_EQ(m.count, 4);
    const std::vector<std::int64_t> relTimes{-20, 0, 100, 110, 500};
    const std::vector<std::uint8_t> errors{0, 0, 1, 0};
    for (int k = 0; k <= m.count; ++k)
        EXPECT_EQ(m.relTime[std::size_t(k)], relTimes[std::size_t(k)]) << k;
    for (int k = 0; k < m.count; ++k)
        EXPECT_EQ(m.error[std::size_t(k)], errors[std::size_t(k)]) << k;
    EXPECT_EQ(m.measValue[2], 1U);
    EXPECT_EQ(m.refValue[2], 0U);
    EXPECT_EQ(m.triggerSample, 20);
}

TEST(CompareRecords, StretchesOnlyOneWaveformCoversAreNotMarked)
{
    CompareFixture f(true);
    // The capture starts 30 earlier and runs 200 longer than the reference, with other levels there.
    f.setLists({{5, 30}, {0, 10}, {1, 100}, {7, 200}}, 40, {{0, 10}, {1, 100}}, 10);
    EXPECT_FALSE(CompareCapture(f.state, 0));
    const MergedCompareList& m = f.merged();
    ASSERT_EQ(m.count, 4);
    EXPECT_EQ(m.refRun[0], 0);
    EXPECT_EQ(m.measRun[0], 30);
    EXPECT_EQ(m.refRun[3], 0);
    EXPECT_EQ(m.measRun[3], 200);
    EXPECT_EQ(m.refValue[3], 0U);
    EXPECT_EQ(m.sampleTotal, 340);
    EXPECT_EQ(m.triggerSample, 40);
    EXPECT_EQ(m.firstError(), -1);

    // And the other way round: a reference longer than the capture.
    CompareFixture g(true);
    g.setLists({{0, 10}, {1, 100}}, 10, {{0, 10}, {1, 100}, {6, 50}}, 10);
    EXPECT_FALSE(CompareCapture(g.state, 0));
    ASSERT_EQ(g.merged().count, 3);
    EXPECT_EQ(g.merged().measRun[2], 0);
    EXPECT_EQ(g.merged().refRun[2], 50);
    EXPECT_EQ(g.merged().length(2), 50);
}

TEST(CompareRecords, RecordsWithoutSamplesAreDropped)
{
    CompareFixture f(true);
    f.setLists({{0, 10}, {2, 0}, {1, 90}}, 10, {{0, 10}, {1, 90}}, 10);
    EXPECT_FALSE(CompareCapture(f.state, 0));
    EXPECT_EQ(f.merged().count, 2);
    EXPECT_EQ(f.merged().triggerSample, 10);
}

TEST(CompareRecords, ANewReferenceClearsTheMarks)
{
    CompareFixture f(true);
    f.setLists({{0, 10}, {1, 90}}, 10, {{0, 10}, {0, 90}}, 10);
    EXPECT_TRUE(CompareCapture(f.state, 0));
    EXPECT_EQ(f.merged().firstError(), 1);
    ClearCompareMarks(f.state, 0);
    EXPECT_EQ(f.merged().firstError(), -1);
}

TEST(CompareView, LoadsEitherSideIntoTheDisplayList)
{
    CompareFixture f(true);
    f.setLists({{0, 20}, {0, 100}, {1, 400}}, 20, {{0, 20}, {0, 110}, {1, 390}, {4, 30}}, 20);
    EXPECT_TRUE(CompareCapture(f.state, 0));
    PageState& p = f.page();
    struct Expect {
        bool reference;
        std::vector<std::uint64_t> values;
        std::vector<std::int32_t> runs;
    };
    for (const Expect& e : {Expect{true, {0, 0, 0, 1, 4}, {20, 100, 10, 390, 30}},
                            Expect{false, {0, 0, 1, 1, 0}, {20, 100, 10, 390, 0}}}) {
        LoadCompareView(f.state, 0, p, e.reference);
        ASSERT_EQ(p.recCount, 5);
        EXPECT_EQ(p.sampleCount, 550);
        EXPECT_EQ(p.recTriggerSample, 20);
        std::int32_t start = 0;
        for (int k = 0; k < 5; ++k) {
            EXPECT_EQ(p.displayList.value(k), e.values[std::size_t(k)]) << k;
            EXPECT_EQ(p.displayList.runLength(k), e.runs[std::size_t(k)]) << k;
            EXPECT_EQ(p.displayList.start(k), start) << k;
            start += f.merged().length(k);
        }
        EXPECT_EQ(p.displayList.start(5), 550);
    }
}

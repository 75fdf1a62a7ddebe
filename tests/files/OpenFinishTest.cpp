// What an opened data file leaves besides the values it stores: the capture settings sent to the
// module, the view placed on the file's centre sample, the compare of a compare file and the
// reference of the next compare.

#include "FilesFixture.h"
#include "capture/CaptureSettings.h"
#include "capture/Compare.h"
#include "files/AnalyzerFile.h"
#include "files/DataFile.h"
#include "render/WaveMapping.h"

#include <gtest/gtest.h>

using namespace seiran;
using namespace seiran::filestest;

namespace {

const QString kCompare = QStringLiteral("波形比較");
const QString kCompareError = QStringLiteral("波形比較エラー 時刻=");

struct Frame {
    int module;
    std::vector<std::uint32_t> params;
    bool operator==(const Frame&) const = default;
};

// The frames of one command code that reached the instrument since the last clearRecords.
std::vector<Frame> sent(const FilesFixture& f, int code)
{
    std::vector<Frame> out;
    for (const sim::SimRecord& r : f.instrument->frames())
        if (r.kind == sim::SimRecord::Kind::Frame && r.code == code)
            out.push_back({r.module, r.params});
    return out;
}

// What the page's interval and trigger texts must have sent to module `slot`.
void expectSettingsSent(const FilesFixture& f, const PageState& p, int slot)
{
    const TriggerMasks m = triggerMasks(p);
    EXPECT_EQ(sent(f, 0x21), (std::vector<Frame>{{slot, {std::uint32_t(intervalCode(p.intervalIndex)), 0}}}));
    EXPECT_EQ(sent(f, 0x24).size(), 1U);
    EXPECT_EQ(sent(f, 0x22), (std::vector<Frame>{{slot, {std::uint32_t(m.rising), std::uint32_t(m.rising >> 32)}}}));
    EXPECT_EQ(sent(f, 0x23), (std::vector<Frame>{{slot, {std::uint32_t(m.falling), std::uint32_t(m.falling >> 32)}}}));
    EXPECT_EQ(sent(f, 0x26), (std::vector<Frame>{{slot, {std::uint32_t(m.levelValue), 0}}}));
    EXPECT_EQ(sent(f, 0x27), (std::vector<Frame>{{slot, {std::uint32_t(m.levelCare), 0}}}));
}

// A compressed capture of `records` records, run lengths 1-4, into the display and measured lists.
void fillRecords(PageState& p, int records, int trigger, std::uint64_t salt = 0)
{
    int start = 0;
    for (int i = 0; i < records; ++i) {
        const int run = 1 + i % 4;
        p.displayList.set(i, (std::uint64_t(i) * 2654435761U ^ salt) & 0xFFFF, run, start);
        start += run;
    }
    p.displayList.setEnd(records, start);
    p.recCount = records;
    p.sampleCount = start;
    p.recTriggerSample = trigger;
    p.measuredList.copyFrom(p.displayList, records);
    p.measRecCount = records;
    p.measSampleCount = start;
    p.measTriggerSample = trigger;
}

void setTriggers(PageState& p)
{
    p.triggerText.fill(QStringLiteral("-"));
    p.triggerText[0] = QStringLiteral("中央");
    p.triggerText[1] = QStringLiteral("Rise");
    p.triggerText[3] = QStringLiteral("Fall");
    p.triggerText[4] = QStringLiteral("H");
    p.triggerText[16] = QStringLiteral("L");
}

} // namespace

// Both page kinds: the module gets the file's interval and trigger conditions, not the old ones.
TEST(OpenFinishesThePage, CaptureSettingsOfTheFileAreSentToTheModule)
{
    for (const bool compressed : {true, false}) {
        SCOPED_TRACE(compressed ? "compressed" : "bit planes");
        FilesFixture f;
        PageState& p = f.setPage(0, 8, 16, 1024, compressed);
        if (compressed)
            fillRecords(p, 300, 10);
        p.intervalIndex = 7;
        setTriggers(p);
        p.hasData = true;
        const QString name = f.path(QStringLiteral("settings.ana"));
        ASSERT_TRUE(SaveDataFile(f.state, 0, name));

        PageState& q = f.setPage(1, 9, 16, 1024, compressed);
        ASSERT_EQ(q.intervalIndex, 0);
        f.instrument->clearRecords();
        ASSERT_TRUE(OpenDataFile(f.state, 1, name));
        EXPECT_EQ(q.intervalIndex, 7);
        ASSERT_EQ(intervalCode(7), 0x62);
        expectSettingsSent(f, q, 9);
        EXPECT_EQ(sent(f, 0x22).at(0).params.at(0), 0x1U); // channel 0 rises
        EXPECT_EQ(sent(f, 0x27).at(0).params.at(0), 0x8008U); // channels 3 and 15 have levels
    }
}

TEST(OpenFinishesThePage, NothingIsSentWithoutAnInstrument)
{
    FilesFixture f;
    PageState& p = f.setPage(0, 8, 16, 1024, false);
    p.intervalIndex = 5;
    const QString name = f.path(QStringLiteral("alone.ana"));
    ASSERT_TRUE(SaveDataFile(f.state, 0, name));
    f.setPage(1, 9, 16, 1024, false);
    f.state.device.DeviceType = 0;
    f.instrument->clearRecords();
    ASSERT_TRUE(OpenDataFile(f.state, 1, name));
    EXPECT_TRUE(sent(f, 0x21).empty());
    EXPECT_TRUE(sent(f, 0x22).empty());
}

// A compressed page shows the part of the capture the file was looking at: the sample under the
// middle of the window is the file's centre sample counted from the trigger.
TEST(OpenFinishesThePage, CompressedViewIsPlacedOnTheCentreSample)
{
    FilesFixture f;
    PageState& p = f.setPage(0, 8, 16, 32768, true);
    fillRecords(p, 20000, 1000);
    p.zoomCode = 256; // one pixel a sample: far wider than the window
    p.centreSample = 30000;
    p.hasData = true;
    const QString name = f.path(QStringLiteral("centre.ana"));
    ASSERT_TRUE(SaveDataFile(f.state, 0, name));

    PageState& q = f.setPage(1, 9, 16, 32768, true);
    PageView& view = f.state.pageViews[1];
    view.waveBoxWidth = 804;
    q.scrollPosition = 0;
    q.scrollMax = 0;
    ASSERT_TRUE(OpenDataFile(f.state, 1, name));
    EXPECT_TRUE(view.horizontalScrollEnabled);
    EXPECT_GT(q.scrollMax, 0);
    const int middle = SampleAtX(q, view, ViewWidth(view) / 2);
    EXPECT_NEAR(middle, 31000, zoomStep(q)); // centre + trigger, within one scroll step
    // The whole capture can be reached: the bar ends at the last sample.
    q.scrollPosition = q.scrollMax;
    EXPECT_GE(SampleAtX(q, view, ViewWidth(view) - 1), q.sampleCount - zoomStep(q));
}

// A compare file on a compressed page brings its reference back and the compare runs on it.
TEST(OpenFinishesThePage, CompareFileOnACompressedPageComparesWithItsReference)
{
    for (const bool differs : {false, true}) {
        SCOPED_TRACE(differs ? "differs" : "same");
        FilesFixture f;
        PageState& p = f.setPage(0, 8, 16, 1024, true);
        fillRecords(p, 200, 20);
        p.referenceList.copyFrom(p.displayList, p.recCount);
        p.refRecCount = p.recCount;
        p.refSampleCount = p.sampleCount;
        p.refTriggerSample = p.recTriggerSample;
        if (differs) // one record of the reference has another level: 30 samples after the trigger
            p.referenceList.set(20, p.displayList.value(20) ^ 0x4, p.displayList.runLength(20), p.displayList.start(20));
        p.runModeText = kCompare;
        p.hasData = true;
        const QString name = f.path(QStringLiteral("compare54.ana"));
        ASSERT_TRUE(SaveDataFile(f.state, 0, name));

        PageState& q = f.setPage(1, 9, 16, 1024, true);
        ASSERT_TRUE(OpenDataFile(f.state, 1, name));
        EXPECT_EQ(q.runModeText, kCompare);
        EXPECT_EQ(q.refRecCount, 200);
        EXPECT_EQ(q.referenceList.value(20), p.referenceList.value(20));
        EXPECT_TRUE(q.hasCompareResult);
        const MergedCompareList& merged = CompareListOf(f.state, 1);
        EXPECT_EQ(merged.firstError() >= 0, differs);
        EXPECT_EQ(f.log().filter(kCompareError).size(), differs ? 1 : 0) << f.log().join(u'|').toStdString();
        if (differs) {
            ASSERT_GE(merged.firstError(), 0);
            EXPECT_EQ(merged.relTime[std::size_t(merged.firstError())], p.displayList.start(20) - 20);
        }
    }
}

// A record file expanded onto bit planes is the reference of the next compare, as a capture is.
TEST(OpenFinishesThePage, RecordsExpandedOntoBitPlanesBecomeTheReference)
{
    FilesFixture f;
    PageState& p = f.setPage(0, 8, 16, 1024, true);
    fillRecords(p, 500, 0);
    p.runModeText = kCompare;
    p.hasData = true;
    const QString name = f.path(QStringLiteral("expand.ana"));
    ASSERT_TRUE(SaveDataFile(f.state, 0, name));

    PageState& q = f.setPage(1, 9, 16, 1024, false);
    q.referenceBits.set(2, 5, !q.referenceBits.level(2, 5));
    q.compareErrorBits.set(1, 7, true);
    ASSERT_TRUE(OpenDataFile(f.state, 1, name));
    EXPECT_EQ(q.runModeText, QStringLiteral("シングル"));
    int differing = 0;
    for (int c = 0; c < 16; ++c) {
        const auto samples = std::as_const(q.sampleBits).words(c);
        const auto reference = std::as_const(q.referenceBits).words(c);
        for (int w = 0; w < 1024 / 64; ++w)
            differing += samples[std::size_t(w)] != reference[std::size_t(w)];
    }
    EXPECT_EQ(differing, 0);
    EXPECT_FALSE(q.compareErrorBits.level(1, 7));
    // The expansion itself: record 1 (run 2) covers samples 1 and 2.
    for (int c = 0; c < 16; ++c)
        EXPECT_EQ(q.sampleBits.level(c, 2), ((p.displayList.value(1) >> c) & 1U) != 0) << c;
}

// A "(Ver 5.0)" compare file on a compressed page: the reference is the capture with the marked
// levels turned over, and the compare finds the first marked sample.
TEST(OpenFinishesThePage, SampleCompareFileOnACompressedPageRebuildsItsReference)
{
    FilesFixture f;
    PageState& p = f.setPage(0, 8, 16, 1024, false);
    for (int s = 0; s < 1024; ++s)
        for (int c = 0; c < 16; ++c)
            p.sampleBits.set(c, s, (s >> (c % 8)) & 1);
    p.compareErrorBits.clear(16, 1024);
    p.compareErrorBits.set(5, 100, true);
    p.compareErrorBits.set(9, 700, true);
    p.runModeText = kCompare;
    p.hasData = true;
    const QString name = f.path(QStringLiteral("compare50.ana"));
    ASSERT_TRUE(SaveDataFile(f.state, 0, name));

    PageState& q = f.setPage(1, 9, 16, 1024, true);
    ASSERT_TRUE(OpenDataFile(f.state, 1, name));
    EXPECT_EQ(q.refRecCount, 1024);
    EXPECT_EQ(q.refTriggerSample, 3);
    EXPECT_EQ(q.referenceList.value(100), q.displayList.value(100) ^ (1U << 5));
    EXPECT_EQ(q.referenceList.value(700), q.displayList.value(700) ^ (1U << 9));
    EXPECT_EQ(q.referenceList.value(101), q.displayList.value(101));
    EXPECT_TRUE(q.hasCompareResult);
    const MergedCompareList& merged = CompareListOf(f.state, 1);
    ASSERT_GE(merged.firstError(), 0);
    EXPECT_EQ(merged.relTime[std::size_t(merged.firstError())], 100 - 3);
    EXPECT_EQ(f.log().filter(kCompareError).size(), 1);
}

#include "view/PageState.h"
#include "view/PageTime.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace seiran {
namespace {

// Fills the display list from run lengths, with its end entry and counters.
void setRuns(PageState& page, const std::vector<int>& runs, int firstStart = 0)
{
    int start = firstStart;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        page.displayList.set(int(i), i, runs[i], start);
        start += runs[i];
    }
    page.displayList.setEnd(int(runs.size()), start);
    page.recCount = int(runs.size());
    page.sampleCount = start;
}

// The record of every sample from -2 to sampleCount + 2, by walking the list once: the last
// record starting at or before the sample.
std::vector<int> recordsByWalk(const PageState& page)
{
    std::vector<int> records;
    int i = 0;
    for (std::int64_t s = -2; s <= page.sampleCount + 2; ++s) {
        if (s < 0) {
            records.push_back(0);
            continue;
        }
        if (s >= page.sampleCount) {
            records.push_back(page.recCount - 1);
            continue;
        }
        while (i + 1 < page.recCount && page.displayList.start(i + 1) <= s)
            ++i;
        records.push_back(i);
    }
    return records;
}

TEST(FindRecordAt, EndsAndBeyond)
{
    PageState page;
    setRuns(page, {3, 1, 128, 7, 2});
    EXPECT_EQ(FindRecordAt(page, -1), 0);
    EXPECT_EQ(FindRecordAt(page, -100000), 0);
    EXPECT_EQ(FindRecordAt(page, 0), 0);
    EXPECT_EQ(FindRecordAt(page, 2), 0);
    EXPECT_EQ(FindRecordAt(page, 3), 1);
    EXPECT_EQ(FindRecordAt(page, 4), 2);
    EXPECT_EQ(FindRecordAt(page, 131), 2);
    EXPECT_EQ(FindRecordAt(page, 132), 3);
    EXPECT_EQ(FindRecordAt(page, 140), 4); // the last sample
    EXPECT_EQ(FindRecordAt(page, 141), 4); // beyond it
    EXPECT_EQ(FindRecordAt(page, 1 << 30), 4);
}

TEST(FindRecordAt, OneRecord)
{
    PageState page;
    setRuns(page, {50});
    for (int s : {-5, 0, 1, 25, 49, 50, 51})
        EXPECT_EQ(FindRecordAt(page, s), 0) << s;
}

// An empty list has no last record to give: the answer stays a valid index.
TEST(FindRecordAt, EmptyListGivesRecordZero)
{
    PageState page;
    setRuns(page, {});
    for (int s : {-1, 0, 1, 1000})
        EXPECT_EQ(FindRecordAt(page, s), 0) << s;
}

// A list read from a file need not start at sample 0; a sample before its first record gives
// record 0 and never looks in front of the list.
TEST(FindRecordAt, ListStartingLate)
{
    PageState page;
    setRuns(page, {4, 4, 4}, 10);
    EXPECT_EQ(FindRecordAt(page, 3), 0);
    EXPECT_EQ(FindRecordAt(page, 13), 0);
    EXPECT_EQ(FindRecordAt(page, 14), 1);
    EXPECT_EQ(FindRecordAt(page, 21), 2);
}

TEST(FindRecordAt, CountBeyondTheCapacityIsLimited)
{
    PageState page;
    setRuns(page, {5, 5});
    page.recCount = kDisplayRecords + 1000; // as a broken data file could give
    EXPECT_EQ(FindRecordAt(page, page.sampleCount + 1), kDisplayRecords - 1);
}

TEST(FindRecordAt, MatchesAScanOnRandomLists)
{
    std::mt19937 random(12345);
    PageState page;
    for (int round = 0; round < 200; ++round) {
        const int count = 1 + int(random() % 600);
        const bool withEmptyRuns = round % 4 == 0; // runs of 0 as data files may hold
        std::vector<int> runs(std::size_t(count), 0);
        for (int& run : runs)
            run = int(random() % 128) + (withEmptyRuns ? 0 : 1);
        runs.front() = std::max(runs.front(), 1);
        setRuns(page, runs);
        const std::vector<int> expected = recordsByWalk(page);
        for (std::int64_t s = -2; s <= page.sampleCount + 2; ++s)
            ASSERT_EQ(FindRecordAt(page, s), expected[std::size_t(s + 2)]) << "round " << round << " sample " << s;
    }
}

TEST(SampleTime, FromTheTriggerOfEachForm)
{
    PageState page;
    page.triggerPosition = 100;
    page.recTriggerSample = 1000;
    EXPECT_DOUBLE_EQ(SampleTime(page, 150, 10), 500);
    EXPECT_DOUBLE_EQ(SampleTime(page, 0, 10), -1000);
    page.compressed = true;
    EXPECT_DOUBLE_EQ(SampleTime(page, 900, 2.5), -250);
    EXPECT_DOUBLE_EQ(SampleTime(page, 1000, 2.5), 0);
}

TEST(SampleTime, CompressedTimeIsTheRecordTimePlusTheOffsetInItsRun)
{
    PageState page;
    page.compressed = true;
    setRuns(page, {10, 20, 30, 40});
    page.recTriggerSample = page.displayList.start(2); // 30
    const RecordListView list = page.displayRecords();
    for (int s : {0, 15, 29, 30, 31, 59, 60, 99}) {
        const int i = FindRecordAt(page, s);
        EXPECT_DOUBLE_EQ(SampleTime(page, s, 1), double(list.relTime(i) + (s - list.start(i)))) << s;
    }
    EXPECT_EQ(list.relTime(0), -30);
    EXPECT_EQ(list.relTime(4), 70); // the end entry
}

TEST(MeasureTime, BitPlanesUseTheMemoryDepth)
{
    PageState page;
    page.dataCount = 32768;
    page.sampleCount = 5; // not used on bit-plane pages
    EXPECT_EQ(MeasureTime(page, QStringLiteral("10nS")), QStringLiteral("327.68μS"));
    EXPECT_EQ(page.measureTimeText, QStringLiteral("327.68μS"));
    EXPECT_EQ(MeasureTime(page, QStringLiteral("2μS")), QStringLiteral("65.536mS"));
}

TEST(MeasureTime, CompressedPagesUseTheSampleTotal)
{
    PageState page;
    page.compressed = true;
    page.dataCount = 262144;
    page.sampleCount = 262016;
    EXPECT_EQ(MeasureTime(page, QStringLiteral("10nS")), QStringLiteral("2.62016mS"));
    page.sampleCount = 3000000;
    EXPECT_EQ(MeasureTime(page, QStringLiteral("500mS")), QStringLiteral("1500000S"));
    EXPECT_EQ(page.measureTimeText, QStringLiteral("1500000S"));
}

} // namespace
} // namespace seiran

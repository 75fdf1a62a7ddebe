#include "view/PageState.h"
#include "view/SampleStorage.h"

#include <gtest/gtest.h>

#include <memory>

namespace seiran {
namespace {

constexpr int kLastChannel = kMaxChannels - 1;
constexpr int kLastSample = kMaxSamples - 1;

TEST(BitPlanes, UnallocatedPlanesReadLowAndCostNothing)
{
    BitPlanes planes;
    EXPECT_EQ(planes.allocatedBytes(), 0U);
    EXPECT_FALSE(planes.level(kLastChannel, kLastSample));
    const BitPlanes& view = planes;
    for (std::uint64_t w : view.words(10))
        ASSERT_EQ(w, 0U);
    planes.set(5, 5, false); // writing L needs no memory
    planes.clear();
    EXPECT_FALSE(planes.allocated());
    planes.set(5, 5, true);
    EXPECT_EQ(planes.allocatedBytes(), std::size_t(kMaxChannels) * kMaxSamples / 8);
    EXPECT_TRUE(planes.level(5, 5));
}

TEST(BitPlanes, LevelsRoundTripAtTheCorners)
{
    BitPlanes planes;
    const std::pair<int, int> points[] = {{0, 0}, {kLastChannel, kLastSample}, {7, 63}, {7, 64}, {40, 131071}};
    for (auto [c, i] : points)
        planes.set(c, i, true);
    for (auto [c, i] : points)
        EXPECT_TRUE(planes.level(c, i)) << c << "," << i;
    // Neighbours in time and across channels are untouched.
    EXPECT_FALSE(planes.level(kLastChannel, kLastSample - 1));
    EXPECT_FALSE(planes.level(kLastChannel - 1, kLastSample));
    EXPECT_FALSE(planes.level(7, 62));
    EXPECT_FALSE(planes.level(7, 65));
    EXPECT_FALSE(planes.level(8, 63));

    planes.set(kLastChannel, kLastSample, false);
    EXPECT_FALSE(planes.level(kLastChannel, kLastSample));
    EXPECT_TRUE(planes.level(0, 0));
}

TEST(BitPlanes, WordsHoldOneChannelInSampleOrder)
{
    BitPlanes planes;
    planes.set(3, 130, true);
    planes.set(3, 4095 * 64 + 63, true);
    const BitPlanes& view = planes;
    EXPECT_EQ(view.words(3)[2], std::uint64_t(1) << 2);
    EXPECT_EQ(view.words(3)[4095], std::uint64_t(1) << 63);
    EXPECT_EQ(view.words(2)[2], 0U);
    planes.words(9)[1] = 0x8000000000000001U;
    EXPECT_TRUE(planes.level(9, 64));
    EXPECT_TRUE(planes.level(9, 127));
    EXPECT_FALSE(planes.level(9, 65));
}

TEST(BitPlanes, OutsideIndexesAreIgnored)
{
    BitPlanes planes;
    planes.set(0, 0, true);
    for (auto [c, i] : {std::pair{64, 0}, {-1, 0}, {0, kMaxSamples}, {0, -1}}) {
        planes.set(c, i, true);
        EXPECT_FALSE(planes.level(c, i));
    }
    EXPECT_FALSE(planes.level(1, 0)); // channel 64 did not wrap onto another channel
    const BitPlanes& view = planes;
    EXPECT_EQ(view.words(64)[0], 0U);
}

TEST(BitPlanes, ClearAllOrARange)
{
    BitPlanes planes;
    planes.set(2, 99, true);
    planes.set(2, 100, true);
    planes.set(15, 0, true);
    planes.set(16, 5, true);
    planes.clear(16, 100);
    EXPECT_FALSE(planes.level(2, 99));
    EXPECT_FALSE(planes.level(15, 0));
    EXPECT_TRUE(planes.level(2, 100));
    EXPECT_TRUE(planes.level(16, 5));
    planes.clear();
    EXPECT_FALSE(planes.level(2, 100));
    EXPECT_FALSE(planes.level(16, 5));
    EXPECT_TRUE(planes.allocated()); // kept for the next capture
}

TEST(BitPlanes, CopyARange)
{
    BitPlanes from;
    BitPlanes to;
    from.set(0, 0, true);
    from.set(15, 999, true);
    from.set(15, 1000, true); // beyond the range
    from.set(16, 10, true);   // beyond the channels
    to.set(0, 500, true);     // overwritten by the source's L
    to.set(0, 1000, true);    // kept
    to.copyFrom(from, 16, 1000);
    EXPECT_TRUE(to.level(0, 0));
    EXPECT_TRUE(to.level(15, 999));
    EXPECT_FALSE(to.level(15, 1000));
    EXPECT_FALSE(to.level(16, 10));
    EXPECT_FALSE(to.level(0, 500));
    EXPECT_TRUE(to.level(0, 1000));
}

TEST(RecordList, EntriesAndCapacity)
{
    RecordList list(kDisplayRecords);
    EXPECT_EQ(list.capacity(), kDisplayRecords);
    EXPECT_EQ(list.value(3), 0U);
    EXPECT_FALSE(list.allocated());
    list.set(kDisplayRecords, 0xFFFF000000000001U, 7, 1 << 30); // the end entry's place
    EXPECT_EQ(list.value(kDisplayRecords), 0xFFFF000000000001U);
    EXPECT_EQ(list.runLength(kDisplayRecords), 7);
    EXPECT_EQ(list.start(kDisplayRecords), 1 << 30);
    list.set(kDisplayRecords + 1, 1, 1, 1); // outside
    list.set(-1, 1, 1, 1);
    EXPECT_EQ(list.value(kDisplayRecords + 1), 0U);
    EXPECT_EQ(list.value(-1), 0U);
    EXPECT_EQ(list.values().size(), std::size_t(kDisplayRecords) + 1);
}

TEST(RecordList, CopyIsLimitedToTheShorterList)
{
    RecordList display(kDisplayRecords);
    RecordList stored(kStoredRecords);
    for (int i = 0; i <= kStoredRecords + 10; ++i)
        display.set(i, std::uint64_t(i), 1, i);
    stored.copyFrom(display, kStoredRecords + 10);
    EXPECT_EQ(stored.start(kStoredRecords), kStoredRecords);
    EXPECT_EQ(stored.value(kStoredRecords - 1), std::uint64_t(kStoredRecords - 1));
}

TEST(PageSamples, CopyBitPlanesToReference)
{
    auto page = std::make_unique<PageState>();
    page->channelCount = 64;
    page->dataCount = kMaxSamples;
    page->sampleBits.set(kLastChannel, kLastSample, true);
    page->sampleBits.set(0, 0, true);
    page->referenceBits.set(1, 1, true);
    CopySamplesToReference(*page);
    EXPECT_TRUE(page->referenceBits.level(kLastChannel, kLastSample));
    EXPECT_TRUE(page->referenceBits.level(0, 0));
    EXPECT_FALSE(page->referenceBits.level(1, 1));

    ClearPagePlanes(*page);
    EXPECT_FALSE(page->sampleBits.level(0, 0));
    EXPECT_FALSE(page->referenceBits.level(kLastChannel, kLastSample));
}

TEST(PageSamples, CopyRecordListToReference)
{
    auto page = std::make_unique<PageState>();
    page->compressed = true;
    const int runs[] = {5, 3, 128};
    int start = 0;
    for (int i = 0; i < 3; ++i) {
        page->displayList.set(i, 0x10U + std::uint64_t(i), runs[i], start);
        start += runs[i];
    }
    page->displayList.setEnd(3, start);
    page->recCount = 3;
    page->sampleCount = start;
    page->recTriggerSample = 5;
    CopySamplesToReference(*page);

    const RecordListView ref = page->referenceRecords();
    EXPECT_EQ(ref.count(), 3);
    EXPECT_EQ(ref.sampleTotal(), 136);
    EXPECT_EQ(ref.triggerSample(), 5);
    EXPECT_EQ(ref.value(1), 0x11U);
    EXPECT_EQ(ref.runLength(2), 128);
    EXPECT_EQ(ref.start(3), 136); // end entry copied
    EXPECT_EQ(ref.relTime(0), -5);
    EXPECT_EQ(ref.relTime(2), 3);
    EXPECT_TRUE(ref.level(4, 0));
    EXPECT_FALSE(ref.level(0, 0));
}

TEST(PageSamples, QuietListsAreLimitedToTheCapacity)
{
    auto page = std::make_unique<PageState>();
    SetQuietRecordLists(*page, kDisplayRecords + 5, kStoredRecords + 5);
    EXPECT_EQ(page->recCount, kDisplayRecords);
    EXPECT_EQ(page->measRecCount, kStoredRecords);
    EXPECT_EQ(page->displayList.start(kDisplayRecords), kDisplayRecords);
    EXPECT_EQ(page->measuredList.runLength(kStoredRecords - 1), 1);
}

} // namespace
} // namespace seiran

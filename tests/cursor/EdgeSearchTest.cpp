#include "CursorFixture.h"

#include "cursor/EdgeSearch.h"

#include <algorithm>
#include <random>

namespace seiran {
namespace {

using namespace test;

std::uint64_t bit(int channel) { return std::uint64_t(1) << channel; }

// The levels of every sample as one word (bit c = channel c), read one level at a time.
std::vector<std::uint64_t> planeWords(const PageState& page)
{
    std::vector<std::uint64_t> words(std::size_t(page.dataCount), 0);
    for (int c = 0; c < page.channelCount; ++c) {
        for (int n = 0; n < page.dataCount; ++n) {
            if (page.sampleBits.level(c, n))
                words[std::size_t(n)] |= bit(c);
        }
    }
    return words;
}

std::vector<std::uint64_t> recordWords(const PageState& page)
{
    std::vector<std::uint64_t> words;
    for (int i = 0; i < page.recCount; ++i)
        words.insert(words.end(), std::size_t(page.displayList.runLength(i)), page.displayList.value(i));
    return words;
}

// An edge by definition: a sample whose selected levels differ from those of the sample before.
std::optional<std::int32_t> bruteNext(const std::vector<std::uint64_t>& words, std::int64_t cursor, std::uint64_t mask)
{
    for (std::int64_t j = std::max<std::int64_t>(cursor + 1, 1); j < std::int64_t(words.size()); ++j) {
        if ((words[std::size_t(j)] ^ words[std::size_t(j - 1)]) & mask)
            return std::int32_t(j);
    }
    return std::nullopt;
}

std::optional<std::int32_t> brutePrevious(const std::vector<std::uint64_t>& words, std::int64_t cursor,
                                          std::uint64_t mask)
{
    for (std::int64_t j = std::min<std::int64_t>(cursor - 1, std::int64_t(words.size()) - 1); j >= 1; --j) {
        if ((words[std::size_t(j)] ^ words[std::size_t(j - 1)]) & mask)
            return std::int32_t(j);
    }
    return std::nullopt;
}

// Cursor positions around the ends, the word and block edges of the planes, and at random.
std::vector<std::int32_t> probePositions(int total, std::mt19937& random)
{
    std::vector<std::int32_t> positions{-3, 0, 1, 2, total - 2, total - 1, total, total + 5};
    for (int w : {63, 64, 65, 127, 128, 4095, 4096, 4097, 8191, 8192})
        positions.push_back(w);
    std::uniform_int_distribution<int> any(0, total);
    for (int i = 0; i < 300; ++i)
        positions.push_back(any(random));
    return positions;
}

// Masks of one, a few and all channels, the last and first included.
std::vector<std::uint64_t> probeMasks(int channels, std::mt19937& random)
{
    const std::uint64_t all = channels == 64 ? ~std::uint64_t(0) : bit(channels) - 1;
    std::vector<std::uint64_t> masks{bit(0), bit(channels - 1), all};
    for (int i = 0; i < 5; ++i)
        masks.push_back(std::uniform_int_distribution<std::uint64_t>()(random) & all);
    return masks;
}

class EdgeSearch : public CursorFixture {};

TEST_F(EdgeSearch, PreviousEdgeIsStrictlyLeftAndNextStrictlyRight)
{
    makePlanePage(4, 1000);
    setHigh(0, 200, 300); // edges at 200 and 300
    const std::uint64_t ch0 = bit(0);
    struct Case {
        std::int32_t cursor;
        std::optional<std::int32_t> previous, next;
    };
    for (const Case& c : std::vector<Case>{{300, 200, std::nullopt},
                                           {200, std::nullopt, 300},
                                           {250, 200, 300},
                                           {301, 300, std::nullopt},
                                           {199, std::nullopt, 200},
                                           {1000, 300, std::nullopt},
                                           {0, std::nullopt, 200}}) {
        SCOPED_TRACE(c.cursor);
        EXPECT_EQ(FindPreviousEdge(page(), c.cursor, ch0), c.previous);
        EXPECT_EQ(FindNextEdge(page(), c.cursor, ch0), c.next);
    }
}

TEST_F(EdgeSearch, CursorOnAnEdgeFindsTheOneBeforeOnRecordsToo)
{
    makeRecordPage(4, {{0, 200}, {1, 100}, {0, 700}}); // edges at 200 and 300
    EXPECT_EQ(FindPreviousEdge(page(), 300, bit(0)), 200);
    EXPECT_EQ(FindPreviousEdge(page(), 200, bit(0)), std::nullopt);
    EXPECT_EQ(FindNextEdge(page(), 200, bit(0)), 300);
    EXPECT_EQ(FindNextEdge(page(), 300, bit(0)), std::nullopt);
    EXPECT_EQ(FindNextEdge(page(), 0, bit(0)), 200);
    // A change only on a channel that is not selected is no edge.
    EXPECT_EQ(FindNextEdge(page(), 0, bit(1)), std::nullopt);
}

TEST_F(EdgeSearch, NothingMovesWithoutASelectedChannel)
{
    makePlanePage(8, 1000);
    setHigh(3, 200, 300);
    page().channelSelected.fill(false);
    page().cursorA = 250;
    EXPECT_FALSE(PreviousEdge(page(), TimeCursor::A));
    EXPECT_FALSE(NextEdge(page(), TimeCursor::A));
    EXPECT_EQ(page().cursorA, 250);
    // A selection beyond the page's channels does not count either.
    page().channelSelected[40] = true;
    EXPECT_EQ(SelectedChannelMask(page()), 0U);
    EXPECT_FALSE(NextEdge(page(), TimeCursor::A));

    page().channelSelected[3] = true;
    EXPECT_TRUE(NextEdge(page(), TimeCursor::A));
    EXPECT_EQ(page().cursorA, 300);
    EXPECT_TRUE(PreviousEdge(page(), TimeCursor::A));
    EXPECT_EQ(page().cursorA, 200);
}

TEST_F(EdgeSearch, BitPlanesAgreeWithAScanOfEverySample)
{
    std::mt19937 random(20240611);
    // A sample count that ends inside a word: the planes hold old levels beyond it.
    const int total = 70001;
    makePlanePage(64, total);
    for (int c = 0; c < 64; ++c) {
        // Channels from busy to quiet: runs up to 4, 400, 40000 samples; channel 5 never changes.
        if (c == 5)
            continue;
        const int longest = c % 3 == 0 ? 4 : (c % 3 == 1 ? 400 : 40000);
        std::uniform_int_distribution<int> run(1, longest);
        bool high = c % 2 == 0;
        for (int n = 0; n < kMaxSamples;) {
            const int end = std::min(n + run(random), kMaxSamples);
            if (high)
                setHigh(c, n, end);
            high = !high;
            n = end;
        }
    }
    const auto words = planeWords(page());
    for (std::uint64_t mask : probeMasks(64, random)) {
        for (std::uint64_t single : {mask, bit(5), bit(2) | bit(5)}) {
            for (std::int32_t cursor : probePositions(total, random)) {
                SCOPED_TRACE(testing::Message() << "mask " << std::hex << single << std::dec << " cursor " << cursor);
                ASSERT_EQ(FindNextEdge(page(), cursor, single), bruteNext(words, cursor, single));
                ASSERT_EQ(FindPreviousEdge(page(), cursor, single), brutePrevious(words, cursor, single));
            }
        }
    }
}

TEST_F(EdgeSearch, RecordsAgreeWithAScanOfEverySample)
{
    std::mt19937 random(7);
    std::vector<RecordRun> runs;
    std::uniform_int_distribution<int> length(1, 128);
    std::uniform_int_distribution<int> flip(0, 63);
    std::uint64_t value = 0x0123456789ABCDEFULL;
    for (int i = 0; i < 4000; ++i) {
        runs.push_back({value, length(random)});
        // Mostly one channel changes, now and then several; quiet stretches for the high channels.
        value ^= bit(flip(random) % (i % 500 < 250 ? 8 : 64));
        if (i % 7 == 0)
            value ^= bit(flip(random));
    }
    makeRecordPage(64, runs);
    const auto words = recordWords(page());
    ASSERT_EQ(std::int64_t(words.size()), page().sampleCount);
    for (std::uint64_t mask : probeMasks(64, random)) {
        for (std::uint64_t m : {mask, bit(60), bit(3)}) {
            for (std::int32_t cursor : probePositions(page().sampleCount, random)) {
                SCOPED_TRACE(testing::Message() << "mask " << std::hex << m << std::dec << " cursor " << cursor);
                ASSERT_EQ(FindNextEdge(page(), cursor, m), bruteNext(words, cursor, m));
                ASSERT_EQ(FindPreviousEdge(page(), cursor, m), brutePrevious(words, cursor, m));
            }
        }
    }
}

TEST_F(EdgeSearch, EmptyPagesHaveNoEdges)
{
    makePlanePage(8, 0);
    EXPECT_EQ(FindNextEdge(page(), 0, bit(0)), std::nullopt);
    EXPECT_EQ(FindPreviousEdge(page(), 0, bit(0)), std::nullopt);
    makeRecordPage(8, {});
    EXPECT_EQ(FindNextEdge(page(), 0, bit(0)), std::nullopt);
    EXPECT_EQ(FindPreviousEdge(page(), 5, bit(0)), std::nullopt);
}

} // namespace
} // namespace seiran

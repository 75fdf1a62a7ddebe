#include "cursor/EdgeSearch.h"

#include "view/PageTime.h"

#include <algorithm>
#include <array>
#include <bit>

namespace seiran {

namespace {

// Words tested per pass over the selected channels: a pass reads 512 bytes of each channel, so the
// walk stays in cache however many channels are selected and ends soon after the edge.
constexpr int kBlockWords = 64;

int planeSampleCount(const PageState& page) { return std::clamp(page.dataCount, 0, kMaxSamples); }

int recordCount(const PageState& page) { return std::clamp(page.recCount, 0, page.displayList.capacity()); }

// Bit b of the result is set when sample 64 w + b differs from the sample before it on the
// channel. Sample 0 has no sample before it and never counts.
std::uint64_t changeBits(BitPlanes::ConstChannelWords words, int w)
{
    const std::uint64_t carry = w > 0 ? words[std::size_t(w - 1)] >> 63 : words[0] & 1U;
    return words[std::size_t(w)] ^ ((words[std::size_t(w)] << 1) | carry);
}

// The changes of all selected channels in the words [first, first + count).
void collectChanges(const PageState& page, std::uint64_t channels, int first, int count,
                    std::array<std::uint64_t, kBlockWords>& out)
{
    std::fill_n(out.begin(), count, 0);
    for (std::uint64_t rest = channels; rest != 0; rest &= rest - 1) {
        const auto words = page.sampleBits.words(std::countr_zero(rest));
        for (int i = 0; i < count; ++i)
            out[std::size_t(i)] |= changeBits(words, first + i);
    }
}

// Bits [from, to] of a word (0 ≤ from ≤ to ≤ 63).
std::uint64_t bitRange(int from, int to)
{
    const std::uint64_t upTo = to >= 63 ? ~std::uint64_t(0) : (std::uint64_t(1) << (to + 1)) - 1;
    return upTo & (~std::uint64_t(0) << from);
}

// The first change in samples [from, last], walking right.
std::optional<std::int32_t> nextPlaneChange(const PageState& page, std::uint64_t channels, int from, int last)
{
    if (from > last)
        return std::nullopt;
    std::array<std::uint64_t, kBlockWords> changes{};
    const int lastWord = last / 64;
    for (int block = from / 64; block <= lastWord; block += kBlockWords) {
        const int count = std::min(kBlockWords, lastWord - block + 1);
        collectChanges(page, channels, block, count, changes);
        for (int i = 0; i < count; ++i) {
            const int w = block + i;
            const int lo = w == from / 64 ? from % 64 : 0;
            const int hi = w == lastWord ? last % 64 : 63;
            const std::uint64_t bits = changes[std::size_t(i)] & bitRange(lo, hi);
            if (bits != 0)
                return w * 64 + std::countr_zero(bits);
        }
    }
    return std::nullopt;
}

// The last change in samples [first, from], walking left.
std::optional<std::int32_t> previousPlaneChange(const PageState& page, std::uint64_t channels, int first, int from)
{
    if (from < first)
        return std::nullopt;
    std::array<std::uint64_t, kBlockWords> changes{};
    const int firstWord = first / 64;
    for (int end = from / 64; end >= firstWord; end -= kBlockWords) {
        const int start = std::max(end - kBlockWords + 1, firstWord);
        const int count = end - start + 1;
        collectChanges(page, channels, start, count, changes);
        for (int i = count - 1; i >= 0; --i) {
            const int w = start + i;
            const int lo = w == firstWord ? first % 64 : 0;
            const int hi = w == from / 64 ? from % 64 : 63;
            const std::uint64_t bits = changes[std::size_t(i)] & bitRange(lo, hi);
            if (bits != 0)
                return w * 64 + 63 - std::countl_zero(bits);
        }
    }
    return std::nullopt;
}

} // namespace

std::uint64_t SelectedChannelMask(const PageState& page)
{
    const int channels = std::clamp(page.channelCount, 0, kMaxChannels);
    std::uint64_t mask = 0;
    for (int c = 0; c < channels; ++c) {
        if (page.channelSelected[std::size_t(c)])
            mask |= std::uint64_t(1) << c;
    }
    return mask;
}

std::optional<std::int32_t> FindPreviousEdge(const PageState& page, std::int32_t cursor, std::uint64_t channels)
{
    if (channels == 0)
        return std::nullopt;
    if (!page.compressed) {
        // Edges lie at samples 1 … dataCount − 1; the one found is below the cursor.
        const int count = planeSampleCount(page);
        const std::int64_t from = std::min<std::int64_t>(std::int64_t(cursor) - 1, count - 1);
        if (from < 1)
            return std::nullopt;
        return previousPlaneChange(page, channels, 1, int(from));
    }
    const int count = recordCount(page);
    if (cursor <= 1 || count < 2)
        return std::nullopt;
    // k: the last record starting below the cursor (records of no samples, which the compare
    // view has, start where the next one does).
    int k = FindRecordAt(page, std::int64_t(cursor) - 1);
    const auto starts = page.displayList.starts();
    while (k + 1 < count && starts[std::size_t(k + 1)] < cursor)
        ++k;
    const auto values = page.displayList.values();
    for (int j = k; j >= 1; --j) {
        if (((values[std::size_t(j)] ^ values[std::size_t(j - 1)]) & channels) != 0)
            return starts[std::size_t(j)];
    }
    return std::nullopt;
}

std::optional<std::int32_t> FindNextEdge(const PageState& page, std::int32_t cursor, std::uint64_t channels)
{
    if (channels == 0)
        return std::nullopt;
    if (!page.compressed) {
        const int count = planeSampleCount(page);
        const std::int64_t from = std::max<std::int64_t>(std::int64_t(cursor) + 1, 1);
        if (from > count - 1)
            return std::nullopt;
        return nextPlaneChange(page, channels, int(from), count - 1);
    }
    const int count = recordCount(page);
    if (cursor >= page.sampleCount - 1 || count < 2)
        return std::nullopt;
    const auto values = page.displayList.values();
    const auto starts = page.displayList.starts();
    for (int j = FindRecordAt(page, cursor); j <= count - 2; ++j) {
        if (((values[std::size_t(j)] ^ values[std::size_t(j + 1)]) & channels) != 0) {
            // A record of no samples in the compare view can start at the cursor itself.
            if (starts[std::size_t(j + 1)] > cursor)
                return starts[std::size_t(j + 1)];
        }
    }
    return std::nullopt;
}

bool PreviousEdge(PageState& page, TimeCursor cursor)
{
    std::int32_t& value = CursorValue(page, cursor);
    const auto edge = FindPreviousEdge(page, value, SelectedChannelMask(page));
    if (!edge)
        return false;
    value = *edge;
    return true;
}

bool NextEdge(PageState& page, TimeCursor cursor)
{
    std::int32_t& value = CursorValue(page, cursor);
    const auto edge = FindNextEdge(page, value, SelectedChannelMask(page));
    if (!edge)
        return false;
    value = *edge;
    return true;
}

} // namespace seiran

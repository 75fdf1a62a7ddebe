#include "view/SampleStorage.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstring>

namespace seiran {

namespace {

constexpr std::size_t kPlaneWords = std::size_t(kMaxChannels) * kWordsPerChannel;

// What an unallocated channel reads as.
const std::array<std::uint64_t, kWordsPerChannel> kQuietChannel{};

// Bits 0 to bits - 1 set (bits 1 to 64).
constexpr std::uint64_t lowMask(int bits)
{
    return bits >= 64 ? ~std::uint64_t(0) : (std::uint64_t(1) << unsigned(bits)) - 1U;
}

} // namespace

// ---- BitPlanes

void BitPlanes::allocate()
{
    if (!m_words)
        m_words = allocateZeroed<std::uint64_t>(kPlaneWords); // all L
}

std::size_t BitPlanes::allocatedBytes() const
{
    return m_words ? kPlaneWords * sizeof(std::uint64_t) : 0;
}

void BitPlanes::set(int channel, int index, bool high)
{
    if (!inRange(channel, index))
        return;
    if (!m_words) {
        if (!high)
            return; // already L
        allocate();
    }
    std::uint64_t& w = m_words[std::size_t(channel) * kWordsPerChannel + std::size_t(index) / 64];
    const std::uint64_t bit = std::uint64_t(1) << (unsigned(index) & 63U);
    w = high ? (w | bit) : (w & ~bit);
    if (high)
        m_written |= std::uint64_t(1) << unsigned(channel);
}

BitPlanes::ConstChannelWords BitPlanes::words(int channel) const
{
    if (!m_words || unsigned(channel) >= unsigned(kMaxChannels))
        return ConstChannelWords(kQuietChannel);
    return ConstChannelWords(m_words.get() + std::size_t(channel) * kWordsPerChannel, kWordsPerChannel);
}

BitPlanes::ChannelWords BitPlanes::words(int channel)
{
    assert(unsigned(channel) < unsigned(kMaxChannels));
    allocate();
    channel = std::clamp(channel, 0, kMaxChannels - 1);
    m_written |= std::uint64_t(1) << unsigned(channel);
    return ChannelWords(m_words.get() + std::size_t(channel) * kWordsPerChannel, kWordsPerChannel);
}

void BitPlanes::clear()
{
    // Channels never written are still the operating system's zero pages: leave them untouched.
    if (!m_words)
        return;
    for (int c = 0; c < kMaxChannels; ++c)
        if ((m_written >> unsigned(c)) & 1U)
            std::memset(m_words.get() + std::size_t(c) * kWordsPerChannel, 0, kWordsPerChannel * sizeof(std::uint64_t));
    m_written = 0;
}

void BitPlanes::clear(int channels, int samples)
{
    channels = std::clamp(channels, 0, kMaxChannels);
    samples = std::clamp(samples, 0, kMaxSamples);
    if (!m_words || samples == 0)
        return;
    const int fullWords = samples / 64;
    const int restBits = samples % 64;
    for (int c = 0; c < channels; ++c) {
        std::uint64_t* run = m_words.get() + std::size_t(c) * kWordsPerChannel;
        std::fill(run, run + fullWords, 0);
        if (restBits)
            run[fullWords] &= ~lowMask(restBits);
    }
}

void BitPlanes::copyFrom(const BitPlanes& source, int channels, int samples)
{
    channels = std::clamp(channels, 0, kMaxChannels);
    samples = std::clamp(samples, 0, kMaxSamples);
    if (&source == this || channels == 0 || samples == 0)
        return;
    if (!source.m_words && !m_words)
        return; // both all L
    allocate();
    const int fullWords = samples / 64;
    const int restBits = samples % 64;
    for (int c = 0; c < channels; ++c) {
        if (!((source.m_written >> unsigned(c)) & 1U) && !((m_written >> unsigned(c)) & 1U))
            continue; // L into L
        m_written |= std::uint64_t(1) << unsigned(c);
        const ConstChannelWords from = source.words(c);
        std::uint64_t* to = m_words.get() + std::size_t(c) * kWordsPerChannel;
        std::copy(from.begin(), from.begin() + fullWords, to);
        if (restBits) {
            const std::uint64_t mask = lowMask(restBits);
            to[fullWords] = (to[fullWords] & ~mask) | (from[std::size_t(fullWords)] & mask);
        }
    }
}

// ---- RecordList

void RecordList::allocate()
{
    if (m_values)
        return;
    m_values = allocateZeroed<std::uint64_t>(std::size_t(m_entries));
    m_starts = allocateZeroed<std::int32_t>(std::size_t(m_entries));
    m_runs = allocateZeroed<std::int32_t>(std::size_t(m_entries));
}

std::size_t RecordList::allocatedBytes() const
{
    if (!m_values)
        return 0;
    return std::size_t(m_entries) * (sizeof(std::uint64_t) + 2 * sizeof(std::int32_t));
}

void RecordList::set(int i, std::uint64_t value, std::int32_t runLength, std::int32_t start)
{
    if (!inRange(i))
        return;
    allocate();
    m_values[std::size_t(i)] = value;
    m_runs[std::size_t(i)] = runLength;
    m_starts[std::size_t(i)] = start;
    m_used = std::max(m_used, i + 1);
}

std::span<const std::uint64_t> RecordList::values() const
{
    return m_values ? std::span<const std::uint64_t>(m_values.get(), std::size_t(m_entries))
                    : std::span<const std::uint64_t>();
}

std::span<const std::int32_t> RecordList::starts() const
{
    return m_starts ? std::span<const std::int32_t>(m_starts.get(), std::size_t(m_entries))
                    : std::span<const std::int32_t>();
}

std::span<const std::int32_t> RecordList::runLengths() const
{
    return m_runs ? std::span<const std::int32_t>(m_runs.get(), std::size_t(m_entries))
                  : std::span<const std::int32_t>();
}

void RecordList::copyFrom(const RecordList& source, int count)
{
    if (&source == this)
        return;
    const int n = std::clamp(count + 1, 0, std::min(m_entries, source.m_entries));
    if (n == 0 || (!source.m_values && !m_values))
        return;
    allocate();
    if (!source.m_values) {
        const int dirty = std::min(n, m_used);
        std::fill_n(m_values.get(), dirty, 0);
        std::fill_n(m_starts.get(), dirty, 0);
        std::fill_n(m_runs.get(), dirty, 0);
        return;
    }
    m_used = std::max(m_used, n);
    std::copy_n(source.m_values.get(), n, m_values.get());
    std::copy_n(source.m_starts.get(), n, m_starts.get());
    std::copy_n(source.m_runs.get(), n, m_runs.get());
}

void RecordList::clear()
{
    if (!m_values)
        return;
    std::fill_n(m_values.get(), m_used, 0);
    std::fill_n(m_starts.get(), m_used, 0);
    std::fill_n(m_runs.get(), m_used, 0);
    m_used = 0;
}

} // namespace seiran

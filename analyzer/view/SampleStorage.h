#pragma once

#include "ZeroedBlock.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace seiran {

inline constexpr int kMaxChannels = 64;
inline constexpr int kMaxSamples = 262144;              // per channel in bit planes
inline constexpr int kWordsPerChannel = kMaxSamples / 64; // 4096
inline constexpr int kDisplayRecords = 524288;          // display list, without its end entry
inline constexpr int kStoredRecords = 262144;           // measured and reference lists

// 64 channels × 262144 levels, one bit a sample, channel-major: each channel is a run of
// 4096 words and bit n of the run (bit n % 64 of word n / 64) is sample index n. Edge search and
// row drawing scan one channel's words without touching the others.
//
// The block is allocated at most once and never shrunk. Until then every level reads as L and
// costs no memory; the first write, or allocate(), creates it all L. A channel's pages become
// resident when it is first written, and clearing skips channels not written since, so memory
// follows the channels a mode uses. Reads outside the planes give L and writes outside are
// ignored, so an index slip cannot reach other memory.
class BitPlanes {
public:
    using ChannelWords = std::span<std::uint64_t, kWordsPerChannel>;
    using ConstChannelWords = std::span<const std::uint64_t, kWordsPerChannel>;

    bool allocated() const { return m_words != nullptr; }
    void allocate();
    std::size_t allocatedBytes() const;

    bool level(int channel, int index) const
    {
        if (!inRange(channel, index) || !m_words)
            return false;
        return (word(channel, index) >> (unsigned(index) & 63U)) & 1U;
    }
    void set(int channel, int index, bool high);

    // The channel's words for whole-word scans; an unallocated plane reads as a block of zeros.
    ConstChannelWords words(int channel) const;
    ChannelWords words(int channel); // allocates; channel must be 0 to 63

    void clear(); // everything L
    // Channels 0 to channels - 1, samples 0 to samples - 1 become L.
    void clear(int channels, int samples);
    // Copies channels 0 to channels - 1, samples 0 to samples - 1; the rest stays as it was.
    void copyFrom(const BitPlanes& source, int channels, int samples);

private:
    static bool inRange(int channel, int index)
    {
        return unsigned(channel) < unsigned(kMaxChannels) && unsigned(index) < unsigned(kMaxSamples);
    }
    std::uint64_t word(int channel, int index) const
    {
        return m_words[std::size_t(channel) * kWordsPerChannel + std::size_t(index) / 64];
    }

    ZeroedBlock<std::uint64_t> m_words;
    std::uint64_t m_written = 0; // bit c: channel c may hold an H since the last clear
};

// The arrays of one record list of a compressed capture, structure of arrays: the channel word and
// the first sample (counted from the start of the capture) and run length of each record, plus one
// end entry after the last record. The time relative to the trigger is derived from the start
// (RecordListView::relTime), since a record always starts at start − trigger on the time line.
// Run lengths are kept rather than derived: in the compare view a record's run can be 0 where
// only the other waveform has samples, and data files carry their own run field.
//
// Starts are 32-bit: a capture spans at most 524288 × 128 samples and data files store positions
// as signed 32-bit numbers, so every sample total up to 2^31 − 1 fits.
// Allocation follows BitPlanes: at most once, all zero before, reads outside give 0; clearing
// touches only the entries written since the last clear.
class RecordList {
public:
    // records: the list's capacity without the end entry.
    explicit RecordList(int records) : m_entries(records + 1) {}

    int capacity() const { return m_entries - 1; }
    int entries() const { return m_entries; } // capacity + the end entry
    bool allocated() const { return m_values != nullptr; }
    void allocate();
    std::size_t allocatedBytes() const;

    std::uint64_t value(int i) const { return inRange(i) && m_values ? m_values[std::size_t(i)] : 0; }
    std::int32_t start(int i) const { return inRange(i) && m_starts ? m_starts[std::size_t(i)] : 0; }
    std::int32_t runLength(int i) const { return inRange(i) && m_runs ? m_runs[std::size_t(i)] : 0; }

    void set(int i, std::uint64_t value, std::int32_t runLength, std::int32_t start);
    // The entry after the last record: value 0, run 0, start = the sample total.
    void setEnd(int count, std::int32_t sampleTotal) { set(count, 0, 0, sampleTotal); }

    // Whole arrays for fast walks (all entries, end entry included); empty until allocated.
    std::span<const std::uint64_t> values() const;
    std::span<const std::int32_t> starts() const;
    std::span<const std::int32_t> runLengths() const;

    // Copies entries 0 to count (the end entry of a count-record list included), limited to both
    // capacities.
    void copyFrom(const RecordList& source, int count);
    void clear();

private:
    bool inRange(int i) const { return unsigned(i) < unsigned(m_entries); }

    int m_entries;
    int m_used = 0; // entries 0 to m_used - 1 may be non-zero
    ZeroedBlock<std::uint64_t> m_values;
    ZeroedBlock<std::int32_t> m_starts;
    ZeroedBlock<std::int32_t> m_runs;
};

// A record list with its counters, read the way the waveform code reads it.
class RecordListView {
public:
    RecordListView(const RecordList& list, int count, std::int32_t sampleTotal, std::int32_t triggerSample)
        : m_list(&list), m_count(count), m_sampleTotal(sampleTotal), m_triggerSample(triggerSample)
    {
    }

    int count() const { return m_count; }
    std::int32_t sampleTotal() const { return m_sampleTotal; }
    std::int32_t triggerSample() const { return m_triggerSample; }
    const RecordList& list() const { return *m_list; }

    std::uint64_t value(int i) const { return m_list->value(i); }
    std::int32_t start(int i) const { return m_list->start(i); }
    std::int32_t runLength(int i) const { return m_list->runLength(i); }
    // First sample of the record counted from the trigger sample (negative before it).
    std::int64_t relTime(int i) const { return std::int64_t(start(i)) - m_triggerSample; }
    bool level(int channel, int i) const
    {
        return unsigned(channel) < 64U && ((value(i) >> unsigned(channel)) & 1U);
    }

private:
    const RecordList* m_list;
    int m_count;
    std::int32_t m_sampleTotal;
    std::int32_t m_triggerSample;
};

} // namespace seiran

#include "capture/SampleDecoding.h"

#include "capture/TransferWorkspace.h"
#include "view/PageState.h"

#include <algorithm>

namespace seiran {

namespace {

// ---- compressed captures

// The raw index of the trigger entry. The memory is read from the oldest entry (P1) on, so the
// entry written at the trigger (P2) lies (P2 - P1) mod N entries in. Pointers outside the memory
// are taken modulo its size, and the adjustments never step outside it, so that a pointer word
// the instrument got wrong cannot send the decoding beyond the entries.
int triggerEntry(const CompressedCapture& c, int n, std::span<std::uint32_t> count)
{
    std::int64_t t = (std::int64_t(c.p2) - std::int64_t(c.p1)) % n;
    if (t < 0)
        t += n;
    if (c.trimBlock && (c.p1 & 1U)) {
        // An odd stop position leaves a half-written first entry.
        t = std::min<std::int64_t>(t + 1, n - 1);
        count[0] = 0;
    }
    if ((count[std::size_t(t)] & kRunLengthBits) == 0 && t > 0)
        --t;
    return int(t);
}

void timesAroundTrigger(std::span<const std::uint32_t> count, std::span<std::int64_t> rel, int n, int trigger)
{
    rel[std::size_t(trigger)] = 0;
    for (int k = trigger - 1; k >= 0; --k) {
        const std::uint32_t w = count[std::size_t(k)];
        rel[std::size_t(k)] = entryValid(w) ? rel[std::size_t(k) + 1] - entryRunLength(w) : 0;
    }
    for (int k = trigger + 1; k < n; ++k) {
        rel[std::size_t(k)] = entryValid(count[std::size_t(k)])
            ? rel[std::size_t(k) - 1] + entryRunLength(count[std::size_t(k) - 1])
            : 0;
    }
}

void timesFromStart(std::span<const std::uint32_t> count, std::span<std::int64_t> rel, int n)
{
    rel[0] = 0;
    for (int k = 1; k < n; ++k) {
        const std::uint32_t before = count[std::size_t(k) - 1];
        rel[std::size_t(k)] = entryValid(before) && entryValid(count[std::size_t(k)])
            ? rel[std::size_t(k) - 1] + entryRunLength(before)
            : 0;
    }
}

// The measured list is the display list as the transfer left it, cut at its own capacity.
void copyToMeasuredList(PageState& page)
{
    page.measuredList.copyFrom(page.displayList, page.recCount);
    page.measRecCount = std::min(page.recCount, page.measuredList.capacity());
    if (page.measRecCount < page.recCount) {
        page.measSampleCount = page.measuredList.start(page.measRecCount);
        page.measuredList.setEnd(page.measRecCount, page.measSampleCount);
    } else {
        page.measSampleCount = page.sampleCount;
    }
    page.measTriggerSample = std::min(page.recTriggerSample, page.measSampleCount);
}

// ---- bit-plane captures

// Two banks X (planes 0 to b - 1) and Y (planes b to 2b - 1) interleaved into one sample stream:
// output 2m is the first bank at index m, output 2m + 1 the other bank at m + secondOffset.
struct MergeOrder {
    int firstBank;    // 0 = X, 1 = Y
    int secondOffset; // 0 or 1
};
constexpr MergeOrder kXThenY{0, 0};     // X0 Y0 X1 Y1 ...
constexpr MergeOrder kYThenX{1, 0};     // Y0 X0 Y1 X1 ...
constexpr MergeOrder kXThenNextY{0, 1}; // X0 Y1 X1 Y2 ...
constexpr MergeOrder kYThenNextX{1, 1}; // Y0 X1 Y1 X2 ...

// Status bits that choose the orders.
constexpr std::uint32_t kStatusTrimOneXFirst = 0x04;
constexpr std::uint32_t kStatusTrimBlockYFirst = 0x40;

MergeOrder trimOneOrder(std::uint32_t status)
{
    const bool xFirst = (status & kStatusTrimOneXFirst) != 0 || ((status >> 3) & 3U) == 2U;
    return xFirst ? kXThenY : kYThenNextX;
}

MergeOrder trimBlockOrder(std::uint32_t status)
{
    return (status & kStatusTrimBlockYFirst) != 0 ? kYThenX : kXThenNextY;
}

std::uint64_t lowBits(int bits)
{
    return bits >= 64 ? ~std::uint64_t(0) : (std::uint64_t(1) << unsigned(bits)) - 1U;
}

// The sample stream one merge row produces, read by index; indexes outside the row's output or
// its source give 0.
class MergedSamples {
public:
    // Interleave of two banks of bankBits planes each.
    MergedSamples(std::span<const std::uint64_t> source, int bankBits, MergeOrder order, int outputs)
        : m_source(source)
        , m_outputs(std::max(outputs, 0))
        , m_interleaved(true)
        , m_secondOffset(order.secondOffset)
    {
        const Bank x{0, lowBits(bankBits)};
        // A bank beyond the 64 planes is empty.
        const Bank y = bankBits >= 64 ? Bank{0, 0} : Bank{unsigned(bankBits), lowBits(bankBits)};
        m_even = order.firstBank == 0 ? x : y;
        m_odd = order.firstBank == 0 ? y : x;
    }

    // The source as it stands, planes 0 to bits - 1.
    static MergedSamples direct(std::span<const std::uint64_t> source, int bits, int outputs)
    {
        MergedSamples m(source, bits, kXThenY, outputs);
        m.m_interleaved = false;
        return m;
    }

    int outputs() const { return m_outputs; }

    std::uint64_t at(int k) const
    {
        if (unsigned(k) >= unsigned(m_outputs))
            return 0;
        std::size_t index = std::size_t(k);
        Bank bank = m_even;
        if (m_interleaved) {
            const bool odd = (k & 1) != 0;
            index = std::size_t(k >> 1) + (odd ? std::size_t(m_secondOffset) : 0);
            bank = odd ? m_odd : m_even;
        }
        return index < m_source.size() ? (m_source[index] >> bank.shift) & bank.mask : 0;
    }

private:
    struct Bank {
        unsigned shift;
        std::uint64_t mask;
    };

    std::span<const std::uint64_t> m_source;
    int m_outputs;
    bool m_interleaved;
    int m_secondOffset;
    Bank m_even{};
    Bank m_odd{};
};

// Collects sample words 64 at a time and stores them as channel words of the planes.
class PlaneWriter {
public:
    PlaneWriter(BitPlanes& planes, int channels, int samples)
        : m_channels(std::clamp(channels, 0, kMaxChannels))
        , m_words((std::clamp(samples, 0, kMaxSamples) + 63) / 64)
    {
        for (int c = 0; c < m_channels; ++c)
            m_planes[std::size_t(c)] = planes.words(c).data();
    }

    int wordsToWrite() const { return m_words; }

    void push(std::uint64_t sample)
    {
        m_block[std::size_t(m_filled++)] = sample;
        if (m_filled == 64)
            flush();
    }

    // Pads the last block with L and writes every word up to the sample count.
    void finish()
    {
        if (m_filled > 0) {
            while (m_filled < 64)
                m_block[std::size_t(m_filled++)] = 0;
            flush();
        }
        for (; m_next < m_words; ++m_next)
            for (int c = 0; c < m_channels; ++c)
                m_planes[std::size_t(c)][m_next] = 0;
    }

private:
    void flush()
    {
        if (m_next < m_words) {
            TransposeBits64(m_block);
            for (int c = 0; c < m_channels; ++c)
                m_planes[std::size_t(c)][m_next] = m_block[std::size_t(c)];
            ++m_next;
        }
        m_filled = 0;
    }

    int m_channels;
    int m_words;
    int m_next = 0;
    int m_filled = 0;
    std::array<std::uint64_t, 64> m_block{};
    std::array<std::uint64_t*, kMaxChannels> m_planes{};
};

} // namespace

bool DecodeCompressedCapture(TransferWorkspace& workspace, PageState& page, const CompressedCapture& capture)
{
    const int n = std::clamp(capture.entries, 0, TransferWorkspace::kRawEntries);
    if (n == 0)
        return false;
    const std::span<const std::uint64_t> value = workspace.rawValue();
    const std::span<std::uint32_t> count = workspace.rawCount();
    const std::span<std::int64_t> rel = workspace.rawRelTime();

    int trigger = 0;
    if (capture.triggerFound) {
        trigger = triggerEntry(capture, n, count);
        timesAroundTrigger(count, rel, n, trigger);
    } else {
        timesFromStart(count, rel, n);
    }
    if (capture.trimBlock) {
        for (int k = std::max(0, n - kTrimBlockTail); k < n; ++k)
            count[std::size_t(k)] &= ~kEntryValid;
    }

    int valid = 0;
    for (int k = 0; k < n; ++k)
        valid += entryValid(count[std::size_t(k)]) ? 1 : 0;
    if (valid < 2)
        return false;

    RecordList& list = page.displayList;
    const int previousEnd = std::clamp(page.recCount, 0, list.capacity());
    // The trigger record is the first record kept from the trigger entry on: the records before
    // it are the valid entries before the trigger entry.
    int triggerRecord = 0;
    int records = 0;
    std::int32_t start = 0;
    for (int k = 0; k < n && records < list.capacity(); ++k) {
        if (k == trigger)
            triggerRecord = records;
        const std::uint32_t w = count[std::size_t(k)];
        if (!entryValid(w))
            continue;
        const int run = entryRunLength(w);
        list.set(records++, value[std::size_t(k)], run, start);
        start += run;
    }
    list.setEnd(records, start);
    // What the previous list held beyond the new end entry.
    for (int i = records + 1; i <= previousEnd; ++i)
        list.set(i, 0, 0, 0);

    page.recCount = records;
    page.sampleCount = start;
    page.recTriggerSample = capture.triggerFound ? list.start(triggerRecord) : 0;
    copyToMeasuredList(page);
    return true;
}

void AssembleBitPlanes(TransferWorkspace& workspace, BitPlanes& planes, const BitPlaneCapture& capture)
{
    const int cc = std::clamp(capture.channelCount, 0, kMaxChannels);
    const int dc = std::clamp(capture.dataCount, 0, kMaxSamples);
    const std::span<const std::uint64_t> a = workspace.workPlanesA();
    // The interleaving rows run 128 samples past dataCount; those samples are not shown.
    const int trimmedOutputs = dc + 128;

    MergedSamples merged = MergedSamples::direct(a, cc, dc);
    if (capture.trimBlock && capture.trimOne) {
        // Two stages: banks of 2cc planes into workPlanesB, then banks of cc planes from there.
        const std::span<std::uint64_t> b = workspace.workPlanesB();
        const int stageOne = std::clamp((capture.dataCount + 130) / 2 - 1, 0, TransferWorkspace::kPlaneIndexesB);
        const MergedSamples first(a, 2 * cc, trimBlockOrder(capture.status), stageOne);
        for (int i = 0; i < stageOne; ++i)
            b[std::size_t(i)] = first.at(i);
        merged = MergedSamples(b.first(std::size_t(stageOne)), cc, trimOneOrder(capture.status), trimmedOutputs);
    } else if (capture.trimBlock) {
        merged = MergedSamples(a, cc, trimBlockOrder(capture.status), trimmedOutputs);
    } else if (capture.trimOne) {
        merged = MergedSamples(a, cc, trimOneOrder(capture.status), dc);
    }

    const int shift = std::max(capture.startUpShift, 0);
    PlaneWriter writer(planes, cc, dc);
    if (capture.keepEnabledSamples) {
        // Only the samples with channel 0 high were taken; they move to the front. The start-up
        // shift then drops the first of them.
        int skip = shift;
        int kept = 0;
        for (int k = 0; k < dc; ++k) {
            const std::uint64_t w = merged.at(k);
            if ((w & 1U) == 0)
                continue;
            if (skip > 0) {
                --skip;
                continue;
            }
            writer.push(w);
            ++kept;
        }
        for (; kept < dc; ++kept)
            writer.push(0);
    } else {
        for (int i = 0; i < dc; ++i)
            writer.push(merged.at(i + shift));
    }
    writer.finish();
}

int StartUpShift(int deviceType, QStringView hardwareMode, bool compressed, int dataCount)
{
    if (compressed || dataCount <= 32000)
        return 0;
    const bool late = ((deviceType == 7 || deviceType == 8) && hardwareMode.contains(u"16ch"))
        || (deviceType >= 10 && deviceType <= 13 && hardwareMode.contains(u"32ch"));
    return late ? 97 : 96;
}

void TransposeBits64(std::array<std::uint64_t, 64>& a)
{
    // Swap the off-diagonal blocks of 32, then 16, ... then 1 bits: at each step the high
    // columns of row k change places with the low columns of row k + j.
    std::uint64_t m = 0x00000000FFFFFFFFULL;
    for (unsigned j = 32; j != 0; j >>= 1, m ^= m << j) {
        for (unsigned k = 0; k < 64; k = ((k | j) + 1) & ~j) {
            const std::uint64_t t = ((a[k] >> j) ^ a[k | j]) & m;
            a[k | j] ^= t;
            a[k] ^= t << j;
        }
    }
}

} // namespace seiran

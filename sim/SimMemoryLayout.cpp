#include "SimMemoryLayout.h"

#include "CommandCodes.h"

#include <algorithm>
#include <initializer_list>

namespace seiran::sim {

namespace {

constexpr std::uint16_t types(std::initializer_list<int> list)
{
    std::uint16_t mask = 0;
    for (int t : list)
        mask = std::uint16_t(mask | 1u << t);
    return mask;
}

constexpr unsigned kTrims = kTrimOne | kTrimBlock;

struct InterleaveRow {
    std::uint16_t deviceTypes;
    int channelCode;  // -1: any
    unsigned trims;   // the module's trim flags, exactly
    int userSlot;     // 0 built-in, 1 user, -1 either
    std::uint32_t bits;
};

// First match wins. Both orders of each merge occur on modules whose memory the reads carry
// whole: TrimOne X first on types 4 (bit 2), 5 and the TK-C4_AX-9 user module (bits 3-4 = 10),
// Y first on 6 and 8; TrimBlock bit 6 set on 8 and 13, clear on 10; both trims (bit 6, X first)
// on 7 with 8 channels, (bit 6, Y first) on 11 with 16, (clear, X first) on 12 with 16, (clear,
// Y first) on the 8-channel 232C modules of 11 and 12.
constexpr InterleaveRow kInterleaveRows[] = {
    {types({4}), -1, kTrimOne, 0, 0x04},
    {types({5}), -1, kTrimOne, 0, 0x10},
    {types({6}), 4, kTrimOne, 0, 0x00},
    {types({6}), 3, kTrimOne, 0, 0x18},
    {types({8}), -1, kTrimOne, 0, 0x08},
    {types({10, 11, 12, 13}), -1, kTrimOne, 1, 0x14},
    {types({8, 13}), -1, kTrimBlock, -1, 0x40},
    {types({10}), -1, kTrimBlock, -1, 0x00},
    {types({7}), 3, kTrims, 0, 0x44},
    {types({7}), 4, kTrims, 0, 0x48},
    {types({11}), 4, kTrims, 0, 0x40},
    {types({12}), 4, kTrims, 0, 0x10},
    {types({11, 12}), 3, kTrims, 0, 0x08},
    {types({11}), 5, kTrims, 0, 0x14},
    {types({12}), 5, kTrims, 0, 0x54},
};

constexpr std::uint32_t kJunkWord = 0x00FF5A5A; // what the discarded pre-reads answer

int wordsPerEntry(EntryForm form)
{
    switch (form) {
    case EntryForm::SampleWord:
    case EntryForm::PackedRecord: return 1;
    case EntryForm::SamplePair:
    case EntryForm::SampleWordPair:
    case EntryForm::RecordPair: return 2;
    case EntryForm::RecordQuad: return 4;
    }
    return 1;
}

// The unit count the host derives.
int unitCount(int deviceType, bool builtIn, const ModuleDescriptor& m, int dataCount)
{
    const bool one = m.has(kTrimOne);
    const bool block = m.has(kTrimBlock);
    const bool trimmedFamily = deviceType >= 10 || (builtIn && (deviceType == 7 || deviceType == 8));
    if (trimmedFamily && block && one)
        return (dataCount + 130) / 64;
    if (trimmedFamily && block)
        return (dataCount + 129) / 32;
    if (deviceType < 10 && builtIn && (deviceType == 6 || deviceType == 9))
        return dataCount / 16;
    if (builtIn && deviceType == 5 && one)
        return (dataCount + 1) / 16;
    return dataCount / 8;
}

// Position q of lane `lane`: the TrimOne order (also stage 2 of both trims).
MergeSource trimOneSource(bool xFirst, std::int64_t s)
{
    const bool odd = s % 2 == 1;
    if (xFirst)
        return odd ? MergeSource{s / 2, 0} : MergeSource{s / 2 - 1, 1};
    return odd ? MergeSource{s / 2, 1} : MergeSource{s / 2, 0};
}

// The TrimBlock order (also stage 1 of both trims); lane 0 = X, 1 = Y.
MergeSource trimBlockSource(bool bit6, std::int64_t s)
{
    const bool odd = s % 2 == 1;
    if (bit6)
        return odd ? MergeSource{s / 2, 1} : MergeSource{s / 2 - 1, 0};
    return odd ? MergeSource{s / 2, 0} : MergeSource{s / 2, 1};
}

} // namespace

ReadGeometry readGeometry(int deviceType, bool builtIn, int firmwareLevel, const ModuleDescriptor& module,
                          int dataCount, int headEntries)
{
    ReadGeometry g;
    const bool compressed = module.has(kCompressed);
    const bool quads = compressed && module.channelCount() > 32;
    g.units = unitCount(deviceType, builtIn, module, dataCount);
    const bool olderBlocks = deviceType >= 6 && deviceType <= 9;
    if (deviceType >= 10 && builtIn) {
        g.path = ReadPath::BuiltInNewer;
        g.form = compressed ? EntryForm::PackedRecord : EntryForm::SamplePair;
        g.planes = 64;
        g.blocks = g.units / 16;
        g.headEntries = std::clamp(headEntries, 0, compressed ? 8 : 7);
        const int perHead = compressed ? 2 : 1;
        const int perBlock = compressed ? 512 : 256;
        g.entries = std::int64_t(perHead) * g.headEntries + std::int64_t(perBlock) * g.blocks;
    } else if (olderBlocks && firmwareLevel >= 2) {
        g.path = ReadPath::Version2;
        g.blocks = (g.units - 1) / 32 + 1;
        if (builtIn) {
            g.form = compressed ? EntryForm::PackedRecord : EntryForm::SampleWord;
            g.entries = 512 * std::int64_t(g.blocks);
        } else {
            g.form = !compressed ? EntryForm::SampleWordPair : quads ? EntryForm::RecordQuad : EntryForm::RecordPair;
            g.entries = 256 * std::int64_t(g.blocks);
            if (quads)
                g.blocks *= 2;
        }
    } else if (olderBlocks && builtIn) {
        g.path = ReadPath::Version1;
        g.form = compressed ? EntryForm::PackedRecord : EntryForm::SampleWord;
        g.entries = 16 * std::int64_t(g.units);
    } else {
        g.path = ReadPath::Packets;
        g.form = !compressed ? EntryForm::SampleWordPair : quads ? EntryForm::RecordQuad : EntryForm::RecordPair;
        g.entries = 8 * std::int64_t(g.units);
    }
    // Newer instruments flush eight two-word entries of a block-trimmed compressed module first.
    if (deviceType >= 10 && compressed && module.has(kTrimBlock) && g.path != ReadPath::Version2)
        g.junkWords = 16;
    return g;
}

MergeOrder mergeOrderOf(const ModuleDescriptor& module, std::uint32_t status)
{
    MergeOrder order;
    const bool one = module.has(kTrimOne);
    const bool block = module.has(kTrimBlock);
    order.row = one && block ? MergeRow::BothTrims : block ? MergeRow::TrimBlock : one ? MergeRow::TrimOne : MergeRow::Plain;
    order.xFirst = (status & 0x04) != 0 || (status >> 3 & 3u) == 2;
    order.bit6 = (status & 0x40) != 0;
    return order;
}

std::int64_t mergeOutputs(MergeRow row, int dataCount)
{
    return row == MergeRow::TrimBlock || row == MergeRow::BothTrims ? std::int64_t(dataCount) + 128 : dataCount;
}

MergeSource mergeSource(const MergeOrder& order, int dataCount, std::int64_t s)
{
    switch (order.row) {
    case MergeRow::Plain: return {s - 1, 0};
    case MergeRow::TrimOne: return trimOneSource(order.xFirst, s);
    case MergeRow::TrimBlock: return trimBlockSource(order.bit6, s);
    case MergeRow::BothTrims: {
        // Stage 2 picks an output of stage 1 and its half; stage 1 picks the bank.
        const MergeSource w = trimOneSource(order.xFirst, s);
        const std::int64_t s1 = w.index + 1;
        if (s1 < 1 || s1 > (std::int64_t(dataCount) + 130) / 2 - 1)
            return {};
        const MergeSource bank = trimBlockSource(order.bit6, s1);
        return {bank.index, bank.lane * 2 + w.lane};
    }
    }
    return {};
}

std::uint32_t defaultInterleaveBits(int deviceType, bool builtIn, const ModuleDescriptor& module)
{
    const unsigned trims = module.flags & kTrims;
    for (const InterleaveRow& row : kInterleaveRows) {
        const bool typeFits = deviceType >= 0 && deviceType < 16 && (row.deviceTypes >> deviceType & 1u) != 0;
        const bool channelsFit = row.channelCode < 0 || row.channelCode == module.channelCode;
        const bool slotFits = row.userSlot < 0 || (row.userSlot == 1) == !builtIn;
        if (typeFits && channelsFit && slotFits && row.trims == trims)
            return row.bits;
    }
    return 0;
}

void SampleMemory::reserve(std::int64_t entries, bool records)
{
    m_entries = ZeroedArray<std::uint64_t>(std::size_t(std::max<std::int64_t>(entries, 0)));
    m_counts = ZeroedArray<std::uint8_t>(records ? m_entries.size() : 0);
}

std::int64_t SampleMemory::layoutPositions(const ReadGeometry& geometry, const MergeOrder& order, int channelCount,
                                           int dataCount, std::span<const std::uint64_t> positions,
                                           std::span<std::uint8_t> carried)
{
    const std::int64_t entries = std::min(geometry.entries, capacity());
    std::fill_n(m_entries.begin(), std::max<std::int64_t>(entries, 0), 0);
    const std::uint64_t mask = channelCount >= 64 ? ~std::uint64_t(0) : (std::uint64_t(1) << channelCount) - 1;
    std::int64_t missing = 0;
    for (std::size_t q = 0; q < positions.size(); ++q) {
        const MergeSource src = mergeSource(order, dataCount, std::int64_t(q) + 1);
        const bool fits = src.index >= 0 && src.index < entries && (src.lane + 1) * channelCount <= geometry.planes;
        if (q < carried.size())
            carried[q] = fits ? 1 : 0;
        if (!fits) {
            ++missing;
            continue;
        }
        m_entries[std::size_t(src.index)] |= (positions[q] & mask) << (src.lane * channelCount);
    }
    return missing;
}

SampleMemory::RecordLayout SampleMemory::layoutRecords(const RecordImage& image, std::int64_t memorySize,
                                                       bool trimBlock, std::uint64_t valueMask,
                                                       std::span<ShownRecord> shown)
{
    RecordLayout out;
    const std::int64_t n = memorySize;
    const std::int64_t held = std::int64_t(image.runs.size());
    const std::int64_t writeStop = image.written % n;
    // Modules that drop their newest entries read from the even address at or below P1.
    const std::int64_t readStart = trimBlock ? writeStop & ~std::int64_t(1) : writeStop;
    const std::int64_t oldest = image.written - held; // entry number of runs[0]
    auto dropped = [&](std::int64_t i) { return trimBlock && (i >= n - 128 || (readStart != writeStop && i == 0)); };

    std::int64_t shownCount = 0;
    std::int64_t samples = 0;
    std::int64_t triggerIndex = -1;
    std::int64_t pointerIndex = -1;
    if (image.triggerRun >= 0 && image.pointerRun >= 0) {
        triggerIndex = ((oldest + image.triggerRun) % n - readStart + n) % n;
        pointerIndex = ((oldest + image.pointerRun) % n - readStart + n) % n;
    }
    for (std::int64_t i = 0; i < n && i < capacity(); ++i) {
        const std::int64_t address = (readStart + i) % n;
        const std::int64_t age = ((writeStop - 1 - address) % n + n) % n; // 0 = newest
        // Entries are stored in pairs: when writing stopped inside a pair, its first half is not
        // valid. The host reads from that pair on and counts the half as invalid when it finds
        // the trigger; without a trigger it takes the count word as it stands.
        const bool halfPair = trimBlock && readStart != writeStop && i == 0;
        if (age >= held || halfPair) {
            m_entries[std::size_t(i)] = 0;
            m_counts[std::size_t(i)] = 0;
            continue;
        }
        const std::int64_t r = held - 1 - age;
        const int length = r == held - 1 ? image.lastLength : image.runs[std::size_t(r)].length;
        const std::uint64_t value = image.runs[std::size_t(r)].value & valueMask;
        m_entries[std::size_t(i)] = value;
        m_counts[std::size_t(i)] = std::uint8_t(kCountValid | (length - 1));
        if (dropped(i) || shownCount >= std::int64_t(shown.size()))
            continue;
        if (i == triggerIndex)
            out.triggerSample = samples;
        shown[std::size_t(shownCount++)] = {value, length};
        samples += length;
    }
    out.shownCount = shownCount;
    out.sampleCount = samples;

    // The trigger counts as found when the host can take it from the pointer word: the pointer
    // entry is the trigger's own (longer than one sample) or the one-sample entry after it, and
    // neither is dropped.
    bool found = triggerIndex >= 0 && !dropped(triggerIndex) && !dropped(pointerIndex);
    if (found) {
        const int pointerLength = (m_counts[std::size_t(pointerIndex)] & 0x7F) + 1;
        const bool pointsAtTrigger = pointerIndex == triggerIndex;
        found = pointsAtTrigger ? pointerLength > 1 : pointerLength == 1;
    }
    out.triggerFound = found;
    if (!found)
        out.triggerSample = 0;
    out.pointer.writeStop = std::uint32_t(writeStop);
    if (found) {
        const std::int64_t p2 = (readStart + pointerIndex) % n;
        // The host adds 16 to P2 on block-trimmed modules.
        const std::int64_t reported = trimBlock ? (p2 - 16 + n) % n : p2;
        out.pointer.word1 = std::uint32_t(reported & 0xFFFFFF) | 0x80000000u;
    }
    return out;
}

void SampleMemory::rewind(const ReadGeometry& g)
{
    const int headEntries = g.path == ReadPath::BuiltInNewer ? g.headEntries : 0;
    // A head entry is two words: a sample pair, or two packed records.
    const std::int64_t headItems = g.form == EntryForm::PackedRecord ? 2 * headEntries : headEntries;
    m_headEntries = headEntries;
    m_entryStream = {};
    m_blockStream = {};
    switch (g.path) {
    case ReadPath::BuiltInNewer:
        m_entryStream = {g.form, 0, headItems, g.junkWords, 0};
        m_blockStream = {g.form, headItems, g.entries - headItems, 0, 0};
        break;
    case ReadPath::Version2:
        m_blockStream = {g.form, 0, g.entries, 0, 0};
        break;
    case ReadPath::Version1:
    case ReadPath::Packets:
        m_entryStream = {g.form, 0, g.entries, g.junkWords, 0};
        break;
    }
}

int SampleMemory::headRemaining() const
{
    const std::int64_t wordsRead = std::max<std::int64_t>(m_entryStream.position - m_entryStream.junk, 0);
    return int(std::max<std::int64_t>(m_headEntries - wordsRead / 2, 0));
}

std::uint32_t SampleMemory::word(const WordStream& s, std::int64_t at) const
{
    if (at < s.junk)
        return kJunkWord;
    at -= s.junk;
    const int per = wordsPerEntry(s.form);
    const std::int64_t item = at / per;
    const int part = int(at % per);
    if (item >= s.count)
        return 0;
    const std::int64_t e = s.first + item;
    if (e >= capacity())
        return 0;
    const std::uint64_t value = m_entries[std::size_t(e)];
    const std::uint32_t count = m_counts.empty() ? 0 : m_counts[std::size_t(e)];
    switch (s.form) {
    case EntryForm::SamplePair: return std::uint32_t(part == 0 ? value : value >> 32);
    case EntryForm::SampleWord: return std::uint32_t(value);
    case EntryForm::SampleWordPair: return part == 0 ? std::uint32_t(value) : 0;
    case EntryForm::PackedRecord: return std::uint32_t(value & 0xFFFF) | count << 16;
    case EntryForm::RecordPair: return part == 0 ? std::uint32_t(value) : count;
    case EntryForm::RecordQuad:
        return part == 0 ? std::uint32_t(value) : part == 1 ? std::uint32_t(value >> 32) : part == 2 ? count : 0;
    }
    return 0;
}

void SampleMemory::readStream(WordStream& stream, std::span<std::uint8_t> answer)
{
    const std::size_t words = (answer.size() + 3) / 4;
    for (std::size_t w = 0; w < words; ++w) {
        const std::uint32_t value = word(stream, stream.position + std::int64_t(w));
        for (std::size_t b = 0; b < 4 && 4 * w + b < answer.size(); ++b)
            answer[4 * w + b] = std::uint8_t(value >> (8 * b));
    }
    stream.position += std::int64_t(words);
}

void SampleMemory::read(int code, std::span<std::uint8_t> answer)
{
    if (code == cmd::kCapturedEntries)
        readStream(m_entryStream, answer);
    else if (code == cmd::kMemoryBlock)
        readStream(m_blockStream, answer);
}

} // namespace seiran::sim

#pragma once

#include "SimZeroed.h"

#include "SimCapture.h"
#include "SimModuleProperty.h"

#include <cstdint>
#include <span>
#include <vector>

namespace seiran::sim {

// How an analyzer module's memory leaves the instrument: which reads the host makes for the
// module's type, slot, flags and the firmware level, what each entry holds, and where each sample
// has to sit so that the host's interleave merge puts it back in order.

enum class ReadPath {
    BuiltInNewer, // types 10 and above, built-in slot: head entries (0x31) after 0x30, 0x33 blocks
    Version2,     // types 6 to 9, firmware level 2 or more: 0x33 blocks
    Version1,     // types 6 to 9, built-in slot, firmware level below 2: 64-byte 0x31 reads
    Packets,      // every other case: 0x31 reads of 8 entries a unit
};

// What one memory entry is on the wire.
enum class EntryForm : std::uint8_t {
    SamplePair,     // two words: channels 0-31, channels 32-63
    SampleWord,     // one word: channels 0-31
    SampleWordPair, // two words: channels 0-31, a word the host ignores
    PackedRecord,   // one word: levels in bits 0-15, count word in bits 16-23
    RecordPair,     // two words: levels, count word
    RecordQuad,     // four words: levels 0-31, levels 32-63, count word, a word the host ignores
};

struct ReadGeometry {
    ReadPath path = ReadPath::Packets;
    EntryForm form = EntryForm::SampleWordPair;
    int units = 0;           // the host's unit count
    int blocks = 0;          // 0x33 reads of 2048 bytes (two per block for record quads)
    int headEntries = 0;     // built-in newer path: two-word entries read with 0x31 before the blocks
    int junkWords = 0;       // words of the discarded 0x31 pre-reads, ahead of everything else
    int planes = 32;         // channels one entry carries (bit-plane modules)
    std::int64_t entries = 0; // entries the host's reads take, head entries included
};

// `headEntries` is used on the built-in newer path only.
ReadGeometry readGeometry(int deviceType, bool builtIn, int firmwareLevel, const ModuleDescriptor& module,
                          int dataCount, int headEntries);

// The interleave merge of a bit-plane module, chosen by its trims and status bits 2, 3, 4, 6.
enum class MergeRow { Plain, TrimOne, TrimBlock, BothTrims };

struct MergeOrder {
    MergeRow row = MergeRow::Plain;
    bool xFirst = false; // the TrimOne order (stage 2 of both trims): bit 2, or bits 3-4 = binary 10
    bool bit6 = false;   // the TrimBlock order (stage 1 of both trims)
};

MergeOrder mergeOrderOf(const ModuleDescriptor& module, std::uint32_t status);
// Output samples the merge writes: the data count, or 128 more on block-trimmed modules.
std::int64_t mergeOutputs(MergeRow row, int dataCount);

// Where output sample s (counted from 1) of the merge comes from: memory entry `index`, channel
// block `lane` (channels lane x channelCount and up). index -1: nowhere.
struct MergeSource {
    std::int64_t index = -1;
    int lane = 0;
};
MergeSource mergeSource(const MergeOrder& order, int dataCount, std::int64_t s);

// Status bits 2, 3, 4 and 6.
inline constexpr std::uint32_t kInterleaveBits = 0x5C;
// The interleave bits a module of this kind reports; every merge order occurs on some model.
std::uint32_t defaultInterleaveBits(int deviceType, bool builtIn, const ModuleDescriptor& module);

inline constexpr std::uint8_t kCountValid = 0x80;
// The pointer word (0x38).
struct PointerWord {
    std::uint32_t writeStop = 0; // P1
    std::uint32_t word1 = 0;     // P2 in bits 0-23, bit 31 = trigger found
};

// One record as the host ends up showing it.
struct ShownRecord {
    std::uint64_t value = 0;
    int length = 0;
};

// The memory image of one module and the host's read position in it. Sized once; laying out a
// capture and every read work in the arrays reserved here.
class SampleMemory {
public:
    SampleMemory() = default;
    // Room for `entries` entries (records: values and count words).
    void reserve(std::int64_t entries, bool records);
    std::int64_t capacity() const { return std::int64_t(m_entries.size()); }

    // Bit-plane modules: puts every merge position of `positions` where the host's reads and
    // merge take it from. `carried[q]` tells whether position q fits the reads; returns how many
    // positions do not.
    std::int64_t layoutPositions(const ReadGeometry& geometry, const MergeOrder& order, int channelCount,
                                 int dataCount, std::span<const std::uint64_t> positions, std::span<std::uint8_t> carried);

    // Compressed modules: the ring of `memorySize` entries as the host reads it from the pointer
    // word on, and what the host's decoding ends with. `shown` receives the records shown (its
    // size is at least memorySize); returns their number.
    struct RecordLayout {
        PointerWord pointer;
        std::int64_t shownCount = 0;
        std::int64_t triggerSample = 0; // sample number of the trigger in what is shown
        bool triggerFound = false;
        std::int64_t sampleCount = 0;
    };
    RecordLayout layoutRecords(const RecordImage& image, std::int64_t memorySize, bool trimBlock,
                               std::uint64_t valueMask, std::span<ShownRecord> shown);

    // Read position back to the first word.
    void rewind(const ReadGeometry& geometry);
    // A 0x31 or 0x33 read: the next words of that read's stream.
    void read(int code, std::span<std::uint8_t> answer);
    // Built-in newer path: head entries the host has not read yet.
    int headRemaining() const;

private:
    struct WordStream {
        EntryForm form = EntryForm::SampleWord;
        std::int64_t first = 0;
        std::int64_t count = 0;
        int junk = 0;
        std::int64_t position = 0;
    };
    std::uint32_t word(const WordStream& stream, std::int64_t at) const;
    void readStream(WordStream& stream, std::span<std::uint8_t> answer);

    ZeroedArray<std::uint64_t> m_entries; // samples (bit planes) or record values
    ZeroedArray<std::uint8_t> m_counts;   // count words of records
    WordStream m_entryStream;             // 0x31
    WordStream m_blockStream;             // 0x33
    int m_headEntries = 0;
};

} // namespace seiran::sim

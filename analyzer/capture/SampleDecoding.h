#pragma once

#include <QStringView>

#include <array>
#include <cstdint>

namespace seiran {

class BitPlanes;
class TransferWorkspace;
struct PageState;

// The decoding half of a sample transfer: what the read paths left in the workspace becomes the
// page's record list or bit planes. Nothing here talks to the instrument.

// ---- compressed captures

// Count word of a raw entry: bit 7 = valid, bits 0-6 = run length - 1.
inline constexpr std::uint32_t kEntryValid = 0x80;
inline constexpr std::uint32_t kRunLengthBits = 0x7F;
inline bool entryValid(std::uint32_t count) { return (count & kEntryValid) != 0; }
inline int entryRunLength(std::uint32_t count) { return int(count & kRunLengthBits) + 1; }

// A packed record of the built-in compressed modules: levels of 16 channels in bits 0-15, the
// count word in bits 16-23.
inline std::uint64_t packedRecordValue(std::uint32_t record) { return record & 0xFFFFu; }
inline std::uint32_t packedRecordCount(std::uint32_t record) { return (record >> 16) & 0xFFu; }

// What the pointer word (0x38) said about the capture.
struct CompressedCapture {
    int entries = 0;          // raw entries the memory holds (dataCount)
    bool trimBlock = false;   // ModuleTrimBlock: odd-P1 rule and the invalid tail of 128 entries
    bool triggerFound = false;
    std::uint32_t p1 = 0;     // where writing stopped: the oldest entry, read first
    std::uint32_t p2 = 0;     // the entry written at the trigger (ModuleTrimBlock's 16 included)
};

inline constexpr int kTrimBlockTail = 128;

// Decodes the raw entries 0 to entries - 1 into the page's display list (with its end entry),
// recCount, sampleCount and recTriggerSample, and copies the list to the measured list. Returns
// false, leaving both lists and their counters as they were, when fewer than two entries are
// valid.
bool DecodeCompressedCapture(TransferWorkspace& workspace, PageState& page, const CompressedCapture& capture);

// ---- bit-plane captures

// How the memory of a bit-plane module is laid out and what the page makes of it.
struct BitPlaneCapture {
    int channelCount = 0;     // cc: planes per bank
    int dataCount = 0;
    bool trimOne = false;
    bool trimBlock = false;
    std::uint32_t status = 0; // bits 2, 3, 4 and 6 choose the interleave order
    bool keepEnabledSamples = false; // sampling-enable and edge-sampling modules
    int startUpShift = 0;     // samples dropped at the start (0, 96 or 97)
};

// Merges workPlanesA (filled by the read paths, sample-major; workPlanesB is used on the way)
// into samples 0 to dataCount - 1 of channels 0 to channelCount - 1 of `planes`. The bits of the
// last word beyond dataCount are written 0.
void AssembleBitPlanes(TransferWorkspace& workspace, BitPlanes& planes, const BitPlaneCapture& capture);

// Start-up samples a bit-plane capture drops: 97 on the modes whose first sample word comes one
// sample late (types 7 and 8 in 16-channel modes, types 10 to 13 in 32-channel modes), else 96;
// none on compressed modules and on memories of 32000 samples or fewer.
int StartUpShift(int deviceType, QStringView hardwareMode, bool compressed, int dataCount);

// In-place transpose of a 64 × 64 bit matrix: on return bit i of word j is what bit j of word i
// was. Turns 64 sample words into 64 channel words of the bit planes.
void TransposeBits64(std::array<std::uint64_t, 64>& words);

} // namespace seiran

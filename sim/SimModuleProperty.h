#pragma once

#include <cstdint>

namespace seiran::sim {

// What a module of the simulated FPGA is, as its property word tells the host. The same
// description is encoded in one of two layouts: the old 16-bit style one of the first module
// designs, and the new one of built-in slots on types 6 to 13 and of user modules from version
// 5.2 on.
enum class ModuleFunction : std::uint8_t { None = 0, Analyzer = 1, Generator = 2 };

enum class PropertyLayout : std::uint8_t { Old, New };

// Capability bits of a module.
enum ModuleFlag : unsigned {
    kTrimOne = 1u << 0,         // the last sample of the memory is not used
    kTrimBlock = 1u << 1,       // 129 samples are not used (128 on compressed modules)
    kSamplingEnable = 1u << 2,  // channel 0 qualifies the samples
    kEdgeSampling = 1u << 3,    // channel 0 is the sampling clock
    kRangeMode = 1u << 4,       // the generator plays a start/end range of its pattern
    kCompressed = 1u << 5,      // the analyzer stores a record list
};

struct ModuleDescriptor {
    ModuleFunction function = ModuleFunction::None;
    int channelCode = 0;  // 2^code channels
    int depthCode = 0;    // 2^code samples per channel
    unsigned flags = 0;   // ModuleFlag bits
    int bankCount = 1;    // input groups: 1, 2, 4 or 8 (user slots only)
    int kind = 0;         // version major
    int subKind = 0;      // version minor

    bool has(ModuleFlag flag) const { return (flags & flag) != 0; }
    int channelCount() const { return 1 << channelCode; }
    int depth() const { return 1 << depthCode; }
};

// The property word of `module` in `layout`. `userSlot` tells whether the module sits in slots 0
// to 7, the only ones whose word carries the bank count.
std::uint32_t encodeProperty(const ModuleDescriptor& module, PropertyLayout layout, bool userSlot);

// Word 1 of the status read (0x30) of a module whose full word is in the new layout: the
// function and version in their old-layout places, all else 0. A version of 5.2 or more there is
// what tells the host to ask for the full word with 0x32.
std::uint32_t newLayoutAnnouncement(const ModuleDescriptor& module);

// Whether `module` fits `layout` at all (field widths, flags the old layout cannot carry).
bool fitsLayout(const ModuleDescriptor& module, PropertyLayout layout, bool userSlot);

// Old-layout version words from this one on announce the new layout.
inline constexpr int kFirstNewLayoutVersion = 0x52;

} // namespace seiran::sim

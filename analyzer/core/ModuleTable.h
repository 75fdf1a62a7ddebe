#pragma once

#include <array>
#include <cstdint>

namespace seiran {

inline constexpr int kModuleSlots = 16;
inline constexpr int kFirstBuiltInSlot = 8; // slots 0 to 7 are user modules ("IP")

enum class ModuleFunction : std::uint8_t { None = 0, Analyzer = 1, Generator = 2 };

// What one module slot of the FPGA says about itself, decoded from its property word.
struct ModuleInfo {
    std::uint32_t ModuleProperty = 0; // the raw word
    bool newLayout = false;           // decoded in the new layout
    ModuleFunction function = ModuleFunction::None;
    int ModuleChannelCode = 0;        // channel count = 2^code
    int ModuleDepthCode = 0;          // depth = 2^code samples per channel
    bool ModuleTrimOne = false;
    bool ModuleTrimBlock = false;
    bool ModuleSamplingEnable = false;
    bool ModuleEdgeSampling = false;
    bool ModuleRangeMode = false;
    bool ModuleCompressed = false;
    int ModuleBankCount = 1;          // input groups
    int ModuleKind = 0;               // version major
    int ModuleSubKind = 0;            // version minor

    bool isAnalyzer() const { return function == ModuleFunction::Analyzer; }
    bool isGenerator() const { return function == ModuleFunction::Generator; }
    bool isBuiltIn(int slot) const { return slot >= kFirstBuiltInSlot; }
    // Modules of version 5.3 and 5.4 want a random start word.
    bool wantsRandomStartWord() const { return ModuleKind == 5 && (ModuleSubKind == 3 || ModuleSubKind == 4); }
};

using ModuleTable = std::array<ModuleInfo, kModuleSlots>;

} // namespace seiran

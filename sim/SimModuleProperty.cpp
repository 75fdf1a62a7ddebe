#include "SimModuleProperty.h"

namespace seiran::sim {

namespace {

// Bank count to its two-bit code: 1 -> 0, 2 -> 1, 4 -> 2, 8 -> 3; -1 for any other count.
int bankCode(int bankCount)
{
    for (int code = 0; code < 4; ++code)
        if (bankCount == 1 << code)
            return code;
    return -1;
}

std::uint32_t bit(bool on, int position)
{
    return on ? std::uint32_t(1) << position : 0;
}

} // namespace

bool fitsLayout(const ModuleDescriptor& module, PropertyLayout layout, bool userSlot)
{
    const bool versionFits = module.kind >= 0 && module.kind < 16 && module.subKind >= 0 && module.subKind < 16;
    const int banks = bankCode(module.bankCount);
    if (!versionFits || banks < 0 || module.channelCode < 0 || module.depthCode < 0)
        return false;
    if (layout == PropertyLayout::New)
        return module.channelCode < 16 && module.depthCode < 256 && (userSlot || banks == 0);
    // The old word has four bits for each code and no room for the later capabilities.
    const unsigned oldFlags = kTrimOne | kSamplingEnable | kEdgeSampling | kRangeMode;
    return module.channelCode < 16 && module.depthCode < 16 && (module.flags & ~oldFlags) == 0 && banks == 0;
}

std::uint32_t encodeProperty(const ModuleDescriptor& module, PropertyLayout layout, bool userSlot)
{
    const std::uint32_t function = std::uint32_t(module.function);
    const std::uint32_t channel = std::uint32_t(module.channelCode);
    const std::uint32_t depth = std::uint32_t(module.depthCode);
    if (layout == PropertyLayout::New) {
        const int banks = userSlot ? bankCode(module.bankCount) : 0;
        return function << 28 | (channel & 0xF) << 24 | (depth & 0xFF) << 16 | bit(module.has(kTrimOne), 15)
            | bit(module.has(kTrimBlock), 14) | bit(module.has(kSamplingEnable), 13) | bit(module.has(kEdgeSampling), 12)
            | bit(module.has(kRangeMode), 11) | bit(module.has(kCompressed), 10) | std::uint32_t(banks > 0 ? banks : 0) << 8
            | std::uint32_t(module.kind & 0xF) << 4 | std::uint32_t(module.subKind & 0xF);
    }
    // Analyzers keep their codes in the top byte, generators in the byte below.
    const std::uint32_t codes = module.function == ModuleFunction::Generator
        ? (channel & 0xF) << 20 | (depth & 0xF) << 16
        : (channel & 0xF) << 28 | (depth & 0xF) << 24;
    return codes | (function & 0xF) << 12 | std::uint32_t(module.kind & 0xF) << 8 | std::uint32_t(module.subKind & 0xF) << 4
        | bit(module.has(kTrimOne), 3) | bit(module.has(kSamplingEnable), 2) | bit(module.has(kEdgeSampling), 1)
        | bit(module.has(kRangeMode), 0);
}

std::uint32_t newLayoutAnnouncement(const ModuleDescriptor& module)
{
    return (std::uint32_t(module.function) & 0xF) << 12 | std::uint32_t(module.kind & 0xF) << 8
        | std::uint32_t(module.subKind & 0xF) << 4;
}

} // namespace seiran::sim

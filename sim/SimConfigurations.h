#pragma once

#include "SimModuleProperty.h"

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace seiran::sim {

// The configuration files the simulated instruments know, one row a file: which instrument
// family reads it, the cell sum the analyzer checks, how many data lines it has, which
// instrument types run it, and the module slots it creates in the FPGA.

// The three families of instruments, each with its own line layout and check-sum list.
enum class FileGroup : std::uint8_t {
    LineFormat,  // types 1 to 5: 77 cells a data line
    OlderBlock,  // types 6 to 9: 16 cells a data line
    Newer,       // types 10 and above: 16 cells a data line
};

int cellsPerDataLine(FileGroup group);
int trailerCells(FileGroup group);
FileGroup groupOfDeviceType(int deviceType);
// Built-in slots (8 and above) of types 6 to 13 describe themselves in the new layout.
PropertyLayout builtInLayout(FileGroup group);

inline constexpr int kUserSlotCount = 8;
inline constexpr int kMaxSlotsPerConfiguration = 6;

struct SlotEntry {
    int slot = -1;  // -1: unused entry
    PropertyLayout userLayout = PropertyLayout::Old; // user slots (0 to 7) only
    ModuleDescriptor module;
};

struct SimConfiguration {
    std::string_view baseName;
    FileGroup group = FileGroup::Newer;
    std::int64_t checkSum = 0;  // kAnySum: the analyzer takes the file whatever its sum
    int dataLines = 0;
    std::uint16_t deviceTypes = 0; // bit t: runs on DeviceType t
    std::array<SlotEntry, kMaxSlotsPerConfiguration> moduleSlots{};

    bool runsOn(int deviceType) const
    {
        return deviceType >= 0 && deviceType < 16 && (deviceTypes >> deviceType & 1u) != 0;
    }
    PropertyLayout layoutOf(const SlotEntry& entry) const
    {
        return entry.slot >= kUserSlotCount ? builtInLayout(group) : entry.userLayout;
    }
};

inline constexpr std::int64_t kAnySum = -1;

std::span<const SimConfiguration> simConfigurations();
const SimConfiguration* findConfiguration(std::string_view baseName);

} // namespace seiran::sim

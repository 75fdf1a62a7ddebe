#pragma once

#include "SimConfigurations.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace seiran::sim {

// The content of the synthetic configuration files, shared by the build tool that writes them
// and the simulated FPGA that takes them back from the wire.
//
// The configuration stream is the file's cells in file order: data lines, then the trailer. It
// opens with a header the FPGA reads as the bytes arrive:
//
//   0   8 bytes  "SEIRANCF"
//   8   1 byte   format version (1)
//   9   1 byte   n, length of the base name (1 to 48)
//   10  n bytes  base name, printable ASCII
//   10+n  4 bytes  stream length L (little-endian): header, data and trailer
//   14+n  8 bytes  CRC-32 of stream bytes [22+n, L), each byte b as the pair (b, 255 - b)
//
// Each CRC byte travels with its complement so that the CRC adds a fixed 1020 to the cell sum:
// the sum can be made exact first and the CRC filled in afterwards. The sum is met by the last
// 16 data bytes (the adjustment region); the other bytes are pseudo-random, seeded by the name,
// so every file is reproducible.

inline constexpr std::string_view kStreamMagic = "SEIRANCF";
inline constexpr int kStreamFormatVersion = 1;
inline constexpr int kMaxBaseNameLength = 48;
inline constexpr std::uint32_t kMaxStreamBytes = 1u << 20;
inline constexpr int kAdjustmentBytes = 16;
constexpr int streamHeaderBytes(int nameLength) { return 22 + nameLength; }

// CRC-32 as in zip and Ethernet (reflected, polynomial 0xEDB88320).
class Crc32 {
public:
    void add(std::uint8_t byte);
    void add(std::span<const std::uint8_t> bytes);
    std::uint32_t value() const { return ~m_state; }

private:
    std::uint32_t m_state = 0xFFFFFFFFu;
};

struct ConfigurationImage {
    int cellsPerLine = 16;
    std::vector<std::uint8_t> data;     // the data lines, cellsPerLine bytes each
    std::vector<std::uint8_t> trailer;  // the last line

    int dataLines() const { return cellsPerLine > 0 ? int(data.size()) / cellsPerLine : 0; }
    std::int64_t cellSum() const;
    std::vector<std::uint8_t> stream() const;
};

// The file of `config`; nullopt when its line count cannot carry its check sum.
std::optional<ConfigurationImage> buildConfigurationImage(const SimConfiguration& config);

// The file's text lines (without line ends): data lines of "DDD," cells, then the trailer whose
// last cell has no comma.
std::vector<std::string> configurationFileLines(const ConfigurationImage& image);

struct StreamHeader {
    std::string baseName;
    std::uint32_t streamBytes = 0;
    std::uint32_t crc = 0;
    int headerBytes = 0;
};

enum class HeaderCheck { NeedMore, Valid, Invalid };

// Judges the first bytes of a stream: Invalid as soon as they cannot start a configuration,
// Valid (and `header` filled) once the whole header is in.
HeaderCheck checkStreamHeader(std::span<const std::uint8_t> prefix, StreamHeader* header);

} // namespace seiran::sim

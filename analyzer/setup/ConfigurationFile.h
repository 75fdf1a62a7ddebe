#pragma once

#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <vector>

namespace seiran {

// An FPGA configuration file as the download reads it: code page 932 text whose every line is a
// row of 4-character cells (a decimal byte right-aligned in 3 characters, then a comma), the last
// line the trailer, whose final cell may lack its comma.
struct ConfigurationImage {
    bool valid = false;              // every cell a number 0 to 255, every data line of the right size
    long long sum = 0;               // of all cells of all lines
    int cellsPerLine = 0;
    int dataLineCount = 0;           // when valid, data holds dataLineCount * cellsPerLine bytes
    std::vector<std::uint8_t> data;  // the data lines' cells, in file order
    std::vector<std::uint8_t> trailer;
};

// Cells per data line: 77 in the line format of types 1 to 5, 16 otherwise.
int cellsPerDataLine(int deviceType);

// The largest configuration file read: several times the largest the instruments take (126,000
// data bytes, about 500 KB of text), so that no outside file can make the program take memory
// without bound.
inline constexpr long long kMaxConfigurationFileBytes = 4 * 1024 * 1024;

// The image of a file's bytes, not valid when they are not code page 932 text, are larger than
// kMaxConfigurationFileBytes, or are not cells as above; cellsPerLine is 16 or 77.
ConfigurationImage parseConfigurationFile(QByteArrayView bytes, int cellsPerLine);

// The file at `path` read and parsed; not valid when it cannot be read.
ConfigurationImage readConfigurationFile(const QString& path, int cellsPerLine);

} // namespace seiran

#pragma once

#include <QStringList>

#include <cstdint>
#include <vector>

namespace seiran {

// An FPGA configuration file as the download reads it: every line a row of 4-character cells
// (a decimal byte right-aligned in 3 characters, then a comma), the last line the trailer,
// whose final cell may lack its comma.
struct ConfigurationImage {
    bool valid = false;              // every cell a number 0 to 255, every data line of the right size
    long long sum = 0;               // of all cells of all lines
    int cellsPerLine = 0;
    int dataLineCount = 0;
    std::vector<std::uint8_t> data;  // the data lines' cells, in file order
    std::vector<std::uint8_t> trailer;
};

// Cells per data line: 77 in the line format of types 1 to 5, 16 otherwise.
int cellsPerDataLine(int deviceType);

ConfigurationImage parseConfigurationLines(const QStringList& lines, int cellsPerLine);

} // namespace seiran

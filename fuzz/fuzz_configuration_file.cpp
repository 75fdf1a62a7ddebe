// The FPGA configuration file reader on any bytes, in both line formats. Beyond the sanitizers'
// findings it checks what the download relies on in an image it is given as valid: the data holds
// exactly its lines' bytes, and the sum is the sum of every cell.

#include "setup/ConfigurationFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <numeric>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

void parseAndCheck(QByteArrayView bytes, int cellsPerLine)
{
    const seiran::ConfigurationImage image = seiran::parseConfigurationFile(bytes, cellsPerLine);
    if (!image.valid)
        return;
    check(image.cellsPerLine == cellsPerLine);
    check(image.dataLineCount >= 0);
    check(image.data.size() == std::size_t(image.dataLineCount) * std::size_t(cellsPerLine));
    const long long sum = std::accumulate(image.data.begin(), image.data.end(), 0LL)
        + std::accumulate(image.trailer.begin(), image.trailer.end(), 0LL);
    check(sum == image.sum);
    // Each cell takes at least 3 characters of the file.
    check(3 * (image.data.size() + image.trailer.size()) <= std::size_t(bytes.size()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    parseAndCheck(bytes, 16);
    parseAndCheck(bytes, 77);
    return 0;
}

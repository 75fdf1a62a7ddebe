#include "SimConfigImage.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace seiran::sim {

namespace {

std::array<std::uint32_t, 256> makeCrcTable()
{
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}

const std::array<std::uint32_t, 256>& crcTable()
{
    static const std::array<std::uint32_t, 256> table = makeCrcTable();
    return table;
}

// splitmix64: small, fast and the same on every platform.
class Random {
public:
    explicit Random(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [lo, hi].
    int between(int lo, int hi) { return lo + int(next() % std::uint64_t(hi - lo + 1)); }

private:
    std::uint64_t m_state;
};

bool isNameByte(std::uint8_t b)
{
    return b > 0x20 && b < 0x7F;
}

void putWord(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + std::size_t(i)] = std::uint8_t(value >> (8 * i));
}

std::int64_t sumOf(std::span<const std::uint8_t> bytes)
{
    std::int64_t sum = 0;
    for (std::uint8_t b : bytes)
        sum += b;
    return sum;
}

// Average cell value of the add-on file, whose sum nobody checks.
constexpr std::int64_t kFreeAverage = 160;

} // namespace

void Crc32::add(std::uint8_t byte)
{
    m_state = crcTable()[(m_state ^ byte) & 0xFF] ^ (m_state >> 8);
}

void Crc32::add(std::span<const std::uint8_t> bytes)
{
    for (std::uint8_t b : bytes)
        add(b);
}

std::int64_t ConfigurationImage::cellSum() const
{
    return sumOf(data) + sumOf(trailer);
}

std::vector<std::uint8_t> ConfigurationImage::stream() const
{
    std::vector<std::uint8_t> out(data);
    out.insert(out.end(), trailer.begin(), trailer.end());
    return out;
}

std::optional<ConfigurationImage> buildConfigurationImage(const SimConfiguration& config)
{
    const std::string_view name = config.baseName;
    const int nameLength = int(name.size());
    if (nameLength < 1 || nameLength > kMaxBaseNameLength)
        return std::nullopt;

    ConfigurationImage image;
    image.cellsPerLine = cellsPerDataLine(config.group);
    const std::size_t dataBytes = std::size_t(config.dataLines) * std::size_t(image.cellsPerLine);
    const std::size_t headerBytes = std::size_t(streamHeaderBytes(nameLength));
    if (dataBytes < headerBytes + 2 * kAdjustmentBytes)
        return std::nullopt;
    image.data.assign(dataBytes, 0);

    Crc32 nameCrc;
    nameCrc.add(std::span(reinterpret_cast<const std::uint8_t*>(name.data()), name.size()));
    Random random(nameCrc.value() | std::uint64_t(config.dataLines) << 32);

    image.trailer.resize(std::size_t(trailerCells(config.group)));
    for (std::uint8_t& b : image.trailer)
        b = std::uint8_t(random.between(1, 255));

    std::copy(kStreamMagic.begin(), kStreamMagic.end(), image.data.begin());
    image.data[8] = kStreamFormatVersion;
    image.data[9] = std::uint8_t(nameLength);
    std::copy(name.begin(), name.end(), image.data.begin() + 10);
    const std::uint32_t streamBytes = std::uint32_t(dataBytes + image.trailer.size());
    putWord(image.data, 10 + std::size_t(nameLength), streamBytes);
    const std::size_t crcAt = 14 + std::size_t(nameLength);
    for (std::size_t i = 0; i < 4; ++i)
        image.data[crcAt + 2 * i + 1] = 255; // pairs (0, 255) until the CRC is known

    // What the body and the adjustment region must add up to.
    const std::int64_t fixed = sumOf(std::span(image.data).first(headerBytes)) + sumOf(image.trailer);
    const std::int64_t region = std::int64_t(dataBytes - headerBytes);
    const std::int64_t target = config.checkSum == kAnySum ? fixed + kFreeAverage * region : config.checkSum;
    const std::int64_t wanted = target - fixed;
    const std::int64_t average = wanted / region;
    if (wanted < 0 || average > 250)
        return std::nullopt;

    // Pseudo-random bytes that follow the running target closely, so that the adjustment region
    // only has a small remainder to take up.
    const int spread = int(std::min<std::int64_t>(average, 255 - average) * 7 / 8);
    const std::int64_t bodyBytes = region - kAdjustmentBytes;
    std::int64_t running = 0;
    for (std::int64_t i = 0; i < bodyBytes; ++i) {
        const std::int64_t due = wanted * (i + 1) / region - running;
        const std::int64_t value = std::clamp<std::int64_t>(due + random.between(-spread, spread), 0, 255);
        image.data[headerBytes + std::size_t(i)] = std::uint8_t(value);
        running += value;
    }
    std::int64_t remainder = wanted - running;
    for (int left = kAdjustmentBytes; left > 0; --left) {
        const std::int64_t value = remainder / left;
        if (value < 0 || value > 255)
            return std::nullopt;
        image.data[dataBytes - std::size_t(left)] = std::uint8_t(value);
        remainder -= value;
    }

    Crc32 crc;
    crc.add(std::span(image.data).subspan(headerBytes));
    crc.add(image.trailer);
    for (std::size_t i = 0; i < 4; ++i) {
        const std::uint8_t b = std::uint8_t(crc.value() >> (8 * i));
        image.data[crcAt + 2 * i] = b;
        image.data[crcAt + 2 * i + 1] = std::uint8_t(255 - b);
    }
    return image;
}

std::vector<std::string> configurationFileLines(const ConfigurationImage& image)
{
    std::vector<std::string> lines;
    char cell[8];
    const std::size_t perLine = std::size_t(image.cellsPerLine);
    for (std::size_t start = 0; start + perLine <= image.data.size(); start += perLine) {
        std::string line;
        line.reserve(4 * perLine);
        for (std::size_t i = 0; i < perLine; ++i) {
            std::snprintf(cell, sizeof cell, "%3u,", unsigned(image.data[start + i]));
            line += cell;
        }
        lines.push_back(std::move(line));
    }
    std::string trailer;
    for (std::size_t i = 0; i < image.trailer.size(); ++i) {
        std::snprintf(cell, sizeof cell, i + 1 < image.trailer.size() ? "%3u," : "%3u", unsigned(image.trailer[i]));
        trailer += cell;
    }
    lines.push_back(std::move(trailer));
    return lines;
}

HeaderCheck checkStreamHeader(std::span<const std::uint8_t> prefix, StreamHeader* header)
{
    const std::size_t magicSeen = std::min(prefix.size(), kStreamMagic.size());
    if (!std::equal(prefix.begin(), prefix.begin() + std::ptrdiff_t(magicSeen), kStreamMagic.begin()))
        return HeaderCheck::Invalid;
    if (prefix.size() > 8 && prefix[8] != kStreamFormatVersion)
        return HeaderCheck::Invalid;
    if (prefix.size() <= 9)
        return HeaderCheck::NeedMore;
    const int nameLength = prefix[9];
    if (nameLength < 1 || nameLength > kMaxBaseNameLength)
        return HeaderCheck::Invalid;
    const std::size_t nameEnd = std::min(prefix.size(), std::size_t(10 + nameLength));
    if (!std::all_of(prefix.begin() + 10, prefix.begin() + std::ptrdiff_t(nameEnd), isNameByte))
        return HeaderCheck::Invalid;
    const int headerBytes = streamHeaderBytes(nameLength);
    if (prefix.size() < std::size_t(headerBytes))
        return HeaderCheck::NeedMore;

    const std::size_t at = 10 + std::size_t(nameLength);
    std::uint32_t streamBytes = 0;
    std::uint32_t crc = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        streamBytes |= std::uint32_t(prefix[at + i]) << (8 * i);
        const std::uint8_t b = prefix[at + 4 + 2 * i];
        if (prefix[at + 5 + 2 * i] != 255 - b)
            return HeaderCheck::Invalid;
        crc |= std::uint32_t(b) << (8 * i);
    }
    if (streamBytes <= std::uint32_t(headerBytes) || streamBytes > kMaxStreamBytes)
        return HeaderCheck::Invalid;
    if (header) {
        header->baseName.assign(prefix.begin() + 10, prefix.begin() + 10 + nameLength);
        header->streamBytes = streamBytes;
        header->crc = crc;
        header->headerBytes = headerBytes;
    }
    return HeaderCheck::Valid;
}

} // namespace seiran::sim

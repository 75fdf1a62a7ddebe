#include "WireHost.h"

#include "CommandCodes.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace seiran::sim::wire {

namespace {

std::vector<std::uint8_t> bytesOfWords(const std::vector<std::uint32_t>& words)
{
    std::vector<std::uint8_t> out;
    for (std::uint32_t w : words)
        for (int b = 0; b < 4; ++b)
            out.push_back(std::uint8_t(w >> (8 * b)));
    return out;
}

std::uint32_t wordOf(const std::vector<std::uint8_t>& bytes, std::size_t at)
{
    std::uint32_t w = 0;
    for (std::size_t b = 0; b < 4 && at + b < bytes.size(); ++b)
        w |= std::uint32_t(bytes[at + b]) << (8 * b);
    return w;
}

Transfer command(int code, std::vector<std::uint32_t> params, Transfer::Part part = Transfer::Part::Data)
{
    Transfer t;
    t.code = code;
    t.params = std::move(params);
    t.part = part;
    return t;
}

Transfer vendorData(std::vector<std::uint8_t> data, Transfer::Part part = Transfer::Part::Data)
{
    Transfer t;
    t.isVendor = true;
    t.code = vendor::kConfigData;
    t.data = std::move(data);
    t.part = part;
    return t;
}

// Commands carrying `bytes` from `at` in words of `wordsPerCommand`.
void addCommands(std::vector<Transfer>& plan, int code, const std::vector<std::uint8_t>& bytes, std::size_t at,
                 std::size_t count, std::size_t bytesPerCommand)
{
    for (std::size_t i = 0; i < count; i += bytesPerCommand) {
        std::vector<std::uint32_t> words;
        for (std::size_t w = 0; w < bytesPerCommand; w += 4)
            words.push_back(wordOf(bytes, at + i + w));
        plan.push_back(command(code, std::move(words)));
    }
}

void addVendor(std::vector<Transfer>& plan, const std::vector<std::uint8_t>& bytes, std::size_t at, std::size_t count,
               std::size_t bytesPerRequest)
{
    for (std::size_t i = 0; i < count; i += bytesPerRequest)
        plan.push_back(vendorData({bytes.begin() + std::ptrdiff_t(at + i),
                                   bytes.begin() + std::ptrdiff_t(at + i + bytesPerRequest)}));
}

} // namespace

WireHost::WireHost(SimInstrument& sim)
    : m_sim(sim)
{
    m_sim.open();
}

void WireHost::send(int module, int code, const std::vector<std::uint32_t>& params)
{
    const int word = module * 4096 + code;
    std::vector<std::uint8_t> frame{std::uint8_t(word), std::uint8_t(word >> 8)};
    if (newer()) {
        m_sequence = (m_sequence + 1) % 256;
        frame.insert(frame.end(), {std::uint8_t(m_sequence), 0, 0, 0});
    }
    const std::vector<std::uint8_t> body = bytesOfWords(params);
    frame.insert(frame.end(), body.begin(), body.end());
    const int endpoint = !newer() && body.size() >= 32 ? usb::kLongFrameEndpoint : usb::kCommandEndpoint;
    ASSERT_TRUE(m_sim.writePipe(endpoint, frame)) << "command " << code;
}

std::vector<std::uint8_t> WireHost::receive(int module, int code, int bytes)
{
    const int word = module * 4096 + code;
    std::vector<std::uint8_t> frame{std::uint8_t(word), std::uint8_t(word >> 8)};
    std::vector<std::uint8_t> answer(std::size_t(bytes), 0xEE);
    if (!newer()) {
        EXPECT_TRUE(m_sim.writePipe(usb::kCommandEndpoint, frame));
        EXPECT_EQ(m_sim.readPipe(usb::kOlderInEndpoint, answer), bytes);
        return answer;
    }
    m_sequence = (m_sequence + 1) % 256;
    frame.insert(frame.end(), {std::uint8_t(m_sequence), 0, std::uint8_t(bytes), std::uint8_t(bytes >> 8)});
    EXPECT_TRUE(m_sim.writePipe(usb::kCommandEndpoint, frame));
    if (m_sim.statusBlock()[2] == 1) {
        EXPECT_EQ(m_sim.vendorIn(vendor::kReadData, answer), bytes);
    } else {
        const std::array<std::uint8_t, 2> announce{std::uint8_t(bytes), std::uint8_t(bytes >> 8)};
        EXPECT_TRUE(m_sim.vendorOut(vendor::kAnnounceInLength, announce));
        EXPECT_EQ(m_sim.readPipe(usb::kNewerInEndpoint, answer), bytes);
    }
    return answer;
}

void WireHost::vendor(int request, const std::vector<std::uint8_t>& data)
{
    ASSERT_TRUE(m_sim.vendorOut(request, data)) << "vendor " << request;
}

bool WireHost::nStatus()
{
    if (newer()) {
        std::array<std::uint8_t, 12> block{};
        EXPECT_EQ(m_sim.vendorIn(vendor::kStatusBlock, block), 12);
        return (block[8] & 0x10) != 0;
    }
    return (receive(cmd::kSystemModule, cmd::kConfigStatus, 8)[0] & 0x04) != 0;
}

bool WireHost::confDone()
{
    if (newer()) {
        std::array<std::uint8_t, 12> block{};
        EXPECT_EQ(m_sim.vendorIn(vendor::kStatusBlock, block), 12);
        return (block[8] & 0x20) != 0;
    }
    return (receive(cmd::kSystemModule, cmd::kConfigStatus, 8)[0] & 0x02) != 0;
}

void WireHost::beginConfiguration()
{
    if (newer())
        vendor(vendor::kConfigBegin);
    else
        send(cmd::kSystemModule, cmd::kConfigBegin);
}

void WireHost::fpgaReset()
{
    if (newer()) {
        vendor(vendor::kFpgaReset);
        m_sequence = 0;
    } else {
        send(cmd::kSystemModule, cmd::kFpgaReset);
    }
}

std::uint32_t wordAt(const std::vector<std::uint8_t>& bytes, std::size_t index)
{
    return wordOf(bytes, 4 * index);
}

CellFile parseCellLines(const std::vector<std::string>& lines, std::string* error)
{
    CellFile file;
    error->clear();
    if (lines.empty()) {
        *error = "no lines";
        return file;
    }
    for (std::size_t n = 0; n < lines.size(); ++n) {
        const bool last = n + 1 == lines.size();
        // The trailer's last cell has no separator: pretend it had one.
        const std::string line = last ? lines[n] + "," : lines[n];
        if (line.size() % 4 != 0 || line.size() < 4) {
            *error = "line " + std::to_string(n) + ": length " + std::to_string(lines[n].size());
            return file;
        }
        if (last && lines[n].back() == ',') {
            *error = "trailer ends with a comma";
            return file;
        }
        std::vector<std::uint8_t> cells;
        for (std::size_t at = 0; at < line.size(); at += 4) {
            const std::string cell = line.substr(at, 3);
            const std::size_t digits = cell.find_first_not_of(' ');
            const bool rightAligned = digits != std::string::npos
                && cell.find_first_not_of("0123456789", digits) == std::string::npos;
            const int value = rightAligned ? std::stoi(cell.substr(digits)) : -1;
            if (!rightAligned || line[at + 3] != ',' || value > 255) {
                *error = "line " + std::to_string(n) + ": bad cell '" + line.substr(at, 4) + "'";
                return file;
            }
            cells.push_back(std::uint8_t(value));
        }
        (last ? file.trailer : file.lines.emplace_back()) = std::move(cells);
    }
    return file;
}

std::string programFolderFile(const std::string& name)
{
    return (std::filesystem::canonical("/proc/self/exe").parent_path() / name).string();
}

std::vector<char> readRaw(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

CellFile loadCellFile(const std::string& baseName)
{
    const std::vector<char> raw = readRaw(programFolderFile(baseName + ".ttf"));
    std::vector<std::string> lines;
    std::string current;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') {
            lines.push_back(current);
            current.clear();
            ++i;
        } else {
            current += raw[i];
        }
    }
    if (!current.empty())
        lines.push_back(current);
    std::string error;
    CellFile file = parseCellLines(lines, &error);
    EXPECT_EQ(error, "") << baseName;
    EXPECT_FALSE(file.lines.empty()) << baseName << " not found in the program folder";
    return file;
}

std::vector<Transfer> planDownload(const CellFile& file, DataFormat format, bool newerUsb)
{
    std::vector<Transfer> plan;
    std::vector<std::uint8_t> buffer;
    for (const auto& line : file.lines)
        buffer.insert(buffer.end(), line.begin(), line.end());
    const std::size_t lineBytes = file.lines.empty() ? 16 : file.lines.front().size();
    const std::size_t lineCount = file.lines.size();

    switch (format) {
    case DataFormat::Line:
        for (std::size_t n = 0; n < lineCount; ++n) {
            const std::size_t at = n * lineBytes;
            addCommands(plan, cmd::kConfigEight, buffer, at, 72, 8);
            plan.push_back(command(cmd::kConfigLineTail, {wordOf(buffer, at + 72), buffer[at + 76]}));
        }
        break;
    case DataFormat::Pair:
        addCommands(plan, cmd::kConfigEight, buffer, 0, buffer.size(), 8);
        break;
    case DataFormat::OlderBlocks:
    case DataFormat::NewerBlocks:
    case DataFormat::RemoteBlocks: {
        const std::size_t blocks = lineCount / 64;
        const std::size_t pairs = (lineCount % 64) / 2;
        const bool single = lineCount % 2 == 1;
        const std::size_t blockEnd = blocks * 1024;
        const std::size_t pairEnd = blockEnd + pairs * 32;
        if (format == DataFormat::RemoteBlocks)
            addCommands(plan, cmd::kConfigBlockRemote, buffer, 0, blockEnd, 1024);
        else if (format == DataFormat::NewerBlocks)
            addVendor(plan, buffer, 0, blockEnd, 64);
        else
            addCommands(plan, cmd::kConfigThirtyTwo, buffer, 0, blockEnd, 32);
        if (newerUsb) {
            addVendor(plan, buffer, blockEnd, pairEnd - blockEnd, 32);
            if (single)
                addVendor(plan, buffer, pairEnd, 16, 8);
        } else {
            addCommands(plan, cmd::kConfigThirtyTwo, buffer, blockEnd, pairEnd - blockEnd, 32);
            if (single)
                addCommands(plan, cmd::kConfigEight, buffer, pairEnd, 16, 8);
        }
        break;
    }
    }

    for (std::uint8_t cell : file.trailer)
        plan.push_back(newerUsb ? vendorData({cell}, Transfer::Part::Trailer)
                                : command(cmd::kConfigTrailer, {cell, 0x5A}, Transfer::Part::Trailer));
    // Padding: the first 8 bytes of each buffer zero, the rest whatever the buffer held.
    for (int i = 0; i < (newerUsb ? 3 : 4); ++i) {
        if (newerUsb) {
            std::vector<std::uint8_t> pad(64, 0xA5);
            std::fill_n(pad.begin(), 8, 0);
            plan.push_back(vendorData(std::move(pad), Transfer::Part::Padding));
        } else {
            plan.push_back(command(cmd::kConfigEight, {0, 0}, Transfer::Part::Padding));
        }
    }
    return plan;
}

void run(WireHost& host, const std::vector<Transfer>& plan)
{
    for (const Transfer& t : plan) {
        if (t.isVendor)
            host.vendor(t.code, t.data);
        else
            host.send(cmd::kSystemModule, t.code, t.params);
    }
}

} // namespace seiran::sim::wire

#include "ConfigurationDownload.h"

#include "CommandCodes.h"
#include "FrontEnd.h"
#include "core/AnalyzerState.h"
#include "setup/ConfigurationFile.h"
#include "setup/HardwareModes.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <array>

namespace seiran {

namespace {

constexpr int kLineBytes = 16;             // a data line of the pair and block formats
constexpr int kBlockLines = 64;            // 1024 bytes
constexpr int kLineFormatCommands = 9;     // 0xF2 commands per line-format line, before the 0xF3

// Four configuration bytes as one parameter word, the first byte lowest.
std::uint32_t wordAt(const std::uint8_t* bytes)
{
    return std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 | std::uint32_t(bytes[2]) << 16
        | std::uint32_t(bytes[3]) << 24;
}

// The download's view of the instrument: which commands carry configuration bytes.
class ConfigurationSender {
public:
    explicit ConfigurationSender(AnalyzerState& state)
        : m_state(state)
        , m_newerOnUsb(state.device.isNewerGeneration() && state.device.isUsb())
    {
    }

    void begin()
    {
        if (m_state.device.isNewerGeneration())
            m_state.commands.WriteVendorOrRemote(vendor::kConfigBegin, 0);
        else
            m_state.commands.SendCommand(cmd::kSystemModule, cmd::kConfigBegin, 0);
    }

    // `count` bytes (8, 32, 64 or 1024), as a vendor request on a newer instrument over USB or as
    // the command of that size otherwise.
    void sendBytes(const std::uint8_t* bytes, int count)
    {
        if (m_newerOnUsb) {
            toWords(bytes, count);
            m_state.commands.WriteVendorCommand(vendor::kConfigData, count, std::span(m_words.data(), std::size_t((count + 3) / 4)));
            return;
        }
        if (count == 1024 && !m_state.device.isRemote()) {
            // Over USB an older instrument takes a block as 32 commands of 32 bytes.
            for (int i = 0; i < 32; ++i)
                sendBytes(bytes + 32 * i, 32);
            return;
        }
        const int code = count == 1024 ? cmd::kConfigBlockRemote : count == 32 ? cmd::kConfigThirtyTwo : cmd::kConfigEight;
        toWords(bytes, count);
        m_state.commands.SendCommand(cmd::kSystemModule, code, count, std::span(m_words.data(), std::size_t(count / 4)));
    }

    // A newer instrument over USB takes 64-byte vendor requests; everything else one block command.
    void sendBlock(const std::uint8_t* bytes)
    {
        if (m_newerOnUsb) {
            for (int i = 0; i < 16; ++i)
                sendBytes(bytes + 64 * i, 64);
        } else {
            sendBytes(bytes, 1024);
        }
    }

    void sendTrailerByte(std::uint8_t value)
    {
        if (m_newerOnUsb) {
            const std::array<std::uint32_t, 1> word{value};
            m_state.commands.WriteVendorCommand(vendor::kConfigData, 1, word);
        } else {
            const std::array<std::uint32_t, 2> words{value, 0};
            m_state.commands.SendCommand(cmd::kSystemModule, cmd::kConfigTrailer, 8, words);
        }
    }

    void sendPadding()
    {
        static const std::array<std::uint8_t, 64> zeros{};
        if (!m_state.device.isNewerGeneration()) {
            for (int i = 0; i < 4; ++i)
                sendBytes(zeros.data(), 8);
        } else if (m_newerOnUsb) {
            for (int i = 0; i < 3; ++i)
                sendBytes(zeros.data(), 64);
        } else {
            for (int i = 0; i < 6; ++i)
                sendBytes(zeros.data(), 32);
        }
    }

    // Line format: nine commands of 8 bytes, then the last four bytes with the 77th in a word of its own.
    void sendLineFormatLine(const std::uint8_t* line)
    {
        for (int g = 0; g < kLineFormatCommands; ++g)
            sendBytes(line + 8 * g, 8);
        const std::array<std::uint32_t, 2> tail{wordAt(line + 72), line[76]};
        m_state.commands.SendCommand(cmd::kSystemModule, cmd::kConfigLineTail, 8, tail);
    }

    // nSTATUS (read back during the download) and CONF_DONE (after it): false when clear.
    bool nStatus() { return configurationFlag(0x10, 0x04); }
    bool confDone() { return configurationFlag(0x20, 0x02); }

private:
    // Newer instruments: a bit of status byte 8; older ones: a bit of byte 0 of the 0xF5 block.
    bool configurationFlag(std::uint32_t newerBit, std::uint32_t olderBit)
    {
        std::array<std::uint32_t, 3> status{};
        if (m_state.device.isNewerGeneration()) {
            m_state.commands.ReadVendorOrRemote(vendor::kStatusBlock, vendor::kStatusBlockBytes, status);
            return (status[2] & newerBit) != 0;
        }
        m_state.commands.ReceiveData(cmd::kSystemModule, cmd::kConfigStatus, 8, status);
        return (status[0] & olderBit) != 0;
    }

    void toWords(const std::uint8_t* bytes, int count)
    {
        std::fill(m_words.begin(), m_words.end(), 0u);
        for (int i = 0; i < count; ++i)
            m_words[std::size_t(i / 4)] |= std::uint32_t(bytes[i]) << (8 * (i % 4));
    }

    AnalyzerState& m_state;
    bool m_newerOnUsb;
    std::array<std::uint32_t, 256> m_words{};
};

void setDownloadWindow(AnalyzerState& state, bool visible, int progress)
{
    state.controls.downloadWindow = {visible, progress};
    state.frontEnd().showDownloadProgress(visible, progress);
}

bool usesLineFormat(const AnalyzerState& state) { return state.device.DeviceType <= 5; }

bool usesPairFormat(const AnalyzerState& state)
{
    return !state.device.isNewerGeneration() && state.device.DeviceType >= 6 && state.device.FirmwareLevel() <= 1;
}

// Sends the data lines; false when the progress step stopped the download.
bool sendDataLines(AnalyzerState& state, ConfigurationSender& sender, const ConfigurationImage& image, int fileLineCount)
{
    const std::uint8_t* data = image.data.data();
    if (usesLineFormat(state) || usesPairFormat(state)) {
        for (int line = 0; line < image.dataLineCount; ++line) {
            const std::uint8_t* bytes = data + std::size_t(line) * std::size_t(image.cellsPerLine);
            if (usesLineFormat(state)) {
                sender.sendLineFormatLine(bytes);
            } else {
                sender.sendBytes(bytes, 8);
                sender.sendBytes(bytes + 8, 8);
            }
            if (!downloadProgressStep(state, line, fileLineCount))
                return false;
        }
        return true;
    }

    const int blocks = image.dataLineCount / kBlockLines;
    for (int block = 0; block < blocks; ++block) {
        sender.sendBlock(data + std::size_t(block) * kBlockLines * kLineBytes);
        if (!downloadProgressStep(state, block, blocks))
            return false;
    }
    int line = blocks * kBlockLines;
    for (; line + 2 <= image.dataLineCount; line += 2)
        sender.sendBytes(data + std::size_t(line) * kLineBytes, 32);
    if (line < image.dataLineCount) {
        sender.sendBytes(data + std::size_t(line) * kLineBytes, 8);
        sender.sendBytes(data + std::size_t(line) * kLineBytes + 8, 8);
    }
    return true;
}

} // namespace

bool downloadProgressStep(AnalyzerState& state, int unit, int unitCount)
{
    // A download of fewer than ten units checks after every unit.
    const int k = std::max(1, unitCount / 10);
    if (unit % k != 0)
        return true;
    ConfigurationSender sender(state);
    if (!sender.nStatus()) {
        state.log.AddMessage(QStringLiteral("ダウンロードの異常です（nSTATUS=0）。"));
        setDownloadWindow(state, false, state.controls.downloadWindow.progress);
        state.instrument.DownloadFailed = true;
        return false;
    }
    const int q = unit / k;
    if (q >= 1 && q <= 9)
        setDownloadWindow(state, true, 10 + 10 * q);
    return true;
}

void DownloadConfiguration(AnalyzerState& state)
{
    InstrumentState& inst = state.instrument;
    inst.DownloadFailed = false;

    const QString fileName = configurationFileName(inst.HardwareMode, state.device.DeviceType);
    const QString path = QDir(state.ProgramFolder).filePath(fileName);
    if (!QFileInfo::exists(path)) {
        state.log.AddMessage(fileName + QStringLiteral("が見つかりません。"));
        inst.DownloadFailed = true;
        return;
    }
    const ConfigurationImage image = readConfigurationFile(path, cellsPerDataLine(state.device.DeviceType));
    const ExpectedSum expected = expectedConfigurationSum(fileName, state.device.DeviceType);
    const bool sumOk = expected.known && (expected.anySum || expected.sum == image.sum);
    if (!image.valid || !sumOk) {
        state.log.AddMessage(QStringLiteral("このファイルは、") + fileName + QStringLiteral("ではありません。"));
        inst.DownloadFailed = true;
        return;
    }

    ConfigurationSender sender(state);
    sender.begin();
    setDownloadWindow(state, true, 10);
    // The line and pair formats count the trailer among the progress units.
    if (!sendDataLines(state, sender, image, image.dataLineCount + 1))
        return;
    for (std::uint8_t value : image.trailer)
        sender.sendTrailerByte(value);
    sender.sendPadding();
    setDownloadWindow(state, false, state.controls.downloadWindow.progress);

    if (!sender.confDone()) {
        state.log.AddMessage(QStringLiteral("ダウンロードの異常です（CONF_DONE=0）。"));
        inst.DownloadFailed = true;
        return;
    }
    inst.LoadedMode = inst.HardwareMode;
    if (inst.HardwareMode == kModeLoopBackTest)
        state.log.AddMessage(QStringLiteral("内部折返しテストモードです。"));
}

} // namespace seiran

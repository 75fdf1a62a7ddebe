#include "ConfigurationFiles.h"
#include "SetupFixture.h"
#include "setup/ConfigurationDownload.h"

#include <gtest/gtest.h>

using namespace seiran;
using namespace seiran::setuptest;
using Kind = sim::SimRecord::Kind;

namespace {

// Drops nSTATUS once `limit` configuration bytes have arrived by vendor request.
class FailingConfiguration final : public sim::SimModule {
public:
    FailingConfiguration(sim::SimInstrument& instrument, int limit) : m_instrument(instrument), m_limit(limit) {}
    void command(int, std::span<const std::uint32_t>) override {}
    void read(int, std::span<std::uint8_t>) override {}
    void vendorOut(int request, std::span<const std::uint8_t> data) override
    {
        if (request == 0xF8 && (m_bytes += int(data.size())) >= m_limit)
            m_instrument.setConfigurationStatus(false, false);
    }

private:
    sim::SimInstrument& m_instrument;
    int m_limit;
    int m_bytes = 0;
};

struct DownloadFixture : SetupFixture {
    DownloadFixture(int type, const char* mode)
        : SetupFixture(type)
    {
        state.instrument.HardwareMode = QString::fromUtf8(mode);
        instrument->setConfigurationStatus(true, true);
    }
    void writeFile(const char* name, ConfigurationFileSpec spec)
    {
        writeConfigurationFile(folder.path(), QString::fromUtf8(name), spec);
        cells = configurationCells(spec);
    }
    std::vector<const sim::SimRecord*> vendorOut(int request) const
    {
        std::vector<const sim::SimRecord*> out;
        for (const sim::SimRecord& r : instrument->records())
            if (r.kind == Kind::VendorOut && r.request == request)
                out.push_back(&r);
        return out;
    }
    std::vector<sim::SimRecord> frames(int code) const
    {
        std::vector<sim::SimRecord> out;
        for (const sim::SimRecord& r : instrument->frames())
            if (r.code == code)
                out.push_back(r);
        return out;
    }
    std::vector<int> cells;
};

} // namespace

TEST(Download, BlockFormatSendsBlocksThenAPairThenOneLineInHalves)
{
    DownloadFixture f(11, "200MHz 16ch 32Kbit");
    f.writeFile("TK-C4_200m16ch32k.ttf", {64 * 35 + 3, 16, 3665176});
    DownloadConfiguration(f.state);

    EXPECT_FALSE(f.state.instrument.DownloadFailed);
    EXPECT_EQ(f.state.instrument.LoadedMode, QStringLiteral("200MHz 16ch 32Kbit"));
    ASSERT_EQ(f.vendorOut(0xF1).size(), 1u);

    std::vector<int> sizes;
    std::vector<int> sent;
    for (const sim::SimRecord* r : f.vendorOut(0xF8)) {
        sizes.push_back(r->length);
        sent.insert(sent.end(), r->bytes.begin(), r->bytes.end());
    }
    std::vector<int> expected(35 * 16, 64);
    expected.insert(expected.end(), {32, 8, 8, 1, 1, 1, 1, 1, 64, 64, 64});
    EXPECT_EQ(sizes, expected);
    // The data and trailer bytes reach the instrument in file order.
    std::vector<int> fileOrder = f.cells;
    fileOrder.insert(fileOrder.end(), 5, 255);
    EXPECT_EQ(std::vector<int>(sent.begin(), sent.begin() + std::ptrdiff_t(fileOrder.size())), fileOrder);

    // 35 blocks: nSTATUS every third, the bar at 20 after block 3 and at 100 after block 27.
    EXPECT_EQ(f.frontEnd.downloadProgress(), (std::vector<int>{10, 20, 30, 40, 50, 60, 70, 80, 90, 100, -1}));
    EXPECT_EQ(f.instrument->statusReads(), 12 + 1);
    EXPECT_FALSE(f.state.controls.downloadWindow.visible);
}

TEST(Download, LineFormatSendsNineEightsAndATail)
{
    DownloadFixture f(4, "100MHz 16ch 1Kbit");
    f.writeFile("100M16C1K_S.ttf", {60, 77, 887193, {1, 2, 3}});
    DownloadConfiguration(f.state);
    ASSERT_FALSE(f.state.instrument.DownloadFailed);

    const auto eights = f.frames(0xF2);
    const auto tails = f.frames(0xF3);
    ASSERT_EQ(eights.size(), 60u * 9 + 4); // and four padding commands
    ASSERT_EQ(tails.size(), 60u);
    const auto& c = f.cells;
    const auto word = [&](int at) {
        return std::uint32_t(c[std::size_t(at)]) | std::uint32_t(c[std::size_t(at + 1)]) << 8
            | std::uint32_t(c[std::size_t(at + 2)]) << 16 | std::uint32_t(c[std::size_t(at + 3)]) << 24;
    };
    EXPECT_EQ(eights[1].params, (std::vector<std::uint32_t>{word(8), word(12)}));
    EXPECT_EQ(tails[2].params, (std::vector<std::uint32_t>{word(2 * 77 + 72), std::uint32_t(c[2 * 77 + 76])}));
    for (std::size_t i = eights.size() - 4; i < eights.size(); ++i)
        EXPECT_EQ(eights[i].params, (std::vector<std::uint32_t>{0, 0}));
    const auto trailer = f.frames(0xF4);
    ASSERT_EQ(trailer.size(), 3u);
    EXPECT_EQ(trailer[2].params[0], 3u);
    // Older instruments read the configuration status with 0xF5: every 6th of 61 lines, then CONF_DONE.
    EXPECT_EQ(f.frames(0xF5).size(), 10u + 1);
}

TEST(Download, OlderInstrumentsUsePairsOrCommandBlocksByFirmwareLevel)
{
    struct Case { int level; std::size_t f2; std::size_t f6; };
    // 64 * 5 + 3 lines: the pair format sends two 0xF2 a line; the block format 5 blocks of 32
    // commands of 32 bytes, one pair and a line in halves. Both end with four 0xF2 of padding.
    const Case cases[] = {{1, 323 * 2 + 4, 0}, {2, 2 + 4, 5 * 32 + 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.level);
        DownloadFixture f(7, "200MHz 8ch 32Kbit");
        f.state.device.DeviceStatus.bytes[2] = std::uint8_t(c.level);
        f.writeFile("TK-B3_200m8ch32k.ttf", {64 * 5 + 3, 16, 1255579});
        DownloadConfiguration(f.state);
        EXPECT_FALSE(f.state.instrument.DownloadFailed);
        EXPECT_EQ(f.frames(0xF2).size(), c.f2);
        EXPECT_EQ(f.frames(0xF6).size(), c.f6);
        EXPECT_EQ(f.frames(0xF1).size(), 1u);
        EXPECT_EQ(f.frames(0xF4).size(), 5u);
        EXPECT_TRUE(f.vendorOut(0xF8).empty());
    }
}

TEST(Download, FilesThatAreNotTheConfigurationAreRefused)
{
    struct Case { const char* why; int type; const char* mode; const char* file; ConfigurationFileSpec spec; const char* message; };
    const Case cases[] = {
        {"one off", 11, "200MHz 16ch 32Kbit", "TK-C4_200m16ch32k.ttf", {2243, 16, 3665177}, "このファイルは、TK-C4_200m16ch32k.ttfではありません。"},
        {"another group", 10, "50MHz 16ch 1Kbit", "50M16C1K_S.ttf", {500, 16, 881753}, "このファイルは、50M16C1K_S.ttfではありません。"},
        {"missing", 11, "200MHz 16ch 256Kbit", "other.ttf", {10, 16, 100}, "TK-C4_200m16ch256k.ttfが見つかりません。"},
        {"no file for the mode", 12, "TK-C4_AX-9", "other.ttf", {10, 16, 100}, ".ttfが見つかりません。"},
        {"short line", 11, "200MHz 16ch 32Kbit", "TK-C4_200m16ch32k.ttf", {2243, 15, 3665176}, "このファイルは、TK-C4_200m16ch32k.ttfではありません。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        DownloadFixture f(c.type, c.mode);
        f.writeFile(c.file, c.spec);
        DownloadConfiguration(f.state);
        EXPECT_TRUE(f.state.instrument.DownloadFailed);
        EXPECT_EQ(f.state.log.lines(), QStringList{QString::fromUtf8(c.message)});
        EXPECT_TRUE(f.instrument->records().empty());
        EXPECT_TRUE(f.frontEnd.downloadProgress().empty());
    }
}

TEST(Download, CellsThatAreNoNumberMakeTheFileInvalid)
{
    // The analog mode's file takes any sum: only the cells refuse these.
    const char* const texts[] = {
        "  1,  2,   ,  4,  5,  6,  7,  8,  9, 10, 11, 12, 13, 14, 15, 16,\r\n255\r\n",
        "  1,  2,  3,  4,  5,  6,  7,  8,  9, 10, 11, 12, 13, 14, 15, 16,\r\n25\x81\r\n",
    };
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        DownloadFixture f(11, "TK-C4_AX-9");
        QFile file(f.folder.filePath(QStringLiteral("TK-C4_AX-9.ttf")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        file.close();
        DownloadConfiguration(f.state);
        EXPECT_TRUE(f.state.instrument.DownloadFailed);
        EXPECT_EQ(f.state.log.lastLine(), QStringLiteral("このファイルは、TK-C4_AX-9.ttfではありません。"));
        EXPECT_TRUE(f.instrument->records().empty());
    }
}

TEST(Download, AnalogModeFileIsAcceptedWhateverItsSum)
{
    DownloadFixture f(11, "TK-C4_AX-9");
    f.writeFile("TK-C4_AX-9.ttf", {5, 16, 12345, {7}});
    DownloadConfiguration(f.state);
    EXPECT_FALSE(f.state.instrument.DownloadFailed);
    // Fewer than one block: no progress step runs, the trailer's single cell (no comma) is sent.
    EXPECT_EQ(f.frontEnd.downloadProgress(), (std::vector<int>{10, -1}));
    const auto data = f.vendorOut(0xF8);
    ASSERT_EQ(data.size(), 2u + 2 + 1 + 3);
    EXPECT_EQ(data[4]->bytes, (std::vector<std::uint8_t>{7}));
}

TEST(Download, FewerThanTenBlocksCheckEveryBlock)
{
    DownloadFixture f(11, "TK-C4_AX-9");
    f.writeFile("TK-C4_AX-9.ttf", {64 * 4, 16, 64 * 4 * 16 * 10});
    DownloadConfiguration(f.state);
    EXPECT_FALSE(f.state.instrument.DownloadFailed);
    EXPECT_EQ(f.frontEnd.downloadProgress(), (std::vector<int>{10, 20, 30, 40, -1}));
}

TEST(Download, FpgaStatusFaults)
{
    {
        DownloadFixture f(11, "200MHz 16ch 32Kbit");
        f.writeFile("TK-C4_200m16ch32k.ttf", {64 * 35 + 3, 16, 3665176});
        f.instrument->installInstrumentModel(std::make_unique<FailingConfiguration>(*f.instrument, 1024 * 7));
        DownloadConfiguration(f.state);
        EXPECT_TRUE(f.state.instrument.DownloadFailed);
        EXPECT_EQ(f.state.log.lines(), QStringList{QStringLiteral("ダウンロードの異常です（nSTATUS=0）。")});
        EXPECT_EQ(f.vendorOut(0xF8).size(), 7u * 16); // stopped at the check after the seventh block
        EXPECT_EQ(f.frontEnd.downloadProgress().back(), -1);
        EXPECT_TRUE(f.state.instrument.LoadedMode.isEmpty());
    }
    {
        DownloadFixture f(11, "200MHz 16ch 32Kbit");
        f.instrument->setConfigurationStatus(true, false);
        f.state.instrument.LoadedMode = QStringLiteral("100MHz 32ch 32Kbit");
        f.writeFile("TK-C4_200m16ch32k.ttf", {64 * 35 + 3, 16, 3665176});
        DownloadConfiguration(f.state);
        EXPECT_TRUE(f.state.instrument.DownloadFailed);
        EXPECT_EQ(f.state.log.lines(), QStringList{QStringLiteral("ダウンロードの異常です（CONF_DONE=0）。")});
        EXPECT_EQ(f.state.instrument.LoadedMode, QStringLiteral("100MHz 32ch 32Kbit"));
    }
}

TEST(Download, LoopBackModeSaysSo)
{
    DownloadFixture f(11, "内部折返しテスト");
    f.writeFile("TK-C4_loop_back.ttf", {64 * 20 + 1, 16, 3593587});
    DownloadConfiguration(f.state);
    EXPECT_EQ(f.state.log.lines(), QStringList{QStringLiteral("内部折返しテストモードです。")});
    EXPECT_EQ(f.state.instrument.LoadedMode, kModeLoopBackTest);
}

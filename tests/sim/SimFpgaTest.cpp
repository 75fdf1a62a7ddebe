// The simulated FPGA's configuration port, driven by hand through the raw transport: each data
// format, damaged streams, the fault switches and the FPGA reset.

#include "CommandCodes.h"
#include "SimAnalyzerModule.h"
#include "SimulatedInstrument.h"
#include "WireHost.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace seiran;
using namespace seiran::sim;
using namespace seiran::sim::wire;

namespace {

using Plan = std::vector<Transfer>;

struct Bench {
    explicit Bench(int type, int firmwareLevel = -1)
        : sim(makeSimulatedInstrument(type, nullptr))
    {
        if (firmwareLevel >= 0)
            sim->setFirmwareLevel(firmwareLevel);
        fpga = simulatedFpga(*sim);
        host = std::make_unique<WireHost>(*sim);
    }
    // Word `index` of a property read of `slot`.
    std::uint32_t slotWord(int slot, int code, int bytes, std::size_t index)
    {
        return wordAt(host->receive(slot, code, bytes), index);
    }
    bool anySlotAnswers()
    {
        for (int slot = 0; slot < 10; ++slot) {
            const int bytes = slot >= 8 && sim->deviceType() >= 6 && sim->deviceType() <= 9 ? 4 : 8;
            if (slotWord(slot, cmd::kModuleStatus, 8, 1) != 0 || slotWord(slot, cmd::kModuleProperty, bytes, 0) != 0)
                return true;
        }
        return false;
    }
    std::unique_ptr<SimInstrument> sim;
    SimFpga* fpga = nullptr;
    std::unique_ptr<WireHost> host;
};

int streamBytes(const CellFile& file)
{
    return int(file.lines.size() * file.lines.front().size() + file.trailer.size());
}

} // namespace

TEST(SimFpga, CorrectDownloadInEachDataFormatRunsTheConfiguration)
{
    struct Case { int type; int level; DataFormat format; const char* file; };
    const Case cases[] = {
        {4, 1, DataFormat::Line, "100M16C1K_S"},
        {1, 1, DataFormat::Line, "TEST-A0"},
        {7, 1, DataFormat::Pair, "TK-B3_200m8ch32k"},
        {7, 2, DataFormat::OlderBlocks, "TK-B3_200m8ch32k"},   // 11 blocks and a single line
        {9, 2, DataFormat::OlderBlocks, "TEST-B1"},            // a pair and a single line
        {8, 2, DataFormat::OlderBlocks, "TK-B4_ExtClk16ch32k"},// two pairs and a single line
        {11, 2, DataFormat::NewerBlocks, "TK-C4_200m16ch32k"},
        {13, 2, DataFormat::NewerBlocks, "TK-C4_loop_back"},   // 17 pairs
        {10, 1, DataFormat::NewerBlocks, "TK-C2_200m16ch256k"},// full blocks only
        {7, 2, DataFormat::RemoteBlocks, "TK-B3_Gen8ch32k"},
        {11, 2, DataFormat::RemoteBlocks, "TK-C4_AX-9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "type " << c.type << " " << c.file);
        Bench b(c.type, c.level);
        const CellFile file = loadCellFile(c.file);
        ASSERT_FALSE(file.lines.empty());
        EXPECT_FALSE(b.anySlotAnswers()); // power-up: the FPGA holds nothing
        EXPECT_FALSE(b.host->confDone());

        b.host->beginConfiguration();
        EXPECT_TRUE(b.host->nStatus());
        const bool newerUsb = b.host->newer();
        const std::vector<Transfer> plan = planDownload(file, c.format, newerUsb);
        run(*b.host, plan);

        EXPECT_TRUE(b.host->nStatus());
        EXPECT_TRUE(b.host->confDone());
        EXPECT_EQ(b.fpga->phase(), SimFpga::Phase::Running);
        EXPECT_EQ(b.fpga->runningConfiguration(), c.file);
        EXPECT_EQ(b.fpga->downloadName(), c.file);
        const int padding = newerUsb ? 3 * 64 : 4 * 8;
        EXPECT_EQ(b.fpga->downloadBytes(), streamBytes(file) + padding);
        EXPECT_TRUE(b.anySlotAnswers());
        EXPECT_NE(b.fpga->slotModule(8), nullptr);
    }
}

TEST(SimFpga, DamagedDownloadsLeaveConfDoneLow)
{
    auto dataCount = [](const Plan& p) {
        return std::count_if(p.begin(), p.end(), [](const Transfer& t) { return t.part == Transfer::Part::Data; });
    };
    struct Case {
        const char* what;
        int type;
        DataFormat format;
        const char* file;
        bool swapLines;              // two data lines change places in the file
        std::function<void(Plan&)> damage;
        bool nStatusAfter;
    };
    auto erasePart = [](Transfer::Part part) {
        return [part](Plan& p) { std::erase_if(p, [part](const Transfer& t) { return t.part == part; }); };
    };
    const Case cases[] = {
        {"one byte dropped", 11, DataFormat::NewerBlocks, "TK-C4_200m16ch32k", false,
         [](Plan& p) { p[5].data.pop_back(); }, false},
        {"one block sent twice", 11, DataFormat::NewerBlocks, "TK-C4_200m16ch32k", false,
         [](Plan& p) { p.insert(p.begin() + 20, p.begin() + 16, p.begin() + 32); }, false},
        {"two lines swapped", 11, DataFormat::NewerBlocks, "TK-C4_200m16ch32k", true, nullptr, false},
        {"trailer missing", 11, DataFormat::NewerBlocks, "TK-C4_200m16ch32k", false, erasePart(Transfer::Part::Trailer), false},
        {"no padding", 11, DataFormat::NewerBlocks, "TK-C4_200m16ch32k", false, erasePart(Transfer::Part::Padding), true},
        {"eight bytes lost", 4, DataFormat::Line, "100M16C1K_S", false,
         [&](Plan& p) { p.erase(p.begin() + std::ptrdiff_t(dataCount(p) / 2)); }, false},
        {"last trailer byte lost", 4, DataFormat::Line, "100M16C1K_S", false,
         [](Plan& p) { p.erase(p.end() - 5); }, false},
        {"two lines swapped", 7, DataFormat::Pair, "TK-B3_200m8ch32k", true, nullptr, false},
        {"two lines swapped", 4, DataFormat::Line, "100M16C1K_S", true, nullptr, false},
        {"no padding", 7, DataFormat::OlderBlocks, "TK-B3_200m8ch32k", false, erasePart(Transfer::Part::Padding), true},
        {"single line lost", 7, DataFormat::OlderBlocks, "TK-B3_200m8ch32k", false,
         [&](Plan& p) { p.erase(p.begin() + std::ptrdiff_t(dataCount(p) - 2), p.begin() + std::ptrdiff_t(dataCount(p))); },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.what << ", type " << c.type);
        Bench b(c.type);
        CellFile file = loadCellFile(c.file);
        ASSERT_GT(file.lines.size(), 40u);
        if (c.swapLines)
            std::swap(file.lines[30], file.lines[31]);
        Plan plan = planDownload(file, c.format, b.host->newer());
        if (c.damage)
            c.damage(plan);
        b.host->beginConfiguration();
        run(*b.host, plan);

        EXPECT_FALSE(b.host->confDone());
        EXPECT_EQ(b.host->nStatus(), c.nStatusAfter);
        EXPECT_NE(b.fpga->phase(), SimFpga::Phase::Running);
        EXPECT_EQ(b.fpga->runningConfiguration(), "");
        EXPECT_FALSE(b.anySlotAnswers());

        // The next correct download works.
        b.host->beginConfiguration();
        run(*b.host, planDownload(loadCellFile(c.file), c.format, b.host->newer()));
        EXPECT_TRUE(b.host->confDone());
        EXPECT_TRUE(b.anySlotAnswers());
    }
}

TEST(SimFpga, EightPaddingBytesRaiseConfDone)
{
    Bench b(11);
    Plan plan = planDownload(loadCellFile("TK-C4_loop_back"), DataFormat::NewerBlocks, true);
    std::erase_if(plan, [](const Transfer& t) { return t.part == Transfer::Part::Padding; });
    b.host->beginConfiguration();
    run(*b.host, plan);
    b.host->vendor(vendor::kConfigData, std::vector<std::uint8_t>(7, 0));
    EXPECT_FALSE(b.host->confDone());
    EXPECT_TRUE(b.host->nStatus());
    b.host->vendor(vendor::kConfigData, {0});
    EXPECT_TRUE(b.host->confDone());
    // Bytes after CONF_DONE change nothing.
    b.host->vendor(vendor::kConfigData, std::vector<std::uint8_t>(64, 0x33));
    EXPECT_TRUE(b.host->confDone());
    EXPECT_EQ(b.fpga->runningConfiguration(), "TK-C4_loop_back");
}

TEST(SimFpga, RefusesStreamsItCannotRun)
{
    struct Case { const char* what; int type; const char* file; DataFormat format; };
    const Case cases[] = {
        {"a TK-B4 file on a TK-B3", 7, "TK-B4_200m8ch32k", DataFormat::OlderBlocks},
        {"a TK-C4 mode on a TK-C1", 13, "TK-C4_200m16ch32k", DataFormat::NewerBlocks},
        {"the add-on file on a TK-C2", 10, "TK-C4_AX-9", DataFormat::NewerBlocks},
        {"an older file on a newer type", 11, "TEST-B3", DataFormat::NewerBlocks},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bench b(c.type);
        b.host->beginConfiguration();
        run(*b.host, planDownload(loadCellFile(c.file), c.format, b.host->newer()));
        EXPECT_FALSE(b.host->nStatus());
        EXPECT_FALSE(b.host->confDone());
        EXPECT_EQ(b.fpga->downloadName(), c.file); // the header was read, then refused
    }

    // A stream that is no configuration at all drops nSTATUS on its first bytes.
    Bench b(11);
    b.host->beginConfiguration();
    b.host->vendor(vendor::kConfigData, std::vector<std::uint8_t>(64, 0xFF));
    EXPECT_FALSE(b.host->nStatus());
    EXPECT_EQ(b.fpga->downloadName(), "");
}

TEST(SimFpga, ConfigurationTakesOnlyTheFormsOfItsGeneration)
{
    const CellFile file = loadCellFile("TK-C4_loop_back");
    {
        // Newer firmware: a 0xF1 frame neither begins nor clears a configuration.
        Bench b(11);
        b.host->send(cmd::kSystemModule, cmd::kConfigBegin);
        EXPECT_EQ(b.fpga->phase(), SimFpga::Phase::Empty);
        b.host->beginConfiguration();
        // Configuration frames of the older instruments do not reach its configuration port.
        run(*b.host, planDownload(file, DataFormat::OlderBlocks, false));
        EXPECT_EQ(b.fpga->downloadBytes(), 0);
        EXPECT_FALSE(b.host->confDone());
    }
    {
        // Types 1 to 9 have no configuration vendor requests.
        Bench b(7);
        b.host->vendor(vendor::kConfigBegin);
        EXPECT_EQ(b.fpga->phase(), SimFpga::Phase::Empty);
        b.host->send(cmd::kSystemModule, cmd::kConfigBegin);
        b.host->vendor(vendor::kConfigData, std::vector<std::uint8_t>(64, 1));
        EXPECT_EQ(b.fpga->downloadBytes(), 0);
    }
}

TEST(SimFpga, FaultSwitches)
{
    const CellFile file = loadCellFile("TK-C4_200m16ch32k");
    const Plan plan = planDownload(file, DataFormat::NewerBlocks, true);
    {
        // nSTATUS drops in the middle of the download and stays low.
        Bench b(11);
        b.fpga->setStatusFaultAfter(5000);
        b.host->beginConfiguration();
        std::size_t i = 0;
        for (; b.fpga->downloadBytes() < 4990; ++i)
            run(*b.host, {plan[i]});
        EXPECT_TRUE(b.host->nStatus());
        run(*b.host, {plan[i], plan[i + 1]});
        EXPECT_FALSE(b.host->nStatus());
        run(*b.host, {plan.begin() + std::ptrdiff_t(i + 2), plan.end()});
        EXPECT_FALSE(b.host->nStatus());
        EXPECT_FALSE(b.host->confDone());
        std::int64_t sent = 0;
        for (const Transfer& t : plan)
            sent += t.bytes();
        EXPECT_EQ(b.fpga->downloadBytes(), sent);
        EXPECT_FALSE(b.anySlotAnswers());

        // At 0 it drops at once on the begin; switched off, downloads work again.
        b.fpga->setStatusFaultAfter(0);
        b.host->beginConfiguration();
        EXPECT_FALSE(b.host->nStatus());
        b.fpga->setStatusFaultAfter(-1);
        b.host->beginConfiguration();
        run(*b.host, plan);
        EXPECT_TRUE(b.host->confDone());
    }
    {
        Bench b(4);
        b.fpga->setConfDoneStuckLow(true);
        b.host->beginConfiguration();
        run(*b.host, planDownload(loadCellFile("TEST-A3"), DataFormat::Line, false));
        EXPECT_TRUE(b.host->nStatus());
        EXPECT_FALSE(b.host->confDone());
        EXPECT_FALSE(b.anySlotAnswers());
        b.fpga->setConfDoneStuckLow(false);
        b.host->beginConfiguration();
        run(*b.host, planDownload(loadCellFile("TEST-A3"), DataFormat::Line, false));
        EXPECT_TRUE(b.host->confDone());
    }
}

TEST(SimFpga, ResetKeepsTheConfigurationAndClearsModuleState)
{
    struct Case { int type; const char* file; DataFormat format; };
    for (const Case& c : {Case{11, "TK-C4_loop_back", DataFormat::NewerBlocks}, Case{4, "TEST-A3", DataFormat::Line}}) {
        SCOPED_TRACE(c.file);
        Bench b(c.type);
        b.host->beginConfiguration();
        run(*b.host, planDownload(loadCellFile(c.file), c.format, b.host->newer()));
        ASSERT_TRUE(b.host->confDone());
        const std::uint32_t property = b.slotWord(8, cmd::kModuleStatus, 8, 1);

        b.host->send(8, cmd::kSamplingInterval, {128, 0});
        b.host->send(8, cmd::kStartGeneration, {0, 0}); // not an analyzer command
        SimSlotModule* analyzer = b.fpga->slotModule(8);
        ASSERT_NE(analyzer, nullptr);
        ASSERT_TRUE(analyzer->setting(cmd::kSamplingInterval).has_value());
        EXPECT_EQ((*analyzer->setting(cmd::kSamplingInterval))[0], 128u);
        EXPECT_EQ(analyzer->ignoredCommands(), 1);

        b.host->fpgaReset();
        EXPECT_EQ(b.fpga->fpgaResets(), 1);
        EXPECT_TRUE(b.host->confDone());
        EXPECT_EQ(b.fpga->runningConfiguration(), c.file);
        EXPECT_EQ(b.fpga->slotModule(8), analyzer);
        EXPECT_FALSE(analyzer->setting(cmd::kSamplingInterval).has_value());
        EXPECT_EQ(b.slotWord(8, cmd::kModuleStatus, 8, 1), property);
        if (b.host->newer()) {
            EXPECT_EQ(b.sim->acknowledgedSequence(), 2); // one frame since the reset
        }
    }
}

TEST(SimFpga, BeginClearsTheRunningConfiguration)
{
    Bench b(10);
    const Plan plan = planDownload(loadCellFile("TK-C2_loop_back"), DataFormat::NewerBlocks, true);
    b.host->beginConfiguration();
    run(*b.host, plan);
    ASSERT_TRUE(b.anySlotAnswers());
    b.host->beginConfiguration();
    EXPECT_FALSE(b.host->confDone());
    EXPECT_TRUE(b.host->nStatus());
    EXPECT_EQ(b.fpga->phase(), SimFpga::Phase::Receiving);
    EXPECT_FALSE(b.anySlotAnswers());
}

TEST(SimulatedInstrument, FactoryCoversEveryTypeWithItsFirmwareLevel)
{
    for (int type = 1; type <= 13; ++type) {
        SCOPED_TRACE(type);
        const std::unique_ptr<SimInstrument> sim = makeSimulatedInstrument(type, nullptr);
        ASSERT_NE(sim, nullptr);
        EXPECT_EQ(sim->deviceType(), type);
        ASSERT_NE(simulatedFpga(*sim), nullptr);
        EXPECT_EQ(simulatedFpga(*sim)->phase(), SimFpga::Phase::Empty);
        // The block download (types 6 to 9) and the IN-pipe data phase (newer) need level 2.
        EXPECT_EQ(sim->statusBlock()[2], type >= 6 ? 2 : 1);
        EXPECT_EQ(sim->statusBlock()[8] & 0x30, 0x10); // nSTATUS high, CONF_DONE low
    }
    EXPECT_EQ(makeSimulatedInstrument(0, nullptr), nullptr);
    EXPECT_EQ(makeSimulatedInstrument(14, nullptr), nullptr);

    ASSERT_NE(findSimulatedModel("TK-C4"), nullptr);
    EXPECT_EQ(findSimulatedModel("TK-C4")->deviceType, 11);
    EXPECT_EQ(findSimulatedModel("13")->name, "TK-C1");
    EXPECT_EQ(findSimulatedModel("TK-X9"), nullptr);
    EXPECT_EQ(findSimulatedModel("11a"), nullptr);
}

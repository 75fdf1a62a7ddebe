#include "ConfigurationFiles.h"
#include "SetupFixture.h"
#include "core/Timers.h"
#include "setup/StartUp.h"

#include <gtest/gtest.h>

#include <random>

using namespace seiran;
using namespace seiran::setuptest;

TEST(StartUp, WithoutAnInstrumentNothingIsSentAndRunIsDisabled)
{
    SetupFixture f(11);
    auto gone = std::make_unique<sim::SimInstrument>(11, &f.clock);
    gone->setVanished(true);
    sim::SimInstrument* raw = gone.get();
    f.attach(std::move(gone));
    f.state.clock().timer(kTimCheckEnd).setInterval(200);

    RunStartUp(f.state, {1});
    EXPECT_EQ(f.state.log.lines().first(), QStringLiteral("セイランが見つかりません。"));
    EXPECT_FALSE(f.state.log.lines().join(QLatin1Char('\n')).contains(QStringLiteral(".ttf")));
    EXPECT_TRUE(f.state.device.InterfaceError);
    EXPECT_TRUE(raw->records().empty());
    EXPECT_FALSE(f.state.controls.analyzer.runEnabled);
    EXPECT_FALSE(f.state.controls.generatorRunEnabled);
    EXPECT_FALSE(f.state.controls.hardwareMenuEnabled);
    EXPECT_EQ(f.state.clock().timer(kTimCheckEnd).interval(), 0);
    for (int page = 0; page < 8; ++page)
        EXPECT_FALSE(f.state.controls.pageTabVisible[std::size_t(page)]) << page;
    EXPECT_TRUE(f.state.controls.pageTabVisible[8]);
    EXPECT_FALSE(f.state.controls.pageTabVisible[9]);
}

namespace {

// A type 11 instrument whose configuration for the start mode is in the program folder and whose
// FPGA then holds a 16-channel analyzer of version 5.3 in slot 8, a generator in slot 9 and a
// sampling-enable user module in slot 1.
struct ConfiguredFixture : SetupFixture {
    ConfiguredFixture()
        : SetupFixture(11)
    {
        writeConfigurationFile(folder.path(), QStringLiteral("TK-C4_200m16ch32k.ttf"), {64 * 20 + 3, 16, 3665176});
        instrument->setConfigurationStatus(true, true);
        installSlot(1, oldAnalyzer(3, 10, 3, 0, 0b0100));
        installSlot(8, 0, newAnalyzer(4, 15, kTrimBlock, 5, 3));
        installSlot(9, 0, newGenerator(4, 10, 0, 4, 0));
    }
    std::vector<int> codesTo(int module) const
    {
        std::vector<int> out;
        for (const sim::SimRecord& r : instrument->frames())
            if (r.module == module)
                out.push_back(r.code);
        return out;
    }
};

} // namespace

TEST(StartUp, ConfiguresTheInstrumentAndPushesTheDefaults)
{
    ConfiguredFixture f;
    RunStartUp(f.state, {12345});

    EXPECT_EQ(f.state.log.lastLine(), QStringLiteral("ハードウェアは正常です。"));
    EXPECT_EQ(f.state.instrument.HardwareMode, QStringLiteral("200MHz 16ch 32Kbit"));
    EXPECT_EQ(f.state.instrument.LoadedMode, QStringLiteral("200MHz 16ch 32Kbit"));
    EXPECT_TRUE(f.state.controls.analyzer.runEnabled);
    EXPECT_EQ(f.state.instrument.AnalyzerPageCount, 2);
    EXPECT_EQ(f.state.instrument.GeneratorPageCount, 1);
    EXPECT_EQ(f.state.pages[0].PageModule, 1);
    EXPECT_EQ(f.state.pages[0].channelCount, 8);
    EXPECT_EQ(f.state.pages[1].PageModule, 8);
    EXPECT_EQ(f.state.pages[1].dataCount, 32639);
    EXPECT_TRUE(f.state.controls.pageTabVisible[1]);
    EXPECT_FALSE(f.state.controls.pageTabVisible[2]);
    EXPECT_TRUE(f.state.controls.pageTabVisible[4]);
    EXPECT_FALSE(f.state.controls.pageTabVisible[5]);
    // c = 8 channels on page 0: (19 + 1) * (8 - 8) + 416.
    EXPECT_EQ(f.state.controls.windowHeight, 416);

    // The settings of module 8 (instrument-wide): after-reset, output level, clock source, delay.
    EXPECT_EQ(f.codesTo(8), (std::vector<int>{0x32, 0x43, 0x44, 0x45, 0x41, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27}));
    // The sampling-enable user module also gets its run mode.
    EXPECT_EQ(f.codesTo(1), (std::vector<int>{0x30, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x2B}));
    EXPECT_EQ(f.codesTo(9), (std::vector<int>{0x32, 0xA1, 0xA0, 0xA3}));

    // Version 5.3 with depth code 15: a random start word masked with 0xF000, or 36.
    std::mt19937 expected(12345);
    const std::uint32_t word = (expected() & 0xFFFFu & 0xF000u) | 36u;
    EXPECT_EQ(std::uint32_t(f.state.pages[1].runStartWord), word);
    for (const sim::SimRecord& r : f.instrument->frames()) {
        if (r.module == 8 && r.code == 0x24) {
            EXPECT_EQ(r.params[0], word);
        }
    }
    EXPECT_EQ(f.state.pages[0].runStartWord, 0);

    // The first frame after the FPGA resets carries sequence number 1.
    int resets = 0;
    for (const sim::SimRecord& r : f.instrument->records())
        resets += r.kind == sim::SimRecord::Kind::VendorOut && r.request == 0xE0;
    EXPECT_EQ(resets, 2);
}

TEST(StartUp, FailedDownloadDoesNotStopStartUp)
{
    ConfiguredFixture f;
    QFile::remove(f.folder.filePath(QStringLiteral("TK-C4_200m16ch32k.ttf")));
    RunStartUp(f.state, {1});
    const QStringList lines = f.state.log.lines();
    EXPECT_EQ(lines.first(), QStringLiteral("TK-C4_200m16ch32k.ttfが見つかりません。"));
    EXPECT_EQ(lines.last(), QStringLiteral("ハードウェアは正常です。"));
    EXPECT_FALSE(f.state.instrument.DownloadFailed);
    EXPECT_TRUE(f.state.instrument.LoadedMode.isEmpty());
    EXPECT_TRUE(QFileInfo::exists(f.folder.filePath(QStringLiteral("Seiran.ini"))));
}

TEST(StartUp, ProbeLevelOfTypesWithLevelShifters)
{
    struct Case { int type; int value; };
    for (const Case c : {Case{11, 2324}, Case{12, 1056}, Case{13, 1056}, Case{10, -1}, Case{7, -1}}) {
        SetupFixture f(c.type);
        RunStartUp(f.state, {1});
        int found = -1;
        for (const sim::SimRecord& r : f.instrument->records())
            if (r.kind == sim::SimRecord::Kind::VendorOut && r.request == 0x42)
                found = r.bytes[0] | r.bytes[1] << 8;
        EXPECT_EQ(found, c.value) << c.type;
    }
}

TEST(StartUp, CloseStopsRunningPagesAndTimers)
{
    ConfiguredFixture f;
    RunStartUp(f.state, {1});
    f.state.pages[1].running = true;
    f.state.pages[4].running = true;
    f.state.clock().timer(kTimTrgStart[1]).setInterval(30);
    f.instrument->clearRecords();

    CloseProgram(f.state);
    EXPECT_TRUE(f.state.controls.closing);
    EXPECT_EQ(f.state.clock().timer(kTimTrgStart[1]).interval(), 0);
    EXPECT_EQ(f.codesTo(8), std::vector<int>{0x11});
    EXPECT_EQ(f.codesTo(9), std::vector<int>{0x91});
    EXPECT_TRUE(f.codesTo(1).empty());
    EXPECT_FALSE(f.instrument->writePipe(2, std::vector<std::uint8_t>(6))); // closed
}

#include "SimulatedInstrument.h"

namespace {

// The folder the build wrote the configuration files into: the folder of this test program.
QString builtConfigurationFolder()
{
    return QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).absolutePath();
}

} // namespace

TEST(StartUp, EveryModelComesUpInItsStartModeOnTheSimulatedInstrument)
{
    for (int type = 1; type <= 13; ++type) {
        if (hardwareModes(type).isEmpty())
            continue;
        SCOPED_TRACE(modelName(type).toStdString());
        SetupFixture f(type);
        f.attach(sim::makeSimulatedInstrument(type, &f.clock));
        const QString file = configurationFileName(startMode(type), type);
        ASSERT_TRUE(QFile::copy(QDir(builtConfigurationFolder()).filePath(file), f.folder.filePath(file)));

        RunStartUp(f.state, {7});
        EXPECT_EQ(f.state.log.lastLine(), QStringLiteral("ハードウェアは正常です。"));
        EXPECT_EQ(f.state.instrument.LoadedMode, startMode(type));
        EXPECT_TRUE(f.state.controls.analyzer.runEnabled);
        EXPECT_GE(f.state.instrument.AnalyzerPageCount + f.state.instrument.GeneratorPageCount, 1);
        EXPECT_GT(f.state.pages[0].dataCount, 0);
    }
}

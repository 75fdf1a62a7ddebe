// Captures end to end: the analyzer starts up on the simulated instrument, runs a capture on a
// page and reads it back; what the page then holds must be what the instrument sampled.

#include "ManualClock.h"
#include "RecordingFrontEnd.h"
#include "SimAnalyzerModule.h"
#include "SimFpga.h"
#include "SimulatedInstrument.h"
#include "capture/CaptureSettings.h"
#include "capture/RunControl.h"
#include "capture/RunModes.h"
#include "core/AnalyzerState.h"
#include "setup/HardwareModes.h"
#include "setup/StartUp.h"
#include "view/Pages.h"

#include <cctype>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace seiran;

namespace {

QString builtConfigurationFolder()
{
    return QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).absolutePath();
}

struct CaptureCase {
    const char* name;
    int deviceType;
    const char* mode;          // nullptr: the start mode
    int page = 0;
    int firmwareLevel = -1;    // -1: the model's own
    int interleaveBits = -1;   // -1: the module's own choice
    const char* position = "左";
    int intervalIndex = 0;
};

class CaptureRig {
public:
    explicit CaptureRig(const CaptureCase& c)
        : state(clock, frontEnd, folder.path())
    {
        instrument = sim::makeSimulatedInstrument(c.deviceType, &clock);
        instrument->setRecording(false);
        if (c.firmwareLevel >= 0)
            instrument->setFirmwareLevel(c.firmwareLevel);
        state.commands.setUsbTransport(instrument.get());
        const QString start = startMode(c.deviceType);
        copyConfiguration(start);
        RunStartUp(state, {3});
        if (c.mode) {
            copyConfiguration(QString::fromUtf8(c.mode));
            ChangeHardwareMode(state, QString::fromUtf8(c.mode));
        }
    }

    void copyConfiguration(const QString& mode)
    {
        const QString file = configurationFileName(mode, state.device.DeviceType ? state.device.DeviceType : instrument->deviceType());
        QFile::copy(QDir(builtConfigurationFolder()).filePath(file), folder.filePath(file));
    }

    sim::SimAnalyzerModule* module(int page)
    {
        return dynamic_cast<sim::SimAnalyzerModule*>(sim::simulatedFpga(*instrument)->slotModule(state.pages[std::size_t(page)].PageModule));
    }

    // RUN, then the poll until the page is idle again (simulated time only).
    bool capture(int page)
    {
        StartCapture(state, page);
        return clock.runUntil([&] { return !state.pages[std::size_t(page)].running && !state.pages[std::size_t(page)].stopRequested; },
                              600 * 1000);
    }

    ManualClock clock;
    RecordingFrontEnd frontEnd;
    QTemporaryDir folder;
    AnalyzerState state;
    std::unique_ptr<sim::SimInstrument> instrument;
};

// Every sample the read path carried, and the trigger, as the instrument took them.
// `unshown`: the positions at the end that the start-up shift leaves without a sample.
void expectPageMatchesGroundTruth(const PageState& p, const sim::GroundTruth& truth, int unshown)
{
    ASSERT_TRUE(truth.captured);
    ASSERT_EQ(p.compressed, truth.compressed);
    if (truth.compressed) {
        ASSERT_EQ(p.hasData, truth.hasData);
        if (!truth.hasData)
            return;
        ASSERT_EQ(std::size_t(p.recCount), truth.records.size());
        EXPECT_EQ(p.sampleCount, truth.sampleCount);
        EXPECT_EQ(p.recTriggerSample, truth.triggerIndex);
        int wrong = 0;
        for (int i = 0; i < p.recCount && wrong < 5; ++i) {
            const std::uint64_t mask = p.channelCount >= 64 ? ~0ull : (1ull << p.channelCount) - 1;
            if ((p.displayList.value(i) & mask) != (truth.records[std::size_t(i)].value & mask)
                || p.displayList.runLength(i) != truth.records[std::size_t(i)].length) {
                ADD_FAILURE() << "record " << i;
                ++wrong;
            }
        }
        return;
    }
    ASSERT_TRUE(p.hasData);
    ASSERT_EQ(p.dataCount, truth.dataCount);
    EXPECT_EQ(p.triggerPosition, truth.triggerIndex);
    std::int64_t compared = 0;
    int wrong = 0;
    for (int j = 0; j < p.dataCount - unshown && wrong < 5; ++j) {
        if (!truth.carried.empty() && truth.carried[std::size_t(j)] == 0)
            continue;
        ++compared;
        for (int c = 0; c < p.channelCount; ++c) {
            if (p.sampleBits.level(c, j) != truth.level(c, j)) {
                ADD_FAILURE() << "sample " << j << " channel " << c;
                ++wrong;
                break;
            }
        }
    }
    EXPECT_GT(compared, p.dataCount / 2) << "the read path carried too few samples";
}

} // namespace

class CaptureIntegration : public ::testing::TestWithParam<CaptureCase> {};

TEST_P(CaptureIntegration, PageShowsWhatTheInstrumentSampled)
{
    const CaptureCase& c = GetParam();
    CaptureRig rig(c);
    ASSERT_EQ(rig.state.log.lastLine(), QStringLiteral("ハードウェアは正常です。")) << rig.state.log.lines().join(QLatin1Char('\n')).toStdString();
    ASSERT_LT(c.page, rig.state.instrument.AnalyzerPageCount);
    sim::SimAnalyzerModule* module = rig.module(c.page);
    ASSERT_NE(module, nullptr);
    if (c.interleaveBits >= 0)
        module->setInterleaveBits(std::uint32_t(c.interleaveBits));
    PageState& p = rig.state.pages[std::size_t(c.page)];
    if (!p.triggerText[0].isEmpty())
        p.triggerText[0] = QString::fromUtf8(c.position);
    p.intervalIndex = c.intervalIndex;
    SendIntervalSetting(rig.state, c.page);
    SendTriggerSettings(rig.state, c.page);

    ASSERT_TRUE(rig.capture(c.page));
    EXPECT_TRUE(rig.state.log.lines().contains(PageCaption(c.page) + QStringLiteral(" 測定が終わりました。")))
        << rig.state.log.lines().join(QLatin1Char('\n')).toStdString();
    const int unshown = !p.compressed && p.dataCount > 32000 ? module->startupSamples() : 0;
    expectPageMatchesGroundTruth(p, module->groundTruth(), unshown);
}

// clang-format off
const CaptureCase kCases[] = {
    {"TK-C4 start mode (both trims)", 11, nullptr},
    {"TK-C4 both trims, bit 6", 11, nullptr, 0, -1, 0x40},
    {"TK-C4 centre", 11, nullptr, 0, -1, -1, "中央"},
    {"TK-C4 right, slower", 11, nullptr, 0, -1, -1, "右", 4},
    {"TK-C2 trim block, bit 6 clear", 10, nullptr, 0, -1, 0x00},
    {"TK-C2 trim block, bit 6 set", 10, nullptr, 0, -1, 0x40},
    {"TK-C1 32 channels 256K (97 start-up samples)", 13, "100MHz 32ch 256Kbit"},
    {"TK-C4 16 channels 256K (96 start-up samples)", 11, "200MHz 16ch 256Kbit"},
    {"TK-C4 compressed", 11, "圧縮 100MHz 16ch 256Kbit"},
    {"TK-C2 compressed", 10, "圧縮 100MHz 16ch 256Kbit"},
    {"TK-C4 compressed, centre", 11, "圧縮 100MHz 16ch 256Kbit", 0, -1, -1, "中央"},
    {"TK-C1 sampling enable", 13, "ｸﾛｯｸ倍率x2 16ch 32Kbit"},
    {"TK-C4 analog add-on, user module with groups", 11, "TK-C4_AX-9", 0},
    {"TK-C4 analog add-on, user sampling enable", 11, "TK-C4_AX-9", 1},
    {"TK-C4 analog add-on, built-in", 11, "TK-C4_AX-9", 2},
    {"TK-B3 version 2", 7, nullptr, 0, 2},
    {"TK-B3 version 1", 7, nullptr, 0, 1},
    {"TK-B4 trim block 256K, version 2", 8, "200MHz 8ch 256Kbit", 0, 2},
    {"TK-B3 edge sampling", 7, "ｸﾛｯｸ倍率x1 16ch 32Kbit", 0, 2},
    {"TK-B2 version 2", 6, nullptr, 0, 2},
    {"TK-B1 version 1", 9, nullptr, 0, 1},
    {"TK-A3 trim one, bit 2", 4, nullptr, 0, -1, 0x04},
    {"TK-A3 trim one, bits 3-4 = 10", 4, nullptr, 0, -1, 0x10},
    {"TK-A3 trim one, other order", 4, nullptr, 0, -1, 0x08},
    {"TK-A2 trim one", 5, nullptr},
    {"TK-A0 packets", 1, nullptr},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Models, CaptureIntegration, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<CaptureCase>& param) {
                             std::string name = std::to_string(param.index) + "_";
                             for (const char* ch = param.param.name; *ch; ++ch)
                                 name += std::isalnum(static_cast<unsigned char>(*ch)) ? *ch : '_';
                             return name;
                         });

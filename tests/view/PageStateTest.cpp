#include "view/PageState.h"
#include "view/PageTime.h"
#include "view/Pages.h"

#include <gtest/gtest.h>

namespace seiran {
namespace {

constexpr std::size_t kPlaneBytes = std::size_t(kMaxChannels) * kMaxSamples / 8;

ModuleInfo analyzerModule()
{
    ModuleInfo m;
    m.function = ModuleFunction::Analyzer;
    m.ModuleChannelCode = 4;
    m.ModuleKind = 5;
    return m;
}

PageSetup setupFor(int page, const ModuleInfo* module, int channels, int samples, int origin = 0)
{
    PageSetup s;
    s.page = page;
    s.module = module;
    s.PageModule = 8;
    s.channelCount = channels;
    s.dataCount = samples;
    s.channelOrigin = origin;
    s.clockPeriod = 5;
    return s;
}

TEST(Pages, CaptionsAndKinds)
{
    const char* captions[] = {"ロジアナ１", "ロジアナ２", "ロジアナ３", "ロジアナ４", "信号発生１",
                              "信号発生２", "信号発生３", "信号発生４", "プロトコル", "テスト"};
    for (int p = 0; p < kPageCount; ++p)
        EXPECT_EQ(PageCaption(p), QString::fromUtf8(captions[p])) << p;
    EXPECT_EQ(PageCaption(10), QString());
    EXPECT_EQ(PageKindOf(3), PageKind::Analyzer);
    EXPECT_EQ(PageKindOf(4), PageKind::Generator);
    EXPECT_EQ(PageKindOf(8), PageKind::Protocol);
    EXPECT_EQ(PageKindOf(9), PageKind::Test);
    EXPECT_FALSE(HasSampleStorage(8));
}

TEST(PageDefaults, PlainBitPlaneAnalyzer)
{
    const ModuleInfo module = analyzerModule();
    PageState page;
    SetPageToDefaults(page, setupFor(0, &module, 16, 32768));

    EXPECT_FALSE(page.compressed);
    EXPECT_EQ(page.PageModule, 8);
    EXPECT_EQ(page.runModeText, QStringLiteral("シングル"));
    EXPECT_EQ(page.samplingEdgeText, QStringLiteral("立上り位置の"));
    EXPECT_EQ(page.triggerText[0], QStringLiteral("左"));
    EXPECT_EQ(page.triggerText[1], QStringLiteral("Rise"));
    for (int c = 1; c < kMaxChannels; ++c)
        EXPECT_EQ(page.triggerText[std::size_t(1 + c)], QStringLiteral("-")) << c;

    EXPECT_EQ(page.rowCount, 16);
    for (int r = 0; r < kMaxRows; ++r) {
        EXPECT_EQ(page.signalName[std::size_t(r)], QStringLiteral("CH%1").arg(r));
        EXPECT_EQ(page.rowChannelCount[std::size_t(r)], r < 16 ? 1 : 0) << r;
        EXPECT_EQ(page.rowRadix[std::size_t(r)], r < 16 ? QStringLiteral("HEX") : QString()) << r;
        EXPECT_EQ(page.channelSelected[std::size_t(r)], r == 0) << r;
    }

    EXPECT_EQ(page.triggerPosition, 0);
    EXPECT_EQ(page.cursorA, 0);
    EXPECT_EQ(page.cursorB, 100);
    EXPECT_EQ(page.cursorC, 300);
    EXPECT_EQ(page.cursorD, 400);
    EXPECT_EQ((std::array{page.voltCursor1, page.voltCursor2, page.voltCursor3, page.voltCursor4}),
              (std::array{255, 0, 255, 0}));
    EXPECT_EQ(page.stateMsb, 15);
    EXPECT_EQ(page.stateLsb, 0);
    EXPECT_EQ(page.zoomFactor, 1.0);
    EXPECT_EQ(page.zoomCode, 256);
    EXPECT_EQ(page.atobMode, QStringLiteral("AtoB"));
    EXPECT_EQ(page.stateCursorName, QStringLiteral("A"));
    EXPECT_EQ(page.stateMode, QStringLiteral("HEX"));
    for (std::size_t a = 0; a < kMaxAnalogRows; ++a) {
        EXPECT_EQ(page.analogMvPerDigitText[a], QStringLiteral("1"));
        EXPECT_EQ(page.analogMinimumText[a], QStringLiteral("0"));
        EXPECT_EQ(page.analogMicroVoltsPerDigit[a], 1000.0f);
        EXPECT_EQ(page.analogMinimumMicroVolts[a], 0.0f);
        EXPECT_EQ(page.analogVZoom[a], 1);
        EXPECT_EQ(page.analogVOffset[a], 0);
    }
    EXPECT_EQ(page.measureTimeText, QStringLiteral("163.84μS")); // 5 nS × 32768

    // Bit planes only; the record lists stay unallocated and empty.
    EXPECT_EQ(page.storageBytes(), 3 * kPlaneBytes);
    EXPECT_FALSE(page.displayList.allocated());
    EXPECT_EQ(page.recCount, 0);
}

TEST(PageDefaults, ChannelOriginOne)
{
    const ModuleInfo module = analyzerModule();
    PageState page;
    SetPageToDefaults(page, setupFor(1, &module, 8, 1024, 1));
    EXPECT_EQ(page.stateMsb, 8);
    EXPECT_EQ(page.stateLsb, 1);
    EXPECT_EQ(page.signalName[0], QStringLiteral("CH1"));
    EXPECT_EQ(page.signalName[7], QStringLiteral("CH8"));
}

TEST(PageDefaults, SamplingEnableAndEdgeSamplingModules)
{
    ModuleInfo enable = analyzerModule();
    enable.ModuleSamplingEnable = true;
    ModuleInfo edge = analyzerModule();
    edge.ModuleEdgeSampling = true;

    PageState page;
    SetPageToDefaults(page, setupFor(0, &enable, 16, 32768));
    EXPECT_EQ(page.triggerText[0], QString());
    EXPECT_EQ(page.triggerText[1], QStringLiteral("H"));
    EXPECT_EQ(page.triggerText[2], QStringLiteral("-"));
    EXPECT_EQ(page.signalName[0], QStringLiteral("Sampling Enable"));
    EXPECT_EQ(page.signalName[1], QStringLiteral("CH1"));

    SetPageToDefaults(page, setupFor(0, &edge, 16, 32768));
    EXPECT_EQ(page.triggerText[0], QString());
    EXPECT_EQ(page.triggerText[1], QStringLiteral("Rise"));
    EXPECT_EQ(page.signalName[0], QStringLiteral("Edge Sampling"));
}

TEST(PageDefaults, CompressedAnalyzerHasWholeQuietLists)
{
    ModuleInfo module = analyzerModule();
    module.ModuleCompressed = true;
    module.ModuleTrimBlock = true;
    PageState page;
    SetPageToDefaults(page, setupFor(0, &module, 16, 262144));

    EXPECT_TRUE(page.compressed);
    EXPECT_EQ(page.recCount, 262016);
    EXPECT_EQ(page.sampleCount, 262016);
    EXPECT_EQ(page.measRecCount, 262144);
    EXPECT_EQ(page.measSampleCount, 262144);
    EXPECT_EQ(page.recTriggerSample, 0);
    EXPECT_EQ(page.displayList.start(page.recCount), page.sampleCount);
    EXPECT_EQ(page.measuredList.start(page.measRecCount), page.measSampleCount);
    EXPECT_EQ(FindRecordAt(page, 12345), 12345);
    EXPECT_EQ(page.displayRecords().value(100), 0U);
    EXPECT_EQ(page.measureTimeText, QStringLiteral("1.31008mS")); // 5 nS × 262016

    // Record lists only.
    EXPECT_FALSE(page.sampleBits.allocated());
    EXPECT_EQ(page.storageBytes(), page.displayList.allocatedBytes() + page.measuredList.allocatedBytes()
                                       + page.referenceList.allocatedBytes());
    EXPECT_GT(page.referenceList.allocatedBytes(), 0U);
}

TEST(PageDefaults, GeneratorPage)
{
    ModuleInfo module;
    module.function = ModuleFunction::Generator;
    PageState page;
    PageSetup setup = setupFor(4, &module, 16, 1024);
    setup.clockPeriod = 10;
    SetPageToDefaults(page, setup);

    EXPECT_EQ(page.runModeText, QStringLiteral("1回"));
    EXPECT_EQ(page.intervalIndex, 3); // "100nS"
    EXPECT_EQ(page.GenDataCount, 1024);
    EXPECT_EQ(page.GenTimeText, QStringLiteral("102.4μS"));
    EXPECT_EQ(page.GenSelectTimeText, QStringLiteral("0nS"));
    EXPECT_EQ(page.GenStartText, QStringLiteral("0"));
    EXPECT_EQ(page.GenEndText, QStringLiteral("102.4"));
    EXPECT_EQ(page.GenStartCell, 0);
    EXPECT_EQ(page.GenEndCell, 1023);
    EXPECT_FALSE(page.GenRangeError);
    EXPECT_FALSE(page.GenUploaded);
    EXPECT_EQ(page.storageBytes(), kPlaneBytes); // the pattern planes
}

TEST(PageDefaults, PageWithoutModuleTakesNoMemory)
{
    PageState page;
    SetPageToDefaults(page, setupFor(2, nullptr, 0, 0));
    EXPECT_EQ(page.storageBytes(), 0U);
    EXPECT_EQ(page.rowCount, 0);
    EXPECT_EQ(page.rowChannelCount[0], 0);
    EXPECT_EQ(page.triggerText[0], QStringLiteral("左"));
    EXPECT_EQ(page.measureTimeText, QString());
    EXPECT_EQ(FindRecordAt(page, 10), 0);

    PageState protocol;
    SetPageToDefaults(protocol, setupFor(8, nullptr, 0, 0));
    EXPECT_EQ(protocol.runModeText, QString());
    EXPECT_EQ(protocol.storageBytes(), 0U);
}

TEST(PageDefaults, ResetClearsRunStateAndSamplesButKeepsStorage)
{
    const ModuleInfo module = analyzerModule();
    PageState page;
    SetPageToDefaults(page, setupFor(0, &module, 16, 32768));
    page.sampleBits.set(3, 999, true);
    page.compareErrorBits.set(3, 999, true);
    page.hasData = true;
    page.running = true;
    page.repeatCount = 7;
    page.signalName[0] = QStringLiteral("CLK");
    page.zoomFactor = 4;

    SetPageToDefaults(page, setupFor(0, &module, 16, 32768));
    EXPECT_FALSE(page.sampleBits.level(3, 999));
    EXPECT_FALSE(page.compareErrorBits.level(3, 999));
    EXPECT_FALSE(page.hasData);
    EXPECT_FALSE(page.running);
    EXPECT_EQ(page.repeatCount, 0);
    EXPECT_EQ(page.signalName[0], QStringLiteral("CH0"));
    EXPECT_EQ(page.zoomFactor, 1.0);

    // Moving to a module of the other form adds its storage and keeps the planes.
    ModuleInfo compressed = analyzerModule();
    compressed.ModuleCompressed = true;
    SetPageToDefaults(page, setupFor(0, &compressed, 16, 262144));
    EXPECT_TRUE(page.sampleBits.allocated());
    EXPECT_TRUE(page.displayList.allocated());
    EXPECT_EQ(page.recCount, 262144);
}

} // namespace
} // namespace seiran

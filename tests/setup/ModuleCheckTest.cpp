#include "SetupFixture.h"
#include "setup/ModuleCheck.h"

#include <gtest/gtest.h>

using namespace seiran;
using namespace seiran::setuptest;

TEST(PropertyWord, NewLayoutFields)
{
    // analyzer, 2^5 channels, depth code 18, trim block, compressed, input-group code 2, version 5.4
    const std::uint32_t word = 0x1512'0000u | kTrimBlock | kCompressed | (2u << 8) | 0x54u;
    const ModuleInfo user = decodePropertyWord(word, true, true);
    EXPECT_TRUE(user.isAnalyzer());
    EXPECT_EQ(user.ModuleChannelCode, 5);
    EXPECT_EQ(user.ModuleDepthCode, 0x12);
    EXPECT_TRUE(user.ModuleTrimBlock);
    EXPECT_FALSE(user.ModuleTrimOne);
    EXPECT_TRUE(user.ModuleCompressed);
    EXPECT_EQ(user.ModuleBankCount, 4);
    EXPECT_EQ(user.ModuleKind, 5);
    EXPECT_EQ(user.ModuleSubKind, 4);
    EXPECT_TRUE(user.wantsRandomStartWord());
    // Built-in slots have one input group whatever bits 9-8 hold.
    EXPECT_EQ(decodePropertyWord(word, true, false).ModuleBankCount, 1);

    struct Bank { std::uint32_t code; int groups; };
    for (const Bank b : {Bank{0, 1}, Bank{1, 2}, Bank{2, 4}, Bank{3, 8}})
        EXPECT_EQ(decodePropertyWord(b.code << 8 | 0x1000'0000u, true, true).ModuleBankCount, b.groups);

    const ModuleInfo flags = decodePropertyWord(0x2300'0000u | kTrimOne | kSamplingEnable | kEdgeSampling | kRange, true, false);
    EXPECT_TRUE(flags.isGenerator());
    EXPECT_TRUE(flags.ModuleTrimOne && flags.ModuleSamplingEnable && flags.ModuleEdgeSampling && flags.ModuleRangeMode);
}

TEST(PropertyWord, OldLayoutTakesChannelsAndDepthByFunction)
{
    const ModuleInfo a = decodePropertyWord(oldAnalyzer(4, 10, 3, 1, 0b1110), false, true);
    EXPECT_TRUE(a.isAnalyzer());
    EXPECT_EQ(a.ModuleChannelCode, 4);
    EXPECT_EQ(a.ModuleDepthCode, 10);
    EXPECT_EQ(a.ModuleKind, 3);
    EXPECT_EQ(a.ModuleSubKind, 1);
    EXPECT_TRUE(a.ModuleTrimOne && a.ModuleSamplingEnable && a.ModuleEdgeSampling);
    EXPECT_FALSE(a.ModuleRangeMode || a.ModuleTrimBlock || a.ModuleCompressed);
    EXPECT_EQ(a.ModuleBankCount, 1);

    const ModuleInfo g = decodePropertyWord(oldGenerator(3, 8, 4, 6, 0b0001), false, true);
    EXPECT_TRUE(g.isGenerator());
    EXPECT_EQ(g.ModuleChannelCode, 3);
    EXPECT_EQ(g.ModuleDepthCode, 8);
    EXPECT_TRUE(g.ModuleRangeMode);

    EXPECT_EQ(decodePropertyWord(0x3000u, false, true).function, ModuleFunction::None);
}

TEST(PropertyWord, UserSlotsFrom52OnAnnounceTheNewLayout)
{
    EXPECT_FALSE(announcesNewLayout(oldAnalyzer(4, 10, 5, 1)));
    EXPECT_TRUE(announcesNewLayout(oldAnalyzer(4, 10, 5, 2)));
    EXPECT_TRUE(announcesNewLayout(0x0000'0FF0u));

    SetupFixture f(11);
    f.installSlot(2, oldAnalyzer(4, 10, 5, 1), newGenerator(3, 8));          // 0x51: old layout
    f.installSlot(3, oldAnalyzer(4, 10, 5, 2), newAnalyzer(5, 15, kTrimBlock)); // 0x52: new layout
    f.installSlot(8, 0, newAnalyzer(4, 15, kTrimOne | kTrimBlock));
    ReadModuleProperties(f.state);

    const ModuleTable& m = f.state.instrument.modules;
    EXPECT_FALSE(m[2].newLayout);
    EXPECT_TRUE(m[2].isAnalyzer());
    EXPECT_EQ(m[2].ModuleDepthCode, 10);
    EXPECT_TRUE(m[3].newLayout);
    EXPECT_EQ(m[3].ModuleChannelCode, 5);
    EXPECT_EQ(m[3].ModuleDepthCode, 15);
    EXPECT_EQ(f.modulesRead(0x32), (std::vector<int>{3, 8, 9}));
    EXPECT_EQ(f.modulesRead(0x30), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
}

TEST(ModuleReads, BuiltInSlotsByInstrumentType)
{
    struct Case { int type; const char* mode; std::vector<int> status; std::vector<int> property; int propertyBytes; };
    const Case cases[] = {
        {4, "100MHz 16ch 1Kbit", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, {}, 0},
        {7, "200MHz 8ch 32Kbit", {0, 1, 2, 3, 4, 5, 6, 7}, {8, 9}, 4},
        {11, "200MHz 16ch 32Kbit", {0, 1, 2, 3, 4, 5, 6, 7}, {8, 9}, 8},
        {13, "200MHz 16ch 32Kbit", {0, 1, 2, 3, 4, 5, 6, 7}, {8}, 8},
        {13, "信号発生 16ch 1Kbit", {0, 1, 2, 3, 4, 5, 6, 7}, {9}, 8},
        {13, "内部折返しテスト", {0, 1, 2, 3, 4, 5, 6, 7}, {8, 9}, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.type << " " << c.mode);
        SetupFixture f(c.type);
        f.state.instrument.HardwareMode = QString::fromUtf8(c.mode);
        ReadModuleProperties(f.state);
        EXPECT_EQ(f.modulesRead(0x30), c.status);
        EXPECT_EQ(f.modulesRead(0x32), c.property);
        // The answer length of each property read: 4 bytes on the built-in slots of types 6 to 9.
        const auto& records = f.instrument->records();
        for (std::size_t i = 0; i + 1 < records.size(); ++i) {
            if (records[i].kind != sim::SimRecord::Kind::Frame || records[i].code != 0x32)
                continue;
            const int asked = c.type > 9 ? records[i].announcedBytes : records[i + 1].length;
            EXPECT_EQ(asked, c.propertyBytes);
        }
    }
}

namespace {

struct CheckCase {
    const char* name;
    std::uint32_t word;
    int channelCount;
    int dataCount;
};

} // namespace

TEST(CheckModules, AnalyzerDataCountsFollowDepthAndTrimFlags)
{
    const CheckCase cases[] = {
        {"32K both trims", newAnalyzer(4, 15, kTrimOne | kTrimBlock), 16, 32638},
        {"256K both trims", newAnalyzer(4, 18, kTrimOne | kTrimBlock), 16, 262014},
        {"32K trim block", newAnalyzer(3, 15, kTrimBlock), 8, 32639},
        {"256K trim block", newAnalyzer(5, 18, kTrimBlock), 32, 262015},
        {"512 trim one", newAnalyzer(6, 9, kTrimOne), 64, 511},
        {"1K trim one", newAnalyzer(4, 10, kTrimOne), 16, 1023},
        {"2K trim one", newAnalyzer(4, 11, kTrimOne), 16, 2047},
        {"512", newAnalyzer(4, 9), 16, 512},
        {"1K", newAnalyzer(4, 10), 16, 1024},
        {"2K", newAnalyzer(4, 11), 16, 2048},
        {"compressed 1K", newAnalyzer(4, 10, kCompressed), 16, 1024},
        {"compressed 4K", newAnalyzer(4, 12, kCompressed), 16, 4096},
        {"compressed 256K", newAnalyzer(4, 18, kCompressed | kTrimBlock), 16, 262144},
    };
    for (const CheckCase& c : cases) {
        SCOPED_TRACE(c.name);
        SetupFixture f(11);
        f.installSlot(8, 0, c.word);
        CheckModules(f.state);
        EXPECT_FALSE(f.state.instrument.NoModule);
        EXPECT_EQ(f.state.log.lastLine(), QStringLiteral("ハードウェアは正常です。"));
        EXPECT_EQ(f.state.pages[0].PageModule, 8);
        EXPECT_EQ(f.state.pages[0].channelCount, c.channelCount);
        EXPECT_EQ(f.state.pages[0].dataCount, c.dataCount);
    }
}

TEST(CheckModules, InvalidCodesStopTheCheck)
{
    struct Case { const char* name; std::uint32_t word; const char* message; };
    const Case cases[] = {
        {"analyzer channel code 2", newAnalyzer(2, 10), "チャンネル数が異常です。"},
        {"analyzer channel code 7", newAnalyzer(7, 10), "チャンネル数が異常です。"},
        {"depth 15 without trim block", newAnalyzer(4, 15), "データ数が異常です。"},
        {"depth 9 with trim block", newAnalyzer(4, 9, kTrimBlock), "データ数が異常です。"},
        {"compressed depth 15", newAnalyzer(4, 15, kCompressed), "データ数が異常です。"},
        {"generator 32 channels", newGenerator(5, 8), "チャンネル数が異常です。"},
        {"generator depth 9", newGenerator(4, 9), "データ数が異常です。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetupFixture f(11);
        f.installSlot(8, 0, c.word);
        CheckModules(f.state);
        EXPECT_TRUE(f.state.instrument.NoModule);
        EXPECT_EQ(f.state.log.lastLine(), QString::fromUtf8(c.message));
    }
}

TEST(CheckModules, OnlyTheFirstFourModulesOfAKindGetPages)
{
    SetupFixture f(11);
    for (int slot = 0; slot < 5; ++slot)
        f.installSlot(slot, oldAnalyzer(3 + slot % 2, 10, 3, 0));
    f.installSlot(8, 0, newAnalyzer(5, 15, kTrimBlock));
    f.installSlot(9, 0, newGenerator(4, 10));
    CheckModules(f.state);

    const InstrumentState& inst = f.state.instrument;
    EXPECT_EQ(inst.AnalyzerPageCount, 4);
    EXPECT_EQ(inst.GeneratorPageCount, 1);
    for (int page = 0; page < 4; ++page)
        EXPECT_EQ(f.state.pages[std::size_t(page)].PageModule, page); // slots 4 and 8 are ignored
    EXPECT_EQ(f.state.pages[3].channelCount, 16);
    EXPECT_EQ(f.state.pages[4].PageModule, 9);
    for (int page = 5; page < 8; ++page)
        EXPECT_EQ(f.state.pages[std::size_t(page)].dataCount, 0);
}

TEST(CheckModules, GeneratorDepthsAndRangeModes)
{
    struct Case { std::uint32_t oldWord, newWord; int limit; int dataCount; bool range; };
    const Case cases[] = {
        {0, newGenerator(4, 8), 1024, 256, false},
        {0, newGenerator(4, 10), 1024, 1024, false},
        {0, newGenerator(4, 10), 256, 256, false},
        {0, newGenerator(3, 15, kRange), 1024, 32768, true},
        {0, newGenerator(4, 8, 0, 4, 4), 1024, 256, true},          // version 4.4 plays ranges
        {oldGenerator(3, 8, 4, 6), 0, 1024, 256, true},             // old-layout 4.6, bit 0 clear
        {oldGenerator(3, 8, 4, 5), 0, 1024, 256, false},
    };
    for (const Case& c : cases) {
        SetupFixture f(11);
        f.state.instrument.generatorDepthLimit = c.limit;
        f.installSlot(8, 0, newAnalyzer(4, 15, kTrimBlock));
        if (c.oldWord)
            f.installSlot(0, c.oldWord);
        else
            f.installSlot(9, 0, c.newWord);
        CheckModules(f.state);
        ASSERT_FALSE(f.state.instrument.NoModule);
        const PageState& page = f.state.pages[4];
        EXPECT_EQ(page.dataCount, c.dataCount);
        EXPECT_EQ(page.GenDataCount, c.dataCount);
        EXPECT_EQ(f.state.instrument.module(page.PageModule).ModuleRangeMode, c.range);
    }
}

TEST(CheckModules, NoModuleRetriesOnceAfterAnFpgaReset)
{
    SetupFixture f(11);
    f.state.device.CommandSequence = 40;
    CheckModules(f.state);
    EXPECT_TRUE(f.state.instrument.NoModule);
    EXPECT_EQ(f.state.log.lines(), QStringList{QStringLiteral("モジュールが見つかりません。")});
    int resets = 0;
    for (const sim::SimRecord& r : f.instrument->records())
        resets += r.kind == sim::SimRecord::Kind::VendorOut && r.request == 0xE0;
    EXPECT_EQ(resets, 1);
    // Two full reads of the slots: the first and the retry after the reset.
    EXPECT_EQ(f.modulesRead(0x32), (std::vector<int>{8, 9, 8, 9}));
    EXPECT_LT(f.state.device.CommandSequence, 40);

    // A module whose version is outside 3 to 5 alone does not count.
    SetupFixture g(11);
    g.installSlot(8, 0, newAnalyzer(4, 15, kTrimBlock, 2, 0));
    CheckModules(g.state);
    EXPECT_TRUE(g.state.instrument.NoModule);
}

// The read paths of the sample transfer: which reads reach the module, in which order, how many,
// and where each answer lands in the page.

#include "TransferTestFixture.h"

#include <gtest/gtest.h>

using namespace seiran;
using namespace seiran::transfertest;

namespace {

const QString kStartLine = QStringLiteral("ロジアナ１ データ転送中です。");

// ---- built-in modules of newer instruments: head entries, then 2048-byte blocks

struct HeadCase {
    const char* name;
    std::vector<std::uint32_t> headStatus; // 0x30 words before the one that ends the head
    int headEntries;
};

class BuiltInNewerPlain : public ::testing::TestWithParam<HeadCase> {};

TEST_P(BuiltInNewerPlain, HeadEntriesThenBlocksOfSamplePairs)
{
    const HeadCase& c = GetParam();
    TransferFixture f(10, 2);
    MemoryModule& m = f.install({.slot = 8, .channelCount = 16, .dataCount = 1024});
    // U = 1024 div 8 = 128 units: 8 blocks of 256 pairs.
    const int k = c.headEntries;
    const std::vector<std::uint64_t> samples = randomWords(k + 8 * 256, 64, 11);
    m.headStatus = c.headStatus;
    m.endStatus = 0x0000; // (s >> 8) AND 7 = 0: no more head entries
    m.entryWords = samplePairs(samples, 0, std::size_t(k));
    m.blockWords = samplePairs(samples, std::size_t(k), samples.size());

    f.transfer();

    EXPECT_EQ(m.reads[0x30], std::min(k + 1, 8));
    EXPECT_EQ(m.reads[0x31], k);
    EXPECT_EQ(m.reads[0x33], 8);
    EXPECT_EQ(m.readBytes[0x33], 2048);
    EXPECT_EQ(m.commands[0x29], 0); // not a ModuleTrimBlock module
    for (int i = 0; i < 1024; ++i)
        ASSERT_EQ(f.sampleWord(i, 16), samples[std::size_t(i)] & 0xFFFF) << "sample " << i;
    EXPECT_TRUE(f.page().hasData);
}

INSTANTIATE_TEST_SUITE_P(Heads, BuiltInNewerPlain,
                         ::testing::Values(HeadCase{"none", {}, 0},
                                           HeadCase{"three", {0x100, 0x200, 0x700}, 3},
                                           // The head stops after eight entries whatever the status says.
                                           HeadCase{"eight", std::vector<std::uint32_t>(12, 0x300), 8}),
                         [](const auto& test) { return std::string(test.param.name); });

struct CompressedHeadCase {
    const char* name;
    int headEntries;
    std::uint32_t p1, p2Word; // pointer word 0 and the P2 field of word 1
    bool triggerFound;
};

class BuiltInNewerCompressed : public ::testing::TestWithParam<CompressedHeadCase> {};

TEST_P(BuiltInNewerCompressed, PreReadsHeadAndPackedRecords)
{
    const CompressedHeadCase& c = GetParam();
    TransferFixture f(11, 2);
    MemoryModule& m = f.install({.slot = 8, .channelCount = 16, .dataCount = 4096, .compressed = true, .trimBlock = true});
    const int k = c.headEntries;
    // U = (4096 + 129) div 32 = 132: 8 blocks of 512 packed records after the 2k head records.
    std::vector<RawEntry> raw = randomEntries(2 * k + 8 * 512, 16, 21);
    raw[0].count = 0; // not yet written when the memory filled: a leading invalid entry
    const std::vector<std::uint32_t> words = packedRecords(raw);
    m.headStatus.assign(std::size_t(k), 0x0001);
    m.endStatus = 0x0081;
    // Eight discarded entries first, then the head.
    m.entryWords = concat(std::vector<std::uint32_t>(16, 0xFFFFFFFFu),
                          std::vector<std::uint32_t>(words.begin(), words.begin() + 2 * k));
    m.blockWords.assign(words.begin() + 2 * k, words.end());
    m.pointer = {c.p1, c.p2Word | (c.triggerFound ? 0x80000000u : 0)};

    f.transfer();

    EXPECT_EQ(m.reads[0x31], 8 + k);
    EXPECT_EQ(m.reads[0x38], 1);
    EXPECT_EQ(m.reads[0x33], 8);
    EXPECT_EQ(m.commands[0x29], 1);
    // Order: discards, pointer word, 0x29, then the head and the blocks.
    const std::vector<sim::SimRecord> frames = f.instrument->frames();
    std::vector<int> codes;
    for (const sim::SimRecord& r : frames)
        if (r.module == 8)
            codes.push_back(r.code);
    ASSERT_GE(codes.size(), 11u);
    EXPECT_EQ(std::vector<int>(codes.begin(), codes.begin() + 11),
              (std::vector<int>{0x31, 0x31, 0x31, 0x31, 0x31, 0x31, 0x31, 0x31, 0x38, 0x29, 0x30}));
    EXPECT_EQ(codes.back(), 0x33);

    const std::vector<RawEntry> memory(raw.begin(), raw.begin() + 4096);
    expectList(f.page(), referenceList(memory, true, c.triggerFound, c.p1, c.p2Word + 16));
}

INSTANTIATE_TEST_SUITE_P(Heads, BuiltInNewerCompressed,
                         ::testing::Values(CompressedHeadCase{"NoHeadEvenP1", 0, 2000, 300, true},
                                           CompressedHeadCase{"TwoHeadOddP1", 2, 1001, 500, true},
                                           CompressedHeadCase{"EightHeadNoTrigger", 8, 7, 9, false}),
                         [](const auto& test) { return std::string(test.param.name); });

// ---- older instruments with firmware level 2 and above: 2048-byte blocks for every module

TEST(VersionTwoPath, BuiltInModuleTakesFiveHundredTwelveSampleWordsABlock)
{
    TransferFixture f(7, 2);
    MemoryModule& m = f.install({.slot = 8, .channelCount = 8, .dataCount = 262014, .trimOne = true, .trimBlock = true},
                                QStringLiteral("200MHz 8ch 256Kbit"));
    // U = (262014 + 130) div 64 = 4096: (U - 1) div 32 + 1 = 128 blocks of 512 words.
    const std::vector<std::uint64_t> samples = randomWords(128 * 512, 32, 31);
    m.blockWords = sampleWords(samples);
    const std::uint32_t status = 0x40 | 0x04;

    f.transfer(status);

    EXPECT_EQ(m.reads[0x33], 128);
    EXPECT_EQ(m.commands[0x29], 1);
    expectPlanes(f, referencePlanes(samples, {.channelCount = 8, .dataCount = 262014, .trimOne = true,
                                              .trimBlock = true, .status = status, .shift = 96}),
                 8);
}

TEST(VersionTwoPath, UserModuleTakesTheFirstWordOfEachPair)
{
    TransferFixture f(8, 3);
    MemoryModule& m = f.install({.slot = 0, .channelCount = 32, .dataCount = 1024});
    // U = 128: 4 blocks of 256 pairs.
    const std::vector<std::uint64_t> samples = randomWords(1024, 32, 41);
    m.blockWords = samplesWithFiller(samples);

    f.transfer();

    EXPECT_EQ(m.reads[0x33], 4);
    for (int i = 0; i < 1024; ++i)
        ASSERT_EQ(f.sampleWord(i, 32), samples[std::size_t(i)]) << "sample " << i;
}

struct UserCompressedCase {
    const char* name;
    int channels;
    int blockReads;
};

class VersionTwoCompressed : public ::testing::TestWithParam<UserCompressedCase> {};

TEST_P(VersionTwoCompressed, RecordPairsOrQuads)
{
    const UserCompressedCase& c = GetParam();
    TransferFixture f(9, 3);
    MemoryModule& m = f.install({.slot = 2, .channelCount = c.channels, .dataCount = 1024, .compressed = true});
    const std::vector<RawEntry> raw = randomEntries(1024, c.channels, 51);
    m.blockWords = c.channels == 64 ? recordQuads(raw) : recordPairs(raw);
    m.pointer = {700, 0x80000000u | 200};

    f.transfer();

    EXPECT_EQ(m.reads[0x33], c.blockReads);
    EXPECT_EQ(m.reads[0x38], 1);
    EXPECT_EQ(m.commands[0x29], 0);
    expectList(f.page(), referenceList(raw, false, true, 700, 200));
}

// U = 128: 4 blocks; a 64-channel block takes two reads of 128 quads.
INSTANTIATE_TEST_SUITE_P(Channels, VersionTwoCompressed,
                         ::testing::Values(UserCompressedCase{"Pairs32", 32, 4}, UserCompressedCase{"Quads64", 64, 8}),
                         [](const auto& test) { return std::string(test.param.name); });

// Firmware level 2 on an older instrument keeps no pointer word: the trigger counts as not found.
TEST(VersionTwoPath, PointerWordOnlyAboveFirmwareLevelTwo)
{
    for (const int level : {2, 3}) {
        SCOPED_TRACE(level);
        TransferFixture f(7, level);
        MemoryModule& m = f.install({.slot = 0, .channelCount = 32, .dataCount = 1024, .compressed = true});
        const std::vector<RawEntry> raw = randomEntries(1024, 32, 61);
        m.blockWords = recordPairs(raw);
        m.pointer = {100, 0x80000000u | 40};

        f.transfer();

        EXPECT_EQ(m.reads[0x38], level == 2 ? 0 : 1);
        expectList(f.page(), referenceList(raw, false, level > 2, 100, 40));
    }
}

// ---- built-in modules of older instruments with firmware level 1: sixteen words a read

TEST(VersionOnePath, SixteenSampleWordsARead)
{
    TransferFixture f(6, 1);
    MemoryModule& m = f.install({.slot = 8, .channelCount = 16, .dataCount = 1024}, QStringLiteral("100MHz 16ch 1Kbit"));
    // U = 1024 div 16 = 64 reads.
    const std::vector<std::uint64_t> samples = randomWords(1024, 32, 71);
    m.entryWords = sampleWords(samples);

    f.transfer();

    EXPECT_EQ(m.reads[0x31], 64);
    EXPECT_EQ(m.readBytes[0x31], 64);
    for (int i = 0; i < 1024; ++i)
        ASSERT_EQ(f.sampleWord(i, 16), samples[std::size_t(i)] & 0xFFFF) << "sample " << i;
}

// ---- packets: eight entries a unit

struct PacketCase {
    const char* name;
    int deviceType;
    int firmwareLevel;
    int slot;
    int channels;
    bool compressed;
    int reads;     // of 0x31
    int readBytes; // of each
};

class Packets : public ::testing::TestWithParam<PacketCase> {};

TEST_P(Packets, EntriesGoToEightTimesTheUnitPlusTheEntry)
{
    const PacketCase& c = GetParam();
    TransferFixture f(c.deviceType, c.firmwareLevel);
    MemoryModule& m = f.install({.slot = c.slot, .channelCount = c.channels, .dataCount = 1024, .compressed = c.compressed},
                                QStringLiteral("50MHz 16ch 1Kbit"));
    if (c.compressed) {
        const std::vector<RawEntry> raw = randomEntries(1024, c.channels, 81);
        m.entryWords = c.channels == 64 ? recordQuads(raw) : recordPairs(raw);
        m.pointer = {0, 0x80000000u | 512};
        f.transfer();
        // Older instruments below type 6 read the pointer word; types 6 to 9 at level 1 do not.
        const bool pointer = !(c.deviceType >= 6 && c.deviceType <= 9);
        EXPECT_EQ(m.reads[0x38], pointer ? 1 : 0);
        expectList(f.page(), referenceList(raw, false, pointer, 0, 512));
    } else {
        const std::vector<std::uint64_t> samples = randomWords(1024, 32, 82);
        m.entryWords = samplesWithFiller(samples);
        f.transfer();
        const std::uint64_t mask = (std::uint64_t(1) << c.channels) - 1;
        for (int i = 0; i < 1024; ++i)
            ASSERT_EQ(f.sampleWord(i, c.channels), samples[std::size_t(i)] & mask) << "sample " << i;
    }
    EXPECT_EQ(m.reads[0x31], c.reads);
    EXPECT_EQ(m.readBytes[0x31], c.readBytes);
    EXPECT_EQ(m.reads[0x33], 0);
    // Packets report no progress.
    EXPECT_EQ(f.state.log.lines(), QStringList{kStartLine});
}

// U = 1024 div 8 = 128 units of eight entries.
INSTANTIATE_TEST_SUITE_P(
    Kinds, Packets,
    ::testing::Values(PacketCase{"NewerUserPlain", 10, 2, 0, 16, false, 1024, 8},
                      PacketCase{"NewerUserCompressedPairs", 12, 2, 1, 32, true, 1024, 8},
                      PacketCase{"NewerUserCompressedQuads", 13, 1, 3, 64, true, 2048, 8},
                      PacketCase{"OlderBuiltInPlain", 4, 0, 8, 16, false, 128, 64},
                      PacketCase{"OlderUserCompressedPairs", 9, 1, 0, 32, true, 128, 64},
                      PacketCase{"OlderUserCompressedQuads", 6, 1, 0, 64, true, 256, 64},
                      PacketCase{"TypeFiveCompressedQuads", 5, 0, 0, 64, true, 256, 64}),
    [](const auto& test) { return std::string(test.param.name); });

// ---- the unit count, seen as the number of reads

struct UnitCase {
    const char* name;
    int deviceType;
    int firmwareLevel;
    int slot;
    bool trimOne;
    bool trimBlock;
    int dataCount;
    int code;  // the read that is counted
    int reads;
};

class UnitCount : public ::testing::TestWithParam<UnitCase> {};

TEST_P(UnitCount, ReadsFollowTheUnitCount)
{
    const UnitCase& c = GetParam();
    TransferFixture f(c.deviceType, c.firmwareLevel);
    MemoryModule& m = f.install({.slot = c.slot, .channelCount = 8, .dataCount = c.dataCount, .trimOne = c.trimOne,
                                 .trimBlock = c.trimBlock},
                                QStringLiteral("200MHz 8ch 32Kbit"));
    f.transfer();
    EXPECT_EQ(m.reads[std::size_t(c.code)], c.reads);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, UnitCount,
    ::testing::Values(
        // Newer instruments, built-in: U div 16 blocks.
        UnitCase{"NewerBothTrims", 10, 2, 8, true, true, 32638, 0x33, (32638 + 130) / 64 / 16},
        UnitCase{"NewerTrimBlock", 11, 2, 8, false, true, 32639, 0x33, (32639 + 129) / 32 / 16},
        UnitCase{"NewerNoTrim", 12, 2, 8, false, false, 2048, 0x33, 2048 / 8 / 16},
        UnitCase{"NewerTrimOneOnly", 13, 2, 8, true, false, 2047, 0x33, 2047 / 8 / 16},
        // Newer instruments, user module: eight entry reads a unit.
        UnitCase{"NewerUserBothTrims", 10, 2, 0, true, true, 32638, 0x31, 8 * ((32638 + 130) / 64)},
        UnitCase{"NewerUserNoTrim", 10, 2, 0, false, false, 512, 0x31, 512},
        // Older built-in, firmware level 1: one read a unit.
        UnitCase{"Type6", 6, 1, 8, false, false, 1024, 0x31, 1024 / 16},
        UnitCase{"Type9", 9, 0, 8, true, false, 2047, 0x31, 2047 / 16},
        UnitCase{"Type7BothTrims", 7, 1, 8, true, true, 32638, 0x31, (32638 + 130) / 64},
        UnitCase{"Type8TrimBlock", 8, 1, 8, false, true, 32639, 0x31, (32639 + 129) / 32},
        UnitCase{"Type7NoTrim", 7, 1, 8, false, false, 1024, 0x31, 1024 / 8},
        // Version 2: (U - 1) div 32 + 1 blocks.
        UnitCase{"Type8VersionTwoTrimBlock", 8, 2, 8, false, true, 32639, 0x33, ((32639 + 129) / 32 - 1) / 32 + 1},
        UnitCase{"Type6VersionTwoUser", 6, 2, 0, false, false, 1024, 0x33, (1024 / 8 - 1) / 32 + 1},
        // Below type 6: packets of eight entries, one read a unit.
        UnitCase{"Type5TrimOne", 5, 0, 8, true, false, 1023, 0x31, (1023 + 1) / 16},
        UnitCase{"Type5NoTrim", 5, 0, 8, false, false, 1024, 0x31, 1024 / 8},
        UnitCase{"Type5UserTrimOne", 5, 0, 0, true, false, 1023, 0x31, 1023 / 8},
        UnitCase{"Type2", 2, 0, 8, false, false, 1024, 0x31, 1024 / 8}),
    [](const auto& test) { return std::string(test.param.name); });

// The pre-read command 0x29 goes to every ModuleTrimBlock module, compressed or not.
TEST(PreReads, TrimBlockModulesGetThePrepareCommand)
{
    for (const bool trimBlock : {false, true}) {
        SCOPED_TRACE(trimBlock);
        TransferFixture f(10, 2);
        MemoryModule& m = f.install({.slot = 8, .channelCount = 16, .dataCount = trimBlock ? 32639 : 1024,
                                     .trimBlock = trimBlock});
        f.transfer();
        EXPECT_EQ(m.commands[0x29], trimBlock ? 1 : 0);
        EXPECT_EQ(m.reads[0x38], 0); // only compressed modules have a pointer word
        EXPECT_EQ(m.reads[0x31], 0); // no discards on bit-plane modules (the head ended at once)
    }
}

// ---- progress lines

struct ProgressCase {
    const char* name;
    int deviceType;
    int firmwareLevel;
    bool alt;
    bool remote;
    ModuleConfig module;
    std::vector<int> tens; // the progress lines logged, in tens of percent
    bool final;
};

class Progress : public ::testing::TestWithParam<ProgressCase> {};

TEST_P(Progress, LinesReplaceEachOther)
{
    const ProgressCase& c = GetParam();
    TransferFixture f(c.deviceType, c.firmwareLevel);
    f.install(c.module, QStringLiteral("100MHz 32ch 256Kbit"));
    f.state.device.AltTransferMode = c.alt;
    if (c.remote)
        f.goRemote();
    f.state.log.clear();
    f.recording.clearEvents();

    f.transfer();

    QStringList expected{kStartLine};
    for (int t : c.tens)
        expected << QStringLiteral("ロジアナ１ データ転送 %1％").arg(t * 10);
    if (c.final)
        expected << QStringLiteral("ロジアナ１ データ転送 100％");
    EXPECT_EQ(f.recording.texts(RecordingFrontEnd::EventKind::AppendLogLine), expected);
    // Every line after the start line replaces the one before it.
    EXPECT_EQ(f.recording.count(RecordingFrontEnd::EventKind::DeleteLastLogLines), expected.size() - 1);
    EXPECT_EQ(f.state.log.lines(), QStringList{expected.back()});
}

const ModuleConfig kFullMemory{.slot = 8, .channelCount = 32, .dataCount = 262015, .trimBlock = true};
const ModuleConfig kSmallMemory{.slot = 8, .channelCount = 16, .dataCount = 32639, .trimBlock = true};
const ModuleConfig kOlderFullMemory{.slot = 8, .channelCount = 16, .dataCount = 262015, .trimBlock = true};
const std::vector<int> kAllTens{1, 2, 3, 4, 5, 6, 7, 8, 9};
// 64 blocks: the threshold moves in steps of 7; block 57 is already 90 % (570 div 63 = 9).
const std::vector<int> kSixtyFourBlocks{1, 2, 3, 4, 5, 6, 7, 9};

INSTANTIATE_TEST_SUITE_P(
    Rules, Progress,
    ::testing::Values(
        // Built-in, newer: 512 blocks.
        ProgressCase{"NewerLevel2", 10, 2, false, false, kFullMemory, kAllTens, true},
        ProgressCase{"NewerLevel2AltTransfer", 10, 2, true, false, kFullMemory, {}, false},
        ProgressCase{"NewerLevel1AltTransfer", 11, 1, true, false, kFullMemory, kAllTens, true},
        ProgressCase{"NewerSmallMemory", 10, 2, false, false, kSmallMemory, {}, false},
        ProgressCase{"NewerRemoteSmallMemory", 10, 2, true, true, kSmallMemory, kSixtyFourBlocks, true},
        // Version 2: 256 blocks.
        ProgressCase{"VersionTwoFull", 8, 2, false, false, kOlderFullMemory, kAllTens, true},
        ProgressCase{"VersionTwoSmall", 8, 2, false, false, kSmallMemory, {}, false},
        // Version 1 always shows the lines; the last one only on large memories.
        ProgressCase{"VersionOneSmall", 6, 1, false, false, {.slot = 8, .channelCount = 16, .dataCount = 1024},
                     kSixtyFourBlocks, false},
        ProgressCase{"VersionOneFull", 8, 1, false, false, kOlderFullMemory, kAllTens, true},
        // Packets never.
        ProgressCase{"PacketsRemote", 10, 2, false, true,
                     {.slot = 0, .channelCount = 16, .dataCount = 32639, .trimBlock = true}, {}, false}),
    [](const auto& test) { return std::string(test.param.name); });

// The same memory over the remote interface decodes to the same page.
TEST(RemoteInterface, ReadsTheSameMemory)
{
    const std::vector<std::uint64_t> samples = randomWords(64 * 256, 64, 91);
    std::array<std::vector<std::uint64_t>, 2> pages;
    for (const bool remote : {false, true}) {
        TransferFixture f(10, 2);
        MemoryModule& m = f.install(kSmallMemory);
        m.blockWords = samplePairs(samples, 0, samples.size());
        if (remote)
            f.goRemote();
        f.transfer(0x40);
        EXPECT_EQ(m.reads[0x33], 64);
        EXPECT_EQ(m.commands[0x29], 1);
        for (int i = 0; i < 32639; ++i)
            pages[remote ? 1 : 0].push_back(f.sampleWord(i, 16));
    }
    EXPECT_EQ(pages[0], pages[1]);
}

} // namespace

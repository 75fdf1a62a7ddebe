// Decoding of the transferred memory: interleave orders, sampling-enable packing, the start-up
// shift and the trigger position of bit-plane pages; trigger arithmetic, record lists and the
// page updates of compressed pages.

#include "TransferTestFixture.h"

#include "capture/SampleDecoding.h"
#include "capture/TransferWorkspace.h"
#include "view/TimeText.h"

#include <gtest/gtest.h>

#include <numeric>
#include <random>

using namespace seiran;
using namespace seiran::transfertest;

namespace {

TEST(TransposeBits64, MatchesTheBitByBitTranspose)
{
    std::mt19937_64 random(5);
    for (int round = 0; round < 20; ++round) {
        std::array<std::uint64_t, 64> words{};
        for (std::uint64_t& w : words)
            w = round == 0 ? 0x8000000000000001ULL : random();
        std::array<std::uint64_t, 64> expected{};
        for (int i = 0; i < 64; ++i)
            for (int j = 0; j < 64; ++j)
                if ((words[std::size_t(i)] >> j) & 1U)
                    expected[std::size_t(j)] |= std::uint64_t(1) << i;
        TransposeBits64(words);
        ASSERT_EQ(words, expected) << "round " << round;
    }
}

// ---- interleave orders (built-in module of a newer instrument: 64-bit sample pairs)

struct MergeCase {
    const char* name;
    int channels;
    int dataCount;
    bool trimOne;
    bool trimBlock;
    std::uint32_t status;
    const char* mode;
    int shift;
};

class Interleave : public ::testing::TestWithParam<MergeCase> {};

TEST_P(Interleave, MatchesTheMergeRules)
{
    const MergeCase& c = GetParam();
    TransferFixture f(10, 2);
    MemoryModule& m = f.install({.slot = 8, .channelCount = c.channels, .dataCount = c.dataCount, .trimOne = c.trimOne,
                                 .trimBlock = c.trimBlock},
                                QString::fromUtf8(c.mode));
    std::vector<std::uint64_t> samples = randomWords(131072, 64, 101);
    m.blockWords = samplePairs(samples, 0, samples.size());

    f.transfer(c.status);

    samples.resize(std::size_t(m.reads[0x33]) * 256); // what the blocks delivered
    const PlaneLayout layout{.channelCount = c.channels, .dataCount = c.dataCount, .trimOne = c.trimOne,
                             .trimBlock = c.trimBlock, .status = c.status, .shift = c.shift};
    expectPlanes(f, referencePlanes(samples, layout), c.channels);
}

INSTANTIATE_TEST_SUITE_P(
    Orders, Interleave,
    ::testing::Values(
        // ModuleTrimOne: X first when bit 2 is set or bits 3-4 are binary 10.
        MergeCase{"TrimOneS10", 16, 1023, true, false, 0x10, "200MHz 16ch 32Kbit", 0},
        MergeCase{"TrimOneS04", 16, 1023, true, false, 0x04, "200MHz 16ch 32Kbit", 0},
        MergeCase{"TrimOneS08", 16, 1023, true, false, 0x08, "200MHz 16ch 32Kbit", 0},
        MergeCase{"TrimOneS18", 32, 2047, true, false, 0x18, "100MHz 32ch 32Kbit", 0},
        MergeCase{"TrimOneS00", 8, 511, true, false, 0x00, "200MHz 16ch 32Kbit", 0},
        // ModuleTrimBlock: bit 6.
        MergeCase{"TrimBlockBit6Set", 32, 32639, false, true, 0x40, "100MHz 32ch 32Kbit", 97},
        MergeCase{"TrimBlockBit6Clear", 32, 32639, false, true, 0x14, "100MHz 32ch 32Kbit", 97},
        MergeCase{"TrimBlock16Channels", 16, 32639, false, true, 0x40, "200MHz 16ch 32Kbit", 96},
        // Both: bit 6 for the first stage, the ModuleTrimOne bits for the second.
        MergeCase{"BothBit6SetXFirst", 16, 32638, true, true, 0x50, "200MHz 16ch 32Kbit", 96},
        MergeCase{"BothBit6SetYFirst", 16, 32638, true, true, 0x48, "200MHz 16ch 32Kbit", 96},
        MergeCase{"BothBit6ClearXFirst", 16, 32638, true, true, 0x04, "200MHz 16ch 32Kbit", 96},
        MergeCase{"BothBit6ClearYFirst", 8, 32638, true, true, 0x00, "200MHz 16ch 32Kbit", 96},
        // Whole memories: the merges reach the ends of the work planes.
        MergeCase{"BothFullMemory", 16, 262014, true, true, 0x44, "200MHz 16ch 256Kbit", 96},
        MergeCase{"TrimBlockFullMemory", 32, 262015, false, true, 0x40, "100MHz 32ch 256Kbit", 97}),
    [](const auto& test) { return std::string(test.param.name); });

// The order of the ModuleTrimOne row written out by hand: X is channels 0-15 of a pair, Y 16-31.
TEST(Interleave, TrimOneOrdersByHand)
{
    for (const std::uint32_t status : {0x10u, 0x00u}) {
        SCOPED_TRACE(status);
        TransferFixture f(10, 2);
        MemoryModule& m = f.install({.slot = 8, .channelCount = 16, .dataCount = 1023, .trimOne = true});
        std::vector<std::uint64_t> samples(1792);
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] = (0xA000 + i) | (0xB000 + i) << 16; // X[i] = 0xA000 + i, Y[i] = 0xB000 + i
        m.blockWords = samplePairs(samples, 0, samples.size());
        f.transfer(status);
        const std::vector<std::uint64_t> expected = status == 0x10
            ? std::vector<std::uint64_t>{0xA000, 0xB000, 0xA001, 0xB001, 0xA002} // odd s: X, even s: Y one back
            : std::vector<std::uint64_t>{0xB000, 0xA001, 0xB001, 0xA002, 0xB002}; // odd s: Y, even s: X
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(f.sampleWord(i, 16), expected[std::size_t(i)]) << "sample index " << i;
    }
}

// ---- sampling-enable and edge-sampling modules

TEST(SamplingEnable, KeepsTheEnabledSamplesAtTheFront)
{
    for (const bool edge : {false, true}) {
        SCOPED_TRACE(edge);
        TransferFixture f(10, 2);
        MemoryModule& m = f.install({.slot = 8, .channelCount = 16, .dataCount = 1024, .samplingEnable = !edge,
                                     .edgeSampling = edge});
        const std::vector<std::uint64_t> samples = randomWords(2048, 16, 111);
        m.blockWords = samplePairs(samples, 0, samples.size());
        f.page().triggerText[0] = QStringLiteral("右");

        f.transfer();

        std::vector<std::uint64_t> kept;
        for (int i = 0; i < 1024; ++i)
            if (samples[std::size_t(i)] & 1U)
                kept.push_back(samples[std::size_t(i)]);
        ASSERT_GT(kept.size(), 400u);
        ASSERT_LT(kept.size(), 624u);
        for (int i = 0; i < 1024; ++i)
            ASSERT_EQ(f.sampleWord(i, 16), i < int(kept.size()) ? kept[std::size_t(i)] : 0) << "sample " << i;
        // The capture just fills the memory: no trigger to place.
        EXPECT_EQ(f.page().triggerPosition, 0);
    }
}

// Packing first, then the start-up shift.
TEST(SamplingEnable, LargeMemoryPacksThenShifts)
{
    TransferFixture f(11, 2);
    MemoryModule& m = f.install({.slot = 8, .channelCount = 16, .dataCount = 32639, .trimBlock = true,
                                 .samplingEnable = true});
    std::vector<std::uint64_t> samples = randomWords(16384, 32, 121);
    m.blockWords = samplePairs(samples, 0, samples.size());
    f.transfer(0x40);
    expectPlanes(f, referencePlanes(samples, {.channelCount = 16, .dataCount = 32639, .trimBlock = true,
                                              .status = 0x40, .pack = true, .shift = 96}),
                 16);
}

// ---- start-up shift

struct ShiftCase {
    const char* name;
    int deviceType;
    const char* mode;
    int channels;
    int dataCount;
    int shift;
};

class StartUpShift : public ::testing::TestWithParam<ShiftCase> {};

TEST_P(StartUpShift, FirstSamplesAreDropped)
{
    const ShiftCase& c = GetParam();
    TransferFixture f(c.deviceType, 2);
    MemoryModule& m = f.install({.slot = 8, .channelCount = c.channels, .dataCount = c.dataCount, .trimBlock = true},
                                QString::fromUtf8(c.mode));
    // With status bit 6 the merge takes Y[m], then X[m]: a counter that the merge turns into
    // sample k = k.
    const std::uint64_t mask = (std::uint64_t(1) << c.channels) - 1;
    const std::size_t pairs = std::size_t(c.dataCount + 129) / 2 + 1;
    std::vector<std::uint64_t> memory(pairs);
    for (std::size_t i = 0; i < pairs; ++i)
        memory[i] = ((2 * i + 1) & mask) | ((2 * i) & mask) << c.channels;
    m.blockWords = c.deviceType >= 10 ? samplePairs(memory, 0, pairs) : sampleWords(memory);

    f.transfer(0x40);

    for (int i : {0, 1, 2, 1000, c.dataCount - 1})
        EXPECT_EQ(f.sampleWord(i, c.channels), std::uint64_t(i + c.shift) & mask) << "sample " << i;
}

INSTANTIATE_TEST_SUITE_P(
    Modes, StartUpShift,
    ::testing::Values(ShiftCase{"Type7In16Channels", 7, "100MHz 16ch 32Kbit", 16, 32639, 97},
                      ShiftCase{"Type8In8Channels", 8, "200MHz 8ch 32Kbit", 8, 32639, 96},
                      ShiftCase{"Type8ClockMultiplier16Channels", 8, "ｸﾛｯｸ倍率x1 16ch 256Kbit", 16, 262015, 97},
                      ShiftCase{"Type10In32Channels", 10, "100MHz 32ch 32Kbit", 32, 32639, 97},
                      ShiftCase{"Type12In16Channels", 12, "200MHz 16ch 32Kbit", 16, 32639, 96},
                      ShiftCase{"Type13In32ChannelsFull", 13, "100MHz 32ch 256Kbit", 32, 262015, 97},
                      ShiftCase{"Type11AnalogAddOn", 11, "TK-C4_AX-9", 16, 32639, 96}),
    [](const auto& test) { return std::string(test.param.name); });

// ---- trigger position of bit-plane pages

struct PositionCase {
    const char* name;
    const char* text;
    int kind;
    int subKind;
    bool samplingEnable;
    int expected;
};

class TriggerPosition : public ::testing::TestWithParam<PositionCase> {};

TEST_P(TriggerPosition, FollowsThePositionTheModuleWasGiven)
{
    const PositionCase& c = GetParam();
    TransferFixture f(10, 2);
    f.install({.slot = 8, .channelCount = 16, .dataCount = 1024, .samplingEnable = c.samplingEnable, .kind = c.kind,
               .subKind = c.subKind});
    f.page().triggerText[0] = QString::fromUtf8(c.text);
    f.page().triggerPosition = 77;
    f.transfer();
    EXPECT_EQ(f.page().triggerPosition, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Texts, TriggerPosition,
                         ::testing::Values(PositionCase{"Left", "左", 5, 0, false, 0},
                                           PositionCase{"Centre", "中央", 5, 0, false, 512},
                                           PositionCase{"Right", "右", 4, 1, false, 1023},
                                           PositionCase{"OtherTextPlain", "", 5, 0, false, 0},
                                           PositionCase{"OtherTextVersion53", "", 5, 3, false, 1023},
                                           PositionCase{"CentreVersion54", "中央", 5, 4, false, 512},
                                           PositionCase{"LeftVersion53", "左", 5, 3, false, 0},
                                           PositionCase{"SamplingEnable", "右", 5, 0, true, 0}),
                         [](const auto& test) { return std::string(test.param.name); });

// ---- compressed captures

// Packed records on the built-in compressed module of a newer instrument, 1024 entries.
struct CompressedFixture : TransferFixture {
    explicit CompressedFixture(bool trimBlock) : TransferFixture(10, 2)
    {
        memory = &install({.slot = 8, .channelCount = 16, .dataCount = 1024, .compressed = true, .trimBlock = trimBlock},
                          QStringLiteral("圧縮 100MHz 16ch 256Kbit"));
        memory->endStatus = 0x80; // no head entries
    }
    void load(const std::vector<RawEntry>& raw, std::uint32_t p1, std::uint32_t p2Word, bool found)
    {
        memory->rewind();
        memory->entryWords.assign(16, 0);
        memory->blockWords = packedRecords(raw);
        memory->pointer = {p1, p2Word | (found ? 0x80000000u : 0)};
    }
};

// Run-length bits 0 move the trigger back one entry; the cases that want it place it themselves.
std::vector<RawEntry> withoutZeroRuns(std::vector<RawEntry> raw)
{
    for (RawEntry& e : raw)
        if ((e.count & 0x7F) == 0)
            e.count |= 1;
    return raw;
}

struct TriggerCase {
    const char* name;
    bool trimBlock;
    std::uint32_t p1, p2Word;
    bool found;
    int leadingInvalid;
    int zeroRunAt;     // entry whose count word gets run-length bits 0, -1 for none
    int triggerRecord; // the record holding the trigger
};

class CompressedTrigger : public ::testing::TestWithParam<TriggerCase> {};

TEST_P(CompressedTrigger, TriggerRecordAndTimes)
{
    const TriggerCase& c = GetParam();
    CompressedFixture f(c.trimBlock);
    std::vector<RawEntry> raw = withoutZeroRuns(randomEntries(1024, 16, 131));
    for (int k = 0; k < c.leadingInvalid; ++k)
        raw[std::size_t(k)].count = 0x05;
    if (c.zeroRunAt >= 0)
        raw[std::size_t(c.zeroRunAt)].count = 0x80;
    f.load(raw, c.p1, c.p2Word, c.found);
    TransferWorkspace workspace;

    TransferCapture(f.state, workspace, 0, 0);

    const ExpectedList expected = referenceList(raw, c.trimBlock, c.found, c.p1, c.p2Word + (c.trimBlock ? 16 : 0));
    expectList(f.page(), expected);
    const PageState& p = f.page();
    EXPECT_EQ(p.recTriggerSample, c.found ? p.displayList.start(c.triggerRecord) : 0);
    // The time of every kept entry from the trigger is its start less the trigger sample.
    int record = 0;
    for (int k = 0; k < 1024 && record < p.recCount; ++k) {
        if (!(workspace.rawCount()[std::size_t(k)] & 0x80))
            continue;
        ASSERT_EQ(workspace.rawRelTime()[std::size_t(k)], std::int64_t(p.displayList.start(record)) - p.recTriggerSample)
            << "entry " << k;
        ++record;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Pointers, CompressedTrigger,
    ::testing::Values(
        // T = N - (P1 - P2) = 1024 - 60 = 964.
        TriggerCase{"P1Above", false, 100, 40, true, 0, -1, 964},
        // A trigger entry with run-length bits 0 steps back one entry.
        TriggerCase{"ZeroRunStepsBack", false, 100, 40, true, 0, 964, 963},
        // Entries not yet written when the capture stopped do not count as records.
        TriggerCase{"LeadingInvalid", false, 100, 40, true, 5, -1, 959},
        TriggerCase{"P2Above", false, 10, 500, true, 0, -1, 490},
        // ModuleTrimBlock: P2 + 16; an odd P1 moves T on by one and drops entry 0.
        TriggerCase{"TrimBlockEvenP1", true, 600, 40, true, 0, -1, 1024 - (600 - 56)},
        TriggerCase{"TrimBlockOddP1", true, 601, 40, true, 0, -1, 1024 - (601 - 56) + 1 - 1},
        TriggerCase{"NotFound", false, 100, 40, false, 3, -1, 0}),
    [](const auto& test) { return std::string(test.param.name); });

// A pointer word outside the memory is taken modulo its size instead of reading beyond it.
TEST(CompressedTrigger, PointersOutsideTheMemoryWrapAround)
{
    struct Case {
        std::uint32_t p1, p2;
        int triggerRecord;
    };
    for (const Case& c : {Case{100, 40 + 3 * 1024, (40 + 3 * 1024 - 100) % 1024}, Case{5000, 10, 130},
                          Case{7, 7, 0}}) {
        SCOPED_TRACE(c.p1);
        CompressedFixture f(false);
        std::vector<RawEntry> raw = withoutZeroRuns(randomEntries(1024, 16, 141));
        raw[0].count = 0x80; // run-length bits 0 at entry 0: no step back below it
        f.load(raw, c.p1, c.p2, true);
        f.transfer();
        ASSERT_TRUE(f.page().hasData);
        EXPECT_EQ(f.page().recCount, 1024);
        EXPECT_EQ(f.page().recTriggerSample, f.page().displayList.start(c.triggerRecord));
    }
}

TEST(CompressedRecords, PackedRecordLevelsAndRunLength)
{
    CompressedFixture f(false);
    std::vector<RawEntry> raw = randomEntries(1024, 16, 151);
    f.load(raw, 0, 0, false);
    f.memory->blockWords[0] = 0x00850003; // channels 0 and 1 high, valid, run length 6
    f.memory->blockWords[1] = 0x00800004; // channel 2 high, run length 1

    f.transfer();

    const RecordListView list = f.page().displayRecords();
    EXPECT_EQ(list.value(0), 3u);
    EXPECT_TRUE(list.level(0, 0));
    EXPECT_TRUE(list.level(1, 0));
    EXPECT_FALSE(list.level(2, 0));
    EXPECT_EQ(list.runLength(0), 6);
    EXPECT_EQ(list.start(1), 6);
    EXPECT_EQ(list.runLength(1), 1);
    EXPECT_TRUE(list.level(2, 1));
    EXPECT_EQ(list.start(2), 7);
    EXPECT_EQ(f.page().recTriggerSample, 0); // no trigger found
}

struct NoDataCase {
    const char* name;
    bool trimBlock;
    std::vector<int> valid; // the only valid entries
    bool hasData;
};

class CompressedNoData : public ::testing::TestWithParam<NoDataCase> {};

TEST_P(CompressedNoData, FewerThanTwoValidEntriesKeepTheList)
{
    const NoDataCase& c = GetParam();
    CompressedFixture f(c.trimBlock);
    f.load(randomEntries(1024, 16, 161), 300, 100, true);
    f.transfer();
    ASSERT_TRUE(f.page().hasData);
    const int count = f.page().recCount;
    const int samples = f.page().sampleCount;
    const int trigger = f.page().recTriggerSample;
    const std::uint64_t value = f.page().displayList.value(17);

    std::vector<RawEntry> raw = randomEntries(1024, 16, 162);
    for (RawEntry& e : raw)
        e.count &= 0x7F;
    for (int k : c.valid)
        raw[std::size_t(k)].count |= 0x80;
    f.load(raw, 300, 100, true);
    f.state.log.clear();
    f.transfer();

    EXPECT_EQ(f.page().hasData, c.hasData);
    if (c.hasData) {
        EXPECT_EQ(f.page().recCount, int(c.valid.size()));
        EXPECT_EQ(f.state.log.lastLine(), QStringLiteral("ロジアナ１ データ転送中です。"));
        return;
    }
    EXPECT_EQ(f.state.log.lines(), (QStringList{QStringLiteral("ロジアナ１ データ転送中です。"),
                                                QStringLiteral("データがありません。")}));
    EXPECT_EQ(f.page().recCount, count);
    EXPECT_EQ(f.page().sampleCount, samples);
    EXPECT_EQ(f.page().recTriggerSample, trigger);
    EXPECT_EQ(f.page().displayList.value(17), value);
    EXPECT_EQ(f.page().measRecCount, count);
}

INSTANTIATE_TEST_SUITE_P(Entries, CompressedNoData,
                         ::testing::Values(NoDataCase{"OnlyEntryZero", false, {0}, false},
                                           NoDataCase{"None", false, {}, false},
                                           // The last 128 entries of a ModuleTrimBlock memory are dropped.
                                           NoDataCase{"OnlyInTheTrimmedTail", true, {100, 900, 1000}, false},
                                           NoDataCase{"TwoEntries", false, {3, 700}, true}),
                         [](const auto& test) { return std::string(test.param.name); });

// A shorter capture leaves nothing of the longer one after its end entry.
TEST(CompressedRecords, ShorterCaptureClearsTheRestOfTheList)
{
    CompressedFixture f(false);
    f.load(randomEntries(1024, 16, 181), 0, 0, false);
    f.transfer();
    ASSERT_EQ(f.page().recCount, 1024);

    std::vector<RawEntry> raw = randomEntries(1024, 16, 182);
    for (std::size_t k = 500; k < raw.size(); ++k)
        raw[k].count &= 0x7F;
    f.load(raw, 0, 0, false);
    f.transfer();

    const PageState& p = f.page();
    ASSERT_EQ(p.recCount, 500);
    EXPECT_EQ(p.displayList.start(500), p.sampleCount);
    for (int i = 501; i <= 1024; ++i) {
        ASSERT_EQ(p.displayList.value(i), 0u) << i;
        ASSERT_EQ(p.displayList.runLength(i), 0) << i;
        ASSERT_EQ(p.displayList.start(i), 0) << i;
    }
}

TEST(CompressedPage, MeasurementTimeCursorsAndCompareResult)
{
    CompressedFixture f(false);
    std::vector<RawEntry> raw(1024, RawEntry{0x5, 0xFF}); // 1024 runs of 128 samples
    f.load(raw, 0, 0, false);
    PageState& p = f.page();
    p.hasCompareResult = true;
    p.cursorA = 3;
    p.cursorB = 100000000;
    p.cursorC = 131072;
    p.cursorD = 131073;

    f.transfer();

    EXPECT_EQ(p.sampleCount, 131072);
    EXPECT_EQ(p.measureTimeText, QStringLiteral("1.31072mS")); // 131072 × 10 nS
    EXPECT_FALSE(p.hasCompareResult);
    EXPECT_EQ(p.cursorA, 3);
    EXPECT_EQ(p.cursorB, 131072);
    EXPECT_EQ(p.cursorC, 131072);
    EXPECT_EQ(p.cursorD, 131072);
}

// A bit-plane transfer clears a compare result too and leaves the measurement time alone.
TEST(BitPlanePage, ClearsTheCompareResult)
{
    TransferFixture f(10, 2);
    f.install({.slot = 8, .channelCount = 16, .dataCount = 1024});
    f.page().hasCompareResult = true;
    f.page().measureTimeText = QStringLiteral("10.24μS");
    f.transfer();
    EXPECT_FALSE(f.page().hasCompareResult);
    EXPECT_EQ(f.page().measureTimeText, QStringLiteral("10.24μS"));
    EXPECT_TRUE(f.page().hasData);
}

// What the memory did not deliver is empty, whatever an earlier transfer left in the workspace.
TEST(Workspace, EntriesNotDeliveredAreEmpty)
{
    TransferWorkspace workspace;
    std::fill(workspace.rawCount().begin(), workspace.rawCount().end(), 0x80U);
    std::fill(workspace.workPlanesA().begin(), workspace.workPlanesA().end(), ~std::uint64_t(0));

    // Compressed user module with ModuleTrimBlock on packets: (1024 + 129) div 32 = 36 units of
    // eight entries, 288 of the 1024.
    TransferFixture c(10, 2);
    MemoryModule& cm = c.install({.slot = 0, .channelCount = 32, .dataCount = 1024, .compressed = true, .trimBlock = true});
    cm.entryWords = concat(std::vector<std::uint32_t>(16, 0), recordPairs(randomEntries(288, 32, 171)));
    TransferCapture(c.state, workspace, 0, 0);
    EXPECT_EQ(c.page().recCount, 288);

    // Bit-plane user module with ModuleTrimBlock on packets: 8192 sample words of 16384.
    TransferFixture b(10, 2);
    MemoryModule& bm = b.install({.slot = 0, .channelCount = 16, .dataCount = 32639, .trimBlock = true});
    const std::vector<std::uint64_t> samples = randomWords(8192, 32, 172);
    bm.entryWords = samplesWithFiller(samples);
    TransferCapture(b.state, workspace, 0, 0x40);
    expectPlanes(b, referencePlanes(samples, {.channelCount = 16, .dataCount = 32639, .trimBlock = true,
                                              .status = 0x40, .shift = 96}),
                 16);
}

} // namespace

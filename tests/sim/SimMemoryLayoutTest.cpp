// The sample memory as the host reads it: every analyzer of every configuration read back and
// decoded by the hand-built host, small images decoded entry by entry from the read rules of
// each path, the packed records, the pointer word and the start-up samples.

#include "CaptureHost.h"
#include "CommandCodes.h"
#include "SimConfigurations.h"
#include "SimulatedInstrument.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <tuple>

using namespace seiran;
using namespace seiran::sim;
using namespace seiran::sim::wire;

namespace {

class FunctionSource final : public SignalSource {
public:
    explicit FunctionSource(std::function<std::uint64_t(std::int64_t)> f) : m_f(std::move(f)) {}
    std::uint64_t levels(std::int64_t t) const override { return m_f(t); }

private:
    std::function<std::uint64_t(std::int64_t)> m_f;
};

std::int64_t floorMod(std::int64_t a, std::int64_t b)
{
    return (a % b + b) % b;
}

// The host's position word for "中央" on this module.
std::uint32_t centreWord(const SimAnalyzerModule& m)
{
    const ModuleDescriptor& d = m.descriptor();
    if (d.kind == 5 && (d.subKind == 3 || d.subKind == 4))
        return m.dataCount() == 1024 ? 0x6400 | 516 : 0x6000 | 2052;
    return 1;
}

// What the host decoded against the ground truth, sample by sample or record by record.
void expectMatches(const HostCapture& host, const GroundTruth& truth)
{
    if (truth.compressed) {
        EXPECT_EQ(host.hasData, truth.hasData);
        EXPECT_EQ(host.triggerFound, truth.triggerFound);
        EXPECT_EQ(host.triggerSample, truth.triggerIndex);
        ASSERT_EQ(host.records.size(), truth.records.size());
        for (std::size_t i = 0; i < host.records.size(); ++i) {
            ASSERT_EQ(host.records[i].value, truth.records[i].value) << "record " << i;
            ASSERT_EQ(host.records[i].length, truth.records[i].length) << "record " << i;
        }
        return;
    }
    ASSERT_EQ(host.samples.size(), truth.samples.size());
    std::int64_t wrong = 0;
    for (std::size_t i = 0; i < host.samples.size(); ++i)
        if (truth.carried[i] && host.samples[i] != truth.samples[i] && wrong++ < 4)
            ADD_FAILURE() << "sample " << i << " host " << std::hex << host.samples[i] << " truth " << truth.samples[i];
    EXPECT_EQ(wrong, 0);
}

// Read and decoded by the host, then compared with the ground truth.
void expectDecodesToTruth(Rig& rig, int slot, std::uint32_t status)
{
    const HostCapture host = transfer(rig, slot, status);
    expectMatches(host, rig.analyzer(slot).groundTruth());
}

struct Order {
    int row; // 0 TrimOne, 1 TrimBlock, 2 both
    bool xFirst, bit6;
    bool operator<(const Order& o) const { return std::tie(row, xFirst, bit6) < std::tie(o.row, o.xFirst, o.bit6); }
};

// The layouts whose reads are too few for their data: four banks of 16 channels in 32-bit words
// (type 7, 16 channels, both trims) and four banks of 32 channels (types 11 and 12, 32 channels).
bool readsCarryTooLittle(int type, const ModuleDescriptor& d)
{
    const bool both = d.has(kTrimOne) && d.has(kTrimBlock);
    return both && ((type == 7 && d.channelCount() == 16) || ((type == 11 || type == 12) && d.channelCount() == 32));
}

std::vector<std::uint32_t> words(const std::vector<std::uint8_t>& bytes)
{
    std::vector<std::uint32_t> out;
    for (std::size_t i = 0; i < bytes.size() / 4; ++i)
        out.push_back(wordAt(bytes, i));
    return out;
}

} // namespace

TEST(SimMemoryLayout, EveryAnalyzerOfEveryConfigurationDecodesToItsGroundTruth)
{
    std::set<Order> orders;
    int modules = 0;
    for (const SimConfiguration& config : simConfigurations()) {
        for (int type = 1; type <= 13; ++type) {
            if (!config.runsOn(type))
                continue;
            for (int level : {2, 1}) {
                if (level == 1 && (type < 6 || type > 9))
                    continue;
                SCOPED_TRACE(testing::Message() << "type " << type << " " << config.baseName << " level " << level);
                Rig rig(type, std::string(config.baseName));
                rig.sim->setFirmwareLevel(level);
                for (int slot = 0; slot < 16; ++slot) {
                    SimAnalyzerModule* m = simulatedAnalyzer(*rig.sim, slot);
                    if (!m)
                        continue;
                    SCOPED_TRACE(testing::Message() << "slot " << slot);
                    ++modules;
                    CaptureRequest r;
                    r.rising = 2;
                    r.positionWord = centreWord(*m);
                    r.armAfterMs = 2;
                    const std::uint32_t status = capture(rig, slot, r);
                    expectDecodesToTruth(rig, slot, status);
                    const GroundTruth& truth = m->groundTruth();
                    EXPECT_EQ(truth.uncarried > 0, readsCarryTooLittle(type, m->descriptor()));
                    if (!readsCarryTooLittle(type, m->descriptor())) {
                        const ModuleDescriptor& d = m->descriptor();
                        const int row = d.has(kTrimOne) && d.has(kTrimBlock) ? 2 : d.has(kTrimBlock) ? 1 : d.has(kTrimOne) ? 0 : -1;
                        const std::uint32_t s = m->interleaveBits();
                        if (row >= 0 && !d.has(kCompressed))
                            orders.insert({row, (s & 4) != 0 || (s >> 3 & 3) == 2, (s & 0x40) != 0});
                    }
                }
            }
        }
    }
    EXPECT_GT(modules, 60);
    // Every merge order the host knows occurs on some model and mode by default.
    const std::set<Order> all = {{0, false, false}, {0, true, false}, {1, false, false}, {1, false, true},
                                 {2, false, false}, {2, false, true}, {2, true, false}, {2, true, true}};
    std::set<Order> seen;
    for (Order o : orders)
        seen.insert(o.row == 1 ? Order{1, false, o.bit6} : o.row == 0 ? Order{0, o.xFirst, false} : o);
    EXPECT_EQ(seen.size(), all.size());
    for (const Order& o : all)
        EXPECT_EQ(seen.count(o), 1u) << "row " << o.row << " xFirst " << o.xFirst << " bit6 " << o.bit6;
}

TEST(SimMemoryLayout, EveryInterleaveOrderCanBeForced)
{
    const struct {
        int type;
        const char* file;
    } modules[] = {{11, "TK-C4_200m16ch32k"}, {10, "TK-C2_200m16ch32k"}, {5, "100M8C8Z2K_D"}, {7, "TK-B3_200m8ch32k"},
                   {6, "TK-B2_100m16ch1k-1X"}};
    for (const auto& module : modules) {
        Rig rig(module.type, module.file);
        SimAnalyzerModule& m = rig.analyzer(8);
        for (std::uint32_t bits : {0x00u, 0x04u, 0x08u, 0x10u, 0x14u, 0x18u, 0x40u, 0x44u, 0x48u, 0x50u, 0x54u, 0x5Cu}) {
            SCOPED_TRACE(testing::Message() << module.file << " bits " << std::hex << bits);
            m.setInterleaveBits(bits);
            CaptureRequest r;
            r.rising = 1;
            r.armAfterMs = 1;
            const std::uint32_t status = capture(rig, 8, r);
            EXPECT_EQ(status & kInterleaveBits, bits);
            expectDecodesToTruth(rig, 8, status);
        }
    }
}

TEST(SimMemoryLayout, HeadEntriesCountDownInTheStatusWord)
{
    Rig rig(11, "TK-C4_200m16ch32k");
    SimAnalyzerModule& m = rig.analyzer(8);
    for (int k = 0; k <= 7; ++k) {
        SCOPED_TRACE(k);
        m.setHeadEntries(k);
        const std::uint32_t status = capture(rig, 8, {});
        EXPECT_EQ(status >> 8 & 7, std::uint32_t(k));
        expectDecodesToTruth(rig, 8, status); // reads all k entries, then the blocks
        EXPECT_EQ(readStatus(rig, 8) >> 8 & 7, 0u);
    }

    Rig compressed(11, "TK-C4_compress100m16ch256k");
    SimAnalyzerModule& c = compressed.analyzer(8);
    for (int k : {0, 3, 8}) {
        SCOPED_TRACE(k);
        c.setHeadEntries(k);
        CaptureRequest r;
        r.rising = 1u << 4;
        r.armAfterMs = 1;
        const std::uint32_t status = capture(compressed, 8, r);
        EXPECT_EQ((status & 0x80) != 0, k == 0);
        expectDecodesToTruth(compressed, 8, status);
        EXPECT_NE(readStatus(compressed, 8) & 0x80, 0u);
    }
}

// A built-in module of 1024 samples on a newer instrument, head entries forced to 3: the head
// entries are samples 0-2 (channels 0-31 in the first word), block word pair j is sample 3 + j.
TEST(SimMemoryLayout, BuiltInNewerPathByHand)
{
    Rig rig(11, "TK-C4_200m16ch32k");
    rig.sim->installModule(8, std::make_unique<SimAnalyzerModule>(8, ModuleDescriptor{ModuleFunction::Analyzer, 4, 10, 0, 1, 5, 2},
                                                                  PropertyLayout::New));
    SimAnalyzerModule& m = rig.analyzer(8);
    m.setHeadEntries(3);
    capture(rig, 8, {});
    const GroundTruth& truth = m.groundTruth();
    for (int h = 0; h < 3; ++h) {
        EXPECT_EQ(readStatus(rig, 8) >> 8 & 7, std::uint32_t(3 - h));
        const auto entry = words(rig.host->receive(8, cmd::kCapturedEntries, 8));
        EXPECT_EQ(entry[0], truth.samples[std::size_t(h)]);
        EXPECT_EQ(entry[1], 0u);
    }
    EXPECT_EQ(readStatus(rig, 8) >> 8 & 7, 0u);
    const auto block = words(rig.host->receive(8, cmd::kMemoryBlock, 2048));
    for (std::size_t j = 0; j < 256; ++j)
        ASSERT_EQ(block[2 * j], truth.samples[3 + j]) << j;
}

// Types 6 to 9: with firmware level 2 a built-in module sends 512 sample words a 0x33 block, a
// user module 256 word pairs (the sample in the first word); with level 1 the built-in module
// sends 16 sample words a 64-byte 0x31 read.
TEST(SimMemoryLayout, OlderInstrumentPathsByHand)
{
    {
        Rig rig(9, "TK-B1_66m16ch1k");
        capture(rig, 8, {});
        const GroundTruth& truth = rig.analyzer(8).groundTruth();
        for (std::size_t b = 0; b < 2; ++b) {
            const auto block = words(rig.host->receive(8, cmd::kMemoryBlock, 2048));
            for (std::size_t j = 0; j < 512; ++j)
                ASSERT_EQ(block[j], truth.samples[512 * b + j]) << b << " " << j;
        }
    }
    {
        Rig rig(9, "TK-B1_66m16ch1k");
        rig.sim->setFirmwareLevel(1);
        capture(rig, 8, {});
        const GroundTruth& truth = rig.analyzer(8).groundTruth();
        for (std::size_t u = 0; u < 64; ++u) {
            const auto read = words(rig.host->receive(8, cmd::kCapturedEntries, 64));
            for (std::size_t j = 0; j < 16; ++j)
                ASSERT_EQ(read[j], truth.samples[16 * u + j]) << u << " " << j;
        }
    }
    {
        Rig rig(9, "TK-B1_66m16ch1k");
        rig.sim->installModule(2, std::make_unique<SimAnalyzerModule>(2, ModuleDescriptor{ModuleFunction::Analyzer, 4, 10, 0, 1, 5, 2},
                                                                      PropertyLayout::New));
        capture(rig, 2, {});
        const GroundTruth& truth = rig.analyzer(2).groundTruth();
        EXPECT_EQ(truth.intervalNs, 20);
        for (std::size_t b = 0; b < 4; ++b) {
            const auto block = words(rig.host->receive(2, cmd::kMemoryBlock, 2048));
            for (std::size_t j = 0; j < 256; ++j) {
                ASSERT_EQ(block[2 * j], truth.samples[256 * b + j]) << b << " " << j;
                ASSERT_EQ(block[2 * j + 1], 0u);
            }
        }
    }
}

// Packets: eight two-word entries a 64-byte 0x31 read on older instruments, one entry an 8-byte
// read on newer ones; the first word of an entry is the sample.
TEST(SimMemoryLayout, PacketPathsByHand)
{
    {
        Rig rig(1, "TEST-A0");
        capture(rig, 8, {});
        const GroundTruth& truth = rig.analyzer(8).groundTruth();
        for (std::size_t u = 0; u < 128; ++u) {
            const auto read = words(rig.host->receive(8, cmd::kCapturedEntries, 64));
            for (std::size_t e = 0; e < 8; ++e)
                ASSERT_EQ(read[2 * e], truth.samples[8 * u + e]) << u << " " << e;
        }
    }
    {
        Rig rig(11, "TK-C4_AX-9");
        CaptureRequest r;
        r.positionWord = 0x2C00 | 20;
        capture(rig, 0, r);
        const GroundTruth& truth = rig.analyzer(0).groundTruth();
        for (std::size_t e = 0; e < 1024; ++e)
            ASSERT_EQ(wordAt(rig.host->receive(0, cmd::kCapturedEntries, 8), 0), truth.samples[e]) << e;
    }
}

// The interleave lanes of one entry, worked out from the merge rules.
TEST(SimMemoryLayout, InterleavedEntriesByHand)
{
    // TrimOne, 8 channels, older packets. X first: entry i = sample 2i in bits 0-7 and 2i + 1 in
    // bits 8-15. Y first: sample 2i - 1 in bits 0-7 and 2i in bits 8-15.
    for (std::uint32_t bits : {0x04u, 0x00u}) {
        Rig rig(5, "100M8C8Z2K_D");
        SimAnalyzerModule& m = rig.analyzer(8);
        m.setInterleaveBits(bits);
        capture(rig, 8, {});
        const GroundTruth& truth = m.groundTruth();
        auto sample = [&](std::int64_t q) { return q >= 0 && q < 2047 ? truth.samples[std::size_t(q)] : 0; };
        for (std::int64_t u = 0; u < 128; ++u) {
            const auto read = words(rig.host->receive(8, cmd::kCapturedEntries, 64));
            for (std::int64_t e = 0; e < 8; ++e) {
                const std::int64_t i = 8 * u + e;
                const std::uint64_t expected = bits ? sample(2 * i) | sample(2 * i + 1) << 8 : sample(2 * i - 1) | sample(2 * i) << 8;
                ASSERT_EQ(read[std::size_t(2 * e)], expected) << "entry " << i;
            }
        }
    }
    // TrimBlock, 16 channels, 96 start-up samples (merge position q = shown sample + 96). Bit 6
    // set: entry i holds position 2i + 1 in bits 0-15 and 2i in bits 16-31; clear: 2i and 2i - 1.
    for (std::uint32_t bits : {0x40u, 0x00u}) {
        Rig rig(10, "TK-C2_200m16ch32k");
        SimAnalyzerModule& m = rig.analyzer(8);
        m.setInterleaveBits(bits);
        m.setHeadEntries(0);
        capture(rig, 8, {});
        const GroundTruth& truth = m.groundTruth();
        auto position = [&](std::int64_t q) { return truth.samples[std::size_t(q - 96)]; };
        rig.host->send(8, cmd::kPrepareTrimmedRead, {0, 0});
        const auto block = words(rig.host->receive(8, cmd::kMemoryBlock, 2048));
        for (std::int64_t i = 50; i < 256; ++i) {
            const std::uint64_t expected = bits ? position(2 * i + 1) | position(2 * i) << 16 : position(2 * i) | position(2 * i - 1) << 16;
            ASSERT_EQ(block[std::size_t(2 * i)], expected) << "entry " << i;
            ASSERT_EQ(block[std::size_t(2 * i + 1)], 0u);
        }
    }
    // Both trims, 16 channels, bit 6 set and Y first: entry i holds positions 4i + 1, 4i + 2 in
    // its first word and 4i - 1, 4i in its second.
    {
        Rig rig(11, "TK-C4_200m16ch32k");
        SimAnalyzerModule& m = rig.analyzer(8);
        m.setInterleaveBits(0x40);
        m.setHeadEntries(0);
        capture(rig, 8, {});
        const GroundTruth& truth = m.groundTruth();
        auto position = [&](std::int64_t q) { return truth.samples[std::size_t(q - 96)]; };
        rig.host->send(8, cmd::kPrepareTrimmedRead, {0, 0});
        const auto block = words(rig.host->receive(8, cmd::kMemoryBlock, 2048));
        for (std::int64_t i = 25; i < 256; ++i) {
            ASSERT_EQ(block[std::size_t(2 * i)], position(4 * i + 1) | position(4 * i + 2) << 16) << "entry " << i;
            ASSERT_EQ(block[std::size_t(2 * i + 1)], position(4 * i - 1) | position(4 * i) << 16) << "entry " << i;
        }
    }
}

// User modules of every compressed form: record pairs in 0x33 blocks (types 6 to 9) and in
// packets, record quads of 64-channel modules in two 0x33 reads a block or two packet reads.
TEST(SimMemoryLayout, UserCompressedModulesInEveryForm)
{
    const struct {
        int type;
        const char* file;
        int channelCode;
    } cases[] = {{9, "TK-B1_66m16ch1k", 5}, {9, "TK-B1_66m16ch1k", 6}, {11, "TK-C4_200m16ch32k", 5},
                 {11, "TK-C4_200m16ch32k", 6}, {2, "TEST-A1", 5}, {2, "TEST-A1", 6}};
    for (const auto& c : cases) {
        for (std::uint32_t position : {0u, 1u, 2u}) {
            SCOPED_TRACE(testing::Message() << "type " << c.type << " channel code " << c.channelCode << " position " << position);
            Rig rig(c.type, c.file);
            rig.sim->installModule(
                3, std::make_unique<SimAnalyzerModule>(3, ModuleDescriptor{ModuleFunction::Analyzer, c.channelCode, 10, kCompressed, 1, 5, 2},
                                                       PropertyLayout::New));
            CaptureRequest r;
            r.rising = 1u << 5;
            r.positionWord = position;
            r.armAfterMs = 1;
            const std::uint32_t status = capture(rig, 3, r);
            const GroundTruth& truth = rig.analyzer(3).groundTruth();
            // Types 6 to 9 below firmware level 3 do not read the pointer word: no trigger shown.
            EXPECT_EQ(truth.triggerFound, c.type > 9 || c.type < 6);
            EXPECT_EQ(truth.records.size(), 1024u);
            expectDecodesToTruth(rig, 3, status);
        }
    }
}

// 0x00850003: levels 0x0003 (channels 0 and 1 high), count word 0x85 (valid, run length 6).
TEST(SimMemoryLayout, PackedRecordsHoldLevelsAndCountWord)
{
    Rig rig(10, "TK-C2_compress100m16ch256k");
    SimAnalyzerModule& m = rig.analyzer(8);
    // Every 200 ns: channels 0 and 1 high for 60 ns, then all low for 140 ns (10 ns samples).
    const FunctionSource pulses([](std::int64_t t) { return floorMod(t, 200) < 60 ? 3u : 0u; });
    m.setSignalSource(&pulses);
    m.setHeadEntries(0);
    CaptureRequest r;
    r.rising = 1;
    r.positionWord = 2;
    r.armAfterMs = 1;
    capture(rig, 8, r);
    rig.host->receive(8, cmd::kPointerWord, 8);
    EXPECT_NE(readStatus(rig, 8) & 0x80, 0u); // no head entries
    std::map<std::uint32_t, int> seen;
    for (int b = 0; b < 512; ++b)
        for (std::uint32_t w : words(rig.host->receive(8, cmd::kMemoryBlock, 2048)))
            ++seen[w];
    EXPECT_GT(seen[0x00850003], 1000);
    EXPECT_GT(seen[0x008D0000], 1000); // levels 0, run length 14
    for (const auto& [word, count] : seen)
        EXPECT_TRUE(word == 0 || word == 0x00850003 || word == 0x008D0000) << std::hex << word;
    const GroundTruth& truth = m.groundTruth();
    ASSERT_TRUE(truth.hasData);
    EXPECT_EQ(truth.records[0].value, 3u);
    EXPECT_EQ(truth.records[0].length, 6);
}

// The pointer word of a capture triggered right at its start, with "左": N - 16 entries written,
// so P1 = 262128 and the trigger entry is at address 0; block-trimmed modules report P2 - 16.
TEST(SimMemoryLayout, PointerWordWithTrigger)
{
    const FunctionSource steps([](std::int64_t t) { return std::uint64_t(t / 1000) & 0xFF; }); // 100 samples a record
    for (const auto& [type, file, word1, shown] :
         {std::tuple{10, "TK-C2_compress100m16ch256k", 0x80000000u, 262128u}, std::tuple{11, "TK-C4_compress100m16ch256k", 0x80000000u | 262128u, 262000u}}) {
        SCOPED_TRACE(file);
        Rig rig(type, file);
        SimAnalyzerModule& m = rig.analyzer(8);
        m.setSignalSource(&steps);
        const std::uint32_t status = capture(rig, 8, {});
        const HostCapture host = transfer(rig, 8, status);
        EXPECT_EQ(host.pointerWord0, 262128u);
        EXPECT_EQ(host.pointerWord1, word1);
        EXPECT_EQ(host.records.size(), shown);
        EXPECT_EQ(host.triggerSample, 0);
        EXPECT_EQ(m.groundTruth().triggerIndex, 0);
        EXPECT_EQ(host.records[0].length, 100);
    }
}

// Stopped with no trigger: bit 31 clear, P1 = entries written. A constant input from the start
// at 5 ms to the stop at 15 ms gives 1e6 samples: 7812 records of 128 and one of 64. The
// block-trimmed module shows neither its half-written pair (P1 odd) nor its newest 128.
TEST(SimMemoryLayout, PointerWordWithoutTrigger)
{
    const FunctionSource constant([](std::int64_t) { return 0u; });
    for (const auto& [type, file, shown] :
         {std::tuple{10, "TK-C2_compress100m16ch256k", 7813u}, std::tuple{11, "TK-C4_compress100m16ch256k", 7684u}}) {
        SCOPED_TRACE(file);
        Rig rig(type, file);
        SimAnalyzerModule& m = rig.analyzer(8);
        m.setSignalSource(&constant);
        CaptureRequest r;
        r.rising = 1;
        startCapture(rig, 8, r);
        rig.clock.advanceTo(15);
        rig.host->send(8, cmd::kStopCapture, {0, 0});
        rig.clock.advance(1);
        const HostCapture host = transfer(rig, 8, readStatus(rig, 8));
        EXPECT_EQ(host.pointerWord0, 7813u);
        EXPECT_EQ(host.pointerWord1 >> 31, 0u);
        EXPECT_FALSE(host.triggerFound);
        ASSERT_EQ(host.records.size(), shown);
        EXPECT_EQ(host.records.back().length, shown == 7813u ? 64 : 128);
        EXPECT_EQ(host.records.front().length, 128);
        EXPECT_EQ(m.groundTruth().records.size(), shown);
    }
}

// A trigger sample that is a record of its own: the pointer names the one-sample record after
// it, and the host's step back over it lands on the trigger.
TEST(SimMemoryLayout, OneSampleTriggerRecord)
{
    const FunctionSource blips([](std::int64_t t) { return floorMod(t, 640) < 10 ? 1u : 0u; });
    for (const auto& [type, file] : {std::pair{10, "TK-C2_compress100m16ch256k"}, std::pair{11, "TK-C4_compress100m16ch256k"}}) {
        for (std::uint32_t position : {0u, 1u, 2u}) {
            SCOPED_TRACE(testing::Message() << file << " position " << position);
            Rig rig(type, file);
            SimAnalyzerModule& m = rig.analyzer(8);
            m.setSignalSource(&blips);
            CaptureRequest r;
            r.rising = 1;
            r.positionWord = position;
            r.armAfterMs = 1;
            const std::uint32_t status = capture(rig, 8, r);
            const HostCapture host = transfer(rig, 8, status);
            const GroundTruth& truth = m.groundTruth();
            ASSERT_TRUE(host.triggerFound);
            EXPECT_EQ(host.triggerSample, truth.triggerIndex);
            std::int64_t start = 0;
            std::size_t at = 0;
            while (start < host.triggerSample)
                start += host.records[at++].length;
            ASSERT_EQ(start, host.triggerSample);
            ASSERT_LT(at + 2, host.records.size());
            EXPECT_EQ(host.records[at].value, 1u);
            EXPECT_EQ(host.records[at].length, 1);
            EXPECT_EQ(host.records[at + 1].length, 1);
            EXPECT_EQ(host.records[at + 2].length, 62);
            expectMatches(host, truth);
        }
    }
}

// 97 start-up samples on types 7 and 8 in "16ch" modes and types 10 to 13 in "32ch" modes, 96
// otherwise: with "左" and a rising edge the first sample shown is the trigger.
TEST(SimMemoryLayout, StartUpSamplesAreDroppedByMode)
{
    const struct {
        int type;
        const char* file;
        int dropped;
    } cases[] = {{8, "TK-B4_100m16ch32k", 97}, {8, "TK-B4_200m8ch32k", 96}, {10, "TK-C2_100m32ch32k", 97},
                 {10, "TK-C2_200m16ch32k", 96}, {13, "TK-C1_100m32ch256k", 97}, {8, "TEST-B4", 96}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        Rig rig(c.type, c.file);
        SimAnalyzerModule& m = rig.analyzer(8);
        EXPECT_EQ(m.startupSamples(), c.dropped);
        CaptureRequest r;
        r.rising = 1;
        r.armAfterMs = 1;
        const std::uint32_t status = capture(rig, 8, r);
        const GroundTruth& truth = m.groundTruth();
        const HostCapture host = transfer(rig, 8, status);
        const std::uint64_t mask = (1ull << truth.channelCount) - 1;
        const std::uint64_t atTrigger = testSignals().levels(truth.startNs + truth.firstSample * truth.intervalNs) & mask;
        const std::uint64_t before = testSignals().levels(truth.startNs + (truth.firstSample - 1) * truth.intervalNs) & mask;
        EXPECT_EQ(host.samples[0], atTrigger);
        EXPECT_EQ(before & 1u, 0u);
        EXPECT_EQ(atTrigger & 1u, 1u);
    }
}

TEST(SimMemoryLayout, ReadOutStartsAgainWithEachCapture)
{
    Rig rig(11, "TK-C4_200m16ch256k");
    capture(rig, 8, {});
    for (int b = 0; b < 3; ++b)
        rig.host->receive(8, cmd::kMemoryBlock, 2048);
    CaptureRequest r;
    r.rising = 1u << 4;
    r.armAfterMs = 1;
    const std::uint32_t status = capture(rig, 8, r);
    expectDecodesToTruth(rig, 8, status);
}

// Captures of the simulated analyzer modules on the manual clock, driven over the wire by the
// hand-built host: the status word over time, where the trigger lands for each kind of
// condition, interval codes and position words, stops, sampling-enable, edge-sampling, input
// groups and compressed records. Expected samples are taken straight from the signal source one
// sample at a time, and every capture is also read back through the host's decoding.

#include "CaptureHost.h"
#include "CommandCodes.h"
#include "SimSignals.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <functional>

using namespace seiran;
using namespace seiran::sim;
using namespace seiran::sim::wire;

namespace {

// A source given by a function of time, changing at any nanosecond as far as anyone knows.
class FunctionSource final : public SignalSource {
public:
    explicit FunctionSource(std::function<std::uint64_t(std::int64_t)> f) : m_f(std::move(f)) {}
    std::uint64_t levels(std::int64_t t) const override { return m_f(t); }

private:
    std::function<std::uint64_t(std::int64_t)> m_f;
};

std::int64_t floorDiv(std::int64_t a, std::int64_t b)
{
    return a / b - (a % b != 0 && (a < 0) != (b < 0) ? 1 : 0);
}

std::uint64_t channelMask(int count)
{
    return count >= 64 ? ~0ull : (1ull << count) - 1;
}

// What the module's inputs carried at sample k of the capture, looked up on its own.
std::uint64_t inputAt(const SignalSource& s, const GroundTruth& t, std::int64_t k, int offset = 0)
{
    return std::rotr(s.levels(t.startNs + k * t.intervalNs), offset) & channelMask(t.channelCount);
}

struct Condition {
    std::uint64_t rising = 0, falling = 0, value = 0, care = 0;
};

bool holds(const Condition& c, std::uint64_t previous, std::uint64_t current)
{
    for (int ch = 0; ch < 64; ++ch) {
        const std::uint64_t bit = 1ull << ch;
        if ((c.care & bit) && ((current & bit) != 0) != ((c.value & bit) != 0))
            return false;
    }
    if ((c.rising | c.falling) == 0)
        return true;
    for (int ch = 0; ch < 64; ++ch) {
        const std::uint64_t bit = 1ull << ch;
        const bool was = (previous & bit) != 0, is = (current & bit) != 0;
        if (((c.rising & bit) && !was && is) || ((c.falling & bit) && was && !is))
            return true;
    }
    return false;
}

std::int64_t firstMatch(const SignalSource& s, const GroundTruth& t, const Condition& c, std::int64_t from, int offset = 0)
{
    for (std::int64_t k = from; k < from + 50000000; ++k)
        if (holds(c, inputAt(s, t, k - 1, offset), inputAt(s, t, k, offset)))
            return k;
    return -1;
}

void expectHostShowsTruth(const HostCapture& host, const GroundTruth& truth)
{
    ASSERT_EQ(host.samples.size(), truth.samples.size());
    std::int64_t mismatches = 0;
    for (std::size_t i = 0; i < host.samples.size(); ++i)
        if (truth.carried[i] && host.samples[i] != truth.samples[i] && mismatches++ < 5)
            ADD_FAILURE() << "sample " << i << ": host " << std::hex << host.samples[i] << " truth " << truth.samples[i];
    EXPECT_EQ(mismatches, 0);
}

void expectSamplesAreInputs(const SignalSource& s, const GroundTruth& truth, int offset = 0)
{
    for (std::size_t i = 0; i < truth.samples.size(); i += 7)
        ASSERT_EQ(truth.samples[i], inputAt(s, truth, truth.firstSample + std::int64_t(i), offset)) << "sample " << i;
}

} // namespace

TEST(SimCapture, StatusShowsTheCaptureRunningUntilItsMemoryIsFull)
{
    Rig rig(11, "TK-C4_200m16ch32k");
    SimAnalyzerModule& m = rig.analyzer(8);
    CaptureRequest r;
    r.intervalCode = 0x41; // 50 us on the 5 ns clock
    r.armAfterMs = 10;
    startCapture(rig, 8, r);
    // Started at 0 ms, armed at 10 ms = sample 200; with no condition that is the trigger, shown
    // first; the memory is full once the last of the 32638 samples shown has been taken.
    const std::int64_t endMs = (200 + 32638) * 50000LL / 1000000; // 1641.9 ms
    std::uint32_t status = readStatus(rig, 8);
    EXPECT_EQ(status & 3u, 1u);
    EXPECT_EQ(status & kInterleaveBits, m.interleaveBits());
    rig.clock.advanceTo(endMs);
    EXPECT_EQ(readStatus(rig, 8) & 1u, 1u);
    rig.clock.advanceTo(endMs + 1);
    status = readStatus(rig, 8);
    EXPECT_EQ(status & 3u, 0u);

    const GroundTruth& truth = m.groundTruth();
    EXPECT_TRUE(truth.triggerFound);
    EXPECT_EQ(truth.intervalNs, 50000);
    EXPECT_EQ(truth.armSample, 200);
    EXPECT_EQ(truth.firstSample, 200);
    EXPECT_EQ(truth.triggerIndex, 0);
    expectSamplesAreInputs(testSignals(), truth);
    expectHostShowsTruth(transfer(rig, 8, status), truth);
}

TEST(SimCapture, StopCutsTheCaptureAndShowsStoppingForAWhile)
{
    Rig rig(11, "TK-C4_200m16ch32k");
    SimAnalyzerModule& m = rig.analyzer(8);
    // Channels 0-2 count samples; channel 3 never rises, so the trigger never comes.
    const FunctionSource counting([](std::int64_t t) { return std::uint64_t(floorDiv(t, 5)) & 7; });
    m.setSignalSource(&counting);
    CaptureRequest r;
    r.rising = 1u << 3;
    r.positionWord = 1; // "中央"
    r.armAfterMs = 1;
    startCapture(rig, 8, r);
    rig.clock.advanceTo(20);
    EXPECT_EQ(readStatus(rig, 8) & 3u, 1u);

    rig.host->send(8, cmd::kStopCapture, {0, 0});
    const std::uint32_t stopping = readStatus(rig, 8);
    EXPECT_EQ(stopping & 3u, 2u);
    rig.clock.advance(1);
    const std::uint32_t status = readStatus(rig, 8);
    EXPECT_EQ(status & 3u, 0u);

    const GroundTruth& truth = m.groundTruth();
    EXPECT_FALSE(truth.triggerFound);
    EXPECT_EQ(truth.triggerIndex, 32638 / 2); // where the host puts it all the same
    // The samples shown are the last ones taken before the stop at 20 ms.
    EXPECT_EQ(truth.firstSample + 32638 - 1, 20000000 / 5 - 1);
    expectSamplesAreInputs(counting, truth);
    expectHostShowsTruth(transfer(rig, 8, status), truth);
}

TEST(SimCapture, TriggerLandsOnTheFirstSampleMeetingTheCondition)
{
    struct Case {
        const char* name;
        Condition condition;
        std::uint32_t position;
        std::int64_t index;
    };
    const Case cases[] = {
        {"rise on counter bit 0", {1, 0, 0, 0}, 0, 0},
        {"fall on the UART line", {0, 1u << 4, 0, 0}, 1, 32638 / 2},
        {"either edge of SCK", {1u << 8, 1u << 8, 0, 0}, 2, 32637},
        {"slow line high", {0, 0, 1u << 7, 1u << 7}, 0, 0},
        {"CS low", {0, 0, 0, 1u << 10}, 1, 32638 / 2},
        {"SCK rising while CS low and counter bit 1 high", {1u << 8, 0, 1u << 1, (1u << 10) | (1u << 1)}, 2, 32637},
        {"either of two rising edges", {(1u << 0) | (1u << 12), 0, 0, 0}, 0, 0},
        {"no condition", {}, 1, 32638 / 2},
        {"a position word of another value is 左", {1u << 5, 0, 0, 0}, 7, 0},
        {"channels the module lacks are left out", {(1ull << 40) | (1u << 6), 0, 0, 0}, 0, 0},
    };
    Rig rig(11, "TK-C4_200m16ch32k");
    SimAnalyzerModule& m = rig.analyzer(8);
    int armAfter = 3;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CaptureRequest r;
        r.intervalCode = 0x70; // 25 ns
        r.rising = c.condition.rising;
        r.falling = c.condition.falling;
        r.levelValue = c.condition.value;
        r.levelCare = c.condition.care;
        r.positionWord = c.position;
        r.armAfterMs = armAfter++;
        const std::uint32_t status = capture(rig, 8, r);
        const GroundTruth& truth = m.groundTruth();
        ASSERT_TRUE(truth.triggerFound);
        EXPECT_EQ(truth.triggerIndex, c.index);
        Condition effective = c.condition;
        effective.rising &= 0xFFFF;
        const std::int64_t expected = firstMatch(testSignals(), truth, effective, truth.armSample);
        EXPECT_EQ(truth.firstSample + truth.triggerIndex, expected);
        expectSamplesAreInputs(testSignals(), truth);
        expectHostShowsTruth(transfer(rig, 8, status), truth);
    }
}

TEST(SimCapture, IntervalCodesScaleTheModuleClock)
{
    const std::pair<std::uint32_t, std::int64_t> codes[] = {
        {0x80, 5}, {0x81, 10}, {0x70, 25}, {0x71, 50}, {0x72, 100}, {0x60, 250}, {0x61, 500},
        {0x62, 1000}, {0x50, 2500}, {0x51, 5000}, {0x52, 10000}, {0x40, 25000}, {0x41, 50000},
        {0x42, 100000}, {0x30, 250000}, {0x31, 500000}, {0x32, 1000000}, {0x20, 2500000},
        {0x21, 5000000}, {0x22, 10000000}, {0x10, 25000000}, {0x99, 5}, {0x00, 5},
    };
    for (const auto& [code, ns] : codes)
        EXPECT_EQ(samplingIntervalNs(code, 5), ns) << std::hex << code;
    EXPECT_EQ(samplingIntervalNs(0x71, 20), 200);

    // Each mode's analyzer clock: the interval of code 0x72 is 20 clocks.
    struct Mode {
        int type;
        const char* file;
        int slot;
        std::int64_t clockNs;
    };
    const Mode modes[] = {
        {1, "50M8C2K_S", 8, 20},         {4, "100M16C1K_S", 8, 10},      {5, "100M8C8Z2K_D", 8, 10},
        {2, "TEST-A1", 8, 20},           {4, "TEST-A3", 8, 10},          {9, "TK-B1_66m16ch1k", 8, 15},
        {9, "TEST-B1", 8, 15},           {6, "TEST-B2-1X", 8, 10},       {7, "TK-B3_ExtClk16ch32k", 8, 20},
        {7, "TK-B3_Gen8ch32k", 8, 10},   {8, "TK-B4_200m8ch32k", 8, 5},  {10, "TK-C2_PLLx1_200m16ch32k", 8, 10},
        {10, "TK-C2_compress100m16ch256k", 8, 10}, {13, "TK-C1_200m16ch32k", 8, 5}, {12, "TK-C4_loop_back", 8, 5},
        {11, "TK-C4_AX-9", 8, 5},        {11, "TK-C4_AX-9", 0, 20},      {11, "TK-C4_AX-9", 1, 20},
    };
    for (const Mode& mode : modes) {
        SCOPED_TRACE(mode.file);
        Rig rig(mode.type, mode.file);
        CaptureRequest r;
        r.intervalCode = 0x72;
        startCapture(rig, mode.slot, r);
        EXPECT_EQ(rig.analyzer(mode.slot).groundTruth().intervalNs, 20 * mode.clockNs);
    }
}

TEST(SimCapture, PositionWordsOfEveryForm)
{
    const ModuleDescriptor plain{ModuleFunction::Analyzer, 4, 15, 0, 1, 5, 2};
    const ModuleDescriptor random53{ModuleFunction::Analyzer, 4, 10, 0, 1, 5, 3};
    const ModuleDescriptor random54{ModuleFunction::Analyzer, 4, 10, kTrimOne, 1, 5, 4};
    using P = TriggerPlace;
    const struct {
        const ModuleDescriptor& module;
        int dataCount;
        std::uint32_t word;
        TriggerPlace place;
    } cases[] = {
        {plain, 32768, 0, P::Left}, {plain, 32768, 1, P::Centre}, {plain, 32768, 2, P::Right},
        {plain, 32768, 3, P::Left}, {plain, 32768, 0x10001, P::Left},
        {random53, 1024, 0xA400 | 20, P::Left}, {random53, 1024, 0xFC00 | 516, P::Centre},
        {random53, 1024, 0x0400 | 1012, P::Right}, {random53, 1024, 0xA400 | 36, P::Right},
        {random54, 1023, 0x3000 | 36, P::Left}, {random54, 1023, 0xF000 | 2052, P::Centre},
        {random54, 1023, 4068, P::Right}, {random54, 1023, 0x3000 | 20, P::Right},
        {random53, 262014, 0x5000 | 2052, P::Centre},
    };
    for (const auto& c : cases)
        EXPECT_EQ(decodeTriggerPosition(c.word, c.module, c.dataCount), c.place) << std::hex << c.word;
    EXPECT_EQ(triggerIndexOf(P::Left, 1023), 0);
    EXPECT_EQ(triggerIndexOf(P::Centre, 1023), 511);
    EXPECT_EQ(triggerIndexOf(P::Right, 1023), 1022);

    // Over the wire: the 5.3 analyzer of the generator mode on type 7 (1024 samples) and the 5.4
    // one on type 8 (1023 samples); the start command repeats the word.
    const struct {
        int type;
        const char* file;
        std::uint32_t word;
        std::int64_t index;
    } wires[] = {{7, "TK-B3_Gen8ch32k", 0x5800 | 516, 512}, {8, "TK-B4_Gen8ch32k", 0x7000 | 4068, 1022},
                 {8, "TK-B4_Gen8ch32k", 0x7000 | 2052, 511}};
    for (const auto& w : wires) {
        SCOPED_TRACE(w.file);
        Rig rig(w.type, w.file);
        CaptureRequest r;
        r.rising = 1;
        r.positionWord = w.word;
        r.armAfterMs = 1;
        const std::uint32_t status = capture(rig, 8, r);
        const GroundTruth& truth = rig.analyzer(8).groundTruth();
        EXPECT_EQ(truth.triggerIndex, w.index);
        EXPECT_EQ(truth.firstSample + truth.triggerIndex, firstMatch(testSignals(), truth, {1, 0, 0, 0}, truth.armSample));
        expectHostShowsTruth(transfer(rig, 8, status), truth);
    }
}

TEST(SimCapture, OldModulesArmThemselvesAtTheStart)
{
    Rig rig(1, "50M8C2K_S");
    CaptureRequest r;
    r.rising = 1;
    r.positionWord = 2; // "右": everything shown comes before the trigger
    const std::uint32_t status = capture(rig, 8, r);
    const GroundTruth& truth = rig.analyzer(8).groundTruth();
    EXPECT_EQ(truth.armSample, 0);
    EXPECT_EQ(truth.triggerIndex, 2047);
    EXPECT_EQ(truth.firstSample + 2047, firstMatch(testSignals(), truth, {1, 0, 0, 0}, 0));
    expectHostShowsTruth(transfer(rig, 8, status), truth);

    // A newer module waits for its arm.
    Rig newer(11, "TK-C4_200m16ch32k");
    CaptureRequest waiting;
    waiting.sendArm = false;
    startCapture(newer, 8, waiting);
    newer.clock.advance(10000);
    EXPECT_EQ(readStatus(newer, 8) & 1u, 1u);
}

TEST(SimCapture, SamplingEnableKeepsTheSamplesWhileChannelZeroIsHigh)
{
    Rig rig(11, "TK-C4_PLLx1_200m16ch32k");
    SimAnalyzerModule& m = rig.analyzer(8);
    const SignalSource& inputs = testSignals(ChannelZero::SamplingEnable);
    std::uint32_t status = capture(rig, 8, {});
    const GroundTruth& truth = m.groundTruth();
    EXPECT_EQ(truth.keptSamples, 96 + 32638);
    EXPECT_EQ(truth.triggerIndex, 0);
    // The samples with channel 0 high from the arm on, the first 96 of them dropped.
    std::vector<std::uint64_t> kept;
    for (std::int64_t k = truth.armSample; kept.size() < 96 + 32638; ++k)
        if (inputAt(inputs, truth, k) & 1u)
            kept.push_back(inputAt(inputs, truth, k));
    for (std::size_t i = 0; i < truth.samples.size(); ++i)
        ASSERT_EQ(truth.samples[i], kept[i + 96]) << i;
    expectHostShowsTruth(transfer(rig, 8, status), truth);

    // Overwriting: runs until stopped, then holds the last samples kept.
    CaptureRequest overwrite;
    overwrite.runMode = 1;
    startCapture(rig, 8, overwrite);
    rig.clock.advance(5000);
    EXPECT_EQ(readStatus(rig, 8) & 1u, 1u);
    rig.host->send(8, cmd::kStopCapture, {0, 0});
    rig.clock.advance(1);
    status = readStatus(rig, 8);
    const GroundTruth& last = m.groundTruth();
    std::vector<std::uint64_t> tail;
    const std::int64_t stopNs = (rig.clock.nowMs() - 1) * 1000000;
    const std::int64_t lastBeforeStop = (stopNs - last.startNs + last.intervalNs - 1) / last.intervalNs - 1;
    for (std::int64_t k = lastBeforeStop; tail.size() < 96 + 32638; --k)
        if (inputAt(inputs, last, k) & 1u)
            tail.push_back(inputAt(inputs, last, k));
    std::reverse(tail.begin(), tail.end());
    for (std::size_t i = 0; i < last.samples.size(); i += 5)
        ASSERT_EQ(last.samples[i], tail[i + 96]) << i;
    expectHostShowsTruth(transfer(rig, 8, status), last);

    // Stopped before anything was kept: the host is left with zeros.
    startCapture(rig, 8, {});
    rig.host->send(8, cmd::kStopCapture, {0, 0});
    rig.clock.advance(1);
    const GroundTruth& none = m.groundTruth();
    EXPECT_EQ(none.keptSamples, 0);
    const HostCapture host = transfer(rig, 8, readStatus(rig, 8));
    EXPECT_EQ(std::count(host.samples.begin(), host.samples.end(), 0u), 32638);
}

TEST(SimCapture, EdgeSamplingTakesTheSampleAtOrBeforeEachRisingEdge)
{
    Rig rig(8, "TK-B4_ExtClk16ch32k");
    SimAnalyzerModule& m = rig.analyzer(8);
    const SignalSource& inputs = testSignals(ChannelZero::SamplingClock);
    for (std::uint32_t edge : {0u, 1u}) {
        SCOPED_TRACE(edge);
        CaptureRequest r;
        r.samplingEdge = edge;
        const std::uint32_t status = capture(rig, 8, r);
        const GroundTruth& truth = m.groundTruth();
        std::vector<std::uint64_t> kept;
        for (std::int64_t k = truth.armSample; kept.size() < 97 + 32639; ++k) {
            const std::uint64_t before = inputAt(inputs, truth, k - 1), now = inputAt(inputs, truth, k);
            if (!(before & 1u) && (now & 1u))
                kept.push_back(edge ? before | 1u : now);
        }
        for (std::size_t i = 0; i < truth.samples.size(); ++i)
            ASSERT_EQ(truth.samples[i], kept[i + 97]) << i;
        expectHostShowsTruth(transfer(rig, 8, status), truth);
    }
}

TEST(SimCapture, InputGroupsSeeTheirBlockOfInputs)
{
    Rig rig(11, "TK-C4_AX-9");
    SimAnalyzerModule& m = rig.analyzer(0);
    for (std::uint32_t group : {0u, 2u, 3u}) {
        SCOPED_TRACE(group);
        CaptureRequest r;
        r.inputGroup = group;
        r.rising = 1;
        r.positionWord = 0x1C00 | 516; // 5.3 with 1024 samples: "中央"
        r.armAfterMs = 1;
        const std::uint32_t status = capture(rig, 0, r);
        const GroundTruth& truth = m.groundTruth();
        const int offset = int(16 * group);
        expectSamplesAreInputs(testSignals(), truth, offset);
        EXPECT_EQ(truth.triggerIndex, 512);
        EXPECT_EQ(truth.firstSample + 512, firstMatch(testSignals(), truth, {1, 0, 0, 0}, truth.armSample, offset));
        expectHostShowsTruth(transfer(rig, 0, status), truth);
    }
}

TEST(SimCapture, ASourceHandedInReplacesTheTestSignals)
{
    Rig rig(10, "TK-C2_loop_back");
    SimAnalyzerModule& m = rig.analyzer(8);
    const FunctionSource pattern([](std::int64_t t) { return std::uint64_t(floorDiv(t, 1000)) * 0x9E3779B97F4A7C15ull; });
    m.setSignalSource(&pattern);
    std::uint32_t status = capture(rig, 8, {});
    expectSamplesAreInputs(pattern, m.groundTruth());
    expectHostShowsTruth(transfer(rig, 8, status), m.groundTruth());
    m.setSignalSource(nullptr);
    status = capture(rig, 8, {});
    expectSamplesAreInputs(testSignals(), m.groundTruth());
}

TEST(SimCapture, CompressedCaptureRecordsTheSignalAroundTheTrigger)
{
    for (const auto& [type, file] : {std::pair{11, "TK-C4_compress100m16ch256k"}, std::pair{10, "TK-C2_compress100m16ch256k"}}) {
        SCOPED_TRACE(file);
        Rig rig(type, file);
        SimAnalyzerModule& m = rig.analyzer(8);
        CaptureRequest r;
        r.rising = 1u << 7; // the slow line
        r.positionWord = 1;
        r.armAfterMs = 1;
        const std::uint32_t status = capture(rig, 8, r);
        const GroundTruth& truth = m.groundTruth();
        ASSERT_TRUE(truth.triggerFound);
        ASSERT_TRUE(truth.hasData);
        const std::int64_t trigger = firstMatch(testSignals(), truth, {1u << 7, 0, 0, 0}, truth.armSample);
        const std::int64_t first = trigger - truth.triggerIndex; // sample number of what is shown first

        // Every record holds its value for its whole length.
        std::int64_t start = 0, checked = 0;
        for (const ShownRecord& rec : truth.records) {
            ASSERT_GE(rec.length, 1);
            ASSERT_LE(rec.length, 128);
            const bool near = std::llabs(start - truth.triggerIndex) < 200000 || start < 100000
                || start > truth.sampleCount - 100000;
            if (near) {
                for (int i = 0; i < rec.length; ++i)
                    ASSERT_EQ(rec.value, inputAt(testSignals(), truth, first + start + i)) << "record at " << start;
                ++checked;
            }
            start += rec.length;
        }
        EXPECT_EQ(start, truth.sampleCount);
        EXPECT_GT(checked, 1000);

        const HostCapture host = transfer(rig, 8, status);
        EXPECT_TRUE(host.triggerFound);
        EXPECT_EQ(host.triggerSample, truth.triggerIndex);
        ASSERT_EQ(host.records.size(), truth.records.size());
        for (std::size_t i = 0; i < host.records.size(); ++i) {
            ASSERT_EQ(host.records[i].value, truth.records[i].value) << i;
            ASSERT_EQ(host.records[i].length, truth.records[i].length) << i;
        }
    }
}

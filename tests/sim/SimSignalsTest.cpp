// The built-in test signals decoded by hand: the serial traffic says what the channel table
// promises, the counters count, and no source ever names a change time later than the change.

#include "SimSignals.h"

#include <gtest/gtest.h>

#include <bit>
#include <random>
#include <set>
#include <string>
#include <vector>

using namespace seiran::sim;
namespace sig = seiran::sim::signal;

namespace {

bool high(const SignalSource& s, std::int64_t t, int channel)
{
    return (s.levels(t) >> channel & 1u) != 0;
}

std::int64_t floorDiv(std::int64_t a, std::int64_t b)
{
    return a / b - (a % b != 0 && (a < 0) != (b < 0) ? 1 : 0);
}

// 8N1 frames on `channel`, found by their start edge and sampled in the middle of each bit.
std::string decodeUart(const SignalSource& s, int channel, int baud, std::int64_t from, std::int64_t span,
                       std::int64_t* longestIdleBits)
{
    const double bit = 1e9 / baud;
    const std::int64_t step = std::int64_t(bit / 16);
    std::string text;
    std::int64_t idleSince = from;
    *longestIdleBits = 0;
    for (std::int64_t t = from + step; t < from + span;) {
        if (high(s, t - step, channel) && !high(s, t, channel)) {
            *longestIdleBits = std::max(*longestIdleBits, std::int64_t((t - idleSince) / bit));
            int value = 0;
            for (int b = 0; b < 8; ++b)
                value |= (high(s, t + std::int64_t((1.5 + b) * bit), channel) ? 1 : 0) << b;
            EXPECT_TRUE(high(s, t + std::int64_t(9.5 * bit), channel)) << "stop bit at " << t;
            text += char(value);
            t += std::int64_t(9.6 * bit);
            idleSince = t;
            continue;
        }
        t += step;
    }
    return text;
}

struct I2cTransfer {
    std::vector<int> bytes;
    std::vector<int> acknowledges;
};

// START and STOP while SCL is high, one bit per rising SCL edge, 9 bits a byte.
std::vector<I2cTransfer> decodeI2c(const SignalSource& s, std::int64_t from, std::int64_t span)
{
    std::vector<I2cTransfer> out;
    std::vector<int> bits;
    bool inTransfer = false;
    const std::int64_t step = sig::kI2cBitNs / 20;
    bool scl = high(s, from, sig::kSclChannel), sda = high(s, from, sig::kSdaChannel);
    for (std::int64_t t = from + step; t < from + span; t += step) {
        const bool c = high(s, t, sig::kSclChannel), d = high(s, t, sig::kSdaChannel);
        if (scl && c && sda && !d) {
            inTransfer = true;
            bits.clear();
        } else if (scl && c && !sda && d && inTransfer) {
            // The clock rise that leads into STOP carries no bit.
            if (bits.size() % 9 == 1)
                bits.pop_back();
            I2cTransfer transfer;
            for (std::size_t i = 0; i + 9 <= bits.size(); i += 9) {
                int value = 0;
                for (std::size_t b = 0; b < 8; ++b)
                    value = value << 1 | bits[i + b];
                transfer.bytes.push_back(value);
                transfer.acknowledges.push_back(bits[i + 8]);
            }
            EXPECT_EQ(bits.size() % 9, 0u);
            out.push_back(transfer);
            inTransfer = false;
        } else if (!scl && c && inTransfer) {
            bits.push_back(d ? 1 : 0);
        }
        scl = c;
        sda = d;
    }
    return out;
}

struct SpiBurst {
    std::vector<int> mosi, miso;
};

// Mode 0: bits taken on rising SCK edges while CS is low, most significant bit first.
std::vector<SpiBurst> decodeSpi(const SignalSource& s, std::int64_t from, std::int64_t span)
{
    std::vector<SpiBurst> out;
    SpiBurst burst;
    int bitCount = 0, mosi = 0, miso = 0;
    bool sck = high(s, from, sig::kSckChannel), cs = high(s, from, sig::kCsChannel);
    const std::int64_t step = sig::kSpiHalfBitNs / 10;
    for (std::int64_t t = from + step; t < from + span; t += step) {
        const bool k = high(s, t, sig::kSckChannel), c = high(s, t, sig::kCsChannel);
        if (cs && !c) {
            burst = {};
            bitCount = 0;
        } else if (!cs && c) {
            EXPECT_EQ(bitCount % 8, 0);
            out.push_back(burst);
        } else if (!c && !sck && k) {
            mosi = mosi << 1 | (high(s, t, sig::kMosiChannel) ? 1 : 0);
            miso = miso << 1 | (high(s, t, sig::kMisoChannel) ? 1 : 0);
            if (++bitCount % 8 == 0) {
                burst.mosi.push_back(mosi & 0xFF);
                burst.miso.push_back(miso & 0xFF);
            }
        }
        sck = k;
        cs = c;
    }
    return out;
}

} // namespace

TEST(SimSignals, UartChannelsCarryTheirTextWithGaps)
{
    const SignalSource& s = testSignals();
    std::int64_t idle = 0;
    // From inside the gap before time 0, two frames of 2.8 ms: the text repeats whole, with the
    // gap between.
    const std::string fast = decodeUart(s, sig::kUartChannel, sig::kUartBaud, -100000, 6000000, &idle);
    const std::string text(sig::kUartText);
    ASSERT_NE(fast.find(text + text.substr(0, 5)), std::string::npos) << fast;
    EXPECT_GE(idle, 20);

    const std::string slow = decodeUart(s, sig::kSlowUartChannel, sig::kSlowUartBaud, -1000000, 40000000, &idle);
    EXPECT_NE(slow.find(std::string(sig::kSlowUartText) + std::string(sig::kSlowUartText)), std::string::npos) << slow;
}

TEST(SimSignals, I2cChannelsCarryAWriteAndARead)
{
    const std::vector<I2cTransfer> transfers = decodeI2c(testSignals(), 0, 900000);
    ASSERT_GE(transfers.size(), 2u);
    EXPECT_EQ(transfers[0].bytes, (std::vector<int>{0xA0, 0x00, 0x10, 0xA5, 0x3C}));
    EXPECT_EQ(transfers[0].acknowledges, (std::vector<int>{0, 0, 0, 0, 0}));
    EXPECT_EQ(transfers[1].bytes, (std::vector<int>{0xA1, 0x5A, 0xC3}));
    EXPECT_EQ(transfers[1].acknowledges, (std::vector<int>{0, 0, 1})); // the master ends the read
}

TEST(SimSignals, SpiChannelsCarryTwoBursts)
{
    const std::vector<SpiBurst> bursts = decodeSpi(testSignals(), 0, 140000);
    ASSERT_GE(bursts.size(), 2u);
    EXPECT_EQ(bursts[0].mosi, (std::vector<int>{0x9F, 0x00, 0x00, 0x00}));
    EXPECT_EQ(bursts[0].miso, (std::vector<int>{0xFF, 0xEF, 0x40, 0x18}));
    EXPECT_EQ(bursts[1].mosi, (std::vector<int>{0x03, 0x00, 0x10, 0x00, 0x00, 0x00}));
    EXPECT_EQ(bursts[1].miso, (std::vector<int>{0xFF, 0xFF, 0xFF, 0xFF, 0x53, 0x45}));
}

TEST(SimSignals, CountersCountAtAnyTime)
{
    const SignalSource& s = testSignals();
    std::mt19937_64 random(7);
    std::uniform_int_distribution<std::int64_t> time(-4000000000LL, 4000000000LL);
    for (int i = 0; i < 2000; ++i) {
        const std::int64_t t = time(random);
        const std::uint64_t v = s.levels(t);
        const std::uint64_t counter = std::uint64_t(floorDiv(t, sig::kCounterStepNs));
        EXPECT_EQ(v & 0xF, counter & 0xF) << t;
        EXPECT_EQ(v >> 12 & 0xF, counter >> 4 & 0xF) << t;
        EXPECT_EQ(v >> 26 & 0x3F, std::uint64_t(floorDiv(t, sig::kFastCounterStepNs)) & 0x3F) << t;
        EXPECT_EQ(v >> 32 & 0xFFFF, std::uint64_t(floorDiv(t, sig::kWideCounterStepNs)) & 0xFFFF) << t;
        // The walking one has exactly one of channels 48-55 high.
        EXPECT_EQ(std::popcount(v >> 48 & 0xFF), 1) << t;
    }
}

TEST(SimSignals, ChannelZeroFollowsTheModuleKind)
{
    const SignalSource& enable = testSignals(ChannelZero::SamplingEnable);
    const std::pair<std::int64_t, bool> bursts[] = {{1000, true}, {39999, true}, {40000, false}, {55000, true},
                                                    {69999, true}, {70000, false}, {99999, false}, {100000, true}};
    for (const auto& [t, expected] : bursts)
        EXPECT_EQ(high(enable, t, 0), expected) << t;
    const SignalSource& clock = testSignals(ChannelZero::SamplingClock);
    EXPECT_FALSE(high(clock, 50, 0));
    EXPECT_TRUE(high(clock, 150, 0));
    EXPECT_FALSE(high(clock, 250, 0));
    // The other channels are the same in every role.
    for (std::int64_t t : {0LL, 123457LL, -98765LL})
        EXPECT_EQ(enable.levels(t) & ~1ull, testSignals().levels(t) & ~1ull);
}

TEST(SimSignals, TheChannelTableCoversEveryChannel)
{
    std::set<int> covered;
    for (const SignalChannel& row : testSignalTable())
        for (int c = row.first; c <= row.last; ++c)
            covered.insert(c);
    EXPECT_EQ(covered.size(), 64u);
    EXPECT_EQ(*covered.rbegin(), 63);
}

// Every nanosecond of 0.6 ms (negative times included) looked at: a change time answered is
// never after the first real change of the channels asked about.
TEST(SimSignals, NextChangeIsNeverLate)
{
    constexpr std::int64_t kFrom = -300000, kSpan = 600000;
    for (ChannelZero role : {ChannelZero::Counter, ChannelZero::SamplingEnable, ChannelZero::SamplingClock}) {
        const SignalSource& s = testSignals(role);
        std::vector<std::uint64_t> levels(std::size_t(kSpan) + 1);
        for (std::int64_t i = 0; i <= kSpan; ++i)
            levels[std::size_t(i)] = s.levels(kFrom + i);

        std::mt19937_64 random(11);
        std::uniform_int_distribution<std::int64_t> offset(0, kSpan - 1);
        std::uniform_int_distribution<int> channel(0, 63);
        for (int q = 0; q < 4000; ++q) {
            const std::int64_t i = offset(random);
            std::uint64_t mask = 0;
            switch (q % 4) {
            case 0: mask = std::uint64_t(1) << channel(random); break;
            case 1: mask = ~std::uint64_t(0); break;
            case 2: mask = random(); break;
            default: mask = (std::uint64_t(1) << channel(random)) | (std::uint64_t(1) << channel(random)); break;
            }
            std::int64_t truth = kSpan + 1;
            for (std::int64_t j = i + 1; j <= kSpan; ++j) {
                if (((levels[std::size_t(j)] ^ levels[std::size_t(i)]) & mask) != 0) {
                    truth = j;
                    break;
                }
            }
            const std::int64_t answer = s.nextChange(kFrom + i, mask);
            ASSERT_GT(answer, kFrom + i);
            if (truth <= kSpan) {
                ASSERT_LE(answer, kFrom + truth) << "mask " << std::hex << mask << std::dec << " at " << kFrom + i;
            }
        }
    }
}

TEST(SimSignals, QuietChannelsAreSkippedInOneStep)
{
    const SignalSource& s = testSignals();
    // The slow channel rests low from 512 us to 2 ms of its period; the CS line is high for 8 us
    // before the first burst.
    EXPECT_EQ(s.nextChange(600000, std::uint64_t(1) << sig::kSlowChannel), 2000000);
    EXPECT_EQ(s.nextChange(100, std::uint64_t(1) << sig::kCsChannel), 8000);
    EXPECT_EQ(s.nextChange(2500, std::uint64_t(1) << 3), 16000); // counter bit 3
}

#include "SimSignals.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <memory>
#include <utility>
#include <vector>

namespace seiran::sim {

std::int64_t SignalSource::nextChange(std::int64_t timeNs, std::uint64_t) const
{
    return timeNs == kNever ? kNever : timeNs + 1;
}

SignalWalk::SignalWalk(const SignalSource* source, std::uint64_t channels)
    : m_source(source)
{
    // m_from > m_until: nothing known yet.
    m_from.fill(1);
    m_until.fill(0);
    if (!source)
        return;
    const int parts = source->partCount();
    m_whole = parts > kMaxParts;
    if (m_whole) {
        m_parts = 1;
        m_channels[0] = channels;
        return;
    }
    // Only the parts that drive one of the channels take part.
    for (int i = 0; i < parts; ++i) {
        const std::uint64_t mine = source->partChannels(i) & channels;
        if (mine == 0)
            continue;
        m_part[std::size_t(m_parts)] = i;
        m_channels[std::size_t(m_parts)] = mine;
        ++m_parts;
    }
}

void SignalWalk::refresh(int k, std::int64_t timeNs)
{
    const std::size_t at = std::size_t(k);
    const std::uint64_t mine = m_channels[at];
    if (m_whole) {
        m_levels[at] = m_source->levels(timeNs) & mine;
        m_until[at] = m_source->nextChange(timeNs, mine);
    } else {
        m_levels[at] = m_source->partLevels(m_part[at], timeNs) & mine;
        m_until[at] = m_source->partNextChange(m_part[at], timeNs, mine);
    }
    m_from[at] = timeNs;
}

std::uint64_t SignalWalk::levels(std::int64_t timeNs)
{
    std::uint64_t out = 0;
    for (int k = 0; k < m_parts; ++k) {
        const std::size_t at = std::size_t(k);
        if (timeNs < m_from[at] || timeNs >= m_until[at])
            refresh(k, timeNs);
        out |= m_levels[at];
    }
    return out;
}

std::int64_t SignalWalk::nextChange(std::uint64_t channels) const
{
    std::int64_t next = kNever;
    for (int k = 0; k < m_parts; ++k)
        if ((m_channels[std::size_t(k)] & channels) != 0)
            next = std::min(next, m_until[std::size_t(k)]);
    return next;
}

namespace {

std::int64_t floorDiv(std::int64_t a, std::int64_t b)
{
    std::int64_t q = a / b;
    if (a % b != 0 && (a < 0) != (b < 0))
        --q;
    return q;
}

std::int64_t floorMod(std::int64_t a, std::int64_t b)
{
    const std::int64_t m = a % b;
    return m < 0 ? m + b : m;
}

// Times this far out never come up in a capture; answering kNever there keeps the arithmetic
// below from overflowing.
constexpr std::int64_t kHorizon = kNever / 4;

std::uint64_t bitOf(int channel)
{
    return std::uint64_t(1) << channel;
}

// One signal of the test set, on the channels it drives.
class Wave {
public:
    explicit Wave(std::uint64_t channels) : m_channels(channels) {}
    virtual ~Wave() = default;
    std::uint64_t channels() const { return m_channels; }
    virtual std::uint64_t levels(std::int64_t t) const = 0;
    // `channels` is a non-empty part of channels().
    virtual std::int64_t nextChange(std::int64_t t, std::uint64_t channels) const = 0;
    // The levels repeat after this many ns; 0: no short period worth knowing.
    virtual std::int64_t period() const { return 0; }

private:
    std::uint64_t m_channels;
};

// A binary counter advancing every `step` ns; bit i drives channel channelOfBit[i] (-1: none).
class CounterWave final : public Wave {
public:
    CounterWave(std::int64_t step, std::initializer_list<int> channelOfBit)
        : Wave(maskOf(channelOfBit))
        , m_step(step)
        , m_bits(int(channelOfBit.size()))
    {
        std::copy(channelOfBit.begin(), channelOfBit.end(), m_channelOfBit.begin());
    }

    std::uint64_t levels(std::int64_t t) const override
    {
        const std::uint64_t value = std::uint64_t(floorDiv(t, m_step));
        std::uint64_t out = 0;
        for (int i = 0; i < m_bits; ++i)
            if (m_channelOfBit[std::size_t(i)] >= 0 && (value >> i & 1u) != 0)
                out |= bitOf(m_channelOfBit[std::size_t(i)]);
        return out;
    }

    std::int64_t nextChange(std::int64_t t, std::uint64_t channels) const override
    {
        if (t >= kHorizon)
            return kNever;
        // The lowest bit asked for changes first.
        for (int i = 0; i < m_bits; ++i) {
            const int channel = m_channelOfBit[std::size_t(i)];
            if (channel >= 0 && (channels & bitOf(channel)) != 0) {
                const std::int64_t span = m_step << i;
                return (floorDiv(t, span) + 1) * span;
            }
        }
        return kNever;
    }

    std::int64_t period() const override { return m_step << m_bits; }

private:
    static std::uint64_t maskOf(std::initializer_list<int> channels)
    {
        std::uint64_t mask = 0;
        for (int c : channels)
            if (c >= 0)
                mask |= bitOf(c);
        return mask;
    }

    std::int64_t m_step;
    int m_bits;
    std::array<int, 16> m_channelOfBit{};
};

// A square wave: low for `half` ns, then high for `half` ns.
class ClockWave final : public Wave {
public:
    ClockWave(int channel, std::int64_t half) : Wave(bitOf(channel)), m_half(half) {}

    std::uint64_t levels(std::int64_t t) const override
    {
        return floorMod(t, 2 * m_half) >= m_half ? channels() : 0;
    }

    std::int64_t nextChange(std::int64_t t, std::uint64_t) const override
    {
        return t >= kHorizon ? kNever : (floorDiv(t, m_half) + 1) * m_half;
    }

    std::int64_t period() const override { return 2 * m_half; }

private:
    std::int64_t m_half;
};

using Segments = std::vector<std::pair<std::int64_t, std::uint64_t>>; // (duration ns, levels)

// A periodic piecewise-constant pattern on a few channels: serial traffic, bursts, pulses.
class TableWave final : public Wave {
public:
    TableWave(std::uint64_t channels, const Segments& segments)
        : Wave(channels)
    {
        for (const auto& [duration, value] : segments) {
            if (duration <= 0)
                continue;
            if (!m_values.empty() && m_values.back() == (value & channels)) {
                m_period += duration;
                continue;
            }
            m_starts.push_back(m_period);
            m_values.push_back(value & channels);
            m_period += duration;
        }
        for (int c = 0; c < 64; ++c)
            if ((channels & bitOf(c)) != 0)
                m_channels.push_back(c);
        buildNextChanges();
    }

    std::uint64_t levels(std::int64_t t) const override
    {
        return m_values[segmentAt(floorMod(t, m_period))];
    }

    std::int64_t nextChange(std::int64_t t, std::uint64_t channels) const override
    {
        if (t >= kHorizon)
            return kNever;
        const std::int64_t offset = floorMod(t, m_period);
        const std::size_t segment = segmentAt(offset);
        std::int64_t best = kNever;
        for (std::size_t ci = 0; ci < m_channels.size(); ++ci)
            if ((channels & bitOf(m_channels[ci])) != 0)
                best = std::min(best, m_next[ci * m_starts.size() + segment]);
        return best == kNever ? kNever : t - offset + best;
    }

private:
    std::size_t segmentAt(std::int64_t offset) const
    {
        const auto it = std::upper_bound(m_starts.begin(), m_starts.end(), offset);
        return std::size_t(it - m_starts.begin()) - 1;
    }

    // For each channel and segment: where (from the start of that segment's period) the channel
    // next takes another level, looking across the period's end.
    void buildNextChanges()
    {
        const std::size_t n = m_starts.size();
        m_next.assign(m_channels.size() * n, kNever);
        for (std::size_t ci = 0; ci < m_channels.size(); ++ci) {
            const std::uint64_t bit = bitOf(m_channels[ci]);
            auto level = [&](std::size_t j) { return (m_values[j % n] & bit) != 0; };
            auto start = [&](std::size_t j) { return m_starts[j % n] + (j >= n ? m_period : 0); };
            std::int64_t next = kNever;
            for (std::size_t j = 2 * n - 1; j-- > 0;) {
                if (level(j + 1) != level(j))
                    next = start(j + 1);
                if (j < n)
                    m_next[ci * n + j] = next;
            }
        }
    }

    std::vector<std::int64_t> m_starts;
    std::vector<std::uint64_t> m_values;
    std::int64_t m_period = 0;
    std::vector<int> m_channels;
    std::vector<std::int64_t> m_next;
};

// 8N1, idle high, least significant bit first; the gap after the text is stretched until the
// frame lasts a whole number of nanoseconds, so the pattern repeats exactly.
Segments uartSegments(int channel, std::int64_t baud, std::string_view text, int minimumGapBits)
{
    std::vector<bool> bits;
    for (char ch : text) {
        bits.push_back(false);
        for (int b = 0; b < 8; ++b)
            bits.push_back((std::uint8_t(ch) >> b & 1u) != 0);
        bits.push_back(true);
    }
    std::size_t total = bits.size() + std::size_t(minimumGapBits);
    while (std::int64_t(total) * 1000000000 % baud != 0)
        ++total;
    bits.resize(total, true);

    auto boundary = [&](std::int64_t n) { return (n * 1000000000 + baud - 1) / baud; };
    Segments out;
    for (std::size_t n = 0; n < bits.size(); ++n)
        out.emplace_back(boundary(std::int64_t(n) + 1) - boundary(std::int64_t(n)), bits[n] ? bitOf(channel) : 0);
    return out;
}

// I2C at one bit per four quarters: data changes while SCL is low, START and STOP move SDA while
// SCL is high. A transfer is START, its bits (8 data bits and the acknowledge bit a byte, 0 =
// ACK), STOP and then idle bit times.
struct I2cTransfer {
    std::vector<int> bitsAfterStart; // data and acknowledge bits, 9 a byte
    int idleBits = 0;
};

std::vector<int> i2cByte(int value, int acknowledge)
{
    std::vector<int> bits;
    for (int b = 7; b >= 0; --b)
        bits.push_back(value >> b & 1);
    bits.push_back(acknowledge);
    return bits;
}

Segments i2cSegments(int scl, int sda, std::int64_t bitNs, const std::vector<I2cTransfer>& transfers)
{
    const std::int64_t quarter = bitNs / 4;
    Segments out;
    auto put = [&](int clock, int data) {
        out.emplace_back(quarter, (clock ? bitOf(scl) : 0) | (data ? bitOf(sda) : 0));
    };
    for (const I2cTransfer& t : transfers) {
        put(1, 1); put(1, 0); put(1, 0); put(0, 0); // START
        for (int bit : t.bitsAfterStart) {
            put(0, bit); put(1, bit); put(1, bit); put(0, bit);
        }
        put(0, 0); put(1, 0); put(1, 1); put(1, 1); // STOP
        for (int i = 0; i < 4 * t.idleBits; ++i)
            put(1, 1);
    }
    return out;
}

// SPI mode 0, most significant bit first: CS low for a burst, data set while SCK is low and
// taken on its rising edge. Outside bursts MOSI rests low and MISO high.
struct SpiBurst {
    std::vector<int> mosi;
    std::vector<int> miso;
    std::int64_t idleNs = 0;
};

Segments spiSegments(int sck, int mosi, int cs, int miso, std::int64_t half, const std::vector<SpiBurst>& bursts)
{
    Segments out;
    auto put = [&](std::int64_t ns, int clock, int out1, int select, int in1) {
        out.emplace_back(ns, (clock ? bitOf(sck) : 0) | (out1 ? bitOf(mosi) : 0) | (select ? bitOf(cs) : 0)
                                 | (in1 ? bitOf(miso) : 0));
    };
    for (const SpiBurst& burst : bursts) {
        put(burst.idleNs, 0, 0, 1, 1);
        for (std::size_t i = 0; i < burst.mosi.size(); ++i) {
            for (int b = 7; b >= 0; --b) {
                const int o = burst.mosi[i] >> b & 1;
                const int in = i < burst.miso.size() ? burst.miso[i] >> b & 1 : 1;
                put(half, 0, o, 0, in);
                put(half, 1, o, 0, in);
            }
        }
        put(half, 0, 0, 0, 1);
    }
    return out;
}

Segments pulses(int channel, std::initializer_list<std::pair<std::int64_t, int>> steps)
{
    Segments out;
    for (const auto& [ns, level] : steps)
        out.emplace_back(ns, level ? bitOf(channel) : 0);
    return out;
}

// Duty cycles of 10 % to 90 % in 10 us periods.
Segments pwmSegments(int channel)
{
    Segments out;
    for (int d = 1; d <= 9; ++d) {
        out.emplace_back(1000 * d, bitOf(channel));
        out.emplace_back(1000 * (10 - d), 0);
    }
    return out;
}

Segments walkingOne(int first, int count, std::int64_t step)
{
    Segments out;
    for (int i = 0; i < count; ++i)
        out.emplace_back(step, bitOf(first + i));
    return out;
}

Segments byteBus(int first, std::string_view text, std::int64_t step)
{
    Segments out;
    for (char ch : text)
        out.emplace_back(step, std::uint64_t(std::uint8_t(ch)) << first);
    return out;
}

std::uint64_t rangeMask(int first, int last)
{
    std::uint64_t mask = 0;
    for (int c = first; c <= last; ++c)
        mask |= bitOf(c);
    return mask;
}

class TestSignals final : public SignalSource {
public:
    explicit TestSignals(ChannelZero role)
    {
        using namespace signal;
        const int bit0 = role == ChannelZero::Counter ? 0 : -1;
        add<CounterWave>(kCounterStepNs, std::initializer_list<int>{bit0, 1, 2, 3, 12, 13, 14, 15});
        if (role == ChannelZero::SamplingEnable)
            add<TableWave>(bitOf(0), pulses(0, {{40000, 1}, {10000, 0}, {20000, 1}, {30000, 0}}));
        if (role == ChannelZero::SamplingClock)
            add<ClockWave>(0, kSamplingClockHalfNs);

        add<TableWave>(bitOf(kUartChannel), uartSegments(kUartChannel, kUartBaud, kUartText, 20));
        const std::vector<I2cTransfer> i2c = {
            {concat({i2cByte(0xA0, 0), i2cByte(0x00, 0), i2cByte(0x10, 0), i2cByte(0xA5, 0), i2cByte(0x3C, 0)}), 5},
            {concat({i2cByte(0xA1, 0), i2cByte(0x5A, 0), i2cByte(0xC3, 1)}), 5},
        };
        add<TableWave>(bitOf(kSclChannel) | bitOf(kSdaChannel), i2cSegments(kSclChannel, kSdaChannel, kI2cBitNs, i2c));
        add<TableWave>(bitOf(kSlowChannel),
                       pulses(kSlowChannel, {{100000, 1}, {400000, 0}, {2000, 1}, {2000, 0}, {2000, 1}, {2000, 0},
                                             {2000, 1}, {1490000, 0}}));
        const std::vector<SpiBurst> spi = {
            {{0x9F, 0x00, 0x00, 0x00}, {0xFF, 0xEF, 0x40, 0x18}, 8000},
            {{0x03, 0x00, 0x10, 0x00, 0x00, 0x00}, {0xFF, 0xFF, 0xFF, 0xFF, 0x53, 0x45}, 20000},
        };
        add<TableWave>(rangeMask(kSckChannel, kMisoChannel),
                       spiSegments(kSckChannel, kMosiChannel, kCsChannel, kMisoChannel, kSpiHalfBitNs, spi));

        const std::int64_t halves[] = {10, 20, 50, 100, 500, 5000, 50000, 500000};
        for (int i = 0; i < 8; ++i)
            add<ClockWave>(16 + i, halves[i]);
        add<TableWave>(bitOf(kSlowUartChannel), uartSegments(kSlowUartChannel, kSlowUartBaud, kSlowUartText, 20));
        add<TableWave>(bitOf(25), pwmSegments(25));
        add<CounterWave>(kFastCounterStepNs, std::initializer_list<int>{26, 27, 28, 29, 30, 31});
        add<CounterWave>(kWideCounterStepNs,
                         std::initializer_list<int>{32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44, 45, 46, 47});
        add<TableWave>(rangeMask(48, 55), walkingOne(48, 8, 1000));
        add<TableWave>(rangeMask(56, 63), byteBus(56, "SeiranBus", 4000));
    }

    std::uint64_t levels(std::int64_t timeNs) const override
    {
        std::uint64_t out = 0;
        for (const auto& wave : m_waves)
            out |= wave->levels(timeNs);
        return out;
    }

    std::int64_t nextChange(std::int64_t timeNs, std::uint64_t channels) const override
    {
        std::int64_t best = kNever;
        for (const auto& wave : m_waves)
            if (const std::uint64_t mine = wave->channels() & channels)
                best = std::min(best, wave->nextChange(timeNs, mine));
        return best;
    }

    // Each wave is a part of its own.
    int partCount() const override { return int(m_waves.size()); }
    std::uint64_t partChannels(int part) const override { return m_waves[std::size_t(part)]->channels(); }
    std::uint64_t partLevels(int part, std::int64_t timeNs) const override
    {
        return m_waves[std::size_t(part)]->levels(timeNs);
    }
    std::int64_t partNextChange(int part, std::int64_t timeNs, std::uint64_t channels) const override
    {
        const Wave& wave = *m_waves[std::size_t(part)];
        const std::uint64_t mine = wave.channels() & channels;
        return mine ? wave.nextChange(timeNs, mine) : kNever;
    }
    std::int64_t partPeriod(int part) const override { return m_waves[std::size_t(part)]->period(); }

private:
    template <class W, class... Args>
    void add(Args&&... args)
    {
        m_waves.push_back(std::make_unique<W>(std::forward<Args>(args)...));
    }

    static std::vector<int> concat(std::initializer_list<std::vector<int>> parts)
    {
        std::vector<int> out;
        for (const auto& p : parts)
            out.insert(out.end(), p.begin(), p.end());
        return out;
    }

    std::vector<std::unique_ptr<Wave>> m_waves;
};

constexpr SignalChannel kTable[] = {
    {0, 0, "counter bit 0 (other modules)", "step 2 us"},
    {0, 0, "sampling enable (sampling-enable modules): high 40 us, low 10 us, high 20 us, low 30 us", "100 us"},
    {0, 0, "sampling clock (edge-sampling modules)", "5 MHz"},
    {1, 3, "counter bits 1-3", "step 2 us"},
    {4, 4, "UART TX, 8N1, idle high: \"Hello from Seiran 0123456789\\r\\n\", then a 24-bit gap", "115200 baud"},
    {5, 5, "I2C SCL", "100 kHz"},
    {6, 6, "I2C SDA: write 0x50 [00 10 A5 3C], read 0x50 [5A C3] (NACK), 5 idle bits after each", "100 kHz"},
    {7, 7, "slow: high 100 us, low 400 us, three 2 us pulses, low 1.49 ms", "2 ms"},
    {8, 8, "SPI SCK (mode 0)", "2 MHz"},
    {9, 9, "SPI MOSI: [9F 00 00 00], [03 00 10 00 00 00]", "2 MHz"},
    {10, 10, "SPI CS, low during each burst (8 us and 20 us idle before)", ""},
    {11, 11, "SPI MISO: [FF EF 40 18], [FF FF FF FF 53 45]", "2 MHz"},
    {12, 15, "counter bits 4-7", "step 2 us"},
    {16, 23, "clocks 50, 25, 10, 5, 1 MHz, 100, 10, 1 kHz", ""},
    {24, 24, "UART, 8N1: \"9600 8N1 on 24\\r\\n\", then a gap", "9600 baud"},
    {25, 25, "PWM, duty 10 % to 90 % in steps of 10 %", "10 us periods"},
    {26, 31, "fast counter bits 0-5", "step 40 ns"},
    {32, 47, "16-bit counter bits 0-15", "step 1 us"},
    {48, 55, "walking one", "step 1 us"},
    {56, 63, "byte bus: the bytes of \"SeiranBus\"", "step 4 us"},
};

} // namespace

const SignalSource& testSignals(ChannelZero role)
{
    static const TestSignals counter(ChannelZero::Counter);
    static const TestSignals enable(ChannelZero::SamplingEnable);
    static const TestSignals clock(ChannelZero::SamplingClock);
    switch (role) {
    case ChannelZero::SamplingEnable: return enable;
    case ChannelZero::SamplingClock: return clock;
    case ChannelZero::Counter: break;
    }
    return counter;
}

std::span<const SignalChannel> testSignalTable()
{
    return kTable;
}

} // namespace seiran::sim

#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <span>
#include <string_view>

namespace seiran::sim {

// What an analyzer module's inputs carry, as a function of absolute simulated time in
// nanoseconds. Any sampling interval samples such a source exactly and the same way every run.
// The built-in test signals implement it; in loop-back modes the generator module of the same
// FPGA takes its place (SimAnalyzerModule::setSignalSource).
class SignalSource {
public:
    virtual ~SignalSource() = default;

    // Levels of channels 0 to 63 at `timeNs` (which may be negative): bit c = channel c.
    virtual std::uint64_t levels(std::int64_t timeNs) const = 0;

    // The earliest time after `timeNs` at which one of `channels` may change. Answering early (a
    // time at which nothing changes) is allowed, answering late never is: every time in
    // (timeNs, answer) shows those channels as they are at timeNs. kNever: they never change.
    // The default, the next nanosecond, suits any source; a source that knows its edges lets long
    // quiet stretches be skipped in one step.
    virtual std::int64_t nextChange(std::int64_t timeNs, std::uint64_t channels) const;

    // The source as parts that change independently of each other, each on its own channels, so
    // that a walk along time (SignalWalk) asks again only the parts that change at a step. Taken
    // together the parts give levels() and nextChange() exactly. By default the whole source is
    // one part.
    virtual int partCount() const { return 1; }
    virtual std::uint64_t partChannels(int) const { return ~std::uint64_t(0); }
    virtual std::uint64_t partLevels(int, std::int64_t timeNs) const { return levels(timeNs); }
    // `channels`: a non-empty part of the part's channels.
    virtual std::int64_t partNextChange(int, std::int64_t timeNs, std::uint64_t channels) const
    {
        return nextChange(timeNs, channels);
    }
    // P when the part's levels at t + P are those at t for every t; 0 when it has no period.
    virtual std::int64_t partPeriod(int) const { return 0; }
};

inline constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::max();

// The levels of some channels of a source along time. Each part's levels are kept for as long as
// the part says they hold, so a step costs only the parts that change there, not every signal of
// the source: a walk through a capture costs its transitions. Any order of times is allowed;
// forwards is the fast one.
class SignalWalk {
public:
    static constexpr int kMaxParts = 32;

    SignalWalk() = default;
    // channels: bit c = channel c of the source.
    SignalWalk(const SignalSource* source, std::uint64_t channels);

    // Levels of the walk's channels at `timeNs`.
    std::uint64_t levels(std::int64_t timeNs);
    // After levels(t): the earliest time after t at which one of `channels` (of the walk's) may
    // change; early, never late, as SignalSource::nextChange. kNever when none will.
    std::int64_t nextChange(std::uint64_t channels) const;

private:
    void refresh(int part, std::int64_t timeNs);

    const SignalSource* m_source = nullptr;
    bool m_whole = false; // more parts than kept apart: the source as one
    int m_parts = 0;
    std::array<int, kMaxParts> m_part{};               // the source's number of each part
    std::array<std::uint64_t, kMaxParts> m_channels{}; // of each part, among the walk's
    std::array<std::uint64_t, kMaxParts> m_levels{};
    std::array<std::int64_t, kMaxParts> m_from{};  // the levels hold from m_from ...
    std::array<std::int64_t, kMaxParts> m_until{}; // ... until before m_until
};

// What channel 0 carries. Channel 0 qualifies the samples of sampling-enable modules and clocks
// edge-sampling modules; every other module sees bit 0 of the counter there.
enum class ChannelZero { Counter, SamplingEnable, SamplingClock };

// The built-in test signals with channel 0 in the given role. The sources live for the program's
// life and are safe to share.
const SignalSource& testSignals(ChannelZero role = ChannelZero::Counter);

// One row of the channel table of the built-in test signals.
struct SignalChannel {
    int first = 0;          // first channel of the signal
    int last = 0;           // last channel (== first for a single line)
    std::string_view signal;
    std::string_view rate;
};

// The channel table, in channel order; channel 0 appears once per role.
std::span<const SignalChannel> testSignalTable();

// Parameters of the built-in signals that tests decode against.
namespace signal {
inline constexpr std::int64_t kCounterStepNs = 2000;     // channels 0-3, 12-15: bits 0-7
inline constexpr std::int64_t kFastCounterStepNs = 40;   // channels 26-31: bits 0-5
inline constexpr std::int64_t kWideCounterStepNs = 1000; // channels 32-47: bits 0-15
inline constexpr int kUartChannel = 4;
inline constexpr int kUartBaud = 115200;
inline constexpr std::string_view kUartText = "Hello from Seiran 0123456789\r\n";
inline constexpr int kSlowUartChannel = 24;
inline constexpr int kSlowUartBaud = 9600;
inline constexpr std::string_view kSlowUartText = "9600 8N1 on 24\r\n";
inline constexpr int kSclChannel = 5;
inline constexpr int kSdaChannel = 6;
inline constexpr std::int64_t kI2cBitNs = 10000;          // 100 kHz
inline constexpr int kSlowChannel = 7;
inline constexpr int kSckChannel = 8;
inline constexpr int kMosiChannel = 9;
inline constexpr int kCsChannel = 10;
inline constexpr int kMisoChannel = 11;
inline constexpr std::int64_t kSpiHalfBitNs = 250;        // 2 MHz
inline constexpr std::int64_t kSamplingClockHalfNs = 100; // 5 MHz on channel 0 of edge sampling
inline constexpr std::int64_t kEnablePeriodNs = 100000;   // enable bursts on channel 0
} // namespace signal

} // namespace seiran::sim

// The settings file reader on any bytes. Beyond the sanitizers' findings it checks what the rest
// of the program relies on after a load: every number is inside its range (no clock period of 0,
// no channel origin that overflows a channel number) and the committed copies equal the settings.

#include "NullFrontEnd.h"
#include "ManualClock.h"
#include "core/AnalyzerState.h"
#include "files/SettingsFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

// One state for the whole run: building one allocates the sample storage of all ten pages. Each
// input starts from the settings and clock periods of a freshly built state.
struct Harness {
    seiran::ManualClock clock;
    seiran::NullFrontEnd frontEnd;
    seiran::AnalyzerState state{clock, frontEnd, QStringLiteral(".")};
    const decltype(state.instrument.clockPeriods) initialPeriods = state.instrument.clockPeriods;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Harness harness;
    seiran::AnalyzerState& state = harness.state;
    state.settings = seiran::UserSettings{};
    state.instrument.clockPeriods = harness.initialPeriods;
    state.log.clear();

    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    seiran::LoadSettingsBytes(state, bytes);

    const seiran::UserSettings& s = state.settings;
    for (const int period : {s.ExternalClockPeriod, s.IpClockPeriod})
        check(period >= seiran::kMinClockPeriod && period <= seiran::kMaxClockPeriod);
    check(s.channelOrigin >= seiran::kMinChannelOrigin && s.channelOrigin <= seiran::kMaxChannelOrigin);
    check(s.committedExternalClockPeriod == s.ExternalClockPeriod && s.committedIpClockPeriod == s.IpClockPeriod
          && s.committedChannelOrigin == s.channelOrigin && s.committedHeavyLowLine == s.heavyLowLine);
    // A refusal is one line; nothing else is logged.
    check(state.log.lineCount() <= 1);
    return 0;
}

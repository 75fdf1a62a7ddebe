#pragma once

// A state object wired to a simulated instrument on a manual clock, for the instrument setup tests.

#include "ManualClock.h"
#include "RecordingFrontEnd.h"
#include "SimInstrument.h"
#include "core/AnalyzerState.h"

#include <QTemporaryDir>

#include <array>
#include <memory>

namespace seiran::setuptest {

// A module slot that only answers its property words: word 1 of 0x30 (old layout) and word 0 of
// 0x32 (new layout).
class PropertyModule final : public sim::SimModule {
public:
    PropertyModule(std::uint32_t oldWord, std::uint32_t newWord) : m_old(oldWord), m_new(newWord) {}
    void command(int, std::span<const std::uint32_t>) override {}
    void read(int code, std::span<std::uint8_t> answer) override
    {
        if (code == 0x30 && answer.size() >= 8)
            put(answer, 4, m_old);
        else if (code == 0x32 && answer.size() >= 4)
            put(answer, 0, m_new);
    }

private:
    static void put(std::span<std::uint8_t> out, std::size_t at, std::uint32_t w)
    {
        for (int b = 0; b < 4; ++b)
            out[at + std::size_t(b)] = std::uint8_t(w >> (8 * b));
    }
    std::uint32_t m_old;
    std::uint32_t m_new;
};

// New-layout words.
constexpr std::uint32_t newAnalyzer(int channelCode, int depthCode, std::uint32_t flags = 0, int kind = 5, int sub = 0)
{
    return 1u << 28 | std::uint32_t(channelCode) << 24 | std::uint32_t(depthCode) << 16 | flags
        | std::uint32_t(kind) << 4 | std::uint32_t(sub);
}
constexpr std::uint32_t newGenerator(int channelCode, int depthCode, std::uint32_t flags = 0, int kind = 4, int sub = 0)
{
    return 2u << 28 | std::uint32_t(channelCode) << 24 | std::uint32_t(depthCode) << 16 | flags
        | std::uint32_t(kind) << 4 | std::uint32_t(sub);
}
inline constexpr std::uint32_t kTrimOne = 1u << 15;
inline constexpr std::uint32_t kTrimBlock = 1u << 14;
inline constexpr std::uint32_t kSamplingEnable = 1u << 13;
inline constexpr std::uint32_t kEdgeSampling = 1u << 12;
inline constexpr std::uint32_t kRange = 1u << 11;
inline constexpr std::uint32_t kCompressed = 1u << 10;

// Old-layout words: analyzers keep channels and depth in bits 31-24, generators in 23-16.
constexpr std::uint32_t oldAnalyzer(int channelCode, int depthCode, int kind, int sub, std::uint32_t flags = 0)
{
    return std::uint32_t(channelCode) << 28 | std::uint32_t(depthCode) << 24 | 1u << 12 | std::uint32_t(kind) << 8
        | std::uint32_t(sub) << 4 | flags;
}
constexpr std::uint32_t oldGenerator(int channelCode, int depthCode, int kind, int sub, std::uint32_t flags = 0)
{
    return std::uint32_t(channelCode) << 20 | std::uint32_t(depthCode) << 16 | 2u << 12 | std::uint32_t(kind) << 8
        | std::uint32_t(sub) << 4 | flags;
}

class SetupFixture {
public:
    explicit SetupFixture(int deviceType)
        : state(clock, frontEnd, folder.path())
    {
        attach(std::make_unique<sim::SimInstrument>(deviceType, &clock));
    }

    void attach(std::unique_ptr<sim::SimInstrument> sim)
    {
        instrument = std::move(sim);
        state.commands.setUsbTransport(instrument.get());
        state.commands.openUsb();
    }

    void installSlot(int slot, std::uint32_t oldWord, std::uint32_t newWord = 0)
    {
        instrument->installModule(slot, std::make_unique<PropertyModule>(oldWord, newWord));
    }

    // The reads of one command code, by module, that reached the instrument.
    std::vector<int> modulesRead(int code) const
    {
        std::vector<int> out;
        for (const sim::SimRecord& r : instrument->frames())
            if (r.code == code)
                out.push_back(r.module);
        return out;
    }

    ManualClock clock;
    RecordingFrontEnd frontEnd;
    QTemporaryDir folder;
    AnalyzerState state;
    std::unique_ptr<sim::SimInstrument> instrument;
};

} // namespace seiran::setuptest

#pragma once

// A state object wired to a simulated instrument whose page-0 module is a hand-made memory: the
// test lays out what the module answers to its status, entry, block and pointer reads, runs the
// transfer through the real device layer, and compares the page with what a plain reading of
// the memory rules gives (TransferReference.h).

#include "TransferTestReference.h"

#include "ManualClock.h"
#include "RecordingFrontEnd.h"
#include "RemoteExchange.h"
#include "SimInstrument.h"
#include "capture/Transfer.h"
#include "core/AnalyzerState.h"
#include "view/PageState.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace seiran::transfertest {

// A module slot serving a memory image. Reads of 0x31 and 0x33 take the next words of their
// stream, as many as the host asks for (zeros once a stream is used up); 0x30 answers the next
// head status, then `endStatus`. Counters are fixed arrays, so serving allocates nothing.
class MemoryModule final : public sim::SimModule {
public:
    std::vector<std::uint32_t> headStatus; // word 0 of the first 0x30 reads
    std::uint32_t endStatus = 0;           // word 0 of every later 0x30 read
    std::vector<std::uint32_t> entryWords; // the 0x31 stream
    std::vector<std::uint32_t> blockWords; // the 0x33 stream
    std::array<std::uint32_t, 2> pointer{}; // 0x38

    std::array<int, 256> reads{};    // by code
    std::array<int, 256> commands{}; // by code
    std::array<int, 256> readBytes{}; // bytes asked for by the last read of a code

    void command(int code, std::span<const std::uint32_t>) override { ++commands[std::size_t(code & 0xFF)]; }
    void read(int code, std::span<std::uint8_t> answer) override
    {
        ++reads[std::size_t(code & 0xFF)];
        readBytes[std::size_t(code & 0xFF)] = int(answer.size());
        switch (code) {
        case 0x30: {
            const std::uint32_t s = m_headServed < headStatus.size() ? headStatus[m_headServed++] : endStatus;
            put(answer, 0, s);
            break;
        }
        case 0x31: serve(entryWords, m_entryAt, answer); break;
        case 0x33: serve(blockWords, m_blockAt, answer); break;
        case 0x38:
            put(answer, 0, pointer[0]);
            put(answer, 4, pointer[1]);
            break;
        default: break;
        }
    }

    // Back to the start of every stream, counters cleared.
    void rewind()
    {
        m_headServed = 0;
        m_entryAt = 0;
        m_blockAt = 0;
        reads.fill(0);
        commands.fill(0);
    }

private:
    static void put(std::span<std::uint8_t> out, std::size_t at, std::uint32_t w)
    {
        for (std::size_t b = 0; b < 4 && at + b < out.size(); ++b)
            out[at + b] = std::uint8_t(w >> (8 * b));
    }
    static void serve(const std::vector<std::uint32_t>& words, std::size_t& at, std::span<std::uint8_t> answer)
    {
        for (std::size_t i = 0; i + 4 <= answer.size(); i += 4) {
            put(answer, i, at < words.size() ? words[at] : 0);
            ++at;
        }
    }

    std::size_t m_headServed = 0;
    std::size_t m_entryAt = 0;
    std::size_t m_blockAt = 0;
};

// The remote link straight to a module of the simulated instrument, so that a transfer on the
// remote interface reads the same memory.
class LoopRemote final : public RemoteExchange {
public:
    explicit LoopRemote(sim::SimModule& module) : m_module(module) {}
    void sendCommand(int, int command, int, std::span<const std::uint32_t> params) override
    {
        m_module.command(command, params);
    }
    void receiveData(int, int command, int byteCount, std::span<std::uint32_t> dest) override
    {
        std::vector<std::uint8_t> bytes(std::size_t(std::max(byteCount, 0)), 0);
        m_module.read(command, bytes);
        for (std::size_t w = 0; w < dest.size() && 4 * w + 3 < bytes.size(); ++w)
            dest[w] = std::uint32_t(bytes[4 * w]) | std::uint32_t(bytes[4 * w + 1]) << 8
                | std::uint32_t(bytes[4 * w + 2]) << 16 | std::uint32_t(bytes[4 * w + 3]) << 24;
    }

private:
    sim::SimModule& m_module;
};

// The module of the page, as the module check would have decoded it.
struct ModuleConfig {
    int slot = 8;
    int channelCount = 16;
    int dataCount = 1024;
    bool compressed = false;
    bool trimOne = false;
    bool trimBlock = false;
    bool samplingEnable = false;
    bool edgeSampling = false;
    int kind = 5;
    int subKind = 0;
};

class TransferFixture {
public:
    TransferFixture(int deviceType, int firmwareLevel, FrontEnd* frontEnd = nullptr)
        : state(clock, frontEnd ? *frontEnd : recording, folder.path())
        , instrument(std::make_unique<sim::SimInstrument>(deviceType, &clock))
    {
        instrument->setFirmwareLevel(firmwareLevel);
        state.commands.setUsbTransport(instrument.get());
        state.commands.openUsb();
        state.device.DeviceStatus.bytes[2] = std::uint8_t(firmwareLevel);
    }

    // Installs the memory module in the slot of page 0 and sets the page up for it.
    MemoryModule& install(const ModuleConfig& config, const QString& hardwareMode = QStringLiteral("200MHz 16ch 32Kbit"))
    {
        ModuleInfo& m = state.instrument.modules[std::size_t(config.slot)];
        m = ModuleInfo{};
        m.function = ModuleFunction::Analyzer;
        m.ModuleCompressed = config.compressed;
        m.ModuleTrimOne = config.trimOne;
        m.ModuleTrimBlock = config.trimBlock;
        m.ModuleSamplingEnable = config.samplingEnable;
        m.ModuleEdgeSampling = config.edgeSampling;
        m.ModuleKind = config.kind;
        m.ModuleSubKind = config.subKind;
        state.instrument.HardwareMode = hardwareMode;
        state.instrument.AnalyzerPageCount = 1;

        PageSetup setup;
        setup.page = 0;
        setup.module = &m;
        setup.PageModule = config.slot;
        setup.channelCount = config.channelCount;
        setup.dataCount = config.dataCount;
        setup.clockPeriod = state.pageClockPeriod(0);
        state.pages[0].PageModule = config.slot;
        SetPageToDefaults(state.pages[0], setup);

        auto module = std::make_unique<MemoryModule>();
        memory = module.get();
        instrument->installModule(config.slot, std::move(module));
        return *memory;
    }

    void goRemote()
    {
        remote = std::make_unique<LoopRemote>(*memory);
        state.commands.setRemoteExchange(remote.get());
        state.device.InterfaceKind = kInterfaceRemote;
    }

    void transfer(std::uint32_t status = 0) { TransferCapture(state, 0, status); }

    PageState& page() { return state.pages[0]; }

    // Channels 0 to channels - 1 of the sample at `index` as one word.
    std::uint64_t sampleWord(int index, int channels) const
    {
        std::uint64_t w = 0;
        for (int c = 0; c < channels; ++c)
            if (state.pages[0].sampleBits.level(c, index))
                w |= std::uint64_t(1) << c;
        return w;
    }

    // The frames that went to the page's module with this code.
    int framesWithCode(int code) const
    {
        int n = 0;
        for (const sim::SimRecord& r : instrument->frames())
            if (r.code == code && r.module == state.pages[0].PageModule)
                ++n;
        return n;
    }

    ManualClock clock;
    RecordingFrontEnd recording;
    QTemporaryDir folder;
    AnalyzerState state;
    std::unique_ptr<sim::SimInstrument> instrument;
    MemoryModule* memory = nullptr;
    std::unique_ptr<LoopRemote> remote;
};

// ---- memory images: the streams the module serves, in the order the host reads them

// Two words a sample (low, high): head entries and blocks of the built-in newer-instrument path.
inline std::vector<std::uint32_t> samplePairs(const std::vector<std::uint64_t>& samples, std::size_t from,
                                              std::size_t to)
{
    std::vector<std::uint32_t> out;
    for (std::size_t i = from; i < std::min(to, samples.size()); ++i) {
        out.push_back(std::uint32_t(samples[i]));
        out.push_back(std::uint32_t(samples[i] >> 32));
    }
    return out;
}

// One word a sample: the 32-channel sample words of the built-in version-1 and version-2 paths.
inline std::vector<std::uint32_t> sampleWords(const std::vector<std::uint64_t>& samples)
{
    std::vector<std::uint32_t> out;
    for (std::uint64_t w : samples)
        out.push_back(std::uint32_t(w));
    return out;
}

// The sample word, then a word the host must ignore: user modules and packets.
inline std::vector<std::uint32_t> samplesWithFiller(const std::vector<std::uint64_t>& samples)
{
    std::vector<std::uint32_t> out;
    std::uint32_t filler = 0x9E3779B9u;
    for (std::uint64_t w : samples) {
        out.push_back(std::uint32_t(w));
        out.push_back(filler);
        filler = filler * 1664525u + 1013904223u;
    }
    return out;
}

// Packed records of the built-in compressed modules: levels in bits 0-15, count in bits 16-23.
inline std::vector<std::uint32_t> packedRecords(const std::vector<RawEntry>& raw)
{
    std::vector<std::uint32_t> out;
    for (const RawEntry& e : raw)
        out.push_back(std::uint32_t(e.value & 0xFFFFu) | (e.count & 0xFFu) << 16);
    return out;
}

// Record pairs (levels, count) of user compressed modules.
inline std::vector<std::uint32_t> recordPairs(const std::vector<RawEntry>& raw)
{
    std::vector<std::uint32_t> out;
    for (const RawEntry& e : raw) {
        out.push_back(std::uint32_t(e.value));
        out.push_back(e.count);
    }
    return out;
}

// Record quads (levels low, levels high, count, a word not read) of 64-channel compressed modules.
inline std::vector<std::uint32_t> recordQuads(const std::vector<RawEntry>& raw)
{
    std::vector<std::uint32_t> out;
    for (const RawEntry& e : raw) {
        out.push_back(std::uint32_t(e.value));
        out.push_back(std::uint32_t(e.value >> 32));
        out.push_back(e.count);
        out.push_back(0xDEADBEEFu);
    }
    return out;
}

inline std::vector<std::uint32_t> concat(std::vector<std::uint32_t> a, const std::vector<std::uint32_t>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// ---- checks

inline void expectPlanes(const TransferFixture& f, const ExpectedPlanes& expected, int channels)
{
    ASSERT_GT(expected.defined, 0);
    int mismatches = 0;
    for (int i = 0; i < expected.defined && mismatches < 5; ++i) {
        const std::uint64_t got = f.sampleWord(i, channels);
        if (got != expected.samples[std::size_t(i)]) {
            ADD_FAILURE() << "sample index " << i << ": got 0x" << std::hex << got << " expected 0x"
                          << expected.samples[std::size_t(i)];
            ++mismatches;
        }
    }
}

inline void expectList(const PageState& p, const ExpectedList& expected)
{
    ASSERT_TRUE(expected.hasData);
    ASSERT_EQ(p.recCount, int(expected.records.size()));
    EXPECT_EQ(p.sampleCount, expected.sampleCount);
    EXPECT_EQ(p.recTriggerSample, expected.triggerSample);
    int mismatches = 0;
    for (int i = 0; i < p.recCount && mismatches < 5; ++i) {
        const ExpectedRecord& r = expected.records[std::size_t(i)];
        if (p.displayList.value(i) != r.value || p.displayList.runLength(i) != r.run
            || p.displayList.start(i) != r.start) {
            ADD_FAILURE() << "record " << i << ": got value 0x" << std::hex << p.displayList.value(i) << std::dec
                          << " run " << p.displayList.runLength(i) << " start " << p.displayList.start(i)
                          << ", expected 0x" << std::hex << r.value << std::dec << " run " << r.run << " start "
                          << r.start;
            ++mismatches;
        }
    }
    // The end entry, and the measured copy with its counters.
    EXPECT_EQ(p.displayList.start(p.recCount), expected.sampleCount);
    EXPECT_EQ(p.displayList.runLength(p.recCount), 0);
    EXPECT_EQ(p.measRecCount, p.recCount);
    EXPECT_EQ(p.measSampleCount, p.sampleCount);
    EXPECT_EQ(p.measTriggerSample, p.recTriggerSample);
    for (int i = 0; i <= p.recCount && mismatches < 5; i += 97) {
        if (p.measuredList.value(i) != p.displayList.value(i) || p.measuredList.start(i) != p.displayList.start(i)
            || p.measuredList.runLength(i) != p.displayList.runLength(i)) {
            ADD_FAILURE() << "measured record " << i << " differs from the display list";
            ++mismatches;
        }
    }
    EXPECT_EQ(p.measuredList.start(p.measRecCount), p.measSampleCount);
    EXPECT_TRUE(p.hasData);
}

} // namespace seiran::transfertest

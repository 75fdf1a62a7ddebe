// Host time of a sample memory transfer from a module that answers at once: a full 262144-sample
// bit-plane memory (512 blocks of 2048 bytes on the built-in newer-instrument path, interleaved,
// start-up shift) and a 262144-entry compressed capture (512 blocks of packed records), each
// through the real device layer and the simulated instrument's frame handling. The decoding alone
// is measured too, on a workspace the memory was already read into, to show what the device layer
// costs.

#include "NullFrontEnd.h"
#include "ManualClock.h"
#include "SimInstrument.h"
#include "capture/SampleDecoding.h"
#include "capture/Transfer.h"
#include "capture/TransferWorkspace.h"
#include "core/AnalyzerState.h"
#include "FrontEnd.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

namespace {

using namespace seiran;

constexpr int kBlocks = 512;
constexpr int kBlockBytes = 2048;

// Serves a memory image block after block (0x33); the head ends at once (0x30 answers `status`).
class ImageModule final : public sim::SimModule {
public:
    ImageModule(std::vector<std::uint8_t> image, std::uint32_t status) : m_image(std::move(image)), m_status(status) {}
    void command(int, std::span<const std::uint32_t>) override {}
    void read(int code, std::span<std::uint8_t> answer) override
    {
        if (code == 0x30) {
            for (std::size_t b = 0; b < 4 && b < answer.size(); ++b)
                answer[b] = std::uint8_t(m_status >> (8 * b));
        } else if (code == 0x33) {
            if (m_at + answer.size() > m_image.size())
                m_at = 0;
            std::copy_n(m_image.begin() + std::ptrdiff_t(m_at), answer.size(), answer.begin());
            m_at += answer.size();
        } else if (code == 0x38 && answer.size() >= 8) {
            answer[0] = 0xE8; // P1 = 1000
            answer[1] = 0x03;
            answer[4] = 0xF4; // P2 = 500, trigger found
            answer[5] = 0x01;
            answer[7] = 0x80;
        }
    }
    void rewind() { m_at = 0; }

private:
    std::vector<std::uint8_t> m_image;
    std::uint32_t m_status;
    std::size_t m_at = 0;
};

struct Setup {
    int deviceType;
    int channels;
    int dataCount;
    bool compressed;
    const char* mode;
    std::uint32_t headEnd; // the 0x30 word that ends the head
};

constexpr Setup kBitPlanes{10, 32, 262015, false, "100MHz 32ch 256Kbit", 0x0000};
constexpr Setup kCompressed{11, 16, 262144, true, "圧縮 100MHz 16ch 256Kbit", 0x0080};

std::vector<std::uint8_t> randomImage(bool compressed)
{
    std::mt19937 random(7);
    std::vector<std::uint8_t> image(std::size_t(kBlocks) * kBlockBytes);
    for (std::size_t i = 0; i < image.size(); i += 4) {
        std::uint32_t w = random();
        if (compressed)
            w = (w & 0xFFFFu) | (0x80u | (w >> 25)) << 16; // valid packed records, runs 1 to 128
        for (std::size_t b = 0; b < 4; ++b)
            image[i + b] = std::uint8_t(w >> (8 * b));
    }
    return image;
}

// A state on a simulated instrument of the setup's type whose page 0 is served by the image.
struct Bench {
    explicit Bench(const Setup& s)
        : state(clock, frontEnd, folder.path())
        , instrument(s.deviceType, &clock)
    {
        instrument.setFirmwareLevel(2);
        instrument.setRecording(false);
        state.commands.setUsbTransport(&instrument);
        state.commands.openUsb();
        state.device.DeviceStatus.bytes[2] = 2;

        ModuleInfo& m = state.instrument.modules[8];
        m.function = ModuleFunction::Analyzer;
        m.ModuleCompressed = s.compressed;
        m.ModuleTrimBlock = true;
        m.ModuleKind = 5;
        state.instrument.HardwareMode = QString::fromUtf8(s.mode);
        state.instrument.AnalyzerPageCount = 1;
        PageSetup setup;
        setup.module = &m;
        setup.PageModule = 8;
        setup.channelCount = s.channels;
        setup.dataCount = s.dataCount;
        setup.clockPeriod = 10;
        state.pages[0].PageModule = 8;
        SetPageToDefaults(state.pages[0], setup);

        auto module = std::make_unique<ImageModule>(randomImage(s.compressed), s.headEnd);
        image = module.get();
        instrument.installModule(8, std::move(module));
    }

    void transfer(std::uint32_t status)
    {
        image->rewind();
        TransferCapture(state, workspace, 0, status);
        state.log.clear();
    }

    ManualClock clock;
    NullFrontEnd frontEnd;
    QTemporaryDir folder;
    AnalyzerState state;
    sim::SimInstrument instrument;
    TransferWorkspace workspace;
    ImageModule* image = nullptr;
};

void report(benchmark::State& st, std::int64_t bytesPerRun)
{
    st.SetBytesProcessed(st.iterations() * bytesPerRun);
    st.counters["MiB"] = double(bytesPerRun) / (1024.0 * 1024.0);
}

void BM_TransferFullBitPlaneMemory(benchmark::State& st)
{
    Bench b(kBitPlanes);
    for (auto _ : st) {
        b.transfer(0x40);
        benchmark::DoNotOptimize(b.state.pages[0].sampleBits.words(0)[100]);
    }
    report(st, std::int64_t(kBlocks) * kBlockBytes);
}
BENCHMARK(BM_TransferFullBitPlaneMemory)->Unit(benchmark::kMillisecond);

void BM_TransferFullCompressedMemory(benchmark::State& st)
{
    Bench b(kCompressed);
    for (auto _ : st) {
        b.transfer(0);
        benchmark::DoNotOptimize(b.state.pages[0].recCount);
    }
    if (b.state.pages[0].recCount != 262144 - 128)
        st.SkipWithError("the capture did not decode to 262016 records");
    report(st, std::int64_t(kBlocks) * kBlockBytes);
}
BENCHMARK(BM_TransferFullCompressedMemory)->Unit(benchmark::kMillisecond);

// The decoding alone: the workspace already holds the memory.
void BM_AssembleFullBitPlaneMemory(benchmark::State& st)
{
    Bench b(kBitPlanes);
    b.transfer(0x40);
    BitPlaneCapture layout{.channelCount = 32, .dataCount = 262015, .trimBlock = true, .status = 0x40,
                           .startUpShift = 97};
    for (auto _ : st) {
        AssembleBitPlanes(b.workspace, b.state.pages[0].sampleBits, layout);
        benchmark::DoNotOptimize(b.state.pages[0].sampleBits.words(31)[4000]);
    }
    report(st, std::int64_t(kBlocks) * kBlockBytes);
}
BENCHMARK(BM_AssembleFullBitPlaneMemory)->Unit(benchmark::kMillisecond);

void BM_DecodeFullCompressedMemory(benchmark::State& st)
{
    Bench b(kCompressed);
    b.transfer(0);
    const CompressedCapture capture{.entries = 262144, .trimBlock = true, .triggerFound = true, .p1 = 1000,
                                    .p2 = 516};
    for (auto _ : st) {
        // The decoding marks the trimmed tail invalid in place; the rest of the workspace stays.
        DecodeCompressedCapture(b.workspace, b.state.pages[0], capture);
        benchmark::DoNotOptimize(b.state.pages[0].recTriggerSample);
    }
    report(st, std::int64_t(kBlocks) * kBlockBytes);
}
BENCHMARK(BM_DecodeFullCompressedMemory)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

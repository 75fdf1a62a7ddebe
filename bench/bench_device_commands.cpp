// Host cost of the device command layer against the simulated instrument: commands per second
// for an 8-byte SendCommand and a 2048-byte ReceiveData on a newer instrument, and the heap
// allocations made per command (expected: none).

#include "CommandCodes.h"
#include "DeviceCommands.h"
#include "MessageLog.h"
#include "SimInstrument.h"

#include <benchmark/benchmark.h>

#include <array>
#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<long long> g_allocations{0};

} // namespace

void* operator new(std::size_t size)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

using namespace seiran;

// An analyzer-like module: takes commands and answers reads with a moving pattern.
class BenchModule final : public sim::SimModule {
public:
    void command(int, std::span<const std::uint32_t> params) override
    {
        if (!params.empty())
            m_seed = params[0];
    }
    void read(int, std::span<std::uint8_t> answer) override
    {
        for (std::size_t i = 0; i < answer.size(); ++i)
            answer[i] = std::uint8_t(m_seed + i);
        ++m_seed;
    }

private:
    std::uint32_t m_seed = 0;
};

struct Rig {
    explicit Rig(int deviceType, int firmwareLevel)
        : instrument(deviceType, nullptr)
    {
        instrument.setRecording(false);
        instrument.installModule(1, std::make_unique<BenchModule>());
        device.setUsbTransport(&instrument);
        device.openUsb();
        state.DeviceStatus.bytes[2] = std::uint8_t(firmwareLevel);
    }
    DeviceState state;
    MessageLog log;
    DeviceCommands device{state, log};
    sim::SimInstrument instrument;
};

void reportAllocations(benchmark::State& bench, long long before)
{
    bench.counters["allocs_per_cmd"] =
        benchmark::Counter(double(g_allocations.load() - before) / double(bench.iterations()));
    bench.SetItemsProcessed(bench.iterations());
}

void BM_SendCommand8(benchmark::State& bench)
{
    Rig rig(int(bench.range(0)), 2);
    const std::array<std::uint32_t, 2> params{0x80, 0};
    const long long before = g_allocations.load();
    for (auto _ : bench)
        rig.device.SendCommand(1, cmd::kSamplingInterval, 8, params);
    reportAllocations(bench, before);
    if (rig.log.lineCount() != 0)
        bench.SkipWithError("the device layer logged an error");
}
BENCHMARK(BM_SendCommand8)->Arg(11)->Arg(7)->ArgName("DeviceType");

void BM_ReceiveData2048(benchmark::State& bench)
{
    Rig rig(int(bench.range(0)), int(bench.range(1)));
    std::array<std::uint32_t, 512> dest{};
    const long long before = g_allocations.load();
    for (auto _ : bench) {
        rig.device.ReceiveData(1, cmd::kMemoryBlock, 2048, dest);
        benchmark::DoNotOptimize(dest.data());
    }
    reportAllocations(bench, before);
    bench.SetBytesProcessed(bench.iterations() * 2048);
    if (rig.log.lineCount() != 0)
        bench.SkipWithError("the device layer logged an error");
}
BENCHMARK(BM_ReceiveData2048)->Args({11, 2})->Args({11, 1})->Args({7, 0})->ArgNames({"DeviceType", "FirmwareLevel"});

} // namespace

BENCHMARK_MAIN();

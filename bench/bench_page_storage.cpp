// Memory and speed of the page sample storage: the bytes each sample form allocates, the resident
// memory of a start-up with one analyzer page (bit planes or compressed), the throughput of a
// full-page clear and of an edge scan over 64 channels × 262144 samples, word-wise and level by
// level.

#include "view/PageState.h"
#include "view/Pages.h"
#include "view/SampleStorage.h"

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <unistd.h>

#include <array>
#include <bit>
#include <cstdio>
#include <memory>

namespace {

using namespace seiran;

using Pages = std::array<PageState, kPageCount>;

// Resident bytes of this process (Linux).
double residentBytes()
{
    long pages = 0;
    long resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return double(resident) * double(sysconf(_SC_PAGESIZE));
}

ModuleInfo analyzerModule(bool compressed)
{
    ModuleInfo m;
    m.function = ModuleFunction::Analyzer;
    m.ModuleChannelCode = 4;
    m.ModuleCompressed = compressed;
    m.ModuleTrimBlock = compressed;
    m.ModuleKind = 5;
    return m;
}

// Start-up with only page 0 served: every page set to its defaults, as the program does.
std::size_t startUp(Pages& pages, bool compressed)
{
    const ModuleInfo module = analyzerModule(compressed);
    std::size_t bytes = 0;
    for (int p = 0; p < kPageCount; ++p) {
        PageSetup setup;
        setup.page = p;
        if (p == 0) {
            setup.module = &module;
            setup.PageModule = 8;
            setup.channelCount = 16;
            setup.dataCount = compressed ? 262144 : 32768;
        }
        setup.clockPeriod = 5;
        SetPageToDefaults(pages[std::size_t(p)], setup);
        bytes += pages[std::size_t(p)].storageBytes();
    }
    return bytes;
}

void BM_StartUpMemory(benchmark::State& state)
{
    const bool compressed = state.range(0) != 0;
    // Every large block its own mapping, so that freeing it gives the memory back and each round
    // measures from the same start.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    double allocated = 0;
    double resident = 0;
    for (auto _ : state) {
        const double before = residentBytes();
        auto pages = std::make_unique<Pages>();
        allocated = double(startUp(*pages, compressed));
        resident = residentBytes() - before;
        benchmark::DoNotOptimize(pages.get());
    }
    state.counters["allocated_bytes"] = allocated;
    state.counters["resident_bytes"] = resident;
    state.counters["page_state_bytes"] = double(sizeof(Pages));
}
BENCHMARK(BM_StartUpMemory)->ArgName("compressed")->Arg(0)->Arg(1)->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_StorageSizes(benchmark::State& state)
{
    BitPlanes planes;
    RecordList display(kDisplayRecords);
    RecordList stored(kStoredRecords);
    for (auto _ : state) {
        planes.allocate();
        display.allocate();
        stored.allocate();
    }
    const double planeBytes = double(planes.allocatedBytes());
    state.counters["bit_planes_bytes"] = planeBytes;
    state.counters["display_list_bytes"] = double(display.allocatedBytes());
    state.counters["stored_list_bytes"] = double(stored.allocatedBytes());
    state.counters["bit_plane_analyzer_page_bytes"] = 3 * planeBytes;
    state.counters["compressed_analyzer_page_bytes"] = double(display.allocatedBytes() + 2 * stored.allocatedBytes());
    state.counters["generator_page_bytes"] = planeBytes;
    state.counters["byte_per_sample_page_bytes"] = double(kMaxChannels) * kMaxSamples;
}
BENCHMARK(BM_StorageSizes)->Iterations(1);

void BM_ClearFullPage(benchmark::State& state)
{
    BitPlanes planes;
    planes.allocate();
    for (auto _ : state) {
        planes.clear();
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(planes.allocatedBytes()));
    state.SetItemsProcessed(std::int64_t(state.iterations()) * kMaxChannels * kMaxSamples);
}
BENCHMARK(BM_ClearFullPage);

// Channel c toggles every 2^(c mod 12 + 1) samples, with a few extra edges.
void fillPattern(BitPlanes& planes)
{
    for (int c = 0; c < kMaxChannels; ++c) {
        BitPlanes::ChannelWords words = planes.words(c);
        const int period = 1 << (c % 12 + 1);
        for (int i = 0; i < kMaxSamples; ++i) {
            if ((i / period) % 2 != 0 || i % 977 == c)
                words[std::size_t(i) / 64] |= std::uint64_t(1) << (unsigned(i) % 64);
        }
    }
}

// Edges of one channel: a bit that differs from the one before it (sample 0 has none).
std::int64_t channelEdges(BitPlanes::ConstChannelWords words)
{
    std::int64_t edges = 0;
    std::uint64_t carry = words[0] & 1U;
    for (std::uint64_t w : words) {
        edges += std::popcount(w ^ ((w << 1) | carry));
        carry = w >> 63;
    }
    return edges;
}

void BM_EdgeScanWords(benchmark::State& state)
{
    BitPlanes planes;
    fillPattern(planes);
    const BitPlanes& view = planes;
    std::int64_t edges = 0;
    for (auto _ : state) {
        edges = 0;
        for (int c = 0; c < kMaxChannels; ++c)
            edges += channelEdges(view.words(c));
        benchmark::DoNotOptimize(edges);
    }
    state.counters["edges"] = double(edges);
    state.SetItemsProcessed(std::int64_t(state.iterations()) * kMaxChannels * kMaxSamples);
}
BENCHMARK(BM_EdgeScanWords);

void BM_EdgeScanLevels(benchmark::State& state)
{
    BitPlanes planes;
    fillPattern(planes);
    std::int64_t edges = 0;
    for (auto _ : state) {
        edges = 0;
        for (int c = 0; c < kMaxChannels; ++c) {
            bool previous = planes.level(c, 0);
            for (int i = 1; i < kMaxSamples; ++i) {
                const bool now = planes.level(c, i);
                edges += now != previous;
                previous = now;
            }
        }
        benchmark::DoNotOptimize(edges);
    }
    state.counters["edges"] = double(edges);
    state.SetItemsProcessed(std::int64_t(state.iterations()) * kMaxChannels * kMaxSamples);
}
BENCHMARK(BM_EdgeScanLevels)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

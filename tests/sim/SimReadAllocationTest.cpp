// Reading a module's memory allocates nothing: the image is laid out in storage reserved when
// the module was made, and each 2048-byte block is produced from it in place. Counted with a
// replacement of the global operator new (for this test program only).

#include "CaptureHost.h"
#include "CommandCodes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<bool> g_counting{false};
std::atomic<long> g_allocations{0};

} // namespace

void* operator new(std::size_t size)
{
    if (g_counting.load(std::memory_order_relaxed))
        g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

using namespace seiran;
using namespace seiran::sim;
using namespace seiran::sim::wire;

namespace {

// Allocations made by `reads` while they run.
template <class F>
long allocationsDuring(F reads)
{
    g_allocations = 0;
    g_counting = true;
    reads();
    g_counting = false;
    return g_allocations.load();
}

} // namespace

TEST(SimReadAllocation, LayoutAndBlockReadsAllocateNothing)
{
    for (const auto& [type, file] : {std::pair{11, "TK-C4_200m16ch256k"}, std::pair{11, "TK-C4_compress100m16ch256k"},
                                     std::pair{8, "TK-B4_ExtClk16ch256k"}}) {
        SCOPED_TRACE(file);
        Rig rig(type, file);
        SimAnalyzerModule& m = rig.analyzer(8);
        CaptureRequest r;
        r.rising = 1;
        r.armAfterMs = 1;
        capture(rig, 8, r);
        std::array<std::uint8_t, 2048> first{};
        std::array<std::uint8_t, 2048> block{};
        std::array<std::uint8_t, 8> small{};
        // The first read lays the capture out; then a whole memory's worth of blocks.
        const long count = allocationsDuring([&] {
            m.read(cmd::kModuleStatus, small);
            m.read(cmd::kPointerWord, small);
            m.read(cmd::kCapturedEntries, small);
            m.read(cmd::kMemoryBlock, first);
            for (int b = 1; b < 512; ++b)
                m.read(cmd::kMemoryBlock, block);
        });
        EXPECT_EQ(count, 0);
        // The blocks held data.
        EXPECT_TRUE(std::any_of(first.begin(), first.end(), [](std::uint8_t b) { return b != 0; }));
    }
}

// A transfer works in preallocated storage only: while one runs, operator new is not called.
//
// This file replaces the global operator new and delete of the test program with versions that
// count while a check is armed; outside a check they are plain malloc and free.

#include "NullFrontEnd.h"
#include "TransferTestFixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<bool> g_counting{false};
std::atomic<long> g_allocations{0};

void* allocate(std::size_t size)
{
    if (g_counting.load(std::memory_order_relaxed))
        g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}

} // namespace

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

using namespace seiran;
using namespace seiran::transfertest;

namespace {

long allocationsDuringTransfer(TransferFixture& f, std::uint32_t status)
{
    f.instrument->setRecording(false);
    f.transfer(status); // the first one may set up what the state keeps for transfers
    f.memory->rewind();
    g_allocations = 0;
    g_counting = true;
    f.transfer(status);
    g_counting = false;
    return g_allocations.load();
}

TEST(TransferAllocation, FullBitPlaneMemory)
{
    NullFrontEnd quiet;
    TransferFixture f(10, 2, &quiet);
    MemoryModule& m = f.install({.slot = 8, .channelCount = 32, .dataCount = 262015, .trimBlock = true},
                                QStringLiteral("100MHz 32ch 256Kbit"));
    const std::vector<std::uint64_t> samples = randomWords(131072, 64, 1);
    m.blockWords = samplePairs(samples, 0, samples.size());
    EXPECT_EQ(allocationsDuringTransfer(f, 0x40), 0);
    EXPECT_EQ(m.reads[0x33], 512);
    EXPECT_TRUE(f.page().hasData);
}

TEST(TransferAllocation, FullCompressedMemory)
{
    NullFrontEnd quiet;
    TransferFixture f(11, 2, &quiet);
    MemoryModule& m = f.install({.slot = 8, .channelCount = 16, .dataCount = 262144, .compressed = true,
                                 .trimBlock = true},
                                QStringLiteral("圧縮 100MHz 16ch 256Kbit"));
    m.endStatus = 0x80;
    m.blockWords = packedRecords(randomEntries(512 * 512, 16, 2));
    m.pointer = {1000, 0x80000000u | 500};
    EXPECT_EQ(allocationsDuringTransfer(f, 0), 0);
    EXPECT_EQ(m.reads[0x33], 512);
    EXPECT_EQ(f.page().recCount, 262144 - 128);
}

// The counter does see allocations, so a zero above means something.
TEST(TransferAllocation, CounterSeesAnAllocation)
{
    g_allocations = 0;
    g_counting = true;
    auto* p = new std::vector<int>(1000);
    g_counting = false;
    delete p;
    EXPECT_GE(g_allocations.load(), 2);
}

} // namespace

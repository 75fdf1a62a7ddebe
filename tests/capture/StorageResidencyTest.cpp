// Storage allocated once at start costs resident memory only where a mode writes it: the blocks
// come zeroed from the operating system and clearing them skips what was never written.

#include "capture/TransferWorkspace.h"
#include "view/PageState.h"
#include "view/SampleStorage.h"

#include <gtest/gtest.h>

#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <memory>

using namespace seiran;

namespace {

long residentBytes()
{
    long pages = 0;
    long resident = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return resident * sysconf(_SC_PAGESIZE);
}

constexpr long kMiB = 1024 * 1024;

// The allocator as at program start, when the storage is made: after large blocks were freed,
// glibc raises the size from which it maps blocks fresh, and earlier tests of this program free
// plenty. Fixing the threshold keeps these checks independent of the tests run before.
void allocatorAsAtStart()
{
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
}

TEST(StorageResidency, TransferWorkspaceCostsNothingUntilUsed)
{
    allocatorAsAtStart();
    const long before = residentBytes();
    auto workspace = std::make_unique<TransferWorkspace>();
    const long grown = residentBytes() - before;
    EXPECT_LT(grown, 1 * kMiB) << "of " << TransferWorkspace::allocatedBytes() << " bytes allocated";
    // All zero as promised: every raw entry invalid, every plane L.
    EXPECT_EQ(workspace->rawCount()[TransferWorkspace::kRawEntries - 1], 0u);
    EXPECT_EQ(workspace->workPlanesB()[TransferWorkspace::kPlaneIndexesB - 1], 0u);
}

TEST(StorageResidency, PlanesAndListsFollowWhatIsWritten)
{
    allocatorAsAtStart();
    const long before = residentBytes();
    BitPlanes planes;
    planes.allocate();
    planes.clear();
    RecordList list(kDisplayRecords);
    list.allocate();
    list.clear();
    EXPECT_LT(residentBytes() - before, 1 * kMiB) << "allocated " << planes.allocatedBytes() + list.allocatedBytes();

    // Written channels and entries are cleared again; the rest stays untouched and L.
    planes.set(3, 1000, true);
    planes.words(5)[7] = 0xF0;
    list.set(10, 0xAB, 4, 40);
    EXPECT_TRUE(planes.level(3, 1000));
    planes.clear();
    list.clear();
    EXPECT_FALSE(planes.level(3, 1000));
    EXPECT_EQ(planes.words(5)[7], 0u);
    EXPECT_EQ(list.value(10), 0u);
    EXPECT_EQ(list.runLength(10), 0);
    EXPECT_EQ(list.start(10), 0);

    // A copy carries H into channels the target never wrote, and clears them again.
    BitPlanes target;
    planes.set(2, 70, true);
    target.copyFrom(planes, 4, 100);
    EXPECT_TRUE(target.level(2, 70));
    planes.clear();
    target.copyFrom(planes, 4, 100);
    EXPECT_FALSE(target.level(2, 70));
    EXPECT_LT(residentBytes() - before, 2 * kMiB);
}

} // namespace

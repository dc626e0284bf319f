// Page blocks: fresh blocks read as zero, are writable end to end, and release cleanly.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "platform/pages.h"

#if !defined(_WIN32)
#include <sys/mman.h>
#include <unistd.h>

#include <vector>
#endif

namespace {

TEST(PageAllocation, FreshBlocksReadAsZeroInEveryByte)
{
    // Several sizes around page boundaries; the second round reuses released address space.
    for (int round = 0; round < 2; ++round) {
        for (size_t size : {size_t(1), size_t(40), size_t(4095), size_t(4096), size_t(4097), size_t(1) << 20}) {
            auto* block = static_cast<unsigned char*>(PageAllocate(size));
            ASSERT_NE(block, nullptr) << size;
            for (size_t i = 0; i < size; ++i)
                ASSERT_EQ(block[i], 0) << "byte " << i << " of " << size;
            std::memset(block, 0xAB, size);
            PageRelease(block);
        }
    }
}

TEST(PageAllocation, BlocksAreAlignedForAnyRecord)
{
    void* block = PageAllocate(72);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % 16, 0u);
    PageRelease(block);
}

TEST(PageAllocation, ZeroSizeAndImpossibleSizesGiveNull)
{
    EXPECT_EQ(PageAllocate(0), nullptr);
    EXPECT_EQ(PageAllocate(SIZE_MAX), nullptr);
    EXPECT_EQ(PageAllocate(SIZE_MAX - 8), nullptr);
    PageRelease(nullptr);  // ignored
}

TEST(PageAllocation, TheSeamFailsExactlyTheCallAskedForAndTheCountsFollow)
{
    const int64_t live = PageLiveBlocks();
    const int64_t calls = PageAllocationCalls();
    PageFailAllocation(2);
    void* first = PageAllocate(100);
    void* second = PageAllocate(100);
    void* third = PageAllocate(100);
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(second, nullptr);
    EXPECT_NE(third, nullptr);
    EXPECT_EQ(PageAllocationCalls(), calls + 3);
    EXPECT_EQ(PageLiveBlocks(), live + 2);
    PageRelease(first);
    PageRelease(third);
    EXPECT_EQ(PageLiveBlocks(), live);

    PageFailAllocation(1);
    PageFailAllocation(0);  // taken back
    void* block = PageAllocate(8);
    EXPECT_NE(block, nullptr);
    PageRelease(block);
    EXPECT_EQ(PageLiveBlocks(), live);
}

#if !defined(_WIN32)
// Another module's buffer handed to the engine, which releases it when done. Only blocks made
// here may be unmapped: in front of this one lies a value that reads like a block length, and
// unmapping by it would take the other module's pages away.
TEST(PageAllocation, ABlockFromElsewhereIsLeftToItsOwner)
{
    const size_t page = size_t(sysconf(_SC_PAGESIZE));
    void* mapped = mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(mapped, MAP_FAILED);
    auto* region = static_cast<unsigned char*>(mapped);
    *reinterpret_cast<size_t*>(region) = 2 * page;
    const int64_t live = PageLiveBlocks();
    PageRelease(region + 64);
    PageRelease(region);
    EXPECT_EQ(msync(region, 2 * page, MS_ASYNC), 0) << "the other module's pages were unmapped";
    EXPECT_EQ(PageLiveBlocks(), live);

    std::vector<float> heapBuffer(1000, 1.5f);
    PageRelease(heapBuffer.data());
    EXPECT_EQ(heapBuffer[999], 1.5f);
    EXPECT_EQ(munmap(region, 2 * page), 0);

    // The allocator's own blocks still come and go.
    void* own = PageAllocate(100);
    ASSERT_NE(own, nullptr);
    PageRelease(own);
    EXPECT_EQ(PageLiveBlocks(), live);
}

// The records are given back only when no block is live, as the module unloads; blocks made
// before or after keep being released by their length, and others still are left alone.
TEST(PageAllocation, BookkeepingGoesOnlyWhenNoBlockIsLive)
{
    const int64_t live = PageLiveBlocks();
    auto* kept = static_cast<unsigned char*>(PageAllocate(3 * 4096));
    ASSERT_NE(kept, nullptr);
    PageForgetBookkeeping();   // a block is live: nothing is forgotten
    kept[3 * 4096 - 1] = 7;
    PageRelease(kept);
    EXPECT_EQ(PageLiveBlocks(), live);
    if (live == 0) {
        PageForgetBookkeeping();
        std::vector<float> heapBuffer(100, 2.5f);
        PageRelease(heapBuffer.data());
        EXPECT_EQ(heapBuffer[99], 2.5f);
    }
    void* again = PageAllocate(100);
    ASSERT_NE(again, nullptr);
    PageRelease(again);
    EXPECT_EQ(PageLiveBlocks(), live);
}
#endif

} // namespace

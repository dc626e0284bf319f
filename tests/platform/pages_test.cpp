// Page blocks: fresh blocks read as zero, are writable end to end, and release cleanly.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "platform/pages.h"

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

} // namespace

// Page allocation on Windows (VirtualAlloc/VirtualFree) and POSIX (anonymous mmap/munmap), with
// the counters and the failure seam the tests use.
#include "platform/pages.h"

#include <atomic>

namespace {

std::atomic<int64_t> Calls{0};
std::atomic<int64_t> LiveBlocks{0};
// The value of Calls at which PageAllocate fails; 0 for none.
std::atomic<int64_t> FailingCall{0};

// Counts the call; false when this is the call a test asked to fail.
bool CallMaySucceed()
{
    const int64_t call = Calls.fetch_add(1) + 1;
    int64_t failing = call;
    return !FailingCall.compare_exchange_strong(failing, 0);
}

} // namespace

int64_t PageAllocationCalls() { return Calls.load(); }
int64_t PageLiveBlocks() { return LiveBlocks.load(); }
void PageFailAllocation(int64_t nth) { FailingCall.store(nth > 0 ? Calls.load() + nth : 0); }

#if defined(_WIN32)
#include <windows.h>

void* PageAllocate(size_t size)
{
    if (!CallMaySucceed() || size == 0)
        return nullptr;
    void* block = VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (block)
        ++LiveBlocks;
    return block;
}

// VirtualFree finds the extent of any VirtualAlloc block by itself, so a block another module
// allocated is released here as well (and counted as one of ours).
void PageRelease(void* block)
{
    if (block && VirtualFree(block, 0, MEM_RELEASE))
        --LiveBlocks;
}

#else
#include <sys/mman.h>

#include <mutex>
#include <new>
#include <unordered_map>

namespace {

// munmap needs the length that VirtualFree finds by itself. It is kept in a table of the blocks
// handed out, beside them rather than in a header before them, so that a block this allocator
// did not make is recognised: a header read in front of another module's buffer would be
// whatever lies there, and unmapping by it could take that module's memory away.
struct BlockTable {
    std::mutex lock;
    std::unordered_map<void*, size_t> lengths;
};

BlockTable& Blocks()
{
    // Never destroyed: blocks may still be released while the module unloads.
    static BlockTable* table = new BlockTable();
    return *table;
}

} // namespace

void* PageAllocate(size_t size)
{
    if (!CallMaySucceed() || size == 0)
        return nullptr;
    void* block = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED)
        return nullptr;
    BlockTable& table = Blocks();
    try {
        std::lock_guard<std::mutex> hold(table.lock);
        table.lengths.emplace(block, size);
    } catch (const std::bad_alloc&) {
        munmap(block, size);   // untracked, it could never be released
        return nullptr;
    }
    ++LiveBlocks;
    return block;
}

void PageRelease(void* block)
{
    if (!block)
        return;
    BlockTable& table = Blocks();
    size_t length = 0;
    {
        std::lock_guard<std::mutex> hold(table.lock);
        auto found = table.lengths.find(block);
        if (found == table.lengths.end())
            return;   // not ours: it stays its owner's
        length = found->second;
        table.lengths.erase(found);
    }
    munmap(block, length);
    --LiveBlocks;
}
#endif

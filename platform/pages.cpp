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

void PageForgetBookkeeping() {}

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
// Made at the first allocation and given back when the module unloads with no block of its own
// left; a table left behind would be memory no one can reach once the module is gone.
std::mutex TableLock;
std::unordered_map<void*, size_t>* Lengths = nullptr;

} // namespace

void PageForgetBookkeeping()
{
    std::lock_guard<std::mutex> hold(TableLock);
    if (Lengths && Lengths->empty()) {
        delete Lengths;
        Lengths = nullptr;
    }
}

void* PageAllocate(size_t size)
{
    if (!CallMaySucceed() || size == 0)
        return nullptr;
    void* block = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED)
        return nullptr;
    try {
        std::lock_guard<std::mutex> hold(TableLock);
        if (!Lengths)
            Lengths = new std::unordered_map<void*, size_t>();
        Lengths->emplace(block, size);
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
    size_t length = 0;
    {
        std::lock_guard<std::mutex> hold(TableLock);
        if (!Lengths)
            return;   // nothing of ours is live
        auto found = Lengths->find(block);
        if (found == Lengths->end())
            return;   // not ours: it stays its owner's
        length = found->second;
        Lengths->erase(found);
    }
    munmap(block, length);
    --LiveBlocks;
}
#endif

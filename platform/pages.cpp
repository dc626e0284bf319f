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

void PageRelease(void* block)
{
    if (block && VirtualFree(block, 0, MEM_RELEASE))
        --LiveBlocks;
}

#else
#include <sys/mman.h>
#include <cstdint>

namespace {
// munmap needs the length, which VirtualFree finds by itself. The block carries it in a header
// of 64 bytes, so the caller's pointer keeps a 64-byte alignment for vector loads.
constexpr size_t HeaderBytes = 64;
}

void* PageAllocate(size_t size)
{
    if (!CallMaySucceed() || size == 0 || size > SIZE_MAX - HeaderBytes)
        return nullptr;
    size_t total = size + HeaderBytes;
    void* base = mmap(nullptr, total, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (base == MAP_FAILED)
        return nullptr;
    *static_cast<size_t*>(base) = total;
    ++LiveBlocks;
    return static_cast<unsigned char*>(base) + HeaderBytes;
}

void PageRelease(void* block)
{
    if (!block)
        return;
    unsigned char* base = static_cast<unsigned char*>(block) - HeaderBytes;
    if (munmap(base, *reinterpret_cast<size_t*>(base)) == 0)
        --LiveBlocks;
}
#endif

// Page allocation on Windows (VirtualAlloc/VirtualFree) and POSIX (anonymous mmap/munmap).
#include "platform/pages.h"

#if defined(_WIN32)
#include <windows.h>

void* PageAllocate(size_t size)
{
    if (size == 0)
        return nullptr;
    return VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void PageRelease(void* block)
{
    if (block)
        VirtualFree(block, 0, MEM_RELEASE);
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
    if (size == 0 || size > SIZE_MAX - HeaderBytes)
        return nullptr;
    size_t total = size + HeaderBytes;
    void* base = mmap(nullptr, total, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (base == MAP_FAILED)
        return nullptr;
    *static_cast<size_t*>(base) = total;
    return static_cast<unsigned char*>(base) + HeaderBytes;
}

void PageRelease(void* block)
{
    if (!block)
        return;
    unsigned char* base = static_cast<unsigned char*>(block) - HeaderBytes;
    munmap(base, *reinterpret_cast<size_t*>(base));
}
#endif

// Page allocation: the operating system's reserve-and-commit allocator. Every buffer that one part
// of the module allocates and another may release comes from here, never from the general heap,
// and a fresh block reads as zero in every byte (several callers rely on that instead of clearing).
#pragma once

#include <cstddef>

// Returns a zero-filled, read-write block of at least `size` bytes, or null (also for size 0).
void* PageAllocate(size_t size);

// Returns a whole block from PageAllocate at once; null is ignored.
void PageRelease(void* block);

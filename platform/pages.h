// Page allocation: the operating system's reserve-and-commit allocator. Every buffer that one part
// of the module allocates and another may release comes from here, never from the general heap,
// and a fresh block reads as zero in every byte (several callers rely on that instead of clearing).
#pragma once

#include <cstddef>
#include <cstdint>

// Returns a zero-filled, read-write block of at least `size` bytes, or null (also for size 0).
void* PageAllocate(size_t size);

// Returns a whole block from PageAllocate at once; null is ignored. On Windows any block from
// VirtualAlloc is released, whoever allocated it, as other modules may rely on. On Linux a block
// this allocator did not hand out (another module's depth buffer registered with __SetZBuff,
// texture pixels given to __ConvertText) is left alone: it stays its owner's to free, since
// nothing here knows how it was allocated.
void PageRelease(void* block);

// Gives back the allocator's own records of its blocks when none is live (the module calls it as
// it unloads); a later allocation makes them anew.
void PageForgetBookkeeping();

// What tests need to see into an allocator that LeakSanitizer cannot watch, and to make it run
// short on purpose. Nothing in the module calls these.
//
// Calls of PageAllocate so far, whatever they returned.
int64_t PageAllocationCalls();
// Blocks PageAllocate handed out that have not been released yet.
int64_t PageLiveBlocks();
// The nth call of PageAllocate from now on (1: the next) returns null, as if the system had no
// memory left; only that one. 0 takes a pending failure back.
void PageFailAllocation(int64_t nth);

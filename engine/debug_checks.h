// VELMORA_DCHECK: what a loop relies on (bounds that keep its writes inside a buffer, counts that
// sized it), checked in debug builds, such as the sanitizer build, where a broken one stops the
// program naming the condition and its place. Release builds compile the condition out without
// evaluating it, so checks cost the pixel loops nothing and may sit inside them.
#pragma once

#ifdef NDEBUG

// sizeof keeps the condition's names used without evaluating anything.
#define VELMORA_DCHECK(condition) static_cast<void>(sizeof(!(condition)))

#else

#include <cstdio>
#include <cstdlib>

[[noreturn]] inline void DebugCheckFailed(const char* condition, const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: debug check failed: %s\n", file, line, condition);
    std::abort();
}

#define VELMORA_DCHECK(condition) \
    ((condition) ? static_cast<void>(0) : DebugCheckFailed(#condition, __FILE__, __LINE__))

#endif

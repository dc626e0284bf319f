// Per-thread linear congruential generator of the tree generator.
#include "tree/random.h"

namespace {
// The only per-thread state of the module: two renders on different threads must not disturb
// each other's sequence.
thread_local uint32_t RandomState = 0;
}

void SetRandomState(uint32_t state)
{
    RandomState = state;
}

uint32_t GetRandomState()
{
    return RandomState;
}

int32_t NextRandom()
{
    // Unsigned arithmetic wraps modulo 2^32 by definition, which is the generator's modulus.
    RandomState = RandomState * 214013u + 2531011u;
    return static_cast<int32_t>((RandomState >> 16) & 0x7FFFu);
}

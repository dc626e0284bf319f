// The tree generator's pseudo-random numbers: a 32-bit linear congruential generator whose state
// is kept per thread. The render resets it before every build, so a frame always grows the same
// tree whatever was built before on that thread.
#pragma once

#include <cstdint>

// Sets this thread's generator state.
void SetRandomState(uint32_t state);

// This thread's current generator state (for checks of how many values were drawn).
uint32_t GetRandomState();

// Advances the state and returns bits 16 to 30 of the new state: 0..32767.
int32_t NextRandom();

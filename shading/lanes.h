// Three floats side by side in the lanes of one SSE2 register: the x, y, z of a vector, the three
// colour components, or the three barycentric weights (glass filters four taps in four lanes).
// Each operation here is one IEEE single-precision operation per lane, the same one that scalar
// code would do on each float in turn, so every lane holds exactly the float the scalar code would
// hold; only the number of instructions changes. SSE2 is part of every x86-64 processor, and both
// builds' compilers provide it. Where three lanes are used, the fourth is carried along and never
// read.
#pragma once

#include <emmintrin.h>

typedef __m128 Lanes;

inline Lanes LanesOf(float a, float b, float c) { return _mm_set_ps(0.0f, c, b, a); }
inline Lanes LanesOf(float a, float b, float c, float d) { return _mm_set_ps(d, c, b, a); }
inline Lanes LanesOf(const float v[3]) { return _mm_set_ps(0.0f, v[2], v[1], v[0]); }
inline Lanes Splat(float v) { return _mm_set1_ps(v); }

inline Lanes Add(Lanes a, Lanes b) { return _mm_add_ps(a, b); }
inline Lanes Sub(Lanes a, Lanes b) { return _mm_sub_ps(a, b); }
inline Lanes Mul(Lanes a, Lanes b) { return _mm_mul_ps(a, b); }
inline Lanes Div(Lanes a, Lanes b) { return _mm_div_ps(a, b); }

// `value < 0 ? 0 : value` per lane, NaN and -0 kept as they are: MAXPS returns its second
// operand when the first is not greater (NaN, or a zero against a zero).
inline Lanes NegativeToZero(Lanes v) { return _mm_max_ps(_mm_setzero_ps(), v); }

// `v > 0 ? v : 0` per lane, NaN and -0 to +0: MAXPS returns its second operand unless the first
// is greater.
inline Lanes PositiveOrZero(Lanes v) { return _mm_max_ps(v, _mm_setzero_ps()); }

// `v > top ? top : (v > 0 ? v : 0)` per lane, NaN to 0: the clamp of a colour to 0..top.
inline Lanes ClampLanes(Lanes v, Lanes top) { return _mm_min_ps(_mm_max_ps(v, _mm_setzero_ps()), top); }

// -v per lane, and -v in lane 2 alone: the sign bit flipped, as scalar negation does.
inline Lanes Negated(Lanes v) { return _mm_xor_ps(v, _mm_set1_ps(-0.0f)); }
inline Lanes NegatedLane2(Lanes v) { return _mm_xor_ps(v, _mm_set_ps(0.0f, -0.0f, 0.0f, 0.0f)); }

// Per lane, a where the mask is set and b elsewhere.
inline Lanes Select(Lanes mask, Lanes a, Lanes b)
{
    return _mm_or_ps(_mm_and_ps(mask, a), _mm_andnot_ps(mask, b));
}

// |v| per lane: the sign bit cleared.
inline Lanes AbsLanes(Lanes v) { return _mm_andnot_ps(_mm_set1_ps(-0.0f), v); }

inline float Lane0(Lanes v) { return _mm_cvtss_f32(v); }
inline float Lane1(Lanes v) { return _mm_cvtss_f32(_mm_shuffle_ps(v, v, _MM_SHUFFLE(1, 1, 1, 1))); }
inline float Lane2(Lanes v) { return _mm_cvtss_f32(_mm_shuffle_ps(v, v, _MM_SHUFFLE(2, 2, 2, 2))); }
inline float Lane3(Lanes v) { return _mm_cvtss_f32(_mm_shuffle_ps(v, v, _MM_SHUFFLE(3, 3, 3, 3))); }

// Every lane set to lane k of v.
template <int K>
inline Lanes Broadcast(Lanes v)
{
    return _mm_shuffle_ps(v, v, _MM_SHUFFLE(K, K, K, K));
}

inline void Store3(Lanes v, float out[3])
{
    alignas(16) float all[4];
    _mm_store_ps(all, v);
    out[0] = all[0];
    out[1] = all[1];
    out[2] = all[2];
}

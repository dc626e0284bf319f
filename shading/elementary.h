// The elementary functions whose results reach a pixel or a file: sine, cosine, arc cosine,
// hypotenuse and power, written from their mathematics with IEEE basic operations and sqrt only.
//
// The C libraries of the two builds (the Linux one and the Windows runtime) round these
// functions differently in the last bit, and a last bit in a vertex can move a Bezier sample
// across a pixel or a depth tie. Basic operations and sqrt are correctly rounded on both, so
// these give the same bits on every build. Each is within one unit in the last place of the
// exact result (the float ones are computed in double and rounded once, so they are nearly
// always the correctly rounded float), and the special values (zeros, infinities, NaN) are
// those of the C library's functions of the same name.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

namespace maths {

float Sin(float x);
float Cos(float x);
void SinCos(float x, float& sine, float& cosine); // both of one angle, reduced once
double Sin(double x);
double Cos(double x);

// 0..pi; NaN outside -1..1.
double Acos(double x);

// sqrt(x^2 + y^2) without overflow or underflow in between.
double Hypot(double x, double y);

// x^y for every pair of floats, with the C library's answers for zeros, infinities, NaN and
// negative bases. Inline below: the shader raises a power for every lit pixel.
inline float Pow(float x, float y);

// ---------------------------------------------------------------------------------------------
// Pow's common case: 2^(y log2 x) for a positive normal x and a finite y. The result is a float,
// so the double steps keep about 2^-35 of relative precision (the float is then within
// 0.5 + 2^-10 of an ulp of the exact power), no more, since that is what it costs per pixel.
// The tables and the polynomials' coefficients are printed by scripts/elementary_constants.py.

namespace detail {

// The bits of a value read as another type of the same size.
template <class To, class From>
inline To BitCast(const From& from)
{
    static_assert(sizeof(To) == sizeof(From), "a bit cast keeps the size");
    To to;
    std::memcpy(&to, &from, sizeof to);
    return to;
}

struct LogEntry {
    double inverse; // 1/c, 24 bits
    double log2;    // log2 c = -log2(inverse)
};
extern const LogEntry Log2Table[128];
extern const double Exp2Table[32];

// Taylor coefficients of log2(1 + r) = (r - r^2/2 + r^3/3 - ...)/ln2, and of
// 2^(r/32) = e^(r ln2/32) = sum of (r ln2/32)^n / n!.
constexpr double Log2Poly[5] = {
    0x1.71547652b82fep+0, -0x1.71547652b82fep-1, 0x1.ec709dc3a03fdp-2,
    -0x1.71547652b82fep-2, 0x1.2776c50ef9bfep-2,
};
constexpr double Exp2Poly[4] = {
    0x1.62e42fefa39efp-6, 0x1.ebfbdff82c58fp-13,
    0x1.c6b08d704a0c0p-20, 0x1.3b2ab6fba4e77p-27,
};

constexpr uint32_t LogOffset = 0x3f328000; // 1.0 sits in the middle of interval 77

float PowSpecial(float x, float y);
float Exp2Far(double z);

// log2 x for the bits of a positive normal float, plus `scale`. x = 2^e m with 0.699 <= m <
// 1.398, and m is in one of 128 intervals: log2 x = e + log2 c + log2(1 + r), where r = m/c - 1
// is exact (24 bits times 24 bits) and |r| <= 2^-8. The interval around 1 has c = 1, so near 1
// the result keeps its relative precision: Taylor to r^5 leaves out under 2^-42.6 of it, which
// y can magnify at most 151 times before the power leaves the float range.
inline double Log2OfFloatBits(uint32_t ix, int scale)
{
    const uint32_t t = ix - LogOffset + 0x40000000u; // kept positive for every normal float
    const int e = static_cast<int>(t >> 23) - 128 + scale;
    const LogEntry& entry = Log2Table[(t >> 16) & 127];
    const uint32_t im = ix - ((t & 0xff800000u) - 0x40000000u);
    const float m = BitCast<float>(im);
    const double r = static_cast<double>(m) * entry.inverse - 1.0;
    const double p =
        r * (Log2Poly[0] +
             r * (Log2Poly[1] + r * (Log2Poly[2] + r * (Log2Poly[3] + r * Log2Poly[4]))));
    return (static_cast<double>(e) + entry.log2) + p;
}

// 2^z for |z| < 130. 32 z = k + r with |r| <= 1/2: 2^z = 2^(k/32) 2^(r/32), where 2^(k/32) is
// a table entry with k/32's integer part added to its exponent, and Taylor to the fourth power
// leaves out under 2^-39 of 2^(r/32).
inline double Exp2Near(double z)
{
    // 1.5 * 2^52 + 32 z rounds 32 z to an integer k and leaves k in the low bits; the exponent
    // bits above them vanish when shifted into place.
    const double shifted = z * 32.0 + 0x1.8p52;
    const uint64_t k = BitCast<uint64_t>(shifted);
    const double r = z * 32.0 - (shifted - 0x1.8p52);
    const uint64_t entry = BitCast<uint64_t>(Exp2Table[k & 31]) + ((k >> 5) << 52);
    const double scale = BitCast<double>(entry);
    const double e = r * (Exp2Poly[0] + r * (Exp2Poly[1] + r * (Exp2Poly[2] + r * Exp2Poly[3])));
    return scale + scale * e;
}

inline float Exp2ToFloat(double z)
{
    if (!(std::fabs(z) < 126.0))
        return Exp2Far(z);
    return static_cast<float>(Exp2Near(z));
}

} // namespace detail

inline float Pow(float x, float y)
{
    const uint32_t ix = detail::BitCast<uint32_t>(x), iy = detail::BitCast<uint32_t>(y);
    // Anything but a positive normal x and a finite, non-zero y goes the long way, except +0 to
    // a positive power: the shader's pixels turned away from a light ask for that one often.
    if (ix - 0x00800000u >= 0x7f000000u || (iy << 1) - 1u >= 0xfeffffffu) {
        if (ix == 0 && iy - 1u < 0x7f800000u)
            return 0.0f;
        return detail::PowSpecial(x, y);
    }
    return detail::Exp2ToFloat(static_cast<double>(y) * detail::Log2OfFloatBits(ix, 0));
}

} // namespace maths

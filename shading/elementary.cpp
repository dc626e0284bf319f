// Sine, cosine, arc cosine, hypotenuse and power from their mathematics: range reduction to a
// small interval, then polynomials there, evaluated in double precision. Where the result is a
// double they are the Taylor series' own rationals, rounded once by the compiler; where it is a
// float, shorter ones printed by scripts/elementary_constants.py, which also derives the tables
// and the splits of pi/2.
//
// Nothing here may be contracted into fused multiply-adds or reordered: the error-free sums and
// products below rely on each operation being rounded on its own (the build says
// -ffp-contract=off).
#include "shading/elementary.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace maths {
namespace {

// ---------------------------------------------------------------------------------------------
// Bits and exact arithmetic

inline uint64_t BitsOf(double x) { return detail::BitCast<uint64_t>(x); }
inline double DoubleOf(uint64_t b) { return detail::BitCast<double>(b); }
inline uint32_t BitsOf(float x) { return detail::BitCast<uint32_t>(x); }
inline float FloatOf(uint32_t b) { return detail::BitCast<float>(b); }

// 2^k for a k in the normal range of double.
inline double PowerOfTwo(int k) { return DoubleOf(static_cast<uint64_t>(1023 + k) << 52); }

// s + e == a + b exactly, s the rounded sum.
inline void TwoSum(double a, double b, double& s, double& e)
{
    s = a + b;
    const double bb = s - a;
    e = (a - (s - bb)) + (b - bb);
}

// The same when |a| >= |b| (or a is zero).
inline void FastTwoSum(double a, double b, double& s, double& e)
{
    s = a + b;
    e = b - (s - a);
}

// a == hi + lo with hi holding the upper 26 bits of the significand, so that products of two
// halves are exact (Veltkamp's split; a must be below 2^996 for the multiplier not to overflow).
inline void Split(double a, double& hi, double& lo)
{
    const double c = 134217729.0 * a; // 2^27 + 1
    hi = c - (c - a);
    lo = a - hi;
}

// p + e == a * b exactly, p the rounded product (Dekker's product, without fused operations).
inline void TwoProduct(double a, double b, double& p, double& e)
{
    p = a * b;
    double ah, al, bh, bl;
    Split(a, ah, al);
    Split(b, bh, bl);
    e = ((ah * bh - p) + ah * bl + al * bh) + al * bl;
}

// Round to the nearest integer (ties to even) for |x| < 2^51, by the addition of 1.5 * 2^52.
inline double RoundToInteger(double x)
{
    const double shifter = 0x1.8p52;
    return (x + shifter) - shifter;
}

// ---------------------------------------------------------------------------------------------
// Taylor coefficients, as the compiler rounds them: n! is exact in double up to 22!.

constexpr double Factorial(int n) { return n <= 1 ? 1.0 : n * Factorial(n - 1); }
constexpr double InverseFactorial(int n) { return 1.0 / Factorial(n); }

// ---------------------------------------------------------------------------------------------
// Reduction of an angle to a quarter turn: x = quadrant * pi/2 + (hi + lo), |hi + lo| <= pi/4
// (a hair more where x * 2/pi rounds across a half).

// pi/2 in three parts, the first two of 33 bits so that k times them is exact for k < 2^20;
// pi/2 as a double and the rest; 2/pi.
constexpr double HalfPi1 = 0x1.921fb54400000p+0;
constexpr double HalfPi2 = 0x1.0b4611a600000p-34;
constexpr double HalfPi3 = 0x1.3198a2e037073p-69;
constexpr double HalfPiHi = 0x1.921fb54442d18p+0;
constexpr double HalfPiLo = 0x1.1a62633145c07p-54;
constexpr double QuarterPi = HalfPiHi / 2;
constexpr double TwoOverPi = 0x1.45f306dc9c883p-1;

// The bits of 2/pi after the point, 32 to a word, most significant first.
const uint32_t TwoOverPiWords[37] = {
    0xa2f9836e, 0x4e441529, 0xfc2757d1, 0xf534ddc0, 0xdb629599, 0x3c439041,
    0xfe5163ab, 0xdebbc561, 0xb7246e3a, 0x424dd2e0, 0x06492eea, 0x09d1921c,
    0xfe1deb1c, 0xb129a73e, 0xe88235f5, 0x2ebb4484, 0xe99c7026, 0xb45f7e41,
    0x3991d639, 0x835339f4, 0x9c845f8b, 0xbdf9283b, 0x1ff897ff, 0xde05980f,
    0xef2f118b, 0x5a0a6d1f, 0x6d367ecf, 0x27cb09b7, 0x4f463f66, 0x9e5fea2d,
    0x7527bac7, 0xebe5f17b, 0x3d0739f7, 0x8a5292ea, 0x6bfb5fb1, 0x1f8d5d08,
    0x56033046,
};

struct Reduced {
    int quadrant; // 0..3
    double hi, lo;
};

// For any finite ax >= pi/4: x * 2/pi modulo 4 from the bits of 2/pi (Payne and Hanek's
// method). With ax = m 2^e (m an integer of 53 bits), every word of 2/pi whose product with m
// lands at 4 or above only adds whole turns, so the window starts after them; seven words, 224
// bits, leave at least 190 bits after the point, and the words beyond the window change the
// result by less than 2^(53 - 190). The closest a double comes to a multiple of pi/2 is about
// 2^-61, so about 76 good bits remain even then.
Reduced ReduceHuge(double ax)
{
    const uint64_t bits = BitsOf(ax);
    const int e = static_cast<int>(bits >> 52) - 1075;
    const uint64_t m = (bits & ((uint64_t(1) << 52) - 1)) | (uint64_t(1) << 52);
    const int first = e >= 34 ? (e - 34) / 32 + 1 : 0;
    // The product is m times the window; its bit `unit` is worth 1 (quarter turn).
    const int unit = 224 - e + 32 * first;
    uint32_t p[9] = {};
    const uint32_t mw[2] = {static_cast<uint32_t>(m), static_cast<uint32_t>(m >> 32)};
    for (int i = 0; i < 2; ++i) {
        uint64_t carry = 0;
        for (int j = 0; j < 7; ++j) {
            const uint64_t t = static_cast<uint64_t>(mw[i]) * TwoOverPiWords[first + 6 - j] +
                               p[i + j] + carry;
            p[i + j] = static_cast<uint32_t>(t);
            carry = t >> 32;
        }
        p[i + 7] = static_cast<uint32_t>(carry);
    }
    const auto bit = [&p](int i) -> uint32_t {
        return i < 0 ? 0u : (p[i >> 5] >> (i & 31)) & 1u;
    };
    int quadrant = static_cast<int>(bit(unit) | (bit(unit + 1) << 1));
    // A fraction of a half or more is the next quadrant less the rest: take 1 - f, which is
    // what negating the whole product leaves in the fraction's bits.
    const bool negative = bit(unit - 1) != 0;
    if (negative) {
        quadrant = (quadrant + 1) & 3;
        uint64_t carry = 1;
        for (uint32_t& w : p) {
            const uint64_t t = static_cast<uint64_t>(~w) + carry;
            w = static_cast<uint32_t>(t);
            carry = t >> 32;
        }
    }
    int top = unit - 1;
    while (top >= 0 && !bit(top))
        --top;
    Reduced r{quadrant, 0.0, 0.0};
    if (top < 0)
        return r;
    // The fraction's leading 117 bits: 53 in hi, the next 64 in lo.
    uint64_t head = 0, tail = 0;
    for (int i = 0; i < 53; ++i)
        head = (head << 1) | bit(top - i);
    for (int i = 53; i < 117; ++i)
        tail = (tail << 1) | bit(top - i);
    const double fhi = static_cast<double>(head) * PowerOfTwo(top - 52 - unit);
    const double flo = static_cast<double>(tail) * PowerOfTwo(top - 116 - unit);
    // (fhi + flo) * pi/2 as a double-double.
    double ph, pl;
    TwoProduct(fhi, HalfPiHi, ph, pl);
    pl += fhi * HalfPiLo + flo * HalfPiHi;
    FastTwoSum(ph, pl, r.hi, r.lo);
    if (negative) {
        r.hi = -r.hi;
        r.lo = -r.lo;
    }
    return r;
}

// For finite x. Below 2^20 the three parts of pi/2 (Cody and Waite's method) give the remainder
// to within 2^-98; a remainder under 2^-38 (a value very close to a multiple of pi/2) could lose
// too many of its bits that way and takes the exact route instead.
Reduced Reduce(double x)
{
    const double ax = std::fabs(x);
    Reduced r;
    if (ax <= QuarterPi)
        return Reduced{0, x, 0.0};
    if (ax < 0x1p20) {
        const double k = RoundToInteger(ax * TwoOverPi);
        const double r1 = ax - k * HalfPi1; // exact: k has at most 20 bits, HalfPi1 33
        double t, te;
        TwoSum(r1, -(k * HalfPi2), t, te);
        FastTwoSum(t, te - k * HalfPi3, r.hi, r.lo);
        r.quadrant = static_cast<int>(k) & 3;
        if (!(std::fabs(r.hi) >= 0x1p-38))
            r = ReduceHuge(ax);
    } else {
        r = ReduceHuge(ax);
    }
    if (x < 0.0) {
        r.hi = -r.hi;
        r.lo = -r.lo;
        r.quadrant = (4 - r.quadrant) & 3;
    }
    return r;
}

// ---------------------------------------------------------------------------------------------
// Sine and cosine on the reduced interval. At |x| = pi/4 the first Taylor term left out is
// x^19/19! (sine) and x^18/18! (cosine), both under 2^-60 of the result.

constexpr double S3 = -InverseFactorial(3), S5 = InverseFactorial(5), S7 = -InverseFactorial(7),
                 S9 = InverseFactorial(9), S11 = -InverseFactorial(11),
                 S13 = InverseFactorial(13), S15 = -InverseFactorial(15),
                 S17 = InverseFactorial(17);
constexpr double C4 = InverseFactorial(4), C6 = -InverseFactorial(6), C8 = InverseFactorial(8),
                 C10 = -InverseFactorial(10), C12 = InverseFactorial(12),
                 C14 = -InverseFactorial(14), C16 = InverseFactorial(16);

// sin(hi + lo) = sin(hi) + lo cos(hi), to the first order in lo, which is below ulp(hi).
inline double SinKernel(double hi, double lo)
{
    const double z = hi * hi;
    const double p =
        S3 + z * (S5 + z * (S7 + z * (S9 + z * (S11 + z * (S13 + z * (S15 + z * S17))))));
    return hi + (hi * z * p + lo * (1.0 - 0.5 * z));
}

// cos(hi + lo) = cos(hi) - lo sin(hi). 1 - z/2 is rounded, and what that rounding lost is
// added back, so the result stays within an ulp up to pi/4.
inline double CosKernel(double hi, double lo)
{
    const double z = hi * hi;
    const double q = C4 + z * (C6 + z * (C8 + z * (C10 + z * (C12 + z * (C14 + z * C16)))));
    const double half = 0.5 * z;
    const double w = 1.0 - half;
    return w + (((1.0 - w) - half) + (z * z * q - hi * lo));
}

// Float angles take a shorter road: their result needs about 2^-34 of relative precision, not
// a double's, and the tree generator turns millions of them for a big tree. Below 2^20 a float
// times 2/pi rounds to k with at most 20 bits, and k pi/2 in two parts leaves an error near
// 2^-66; no float there comes closer to a multiple of pi/2 than 2^-27.8 (252.898209 does, found
// by trying them all), so the remainder keeps 38 good bits. The polynomials interpolate sine and
// cosine at Chebyshev points (scripts/elementary_constants.py), within 2^-35.6 and 2^-41.5 of
// them up to pi/4.
constexpr double HalfPi1Rest = HalfPi2 + HalfPi3; // pi/2 - HalfPi1, rounded
constexpr double SinShort[4] = {-0x1.555555545e0acp-3, 0x1.11110def2e1c9p-7,
                               -0x1.a013a793b98ccp-13, 0x1.6dbe0838a0666p-19};
constexpr double CosShort[5] = {-0x1.fffffffffe697p-2, 0x1.555555514f774p-5,
                               -0x1.6c16bae5ef6d4p-10, 0x1.a01298d866456p-16,
                               -0x1.2474e1a97d0d6p-22};

// False for the angles that need the double route: huge, infinite or NaN.
inline bool ReduceFloat(float x, int& quadrant, double& r)
{
    const double d = x;
    if (std::fabs(d) <= QuarterPi) {
        quadrant = 0;
        r = d;
        return true;
    }
    if (!(std::fabs(d) < 0x1p20))
        return false;
    const double k = RoundToInteger(d * TwoOverPi);
    r = (d - k * HalfPi1) - k * HalfPi1Rest;
    quadrant = static_cast<int>(k) & 3;
    return true;
}

// Written as r (1 + z P) so that -0 stays -0.
inline double SinKernelShort(double r)
{
    const double z = r * r;
    return r * (1.0 + z * (SinShort[0] + z * (SinShort[1] + z * (SinShort[2] + z * SinShort[3]))));
}

inline double CosKernelShort(double r)
{
    const double z = r * r;
    return 1.0 + z * (CosShort[0] + z * (CosShort[1] + z * (CosShort[2] + z * (CosShort[3] +
                                                                                z * CosShort[4]))));
}

// Sine and cosine of x from those of the remainder in the given quadrant.
inline void ToQuadrant(int quadrant, double s, double c, float& sine, float& cosine)
{
    const double a = quadrant & 1 ? c : s;
    const double b = quadrant & 1 ? s : c;
    sine = static_cast<float>(quadrant & 2 ? -a : a);
    cosine = static_cast<float>((quadrant + 1) & 2 ? -b : b);
}

inline bool IsFinite(double x) { return (BitsOf(x) & 0x7ff0000000000000u) != 0x7ff0000000000000u; }

// ---------------------------------------------------------------------------------------------
// Arc sine's series: asin(x) = x + x^3 R(x^2), R(z) = sum over n >= 1 of
// C(2n, n) / (4^n (2n + 1)) z^(n-1). Used for x^2 <= 1/4, where the 26 terms kept leave out
// less than 2^-57 of R.

constexpr int AsinTerms = 26;

struct AsinCoefficients {
    double c[AsinTerms];
};

constexpr AsinCoefficients MakeAsinCoefficients()
{
    AsinCoefficients a{};
    uint64_t central = 1; // C(2n, n), exact up to n = 33
    double fourPower = 1.0;
    for (int n = 1; n <= AsinTerms; ++n) {
        central = central * static_cast<uint64_t>(2 * n) * static_cast<uint64_t>(2 * n - 1) /
                  static_cast<uint64_t>(n) / static_cast<uint64_t>(n);
        fourPower *= 4.0;
        a.c[n - 1] = static_cast<double>(central) / (fourPower * (2 * n + 1));
    }
    return a;
}

constexpr AsinCoefficients AsinSeries = MakeAsinCoefficients();

// z R(z).
inline double AsinTail(double z)
{
    double r = AsinSeries.c[AsinTerms - 1];
    for (int n = AsinTerms - 2; n >= 0; --n)
        r = AsinSeries.c[n] + z * r;
    return z * r;
}

} // namespace

namespace detail {

// 2^(j/32).
const double Exp2Table[32] = {
    0x1.0000000000000p+0, 0x1.059b0d3158574p+0, 0x1.0b5586cf9890fp+0,
    0x1.11301d0125b51p+0, 0x1.172b83c7d517bp+0, 0x1.1d4873168b9aap+0,
    0x1.2387a6e756238p+0, 0x1.29e9df51fdee1p+0, 0x1.306fe0a31b715p+0,
    0x1.371a7373aa9cbp+0, 0x1.3dea64c123422p+0, 0x1.44e086061892dp+0,
    0x1.4bfdad5362a27p+0, 0x1.5342b569d4f82p+0, 0x1.5ab07dd485429p+0,
    0x1.6247eb03a5585p+0, 0x1.6a09e667f3bcdp+0, 0x1.71f75e8ec5f74p+0,
    0x1.7a11473eb0187p+0, 0x1.82589994cce13p+0, 0x1.8ace5422aa0dbp+0,
    0x1.93737b0cdc5e5p+0, 0x1.9c49182a3f090p+0, 0x1.a5503b23e255dp+0,
    0x1.ae89f995ad3adp+0, 0x1.b7f76f2fb5e47p+0, 0x1.c199bdd85529cp+0,
    0x1.cb720dcef9069p+0, 0x1.d5818dcfba487p+0, 0x1.dfc97337b9b5fp+0,
    0x1.ea4afa2a490dap+0, 0x1.f50765b6e4540p+0,
};

// Per interval of m: 1/c for c the interval's middle, rounded to 24 bits, and log2 c.
const LogEntry Log2Table[128] = {
    {0x1.6e1f760000000p+0, -0x1.08494afb29ca3p-1},
    {0x1.6c16c20000000p+0, -0x1.042bd5e5bc697p-1},
    {0x1.6a13ce0000000p+0, -0x1.0014350ad98c0p-1},
    {0x1.6816820000000p+0, -0x1.f804b0fc4b574p-2},
    {0x1.661ec60000000p+0, -0x1.efec5f071e3d9p-2},
    {0x1.642c860000000p+0, -0x1.e7df61b2e23edp-2},
    {0x1.623fa80000000p+0, -0x1.dfdd8c2db0228p-2},
    {0x1.6058160000000p+0, -0x1.d7e6c094ae102p-2},
    {0x1.5e75bc0000000p+0, -0x1.cffae7f66bedbp-2},
    {0x1.5c98820000000p+0, -0x1.c819d91c72820p-2},
    {0x1.5ac0560000000p+0, -0x1.c04382affc4a2p-2},
    {0x1.58ed240000000p+0, -0x1.b877c9a0edd9bp-2},
    {0x1.571ed40000000p+0, -0x1.b0b6804d30924p-2},
    {0x1.5555560000000p+0, -0x1.a8ff99fab991dp-2},
    {0x1.5390940000000p+0, -0x1.a152eed359931p-2},
    {0x1.51d07e0000000p+0, -0x1.99b06fafae365p-2},
    {0x1.5015020000000p+0, -0x1.9218039796aabp-2},
    {0x1.4e5e0a0000000p+0, -0x1.8a897eb027b02p-2},
    {0x1.4cab880000000p+0, -0x1.8304d7103dda3p-2},
    {0x1.4afd6a0000000p+0, -0x1.7b89f015dd637p-2},
    {0x1.49539e0000000p+0, -0x1.7418abe24a63dp-2},
    {0x1.47ae140000000p+0, -0x1.6cb0f45c5ddccp-2},
    {0x1.460cbc0000000p+0, -0x1.6552b258722e2p-2},
    {0x1.446f860000000p+0, -0x1.5dfdcd9681230p-2},
    {0x1.42d6620000000p+0, -0x1.56b22cc04de54p-2},
    {0x1.4141420000000p+0, -0x1.4f6fbe9a14f18p-2},
    {0x1.3fb0140000000p+0, -0x1.48365e8072c0dp-2},
    {0x1.3e22cc0000000p+0, -0x1.4106026313941p-2},
    {0x1.3c995a0000000p+0, -0x1.39de8cc6a56b9p-2},
    {0x1.3b13b20000000p+0, -0x1.32bff1d2620d3p-2},
    {0x1.3991c20000000p+0, -0x1.2baa08a4f5999p-2},
    {0x1.3813820000000p+0, -0x1.249cd663a544dp-2},
    {0x1.3698e00000000p+0, -0x1.1d983038a5973p-2},
    {0x1.3521d00000000p+0, -0x1.169c06a7938bbp-2},
    {0x1.33ae460000000p+0, -0x1.0fa8496a15078p-2},
    {0x1.323e340000000p+0, -0x1.08bcddc88c274p-2},
    {0x1.30d1900000000p+0, -0x1.01d9bb7350ffbp-2},
    {0x1.2f684c0000000p+0, -0x1.f5fd8c01b8598p-3},
    {0x1.2e025c0000000p+0, -0x1.e857d3a536a7bp-3},
    {0x1.2c9fb40000000p+0, -0x1.dac224f29e71ep-3},
    {0x1.2b404a0000000p+0, -0x1.cd3c6926cb3bap-3},
    {0x1.29e4120000000p+0, -0x1.bfc6745e58544p-3},
    {0x1.288b020000000p+0, -0x1.b2602cfa90211p-3},
    {0x1.27350c0000000p+0, -0x1.a509500525022p-3},
    {0x1.25e2280000000p+0, -0x1.97c1d4d0c206ap-3},
    {0x1.24924a0000000p+0, -0x1.8a898953f695dp-3},
    {0x1.2345680000000p+0, -0x1.7d604e1d4e346p-3},
    {0x1.21fb780000000p+0, -0x1.70460263cfbd2p-3},
    {0x1.20b4700000000p+0, -0x1.633a8404e7409p-3},
    {0x1.1f70480000000p+0, -0x1.563dc4114f416p-3},
    {0x1.1e2ef40000000p+0, -0x1.494f894c616e5p-3},
    {0x1.1cf06a0000000p+0, -0x1.3c6fad7aa88cfp-3},
    {0x1.1bb4a40000000p+0, -0x1.2f9e32a7954e4p-3},
    {0x1.1a7b960000000p+0, -0x1.22dadb72090e4p-3},
    {0x1.1945380000000p+0, -0x1.162592bc18896p-3},
    {0x1.1811820000000p+0, -0x1.097e425d2ff08p-3},
    {0x1.16e0680000000p+0, -0x1.f9c9517e83255p-4},
    {0x1.15b1e60000000p+0, -0x1.e0b1af47da109p-4},
    {0x1.1485f00000000p+0, -0x1.c7b515f5c5128p-4},
    {0x1.135c820000000p+0, -0x1.aed3a581afc75p-4},
    {0x1.12358e0000000p+0, -0x1.960ca5af96cd0p-4},
    {0x1.1111120000000p+0, -0x1.7d605d9f9a247p-4},
    {0x1.0fef020000000p+0, -0x1.64ce3b213013cp-4},
    {0x1.0ecf560000000p+0, -0x1.4c55ffab94bfbp-4},
    {0x1.0db20a0000000p+0, -0x1.33f7c2287eb14p-4},
    {0x1.0c97140000000p+0, -0x1.1bb314bc1250dp-4},
    {0x1.0b7e6e0000000p+0, -0x1.0387def732844p-4},
    {0x1.0a68100000000p+0, -0x1.d6ebb51765786p-5},
    {0x1.0953f40000000p+0, -0x1.a6f9d6f1d16afp-5},
    {0x1.0842100000000p+0, -0x1.773935884e226p-5},
    {0x1.0732600000000p+0, -0x1.47a9ea5addbd8p-5},
    {0x1.0624de0000000p+0, -0x1.184bb316406a1p-5},
    {0x1.0519800000000p+0, -0x1.d23b2a73a25e5p-6},
    {0x1.0410420000000p+0, -0x1.743f41d467d22p-6},
    {0x1.03091c0000000p+0, -0x1.16a25c29d06f6p-6},
    {0x1.0204080000000p+0, -0x1.72c7ae96537f8p-7},
    {0x1.0101020000000p+0, -0x1.720f0a7874e63p-8},
    {0x1.0000000000000p+0, 0x0.0p+0},
    {0x1.fc07f00000000p-1, 0x1.6fe516f994381p-7},
    {0x1.f81f820000000p-1, 0x1.6e7966ead8ac5p-6},
    {0x1.f4465a0000000p-1, 0x1.11cd1acadf723p-5},
    {0x1.f07c200000000p-1, 0x1.6bad2043a8791p-5},
    {0x1.ecc07c0000000p-1, 0x1.c4df9816b67cbp-5},
    {0x1.e9131a0000000p-1, 0x1.0eb392fe79defp-4},
    {0x1.e573ac0000000p-1, 0x1.3aa304acd04f4p-4},
    {0x1.e1e1e20000000p-1, 0x1.663f6e3b3cbb2p-4},
    {0x1.de5d6e0000000p-1, 0x1.918a19f536b15p-4},
    {0x1.dae6080000000p-1, 0x1.bc841cd4346d3p-4},
    {0x1.d77b660000000p-1, 0x1.e72eb841d5082p-4},
    {0x1.d41d420000000p-1, 0x1.08c587b8a8459p-3},
    {0x1.d0cb580000000p-1, 0x1.1dcd1f96f9b03p-3},
    {0x1.cd85680000000p-1, 0x1.32aea1c2de0a0p-3},
    {0x1.ca4b300000000p-1, 0x1.476aa1c23e268p-3},
    {0x1.c71c720000000p-1, 0x1.5c01a22e68f24p-3},
    {0x1.c3f8f00000000p-1, 0x1.70742e079a632p-3},
    {0x1.c0e0700000000p-1, 0x1.84c2be7444b1ap-3},
    {0x1.bdd2b80000000p-1, 0x1.98edd46f8f540p-3},
    {0x1.bacf920000000p-1, 0x1.acf5de2afc49ap-3},
    {0x1.b7d6c40000000p-1, 0x1.c0db6bf6c0150p-3},
    {0x1.b4e81c0000000p-1, 0x1.d49ee012d3176p-3},
    {0x1.b203640000000p-1, 0x1.e840bea311339p-3},
    {0x1.af286c0000000p-1, 0x1.fbc16a1ed20a6p-3},
    {0x1.ac57020000000p-1, 0x1.0790ac9a79044p-2},
    {0x1.a98ef60000000p-1, 0x1.11307dc445fecp-2},
    {0x1.a6d01a0000000p-1, 0x1.1ac05ca5fe214p-2},
    {0x1.a41a420000000p-1, 0x1.2440796db68c3p-2},
    {0x1.a16d400000000p-1, 0x1.2db10e538534dp-2},
    {0x1.9ec8ea0000000p-1, 0x1.37124a7b0e57ap-2},
    {0x1.9c2d140000000p-1, 0x1.40646707c3973p-2},
    {0x1.99999a0000000p-1, 0x1.49a7834b7d429p-2},
    {0x1.970e500000000p-1, 0x1.52dbddf71fd7ap-2},
    {0x1.948b100000000p-1, 0x1.5c01a2e7132d6p-2},
    {0x1.920fb40000000p-1, 0x1.651900878bb3cp-2},
    {0x1.8f9c180000000p-1, 0x1.6e22207523f6dp-2},
    {0x1.8d30180000000p-1, 0x1.771d2eb8c3300p-2},
    {0x1.8acb900000000p-1, 0x1.800a59ccb4ee3p-2},
    {0x1.886e600000000p-1, 0x1.88e9c392b7fbbp-2},
    {0x1.8618620000000p-1, 0x1.91bba6c447dcfp-2},
    {0x1.83c9780000000p-1, 0x1.9a80224eb84b9p-2},
    {0x1.8181820000000p-1, 0x1.a3375ec3372a1p-2},
    {0x1.7f40600000000p-1, 0x1.abe186df47b97p-2},
    {0x1.7d05f40000000p-1, 0x1.b47ebfcfdd47ap-2},
    {0x1.7ad2200000000p-1, 0x1.bd0f30c877b4fp-2},
    {0x1.78a4c80000000p-1, 0x1.c592fb2eead30p-2},
    {0x1.767dce0000000p-1, 0x1.ce0a4a2d1a3cfp-2},
    {0x1.745d180000000p-1, 0x1.d6753b2085b50p-2},
    {0x1.7242880000000p-1, 0x1.ded3fd15f8d60p-2},
    {0x1.702e060000000p-1, 0x1.e726a9208b3bep-2},
};

// Beyond |z| = 126 the power overflows, underflows or is subnormal: 2^z is taken in two steps,
// so that the table's exponent arithmetic stays in the normal range, and rounded to float once.
float Exp2Far(double z)
{
    if (z > 129.0)
        return std::numeric_limits<float>::infinity();
    if (z < -151.0) // under 2^-150, half the smallest float: rounds to zero
        return 0.0f;
    const int shift = z > 0.0 ? 64 : -64;
    return static_cast<float>(Exp2Near(z - shift) * PowerOfTwo(shift));
}

} // namespace detail

namespace {

// 0 for a float that is not an integer, 1 for an odd one, 2 for an even one (y finite, not 0).
inline int IntegerKind(uint32_t iy)
{
    const int e = static_cast<int>((iy >> 23) & 0xff) - 127;
    if (e < 0)
        return 0;
    if (e >= 24)
        return 2;
    const int shift = 23 - e;
    if (iy & ((1u << shift) - 1u))
        return 0;
    return (iy >> shift) & 1u ? 1 : 2;
}

} // namespace

float detail::PowSpecial(float x, float y)
{
    const uint32_t ix = BitsOf(x), iy = BitsOf(y);
    const uint32_t ax = ix & 0x7fffffffu, ay = iy & 0x7fffffffu;
    const float infinity = std::numeric_limits<float>::infinity();
    if (ay == 0 || ix == 0x3f800000u)
        return 1.0f; // x^0 and 1^y are 1 even for NaN
    if (ax > 0x7f800000u || ay > 0x7f800000u)
        return x + y; // NaN
    const bool negativeY = (iy >> 31) != 0;
    if (ay == 0x7f800000u) {
        if (ax == 0x3f800000u)
            return 1.0f; // (-1)^+-inf
        return (ax > 0x3f800000u) != negativeY ? infinity : 0.0f;
    }
    const int kind = IntegerKind(iy);
    const bool negativeX = (ix >> 31) != 0;
    const bool oddNegative = negativeX && kind == 1;
    if (ax == 0 || ax == 0x7f800000u) {
        // Zero and infinity: a power of zero is zero for y > 0, infinite for y < 0, the other
        // way round for infinity; an odd power keeps the base's sign.
        const float magnitude = (ax == 0) != negativeY ? 0.0f : infinity;
        return oddNegative ? -magnitude : magnitude;
    }
    if (negativeX && kind == 0)
        return (x - x) / (x - x); // a negative base to a fractional power: NaN
    uint32_t bits = ax;
    int scale = 0;
    if (ax < 0x00800000u) { // subnormal: scaled into the normal range
        bits = BitsOf(FloatOf(ax) * 0x1p23f);
        scale = -23;
    }
    const float magnitude =
        detail::Exp2ToFloat(static_cast<double>(y) * detail::Log2OfFloatBits(bits, scale));
    return oddNegative ? -magnitude : magnitude;
}

double Sin(double x)
{
    if (!IsFinite(x))
        return x - x; // NaN, for infinities too
    if (std::fabs(x) < 0x1p-26)
        return x; // x^3/6 is under half an ulp of x; keeps the sign of zero
    const Reduced r = Reduce(x);
    switch (r.quadrant) {
    case 0: return SinKernel(r.hi, r.lo);
    case 1: return CosKernel(r.hi, r.lo);
    case 2: return -SinKernel(r.hi, r.lo);
    default: return -CosKernel(r.hi, r.lo);
    }
}

double Cos(double x)
{
    if (!IsFinite(x))
        return x - x;
    if (std::fabs(x) < 0x1p-27)
        return 1.0; // x^2/2 is under half an ulp of 1
    const Reduced r = Reduce(x);
    switch (r.quadrant) {
    case 0: return CosKernel(r.hi, r.lo);
    case 1: return -SinKernel(r.hi, r.lo);
    case 2: return -CosKernel(r.hi, r.lo);
    default: return SinKernel(r.hi, r.lo);
    }
}

namespace {

// Huge, infinite and NaN float angles, out of line so that the common path stays lean (the
// attribute is a hint that other compilers may ignore).
[[gnu::noinline]] void SinCosFar(float x, float* sine, float* cosine)
{
    if (sine)
        *sine = static_cast<float>(Sin(static_cast<double>(x)));
    if (cosine)
        *cosine = static_cast<float>(Cos(static_cast<double>(x)));
}

} // namespace

float Sin(float x)
{
    int quadrant;
    double r;
    float sine;
    if (!ReduceFloat(x, quadrant, r)) {
        SinCosFar(x, &sine, nullptr);
        return sine;
    }
    const double v = quadrant & 1 ? CosKernelShort(r) : SinKernelShort(r);
    return static_cast<float>(quadrant & 2 ? -v : v);
}

float Cos(float x)
{
    int quadrant;
    double r;
    float cosine;
    if (!ReduceFloat(x, quadrant, r)) {
        SinCosFar(x, nullptr, &cosine);
        return cosine;
    }
    const double v = quadrant & 1 ? SinKernelShort(r) : CosKernelShort(r);
    return static_cast<float>((quadrant + 1) & 2 ? -v : v);
}

void SinCos(float x, float& sine, float& cosine)
{
    int quadrant;
    double r;
    if (!ReduceFloat(x, quadrant, r))
        return SinCosFar(x, &sine, &cosine);
    ToQuadrant(quadrant, SinKernelShort(r), CosKernelShort(r), sine, cosine);
}

// |x| <= 1/2: pi/2 - asin(x). Beyond: acos(x) = 2 asin(sqrt((1 - x)/2)) for x > 0 and
// pi - 2 asin(sqrt((1 + x)/2)) for x < 0, where 1 -+ x and the halving are exact. For x > 1/2
// the rounding of the square root matters relative to a small result, so it is recovered:
// high is the root cut to 26 bits (its square is exact) and c the correction to it.
double Acos(double x)
{
    const double ax = std::fabs(x);
    if (!(ax <= 1.0))
        return (x - x) / (x - x); // NaN, for NaN too
    if (ax <= 0.5)
        return HalfPiHi - (x - (HalfPiLo - x * AsinTail(x * x)));
    if (x == 1.0)
        return 0.0;
    const double z = (1.0 - ax) * 0.5;
    const double s = std::sqrt(z);
    if (x < 0.0)
        return 2.0 * (HalfPiHi - (s + (s * AsinTail(z) - HalfPiLo)));
    const double high = DoubleOf(BitsOf(s) & 0xffffffff00000000u);
    const double c = (z - high * high) / (s + high);
    return 2.0 * (high + (c + s * AsinTail(z)));
}

// The sum of squares is formed exactly as two doubles; its root is then corrected by one Newton
// step against that exact sum. Scaling by 2^+-600 keeps the squares of the largest and smallest
// doubles in range.
double Hypot(double x, double y)
{
    double a = std::fabs(x), b = std::fabs(y);
    const double infinity = std::numeric_limits<double>::infinity();
    if (a == infinity || b == infinity)
        return infinity; // even when the other is NaN
    if (a != a || b != b)
        return a + b;
    if (a < b) {
        const double t = a;
        a = b;
        b = t;
    }
    if (b == 0.0)
        return a;
    const int ea = static_cast<int>(BitsOf(a) >> 52), eb = static_cast<int>(BitsOf(b) >> 52);
    if (ea - eb > 60)
        return a + b; // b^2 is under 2^-120 of a^2
    double scale = 1.0;
    if (a > 0x1p500) {
        a *= 0x1p-600;
        b *= 0x1p-600;
        scale = 0x1p600;
    } else if (b < 0x1p-500) {
        a *= 0x1p600;
        b *= 0x1p600;
        scale = 0x1p-600;
    }
    double aa, aaLow, bb, bbLow, sum, sumLow;
    TwoProduct(a, a, aa, aaLow);
    TwoProduct(b, b, bb, bbLow);
    TwoSum(aa, bb, sum, sumLow);
    sumLow += aaLow + bbLow;
    FastTwoSum(sum, sumLow, sum, sumLow);
    const double root = std::sqrt(sum);
    double square, squareLow;
    TwoProduct(root, root, square, squareLow);
    const double error = ((sum - square) - squareLow) + sumLow;
    return (root + error / (2.0 * root)) * scale;
}


} // namespace maths

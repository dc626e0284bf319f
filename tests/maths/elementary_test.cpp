// Our elementary functions: accuracy against the C library's long double functions over many
// inputs (on Linux, whose long double functions are accurate to far below a double's ulp), the
// C library's special values, and the bits they give on every build.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "shading/elementary.h"

namespace {

constexpr double Infinity = std::numeric_limits<double>::infinity();
constexpr float InfinityF = std::numeric_limits<float>::infinity();
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr float NaNF = std::numeric_limits<float>::quiet_NaN();

uint64_t Bits(double x)
{
    uint64_t b;
    std::memcpy(&b, &x, sizeof b);
    return b;
}

uint32_t Bits(float x)
{
    uint32_t b;
    std::memcpy(&b, &x, sizeof b);
    return b;
}

// A fixed stream of inputs, the same on every build (no library distributions).
struct Inputs {
    uint64_t state = 0x9e3779b97f4a7c15u;
    uint64_t Next()
    {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    }
    double Unit() { return static_cast<double>(Next() >> 11) * 0x1p-53; } // [0, 1)
    double Between(double lo, double hi) { return lo + (hi - lo) * Unit(); }
    // Magnitudes spread over 2^lo .. 2^hi, either sign.
    double Spread(int lo, int hi)
    {
        const int e = lo + static_cast<int>(Next() % static_cast<uint64_t>(hi - lo));
        const double v = std::ldexp(1.0 + Unit(), e);
        return Next() & 1 ? -v : v;
    }
};

// Units in the last place of `exact` rounded to double (or float) that `got` is away from it.
double UlpsDouble(double got, long double exact)
{
    int e;
    std::frexp(static_cast<double>(exact), &e);
    const long double ulp = std::ldexp(1.0L, std::max(e - 53, -1074));
    return static_cast<double>(std::fabs(static_cast<long double>(got) - exact) / ulp);
}

double UlpsFloat(float got, long double exact)
{
    int e;
    std::frexp(static_cast<double>(exact), &e);
    const long double ulp = std::ldexp(1.0L, std::max(e - 24, -149));
    return static_cast<double>(std::fabs(static_cast<long double>(got) - exact) / ulp);
}

constexpr bool ExactReference = std::numeric_limits<long double>::digits >= 64;

// The accuracy tests compare with the Linux C library's long double functions, so they run
// only where those are at hand; each starts from the same fixed stream of inputs.
class ElementaryAccuracy : public ::testing::Test {
protected:
    void SetUp() override
    {
#ifdef _WIN32
        GTEST_SKIP() << "the reference is the Linux C library's long double functions";
#else
        if (!ExactReference)
            GTEST_SKIP() << "long double is no wider than double here";
#endif
    }
    Inputs in;
};

// Bounds: the double functions are within an ulp (the kernels measure about 0.8 at worst); the
// float ones are computed in double and rounded once, so they stay a hair over half an ulp.
constexpr double DoubleBound = 1.0;
constexpr double FloatBound = 0.5 + 0x1p-9;

TEST_F(ElementaryAccuracy, SineAndCosineOfDoubles)
{
    double worstSin = 0.0, worstCos = 0.0;
    for (int i = 0; i < 100000; ++i) {
        // Small angles, angles up to the fast reduction's limit, and any magnitude at all
        // (the reduction from the bits of 2/pi).
        const double x = i % 3 == 0 ? in.Between(-10.0, 10.0)
                         : i % 3 == 1 ? in.Between(-0x1p21, 0x1p21)
                                      : in.Spread(-40, 1020);
        worstSin = std::max(worstSin, UlpsDouble(maths::Sin(x), sinl(static_cast<long double>(x))));
        worstCos = std::max(worstCos, UlpsDouble(maths::Cos(x), cosl(static_cast<long double>(x))));
    }
    EXPECT_LT(worstSin, DoubleBound);
    EXPECT_LT(worstCos, DoubleBound);
}

TEST_F(ElementaryAccuracy, SineAndCosineOfFloats)
{
    double worstSin = 0.0, worstCos = 0.0;
    for (int i = 0; i < 100000; ++i) {
        const float x = static_cast<float>(i % 4 == 0   ? in.Between(-7.0, 7.0)
                                           : i % 4 == 1 ? in.Between(-2000.0, 2000.0)
                                           : i % 4 == 2 ? in.Spread(-30, 20)
                                                        : in.Spread(20, 127));
        const long double s = sinl(x), c = cosl(x);
        worstSin = std::max(worstSin, UlpsFloat(maths::Sin(x), s));
        worstCos = std::max(worstCos, UlpsFloat(maths::Cos(x), c));
        float both[2];
        maths::SinCos(x, both[0], both[1]);
        ASSERT_EQ(Bits(both[0]), Bits(maths::Sin(x))) << x;
        ASSERT_EQ(Bits(both[1]), Bits(maths::Cos(x))) << x;
    }
    EXPECT_LE(worstSin, FloatBound);
    EXPECT_LE(worstCos, FloatBound);
}

// Floats closest to multiples of pi/2 lose the most bits to the reduction: every multiple of
// pi/2 up to 2^20, and the floats on either side of it.
TEST_F(ElementaryAccuracy, FloatsNearMultiplesOfHalfPi)
{
    const long double halfPi = 1.5707963267948966192313216916397514L;
    double worst = 0.0;
    for (int k = 1; k < (1 << 20); k += (k < 4096 ? 1 : 97)) {
        const float near = static_cast<float>(k * halfPi);
        for (float x : {std::nextafter(near, 0.0f), near, std::nextafter(near, 1e30f)}) {
            worst = std::max(worst, UlpsFloat(maths::Sin(x), sinl(x)));
            worst = std::max(worst, UlpsFloat(maths::Cos(x), cosl(x)));
        }
    }
    EXPECT_LE(worst, FloatBound);
}

TEST_F(ElementaryAccuracy, ArcCosineAndHypotenuse)
{
    double worstAcos = 0.0, worstHypot = 0.0;
    for (int i = 0; i < 100000; ++i) {
        // All of -1..1, and values crowding towards 1 (small angles, where the root's rounding
        // would show).
        const double a = i % 2 ? in.Between(-1.0, 1.0) : 1.0 - std::ldexp(in.Unit(), -(i % 60));
        worstAcos = std::max(worstAcos, UlpsDouble(maths::Acos(a), acosl(a)));
        // Screen-sized legs, and legs of any magnitude and ratio.
        const double x = i % 3 ? in.Between(0.0, 4000.0) : std::fabs(in.Spread(-1074, 1023));
        const double y = i % 3 ? in.Between(0.0, 4000.0) : std::fabs(in.Spread(-1074, 1023));
        if (std::isfinite(hypotl(x, y)) && hypotl(x, y) < std::numeric_limits<double>::max())
            worstHypot = std::max(worstHypot, UlpsDouble(maths::Hypot(x, y), hypotl(x, y)));
    }
    EXPECT_LT(worstAcos, DoubleBound);
    EXPECT_LT(worstHypot, DoubleBound);
}

TEST_F(ElementaryAccuracy, Power)
{
    double worst = 0.0;
    for (int i = 0; i < 150000; ++i) {
        float x, y;
        switch (i % 4) {
        case 0: // the shader's highlight: a cosine to the material's exponent
            x = static_cast<float>(in.Unit());
            y = static_cast<float>(in.Between(0.0, 1000.0));
            break;
        case 1: // bases just below and above 1, with large exponents
            x = static_cast<float>(1.0 + in.Spread(-24, -1) / 2);
            y = static_cast<float>(in.Spread(0, 30));
            break;
        case 2: // any positive base, results reaching into the subnormals
            x = static_cast<float>(std::fabs(in.Spread(-149, 127)));
            y = static_cast<float>(in.Between(-4.0, 4.0));
            break;
        default: // negative bases to integer powers
            x = static_cast<float>(in.Between(-3.0, 3.0));
            y = static_cast<float>(std::floor(in.Between(-40.0, 40.0)));
            break;
        }
        const long double exact = powl(static_cast<long double>(x), static_cast<long double>(y));
        const float got = maths::Pow(x, y);
        if (std::fabs(exact) > std::numeric_limits<float>::max()) {
            ASSERT_TRUE(std::isinf(got)) << x << "^" << y;
            continue;
        }
        worst = std::max(worst, UlpsFloat(got, exact));
    }
    EXPECT_LE(worst, FloatBound);
}

// The C library's answers at zeros, infinities, NaN, and where a result is exact.
TEST(ElementarySpecialValues, SineCosineArcCosineHypotenuse)
{
    for (double zero : {0.0, -0.0}) {
        EXPECT_EQ(Bits(maths::Sin(zero)), Bits(zero));
        EXPECT_EQ(Bits(maths::Sin(static_cast<float>(zero))), Bits(static_cast<float>(zero)));
        EXPECT_EQ(maths::Cos(zero), 1.0);
        EXPECT_EQ(maths::Cos(static_cast<float>(zero)), 1.0f);
    }
    for (double bad : {Infinity, -Infinity, NaN}) {
        EXPECT_TRUE(std::isnan(maths::Sin(bad)));
        EXPECT_TRUE(std::isnan(maths::Cos(bad)));
        EXPECT_TRUE(std::isnan(maths::Sin(static_cast<float>(bad))));
        EXPECT_TRUE(std::isnan(maths::Cos(static_cast<float>(bad))));
        float s, c;
        maths::SinCos(static_cast<float>(bad), s, c);
        EXPECT_TRUE(std::isnan(s) && std::isnan(c));
    }
    // Tiny angles: sin x is x, cos x is 1, in both precisions.
    EXPECT_EQ(maths::Sin(1e-300), 1e-300);
    EXPECT_EQ(maths::Cos(1e-300), 1.0);
    EXPECT_EQ(maths::Sin(-1e-30f), -1e-30f);

    EXPECT_EQ(Bits(maths::Acos(1.0)), Bits(0.0));
    EXPECT_EQ(maths::Acos(-1.0), 3.141592653589793);
    EXPECT_EQ(maths::Acos(0.0), 1.5707963267948966);
    EXPECT_EQ(maths::Acos(0.5), 1.0471975511965979);
    for (double bad : {1.0000000000000002, -1.5, Infinity, NaN})
        EXPECT_TRUE(std::isnan(maths::Acos(bad))) << bad;

    EXPECT_EQ(maths::Hypot(3.0, 4.0), 5.0);
    EXPECT_EQ(maths::Hypot(-3.0, -4.0), 5.0);
    EXPECT_EQ(maths::Hypot(0.0, -0.0), 0.0);
    EXPECT_EQ(maths::Hypot(-7.5, 0.0), 7.5);
    EXPECT_EQ(maths::Hypot(Infinity, NaN), Infinity);
    EXPECT_EQ(maths::Hypot(NaN, -Infinity), Infinity);
    EXPECT_TRUE(std::isnan(maths::Hypot(NaN, 1.0)));
    // No overflow or underflow in between: the largest and the smallest doubles.
    EXPECT_EQ(maths::Hypot(std::ldexp(3.0, 1020), std::ldexp(4.0, 1020)), std::ldexp(5.0, 1020));
    const double big = std::numeric_limits<double>::max();
    EXPECT_EQ(maths::Hypot(big, big), Infinity);
    const double tiny = std::numeric_limits<double>::denorm_min();
    EXPECT_EQ(maths::Hypot(3 * tiny, 4 * tiny), 5 * tiny);
    EXPECT_EQ(maths::Hypot(std::ldexp(3.0, -540), std::ldexp(4.0, -540)), std::ldexp(5.0, -540));
}

TEST(ElementarySpecialValues, Power)
{
    struct Case {
        float x, y, expected;
    };
    const Case cases[] = {
        // x^0 and 1^y are 1, even for NaN.
        {NaNF, 0.0f, 1.0f}, {NaNF, -0.0f, 1.0f}, {1.0f, NaNF, 1.0f}, {1.0f, -InfinityF, 1.0f},
        {-1.0f, InfinityF, 1.0f}, {-1.0f, -InfinityF, 1.0f},
        // Zero bases: odd integer powers keep the sign.
        {0.0f, 3.0f, 0.0f}, {-0.0f, 3.0f, -0.0f}, {-0.0f, 2.0f, 0.0f}, {-0.0f, 0.5f, 0.0f},
        {0.0f, -3.0f, InfinityF}, {-0.0f, -3.0f, -InfinityF}, {-0.0f, -2.0f, InfinityF},
        {-0.0f, -InfinityF, InfinityF}, {0.0f, InfinityF, 0.0f},
        // Infinite powers.
        {0.5f, InfinityF, 0.0f}, {0.5f, -InfinityF, InfinityF}, {2.0f, InfinityF, InfinityF},
        {-2.0f, -InfinityF, 0.0f}, {-0.5f, InfinityF, 0.0f},
        // Infinite bases.
        {InfinityF, 0.5f, InfinityF}, {InfinityF, -2.0f, 0.0f}, {-InfinityF, 3.0f, -InfinityF},
        {-InfinityF, 2.0f, InfinityF}, {-InfinityF, -3.0f, -0.0f}, {-InfinityF, -2.5f, 0.0f},
        // Negative bases: integer powers take the sign of their parity.
        {-2.0f, 3.0f, -8.0f}, {-2.0f, 2.0f, 4.0f}, {-2.0f, -1.0f, -0.5f},
        {-3.0f, 16777216.0f, InfinityF}, {-0.5f, 16777216.0f, 0.0f},
        // Exact powers, overflow and underflow.
        {2.0f, 10.0f, 1024.0f}, {4.0f, 0.5f, 2.0f}, {0.25f, -0.5f, 2.0f}, {10.0f, 39.0f, InfinityF},
        {0.5f, 149.0f, 0x1p-149f}, {0.5f, 151.0f, 0.0f}, {0x1p-149f, 0.5f, 0x1.6a09e6p-75f},
        {2.0f, 127.0f, 0x1p127f}, {2.0f, 128.0f, InfinityF}, {2.0f, -126.0f, 0x1p-126f},
    };
    for (const Case& c : cases) {
        const float got = maths::Pow(c.x, c.y);
        EXPECT_EQ(Bits(got), Bits(c.expected)) << c.x << "^" << c.y << " gave " << got;
    }
    for (const float y : {0.5f, 1.5f, -0.25f})
        EXPECT_TRUE(std::isnan(maths::Pow(-2.0f, y))) << y;
    for (const float x : {NaNF})
        EXPECT_TRUE(std::isnan(maths::Pow(x, 2.0f)));
    EXPECT_TRUE(std::isnan(maths::Pow(2.0f, NaNF)));
    // A power of 1 gives the base back, however it was reached.
    Inputs in;
    for (int i = 0; i < 10000; ++i) {
        const float x = static_cast<float>(std::fabs(in.Spread(-149, 127)));
        ASSERT_EQ(maths::Pow(x, 1.0f), x);
    }
}

// One checksum per function over a fixed stream of inputs: the bits are the point of these
// functions, and the Windows build, run under Wine, must give the same as Linux.
uint64_t Mix(uint64_t hash, uint64_t bits)
{
    for (int i = 0; i < 8; ++i) {
        hash ^= (bits >> (8 * i)) & 0xff;
        hash *= 0x100000001b3u;
    }
    return hash;
}

TEST(ElementaryBits, SameOnEveryBuild)
{
    Inputs in;
    uint64_t sinF = 0xcbf29ce484222325u, sinD = sinF, acos = sinF, hypot = sinF, pow = sinF;
    for (int i = 0; i < 100000; ++i) {
        const float angle = static_cast<float>(in.Between(-100.0, 100.0));
        float s, c;
        maths::SinCos(angle, s, c);
        sinF = Mix(sinF, Bits(s) | static_cast<uint64_t>(Bits(c)) << 32);
        const double big = in.Spread(-20, 200);
        sinD = Mix(Mix(sinD, Bits(maths::Sin(big))), Bits(maths::Cos(big)));
        acos = Mix(acos, Bits(maths::Acos(in.Between(-1.0, 1.0))));
        const double legX = in.Between(-2000.0, 2000.0), legY = in.Between(-2000.0, 2000.0);
        hypot = Mix(hypot, Bits(maths::Hypot(legX, legY)));
        const float base = static_cast<float>(in.Unit());
        const float exponent = static_cast<float>(in.Between(0.0, 300.0));
        pow = Mix(pow, Bits(maths::Pow(base, exponent)));
    }
    EXPECT_EQ(sinF, 0xef7f72632acc5a46u);
    EXPECT_EQ(sinD, 0x28b895a41144e995u);
    EXPECT_EQ(acos, 0x01183dcdf43fd0e0u);
    EXPECT_EQ(hypot, 0x0add26f2716575a7u);
    EXPECT_EQ(pow, 0x97f4b4596f885b60u);
}

} // namespace

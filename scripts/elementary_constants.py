#!/usr/bin/env python3
"""Derives the constants of shading/elementary.cpp: the splits of pi/2 and ln 2, the bits of 2/pi
for reducing huge angles, and the logarithm and power-of-two tables of Pow. Everything comes from
pi (Machin's formula in integers) and from ln and exp at 60 digits; only the standard library is
used. Prints C++ to paste over the tables; the file says which of its numbers come from here.

    python3 scripts/elementary_constants.py
"""
from decimal import Decimal, getcontext
from fractions import Fraction

getcontext().prec = 60
BITS = 1400  # 2/pi is needed to about 971 + 53 + 224 bits for the largest double


def atan_inverse(n, one):
    """atan(1/n) scaled by `one`, as an integer, by its alternating series."""
    total, term, k, sign = 0, one // n, 1, 1
    while term:
        total += sign * (term // k)
        term //= n * n
        k += 2
        sign = -sign
    return total


def pi_fraction():
    one = 1 << (BITS + 64)
    pi = 16 * atan_inverse(5, one) - 4 * atan_inverse(239, one)
    return Fraction(pi, one)


def to_double(value):
    """The double nearest to a Fraction (Python's int/int division rounds correctly)."""
    return value.numerator / value.denominator


def significand_bits(value, bits, rounded=False):
    """value > 0 with its significand cut (or rounded) to `bits` bits, as an exact Fraction."""
    exponent = 0
    while value >= 1:
        value /= 2
        exponent += 1
    while value < Fraction(1, 2):
        value *= 2
        exponent -= 1
    scaled = value * (1 << bits)
    if rounded:
        scaled += Fraction(1, 2)
    return Fraction(scaled.numerator // scaled.denominator, 1 << bits) * Fraction(2) ** exponent


def hexd(x):
    return float(x).hex()


PI = pi_fraction()
half_pi = PI / 2


def block(lines):
    print("\n".join(lines) + "\n")


print("// ---- angle reduction ----")
p1 = significand_bits(half_pi, 33)
p2 = significand_bits(half_pi - p1, 33)
p3 = half_pi - p1 - p2
hp_hi = Fraction(to_double(half_pi))
block([
    "// pi/2 in three parts, the first two of 33 bits so that k times them is exact for k < 2^20;",
    "// pi/2 as a double and the rest; 2/pi.",
    f"constexpr double HalfPi1 = {hexd(to_double(p1))};",
    f"constexpr double HalfPi2 = {hexd(to_double(p2))};",
    f"constexpr double HalfPi3 = {hexd(to_double(p3))};",
    f"constexpr double HalfPiHi = {hexd(to_double(hp_hi))};",
    f"constexpr double HalfPiLo = {hexd(to_double(half_pi - hp_hi))};",
    "constexpr double QuarterPi = HalfPiHi / 2;",
    f"constexpr double TwoOverPi = {hexd(to_double(2 / PI))};",
])

words = []
frac = 2 / PI
for _ in range(37):  # the largest double needs words up to index (971 - 34) / 32 + 7 = 36
    frac *= 1 << 32
    w = frac.numerator // frac.denominator
    words.append(w)
    frac -= w
lines = ["// The bits of 2/pi after the point, 32 to a word, most significant first.",
         "const uint32_t TwoOverPiWords[37] = {"]
for i in range(0, len(words), 6):
    lines.append("    " + ", ".join(f"0x{w:08x}" for w in words[i:i + 6]) + ",")
lines.append("};")
block(lines)

print("// ---- logarithm and exponential ----")
ln2 = Fraction(Decimal(2).ln())
lines = ["// Taylor coefficients of log2(1 + r) = (r - r^2/2 + r^3/3 - ...)/ln2, and of",
         "// 2^(r/32) = e^(r ln2/32) = sum of (r ln2/32)^n / n!.",
         "constexpr double Log2Poly[5] = {"]
lines.append("    " + ", ".join(hexd(to_double((-1) ** (n + 1) / (n * ln2))) for n in range(1, 4)) + ",")
lines.append("    " + ", ".join(hexd(to_double((-1) ** (n + 1) / (n * ln2))) for n in range(4, 6)) + ",")
lines.append("};")
lines.append("constexpr double Exp2Poly[4] = {")
factorial = 1
coefficients = []
for n in range(1, 5):
    factorial *= n
    coefficients.append(hexd(to_double((ln2 / 32) ** n / factorial)))
lines.append("    " + ", ".join(coefficients[:2]) + ",")
lines.append("    " + ", ".join(coefficients[2:]) + ",")
lines.append("};")
block(lines)

lines = ["// 2^(j/32).", "const double Exp2Table[32] = {"]
values = [hexd(to_double(Fraction((Decimal(j) / 32 * Decimal(2).ln()).exp()))) for j in range(32)]
for i in range(0, 32, 3):
    lines.append("    " + ", ".join(values[i:i + 3]) + ",")
lines.append("};")
block(lines)

# A positive float is 2^e m with the bits of m in [OFF, OFF + 2^23), about 0.699 <= m < 1.398,
# so that x near 1 on either side has e = 0. Interval j holds the bits OFF + j 2^16 up to the
# next; 1.0 lies in the middle of interval 77, which gets c = 1 exactly.
OFF = 0x3f328000


def float_of_bits(bits):
    import struct
    return Fraction(struct.unpack("<f", struct.pack("<I", bits))[0])


lines = [f"constexpr uint32_t LogOffset = 0x{OFF:08x}; // 1.0 sits in the middle of interval 77",
         "",
         "// Per interval of m: 1/c for c the interval's middle, rounded to 24 bits, and log2 c.",
         "const LogEntry Log2Table[128] = {"]
for j in range(128):
    lo = float_of_bits(OFF + (j << 16))
    hi = float_of_bits(OFF + ((j + 1) << 16))
    inverse = Fraction(1) if lo < 1 < hi else significand_bits(2 / (lo + hi), 24, rounded=True)
    log2_c = (Decimal(inverse.denominator).ln() - Decimal(inverse.numerator).ln()) / Decimal(2).ln()
    lines.append(f"    {{{hexd(to_double(inverse))}, {hexd(to_double(Fraction(log2_c)))}}},")
lines.append("};")
block(lines)
print("// ---- short sine and cosine for float angles ----")
getcontext().prec = 50
QUARTER = Decimal(to_double(PI / 4)) * (1 + Decimal(2) ** -40)  # a hair past pi/4


def sin_dec(x):
    term, total, n = x, x, 1
    while abs(term) > Decimal(10) ** -45:
        term = -term * x * x / ((2 * n) * (2 * n + 1))
        total += term
        n += 1
    return total


def cos_dec(x):
    term, total, n = Decimal(1), Decimal(1), 1
    while abs(term) > Decimal(10) ** -45:
        term = -term * x * x / ((2 * n - 1) * (2 * n))
        total += term
        n += 1
    return total


def solve(matrix, rhs):
    """Gaussian elimination in exact fractions."""
    n = len(rhs)
    a = [row[:] + [v] for row, v in zip(matrix, rhs)]
    for col in range(n):
        pivot = next(r for r in range(col, n) if a[r][col] != 0)
        a[col], a[pivot] = a[pivot], a[col]
        for r in range(n):
            if r != col:
                f = a[r][col] / a[col][col]
                a[r] = [x - f * y for x, y in zip(a[r], a[col])]
    return [a[r][n] / a[r][r] for r in range(n)]


def fit(g, degree, top):
    """The polynomial of `degree` in z that interpolates g at the Chebyshev points of [0, top]:
    within a small factor of the best polynomial of that degree (g is smooth)."""
    import math
    n = degree + 1
    nodes = [Fraction(top) / 2 * (1 - Fraction(math.cos((2 * i + 1) * math.pi / (2 * n)))) for i in range(n)]
    matrix = [[z ** k for k in range(n)] for z in nodes]
    return [Fraction(to_double(c)) for c in solve(matrix, [Fraction(g(Decimal(z.numerator) / Decimal(z.denominator))) for z in nodes])]


top = QUARTER * QUARTER
# sin r = r (1 + z P(z)), P(z) = (sin(sqrt z)/sqrt z - 1)/z; cos r = 1 + z Q(z), Q(z) = (cos(sqrt z) - 1)/z.
sin_p = fit(lambda z: (sin_dec(z.sqrt()) / z.sqrt() - 1) / z if z else Decimal(-1) / 6, 3, Fraction(top))
cos_q = fit(lambda z: (cos_dec(z.sqrt()) - 1) / z if z else Decimal(-1) / 2, 4, Fraction(top))


def worst(evaluate, exact):
    w = Decimal(0)
    for i in range(2001):
        r = QUARTER * i / 2000
        if r == 0:
            continue
        w = max(w, abs(evaluate(r) / exact(r) - 1))
    return w


def horner(coefficients, z):
    total = Decimal(0)
    for c in reversed(coefficients):
        total = total * z + Decimal(c.numerator) / Decimal(c.denominator)
    return total


ws = worst(lambda r: r * (1 + r * r * horner(sin_p, r * r)), sin_dec)
wc = worst(lambda r: 1 + r * r * horner(cos_q, r * r), cos_dec)
print(f"// sin r = r (1 + z P(z)) and cos r = 1 + z Q(z), z = r^2, on |r| <= pi/4: relative errors")
print(f"// {float(ws):.2e} and {float(wc):.2e} before rounding.")
print("constexpr double SinShort[4] = {" + ", ".join(hexd(to_double(c)) for c in sin_p) + "};")
print("constexpr double CosShort[5] = {" + ", ".join(hexd(to_double(c)) for c in cos_q) + "};")

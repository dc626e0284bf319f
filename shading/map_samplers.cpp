// Texture, opacity, bump and reflection map sampling: the texel-coordinate wrap, nearest,
// bilinear and box-filtered texel reads, the bump gradient and the box projection of the
// reflected view ray.
#include "shading/map_samplers.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "engine/engine_exports.h"
#include "engine/engine_state.h"
#include "shading/lanes.h"
#include "shading/span_helpers.h"

namespace {

// The texel index as an int. The wrap leaves 0 <= X < size, but near 2^24 and beyond a float
// cannot tell size - 1 from size, so the index is pinned to the last texel as well.
inline int TexelIndex(float coordinate, int size)
{
    int64_t index = static_cast<int64_t>(coordinate);
    return index < size ? static_cast<int>(index) : size - 1;
}

// Start of texel (x, y): 4 elements per texel, packed rows. The offset is formed in size_t so that
// a large texture's byte offset does not wrap an int.
inline const unsigned char* TexelAt(const __Texture& t, int x, int y)
{
    const size_t elementBytes = _Deep ? 2 : 1;
    return t.pixels + (static_cast<size_t>(y) * static_cast<size_t>(t.width) + x) * 4 * elementBytes;
}

inline void ReadTexel(const __Texture& t, int x, int y, float e[4])
{
    const unsigned char* texel = TexelAt(t, x, y);
    for (int c = 0; c < 4; ++c)
        e[c] = static_cast<float>(GetElement(texel, c));
}

// The four elements of texel (x, y) as floats, one per lane (8- or 16-bit elements widened to
// 32-bit integers, then converted: every element value is a float exactly).
inline Lanes TexelLanes(const __Texture& t, int x, int y)
{
    const unsigned char* texel = TexelAt(t, x, y);
    const __m128i zero = _mm_setzero_si128();
    __m128i words;
    if (_Deep) {
        words = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(texel));
    } else {
        int32_t bytes;
        std::memcpy(&bytes, texel, sizeof bytes);
        words = _mm_unpacklo_epi8(_mm_cvtsi32_si128(bytes), zero);
    }
    return _mm_cvtepi32_ps(_mm_unpacklo_epi16(words, zero));
}

// How a bilinear tap finds its right and lower neighbours past the last column or row. The
// colour maps take column (row) 1, which is how stored scenes were always filtered; a texture
// one texel wide or high has no column 1 and uses its only one. The reflection map clamps.
enum class Edge { ToSecond, Clamp };

inline int NeighbourAfter(int index, int size, Edge edge)
{
    if (index + 1 < size)
        return index + 1;
    if (edge == Edge::Clamp)
        return size - 1;
    return size >= 2 ? 1 : 0;
}

// Elements of the bilinear blend around (X, Y); the weights stay as they are even where a
// neighbour was taken from elsewhere.
inline void Bilinear(const __Texture& t, float X, float Y, Edge edge, float e[4])
{
    const int x0 = TexelIndex(X, t.width);
    const int y0 = TexelIndex(Y, t.height);
    const int x1 = NeighbourAfter(x0, t.width, edge);
    const int y1 = NeighbourAfter(y0, t.height, edge);
    const float fx = X - static_cast<float>(x0);
    const float fy = Y - static_cast<float>(y0);
    const float w00 = (1.0f - fx) * (1.0f - fy);
    const float w11 = fx * fy;
    const float w01 = (1.0f - fx) * fy;
    const float w10 = fx * (1.0f - fy);
    // Per element: p00 w00 + p11 w11 + p01 w01 + p10 w10, in that order, one lane each.
    const Lanes blend =
        Add(Add(Add(Mul(TexelLanes(t, x0, y0), Splat(w00)), Mul(TexelLanes(t, x1, y1), Splat(w11))),
                Mul(TexelLanes(t, x0, y1), Splat(w01))),
            Mul(TexelLanes(t, x1, y0), Splat(w10)));
    _mm_storeu_ps(e, blend);
}

inline void Nearest(const __Texture& t, float X, float Y, float e[4])
{
    ReadTexel(t, TexelIndex(X, t.width), TexelIndex(Y, t.height), e);
}

// The minification box between the previous pixel's texel position and this one's. It applies
// under _Quality when the previous pixel is known and the step spans more than 2 texels; each
// axis then takes up to 10 samples, so a map costs at most 100 texel reads per pixel.
struct Box {
    float startX, startY; // the previous pixel's (X', Y')
    float deltaX, deltaY;
    int countX, countY;
};

inline int BoxCount(float delta)
{
    float n = std::fabs(delta) + 1.0f;
    return static_cast<int>(n < 10.0f ? n : 10.0f);
}

bool MinificationBox(const map3ds& block, const __Texture& t, float X, float Y,
                     const __PrevInfo* prevInfo, Box& box)
{
    if (!prevInfo || !_Quality || !prevInfo->valid)
        return false;
    box.startX = TexelCoordinate(prevInfo->u, block.uScale, block.uOffset, t.width);
    box.startY = TexelCoordinate(prevInfo->v, block.vScale, block.vOffset, t.height);
    box.deltaX = X - box.startX;
    box.deltaY = Y - box.startY;
    if (!(std::fabs(box.deltaX) + std::fabs(box.deltaY) > 2.0f))
        return false;
    box.countX = BoxCount(box.deltaX);
    box.countY = BoxCount(box.deltaY);
    return true;
}

// Column (row) of box sample i. Both ends lie inside the texture, so the sample does too; the
// pin only guards against the last bit of float rounding.
inline int BoxSample(float start, float delta, int i, int count, int size)
{
    float at = start + static_cast<float>(i) * delta / static_cast<float>(count);
    int64_t index = static_cast<int64_t>(at);
    return index < 0 ? 0 : (index < size ? static_cast<int>(index) : size - 1);
}

} // namespace

float TexelCoordinate(float s, float scale, float offset, int size)
{
    const float w = static_cast<float>(size);
    float X = (s * scale + offset) * (w - 1.0f);
    X = X - w * std::trunc(X / w);
    if (X < 0.0f)
        X += w;
    if (X >= w)
        X = w - 1.0f;
    // NaN, or a coordinate so large that the float remainder above came out below -w: the
    // texture's first texel rather than a read before it.
    if (!(X >= 0.0f))
        X = 0.0f;
    return X;
}

void SampleMap(float& out1, float& out2, float& out3, const map3ds& block,
               const __Texture* texture, float& amount, bool& present, float u, float v,
               const __PrevInfo* prevInfo)
{
    if (!MapReadable(texture)) {
        present = false;
        return;
    }
    const __Texture& t = *texture;
    amount = ClampUnit(amount);
    const float X = TexelCoordinate(u, block.uScale, block.uOffset, t.width);
    const float Y = TexelCoordinate(v, block.vScale, block.vOffset, t.height);
    const float top = static_cast<float>(ChannelMax);

    float e[4];
    Box box;
    if (MinificationBox(block, t, X, Y, prevInfo, box)) {
        int sum[4] = {0, 0, 0, 0}; // at most 100 x 32768
        for (int i = 0; i < box.countX; ++i) {
            const int x = BoxSample(box.startX, box.deltaX, i, box.countX, t.width);
            for (int j = 0; j < box.countY; ++j) {
                const int y = BoxSample(box.startY, box.deltaY, j, box.countY, t.height);
                const unsigned char* texel = TexelAt(t, x, y);
                for (int c = 0; c < 4; ++c)
                    sum[c] += GetElement(texel, c);
            }
        }
        const float divisor = static_cast<float>(box.countX * box.countY) * top;
        for (int c = 0; c < 4; ++c)
            e[c] = static_cast<float>(sum[c]) / divisor;
    } else {
        if (_Quality)
            Bilinear(t, X, Y, Edge::ToSecond, e);
        else
            Nearest(t, X, Y, e);
        for (int c = 0; c < 4; ++c)
            e[c] /= top;
    }
    // Texels store blue, green, red: the reverse of the image's component order.
    out1 = e[2];
    out2 = e[1];
    out3 = e[0];
    amount *= e[3];
}

void SampleBumpMap(float& nx, float& ny, float& nz, const map3ds& block, const __Texture* texture,
                   float& amount, bool& present, float u, float v, const __PrevInfo* prevInfo)
{
    (void)nz; // the tilt is in x and y only, and the normal is not renormalised
    if (!MapReadable(texture)) {
        present = false;
        return;
    }
    const __Texture& t = *texture;
    // The gradient is taken in element units; 16-bit elements scale it back to 8-bit terms.
    if (_Deep)
        amount = amount * 255.0f / 32768.0f;
    const float X = TexelCoordinate(u, block.uScale, block.uOffset, t.width);
    const float Y = TexelCoordinate(v, block.vScale, block.vOffset, t.height);

    float g, gx, gy;
    Box box;
    if (MinificationBox(block, t, X, Y, prevInfo, box)) {
        // Within the box the neighbours sit one box step away (at least a texel), and wrap to
        // the first column or row instead of repeating the texel.
        const float stepX = std::fabs(box.deltaX);
        const float stepY = std::fabs(box.deltaY);
        const int64_t offsetX = static_cast<int64_t>(stepX > 1.0f ? stepX : 1.0f);
        const int64_t offsetY = static_cast<int64_t>(stepY > 1.0f ? stepY : 1.0f);
        int sum[9] = {0, 0, 0, 0, 0, 0, 0, 0, 0};
        for (int i = 0; i < box.countX; ++i) {
            const int x = BoxSample(box.startX, box.deltaX, i, box.countX, t.width);
            const int right = x + offsetX < t.width ? static_cast<int>(x + offsetX) : 0;
            for (int j = 0; j < box.countY; ++j) {
                const int y = BoxSample(box.startY, box.deltaY, j, box.countY, t.height);
                const int lower = y + offsetY < t.height ? static_cast<int>(y + offsetY) : 0;
                const unsigned char* here = TexelAt(t, x, y);
                const unsigned char* besides = TexelAt(t, right, y);
                const unsigned char* below = TexelAt(t, x, lower);
                for (int c = 0; c < 3; ++c) {
                    sum[c] += GetElement(here, c);
                    sum[3 + c] += GetElement(besides, c);
                    sum[6 + c] += GetElement(below, c);
                }
            }
        }
        const float samples = static_cast<float>(box.countX * box.countY);
        float mean[9];
        for (int k = 0; k < 9; ++k)
            mean[k] = static_cast<float>(sum[k]) / samples;
        g = mean[0] + mean[1] + mean[2];
        gx = mean[3] + mean[4] + mean[5];
        gy = mean[6] + mean[7] + mean[8];
    } else {
        const int x0 = TexelIndex(X, t.width);
        const int y0 = TexelIndex(Y, t.height);
        const int x1 = x0 + 1 < t.width ? x0 + 1 : x0;
        const int y1 = y0 + 1 < t.height ? y0 + 1 : y0;
        const unsigned char* here = TexelAt(t, x0, y0);
        const unsigned char* besides = TexelAt(t, x1, y0);
        const unsigned char* below = TexelAt(t, x0, y1);
        g = static_cast<float>(GetElement(here, 0) + GetElement(here, 1) + GetElement(here, 2));
        gx = static_cast<float>(GetElement(besides, 0) + GetElement(besides, 1) +
                                GetElement(besides, 2));
        gy = static_cast<float>(GetElement(below, 0) + GetElement(below, 1) +
                                GetElement(below, 2));
    }
    const float k = amount / 10.0f;
    nx = nx - (gx - g) * k;
    ny = ny - (gy - g) * k;
}

namespace {

// Where the reflected ray through (a, z) with direction (ra, rz) leaves the square of half-side
// H, as a map coordinate 0..1 along one axis. Of the wall across the depth axis (z = +-H) and the
// wall across the image axis (a = +-H), the nearer hit wins, the depth wall on a tie. A ray
// (nearly) along neither axis looks straight out of the square at a.
float WallCoordinate(float a, float z, float ra, float rz, float H, float S)
{
    if (std::fabs(rz) < 0.0001f && std::fabs(ra) < 0.0001f)
        return (a + H) / S;
    const bool depthWall = std::fabs(rz) >= 0.00001f;
    const bool sideWall = std::fabs(ra) >= 0.00001f;
    float hitA = 0.0f, depthKey = 0.0f, hitZ = 0.0f, sideKey = 0.0f;
    if (depthWall) {
        const float wall = rz >= 0.0f ? H : -H;
        hitA = a + ra * (wall - z) / rz;
        depthKey = hitA * hitA + H * H;
    }
    if (sideWall) {
        const float wall = ra >= 0.0f ? H : -H;
        hitZ = z + rz * (wall - a) / ra;
        sideKey = H * H + hitZ * hitZ;
    }
    if (depthWall && (!sideWall || !(sideKey < depthKey)))
        return (hitA + H) / S;
    if (sideWall)
        return (hitZ + H) / S;
    // Only a NaN direction gets here: neither test above holds for it.
    return (a + H) / S;
}

} // namespace

Lanes ReflectionColour(const map3ds& block, const __Texture& t, float x, float y, float z,
                       float nx, float ny, float nz)
{
    // The view looks along -z at the surface; reflected about the unit normal it becomes R.
    const float rx = 2.0f * nz * nx;
    const float ry = 2.0f * nz * ny;
    const float rz = 2.0f * nz * nz - 1.0f;
    // The environment is a box around the scene as wide as the frame.
    const float H = static_cast<float>(Zwidth);
    const float S = 2.0f * H;
    const float u = WallCoordinate(x, z, rx, rz, H, S);
    const float v = WallCoordinate(y, z, ry, rz, H, S);

    const float X = TexelCoordinate(u, block.uScale, block.uOffset, t.width);
    const float Y = TexelCoordinate(v, block.vScale, block.vOffset, t.height);
    alignas(16) float e[4];
    if (_Quality)
        Bilinear(t, X, Y, Edge::Clamp, e);
    else
        Nearest(t, X, Y, e);
    // Texture elements are blue, green, red; the texel's alpha plays no part: an environment is
    // opaque.
    return Div(LanesOf(e[2], e[1], e[0]), Splat(static_cast<float>(ChannelMax)));
}

void SampleReflectionMap(float& out1, float& out2, float& out3, const map3ds& block,
                         const __Texture* texture, float& amount, bool& present, float x, float y,
                         float z, float nx, float ny, float nz)
{
    if (!MapReadable(texture)) {
        present = false;
        return;
    }
    amount = ClampUnit(amount);
    const Lanes colour = ReflectionColour(block, *texture, x, y, z, nx, ny, nz);
    out1 = Lane0(colour);
    out2 = Lane1(colour);
    out3 = Lane2(colour);
}

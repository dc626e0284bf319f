// Pixel-layout conversions between host worlds, engine images and texture images, and the point
// transforms of the tree's placement.
#include "effect/frame_convert.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include <emmintrin.h>

#include "engine/engine_exports.h"
#include "platform/pages.h"
#include "shading/elementary.h"

namespace {

// The three channel orders between worlds (A, R, G, B), engine images (R, G, B, A) and texture
// images (B, G, R, A), each as one operation on whole pixels. A pixel's four elements, read as
// one little-endian integer (x86-64, both builds), have element 0 in the low bits: world to
// engine moves every element down one place (a rotation right by one element), engine to world
// moves them back up, and world to texture reverses them. SSE2 does this for four 8-bit or two
// 16-bit pixels at a time; only whole elements move, so every value is copied unchanged.
enum class Reorder { WorldToEngine, WorldToTexture, EngineToWorld };

// One pixel: a uint32_t of 8-bit elements or a uint64_t of 16-bit ones.
template <Reorder R, typename Pixel>
inline Pixel MovePixel(Pixel v)
{
    constexpr int Bits = int(sizeof(Pixel)) * 2;   // of one element
    constexpr Pixel Element = Pixel(~Pixel(0)) >> (3 * Bits);
    if constexpr (R == Reorder::WorldToEngine)
        return Pixel((v >> Bits) | (v << (3 * Bits)));
    else if constexpr (R == Reorder::EngineToWorld)
        return Pixel((v << Bits) | (v >> (3 * Bits)));
    else
        return Pixel((v >> (3 * Bits)) | ((v >> Bits) & (Element << Bits)) | ((v << Bits) & (Element << (2 * Bits))) |
                     (v << (3 * Bits)));
}

// Turns each pixel in a vector, taken as one whole number, right by `Bits` (whole elements):
// MovePixel's rotations, four 8-bit or two 16-bit pixels at a time.
template <typename Pixel, int Bits>
inline __m128i RotatePixelsRight(__m128i v)
{
    constexpr int PixelBits = int(sizeof(Pixel)) * 8;
    if constexpr (sizeof(Pixel) == 4)
        return _mm_or_si128(_mm_srli_epi32(v, Bits), _mm_slli_epi32(v, PixelBits - Bits));
    else
        return _mm_or_si128(_mm_srli_epi64(v, Bits), _mm_slli_epi64(v, PixelBits - Bits));
}

// MovePixel on a whole vector. Reversing 16-bit elements is a shuffle of words; 8-bit ones have
// no byte shuffle in SSE2, so they are masked into place.
template <Reorder R, typename Pixel>
inline __m128i MovePixels(__m128i v)
{
    constexpr int Bits = int(sizeof(Pixel)) * 2;
    if constexpr (R == Reorder::WorldToEngine)
        return RotatePixelsRight<Pixel, Bits>(v);
    else if constexpr (R == Reorder::EngineToWorld)
        return RotatePixelsRight<Pixel, 3 * Bits>(v);   // left by one element
    else if constexpr (sizeof(Pixel) == 8)
        return _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, _MM_SHUFFLE(0, 1, 2, 3)), _MM_SHUFFLE(0, 1, 2, 3));
    else
        return _mm_or_si128(
            _mm_or_si128(_mm_srli_epi32(v, 24), _mm_and_si128(_mm_srli_epi32(v, 8), _mm_set1_epi32(0x0000FF00))),
            _mm_or_si128(_mm_and_si128(_mm_slli_epi32(v, 8), _mm_set1_epi32(0x00FF0000)), _mm_slli_epi32(v, 24)));
}

// Rows of `width` pixels of Pixel (4 elements each), `destinationRow` and `sourceRow` elements
// apart.
template <Reorder R, typename Pixel>
void MoveRows(void* destination, const void* source, int width, int height,
              ptrdiff_t destinationRow, ptrdiff_t sourceRow)
{
    constexpr size_t ElementBytes = sizeof(Pixel) / 4;
    constexpr int PerVector = 16 / static_cast<int>(sizeof(Pixel));
    for (int y = 0; y < height; ++y) {
        unsigned char* d = static_cast<unsigned char*>(destination) +
                           static_cast<size_t>(y) * static_cast<size_t>(destinationRow) * ElementBytes;
        const unsigned char* s = static_cast<const unsigned char*>(source) +
                                 static_cast<size_t>(y) * static_cast<size_t>(sourceRow) * ElementBytes;
        int x = 0;
        for (; x + PerVector <= width; x += PerVector) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + x * sizeof(Pixel)));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(d + x * sizeof(Pixel)), MovePixels<R, Pixel>(v));
        }
        for (; x < width; ++x) {
            Pixel pixel;
            std::memcpy(&pixel, s + x * sizeof(Pixel), sizeof pixel);
            pixel = MovePixel<R>(pixel);
            std::memcpy(d + x * sizeof(Pixel), &pixel, sizeof pixel);
        }
    }
}

template <Reorder R>
void ReorderByDepth(void* destination, const void* source, int width, int height,
                    ptrdiff_t destinationRow, ptrdiff_t sourceRow)
{
    if (__GetDeep())
        MoveRows<R, uint64_t>(destination, source, width, height, destinationRow, sourceRow);
    else
        MoveRows<R, uint32_t>(destination, source, width, height, destinationRow, sourceRow);
}

template <Reorder R>
unsigned char* ConvertIntoImage(unsigned char* image, const void* world, int width, int height,
                                int worldRow)
{
    // The image is sized from its own width and element width, whatever row length the world
    // reports: a deep world's row length in words would otherwise halve the allocation.
    size_t bytes = EngineImageBytes(width, height);
    if (bytes == 0)
        return image;
    if (!image) {
        image = static_cast<unsigned char*>(PageAllocate(bytes));
        if (!image)
            return nullptr;
    }
    if (world)
        ReorderByDepth<R>(image, world, width, height, ptrdiff_t(width) * 4, worldRow);
    return image;
}

// Rotates the pair (a, b) about (c1, c2) by the angle whose sine and cosine are given.
inline void RotatePair(float& a, float& b, float c1, float c2, float s, float c)
{
    float da = a - c1, db = b - c2;
    a = da * c - db * s + c1;
    b = da * s + db * c + c2;
}

// The three axes differ only in which pair of coordinates turns: A and B of the position about
// (c1, c2), and the matching pair of the normal, where there is one, about the origin.
template <float __Point3ds::*A, float __Point3ds::*B, float __Point3ds::*NormalA, float __Point3ds::*NormalB>
void RotatePoints(__Point3ds* points, int count, float angle, float c1, float c2)
{
    float s, c;
    maths::SinCos(angle, s, c);
    for (int i = 0; i < count; ++i) {
        __Point3ds& p = points[i];
        RotatePair(p.*A, p.*B, c1, c2, s, c);
        if (p.hasNormal)
            RotatePair(p.*NormalA, p.*NormalB, 0.0f, 0.0f, s, c);
    }
}

} // namespace

size_t EngineImageBytes(int width, int height)
{
    if (width <= 0 || height <= 0)
        return 0;
    uint64_t bytes = uint64_t(width) * uint64_t(height) * (__GetDeep() ? 8u : 4u);
    if (bytes > (uint64_t(1) << 40))
        return 0;
    return size_t(bytes);
}

void CopyWorld(void* destination, const void* source, int width, int height, int destinationRow,
               int sourceRow, bool deep)
{
    if (!destination || !source || width <= 0 || height <= 0)
        return;
    size_t element = deep ? 2 : 1;
    size_t rowBytes = size_t(width) * 4 * element;
    for (int y = 0; y < height; ++y)
        std::memcpy(static_cast<unsigned char*>(destination) + size_t(y) * size_t(destinationRow) * element,
                    static_cast<const unsigned char*>(source) + size_t(y) * size_t(sourceRow) * element,
                    rowBytes);
}

unsigned char* WorldToEngineImage(unsigned char* image, const void* world, int width, int height,
                                  int worldRow)
{
    return ConvertIntoImage<Reorder::WorldToEngine>(image, world, width, height, worldRow);
}

unsigned char* LayerToTexture(unsigned char* image, const void* layer, int width, int height,
                              int layerRow)
{
    return ConvertIntoImage<Reorder::WorldToTexture>(image, layer, width, height, layerRow);
}

void EngineImageToWorld(void* world, const unsigned char* image, int width, int height, int worldRow)
{
    if (!world || !image || width <= 0 || height <= 0)
        return;
    ReorderByDepth<Reorder::EngineToWorld>(world, image, width, height, worldRow,
                                           ptrdiff_t(width) * 4);
}

void RotatePointsX(__Point3ds* points, int count, float angle, float centre1, float centre2)
{
    RotatePoints<&__Point3ds::y, &__Point3ds::z, &__Point3ds::ny, &__Point3ds::nz>(points, count, angle, centre1,
                                                                                 centre2);
}

void RotatePointsY(__Point3ds* points, int count, float angle, float centre1, float centre2)
{
    RotatePoints<&__Point3ds::x, &__Point3ds::z, &__Point3ds::nx, &__Point3ds::nz>(points, count, angle, centre1,
                                                                                 centre2);
}

void RotatePointsZ(__Point3ds* points, int count, float angle, float centre1, float centre2)
{
    RotatePoints<&__Point3ds::x, &__Point3ds::y, &__Point3ds::nx, &__Point3ds::ny>(points, count, angle, centre1,
                                                                                 centre2);
}

void ScalePoints(__Point3ds* points, int count, float scale)
{
    for (int i = 0; i < count; ++i) {
        points[i].x *= scale;
        points[i].y *= scale;
        points[i].z *= scale;
    }
}

void TranslatePoints(__Point3ds* points, int count, float dx, float dy, float dz)
{
    for (int i = 0; i < count; ++i) {
        points[i].x += dx;
        points[i].y += dy;
        points[i].z += dz;
    }
}

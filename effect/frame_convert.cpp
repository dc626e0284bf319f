// Pixel-layout conversions between host worlds, engine images and texture images, and the point
// transforms of the tree's placement.
#include "effect/frame_convert.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include "engine/engine_exports.h"
#include "platform/pages.h"
#include "shading/elementary.h"

namespace {

// Reorders the four channels of every pixel: destination element k takes source element
// order[k]. Written once for both element widths.
template <typename Element>
void Reorder(Element* destination, const Element* source, int width, int height,
             ptrdiff_t destinationRow, ptrdiff_t sourceRow, const int (&order)[4])
{
    for (int y = 0; y < height; ++y) {
        Element* d = destination + y * destinationRow;
        const Element* s = source + y * sourceRow;
        for (int x = 0; x < width; ++x, d += 4, s += 4) {
            Element pixel[4] = {s[0], s[1], s[2], s[3]};
            d[0] = pixel[order[0]];
            d[1] = pixel[order[1]];
            d[2] = pixel[order[2]];
            d[3] = pixel[order[3]];
        }
    }
}

void ReorderByDepth(void* destination, const void* source, int width, int height,
                    ptrdiff_t destinationRow, ptrdiff_t sourceRow, const int (&order)[4])
{
    if (__GetDeep())
        Reorder(static_cast<uint16_t*>(destination), static_cast<const uint16_t*>(source), width,
                height, destinationRow, sourceRow, order);
    else
        Reorder(static_cast<uint8_t*>(destination), static_cast<const uint8_t*>(source), width,
                height, destinationRow, sourceRow, order);
}

// World (A, R, G, B) to engine (R, G, B, A), to texture (B, G, R, A), and engine back to world.
constexpr int WorldToEngine[4] = {1, 2, 3, 0};
constexpr int WorldToTexture[4] = {3, 2, 1, 0};
constexpr int EngineToWorld[4] = {3, 0, 1, 2};

unsigned char* ConvertIntoImage(unsigned char* image, const void* world, int width, int height,
                                int worldRow, const int (&order)[4])
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
        ReorderByDepth(image, world, width, height, ptrdiff_t(width) * 4, worldRow, order);
    return image;
}

// Rotates the pair (a, b) about (c1, c2) by the angle whose sine and cosine are given.
inline void RotatePair(float& a, float& b, float c1, float c2, float s, float c)
{
    float da = a - c1, db = b - c2;
    a = da * c - db * s + c1;
    b = da * s + db * c + c2;
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
    return ConvertIntoImage(image, world, width, height, worldRow, WorldToEngine);
}

unsigned char* LayerToTexture(unsigned char* image, const void* layer, int width, int height,
                              int layerRow)
{
    return ConvertIntoImage(image, layer, width, height, layerRow, WorldToTexture);
}

void EngineImageToWorld(void* world, const unsigned char* image, int width, int height, int worldRow)
{
    if (!world || !image || width <= 0 || height <= 0)
        return;
    ReorderByDepth(world, image, width, height, worldRow, ptrdiff_t(width) * 4, EngineToWorld);
}

void RotatePointsY(__Point3ds* points, int count, float angle, float centre1, float centre2)
{
    float s, c;
    maths::SinCos(angle, s, c);
    for (int i = 0; i < count; ++i) {
        __Point3ds& p = points[i];
        RotatePair(p.x, p.z, centre1, centre2, s, c);
        if (p.hasNormal)
            RotatePair(p.nx, p.nz, 0.0f, 0.0f, s, c);
    }
}

void RotatePointsX(__Point3ds* points, int count, float angle, float centre1, float centre2)
{
    float s, c;
    maths::SinCos(angle, s, c);
    for (int i = 0; i < count; ++i) {
        __Point3ds& p = points[i];
        RotatePair(p.y, p.z, centre1, centre2, s, c);
        if (p.hasNormal)
            RotatePair(p.ny, p.nz, 0.0f, 0.0f, s, c);
    }
}

void RotatePointsZ(__Point3ds* points, int count, float angle, float centre1, float centre2)
{
    float s, c;
    maths::SinCos(angle, s, c);
    for (int i = 0; i < count; ++i) {
        __Point3ds& p = points[i];
        RotatePair(p.x, p.y, centre1, centre2, s, c);
        if (p.hasNormal)
            RotatePair(p.nx, p.ny, 0.0f, 0.0f, s, c);
    }
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

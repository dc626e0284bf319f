// The scene driver: __RasterScene, with its per-call buffers, the depth buffer and default light
// it may own for one call, the two-pass back-face render, the facing rules, the rasteriser of
// each draw mode and the seam-hiding compositing of quality mode; and __RasterSolid, which
// paints a scene in one colour.
#include <climits>
#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "engine/engine_exports.h"
#include "engine/engine_state.h"
#include "engine/fills.h"
#include "engine/mode_rasterisers.h"
#include "platform/pages.h"
#include "shading/span_helpers.h"
#include "shading/vector_helpers.h"

int ChannelMax = 255;
int RowStride = 0;
unsigned char* destImage = nullptr;
unsigned char* ScratchImage = nullptr;
unsigned char* EdgeColorMemory = nullptr;
unsigned char* UnderEdgeMemory = nullptr;
unsigned char* BackLayer = nullptr;
float* BackLayerDepth = nullptr;

namespace {

// Every byte 0xFE makes each float -1.6947395e38: farther than any depth a scene holds, and
// below the -1e37 under which glass takes a depth-buffer pixel as "nothing drawn here yet".
constexpr unsigned char EmptyDepthByte = 0xFE;

// Element indices are ints (y x RowStride + 4x); an image whose last element index would not
// fit is refused rather than addressed with a wrapped index.
bool ImageFits(int width, int height, int rowElements)
{
    if (width <= 0 || height <= 0 || rowElements < 4 * static_cast<int64_t>(width))
        return false;
    return static_cast<int64_t>(rowElements) * height <= INT_MAX;
}

struct Scene {
    unsigned char* dest;
    unsigned char* source;
    int width, height;
    int triangleCount;
    __Triangle3ds* triangles;
    __Point3ds* points;
    int originX, originY;
    int materialCount;
    material3ds* materials;
    __Texture* textures;
    int lightCount;
    light3ds* lights;
    GlassProp* glassProps;
};

// Draw when the face points at the viewer outside the back-face pass, away from it during that
// pass, or always for two-sided faces.
bool PassRule(float nz)
{
    const bool backPass = _DrawBackFaces1 != 0;
    return (nz >= 0.0f && !backPass) || (nz < 0.0f && backPass) || _DubleSide;
}

// The filled modes also draw back faces in the front pass when multiple refraction asks for
// them (the value 2), so that glass sees the far side of a solid.
bool ExtendedPassRule(float nz)
{
    return PassRule(nz) || (_UseMultyRefract == 2 && !_DrawBackFaces1);
}

float FaceNormalZ(const __Triangle3ds& t, const __Point3ds* points)
{
    float nx, ny, nz;
    TriangleNormal(t, points, nx, ny, nz);
    return nz;
}

// A triangle's screen box widened by a margin, in image pixels, half-open: x0 <= x < x1.
struct Window {
    int x0, y0, x1, y1;
};

// The margin is 3 for the flat triangle fills (their soft edges reach one pixel out), or the
// triangle's own extent per axis, at least 3, for curved surfaces that may bulge out of the box.
Window TriangleWindow(const __Triangle3ds& t, const __Point3ds* points, int originX, int originY,
                      bool marginIsExtent)
{
    const __Point3ds& a = points[t.a];
    const __Point3ds& b = points[t.b];
    const __Point3ds& c = points[t.c];
    float minX = a.x, maxX = a.x, minY = a.y, maxY = a.y;
    for (const __Point3ds* p : {&b, &c}) {
        minX = p->x < minX ? p->x : minX;
        maxX = p->x > maxX ? p->x : maxX;
        minY = p->y < minY ? p->y : minY;
        maxY = p->y > maxY ? p->y : maxY;
    }
    float mx = 3.0f, my = 3.0f;
    if (marginIsExtent) {
        mx = maxX - minX > 3.0f ? maxX - minX : 3.0f;
        my = maxY - minY > 3.0f ? maxY - minY : 3.0f;
    }
    return Window{TruncInt(minX - mx + originX), TruncInt(minY - my + originY),
                  TruncInt(maxX + mx + originX), TruncInt(maxY + my + originY)};
}

// The window clipped to the image; empty when it lies outside (or holds NaN corners).
Window ClipWindow(Window w)
{
    w.x0 = w.x0 > 0 ? w.x0 : 0;
    w.y0 = w.y0 > 0 ? w.y0 : 0;
    w.x1 = w.x1 < Zwidth ? w.x1 : Zwidth;
    w.y1 = w.y1 < Zheight ? w.y1 : Zheight;
    return w;
}

void ClearWindow(const Window& w, int bytesPerPixel)
{
    if (w.x0 >= w.x1)
        return;
    const size_t rowBytes = static_cast<size_t>(w.x1 - w.x0) * bytesPerPixel;
    for (int y = w.y0; y < w.y1; ++y)
        std::memset(ScratchImage + (static_cast<size_t>(y) * Zwidth + w.x0) * bytesPerPixel, 0,
                    rowBytes);
}

// One pixel of the scratch image into the destination. Fully covered pixels replace the
// destination and start the edge memory of their surface. A partial edge pixel over a covered
// destination either continues the surface whose edge pixel was composited here last (its
// colour differs by less than 20 in 8-bit terms) and then blends, with the larger of the two
// coverages, over what lay under that surface; or it starts a new surface over the destination
// as it is. Two triangles of one surface that share an edge therefore blend their soft pixels
// over the background instead of over each other, and the shared edge leaves no seam.
inline void CompositePixel(int at)
{
    const int full = ChannelMax;
    const int a = GetElement(ScratchImage, at + 3);
    if (a == 0)
        return;
    if (a == full) {
        for (int c = 0; c < 3; ++c) {
            int s = GetElement(ScratchImage, at + c);
            SetElement(destImage, at + c, s);
            SetElement(UnderEdgeMemory, at + c, s);
            SetElement(EdgeColorMemory, at + c, s);
        }
        SetElement(destImage, at + 3, full);
        return;
    }
    const int destAlpha = GetElement(destImage, at + 3);
    if (destAlpha == 0) {
        for (int c = 0; c < 3; ++c)
            SetElement(destImage, at + c, GetElement(ScratchImage, at + c));
        SetElement(destImage, at + 3, a);
        return;
    }
    int difference = 0;
    for (int c = 0; c < 3; ++c) {
        int d = GetElement(EdgeColorMemory, at + c) - GetElement(ScratchImage, at + c);
        d = d < 0 ? -d : d;
        difference = d > difference ? d : difference;
    }
    if (_Deep)
        difference /= 256;
    const int memoryAlpha = GetElement(EdgeColorMemory, at + 3);
    int g;
    if (memoryAlpha != 0 && difference < 20) {
        g = a > memoryAlpha ? a : memoryAlpha;
        SetElement(EdgeColorMemory, at + 3, g);
    } else {
        for (int c = 0; c < 3; ++c) {
            SetElement(UnderEdgeMemory, at + c, GetElement(destImage, at + c));
            SetElement(EdgeColorMemory, at + c, GetElement(ScratchImage, at + c));
        }
        SetElement(EdgeColorMemory, at + 3, a);
        g = a;
    }
    const float w = static_cast<float>(g) / full;
    for (int c = 0; c < 3; ++c) {
        float v = GetElement(ScratchImage, at + c) * w + GetElement(UnderEdgeMemory, at + c) * (1.0f - w);
        SetElement(destImage, at + c, ClampChannel(v));
    }
    SetElement(destImage, at + 3, g > destAlpha ? g : destAlpha);
}

void CompositeWindow(const Window& w)
{
    for (int y = w.y0; y < w.y1; ++y)
        for (int x = w.x0; x < w.x1; ++x)
            CompositePixel(y * RowStride + 4 * x);
}

typedef void (*FillProc)(unsigned char*, unsigned char*, __Texture*, material3ds*, int,
                         __Triangle3ds*, __Point3ds*, int, int, int, light3ds*, GlassProp*);
typedef void (*CurvedProc)(unsigned char*, unsigned char*, __Triangle3ds*, __Point3ds*, int, int,
                           int, material3ds*, __Texture*, int, light3ds*, GlassProp*);

// One pass over the scene's triangles, in array order, with the rasteriser of the draw mode.
void RasterPass(const Scene& s, int bytesPerPixel)
{
    const uint8_t mode = _DrawMode;
    for (int k = 0; k < s.triangleCount; ++k) {
        __Triangle3ds* t = &s.triangles[k];
        switch (mode) {
        case 3:
        case 6: {
            if (!ExtendedPassRule(FaceNormalZ(*t, s.points)))
                break;
            FillProc fill = mode == 3 ? FlatTriangle : PhongTriangle;
            if (!_Quality) {
                fill(s.dest, s.source, s.textures, s.materials, s.materialCount, t, s.points,
                     s.originX, s.originY, s.lightCount, s.lights, s.glassProps);
                break;
            }
            Window w = ClipWindow(TriangleWindow(*t, s.points, s.originX, s.originY, false));
            if (w.x0 >= w.x1 || w.y0 >= w.y1)
                break; // nothing of it can land in the image
            ClearWindow(w, bytesPerPixel);
            fill(ScratchImage, s.source, s.textures, s.materials, s.materialCount, t, s.points,
                 s.originX, s.originY, s.lightCount, s.lights, s.glassProps);
            CompositeWindow(w);
            break;
        }
        case 8:
        case 9: {
            Window w = ClipWindow(TriangleWindow(*t, s.points, s.originX, s.originY, true));
            if (w.x0 >= w.x1 || w.y0 >= w.y1)
                break;
            CurvedProc draw = mode == 8 ? PatchTriangle : BezierTriangle;
            ClearWindow(w, bytesPerPixel);
            draw(ScratchImage, s.source, t, s.points, s.originX, s.originY, s.materialCount,
                 s.materials, s.textures, s.lightCount, s.lights, s.glassProps);
            CompositeWindow(w);
            break;
        }
        case 1:
            if (PassRule(FaceNormalZ(*t, s.points)))
                LineTriangle(s.dest, s.source, s.width, s.height, s.textures, s.materials,
                             s.materialCount, t, s.points, s.originX, s.originY, s.lightCount,
                             s.lights, s.glassProps);
            break;
        case 2:
            WireTriangle(s.dest, s.source, s.width, s.height, s.textures, s.materials,
                         s.materialCount, t, s.points, s.originX, s.originY, s.lightCount,
                         s.lights, s.glassProps);
            break;
        case 10:
            if (!_DrawBackFaces1)
                BezierOutlineTriangle(s.dest, s.source, t, s.points, s.originX, s.originY,
                                      s.materialCount, s.materials);
            break;
        default:
            return; // modes 4, 5, 7 and above 10 have no rasteriser
        }
    }
}

void FillDepth(float* buffer, size_t pixels)
{
    std::memset(buffer, EmptyDepthByte, pixels * sizeof(float));
}

void ReleaseCallBuffers()
{
    PageRelease(ScratchImage);
    PageRelease(EdgeColorMemory);
    PageRelease(UnderEdgeMemory);
    PageRelease(BackLayer);
    PageRelease(BackLayerDepth);
    ScratchImage = EdgeColorMemory = UnderEdgeMemory = BackLayer = nullptr;
    BackLayerDepth = nullptr;
    destImage = nullptr;
}

} // namespace

extern "C" {

void __RasterScene(unsigned char* dest, unsigned char* sourceImage, int width, int height,
                   int rowElements, int pointCount, int triangleCount, __Triangle3ds* triangles,
                   __Point3ds* points, int originX, int originY, int materialCount,
                   material3ds* materials, __Texture* textures, int lightCount, light3ds* lights,
                   GlassProp* glassProps)
{
    // The per-call images share the caller's stride, so it must be the packed one.
    if (!dest || !ImageFits(width, height, rowElements) || rowElements != 4 * width)
        return;
    RowStride = rowElements;
    ChannelMax = _Deep ? 32768 : 255;
    const int bytesPerPixel = _Deep ? 8 : 4;
    if (triangleCount < 0 || !triangles || !points)
        triangleCount = 0;
    const Scene scene{dest, sourceImage, width, height, triangleCount, triangles, points,
                      originX, originY, materialCount, materials, textures, lightCount, lights,
                      glassProps};

    if (_DrawMode == 0) {
        // Rough lines go straight into the destination and need none of the buffers below.
        _DrawBackFaces = 0;
        _DrawBackFaces1 = 0;
        for (int k = 0; k < triangleCount; ++k)
            if (PassRule(FaceNormalZ(triangles[k], points)))
                RoughTriangle(dest, sourceImage, width, height, &triangles[k], points, originX,
                              originY);
        ownsDepthBuffer = 0;
        return;
    }

    const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);

    // A registered buffer of this size is the caller's: used as it stands, depth and all.
    if (ZBuff && width == Zwidth && height == Zheight) {
        ownsDepthBuffer = 0;
    } else {
        PageRelease(ZBuff);
        Zwidth = width;
        Zheight = height;
        ZBuff = static_cast<float*>(PageAllocate(pixels * sizeof(float)));
        if (ZBuff)
            FillDepth(ZBuff, pixels);
        ownsDepthBuffer = 1;
    }

    ownsDefaultLight = 0;
    if (!DefaultLight && (lightCount <= 0 || !lights)) {
        DefaultLight = static_cast<light3ds*>(PageAllocate(sizeof(light3ds)));
        if (DefaultLight) {
            DefaultLight->pos[0] = 200.0f;
            DefaultLight->pos[1] = 200.0f;
            DefaultLight->pos[2] = 1000.0f;
            DefaultLight->color[0] = DefaultLight->color[1] = DefaultLight->color[2] = 1.0f;
            DefaultLight->multiplier = 1.0f;
            ownsDefaultLight = 1;
        }
    }

    destImage = dest;
    const size_t imageBytes = pixels * bytesPerPixel;
    ScratchImage = static_cast<unsigned char*>(PageAllocate(imageBytes));
    // Fresh pages read as zero, which is the initial content of both edge memories.
    EdgeColorMemory = static_cast<unsigned char*>(PageAllocate(imageBytes));
    UnderEdgeMemory = static_cast<unsigned char*>(PageAllocate(imageBytes));
    BackLayer = static_cast<unsigned char*>(PageAllocate(imageBytes));
    BackLayerDepth = static_cast<float*>(PageAllocate(pixels * sizeof(float)));

    // Short of memory the scene is not drawn; everything taken so far is given back below.
    const bool ready = ZBuff && ScratchImage && EdgeColorMemory && UnderEdgeMemory &&
                       BackLayer && BackLayerDepth && (DefaultLight || (lightCount > 0 && lights));
    if (ready) {
        if (sourceImage)
            std::memcpy(BackLayer, sourceImage, imageBytes);
        FillDepth(BackLayerDepth, pixels);

        _DrawBackFaces1 = _DrawBackFaces;
        RasterPass(scene, bytesPerPixel);
        if (_DrawBackFaces1) {
            // Glass in the front pass refracts the rendered back faces.
            std::memcpy(BackLayer, dest, imageBytes);
            _DrawBackFaces1 = 0;
            if (ownsDepthBuffer)
                FillDepth(ZBuff, pixels);
            RasterPass(scene, bytesPerPixel);
        }
    }
    _DrawBackFaces1 = 0;

    ReleaseCallBuffers();
    if (ownsDepthBuffer) {
        PageRelease(ZBuff);
        ZBuff = nullptr;
    }
    if (ownsDefaultLight) {
        PageRelease(DefaultLight);
        DefaultLight = nullptr;
    }
    ownsDepthBuffer = 0;
    ownsDefaultLight = 0;
}

void __RasterSolid(unsigned char* dest, int width, int height, int rowElements, int pointCount,
                   int triangleCount, __Triangle3ds* triangles, __Point3ds* points, int originX,
                   int originY, float red, float green, float blue, float opacity)
{
    if (!dest || !ImageFits(width, height, rowElements))
        return;
    RowStride = rowElements;
    // The depth buffer is not used here, but its registration is only valid at its own size:
    // a later scene call of this size must not take a smaller buffer for one of this size. The
    // buffer stays the caller's; only the registration is dropped.
    if (ZBuff && (Zwidth != width || Zheight != height))
        ZBuff = nullptr;
    Zwidth = width;
    Zheight = height;
    ChannelMax = _Deep ? 32768 : 255;
    if (triangleCount <= 0 || !triangles || !points)
        return;
    for (int k = 0; k < triangleCount; ++k)
        SolidTriangle(dest, &triangles[k], points, originX, originY, red, green, blue, opacity);
}

} // extern "C"

// The scene driver: __RasterScene, with its per-call buffers, the depth buffer and default light
// it may own for one call, the two-pass back-face render, the facing rules, the rasteriser of
// each draw mode and the seam-hiding compositing of quality mode; and __RasterSolid, which
// paints a scene in one colour.
#include <climits>
#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "engine/debug_checks.h"
#include "engine/engine_exports.h"
#include "engine/engine_state.h"
#include "engine/fills.h"
#include "engine/mode_rasterisers.h"
#include "engine/scene.h"
#include "shading/pixel_shader.h"
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
uint8_t RasterSceneOutOfMemory = 0;

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

// One pixel of the scratch image into the destination. Fully covered pixels replace the
// destination and start the edge memory of their surface. A partial edge pixel over a covered
// destination either continues the surface whose edge pixel was composited here last (its
// colour differs by less than 20 in 8-bit terms) and then blends, with the larger of the two
// coverages, over what lay under that surface; or it starts a new surface over the destination
// as it is. Two triangles of one surface that share an edge therefore blend their soft pixels
// over the background instead of over each other, and the shared edge leaves no seam.
template <typename Element>
inline void CompositePixel(int at)
{
    const int full = ChannelMax;
    const int a = LoadElement<Element>(ScratchImage, at + 3);
    if (a == 0)
        return;
    if (a == full) {
        // The edge memories are read only where their alpha is set, and an edge pixel that sets
        // it writes all of both first; so where it is not set, the full pixel's colour would
        // never be read from them and they are left alone.
        const bool remembered = LoadElement<Element>(EdgeColorMemory, at + 3) != 0;
        for (int c = 0; c < 3; ++c) {
            int s = LoadElement<Element>(ScratchImage, at + c);
            StoreElement<Element>(destImage, at + c, s);
            if (remembered) {
                StoreElement<Element>(UnderEdgeMemory, at + c, s);
                StoreElement<Element>(EdgeColorMemory, at + c, s);
            }
        }
        StoreElement<Element>(destImage, at + 3, full);
        return;
    }
    const int destAlpha = LoadElement<Element>(destImage, at + 3);
    if (destAlpha == 0) {
        for (int c = 0; c < 3; ++c)
            StoreElement<Element>(destImage, at + c, LoadElement<Element>(ScratchImage, at + c));
        StoreElement<Element>(destImage, at + 3, a);
        return;
    }
    int difference = 0;
    for (int c = 0; c < 3; ++c) {
        int d = LoadElement<Element>(EdgeColorMemory, at + c) -
                LoadElement<Element>(ScratchImage, at + c);
        d = d < 0 ? -d : d;
        difference = d > difference ? d : difference;
    }
    // The threshold is in 8-bit steps: a 16-bit difference is scaled by the ratio of the full
    // scales, 255/32768, so that both depths tell surfaces apart alike (at most 65535 * 255, no
    // overflow).
    if constexpr (sizeof(Element) == 2)
        difference = difference * 255 / 32768;
    const int memoryAlpha = LoadElement<Element>(EdgeColorMemory, at + 3);
    int g;
    if (memoryAlpha != 0 && difference < 20) {
        g = a > memoryAlpha ? a : memoryAlpha;
        StoreElement<Element>(EdgeColorMemory, at + 3, g);
    } else {
        for (int c = 0; c < 3; ++c) {
            StoreElement<Element>(UnderEdgeMemory, at + c, LoadElement<Element>(destImage, at + c));
            StoreElement<Element>(EdgeColorMemory, at + c,
                                  LoadElement<Element>(ScratchImage, at + c));
        }
        StoreElement<Element>(EdgeColorMemory, at + 3, a);
        g = a;
    }
    const float w = static_cast<float>(g) / full;
    for (int c = 0; c < 3; ++c) {
        float v = LoadElement<Element>(ScratchImage, at + c) * w +
                  LoadElement<Element>(UnderEdgeMemory, at + c) * (1.0f - w);
        StoreElement<Element>(destImage, at + c, ClampChannel(v));
    }
    StoreElement<Element>(destImage, at + 3, g > destAlpha ? g : destAlpha);
}

typedef void (*Rasteriser)(const Scene&, __Triangle3ds*);

// Per row of the image: the runs the triangle being composited has visited in ScratchImage, and
// the runs of the whole call composited so far (where the edge memories were written).
struct RowRuns {
    TouchedRows visited;
    TouchedRows composited;
};

// Zeroes the runs of an image of the call's size that rows holds, and empties rows again.
template <typename Element>
inline void ClearRuns(unsigned char* image, TouchedRows& rows)
{
    for (int y = rows.top; y <= rows.bottom; ++y) {
        if (rows.first[y] <= rows.last[y])
            std::memset(image + (static_cast<size_t>(y) * Zwidth + rows.first[y]) *
                                    sizeof(Element) * 4,
                        0, static_cast<size_t>(rows.last[y] - rows.first[y] + 1) *
                               sizeof(Element) * 4);
        rows.first[y] = INT_MAX;
        rows.last[y] = INT_MIN;
    }
    rows.top = INT_MAX;
    rows.bottom = INT_MIN;
}

void MakeEmpty(TouchedRows& rows, int* block, int height)
{
    rows.first = block;
    rows.last = block + height;
    for (int y = 0; y < height; ++y) {
        rows.first[y] = INT_MAX;
        rows.last[y] = INT_MIN;
    }
    rows.top = INT_MAX;
    rows.bottom = INT_MIN;
}

// A triangle drawn into ScratchImage and composited through its window into the destination.
// ScratchImage holds zeros wherever the triangle can draw: fresh pages read as zero, and after
// each triangle the runs it visited are cleared again. So the window needs no clearing before
// the triangle is drawn, and only the visited runs inside it can hold anything to composite.
template <typename Element>
void DrawThroughWindow(const Scene& scene, RowRuns& runs, __Triangle3ds* t, bool marginIsExtent,
                       Rasteriser rasterise)
{
    TouchedRows& touched = runs.visited;
    const Window w = ClipWindow(
        TriangleWindow(*t, scene.points, scene.originX, scene.originY, marginIsExtent));
    if (w.x0 >= w.x1 || w.y0 >= w.y1)
        return; // nothing of it can land in the image
    Scene scratch = scene;
    scratch.target = ScratchImage;
    scratch.touched = &touched;
    rasterise(scratch, t);

    const int top = touched.top > w.y0 ? touched.top : w.y0;
    const int bottom = touched.bottom < w.y1 - 1 ? touched.bottom : w.y1 - 1;
    for (int y = top; y <= bottom; ++y) {
        const int first = touched.first[y] > w.x0 ? touched.first[y] : w.x0;
        const int last = touched.last[y] < w.x1 - 1 ? touched.last[y] : w.x1 - 1;
        if (first > last)
            continue;
        // The clipped window keeps every composited pixel inside the image and its buffers.
        VELMORA_DCHECK(y >= 0 && y < Zheight && first >= 0 && last < Zwidth);
        Touch(&runs.composited, y, first, last);
        for (int x = first; x <= last; ++x)
            CompositePixel<Element>(y * RowStride + 4 * x);
    }
    ClearRuns<Element>(ScratchImage, touched);
}

// One pass over the scene's triangles, in array order, with the rasteriser of the draw mode.
template <typename Element>
void RasterPass(const Scene& scene, RowRuns& runs, __Triangle3ds* triangles, int triangleCount)
{
    const DrawMode mode = static_cast<DrawMode>(_DrawMode);
    for (int k = 0; k < triangleCount; ++k) {
        __Triangle3ds* t = &triangles[k];
        switch (mode) {
        case DrawMode::Flat:
        case DrawMode::Phong: {
            if (!ExtendedPassRule(FaceNormalZ(*t, scene.points)))
                break;
            const Rasteriser fill = mode == DrawMode::Flat ? FlatTriangle : PhongTriangle;
            if (scene.quality)
                DrawThroughWindow<Element>(scene, runs, t, false, fill);
            else
                fill(scene, t);
            break;
        }
        case DrawMode::Patches:
            DrawThroughWindow<Element>(scene, runs, t, true, PatchTriangle);
            break;
        case DrawMode::Bezier:
            DrawThroughWindow<Element>(scene, runs, t, true, BezierTriangle);
            break;
        case DrawMode::Line:
            if (PassRule(FaceNormalZ(*t, scene.points)))
                LineTriangle(scene, t);
            break;
        case DrawMode::Wire:
            WireTriangle(scene, t);
            break;
        case DrawMode::BezierOutline:
            if (!_DrawBackFaces1)
                BezierOutlineTriangle(scene, t);
            break;
        default:
            return; // Rough is drawn without these buffers; other values have no rasteriser
        }
    }
}

void RasterPass(const Scene& scene, RowRuns& runs, __Triangle3ds* triangles, int triangleCount)
{
    if (scene.deep)
        RasterPass<uint16_t>(scene, runs, triangles, triangleCount);
    else
        RasterPass<uint8_t>(scene, runs, triangles, triangleCount);
}

// Whether the draw mode composites windows of ScratchImage into the destination.
bool Composites(uint8_t mode)
{
    switch (static_cast<DrawMode>(mode)) {
    case DrawMode::Flat:
    case DrawMode::Phong:
        return _Quality != 0;
    case DrawMode::Patches:
    case DrawMode::Bezier:
        return true;
    default:
        return false;
    }
}

// Whether shading may refract: BackLayer and BackLayerDepth are read only by glass. The engine's
// own shader uses the glass record of a triangle's material (entry 0 when there are no
// materials); a caller's shader may look at the engine's buffers, so it gets them too.
bool MayRefract(const Scene& scene, const __Triangle3ds* triangles, int triangleCount)
{
    if (scene.shade != DefaultRenderOnePixel)
        return true;
    if (!scene.glassProps)
        return false;
    for (int k = 0; k < triangleCount; ++k) {
        const int index = scene.materialCount < 1 ? 0 : triangles[k].material;
        if ((scene.materialCount < 1 || index < scene.materialCount) &&
            scene.glassProps[index].on)
            return true;
    }
    return false;
}

void FillDepth(float* buffer, size_t pixels)
{
    std::memset(buffer, EmptyDepthByte, pixels * sizeof(float));
}

// __RasterScene's own buffers are kept from one call to the next while the image size and the
// element width stay the same: taking them from the operating system for every call cost a full-HD
// frame some 13,000 page faults, most of them in the compositing memories, each page being
// zeroed by the system before the engine writes it. They are given back by ReleaseSceneBuffers
// (the effect's global set-down, and the module's unloading) and whenever a call needs another
// size. Between calls the module-wide pointers are null, as if released; what each kept block
// holds between calls is part of how it is used.
struct KeptBuffer {
    void* block;
    size_t bytes;
};
KeptBuffer KeptScratch;        // all zero: every triangle clears the runs it visited
KeptBuffer KeptEdgeColour;     // all zero: every call clears the runs it composited
KeptBuffer KeptUnderEdge;      // anything: read only where EdgeColorMemory's alpha is set
KeptBuffer KeptBackLayer;      // anything: copied over at the start of every call that uses it
KeptBuffer KeptBackLayerDepth; // anything: filled at the start of every call that uses it
KeptBuffer KeptDepth;          // anything: filled at the start of every call that owns it
KeptBuffer KeptRuns;           // four ints per row: every run empty

// The kept block of `bytes`, or a fresh one (zero pages) in place of one of another size; null
// short of memory. `fresh` tells which.
void* Take(KeptBuffer& kept, size_t bytes, bool& fresh)
{
    fresh = false;
    if (kept.block && kept.bytes == bytes)
        return kept.block;
    PageRelease(kept.block);
    kept.block = PageAllocate(bytes);
    kept.bytes = kept.block ? bytes : 0;
    fresh = kept.block != nullptr;
    return kept.block;
}

void* Take(KeptBuffer& kept, size_t bytes)
{
    bool fresh;
    return Take(kept, bytes, fresh);
}

void Give(KeptBuffer& kept)
{
    PageRelease(kept.block);
    kept.block = nullptr;
    kept.bytes = 0;
}

void ForgetCallBuffers()
{
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
    RasterSceneOutOfMemory = 0;
    // The per-call images share the caller's stride, so it must be the packed one.
    if (!dest || !ImageFits(width, height, rowElements) || rowElements != 4 * width)
        return;
    RowStride = rowElements;
    ChannelMax = _Deep ? 32768 : 255;
    const int bytesPerPixel = _Deep ? 8 : 4;
    if (triangleCount < 0 || !triangles || !points)
        triangleCount = 0;
    Scene scene;
    scene.target = dest;
    scene.source = sourceImage;
    scene.width = width;
    scene.height = height;
    scene.points = points;
    scene.originX = originX;
    scene.originY = originY;
    scene.materials = materials;
    scene.materialCount = materialCount;
    scene.textures = textures;
    scene.lights = lights;
    scene.lightCount = lightCount;
    scene.glassProps = glassProps;
    // An installed null shader would crash on the first pixel; the engine's own stands in.
    scene.shade = RenderOnePixel ? RenderOnePixel : DefaultRenderOnePixel;
    scene.quality = _Quality != 0;
    scene.deep = _Deep != 0;
    scene.touched = nullptr;

    if (_DrawMode == static_cast<uint8_t>(DrawMode::Rough)) {
        // Rough lines go straight into the destination and need none of the buffers below.
        _DrawBackFaces = 0;
        _DrawBackFaces1 = 0;
        for (int k = 0; k < triangleCount; ++k)
            if (PassRule(FaceNormalZ(triangles[k], points)))
                RoughTriangle(scene, &triangles[k]);
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
        ZBuff = static_cast<float*>(Take(KeptDepth, pixels * sizeof(float)));
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
    // Only what the draw mode and the scene use is taken: the compositing buffers for modes that
    // draw through ScratchImage, the glass buffers when shading may refract. The others stay
    // null, as between calls.
    const size_t imageBytes = pixels * bytesPerPixel;
    const bool compositing = Composites(_DrawMode);
    const bool refracting = MayRefract(scene, triangles, triangleCount);
    RowRuns runs{};
    bool runsReady = false;
    if (compositing) {
        ScratchImage = static_cast<unsigned char*>(Take(KeptScratch, imageBytes));
        EdgeColorMemory = static_cast<unsigned char*>(Take(KeptEdgeColour, imageBytes));
        UnderEdgeMemory = static_cast<unsigned char*>(Take(KeptUnderEdge, imageBytes));
        bool fresh;
        int* block = static_cast<int*>(
            Take(KeptRuns, 4 * sizeof(int) * static_cast<size_t>(height), fresh));
        if (block) {
            if (fresh) {
                MakeEmpty(runs.visited, block, height);
                MakeEmpty(runs.composited, block + 2 * height, height);
            }
            runs.visited = TouchedRows{block, block + height, INT_MAX, INT_MIN};
            runs.composited = TouchedRows{block + 2 * height, block + 3 * height, INT_MAX, INT_MIN};
            runsReady = true;
        }
    }
    if (refracting) {
        BackLayer = static_cast<unsigned char*>(Take(KeptBackLayer, imageBytes));
        BackLayerDepth = static_cast<float*>(Take(KeptBackLayerDepth, pixels * sizeof(float)));
    }

    // Short of memory the scene is not drawn.
    const bool ready =
        ZBuff &&
        (!compositing || (ScratchImage && EdgeColorMemory && UnderEdgeMemory && runsReady)) &&
        (!refracting || (BackLayer && BackLayerDepth)) &&
        (DefaultLight || (lightCount > 0 && lights));
    RasterSceneOutOfMemory = ready ? 0 : 1;
    if (ready) {
        if (refracting) {
            if (sourceImage)
                std::memcpy(BackLayer, sourceImage, imageBytes);
            FillDepth(BackLayerDepth, pixels);
        }

        _DrawBackFaces1 = _DrawBackFaces;
        RasterPass(scene, runs, triangles, triangleCount);
        if (_DrawBackFaces1) {
            // Glass in the front pass refracts the rendered back faces.
            if (refracting)
                std::memcpy(BackLayer, dest, imageBytes);
            _DrawBackFaces1 = 0;
            if (ownsDepthBuffer)
                FillDepth(ZBuff, pixels);
            RasterPass(scene, runs, triangles, triangleCount);
        }
        // The kept compositing buffers hold zeros between calls: EdgeColorMemory is cleared
        // again where this call composited.
        if (compositing) {
            if (scene.deep)
                ClearRuns<uint16_t>(EdgeColorMemory, runs.composited);
            else
                ClearRuns<uint8_t>(EdgeColorMemory, runs.composited);
        }
    }
    _DrawBackFaces1 = 0;

    ForgetCallBuffers();
    if (ownsDepthBuffer)
        ZBuff = nullptr;
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

void ReleaseSceneBuffers()
{
    Give(KeptScratch);
    Give(KeptEdgeColour);
    Give(KeptUnderEdge);
    Give(KeptBackLayer);
    Give(KeptBackLayerDepth);
    Give(KeptDepth);
    Give(KeptRuns);
}

// The outline modes: Rough (0) inverts the source along the straight edges, Line (1) draws them
// as shaded pen lines, Wire (2) draws the curved edges of the cubic patch as shaded pen lines;
// and the exported __DrawScenesLineColor, which draws the straight edges in one colour. None of
// them tests or writes depth.
#include <cmath>
#include <cstdint>
#include <utility>

#include "engine/curved_surface.h"
#include "engine/engine_exports.h"
#include "engine/engine_state.h"
#include "engine/line_primitives.h"
#include "engine/mode_rasterisers.h"
#include "shading/pixel_shader.h"
#include "shading/span_helpers.h"
#include "shading/vector_helpers.h"

namespace {

inline bool Finite(float a, float b, float c, float d)
{
    return std::isfinite(a) && std::isfinite(b) && std::isfinite(c) && std::isfinite(d);
}

// The indices k in [from, to) for which start + step * k (step +1 or -1, k < count) lies in
// 0..limit-1. Lines and pen blocks visit their pixels in a fixed order; clipping that order
// to the image instead of testing every pixel keeps a line towards a corner at 1e30, or a pen
// of half-width 1e9, as cheap as one inside the frame, and draws the same pixels.
inline bool ClipRun(int64_t start, int step, int64_t count, int64_t limit, int64_t& from,
                    int64_t& to)
{
    if (step > 0) {
        from = start < 0 ? -start : 0;
        to = limit - start < count ? limit - start : count;
    } else {
        from = start - limit + 1 > 0 ? start - limit + 1 : 0;
        to = start + 1 < count ? start + 1 : count;
    }
    return from < to;
}

// Integer coordinates of a pen line: the pen runs in 64 bits because truncated coordinates
// reach +-2^30 and a Bresenham jump multiplies two of them.
struct PenGeometry {
    EdgeSegment segment;
    float halfWidth;
};

// Pixel colour of the two pen lines. Shade() returns the pixel's opacity and leaves its colour
// in c.
struct ShaderPen {
    const Scene* scene;
    __Triangle3ds* triangle;
    float originX, originY;
    float nx, ny, nz, d;
    // The shader's colour outputs carry over from pixel to pixel within one line.
    float c[3];
    // With the engine's own shader in the slot, the line's shading is prepared once.
    bool direct;
    TriangleShading shading;

    float Shade(int px, int py)
    {
        const Scene& s = *scene;
        __Point normal{-nx, -ny, -nz};
        const float x = static_cast<float>(px) - originX;
        const float y = static_cast<float>(py) - originY;
        if (direct)
            return ShadeTrianglePixel(shading, originX, originY, s.target, s.source, x, y, 0.0f,
                                      c[0], c[1], c[2], &normal, 0, 0.0f, 0.0f, nullptr, nx, ny,
                                      nz, d);
        return s.shade(originX, originY, s.target, s.source, x, y, 0.0f, triangle, s.materials,
                       s.materialCount, c[0], c[1], c[2], &normal, 0, 0.0f, 0.0f, s.textures,
                       s.lightCount, s.lights, nullptr, s.glassProps, nx, ny, nz, d);
    }
};

struct ColourPen {
    float c[3];
    float Shade(int, int) { return 1.0f; }
};

template <typename Element, EdgeFalloff Falloff, class Pen>
inline void PenPixel(Pen& pen, unsigned char* image, const PenGeometry& g, bool soft, int64_t px,
                     int64_t py)
{
    const int x = static_cast<int>(px), y = static_cast<int>(py);
    const float opacity = pen.Shade(x, y);
    if (soft)
        DrawEdgePixel<Element, Falloff>(opacity, image, 0.0f, NoDepthIndex, pen.c[0], pen.c[1],
                                        pen.c[2], g.segment, static_cast<float>(x),
                                        static_cast<float>(y), g.halfWidth);
    else
        BlendPixel<Element>(image, pen.c[0], pen.c[1], pen.c[2], x, y, opacity);
}

// The n x n block of rows rowStart, rowStart + rowStep, ... and, within each row, columns
// colStart, colStart + colStep, ...
template <typename Element, EdgeFalloff Falloff, class Pen>
void PenBlock(Pen& pen, unsigned char* image, const PenGeometry& g, int64_t colStart, int colStep,
              int64_t rowStart, int rowStep, int64_t n)
{
    int64_t r0, r1, c0, c1;
    if (!ClipRun(rowStart, rowStep, n, Zheight, r0, r1) ||
        !ClipRun(colStart, colStep, n, Zwidth, c0, c1))
        return;
    for (int64_t r = r0; r < r1; ++r)
        for (int64_t c = c0; c < c1; ++c)
            PenPixel<Element, Falloff>(pen, image, g, true, colStart + colStep * c,
                                       rowStart + rowStep * r);
}

// The pen line from (x0, y0) to (x1, y1): integer Bresenham from the truncated start over the
// truncated deltas. With _Quality every step draws 2hw pixels across the line and a 2hw x 2hw
// block caps each end, each pixel weighed by its distance to the exact segment; the end cap
// sits one step past the end point, where the loop leaves it. Without _Quality, one pixel per
// step. Only steps whose pixels can land in the image are walked: the Bresenham state of the
// first of them is worked out directly.
template <typename Element, EdgeFalloff Falloff, class Pen>
void PenLine(Pen& pen, unsigned char* image, float x0, float y0, float x1, float y1,
             float halfWidth, bool soft)
{
    if (!image || !Finite(x0, y0, x1, y1))
        return;
    const int64_t hw = TruncInt(2.5 + static_cast<double>(halfWidth));
    const int64_t x = TruncInt(x0), y = TruncInt(y0);
    const int64_t dx = TruncInt(x1 - x0), dy = TruncInt(y1 - y0);
    if (dx == 0 && dy == 0)
        return;
    const PenGeometry g{SegmentOf(x0, y0, x1, y1), halfWidth};
    const int sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -1 : 1;
    const int64_t adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
    const bool xMajor = adx >= ady;
    const int64_t major = xMajor ? adx : ady, minor = xMajor ? ady : adx;
    // a: the major axis, b: the minor one.
    const int64_t a0 = xMajor ? x : y, b0 = xMajor ? y : x;
    const int sa = xMajor ? sx : sy, sb = xMajor ? sy : sx;
    const int64_t aLimit = xMajor ? Zwidth : Zheight, bLimit = xMajor ? Zheight : Zwidth;

    if (soft)
        PenBlock<Element, Falloff>(pen, image, g, x - sx * hw, sx, y - sy * hw, sy, 2 * hw);

    int64_t from, to;
    if (ClipRun(a0, sa, major + 1, aLimit, from, to)) {
        // After i steps the minor axis has moved floor((2 minor i + major) / (2 major)) times,
        // and err = 2 minor (i + 1) - major - 2 major * that: the state the loop "while
        // err >= 0 step minor; step major" reaches from err = 2 minor - major.
        int64_t moved = (2 * minor * from + major) / (2 * major);
        int64_t err = 2 * minor * (from + 1) - major - 2 * major * moved;
        int64_t a = a0 + sa * from, b = b0 + sb * moved;
        for (int64_t i = from; i < to; ++i) {
            if (soft) {
                int64_t k0, k1;
                const int64_t across = b - sb * hw;
                if (ClipRun(across, sb, 2 * hw, bLimit, k0, k1))
                    for (int64_t k = k0; k < k1; ++k) {
                        const int64_t m = across + sb * k;
                        PenPixel<Element, Falloff>(pen, image, g, true, xMajor ? a : m,
                                                   xMajor ? m : a);
                    }
            } else if (b >= 0 && b < bLimit) {
                PenPixel<Element, Falloff>(pen, image, g, false, xMajor ? a : b, xMajor ? b : a);
            }
            if (err >= 0) {
                b += sb;
                err -= 2 * major;
            }
            a += sa;
            err += 2 * minor;
        }
    }

    if (soft) {
        const int64_t endA = a0 + sa * (major + 1);
        const int64_t endB = b0 + sb * ((2 * minor * (major + 1) + major) / (2 * major));
        const int64_t ex = xMajor ? endA : endB, ey = xMajor ? endB : endA;
        PenBlock<Element, Falloff>(pen, image, g, ex + sx * hw, -sx, ey + sy * hw, -sy, 2 * hw);
    }
}

// The pen line with the element width and soft-edge falloff fixed for the whole line: the
// falloff follows the draw mode (symmetric in the line modes), as every soft edge pixel does.
template <class Pen>
void DrawPenLine(Pen& pen, unsigned char* image, float x0, float y0, float x1, float y1,
                 float halfWidth, bool soft, bool deep)
{
    const bool symmetric = FalloffOfDrawMode() == EdgeFalloff::Pen;
    if (deep && symmetric)
        PenLine<uint16_t, EdgeFalloff::Pen>(pen, image, x0, y0, x1, y1, halfWidth, soft);
    else if (deep)
        PenLine<uint16_t, EdgeFalloff::Filled>(pen, image, x0, y0, x1, y1, halfWidth, soft);
    else if (symmetric)
        PenLine<uint8_t, EdgeFalloff::Pen>(pen, image, x0, y0, x1, y1, halfWidth, soft);
    else
        PenLine<uint8_t, EdgeFalloff::Filled>(pen, image, x0, y0, x1, y1, halfWidth, soft);
}

template <typename Element>
void InvertPixelOf(float x, float y, unsigned char* destImage, const unsigned char* sourceImage,
                   int width, int height)
{
    const int px = TruncInt(x), py = TruncInt(y);
    if (!destImage || px < 0 || py < 0 || px >= width || py >= height)
        return;
    const int at = (py * width + px) * 4;
    for (int c = 0; c < 3; ++c) {
        const int inverse =
            ChannelMax - (sourceImage ? LoadElement<Element>(sourceImage, at + c) : 0);
        StoreElement<Element>(destImage, at + c, inverse > 0 ? inverse : 0);
    }
    StoreElement<Element>(destImage, at + 3, ChannelMax);
}

// The DDA along the main axis a of the segment (a0, b0)-(a1, b1), from its end with the smaller
// a in steps of one while a stays below the other end, with the other coordinate following the
// segment's slope. Only steps that reach columns (or rows) 0..limit-1 are taken; a start far
// before the image is skipped to, and the step count is capped, because at magnitudes of 1e30
// adding 1 no longer moves a float.
template <typename Element>
void InvertRun(float a0, float b0, float a1, float b1, bool mainIsX, unsigned char* destImage,
               const unsigned char* sourceImage, int width, int height)
{
    if (!(a0 < a1)) {
        std::swap(a0, a1);
        std::swap(b0, b1);
    }
    const float aEnd = a1;
    const float slope = (b1 - b0) / (a1 - a0);
    const int limit = mainIsX ? width : height;
    double first = std::floor(-1.0 - static_cast<double>(a0));
    if (!(first > 0.0))
        first = 0.0;
    const int64_t cap = static_cast<int64_t>(limit) + 4;
    for (int64_t n = 0; n < cap; ++n) {
        const float a = a0 + static_cast<float>(first + static_cast<double>(n));
        if (!(a < aEnd) || !(a < static_cast<float>(limit)))
            return;
        const float b = b0 + (a - a0) * slope;
        if (mainIsX)
            InvertPixelOf<Element>(a, b, destImage, sourceImage, width, height);
        else
            InvertPixelOf<Element>(b, a, destImage, sourceImage, width, height);
    }
}

template <typename Element>
void InvertLineOf(float x0, float y0, float x1, float y1, unsigned char* destImage,
                  const unsigned char* sourceImage, int width, int height)
{
    if (!Finite(x0, y0, x1, y1) || (x1 == x0 && y1 == y0))
        return;
    if (std::fabs(x1 - x0) > std::fabs(y1 - y0))
        InvertRun<Element>(x0, y0, x1, y1, true, destImage, sourceImage, width, height);
    else
        InvertRun<Element>(y0, x0, y1, x1, false, destImage, sourceImage, width, height);
}

} // namespace

void InvertPixel(float x, float y, unsigned char* destImage, const unsigned char* sourceImage,
                 int width, int height)
{
    if (_Deep)
        InvertPixelOf<uint16_t>(x, y, destImage, sourceImage, width, height);
    else
        InvertPixelOf<uint8_t>(x, y, destImage, sourceImage, width, height);
}

void InvertLine(float x0, float y0, float x1, float y1, unsigned char* destImage,
                const unsigned char* sourceImage, int width, int height)
{
    if (_Deep)
        InvertLineOf<uint16_t>(x0, y0, x1, y1, destImage, sourceImage, width, height);
    else
        InvertLineOf<uint8_t>(x0, y0, x1, y1, destImage, sourceImage, width, height);
}

void ShadedLine(const Scene& scene, __Triangle3ds* triangle, float x0, float x1, float y0,
                float y1, float halfWidth, float nx, float ny, float nz, float d)
{
    ShaderPen pen;
    pen.scene = &scene;
    pen.triangle = triangle;
    pen.originX = static_cast<float>(scene.originX);
    pen.originY = static_cast<float>(scene.originY);
    pen.nx = nx;
    pen.ny = ny;
    pen.nz = nz;
    pen.d = d;
    pen.c[0] = static_cast<float>(ChannelMax);
    pen.c[1] = pen.c[2] = 0.0f;
    pen.direct = scene.shade == DefaultRenderOnePixel;
    if (pen.direct)
        PrepareTriangleShading(pen.shading, triangle, scene.materials, scene.materialCount,
                               scene.textures, scene.lightCount, scene.lights, scene.glassProps);
    DrawPenLine(pen, scene.target, x0, y0, x1, y1, halfWidth, scene.quality, scene.deep);
}

void ColorLine(int c1, int c2, int c3, float x0, float y0, float x1, float y1, float halfWidth,
               unsigned char* destImage, unsigned char*)
{
    ColourPen pen{{static_cast<float>(c1), static_cast<float>(c2), static_cast<float>(c3)}};
    DrawPenLine(pen, destImage, x0, y0, x1, y1, halfWidth, _Quality != 0, _Deep != 0);
}

namespace {

// The triangle's corners with the scene origin added: image columns and rows.
struct Corners {
    __Point3ds p[3];
};

Corners PlacedCorners(const __Triangle3ds& t, const __Point3ds* points, int originX, int originY)
{
    Corners c{{points[t.a], points[t.b], points[t.c]}};
    for (__Point3ds& p : c.p) {
        p.x += static_cast<float>(originX);
        p.y += static_cast<float>(originY);
    }
    return c;
}

// Point k of a curved edge: s = k * step, clamped to exactly 1 once it reaches or passes 1 (the
// last point). Edge 0 runs from C to B, edge 1 from C to A, edge 2 from A to B.
struct EdgePoint {
    double b[PatchControlCount];
    float position[3];
    bool last;
};

EdgePoint PointOfEdge(int edge, const CubicPatch& patch, double step, int64_t k)
{
    EdgePoint e;
    double s = static_cast<double>(k) * step;
    e.last = s >= 1.0;
    if (e.last)
        s = 1.0;
    double wA, wB;
    switch (edge) {
    case 0: wA = 0.0; wB = s; break;
    case 1: wA = s; wB = 0.0; break;
    default: wA = 1.0 - s; wB = s; break;
    }
    PatchBasis(wA, wB, e.b);
    double p[3];
    EvaluatePatch(patch.position, e.b, p);
    for (int c = 0; c < 3; ++c)
        e.position[c] = static_cast<float>(p[c]);
    return e;
}

// The piece from `previous` to point `to`, drawn when the patch normal there faces the pass.
void DrawWirePiece(const CubicPatch& patch, const float previous[3], const EdgePoint& to,
                   const Scene& scene, __Triangle3ds* triangle)
{
    double n[3];
    EvaluatePatch(patch.normal, to.b, n);
    const float nx = static_cast<float>(n[0]), ny = static_cast<float>(n[1]),
                nz = static_cast<float>(n[2]);
    const bool backPass = _DrawBackFaces1 != 0;
    // Pieces turned slightly away (down to Nz = -0.2) still draw, so that curved edges run on a
    // little past the silhouette instead of stopping short of it.
    if ((nz >= -0.2f && !backPass) || (nz < 0.0f && backPass) || _DubleSide) {
        const float ox = static_cast<float>(scene.originX), oy = static_cast<float>(scene.originY);
        const float* point = to.position;
        ShadedLine(scene, triangle, previous[0] + ox, point[0] + ox, previous[1] + oy,
                   point[1] + oy, _WireSize, -nx, -ny, -nz,
                   point[0] * nx + point[1] * ny + point[2] * nz);
    }
}

// One curved edge as pen-line pieces about 4 units of the longer edge at C long, from its first
// point to its last.
void WireEdge(int edge, const CubicPatch& patch, double step, const Scene& scene,
              __Triangle3ds* triangle)
{
    EdgePoint previous = PointOfEdge(edge, patch, step, 0);
    for (int64_t k = 1; !previous.last; ++k) {
        const EdgePoint point = PointOfEdge(edge, patch, step, k);
        DrawWirePiece(patch, previous.position, point, scene, triangle);
        previous = point;
    }
}

// The same pieces for an edge whose pieces the walk above would have to make longer than 4
// pixels (an edge over 16384 pixels): blocks of pieces whose stretch of the edge cannot reach
// the image, pen included, are passed over, and the budget ends a pathological edge.
class ClippedWireEdge {
public:
    ClippedWireEdge(int edge, const CubicPatch& patch, double step, const Scene& scene,
                    __Triangle3ds* triangle, int64_t& budget)
        : edge(edge), patch(patch), step(step), scene(scene), triangle(triangle), budget(budget),
          reach(3.5 + std::fabs(static_cast<double>(_WireSize)))
    {
    }

    void Run()
    {
        int64_t last = static_cast<int64_t>(1.0 / step);
        while (static_cast<double>(last) * step < 1.0)
            ++last;
        Pieces(1, last);
    }

private:
    static constexpr int64_t PiecesAtOnce = 16;

    // Pieces k0..k1, the piece k running from point k - 1 to point k.
    void Pieces(int64_t k0, int64_t k1)
    {
        if (--budget < 0)
            return;
        const double s0 = static_cast<double>(k0 - 1) * step;
        const double end = static_cast<double>(k1) * step;
        const Interval s{s0, end < 1.0 ? end : 1.0};
        Interval xy[2];
        switch (edge) {
        case 0: PatchPositionBounds(patch, Exactly(0.0), s, xy); break;
        case 1: PatchPositionBounds(patch, s, Exactly(0.0), xy); break;
        default: PatchPositionBounds(patch, Exactly(1.0) - s, s, xy); break;
        }
        if (!ReachesImage(xy, scene.originX, scene.originY, Zwidth, Zheight, reach))
            return;
        if (k1 - k0 < PiecesAtOnce) {
            EdgePoint previous = PointOfEdge(edge, patch, step, k0 - 1);
            for (int64_t k = k0; k <= k1 && !previous.last && --budget >= 0; ++k) {
                const EdgePoint point = PointOfEdge(edge, patch, step, k);
                DrawWirePiece(patch, previous.position, point, scene, triangle);
                previous = point;
            }
            return;
        }
        const int64_t middle = k0 + (k1 - k0) / 2;
        Pieces(k0, middle);
        Pieces(middle + 1, k1);
    }

    const int edge;
    const CubicPatch& patch;
    const double step;
    const Scene& scene;
    __Triangle3ds* const triangle;
    int64_t& budget;
    const double reach;
};

} // namespace

void RoughTriangle(const Scene& scene, __Triangle3ds* triangle)
{
    if (!scene.target || !triangle || !scene.points)
        return;
    const Corners c = PlacedCorners(*triangle, scene.points, scene.originX, scene.originY);
    for (int k = 0; k < 3; ++k) {
        const __Point3ds& from = c.p[k];
        const __Point3ds& to = c.p[(k + 1) % 3];
        InvertLine(from.x, from.y, to.x, to.y, scene.target, scene.source, scene.width,
                   scene.height);
    }
}

void LineTriangle(const Scene& scene, __Triangle3ds* triangle)
{
    if (!scene.target || !triangle || !scene.points)
        return;
    const Corners c = PlacedCorners(*triangle, scene.points, scene.originX, scene.originY);
    float nx, ny, nz;
    PointsNormal(c.p, nx, ny, nz);
    float len = std::sqrt(nx * nx + ny * ny + nz * nz);
    if (len == 0.0f)
        len = 1.0f;
    nx /= len;
    ny /= len;
    nz /= len;
    const float d = -(nx * c.p[0].x + ny * c.p[0].y + nz * c.p[0].z);
    for (int k = 0; k < 3; ++k) {
        const __Point3ds& from = c.p[k];
        const __Point3ds& to = c.p[(k + 1) % 3];
        ShadedLine(scene, triangle, from.x, to.x, from.y, to.y, _WireSize, nx, ny, nz, d);
    }
}

void WireTriangle(const Scene& scene, __Triangle3ds* triangle)
{
    if (!scene.target || !triangle || !scene.points)
        return;
    const __Point3ds& a = scene.points[triangle->a];
    const __Point3ds& b = scene.points[triangle->b];
    const __Point3ds& c = scene.points[triangle->c];
    CubicPatch patch;
    BuildCubicPatch(a, b, c, patch);
    const float d0 = Distance3(a.x, a.y, a.z, c.x, c.y, c.z);
    const float d1 = Distance3(b.x, b.y, b.z, c.x, c.y, c.z);
    const float r0 = d0 > 0.0f ? 1.0f / d0 : 1.0f;
    const float r1 = d1 > 0.0f ? 1.0f / d1 : 1.0f;
    const double step = 4.0 * static_cast<double>(r0 < r1 ? r0 : r1);
    if (step >= 1.0 / PatchWalkSteps) {
        for (int edge = 0; edge < 3; ++edge)
            WireEdge(edge, patch, step, scene, triangle);
        return;
    }
    // Edges beyond 16384 pixels, or of infinite length (the step is then the finest).
    const double fine = step > PatchFinestStep ? step : PatchFinestStep;
    int64_t budget = ClippedWalkBudget(Zwidth, Zheight);
    for (int edge = 0; edge < 3; ++edge)
        ClippedWireEdge(edge, patch, fine, scene, triangle, budget).Run();
}

extern "C" void __DrawScenesLineColor(float halfWidth, int c1, int c2, int c3,
                                      unsigned char* destImage, unsigned char* sourceImage, int,
                                      int, int, int triangleCount, __Triangle3ds* triangles,
                                      __Point3ds* points, int originX, int originY)
{
    // The image bounds and stride come from the last scene call. Before one (or after a
    // depth-buffer registration of another size) they do not describe an image: draw nothing.
    if (!destImage || !triangles || !points || triangleCount <= 0 || Zwidth <= 0 ||
        Zheight <= 0 || RowStride < 4 * static_cast<int64_t>(Zwidth))
        return;
    for (int k = 0; k < triangleCount; ++k) {
        float nx, ny, nz;
        TriangleNormal(triangles[k], points, nx, ny, nz);
        if (!(nz >= 0.0f) && !_DubleSide)
            continue;
        const Corners c = PlacedCorners(triangles[k], points, originX, originY);
        for (int e = 0; e < 3; ++e) {
            const __Point3ds& from = c.p[e];
            const __Point3ds& to = c.p[(e + 1) % 3];
            ColorLine(c1, c2, c3, from.x, from.y, to.x, to.y, halfWidth, destImage, sourceImage);
        }
    }
}

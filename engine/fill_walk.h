// The triangle fills' scan converter, as templates over the fill (Phong, flat, solid), the image's
// element width, the edge falloff and the walk. It walks the triangle row by row from its corner
// of greatest y down to the smallest, drawing each span's interior and, with _Quality, a band of
// soft-edge pixels on both sides of the span and a box of them around each corner (Phong) or
// each edge (flat and solid). The variants differ only in how a pixel is shaded; that, and the
// element width of the image, are chosen at compile time once per triangle.
//
// The fills draw with Walk::ClippedToImage, which visits only the pixels inside the image and
// reproduces what the others would have left behind. Walk::Plain visits every pixel of every
// span and box one at a time, as the walk reads without that shortcut; it exists so that a test
// can hold the clipped walk to it, and is never used to draw.
#pragma once

#include <cmath>

#include "engine/debug_checks.h"
#include "engine/engine_exports.h"
#include "engine/engine_state.h"
#include "engine/scene.h"
#include "engine/scene_records.h"
#include "shading/pixel_shader.h"
#include "shading/span_helpers.h"
#include "shading/vector_helpers.h"

// Internal linkage, as when these lived in the fills' own file: each including file gets its own
// copies, and the compiler inlines them as it did there.
namespace fill_walk {
namespace {

enum class FillKind { Flat, Phong, Solid };

enum class Walk { ClippedToImage, Plain };


// Which part of the triangle a pixel belongs to: it decides the pixel writer (soft edge or
// plain blend), whether the shader sees __PrevInfo and how the Phong fill records the pixel.
enum class Pass { EdgeBox, LeftBand, Interior, RightBand };

// The edge a soft pixel is weighed against, with its numbers in lanes for coverage four pixels
// at a time.
struct Segment : EdgeSegment {
    FilledEdgeLanes lanes;
    explicit Segment(const EdgeSegment& segment)
        : EdgeSegment(segment), lanes(FilledEdgeLanesOf(segment))
    {
    }
};

inline Segment EdgeOf(const __Point3ds& from, const __Point3ds& to)
{
    return Segment(SegmentOf(from.x, from.y, to.x, to.y));
}

// One fill call: the scene it draws for, the working polygon (copies of the corners with the
// origin added, so x, y are image columns and rows) and everything fixed per triangle.
struct Fill {
    const Scene* scene;       // null for the solid fill
    unsigned char* target;
    TouchedRows* touched;     // null unless the target is ScratchImage
    __Triangle3ds* triangle;
    float originX, originY;
    bool quality;

    __Point3ds v[3];
    EdgeEntry edges[3];
    float nx, ny, nz, d; // the normalised plane; depth at (X, Y) is -(d + nx X + ny Y) / nz
    unsigned char mapsOn;
    InterpolationSetup interp;
    Lanes faceNormalLanes;
    float texU, texV; // the last interpolated texture coordinates
    __PrevInfo prev;

    // With the engine's own shader in the slot, the triangle's shading is prepared once and each
    // pixel shaded directly. When that shading is quiet, soft pixels without coverage are not
    // shaded (they would draw nothing, and their depth test's write is put back); when it only
    // gives colours, they are left out altogether, and the previous pixel, which nothing reads,
    // is not recorded.
    bool direct;
    bool quiet;
    bool onlyColours;
    bool byFours;             // span interiors four pixels at a time (ShadingByFours)
    TriangleShading shading;
    ShadingByFoursLanes shadingByFours; // when byFours
    NormalsByFours normalsByFours;      // when byFours, for the Phong fill
    // When byFours, covered soft pixels wait here, depth-tested and with their normal, to be
    // shaded four at a time. They are drawn when four are waiting, before any pixel of the same
    // place is tested or drawn, and when the triangle is done.
    struct WaitingPixel {
        float x, y, depth, previous, coverage;
        int zIndex;
        Lanes normal;
    };
    WaitingPixel waiting[4];
    int waitingCount;

    float colour[3]; // solid fill
    float opacity;
};

// True for a pixel of the image (and its depth buffer).
inline bool InsideImage(int px, int py) { return px >= 0 && px < Zwidth && py >= 0 && py < Zheight; }

inline void Record(Fill& f, float x, float y, const __Point& normal, uint8_t valid)
{
    f.prev.normal = normal;
    f.prev.x = x - f.originX;
    f.prev.y = y - f.originY;
    f.prev.u = f.texU;
    f.prev.v = f.texV;
    f.prev.valid = valid;
}

// A Phong span pixel that failed its depth test is still remembered as the previous pixel, with
// its own normal and the texture coordinates last interpolated.
inline void RecordHidden(Fill& f, float x, float y)
{
    __Point normal;
    float unusedU, unusedV;
    InterpolateNormalAndUV(f.interp, x, y, 0.0f, false, normal, unusedU, unusedV);
    Record(f, x, y, normal, 1);
}

// What a soft Phong pixel without coverage leaves behind when its shading is left out and the
// previous pixel is read: its depth test (whose write the edge pixel puts back), the texture
// coordinates last interpolated (which a later hidden pixel records) and, in the bands, the
// previous-pixel record.
template <Pass P>
inline void LeaveUncovered(Fill& f, float x, float y)
{
    constexpr bool records = P != Pass::EdgeBox;
    float depth, previous;
    int zIndex;
    if (!DepthTest(x, y, f.d, f.ny, f.nx, f.nz, f.v[0], 0.0f, 0.0f, depth, zIndex, previous)) {
        if constexpr (records)
            RecordHidden(f, x, y);
        return;
    }
    WriteEdgeDepth(previous, zIndex);
    if (!records && !f.mapsOn)
        return;
    __Point normal;
    InterpolateNormalAndUV(f.interp, x, y, depth, f.mapsOn != 0, normal, f.texU, f.texV);
    if constexpr (records)
        Record(f, x, y, normal, P == Pass::RightBand ? 0 : 1);
}

// Shades the soft pixels waiting in f four at a time and draws them as ShadePixel would have,
// each with its own coverage. They are distinct pixels, and no pixel of the same places has been
// tested or drawn since they waited: what they draw is what they would have drawn at once.
template <typename Element>
void DrawWaiting(Fill& f)
{
    const int count = f.waitingCount;
    if (count == 0)
        return;
    f.waitingCount = 0;
    // Lanes without a pixel repeat the first; their colours are not used.
    const Fill::WaitingPixel* w = f.waiting;
    const Fill::WaitingPixel& p1 = w[count > 1 ? 1 : 0];
    const Fill::WaitingPixel& p2 = w[count > 2 ? 2 : 0];
    const Fill::WaitingPixel& p3 = w[count > 3 ? 3 : 0];
    Lanes normal[4] = {w[0].normal, p1.normal, p2.normal, p3.normal};
    _MM_TRANSPOSE4_PS(normal[0], normal[1], normal[2], normal[3]);
    const Lanes x = LanesOf(w[0].x, p1.x, p2.x, p3.x);
    const Lanes y = LanesOf(w[0].y, p1.y, p2.y, p3.y);
    const Lanes depth = LanesOf(w[0].depth, p1.depth, p2.depth, p3.depth);
    Lanes colour[3];
    ShadeTrianglePixels4(f.shading, f.shadingByFours, Sub(x, Splat(f.originX)),
                         Sub(y, Splat(f.originY)), depth, normal, colour);
    alignas(16) float c[3][4];
    for (int k = 0; k < 3; ++k)
        _mm_store_ps(c[k], colour[k]);
    for (int j = 0; j < count; ++j)
        DrawFillEdgePixel<Element>(w[j].coverage, f.shading.opacity, f.target, w[j].depth,
                                   w[j].previous, w[j].zIndex, c[0][j], c[1][j], c[2][j], w[j].x,
                                   w[j].y);
}

// True when pixel (x, y) is one of those waiting in f.
inline bool IsWaiting(const Fill& f, float x, float y)
{
    for (int k = 0; k < f.waitingCount; ++k)
        if (f.waiting[k].x == x && f.waiting[k].y == y)
            return true;
    return false;
}

// A shaded fill's pixel of pass P once its coverage is known (a soft pixel's; a span interior's
// is not read): the depth test, the normal and texture coordinates, the shading and the write.
template <FillKind K, typename Element, Pass P>
inline void ShadeWithCoverage(Fill& f, int px, int py, float coverage)
{
    const float x = static_cast<float>(px);
    const float y = static_cast<float>(py);
    constexpr bool soft = P != Pass::Interior;
    const bool records = K == FillKind::Phong && P != Pass::EdgeBox && !f.onlyColours;
    if constexpr (soft) {
        if (f.byFours && IsWaiting(f, x, y))
            DrawWaiting<Element>(f);
    }
    float depth, previous;
    int zIndex;
    if (!DepthTest(x, y, f.d, f.ny, f.nx, f.nz, f.v[0], 0.0f, 0.0f, depth, zIndex,
                   previous)) {
        if (records)
            RecordHidden(f, x, y);
        return;
    }
    Lanes normal;
    if constexpr (K == FillKind::Phong) {
        InterpolateNormalAndUV(f.interp, x, y, depth, f.mapsOn != 0, normal, f.texU, f.texV);
    } else {
        normal = f.faceNormalLanes;
        if (f.mapsOn)
            InterpolateUV(f.interp, x, y, depth, f.texU, f.texV);
    }
    if constexpr (soft) {
        if (f.byFours) {
            VELMORA_DCHECK(f.waitingCount < 4);
            f.waiting[f.waitingCount++] = Fill::WaitingPixel{x, y, depth, previous, coverage,
                                                             zIndex, normal};
            if (f.waitingCount == 4)
                DrawWaiting<Element>(f);
            return;
        }
    }
    float c1 = 0.0f, c2 = 0.0f, c3 = 0.0f;
    const Scene& s = *f.scene;
    __PrevInfo* prev = P == Pass::EdgeBox ? nullptr : &f.prev;
    float opacity;
    if (f.direct) {
        opacity = ShadeTrianglePixel(f.shading, f.originX, f.originY, f.target, s.source,
                                     x - f.originX, y - f.originY, depth, c1, c2, c3, normal,
                                     f.mapsOn, f.texU, f.texV, prev, f.nx, f.ny, f.nz, f.d);
    } else {
        __Point shaded = PointOf(normal);
        opacity = s.shade(f.originX, f.originY, f.target, s.source, x - f.originX,
                          y - f.originY, depth, f.triangle, s.materials, s.materialCount, c1,
                          c2, c3, &shaded, f.mapsOn, f.texU, f.texV, s.textures, s.lightCount,
                          s.lights, prev, s.glassProps, f.nx, f.ny, f.nz, f.d);
    }
    if constexpr (P == Pass::Interior)
        BlendPixel<Element>(f.target, c1, c2, c3, px, py, opacity);
    else
        DrawFillEdgePixel<Element>(coverage, opacity, f.target, depth, previous, zIndex, c1,
                                   c2, c3, x, y);
    if (records)
        Record(f, x, y, PointOf(normal), P == Pass::RightBand ? 0 : 1);
}

// One pixel of pass P. Element is the image's element type; Falloff is how soft edge pixels
// fall off (the shaded fills draw for the filled modes; the solid fill follows the draw mode).
template <FillKind K, typename Element, EdgeFalloff Falloff, Pass P>
inline void ShadePixel(Fill& f, int px, int py, const Segment& edge)
{
    const float x = static_cast<float>(px);
    const float y = static_cast<float>(py);
    if constexpr (K == FillKind::Solid) {
        if constexpr (P == Pass::Interior)
            BlendPixel<Element>(f.target, f.colour[0], f.colour[1], f.colour[2], px, py,
                                f.opacity);
        else
            DrawEdgePixel<Element, Falloff>(f.opacity, f.target, 0.0f, NoDepthIndex, f.colour[0],
                                            f.colour[1], f.colour[2], edge, x, y, 1.0f);
    } else {
        constexpr bool soft = P != Pass::Interior;
        float coverage = 0.0f;
        if constexpr (soft) {
            if (!f.quiet) {
                coverage = SegmentCoverage<EdgeFalloff::Filled>(edge, x, y, 1.0f);
            } else {
                if (!f.onlyColours || !FarFromFilledEdge(edge, x, y))
                    coverage = SegmentCoverage<EdgeFalloff::Filled>(edge, x, y, 1.0f);
                if (coverage == 0.0f) {
                    if (K == FillKind::Phong && !f.onlyColours)
                        LeaveUncovered<P>(f, x, y);
                    return;
                }
            }
        }
        ShadeWithCoverage<K, Element, P>(f, px, py, coverage);
    }
}

// Soft pixels from .. to of row py (inside the image) of pass P when soft pixels without coverage
// draw nothing (f.onlyColours): their coverage is worked out four at a time, and only the
// covered ones are shaded, in column order, as ShadePixel does.
template <FillKind K, typename Element, Pass P>
inline void ShadeSoftRun(Fill& f, int py, int from, int to, const Segment& edge)
{
    const float y = static_cast<float>(py);
    for (int px = from; px <= to; px += 4) {
        const Lanes coverage = FilledCoverage4(edge, edge.lanes, ColumnLanes(px), y);
        int covered = ~_mm_movemask_ps(_mm_cmpeq_ps(coverage, _mm_setzero_ps())) & 0xF;
        if (to - px < 3)
            covered &= (1 << (to - px + 1)) - 1;
        if (!covered)
            continue;
        alignas(16) float c[4];
        _mm_store_ps(c, coverage);
        for (int k = 0; k < 4; ++k)
            if (covered & (1 << k))
                ShadeWithCoverage<K, Element, P>(f, px + k, py, c[k]);
    }
}

// Pixels px .. px + 3 of a span interior, those of them whose bit is set in `valid` (all inside
// the image), shaded at once: what ShadePixel does for each of them when the triangle's shading
// goes by fours. Pixels of one span are independent of one another: none reads what another
// writes.
template <FillKind K, typename Element>
inline void ShadePixels4(Fill& f, int px, int py, const DepthPlaneRow& plane, int valid)
{
    // The highest valid lane is the last pixel the depth test and the writer touch.
    VELMORA_DCHECK(valid > 0 && valid < 16 && InsideImage(px, py) &&
                   InsideImage(px + (valid >= 8 ? 3 : valid >= 4 ? 2 : valid >= 2 ? 1 : 0), py));
    Lanes depth;
    const int pass = DepthTest4(px, plane, px + py * Zwidth, valid, depth);
    if (!pass)
        return;
    const float y = static_cast<float>(py);
    const Lanes x = ColumnLanes(px);
    Lanes normal[3];
    if constexpr (K == FillKind::Phong) {
        InterpolateNormals4(f.interp, f.normalsByFours, x, y, normal);
    } else {
        normal[0] = Broadcast<0>(f.faceNormalLanes);
        normal[1] = Broadcast<1>(f.faceNormalLanes);
        normal[2] = Broadcast<2>(f.faceNormalLanes);
    }
    Lanes colour[3];
    ShadeTrianglePixels4(f.shading, f.shadingByFours, Sub(x, Splat(f.originX)),
                         Splat(y - f.originY), depth, normal, colour);
    BlendPixels4<Element>(f.target, colour, px, py, pass, f.shading.opacity);
}

// What a Phong span pixel outside the image would have left in __PrevInfo, without shading it:
// hidden when there is a depth buffer (the depth test fails off the image), else interpolated
// as if drawn.
template <FillKind K, Pass P>
inline void RecordOutside(Fill& f, int px, int py)
{
    if constexpr (K == FillKind::Phong && P != Pass::EdgeBox) {
        if (f.onlyColours)
            return;
        const float x = static_cast<float>(px), y = static_cast<float>(py);
        if (ZBuff) {
            RecordHidden(f, x, y);
        } else {
            __Point normal;
            float depth = std::fabs(f.nz) >= 0.01f ? -(f.d + f.ny * y + f.nx * x) / f.nz
                                                   : f.v[0].z;
            InterpolateNormalAndUV(f.interp, x, y, depth, f.mapsOn != 0, normal, f.texU, f.texV);
            Record(f, x, y, normal, P == Pass::RightBand ? 0 : 1);
        }
    }
}

// Draws the pixels waiting in f when one of them lies on row py between columns from and to
// (a span interior is about to draw there: the left band's waiting pixels may reach into it).
template <typename Element>
inline void DrawWaitingWithin(Fill& f, int py, int from, int to)
{
    for (int k = 0; k < f.waitingCount; ++k) {
        const Fill::WaitingPixel& w = f.waiting[k];
        if (w.y == static_cast<float>(py) && w.x >= static_cast<float>(from) &&
            w.x <= static_cast<float>(to)) {
            DrawWaiting<Element>(f);
            return;
        }
    }
}

// Every pixel of pass P from column `first` to `last` on row py, one at a time, inside the image
// or not: the plain walk's span.
template <FillKind K, typename Element, EdgeFalloff Falloff, Pass P>
void RunSpanPlainly(Fill& f, int py, int first, int last, const Segment& edge)
{
    if constexpr (P == Pass::Interior && K != FillKind::Solid)
        DrawWaitingWithin<Element>(f, py, first, last);
    for (int px = first; px <= last; ++px) {
        if (InsideImage(px, py))
            Touch(f.touched, py, px, px);
        ShadePixel<K, Element, Falloff, P>(f, px, py, edge);
    }
}

// Columns from `first` on while column <= limit (inclusive) or < limit, on row py. Only the
// columns inside the image are visited: the others would draw nothing, and the one thing they
// leave behind, the previous pixel of a Phong span, is reproduced for the pixel after them. That
// keeps a span across a corner at 1e30 as cheap as one across the image.
template <FillKind K, typename Element, EdgeFalloff Falloff, Pass P, Walk W>
void RunSpan(Fill& f, int py, int first, float limit, bool inclusive, const Segment& edge)
{
    if (std::isnan(limit))
        return;
    double lastColumn = inclusive ? std::floor(static_cast<double>(limit))
                                  : std::ceil(static_cast<double>(limit)) - 1.0;
    int last = TruncInt(lastColumn);
    if (last < first)
        return;
    if constexpr (W == Walk::Plain) {
        RunSpanPlainly<K, Element, Falloff, P>(f, py, first, last, edge);
        return;
    }
    const bool rowInside = py >= 0 && py < Zheight;
    int from = first > 0 ? first : 0;
    int to = last < Zwidth - 1 ? last : Zwidth - 1;
    if (!rowInside || from > to) {
        RecordOutside<K, P>(f, last, py);
        return;
    }
    if (first < from)
        RecordOutside<K, P>(f, from - 1, py);
    // Every write below stays on this row between from and to.
    VELMORA_DCHECK(InsideImage(from, py) && InsideImage(to, py));
    Touch(f.touched, py, from, to);
    int px = from;
    if constexpr (P == Pass::Interior && K != FillKind::Solid) {
        DrawWaitingWithin<Element>(f, py, from, to);
        // By fours down to a last group of two or three; a single pixel left over is cheaper
        // one at a time.
        if (f.byFours && to > from) {
            const DepthPlaneRow plane =
                DepthRow(static_cast<float>(py), f.d, f.ny, f.nx, f.nz, f.v[0]);
            for (; px + 3 <= to; px += 4)
                ShadePixels4<K, Element>(f, px, py, plane, 0xF);
            if (to - px >= 1) {
                ShadePixels4<K, Element>(f, px, py, plane, (1 << (to - px + 1)) - 1);
                px = to + 1;
            }
        }
    }
    if constexpr (P != Pass::Interior && K != FillKind::Solid) {
        if (f.onlyColours) {
            ShadeSoftRun<K, Element, P>(f, py, px, to, edge);
            px = to + 1;
        }
    }
    for (; px <= to; ++px)
        ShadePixel<K, Element, Falloff, P>(f, px, py, edge);
    if (last > to)
        RecordOutside<K, P>(f, last, py);
}

// Every pixel of an edge box, against the edge from F to T, with no __PrevInfo.
template <FillKind K, typename Element, EdgeFalloff Falloff, Walk W>
void DrawEdgeBox(Fill& f, int i, int sweep)
{
    VELMORA_DCHECK(i >= 0 && i < 3);
    const __Point3ds& from = f.v[f.edges[i].start];
    const __Point3ds& to = f.v[f.edges[i].end];
    const float dy = to.y - from.y;
    int r0, r1, c0, c1;
    if constexpr (K == FillKind::Phong) {
        // A box about four rows tall around one corner, reaching along the edge as far as the
        // edge travels in one and a half rows.
        float w = std::fabs(dy) >= 1.0f ? 1.5f * std::fabs((from.x - to.x) / dy)
                                        : std::fabs(from.x - to.x) + 1.5f;
        float ref = sweep == 1 ? (from.y > to.y ? from.y : to.y) : (from.y < to.y ? from.y : to.y);
        r0 = TruncInt(ref - 1.5f);
        r1 = TruncInt(ref + 1.5f);
        if (from.x < to.x) {
            c0 = TruncInt(from.x - 1.5f);
            c1 = TruncInt(from.x + w);
        } else {
            c0 = TruncInt(from.x - w);
            c1 = TruncInt(from.x + 1.5f);
        }
    } else {
        // The whole edge's bounding box, one and a half pixels wider all round.
        float w = std::fabs(dy) >= 1.0f ? 1.5f : std::fabs(dy) + 1.5f;
        r0 = TruncInt((from.y < to.y ? from.y : to.y) - 1.5f);
        r1 = TruncInt((from.y > to.y ? from.y : to.y) + 1.5f);
        c0 = TruncInt((from.x < to.x ? from.x : to.x) - 1.5f);
        c1 = TruncInt((from.x > to.x ? from.x : to.x) + w);
    }
    const Segment edge = EdgeOf(from, to);
    if constexpr (W == Walk::Plain) {
        for (int py = r0; py <= r1; ++py)
            RunSpanPlainly<K, Element, Falloff, Pass::EdgeBox>(f, py, c0, c1, edge);
        return;
    }
    if (r0 < 0)
        r0 = 0;
    if (r1 > Zheight - 1)
        r1 = Zheight - 1;
    if (c0 < 0)
        c0 = 0;
    if (c1 > Zwidth - 1)
        c1 = Zwidth - 1;
    if (c0 <= c1)
        for (int py = r0; py <= r1; ++py)
            Touch(f.touched, py, c0, c1);
    // Where soft pixels without coverage draw nothing, only the columns near the edge of a flat
    // fill's box (the edge's whole extent) are visited; the whole box is otherwise (and when its
    // figures are too large for that). A Phong box, a few rows around a corner, gains nothing.
    const bool nearOnly =
        K == FillKind::Flat && f.onlyColours && NearEdgeColumnsHold(edge, c1, r1);
    for (int py = r0; py <= r1; ++py) {
        int first = c0, last = c1;
        if (nearOnly)
            NearEdgeColumns(edge, py, first, last);
        if constexpr (K != FillKind::Solid) {
            if (f.onlyColours) {
                ShadeSoftRun<K, Element, Pass::EdgeBox>(f, py, first, last, edge);
                continue;
            }
        }
        for (int px = first; px <= last; ++px)
            ShadePixel<K, Element, Falloff, Pass::EdgeBox>(f, px, py, edge);
    }
}

// Walks edge i from its start F down to its end T, one span per row, with the other side of
// the span found among the later edges. Returns the row the walk ends on.
template <FillKind K, typename Element, EdgeFalloff Falloff, Walk W>
int WalkEdge(Fill& f, int i)
{
    VELMORA_DCHECK(i >= 0 && i < 3);
    const __Point3ds& from = f.v[f.edges[i].start];
    const __Point3ds& to = f.v[f.edges[i].end];
    const int row = TruncInt(from.y);
    const int end = TruncInt(to.y);
    if (!(end < row))
        return row;
    const float slope = std::fabs(to.y - from.y) >= 1.0f ? (to.x - from.x) / (to.y - from.y) : 0.0f;
    const float xmin = from.x < to.x ? from.x : to.x;
    const Segment left = EdgeOf(from, to);

    // Rows above the image draw nothing but leave the previous pixel of a Phong span behind;
    // the last of them (or the walk's last row) reproduces that. Rows below the image come after
    // every visible pixel and are not walked at all.
    int first = Zheight > end + 1 ? Zheight : end + 1;
    if (first > row || W == Walk::Plain)
        first = row;
    const int stop = W == Walk::Plain ? end : (end > -1 ? end : -1);
    for (int r = first; r > stop; --r) {
        const float fr = static_cast<float>(r);
        float xl = xmin;
        if (slope != 0.0f) {
            float x = (fr - from.y) * slope + from.x;
            xl = x > xmin ? x : xmin;
        }
        EdgeCrossingInfo crossing;
        float xr = EdgeCrossing(3, i + 1, f.v, f.edges, r, crossing);
        // The left band reaches back to where the edge crosses the next row, at least 3 pixels.
        float bandLeft = std::fabs(xl - ((fr - 1.0f - from.y) * slope + from.x));
        if (bandLeft <= 3.0f)
            bandLeft = 3.0f;
        if (f.quality) {
            RunSpan<K, Element, Falloff, Pass::LeftBand, W>(f, r, TruncInt(xl - bandLeft), xl + 0.5f,
                                                         true, left);
            RunSpan<K, Element, Falloff, Pass::Interior, W>(f, r, TruncInt(xl + 1.0f), xr, false,
                                                         left);
            const Segment right(
                SegmentOf(crossing.line, crossing.x0, crossing.y0, crossing.x1, crossing.y1));
            RunSpan<K, Element, Falloff, Pass::RightBand, W>(f, r, TruncInt(xr), xr + crossing.band,
                                                          true, right);
        } else {
            RunSpan<K, Element, Falloff, Pass::Interior, W>(f, r, TruncInt(xl), xr, false, left);
        }
    }
    return end;
}

// The scan converter. The edge chain starts at the corner of greatest y and runs
// counter-clockwise, so edges 0 and 1 descend on the side of smaller x and the crossing with the
// far side is searched among the edges after the one walked. Every round advances the edge
// index, so the loop ends after at most three rounds.
template <FillKind K, typename Element, EdgeFalloff Falloff, Walk W>
void RunFill(Fill& f, int minRow)
{
    const int lastEdge = 2; // the vertex count - 1
    int i = 0;
    int sweep = 1;
    int row = 0;
    for (int round = 0;; ++round) {
        VELMORA_DCHECK(round < 3 && i >= 0 && i <= lastEdge);
        if (f.quality)
            DrawEdgeBox<K, Element, Falloff, W>(f, i, sweep);
        // A horizontal edge has no rows to walk.
        if (std::fabs(f.v[f.edges[i].end].y - f.v[f.edges[i].start].y) < 1.0f)
            ++i;
        if (i >= lastEdge)
            return;
        row = WalkEdge<K, Element, Falloff, W>(f, i);
        ++i;
        if (row > minRow)
            continue;
        // The walk has reached the bottom: one more round gives the last edge its box (in the
        // Phong fill the box around its lower corner).
        f.prev.valid = 0;
        sweep = 2;
        if (!f.quality)
            return;
    }
}

inline bool Finite(float value) { return std::isfinite(value); }

// Working polygon, winding and, for the shaded fills, plane, culling and interpolation set-up;
// then the fill for the element width and edge falloff the caller chose.
template <FillKind K, typename Element, EdgeFalloff Falloff, Walk W>
void SetUpAndFill(Fill& f, const __Triangle3ds& t, const __Point3ds* points, int originX,
                  int originY)
{
    const int32_t corners[3] = {t.a, t.b, t.c};
    for (int k = 0; k < 3; ++k) {
        f.v[k] = points[corners[k]];
        f.v[k].x += static_cast<float>(originX);
        f.v[k].y += static_cast<float>(originY);
        // A corner that is not a finite number has no pixels to give.
        if (!Finite(f.v[k].x) || !Finite(f.v[k].y) || (K != FillKind::Solid && !Finite(f.v[k].z)))
            return;
    }
    f.edges[0] = EdgeEntry{0, 1, 0};
    f.edges[1] = EdgeEntry{1, 2, 0};
    f.edges[2] = EdgeEntry{2, 0, 0};
    float minY = 0.0f;
    int top = TopEntry(3, f.v, f.edges, minY);
    RotateEntries(3, top, f.edges);
    if (!MakeCounterClockwise(f.edges, f.v))
        return;
    // The walk indexes the corners through the edge entries.
    for (const EdgeEntry& e : f.edges)
        VELMORA_DCHECK(e.start < 3 && e.end < 3);

    if constexpr (K != FillKind::Solid) {
        float nx, ny, nz;
        PointsNormal(f.v, nx, ny, nz);
        if (nz > 0.0f)
            return;
        float len = std::sqrt(nx * nx + ny * ny + nz * nz);
        if (len == 0.0f)
            len = 1.0f;
        f.nx = nx / len;
        f.ny = ny / len;
        f.nz = nz / len;
        f.d = -(f.nx * f.v[0].x + f.ny * f.v[0].y + f.nz * f.v[0].z);
        if (!Finite(f.nx) || !Finite(f.ny) || !Finite(f.nz) || !Finite(f.d))
            return;

        f.mapsOn = (f.v[0].mapped && f.v[1].mapped && f.v[2].mapped) ? 1 : 0;
        PrepareInterpolation(f.interp, f.v, f.originX, f.originY, f.mapsOn != 0);
        // Zero area is a degenerate triangle; an infinite one (corners near 1e30) has no
        // meaningful interior either and would only feed NaN into the weights.
        if (f.interp.area == 0.0f || !Finite(f.interp.area))
            return;
        if (f.interp.perspective && f.mapsOn &&
            (f.interp.areaUnprojected == 0.0f || !Finite(f.interp.areaUnprojected)))
            return;
        f.faceNormalLanes = LanesOf(-f.nx, -f.ny, -f.nz);
        const Scene& s = *f.scene;
        f.direct = s.shade == DefaultRenderOnePixel;
        f.quiet = false;
        f.onlyColours = false;
        f.byFours = false;
        f.waitingCount = 0;
        if (f.direct) {
            PrepareTriangleShading(f.shading, f.triangle, s.materials, s.materialCount,
                                   s.textures, s.lightCount, s.lights, s.glassProps);
            f.quiet = ShadingIsQuiet(f.shading);
            f.onlyColours = f.quiet && ShadingOnlyColours(f.shading, f.mapsOn);
            f.byFours = ZBuff && ShadingByFours(f.shading, f.mapsOn);
            if (f.byFours) {
                PrepareShadingByFours(f.shadingByFours, f.shading);
                if constexpr (K == FillKind::Phong)
                    PrepareNormalsByFours(f.normalsByFours, f.interp);
            }
        }
        f.texU = 0.0f;
        f.texV = 0.0f;
        f.prev = __PrevInfo{};
        f.prev.valid = 0;
    }
    RunFill<K, Element, Falloff, W>(f, TruncInt(minY));
    if constexpr (K != FillKind::Solid)
        DrawWaiting<Element>(f);
}

// A shaded fill of one scene triangle (see PhongTriangle, FlatTriangle).
template <FillKind K, Walk W>
void ShadedTriangle(const Scene& scene, __Triangle3ds* triangle)
{
    if (!scene.target || !triangle || !scene.points)
        return;
    Fill f;
    f.scene = &scene;
    f.target = scene.target;
    f.touched = scene.touched;
    f.triangle = triangle;
    f.originX = static_cast<float>(scene.originX);
    f.originY = static_cast<float>(scene.originY);
    f.quality = scene.quality;
    // The shaded fills draw for the filled modes only, whose edges cover their inside.
    if (scene.deep)
        SetUpAndFill<K, uint16_t, EdgeFalloff::Filled, W>(f, *triangle, scene.points,
                                                          scene.originX, scene.originY);
    else
        SetUpAndFill<K, uint8_t, EdgeFalloff::Filled, W>(f, *triangle, scene.points,
                                                         scene.originX, scene.originY);
}

// The solid fill (see SolidTriangle).
template <Walk W>
void SolidFill(unsigned char* target, __Triangle3ds* triangle, __Point3ds* points, int originX,
               int originY, float red, float green, float blue, float opacity)
{
    if (!target || !triangle || !points)
        return;
    Fill f{};
    f.target = target;
    f.originX = static_cast<float>(originX);
    f.originY = static_cast<float>(originY);
    f.quality = _Quality != 0;
    f.colour[0] = red;
    f.colour[1] = green;
    f.colour[2] = blue;
    f.opacity = opacity;
    // __RasterSolid may run in any draw mode; its soft edges fall off as the mode's do.
    const bool pen = FalloffOfDrawMode() == EdgeFalloff::Pen;
    if (_Deep && pen)
        SetUpAndFill<FillKind::Solid, uint16_t, EdgeFalloff::Pen, W>(f, *triangle, points,
                                                                     originX, originY);
    else if (_Deep)
        SetUpAndFill<FillKind::Solid, uint16_t, EdgeFalloff::Filled, W>(f, *triangle, points,
                                                                        originX, originY);
    else if (pen)
        SetUpAndFill<FillKind::Solid, uint8_t, EdgeFalloff::Pen, W>(f, *triangle, points,
                                                                    originX, originY);
    else
        SetUpAndFill<FillKind::Solid, uint8_t, EdgeFalloff::Filled, W>(f, *triangle, points,
                                                                       originX, originY);
}

} // namespace
} // namespace fill_walk

// Span and pixel helpers shared by every rasteriser: element access, edge equations and scanline
// crossings, the depth test, barycentric interpolation of normals and texture coordinates (with
// the perspective correction), the coverage-weighted pixel write and the anti-aliased edge pixel.
//
// They work on the engine's globals: ZBuff, Zwidth, Zheight, _Deep, _DrawMode, _Quality,
// _UsePhong2, the perspective settings, and ChannelMax and RowStride of the current scene call.
// Everything here but RotateEntries runs per pixel or per scanline, so it is inline and
// allocates nothing. The per-pixel forms take what the settings decide (element width, edge
// falloff, the kind of interpolation) as template arguments or set-up fields, chosen once per
// call or per triangle; the forms that read the settings themselves are for everything else.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

#include "engine/engine_exports.h"
#include "engine/engine_state.h"
#include "shading/lanes.h"
#include "shading/vector_helpers.h"

// ---------------------------------------------------------------------------------------------
// Numbers

// Float-to-int conversion truncates toward zero, but a coordinate may be NaN or far beyond int
// (corners at 1e30 are legal input). Converting those is undefined, so they are pinned to
// +-2^30: far outside any image (the scene call rejects images of 2^29 pixels or more), yet with
// headroom for the +-1 and +-3 that callers add. NaN pins to the negative end.
constexpr int TruncLimit = 1 << 30;

inline int TruncInt(double value)
{
    if (value >= static_cast<double>(TruncLimit))
        return TruncLimit;
    if (value > -static_cast<double>(TruncLimit))
        return static_cast<int>(value);
    return -TruncLimit;
}

// Clamp written so that NaN lands on the low end instead of slipping through both tests.
inline float ClampUnit(float value)
{
    return value > 1.0f ? 1.0f : (value > 0.0f ? value : 0.0f);
}

// A colour in channel units as the element it becomes: clamped to 0..ChannelMax and truncated.
inline int ClampChannel(float value)
{
    const float top = static_cast<float>(ChannelMax);
    return value >= top ? ChannelMax : (value > 0.0f ? static_cast<int>(value) : 0);
}

// The depth index that means "write no depth": for callers whose pixels have no depth of their
// own (the solid fill, the outline modes), so that they leave the depth buffer alone.
constexpr int NoDepthIndex = -1;

// ---------------------------------------------------------------------------------------------
// Elements

// Element `index` of an image whose elements are Element (uint8_t, or uint16_t for 16-bit
// images). Rasterisers choose the element type once per call; the untyped forms below read
// _Deep for callers outside the pixel loops.
template <typename Element>
inline int LoadElement(const unsigned char* image, int index)
{
    static_assert(sizeof(Element) == 1 || sizeof(Element) == 2, "8- or 16-bit elements");
    if constexpr (sizeof(Element) == 2) {
        uint16_t value;
        std::memcpy(&value, image + 2 * static_cast<ptrdiff_t>(index), sizeof value);
        return value;
    } else {
        return image[index];
    }
}

template <typename Element>
inline void StoreElement(unsigned char* image, int index, int value)
{
    static_assert(sizeof(Element) == 1 || sizeof(Element) == 2, "8- or 16-bit elements");
    if constexpr (sizeof(Element) == 2) {
        uint16_t element = static_cast<uint16_t>(value);
        std::memcpy(image + 2 * static_cast<ptrdiff_t>(index), &element, sizeof element);
    } else {
        image[index] = static_cast<unsigned char>(value);
    }
}

// Element `index` of an image: a 16-bit element when _Deep is set, else a byte.
inline int GetElement(const unsigned char* image, int index)
{
    return _Deep ? LoadElement<uint16_t>(image, index) : LoadElement<uint8_t>(image, index);
}

inline void SetElement(unsigned char* image, int index, int value)
{
    if (_Deep)
        StoreElement<uint16_t>(image, index, value);
    else
        StoreElement<uint8_t>(image, index, value);
}

// ---------------------------------------------------------------------------------------------
// Edges

// One entry of a polygon's edge list: the indices of the edge's start and end vertex and a third
// byte that is carried along (the winding fix swaps it with the vertices).
struct EdgeEntry {
    uint8_t start;
    uint8_t end;
    uint8_t third;
};
static_assert(sizeof(EdgeEntry) == 3, "edge list entries are 3 bytes");

// A*x + B*y + C is zero on the edge from (x0, y0) to (x1, y1) and, for an edge of a
// counter-clockwise polygon, negative on the polygon's side.
struct EdgeLineCoefs {
    float a;
    float b;
    float c;
    float lengthSq; // A^2 + B^2
    float length;   // its root
};

inline EdgeLineCoefs EdgeLine(float x0, float y0, float x1, float y1)
{
    EdgeLineCoefs line;
    line.a = y1 - y0;
    line.b = x0 - x1;
    line.c = -line.a * x0 - line.b * y0;
    line.lengthSq = line.a * line.a + line.b * line.b;
    line.length = std::sqrt(line.lengthSq);
    return line;
}

// What EdgeCrossing reports besides the crossing itself: the crossed edge's line and endpoints,
// and how wide the band beyond the crossing must be to reach the next scanline's crossing.
struct EdgeCrossingInfo {
    EdgeLineCoefs line;
    float x0, y0, x1, y1;
    float band;
};

namespace span_detail {

// First entry from `first` on whose edge spans row y (vertex y truncated): start <= y <= end, or
// end <= y < start; the last entry when none does.
inline int FindSpanningEntry(int entryCount, int first, const __Point3ds* points,
                             const EdgeEntry* edges, int y, bool upwardOnly)
{
    int k = first;
    for (; k < entryCount - 1; ++k) {
        int ys = TruncInt(points[edges[k].start].y);
        int ye = TruncInt(points[edges[k].end].y);
        if (ys <= y && y <= ye)
            break;
        if (!upwardOnly && ye <= y && y < ys)
            break;
    }
    return k;
}

// x where the edge meets row y; the larger x of an edge less than a pixel tall.
inline float CrossingX(const __Point3ds& p0, const __Point3ds& p1, float y)
{
    if (std::fabs(p1.y - p0.y) < 1.0f)
        return p0.x > p1.x ? p0.x : p1.x;
    return p0.x + (y - p0.y) * (p1.x - p0.x) / (p1.y - p0.y);
}

} // namespace span_detail

// Crossing of row y with the first edge from `firstEntry` on that spans it (the other side of
// the triangle from the edge being walked). The band width is at least 3 so that the soft edge
// of a steep edge still gets its pixels.
inline float EdgeCrossing(int entryCount, int firstEntry, const __Point3ds* points,
                          const EdgeEntry* edges, int y, EdgeCrossingInfo& info)
{
    int k = span_detail::FindSpanningEntry(entryCount, firstEntry, points, edges, y, false);
    const __Point3ds& p0 = points[edges[k].start];
    const __Point3ds& p1 = points[edges[k].end];
    info.x0 = p0.x;
    info.y0 = p0.y;
    info.x1 = p1.x;
    info.y1 = p1.y;
    float x = span_detail::CrossingX(p0, p1, static_cast<float>(y));
    info.line = EdgeLine(p0.x, p0.y, p1.x, p1.y);

    const __Point3ds& lower = p0.y <= p1.y ? p0 : p1;
    const __Point3ds& upper = p0.y <= p1.y ? p1 : p0;
    int yNext = lower.x > upper.x ? y - 1 : y + 1;
    int kNext = span_detail::FindSpanningEntry(entryCount, firstEntry, points, edges, yNext, true);
    float xNext = span_detail::CrossingX(points[edges[kNext].start], points[edges[kNext].end],
                                         static_cast<float>(yNext));
    float band = std::fabs(xNext - x);
    info.band = band > 3.0f ? band : 3.0f;
    return x;
}

// Index of the entry whose start vertex has the greatest y (a later entry wins a tie; 1 for an
// empty list) and, in minY, the smallest start-vertex y.
inline int TopEntry(int entryCount, const __Point3ds* points, const EdgeEntry* edges, float& minY)
{
    int top = 1;
    float topY = 0.0f;
    for (int k = 0; k < entryCount; ++k) {
        float y = points[edges[k].start].y;
        if (k == 0 || y >= topY) {
            top = k;
            topY = y;
        }
        if (k == 0 || y < minY)
            minY = y;
    }
    return top;
}

// Rotates the entries so that entry `first` comes first, keeping their cyclic order.
void RotateEntries(int entryCount, int first, EdgeEntry* edges);

// Fixes the winding of the triangle named by the first entries to counter-clockwise (in x, y as
// numbers), swapping two vertex records when needed. False for a degenerate triangle: the two
// edges leaving the first corner differ in direction by less than 0.00001 radian.
inline bool MakeCounterClockwise(EdgeEntry* edges, __Point3ds* points)
{
    __Point3ds& v0 = points[edges[0].start];
    __Point3ds& v1 = points[edges[1].start];
    __Point3ds& v2 = points[edges[1].end];
    float a1 = DirectionAngle(v0.x, v0.y, v1.x, v1.y);
    float a2 = DirectionAngle(v0.x, v0.y, v2.x, v2.y);
    float turn = a2 - a1;
    if (std::fabs(turn) < 0.00001f)
        return false;
    if (turn >= 0.0f && turn <= 3.141592f)
        return true;
    __Point3ds swapped = v1;
    v1 = v2;
    v2 = swapped;
    uint8_t third = edges[0].third;
    edges[0].third = edges[2].third;
    edges[2].third = third;
    return true;
}

// True when (fx, fy) lies outside the box; a box thinner than 0.0001 on one axis (a vertical or
// horizontal segment) is tested on the other axis only.
inline bool OutsideSegmentBox(float fx, float fy, float minX, float minY, float maxX, float maxY)
{
    if (maxX - minX < 0.0001f)
        return fy < minY || fy > maxY;
    if (maxY - minY < 0.0001f)
        return fx < minX || fx > maxX;
    return fx < minX || fx > maxX || fy < minY || fy > maxY;
}

// ---------------------------------------------------------------------------------------------
// Depth

// Depth of pixel (x, y) on the plane and depth test against the buffer. The plane is evaluated in
// double precision and compared with the stored float: stored depths keep their historical
// values this way, and an equal depth fails, so the pixel drawn first wins a tie. On success the
// new depth is stored; `previous` reports what was there, for writers that restore it.
inline bool DepthTest(float x, float y, float planeConst, float coefY, float coefX, float coefZ,
                      const __Point3ds& vertex, float offsetX, float offsetY, float& depth,
                      int& zIndex, float& previous)
{
    if (!ZBuff) {
        depth = std::fabs(coefZ) >= 0.01f ? -(planeConst + coefY * y + coefX * x) / coefZ
                                          : vertex.z;
        zIndex = NoDepthIndex;
        previous = depth;
        return true;
    }
    int px = TruncInt(x + offsetX);
    int py = TruncInt(y + offsetY);
    if (px < 0 || py < 0 || px >= Zwidth || py >= Zheight)
        return false;
    double d = std::fabs(coefZ) >= 0.01f
                   ? -(static_cast<double>(planeConst) + static_cast<double>(coefY) * y +
                       static_cast<double>(coefX) * x) / coefZ
                   : static_cast<double>(vertex.z);
    int index = px + py * Zwidth;
    float stored = ZBuff[index];
    if (!(d > stored))
        return false;
    previous = stored;
    depth = static_cast<float>(d);
    ZBuff[index] = depth;
    zIndex = index;
    return true;
}

// ---------------------------------------------------------------------------------------------
// Pixel writers

// Writes colour (already in channel units) into pixel (x, y) with the given coverage. A pixel
// of alpha 0 takes the colour unblended, so soft edges over an empty image keep their colour and
// carry the coverage in alpha alone.
template <typename Element>
inline void BlendPixel(unsigned char* image, float c1, float c2, float c3, int x, int y,
                       float coverage)
{
    if (x < 0 || y < 0 || x >= Zwidth || y >= Zheight)
        return;
    int at = y * RowStride + 4 * x;
    if (coverage == 1.0f) {
        StoreElement<Element>(image, at, ClampChannel(c1));
        StoreElement<Element>(image, at + 1, ClampChannel(c2));
        StoreElement<Element>(image, at + 2, ClampChannel(c3));
        StoreElement<Element>(image, at + 3, ChannelMax);
        return;
    }
    if (!(coverage > 0.0f))
        return;
    const float top = static_cast<float>(ChannelMax);
    int alpha = LoadElement<Element>(image, at + 3);
    if (alpha == 0) {
        StoreElement<Element>(image, at, ClampChannel(c1));
        StoreElement<Element>(image, at + 1, ClampChannel(c2));
        StoreElement<Element>(image, at + 2, ClampChannel(c3));
        StoreElement<Element>(image, at + 3, ClampChannel(coverage * top));
        return;
    }
    const float keep = 1.0f - coverage;
    StoreElement<Element>(image, at,
                          ClampChannel(coverage * c1 + keep * LoadElement<Element>(image, at)));
    StoreElement<Element>(image, at + 1,
                          ClampChannel(coverage * c2 + keep * LoadElement<Element>(image, at + 1)));
    StoreElement<Element>(image, at + 2,
                          ClampChannel(coverage * c3 + keep * LoadElement<Element>(image, at + 2)));
    // A coverage above 1 (a caller's shader may return an opacity above 1) must not wrap alpha.
    int covered = ClampChannel(coverage * top);
    StoreElement<Element>(image, at + 3, covered > alpha ? covered : alpha);
}

inline void BlendPixel(unsigned char* image, float c1, float c2, float c3, int x, int y,
                       float coverage)
{
    if (_Deep)
        BlendPixel<uint16_t>(image, c1, c2, c3, x, y, coverage);
    else
        BlendPixel<uint8_t>(image, c1, c2, c3, x, y, coverage);
}

inline void WriteEdgeDepth(float z, int zIndex)
{
    if (ZBuff && zIndex >= 0)
        ZBuff[zIndex] = z;
}

// How coverage falls off across an edge: a pen line (the line modes, _DrawMode <= 2) covers both
// of its sides alike; a filled triangle's edge covers its inside.
enum class EdgeFalloff { Filled, Pen };

inline EdgeFalloff FalloffOfDrawMode() { return _DrawMode <= 2 ? EdgeFalloff::Pen : EdgeFalloff::Filled; }

// An edge or pen line from (x0, y0) to (x1, y1), with its line and everything the coverage of a
// pixel takes from the segment alone (its box, which of its extents are too thin to count, and
// the magnitudes its line's rounding depends on), worked out once per segment.
struct EdgeSegment {
    EdgeLineCoefs line;
    float x0, y0, x1, y1;
    float minX, maxX, minY, maxY;
    bool axisAligned;  // A or B exactly 0: tiny displacements of the foot count as 0
    bool thinX, thinY; // the box narrower than 0.0001 across x or y: that axis is not tested
    float endMagnitude; // |A x0| + |B y0|
};

inline EdgeSegment SegmentOf(const EdgeLineCoefs& line, float x0, float y0, float x1, float y1)
{
    EdgeSegment s;
    s.line = line;
    s.x0 = x0;
    s.y0 = y0;
    s.x1 = x1;
    s.y1 = y1;
    s.minX = x0 < x1 ? x0 : x1;
    s.maxX = x0 < x1 ? x1 : x0;
    s.minY = y0 < y1 ? y0 : y1;
    s.maxY = y0 < y1 ? y1 : y0;
    s.axisAligned = line.a == 0.0f || line.b == 0.0f;
    s.thinX = s.maxX - s.minX < 0.0001f;
    s.thinY = s.maxY - s.minY < 0.0001f;
    s.endMagnitude = std::fabs(line.a * x0) + std::fabs(line.b * y0);
    return s;
}

inline EdgeSegment SegmentOf(float x0, float y0, float x1, float y1)
{
    return SegmentOf(EdgeLine(x0, y0, x1, y1), x0, y0, x1, y1);
}

// Coverage of pixel (x, y) near an edge or a pen line, from its distance to the segment. A filled
// edge's inside (negative side) is fully covered up to half a pixel and not at all beyond, where
// the span interior takes over; the outside falls off over `width`. Past the segment's ends the
// distance to the nearer endpoint counts (OutsideSegmentBox decides which). An edge shorter than
// a tenth of a pixel covers nothing.
template <EdgeFalloff Falloff>
inline float SegmentCoverage(const EdgeSegment& s, float x, float y, float width)
{
    const EdgeLineCoefs& l = s.line;
    if (!(l.lengthSq > 0.01f))
        return 0.0f;
    float value = l.a * x + l.b * y + l.c;
    float along = value / l.lengthSq;
    float dx = l.a * along;
    float dy = l.b * along;
    if (s.axisAligned) {
        if (std::fabs(dx) < 0.0001f)
            dx = 0.0f;
        if (std::fabs(dy) < 0.0001f)
            dy = 0.0f;
    }
    float fx = x - dx;
    float fy = y - dy;
    const bool outside = s.thinX   ? fy < s.minY || fy > s.maxY
                         : s.thinY ? fx < s.minX || fx > s.maxX
                                   : fx < s.minX || fx > s.maxX || fy < s.minY || fy > s.maxY;
    float t;
    if (!outside) {
        t = value / l.length;
        if constexpr (Falloff == EdgeFalloff::Pen)
            t = std::fabs(t);
        else if (t < 0.0f)
            t = -t < 0.5f ? 0.0f : width;
    } else {
        bool first = std::fabs(fx - s.x0) + std::fabs(fy - s.y0) <
                     std::fabs(fx - s.x1) + std::fabs(fy - s.y1);
        float px = first ? s.x0 : s.x1;
        float py = first ? s.y0 : s.y1;
        t = std::sqrt((x - px) * (x - px) + (y - py) * (y - py));
    }
    return ClampUnit(width - t);
}

template <EdgeFalloff Falloff>
inline float EdgeCoverage(float a, float b, float c, float lengthSq, float length, float x,
                          float y, float width, float ex0, float ey0, float ex1, float ey1)
{
    const EdgeLineCoefs line{a, b, c, lengthSq, length};
    return SegmentCoverage<Falloff>(SegmentOf(line, ex0, ey0, ex1, ey1), x, y, width);
}

// True when the coverage of pixel (x, y) against a filled edge of width 1 is sure to be 0, so
// that it need not be worked out: the pixel lies a pixel and a quarter or more from the edge's
// line (1 is enough inside and out, and past the segment's ends, where the distance to an
// endpoint is no shorter), with room for every rounding in the line's coefficients and the
// distance. Those errors stay below a millionth of the magnitudes that enter them; the room is a
// thousandth. A pixel whose figures overflow is always worked out.
inline bool FarFromFilledEdge(const EdgeSegment& s, float x, float y)
{
    const float ax = s.line.a * x, by = s.line.b * y;
    const float value = ax + by + s.line.c;
    const float magnitude = std::fabs(ax) + std::fabs(by) + std::fabs(s.line.c) + s.endMagnitude;
    const float room = 1.25f * s.line.length + 0.001f * magnitude;
    return room < INFINITY && std::fabs(value) >= room;
}

// What a soft pixel of a fill finds as its coverage when soft pixels without coverage draw
// nothing: 0 when FarFromFilledEdge says so, else SegmentCoverage (filled, width 1). FilledCoverage4
// gives it for pixels x .. x + 3 of row y, one pixel per lane, each lane through the same IEEE
// operations in the same order as one pixel at a time; every lane works out both the distance to
// the line and the distance to the nearer end point, and keeps the one its foot asks for.
inline float FilledCoverage(const EdgeSegment& s, float x, float y)
{
    return FarFromFilledEdge(s, x, y) ? 0.0f : SegmentCoverage<EdgeFalloff::Filled>(s, x, y, 1.0f);
}

// The numbers of a segment that FilledCoverage4 takes, each in every lane: worked out once per
// segment.
struct FilledEdgeLanes {
    bool empty; // shorter than a tenth of a pixel: no coverage anywhere
    float b;
    Lanes a, c, cSize, lengthSq, length, nearRoom, endMagnitude;
    Lanes minX, maxX, minY, maxY, x0, y0, x1, y1;
};

inline FilledEdgeLanes FilledEdgeLanesOf(const EdgeSegment& s)
{
    FilledEdgeLanes e;
    e.empty = !(s.line.lengthSq > 0.01f);
    e.b = s.line.b;
    e.a = Splat(s.line.a);
    e.c = Splat(s.line.c);
    e.cSize = Splat(std::fabs(s.line.c));
    e.lengthSq = Splat(s.line.lengthSq);
    e.length = Splat(s.line.length);
    e.nearRoom = Splat(1.25f * s.line.length);
    e.endMagnitude = Splat(s.endMagnitude);
    e.minX = Splat(s.minX);
    e.maxX = Splat(s.maxX);
    e.minY = Splat(s.minY);
    e.maxY = Splat(s.maxY);
    e.x0 = Splat(s.x0);
    e.y0 = Splat(s.y0);
    e.x1 = Splat(s.x1);
    e.y1 = Splat(s.y1);
    return e;
}

inline Lanes FilledCoverage4(const EdgeSegment& s, const FilledEdgeLanes& e, Lanes x, float y)
{
    const Lanes zero = _mm_setzero_ps(), one = Splat(1.0f);
    if (e.empty)
        return zero; // neither the shortcut nor the coverage finds anything but 0
    const Lanes ax = Mul(e.a, x);
    const float byScalar = e.b * y;
    const Lanes value = Add(Add(ax, Splat(byScalar)), e.c);

    // FarFromFilledEdge
    const Lanes magnitude =
        Add(Add(Add(AbsLanes(ax), Splat(std::fabs(byScalar))), e.cSize), e.endMagnitude);
    const Lanes room = Add(e.nearRoom, Mul(Splat(0.001f), magnitude));
    const Lanes far = _mm_and_ps(_mm_cmplt_ps(room, Splat(INFINITY)),
                                 _mm_cmpge_ps(AbsLanes(value), room));

    // SegmentCoverage
    const Lanes along = Div(value, e.lengthSq);
    Lanes dx = Mul(e.a, along);
    Lanes dy = Mul(Splat(e.b), along);
    if (s.axisAligned) {
        const Lanes tiny = Splat(0.0001f);
        dx = _mm_andnot_ps(_mm_cmplt_ps(AbsLanes(dx), tiny), dx);
        dy = _mm_andnot_ps(_mm_cmplt_ps(AbsLanes(dy), tiny), dy);
    }
    const Lanes ys = Splat(y);
    const Lanes fx = Sub(x, dx);
    const Lanes fy = Sub(ys, dy);
    const Lanes outsideY = _mm_or_ps(_mm_cmplt_ps(fy, e.minY), _mm_cmpgt_ps(fy, e.maxY));
    const Lanes outsideX = _mm_or_ps(_mm_cmplt_ps(fx, e.minX), _mm_cmpgt_ps(fx, e.maxX));
    const Lanes outside = s.thinX ? outsideY : s.thinY ? outsideX : _mm_or_ps(outsideX, outsideY);

    Lanes onLine = Div(value, e.length);
    const Lanes behind = _mm_cmplt_ps(onLine, zero);
    const Lanes near = _mm_cmplt_ps(Negated(onLine), Splat(0.5f));
    onLine = Select(behind, _mm_andnot_ps(near, one), onLine);

    const Lanes first = _mm_cmplt_ps(Add(AbsLanes(Sub(fx, e.x0)), AbsLanes(Sub(fy, e.y0))),
                                     Add(AbsLanes(Sub(fx, e.x1)), AbsLanes(Sub(fy, e.y1))));
    const Lanes ex = Sub(x, Select(first, e.x0, e.x1));
    const Lanes ey = Sub(ys, Select(first, e.y0, e.y1));
    const Lanes toEnd = _mm_sqrt_ps(Add(Mul(ex, ex), Mul(ey, ey)));

    const Lanes t = Select(outside, toEnd, onLine);
    return _mm_andnot_ps(far, ClampLanes(Sub(one, t), one));
}

inline Lanes FilledCoverage4(const EdgeSegment& s, Lanes x, float y)
{
    return FilledCoverage4(s, FilledEdgeLanesOf(s), x, y);
}

// A filled edge covers a pixel only within a pixel of its line (or, past its ends, of an end
// point, which is no nearer than the line). NearEdgeColumns narrows columns first..last of row y
// to those within a pixel and a half of the line, which leaves out only pixels that the coverage, with
// every rounding of its figures, finds beyond that: while the pixel's and the end points'
// coordinates stay below 2^17 in size, those roundings stay below a sixtieth of a pixel. The
// range may come out empty.
// NearEdgeColumnsHold tells whether it may be used for a box of columns 0..lastColumn and rows
// 0..lastRow.
inline bool NearEdgeColumnsHold(const EdgeSegment& edge, int lastColumn, int lastRow)
{
    const double extent = std::fabs(static_cast<double>(edge.x0)) + std::fabs(edge.y0) +
                          std::fabs(static_cast<double>(edge.x1)) + std::fabs(edge.y1) +
                          lastColumn + lastRow;
    return extent < 131072.0 && std::isfinite(edge.line.length);
}

inline void NearEdgeColumns(const EdgeSegment& edge, int y, int& first, int& last)
{
    const double a = edge.line.a;
    const double k = static_cast<double>(edge.line.b) * y + edge.line.c;
    const double reach = 1.5 * edge.line.length;
    if (a == 0.0) {
        if (!(std::fabs(k) < reach))
            last = first - 1;
        return;
    }
    const double centre = -k / a, half = reach / std::fabs(a);
    const double low = std::floor(centre - half) - 1.0, high = std::ceil(centre + half) + 1.0;
    if (low > first)
        first = low > last ? last + 1 : static_cast<int>(low);
    if (high < last)
        last = high < first ? first - 1 : static_cast<int>(high);
}

// Anti-aliased edge or pen pixel: blended with its coverage times the opacity. The depth z is
// written at zIndex whatever the coverage, even 0 (NoDepthIndex writes none).
template <typename Element, EdgeFalloff Falloff>
inline void DrawEdgePixel(float opacity, unsigned char* image, float z, int zIndex, float c1,
                          float c2, float c3, const EdgeSegment& segment, float x, float y,
                          float width)
{
    float coverage = SegmentCoverage<Falloff>(segment, x, y, width);
    if (coverage != 0.0f)
        BlendPixel<Element>(image, c1, c2, c3, TruncInt(x), TruncInt(y), coverage * opacity);
    WriteEdgeDepth(z, zIndex);
}

// The same for the segment from (ex0, ey0) to (ex1, ey1) on `line`, with the element width and
// the falloff of the current settings.
inline void DrawEdgePixel(float opacity, unsigned char* image, float z, int zIndex, float c1,
                          float c2, float c3, const EdgeLineCoefs& line, float x, float y,
                          float width, float ex0, float ey0, float ex1, float ey1)
{
    const EdgeSegment segment = SegmentOf(line, ex0, ey0, ex1, ey1);
    const bool pen = FalloffOfDrawMode() == EdgeFalloff::Pen;
    if (_Deep && pen)
        DrawEdgePixel<uint16_t, EdgeFalloff::Pen>(opacity, image, z, zIndex, c1, c2, c3, segment,
                                                  x, y, width);
    else if (_Deep)
        DrawEdgePixel<uint16_t, EdgeFalloff::Filled>(opacity, image, z, zIndex, c1, c2, c3,
                                                     segment, x, y, width);
    else if (pen)
        DrawEdgePixel<uint8_t, EdgeFalloff::Pen>(opacity, image, z, zIndex, c1, c2, c3, segment, x,
                                                 y, width);
    else
        DrawEdgePixel<uint8_t, EdgeFalloff::Filled>(opacity, image, z, zIndex, c1, c2, c3, segment,
                                                    x, y, width);
}

// The edge pixel of a triangle fill, whose depth test has already stored the pixel's depth, with
// its coverage against the edge (filled, width 1). A fully covered edge pixel keeps that depth,
// like an interior pixel. A partly covered or uncovered one puts back the depth the pixel had
// before: its soft pixels reach up to a pixel beyond the triangle, where they must not hide the
// neighbouring triangle's own pixels (on a curved surface the plane runs in front of the
// neighbour there), nor, inside, the span interior that draws after them.
template <typename Element>
inline void DrawFillEdgePixel(float coverage, float opacity, unsigned char* image, float depth,
                              float previous, int zIndex, float c1, float c2, float c3, float x,
                              float y)
{
    if (coverage != 0.0f)
        BlendPixel<Element>(image, c1, c2, c3, TruncInt(x), TruncInt(y), coverage * opacity);
    WriteEdgeDepth(coverage == 1.0f ? depth : previous, zIndex);
}

// ---------------------------------------------------------------------------------------------
// Geometry

// Where a point on screen was before the perspective transform moved it. A far distance of 0
// switches the transform off (the points were not moved), so the point stays where it is.
inline void Unproject(float x, float y, float z, float& ux, float& uy)
{
    float f = _Persp_Far != 0.0f ? 1.0f - z / _Persp_Far : 1.0f;
    ux = x * f + _Persp_x;
    uy = y * f + _Persp_y;
}

inline float Distance3(float x0, float y0, float z0, float x1, float y1, float z1)
{
    float dx = x1 - x0, dy = y1 - y0, dz = z1 - z0;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

// Where the line through p along d meets the plane given by the coefficients (the curved modes
// use it to project points onto a corner's tangent plane).
inline void LinePoint(float px, float py, float pz, float dx, float dy, float dz, float coefA,
                      float coefB, float coefC, float coefD, float& x, float& y, float& z)
{
    float s = coefA + coefB + coefC;
    if (std::fabs(dy) > std::fabs(dx)) {
        y = (py * (coefA + coefC) - dy * (coefD + dx * px + dz * pz)) / s;
        x = px + dx * (y - py) / dy;
        z = pz + dz * (y - py) / dy;
    } else if (dx != 0.0f) {
        x = (px * (coefB + coefC) - dx * (coefD + dy * py + dz * pz)) / s;
        y = dy * (x - px) / dx + py;
        z = dz * (x - px) / dx + pz;
    } else {
        z = (pz * (coefA + coefB) - dz * (coefD + dx * px + dy * py)) / s;
        x = px + dx * (z - pz) / dz;
        y = py + dy * (z - pz) / dz;
    }
}

// ---------------------------------------------------------------------------------------------
// Interpolation inside a triangle

inline __Point PointOf(Lanes v)
{
    float xyz[3];
    Store3(v, xyz);
    return __Point{xyz[0], xyz[1], xyz[2]};
}

// Barycentric weights of (x, y) from doubled signed areas; negative weights (outside the
// triangle, where the soft edges shade) become 0 and the rest are renormalised.
inline void BarycentricWeights(const float px[3], const float py[3], float area, float x, float y,
                               float w[3])
{
    w[0] = Det3(px[1], px[2], x, py[1], py[2], y) / area;
    w[1] = Det3(px[2], px[0], x, py[2], py[0], y) / area;
    w[2] = Det3(px[0], px[1], x, py[0], py[1], y) / area;
    for (int k = 0; k < 3; ++k)
        if (w[k] < 0.0f)
            w[k] = 0.0f;
    float sum = std::fabs(w[0]) + std::fabs(w[1]) + std::fabs(w[2]);
    if (sum > 0.0f) {
        w[0] /= sum;
        w[1] /= sum;
        w[2] /= sum;
    }
}

// Everything the per-pixel interpolation needs that is fixed for one triangle, worked out once
// at set-up: the projected corners and doubled area, the un-projected ones for perspective-correct
// texture coordinates, the corner normals normalised, the mid-edge normals of the quadratic
// normal, and which of the two the settings ask for. The weights of the projected triangle are
// worked out per row as far as they do not depend on the column (see PixelWeights).
struct InterpolationSetup {
    bool quadratic;   // _Quality and _UsePhong2: the normal follows the mid-edge normals
    bool perspective; // _Persp_Val: texture coordinates in the un-projected triangle
    float px[3], py[3];
    float area;
    float ux[3], uy[3];
    float areaUnprojected;
    float u[3], v[3];
    Lanes n[3];       // the corner normals, normalised
    Lanes q[3];       // the mid-edge normals
    float offsetX, offsetY;
    // The doubled area of corner pair k and pixel (x, y), Det3 of the three, is
    // rowTerm[k] + x * columnFactor[k], summed in Det3's own order: the row term is Det3's first
    // two products, which do not depend on x, for the row `row`.
    Lanes columnFactor;
    Lanes rowTerm;
    float row;
    bool rowKnown;
};

// Fills the setup for the three vertex records (x, y already in image pixels). The mid-edge
// normals are the means of the corners' raw normals. The un-projected corners and area are only
// worked out when perspective is on and the triangle is mapped; the caller rejects a triangle
// whose area or un-projected area is 0.
inline void PrepareInterpolation(InterpolationSetup& s, const __Point3ds* v, float offsetX,
                                 float offsetY, bool mapped)
{
    s.quadratic = _Quality && _UsePhong2;
    s.perspective = _Persp_Val != 0.0f;
    for (int k = 0; k < 3; ++k) {
        s.px[k] = v[k].x;
        s.py[k] = v[k].y;
        s.u[k] = v[k].u;
        s.v[k] = v[k].v;
        float len = std::sqrt(v[k].nx * v[k].nx + v[k].ny * v[k].ny + v[k].nz * v[k].nz);
        s.n[k] = len != 0.0f ? LanesOf(v[k].nx / len, v[k].ny / len, v[k].nz / len)
                             : LanesOf(v[k].nx, v[k].ny, v[k].nz);
        const __Point3ds& w = v[(k + 1) % 3];
        s.q[k] = LanesOf((v[k].nx + w.nx) / 2, (v[k].ny + w.ny) / 2, (v[k].nz + w.nz) / 2);
    }
    s.area = Det3(s.px[0], s.px[1], s.px[2], s.py[0], s.py[1], s.py[2]);
    s.columnFactor = LanesOf(s.py[1] - s.py[2], s.py[2] - s.py[0], s.py[0] - s.py[1]);
    s.rowKnown = false;
    s.offsetX = offsetX;
    s.offsetY = offsetY;
    s.areaUnprojected = s.area;
    if (s.perspective && mapped) {
        for (int k = 0; k < 3; ++k)
            Unproject(v[k].x - offsetX, v[k].y - offsetY, v[k].z, s.ux[k], s.uy[k]);
        s.areaUnprojected = Det3(s.ux[0], s.ux[1], s.ux[2], s.uy[0], s.uy[1], s.uy[2]);
    }
}

inline void KnowRow(InterpolationSetup& s, float y)
{
    if (!s.rowKnown || y != s.row) {
        s.rowTerm = LanesOf(s.px[1] * (s.py[2] - y) - s.px[2] * (s.py[1] - y),
                            s.px[2] * (s.py[0] - y) - s.px[0] * (s.py[2] - y),
                            s.px[0] * (s.py[1] - y) - s.px[1] * (s.py[0] - y));
        s.row = y;
        s.rowKnown = true;
    }
}

// BarycentricWeights of the pixel (x, y) against the projected triangle, in lanes 0 to 2: the
// same divisions, clamps and sums, with Det3's column-free part kept per row.
inline Lanes PixelWeights(InterpolationSetup& s, float x, float y)
{
    KnowRow(s, y);
    Lanes w = Div(Add(s.rowTerm, Mul(Splat(x), s.columnFactor)), Splat(s.area));
    w = NegativeToZero(w);
    const Lanes size = AbsLanes(w);
    const float sum = Lane0(size) + Lane1(size) + Lane2(size);
    if (sum > 0.0f)
        w = Div(w, Splat(sum));
    return w;
}

// Texture coordinates at the pixel, interpolated in the un-projected triangle so that they stay
// straight under the perspective transform.
inline void PerspectiveUV(const InterpolationSetup& s, float x, float y, float z, float& u,
                          float& v)
{
    float ux, uy, w[3];
    Unproject(x - s.offsetX, y - s.offsetY, z, ux, uy);
    BarycentricWeights(s.ux, s.uy, s.areaUnprojected, ux, uy, w);
    u = w[0] * s.u[0] + w[1] * s.u[1] + w[2] * s.u[2];
    v = w[0] * s.v[0] + w[1] * s.v[1] + w[2] * s.v[2];
}

inline void InterpolateUVWithWeights(const InterpolationSetup& s, Lanes weights, float x, float y,
                                     float z, float& u, float& v)
{
    if (s.perspective) {
        PerspectiveUV(s, x, y, z, u, v);
    } else {
        const float w[3] = {Lane0(weights), Lane1(weights), Lane2(weights)};
        u = w[0] * s.u[0] + w[1] * s.u[1] + w[2] * s.u[2];
        v = w[0] * s.v[0] + w[1] * s.v[1] + w[2] * s.v[2];
    }
}

// The pixel's normal (not normalised: the shader does that) and, when wanted, its texture
// coordinates. With _Quality and _UsePhong2 the normal follows a quadratic through the mid-edge
// normals, which rounds the shading of coarse meshes. Each component is summed in the order
// w0 n0 + w1 n1 + w2 n2 (+ the mid-edge terms), one lane per component.
inline void InterpolateNormalAndUV(InterpolationSetup& s, float x, float y, float z, bool wantUV,
                                   Lanes& normal, float& u, float& v)
{
    const Lanes w = PixelWeights(s, x, y);
    const Lanes w0 = Broadcast<0>(w), w1 = Broadcast<1>(w), w2 = Broadcast<2>(w);
    Lanes n;
    if (s.quadratic) {
        const Lanes a = Mul(w0, w0), b = Mul(w1, w1), c = Mul(w2, w2);
        const Lanes ab = Mul(w0, w1), bc = Mul(Mul(Splat(2.0f), w1), w2), ca = Mul(w2, w0);
        n = Add(Add(Add(Add(Add(Mul(a, s.n[0]), Mul(b, s.n[1])), Mul(c, s.n[2])), Mul(ab, s.q[0])),
                    Mul(bc, s.q[1])),
                Mul(ca, s.q[2]));
    } else {
        n = Add(Add(Mul(w0, s.n[0]), Mul(w1, s.n[1])), Mul(w2, s.n[2]));
    }
    normal = n;
    if (wantUV)
        InterpolateUVWithWeights(s, w, x, y, z, u, v);
}

inline void InterpolateNormalAndUV(InterpolationSetup& s, float x, float y, float z, bool wantUV,
                                   __Point& normal, float& u, float& v)
{
    Lanes n;
    InterpolateNormalAndUV(s, x, y, z, wantUV, n, u, v);
    normal = PointOf(n);
}

// The texture-coordinate half of InterpolateNormalAndUV.
inline void InterpolateUV(InterpolationSetup& s, float x, float y, float z, float& u, float& v)
{
    InterpolateUVWithWeights(s, PixelWeights(s, x, y), x, y, z, u, v);
}

// ---------------------------------------------------------------------------------------------
// Four pixels of a span at once
//
// The interior of a span, where pixels do not depend on one another, is worked four columns at a
// time, one pixel per lane (two per lane pair in double precision): every pixel goes through the
// same IEEE operations in the same order as one pixel at a time above, so its bits are the same.

// The columns x .. x + 3 as floats.
inline Lanes ColumnLanes(int x)
{
    return _mm_cvtepi32_ps(_mm_add_epi32(_mm_set1_epi32(x), _mm_set_epi32(3, 2, 1, 0)));
}

// The plane of a depth test in double precision, with its part fixed for the row.
struct DepthPlaneRow {
    bool flat;        // |coefZ| < 0.01: every pixel takes the vertex's depth
    double rowPart;   // planeConst + coefY y
    double coefX;
    double coefZ;
    double vertexZ;
};

inline DepthPlaneRow DepthRow(float y, float planeConst, float coefY, float coefX, float coefZ,
                              const __Point3ds& vertex)
{
    return DepthPlaneRow{std::fabs(coefZ) < 0.01f,
                         static_cast<double>(planeConst) + static_cast<double>(coefY) * y,
                         static_cast<double>(coefX), static_cast<double>(coefZ),
                         static_cast<double>(vertex.z)};
}

// DepthTest of pixels x .. x + 3 of a row, with a depth buffer, for the pixels whose bit is set
// in `valid` (all of them inside the image): bit k of the result is set when pixel x + k passes;
// the passing ones store their depth, and `depth` holds all four depths (as floats). The others
// are neither read nor written.
inline int DepthTest4(int x, const DepthPlaneRow& plane, int index, int valid, Lanes& depth)
{
    __m128d d01, d23;
    if (plane.flat) {
        d01 = d23 = _mm_set1_pd(plane.vertexZ);
    } else {
        const Lanes columns = ColumnLanes(x);
        const __m128d x01 = _mm_cvtps_pd(columns);
        const __m128d x23 = _mm_cvtps_pd(_mm_movehl_ps(columns, columns));
        const __m128d row = _mm_set1_pd(plane.rowPart), coefX = _mm_set1_pd(plane.coefX);
        const __m128d coefZ = _mm_set1_pd(plane.coefZ), sign = _mm_set1_pd(-0.0);
        d01 = _mm_div_pd(_mm_xor_pd(_mm_add_pd(row, _mm_mul_pd(coefX, x01)), sign), coefZ);
        d23 = _mm_div_pd(_mm_xor_pd(_mm_add_pd(row, _mm_mul_pd(coefX, x23)), sign), coefZ);
    }
    Lanes stored;
    if (valid == 0xF) {
        stored = _mm_loadu_ps(ZBuff + index);
    } else {
        // No depth passes an infinite stored one, so the pixels left out cannot pass.
        alignas(16) float some[4] = {INFINITY, INFINITY, INFINITY, INFINITY};
        for (int k = 0; k < 4; ++k)
            if (valid & (1 << k))
                some[k] = ZBuff[index + k];
        stored = _mm_load_ps(some);
    }
    const int pass = _mm_movemask_pd(_mm_cmpgt_pd(d01, _mm_cvtps_pd(stored))) |
                     _mm_movemask_pd(_mm_cmpgt_pd(d23, _mm_cvtps_pd(_mm_movehl_ps(stored, stored))))
                         << 2;
    depth = _mm_movelh_ps(_mm_cvtpd_ps(d01), _mm_cvtpd_ps(d23));
    if (pass == 0xF) {
        _mm_storeu_ps(ZBuff + index, depth);
    } else if (pass) {
        alignas(16) float all[4];
        _mm_store_ps(all, depth);
        for (int k = 0; k < 4; ++k)
            if (pass & (1 << k))
                ZBuff[index + k] = all[k];
    }
    return pass;
}

// What InterpolateNormals4 takes from the setup, each number in every lane: worked out once per
// triangle that goes by fours.
struct NormalsByFours {
    Lanes area;
    Lanes columnFactor[3];
    Lanes n[3][3]; // corner k's normalised normal, component c
    Lanes q[3][3]; // mid-edge normal k, component c
};

inline void PrepareNormalsByFours(NormalsByFours& f, const InterpolationSetup& s)
{
    f.area = Splat(s.area);
    f.columnFactor[0] = Broadcast<0>(s.columnFactor);
    f.columnFactor[1] = Broadcast<1>(s.columnFactor);
    f.columnFactor[2] = Broadcast<2>(s.columnFactor);
    for (int k = 0; k < 3; ++k) {
        f.n[k][0] = Broadcast<0>(s.n[k]);
        f.n[k][1] = Broadcast<1>(s.n[k]);
        f.n[k][2] = Broadcast<2>(s.n[k]);
        f.q[k][0] = Broadcast<0>(s.q[k]);
        f.q[k][1] = Broadcast<1>(s.q[k]);
        f.q[k][2] = Broadcast<2>(s.q[k]);
    }
}

// The interpolated normals (not normalised) of pixels x .. x + 3 of row y, one lane per pixel:
// PixelWeights and InterpolateNormalAndUV's sums, with no texture coordinates.
inline void InterpolateNormals4(InterpolationSetup& s, const NormalsByFours& f, Lanes x, float y,
                                Lanes normal[3])
{
    KnowRow(s, y);
    Lanes w[3] = {Div(Add(Broadcast<0>(s.rowTerm), Mul(x, f.columnFactor[0])), f.area),
                  Div(Add(Broadcast<1>(s.rowTerm), Mul(x, f.columnFactor[1])), f.area),
                  Div(Add(Broadcast<2>(s.rowTerm), Mul(x, f.columnFactor[2])), f.area)};
    for (Lanes& weight : w)
        weight = NegativeToZero(weight);
    const Lanes sum = Add(Add(AbsLanes(w[0]), AbsLanes(w[1])), AbsLanes(w[2]));
    const Lanes positive = _mm_cmpgt_ps(sum, _mm_setzero_ps());
    for (Lanes& weight : w)
        weight = Select(positive, Div(weight, sum), weight);
    if (s.quadratic) {
        const Lanes a = Mul(w[0], w[0]), b = Mul(w[1], w[1]), c = Mul(w[2], w[2]);
        const Lanes ab = Mul(w[0], w[1]), bc = Mul(Mul(Splat(2.0f), w[1]), w[2]);
        const Lanes ca = Mul(w[2], w[0]);
        for (int k = 0; k < 3; ++k)
            normal[k] = Add(Add(Add(Add(Add(Mul(a, f.n[0][k]), Mul(b, f.n[1][k])), Mul(c, f.n[2][k])),
                                    Mul(ab, f.q[0][k])),
                                Mul(bc, f.q[1][k])),
                            Mul(ca, f.q[2][k]));
    } else {
        for (int k = 0; k < 3; ++k)
            normal[k] = Add(Add(Mul(w[0], f.n[0][k]), Mul(w[1], f.n[1][k])), Mul(w[2], f.n[2][k]));
    }
}

// BlendPixel of pixels x .. x + 3 of row y (inside the image) whose bit is set in `mask`, with
// colours given per lane, already clamped to 0..ChannelMax (so that truncating them is
// ClampChannel), and one coverage for all. Fully covered pixels are written whole.
template <typename Element>
inline void BlendPixels4(unsigned char* image, const Lanes colour[3], int x, int y, int mask,
                         float coverage)
{
    if (coverage != 1.0f) {
        alignas(16) float c[3][4];
        for (int k = 0; k < 3; ++k)
            _mm_store_ps(c[k], colour[k]);
        for (int j = 0; j < 4; ++j)
            if (mask & (1 << j))
                BlendPixel<Element>(image, c[0][j], c[1][j], c[2][j], x + j, y, coverage);
        return;
    }
    const __m128i c1 = _mm_cvttps_epi32(colour[0]);
    const __m128i c2 = _mm_cvttps_epi32(colour[1]);
    const __m128i c3 = _mm_cvttps_epi32(colour[2]);
    const __m128i alpha = _mm_set1_epi32(ChannelMax);
    unsigned char* at = image + static_cast<ptrdiff_t>(y) * RowStride * sizeof(Element) +
                        4 * sizeof(Element) * static_cast<ptrdiff_t>(x);
    alignas(16) unsigned char pixels[4 * 4 * sizeof(Element)];
    if constexpr (sizeof(Element) == 1) {
        const __m128i all = _mm_or_si128(
            _mm_or_si128(c1, _mm_slli_epi32(c2, 8)),
            _mm_or_si128(_mm_slli_epi32(c3, 16), _mm_slli_epi32(alpha, 24)));
        if (mask == 0xF) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(at), all);
            return;
        }
        _mm_store_si128(reinterpret_cast<__m128i*>(pixels), all);
    } else {
        const __m128i first = _mm_or_si128(c1, _mm_slli_epi32(c2, 16));
        const __m128i second = _mm_or_si128(c3, _mm_slli_epi32(alpha, 16));
        const __m128i low = _mm_unpacklo_epi32(first, second);
        const __m128i high = _mm_unpackhi_epi32(first, second);
        if (mask == 0xF) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(at), low);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(at + 16), high);
            return;
        }
        _mm_store_si128(reinterpret_cast<__m128i*>(pixels), low);
        _mm_store_si128(reinterpret_cast<__m128i*>(pixels + 16), high);
    }
    constexpr size_t pixelBytes = 4 * sizeof(Element);
    for (int j = 0; j < 4; ++j)
        if (mask & (1 << j))
            std::memcpy(at + j * pixelBytes, pixels + j * pixelBytes, pixelBytes);
}

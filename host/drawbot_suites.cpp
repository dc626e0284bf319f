// The panel's drawing suites, custom-UI suite and App suite, over a canvas of the panel's size.
#include "host/drawbot_suites.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>

struct DrawbotObject {
    enum Kind { Drawing, Supplier, Surface, Image, Path, Pen, Brush } kind = Drawing;
    DrawbotHost* host = nullptr;
    int32_t refs = 1;
    // Image: straight RGBA, top row first.
    int32_t width = 0, height = 0;
    std::vector<uint8_t> rgba;
    // Path: flattened sub-paths, each a polyline; `closed` marks those Close ended.
    CanvasPolygons subpaths;
    std::vector<bool> closed;
    // Pen and brush.
    DRAWBOT_ColorRGBA color{0, 0, 0, 1};
    float size = 1;
};

namespace {

// Every object and host alive: a reference the effect hands back is looked up here before use,
// so a stale or made-up one is an error, never a read of freed memory.
std::set<const DrawbotObject*> LiveObjects;
std::vector<DrawbotHost*> LiveHosts;

// The largest image the supplier makes; far above any panel's needs, far below overflow.
constexpr int32_t MaxImageSide = 16384;

DrawbotObject* Find(const void* ref, DrawbotObject::Kind kind)
{
    auto* o = static_cast<const DrawbotObject*>(ref);
    if (!o || !LiveObjects.count(o) || o->kind != kind)
        return nullptr;
    return const_cast<DrawbotObject*>(o);
}

DrawbotObject* NewObject(DrawbotHost* host, DrawbotObject::Kind kind)
{
    auto* o = new DrawbotObject();
    o->kind = kind;
    o->host = host;
    LiveObjects.insert(o);
    return o;
}

void DestroyObject(DrawbotObject* o)
{
    LiveObjects.erase(o);
    delete o;
}

DrawbotHost* HostOf(PF_ContextH contextH)
{
    for (DrawbotHost* h : LiveHosts)
        if (contextH == h->ContextHandle())
            return h;
    return nullptr;
}

using Point = CanvasPoint;

// ---- Draw suite ------------------------------------------------------------------------------

// The drawing hands out the supplier and the surface, which the host made with it.
template <typename Ref, DrawbotObject* DrawbotHost::*made>
SPErr GetHostObject(DRAWBOT_DrawRef ref, Ref* object)
{
    DrawbotObject* d = Find(ref, DrawbotObject::Drawing);
    if (!d || !object)
        return kSPBadParameterError;
    *object = reinterpret_cast<Ref>(d->host->*made);
    return kSPNoError;
}

// ---- Supplier suite --------------------------------------------------------------------------

// A new object of the supplier's host, handed to the effect through `out`, which must release
// it; null when the supplier is not alive or `out` is null, and then nothing is made.
template <typename Ref>
DrawbotObject* Supply(DRAWBOT_SupplierRef ref, DrawbotObject::Kind kind, Ref* out)
{
    DrawbotObject* s = Find(ref, DrawbotObject::Supplier);
    if (!s || !out)
        return nullptr;
    DrawbotObject* o = NewObject(s->host, kind);
    *out = reinterpret_cast<Ref>(o);
    return o;
}

// Pens and brushes paint with the colour they are made with.
template <typename Ref>
DrawbotObject* SupplyPaint(DRAWBOT_SupplierRef ref, DrawbotObject::Kind kind, const DRAWBOT_ColorRGBA* color, Ref* out)
{
    DrawbotObject* o = color ? Supply(ref, kind, out) : nullptr;
    if (o)
        o->color = *color;
    return o;
}

SPErr NewPen(DRAWBOT_SupplierRef ref, const DRAWBOT_ColorRGBA* color, float size, DRAWBOT_PenRef* pen)
{
    if (!(size >= 0) || !std::isfinite(size))
        return kSPBadParameterError;
    DrawbotObject* o = SupplyPaint(ref, DrawbotObject::Pen, color, pen);
    if (!o)
        return kSPBadParameterError;
    o->size = size;
    return kSPNoError;
}

SPErr NewBrush(DRAWBOT_SupplierRef ref, const DRAWBOT_ColorRGBA* color, DRAWBOT_BrushRef* brush)
{
    return SupplyPaint(ref, DrawbotObject::Brush, color, brush) ? kSPNoError : kSPBadParameterError;
}

SPErr NewPath(DRAWBOT_SupplierRef ref, DRAWBOT_PathRef* path)
{
    return Supply(ref, DrawbotObject::Path, path) ? kSPNoError : kSPBadParameterError;
}

// The supplier's fixed answers about what the host can do. The command-line host has no fonts.
template <typename T>
SPErr Answer(DRAWBOT_SupplierRef ref, T* answer, T value)
{
    if (!Find(ref, DrawbotObject::Supplier) || !answer)
        return kSPBadParameterError;
    *answer = value;
    return kSPNoError;
}
SPErr SupportsText(DRAWBOT_SupplierRef ref, DRAWBOT_Boolean* a) { return Answer<DRAWBOT_Boolean>(ref, a, 0); }
SPErr GetDefaultFontSize(DRAWBOT_SupplierRef ref, float* size) { return Answer(ref, size, 12.0f); }
SPErr SupportsBGRA(DRAWBOT_SupplierRef ref, DRAWBOT_Boolean* a) { return Answer<DRAWBOT_Boolean>(ref, a, 1); }
SPErr PrefersBGRA(DRAWBOT_SupplierRef ref, DRAWBOT_Boolean* a) { return Answer<DRAWBOT_Boolean>(ref, a, 0); }
SPErr SupportsARGB(DRAWBOT_SupplierRef ref, DRAWBOT_Boolean* a) { return Answer<DRAWBOT_Boolean>(ref, a, 1); }
SPErr PrefersARGB(DRAWBOT_SupplierRef ref, DRAWBOT_Boolean* a) { return Answer<DRAWBOT_Boolean>(ref, a, 0); }

SPErr NewDefaultFont(DRAWBOT_SupplierRef, float, DRAWBOT_FontRef* font)
{
    if (font)
        *font = nullptr;
    return kSPUnimplementedError;
}

// Bytes per pixel and where red, green, blue and alpha sit in it (-1: opaque); premultiplied or not.
struct Layout {
    int bytes;
    int r, g, b, a;
    bool premultiplied;
};

bool LayoutOf(DRAWBOT_PixelLayout layout, Layout& out)
{
    switch (layout) {
    case kDRAWBOT_PixelLayout_24RGB: out = {3, 0, 1, 2, -1, false}; return true;
    case kDRAWBOT_PixelLayout_24BGR: out = {3, 2, 1, 0, -1, false}; return true;
    case kDRAWBOT_PixelLayout_32RGB: out = {4, 1, 2, 3, -1, false}; return true;
    case kDRAWBOT_PixelLayout_32BGR: out = {4, 2, 1, 0, -1, false}; return true;
    case kDRAWBOT_PixelLayout_32ARGB_Straight: out = {4, 1, 2, 3, 0, false}; return true;
    case kDRAWBOT_PixelLayout_32ARGB_Premul: out = {4, 1, 2, 3, 0, true}; return true;
    case kDRAWBOT_PixelLayout_32BGRA_Straight: out = {4, 2, 1, 0, 3, false}; return true;
    case kDRAWBOT_PixelLayout_32BGRA_Premul: out = {4, 2, 1, 0, 3, true}; return true;
    default: return false;
    }
}

SPErr NewImageFromBuffer(DRAWBOT_SupplierRef ref, int width, int height, int rowBytes, DRAWBOT_PixelLayout layout,
                         const void* data, DRAWBOT_ImageRef* image)
{
    if (image)
        *image = nullptr;
    DrawbotObject* s = Find(ref, DrawbotObject::Supplier);
    Layout l;
    if (!s || !data || !image || !LayoutOf(layout, l))
        return kSPBadParameterError;
    if (width <= 0 || height <= 0 || width > MaxImageSide || height > MaxImageSide || rowBytes < width * l.bytes) {
        s->host->problems.push_back("NewImageFromBuffer with size " + std::to_string(width) + "x" +
                                    std::to_string(height) + " and row length " + std::to_string(rowBytes));
        return kSPBadParameterError;
    }
    // The image keeps a copy: the effect frees its buffer right after drawing.
    DrawbotObject* o = NewObject(s->host, DrawbotObject::Image);
    o->width = width;
    o->height = height;
    o->rgba.resize(size_t(width) * size_t(height) * 4);
    const auto* bytes = static_cast<const uint8_t*>(data);
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = bytes + size_t(y) * size_t(rowBytes);
        for (int x = 0; x < width; ++x) {
            const uint8_t* p = row + size_t(x) * size_t(l.bytes);
            uint8_t* q = &o->rgba[(size_t(y) * size_t(width) + size_t(x)) * 4];
            const uint8_t a = l.a >= 0 ? p[l.a] : 255;
            const int idx[3] = {l.r, l.g, l.b};
            for (int c = 0; c < 3; ++c)
                q[c] = l.premultiplied ? (a ? uint8_t(std::min(255, (p[idx[c]] * 255 + a / 2) / a)) : 0) : p[idx[c]];
            q[3] = a;
        }
    }
    *image = reinterpret_cast<DRAWBOT_ImageRef>(o);
    return kSPNoError;
}

// The objects the effect owns and counts; the drawing, supplier and surface are the host's.
DrawbotObject* FindOwned(DRAWBOT_ObjectRef ref)
{
    auto* o = static_cast<const DrawbotObject*>(static_cast<const void*>(ref));
    if (!o || !LiveObjects.count(o))
        return nullptr;
    switch (o->kind) {
    case DrawbotObject::Image:
    case DrawbotObject::Path:
    case DrawbotObject::Pen:
    case DrawbotObject::Brush: return const_cast<DrawbotObject*>(o);
    default: return nullptr;
    }
}

SPErr RetainObject(DRAWBOT_ObjectRef ref)
{
    DrawbotObject* o = FindOwned(ref);
    if (!o)
        return kSPBadParameterError;
    ++o->refs;
    return kSPNoError;
}

SPErr ReleaseObject(DRAWBOT_ObjectRef ref)
{
    DrawbotObject* o = FindOwned(ref);
    if (!o) {
        // Only reachable host objects can be told about it; a dead reference has no host left.
        for (DrawbotHost* h : LiveHosts)
            h->problems.push_back("ReleaseObject of an object that is not alive");
        return kSPBadParameterError;
    }
    if (--o->refs == 0)
        DestroyObject(o);
    return kSPNoError;
}

// ---- Surface suite ---------------------------------------------------------------------------

// The host a surface reference belongs to, its state stack with it.
DrawbotHost* SurfaceHost(DRAWBOT_SurfaceRef ref)
{
    DrawbotObject* s = Find(ref, DrawbotObject::Surface);
    return s ? s->host : nullptr;
}

SPErr PushStateStack(DRAWBOT_SurfaceRef ref)
{
    DrawbotHost* host = SurfaceHost(ref);
    if (!host)
        return kSPBadParameterError;
    host->savedSurfaceStates.push_back(host->surfaceState);
    return kSPNoError;
}

SPErr PopStateStack(DRAWBOT_SurfaceRef ref)
{
    DrawbotHost* host = SurfaceHost(ref);
    if (!host || host->savedSurfaceStates.empty())
        return kSPBadParameterError;
    host->surfaceState = host->savedSurfaceStates.back();
    host->savedSurfaceStates.pop_back();
    return kSPNoError;
}

// Rectangles, paths and strokes alike: polygons in the surface's own coordinates, painted in one
// colour through its transform and inside its clip.
void Paint(DrawbotHost& host, const DRAWBOT_ColorRGBA& color, const CanvasPolygons& polygons, bool evenOdd)
{
    uint8_t c[4];
    ColorBytes(color, c);
    FillPolygons(host, host.surfaceState, Transformed(host.surfaceState, polygons), evenOdd, c);
}

SPErr PaintRect(DRAWBOT_SurfaceRef ref, const DRAWBOT_ColorRGBA* color, const DRAWBOT_RectF32* rect)
{
    DrawbotHost* host = SurfaceHost(ref);
    if (!host || !color || !rect)
        return kSPBadParameterError;
    const float l = rect->left, t = rect->top, r = rect->left + rect->width, b = rect->top + rect->height;
    Paint(*host, *color, {{{l, t}, {r, t}, {r, b}, {l, b}}}, false);
    return kSPNoError;
}

SPErr FillPath(DRAWBOT_SurfaceRef ref, DRAWBOT_BrushRef brush, DRAWBOT_PathRef path, DRAWBOT_FillType fill)
{
    DrawbotHost* host = SurfaceHost(ref);
    DrawbotObject* b = Find(brush, DrawbotObject::Brush);
    DrawbotObject* p = Find(path, DrawbotObject::Path);
    if (!host || !b || !p)
        return kSPBadParameterError;
    Paint(*host, b->color, p->subpaths, fill == kDRAWBOT_FillType_EvenOdd);
    return kSPNoError;
}

SPErr StrokePath(DRAWBOT_SurfaceRef ref, DRAWBOT_PenRef pen, DRAWBOT_PathRef path)
{
    DrawbotHost* host = SurfaceHost(ref);
    DrawbotObject* pn = Find(pen, DrawbotObject::Pen);
    DrawbotObject* p = Find(path, DrawbotObject::Path);
    if (!host || !pn || !p)
        return kSPBadParameterError;
    Paint(*host, pn->color, StrokeQuads(p->subpaths, p->closed, pn->size), false);
    return kSPNoError;
}

SPErr Clip(DRAWBOT_SurfaceRef ref, DRAWBOT_SupplierRef, const DRAWBOT_Rect32* rect)
{
    DrawbotHost* host = SurfaceHost(ref);
    if (!host || !rect || rect->width < 0 || rect->height < 0)
        return kSPBadParameterError;
    CanvasState& c = host->surfaceState;
    c.clipLeft = std::max(c.clipLeft, rect->left);
    c.clipTop = std::max(c.clipTop, rect->top);
    c.clipRight = std::min<int64_t>(c.clipRight, int64_t(rect->left) + rect->width);
    c.clipBottom = std::min<int64_t>(c.clipBottom, int64_t(rect->top) + rect->height);
    return kSPNoError;
}

SPErr GetClipBounds(DRAWBOT_SurfaceRef ref, DRAWBOT_Rect32* rect)
{
    DrawbotHost* host = SurfaceHost(ref);
    if (!host || !rect)
        return kSPBadParameterError;
    const CanvasState& c = host->surfaceState;
    *rect = DRAWBOT_Rect32{c.clipLeft, c.clipTop, std::max(0, c.clipRight - c.clipLeft),
                           std::max(0, c.clipBottom - c.clipTop)};
    return kSPNoError;
}

SPErr IsWithinClipBounds(DRAWBOT_SurfaceRef ref, const DRAWBOT_Rect32* rect, DRAWBOT_Boolean* within)
{
    DrawbotHost* host = SurfaceHost(ref);
    if (!host || !rect || !within)
        return kSPBadParameterError;
    const CanvasState& c = host->surfaceState;
    *within = rect->left >= c.clipLeft && rect->top >= c.clipTop && int64_t(rect->left) + rect->width <= c.clipRight &&
              int64_t(rect->top) + rect->height <= c.clipBottom;
    return kSPNoError;
}

SPErr Transform(DRAWBOT_SurfaceRef ref, const DRAWBOT_MatrixF32* matrix)
{
    DrawbotHost* host = SurfaceHost(ref);
    if (!host || !matrix)
        return kSPBadParameterError;
    ComposeTransform(host->surfaceState, matrix->mat);
    return kSPNoError;
}

SPErr DrawString(DRAWBOT_SurfaceRef, DRAWBOT_BrushRef, DRAWBOT_FontRef, const DRAWBOT_UTF16Char*,
                 const DRAWBOT_PointF32*, DRAWBOT_TextAlignment, DRAWBOT_TextTruncation, float)
{
    return kSPUnimplementedError;   // SupportsText says no
}

SPErr DrawImage(DRAWBOT_SurfaceRef ref, DRAWBOT_ImageRef imageRef, const DRAWBOT_PointF32* at, float alpha)
{
    DrawbotHost* host = SurfaceHost(ref);
    DrawbotObject* img = Find(imageRef, DrawbotObject::Image);
    if (!host || !img || !at || !std::isfinite(at->x) || !std::isfinite(at->y) || !(alpha >= 0))
        return kSPBadParameterError;
    if (PaintImage(*host, host->surfaceState, img->rgba.data(), img->width, img->height, Point{at->x, at->y},
                   std::min(alpha, 1.0f)))
        ++host->imagesDrawn;
    return kSPNoError;
}

// The surface's interpolation and anti-alias policies are kept and given back, not applied:
// images are placed at whole pixels and fills are not anti-aliased.
template <typename Policy, Policy DrawbotHost::*kept>
SPErr SetPolicy(DRAWBOT_SurfaceRef ref, Policy policy)
{
    DrawbotHost* host = SurfaceHost(ref);
    if (!host)
        return kSPBadParameterError;
    host->*kept = policy;
    return kSPNoError;
}

template <typename Policy, Policy DrawbotHost::*kept>
SPErr GetPolicy(DRAWBOT_SurfaceRef ref, Policy* policy)
{
    DrawbotHost* host = SurfaceHost(ref);
    if (!host || !policy)
        return kSPBadParameterError;
    *policy = host->*kept;
    return kSPNoError;
}

SPErr Flush(DRAWBOT_SurfaceRef ref) { return SurfaceHost(ref) ? kSPNoError : kSPBadParameterError; }

SPErr GetTransformToScreenScale(DRAWBOT_SurfaceRef ref, float* scale)
{
    if (!SurfaceHost(ref) || !scale)
        return kSPBadParameterError;
    *scale = 1.0f;
    return kSPNoError;
}

// ---- Path suite ------------------------------------------------------------------------------

// Curves and arcs become this many straight pieces: a panel-sized curve stays smooth.
constexpr int CurveSteps = 32;

DrawbotObject* PathOf(DRAWBOT_PathRef ref) { return Find(ref, DrawbotObject::Path); }

bool Finite(float a, float b) { return std::isfinite(a) && std::isfinite(b); }

void StartSubpath(DrawbotObject& p, Point at)
{
    p.subpaths.push_back({at});
    p.closed.push_back(false);
}

void LineToPoint(DrawbotObject& p, Point at)
{
    if (p.subpaths.empty() || p.closed.back())
        StartSubpath(p, p.subpaths.empty() ? at : p.subpaths.back().front());
    p.subpaths.back().push_back(at);
}

// MoveTo (StartSubpath) and LineTo (LineToPoint): a finite point, taken one of two ways.
template <void (*Take)(DrawbotObject&, Point)>
SPErr ToPoint(DRAWBOT_PathRef ref, float x, float y)
{
    DrawbotObject* p = PathOf(ref);
    if (!p || !Finite(x, y))
        return kSPBadParameterError;
    Take(*p, Point{x, y});
    return kSPNoError;
}

SPErr BezierTo(DRAWBOT_PathRef ref, const DRAWBOT_PointF32* c1, const DRAWBOT_PointF32* c2, const DRAWBOT_PointF32* end)
{
    DrawbotObject* p = PathOf(ref);
    if (!p || !c1 || !c2 || !end || !Finite(c1->x, c1->y) || !Finite(c2->x, c2->y) || !Finite(end->x, end->y))
        return kSPBadParameterError;
    const Point s = p->subpaths.empty() ? Point{c1->x, c1->y} : p->subpaths.back().back();
    for (int i = 1; i <= CurveSteps; ++i) {
        const float t = float(i) / CurveSteps, u = 1 - t;
        const float a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
        LineToPoint(*p, Point{a * s.x + b * c1->x + c * c2->x + d * end->x, a * s.y + b * c1->y + c * c2->y + d * end->y});
    }
    return kSPNoError;
}

SPErr AddRect(DRAWBOT_PathRef ref, const DRAWBOT_RectF32* r)
{
    DrawbotObject* p = PathOf(ref);
    if (!p || !r || !Finite(r->left, r->top) || !Finite(r->width, r->height))
        return kSPBadParameterError;
    StartSubpath(*p, Point{r->left, r->top});
    p->subpaths.back().push_back(Point{r->left + r->width, r->top});
    p->subpaths.back().push_back(Point{r->left + r->width, r->top + r->height});
    p->subpaths.back().push_back(Point{r->left, r->top + r->height});
    p->closed.back() = true;
    return kSPNoError;
}

SPErr AddArc(DRAWBOT_PathRef ref, const DRAWBOT_PointF32* centre, float radius, float startDegrees, float sweepDegrees)
{
    DrawbotObject* p = PathOf(ref);
    if (!p || !centre || !Finite(centre->x, centre->y) || !Finite(radius, startDegrees) || !std::isfinite(sweepDegrees) ||
        radius < 0)
        return kSPBadParameterError;
    const double toRadians = 3.14159265358979323846 / 180.0;
    for (int i = 0; i <= CurveSteps; ++i) {
        const double a = (startDegrees + sweepDegrees * i / CurveSteps) * toRadians;
        const Point q{float(centre->x + radius * std::cos(a)), float(centre->y + radius * std::sin(a))};
        if (i == 0 && (p->subpaths.empty() || p->closed.back()))
            StartSubpath(*p, q);
        else
            LineToPoint(*p, q);
    }
    return kSPNoError;
}

SPErr ClosePath(DRAWBOT_PathRef ref)
{
    DrawbotObject* p = PathOf(ref);
    if (!p)
        return kSPBadParameterError;
    if (!p->subpaths.empty())
        p->closed.back() = true;
    return kSPNoError;
}

// ---- Custom-UI and App suites ----------------------------------------------------------------

PF_Err GetDrawingReference(const PF_ContextH contextH, DRAWBOT_DrawRef* ref)
{
    DrawbotHost* h = HostOf(contextH);
    if (!ref)
        return PF_Err_BAD_CALLBACK_PARAM;
    *ref = nullptr;
    if (!h || (*contextH)->magic != PF_CONTEXT_MAGIC)
        return PF_Err_BAD_CALLBACK_PARAM;
    *ref = reinterpret_cast<DRAWBOT_DrawRef>(h->drawing);
    return PF_Err_NONE;
}

PF_Err InvalidateRect(const PF_ContextH contextH, const PF_Rect* rect)
{
    DrawbotHost* h = HostOf(contextH);
    if (!h)
        return PF_Err_BAD_CALLBACK_PARAM;
    // No rectangle: the whole panel.
    h->invalidated.push_back(rect ? *rect : PF_Rect{0, 0, h->width, h->height});
    return PF_Err_NONE;
}

} // namespace

DrawbotHost::DrawbotHost(int32_t w, int32_t h) : DrawbotCanvas{std::max(1, w), std::max(1, h), {}}
{
    rgba.resize(size_t(width) * size_t(height) * 4);
    for (size_t i = 0; i < rgba.size(); i += 4) {
        std::memcpy(&rgba[i], PanelBackground, 3);
        rgba[i + 3] = 255;
    }
    std::memset(&context, 0, sizeof context);
    context.magic = PF_CONTEXT_MAGIC;
    context.w_type = PF_Window_EFFECT;
    contextP = &context;

    drawSuite = DRAWBOT_DrawbotSuite1{GetHostObject<DRAWBOT_SupplierRef, &DrawbotHost::supplier>,
                                      GetHostObject<DRAWBOT_SurfaceRef, &DrawbotHost::surface>};
    supplierSuite = DRAWBOT_SupplierSuite1{NewPen, NewBrush, SupportsText, GetDefaultFontSize, NewDefaultFont,
                                           NewImageFromBuffer, NewPath, SupportsBGRA, PrefersBGRA, SupportsARGB,
                                           PrefersARGB, RetainObject, ReleaseObject};
    surfaceSuite = DRAWBOT_SurfaceSuite2{PushStateStack, PopStateStack, PaintRect, FillPath, StrokePath, Clip,
                                         GetClipBounds, IsWithinClipBounds, Transform, DrawString, DrawImage,
                                         SetPolicy<DRAWBOT_InterpolationPolicy, &DrawbotHost::interpolation>,
                                         GetPolicy<DRAWBOT_InterpolationPolicy, &DrawbotHost::interpolation>,
                                         SetPolicy<DRAWBOT_AntiAliasPolicy, &DrawbotHost::antiAlias>,
                                         GetPolicy<DRAWBOT_AntiAliasPolicy, &DrawbotHost::antiAlias>, Flush,
                                         GetTransformToScreenScale};
    pathSuite = DRAWBOT_PathSuite1{ToPoint<StartSubpath>, ToPoint<LineToPoint>, BezierTo, AddRect, AddArc, ClosePath};
    customUISuite = PF_EffectCustomUISuite1{GetDrawingReference};
    std::memset(&appSuite, 0, sizeof appSuite);
    appSuite.PF_InvalidateRect = InvalidateRect;

    drawing = NewObject(this, DrawbotObject::Drawing);
    supplier = NewObject(this, DrawbotObject::Supplier);
    surface = NewObject(this, DrawbotObject::Surface);
    surfaceState = FreshCanvasState(*this);
    LiveHosts.push_back(this);
}

DrawbotHost::~DrawbotHost()
{
    for (auto it = LiveObjects.begin(); it != LiveObjects.end();) {
        if ((*it)->host == this) {
            delete *it;
            it = LiveObjects.erase(it);
        } else {
            ++it;
        }
    }
    LiveHosts.erase(std::remove(LiveHosts.begin(), LiveHosts.end(), this), LiveHosts.end());
}

void RegisterDrawbotSuites(HostSession& session, DrawbotHost& host)
{
    RegisterSuite(session, kDRAWBOT_DrawSuite, kDRAWBOT_DrawSuite_Version1, &host.drawSuite);
    RegisterSuite(session, kDRAWBOT_SupplierSuite, kDRAWBOT_SupplierSuite_Version1, &host.supplierSuite);
    // Version 1 of the surface suite is version 2 without its last slot.
    RegisterSuite(session, kDRAWBOT_SurfaceSuite, kDRAWBOT_SurfaceSuite_Version1, &host.surfaceSuite);
    RegisterSuite(session, kDRAWBOT_SurfaceSuite, kDRAWBOT_SurfaceSuite_Version2, &host.surfaceSuite);
    RegisterSuite(session, kDRAWBOT_PathSuite, kDRAWBOT_PathSuite_Version1, &host.pathSuite);
    RegisterSuite(session, kPFEffectCustomUISuite, kPFEffectCustomUISuiteVersion1, &host.customUISuite);
    RegisterSuite(session, kPFAppSuite, kPFAppSuiteVersion4, &host.appSuite);
}

PF_EventExtra PanelEvent(DrawbotHost& host, PF_EventType type)
{
    PF_EventExtra e;
    std::memset(&e, 0, sizeof e);
    e.contextH = host.ContextHandle();
    e.e_type = type;
    e.effect_win.index = 1;
    e.effect_win.area = PF_EA_CONTROL;
    e.effect_win.current_frame = PF_Rect{0, 0, host.width, host.height};
    if (type == PF_Event_DRAW)
        e.u.draw.update_rect = PF_Rect{0, 0, host.width, host.height};
    return e;
}

std::vector<std::string> DrawbotProblems(const DrawbotHost& host)
{
    std::vector<std::string> found = host.problems;
    static const char* const names[] = {"drawing", "supplier", "surface", "image", "path", "pen", "brush"};
    int counts[7] = {};
    for (const DrawbotObject* o : LiveObjects)
        if (o->host == &host)
            ++counts[o->kind];
    for (int k = DrawbotObject::Image; k <= DrawbotObject::Brush; ++k)
        if (counts[k] > 0)
            found.push_back(std::to_string(counts[k]) + " drawing " + names[k] + "(s) never released");
    return found;
}

const uint8_t* CanvasPixel(const DrawbotHost& host, int32_t x, int32_t y)
{
    static const uint8_t outside[4] = {0, 0, 0, 0};
    if (x < 0 || y < 0 || x >= host.width || y >= host.height)
        return outside;
    return &host.rgba[(size_t(y) * size_t(host.width) + size_t(x)) * 4];
}

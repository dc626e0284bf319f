// The curved-surface modes: Patches (8) subdivides each triangle once onto its curved surface and
// Phong-fills the four pieces; Bezier (9) samples the cubic Bezier triangle about twice per pixel
// of edge length and shades every sample; Bezier outline (10) samples the same surface and draws
// only a soft line where it turns away from the viewer, over the unshaded source.
#include <cmath>
#include <cstdint>
#include <type_traits>

#include "engine/curved_surface.h"
#include "engine/engine_exports.h"
#include "engine/engine_state.h"
#include "engine/fills.h"
#include "engine/mode_rasterisers.h"
#include "shading/pixel_shader.h"
#include "shading/span_helpers.h"
#include "shading/vector_helpers.h"

namespace {

// Parameter step for an edge of the given 3D length: half a pixel of it, or 1 for an edge of
// no length (one sample across). A NaN length counts as none.
double HalfPixelStep(float length)
{
    return length > 0.0f ? 1.0 / (2.0 * static_cast<double>(length)) : 1.0;
}

// The step of the whole-triangle walk: never finer than 1/PatchWalkSteps.
double WalkStep(float length)
{
    const double step = HalfPixelStep(length);
    const double finest = 1.0 / PatchWalkSteps;
    return step > finest ? step : finest;
}

// Whether an edge is long enough for the clipped walk (NaN is not).
bool LongEdge(float length) { return length > static_cast<float>(PatchWalkSteps); }

// The facing rule of the filled modes, applied per sample or per piece: towards the viewer
// outside the back-face pass, away from it during it, both with _DubleSide, and both in the
// front pass when multiple refraction wants the far side of solids.
bool ExtendedPassRule(float nz)
{
    const bool backPass = _DrawBackFaces1 != 0;
    return (nz >= 0.0f && !backPass) || (nz < 0.0f && backPass) || _DubleSide ||
           (_UseMultyRefract == 2 && !backPass);
}

// One sample of the surface: its parameter along the row, the row it lies on, its position and
// its pixel.
struct Sample {
    double s;
    const PatchRow<3>* normalRow;
    const PatchRow<2>* uvRow;
    double position[3];
    int px, py;
};

// Evaluates the sample at s on the prepared rows and hands it to visit when its pixel lies in the
// image; what a skipped or rejected sample does to __PrevInfo's valid flag is the same in both
// walks.
template <class Visit>
void VisitSample(double s, const PatchRow<3>& positionRow, Sample& sample, int originX,
                 int originY, __PrevInfo& prev, Visit& visit)
{
    sample.s = s;
    EvaluatePatchRow(positionRow, s, sample.position);
    sample.px = TruncInt(sample.position[0] + originX + 0.5);
    sample.py = TruncInt(sample.position[1] + originY + 0.5);
    if (sample.px < 0 || sample.py < 0 || sample.px >= Zwidth || sample.py >= Zheight) {
        prev.valid = 0;
        return;
    }
    if (!visit(sample))
        prev.valid = 0;
}

// The rows of the patch at parameter t, as both walks prepare them.
struct PatchRows {
    PatchRow<3> position, normal;
    PatchRow<2> uv;
    void Prepare(const CubicPatch& patch, double t)
    {
        PreparePatchRow(patch.position, t, position);
        PreparePatchRow(patch.normal, t, normal);
        if (patch.mapped)
            PreparePatchRow(patch.uv, t, uv);
    }
};

// Calls visit(sample) for every sample of the patch that lands inside the image, row by row in
// t and along each row in s, after resetting __PrevInfo's valid flag at the start of each row and
// whenever a sample is skipped. visit returns false for a sample it rejects after the fact
// (hidden), which also clears the flag. Samples past the triangle's third edge (s + t > 1) end
// the row: s only grows along it. Parameters accumulate step by step, as they always have.
template <class Visit>
void WalkWholePatch(const CubicPatch& patch, double ds, double dt, int originX, int originY,
                    __PrevInfo& prev, Visit& visit)
{
    PatchRows rows;
    Sample sample;
    sample.normalRow = &rows.normal;
    sample.uvRow = &rows.uv;
    for (double t = 0.0; t <= 1.0; t += dt) {
        prev.valid = 0;
        rows.Prepare(patch, t);
        for (double s = 0.0; s < 1.0; s += ds) {
            if (s + t > 1.0) {
                prev.valid = 0;
                break;
            }
            VisitSample(s, rows.position, sample, originX, originY, prev, visit);
        }
    }
}

// The same samples for a patch with an edge longer than PatchWalkSteps pixels, at their full
// density, with parameters k * ds and j * dt: blocks of rows, and blocks of samples along a row,
// whose bounds cannot reach the image are passed over whole, so the work grows with the part of
// the patch the image shows. The budget ends a pathological patch.
template <class Visit>
class ClippedWalk {
public:
    ClippedWalk(const CubicPatch& patch, double ds, double dt, int originX, int originY,
                __PrevInfo& prev, Visit& visit)
        : patch(patch), ds(ds), dt(dt), originX(originX), originY(originY), prev(prev),
          visit(visit), budget(ClippedWalkBudget(Zwidth, Zheight))
    {
        sample.normalRow = &rows.normal;
        sample.uvRow = &rows.uv;
    }

    void Run() { Rows(0, static_cast<int64_t>(1.0 / dt)); }

private:
    static constexpr int64_t RowsAtOnce = 4;
    static constexpr int64_t SamplesAtOnce = 16;

    bool Spend(int64_t cost)
    {
        budget -= cost;
        return budget >= 0;
    }

    // Rows j0..j1: all s of the triangle, t from j0 dt to j1 dt.
    void Rows(int64_t j0, int64_t j1)
    {
        if (!Spend(1))
            return;
        const double t0 = static_cast<double>(j0) * dt;
        if (!(t0 <= 1.0))
            return;
        const double t1 = static_cast<double>(j1) * dt;
        Interval xy[2];
        PatchPositionBounds(patch, Interval{0.0, 1.0 - t0}, Interval{t0, t1 < 1.0 ? t1 : 1.0}, xy);
        if (!ReachesImage(xy, originX, originY, Zwidth, Zheight, 0.0))
            return;
        if (j1 - j0 < RowsAtOnce) {
            for (int64_t j = j0; j <= j1; ++j)
                Row(j);
            return;
        }
        const int64_t middle = j0 + (j1 - j0) / 2;
        Rows(j0, middle);
        Rows(middle + 1, j1);
    }

    void Row(int64_t j)
    {
        t = static_cast<double>(j) * dt;
        if (!(t <= 1.0) || budget < 0)
            return;
        prev.valid = 0;
        rows.Prepare(patch, t);
        rowEnded = false;
        Samples(0, static_cast<int64_t>((1.0 - t) / ds) + 1);
    }

    // Samples k0..k1 of the current row.
    void Samples(int64_t k0, int64_t k1)
    {
        if (rowEnded || !Spend(1))
            return;
        Interval xy[2];
        const Interval s{static_cast<double>(k0) * ds, static_cast<double>(k1) * ds};
        PatchPositionBounds(patch, s, Exactly(t), xy);
        if (!ReachesImage(xy, originX, originY, Zwidth, Zheight, 0.0)) {
            prev.valid = 0; // these samples would all have been outside
            return;
        }
        if (k1 - k0 < SamplesAtOnce) {
            for (int64_t k = k0; k <= k1 && Spend(1); ++k) {
                const double s = static_cast<double>(k) * ds;
                if (!(s < 1.0) || s + t > 1.0) {
                    prev.valid = 0;
                    rowEnded = true;
                    return;
                }
                VisitSample(s, rows.position, sample, originX, originY, prev, visit);
            }
            return;
        }
        const int64_t middle = k0 + (k1 - k0) / 2;
        Samples(k0, middle);
        Samples(middle + 1, k1);
    }

    const CubicPatch& patch;
    const double ds, dt;
    const int originX, originY;
    __PrevInfo& prev;
    Visit& visit;
    int64_t budget;
    PatchRows rows;
    Sample sample;
    double t = 0.0;
    bool rowEnded = false;
};

// Every sample of the patch in the image, by the walk its edges' lengths call for.
template <class Visit>
void SamplePatch(const CubicPatch& patch, const __Point3ds& p0, const __Point3ds& p1,
                 const __Point3ds& p2, int originX, int originY, __PrevInfo& prev, Visit&& visit)
{
    const float ls = Distance3(p0.x, p0.y, p0.z, p2.x, p2.y, p2.z);
    const float lt = Distance3(p1.x, p1.y, p1.z, p2.x, p2.y, p2.z);
    if (!LongEdge(ls) && !LongEdge(lt)) {
        WalkWholePatch(patch, WalkStep(ls), WalkStep(lt), originX, originY, prev, visit);
        return;
    }
    const double ds = HalfPixelStep(ls) > PatchFinestStep ? HalfPixelStep(ls) : PatchFinestStep;
    const double dt = HalfPixelStep(lt) > PatchFinestStep ? HalfPixelStep(lt) : PatchFinestStep;
    ClippedWalk<std::remove_reference_t<Visit>>(patch, ds, dt, originX, originY, prev, visit).Run();
}

} // namespace

void PatchTriangle(const Scene& scene, __Triangle3ds* triangle)
{
    const __Point3ds* points = scene.points;
    if (!scene.target || !triangle || !points)
        return;
    __Point3ds local[6];
    PatchSubdivisionPoints(points[triangle->a], points[triangle->b], points[triangle->c], local);
    Scene pieces = scene;
    pieces.points = local;
    static const int corners[4][3] = {{0, 3, 5}, {3, 1, 4}, {4, 2, 5}, {3, 4, 5}};
    for (const auto& c : corners) {
        __Triangle3ds piece{};
        piece.a = c[0];
        piece.b = c[1];
        piece.c = c[2];
        piece.flags = triangle->flags;
        piece.material = triangle->material;
        float nx, ny, nz;
        TriangleNormal(piece, local, nx, ny, nz);
        if (!ExtendedPassRule(nz))
            continue;
        PhongTriangle(pieces, &piece);
    }
}

namespace {

// A triangle's corners in the scene and the cubic patch through them, sampled as one.
struct TrianglePatch {
    TrianglePatch(const Scene& scene, const __Triangle3ds& triangle)
        : p0(scene.points[triangle.a]), p1(scene.points[triangle.b]),
          p2(scene.points[triangle.c])
    {
        BuildCubicPatch(p0, p1, p2, patch);
    }

    template <class Visit>
    void Sample(const Scene& scene, __PrevInfo& prev, Visit&& visit) const
    {
        SamplePatch(patch, p0, p1, p2, scene.originX, scene.originY, prev, visit);
    }

    const __Point3ds& p0;
    const __Point3ds& p1;
    const __Point3ds& p2;
    CubicPatch patch;
};

template <typename Element>
void SampleBezier(const Scene& scene, __Triangle3ds* triangle)
{
    const TrianglePatch surface(scene, *triangle);
    const unsigned char mapsOn = surface.patch.mapped ? 1 : 0;
    const float fx = static_cast<float>(scene.originX), fy = static_cast<float>(scene.originY);
    unsigned char* target = scene.target;
    __PrevInfo prev{};
    // With the engine's own shader in the slot, the triangle's shading is prepared once.
    const bool direct = scene.shade == DefaultRenderOnePixel;
    TriangleShading shading;
    if (direct)
        PrepareTriangleShading(shading, triangle, scene.materials, scene.materialCount,
                               scene.textures, scene.lightCount, scene.lights, scene.glassProps);

    surface.Sample(scene, prev, [&](const Sample& sample) {
        double n[3];
        EvaluatePatchRow(*sample.normalRow, sample.s, n);
        const float nx = static_cast<float>(n[0]);
        const float ny = static_cast<float>(n[1]);
        const float nz = static_cast<float>(n[2]);
        if (!ExtendedPassRule(nz))
            return true; // skipped, but the previous sample stays valid
        const double z = sample.position[2];
        if (ZBuff) {
            float& stored = ZBuff[sample.px + sample.py * Zwidth];
            if (!(z > stored))
                return false;
            stored = static_cast<float>(z);
        }
        float u = 0.0f, v = 0.0f;
        if (mapsOn) {
            double uv[2];
            EvaluatePatchRow(*sample.uvRow, sample.s, uv);
            u = static_cast<float>(uv[0]);
            v = static_cast<float>(uv[1]);
        }
        // Towards the silhouette the surface fades out with the square of |Nz|, which hides the
        // sparse samples where the surface is seen edge-on.
        float fade = 1.0f;
        if (std::fabs(nz) < 0.2f) {
            const float r = nz / 0.2f;
            fade = ClampUnit(r * r);
        }
        const float x = static_cast<float>(sample.position[0]);
        const float y = static_cast<float>(sample.position[1]);
        const float fz = static_cast<float>(z);
        __Point normal{nx, ny, nz};
        float c1 = 0.0f, c2 = 0.0f, c3 = 0.0f;
        const float planeD = -(x * nx + y * ny + fz * nz);
        const float opacity =
            direct ? ShadeTrianglePixel(shading, fx, fy, target, scene.source, x, y, fz, c1, c2,
                                        c3, &normal, mapsOn, u, v, &prev, nx, ny, nz, planeD)
                   : scene.shade(fx, fy, target, scene.source, x, y, fz, triangle,
                                 scene.materials, scene.materialCount, c1, c2, c3, &normal,
                                 mapsOn, u, v, scene.textures, scene.lightCount, scene.lights,
                                 &prev, scene.glassProps, nx, ny, nz, planeD);
        prev.normal = __Point{nx, ny, nz};
        prev.x = x;
        prev.y = y;
        prev.u = u;
        prev.v = v;
        prev.valid = 1;
        Touch(scene.touched, sample.py, sample.px, sample.px);
        BlendPixel<Element>(target, c1, c2, c3, sample.px, sample.py, fade * opacity);
        return true;
    });
}

template <typename Element>
void SampleOutline(const Scene& scene, __Triangle3ds* triangle)
{
    const TrianglePatch surface(scene, *triangle);
    float colour[3] = {static_cast<float>(ChannelMax), 0.0f, 0.0f};
    if (scene.materials && scene.materialCount > 0) {
        const int index = triangle->material < scene.materialCount ? triangle->material
                                                                   : scene.materialCount - 1;
        for (int c = 0; c < 3; ++c)
            colour[c] = scene.materials[index].diffuse[c] * static_cast<float>(ChannelMax);
    }
    unsigned char* target = scene.target;
    const unsigned char* source = scene.source;
    __PrevInfo prev{};

    surface.Sample(scene, prev, [&](const Sample& sample) {
        double n[3];
        EvaluatePatchRow(*sample.normalRow, sample.s, n);
        const float nz = static_cast<float>(n[2]);
        if (!(nz >= 0.0f))
            return true;
        float a = nz;
        if (a <= 0.3f) {
            // The band 0..0.3 of |Nz|, folded at 0.15 so that the line peaks there and fades
            // to nothing at both ends.
            if (a >= 0.15f)
                a = 0.3f - a;
            const float r = a / 0.15f;
            BlendPixel<Element>(target, colour[0], colour[1], colour[2], sample.px, sample.py,
                                ClampUnit(r * r));
        } else if (source) {
            const int at = sample.py * RowStride + 4 * sample.px;
            for (int c = 0; c < 4; ++c)
                StoreElement<Element>(target, at + c, LoadElement<Element>(source, at + c));
        }
        return true;
    });
}

using TriangleSampler = void (*)(const Scene&, __Triangle3ds*);

// A triangle of a scene that has somewhere to draw, sampled in the scene's element size.
void SampleInElementSize(const Scene& scene, __Triangle3ds* triangle, TriangleSampler deep,
                         TriangleSampler shallow)
{
    if (!scene.target || !triangle || !scene.points)
        return;
    (scene.deep ? deep : shallow)(scene, triangle);
}

} // namespace

void BezierTriangle(const Scene& scene, __Triangle3ds* triangle)
{
    SampleInElementSize(scene, triangle, SampleBezier<uint16_t>, SampleBezier<uint8_t>);
}

void BezierOutlineTriangle(const Scene& scene, __Triangle3ds* triangle)
{
    SampleInElementSize(scene, triangle, SampleOutline<uint16_t>, SampleOutline<uint8_t>);
}

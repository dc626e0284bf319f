// The curved surface that a flat triangle stands for when its corner normals disagree: the
// tangent-plane projection, the lifted mid-edge points of the patch subdivision (Patches), and
// the cubic Bezier triangle of positions, normals and texture coordinates that the Bezier,
// Bezier-outline and Wire modes sample. The control net is built in single precision, once per
// triangle; sampling evaluates it in double precision, so that the half-pixel steps of a long
// edge do not lose the surface to rounding.
#pragma once

#include <cmath>
#include <cstdint>

#include "engine/scene_records.h"
#include "shading/span_helpers.h"

// The thirds of the control net, fixed in single precision: 2/3 is 1 - 0.33333334f, which
// rounds to 0.6666666f, one unit below 2.0f / 3.0f. Edge control points depend on it bit for
// bit, and through them every sampled pixel.
constexpr float PatchOneThird = 0.33333334f;
constexpr float PatchTwoThirds = 1.0f - PatchOneThird;

// The curved modes step along the patch's edges at a fixed density: half a pixel of edge length
// in Bezier sampling, four pixels per Wire piece. Up to PatchWalkSteps steps per parameter
// (Bezier edges up to 4096 pixels, Wire edges up to 16384) the whole parameter triangle is
// walked by accumulated steps, no step finer than 1/PatchWalkSteps, as the modes always have:
// their pixels stay as they were. Longer edges (a scale of 1000 % on a 4K or 8K frame) get their
// full density, and only the blocks of parameters whose surface can reach the image are walked
// (ClippedWalk below), so that the work follows what the image can show, not the edge's length.
constexpr int PatchWalkSteps = 4096;

// The finest step of the clipped walk. Edges beyond 2^39 pixels are far past the precision of
// the float corners anyway.
constexpr double PatchFinestStep = 0x1p-40;

// Control points in the order of the Bernstein terms of a cubic triangle in s (weight of P0),
// t (weight of P1) and w = 1 - s - t (weight of P2).
enum PatchControl {
    ControlS3,   // s^3: P0
    ControlT3,   // t^3: P1
    ControlW3,   // w^3: P2
    ControlS2W,  // 3 s^2 w
    ControlSW2,  // 3 s w^2
    ControlS2T,  // 3 s^2 t
    ControlST2,  // 3 s t^2
    ControlT2W,  // 3 t^2 w
    ControlTW2,  // 3 t w^2
    ControlSTW,  // 6 s t w
    PatchControlCount
};

struct CubicPatch {
    float position[PatchControlCount][3];
    float normal[PatchControlCount][3];
    float uv[PatchControlCount][2];
    bool mapped; // all three corners mapped: uv holds the texture controls
};

// Where the line through X along the corner's normal meets the corner's tangent plane. A
// zero-length normal has no plane: the result is not finite, and samples made from it are
// dropped by their callers' bounds checks.
inline void TangentProject(const float x[3], const __Point3ds& corner, float out[3])
{
    const float nx = corner.nx, ny = corner.ny, nz = corner.nz;
    LinePoint(x[0], x[1], x[2], nx, ny, nz, nx * nx, ny * ny, nz * nz,
              -(nx * corner.x + ny * corner.y + nz * corner.z), out[0], out[1], out[2]);
}

namespace patch_detail {

inline void PositionOf(const __Point3ds& p, float out[3])
{
    out[0] = p.x;
    out[1] = p.y;
    out[2] = p.z;
}

inline void NormalOf(const __Point3ds& p, float out[3])
{
    out[0] = p.nx;
    out[1] = p.ny;
    out[2] = p.nz;
}

// The edge control next to corner `near` on the edge towards `far`: the point a third of the
// way along the edge, pushed onto near's tangent plane. `unprojected` reports the point before
// the push.
inline void EdgeControl(const __Point3ds& near, const __Point3ds& far, float out[3],
                        float unprojected[3] = nullptr)
{
    float third[3] = {PatchTwoThirds * near.x + PatchOneThird * far.x,
                      PatchTwoThirds * near.y + PatchOneThird * far.y,
                      PatchTwoThirds * near.z + PatchOneThird * far.z};
    TangentProject(third, near, out);
    if (unprojected)
        for (int k = 0; k < 3; ++k)
            unprojected[k] = third[k];
}

inline void NormalControl(const __Point3ds& near, const __Point3ds& far, float out[3])
{
    out[0] = (3.0f * near.nx + far.nx) / 4.0f;
    out[1] = (3.0f * near.ny + far.ny) / 4.0f;
    out[2] = (3.0f * near.nz + far.nz) / 4.0f;
}

inline void UVControl(const __Point3ds& near, const __Point3ds& far, float out[2])
{
    out[0] = PatchTwoThirds * near.u + PatchOneThird * far.u;
    out[1] = PatchTwoThirds * near.v + PatchOneThird * far.v;
}

// A corner's control point: the corner's position and normal, and its u, v when the patch is
// mapped.
inline void CornerControls(const __Point3ds& corner, PatchControl slot, CubicPatch& patch)
{
    PositionOf(corner, patch.position[slot]);
    NormalOf(corner, patch.normal[slot]);
    if (patch.mapped) {
        patch.uv[slot][0] = corner.u;
        patch.uv[slot][1] = corner.v;
    }
}

// An edge control point, next to `near` on the edge towards `far`: its position, normal and, when
// the patch is mapped, u, v.
inline void EdgeControls(const __Point3ds& near, const __Point3ds& far, PatchControl slot,
                         CubicPatch& patch, float unprojected[3] = nullptr)
{
    EdgeControl(near, far, patch.position[slot], unprojected);
    NormalControl(near, far, patch.normal[slot]);
    if (patch.mapped)
        UVControl(near, far, patch.uv[slot]);
}

} // namespace patch_detail

// The control net of the triangle P0, P1, P2 (slots a, b, c). The centre point is the mean of
// the six edge controls raised along the mean normal by as far as the edge P0-P1 was pushed at
// P1, so that the middle of the patch bulges as much as its edges do.
inline void BuildCubicPatch(const __Point3ds& p0, const __Point3ds& p1, const __Point3ds& p2,
                            CubicPatch& patch)
{
    using namespace patch_detail;
    patch.mapped = p0.mapped && p1.mapped && p2.mapped;
    CornerControls(p0, ControlS3, patch);
    CornerControls(p1, ControlT3, patch);
    CornerControls(p2, ControlW3, patch);
    float unprojectedST2[3];
    EdgeControls(p0, p2, ControlS2W, patch);
    EdgeControls(p2, p0, ControlSW2, patch);
    EdgeControls(p0, p1, ControlS2T, patch);
    EdgeControls(p1, p0, ControlST2, patch, unprojectedST2);
    EdgeControls(p1, p2, ControlT2W, patch);
    EdgeControls(p2, p1, ControlTW2, patch);

    float* meanNormal = patch.normal[ControlSTW];
    meanNormal[0] = (p0.nx + p1.nx + p2.nx) / 3.0f;
    meanNormal[1] = (p0.ny + p1.ny + p2.ny) / 3.0f;
    meanNormal[2] = (p0.nz + p1.nz + p2.nz) / 3.0f;
    const float* lifted = patch.position[ControlST2];
    const float h = Distance3(lifted[0], lifted[1], lifted[2], unprojectedST2[0],
                              unprojectedST2[1], unprojectedST2[2]);
    for (int k = 0; k < 3; ++k) {
        float sum = 0.0f;
        for (int c = ControlS2W; c <= ControlTW2; ++c)
            sum += patch.position[c][k];
        patch.position[ControlSTW][k] = sum / 6.0f + meanNormal[k] * h;
    }

    if (patch.mapped) {
        patch.uv[ControlSTW][0] = (p0.u + p1.u + p2.u) / 3.0f;
        patch.uv[ControlSTW][1] = (p0.v + p1.v + p2.v) / 3.0f;
    } else {
        for (auto& uv : patch.uv)
            uv[0] = uv[1] = 0.0f;
    }
}

// The ten Bernstein weights at (s, t), in PatchControl order; they sum to 1.
inline void PatchBasis(double s, double t, double b[PatchControlCount])
{
    const double w = 1.0 - s - t;
    b[ControlS3] = s * s * s;
    b[ControlT3] = t * t * t;
    b[ControlW3] = w * w * w;
    b[ControlS2W] = 3.0 * s * s * w;
    b[ControlSW2] = 3.0 * s * w * w;
    b[ControlS2T] = 3.0 * s * s * t;
    b[ControlST2] = 3.0 * s * t * t;
    b[ControlT2W] = 3.0 * t * t * w;
    b[ControlTW2] = 3.0 * t * w * w;
    b[ControlSTW] = 6.0 * s * t * w;
}

template <int N>
inline void EvaluatePatch(const float (&controls)[PatchControlCount][N],
                          const double b[PatchControlCount], double out[N])
{
    for (int k = 0; k < N; ++k) {
        double sum = 0.0;
        for (int c = 0; c < PatchControlCount; ++c)
            sum += b[c] * static_cast<double>(controls[c][k]);
        out[k] = sum;
    }
}

// The patch along one row of constant t, as a cubic in s: value = ((c3 s + c2) s + c1) s + c0,
// the Bernstein sum above regrouped by powers of s once per row, so that sampling a row costs
// three multiply-adds per component instead of the ten-term sum. Both are double precision;
// they differ by rounding in the last bits of a double, which no float they are turned into
// (and no pixel) can see.
template <int N>
struct PatchRow {
    double c[4][N];
};

template <int N>
inline void PreparePatchRow(const float (&k)[PatchControlCount][N], double t, PatchRow<N>& row)
{
    const double u = 1.0 - t; // w = u - s
    const double tt = t * t, uu = u * u, tu = t * u;
    for (int i = 0; i < N; ++i) {
        const double p0 = k[ControlS3][i], p1 = k[ControlT3][i], p2 = k[ControlW3][i];
        const double s2w = k[ControlS2W][i], sw2 = k[ControlSW2][i];
        const double s2t = k[ControlS2T][i], st2 = k[ControlST2][i];
        const double t2w = k[ControlT2W][i], tw2 = k[ControlTW2][i], stw = k[ControlSTW][i];
        row.c[0][i] = tt * t * p1 + uu * u * p2 + 3.0 * tt * u * t2w + 3.0 * t * uu * tw2;
        row.c[1][i] = 3.0 * uu * (sw2 - p2) + 3.0 * tt * (st2 - t2w) + 6.0 * tu * (stw - tw2);
        row.c[2][i] = 3.0 * u * (p2 + s2w - 2.0 * sw2) + 3.0 * t * (s2t + tw2 - 2.0 * stw);
        row.c[3][i] = p0 - p2 + 3.0 * (sw2 - s2w);
    }
}

template <int N>
inline void EvaluatePatchRow(const PatchRow<N>& row, double s, double out[N])
{
    for (int i = 0; i < N; ++i)
        out[i] = ((row.c[3][i] * s + row.c[2][i]) * s + row.c[1][i]) * s + row.c[0][i];
}

// The lifted mid-edge point of the patch subdivision for the edge Pi-Pj: halfway between the
// straight midpoint and the mean of its projections onto the two corners' tangent planes. Its
// normal is the unnormalised mean (the Phong fill normalises); texture coordinates only when
// the whole parent triangle is mapped.
inline __Point3ds PatchMidpoint(const __Point3ds& pi, const __Point3ds& pj, bool mapped)
{
    __Point3ds m{};
    const float mid[3] = {(pi.x + pj.x) / 2.0f, (pi.y + pj.y) / 2.0f, (pi.z + pj.z) / 2.0f};
    float onI[3], onJ[3];
    TangentProject(mid, pi, onI);
    TangentProject(mid, pj, onJ);
    m.x = (mid[0] + (onI[0] + onJ[0]) / 2.0f) / 2.0f;
    m.y = (mid[1] + (onI[1] + onJ[1]) / 2.0f) / 2.0f;
    m.z = (mid[2] + (onI[2] + onJ[2]) / 2.0f) / 2.0f;
    m.hasNormal = 1;
    m.nx = (pi.nx + pj.nx) / 2.0f;
    m.ny = (pi.ny + pj.ny) / 2.0f;
    m.nz = (pi.nz + pj.nz) / 2.0f;
    m.mapped = mapped ? 1 : 0;
    if (mapped) {
        m.u = (pi.u + pj.u) / 2.0f;
        m.v = (pi.v + pj.v) / 2.0f;
    }
    return m;
}

// The six points of the patch subdivision: the corners P0, P1, P2, then M01, M12, M20.
inline void PatchSubdivisionPoints(const __Point3ds& p0, const __Point3ds& p1,
                                   const __Point3ds& p2, __Point3ds out[6])
{
    const bool mapped = p0.mapped && p1.mapped && p2.mapped;
    out[0] = p0;
    out[1] = p1;
    out[2] = p2;
    out[3] = PatchMidpoint(p0, p1, mapped);
    out[4] = PatchMidpoint(p1, p2, mapped);
    out[5] = PatchMidpoint(p2, p0, mapped);
}

// ---------------------------------------------------------------------------------------------
// Bounds over blocks of parameters, for the clipped walk of long edges.

// A closed range of values. The operations enclose every result of their operands' values; the
// rounding of a bound can shave a few ulps off it, far inside ReachesImage's slack. Bounds that
// are not finite come only from infinite or NaN control points, whose samples are not finite
// either and never land in the image.
struct Interval {
    double lo, hi;
};

inline Interval Exactly(double v) { return {v, v}; }
inline Interval operator+(Interval a, Interval b) { return {a.lo + b.lo, a.hi + b.hi}; }
inline Interval operator-(Interval a, Interval b) { return {a.lo - b.hi, a.hi - b.lo}; }
inline Interval operator*(Interval a, Interval b)
{
    const double p[4] = {a.lo * b.lo, a.lo * b.hi, a.hi * b.lo, a.hi * b.hi};
    Interval r{p[0], p[0]};
    for (double v : p) {
        if (v < r.lo || v != v)
            r.lo = v;
        if (v > r.hi || v != v)
            r.hi = v;
    }
    return r;
}
inline Interval operator*(double k, Interval a) { return Exactly(k) * a; }

// The position of the patch over s in `s` and t in `t` (w = 1 - s - t), x and y only.
inline void PatchPositionBounds(const CubicPatch& patch, Interval s, Interval t, Interval out[2])
{
    const Interval w = Exactly(1.0) - s - t;
    Interval b[PatchControlCount];
    b[ControlS3] = s * s * s;
    b[ControlT3] = t * t * t;
    b[ControlW3] = w * w * w;
    b[ControlS2W] = 3.0 * (s * s * w);
    b[ControlSW2] = 3.0 * (s * w * w);
    b[ControlS2T] = 3.0 * (s * s * t);
    b[ControlST2] = 3.0 * (s * t * t);
    b[ControlT2W] = 3.0 * (t * t * w);
    b[ControlTW2] = 3.0 * (t * w * w);
    b[ControlSTW] = 6.0 * (s * t * w);
    for (int k = 0; k < 2; ++k) {
        Interval sum = Exactly(0.0);
        for (int c = 0; c < PatchControlCount; ++c)
            sum = sum + static_cast<double>(patch.position[c][k]) * b[c];
        out[k] = sum;
    }
}

// Whether a point whose x and y lie in these ranges can be drawn within `reach` pixels of the
// image (scene coordinates; the pixel is the point plus the origin plus 0.5, truncated).
inline bool ReachesImage(const Interval xy[2], int originX, int originY, int width, int height,
                         double reach)
{
    const double origin[2] = {static_cast<double>(originX), static_cast<double>(originY)};
    const double size[2] = {static_cast<double>(width), static_cast<double>(height)};
    for (int k = 0; k < 2; ++k) {
        if (!std::isfinite(xy[k].lo) || !std::isfinite(xy[k].hi))
            return false;
        const double slack = reach + 2.0 + (std::fabs(xy[k].lo) + std::fabs(xy[k].hi)) * 0x1p-40;
        const double lo = xy[k].lo + origin[k] + 0.5, hi = xy[k].hi + origin[k] + 0.5;
        if (hi < -1.0 - slack || lo > size[k] + slack)
            return false;
    }
    return true;
}

// How many samples (or pieces) and block tests one triangle's clipped walk may take: several
// times what the image can show, so that a sliver with corners far outside (whose parameter grid
// maps many samples onto each pixel) ends instead of running for hours.
inline int64_t ClippedWalkBudget(int width, int height)
{
    return 16 * static_cast<int64_t>(width) * height + (int64_t(1) << 22);
}

// Needles along a branch: evenly spaced stations on the axis curve with two (Flat), four (Semi)
// or six (Round) needles each, leaning away from the branch by a lift weight that the travelling
// needle wave raises near its current position.
#include <cmath>

#include "platform/pages.h"
#include "shading/elementary.h"
#include "tree/tree_model.h"

TreeVec3 BezierTangent(const BranchNode& node, float t)
{
    float u = 1.0f - t;
    auto axis = [&](float p0, float p1, float p3) {
        return -3.0f * u * u * p0 + 3.0f * p1 * (u * u - 2.0f * u * t) +
               3.0f * p1 * (2.0f * u * t - t * t) + 3.0f * t * t * p3;
    };
    TreeVec3 d = {axis(node.start.x, node.control.x, node.end.x),
                  axis(node.start.y, node.control.y, node.end.y),
                  axis(node.start.z, node.control.z, node.end.z)};
    float len = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
    if (len > 0.0f) {
        d.x /= len;
        d.y /= len;
        d.z /= len;
    }
    return d;
}

namespace {

int32_t NeedlesPerStation(uint8_t shape)
{
    switch (shape) {
    case NeedleShapeFlat: return 2;
    case NeedleShapeSemi: return 4;
    case NeedleShapeRound: return 6;
    default: return 0;
    }
}

// Number of stations for a chord at the given spacing, bounded per branch and by what is left
// of the tree's needle allowance.
int32_t StationCount(float chord, float spacing, int32_t perStation, const int64_t* needlesLeft)
{
    if (perStation <= 0 || !(spacing > 0.0f))
        return 0;
    float stations = chord / spacing;
    // Also catches NaN and a quotient that overflowed to infinity.
    if (!(stations >= 1.0f))
        return 0;
    int32_t n = stations >= static_cast<float>(MaxBranchNeedleStations)
                    ? MaxBranchNeedleStations
                    : static_cast<int32_t>(stations);
    if (needlesLeft) {
        int64_t allowed = *needlesLeft > 0 ? *needlesLeft / perStation : 0;
        if (n > allowed)
            n = static_cast<int32_t>(allowed);
    }
    return n;
}

}  // namespace

void BuildNeedles(BranchNode& node, float spacing, float length, int64_t* needlesLeft)
{
    if (node.level <= 0)
        return;
    node.needles = nullptr;
    node.needleCount = 0;
    float dx = node.end.x - node.start.x, dy = node.end.y - node.start.y,
          dz = node.end.z - node.start.z;
    float chord = std::sqrt(dx * dx + dy * dy + dz * dz);
    if (!(chord > 0.0f))
        return;
    node.needleLength = length * node.growth;

    const int32_t perStation = NeedlesPerStation(node.needleShape);
    const int32_t count = perStation * StationCount(chord, spacing, perStation, needlesLeft);
    if (count <= 0)
        return;
    Needle* needles = static_cast<Needle*>(PageAllocate(sizeof(Needle) * static_cast<size_t>(count)));
    if (!needles) {
        node.incomplete = 1;
        return;
    }
    node.needles = needles;
    node.needleCount = count;
    if (needlesLeft)
        *needlesLeft -= count;

    // Without the wave on this branch, the lower levels' needles stand out a little further.
    const float baseLift = node.level > 3 ? 0.35f : 0.45f;
    const float countF = static_cast<float>(count);
    for (int32_t i = 0; i < count; i += perStation) {
        // A cheap hash of the station and the branch's random value. The product stays within
        // 32 bits because the count is bounded (see MaxBranchNeedleStations).
        float hashed = static_cast<float>((i + 1) * node.randomValue) *
                       maths::Sin(static_cast<float>(i * 10));
        int32_t h = static_cast<int32_t>(hashed) % 1000;
        float jitter = static_cast<float>(h - 500) / 1000.0f;

        float t = static_cast<float>(i + 1) / countF;
        if (node.level == 1)
            t *= 0.8f;  // keep the bud at the tip bare

        float k = baseLift, m = 1.0f - baseLift;
        if (node.needleWave > 0.0f) {
            // The product is taken in double and rounded back, as the wave has always been.
            float w = static_cast<float>(3.5 * static_cast<double>(t - node.needleWave));
            w = 1.0f - w * w;
            w = w < 0.0f ? 0.0f : (w > 1.0f ? 1.0f : w);
            w *= node.needleLift;
            k = baseLift + w;
            m = 1.0f - k;
        }

        float len = node.needleLength, wid = node.needleWidth;
        if (node.growth < 1.0f) {
            // The growing branch's needles shrink to nothing towards its end.
            float g = 3.0f * (1.0f - t);
            g = g < 1.0f ? g : 1.0f;
            len = node.needleLength * g;
            wid = node.needleWidth * g;
        }

        TreeVec3 p = BezierPoint(node, t);
        TreeVec3 tg = BezierTangent(node, t);
        // The tangent's xy part weighted by m plus its left normal weighted by k.
        float a = -tg.y * k + tg.x * m;
        float b = tg.x * k + tg.y * m;
        const TreeVec3 tangent = {tg.x, tg.y, 0.0f};
        Needle* station = needles + i;

        if (node.needleShape == NeedleShapeFlat) {
            // Both needles share the base; the second is the mirror image about the tangent.
            // The tips' z offset is not scaled by the length.
            float dz = jitter * node.needleDispersion * 10.0f;
            float a2 = tg.y * k + tg.x * m;
            float b2 = -tg.x * k + tg.y * m;
            station[0].direction = {a, b, 0.0f};
            station[0].tip = {p.x + a * len, p.y + b * len, p.z + dz};
            station[1].direction = {a2, b2, 0.0f};
            station[1].tip = {p.x + a2 * len, p.y + b2 * len, p.z + dz};
            for (int32_t j = 0; j < 2; ++j) {
                station[j].base = p;
                station[j].tangent = tangent;
                station[j].width = wid;
            }
            continue;
        }

        // Semi and Round fan around the branch on a cone about the tangent's xy direction,
        // each needle a sixth of the way further towards the next station (for Semi too).
        TreeVec3 q = BezierPoint(node, static_cast<float>(i + 2) / countF);
        TreeVec3 step = {(q.x - p.x) / 6.0f, (q.y - p.y) / 6.0f, (q.z - p.z) / 6.0f};
        float lp = a * tg.y - b * tg.x;
        float la = a * tg.x + b * tg.y;
        static const float SemiDegrees[4] = {30.0f, 210.0f, -30.0f, 150.0f};
        TreeVec3 pos = p;
        for (int32_t j = 0; j < perStation; ++j) {
            float angle;
            if (node.needleShape == NeedleShapeRound)
                angle = static_cast<float>(j) / 6.0f * 2.0f * 3.141592f +
                        jitter * node.needleDispersion;
            else
                angle = SemiDegrees[j] * 0.017453289f + jitter * node.needleDispersion;
            float sine, cosine;
            maths::SinCos(angle, sine, cosine);
            float u = lp * cosine;
            float zc = lp * sine;
            Needle& needle = station[j];
            needle.direction = {u * tg.y + la * tg.x, -u * tg.x + la * tg.y, zc};
            needle.base = pos;
            needle.tip = {pos.x + needle.direction.x * len, pos.y + needle.direction.y * len,
                          pos.z + needle.direction.z * len};
            needle.tangent = tangent;
            needle.width = wid;
            pos.x += step.x;
            pos.y += step.y;
            pos.z += step.z;
        }
    }
}

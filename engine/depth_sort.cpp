// Painter's order for a scene (__Sort) and the perspective transform of its points (__AddPersp).
#include <cmath>
#include <cstdlib>

#include "engine/engine_exports.h"

namespace {

// qsort's comparison has no context argument, so the points reach it through this pointer for
// the duration of one sort. That makes the sort non-re-entrant, as the engine is anyway.
const __Point3ds* SortPoints = nullptr;

float DepthKey(const __Triangle3ds& t)
{
    // The sum, not the mean: the order is the same and the sum is what callers have always had.
    return SortPoints[t.a].z + SortPoints[t.b].z + SortPoints[t.c].z;
}

int CompareDepth(const void* left, const void* right)
{
    float l = DepthKey(*static_cast<const __Triangle3ds*>(left));
    float r = DepthKey(*static_cast<const __Triangle3ds*>(right));
    // NaN keys sort first, so the comparison stays a total order and qsort stays in bounds.
    bool ln = std::isnan(l), rn = std::isnan(r);
    if (ln || rn)
        return ln == rn ? 0 : (ln ? -1 : 1);
    return l < r ? -1 : (l > r ? 1 : 0);
}

} // namespace

extern "C" {

void __Sort(int count, __Triangle3ds* triangles, __Point3ds* points)
{
    if (count <= 0 || !triangles || !points)
        return;
    SortPoints = points;
    std::qsort(triangles, static_cast<size_t>(count), sizeof(__Triangle3ds), CompareDepth);
    SortPoints = nullptr;
}

void __AddPersp(int count, __Point3ds* points, float value, float centreX, float centreY, float far)
{
    _Persp_Val = value;
    _Persp_x = centreX;
    _Persp_y = centreY;
    _Persp_Far = far;
    if (far == 0.0f || value == 0.0f || !points)
        return;
    for (int i = 0; i < count; ++i) {
        __Point3ds& p = points[i];
        float f = 1.0f - p.z / far;
        // A point at the eye's distance would divide by zero; it is sent far out instead.
        if (std::fabs(static_cast<double>(f)) < 1e-8)
            f = f < 0.0f ? -1e-8f : 1e-8f;
        p.x = (p.x - centreX) / f + centreX;
        p.y = (p.y - centreY) / f + centreY;
    }
}

} // extern "C"

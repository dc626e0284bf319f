// Geometric primitives shared by the tree generator, the scene driver, the rasterisers and the
// span helpers: triangle normals, the doubled signed area and the direction angle of a vector.
#pragma once

#include <cmath>

#include "engine/scene_records.h"
#include "shading/elementary.h"

// (P2 - P1) x (P0 - P1) for the points the triangle names, not normalised; its z decides facing.
inline void TriangleNormal(const __Triangle3ds& t, const __Point3ds* points, float& nx, float& ny,
                           float& nz)
{
    const __Point3ds& p0 = points[t.a];
    const __Point3ds& p1 = points[t.b];
    const __Point3ds& p2 = points[t.c];
    float ux = p2.x - p1.x, uy = p2.y - p1.y, uz = p2.z - p1.z;
    float vx = p0.x - p1.x, vy = p0.y - p1.y, vz = p0.z - p1.z;
    nx = uy * vz - uz * vy;
    ny = uz * vx - ux * vz;
    nz = ux * vy - uy * vx;
}

// (P0 - P1) x (P2 - P1) of three consecutive records: the opposite orientation of TriangleNormal.
inline void PointsNormal(const __Point3ds* p, float& nx, float& ny, float& nz)
{
    float ux = p[0].x - p[1].x, uy = p[0].y - p[1].y, uz = p[0].z - p[1].z;
    float vx = p[2].x - p[1].x, vy = p[2].y - p[1].y, vz = p[2].z - p[1].z;
    nx = uy * vz - uz * vy;
    ny = uz * vx - ux * vz;
    nz = ux * vy - uy * vx;
}

// Twice the signed area of the triangle (x0, y0), (x1, y1), (x2, y2).
inline float Det3(float x0, float x1, float x2, float y0, float y1, float y2)
{
    return x0 * (y1 - y2) - x1 * (y0 - y2) + x2 * (y0 - y1);
}

// Angle of the vector from a to b in 0..2pi. The positive x direction gives 2pi, not 0: it falls
// in the last quadrant with a quarter turn added, and callers rely on that. A zero-length vector,
// which has no direction, gives 0.
inline float DirectionAngle(double ax, double ay, double bx, double by)
{
    static const float QuadrantBase[4] = {0.0f, 1.5707963f, 3.1415927f, 4.712389f};
    int q;
    if (ax <= bx)
        q = ay < by ? 0 : 3;
    else
        q = ay < by ? 1 : 2;
    double dx = std::fabs(ax - bx), dy = std::fabs(ay - by);
    double r = maths::Hypot(dx, dy);
    if (!(r > 0.0))
        return 0.0f;
    double g = (q == 1 || q == 3) ? dy : dx;
    return static_cast<float>(maths::Acos(g / r) + QuadrantBase[q]);
}

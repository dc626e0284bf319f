// The triangle fills: the scan converter of engine/fill_walk.h, walking only the pixels inside the
// image.
#include "engine/fills.h"

#include "engine/fill_walk.h"

using fill_walk::FillKind;
using fill_walk::Walk;

void PhongTriangle(const Scene& scene, __Triangle3ds* triangle)
{
    fill_walk::ShadedTriangle<FillKind::Phong, Walk::ClippedToImage>(scene, triangle);
}

void FlatTriangle(const Scene& scene, __Triangle3ds* triangle)
{
    fill_walk::ShadedTriangle<FillKind::Flat, Walk::ClippedToImage>(scene, triangle);
}

void SolidTriangle(unsigned char* target, __Triangle3ds* triangle, __Point3ds* points,
                   int originX, int originY, float red, float green, float blue, float opacity)
{
    fill_walk::SolidFill<Walk::ClippedToImage>(target, triangle, points, originX, originY, red,
                                               green, blue, opacity);
}

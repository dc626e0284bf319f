// The geometric helpers shared by the mesh builder and the rasterisers.
#include <gtest/gtest.h>

#include <cmath>

#include "shading/vector_helpers.h"

namespace {

__Point3ds At(float x, float y, float z)
{
    __Point3ds p{};
    p.x = x;
    p.y = y;
    p.z = z;
    return p;
}

}  // namespace

TEST(VectorHelpers, NormalsOfBothOrientations)
{
    const __Point3ds pts[3] = {At(0, 0, 0), At(1, 0, 0), At(0, 1, 0)};
    __Triangle3ds tri{0, 1, 2, 0, 0};
    float nx, ny, nz;
    // (P2 - P1) x (P0 - P1) = (-1, 1, 0) x (-1, 0, 0)
    TriangleNormal(tri, pts, nx, ny, nz);
    EXPECT_EQ(nx, 0.0f);
    EXPECT_EQ(ny, 0.0f);
    EXPECT_EQ(nz, 1.0f);
    float px, py, pz;
    PointsNormal(pts, px, py, pz);
    EXPECT_EQ(px, -nx);
    EXPECT_EQ(py, -ny);
    EXPECT_EQ(pz, -nz);
    // The triangle's indices choose the points, in its own order.
    __Triangle3ds reversed{2, 1, 0, 0, 0};
    TriangleNormal(reversed, pts, nx, ny, nz);
    EXPECT_EQ(nz, -1.0f);
    const __Point3ds line[3] = {At(0, 0, 0), At(1, 1, 1), At(2, 2, 2)};
    TriangleNormal(tri, line, nx, ny, nz);
    EXPECT_EQ(nx * nx + ny * ny + nz * nz, 0.0f);
}

TEST(VectorHelpers, Det3IsTwiceTheSignedArea)
{
    EXPECT_EQ(Det3(0, 4, 0, 0, 0, 3), 12.0f);
    EXPECT_EQ(Det3(4, 0, 0, 0, 0, 3), -12.0f);  // two points swapped
    EXPECT_EQ(Det3(0, 1, 2, 0, 1, 2), 0.0f);    // collinear
    EXPECT_EQ(Det3(-3, 5, 1, 2, 2, 2), 0.0f);
}

TEST(VectorHelpers, DirectionAngleRunsUpToAFullTurn)
{
    const float pi = 3.14159265f;
    EXPECT_FLOAT_EQ(DirectionAngle(0, 0, 1, 1), pi / 4);
    EXPECT_FLOAT_EQ(DirectionAngle(0, 0, 0, 1), pi / 2);
    EXPECT_FLOAT_EQ(DirectionAngle(0, 0, -1, 0), pi);
    EXPECT_FLOAT_EQ(DirectionAngle(0, 0, 0, -1), 3 * pi / 2);
    EXPECT_FLOAT_EQ(DirectionAngle(0, 0, 1, 0), 2 * pi);  // not 0
    float justAbove = DirectionAngle(0, 0, 1, 1e-4);
    EXPECT_GT(justAbove, 0.0f);
    EXPECT_LT(justAbove, 1e-3f);
    EXPECT_FLOAT_EQ(DirectionAngle(5, 5, 4, 4), 5 * pi / 4);
    EXPECT_FLOAT_EQ(DirectionAngle(1, 1, 2, 0), 7 * pi / 4);
    EXPECT_EQ(DirectionAngle(3, 3, 3, 3), 0.0f);  // no direction
}

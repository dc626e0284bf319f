// The curved surface behind the Patches, Bezier and Wire modes: a flat triangle stays flat (its
// subdivision tiles it, its Bezier triangle is itself), a curved one bulges towards its normals,
// and the control net uses the single-precision thirds.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "engine/curved_surface.h"
#include "shading/vector_helpers.h"

namespace {

__Point3ds Point(float x, float y, float z, float nx, float ny, float nz)
{
    __Point3ds p;
    std::memset(&p, 0, sizeof p);
    p.x = x;
    p.y = y;
    p.z = z;
    p.hasNormal = 1;
    p.nx = nx;
    p.ny = ny;
    p.nz = nz;
    return p;
}

// A tilted flat triangle: all three corners lie in the plane of the shared unit normal.
struct FlatTriangle : ::testing::Test {
    FlatTriangle()
    {
        const float n[3] = {0.0f, 0.6f, 0.8f};
        // Points with n . p = 0: (x, 4k, -3k).
        p[0] = Point(-40.0f, 8.0f, -6.0f, n[0], n[1], n[2]);
        p[1] = Point(35.0f, 20.0f, -15.0f, n[0], n[1], n[2]);
        p[2] = Point(5.0f, -32.0f, 24.0f, n[0], n[1], n[2]);
    }
    __Point3ds p[3];
};

TEST_F(FlatTriangle, SubdivisionTilesTheTriangleExactly)
{
    __Point3ds local[6];
    PatchSubdivisionPoints(p[0], p[1], p[2], local);
    const int edges[3][3] = {{3, 0, 1}, {4, 1, 2}, {5, 2, 0}};
    for (const auto& e : edges) {
        EXPECT_NEAR(local[e[0]].x, (p[e[1]].x + p[e[2]].x) / 2, 1e-4f);
        EXPECT_NEAR(local[e[0]].y, (p[e[1]].y + p[e[2]].y) / 2, 1e-4f);
        EXPECT_NEAR(local[e[0]].z, (p[e[1]].z + p[e[2]].z) / 2, 1e-4f);
        EXPECT_FLOAT_EQ(local[e[0]].nz, 0.8f);
    }
    // The four pieces, each wound like the parent, cover a quarter of its area each.
    const float parent = Det3(p[0].x, p[1].x, p[2].x, p[0].y, p[1].y, p[2].y);
    const int pieces[4][3] = {{0, 3, 5}, {3, 1, 4}, {4, 2, 5}, {3, 4, 5}};
    for (const auto& t : pieces) {
        const float area = Det3(local[t[0]].x, local[t[1]].x, local[t[2]].x, local[t[0]].y,
                                local[t[1]].y, local[t[2]].y);
        EXPECT_NEAR(area, parent / 4, std::fabs(parent) * 1e-5f);
    }
}

TEST_F(FlatTriangle, BezierSurfaceIsTheTriangleItself)
{
    CubicPatch patch;
    BuildCubicPatch(p[0], p[1], p[2], patch);
    for (int i = 0; i <= 10; ++i)
        for (int j = 0; i + j <= 10; ++j) {
            const double s = i / 10.0, t = j / 10.0, w = 1.0 - s - t;
            double b[PatchControlCount], pos[3], n[3];
            PatchBasis(s, t, b);
            EvaluatePatch(patch.position, b, pos);
            EvaluatePatch(patch.normal, b, n);
            EXPECT_NEAR(pos[0], s * p[0].x + t * p[1].x + w * p[2].x, 1e-3);
            EXPECT_NEAR(pos[1], s * p[0].y + t * p[1].y + w * p[2].y, 1e-3);
            EXPECT_NEAR(pos[2], s * p[0].z + t * p[1].z + w * p[2].z, 1e-3);
            EXPECT_NEAR(n[1], 0.6, 1e-6);
            EXPECT_NEAR(n[2], 0.8, 1e-6);
        }
}

TEST_F(FlatTriangle, TextureCoordinatesOnlyWhenEveryCornerIsMapped)
{
    p[0].u = 0.0f, p[0].v = 0.0f;
    p[1].u = 1.0f, p[1].v = 0.0f;
    p[2].u = 0.0f, p[2].v = 1.0f;
    p[0].mapped = p[1].mapped = 1;
    CubicPatch patch;
    BuildCubicPatch(p[0], p[1], p[2], patch);
    EXPECT_FALSE(patch.mapped);
    __Point3ds local[6];
    PatchSubdivisionPoints(p[0], p[1], p[2], local);
    EXPECT_EQ(local[3].mapped, 0);

    p[2].mapped = 1;
    BuildCubicPatch(p[0], p[1], p[2], patch);
    ASSERT_TRUE(patch.mapped);
    double b[PatchControlCount], uv[2];
    PatchBasis(0.25, 0.5, b);
    EvaluatePatch(patch.uv, b, uv);
    EXPECT_NEAR(uv[0], 0.5, 1e-6);
    EXPECT_NEAR(uv[1], 0.25, 1e-6);
    PatchSubdivisionPoints(p[0], p[1], p[2], local);
    EXPECT_EQ(local[4].mapped, 1);
    EXPECT_FLOAT_EQ(local[4].u, 0.5f);
    EXPECT_FLOAT_EQ(local[4].v, 0.5f);
}

TEST(CubicPatchNet, ThirdsAreTheSinglePrecisionValues)
{
    // 1 - 0.33333334f rounds to 0.6666666f, one unit below 2.0f / 3.0f.
    EXPECT_NE(PatchTwoThirds, 2.0f / 3.0f);
    const __Point3ds a = Point(300.0f, 0.0f, 0.0f, 0, 0, 1);
    const __Point3ds b = Point(0.0f, 0.0f, 0.0f, 0, 0, 1);
    const __Point3ds c = Point(0.0f, 300.0f, 0.0f, 0, 0, 1);
    CubicPatch patch;
    BuildCubicPatch(a, b, c, patch);
    EXPECT_EQ(patch.position[ControlS2T][0], 300.0f * (1.0f - 0.33333334f));
    EXPECT_EQ(patch.position[ControlST2][0], 300.0f * 0.33333334f);
}

// An octant of the sphere of radius R with radial normals: the surface bulges out of the flat
// triangle towards the sphere.
struct SphereOctant : ::testing::Test {
    static constexpr float R = 100.0f;
    SphereOctant()
    {
        p[0] = Point(R, 0, 0, 1, 0, 0);
        p[1] = Point(0, R, 0, 0, 1, 0);
        p[2] = Point(0, 0, R, 0, 0, 1);
    }
    __Point3ds p[3];
};

float Radius(float x, float y, float z) { return std::sqrt(x * x + y * y + z * z); }

TEST_F(SphereOctant, MidEdgePointsAreLiftedTowardsTheSurface)
{
    __Point3ds local[6];
    PatchSubdivisionPoints(p[0], p[1], p[2], local);
    const float chord = R / std::sqrt(2.0f); // distance of a chord's midpoint from the centre
    for (int k = 3; k < 6; ++k) {
        const float r = Radius(local[k].x, local[k].y, local[k].z);
        EXPECT_GT(r, chord + 0.1f * (R - chord));
        EXPECT_LT(r, R * 1.01f);
    }
    // The mean normal of the edge (1, 1, 0) / 2 is left for the fill to normalise.
    EXPECT_FLOAT_EQ(local[3].nx, 0.5f);
    EXPECT_FLOAT_EQ(local[3].ny, 0.5f);
}

TEST_F(SphereOctant, BezierSurfacePassesTheCornersAndBulgesInside)
{
    CubicPatch patch;
    BuildCubicPatch(p[0], p[1], p[2], patch);
    double b[PatchControlCount], pos[3], n[3];
    const double corners[3][2] = {{1, 0}, {0, 1}, {0, 0}};
    for (int k = 0; k < 3; ++k) {
        PatchBasis(corners[k][0], corners[k][1], b);
        EvaluatePatch(patch.position, b, pos);
        EXPECT_DOUBLE_EQ(pos[0], p[k].x);
        EXPECT_DOUBLE_EQ(pos[1], p[k].y);
        EXPECT_DOUBLE_EQ(pos[2], p[k].z);
        EvaluatePatch(patch.normal, b, n);
        EXPECT_DOUBLE_EQ(n[0], p[k].nx);
    }
    // Edge controls lie on their corner's tangent plane: x = R for the two next to P0.
    EXPECT_NEAR(patch.position[ControlS2T][0], R, 1e-3);
    EXPECT_NEAR(patch.position[ControlS2W][0], R, 1e-3);
    // The centre of the patch lies well outside the flat triangle's centre (at R / sqrt 3).
    PatchBasis(1.0 / 3, 1.0 / 3, b);
    EvaluatePatch(patch.position, b, pos);
    const float r = Radius(static_cast<float>(pos[0]), static_cast<float>(pos[1]),
                           static_cast<float>(pos[2]));
    EXPECT_GT(r, R / std::sqrt(3.0f) + 15.0f);
}

TEST_F(SphereOctant, RowsInPowersOfSMatchTheBernsteinSum)
{
    p[0].x += 400.0f; // a net far from the origin, as on a full-HD frame
    p[1].y -= 300.0f;
    p[2].u = 1.0f, p[2].v = 0.5f;
    p[0].mapped = p[1].mapped = p[2].mapped = 1;
    CubicPatch patch;
    BuildCubicPatch(p[0], p[1], p[2], patch);
    for (int j = 0; j <= 40; ++j) {
        const double t = j / 40.0;
        PatchRow<3> positions, normals;
        PatchRow<2> uvs;
        PreparePatchRow(patch.position, t, positions);
        PreparePatchRow(patch.normal, t, normals);
        PreparePatchRow(patch.uv, t, uvs);
        for (int i = 0; i + j <= 40; ++i) {
            const double s = i / 40.0;
            double b[PatchControlCount], direct[3], row[3], uvDirect[2], uvRow[2];
            PatchBasis(s, t, b);
            EvaluatePatch(patch.position, b, direct);
            EvaluatePatchRow(positions, s, row);
            for (int k = 0; k < 3; ++k)
                ASSERT_NEAR(row[k], direct[k], 1e-10) << s << "," << t;
            EvaluatePatch(patch.normal, b, direct);
            EvaluatePatchRow(normals, s, row);
            for (int k = 0; k < 3; ++k)
                ASSERT_NEAR(row[k], direct[k], 1e-13);
            EvaluatePatch(patch.uv, b, uvDirect);
            EvaluatePatchRow(uvs, s, uvRow);
            ASSERT_NEAR(uvRow[0], uvDirect[0], 1e-13);
            ASSERT_NEAR(uvRow[1], uvDirect[1], 1e-13);
        }
    }
}

} // namespace

// Triangle set-up helpers: edge lists, winding, scanline crossings, interpolation weights and the
// perspective and tangent-plane geometry.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "shading/span_helpers.h"
#include "tests/support/settings_guard.h"

namespace {

__Point3ds P(float x, float y, float z = 0.0f)
{
    __Point3ds p{};
    p.x = x;
    p.y = y;
    p.z = z;
    return p;
}

class EdgeLists : public EngineTest {};

TEST_F(EdgeLists, TopEntryPicksTheGreatestStartYWithTheLaterEntryWinningATie)
{
    __Point3ds v[3] = {P(0, 9), P(5, 2), P(9, 9)};
    EdgeEntry e[3] = {{0, 1, 0}, {1, 2, 0}, {2, 0, 0}};
    float minY = 0;
    EXPECT_EQ(TopEntry(3, v, e, minY), 2);
    EXPECT_EQ(minY, 2.0f);
    EXPECT_EQ(TopEntry(0, v, e, minY), 1) << "an empty list names entry 1";
}

TEST_F(EdgeLists, RotationKeepsTheCyclicOrderForShortAndLongLists)
{
    EdgeEntry e[3] = {{0, 1, 7}, {1, 2, 8}, {2, 0, 9}};
    RotateEntries(3, 2, e);
    EXPECT_EQ(e[0].start, 2);
    EXPECT_EQ(e[0].third, 9);
    EXPECT_EQ(e[1].start, 0);
    EXPECT_EQ(e[2].start, 1);

    std::vector<EdgeEntry> many(40);
    for (int k = 0; k < 40; ++k)
        many[k] = EdgeEntry{static_cast<uint8_t>(k), static_cast<uint8_t>((k + 1) % 40), 0};
    RotateEntries(40, 13, many.data());
    for (int k = 0; k < 40; ++k)
        EXPECT_EQ(many[k].start, (k + 13) % 40);
}

TEST_F(EdgeLists, WindingIsMadeCounterClockwiseAndCollinearCornersAreRejected)
{
    // Top corner first; (0,10) -> (10,0) -> (0,0) turns clockwise in x, y.
    __Point3ds v[3] = {P(0, 10), P(10, 0), P(0, 0)};
    EdgeEntry e[3] = {{0, 1, 1}, {1, 2, 2}, {2, 0, 3}};
    ASSERT_TRUE(MakeCounterClockwise(e, v));
    EXPECT_EQ(v[1].x, 0.0f);
    EXPECT_EQ(v[2].x, 10.0f);
    EXPECT_EQ(e[0].third, 3);
    EXPECT_EQ(e[2].third, 1);
    ASSERT_TRUE(MakeCounterClockwise(e, v)) << "already counter-clockwise: left alone";
    EXPECT_EQ(v[1].x, 0.0f);

    __Point3ds line[3] = {P(0, 10), P(5, 5), P(10, 0)};
    EdgeEntry f[3] = {{0, 1, 0}, {1, 2, 0}, {2, 0, 0}};
    EXPECT_FALSE(MakeCounterClockwise(f, line));
}

TEST_F(EdgeLists, CrossingsAndBandsOfTheFarSide)
{
    // Counter-clockwise from the top (0, 20): down the left to (0, 0), then to (40, 0) and back
    // up the long shallow edge.
    __Point3ds v[3] = {P(0, 20), P(0, 0), P(40, 0)};
    EdgeEntry e[3] = {{0, 1, 0}, {1, 2, 0}, {2, 0, 0}};
    EdgeCrossingInfo info;
    float x = EdgeCrossing(3, 1, v, e, 10, info);
    EXPECT_FLOAT_EQ(x, 20.0f);
    EXPECT_EQ(info.x0, 40.0f);
    EXPECT_EQ(info.y1, 20.0f);
    EXPECT_FLOAT_EQ(info.band, 3.0f) << "2 pixels per row, raised to 3";
    EXPECT_FLOAT_EQ(info.line.a, 20.0f);
    EXPECT_FLOAT_EQ(info.line.b, 40.0f);

    __Point3ds flat[3] = {P(0, 4), P(0, 0), P(100, 0)};
    x = EdgeCrossing(3, 1, flat, e, 2, info);
    EXPECT_FLOAT_EQ(x, 50.0f);
    EXPECT_FLOAT_EQ(info.band, 25.0f) << "a shallow edge moves 25 pixels per row";
}

TEST_F(EdgeLists, ThinSegmentBoxesTestOneAxis)
{
    EXPECT_FALSE(OutsideSegmentBox(5, 3, 5, 0, 5, 10)) << "vertical segment: only y counts";
    EXPECT_FALSE(OutsideSegmentBox(9, 3, 5, 0, 5, 10));
    EXPECT_TRUE(OutsideSegmentBox(5, 11, 5, 0, 5, 10));
    EXPECT_FALSE(OutsideSegmentBox(3, 9, 0, 5, 10, 5)) << "horizontal segment: only x counts";
    EXPECT_TRUE(OutsideSegmentBox(11, 5, 0, 5, 10, 5));
    EXPECT_TRUE(OutsideSegmentBox(3, 11, 0, 0, 10, 10));
}

class Interpolation : public EngineTest {
protected:
    Interpolation()
    {
        v[0] = P(0, 0, 0);
        v[1] = P(10, 0, 0);
        v[2] = P(0, 10, 0);
        v[0].nx = 2.0f; // normalised to (1, 0, 0)
        v[1].ny = 1.0f;
        v[2].nz = 1.0f;
        for (int k = 0; k < 3; ++k) {
            v[k].u = static_cast<float>(k);
            v[k].v = 1.0f;
        }
        PrepareInterpolation(setup, v, 0.0f, 0.0f, true);
    }
    __Point3ds v[3];
    InterpolationSetup setup;
};

TEST_F(Interpolation, CornersGiveTheirOwnNormalisedNormalAndCoordinates)
{
    __Point n;
    float u = -1, vv = -1;
    InterpolateNormalAndUV(setup, 0, 0, 0, true, n, u, vv);
    EXPECT_FLOAT_EQ(n.x, 1.0f);
    EXPECT_FLOAT_EQ(n.y, 0.0f);
    EXPECT_FLOAT_EQ(u, 0.0f);
    InterpolateNormalAndUV(setup, 10, 0, 0, true, n, u, vv);
    EXPECT_FLOAT_EQ(n.y, 1.0f);
    EXPECT_FLOAT_EQ(u, 1.0f);
    EXPECT_FLOAT_EQ(vv, 1.0f);
}

TEST_F(Interpolation, PixelsOutsideTakeTheNearestEdgeOrCorner)
{
    __Point n;
    float u = 0, vv = 0;
    InterpolateNormalAndUV(setup, 14, -3, 0, true, n, u, vv);
    EXPECT_FLOAT_EQ(n.x, 0.0f);
    EXPECT_FLOAT_EQ(n.y, 1.0f);
    EXPECT_FLOAT_EQ(n.z, 0.0f);
    EXPECT_FLOAT_EQ(u, 1.0f);
}

TEST_F(Interpolation, TheQuadraticNormalPassesThroughTheMidEdgeNormals)
{
    // The settings count as the triangle is set up.
    _Quality = 1;
    _UsePhong2 = 1;
    PrepareInterpolation(setup, v, 0.0f, 0.0f, true);
    __Point n;
    float u = 0, vv = 0;
    InterpolateNormalAndUV(setup, 5, 0, 0, false, n, u, vv);
    // w0 = w1 = 1/2: n0/4 + n1/4 + q0/4 with q0 = (N0 + N1)/2 of the raw normals (2, 0, 0), (0, 1, 0).
    EXPECT_FLOAT_EQ(n.x, 0.25f + 0.25f);
    EXPECT_FLOAT_EQ(n.y, 0.25f + 0.125f);
    EXPECT_FLOAT_EQ(n.z, 0.0f);
    _UsePhong2 = 0;
    PrepareInterpolation(setup, v, 0.0f, 0.0f, true);
    InterpolateNormalAndUV(setup, 5, 0, 0, false, n, u, vv);
    EXPECT_FLOAT_EQ(n.x, 0.5f);
    EXPECT_FLOAT_EQ(n.y, 0.5f);
}

TEST_F(Interpolation, PerspectiveCoordinatesFollowTheUnprojectedTriangle)
{
    _Persp_Val = 1.0f;
    _Persp_Far = 1000.0f;
    // Corner 1 moved out as the perspective transform moves a point at depth 500 (factor 0.5).
    v[1].z = 500.0f;
    v[1].x = 20.0f;
    PrepareInterpolation(setup, v, 0.0f, 0.0f, true);
    float u = 0, vv = 0;
    // The screen midpoint of edge 0-1 at the depth of the midpoint's unprojection: the
    // un-projected triangle has corner 1 back at x = 10.
    InterpolateUV(setup, 10.0f, 0.0f, 0.0f, u, vv);
    EXPECT_FLOAT_EQ(u, 1.0f) << "x 10 at depth 0 un-projects onto corner 1";
    InterpolateUV(setup, 10.0f, 0.0f, 500.0f, u, vv);
    EXPECT_FLOAT_EQ(u, 0.5f);
}

TEST_F(Interpolation, UnprojectWithoutAFarDistanceLeavesThePointInPlace)
{
    _Persp_Far = 0.0f;
    _Persp_x = 0.0f;
    _Persp_y = 0.0f;
    float x, y;
    Unproject(12.0f, -3.0f, 400.0f, x, y);
    EXPECT_EQ(x, 12.0f);
    EXPECT_EQ(y, -3.0f);
    _Persp_Far = 1000.0f;
    _Persp_x = 5.0f;
    Unproject(12.0f, -3.0f, 400.0f, x, y);
    EXPECT_FLOAT_EQ(x, 12.0f * 0.6f + 5.0f);
    EXPECT_FLOAT_EQ(y, -3.0f * 0.6f);
}

TEST(Geometry, LinePointMeetsATangentPlane)
{
    // Plane through (0, 0, 5) with normal (0, 0, 1): coefficients nx^2, ny^2, nz^2, -(n . P).
    float x, y, z;
    LinePoint(1, 2, 3, 0, 0, 1, 0, 0, 1, -5, x, y, z);
    EXPECT_FLOAT_EQ(x, 1.0f);
    EXPECT_FLOAT_EQ(y, 2.0f);
    EXPECT_FLOAT_EQ(z, 5.0f);
    // Plane x = 4, line along x.
    LinePoint(1, 2, 3, 1, 0, 0, 1, 0, 0, -4, x, y, z);
    EXPECT_FLOAT_EQ(x, 4.0f);
    EXPECT_FLOAT_EQ(z, 3.0f);
    EXPECT_FLOAT_EQ(Distance3(0, 0, 0, 3, 4, 12), 13.0f);
}

} // namespace

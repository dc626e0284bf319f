// The Line and Wire modes through the scene driver: edges only, in the shaded material colour;
// Line follows the face's facing, Wire decides per piece of curved edge with the slack of
// Nz >= -0.2 outside the back-face pass.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/support/scene_builder.h"
#include "tests/support/settings_guard.h"
#include "tests/support/test_image.h"

namespace {

constexpr int W = 64;
constexpr int H = 48;

class OutlineScenes : public EngineTest, public ::testing::WithParamInterface<DrawMode> {
protected:
    OutlineScenes() : scene(W / 2, H / 2), image(W, H, false), source(W, H, false)
    {
        UseDrawMode(GetParam());
        scene.AddFlatMaterial(0.2f, 0.6f, 1.0f);
    }
    void Render()
    {
        scene.Render(image, &source);
        EXPECT_TRUE(image.GuardsIntact());
    }
    // The triangle most of these scenes draw, facing the viewer or turned away from it.
    static constexpr Corner A{8, 6, 0}, B{56, 10, 0}, C{24, 42, 0};
    void AddTriangle(bool front) { scene.AddFacing(A, B, C, front); }
    // The triangle facing the viewer at depth 0 with normals (nx, 0, nz) at every corner: for a
    // negative nz, a curved surface seen from behind.
    void AddTurnedAway(float nx, float nz)
    {
        AddTriangle(true);
        for (__Point3ds& p : scene.points)
            p.nx = nx, p.nz = nz;
    }
    // Normal (nx, 0, nz) at every corner, each corner moved in depth onto the plane through the
    // origin with that normal, so that the curved edges are the straight ones.
    void Tilt(float nx, float nz)
    {
        for (__Point3ds& p : scene.points) {
            p.nx = nx;
            p.nz = nz;
            p.z = -nx * p.x / nz;
        }
    }
    SceneBuilder scene;
    TestImage image;
    TestImage source;
};

// Distance of (x, y) to the segment pq.
float SegmentDistance(Corner p, Corner q, float x, float y)
{
    const float ex = q.x - p.x, ey = q.y - p.y;
    float t = ((x - p.x) * ex + (y - p.y) * ey) / (ex * ex + ey * ey);
    t = t < 0 ? 0 : (t > 1 ? 1 : t);
    return std::hypot(x - (p.x + t * ex), y - (p.y + t * ey));
}

TEST_P(OutlineScenes, FrontFacesDrawTheirEdgesOnly)
{
    AddTriangle(true);
    Render();
    int onEdges = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const float d = std::fmin(SegmentDistance(A, B, x, y),
                                      std::fmin(SegmentDistance(B, C, x, y),
                                                SegmentDistance(C, A, x, y)));
            if (image.Get(x, y, 3) != 0) {
                EXPECT_LT(d, 1.5f) << x << "," << y;
            }
            if (d < 0.3f) {
                ++onEdges;
                // Coverage 1 - distance, at least 0.7 this close to the line.
                EXPECT_GT(image.Get(x, y, 3), 170) << x << "," << y;
                EXPECT_EQ(image.Get(x, y, 1), 153) << x << "," << y;
            }
        }
    EXPECT_GT(onEdges, 40);
}

TEST_P(OutlineScenes, BackFacesOnlyInTheBackFacePass)
{
    AddTriangle(false);
    Tilt(0.0f, -1.0f); // for Wire, the surface turns away too
    Render();
    EXPECT_EQ(image.CountCovered(), 0);
    _DrawBackFaces = 1;
    Render();
    EXPECT_GT(image.CountCovered(), 100);
}

INSTANTIATE_TEST_SUITE_P(LineAndWire, OutlineScenes, ::testing::Values(DrawMode::Line, DrawMode::Wire));

class WireScenes : public OutlineScenes {};

TEST_P(WireScenes, PiecesTurnedSlightlyAwayStillDraw)
{
    // Seen from behind, but not far behind. (In the plane of those normals the triangle would be
    // seen edge-on, its pieces shorter than a pixel, and such pieces draw nothing.)
    AddTurnedAway(std::sqrt(1.0f - 0.01f), -0.1f);
    Render();
    EXPECT_GT(image.CountCovered(), 100);
}

TEST_P(WireScenes, PiecesTurnedFurtherAwayAreHiddenOutsideTheBackFacePass)
{
    AddTurnedAway(std::sqrt(1.0f - 0.09f), -0.3f);
    Render();
    EXPECT_EQ(image.CountCovered(), 0);
    _DubleSide = 1;
    Render();
    EXPECT_GT(image.CountCovered(), 100);
}

TEST_P(WireScenes, ACurvedEdgeBulgesTowardsItsNormals)
{
    // Corner normals that tilt apart along the top edge bend it upwards (towards smaller y is
    // away from the normals' y component).
    scene.AddFacing({8, 30, 0}, {56, 30, 0}, {32, 44, 0}, true);
    scene.points[0].nx = -0.6f, scene.points[0].ny = -0.3f, scene.points[0].nz = 0.74f;
    scene.points[1].nx = 0.6f, scene.points[1].ny = -0.3f, scene.points[1].nz = 0.74f;
    scene.points[2].ny = 0.6f, scene.points[2].nz = 0.8f;
    Render();
    int above = 0;
    for (int x = 24; x < 40; ++x)
        for (int y = 0; y < 29; ++y)
            above += image.Get(x, y, 3) != 0;
    EXPECT_GT(above, 0);
}

INSTANTIATE_TEST_SUITE_P(Wire, WireScenes, ::testing::Values(DrawMode::Wire));

} // namespace

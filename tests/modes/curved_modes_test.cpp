// The curved-surface modes through the scene driver: Patches and Bezier draw a flat triangle as
// the triangle, Bezier samples a degenerate edge in one column, fades towards the silhouette,
// tests depth and facing per sample; Bezier outline draws its soft band in the material colour
// over the source and nothing in the back-face pass.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tests/support/scene_builder.h"
#include "tests/support/settings_guard.h"
#include "tests/support/test_image.h"

namespace {

constexpr int W = 64;
constexpr int H = 48;

class CurvedModes : public EngineTest {
protected:
    CurvedModes() : scene(W / 2, H / 2), image(W, H, false), source(W, H, false) {}

    // Every corner gets the normal (nx, 0, nz), and its depth is set to put it in the plane
    // through the origin with that normal, so that the surface is the flat triangle.
    void Tilt(float nx, float nz)
    {
        for (__Point3ds& p : scene.points) {
            p.nx = nx;
            p.ny = 0.0f;
            p.nz = nz;
            p.z = -nx * p.x / nz;
        }
    }
    void Render(DrawMode mode)
    {
        UseDrawMode(mode);
        scene.Render(image, &source);
        EXPECT_TRUE(image.GuardsIntact());
    }

    SceneBuilder scene;
    TestImage image;
    TestImage source;
};

// Signed distance of (x, y) outside the triangle abc (negative inside), in pixels.
float OutsideDistance(Corner a, Corner b, Corner c, float x, float y)
{
    const Corner v[3] = {a, b, c};
    auto side = [&](int k, float px, float py) {
        const Corner& p = v[k];
        const Corner& q = v[(k + 1) % 3];
        const float ex = q.x - p.x, ey = q.y - p.y;
        return (ex * (py - p.y) - ey * (px - p.x)) / std::hypot(ex, ey);
    };
    // The centre lies inside: it gives the sign of the inside.
    const float inside = side(0, (a.x + b.x + c.x) / 3, (a.y + b.y + c.y) / 3) > 0 ? 1.0f : -1.0f;
    float worst = -1e30f;
    for (int k = 0; k < 3; ++k) {
        const float d = -inside * side(k, x, y);
        worst = d > worst ? d : worst;
    }
    return worst;
}

TEST_F(CurvedModes, PatchesOfAFlatTriangleDrawTheTriangleAsThePhongFillDoes)
{
    scene.AddFlatMaterial(0.2f, 0.6f, 1.0f);
    scene.AddFacing({6, 5, 0}, {58, 12, 0}, {20, 43, 0}, true);
    TestImage phong(W, H, false);
    UseDrawMode(DrawMode::Phong);
    scene.Render(phong, &source);
    Render(DrawMode::Patches);

    int covered = 0, alphaPhong = 0, alphaPatches = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            alphaPhong += phong.Get(x, y, 3);
            alphaPatches += image.Get(x, y, 3);
            if (OutsideDistance({6, 5, 0}, {58, 12, 0}, {20, 43, 0}, x, y) < -1.0f) {
                ++covered;
                // The pieces' shared edges leave no seam inside.
                EXPECT_EQ(image.Get(x, y, 3), 255) << x << "," << y;
                EXPECT_EQ(image.Get(x, y, 1), phong.Get(x, y, 1)) << x << "," << y;
            }
        }
    EXPECT_GT(covered, 500);
    // Only the soft outer edge may differ where the pieces' corner boxes meet it.
    EXPECT_NEAR(alphaPatches, alphaPhong, alphaPhong / 100);
}

TEST_F(CurvedModes, BezierOfAFlatTriangleIsTheTriangle)
{
    const Corner a{6, 5, 0}, b{58, 12, 0}, c{20, 43, 0};
    scene.AddFlatMaterial(0.2f, 0.6f, 1.0f);
    scene.AddFacing(a, b, c, true);
    Render(DrawMode::Bezier);
    int inside = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const float d = OutsideDistance(a, b, c, x, y);
            if (image.Get(x, y, 3) != 0) {
                EXPECT_LT(d, 0.75f) << x << "," << y; // a sample rounds to the nearest pixel
            if (d < -0.75f) {
                ++inside;
            }
                EXPECT_EQ(image.Get(x, y, 3), 255) << x << "," << y;
                EXPECT_EQ(image.Get(x, y, 0), 51);
                EXPECT_EQ(image.Get(x, y, 1), 153);
                EXPECT_EQ(image.Get(x, y, 2), 255);
            }
        }
    EXPECT_GT(inside, 500);
}

// A flat triangle with legs of 6000 pixels, far larger than the image: every pixel of the image
// lies inside it and is drawn. (Sampling was once capped at 4096 steps per parameter, which left
// samples 1.46 pixels apart and about half of such a triangle's pixels unwritten.)
TEST_F(CurvedModes, BezierCoversTrianglesFarLargerThanTheImage)
{
    scene.AddFlatMaterial(0.2f, 0.6f, 1.0f);
    scene.AddFacing({-2000, -2000, 0}, {4000, -2000, 0}, {-2000, 4000, 0}, true);
    scene.AddFacing({-1e5f, -1e5f, 0}, {40, -1e5f, 0}, {40, 1e5f, 0}, true);
    Render(DrawMode::Bezier);
    EXPECT_EQ(image.CountCovered(), W * H);
}

// The same for the edges of Wire: a straight edge 40000 pixels long crossing the image is drawn
// in every column, within the pen's reach of the line and nowhere else.
TEST_F(CurvedModes, WireDrawsTheVisiblePartOfAVeryLongEdge)
{
    scene.AddFlatMaterial(0.2f, 0.6f, 1.0f);
    const Corner a{-20000, 10, 0}, b{20000, 30, 0};
    scene.AddTriangle(a, b, {0, 20000, 0});
    Render(DrawMode::Wire);
    for (int x = 0; x < W; ++x) {
        const float line = a.y + (b.y - a.y) * (x - a.x) / (b.x - a.x);
        int drawn = 0;
        for (int y = 0; y < H; ++y)
            if (image.Get(x, y, 3) != 0) {
                ++drawn;
                EXPECT_LT(std::fabs(y - line), 4.0f) << x << "," << y;
            }
        EXPECT_GT(drawn, 0) << "column " << x;
    }
}

struct SampleRecord {
    float x, y;
};
std::vector<SampleRecord> Samples;

float RecordSample(float, float, unsigned char*, unsigned char*, float pointX, float pointY, float,
                   __Triangle3ds*, material3ds*, int, float& c1, float& c2, float& c3, __Point*,
                   unsigned char, float, float, __Texture*, int, light3ds*, __PrevInfo*,
                   GlassProp*, float, float, float, float)
{
    Samples.push_back({pointX, pointY});
    c1 = c2 = c3 = 200.0f;
    return 1.0f;
}

TEST_F(CurvedModes, CoincidentP0AndP2AreSampledInOneColumn)
{
    // P0 = P2: the s step is 1, so every row t holds the single sample s = 0, on the segment
    // from P2 to P1. Depth grows along it, so that every sample passes the depth test.
    scene.AddFlatMaterial(1, 1, 1);
    scene.AddTriangle({10, 20, 0}, {40, 20, 30}, {10, 20, 0});
    Samples.clear();
    __SetNewRenderOnePixel(RecordSample);
    Render(DrawMode::Bezier);
    // |P1 - P2| = 30 * sqrt 2, so dt = 1 / (60 sqrt 2): 85 rows.
    const double length = 30.0 * std::sqrt(2.0);
    ASSERT_NEAR(static_cast<double>(Samples.size()), std::floor(2.0 * length) + 1.0, 1.0);
    for (size_t k = 0; k < Samples.size(); ++k) {
        EXPECT_FLOAT_EQ(Samples[k].y, 20.0f - H / 2);
        const double expected = 10.0 - W / 2 + 30.0 * k / (2.0 * length);
        EXPECT_NEAR(Samples[k].x, expected, 1e-3);
    }
}

TEST_F(CurvedModes, BezierFadesToAQuarterAtNzOfOneTenth)
{
    scene.AddFlatMaterial(1, 1, 1);
    scene.AddFacing({8, 6, 0}, {56, 10, 0}, {24, 42, 0}, true);
    Tilt(std::sqrt(1.0f - 0.01f), 0.1f);
    Render(DrawMode::Bezier);
    // (0.1 / 0.2)^2 of the shader's opacity 1: alpha 255 / 4, truncated.
    int covered = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            if (image.Get(x, y, 3) != 0) {
                ++covered;
                EXPECT_EQ(image.Get(x, y, 3), 63) << x << "," << y;
            }
    EXPECT_GT(covered, 500);
}

TEST_F(CurvedModes, BezierKeepsTheNearerSurface)
{
    const int nearMaterial = scene.AddFlatMaterial(1, 0, 0);
    const int farMaterial = scene.AddFlatMaterial(0, 0, 1);
    scene.AddFacing({4, 4, 10}, {40, 4, 10}, {4, 40, 10}, true, nearMaterial);
    scene.AddFacing({10, 10, -10}, {60, 10, -10}, {10, 44, -10}, true, farMaterial);
    Render(DrawMode::Bezier);
    EXPECT_EQ(image.Get(14, 14, 0), 255); // both cover it; the first, nearer one stays
    EXPECT_EQ(image.Get(14, 14, 2), 0);
    EXPECT_EQ(image.Get(50, 14, 2), 255); // the far one alone
}

TEST_F(CurvedModes, BezierDecidesFacingPerSampleByTheSurfaceNormal)
{
    scene.AddFlatMaterial(1, 1, 1);
    scene.AddFacing({8, 6, 0}, {56, 10, 0}, {24, 42, 0}, true);
    Tilt(0.0f, -1.0f);
    Render(DrawMode::Bezier);
    EXPECT_EQ(image.CountCovered(), 0);
    _DubleSide = 1;
    Render(DrawMode::Bezier);
    EXPECT_GT(image.CountCovered(), 500);
}

TEST_F(CurvedModes, PatchesCullEachPieceByItsFaceNormal)
{
    scene.AddFlatMaterial(1, 1, 1);
    scene.AddFacing({8, 6, 0}, {56, 10, 0}, {24, 42, 0}, false);
    Render(DrawMode::Patches);
    EXPECT_EQ(image.CountCovered(), 0);
    _DrawBackFaces = 1; // the back-face pass draws it
    Render(DrawMode::Patches);
    EXPECT_GT(image.CountCovered(), 500);
}

class BezierOutline : public CurvedModes {
protected:
    BezierOutline()
    {
        source.Fill(10, 20, 30, 255);
        image.Fill(0, 0, 0, 0);
        scene.AddFacing({8, 6, 0}, {56, 10, 0}, {24, 42, 0}, true);
    }
    // All pixels of the image that differ from (c0, c1, c2, alpha), counted.
    int CountOther(int c0, int c1, int c2, int alpha) const
    {
        int count = 0;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                count += image.Get(x, y, 0) != c0 || image.Get(x, y, 1) != c1 ||
                         image.Get(x, y, 2) != c2 || image.Get(x, y, 3) != alpha;
        return count;
    }
};

TEST_F(BezierOutline, WithoutMaterialsTheBandIsRed)
{
    // |Nz| = 0.075 lies in the band: coverage (0.075 / 0.15)^2 = 1/4.
    Tilt(std::sqrt(1.0f - 0.075f * 0.075f), 0.075f);
    Render(DrawMode::BezierOutline);
    EXPECT_EQ(image.Get(30, 20, 0), 255);
    EXPECT_EQ(image.Get(30, 20, 1), 0);
    EXPECT_EQ(image.Get(30, 20, 2), 0);
    EXPECT_EQ(image.Get(30, 20, 3), 63);
    EXPECT_GT(image.CountCovered(), 500);
    EXPECT_EQ(CountOther(0, 0, 0, 0), image.CountCovered());
}

TEST_F(BezierOutline, TheBandTakesTheDiffuseOfTheLimitedMaterialIndex)
{
    scene.AddFlatMaterial(0.9f, 0.9f, 0.9f);
    scene.AddFlatMaterial(0.2f, 0.4f, 0.6f);
    scene.triangles[0].material = 7; // beyond the count: the last material
    Tilt(std::sqrt(1.0f - 0.075f * 0.075f), 0.075f);
    Render(DrawMode::BezierOutline);
    EXPECT_EQ(image.Get(30, 20, 0), 51);
    EXPECT_EQ(image.Get(30, 20, 1), 102);
    EXPECT_EQ(image.Get(30, 20, 2), 153);
}

TEST_F(BezierOutline, InsideTheSurfaceTheSourceShowsAndBehindItNothing)
{
    scene.AddFlatMaterial(1, 1, 1);
    Tilt(0.6f, 0.8f);
    Render(DrawMode::BezierOutline);
    EXPECT_EQ(image.Get(30, 20, 0), 10);
    EXPECT_EQ(image.Get(30, 20, 3), 255);
    EXPECT_GT(image.CountCovered(), 500);
    EXPECT_EQ(image.Get(2, 46, 3), 0);

    image.Fill(0, 0, 0, 0);
    Tilt(0.6f, -0.8f);
    _DubleSide = 1; // the outline mode ignores it
    Render(DrawMode::BezierOutline);
    EXPECT_EQ(image.CountCovered(), 0);
}

TEST_F(BezierOutline, TheBackFacePassDrawsNothing)
{
    scene.AddFlatMaterial(1, 1, 1);
    // A surface that turns from facing the viewer to edge-on across the triangle.
    scene.points[0].nx = 1.0f, scene.points[0].nz = 0.0f;
    scene.points[1].nx = 0.0f, scene.points[1].nz = 1.0f;
    scene.points[2].nx = -0.6f, scene.points[2].nz = -0.8f;
    Render(DrawMode::BezierOutline);
    const auto onePass = image.Snapshot();
    EXPECT_GT(image.CountCovered(), 100);
    image.Fill(0, 0, 0, 0);
    _DrawBackFaces = 1;
    Render(DrawMode::BezierOutline);
    EXPECT_EQ(image.Snapshot(), onePass);
}

} // namespace

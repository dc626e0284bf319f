// Which pixels the flat and Phong fills cover, and how much: the spans of draft mode, the soft
// edges of quality mode, tiny and degenerate triangles, and seamless shared edges.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>

#include "tests/support/scene_builder.h"
#include "tests/support/settings_guard.h"
#include "tests/support/test_image.h"

namespace {

constexpr int W = 48;
constexpr int H = 40;

class Fills : public EngineTest, public ::testing::WithParamInterface<DrawMode> {
protected:
    Fills() : scene(W / 2, H / 2), image(W, H, false)
    {
        UseDrawMode(GetParam());
        scene.AddFlatMaterial(0.8f, 0.4f, 0.2f);
    }
    SceneBuilder scene;
    TestImage image;
};

TEST_P(Fills, DraftSpansRunFromTheTruncatedLeftEndToBeforeTheRightEnd)
{
    _Quality = 0;
    // Top corner (10, 30); left edge x = 10, right edge x = 40 - y.
    scene.AddFacing({10, 10, 0}, {30, 10, 0}, {10, 30, 0}, true);
    scene.Render(image);
    std::set<std::pair<int, int>> expected;
    for (int y = 11; y <= 30; ++y)
        for (int x = 10; x < 40 - y; ++x)
            expected.insert({x, y});
    std::set<std::pair<int, int>> covered;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            if (image.Get(x, y, 3) != 0) {
                covered.insert({x, y});
                EXPECT_EQ(image.Get(x, y, 3), 255);
                EXPECT_EQ(image.Get(x, y, 0), static_cast<int>(0.8f * 255));
                EXPECT_EQ(image.Get(x, y, 1), static_cast<int>(0.4f * 255));
            }
    EXPECT_EQ(covered, expected);
    EXPECT_EQ(covered.size(), 190u);
}

TEST_P(Fills, QualityCoversPixelsUpToOnePixelOutsidePartially)
{
    // Left edge x = 10.4 and bottom edge y = 10.3: the pixel centres next to them lie 0.4 and
    // 0.3 outside.
    scene.AddFacing({10.4f, 10.3f, 0}, {30.6f, 10.3f, 0}, {10.4f, 30.2f, 0}, true);
    scene.Render(image);
    for (int y = 14; y <= 26; ++y) {
        EXPECT_NEAR(image.Get(10, y, 3), 0.6f * 255, 1.0f) << "row " << y;
        EXPECT_EQ(image.Get(9, y, 3), 0) << "row " << y;
        EXPECT_EQ(image.Get(11, y, 3), 255) << "row " << y;
    }
    for (int x = 13; x <= 24; ++x) {
        EXPECT_NEAR(image.Get(x, 10, 3), 0.7f * 255, 1.0f) << "column " << x;
        EXPECT_EQ(image.Get(x, 9, 3), 0) << "column " << x;
        EXPECT_EQ(image.Get(x, 11, 3), 255) << "column " << x;
    }
    // Nothing at all further than a pixel and a half from the triangle.
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            float outside = std::fmax(std::fmax(10.4f - x, 10.3f - y),
                                      ((x - 30.6f) * 19.9f + (y - 10.3f) * 20.2f) /
                                          std::sqrt(19.9f * 19.9f + 20.2f * 20.2f));
            if (outside >= 1.5f) {
                EXPECT_EQ(image.Get(x, y, 3), 0) << x << "," << y;
            }
        }
    // Soft pixels keep the surface colour; only alpha carries the coverage.
    EXPECT_EQ(image.Get(10, 20, 0), static_cast<int>(0.8f * 255));
}

TEST_P(Fills, ATriangleLessThanAPixelTallIsDrawnOnlyByItsEdgeBoxes)
{
    scene.AddFacing({10.2f, 20.1f, 0}, {30.0f, 20.1f, 0}, {20.0f, 20.8f, 0}, true);
    _Quality = 0;
    scene.Render(image);
    EXPECT_EQ(image.CountCovered(), 0);
    _Quality = 1;
    scene.Render(image);
    EXPECT_GT(image.CountCovered(), 0);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            if (y < 18 || y > 22 || x < 7 || x > 33) {
                EXPECT_EQ(image.Get(x, y, 3), 0) << x << "," << y;
            }
}

TEST_P(Fills, DegenerateTrianglesDrawNothing)
{
    scene.AddTriangle({5, 5, 0}, {20, 20, 0}, {35, 35, 0});   // collinear
    scene.AddTriangle({10, 10, 0}, {10, 10, 0}, {30, 12, 0}); // two corners in one place
    for (uint8_t quality : {0, 1}) {
        _Quality = quality;
        scene.Render(image);
        EXPECT_EQ(image.CountCovered(), 0);
    }
}

// Two triangles of one colour sharing a diagonal: along the diagonal the image must look like
// the interior, over an opaque background of another colour.
TEST_P(Fills, AdjoiningTrianglesOfOneSurfaceLeaveNoSeam)
{
    image.Fill(0, 0, 255, 255);
    scene.AddRectangle(6.3f, 5.6f, 41.7f, 34.2f, 0.0f);
    scene.Render(image);
    const int r = image.Get(20, 20, 0), g = image.Get(20, 20, 1), b = image.Get(20, 20, 2);
    EXPECT_EQ(r, static_cast<int>(0.8f * 255));
    for (int y = 8; y <= 32; ++y)
        for (int x = 9; x <= 39; ++x) {
            ASSERT_EQ(image.Get(x, y, 0), r) << x << "," << y;
            ASSERT_EQ(image.Get(x, y, 1), g) << x << "," << y;
            ASSERT_EQ(image.Get(x, y, 2), b) << x << "," << y;
        }
}

// The same for a ridge: the two faces meet at an angle, so each one's plane runs in front of the
// other beyond the shared edge. Soft edge pixels must not block the neighbour's own pixels.
TEST_P(Fills, ARidgeBetweenTwoFacesLeavesNoSeamEither)
{
    image.Fill(0, 0, 255, 255);
    scene.AddFacing({6.3f, 5.6f, 0}, {41.7f, 5.6f, 0}, {41.7f, 34.2f, 30}, true);
    scene.AddFacing({6.3f, 5.6f, 0}, {41.7f, 34.2f, 30}, {6.3f, 34.2f, 0}, true);
    scene.Render(image);
    const int r = image.Get(20, 20, 0);
    for (int y = 8; y <= 32; ++y)
        for (int x = 9; x <= 39; ++x) {
            ASSERT_EQ(image.Get(x, y, 0), r) << x << "," << y;
            ASSERT_EQ(image.Get(x, y, 2), image.Get(20, 20, 2)) << x << "," << y;
        }
}

// Two surfaces whose colours differ by 25 and 35 in 8-bit terms, more than the 20 that starts a
// new surface, meeting along a diagonal over a blue background. An edge pixel of the second is
// blended over the first, at either depth; 16-bit frames once compared their differences on a
// scale of 256 per 8-bit step instead of 128.5 and blended it over the background instead.
TEST_P(Fills, SurfacesAreToldApartAlikeAtBothDepths)
{
    for (const float second : {0.6f, 0.64f}) {
        SceneBuilder pair(W / 2, H / 2);
        pair.AddFlatMaterial(0.5f, 0.4f, 0.2f);
        pair.AddFlatMaterial(second, 0.4f, 0.2f);
        pair.AddFacing({6.3f, 5.6f, 0}, {41.7f, 5.6f, 0}, {41.7f, 34.2f, 0}, true, 0);
        pair.AddFacing({6.3f, 5.6f, 0}, {41.7f, 34.2f, 0}, {6.3f, 34.2f, 0}, true, 1);
        TestImage bytes(W, H, false), words(W, H, true);
        bytes.Fill(0, 0, 255, 255);
        words.Fill(0, 0, 32768, 32768);
        _Deep = 0;
        pair.Render(bytes);
        _Deep = 1;
        pair.Render(words);
        _Deep = 0;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                for (int c = 0; c < 3; ++c)
                    ASSERT_NEAR(words.Get(x, y, c) * 255.0 / 32768.0, bytes.Get(x, y, c), 2.0)
                        << "pixel " << x << "," << y << " channel " << c << ", second red "
                        << second;
    }
}

INSTANTIATE_TEST_SUITE_P(FlatAndPhong, Fills, ::testing::Values(DrawMode::Flat, DrawMode::Phong),
                         [](const ::testing::TestParamInfo<DrawMode>& info) {
                             return info.param == DrawMode::Flat ? "Flat" : "Phong";
                         });

class Shading : public EngineTest {
protected:
    Shading() : scene(W / 2, H / 2), image(W, H, false)
    {
        scene.AddLitMaterial(1.0f, 1.0f, 1.0f);
        scene.AddLight(0, 0, 1e6f); // far in front: one direction for every pixel
        // Corner normals fanning out, so that the Phong fill has something to interpolate.
        scene.AddFacing({4, 4, 0}, {44, 4, 0}, {24, 36, 0}, true);
        scene.points[0].nx = -0.6f;
        scene.points[0].nz = 0.8f;
        scene.points[1].nx = 0.6f;
        scene.points[1].nz = 0.8f;
        _Quality = 0;
    }
    std::set<int> InteriorShades()
    {
        std::set<int> shades;
        for (int y = 10; y <= 20; ++y)
            for (int x = 18; x <= 30; ++x)
                shades.insert(image.Get(x, y, 0));
        return shades;
    }
    SceneBuilder scene;
    TestImage image;
};

TEST_F(Shading, TheFlatFillGivesAFaceOneColour)
{
    UseDrawMode(DrawMode::Flat);
    scene.Render(image);
    EXPECT_EQ(InteriorShades().size(), 1u);
    EXPECT_GT(*InteriorShades().begin(), 200) << "the face normal points at the light";
}

TEST_F(Shading, ThePhongFillFollowsTheCornerNormals)
{
    UseDrawMode(DrawMode::Phong);
    scene.Render(image);
    EXPECT_GT(InteriorShades().size(), 3u);
}

} // namespace

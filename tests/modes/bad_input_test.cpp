// Scenes no caller should pass, in the outline and curved modes: corners at 1e30 or NaN, far
// outside the frame, coincident, zero normals, a triangle a million pixels across. Each must
// draw inside the image or not at all, and finish.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tests/support/bad_scene_fixture.h"

namespace {

class ModesBadInput : public BadSceneTest {
protected:
    ModesBadInput() : source(W, H, false)
    {
        source.Fill(30, 60, 90, 255);
        background = &source;
    }
    TestImage source;
};

TEST_P(ModesBadInput, HugeCornersStayInsideTheImage)
{
    scene.AddHugeCornerTriangles();
    scene.AddFacing({5, 5, -1e30f}, {35, 5, 1e30f}, {20, 25, 0}, true);
    RenderAndCheck();
}

TEST_P(ModesBadInput, AMillionPixelTriangleFinishes)
{
    // Bezier and Wire walk only the blocks of parameters that can reach the image; lines walk
    // only the steps inside it.
    scene.AddFacing({-5e5f, -5e5f, 0}, {5e5f, -5e5f, 0}, {0, 5e5f, 0}, true);
    scene.AddFacing({-5e5f, 10, 0}, {5e5f, 12, 0}, {20, 5e5f, 0}, true);
    RenderAndCheck();
}

// A sliver a million pixels long and a thousandth of a pixel wide through the image: its
// parameter grid puts millions of samples on each pixel it crosses, and the walk's budget ends
// it.
TEST_P(ModesBadInput, AMillionPixelSliverFinishes)
{
    scene.AddFacing({-5e5f, 14, 0}, {5e5f, 15, 0}, {5e5f, 15.001f, 0}, true);
    scene.AddFacing({-1e12f, -1e12f, 0}, {1e12f, 1e12f, 0}, {1e12f, 1e12f + 1e6f, 0}, true);
    RenderAndCheck();
}


TEST_P(ModesBadInput, NaNAndInfiniteCornersDrawNothing)
{
    scene.AddNonFiniteCornerTriangles();
    RenderAndCheck();
    EXPECT_EQ(image.CountCovered(), 0);
}

TEST_P(ModesBadInput, NaNDepthAndNormalsShadeSafely)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    scene.AddFacing({5, 5, 0}, {35, 5, 0}, {20, 25, 0}, true);
    scene.AddFacing({5, 5, 0}, {35, 5, nan}, {20, 25, 0}, true);
    for (int k = 0; k < 3; ++k)
        scene.points[k].nx = nan;
    RenderAndCheck();
}

TEST_P(ModesBadInput, ZeroNormalsAndCoincidentCornersStayPut)
{
    scene.AddFacing({5, 5, 0}, {35, 5, 0}, {20, 25, 0}, true);
    for (int k = 0; k < 3; ++k)
        scene.points[k].nz = 0.0f;
    scene.AddTriangle({12.5f, 12.5f, 0}, {12.5f, 12.5f, 0}, {12.5f, 12.5f, 0});
    RenderAndCheck();
    // The curved modes have no surface for zero normals; the point triangle may leave a
    // sample where it is.
    const DrawMode mode = GetParam().mode;
    const bool curved = mode == DrawMode::Patches || mode == DrawMode::Bezier ||
                        mode == DrawMode::BezierOutline;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            if (image.Get(x, y, 3) != 0 && curved) {
                EXPECT_LE(std::abs(x - 12) + std::abs(y - 12), 2) << x << "," << y;
            }
}

TEST_P(ModesBadInput, TrianglesFarOutsideTheFrameChangeNothing)
{
    image.Fill(7, 8, 9, 10);
    const auto before = image.Snapshot();
    scene.AddFacing({-500, -500, 0}, {-400, -500, 0}, {-450, -420, 0}, true);
    scene.AddFacing({5000, 5, 0}, {5100, 5, 0}, {5050, 25, 0}, true);
    RenderAndCheck();
    EXPECT_EQ(image.Snapshot(), before);
}

TEST_P(ModesBadInput, MissingSourceAndMaterialsAreTolerated)
{
    scene.AddFacing({5, 5, 0}, {35, 5, 0}, {20, 25, 0}, true);
    scene.materialCountOverride = 0;
    scene.Render(image, nullptr);
    EXPECT_TRUE(image.GuardsIntact());
}

INSTANTIATE_TEST_SUITE_P(OutlineAndCurved, ModesBadInput,
                         ::testing::Values(DrawSetting{DrawMode::Rough, 1, false},
                                           DrawSetting{DrawMode::Line, 0, false},
                                           DrawSetting{DrawMode::Line, 1, false},
                                           DrawSetting{DrawMode::Wire, 0, false},
                                           DrawSetting{DrawMode::Wire, 1, false},
                                           DrawSetting{DrawMode::Patches, 0, false},
                                           DrawSetting{DrawMode::Patches, 1, false},
                                           DrawSetting{DrawMode::Bezier, 1, false},
                                           DrawSetting{DrawMode::BezierOutline, 1, false}));

} // namespace

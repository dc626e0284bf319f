// Scenes no caller should pass but some will: huge and NaN corners, triangles far outside the
// frame, empty and odd image sizes, material indices beyond the materials. Each must draw inside
// the image or not at all, and return.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tests/support/bad_scene_fixture.h"

namespace {

using BadInput = BadSceneTest;

TEST_P(BadInput, HugeCornersStayInsideTheImage)
{
    scene.AddHugeCornerTriangles();
    scene.AddFacing({-3e9f, -2e9f, 0}, {3e9f, -2e9f, 0}, {0, 2e9f, 0}, true);
    RenderAndCheck();
}

TEST_P(BadInput, NaNAndInfiniteCornersDrawNothing)
{
    scene.AddNonFiniteCornerTriangles();
    scene.AddTriangle({5, 5, std::numeric_limits<float>::quiet_NaN()}, {30, 5, 0}, {20, 25, 0});
    RenderAndCheck();
    EXPECT_EQ(image.CountCovered(), 0);
}

TEST_P(BadInput, NaNNormalsAndTextureCoordinatesShadeSafely)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    scene.AddFacing({5, 5, 0}, {35, 5, 0}, {20, 25, 0}, true);
    for (__Point3ds& p : scene.points) {
        p.nx = nan;
        p.u = nan;
        p.mapped = 1;
    }
    RenderAndCheck();
}

TEST_P(BadInput, TrianglesFarOutsideTheFrameChangeNothing)
{
    image.Fill(7, 8, 9, 10);
    const auto before = image.Snapshot();
    scene.AddFacing({-500, -500, 0}, {-400, -500, 0}, {-450, -420, 0}, true);
    scene.AddFacing({5000, 10, 0}, {5100, 10, 0}, {5050, 20, 0}, true);
    scene.AddFacing({10, 900, 0}, {30, 900, 0}, {20, 980, 0}, true);
    RenderAndCheck();
    EXPECT_EQ(image.Snapshot(), before);
}

TEST_P(BadInput, TrianglesAcrossTheBordersAreClipped)
{
    scene.AddFacing({-20, -10, 0}, {60, -10, 0}, {20, 50, 0}, true);
    RenderAndCheck();
    EXPECT_GT(image.CountCovered(), W * H / 2);
}

TEST_P(BadInput, ZeroAreaAndSubPixelTrianglesAreSafe)
{
    scene.AddTriangle({10, 10, 0}, {10, 10, 0}, {10, 10, 0});
    scene.AddTriangle({10, 10, 0}, {10.001f, 10, 0}, {10, 10.001f, 0});
    scene.AddTriangle({39.9f, 29.9f, 0}, {40.2f, 29.9f, 0}, {39.9f, 30.3f, 0});
    RenderAndCheck();
}

TEST_P(BadInput, MaterialIndicesBeyondTheMaterialsUseTheDefaults)
{
    scene.AddFacing({5, 5, 0}, {35, 5, 0}, {20, 25, 0}, true, 1);
    scene.AddFacing({5, 5, 0}, {35, 5, 0}, {20, 25, 0}, true, 65535);
    RenderAndCheck();
    EXPECT_GT(image.CountCovered(), 0);
    scene.materialCountOverride = 0;
    RenderAndCheck();
}

INSTANTIATE_TEST_SUITE_P(
    Modes, BadInput,
    ::testing::Values(DrawSetting{DrawMode::Flat, 0, false}, DrawSetting{DrawMode::Flat, 1, false},
                      DrawSetting{DrawMode::Phong, 0, false}, DrawSetting{DrawMode::Phong, 1, false},
                      DrawSetting{DrawMode::Phong, 1, true}, DrawSetting{DrawMode::Flat, 1, true}),
    [](const ::testing::TestParamInfo<DrawSetting>& info) {
        return std::string(info.param.mode == DrawMode::Flat ? "Flat" : "Phong") +
               (info.param.quality ? "Quality" : "Draft") + (info.param.deep ? "Deep" : "Bytes");
    });

class BadImages : public EngineTest {};

TEST_F(BadImages, EmptyOrMismatchedImagesAreRefused)
{
    SceneBuilder scene(4, 4);
    scene.AddFlatMaterial(1, 1, 1);
    scene.AddFacing({1, 1, 0}, {7, 1, 0}, {4, 7, 0}, true);
    TestImage image(8, 8, false);
    const auto before = image.Snapshot();
    auto call = [&](unsigned char* dest, int w, int h, int row) {
        __RasterScene(dest, nullptr, w, h, row, 3, 1, scene.triangles.data(),
                      scene.points.data(), 4, 4, 1, scene.materials.data(),
                      scene.textures.data(), 0, nullptr, nullptr);
        __RasterSolid(dest, w, h, row, 3, 1, scene.triangles.data(), scene.points.data(), 4, 4,
                      1, 1, 1, 1);
    };
    call(image.Data(), 0, 8, 0);
    call(image.Data(), 8, 0, 32);
    call(image.Data(), -8, 8, -32);
    call(image.Data(), 8, 8, 16);   // rows shorter than the pixels
    call(nullptr, 8, 8, 32);
    call(image.Data(), 1 << 16, 1 << 16, 1 << 18); // element indices beyond int
    EXPECT_EQ(image.Snapshot(), before);
    EXPECT_TRUE(image.GuardsIntact());
    EXPECT_EQ(ZBuff, nullptr);
}

TEST_F(BadImages, NoTrianglesOrNullArraysDrawNothing)
{
    TestImage image(8, 8, false);
    __RasterScene(image.Data(), nullptr, 8, 8, 32, 0, 5, nullptr, nullptr, 4, 4, 0, nullptr,
                  nullptr, 0, nullptr, nullptr);
    __RasterScene(image.Data(), nullptr, 8, 8, 32, 0, -3, nullptr, nullptr, 4, 4, 0, nullptr,
                  nullptr, 0, nullptr, nullptr);
    EXPECT_EQ(image.CountCovered(), 0);
    EXPECT_EQ(ZBuff, nullptr);
    EXPECT_EQ(DefaultLight, nullptr);
}

} // namespace

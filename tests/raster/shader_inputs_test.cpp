// What the fills hand the shader: the previous pixel of a span, the texture flag and the
// (perspective-corrected) texture coordinates.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <utility>

#include "tests/support/scene_builder.h"
#include "tests/support/settings_guard.h"
#include "tests/support/test_image.h"

namespace {

constexpr int W = 64;
constexpr int H = 48;

struct Seen {
    bool hasPrev;
    __PrevInfo prev;
    unsigned char mapsOn;
    float u;
};
std::map<std::pair<int, int>, Seen> Pixels; // the last call per pixel, by image column and row
int CallsWithoutPrev;

float RecordingShader(float originX, float originY, unsigned char*, unsigned char*, float pointX,
                      float pointY, float, __Triangle3ds*, material3ds*, int, float& outC1,
                      float& outC2, float& outC3, __Point*, unsigned char mapsOn, float texU,
                      float, __Texture*, int, light3ds*, __PrevInfo* prevInfo, GlassProp*, float,
                      float, float, float)
{
    Seen seen{prevInfo != nullptr, prevInfo ? *prevInfo : __PrevInfo{}, mapsOn, texU};
    CallsWithoutPrev += prevInfo == nullptr;
    Pixels[{static_cast<int>(pointX + originX), static_cast<int>(pointY + originY)}] = seen;
    outC1 = outC2 = outC3 = 100.0f;
    return 1.0f;
}

class ShaderInputs : public EngineTest {
protected:
    ShaderInputs() : scene(W / 2, H / 2), image(W, H, false)
    {
        Pixels.clear();
        CallsWithoutPrev = 0;
        __SetNewRenderOnePixel(RecordingShader);
        scene.AddFlatMaterial(1, 1, 1);
    }
    SceneBuilder scene;
    TestImage image;
};

TEST_F(ShaderInputs, ThePhongFillRemembersThePreviousPixelOfTheSpan)
{
    UseDrawMode(DrawMode::Phong);
    _Quality = 1;
    scene.AddFacing({8, 8, 0}, {56, 8, 0}, {32, 40, 0}, true);
    scene.Render(image);
    const Seen& s = Pixels.at({32, 20});
    ASSERT_TRUE(s.hasPrev);
    EXPECT_EQ(s.prev.valid, 1);
    EXPECT_EQ(s.prev.x, 31.0f - W / 2) << "the pixel to the left, relative to the origin";
    EXPECT_EQ(s.prev.y, 20.0f - H / 2);
    EXPECT_GT(s.prev.normal.z, 0.99f);
    EXPECT_GT(CallsWithoutPrev, 0) << "the corner boxes pass none";
}

TEST_F(ShaderInputs, TheFlatFillsPreviousPixelNeverBecomesValid)
{
    UseDrawMode(DrawMode::Flat);
    _Quality = 1;
    scene.AddFacing({8, 8, 0}, {56, 8, 0}, {32, 40, 0}, true);
    scene.Render(image);
    ASSERT_FALSE(Pixels.empty());
    for (const auto& entry : Pixels)
        if (entry.second.hasPrev) {
            EXPECT_EQ(entry.second.prev.valid, 0);
        }
}

TEST_F(ShaderInputs, MapsAreOnOnlyWhenEveryCornerIsMapped)
{
    UseDrawMode(DrawMode::Phong);
    _Quality = 0;
    scene.AddFacing({8, 8, 0}, {56, 8, 0}, {32, 40, 0}, true);
    for (__Point3ds& p : scene.points)
        p.mapped = 1;
    scene.points[1].u = 1.0f;
    scene.Render(image);
    EXPECT_EQ(Pixels.at({32, 20}).mapsOn, 1);
    const float uNearCorner = Pixels.at({static_cast<int>(scene.points[1].x) + W / 2 - 2, 9}).u;
    EXPECT_GT(uNearCorner, 0.8f);

    Pixels.clear();
    scene.points[2].mapped = 0;
    TestImage again(W, H, false);
    scene.Render(again);
    EXPECT_EQ(Pixels.at({32, 20}).mapsOn, 0);
}

// A triangle in depth, moved by the perspective transform: corner B at depth 500 moves twice as
// far out. The screen pixel where the edge's world midpoint lands must get u = 0.5, where
// interpolating on screen would give about 1/3.
TEST_F(ShaderInputs, PerspectiveMovedTrianglesGetStraightTextureCoordinates)
{
    UseDrawMode(DrawMode::Phong);
    _Quality = 0;
    scene.AddFacing({W / 2 - 20.0f, H / 2 + 0.0f, 0}, {W / 2 + 20.0f, H / 2 + 0.0f, 500},
                    {W / 2 + 0.0f, H / 2 + 20.0f, 0}, true);
    for (__Point3ds& p : scene.points) {
        p.mapped = 1;
        p.u = p.z > 0 ? 1.0f : 0.0f;
    }
    __AddPersp(3, scene.points.data(), 1.0f, 0.0f, 0.0f, 1000.0f);
    ASSERT_FLOAT_EQ(std::fabs(scene.points[0].x - scene.points[1].x), 60.0f);
    scene.Render(image);
    const float u = Pixels.at({W / 2, H / 2 + 1}).u;
    EXPECT_NEAR(u, 0.5f, 0.05f);

    Pixels.clear();
    _Persp_Val = 0.0f;
    TestImage flat(W, H, false);
    scene.Render(flat);
    EXPECT_NEAR(Pixels.at({W / 2, H / 2 + 1}).u, 1.0f / 3, 0.05f);
}

} // namespace

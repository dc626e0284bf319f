// The default shader's lighting model: the reference values of one light, defaults for a missing
// material, self illumination, signed multipliers, back-face normals and clamping.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "shading/pixel_shader.h"
#include "tests/support/scene_builder.h"
#include "tests/support/settings_guard.h"

namespace {

class Shader : public EngineTest {
protected:
    Shader()
    {
        ChannelMax = 255;
        scene.AddLitMaterial(0.5f, 0.5f, 0.5f);
        material().specular[0] = material().specular[1] = material().specular[2] = 0.0f;
        std::memset(&triangle, 0, sizeof triangle);
    }
    material3ds& material() { return scene.materials[0]; }

    // Shades the point (0, 0, 0) with the given normal; returns the opacity.
    float Shade(__Point normal, int materialCount = 1)
    {
        return DefaultRenderOnePixel(0, 0, nullptr, nullptr, 0, 0, 0, &triangle,
                                     scene.materials.data(), materialCount, out[0], out[1], out[2],
                                     &normal, 0, 0, 0, scene.textures.data(),
                                     static_cast<int>(scene.lights.size()),
                                     scene.lights.empty() ? nullptr : scene.lights.data(), nullptr,
                                     nullptr, 0, 0, -1, 0);
    }
    SceneBuilder scene;
    __Triangle3ds triangle;
    float out[3] = {-1, -1, -1};
};

TEST_F(Shader, OneWhiteLightAlongTheNormalGivesHalfScaleForHalfDiffuse)
{
    scene.AddLight(0, 0, 1000);
    EXPECT_EQ(Shade({0, 0, 1}), 1.0f);
    for (float c : out)
        EXPECT_FLOAT_EQ(c, 127.5f);
}

TEST_F(Shader, AnIndexAtTheMaterialCountShadesWithTheDefaults)
{
    scene.AddLight(0, 0, 1000);
    triangle.material = 1;
    // Grey 0.5 plus a highlight of strength 10 straight along the light: clamped to white.
    EXPECT_EQ(Shade({0, 0, 1}), 1.0f);
    for (float c : out)
        EXPECT_EQ(c, 255.0f);
    // Half way round, the highlight exponent 150 leaves nothing and grey 0.5 x cos 60 remains.
    float angle = 3.141592f / 3;
    Shade({std::sin(angle), 0, std::cos(angle)});
    EXPECT_NEAR(out[0], 0.5f * 0.5f * 255, 0.01f);
    // No materials at all: the same defaults.
    triangle.material = 0;
    Shade({std::sin(angle), 0, std::cos(angle)}, 0);
    EXPECT_NEAR(out[1], 0.5f * 0.5f * 255, 0.01f);
}

TEST_F(Shader, TransparencyIsStoredNegatedAndClamped)
{
    scene.AddLight(0, 0, 1000);
    material().transparency = -0.25f;
    EXPECT_FLOAT_EQ(Shade({0, 0, 1}), 0.75f);
    material().transparency = -3.0f;
    EXPECT_FLOAT_EQ(Shade({0, 0, 1}), 0.0f);
    material().transparency = 0.5f;
    EXPECT_FLOAT_EQ(Shade({0, 0, 1}), 1.0f);
}

TEST_F(Shader, FullSelfIlluminationLightsEvenFromBehindButTheHighlightNeedsTheLight)
{
    material().selfIllum = 1.0f;
    material().specular[0] = 1.0f;
    material().shininess = 0.1f;
    material().shinStrength = 1.0f;
    scene.AddLight(0, 0, -1000);
    Shade({0, 0, 1});
    EXPECT_FLOAT_EQ(out[0], 127.5f) << "diffuse factor 1, no highlight from behind";
    scene.lights[0].pos[2] = 1000;
    Shade({0, 0, 1});
    EXPECT_FLOAT_EQ(out[0], 255.0f) << "the highlight adds on top and clamps";
    EXPECT_FLOAT_EQ(out[1], 127.5f);
}

TEST_F(Shader, ANegativeMultiplierLightsTheBackAsAPositiveOneLightsTheFront)
{
    scene.AddLight(300, 200, 800, 1.0f);
    Shade({0.3f, 0.2f, 0.9f});
    float front[3] = {out[0], out[1], out[2]};
    scene.lights[0].multiplier = -1.0f;
    Shade({-0.3f, -0.2f, -0.9f});
    for (int c = 0; c < 3; ++c)
        EXPECT_FLOAT_EQ(out[c], front[c]);
    Shade({0.3f, 0.2f, 0.9f});
    EXPECT_EQ(out[0], 0.0f) << "and leaves the front dark";
}

TEST_F(Shader, BackFacePassAndTwoSidedFacesTurnTheNormal)
{
    // A light far along (0.6, 0, 0.8): the shade tells how much of the normal points there.
    scene.AddLight(0.6e6f, 0, 0.8e6f);
    _DubleSide = 1;
    Shade({0.6f, 0.0f, -0.8f});
    EXPECT_NEAR(out[0], 127.5f, 0.01f) << "(0.6, 0, -0.8) becomes (0.6, 0, 0.8)";
    _DrawBackFaces1 = 1;
    Shade({0.6f, 0.0f, -0.8f});
    EXPECT_NEAR(out[0], 127.5f * (-0.36f + 0.64f), 0.01f) << "and (-0.6, 0, 0.8) in the back pass";
    _DubleSide = 0;
    Shade({0.6f, 0.0f, 0.8f});
    EXPECT_NEAR(out[0], 0.0f, 0.01f) << "the back pass alone turns the whole normal away";
}

TEST_F(Shader, OutputsStayWithinTheChannelRangeWhateverTheLightsAddUpTo)
{
    for (int k = 0; k < 12; ++k)
        scene.AddLight(0, 0, 1000);
    material().diffuse[0] = 1.0f;
    material().diffuse[1] = -4.0f;
    Shade({0, 0, 1});
    EXPECT_EQ(out[0], 255.0f);
    EXPECT_EQ(out[1], 0.0f);
    ChannelMax = 32768;
    Shade({0, 0, 1});
    EXPECT_EQ(out[0], 32768.0f);
    EXPECT_FLOAT_EQ(out[2], 32768.0f) << "0.5 x 12 lights";
}

TEST_F(Shader, WithoutAnyLightTheOutputIsBlackAtTheMaterialOpacity)
{
    material().transparency = -0.5f;
    ASSERT_EQ(DefaultLight, nullptr);
    EXPECT_FLOAT_EQ(Shade({0, 0, 1}), 0.5f);
    for (float c : out)
        EXPECT_EQ(c, 0.0f);
}

TEST_F(Shader, ARegisteredDefaultLightStandsInForAnEmptyLightList)
{
    light3ds light{};
    light.pos[2] = 1000;
    light.color[0] = light.color[1] = light.color[2] = 1.0f;
    light.multiplier = 1.0f;
    __SetLightDef(&light);
    Shade({0, 0, 1});
    EXPECT_FLOAT_EQ(out[0], 127.5f);
}

TEST_F(Shader, AZeroNormalIsUsedAsItIs)
{
    scene.AddLight(0, 0, 1000);
    material().selfIllum = 0.25f;
    Shade({0, 0, 0});
    EXPECT_FLOAT_EQ(out[0], 0.25f * 0.5f * 255);
}

TEST_F(Shader, GlassRecordsBeyondTheMaterialsAreNotRead)
{
    scene.AddLight(0, 0, 1000);
    triangle.material = 5;
    GlassProp glass{};
    glass.on = 1;
    __Point n{0, 0, 1};
    // One glass record for one material; index 5 must not reach past it.
    float opacity = DefaultRenderOnePixel(0, 0, nullptr, nullptr, 0, 0, 0, &triangle,
                                          scene.materials.data(), 1, out[0], out[1], out[2], &n, 0,
                                          0, 0, nullptr, 1, scene.lights.data(), nullptr, &glass,
                                          0, 0, -1, 0);
    EXPECT_EQ(opacity, 1.0f);
}

} // namespace

// Input no caller should pass but some will: reflection layers of any size and depth sampled at
// any coordinate, and glass at the limits of its controls (refraction +-1000, optical +-10,
// aberration up to 1000 %) at the image's edges. The images are black inside and bright in their
// guard zones, so a read outside shows in the result; the address sanitizer build sees the rest.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "shading/glass.h"
#include "shading/map_samplers.h"
#include "tests/maps/glass_images.h"
#include "tests/maps/map_texture.h"
#include "tests/support/scene_builder.h"
#include "tests/support/settings_guard.h"
#include "tests/support/test_image.h"

namespace {

const float Nan = std::numeric_limits<float>::quiet_NaN();
const float Inf = std::numeric_limits<float>::infinity();

struct TextureCase {
    int width, height;
    bool deep;
};

class AnyTexture : public EngineTest, public ::testing::WithParamInterface<TextureCase> {};

TEST_P(AnyTexture, IsReadOnlyInsideItsTexels)
{
    const TextureCase tc = GetParam();
    _Deep = tc.deep ? 1 : 0;
    ChannelMax = tc.deep ? 32768 : 255;
    MapTexture texture(tc.width, tc.height, tc.deep);
    __Texture record = texture.Record();
    const float coordinates[] = {0, 1, 0.5f, 1.5f, -0.5f, -1e-7f, 1.0000001f, -1e30f, 1e30f,
                                 Nan, Inf, -Inf};
    map3ds blocks[3] = {PlainBlock(), PlainBlock(), PlainBlock()};
    blocks[1].uScale = 1e20f;
    blocks[1].vOffset = -7.25f;
    blocks[2].uOffset = Nan;
    blocks[2].vScale = -3.0f;

    for (uint8_t quality : {0, 1}) {
        _Quality = quality;
        for (const map3ds& block : blocks)
            for (float u : coordinates)
                for (float v : coordinates)
                    for (float previous : {0.0f, 1.0f, 0.3f, Nan}) {
                        __PrevInfo prev{};
                        prev.valid = 1;
                        prev.u = previous;
                        prev.v = 1.0f - previous;
                        float out[3] = {-1, -1, -1};
                        float amount = 1.0f;
                        bool present = true;
                        SampleMap(out[0], out[1], out[2], block, &record, amount, present, u, v,
                                  &prev);
                        ASSERT_TRUE(present);
                        ASSERT_EQ(out[0] + out[1] + out[2] + amount, 0.0f) << u << " " << v;
                        float nx = 0.25f, ny = -0.5f, nz = 1.0f;
                        amount = 1.0f;
                        SampleBumpMap(nx, ny, nz, block, &record, amount, present, u, v, &prev);
                        ASSERT_EQ(nx, 0.25f);
                        ASSERT_EQ(ny, -0.5f);
                    }
        for (int zwidth : {0, 1, 1920})
            for (float p : coordinates)
                for (float n : {0.0f, 1.0f, -0.7f, 1e-6f, Nan}) {
                    Zwidth = zwidth;
                    float out[3] = {-1, -1, -1};
                    float amount = 0.5f;
                    bool present = true;
                    SampleReflectionMap(out[0], out[1], out[2], blocks[0], &record, amount,
                                        present, p, -p, 3 * p, n, 0.5f, std::sqrt(1 - n * n));
                    ASSERT_EQ(out[0] + out[1] + out[2], 0.0f) << p << " " << n;
                }
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, AnyTexture,
                         ::testing::Values(TextureCase{1, 1, false}, TextureCase{1, 1, true},
                                           TextureCase{1, 9, false}, TextureCase{9, 1, true},
                                           TextureCase{2, 2, false}, TextureCase{3, 5, true},
                                           TextureCase{257, 3, false},
                                           TextureCase{2500, 1700, true}));

// Glass at its limits, straight through the glass step: every image (source, destination, back
// layer) is black, so with the neutral tint every refracted component must come out 0, and the
// opacity stays within 0..1.
class GlassLimits : public EngineTest, protected GlassImages {
protected:
    static constexpr int W = 9, H = 7;
    GlassLimits() : GlassImages(W, H) {}
};

TEST_F(GlassLimits, NeverSampleOutsideTheImages)
{
    const float normals[][3] = {{0, 0, 1}, {0.6f, 0, 0.8f}, {-0.6f, 0.8f, 0}, {5, -7, 0.2f},
                                {Nan, 0, 1}};
    const float pixels[][2] = {{0, 0}, {W - 1, H - 1}, {W - 1, 0}, {-1, 3}, {W, H}, {4, 3}};
    GlassProp glass{};
    glass.on = 1;
    for (uint8_t quality : {0, 1})
        for (uint8_t multiple : {0, 1})
            for (uint8_t backFaces : {0, 1}) {
                _Quality = quality;
                _UseMultyRefract = multiple;
                _DrawBackFaces = backFaces;
                for (float refraction : {-1000.0f, -1.0f, 0.0f, 1000.0f})
                    for (float optical : {-10.0f, 0.0f, 10.0f})
                        for (float aberration : {-1000.0f, 0.0f, 100.0f, 1000.0f})
                            for (const auto& n : normals)
                                for (const auto& p : pixels)
                                    for (bool withPrevious : {false, true}) {
                                        glass.refraction = refraction;
                                        glass.optical = optical;
                                        glass.aberration = aberration;
                                        __PrevInfo prev{};
                                        prev.valid = 1;
                                        prev.x = p[0] - 3;
                                        prev.y = p[1] + 2;
                                        prev.normal = __Point{-n[1], n[0], n[2]};
                                        float diffuse[3] = {0.5f, 0.5f, 0.5f};
                                        float opacity = 1.0f;
                                        const float plane[4] = {0.3f, -0.2f, 0.5f, 4};
                                        ApplyGlass(diffuse, opacity, glass, n[0], n[1], n[2], p[0],
                                                   p[1], 2, 0, 0, plane,
                                                   withPrevious ? &prev : nullptr, dest.Data(),
                                                   source.Data());
                                        ASSERT_EQ(diffuse[0] + diffuse[1] + diffuse[2], 0.0f);
                                        ASSERT_TRUE(opacity >= 0.0f && opacity <= 1.0f);
                                    }
            }
    EXPECT_TRUE(source.GuardsIntact());
    EXPECT_TRUE(dest.GuardsIntact());
    EXPECT_TRUE(back.GuardsIntact());
}

// Whole scenes with a reflection layer and glass at their limits, in every filled mode, quality,
// depth and back-face setting: they draw inside the image and return.
class LimitScenes : public EngineTest, public ::testing::WithParamInterface<DrawSetting> {};

TEST_P(LimitScenes, DrawInsideTheImage)
{
    const DrawSetting sc = GetParam();
    sc.Use();
    MapTexture environment(3, 1, sc.deep);
    environment.Fill(sc.deep ? 32768 : 255, 0, 0, 0);
    for (uint8_t backFaces : {0, 1})
        for (uint8_t multiple : {0, 1, 2})
            for (float refraction : {-1000.0f, 1000.0f}) {
                _DrawBackFaces = backFaces;
                _UseMultyRefract = multiple;
                SceneBuilder scene(12, 10);
                scene.AddLight(100, -50, 500);
                for (int m = 0; m < 2; ++m) {
                    scene.AddLitMaterial(0.3f, 0.6f, 0.9f);
                    scene.materials[m].reflect = PlainBlock(0.5f);
                    scene.textures[4 * m + TextureSlotReflect] = environment.Record();
                    scene.glass[m].on = 1;
                    scene.glass[m].refraction = refraction;
                    scene.glass[m].optical = m ? 10.0f : -10.0f;
                    scene.glass[m].aberration = 1000.0f;
                }
                scene.AddFacing({0, 0, 5}, {24, 2, 40}, {3, 20, -30}, true, 0);
                scene.AddFacing({24, 0, 9}, {22, 20, -9}, {1, 18, 30}, false, 1);
                for (__Point3ds& p : scene.points) {
                    p.nx = p.x / 30;
                    p.ny = -p.y / 20;
                    p.nz = 0.5f;
                }
                TestImage image(24, 20, sc.deep), background(24, 20, sc.deep);
                background.Fill(100, 110, 120, sc.deep ? 32768 : 255);
                image.CopyFrom(background);
                scene.Render(image, &background);
                ASSERT_TRUE(image.GuardsIntact());
                ASSERT_TRUE(background.GuardsIntact());
                ASSERT_NE(image.Snapshot(), background.Snapshot()) << "the panes were drawn";
            }
}

INSTANTIATE_TEST_SUITE_P(Modes, LimitScenes,
                         ::testing::Values(DrawSetting{DrawMode::Flat, 0, false},
                                           DrawSetting{DrawMode::Flat, 1, true},
                                           DrawSetting{DrawMode::Phong, 0, true},
                                           DrawSetting{DrawMode::Phong, 1, false},
                                           DrawSetting{DrawMode::Phong, 1, true}));

} // namespace

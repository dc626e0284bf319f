// The map samplers: the texel-coordinate wrap, the texel element order, bilinear and box
// filtering, the opacity map's alpha, the bump gradient and the reflection box projection, and
// how the shader blends what they return.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "shading/map_samplers.h"
#include "shading/pixel_shader.h"
#include "tests/maps/map_texture.h"
#include "tests/support/scene_builder.h"
#include "tests/support/settings_guard.h"

namespace {

class Maps : public EngineTest {
protected:
    Maps() { ChannelMax = 255; }
    // Samples `texture` with SampleMap; returns the amount after the sampler.
    float Sample(MapTexture& texture, float u, float v, const __PrevInfo* prev = nullptr,
                 float amount = 1.0f)
    {
        __Texture record = texture.Record();
        bool present = true;
        SampleMap(out[0], out[1], out[2], block, &record, amount, present, u, v, prev);
        EXPECT_TRUE(present);
        return amount;
    }
    map3ds block = PlainBlock();
    float out[3] = {-1, -1, -1};
};

TEST_F(Maps, TheWrapAddressesBothEndsAndFoldsCoordinatesBackIn)
{
    EXPECT_FLOAT_EQ(TexelCoordinate(1.0f, 1, 0, 10), 9.0f);  // u = 1: the last column
    EXPECT_FLOAT_EQ(TexelCoordinate(0.0f, 1, 0, 10), 0.0f);
    EXPECT_FLOAT_EQ(TexelCoordinate(1.5f, 1, 0, 10), 3.5f);  // 0.5 w - 1.5
    EXPECT_FLOAT_EQ(TexelCoordinate(-0.5f, 1, 0, 10), 5.5f); // -4.5 comes in from the right
    // X = -0.5 becomes w - 0.5.
    EXPECT_FLOAT_EQ(TexelCoordinate(-0.05f, 1, 0, 11), 10.5f);
    // Scale and offset apply before the stretch over w - 1 texels.
    EXPECT_FLOAT_EQ(TexelCoordinate(0.25f, 2, 0.25f, 5), 3.0f);
}

TEST_F(Maps, NearestTexelFeedsComponentsInReverseElementOrder)
{
    _Quality = 0;
    MapTexture t(10, 4, false);
    for (int x = 0; x < 10; ++x)
        t.SetTexel(x, 2, 10 * x, 20, 30, 255);
    Sample(t, 1.5f, 2.0f / 3.0f); // X = 3.5, Y = 2
    EXPECT_FLOAT_EQ(out[0], 30 / 255.0f);
    EXPECT_FLOAT_EQ(out[1], 20 / 255.0f);
    EXPECT_FLOAT_EQ(out[2], 30 / 255.0f); // blue of column 3
}

TEST_F(Maps, BilinearTakesColumnOnePastTheLastColumn)
{
    MapTexture t(4, 1, false);
    t.SetTexel(0, 0, 0, 0, 0, 255);
    t.SetTexel(1, 0, 0, 0, 100, 255);
    t.SetTexel(2, 0, 0, 0, 0, 255);
    t.SetTexel(3, 0, 0, 0, 200, 255);
    // X = 3.5: half of column 3 and half of column 1, not of column 0.
    Sample(t, 3.5f / 3.0f, 0);
    EXPECT_NEAR(out[0], 150 / 255.0f, 1e-5f);
}

TEST_F(Maps, TexturesOneTexelWideOrHighSampleTheirOnlyColumnOrRow)
{
    MapTexture t(1, 3, false);
    t.SetTexel(0, 0, 0, 0, 90, 255);
    t.SetTexel(0, 1, 0, 0, 30, 255);
    t.SetTexel(0, 2, 0, 0, 60, 255);
    Sample(t, 0.7f, 0.75f); // Y = 1.5: rows 1 and 2
    EXPECT_NEAR(out[0], 45 / 255.0f, 1e-5f);
    MapTexture one(1, 1, false);
    one.SetTexel(0, 0, 0, 0, 77, 255);
    Sample(one, 0.3f, 0.9f);
    EXPECT_NEAR(out[0], 77 / 255.0f, 1e-6f);
}

TEST_F(Maps, ALargeStepFromThePreviousPixelAveragesTheBoxBetweenThem)
{
    MapTexture t(21, 1, false);
    for (int x = 0; x < 21; ++x)
        t.SetTexel(x, 0, 0, 0, 10 * x, x < 5 ? 0 : 255);
    __PrevInfo prev{};
    prev.valid = 1;
    prev.u = 0.0f;
    // From X' = 0 to X = 10: ten samples, columns 0..9.
    float amount = Sample(t, 0.5f, 0, &prev);
    EXPECT_NEAR(out[0], 45 / 255.0f, 1e-6f);
    EXPECT_NEAR(amount, 0.5f, 1e-6f); // half of the box has alpha 0
    // Not filtered without _Quality, nor when the previous pixel is not valid.
    _Quality = 0;
    Sample(t, 0.5f, 0, &prev);
    EXPECT_FLOAT_EQ(out[0], 100 / 255.0f);
    _Quality = 1;
    prev.valid = 0;
    Sample(t, 0.5f, 0, &prev);
    EXPECT_FLOAT_EQ(out[0], 100 / 255.0f);
}

TEST_F(Maps, SixteenBitTexelsAreReadByTheEngineSetting)
{
    _Deep = 1;
    ChannelMax = 32768;
    MapTexture t(2, 2, true);
    t.Fill(32768, 16384, 8192, 32768);
    Sample(t, 0.2f, 0.8f);
    EXPECT_NEAR(out[0], 0.25f, 1e-6f);
    EXPECT_NEAR(out[1], 0.5f, 1e-6f);
    EXPECT_NEAR(out[2], 1.0f, 1e-6f);
}

TEST_F(Maps, AnAbsentTextureIsIgnoredWhateverElseItsRecordHolds)
{
    __Texture junk;
    std::memset(&junk, 0x7F, sizeof junk);
    junk.present = 0;
    junk.pixels = reinterpret_cast<uint8_t*>(16);
    float nx = 0.3f, ny = 0.4f, nz = 0.5f, amount = 3.0f;
    bool present = true;
    SampleMap(out[0], out[1], out[2], block, &junk, amount, present, 0.5f, 0.5f, nullptr);
    EXPECT_FALSE(present);
    present = true;
    SampleBumpMap(nx, ny, nz, block, &junk, amount, present, 0.5f, 0.5f, nullptr);
    EXPECT_FALSE(present);
    present = true;
    SampleReflectionMap(out[0], out[1], out[2], block, &junk, amount, present, 1, 2, 3, 0, 0, 1);
    EXPECT_FALSE(present);
    EXPECT_EQ(out[0], -1.0f);
    EXPECT_EQ(nx, 0.3f);
    EXPECT_EQ(ny, 0.4f);
    EXPECT_EQ(amount, 3.0f);
    // Present but without texels counts as absent too.
    MapTexture t(2, 2, false);
    __Texture empty = t.Record();
    empty.width = 0;
    present = true;
    SampleMap(out[0], out[1], out[2], block, &empty, amount, present, 0.5f, 0.5f, nullptr);
    EXPECT_FALSE(present);
}

// The bump map: a constant map leaves the normal alone; a slope tilts it against the gradient.
TEST_F(Maps, BumpMapsTiltTheNormalAgainstTheirGradient)
{
    float nx = 0.1f, ny = 0.2f, nz = 0.9f;
    MapTexture flat(5, 5, false);
    flat.Fill(90, 40, 200, 255);
    for (bool quality : {false, true}) {
        _Quality = quality;
        __PrevInfo prev{};
        prev.valid = 1;
        float amount = 1.0f;
        bool present = true;
        __Texture record = flat.Record();
        SampleBumpMap(nx, ny, nz, block, &record, amount, present, 0.9f, 0.1f, &prev);
        EXPECT_EQ(nx, 0.1f);
        EXPECT_EQ(ny, 0.2f);
        EXPECT_EQ(nz, 0.9f);
    }

    MapTexture slope(5, 5, false);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 5; ++x)
            slope.SetTexel(x, y, 10 * x, 10 * x, 10 * x + y, 255);
    __Texture record = slope.Record();
    float amount = 1.0f;
    bool present = true;
    SampleBumpMap(nx, ny, nz, block, &record, amount, present, 0.25f, 0.25f, nullptr);
    EXPECT_NEAR(nx, 0.1f - 30 * 0.1f, 1e-5f); // G grows by 30 a column, k = amount / 10
    EXPECT_NEAR(ny, 0.2f - 1 * 0.1f, 1e-5f);
    EXPECT_EQ(nz, 0.9f);
    // At the last column and row the neighbour is the texel itself: no tilt.
    nx = 0.0f;
    ny = 0.0f;
    SampleBumpMap(nx, ny, nz, block, &record, amount, present, 1.0f, 1.0f, nullptr);
    EXPECT_EQ(nx, 0.0f);
    EXPECT_EQ(ny, 0.0f);

    // 16-bit elements keep the gradient in 8-bit terms.
    _Deep = 1;
    MapTexture deep(3, 1, true);
    for (int x = 0; x < 3; ++x)
        deep.SetTexel(x, 0, 1285 * x, 0, 0, 32768);
    record = deep.Record();
    nx = 0.0f;
    amount = 1.0f;
    SampleBumpMap(nx, ny, nz, block, &record, amount, present, 0.0f, 0.0f, nullptr);
    EXPECT_NEAR(nx, -1285 * 0.007781982421875f / 10, 1e-6f);
}

// Reflection: the texture is a box around the scene, 2 x Zwidth on a side.
class Reflection : public Maps {
protected:
    Reflection() : t(201, 201, false)
    {
        Zwidth = 100;
        // Red holds the column, green the row (as far as a byte goes).
        for (int y = 0; y < 201; ++y)
            for (int x = 0; x < 201; ++x)
                t.SetTexel(x, y, 0, y, x, 0);
        _Quality = 0;
    }
    float Reflect(float x, float y, float z, float nx, float ny, float nz, float amount = 1.0f)
    {
        __Texture record = t.Record();
        bool present = true;
        SampleReflectionMap(out[0], out[1], out[2], block, &record, amount, present, x, y, z, nx,
                            ny, nz);
        EXPECT_TRUE(present);
        return amount;
    }
    MapTexture t;
};

TEST_F(Reflection, AFacingNormalLooksStraightBackAtTheFrontWall)
{
    // u = (x + H) / S, v = (y + H) / S; the texel alpha of 0 does not weaken it.
    EXPECT_EQ(Reflect(50, -50, 7, 0, 0, 1), 1.0f);
    EXPECT_FLOAT_EQ(out[0] * 255, 150.0f);
    EXPECT_FLOAT_EQ(out[1] * 255, 50.0f);
}

TEST_F(Reflection, AGrazingRayHitsTheNearerWall)
{
    // N = (0.6, 0, 0.8) reflects the view into R = (0.96, 0, 0.28): in the x-z plane it meets
    // the side wall x = H at z = 0.28 x 100 / 0.96 before the front wall; in y-z it goes
    // straight to the front wall.
    Reflect(0, 0, 0, 0.6f, 0, 0.8f);
    float u = (0.28f * 100 / 0.96f + 100) / 200;
    EXPECT_FLOAT_EQ(out[0] * 255, std::trunc(u * 200));
    EXPECT_FLOAT_EQ(out[1] * 255, 100.0f);
    // Tilted the other way the ray leaves through the wall x = -H.
    Reflect(0, 0, 0, -0.6f, 0, 0.8f);
    EXPECT_FLOAT_EQ(out[0] * 255, std::trunc((0.28f * 100 / 0.96f + 100) / 200 * 200));
}

TEST_F(Reflection, TheAmountIsClampedAndTheQualityBlendClampsAtTheLastTexel)
{
    EXPECT_EQ(Reflect(0, 0, 0, 0, 0, 1, 1.7f), 1.0f);
    EXPECT_EQ(Reflect(0, 0, 0, 0, 0, 1, -0.2f), 0.0f);
    _Quality = 1;
    // x = H: u = 1, the last column, whose right neighbour is itself.
    Reflect(100, 0, 0, 0, 0, 1);
    EXPECT_FLOAT_EQ(out[0] * 255, 200.0f);
}

// The shader's use of the samplers: opacity map, texture map and reflection blend.
class ShaderMaps : public EngineTest {
protected:
    ShaderMaps() : texture(4, 4, false)
    {
        ChannelMax = 255;
        scene.AddFlatMaterial(0.2f, 0.2f, 0.2f, 0.75f);
        scene.AddLight(0, 0, 1000);
        std::memset(&triangle, 0, sizeof triangle);
        m().texture = m().opacity = m().reflect = PlainBlock(0.0f);
    }
    material3ds& m() { return scene.materials[0]; }
    float Shade(unsigned char mapsOn = 1)
    {
        __Point normal{0, 0, 1};
        return DefaultRenderOnePixel(0, 0, nullptr, nullptr, 0, 0, 0, &triangle,
                                     scene.materials.data(), 1, out[0], out[1], out[2], &normal,
                                     mapsOn, 0.5f, 0.5f, scene.textures.data(), 1,
                                     scene.lights.data(), nullptr, nullptr, 0, 0, -1, 0);
    }
    MapTexture texture;
    SceneBuilder scene;
    __Triangle3ds triangle;
    float out[3];
};

TEST_F(ShaderMaps, AnOpacityMapWhoseAlphaIsZeroChangesNothing)
{
    texture.Fill(255, 255, 255, 0);
    scene.textures[TextureSlotOpacity] = texture.Record();
    m().opacity.amount = 1.0f;
    EXPECT_FLOAT_EQ(Shade(), 0.75f);
    texture.Fill(0, 0, 128, 255); // opaque: the brightest component, 128 / 255
    EXPECT_NEAR(Shade(), 128 / 255.0f, 1e-6f);
    EXPECT_FLOAT_EQ(Shade(0), 0.75f) << "only mapped triangles take the colour maps";
}

TEST_F(ShaderMaps, TextureAndReflectionBlendByTheirAmounts)
{
    texture.Fill(0, 0, 255, 255);
    scene.textures[TextureSlotColour] = texture.Record();
    m().texture.amount = 0.5f; // diffuse red 0.5 x 1 + 0.5 x 0.2
    Shade();
    EXPECT_NEAR(out[0], 0.6f * 255, 1e-3f);
    EXPECT_NEAR(out[1], 0.1f * 255, 1e-3f);

    MapTexture environment(3, 3, false);
    environment.Fill(255, 0, 0, 0);
    scene.textures[TextureSlotReflect] = environment.Record();
    m().reflect.amount = 0.25f; // applied after the texture map, even with mapsOn 0
    Shade();
    EXPECT_NEAR(out[0], 0.75f * 0.6f * 255, 1e-3f);
    EXPECT_NEAR(out[2], (0.25f + 0.75f * 0.1f) * 255, 1e-3f);
    Shade(0);
    EXPECT_NEAR(out[0], 0.75f * 0.2f * 255, 1e-3f);
}

} // namespace

// Glass: where the displaced samples land (refraction, aberration, the optical factor), the
// out-of-image fallbacks, the background chosen among source, back layer and destination, the
// area path of multiple refraction, and the two scene-level interplays: the front pass of a
// two-pass render refracting the back faces, and a near pane refracting a far one.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "shading/glass.h"
#include "shading/pixel_shader.h"
#include "tests/maps/glass_images.h"
#include "tests/support/scene_builder.h"
#include "tests/support/settings_guard.h"
#include "tests/support/test_image.h"

namespace {

constexpr int W = 16;
constexpr int H = 12;

// Every colour element of the source at (x, y) is 12x + y, so a refracted component tells which
// pixel it came from.
int Code(int x, int y) { return 12 * x + y; }

class Glass : public EngineTest, protected GlassImages {
protected:
    Glass() : GlassImages(W, H)
    {
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                for (int c = 0; c < 3; ++c)
                    source.Set(x, y, c, Code(x, y));
        _Quality = 0;
        _UseMultyRefract = 0;
        std::memset(&glass, 0, sizeof glass);
        glass.on = 1;
    }
    // The glass step at pixel (px, py) with origin 0; diffuse starts as the neutral grey.
    void Refract(float nx, float ny, float nz, float px, float py,
                 const __PrevInfo* prev = nullptr)
    {
        for (float& d : diffuse)
            d = 0.5f;
        opacity = 1.0f;
        const float plane[4] = {0, 0, 0, 0};
        EXPECT_TRUE(ApplyGlass(diffuse, opacity, glass, nx, ny, nz, px, py, 0, 0, 0, plane, prev,
                               dest.Data(), source.Data()));
    }
    // The source column a component was taken from.
    int ColumnOf(int component) const
    {
        return static_cast<int>(std::lround(diffuse[component] * 255)) / 12;
    }
    GlassProp glass;
    float diffuse[3];
    float opacity;
};

TEST_F(Glass, RefractionZeroWithAGreyTintShowsTheSourceBeforeLighting)
{
    SceneBuilder scene;
    scene.AddFlatMaterial(0.5f, 0.5f, 0.5f); // self illumination 1: lighting keeps the colour
    scene.AddLight(0, 0, 1000);
    glass.optical = 1.0f;
    glass.aberration = 50.0f;
    __Triangle3ds triangle{};
    __Point normal{0.6f, 0, 0.8f};
    float out[3];
    float alpha = DefaultRenderOnePixel(0, 0, dest.Data(), source.Data(), 5, 7, 0, &triangle,
                                        scene.materials.data(), 1, out[0], out[1], out[2],
                                        &normal, 0, 0, 0, scene.textures.data(), 1,
                                        scene.lights.data(), nullptr, &glass, 0, 0, -1, 0);
    EXPECT_EQ(alpha, 1.0f);
    for (float c : out)
        EXPECT_NEAR(c, Code(5, 7), 1e-3f);
}

TEST_F(Glass, AberrationSetsHowFarTheLaterComponentsMove)
{
    // Optical 0 and N = (0.5, 0, 0.866): factor -1, so component 1 moves 0.5 x 6 = 3 to the left.
    glass.refraction = 6.0f;
    Refract(0.5f, 0, 0.8660254f, 8, 6);
    for (int c = 0; c < 3; ++c)
        EXPECT_EQ(ColumnOf(c), 5) << "aberration 0 moves every component alike";
    glass.aberration = 100.0f;
    Refract(0.5f, 0, 0.8660254f, 8, 6);
    EXPECT_EQ(ColumnOf(0), 5);
    EXPECT_EQ(ColumnOf(1), 8);
    EXPECT_EQ(ColumnOf(2), 8);
    // 50 %: k = 0.75, so 3 x 0.75 = 2.25 and 2.25 x 0.75 = 1.6875 columns.
    glass.aberration = 50.0f;
    Refract(0.5f, 0, 0.8660254f, 8, 6);
    EXPECT_EQ(ColumnOf(1), 5);
    EXPECT_EQ(ColumnOf(2), 6);
}

TEST_F(Glass, TheOpticalFactorDependsOnTheNormalsDepth)
{
    glass.optical = 3.0f;
    glass.refraction = 2.0f;
    Refract(1, 0, 0, 4, 6); // nz = 0: factor c - 1 = 2, four columns to the right
    EXPECT_EQ(ColumnOf(0), 8);
    glass.refraction = 1.0f;
    Refract(0.5f, 0, 1, 8, 6); // nz = 1 (a tilted, unnormalised normal): -c - 1 = -4
    EXPECT_EQ(ColumnOf(0), 6);
}

TEST_F(Glass, SamplesOutsideTheImageFallBackToThePixelsColumnOrRow)
{
    glass.refraction = 100.0f;
    Refract(-1, 0, 0, 8, 6); // far out to the right only: the pixel's own column
    EXPECT_EQ(ColumnOf(0), 8);
    EXPECT_EQ(opacity, 1.0f);
    // The displaced row stays when only the column falls back.
    float alpha = 1.0f;
    float v = SampleRefractedFiltered(0, 40.5f, 3.2f, 1, W, H, dest.Data(), source.Data(), 0.1f,
                                      0, 0, 0, 0, alpha, 8, 6);
    EXPECT_NEAR(v, Code(8, 3) / 255.0f + 0.1f, 1e-6f);
    EXPECT_EQ(alpha, 1.0f);
    // Transparent only when the fallback is outside as well.
    v = SampleRefractedFiltered(0, 40.5f, 3.2f, 1, W, H, dest.Data(), source.Data(), 0.1f, 0, 0,
                                0, 0, alpha, W, 6);
    EXPECT_EQ(v, 0.0f);
    EXPECT_EQ(alpha, 0.0f);
}

TEST_F(Glass, QualityBlendsFourTapsWithTheirSquaredWeights)
{
    _Quality = 1;
    float alpha = 1.0f;
    // At a whole pixel the weights are 4, 0, 1, 1 for (x0, y0), (x1, y1), (x0, y1), (x1, y0).
    float v = SampleRefractedFiltered(0, 5, 6, 0, W, H, dest.Data(), source.Data(), 0, 0, 0, 0, 0,
                                      alpha, 5, 6);
    EXPECT_NEAR(v, (4 * Code(5, 6) + Code(5, 7) + Code(6, 6)) / 6.0f / 255, 1e-6f);
    // In the last column and row the neighbours are clamped to the pixel itself.
    v = SampleRefractedFiltered(0, W - 1, H - 1, 0, W, H, dest.Data(), source.Data(), 0, 0, 0, 0,
                                0, alpha, 0, 0);
    EXPECT_NEAR(v, Code(W - 1, H - 1) / 255.0f, 1e-6f);
}

TEST_F(Glass, WithoutMultipleRefractionOrABackPassTheSourceIsRefracted)
{
    back.Fill(1, 2, 3, 255);
    dest.Fill(4, 5, 6, 255);
    const int at = 4 * (3 + 2 * W);
    for (float depth : {-1e30f, 0.0f, 500.0f})
        EXPECT_EQ(SampleRefracted(depth, dest.Data(), source.Data(), dest.Data(), at, 1, 30),
                  Code(3, 2));
    EXPECT_EQ(layerDepth[3 + 2 * W], EmptyDepth());
}

TEST_F(Glass, TheFrontPassOfATwoPassRenderSeesTheBackFacesWhereTheDestinationIsCovered)
{
    _DrawBackFaces = 1;
    const int at = 4 * (3 + 2 * W);
    dest.Fill(0, 0, 0, 102); // 40 % covered
    back.Fill(200, 200, 200, 0);
    EXPECT_EQ(SampleRefracted(0, nullptr, source.Data(), dest.Data(), at, 0, 30), Code(3, 2));
    back.Fill(200, 200, 200, 255);
    EXPECT_NEAR(SampleRefracted(0, nullptr, source.Data(), dest.Data(), at, 0, 30),
                0.4f * 200 + 0.6f * Code(3, 2), 1e-3f);
    _DrawBackFaces1 = 1; // the back-face pass itself refracts the plain source
    _UseMultyRefract = 0;
    EXPECT_EQ(SampleRefracted(0, nullptr, source.Data(), dest.Data(), at, 0, 30), Code(3, 2));
}

TEST_F(Glass, MultipleRefractionRecordsALayerAndMovesOnToTheSurfaceDrawnOverIt)
{
    _UseMultyRefract = 1;
    back.Fill(10, 11, 12, 255);
    dest.Fill(70, 71, 72, 255);
    const int pixel = 3 + 2 * W, at = 4 * pixel;
    // No layer yet: the back layer, and the depth is recorded with the last component.
    EXPECT_EQ(SampleRefracted(10, nullptr, source.Data(), dest.Data(), at, 0, 30), 10.0f);
    EXPECT_EQ(layerDepth[pixel], EmptyDepth());
    EXPECT_EQ(SampleRefracted(10, nullptr, source.Data(), dest.Data(), at, 2, 30), 12.0f);
    EXPECT_EQ(layerDepth[pixel], 10.0f);
    // Near that depth: still the same layer.
    EXPECT_EQ(SampleRefracted(35, nullptr, source.Data(), dest.Data(), at, 0, 30), 10.0f);
    // Another depth over a semi-transparent destination keeps the layer but takes the depth.
    dest.Set(3, 2, 3, 254);
    EXPECT_EQ(SampleRefracted(60, nullptr, source.Data(), dest.Data(), at, 2, 30), 12.0f);
    EXPECT_EQ(layerDepth[pixel], 60.0f);
    // Over an opaque destination the layer becomes what is drawn there.
    dest.Set(3, 2, 3, 255);
    EXPECT_EQ(SampleRefracted(100, nullptr, source.Data(), dest.Data(), at, 1, 30), 71.0f);
    EXPECT_EQ(back.Get(3, 2, 1), 71);
    EXPECT_EQ(back.Get(3, 2, 0), 10);
}

TEST_F(Glass, TheAreaPathAveragesTheSweptSamplesAndLosesCoverageOffTheImage)
{
    _Quality = 1;
    glass.refraction = 6.0f;
    // The pixel sits just right of the image (a soft edge pixel); its samples start 3 columns
    // left, at 13, and the previous pixel's normal sweeps them 6.6 columns to the right in five
    // steps: 13, 14 and 15 are inside, 16 and 18 fall back to the pixel's column, which is
    // outside too.
    __PrevInfo prev{};
    prev.valid = 1;
    prev.x = W;
    prev.y = 6;
    prev.normal = __Point{-3, 0, 4};
    Refract(0.5f, 0, 0.8660254f, W, 6, &prev);
    const float expected = (Code(13, 6) + Code(14, 6) + Code(15, 6)) / (5.0f * 255);
    for (float d : diffuse)
        EXPECT_NEAR(d, expected, 1e-6f);
    EXPECT_NEAR(opacity, 0.6f, 1e-6f);
    // Not in a two-pass render: the filtered path at column 13.
    _DrawBackFaces = 1;
    Refract(0.5f, 0, 0.8660254f, W, 6, &prev);
    EXPECT_NEAR(diffuse[0], (4 * Code(13, 6) + Code(13, 7) + Code(14, 6)) / 6.0f / 255, 1e-6f);
    EXPECT_EQ(opacity, 1.0f);
}

// Whole scenes: the interplay of glass with the back-face pass and with earlier glass.
class GlassScene : public EngineTest {
protected:
    GlassScene() : scene(W / 2, H / 2), image(W, H, false), background(W, H, false)
    {
        _Quality = 0;
        background.Fill(50, 60, 70, 255);
        image.CopyFrom(background);
        scene.AddLight(0, 0, 1000);
    }
    int GlassMaterial(float r, float g, float b)
    {
        int m = scene.AddFlatMaterial(r, g, b);
        scene.glass[m].on = 1;
        return m;
    }
    SceneBuilder scene;
    TestImage image, background;
};

TEST_F(GlassScene, TheFrontPassRefractsTheRenderedBackFaces)
{
    const uint16_t red = static_cast<uint16_t>(scene.AddFlatMaterial(1, 0, 0));
    const uint16_t pane = static_cast<uint16_t>(GlassMaterial(0.5f, 0.5f, 0.5f));
    scene.AddFacing({2, 2, 0}, {14, 2, 0}, {14, 10, 0}, false, red);
    scene.AddFacing({2, 2, 0}, {14, 10, 0}, {2, 10, 0}, false, red);
    scene.AddRectangle(2, 2, 14, 10, 10, pane);
    scene.Render(image, &background);
    EXPECT_EQ(image.Get(8, 6, 0), 50) << "one pass: the back faces are not drawn";

    image.CopyFrom(background);
    _DrawBackFaces = 1;
    scene.Render(image, &background);
    EXPECT_NEAR(image.Get(8, 6, 0), 255, 1);
    EXPECT_NEAR(image.Get(8, 6, 1), 0, 1);
}

TEST_F(GlassScene, ANearPaneRefractsTheFarPaneWithMultipleRefraction)
{
    const uint16_t far = static_cast<uint16_t>(GlassMaterial(0.7f, 0.5f, 0.5f));
    const uint16_t near = static_cast<uint16_t>(GlassMaterial(0.7f, 0.5f, 0.5f));
    scene.AddRectangle(2, 2, 14, 10, 10, far);
    scene.AddRectangle(2, 2, 14, 10, 100, near);
    _UseMultyRefract = 0;
    scene.Render(image, &background);
    EXPECT_NEAR(image.Get(8, 6, 0), 50 + 51, 1) << "each pane tints only the source";
    EXPECT_NEAR(image.Get(8, 6, 1), 60, 1);

    image.CopyFrom(background);
    _UseMultyRefract = 1;
    scene.Render(image, &background);
    EXPECT_NEAR(image.Get(8, 6, 0), 50 + 51 + 51, 1) << "both tints: the far pane shows through";
    EXPECT_NEAR(image.Get(8, 6, 2), 70, 1);
}

} // namespace

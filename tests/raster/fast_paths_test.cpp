// The engine's fast paths against plain references: a whole scene drawn with the engine's own
// shader in the slot (prepared once per triangle, soft pixels without coverage left out) against
// the same scene through a caller's shader that only forwards to it (every pixel through the
// slot, as the drawing was always done); span interiors and soft pixels shaded four at a time
// against the same one pixel at a time, whole scenes and each of the four-wide steps; the shader's lighting
// against a plain loop; the lane-wise interpolation against the plain formulas;
// the far-from-edge shortcut against the coverage it stands for, and that coverage four pixels
// at a time against one at a time; and buffers kept from call to call against fresh ones.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "engine/engine_exports.h"
#include "engine/engine_state.h"
#include "shading/pixel_shader.h"
#include "shading/span_helpers.h"
#include "tests/support/scene_builder.h"
#include "tests/support/settings_guard.h"
#include "tests/support/strewn_scene.h"
#include "tests/support/test_image.h"

namespace {

constexpr int W = 96;
constexpr int H = 72;

float Forward(float a, float b, unsigned char* c, unsigned char* d, float e, float f, float g,
              __Triangle3ds* h, material3ds* i, int j, float& k, float& l, float& m, __Point* n,
              unsigned char o, float p, float q, __Texture* r, int s, light3ds* t, __PrevInfo* u,
              GlassProp* v, float w, float x, float y, float z)
{
    return DefaultRenderOnePixel(a, b, c, d, e, f, g, h, i, j, k, l, m, n, o, p, q, r, s, t, u, v,
                                 w, x, y, z);
}

// The scene drawn over `background`.
std::vector<uint8_t> DrawOver(SceneBuilder& scene, TestImage& background)
{
    TestImage image(background.Width(), background.Height(), background.Deep());
    image.CopyFrom(background);
    scene.Render(image, &background);
    return image.Snapshot();
}

// What `draw` gives with Forward in the shader slot, which sends every pixel through the slot
// one at a time, as the drawing was always done.
template <typename Draw>
std::vector<uint8_t> ThroughTheSlot(Draw draw)
{
    __SetNewRenderOnePixel(Forward);
    std::vector<uint8_t> drawn = draw();
    __SetDefRenderOnePixel();
    return drawn;
}

// A scene with some of everything: overlapping triangles of every size and slant with bent
// normals, two lit materials (one with a highlight, one without), glass on the second, texture,
// opacity and bump maps on mapped triangles, two lights, over a patterned background.
struct BusyScene {
    SceneBuilder scene{W / 2, H / 2};

    BusyScene(bool deep, bool glass, bool mapped)
    {
        StrewnTriangles strewn(7, W, H, 10.0f, 0.8f);
        for (int k = 0; k < 40; ++k) {
            const auto [a, b, c] = strewn.Next(k % 4 == 0 ? 40.0f : (k % 4 == 1 ? 12.0f : 3.0f));
            scene.AddFacing(a, b, c, k % 5 != 0, static_cast<uint16_t>(k % 2));
        }
        for (__Point3ds& p : scene.points) {
            p.nx = strewn.Tilt();
            p.ny = strewn.Tilt();
            p.nz = 1.0f;
            p.mapped = mapped ? 1 : 0;
            p.u = p.x / 4.0f; // several texels a pixel: the maps filter with the previous pixel
            p.v = p.y / 3.0f;
        }
        scene.AddLitMaterial(0.6f, 0.3f, 0.1f);
        scene.AddLitMaterial(0.2f, 0.7f, 0.3f);
        scene.materials[0].shininess = 0.4f;
        scene.materials[0].shinStrength = 1.5f;
        scene.materials[1].shininess = 1.5f;
        scene.materials[1].transparency = -0.2f;
        scene.AddLight(300.0f, -200.0f, 800.0f);
        scene.AddLight(-400.0f, 300.0f, -300.0f, 1.7f);
        if (glass)
            scene.glass[1] = GlassProp{1, {0, 0, 0}, 1.3f, -6.0f, 20.0f};
        if (mapped)
            for (int m = 0; m < 2; ++m)
                for (int slot : {TextureSlotColour, TextureSlotOpacity, TextureSlotBump})
                    scene.AddPatternMap(m, slot, 16, deep, slot == TextureSlotBump ? 0.01f : 0.6f,
                                        37, slot * 11);
    }

    // The scene over a patterned background, through the slot's shader.
    std::vector<uint8_t> Draw(bool deep)
    {
        TestImage source(W, H, deep);
        FillPattern(source, 7, 13, 50);
        return DrawOver(scene, source);
    }
};

// The settings a whole scene is compared under, and what the scene holds: glass and maps in the
// busy scene, the number of lights in the four-wide one.
struct Setting {
    DrawMode mode;
    uint8_t quality;
    bool deep;
    uint8_t backFaces, doubleSided, multipleRefraction, phong2;
    bool glass, mapped;
    int lights;
};

class WholeScenes : public EngineTest, public ::testing::WithParamInterface<Setting> {
protected:
    WholeScenes()
    {
        const Setting& s = GetParam();
        DrawSetting{s.mode, s.quality, s.deep}.Use();
        _DrawBackFaces = s.backFaces;
        _DubleSide = s.doubleSided;
        _UseMultyRefract = s.multipleRefraction;
        _UsePhong2 = s.phong2;
    }
};

using FastPaths = WholeScenes;

TEST_P(FastPaths, TheEnginesOwnShaderDrawsWhatTheSlotDraws)
{
    const Setting& s = GetParam();
    BusyScene scene(s.deep, s.glass, s.mapped);
    if (s.mapped)
        __AddPersp(static_cast<int>(scene.scene.points.size()), scene.scene.points.data(), 1.0f,
                   0.0f, 0.0f, 900.0f);
    const std::vector<uint8_t> direct = scene.Draw(s.deep);
    EXPECT_TRUE(direct == ThroughTheSlot([&] { return scene.Draw(s.deep); }));
    const std::vector<uint8_t> again = scene.Draw(s.deep);
    EXPECT_TRUE(again == direct) << "a second call, with the buffers the first one kept";
}

INSTANTIATE_TEST_SUITE_P(
    ModesAndSettings, FastPaths,
    ::testing::Values(Setting{DrawMode::Phong, 1, false, 0, 0, 0, 0, false, false, 0},
                      Setting{DrawMode::Phong, 0, false, 0, 0, 0, 0, false, false, 0},
                      Setting{DrawMode::Phong, 1, true, 0, 0, 1, 1, true, false, 0},
                      Setting{DrawMode::Phong, 1, false, 1, 0, 2, 0, true, true, 0},
                      Setting{DrawMode::Phong, 0, true, 0, 0, 0, 0, false, true, 0},
                      Setting{DrawMode::Phong, 1, false, 0, 0, 0, 1, false, true, 0},
                      Setting{DrawMode::Phong, 1, true, 0, 0, 0, 0, true, false, 0},
                      Setting{DrawMode::Phong, 1, false, 1, 0, 1, 0, true, true, 0},
                      Setting{DrawMode::Flat, 1, false, 0, 0, 0, 0, true, false, 0},
                      Setting{DrawMode::Flat, 1, true, 1, 0, 0, 0, false, true, 0},
                      Setting{DrawMode::Patches, 1, false, 0, 0, 2, 1, false, false, 0},
                      Setting{DrawMode::Bezier, 1, false, 0, 0, 1, 0, true, true, 0},
                      Setting{DrawMode::Line, 1, true, 0, 0, 0, 0, true, false, 0},
                      Setting{DrawMode::Wire, 0, false, 1, 0, 0, 0, false, false, 0}),
    [](const ::testing::TestParamInfo<Setting>& info) { return std::to_string(info.index); });

// Materials whose pixels go four at a time, with every case of the highlight: computed, left out
// for strength 0 (where a light above multiplier 1 still needs it), for a negative zero strength,
// computed for exponent 0 and for negative exponents (pow(0, -50) is infinite), computed in the
// dark for an infinite strength; self illumination and part opacity on some.
void AddMaterialsByFours(SceneBuilder& scene)
{
    struct Look {
        float shininess, strength, selfIllum, opacity;
    };
    const Look looks[] = {{0.4f, 1.5f, 0.3f, 1.0f},    {1.5f, 0.0f, 0.0f, 1.0f},
                          {0.7f, -0.0f, 0.7f, 0.6f},   {0.0f, 0.8f, 0.0f, 1.0f},
                          {-0.5f, 0.2f, 0.1f, 1.0f},   {0.01f, INFINITY, 0.0f, 0.35f}};
    for (const Look& look : looks) {
        const int m = scene.AddLitMaterial(0.9f - 0.1f * scene.materials.size(), 0.4f, 0.2f);
        scene.materials[m].shininess = look.shininess;
        scene.materials[m].shinStrength = look.strength;
        scene.materials[m].selfIllum = look.selfIllum;
        scene.materials[m].transparency = -(1.0f - look.opacity);
        scene.materials[m].specular[1] = 0.5f;
    }
}

// Wide and narrow triangles over and across the borders of the image, each material (and one
// index beyond them, which shades with the defaults) on some; every fifth triangle drawn twice
// with another material, tying its own depths; normals bent, and on a few corners zero, huge or
// NaN.
struct FourWideScene {
    SceneBuilder scene{W / 2, H / 2};

    explicit FourWideScene(int lightCount)
    {
        StrewnTriangles strewn(19, W, H, 20.0f, 0.9f);
        for (int k = 0; k < 60; ++k) {
            const auto [a, b, c] = strewn.Next(k % 3 == 0 ? 70.0f : (k % 3 == 1 ? 14.0f : 3.0f));
            const uint16_t material = static_cast<uint16_t>(k % 7 == 6 ? 9 : k % 6);
            scene.AddFacing(a, b, c, k % 4 != 0, material);
            if (k % 5 == 0)
                scene.AddFacing(a, b, c, k % 4 != 0, static_cast<uint16_t>((k + 1) % 6));
        }
        // Edges from far outside the image, whose figures are too large to narrow a box by.
        scene.AddFacing({-1e5f, 30.0f, 10.0f}, {50.0f, -2e5f, 0.0f}, {60.0f, 40.0f, 5.0f}, true, 2);
        scene.AddFacing({20.0f, 20.0f, 60.0f}, {1e30f, 25.0f, 60.0f}, {30.0f, 35.0f, 60.0f}, true,
                        3);
        for (size_t p = 0; p < scene.points.size(); ++p) {
            __Point3ds& point = scene.points[p];
            point.nx = strewn.Tilt();
            point.ny = strewn.Tilt();
            point.nz = p % 3 == 0 ? -0.5f : 1.0f;
            if (p % 41 == 0)
                point.nx = point.ny = point.nz = 0.0f;
            if (p % 53 == 0)
                point.nz = 1e30f;
            if (p % 97 == 0)
                point.ny = NAN;
        }
        AddMaterialsByFours(scene);
        const float multipliers[] = {1.0f, 4.0f, -1.0f, 0.5f, 1.7f, 2.0f};
        for (int k = 0; k < lightCount; ++k)
            scene.AddLight(300.0f - 150.0f * k, -200.0f + 90.0f * k, k % 3 == 2 ? -300.0f : 800.0f,
                           multipliers[k]);
    }
};

using FourWide = WholeScenes;

TEST_P(FourWide, SpanInteriorsByFoursDrawWhatOnePixelAtATimeDraws)
{
    const Setting& s = GetParam();
    FourWideScene scene(s.lights);
    TestImage source(W, H, s.deep);
    FillPattern(source, 5, 11, 70);
    const std::vector<uint8_t> byFours = DrawOver(scene.scene, source);
    EXPECT_TRUE(byFours == ThroughTheSlot([&] { return DrawOver(scene.scene, source); }));
    EXPECT_FALSE(byFours == source.Snapshot()) << "the scene draws something";
}

INSTANTIATE_TEST_SUITE_P(
    ModesAndSettings, FourWide,
    ::testing::Values(Setting{DrawMode::Phong, 1, false, 0, 0, 1, 0, false, false, 2},
                      Setting{DrawMode::Phong, 1, true, 0, 0, 1, 1, false, false, 2},
                      Setting{DrawMode::Phong, 0, false, 1, 1, 1, 0, false, false, 6},
                      Setting{DrawMode::Phong, 0, true, 0, 1, 1, 0, false, false, 1},
                      Setting{DrawMode::Phong, 1, false, 1, 0, 1, 1, false, false, 6},
                      Setting{DrawMode::Flat, 1, false, 0, 0, 1, 0, false, false, 2},
                      Setting{DrawMode::Flat, 1, true, 1, 1, 1, 0, false, false, 6},
                      Setting{DrawMode::Flat, 0, false, 0, 0, 1, 0, false, false, 1},
                      Setting{DrawMode::Flat, 0, true, 0, 1, 1, 0, false, false, 2}),
    [](const ::testing::TestParamInfo<Setting>& info) {
        return std::to_string(info.index);
    });

// The k-th material and lights of a run comparing one way of shading with another: strength 0
// (the highlight is left out where it cannot count), exponents that make pow overflow or divide
// by zero, infinite highlight colours, lights behind the surface and multipliers beyond 1.
material3ds TrialMaterial(int k, std::mt19937& random)
{
    const float shininess[] = {1.5f, 0.0f, -0.5f, 0.004f, NAN, 3.0f};
    const float strength[] = {0.0f, -0.0f, 0.9f, INFINITY, 10.0f, NAN};
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    material3ds m;
    std::memset(&m, 0, sizeof m);
    for (int c = 0; c < 3; ++c) {
        m.diffuse[c] = 0.5f + 0.5f * unit(random);
        m.specular[c] = k % 7 == 0 ? INFINITY : 0.5f + 0.5f * unit(random);
    }
    m.shininess = shininess[k % 6];
    m.shinStrength = strength[(k / 6) % 6];
    return m;
}

template <size_t Count>
void TrialLights(int k, std::mt19937& random, light3ds (&lights)[Count])
{
    const float multiplier[] = {1.0f, -1.0f, 4.0f, 0.3f, 1e30f};
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    std::memset(lights, 0, sizeof lights);
    for (light3ds& l : lights) {
        for (int c = 0; c < 3; ++c) {
            l.pos[c] = 500.0f * unit(random);
            l.color[c] = 0.5f + 0.5f * unit(random);
        }
        l.multiplier = multiplier[(k / 36) % 5];
    }
}

// Each lane of the four-wide shader against the one-pixel shader, over the same materials,
// lights and settings as the plain-loop test below, with lanes that share a normal (where the
// highlight is left out in all four or in none) and lanes that do not.
TEST(FourWideSteps, EachLaneOfTheShaderIsThePixelShader)
{
    EngineSettingsGuard guard;
    std::mt19937 random(23);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    for (int k = 0; k < 3000; ++k) {
        material3ds m = TrialMaterial(k, random);
        m.selfIllum = k % 5 == 0 ? 0.3f : (k % 5 == 1 ? 1.2f : 0.0f);
        light3ds lights[6];
        TrialLights(k, random, lights);
        const int lightCount = 1 + k % 6;
        _DrawBackFaces1 = k % 11 == 0;
        _DubleSide = k % 13 == 0;
        ChannelMax = k % 2 ? 32768 : 255;
        __Triangle3ds triangle{};
        TriangleShading s;
        PrepareTriangleShading(s, &triangle, &m, 1, nullptr, lightCount, lights, nullptr);
        ASSERT_TRUE(ShadingByFours(s, 0));
        ShadingByFoursLanes lanes;
        PrepareShadingByFours(lanes, s);

        alignas(16) float n[3][4], px[4], py[4], pz[4];
        for (int j = 0; j < 4; ++j) {
            const bool shared = k % 3 == 0 && j > 0;
            for (int c = 0; c < 3; ++c)
                n[c][j] = shared ? n[c][0] : unit(random);
            if (k % 17 == 0 && j == 1)
                n[0][j] = n[1][j] = n[2][j] = 0.0f;
            if (k % 23 == 0 && j == 2)
                n[2][j] = 1e30f;
            px[j] = 100.0f * unit(random);
            py[j] = k % 2 && j > 0 ? py[0] : 100.0f * unit(random);
            pz[j] = shared ? pz[0] : 50.0f * unit(random);
        }
        const Lanes normal[3] = {_mm_load_ps(n[0]), _mm_load_ps(n[1]), _mm_load_ps(n[2])};
        Lanes colour[3];
        ShadeTrianglePixels4(s, lanes, _mm_load_ps(px), _mm_load_ps(py), _mm_load_ps(pz), normal,
                             colour);
        alignas(16) float got[3][4];
        for (int c = 0; c < 3; ++c)
            _mm_store_ps(got[c], colour[c]);
        for (int j = 0; j < 4; ++j) {
            float expected[3];
            ShadeTrianglePixel(s, 0.0f, 0.0f, nullptr, nullptr, px[j], py[j], pz[j], expected[0],
                               expected[1], expected[2], LanesOf(n[0][j], n[1][j], n[2][j]), 0,
                               0.0f, 0.0f, nullptr, 0.0f, 0.0f, 1.0f, 0.0f);
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(std::memcmp(&got[c][j], &expected[c], 4), 0)
                    << k << " lane " << j << ": " << got[c][j] << " against " << expected[c];
        }
    }
}

// The four-wide depth test against DepthTest pixel by pixel: planes slanted and nearly facing
// the viewer (which take the corner's depth), stored depths in front, behind, equal (an equal
// depth fails), infinite and NaN, and any subset of the four pixels asked for.
TEST(FourWideSteps, TheDepthTestIsThatOfEachPixel)
{
    EngineSettingsGuard guard;
    constexpr int width = 12;
    std::vector<float> one(width * 3), four(width * 3);
    Zwidth = width;
    Zheight = 3;
    std::mt19937 random(29);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    for (int k = 0; k < 4000; ++k) {
        const float nz = k % 7 == 0 ? 0.005f * unit(random) : unit(random);
        const float nx = unit(random), ny = unit(random), d = 40.0f * unit(random);
        __Point3ds corner{};
        corner.z = 30.0f * unit(random);
        const int x = static_cast<int>((unit(random) + 1.0f) * 4.0f); // 0..8
        const int y = k % 3;
        const int valid = 1 + k % 15;
        for (int j = 0; j < 4; ++j) {
            const float fx = static_cast<float>(x + j), fy = static_cast<float>(y);
            const double exact = std::fabs(nz) >= 0.01f
                                     ? -(static_cast<double>(d) + static_cast<double>(ny) * fy +
                                         static_cast<double>(nx) * fx) / nz
                                     : static_cast<double>(corner.z);
            const float choices[] = {static_cast<float>(exact), static_cast<float>(exact) - 1.0f,
                                     static_cast<float>(exact) + 1.0f, -INFINITY, INFINITY, NAN};
            one[x + j + y * width] = choices[(k + j) % 6];
        }
        four = one;
        const int index = x + y * width;
        ZBuff = one.data();
        int expected = 0;
        float expectedDepth[4] = {};
        for (int j = 0; j < 4; ++j) {
            float depth, previous;
            int zIndex;
            if ((valid & (1 << j)) &&
                DepthTest(static_cast<float>(x + j), static_cast<float>(y), d, ny, nx, nz,
                          corner, 0.0f, 0.0f, depth, zIndex, previous)) {
                expected |= 1 << j;
                expectedDepth[j] = depth;
            }
        }
        ZBuff = four.data();
        Lanes depth;
        const int pass = DepthTest4(x, DepthRow(static_cast<float>(y), d, ny, nx, nz, corner),
                                    index, valid, depth);
        ASSERT_EQ(pass, expected) << k;
        alignas(16) float got[4];
        _mm_store_ps(got, depth);
        for (int j = 0; j < 4; ++j) {
            if (pass & (1 << j)) {
                ASSERT_EQ(std::memcmp(&got[j], &expectedDepth[j], 4), 0) << k << " lane " << j;
            }
        }
        ASSERT_EQ(std::memcmp(one.data(), four.data(), one.size() * 4), 0) << k;
    }
    ZBuff = nullptr;
}

// The four-wide pixel write against BlendPixel at 8 and 16 bits: full cover, part cover and
// none, over transparent and opaque pixels, any subset of the four.
TEST(FourWideSteps, TheWriteIsThatOfEachPixel)
{
    EngineSettingsGuard guard;
    std::mt19937 random(31);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    Zwidth = 8;
    Zheight = 2;
    RowStride = 4 * 8;
    for (int deep = 0; deep < 2; ++deep) {
        ChannelMax = deep ? 32768 : 255;
        const float top = static_cast<float>(ChannelMax);
        for (int k = 0; k < 2000; ++k) {
            std::vector<unsigned char> one(8 * 2 * 4 * (deep ? 2 : 1));
            for (size_t e = 0; e < one.size(); ++e)
                one[e] = static_cast<unsigned char>(random() & (k % 4 == 0 ? 0 : 255));
            std::vector<unsigned char> four = one;
            const float coverages[] = {1.0f, 0.5f, 0.0f, 0.999f};
            const float coverage = coverages[k % 4];
            alignas(16) float c[3][4];
            for (auto& channel : c)
                for (float& value : channel) {
                    const float pick = unit(random);
                    value = pick < 0.1f ? 0.0f : (pick > 0.9f ? top : pick * top);
                }
            const int x = k % 5, y = k % 2, mask = k % 16;
            for (int j = 0; j < 4; ++j)
                if (mask & (1 << j)) {
                    if (deep)
                        BlendPixel<uint16_t>(one.data(), c[0][j], c[1][j], c[2][j], x + j, y,
                                             coverage);
                    else
                        BlendPixel<uint8_t>(one.data(), c[0][j], c[1][j], c[2][j], x + j, y,
                                            coverage);
                }
            const Lanes colour[3] = {_mm_load_ps(c[0]), _mm_load_ps(c[1]), _mm_load_ps(c[2])};
            if (deep)
                BlendPixels4<uint16_t>(four.data(), colour, x, y, mask, coverage);
            else
                BlendPixels4<uint8_t>(four.data(), colour, x, y, mask, coverage);
            ASSERT_TRUE(one == four) << (deep ? "16" : "8") << " bits, " << k;
        }
    }
}

// The default shader's lighting as a plain loop over the lights, for materials without maps or
// glass: normal turned and normalised, material or default values, each light's N.L times its
// multiplier, the highlight pow(d, 100 x shininess) x strength, and the clamp.
float ReferenceShade(const material3ds* material, const __Point& normal, const float point[3],
                     const light3ds* lights, int lightCount, float top, float out[3])
{
    float n[3] = {normal.x, normal.y, normal.z};
    if (_DrawBackFaces1)
        for (float& c : n)
            c = -c;
    if (_DubleSide && n[2] < 0.0f)
        n[2] = -n[2];
    float len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (len != 0.0f)
        for (float& c : n)
            c /= len;
    float opacity = 1.0f, diffuse[3] = {0.5f, 0.5f, 0.5f}, specular[3] = {1.0f, 1.0f, 1.0f};
    float exponent = 150.0f, strength = 10.0f, selfIllum = 0.0f;
    if (material) {
        const float t = -material->transparency;
        opacity = 1.0f - (t > 1.0f ? 1.0f : (t > 0.0f ? t : 0.0f));
        for (int c = 0; c < 3; ++c) {
            diffuse[c] = material->diffuse[c];
            specular[c] = material->specular[c];
        }
        exponent = 100.0f * material->shininess;
        strength = material->shinStrength;
        selfIllum = material->selfIllum;
    }
    float sum[3] = {0.0f, 0.0f, 0.0f};
    for (int k = 0; k < lightCount; ++k) {
        float l[3];
        for (int c = 0; c < 3; ++c)
            l[c] = lights[k].pos[c] - point[c];
        float ll = std::sqrt(l[0] * l[0] + l[1] * l[1] + l[2] * l[2]);
        if (ll != 0.0f)
            for (float& c : l)
                c /= ll;
        float d = (n[0] * l[0] + n[1] * l[1] + n[2] * l[2]) * lights[k].multiplier;
        if (!(d > 0.0f))
            d = 0.0f;
        const float s = maths::Pow(d, exponent) * strength;
        const float f = d * (1.0f - selfIllum) + selfIllum;
        for (int c = 0; c < 3; ++c)
            sum[c] += (f * diffuse[c] + s * specular[c]) * lights[k].color[c];
    }
    for (int c = 0; c < 3; ++c) {
        const float v = sum[c] * top;
        out[c] = v > top ? top : (v > 0.0f ? v : 0.0f);
    }
    return opacity;
}

TEST(DefaultShader, LightingIsThatOfThePlainLoop)
{
    EngineSettingsGuard guard;
    std::mt19937 random(5);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    int compared = 0;
    for (int k = 0; k < 4000; ++k) {
        material3ds m = TrialMaterial(k, random);
        m.selfIllum = k % 5 == 0 ? 0.3f : 0.0f;
        m.transparency = -0.25f * (k % 3);
        light3ds lights[2];
        TrialLights(k, random, lights);
        _DrawBackFaces1 = k % 11 == 0;
        _DubleSide = k % 13 == 0;
        __Point normal{unit(random), unit(random), k % 17 == 0 ? 0.0f : unit(random)};
        if (k % 19 == 0)
            normal = __Point{0.0f, 0.0f, 0.0f};
        const float point[3] = {100.0f * unit(random), 100.0f * unit(random), 50.0f * unit(random)};
        __Triangle3ds triangle{};
        ChannelMax = k % 2 ? 32768 : 255;
        const float top = static_cast<float>(ChannelMax);
        float expected[3], got[3];
        const float expectedOpacity =
            ReferenceShade(&m, normal, point, lights, 1 + k % 2, top, expected);
        __Point given = normal;
        const float opacity = DefaultRenderOnePixel(
            0.0f, 0.0f, nullptr, nullptr, point[0], point[1], point[2], &triangle, &m, 1, got[0],
            got[1], got[2], &given, 0, 0.0f, 0.0f, nullptr, 1 + k % 2, lights, nullptr, nullptr,
            0.0f, 0.0f, 1.0f, 0.0f);
        ASSERT_EQ(std::memcmp(&opacity, &expectedOpacity, 4), 0) << k;
        ASSERT_EQ(std::memcmp(got, expected, sizeof got), 0)
            << k << ": " << got[0] << " " << got[1] << " " << got[2] << " against " << expected[0]
            << " " << expected[1] << " " << expected[2];
        ++compared;
    }
    EXPECT_EQ(compared, 4000);
}

// The plain formulas the lane-wise interpolation must reproduce bit for bit.
TEST(LaneInterpolation, WeightsAndNormalsAreThoseOfThePlainFormulas)
{
    EngineSettingsGuard guard;
    std::mt19937 random(11);
    std::uniform_real_distribution<float> coordinate(-300.0f, 300.0f), normal(-1.0f, 1.0f);
    int compared = 0;
    for (int triangle = 0; triangle < 200; ++triangle) {
        __Point3ds v[3];
        std::memset(v, 0, sizeof v);
        for (__Point3ds& p : v) {
            p.x = coordinate(random);
            p.y = coordinate(random);
            p.nx = normal(random);
            p.ny = normal(random);
            p.nz = normal(random);
        }
        _Quality = 1;
        _UsePhong2 = triangle % 2;
        InterpolationSetup setup;
        PrepareInterpolation(setup, v, 0.0f, 0.0f, false);
        if (setup.area == 0.0f)
            continue;
        for (int pixel = 0; pixel < 50; ++pixel) {
            const float x = std::floor(coordinate(random)), y = std::floor(coordinate(random));
            float w[3];
            BarycentricWeights(setup.px, setup.py, setup.area, x, y, w);
            float n[3][3];
            for (int k = 0; k < 3; ++k) {
                const float raw[3] = {v[k].nx, v[k].ny, v[k].nz};
                const float len = std::sqrt(raw[0] * raw[0] + raw[1] * raw[1] + raw[2] * raw[2]);
                for (int c = 0; c < 3; ++c)
                    n[k][c] = len != 0.0f ? raw[c] / len : raw[c];
            }
            float expected[3];
            for (int c = 0; c < 3; ++c) {
                if (_UsePhong2) {
                    const float q0 = ((&v[0].nx)[c] + (&v[1].nx)[c]) / 2;
                    const float q1 = ((&v[1].nx)[c] + (&v[2].nx)[c]) / 2;
                    const float q2 = ((&v[2].nx)[c] + (&v[0].nx)[c]) / 2;
                    expected[c] = w[0] * w[0] * n[0][c] + w[1] * w[1] * n[1][c] +
                                  w[2] * w[2] * n[2][c] + w[0] * w[1] * q0 +
                                  2 * w[1] * w[2] * q1 + w[2] * w[0] * q2;
                } else {
                    expected[c] = w[0] * n[0][c] + w[1] * n[1][c] + w[2] * n[2][c];
                }
            }
            __Point got;
            float u, vv;
            InterpolateNormalAndUV(setup, x, y, 0.0f, false, got, u, vv);
            ASSERT_EQ(std::memcmp(&got.x, &expected[0], 4), 0) << x << "," << y;
            ASSERT_EQ(std::memcmp(&got.y, &expected[1], 4), 0) << x << "," << y;
            ASSERT_EQ(std::memcmp(&got.z, &expected[2], 4), 0) << x << "," << y;
            ++compared;
        }
    }
    EXPECT_GT(compared, 5000);
}

TEST(EdgeShortcut, APixelCalledFarHasNoCoverage)
{
    std::mt19937 random(3);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    int far = 0;
    for (int edge = 0; edge < 3000; ++edge) {
        // Edges from a pixel long to thousands, some with ends far outside any image.
        const float reach = edge % 3 == 0 ? 2.0f : (edge % 3 == 1 ? 300.0f : 3e5f);
        const float x0 = (unit(random) - 0.5f) * reach, y0 = (unit(random) - 0.5f) * reach;
        const float x1 = (unit(random) - 0.5f) * reach, y1 = (unit(random) - 0.5f) * reach;
        const EdgeLineCoefs line = EdgeLine(x0, y0, x1, y1);
        const EdgeSegment segment = SegmentOf(line, x0, y0, x1, y1);
        for (int pixel = 0; pixel < 40; ++pixel) {
            const float x = std::floor((unit(random) - 0.5f) * 200.0f);
            const float y = std::floor((unit(random) - 0.5f) * 200.0f);
            if (!FarFromFilledEdge(segment, x, y))
                continue;
            ++far;
            ASSERT_EQ(EdgeCoverage<EdgeFalloff::Filled>(line.a, line.b, line.c, line.lengthSq,
                                                        line.length, x, y, 1.0f, x0, y0, x1, y1),
                      0.0f)
                << x0 << "," << y0 << " to " << x1 << "," << y1 << " at " << x << "," << y;
        }
    }
    EXPECT_GT(far, 10000);
}

TEST(EdgeShortcut, ColumnsLeftOutOfAnEdgeBoxHaveNoCoverage)
{
    std::mt19937 random(37);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    constexpr int columns = 160, rows = 60;
    long long leftOut = 0, covered = 0;
    for (int edge = 0; edge < 1500; ++edge) {
        // Short, long and far-reaching edges, and edges along a row or a column.
        const float reach = edge % 3 == 0 ? 3.0f : (edge % 3 == 1 ? 400.0f : 3e5f);
        float x0 = columns * unit(random) + (unit(random) - 0.5f) * reach;
        float y0 = rows * unit(random) + (unit(random) - 0.5f) * reach;
        float x1 = x0 + (unit(random) - 0.5f) * reach, y1 = y0 + (unit(random) - 0.5f) * reach;
        if (edge % 7 == 0)
            y1 = y0;
        if (edge % 11 == 0)
            x1 = x0;
        const EdgeSegment segment = SegmentOf(x0, y0, x1, y1);
        if (!NearEdgeColumnsHold(segment, columns - 1, rows - 1))
            continue;
        for (int y = 0; y < rows; ++y) {
            int first = 0, last = columns - 1;
            NearEdgeColumns(segment, y, first, last);
            for (int x = 0; x < columns; ++x) {
                const float coverage = SegmentCoverage<EdgeFalloff::Filled>(
                    segment, static_cast<float>(x), static_cast<float>(y), 1.0f);
                if (x >= first && x <= last) {
                    covered += coverage != 0.0f;
                    continue;
                }
                ++leftOut;
                ASSERT_EQ(coverage, 0.0f) << x0 << "," << y0 << " to " << x1 << "," << y1
                                          << " at " << x << "," << y;
            }
        }
    }
    EXPECT_GT(leftOut, 1000000);
    EXPECT_GT(covered, 5000);
}

// Four columns at a time against one at a time, bit for bit: edges short and long, along a row
// or a column, thinner than the box test's 0.0001, shorter than a tenth of a pixel, reaching far
// outside any image, and with ends that are not numbers; pixels on, beside and past the ends.
TEST(EdgeShortcut, CoverageFourAtATimeIsThatOfEachPixel)
{
    std::mt19937 random(41);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    long long compared = 0, covered = 0;
    for (int edge = 0; edge < 4000; ++edge) {
        const float reach = edge % 4 == 0 ? 3.0f : (edge % 4 == 1 ? 60.0f : (edge % 4 == 2 ? 0.05f : 3e5f));
        float x0 = 40.0f * unit(random), y0 = 40.0f * unit(random);
        float x1 = x0 + (unit(random) - 0.5f) * reach, y1 = y0 + (unit(random) - 0.5f) * reach;
        if (edge % 7 == 0)
            y1 = y0;
        if (edge % 11 == 0)
            x1 = x0;
        if (edge % 13 == 0)
            x1 = x0 + 0.00005f;
        if (edge % 17 == 0)
            y1 = y0 - 0.00005f;
        if (edge % 101 == 0)
            x1 = NAN;
        if (edge % 103 == 0)
            y0 = INFINITY;
        const EdgeSegment segment = SegmentOf(x0, y0, x1, y1);
        for (int row = 0; row < 12; ++row) {
            const int y = static_cast<int>(std::floor(y0 + (unit(random) - 0.5f) * 8.0f));
            const int x = static_cast<int>(std::floor(x0 + (unit(random) - 0.7f) * 10.0f));
            alignas(16) float lanes[4];
            _mm_store_ps(lanes, FilledCoverage4(segment, ColumnLanes(x), static_cast<float>(y)));
            for (int k = 0; k < 4; ++k) {
                const float one = FilledCoverage(segment, static_cast<float>(x + k),
                                                 static_cast<float>(y));
                ASSERT_EQ(std::memcmp(&one, &lanes[k], sizeof one), 0)
                    << x0 << "," << y0 << " to " << x1 << "," << y1 << " at " << x + k << ","
                    << y << ": " << one << " and " << lanes[k];
                ++compared;
                covered += one != 0.0f && one != 1.0f;
            }
        }
    }
    EXPECT_GT(compared, 150000);
    EXPECT_GT(covered, 5000) << "partly covered pixels are among them";
}

TEST(KeptBuffers, ACallDrawsTheSameAfterCallsOfOtherSizesDepthsAndModes)
{
    EngineSettingsGuard guard;
    EngineSettingsGuard::ResetToLoadValues();
    UseDrawMode(DrawMode::Phong);
    BusyScene scene(false, true, false);
    const std::vector<uint8_t> first = scene.Draw(false);

    // Other sizes, depths and modes in between, and the buffers given back once.
    _Deep = 1;
    UseDrawMode(DrawMode::Bezier);
    scene.Draw(true);
    _Deep = 0;
    SceneBuilder other(20, 10);
    other.AddRectangle(2, 2, 30, 18, 0);
    other.AddFlatMaterial(1, 0, 0);
    TestImage small(40, 20, false);
    other.Render(small);
    UseDrawMode(DrawMode::Phong);
    EXPECT_TRUE(scene.Draw(false) == first);
    ReleaseSceneBuffers();
    EXPECT_TRUE(scene.Draw(false) == first);
    EXPECT_EQ(ScratchImage, nullptr) << "between calls the buffers are out of sight";
    EXPECT_EQ(ZBuff, nullptr);
}

} // namespace

// The engine's exported settings: load values, accessors, registrations, sort, perspective and
// the 8/16-bit conversions.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "engine/engine_exports.h"
#include "engine/engine_state.h"
#include "platform/pages.h"
#include "shading/pixel_shader.h"

namespace {

// The load values, checked before any test changes them (this program's first test to run).
TEST(EngineSettings, HoldTheirLoadValues)
{
    EXPECT_EQ(_DrawMode, 6);
    EXPECT_EQ(_Quality, 1);
    EXPECT_EQ(_Deep, 0);
    EXPECT_EQ(_DrawBackFaces, 0);
    EXPECT_EQ(_DrawBackFaces1, 0);
    EXPECT_EQ(_DubleSide, 0);
    EXPECT_EQ(_UseMultyRefract, 1);
    EXPECT_EQ(_UsePhong2, 0);
    EXPECT_EQ(_UseGlass, 0);
    EXPECT_EQ(_UseCustomMats, 1);
    EXPECT_EQ(_UsePersp, 0);
    EXPECT_EQ(_UseReflection, 0);
    EXPECT_EQ(_WireSize, 1.0f);
    EXPECT_EQ(_Persp_Val, 0.0f);
    EXPECT_EQ(_Persp_x, 0.0f);
    EXPECT_EQ(_Persp_y, 0.0f);
    EXPECT_EQ(_Persp_Far, 1000.0f);
    EXPECT_EQ(ZBuff, nullptr);
    EXPECT_EQ(Zwidth, 0);
    EXPECT_EQ(Zheight, 0);
    EXPECT_EQ(DefaultLight, nullptr);
    EXPECT_EQ(RenderOnePixel, &DefaultRenderOnePixel);
    EXPECT_EQ(__mmx_present(), 1);
}

TEST(EngineSettings, QualityIsOnlyEverZeroOrOne)
{
    uint8_t saved = _Quality;
    __SetQuality(7);
    EXPECT_EQ(__GetQuality(), 1);
    __SetQuality(2);
    EXPECT_EQ(_Quality, 1);
    __SetQuality(0);
    EXPECT_EQ(_Quality, 0);
    __SetQuality(255);
    EXPECT_EQ(_Quality, 1);
    _Quality = saved;
}

TEST(EngineSettings, OtherSettersStoreTheirArgumentUnchanged)
{
    uint8_t saved = _UseMultyRefract;
    __SetUseMultyRefract(2);
    EXPECT_EQ(_UseMultyRefract, 2);
    EXPECT_EQ(__GetUseMultyRefract(), 2);
    __SetUseMultyRefract(saved);
    uint8_t savedMode = _DrawMode;
    __SetDrawMode(10);
    EXPECT_EQ(__GetDrawMode(), 10);
    __SetDrawMode(savedMode);
}

TEST(DepthBufferRegistration, RegistersAndDropsTheBuffer)
{
    float depth[6] = {};
    __SetZBuff(depth, 3, 2);
    float* buffer = nullptr;
    int w = 0, h = 0;
    __GetZBuff(buffer, w, h);
    EXPECT_EQ(buffer, depth);
    EXPECT_EQ(w, 3);
    EXPECT_EQ(h, 2);

    // A zero or negative size drops the registration even with a valid pointer.
    __SetZBuff(depth, 0, 2);
    __GetZBuff(buffer, w, h);
    EXPECT_EQ(buffer, nullptr);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
    __SetZBuff(depth, 3, -1);
    EXPECT_EQ(ZBuff, nullptr);
    __SetZBuff(depth, 3, 2);
    __SetZBuff(nullptr, 3, 2);
    EXPECT_EQ(ZBuff, nullptr);
    EXPECT_EQ(Zwidth, 0);
}

float StubShader(float, float, unsigned char*, unsigned char*, float, float, float, __Triangle3ds*,
                 material3ds*, int, float&, float&, float&, __Point*, unsigned char, float, float,
                 __Texture*, int, light3ds*, __PrevInfo*, GlassProp*, float, float, float, float)
{
    return 0.25f;
}

TEST(ShaderSlot, InstallsACallersShaderAndPutsTheDefaultBack)
{
    __SetNewRenderOnePixel(StubShader);
    EXPECT_EQ(RenderOnePixel, &StubShader);
    __SetDefRenderOnePixel();
    EXPECT_EQ(RenderOnePixel, &DefaultRenderOnePixel);
}

TEST(DefaultLightRegistration, RegistersWithoutCopying)
{
    light3ds light{};
    __SetLightDef(&light);
    EXPECT_EQ(DefaultLight, &light);
    __SetLightDef(nullptr);
    EXPECT_EQ(DefaultLight, nullptr);
}

// A scene of n triangles over 3n points whose depth sums are given.
struct SortScene {
    std::vector<__Point3ds> points;
    std::vector<__Triangle3ds> triangles;
    explicit SortScene(const std::vector<float>& corners)  // three z values per triangle
    {
        points.resize(corners.size());
        for (size_t i = 0; i < corners.size(); ++i)
            points[i].z = corners[i];
        for (size_t t = 0; t < corners.size() / 3; ++t) {
            __Triangle3ds tri{};
            tri.a = int(3 * t);
            tri.b = int(3 * t + 1);
            tri.c = int(3 * t + 2);
            tri.material = uint16_t(t);
            triangles.push_back(tri);
        }
    }
    std::vector<int> Order() const
    {
        std::vector<int> order;
        for (const auto& t : triangles)
            order.push_back(t.material);
        return order;
    }
};

TEST(DepthSort, OrdersBySumOfCornerDepthsFarthestFirst)
{
    // The key is the sum, not the nearest corner: triangle 0 has the nearest corner (50) but
    // the smallest sum (-20), so it is drawn first.
    SortScene scene({50, -40, -30, 10, 10, 10, 0, 0, 1, -5, -5, -5});
    __Sort(int(scene.triangles.size()), scene.triangles.data(), scene.points.data());
    EXPECT_EQ(scene.Order(), (std::vector<int>{0, 3, 2, 1}));
}

TEST(DepthSort, NonPositiveCountOrNullArraysDoNothing)
{
    SortScene scene({3, 3, 3, 1, 1, 1});
    __Sort(0, scene.triangles.data(), scene.points.data());
    EXPECT_EQ(scene.Order(), (std::vector<int>{0, 1}));
    __Sort(-5, scene.triangles.data(), scene.points.data());
    EXPECT_EQ(scene.Order(), (std::vector<int>{0, 1}));
    __Sort(2, nullptr, scene.points.data());
    __Sort(2, scene.triangles.data(), nullptr);
    EXPECT_EQ(scene.Order(), (std::vector<int>{0, 1}));
}

TEST(DepthSort, NaNDepthsStayInBoundsAndSortFirst)
{
    SortScene scene({1, 1, 1, NAN, 0, 0, 5, 5, 5, -1, -1, -1});
    __Sort(4, scene.triangles.data(), scene.points.data());
    EXPECT_EQ(scene.Order(), (std::vector<int>{1, 3, 0, 2}));
}

class Perspective : public ::testing::Test {
protected:
    void TearDown() override { __AddPersp(0, nullptr, 0.0f, 0.0f, 0.0f, 1000.0f); }
    static __Point3ds PointAt(float x, float y, float z)
    {
        __Point3ds p{};
        p.x = x;
        p.y = y;
        p.z = z;
        return p;
    }
};

TEST_F(Perspective, ZeroFarOrZeroValueOnlyRecordsTheValues)
{
    __Point3ds p = PointAt(10, 20, 500);
    __AddPersp(1, &p, 1.0f, 3.0f, 4.0f, 0.0f);
    EXPECT_EQ(_Persp_Val, 1.0f);
    EXPECT_EQ(_Persp_x, 3.0f);
    EXPECT_EQ(_Persp_y, 4.0f);
    EXPECT_EQ(_Persp_Far, 0.0f);
    EXPECT_EQ(p.x, 10.0f);
    __AddPersp(1, &p, 0.0f, 3.0f, 4.0f, 1000.0f);
    EXPECT_EQ(_Persp_Far, 1000.0f);
    EXPECT_EQ(p.x, 10.0f);
    EXPECT_EQ(p.y, 20.0f);
}

TEST_F(Perspective, MovesPointsAwayFromTheCentreByDepth)
{
    __Point3ds p = PointAt(110, 40, 500);
    p.nx = 0.5f;
    __AddPersp(1, &p, 7.0f, 10.0f, 20.0f, 1000.0f);  // f = 0.5
    EXPECT_FLOAT_EQ(p.x, 210.0f);
    EXPECT_FLOAT_EQ(p.y, 60.0f);
    EXPECT_EQ(p.z, 500.0f);
    EXPECT_EQ(p.nx, 0.5f);
}

TEST_F(Perspective, APointAtTheEyeIsSentFarOutInsteadOfDividingByZero)
{
    __Point3ds p = PointAt(11, 20, 1000);
    __AddPersp(1, &p, 1.0f, 10.0f, 20.0f, 1000.0f);
    EXPECT_TRUE(std::isfinite(p.x));
    EXPECT_FLOAT_EQ(p.x, 1.0f / 1e-8f + 10.0f);
    EXPECT_EQ(p.y, 20.0f);
}

// An image of `count` elements in a page block, filled from `values` repeated.
unsigned char* PageImage8(const std::vector<unsigned char>& values)
{
    auto* block = static_cast<unsigned char*>(PageAllocate(values.size()));
    std::memcpy(block, values.data(), values.size());
    return block;
}

std::vector<uint16_t> Elements16(const unsigned char* buffer, size_t count)
{
    std::vector<uint16_t> out(count);
    std::memcpy(out.data(), buffer, count * 2);
    return out;
}

TEST(DepthConversions, FullScaleAndRoundingBothWays)
{
    unsigned char* image = PageImage8({0, 1, 128, 255, 254, 127, 64, 255});
    __ConvertBYTE8TO16(&image, 123, 2, 4);  // width is not used: 2 rows of 4 elements
    std::vector<uint16_t> deep = Elements16(image, 8);
    EXPECT_EQ(deep[0], 0);
    EXPECT_EQ(deep[1], (1 * 32768 + 128) / 255);
    EXPECT_EQ(deep[2], (128 * 32768 + 128) / 255);
    EXPECT_EQ(deep[3], 32768);
    __ConvertBYTE16TO8(&image, 0, 2, 4);
    const unsigned char back[8] = {0, 1, 128, 255, 254, 127, 64, 255};
    EXPECT_EQ(std::memcmp(image, back, 8), 0);
    PageRelease(image);
}

TEST(DepthConversions, CountThatIsNotWholePixelsIsConvertedExactly)
{
    // 1 row of 6 elements: one and a half pixels. Every element is converted, none beyond.
    unsigned char* image = PageImage8({255, 255, 255, 255, 255, 255});
    __ConvertBYTE8TO16(&image, 0, 1, 6);
    std::vector<uint16_t> deep = Elements16(image, 6);
    for (uint16_t e : deep)
        EXPECT_EQ(e, 32768);
    __ConvertBYTE16TO8(&image, 0, 1, 6);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(image[i], 255);
    PageRelease(image);
}

TEST(DepthConversions, UnusableSizesKeepTheOldBuffer)
{
    unsigned char* image = PageImage8({1, 2, 3, 4});
    unsigned char* before = image;
    __ConvertBYTE8TO16(&image, 1, 0, 4);
    EXPECT_EQ(image, before);
    __ConvertBYTE16TO8(&image, 1, 1, -4);
    EXPECT_EQ(image, before);
    // So large that no block can be had: the old buffer and its content stay.
    __ConvertBYTE8TO16(&image, 1, 1 << 30, 1 << 30);
    EXPECT_EQ(image, before);
    EXPECT_EQ(image[3], 4);
    unsigned char* none = nullptr;
    __ConvertBYTE8TO16(&none, 1, 1, 4);
    EXPECT_EQ(none, nullptr);
    PageRelease(image);
}

TEST(TextureConversion, FollowsDeepOnceAndIgnoresAbsentTextures)
{
    uint8_t savedDeep = _Deep;
    __Texture texture{};
    texture.present = 1;
    texture.width = 2;
    texture.height = 1;
    texture.pixels = PageImage8({10, 20, 30, 255, 0, 0, 0, 0});

    _Deep = 1;
    __ConvertText(&texture);
    EXPECT_EQ(texture.deep, 1);
    unsigned char* converted = texture.pixels;
    EXPECT_EQ(Elements16(converted, 8)[3], 32768);
    __ConvertText(&texture);  // already deep: converts once only
    EXPECT_TRUE(texture.pixels == converted);  // packed field: compared by value, never bound

    _Deep = 0;
    __ConvertText(&texture);
    EXPECT_EQ(texture.deep, 0);
    EXPECT_EQ(texture.pixels[0], 10);
    EXPECT_EQ(texture.pixels[3], 255);

    // present 0: nothing is read or touched, whatever the other fields hold.
    __Texture absent{};
    absent.width = 1000;
    absent.height = 1000;
    absent.pixels = reinterpret_cast<uint8_t*>(uintptr_t(0x10));
    _Deep = 1;
    __ConvertText(&absent);
    EXPECT_EQ(absent.deep, 0);
    EXPECT_TRUE(absent.pixels == reinterpret_cast<uint8_t*>(uintptr_t(0x10)));
    __ConvertText(nullptr);

    _Deep = savedDeep;
    PageRelease(texture.pixels);
}

} // namespace

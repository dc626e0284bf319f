// The fills' walk clipped to the image against the plain walk that visits every pixel of every
// span and box: over many triangles partly or wholly outside a small image, both must leave the
// same pixels, the same depth buffer, the same touched rows, and hand a caller's shader the same
// calls with the same previous pixel (the one thing the skipped pixels leave behind).
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "engine/engine_exports.h"
#include "engine/engine_state.h"
#include "engine/fill_walk.h"
#include "engine/fills.h"
#include "engine/scene.h"
#include "tests/support/scene_builder.h"
#include "tests/support/settings_guard.h"
#include "tests/support/strewn_scene.h"
#include "tests/support/test_image.h"

namespace {

constexpr int W = 48;
constexpr int H = 36;

using fill_walk::FillKind;
using fill_walk::Walk;

// What a caller's shader was handed, and the colour it gives back, made from all of it so that
// a different previous pixel shows in the image too.
struct ShaderCall {
    float x, y, z, normalX, normalY, normalZ, u, v;
    bool hasPrev;
    __PrevInfo prev;

    bool operator==(const ShaderCall& o) const
    {
        return x == o.x && y == o.y && z == o.z && normalX == o.normalX && normalY == o.normalY &&
               normalZ == o.normalZ && u == o.u && v == o.v && hasPrev == o.hasPrev &&
               std::memcmp(&prev, &o.prev, sizeof prev) == 0;
    }
};
std::vector<ShaderCall> Calls;

float RecordingShader(float, float, unsigned char*, unsigned char*, float pointX, float pointY,
                      float pointZ, __Triangle3ds*, material3ds*, int, float& c1, float& c2,
                      float& c3, __Point* normal, unsigned char, float u, float v, __Texture*, int,
                      light3ds*, __PrevInfo* prev, GlassProp*, float, float, float, float)
{
    ShaderCall call{pointX, pointY, pointZ, normal->x, normal->y, normal->z, u, v,
                    prev != nullptr, __PrevInfo{}};
    if (prev)
        call.prev = *prev; // padding included: the fill starts the record zeroed
    Calls.push_back(call);
    const float p = prev ? prev->x * 3.0f + prev->y * 5.0f + prev->u * 7.0f + prev->valid : 1.0f;
    c1 = static_cast<float>((static_cast<int>(p * 13.0f) & 255));
    c2 = static_cast<float>((static_cast<int>((u + v) * 29.0f) & 255));
    c3 = static_cast<float>((static_cast<int>(normal->x * 200.0f) & 255));
    return 0.8f;
}

struct Setting {
    FillKind kind;
    bool quality;
    bool deep;
    bool mapped;       // corners carry texture coordinates and the materials have maps
    bool slotShader;   // a caller's shader in the slot instead of the engine's own
    bool pen;          // the solid fill in a line mode, whose soft edges fall off as a pen's

    std::string Name() const
    {
        std::ostringstream s;
        s << (kind == FillKind::Phong ? "Phong" : kind == FillKind::Flat ? "Flat" : "Solid")
          << (quality ? "Quality" : "Draft") << (deep ? "16" : "8") << (mapped ? "Mapped" : "")
          << (slotShader ? "SlotShader" : "") << (pen ? "Pen" : "");
        return s.str();
    }
};

void PrintTo(const Setting& s, std::ostream* os) { *os << s.Name(); }

// Triangles of every size around and across a W x H image, most of them partly outside it and
// some wholly, with bent normals and, when mapped, a few texels a pixel.
SceneBuilder Triangles(bool mapped, bool deep)
{
    SceneBuilder scene(7, -5);
    StrewnTriangles strewn(11, W, H, 70.0f, 0.7f);
    for (int k = 0; k < 90; ++k) {
        const auto [a, b, c] = strewn.Next(k % 3 == 0 ? 90.0f : (k % 3 == 1 ? 25.0f : 6.0f));
        scene.AddFacing(a, b, c, true, static_cast<uint16_t>(k % 2));
    }
    for (__Point3ds& p : scene.points) {
        p.nx = strewn.Tilt();
        p.ny = strewn.Tilt();
        p.nz = 1.0f;
        p.mapped = mapped ? 1 : 0;
        p.u = p.x / 3.0f;
        p.v = p.y / 2.0f;
    }
    scene.AddLitMaterial(0.7f, 0.3f, 0.2f);
    scene.AddLitMaterial(0.2f, 0.6f, 0.4f);
    scene.materials[0].shininess = 0.5f;
    scene.materials[0].shinStrength = 1.2f;
    scene.AddLight(200.0f, -100.0f, 600.0f);
    if (mapped)
        for (int m = 0; m < 2; ++m)
            scene.AddPatternMap(m, TextureSlotColour, 8, deep, 0.7f, 53, m * 17);
    return scene;
}

// One walk's results over the whole scene.
struct Drawn {
    std::vector<uint8_t> pixels;
    std::vector<float> depth;
    std::vector<int> touchedFirst, touchedLast;
    int touchedTop = INT_MAX, touchedBottom = INT_MIN;
    std::vector<ShaderCall> calls;
    int changed = 0; // pixels that differ from the background
};

template <Walk Which>
Drawn DrawScene(const Setting& s, SceneBuilder& b)
{
    TestImage image(W, H, s.deep), source(W, H, s.deep);
    FillPattern(source, 5, 11, 40);
    image.CopyFrom(source);
    Drawn out;
    std::vector<float> depth(static_cast<size_t>(W) * H, EmptyDepth());
    out.touchedFirst.assign(H, INT_MAX);
    out.touchedLast.assign(H, INT_MIN);
    TouchedRows touched{out.touchedFirst.data(), out.touchedLast.data(), INT_MAX, INT_MIN};
    Zwidth = W;
    Zheight = H;
    RowStride = 4 * W;
    ChannelMax = s.deep ? 32768 : 255;
    _Quality = s.quality ? 1 : 0;
    _Deep = s.deep ? 1 : 0;
    Calls.clear();
    UseDrawMode(s.pen ? DrawMode::Wire : DrawMode::Phong);
    if (s.kind == FillKind::Solid) {
        // The solid fill draws without a depth buffer.
        ZBuff = nullptr;
        for (__Triangle3ds& t : b.triangles)
            fill_walk::SolidFill<Which>(image.Data(), &t, b.points.data(), b.originX, b.originY,
                                        180.0f, 90.0f, 30.0f, 0.75f);
    } else {
        ZBuff = depth.data();
        Scene scene{};
        scene.target = image.Data();
        scene.source = source.Data();
        scene.width = W;
        scene.height = H;
        scene.points = b.points.data();
        scene.originX = b.originX;
        scene.originY = b.originY;
        scene.materials = b.materials.data();
        scene.materialCount = static_cast<int>(b.materials.size());
        scene.textures = b.textures.data();
        scene.lights = b.lights.data();
        scene.lightCount = static_cast<int>(b.lights.size());
        scene.touched = &touched;
        scene.shade = s.slotShader ? RecordingShader : DefaultRenderOnePixel;
        scene.quality = s.quality;
        scene.deep = s.deep;
        for (__Triangle3ds& t : b.triangles) {
            if (s.kind == FillKind::Phong)
                fill_walk::ShadedTriangle<FillKind::Phong, Which>(scene, &t);
            else
                fill_walk::ShadedTriangle<FillKind::Flat, Which>(scene, &t);
        }
        ZBuff = nullptr;
    }
    EXPECT_TRUE(image.GuardsIntact());
    out.pixels = image.Snapshot();
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            for (int c = 0; c < 4; ++c)
                if (image.Get(x, y, c) != source.Get(x, y, c)) {
                    ++out.changed;
                    break;
                }
    out.depth = depth;
    out.touchedTop = touched.top;
    out.touchedBottom = touched.bottom;
    out.calls = Calls;
    return out;
}

class FillClip : public EngineTest, public ::testing::WithParamInterface<Setting> {};

TEST_P(FillClip, TheClippedWalkLeavesWhatThePlainWalkLeaves)
{
    const Setting s = GetParam();
    SceneBuilder scene = Triangles(s.mapped, s.deep);
    const Drawn clipped = DrawScene<Walk::ClippedToImage>(s, scene);
    const Drawn plain = DrawScene<Walk::Plain>(s, scene);

    EXPECT_TRUE(clipped.pixels == plain.pixels);
    EXPECT_TRUE(std::memcmp(clipped.depth.data(), plain.depth.data(),
                            clipped.depth.size() * sizeof(float)) == 0);
    EXPECT_EQ(clipped.touchedFirst, plain.touchedFirst);
    EXPECT_EQ(clipped.touchedLast, plain.touchedLast);
    EXPECT_EQ(clipped.touchedTop, plain.touchedTop);
    EXPECT_EQ(clipped.touchedBottom, plain.touchedBottom);
    ASSERT_EQ(clipped.calls.size(), plain.calls.size());
    for (size_t k = 0; k < clipped.calls.size(); ++k)
        ASSERT_TRUE(clipped.calls[k] == plain.calls[k])
            << "shader call " << k << " at (" << plain.calls[k].x << ", " << plain.calls[k].y
            << ")";

    // The scene reaches the image at all: much of the background is drawn over.
    EXPECT_GT(plain.changed, W * H / 4);
    if (s.slotShader) {
        EXPECT_GT(plain.calls.size(), 50u);
    }
    if (s.kind != FillKind::Solid) {
        EXPECT_LE(plain.touchedTop, plain.touchedBottom);
    }
}

// Every fill at both qualities and element widths; the shaded fills with and without maps and
// through either shader, the solid fill with either falloff.
std::vector<Setting> AllSettings()
{
    std::vector<Setting> out;
    for (FillKind kind : {FillKind::Phong, FillKind::Flat, FillKind::Solid})
        for (bool quality : {true, false})
            for (bool deep : {false, true})
                for (bool first : {false, true})
                    for (bool second : {false, true}) {
                        if (kind != FillKind::Solid)
                            out.push_back({kind, quality, deep, first, second, false});
                        else if (!second)
                            out.push_back({kind, quality, deep, false, false, first});
                    }
    return out;
}

INSTANTIATE_TEST_SUITE_P(Walks, FillClip, ::testing::ValuesIn(AllSettings()),
                         [](const ::testing::TestParamInfo<Setting>& info) {
                             return info.param.Name();
                         });

} // namespace

// The frame render as the host drives it: parameter conversion at the 1920-pixel defaults, the
// output preparation, bit depths, resolution, placement, and layers the host gets wrong.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "effect/entry.h"
#include "effect/params.h"
#include "effect/render_inputs.h"
#include "host/host_ops.h"
#include "host/param_values.h"
#include "host/sequence.h"
#include "platform/pages.h"
#include "tests/support/settings_guard.h"

namespace {

// A host world with padded rows, owning its pixels.
struct World {
    std::vector<uint8_t> pixels;
    PF_LayerDef def{};
    World(A_long width, A_long height, bool deep, A_long padPixels = 3)
    {
        const A_long pixelBytes = deep ? 8 : 4;
        def.width = width;
        def.height = height;
        def.rowbytes = (width + padPixels) * pixelBytes;
        def.world_flags = deep ? PF_WorldFlag_DEEP : 0;
        pixels.assign(size_t(def.rowbytes) * size_t(height) + 1, 0);
        def.data = reinterpret_cast<PF_Pixel*>(pixels.data());
    }
    bool Deep() const { return def.world_flags & PF_WorldFlag_DEEP; }
    // Channel c (0 alpha, 1 red, 2 green, 3 blue) of pixel (x, y), in the world's own units.
    int At(A_long x, A_long y, int c) const
    {
        const uint8_t* row = pixels.data() + size_t(y) * size_t(def.rowbytes);
        if (!Deep())
            return row[x * 4 + c];
        uint16_t e;
        std::memcpy(&e, row + x * 8 + c * 2, 2);
        return e;
    }
    void Fill(int a, int r, int g, int b)
    {
        for (A_long y = 0; y < def.height; ++y)
            for (A_long x = 0; x < def.width; ++x) {
                uint8_t* row = pixels.data() + size_t(y) * size_t(def.rowbytes);
                const int v[4] = {a, r, g, b};
                for (int c = 0; c < 4; ++c) {
                    if (Deep()) {
                        uint16_t e = uint16_t(v[c]);
                        std::memcpy(row + x * 8 + c * 2, &e, 2);
                    } else {
                        row[x * 4 + c] = uint8_t(v[c]);
                    }
                }
            }
    }
    // Pixels whose alpha is not zero: where the tree covers a cleared frame.
    std::vector<bool> Coverage() const
    {
        std::vector<bool> mask;
        for (A_long y = 0; y < def.height; ++y)
            for (A_long x = 0; x < def.width; ++x)
                mask.push_back(At(x, y, 0) != 0);
        return mask;
    }
};

// Rows and columns that hold covered pixels: top, bottom, left, right (or all -1 when none).
struct Box {
    int top = -1, bottom = -1, left = -1, right = -1;
};
Box CoverageBox(const World& w)
{
    Box b;
    for (A_long y = 0; y < w.def.height; ++y)
        for (A_long x = 0; x < w.def.width; ++x)
            if (w.At(x, y, 0) != 0) {
                if (b.top < 0)
                    b.top = int(y);
                b.bottom = int(y);
                if (b.left < 0 || x < b.left)
                    b.left = int(x);
                if (x > b.right)
                    b.right = int(x);
            }
    return b;
}

class RenderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(SetUpEffect(session, EntryPointFunc, nullptr), PF_Err_NONE);
        Layer(96, 54);
    }
    void TearDown() override
    {
        SetDownEffect(session, EntryPointFunc);
        EXPECT_TRUE(SessionProblems(session).empty());
    }
    // The layer the effect is applied to, in-data's width and the point defaults follow it.
    void Layer(int width, int height)
    {
        SetLayerSize(session, width, height);
        ResetParamValues(session);
    }
    void Set(const char* name, const char* value)
    {
        std::string error;
        int32_t index = FindParam(session, name, error);
        ASSERT_GE(index, 0) << error;
        ASSERT_TRUE(SetParamFromText(session, index, value, error)) << error;
    }
    PF_Err Render(World& input, World& output)
    {
        SetInputWorld(session, input.def);
        return CallEffect(session, EntryPointFunc, PF_Cmd_RENDER, &output.def);
    }
    FrameParameters Converted() { return ReadFrameParameters(ParamArray(session)); }
    // What the tree's and the needles' reflection-layer parameters hold; null: no layer.
    void ReflectionLayers(const World* tree, const World* needles)
    {
        session.values[PARAM_TREE_REFLECTION_LAYER].u.ld = tree ? tree->def : PF_LayerDef{};
        session.values[PARAM_NEEDLE_REFLECTION_LAYER].u.ld = needles ? needles->def : PF_LayerDef{};
    }

    EngineSettingsGuard guard;
    HostSession session;
};

TEST_F(RenderTest, DefaultsAt1920PixelsGiveTheDocumentedGeneratorInputs)
{
    Layer(1920, 1080);
    const FrameParameters p = Converted();
    const TreeInputs in = GeneratorInputs(p, 1920, 0);
    EXPECT_EQ(in.trunkLength, 480.0f);
    EXPECT_FLOAT_EQ(in.trunkWidth, 19.2f);
    EXPECT_NEAR(in.needleSpacing, 25.6f, 1e-4);
    EXPECT_FLOAT_EQ(in.needleWidth, 21.6f);
    EXPECT_FLOAT_EQ(in.needleLength, 120.0f);
    EXPECT_EQ(in.levels, 4);
    EXPECT_EQ(in.childrenPerNode, 3);
    EXPECT_EQ(in.needleShape, NeedleShapeSemi);
    EXPECT_EQ(in.growUp, 100.0f);
    EXPECT_FLOAT_EQ(in.dispersion, 0.1f);
    EXPECT_FLOAT_EQ(in.windAmpX, 0.02f);
    EXPECT_FLOAT_EQ(in.needleDispersion, 0.4f);
    EXPECT_EQ(in.upDirection.y, 1.0f);
    EXPECT_EQ(p.positionX, 960.0f);  // bottom centre
    EXPECT_EQ(p.positionY, 1080.0f);
    EXPECT_FLOAT_EQ(p.rotationZ, float(180 * 3.141592 / 180));
    EXPECT_EQ(EngineDrawMode(p.renderingMode), DrawMode::Phong);

    light3ds lights[2];
    ASSERT_EQ(FillLights(p, lights), 2);  // "Opposite light" is on by default
    EXPECT_STREQ(lights[0].name, "LightOne");
    EXPECT_NEAR(lights[0].pos[0], 1414.21, 0.01);
    EXPECT_NEAR(lights[0].pos[1], 0.0, 1e-3);
    EXPECT_NEAR(lights[0].pos[2], 1414.21, 0.01);
    EXPECT_STREQ(lights[1].name, "Light#2");
    EXPECT_NEAR(lights[1].pos[0], -1812.62, 0.01);
    EXPECT_NEAR(lights[1].pos[1], 0.0, 1e-3);
    EXPECT_NEAR(lights[1].pos[2], -845.24, 0.01);
    EXPECT_EQ(lights[1].multiplier, 1.0f);
    EXPECT_EQ(lights[1].color[0], 1.0f);

    Set("Opposite light", "0");
    EXPECT_EQ(FillLights(Converted(), lights), 1);
}

TEST_F(RenderTest, MaterialsAndGlassTakeTheirGroups)
{
    Set("Material of tree/Transparancy", "40");
    Set("Material of needles/Glass", "1");
    const FrameParameters p = Converted();
    material3ds m[2];
    FillMaterials(p, m);
    EXPECT_STREQ(m[0].name, "Material#0");
    EXPECT_STREQ(m[1].name, "Material#1");
    EXPECT_FLOAT_EQ(m[0].diffuse[0], 160 / 255.0f);  // the tree is brown
    EXPECT_FLOAT_EQ(m[1].diffuse[1], 200 / 255.0f);  // the needles green
    EXPECT_FLOAT_EQ(m[0].shinStrength, 0.9f);
    EXPECT_FLOAT_EQ(m[0].transparency, -0.4f);
    EXPECT_EQ(m[1].transparency, -0.0f);
    EXPECT_STREQ(m[0].reflect.name, "");
    GlassProp g[2];
    FillGlass(p, 0.5f, g);
    EXPECT_EQ(g[0].on, 0);
    EXPECT_EQ(g[1].on, 1);
    EXPECT_FLOAT_EQ(g[0].refraction, -2.5f);  // -50 / 10, scaled by the resolution ratio
    EXPECT_FLOAT_EQ(g[1].refraction, -5.0f);  // the needles' is not scaled
    EXPECT_FLOAT_EQ(g[0].optical, 7.5f);
    EXPECT_FLOAT_EQ(g[1].optical, 1.5f);
    EXPECT_EQ(g[1].aberration, 20.0f);
}

TEST_F(RenderTest, FrameNumbersAndDrawModes)
{
    EXPECT_EQ(FrameNumber(100, 10), 10);
    EXPECT_EQ(FrameNumber(-7, 2), -3);  // truncating
    EXPECT_EQ(FrameNumber(5, 0), 0);
    const DrawMode modes[] = {DrawMode::Rough, DrawMode::Line,    DrawMode::Wire,  DrawMode::Flat,
                              DrawMode::Phong, DrawMode::Patches, DrawMode::Bezier};
    for (int v = 1; v <= 7; ++v)
        EXPECT_EQ(EngineDrawMode(v), modes[v - 1]);
    EXPECT_EQ(EngineDrawMode(0), DrawMode::Phong);
    EXPECT_EQ(EngineDrawMode(8), DrawMode::Phong);
    EXPECT_EQ(EngineDrawMode(0x100 + 7), DrawMode::Bezier);  // the low byte counts
}

// Popup values a host should never send are read without overflow (the sanitizer build traps it)
// and give no known needle shape.
TEST_F(RenderTest, PopupValuesOutsideTheirMenuAreReadSafely)
{
    for (A_long value : {A_long(INT32_MIN), A_long(-1), A_long(0)}) {
        session.values[PARAM_NEEDLES_SHAPE].u.pd.value = value;
        EXPECT_EQ(Converted().needleShape, -1) << value;
    }
    session.values[PARAM_NEEDLES_SHAPE].u.pd.value = 3;
    EXPECT_EQ(Converted().needleShape, 2);
}

TEST_F(RenderTest, NeutralPlacementLeavesTheGeneratorsCoordinates)
{
    Set("Rotation Z", "0");
    Set("Scale", "100");
    Set("Position", "48,27");
    const FrameParameters p = Converted();
    __Point3ds points[2] = {};
    points[0].x = 1.5f;
    points[0].y = -2.25f;
    points[0].z = 3.0f;
    points[1].hasNormal = 1;
    points[1].nx = 1.0f;
    PlaceTree(p, 96, 54, points, 2);
    EXPECT_EQ(points[0].x, 1.5f);
    EXPECT_EQ(points[0].y, -2.25f);
    EXPECT_EQ(points[0].z, 3.0f);
    EXPECT_EQ(points[1].nx, 1.0f);

    // The default half turn about Z stands the tree, grown along +y, upright on screen.
    Layer(96, 54);
    points[0] = __Point3ds{};
    points[0].y = 10.0f;
    PlaceTree(Converted(), 96, 54, points, 1);
    EXPECT_NEAR(points[0].y, -10.0f + 27.0f, 1e-4);  // up the screen from the bottom centre
    EXPECT_NEAR(points[0].x, 0.0f, 1e-4);
}

TEST_F(RenderTest, CutAlphaDrawsOnTransparentBlackOtherwiseOnTheLayer)
{
    World input(96, 54, false), output(96, 54, false, 5);
    input.Fill(255, 10, 20, 200);
    ASSERT_EQ(Render(input, output), PF_Err_NONE);
    EXPECT_EQ(output.At(0, 0, 0), 255);  // the corner is the layer
    EXPECT_EQ(output.At(0, 0, 3), 200);
    const Box tree = CoverageBox(output);
    int changed = 0;
    for (A_long y = 0; y < 54; ++y)
        for (A_long x = 0; x < 96; ++x)
            changed += output.At(x, y, 3) != 200;
    EXPECT_GT(changed, 100);  // the tree is drawn over it

    Set("Cut alpha", "1");
    World cleared(96, 54, false, 5);
    cleared.Fill(77, 77, 77, 77);
    ASSERT_EQ(Render(input, cleared), PF_Err_NONE);
    EXPECT_EQ(cleared.At(0, 0, 0), 0);
    EXPECT_EQ(cleared.At(0, 0, 1), 0);
    const Box cut = CoverageBox(cleared);
    ASSERT_GE(cut.top, 0);
    // Upright at the bottom centre: the tree reaches the last rows, centred left to right.
    EXPECT_GE(cut.bottom, 50);
    EXPECT_NEAR((cut.left + cut.right) / 2.0, 48.0, 4.0);
    EXPECT_LT(cut.top, 30);
    (void)tree;
}

TEST_F(RenderTest, SixteenBitsCoverWhatEightBitsCover)
{
    Set("Cut alpha", "1");
    World in8(96, 54, false), out8(96, 54, false);
    World in16(96, 54, true), out16(96, 54, true);
    ASSERT_EQ(Render(in8, out8), PF_Err_NONE);
    ASSERT_EQ(Render(in16, out16), PF_Err_NONE);
    const std::vector<bool> c8 = out8.Coverage(), c16 = out16.Coverage();
    int differ = 0, covered = 0;
    for (size_t i = 0; i < c8.size(); ++i) {
        differ += c8[i] != c16[i];
        covered += c8[i];
    }
    EXPECT_GT(covered, 200);
    // Only faint edge pixels may round to zero in one depth and not in the other.
    EXPECT_LE(differ, covered / 50);
    // Full scale is 32768 in 16 bits.
    int maxAlpha = 0;
    for (A_long y = 0; y < 54; ++y)
        for (A_long x = 0; x < 96; ++x)
            maxAlpha = std::max(maxAlpha, out16.At(x, y, 0));
    EXPECT_EQ(maxAlpha, 32768);
}

TEST_F(RenderTest, HalfResolutionScalesTheTree)
{
    Layer(192, 108);
    Set("Cut alpha", "1");
    World inFull(192, 108, false), outFull(192, 108, false);
    ASSERT_EQ(Render(inFull, outFull), PF_Err_NONE);
    // The same layer at half resolution: the output world is half as large while in-data's
    // width stays the layer's, and the host hands the point scaled to the output.
    Set("Position", "48,54");
    World inHalf(96, 54, false), outHalf(96, 54, false);
    ASSERT_EQ(Render(inHalf, outHalf), PF_Err_NONE);
    const Box full = CoverageBox(outFull), half = CoverageBox(outHalf);
    ASSERT_GE(full.top, 0);
    ASSERT_GE(half.top, 0);
    const double fullHeight = full.bottom - full.top + 1, halfHeight = half.bottom - half.top + 1;
    const double fullWidth = full.right - full.left + 1, halfWidth = half.right - half.left + 1;
    EXPECT_NEAR(halfHeight / fullHeight, 0.5, 0.06);
    EXPECT_NEAR(halfWidth / fullWidth, 0.5, 0.08);
}

TEST_F(RenderTest, TheSameFrameRendersIdenticallyTwice)
{
    Set("Grow up", "70");
    World input(96, 54, false), first(96, 54, false), second(96, 54, false);
    input.Fill(255, 40, 40, 40);
    ASSERT_EQ(Render(input, first), PF_Err_NONE);
    ASSERT_EQ(Render(input, second), PF_Err_NONE);
    EXPECT_EQ(first.pixels, second.pixels);
}

TEST_F(RenderTest, ALayerSmallerThanTheOutputIsReadOnlyWithinItself)
{
    // Under the address sanitizer a read past the small layer's rows would stop the test.
    World small(10, 8, false, 0);
    small.Fill(255, 1, 2, 3);
    World output(96, 54, false);
    ASSERT_EQ(Render(small, output), PF_Err_NONE);
    EXPECT_EQ(output.At(0, 0, 0), 255);  // inside the layer: a copy of it
    EXPECT_EQ(output.At(9, 7, 3), 3);
    EXPECT_EQ(output.At(20, 0, 0), 0);   // outside it: transparent black
    EXPECT_EQ(output.At(95, 0, 1), 0);

    // No pixels at all, or pixels of the other depth: the frame is drawn over transparent black.
    World none(96, 54, false);
    none.def.data = nullptr;
    World deep(96, 54, true), output2(96, 54, false);
    ASSERT_EQ(Render(none, output2), PF_Err_NONE);
    EXPECT_EQ(output2.At(0, 0, 0), 0);
    deep.Fill(32768, 32768, 0, 0);
    ASSERT_EQ(Render(deep, output2), PF_Err_NONE);
    EXPECT_EQ(output2.At(0, 0, 0), 0);
}

TEST_F(RenderTest, ReflectionLayersOfAnySizeAreCheckedOutAndIn)
{
    World tiny(1, 1, false, 0), wide(300, 7, false, 1);
    tiny.Fill(255, 255, 0, 0);
    wide.Fill(255, 0, 0, 255);
    ReflectionLayers(&tiny, &wide);
    World input(96, 54, false), output(96, 54, false);
    ASSERT_EQ(Render(input, output), PF_Err_NONE);
    EXPECT_EQ(session.outstandingCheckouts, 0);
}

// The host's answers to the two layer check-outs are not acted on: a layer that could not be
// checked out is drawn as absent and the frame is finished. Both layers are always checked in,
// tree then needles, and the needles' check-in is the render's answer.
TEST_F(RenderTest, CheckOutErrorsLeaveTheLayerOutAndTheLastCheckInAnswers)
{
    World tree(16, 16, false, 0), needles(16, 16, false, 0);
    tree.Fill(255, 250, 20, 20);
    needles.Fill(255, 20, 20, 250);
    World input(96, 54, false);
    input.Fill(255, 30, 60, 90);
    auto frame = [&](bool treeLayer, bool needleLayer, PF_Err expected) {
        ReflectionLayers(treeLayer ? &tree : nullptr, needleLayer ? &needles : nullptr);
        World output(96, 54, false);
        EXPECT_EQ(Render(input, output), expected);
        EXPECT_EQ(session.outstandingCheckouts, 0);
        return output.pixels;
    };
    const std::vector<uint8_t> both = frame(true, true, PF_Err_NONE);
    const std::vector<uint8_t> noTree = frame(false, true, PF_Err_NONE);
    const std::vector<uint8_t> noNeedles = frame(true, false, PF_Err_NONE);
    ASSERT_NE(both, noTree);   // each layer shows in the frame
    ASSERT_NE(both, noNeedles);

    session.failCheckoutAt = PARAM_TREE_REFLECTION_LAYER;
    EXPECT_EQ(frame(true, true, PF_Err_NONE), noTree);
    session.failCheckoutAt = PARAM_NEEDLE_REFLECTION_LAYER;
    EXPECT_EQ(frame(true, true, PF_Err_NONE), noNeedles);
    session.failCheckoutAt = -1;

    // A failed check-in does not undo the frame; only the last one is passed on.
    session.failCheckinAt = PARAM_NEEDLE_REFLECTION_LAYER;
    EXPECT_EQ(frame(true, true, session.injectedError), both);
    session.failCheckinAt = PARAM_TREE_REFLECTION_LAYER;
    EXPECT_EQ(frame(true, true, PF_Err_NONE), both);
    session.failCheckinAt = -1;
}

// Short of memory anywhere (the frame's images, the tree, the engine's buffers), a render says
// so: out of memory, the output as the host handed it, both layers checked back in, no block
// kept but the engine's buffers kept between calls, which global set-down gives back. A frame
// without its tree must never pass for a finished one.
TEST_F(RenderTest, EveryFailedAllocationIsReportedWithTheOutputUntouched)
{
    World tree(7, 5, false, 1), needles(9, 4, false, 0);
    tree.Fill(255, 200, 10, 10);
    needles.Fill(255, 10, 10, 200);
    ReflectionLayers(&tree, &needles);
    Set("Grow up", "80");
    for (bool cutAlpha : {false, true}) {
        SCOPED_TRACE(cutAlpha ? "cut alpha" : "over the layer");
        Set("Cut alpha", cutAlpha ? "1" : "0");
        World input(96, 54, false), output(96, 54, false, 2);
        input.Fill(255, 30, 60, 90);
        ReleaseSceneBuffers();
        const int64_t before = PageAllocationCalls();
        ASSERT_EQ(Render(input, output), PF_Err_NONE);
        const int64_t allocations = PageAllocationCalls() - before;
        ASSERT_GT(allocations, 20);  // images, textures, a needle array per branch, mesh, engine
        for (int64_t n = 1; n <= allocations; ++n) {
            output.Fill(9, 8, 7, 6);
            const std::vector<uint8_t> handed = output.pixels;
            ReleaseSceneBuffers();
            const int64_t live = PageLiveBlocks();
            PageFailAllocation(n);
            EXPECT_EQ(Render(input, output), PF_Err_OUT_OF_MEMORY) << "allocation " << n;
            EXPECT_EQ(output.pixels, handed) << "allocation " << n;
            EXPECT_EQ(EntryPointFunc(PF_Cmd_GLOBAL_SETDOWN, &session.in, &session.out, nullptr,
                                     nullptr, nullptr),
                      PF_Err_NONE);
            EXPECT_EQ(PageLiveBlocks(), live) << "allocation " << n;
            EXPECT_EQ(session.outstandingCheckouts, 0);
        }
    }
}

TEST_F(RenderTest, RefusesMissingRecordsAndDrawsNothingIntoAnEmptyWorld)
{
    World input(96, 54, false), empty(0, 0, false);
    EXPECT_EQ(Render(input, empty), PF_Err_NONE);
    World narrow(96, 54, false);
    narrow.def.rowbytes = 96 * 4 - 1;
    EXPECT_EQ(Render(input, narrow), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(EntryPointFunc(PF_Cmd_RENDER, &session.in, &session.out, nullptr, &input.def, nullptr),
              PF_Err_BAD_CALLBACK_PARAM);
}

} // namespace

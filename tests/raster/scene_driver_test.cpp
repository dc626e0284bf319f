// The scene driver: what a call leaves behind (depth buffer, default light, per-call buffers),
// the two-pass back-face render, modes without a rasteriser, 16-bit output, the shader slot and
// the solid scene call.
#include <gtest/gtest.h>

#include <vector>

#include "platform/pages.h"
#include "shading/pixel_shader.h"
#include "tests/support/scene_builder.h"
#include "tests/support/settings_guard.h"
#include "tests/support/test_image.h"

namespace {

constexpr int W = 32;
constexpr int H = 24;

// What a capturing shader saw, one entry per call.
struct ShaderCall {
    int material;
    uint8_t backPass;
    float x, y;
};
std::vector<ShaderCall> Calls;
light3ds SeenLight;
bool SawDefaultLight;
int BackLayerRedAtCentre;

float CapturingShader(float originX, float originY, unsigned char*, unsigned char*, float pointX,
                      float pointY, float, __Triangle3ds* triangle, material3ds*, int,
                      float& outC1, float& outC2, float& outC3, __Point*, unsigned char, float,
                      float, __Texture*, int lightCount, light3ds*, __PrevInfo*, GlassProp*, float,
                      float, float, float)
{
    Calls.push_back({triangle->material, _DrawBackFaces1, pointX + originX, pointY + originY});
    if (lightCount == 0 && DefaultLight) {
        SawDefaultLight = true;
        SeenLight = *DefaultLight;
    }
    if (!_DrawBackFaces1 && BackLayer)
        BackLayerRedAtCentre = BackLayer[(H / 2 * W + W / 2) * 4];
    outC1 = triangle->material == 0 ? 255.0f : 0.0f;
    outC2 = 0.0f;
    outC3 = triangle->material == 1 ? 255.0f : 0.0f;
    return 1.0f;
}

class SceneDriver : public EngineTest {
protected:
    SceneDriver() : scene(W / 2, H / 2), image(W, H, false)
    {
        Calls.clear();
        SawDefaultLight = false;
        BackLayerRedAtCentre = -1;
        scene.AddFlatMaterial(1.0f, 0.0f, 0.0f);
        scene.AddFlatMaterial(0.0f, 0.0f, 1.0f);
    }
    SceneBuilder scene;
    TestImage image;
};

TEST_F(SceneDriver, WithoutLightsTheDefaultLightIsMadeForTheCallAndReleasedAfter)
{
    __SetNewRenderOnePixel(CapturingShader);
    scene.AddRectangle(4, 4, 28, 20, 0);
    scene.Render(image);
    ASSERT_TRUE(SawDefaultLight);
    EXPECT_EQ(SeenLight.pos[0], 200.0f);
    EXPECT_EQ(SeenLight.pos[1], 200.0f);
    EXPECT_EQ(SeenLight.pos[2], 1000.0f);
    EXPECT_EQ(SeenLight.color[0], 1.0f);
    EXPECT_EQ(SeenLight.color[2], 1.0f);
    EXPECT_EQ(SeenLight.multiplier, 1.0f);
    EXPECT_EQ(DefaultLight, nullptr);
    EXPECT_EQ(ownsDefaultLight, 0);
}

TEST_F(SceneDriver, ARegisteredDefaultLightIsUsedAndKept)
{
    light3ds mine{};
    mine.pos[2] = 5.0f;
    __SetLightDef(&mine);
    __SetNewRenderOnePixel(CapturingShader);
    scene.AddRectangle(4, 4, 28, 20, 0);
    scene.Render(image);
    ASSERT_TRUE(SawDefaultLight);
    EXPECT_EQ(SeenLight.pos[2], 5.0f);
    EXPECT_EQ(DefaultLight, &mine);
}

TEST_F(SceneDriver, PerCallBuffersAndAnOwnDepthBufferAreGoneAfterTheCall)
{
    scene.AddRectangle(4, 4, 28, 20, 0);
    scene.Render(image);
    EXPECT_EQ(ZBuff, nullptr);
    EXPECT_EQ(Zwidth, W);
    EXPECT_EQ(Zheight, H);
    EXPECT_EQ(ScratchImage, nullptr);
    EXPECT_EQ(EdgeColorMemory, nullptr);
    EXPECT_EQ(UnderEdgeMemory, nullptr);
    EXPECT_EQ(BackLayer, nullptr);
    EXPECT_EQ(BackLayerDepth, nullptr);
    EXPECT_EQ(destImage, nullptr);
    EXPECT_EQ(ownsDepthBuffer, 0);
    EXPECT_EQ(_DrawBackFaces1, 0);
    EXPECT_EQ(image.Get(16, 12, 0), 255);
}

TEST_F(SceneDriver, ARegisteredDepthBufferKeepsItsDepthsFromCallToCall)
{
    TestDepthBuffer depth(W, H);
    depth.Register();
    scene.AddRectangle(4, 4, 28, 20, 10.0f);
    scene.Render(image);
    EXPECT_EQ(ZBuff, depth.Data());
    EXPECT_FLOAT_EQ(depth.At(16, 12), 10.0f);

    SceneBuilder farther(W / 2, H / 2);
    farther.AddFlatMaterial(0, 1, 0);
    farther.AddRectangle(4, 4, 28, 20, 5.0f);
    TestImage second(W, H, false);
    farther.Render(second);
    EXPECT_EQ(second.CountCovered(), 0) << "everything lies behind the first call's depths";

    SceneBuilder nearer(W / 2, H / 2);
    nearer.AddFlatMaterial(0, 1, 0);
    nearer.AddRectangle(4, 4, 28, 20, 20.0f);
    nearer.Render(second);
    EXPECT_EQ(second.Get(16, 12, 1), 255);
    EXPECT_EQ(ZBuff, depth.Data());
}

TEST_F(SceneDriver, ARegisteredDepthBufferOfAnotherSizeIsReplacedAndReleased)
{
    TestDepthBuffer depth(8, 8);
    depth.Register();
    scene.AddRectangle(4, 4, 28, 20, 0);
    scene.Render(image);
    depth.Disown(); // the engine has given it back to the page allocator
    EXPECT_EQ(ZBuff, nullptr);
    EXPECT_EQ(Zwidth, W);
    EXPECT_EQ(Zheight, H);
    EXPECT_EQ(image.Get(16, 12, 3), 255);
}

// A depth buffer another module allocated on its own heap: the registration goes, the buffer
// stays whole and its owner's (on Windows, VirtualFree refuses it; on Linux the engine releases
// only its own blocks).
TEST_F(SceneDriver, AForeignDepthBufferOfAnotherSizeIsDroppedButLeftToItsOwner)
{
    std::vector<float> foreign(8 * 8, 7.0f);
    __SetZBuff(foreign.data(), 8, 8);
    const int64_t live = PageLiveBlocks();
    scene.AddRectangle(4, 4, 28, 20, 0);
    scene.Render(image);
    EXPECT_EQ(ZBuff, nullptr);
    EXPECT_EQ(PageLiveBlocks(), live);
    EXPECT_EQ(foreign[63], 7.0f);
    EXPECT_EQ(image.Get(16, 12, 3), 255);
}

TEST_F(SceneDriver, ModesWithoutARasteriserLeaveTheImageUntouched)
{
    scene.AddRectangle(4, 4, 28, 20, 0);
    image.Fill(10, 20, 30, 40);
    const auto before = image.Snapshot();
    for (uint8_t mode : {4, 5, 7, 11, 200}) {
        for (uint8_t backFaces : {0, 1}) {
            _DrawMode = mode;
            _DrawBackFaces = backFaces;
            scene.Render(image);
            EXPECT_EQ(image.Snapshot(), before) << "mode " << int(mode);
            EXPECT_EQ(ZBuff, nullptr);
            EXPECT_EQ(_DrawBackFaces1, 0);
        }
    }
}

TEST_F(SceneDriver, RoughSwitchesTheBackFacePassOff)
{
    UseDrawMode(DrawMode::Rough);
    _DrawBackFaces = 1;
    scene.AddRectangle(4, 4, 28, 20, 0);
    scene.Render(image);
    EXPECT_EQ(_DrawBackFaces, 0);
    EXPECT_EQ(_DrawBackFaces1, 0);
}

// A back face in front (z 10) and a front face behind it (z 1), overlapping at the centre.
class BackFacePasses : public SceneDriver, public ::testing::WithParamInterface<DrawMode> {
protected:
    BackFacePasses()
    {
        UseDrawMode(GetParam());
        __SetNewRenderOnePixel(CapturingShader);
        scene.AddFacing({4, 4, 10}, {28, 4, 10}, {16, 22, 10}, false, 0);
        scene.AddFacing({6, 2, 1}, {26, 2, 1}, {16, 20, 1}, true, 1);
    }
};

TEST_P(BackFacePasses, BackFacesAreDrawnFirstAndTheFrontPassDrawsOverThem)
{
    _DrawBackFaces = 1;
    scene.Render(image);
    ASSERT_FALSE(Calls.empty());
    size_t k = 0;
    while (k < Calls.size() && Calls[k].backPass) {
        EXPECT_EQ(Calls[k].material, 0) << "only the back face in the back-face pass";
        ++k;
    }
    EXPECT_GT(k, 0u);
    ASSERT_LT(k, Calls.size());
    for (; k < Calls.size(); ++k) {
        EXPECT_EQ(Calls[k].backPass, 0) << "no back-face call after the front pass began";
        EXPECT_EQ(Calls[k].material, 1);
    }
    // The depth buffer was refilled between the passes: the front face, though farther, covers.
    EXPECT_EQ(image.Get(16, 12, 2), 255);
    EXPECT_EQ(image.Get(16, 12, 0), 0);
    EXPECT_EQ(BackLayerRedAtCentre, 255) << "the front pass sees the back faces in BackLayer";
    EXPECT_EQ(_DrawBackFaces, 1);
    EXPECT_EQ(_DrawBackFaces1, 0);
}

TEST_P(BackFacePasses, WithoutTheSecondPassBackFacesAreCulled)
{
    scene.Render(image);
    for (const ShaderCall& call : Calls)
        EXPECT_EQ(call.material, 1);
    EXPECT_EQ(image.Get(16, 21, 3), 0) << "the back face's own pixels stay empty";
}

TEST_P(BackFacePasses, TwoSidedFacesAndMultipleRefractionDrawBackFacesInTheFrontPass)
{
    _DubleSide = 1;
    scene.Render(image);
    EXPECT_EQ(image.Get(16, 21, 0), 255) << "the back face is drawn";
    _DubleSide = 0;
    _UseMultyRefract = 2;
    Calls.clear();
    TestImage again(W, H, false);
    scene.Render(again);
    EXPECT_EQ(again.Get(16, 21, 0), 255);
}

INSTANTIATE_TEST_SUITE_P(FlatAndPhong, BackFacePasses,
                         ::testing::Values(DrawMode::Flat, DrawMode::Phong),
                         [](const ::testing::TestParamInfo<DrawMode>& info) {
                             return info.param == DrawMode::Flat ? "Flat" : "Phong";
                         });

class DeepOutput : public SceneDriver, public ::testing::WithParamInterface<uint8_t> {};

TEST_P(DeepOutput, SixteenBitImagesUseFullScale32768)
{
    _Deep = 1;
    _Quality = GetParam();
    TestImage deep(W, H, true);
    scene.materials[0].diffuse[1] = 0.5f;
    scene.AddRectangle(4.5f, 4.5f, 27.5f, 19.5f, 0);
    scene.Render(deep);
    EXPECT_EQ(deep.Get(16, 12, 0), 32768);
    EXPECT_EQ(deep.Get(16, 12, 1), 16384);
    EXPECT_EQ(deep.Get(16, 12, 2), 0);
    EXPECT_EQ(deep.Get(16, 12, 3), 32768);
    if (GetParam()) {
        // Half a pixel outside the left edge: half coverage of 32768.
        EXPECT_NEAR(deep.Get(4, 12, 3), 16384, 2);
    }
    EXPECT_TRUE(deep.GuardsIntact());
}

INSTANTIATE_TEST_SUITE_P(DraftAndQuality, DeepOutput, ::testing::Values(0, 1));

TEST_F(SceneDriver, TheInstalledShaderIsCalledForEveryShadedPixelUntilTheDefaultIsBack)
{
    _Quality = 0;
    scene.AddRectangle(4, 4, 28, 20, 0);
    __SetNewRenderOnePixel(CapturingShader);
    scene.Render(image);
    EXPECT_EQ(static_cast<int>(Calls.size()), image.CountCovered());
    EXPECT_EQ(image.Get(16, 12, 0), 255);
    __SetDefRenderOnePixel();
    Calls.clear();
    scene.materials[0].diffuse[0] = 0.5f;
    scene.Render(image);
    EXPECT_TRUE(Calls.empty());
    EXPECT_EQ(image.Get(16, 12, 0), 127);
}

TEST_F(SceneDriver, ANullShaderFallsBackToTheEnginesOwn)
{
    __SetNewRenderOnePixel(nullptr);
    scene.AddRectangle(4, 4, 28, 20, 0);
    scene.Render(image);
    EXPECT_EQ(image.Get(16, 12, 0), 255);
}

class SolidScenes : public SceneDriver {};

TEST_F(SolidScenes, DraftPaintsOneColourAndQualitySoftensTheEdges)
{
    _Quality = 0;
    scene.AddRectangle(4.4f, 4.4f, 27.6f, 19.6f, 0);
    scene.RenderSolid(image, 10.0f, 20.0f, 30.0f, 1.0f);
    EXPECT_EQ(image.Get(16, 12, 0), 10);
    EXPECT_EQ(image.Get(16, 12, 2), 30);
    EXPECT_EQ(image.Get(16, 12, 3), 255);
    EXPECT_EQ(image.Get(4, 12, 3), 255) << "draft spans start at the truncated left end";
    EXPECT_EQ(Zwidth, W);
    EXPECT_EQ(Zheight, H);

    _Quality = 1;
    TestImage soft(W, H, false);
    scene.RenderSolid(soft, 10.0f, 20.0f, 30.0f, 0.5f);
    EXPECT_EQ(soft.Get(16, 12, 3), 127);
    EXPECT_NEAR(soft.Get(4, 12, 3), 0.6f * 0.5f * 255, 1.0f);
    EXPECT_EQ(soft.Get(2, 12, 3), 0);
}

TEST_F(SolidScenes, TheDepthBufferIsNotTouched)
{
    TestDepthBuffer depth(W, H);
    depth.Register();
    scene.AddRectangle(0.3f, 0.3f, 27.6f, 19.6f, 0);
    scene.RenderSolid(image, 10.0f, 20.0f, 30.0f, 1.0f);
    EXPECT_EQ(ZBuff, depth.Data());
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            ASSERT_EQ(depth.At(x, y), EmptyDepth()) << x << "," << y;
}

TEST_F(SolidScenes, ARegistrationOfAnotherSizeIsDroppedNotReleased)
{
    TestDepthBuffer depth(8, 8);
    depth.Register();
    scene.AddRectangle(4, 4, 28, 20, 0);
    scene.RenderSolid(image, 1, 2, 3, 1);
    EXPECT_EQ(ZBuff, nullptr);
    EXPECT_EQ(Zwidth, W);
    EXPECT_EQ(depth.At(7, 7), EmptyDepth()) << "still the caller's, still readable";
}

} // namespace

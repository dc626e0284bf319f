// Scene calls short of memory: with each of its allocations failing in turn, __RasterScene
// draws nothing, keeps no block beyond those it keeps between calls (all given back by
// ReleaseSceneBuffers) and tells the render through its failure flag; a call that has its
// memory clears the flag again.
#include <gtest/gtest.h>

#include "platform/pages.h"
#include "tests/support/scene_builder.h"
#include "tests/support/settings_guard.h"
#include "tests/support/test_image.h"

namespace {

constexpr int W = 40;
constexpr int H = 30;

class SceneOutOfMemory : public EngineTest {
protected:
    SceneOutOfMemory() : scene(W / 2, H / 2)
    {
        scene.AddFlatMaterial(0.2f, 0.8f, 0.4f);
        scene.AddRectangle(5, 5, 35, 25, 10);
    }
    // Allocations of one whole call, counted on a call that has its memory and keeps nothing
    // from an earlier one.
    int64_t CallsOfOneRender(TestImage& image)
    {
        ReleaseSceneBuffers();
        const int64_t before = PageAllocationCalls();
        scene.Render(image);
        EXPECT_EQ(RasterSceneOutOfMemory, 0);
        return PageAllocationCalls() - before;
    }
    SceneBuilder scene;
};

TEST_F(SceneOutOfMemory, EachFailedAllocationDrawsNothingAndReleasesEverything)
{
    for (bool deep : {false, true}) {
        for (uint8_t mode : {uint8_t(3), uint8_t(6), uint8_t(9)}) {
            SCOPED_TRACE(testing::Message() << "deep " << deep << " mode " << int(mode));
            __SetDeep(deep);
            __SetDrawMode(mode);
            __SetQuality(1);
            __SetDrawBackFaces(1);
            TestImage image(W, H, deep);
            const int64_t allocations = CallsOfOneRender(image);
            // Depth buffer, default light (the scene has no lights), the three compositing
            // images and their row runs (no glass: no glass buffers).
            ASSERT_EQ(allocations, 6);
            for (int64_t n = 1; n <= allocations; ++n) {
                image.Fill(1, 2, 3, 4);
                const std::vector<uint8_t> before = image.Snapshot();
                ReleaseSceneBuffers();
                const int64_t live = PageLiveBlocks();
                PageFailAllocation(n);
                scene.Render(image);
                EXPECT_EQ(RasterSceneOutOfMemory, 1) << "allocation " << n;
                EXPECT_EQ(image.Snapshot(), before) << "allocation " << n;
                ReleaseSceneBuffers();
                EXPECT_EQ(PageLiveBlocks(), live) << "allocation " << n;
                EXPECT_EQ(ZBuff, nullptr);
                EXPECT_EQ(DefaultLight, nullptr);
                EXPECT_EQ(ScratchImage, nullptr);
                EXPECT_EQ(BackLayerDepth, nullptr);
                EXPECT_EQ(_DrawBackFaces1, 0);
            }
            scene.Render(image);
            EXPECT_EQ(RasterSceneOutOfMemory, 0);
            EXPECT_GT(image.CountCovered(), 0);
        }
    }
}

TEST_F(SceneOutOfMemory, ACallersDepthBufferAndLightStayRegistered)
{
    TestDepthBuffer depth(W, H);
    depth.Register();
    light3ds light{};
    light.color[0] = light.color[1] = light.color[2] = 1.0f;
    light.multiplier = 1.0f;
    __SetLightDef(&light);
    TestImage image(W, H, false);
    const int64_t allocations = CallsOfOneRender(image);
    ASSERT_EQ(allocations, 4);  // only the compositing buffers
    for (int64_t n = 1; n <= allocations; ++n) {
        ReleaseSceneBuffers();
        const int64_t live = PageLiveBlocks();
        PageFailAllocation(n);
        scene.Render(image);
        EXPECT_EQ(RasterSceneOutOfMemory, 1);
        ReleaseSceneBuffers();
        EXPECT_EQ(PageLiveBlocks(), live);
        EXPECT_EQ(ZBuff, depth.Data());
        EXPECT_EQ(DefaultLight, &light);
    }
    __SetLightDef(nullptr);
    __SetZBuff(nullptr, 0, 0);
}

TEST_F(SceneOutOfMemory, RoughNeedsNoMemoryAndNeverFails)
{
    __SetDrawMode(0);
    TestImage image(W, H, false);
    EXPECT_EQ(CallsOfOneRender(image), 0);
    EXPECT_GT(image.CountCovered(), 0);
}

} // namespace

// The pixel writers and the depth test: coverage blending in 8 and 16 bits, soft edge pixels by
// signed distance, depth ties and the depth that edge pixels write.
#include <gtest/gtest.h>

#include <cmath>

#include "shading/span_helpers.h"
#include "tests/support/settings_guard.h"
#include "tests/support/test_image.h"

namespace {

class PixelWriters : public EngineTest, public ::testing::WithParamInterface<bool> {
protected:
    PixelWriters() : image(6, 6, GetParam()) { Use(image); }
    void Use(TestImage& img)
    {
        _Deep = img.Deep() ? 1 : 0;
        ChannelMax = img.FullScale();
        RowStride = img.RowElements();
        Zwidth = img.Width();
        Zheight = img.Height();
    }
    float Full() const { return static_cast<float>(image.FullScale()); }
    TestImage image;
};

TEST_P(PixelWriters, HalfCoverageOverTransparentKeepsColourAndHalvesAlpha)
{
    BlendPixel(image.Data(), 0.8f * Full(), 0.4f * Full(), 0.2f * Full(), 2, 3, 0.5f);
    EXPECT_EQ(image.Get(2, 3, 0), static_cast<int>(0.8f * Full()));
    EXPECT_EQ(image.Get(2, 3, 1), static_cast<int>(0.4f * Full()));
    EXPECT_EQ(image.Get(2, 3, 2), static_cast<int>(0.2f * Full()));
    EXPECT_EQ(image.Get(2, 3, 3), GetParam() ? 16384 : 127);
}

TEST_P(PixelWriters, HalfCoverageOverOpaqueAveragesAndStaysOpaque)
{
    const int full = image.FullScale();
    image.Fill(full / 2, 0, full, full);
    BlendPixel(image.Data(), static_cast<float>(full), static_cast<float>(full), 0.0f, 1, 1, 0.5f);
    EXPECT_EQ(image.Get(1, 1, 0), static_cast<int>(0.5f * full + 0.5f * (full / 2)));
    EXPECT_EQ(image.Get(1, 1, 1), static_cast<int>(0.5f * full));
    EXPECT_EQ(image.Get(1, 1, 2), static_cast<int>(0.5f * full));
    EXPECT_EQ(image.Get(1, 1, 3), full);
}

TEST_P(PixelWriters, FullCoverageClampsToTheChannelRange)
{
    BlendPixel(image.Data(), 2.0f * Full(), -40.0f, 12.7f, 0, 0, 1.0f);
    EXPECT_EQ(image.Get(0, 0, 0), image.FullScale());
    EXPECT_EQ(image.Get(0, 0, 1), 0);
    EXPECT_EQ(image.Get(0, 0, 2), 12);
    EXPECT_EQ(image.Get(0, 0, 3), image.FullScale());
}

TEST_P(PixelWriters, NoCoverageAndPixelsOffTheImageWriteNothing)
{
    image.Fill(1, 2, 3, 4);
    auto before = image.Snapshot();
    BlendPixel(image.Data(), 100, 100, 100, 2, 2, 0.0f);
    BlendPixel(image.Data(), 100, 100, 100, 2, 2, -0.5f);
    BlendPixel(image.Data(), 100, 100, 100, 2, 2, NAN);
    BlendPixel(image.Data(), 100, 100, 100, -1, 2, 1.0f);
    BlendPixel(image.Data(), 100, 100, 100, 2, 6, 1.0f);
    BlendPixel(image.Data(), 100, 100, 100, 6, 0, 1.0f);
    EXPECT_EQ(image.Snapshot(), before);
    EXPECT_TRUE(image.GuardsIntact());
}

TEST_P(PixelWriters, CoverageAboveOneNeverWrapsAlpha)
{
    image.Fill(0, 0, 0, image.FullScale() / 2);
    BlendPixel(image.Data(), 10, 10, 10, 3, 3, 1.5f);
    EXPECT_EQ(image.Get(3, 3, 3), image.FullScale());
}

INSTANTIATE_TEST_SUITE_P(EightAndSixteenBits, PixelWriters, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "Deep" : "Bytes";
                         });

// Edge from (0, 5) to (20, 5): A = 0, B = -20, C = 100, so the signed distance of (x, y) is
// 5 - y; rows above y = 5 are the outside (positive) side.
class EdgePixels : public EngineTest {
protected:
    EdgePixels() : image(24, 12, false), depth(24, 12)
    {
        ChannelMax = 255;
        RowStride = image.RowElements();
        Zwidth = 24;
        Zheight = 12;
        line = EdgeLine(0.0f, 5.0f, 20.0f, 5.0f);
    }
    int AlphaAfter(float x, float y)
    {
        DrawEdgePixel(1.0f, image.Data(), 0.0f, NoDepthIndex, 255, 255, 255, line, x, y, 1.0f,
                      0.0f, 5.0f, 20.0f, 5.0f);
        return image.Get(static_cast<int>(x), static_cast<int>(y), 3);
    }
    TestImage image;
    TestDepthBuffer depth;
    EdgeLineCoefs line;
};

TEST_F(EdgePixels, FilledModesCoverHalfAPixelInsideFullyAndFallOffOutside)
{
    UseDrawMode(DrawMode::Phong);
    EXPECT_EQ(AlphaAfter(3.0f, 5.3f), 255) << "signed distance -0.3: inside, full";
    EXPECT_EQ(AlphaAfter(4.0f, 5.7f), 0) << "signed distance -0.7: left to the span";
    EXPECT_EQ(AlphaAfter(5.0f, 4.7f), static_cast<int>(0.7f * 255)) << "distance 0.3 outside";
    EXPECT_EQ(AlphaAfter(6.0f, 3.9f), 0) << "more than a pixel outside";
}

TEST_F(EdgePixels, LineModesFallOffSymmetrically)
{
    UseDrawMode(DrawMode::Line);
    EXPECT_EQ(AlphaAfter(3.0f, 5.3f), static_cast<int>(0.7f * 255));
    EXPECT_EQ(AlphaAfter(5.0f, 4.7f), static_cast<int>(0.7f * 255));
    EXPECT_EQ(AlphaAfter(4.0f, 5.75f), static_cast<int>(0.25f * 255));
}

TEST_F(EdgePixels, BeyondTheSegmentTheNearerEndpointCounts)
{
    UseDrawMode(DrawMode::Phong);
    EXPECT_EQ(AlphaAfter(20.5f, 5.0f), static_cast<int>(0.5f * 255));
    EXPECT_EQ(AlphaAfter(22.0f, 5.0f), 0);
}

TEST_F(EdgePixels, DepthIsWrittenEvenWithoutCoverageButNotForNoDepthIndex)
{
    UseDrawMode(DrawMode::Phong);
    depth.Register();
    DrawEdgePixel(1.0f, image.Data(), 42.0f, 3 + 9 * 24, 255, 255, 255, line, 3.0f, 9.0f, 1.0f,
                  0.0f, 5.0f, 20.0f, 5.0f);
    EXPECT_EQ(image.Get(3, 9, 3), 0);
    EXPECT_EQ(depth.At(3, 9), 42.0f);
    DrawEdgePixel(1.0f, image.Data(), 42.0f, NoDepthIndex, 255, 255, 255, line, 3.0f, 8.0f, 1.0f,
                  0.0f, 5.0f, 20.0f, 5.0f);
    EXPECT_EQ(depth.At(0, 0), EmptyDepth());
    EXPECT_EQ(depth.At(3, 8), EmptyDepth());
}

TEST_F(EdgePixels, ADegenerateEdgeDrawsNothing)
{
    EdgeLineCoefs point = EdgeLine(4.0f, 4.0f, 4.05f, 4.0f);
    DrawEdgePixel(1.0f, image.Data(), 0.0f, NoDepthIndex, 255, 255, 255, point, 4.0f, 4.0f, 1.0f,
                  4.0f, 4.0f, 4.05f, 4.0f);
    EXPECT_EQ(image.CountCovered(), 0);
}

class DepthTests : public EngineTest {
protected:
    DepthTests() : depth(4, 4)
    {
        depth.Register();
        vertex.z = -7.0f;
    }
    // The plane z = value: -(planeConst + 0 y + 0 x) / -1.
    bool Test(float x, float y, float value, float& got, int& index, float& previous)
    {
        return DepthTest(x, y, value, 0.0f, 0.0f, -1.0f, vertex, 0.0f, 0.0f, got, index, previous);
    }
    TestDepthBuffer depth;
    __Point3ds vertex{};
};

TEST_F(DepthTests, AnEqualDepthFailsSoTheFirstPixelWins)
{
    float got, previous;
    int index;
    ASSERT_TRUE(Test(1, 2, 5.0f, got, index, previous));
    EXPECT_EQ(got, 5.0f);
    EXPECT_EQ(index, 1 + 2 * 4);
    EXPECT_EQ(previous, EmptyDepth());
    EXPECT_EQ(depth.At(1, 2), 5.0f);
    EXPECT_FALSE(Test(1, 2, 5.0f, got, index, previous));
    EXPECT_FALSE(Test(1, 2, 4.0f, got, index, previous));
    ASSERT_TRUE(Test(1, 2, 6.0f, got, index, previous));
    EXPECT_EQ(previous, 5.0f);
    EXPECT_EQ(depth.At(1, 2), 6.0f);
}

TEST_F(DepthTests, PixelsOffTheBufferFailAndTouchNothing)
{
    float got, previous;
    int index;
    EXPECT_FALSE(Test(-1, 0, 5.0f, got, index, previous));
    EXPECT_FALSE(Test(4, 0, 5.0f, got, index, previous));
    EXPECT_FALSE(Test(0, 4, 5.0f, got, index, previous));
    EXPECT_FALSE(Test(NAN, 0, 5.0f, got, index, previous));
    EXPECT_FALSE(Test(1e30f, 0, 5.0f, got, index, previous));
    EXPECT_FALSE(Test(1, 1, NAN, got, index, previous)) << "a NaN depth is never nearer";
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(depth.At(x, y), EmptyDepth());
}

TEST_F(DepthTests, WithoutABufferEveryPixelPassesAndAnEdgeOnPlaneUsesTheVertexDepth)
{
    __SetZBuff(nullptr, 0, 0);
    float got, previous;
    int index;
    EXPECT_TRUE(Test(100, 100, 5.0f, got, index, previous));
    EXPECT_EQ(got, 5.0f);
    EXPECT_TRUE(DepthTest(0, 0, 5.0f, 0.0f, 0.0f, 0.005f, vertex, 0, 0, got, index, previous));
    EXPECT_EQ(got, -7.0f);
}

} // namespace

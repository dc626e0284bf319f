// World, engine-image and texture layouts in 8 and 16 bits, with padded world rows, and the
// point transforms of the tree's placement.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "effect/frame_convert.h"
#include "engine/engine_exports.h"
#include "platform/pages.h"

namespace {

// A world of W x H pixels whose rows are padded by 3 pixels, filled with distinct values.
template <typename Element>
struct PaddedWorld {
    int width, height, row;
    std::vector<Element> data;
    PaddedWorld(int w, int h) : width(w), height(h), row((w + 3) * 4), data(size_t(row) * h)
    {
        for (size_t i = 0; i < data.size(); ++i)
            data[i] = Element((i * 37 + 11) % (sizeof(Element) == 1 ? 256 : 32769));
    }
    Element At(int x, int y, int channel) const { return data[size_t(y) * row + x * 4 + channel]; }
};

class FrameConversion : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        savedDeep = _Deep;
        __SetDeep(GetParam() ? 1 : 0);
    }
    void TearDown() override { _Deep = savedDeep; }
    uint8_t savedDeep = 0;

    // Every pixel of each conversion, at widths that fill the converters' groups of pixels and
    // leave some over.
    template <typename Element>
    void CheckRoundTripAndOrder()
    {
        for (int W : {1, 2, 4, 5, 9}) {
            SCOPED_TRACE(W);
            CheckRoundTripAndOrder<Element>(W, 3);
        }
    }

    template <typename Element>
    void CheckRoundTripAndOrder(int W, int H)
    {
        PaddedWorld<Element> world(W, H);
        unsigned char* image = WorldToEngineImage(nullptr, world.data.data(), W, H, world.row);
        ASSERT_NE(image, nullptr);
        const Element* engine = reinterpret_cast<const Element*>(image);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const Element* p = engine + (y * W + x) * 4;  // packed: W x 4 elements a row
                EXPECT_EQ(p[0], world.At(x, y, 1));  // red
                EXPECT_EQ(p[1], world.At(x, y, 2));  // green
                EXPECT_EQ(p[2], world.At(x, y, 3));  // blue
                EXPECT_EQ(p[3], world.At(x, y, 0));  // alpha
            }

        PaddedWorld<Element> back(W, H);
        std::vector<Element> padding = back.data;
        EngineImageToWorld(back.data.data(), image, W, H, back.row);
        for (int y = 0; y < H; ++y)
            for (int e = 0; e < back.row; ++e) {
                size_t i = size_t(y) * back.row + e;
                // Pixels come back exactly; the row padding is never written.
                EXPECT_EQ(back.data[i], e < 4 * W ? world.data[i] : padding[i]) << y << "," << e;
            }
        PageRelease(image);

        unsigned char* texture = LayerToTexture(nullptr, world.data.data(), W, H, world.row);
        ASSERT_NE(texture, nullptr);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const Element* t = reinterpret_cast<const Element*>(texture) + (y * W + x) * 4;
                EXPECT_EQ(t[0], world.At(x, y, 3));  // blue
                EXPECT_EQ(t[1], world.At(x, y, 2));  // green
                EXPECT_EQ(t[2], world.At(x, y, 1));  // red
                EXPECT_EQ(t[3], world.At(x, y, 0));  // alpha
            }
        PageRelease(texture);
    }
};

TEST_P(FrameConversion, WorldToEngineAndBackIsExactAndLeavesRowPadding)
{
    if (GetParam())
        CheckRoundTripAndOrder<uint16_t>();
    else
        CheckRoundTripAndOrder<uint8_t>();
}

TEST_P(FrameConversion, ImagesAreSizedFromWidthAndElementWidth)
{
    EXPECT_EQ(EngineImageBytes(7, 3), size_t(7 * 3 * (GetParam() ? 8 : 4)));
    EXPECT_EQ(EngineImageBytes(0, 3), 0u);
    EXPECT_EQ(EngineImageBytes(7, -1), 0u);
    EXPECT_EQ(WorldToEngineImage(nullptr, nullptr, 0, 5, 0), nullptr);
}

INSTANTIATE_TEST_SUITE_P(EightAndSixteenBits, FrameConversion, ::testing::Bool());

TEST(CopyWorldTest, CopiesWholePixelsPerRowAtBothRowLengths)
{
    std::vector<uint16_t> source(2 * 12), destination(2 * 10, 7);
    for (size_t i = 0; i < source.size(); ++i)
        source[i] = uint16_t(i + 1);
    CopyWorld(destination.data(), source.data(), 2, 2, 10, 12, true);
    for (int y = 0; y < 2; ++y)
        for (int e = 0; e < 10; ++e)
            EXPECT_EQ(destination[size_t(y) * 10 + e], e < 8 ? source[size_t(y) * 12 + e] : 7);
}

__Point3ds MakePoint(float x, float y, float z, bool normal)
{
    __Point3ds p{};
    p.x = x;
    p.y = y;
    p.z = z;
    p.hasNormal = normal ? 1 : 0;
    p.nx = 0.6f;
    p.ny = -0.8f;
    p.nz = 0.0f;
    return p;
}

TEST(PointTransforms, RotationByZeroChangesNothing)
{
    __Point3ds p[1] = {MakePoint(3, -4, 5, true)};
    RotatePointsX(p, 1, 0.0f);
    RotatePointsY(p, 1, 0.0f);
    RotatePointsZ(p, 1, 0.0f);
    EXPECT_EQ(p[0].x, 3.0f);
    EXPECT_EQ(p[0].y, -4.0f);
    EXPECT_EQ(p[0].z, 5.0f);
    EXPECT_EQ(p[0].nx, 0.6f);
    EXPECT_EQ(p[0].ny, -0.8f);
}

TEST(PointTransforms, HalfTurnAboutZNegatesXYAndOnlyFlaggedNormals)
{
    __Point3ds p[2] = {MakePoint(3, -4, 5, true), MakePoint(1, 2, 3, false)};
    RotatePointsZ(p, 2, 180.0f * 3.141592f / 180.0f);
    EXPECT_NEAR(p[0].x, -3.0f, 1e-5);
    EXPECT_NEAR(p[0].y, 4.0f, 1e-5);
    EXPECT_EQ(p[0].z, 5.0f);
    EXPECT_NEAR(p[0].nx, -0.6f, 1e-6);
    EXPECT_NEAR(p[0].ny, 0.8f, 1e-6);
    EXPECT_NEAR(p[1].x, -1.0f, 1e-5);
    EXPECT_EQ(p[1].nx, 0.6f);  // no normal: left alone
}

TEST(PointTransforms, QuarterTurnsFollowTheirPlanes)
{
    __Point3ds p[1] = {MakePoint(1, 0, 0, false)};
    RotatePointsY(p, 1, 1.5707963f);  // x' = x cos - z sin, z' = x sin + z cos
    EXPECT_NEAR(p[0].x, 0.0f, 1e-6);
    EXPECT_NEAR(p[0].z, 1.0f, 1e-6);
    RotatePointsX(p, 1, 1.5707963f);  // y' = y cos - z sin
    EXPECT_NEAR(p[0].y, -1.0f, 1e-6);
    EXPECT_NEAR(p[0].z, 0.0f, 1e-6);
    // About a centre of its own.
    __Point3ds q[1] = {MakePoint(2, 1, 0, false)};
    RotatePointsZ(q, 1, 3.1415927f, 1.0f, 1.0f);
    EXPECT_NEAR(q[0].x, 0.0f, 1e-6);
    EXPECT_NEAR(q[0].y, 1.0f, 1e-6);
}

// A normal turns with its point, in the same plane: a unit point whose normal points the same
// way still has a normal equal to its position after any turn about the origin.
TEST(PointTransforms, NormalsTurnInTheirPointsPlane)
{
    using Rotate = void (*)(__Point3ds*, int, float, float, float);
    const struct {
        const char* axis;
        Rotate rotate;
        float __Point3ds::*along;   // the coordinate a turn about this axis keeps
    } axes[] = {{"X", RotatePointsX, &__Point3ds::x}, {"Y", RotatePointsY, &__Point3ds::y},
                {"Z", RotatePointsZ, &__Point3ds::z}};
    for (const auto& a : axes) {
        __Point3ds start = MakePoint(0.48f, 0.6f, 0.64f, true);
        start.nx = start.x;
        start.ny = start.y;
        start.nz = start.z;
        __Point3ds p[1] = {start};
        a.rotate(p, 1, 0.9f, 0.0f, 0.0f);
        EXPECT_EQ(p[0].nx, p[0].x) << a.axis;
        EXPECT_EQ(p[0].ny, p[0].y) << a.axis;
        EXPECT_EQ(p[0].nz, p[0].z) << a.axis;
        EXPECT_EQ(p[0].*a.along, start.*a.along) << a.axis;
        EXPECT_NE(p[0].x + p[0].y + p[0].z, start.x + start.y + start.z) << a.axis;   // it did turn
    }
}

TEST(PointTransforms, ScaleAndTranslateNeverChangeANormal)
{
    __Point3ds p[1] = {MakePoint(1, 2, 3, true)};
    ScalePoints(p, 1, 2.5f);
    TranslatePoints(p, 1, 10, 20, 30);
    EXPECT_EQ(p[0].x, 12.5f);
    EXPECT_EQ(p[0].y, 25.0f);
    EXPECT_EQ(p[0].z, 37.5f);
    EXPECT_EQ(p[0].nx, 0.6f);
    EXPECT_EQ(p[0].ny, -0.8f);
    EXPECT_EQ(p[0].nz, 0.0f);
}

} // namespace

// The outline modes and their line primitives: the inverting DDA's choice of axis and end
// point, Rough over black, the pen line's caps and its walk clipped to the image (checked
// against the plain walk), what the shaded line hands the shader, the Wire mode's visibility
// per piece and __DrawScenesLineColor.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "engine/engine_exports.h"
#include "engine/engine_state.h"
#include "engine/line_primitives.h"
#include "shading/span_helpers.h"
#include "tests/support/scene_builder.h"
#include "tests/support/settings_guard.h"
#include "tests/support/test_image.h"

namespace {

constexpr int W = 40;
constexpr int H = 30;

// The per-call state a scene call would have set for an image of W x H.
class LinePrimitives : public EngineTest {
protected:
    LinePrimitives() : image(W, H, false), source(W, H, false)
    {
        Zwidth = W;
        Zheight = H;
        RowStride = 4 * W;
        ChannelMax = 255;
    }
    std::set<std::pair<int, int>> Written() const
    {
        std::set<std::pair<int, int>> out;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                if (image.Get(x, y, 3) != 0)
                    out.insert({x, y});
        return out;
    }
    TestImage image;
    TestImage source;
};

using Pixels = std::set<std::pair<int, int>>;

TEST_F(LinePrimitives, InvertLineStepsYOnAVerticalEdgeAndLeavesOutItsLargerEnd)
{
    InvertLine(5.5f, 2.0f, 5.5f, 10.0f, image.Data(), source.Data(), W, H);
    Pixels expected;
    for (int y = 2; y < 10; ++y)
        expected.insert({5, y});
    EXPECT_EQ(Written(), expected);
    InvertLine(9.2f, 4.2f, 9.2f, 4.2f, image.Data(), source.Data(), W, H); // no length
    EXPECT_EQ(Written(), expected);
}

TEST_F(LinePrimitives, InvertLineStepsYOnAnExactDiagonal)
{
    // Stepping y from the end with the smaller y plots (8, 2) and leaves out (2, 8); stepping x
    // would have done the opposite.
    InvertLine(2.0f, 8.0f, 8.0f, 2.0f, image.Data(), source.Data(), W, H);
    Pixels expected;
    for (int k = 0; k < 6; ++k)
        expected.insert({8 - k, 2 + k});
    EXPECT_EQ(Written(), expected);
}

TEST_F(LinePrimitives, InvertLineStepsXWhenItTravelsFurtherInX)
{
    InvertLine(1.5f, 1.0f, 9.5f, 3.0f, image.Data(), source.Data(), W, H);
    // y = 1 + (x - 1.5) / 4 at x = 1.5, 2.5, ... 8.5.
    const Pixels expected = {{1, 1}, {2, 1}, {3, 1}, {4, 1}, {5, 2}, {6, 2}, {7, 2}, {8, 2}};
    EXPECT_EQ(Written(), expected);
}

class RoughMode : public EngineTest {
protected:
    RoughMode() : scene(W / 2, H / 2), image(W, H, false), source(W, H, false)
    {
        UseDrawMode(DrawMode::Rough);
        image.Fill(50, 60, 70, 0);
        scene.AddFacing({4, 3, 0}, {35, 8, 0}, {12, 26, 0}, true);
    }
    SceneBuilder scene;
    TestImage image;
    TestImage source; // black
};

TEST_F(RoughMode, OverBlackTheEdgesAreWhiteAndOpaque)
{
    scene.Render(image, &source);
    int edge = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            if (image.Get(x, y, 3) == 0) {
                EXPECT_EQ(image.Get(x, y, 0), 50); // untouched
                continue;
            }
            ++edge;
            EXPECT_EQ(image.Get(x, y, 3), 255);
            for (int c = 0; c < 3; ++c)
                EXPECT_EQ(image.Get(x, y, c), 255);
        }
    EXPECT_GT(edge, 31 + 18); // at least one pixel per step of the two longest edges
    EXPECT_EQ(image.Get(20, 15, 3), 0); // the inside is not filled
}

TEST_F(RoughMode, DrawingTwiceDoesNotToggleBack)
{
    source.Fill(0, 128, 255, 255);
    scene.Render(image, &source);
    const auto once = image.Snapshot();
    scene.Render(image, &source);
    EXPECT_EQ(image.Snapshot(), once);
    EXPECT_EQ(image.Get(4, 3, 1), 127);
}

TEST_F(RoughMode, DeepImagesInvertAgainstTheirFullScale)
{
    TestImage deep(W, H, true), deepSource(W, H, true);
    deepSource.Fill(1000, 0, 32768, 32768);
    _Deep = 1;
    scene.Render(deep, &deepSource);
    EXPECT_EQ(deep.Get(4, 3, 0), 31768);
    EXPECT_EQ(deep.Get(4, 3, 1), 32768);
    EXPECT_EQ(deep.Get(4, 3, 2), 0);
    EXPECT_EQ(deep.Get(4, 3, 3), 32768);
    EXPECT_TRUE(deep.GuardsIntact());
}

// What the shader saw, call by call.
struct ShaderCall {
    int x, y;
    float pointZ;
    float inC1, inC2, inC3;
    __Point normal;
    unsigned char mapsOn;
    bool hasPrev;
    float plane[4];
};
std::vector<ShaderCall> Calls;

float RecordingShader(float originX, float originY, unsigned char*, unsigned char*, float pointX,
                      float pointY, float pointZ, __Triangle3ds*, material3ds*, int, float& c1,
                      float& c2, float& c3, __Point* normal, unsigned char mapsOn, float, float,
                      __Texture*, int, light3ds*, __PrevInfo* prev, GlassProp*, float a, float b,
                      float c, float d)
{
    Calls.push_back({static_cast<int>(pointX + originX), static_cast<int>(pointY + originY),
                     pointZ, c1, c2, c3, *normal, mapsOn, prev != nullptr, {a, b, c, d}});
    c1 = 7.0f;
    c2 = static_cast<float>(Calls.size());
    c3 = 9.0f;
    return 1.0f;
}

class ShadedLines : public LinePrimitives {
protected:
    ShadedLines()
    {
        Calls.clear();
        __SetNewRenderOnePixel(RecordingShader);
    }
    // A line of a scene with origin (3, 4) and nothing but the installed shader, at the
    // current quality.
    void Draw(float x0, float y0, float x1, float y1)
    {
        __Triangle3ds t{};
        Scene s{};
        s.target = image.Data();
        s.source = source.Data();
        s.width = W;
        s.height = H;
        s.originX = 3;
        s.originY = 4;
        s.shade = RenderOnePixel;
        s.quality = _Quality != 0;
        s.deep = false;
        ShadedLine(s, &t, x0, x1, y0, y1, 1.0f, 0.0f, 0.6f, -0.8f, 5.0f);
    }
    Pixels Shaded() const
    {
        Pixels out;
        for (const ShaderCall& c : Calls)
            out.insert({c.x, c.y});
        return out;
    }
};

Pixels Block(int x0, int y0, int x1, int y1)
{
    Pixels out;
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            out.insert({x, y});
    return out;
}

TEST_F(ShadedLines, ADeltaOfOneDrawsBothCapsInQuality)
{
    // hw = trunc(2.5 + 1) = 3. Start (10, 10): cap rows and columns 7..12. The loop draws
    // columns 10 and 11 over rows 7..12 and ends one step past the end, at (12, 10), whose cap
    // runs over columns 15 down to 10 and rows 13 down to 8.
    _Quality = 1;
    Draw(10.2f, 10.2f, 11.3f, 10.4f);
    EXPECT_EQ(Calls.size(), 36u + 2 * 6 + 36);
    Pixels expected = Block(7, 7, 12, 12);
    const Pixels end = Block(10, 8, 15, 13);
    expected.insert(end.begin(), end.end());
    EXPECT_EQ(Shaded(), expected);
    // The start cap comes first, row by row from the top left.
    EXPECT_EQ(Calls[0].x, 7);
    EXPECT_EQ(Calls[0].y, 7);
    EXPECT_EQ(Calls.back().x, 10);
    EXPECT_EQ(Calls.back().y, 8);
}

TEST_F(ShadedLines, WithoutQualityOnePixelPerStep)
{
    _Quality = 0;
    Draw(10.2f, 10.2f, 11.3f, 10.4f);
    EXPECT_EQ(Shaded(), (Pixels{{10, 10}, {11, 10}}));
    EXPECT_EQ(image.Get(10, 10, 0), 7);
    EXPECT_EQ(image.Get(10, 10, 3), 255);
}

TEST_F(ShadedLines, NoIntegerDeltaDrawsNothingNotEvenTheCaps)
{
    for (uint8_t quality : {uint8_t{0}, uint8_t{1}}) {
        _Quality = quality;
        Draw(10.2f, 10.2f, 10.9f, 10.95f);
        Draw(10.9f, 10.9f, 10.0f, 10.0f);
    }
    EXPECT_TRUE(Calls.empty());
    EXPECT_EQ(image.CountCovered(), 0);
}

TEST_F(ShadedLines, TheShaderSeesThePlaneAndCarriesItsColourOver)
{
    _Quality = 1;
    Draw(5.0f, 5.0f, 20.0f, 9.0f);
    ASSERT_GT(Calls.size(), 2u);
    // The first call starts from (ChannelMax, 0, 0); every later one sees what the one before
    // it wrote.
    EXPECT_EQ(Calls[0].inC1, 255.0f);
    EXPECT_EQ(Calls[0].inC2, 0.0f);
    EXPECT_EQ(Calls[0].inC3, 0.0f);
    for (size_t k = 1; k < Calls.size(); ++k) {
        EXPECT_EQ(Calls[k].inC1, 7.0f);
        EXPECT_EQ(Calls[k].inC2, static_cast<float>(k));
    }
    for (const ShaderCall& c : Calls) {
        EXPECT_EQ(c.pointZ, 0.0f);
        EXPECT_EQ(c.normal.x, 0.0f);
        EXPECT_EQ(c.normal.y, -0.6f);
        EXPECT_EQ(c.normal.z, 0.8f);
        EXPECT_EQ(c.mapsOn, 0);
        EXPECT_FALSE(c.hasPrev);
        EXPECT_EQ(c.plane[3], 5.0f);
    }
    // A new line starts from red again.
    const size_t first = Calls.size();
    Draw(5.0f, 20.0f, 20.0f, 25.0f);
    EXPECT_EQ(Calls[first].inC1, 255.0f);
    EXPECT_EQ(Calls[first].inC2, 0.0f);
}

// The pen line as written down, pixel by pixel over the whole walk and both caps, with the
// image bounds left to the pixel writers. The engine's walk visits only the steps that can
// reach the image; both must draw the same image.
void ReferencePenLine(int c1, int c2, int c3, float x0, float y0, float x1, float y1,
                      float halfWidth, unsigned char* image)
{
    const int hw = static_cast<int>(2.5 + static_cast<double>(halfWidth));
    int x = static_cast<int>(x0), y = static_cast<int>(y0);
    const int dx = static_cast<int>(x1 - x0), dy = static_cast<int>(y1 - y0);
    if (dx == 0 && dy == 0)
        return;
    const EdgeLineCoefs line = EdgeLine(x0, y0, x1, y1);
    auto pixel = [&](int px, int py) {
        if (_Quality)
            DrawEdgePixel(1.0f, image, 0.0f, NoDepthIndex, c1, c2, c3, line, px, py, halfWidth,
                          x0, y0, x1, y1);
        else
            BlendPixel(image, c1, c2, c3, px, py, 1.0f);
    };
    const int sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -1 : 1;
    const int major = std::abs(dx) > std::abs(dy) ? std::abs(dx) : std::abs(dy);
    const int minor = std::abs(dx) > std::abs(dy) ? std::abs(dy) : std::abs(dx);
    const bool xMajor = std::abs(dx) >= std::abs(dy);
    int err = 2 * minor - major;
    if (_Quality)
        for (int r = y - sy * hw; r != y + sy * hw; r += sy)
            for (int c = x - sx * hw; c != x + sx * hw; c += sx)
                pixel(c, r);
    for (int i = 0; i <= major; ++i) {
        if (!_Quality)
            pixel(x, y);
        else if (xMajor)
            for (int r = y - sy * hw; r != y + sy * hw; r += sy)
                pixel(x, r);
        else
            for (int c = x - sx * hw; c != x + sx * hw; c += sx)
                pixel(c, y);
        while (err >= 0) {
            if (xMajor)
                y += sy;
            else
                x += sx;
            err -= 2 * major;
        }
        if (xMajor)
            x += sx;
        else
            y += sy;
        err += 2 * minor;
    }
    if (_Quality)
        for (int r = y + sy * hw; r != y - sy * hw; r -= sy)
            for (int c = x + sx * hw; c != x - sx * hw; c -= sx)
                pixel(c, r);
}

TEST_F(LinePrimitives, ClippedWalkDrawsWhatThePlainWalkDraws)
{
    std::mt19937 random(8);
    std::uniform_real_distribution<float> coordinate(-150.0f, 190.0f);
    const float widths[] = {0.5f, 1.0f, 2.7f};
    TestImage reference(W, H, false);
    for (int k = 0; k < 400; ++k) {
        _Quality = k % 2;
        const float x0 = coordinate(random), y0 = coordinate(random) / 3;
        const float x1 = coordinate(random), y1 = coordinate(random) / 3;
        const float halfWidth = widths[k % 3];
        image.Fill(0, 0, 0, 0);
        reference.Fill(0, 0, 0, 0);
        ColorLine(200, 100, 50, x0, y0, x1, y1, halfWidth, image.Data(), nullptr);
        ReferencePenLine(200, 100, 50, x0, y0, x1, y1, halfWidth, reference.Data());
        ASSERT_TRUE(image == reference)
            << "(" << x0 << ", " << y0 << ") to (" << x1 << ", " << y1 << "), half-width "
            << halfWidth << ", quality " << int{_Quality};
    }
}

TEST_F(LinePrimitives, HugeLinesAndPensStayInsideTheImage)
{
    const float big = 1e30f;
    for (uint8_t quality : {uint8_t{0}, uint8_t{1}}) {
        _Quality = quality;
        ColorLine(255, 255, 255, -big, 5.0f, big, 6.0f, 1.0f, image.Data(), nullptr);
        ColorLine(255, 255, 255, 3.0f, -3e9f, 4.0f, 3e9f, 1.0f, image.Data(), nullptr);
        ColorLine(255, 255, 255, 10.0f, 10.0f, 12.0f, 11.0f, 1e9f, image.Data(), nullptr);
        ColorLine(255, 255, 255, 10.0f, 10.0f, 12.0f, 11.0f, NAN, image.Data(), nullptr);
        ColorLine(255, 255, 255, NAN, 10.0f, 12.0f, 11.0f, 1.0f, image.Data(), nullptr);
    }
    InvertLine(-big, -big, big, big, image.Data(), source.Data(), W, H);
    InvertLine(-big, 3.0f, big, 4.0f, image.Data(), source.Data(), W, H);
    InvertLine(-INFINITY, 3.0f, 5.0f, 4.0f, image.Data(), source.Data(), W, H);
    EXPECT_TRUE(image.GuardsIntact());
    EXPECT_GT(image.CountCovered(), 0);
}

class LineColour : public EngineTest {
protected:
    LineColour() : scene(W / 2, H / 2), image(W, H, false)
    {
        scene.AddFacing({4, 4, 0}, {36, 4, 0}, {20, 26, 0}, true);
        scene.AddFacing({2, 28, 0}, {38, 28, 0}, {20, 20, 0}, false);
    }
    void Draw(float halfWidth = 1.0f)
    {
        __DrawScenesLineColor(halfWidth, 10, 20, 30, image.Data(), nullptr, 0, 0, 0,
                              static_cast<int>(scene.triangles.size()), scene.triangles.data(),
                              scene.points.data(), scene.originX, scene.originY);
    }
    SceneBuilder scene;
    TestImage image;
};

TEST_F(LineColour, BeforeAnySceneCallNothingIsDrawn)
{
    Draw();
    EXPECT_EQ(image.CountCovered(), 0);
    EXPECT_TRUE(image.GuardsIntact());
    // A depth buffer registered alone sets a size but no image stride.
    TestDepthBuffer depth(W, H);
    depth.Register();
    Draw();
    EXPECT_EQ(image.CountCovered(), 0);
    __SetZBuff(nullptr, 0, 0);
}

TEST_F(LineColour, FrontFacesInTheGivenColour)
{
    scene.RenderSolid(image, 0, 0, 0, 0); // sets the bounds; the transparent paint leaves no trace
    image.Fill(0, 0, 0, 0);
    UseDrawMode(DrawMode::Line);
    Draw();
    // On the top edge (row 4) the pen's coverage is full.
    EXPECT_EQ(image.Get(20, 4, 0), 10);
    EXPECT_EQ(image.Get(20, 4, 1), 20);
    EXPECT_EQ(image.Get(20, 4, 2), 30);
    EXPECT_EQ(image.Get(20, 4, 3), 255);
    EXPECT_EQ(image.Get(20, 28, 3), 0); // the back face's bottom edge

    _DrawBackFaces = 1; // the back-face pass flag of the scene driver does not apply
    _DrawBackFaces1 = 1;
    image.Fill(0, 0, 0, 0);
    Draw();
    EXPECT_EQ(image.Get(20, 28, 3), 0);
    EXPECT_EQ(image.Get(20, 4, 3), 255);

    _DubleSide = 1;
    Draw();
    EXPECT_EQ(image.Get(20, 28, 3), 255);
}

TEST_F(LineColour, CoverageIsSymmetricOnlyInTheLineModes)
{
    scene.triangles.pop_back();
    scene.RenderSolid(image, 0, 0, 0, 0);
    _Quality = 1;
    // Pixels one row either side of the top edge (row 4), with a pen of half-width 2: in the line
    // modes both are fully covered, in the filled modes only the outer one.
    UseDrawMode(DrawMode::Wire);
    image.Fill(0, 0, 0, 0);
    Draw(2.0f);
    EXPECT_EQ(image.Get(20, 3, 3), 255);
    EXPECT_EQ(image.Get(20, 5, 3), 255);
    UseDrawMode(DrawMode::Phong);
    image.Fill(0, 0, 0, 0);
    Draw(2.0f);
    EXPECT_NE(image.Get(20, 3, 3), image.Get(20, 5, 3));
}

} // namespace

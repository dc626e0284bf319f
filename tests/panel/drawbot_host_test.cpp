// The host's drawing suites on their own: images keep their pixels in every layout, painting is
// clipped to the canvas, paths fill by their rule, and references that are not alive are refused.
#include <gtest/gtest.h>

#include <cmath>

#include "host/drawbot_suites.h"

namespace {

class DrawbotHostTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        DRAWBOT_DrawRef drawing = nullptr;
        PF_ContextH context = host.ContextHandle();
        ASSERT_EQ(host.customUISuite.PF_GetDrawingReference(context, &drawing), PF_Err_NONE);
        ASSERT_EQ(host.drawSuite.GetSupplier(drawing, &supplier), kSPNoError);
        ASSERT_EQ(host.drawSuite.GetSurface(drawing, &surface), kSPNoError);
    }

    DRAWBOT_ImageRef Image(int w, int h, int rowBytes, DRAWBOT_PixelLayout layout, const void* data)
    {
        DRAWBOT_ImageRef image = nullptr;
        EXPECT_EQ(host.supplierSuite.NewImageFromBuffer(supplier, w, h, rowBytes, layout, data, &image), kSPNoError);
        return image;
    }
    void Release(void* object) { host.supplierSuite.ReleaseObject(static_cast<DRAWBOT_ObjectRef>(object)); }
    const uint8_t* At(int x, int y) const { return CanvasPixel(host, x, y); }

    DrawbotHost host{8, 6};
    DRAWBOT_SupplierRef supplier = nullptr;
    DRAWBOT_SurfaceRef surface = nullptr;
};

} // namespace

TEST_F(DrawbotHostTest, ImagesKeepTheirPixelsInEachLayout)
{
    // One pixel, red 200, green 100, blue 50, in three layouts; premultiplied at half alpha.
    const uint8_t bgr[4] = {50, 100, 200, 0};
    const uint8_t argb[4] = {255, 200, 100, 50};
    const uint8_t bgraPremul[4] = {25, 50, 100, 128};
    const DRAWBOT_PointF32 points[3] = {{0, 0}, {1, 0}, {2, 0}};
    DRAWBOT_ImageRef images[3] = {Image(1, 1, 4, kDRAWBOT_PixelLayout_24BGR, bgr),
                                  Image(1, 1, 4, kDRAWBOT_PixelLayout_32ARGB_Straight, argb),
                                  Image(1, 1, 4, kDRAWBOT_PixelLayout_32BGRA_Premul, bgraPremul)};
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(host.surfaceSuite.DrawImage(surface, images[i], &points[i], 1.0f), kSPNoError);
    for (int x = 0; x < 2; ++x) {
        EXPECT_EQ(At(x, 0)[0], 200);
        EXPECT_EQ(At(x, 0)[1], 100);
        EXPECT_EQ(At(x, 0)[2], 50);
    }
    // Half of (199, 100, 50) over the panel grey 43.
    EXPECT_NEAR(At(2, 0)[0], (199 + 43) / 2, 1);
    EXPECT_NEAR(At(2, 0)[2], (50 + 43) / 2, 1);
    for (DRAWBOT_ImageRef image : images)
        Release(image);
    EXPECT_TRUE(DrawbotProblems(host).empty());
}

TEST_F(DrawbotHostTest, DrawImageClipsAtTheCanvasAndHonoursOpacity)
{
    std::vector<uint8_t> white(4 * 4 * 3, 255);
    DRAWBOT_ImageRef image = Image(4, 4, 12, kDRAWBOT_PixelLayout_24RGB, white.data());
    const DRAWBOT_PointF32 corner = {6, 4};   // two columns and two rows stick out
    ASSERT_EQ(host.surfaceSuite.DrawImage(surface, image, &corner, 0.5f), kSPNoError);
    EXPECT_NEAR(At(7, 5)[0], (255 + 43) / 2, 1);
    EXPECT_EQ(At(5, 5)[0], PanelBackground[0]);
    const DRAWBOT_PointF32 far = {-1e9f, 3};
    EXPECT_EQ(host.surfaceSuite.DrawImage(surface, image, &far, 1.0f), kSPNoError);
    Release(image);
}

TEST_F(DrawbotHostTest, PathsFillByTheirRule)
{
    DRAWBOT_PathRef path = nullptr;
    ASSERT_EQ(host.supplierSuite.NewPath(supplier, &path), kSPNoError);
    const DRAWBOT_RectF32 outer = {0, 0, 6, 6}, inner = {2, 2, 2, 2};
    host.pathSuite.AddRect(path, &outer);
    host.pathSuite.AddRect(path, &inner);
    const DRAWBOT_ColorRGBA blue = {0, 0, 1, 1};
    DRAWBOT_BrushRef brush = nullptr;
    ASSERT_EQ(host.supplierSuite.NewBrush(supplier, &blue, &brush), kSPNoError);
    ASSERT_EQ(host.surfaceSuite.FillPath(surface, brush, path, kDRAWBOT_FillType_EvenOdd), kSPNoError);
    EXPECT_EQ(At(0, 0)[2], 255);
    EXPECT_EQ(At(3, 3)[2], PanelBackground[2]);   // the hole
    EXPECT_EQ(At(6, 3)[2], PanelBackground[2]);   // right of the square
    // Same direction twice: the winding rule fills the hole.
    ASSERT_EQ(host.surfaceSuite.FillPath(surface, brush, path, kDRAWBOT_FillType_Winding), kSPNoError);
    EXPECT_EQ(At(3, 3)[2], 255);
    Release(path);
    Release(brush);
    EXPECT_TRUE(DrawbotProblems(host).empty());
}

TEST_F(DrawbotHostTest, DeadOrForeignReferencesAreRefusedAndLeaksReported)
{
    uint8_t pixel[4] = {};
    DRAWBOT_ImageRef image = Image(1, 1, 4, kDRAWBOT_PixelLayout_24BGR, pixel);
    Release(image);
    const DRAWBOT_PointF32 at = {0, 0};
    EXPECT_NE(host.surfaceSuite.DrawImage(surface, image, &at, 1.0f), kSPNoError);
    EXPECT_NE(host.supplierSuite.ReleaseObject(reinterpret_cast<DRAWBOT_ObjectRef>(image)), kSPNoError);
    EXPECT_NE(host.surfaceSuite.DrawImage(reinterpret_cast<DRAWBOT_SurfaceRef>(supplier), image, &at, 1.0f), kSPNoError);

    DRAWBOT_ImageRef bad = nullptr;
    EXPECT_NE(host.supplierSuite.NewImageFromBuffer(supplier, 0, 5, 0, kDRAWBOT_PixelLayout_24BGR, pixel, &bad), kSPNoError);
    EXPECT_NE(host.supplierSuite.NewImageFromBuffer(supplier, 4, 1, 3, kDRAWBOT_PixelLayout_24BGR, pixel, &bad), kSPNoError);
    EXPECT_EQ(bad, nullptr);

    Image(1, 1, 4, kDRAWBOT_PixelLayout_24BGR, pixel);   // never released
    bool leakReported = false;
    for (const std::string& p : DrawbotProblems(host))
        leakReported = leakReported || p.find("1 drawing image(s) never released") != std::string::npos;
    EXPECT_TRUE(leakReported);

    PF_Context other = host.context;
    PF_Context* otherP = &other;
    DRAWBOT_DrawRef drawing = nullptr;
    EXPECT_EQ(host.customUISuite.PF_GetDrawingReference(&otherP, &drawing), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(host.appSuite.PF_InvalidateRect(&otherP, nullptr), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_TRUE(host.invalidated.empty());
}

// A request the supplier refuses makes nothing: no reference handed out, nothing left to leak.
TEST_F(DrawbotHostTest, SupplierRefusesBadRequestsWithoutMakingAnything)
{
    const DRAWBOT_ColorRGBA red{1, 0, 0, 1};
    const auto notSupplier = reinterpret_cast<DRAWBOT_SupplierRef>(surface);   // alive, another kind
    DRAWBOT_PenRef pen = nullptr;
    DRAWBOT_BrushRef brush = nullptr;
    DRAWBOT_PathRef path = nullptr;
    const DRAWBOT_SupplierSuite1& s = host.supplierSuite;
    const SPErr refused[] = {
        s.NewPen(supplier, nullptr, 1.0f, &pen),
        s.NewPen(supplier, &red, -1.0f, &pen),
        s.NewPen(supplier, &red, std::nanf(""), &pen),
        s.NewPen(supplier, &red, HUGE_VALF, &pen),
        s.NewPen(supplier, &red, 1.0f, nullptr),
        s.NewPen(notSupplier, &red, 1.0f, &pen),
        s.NewBrush(supplier, nullptr, &brush),
        s.NewBrush(supplier, &red, nullptr),
        s.NewBrush(notSupplier, &red, &brush),
        s.NewPath(supplier, nullptr),
        s.NewPath(notSupplier, &path),
    };
    for (size_t i = 0; i < sizeof refused / sizeof refused[0]; ++i)
        EXPECT_EQ(refused[i], kSPBadParameterError) << "request " << i;
    EXPECT_EQ(pen, nullptr);
    EXPECT_EQ(brush, nullptr);
    EXPECT_EQ(path, nullptr);
    EXPECT_TRUE(DrawbotProblems(host).empty());

    DRAWBOT_SupplierRef noSupplier = nullptr;
    DRAWBOT_DrawRef drawing = nullptr;
    ASSERT_EQ(host.customUISuite.PF_GetDrawingReference(host.ContextHandle(), &drawing), PF_Err_NONE);
    EXPECT_EQ(host.drawSuite.GetSupplier(drawing, nullptr), kSPBadParameterError);
    EXPECT_EQ(host.drawSuite.GetSupplier(reinterpret_cast<DRAWBOT_DrawRef>(supplier), &noSupplier),
              kSPBadParameterError);
    EXPECT_EQ(noSupplier, nullptr);
}

TEST_F(DrawbotHostTest, SupplierAnswersWhatTheHostCanDo)
{
    const DRAWBOT_SupplierSuite1& s = host.supplierSuite;
    const auto notSupplier = reinterpret_cast<DRAWBOT_SupplierRef>(surface);
    const struct {
        const char* question;
        SPErr (*ask)(DRAWBOT_SupplierRef, DRAWBOT_Boolean*);
        DRAWBOT_Boolean expected;
    } questions[] = {{"text", s.SupportsText, 0},
                     {"supports BGRA", s.SupportsPixelLayoutBGRA, 1},
                     {"prefers BGRA", s.PrefersPixelLayoutBGRA, 0},
                     {"supports ARGB", s.SupportsPixelLayoutARGB, 1},
                     {"prefers ARGB", s.PrefersPixelLayoutARGB, 0}};
    for (const auto& q : questions) {
        DRAWBOT_Boolean answer = 7;
        EXPECT_EQ(q.ask(supplier, &answer), kSPNoError) << q.question;
        EXPECT_EQ(answer, q.expected) << q.question;
        answer = 7;
        EXPECT_EQ(q.ask(notSupplier, &answer), kSPBadParameterError) << q.question;
        EXPECT_EQ(answer, 7) << q.question;
        EXPECT_EQ(q.ask(supplier, nullptr), kSPBadParameterError) << q.question;
    }
    float size = 0;
    EXPECT_EQ(s.GetDefaultFontSize(supplier, &size), kSPNoError);
    EXPECT_EQ(size, 12.0f);
    EXPECT_EQ(s.GetDefaultFontSize(notSupplier, &size), kSPBadParameterError);
}

TEST_F(DrawbotHostTest, EachPanelKeepsItsOwnClipAndTransformStack)
{
    DrawbotHost other{8, 6};
    DRAWBOT_DrawRef otherDrawing = nullptr;
    DRAWBOT_SurfaceRef otherSurface = nullptr;
    ASSERT_EQ(other.customUISuite.PF_GetDrawingReference(other.ContextHandle(), &otherDrawing), PF_Err_NONE);
    ASSERT_EQ(other.drawSuite.GetSurface(otherDrawing, &otherSurface), kSPNoError);

    const DRAWBOT_ColorRGBA red = {1, 0, 0, 1};
    const DRAWBOT_RectF32 all = {0, 0, 8, 6};
    ASSERT_EQ(host.surfaceSuite.PushStateStack(surface), kSPNoError);
    const DRAWBOT_Rect32 clip = {1, 1, 3, 2};
    ASSERT_EQ(host.surfaceSuite.Clip(surface, supplier, &clip), kSPNoError);
    const DRAWBOT_MatrixF32 shift = {{{1, 0, 0}, {0, 1, 0}, {2, 0, 1}}};
    ASSERT_EQ(host.surfaceSuite.Transform(surface, &shift), kSPNoError);
    // The other panel's stack is empty and its clip whole, whatever this one holds.
    EXPECT_NE(other.surfaceSuite.PopStateStack(otherSurface), kSPNoError);
    DRAWBOT_Rect32 bounds{};
    ASSERT_EQ(other.surfaceSuite.GetClipBounds(otherSurface, &bounds), kSPNoError);
    EXPECT_EQ(bounds.width, 8);
    EXPECT_EQ(bounds.height, 6);

    // Shifted two columns right and clipped to columns 1..3, rows 1..2: only columns 2 and 3.
    const DRAWBOT_RectF32 square = {0, 0, 2, 6};
    ASSERT_EQ(host.surfaceSuite.PaintRect(surface, &red, &square), kSPNoError);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(At(x, y)[0], (x == 2 || x == 3) && (y == 1 || y == 2) ? 255 : PanelBackground[0]) << x << "," << y;

    // Popping restores the whole canvas and no transform.
    ASSERT_EQ(host.surfaceSuite.PopStateStack(surface), kSPNoError);
    EXPECT_NE(host.surfaceSuite.PopStateStack(surface), kSPNoError);
    ASSERT_EQ(host.surfaceSuite.PaintRect(surface, &red, &all), kSPNoError);
    EXPECT_EQ(At(0, 0)[0], 255);
    EXPECT_EQ(At(7, 5)[0], 255);
    EXPECT_EQ(CanvasPixel(other, 0, 0)[0], PanelBackground[0]);
}

TEST_F(DrawbotHostTest, StrokesCoverThePenWidthAroundTheSegment)
{
    DRAWBOT_PathRef path = nullptr;
    ASSERT_EQ(host.supplierSuite.NewPath(supplier, &path), kSPNoError);
    host.pathSuite.MoveTo(path, 1, 3);
    host.pathSuite.LineTo(path, 7, 3);
    const DRAWBOT_ColorRGBA green = {0, 1, 0, 1};
    DRAWBOT_PenRef pen = nullptr;
    ASSERT_EQ(host.supplierSuite.NewPen(supplier, &green, 2.0f, &pen), kSPNoError);
    ASSERT_EQ(host.surfaceSuite.StrokePath(surface, pen, path), kSPNoError);
    // Rows 2 and 3 (centres 2.5 and 3.5 within 2..4), columns 1 to 6.
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(At(x, y)[1], x >= 1 && x <= 6 && (y == 2 || y == 3) ? 255 : PanelBackground[1]) << x << "," << y;
    Release(path);
    Release(pen);
}

TEST(DrawbotCanvas, HugeOrReversedPolygonsStayInsideTheClip)
{
    DrawbotCanvas canvas{4, 3, std::vector<uint8_t>(4 * 3 * 4, 0)};
    CanvasState state = FreshCanvasState(canvas);
    state.clipLeft = 1;
    state.clipRight = 3;
    const uint8_t white[4] = {255, 255, 255, 255};
    // Far beyond any integer in both directions; the fill covers exactly the clip.
    FillPolygons(canvas, state, {{{-1e30f, -1e30f}, {1e30f, -1e30f}, {1e30f, 1e30f}, {-1e30f, 1e30f}}}, false, white);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(canvas.rgba[(y * 4 + x) * 4], x == 1 || x == 2 ? 255 : 0) << x << "," << y;
    // A clip turned inside out paints nothing.
    state.clipLeft = 3;
    state.clipRight = 1;
    const uint8_t black[4] = {0, 0, 0, 255};
    FillPolygons(canvas, state, {{{0, 0}, {4, 0}, {4, 3}, {0, 3}}}, true, black);
    EXPECT_EQ(canvas.rgba[(1 * 4 + 1) * 4], 255);
}

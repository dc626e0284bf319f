// `velmora panel`: the PNG it writes, normal and with either button lit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "host/commands.h"
#include "host/image_io.h"

namespace {

RgbaImage RunPanel(const std::string& hover, std::string& output)
{
    const std::string path = "velmora_panel_test_" + (hover.empty() ? std::string("normal") : hover) + ".png";
    std::ostringstream out, err;
    EXPECT_EQ(RunPanelCommand("", path, hover, out, err), EXIT_OK) << err.str();
    output = out.str();
    RgbaImage image;
    std::string error;
    EXPECT_TRUE(ReadPngFile(path, image, error)) << error;
    std::remove(path.c_str());
    return image;
}

// The smallest rectangle holding every pixel where the two images differ.
PF_Rect Difference(const RgbaImage& a, const RgbaImage& b)
{
    PF_Rect r{a.width, a.height, -1, -1};
    for (int32_t y = 0; y < a.height; ++y)
        for (int32_t x = 0; x < a.width; ++x)
            for (int c = 0; c < 4; ++c)
                if (a.Pixel(x, y)[c] != b.Pixel(x, y)[c]) {
                    r.left = std::min(r.left, x);
                    r.top = std::min(r.top, y);
                    r.right = std::max(r.right, x);
                    r.bottom = std::max(r.bottom, y);
                }
    return r;
}

} // namespace

TEST(PanelCommand, HoversChangeOnlyTheirButton)
{
    std::string said;
    const RgbaImage normal = RunPanel("", said);
    ASSERT_EQ(normal.width, 384);
    ASSERT_EQ(normal.height, 141);
    EXPECT_NE(said.find("1 draw event(s), 3 image(s) painted, 0 repaint(s)"), std::string::npos) << said;

    const RgbaImage about = RunPanel("about", said);
    EXPECT_NE(said.find("2 draw event(s), 6 image(s) painted, 1 repaint(s)"), std::string::npos) << said;
    ASSERT_EQ(about.width, 384);
    const PF_Rect a = Difference(normal, about);
    EXPECT_GE(a.left, 209);
    EXPECT_GE(a.top, 44);
    EXPECT_LE(a.right, 209 + 65);
    EXPECT_LE(a.bottom, 44 + 65);
    EXPECT_LE(a.left, a.right) << "the lit About button looks like the normal one";

    const RgbaImage web = RunPanel("web", said);
    ASSERT_EQ(web.width, 384);
    const PF_Rect w = Difference(normal, web);
    EXPECT_GE(w.left, 284);
    EXPECT_GE(w.top, 19);
    EXPECT_LE(w.right, 284 + 53);
    EXPECT_LE(w.bottom, 19 + 57);
    EXPECT_LE(w.left, w.right) << "the lit web button looks like the normal one";
}

TEST(PanelCommand, RefusesAnUnknownHover)
{
    std::ostringstream out, err;
    EXPECT_EQ(RunPanelCommand("", "unused.png", "logo", out, err), EXIT_FAILED);
    EXPECT_NE(err.str().find("--hover"), std::string::npos);
}

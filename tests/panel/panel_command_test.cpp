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

    // Each lit button changes pixels within its own bitmap only (x, y, width, height), and some.
    struct Hover {
        const char* name;
        int32_t x, y, width, height;
    };
    for (const Hover& h : {Hover{"about", 209, 44, 65, 65}, Hover{"web", 284, 19, 53, 57}}) {
        SCOPED_TRACE(h.name);
        const RgbaImage lit = RunPanel(h.name, said);
        EXPECT_NE(said.find("2 draw event(s), 6 image(s) painted, 1 repaint(s)"), std::string::npos) << said;
        ASSERT_EQ(lit.width, 384);
        const PF_Rect d = Difference(normal, lit);
        EXPECT_GE(d.left, h.x);
        EXPECT_GE(d.top, h.y);
        EXPECT_LE(d.right, h.x + h.width);
        EXPECT_LE(d.bottom, h.y + h.height);
        EXPECT_LE(d.left, d.right) << "the lit button looks like the normal one";
    }
}

TEST(PanelCommand, RefusesAnUnknownHover)
{
    std::ostringstream out, err;
    EXPECT_EQ(RunPanelCommand("", "unused.png", "logo", out, err), EXIT_FAILED);
    EXPECT_NE(err.str().find("--hover"), std::string::npos);
}

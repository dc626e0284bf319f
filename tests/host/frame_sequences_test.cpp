// Frame-numbered file names: `####` and printf's `%d` / `%0Nd` made into each frame's file, names
// refused that cannot be honoured, frames written under either form, and footage read as numbered
// sequences for the layer and the reflection layers: frame N gets the image numbered N, and a
// missing or differently sized image is refused, by name, before any frame is written.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <sstream>
#include <vector>

#include "effect/params.h"
#include "host/commands.h"
#include "tests/host/render_fixture.h"

namespace {

TEST(FramePaths, HashesAndPrintfNumbersBecomeTheFrame)
{
    EXPECT_EQ(FramePath("out/velmora_####.png", 7), "out/velmora_0007.png");
    EXPECT_EQ(FramePath("plate.%04d.png", 7), "plate.0007.png");
    EXPECT_EQ(FramePath("f_%d.png", 12345), "f_12345.png");
    EXPECT_EQ(FramePath("f_%02d.png", 123), "f_123.png");
    // With a printf number every '#' is part of the name; `%%` is one '%', a lone '%' itself.
    EXPECT_EQ(FramePath("take#1_%03d.png", 5), "take#1_005.png");
    EXPECT_EQ(FramePath("50%%_####.png", 2), "50%_0002.png");
    EXPECT_EQ(FramePath("100%.png", 2), "100%.png");
    EXPECT_EQ(FramePath("x_%%d.png", 3), "x_%d.png");
    EXPECT_FALSE(PatternNumbersFrames("x_%%d.png"));
    EXPECT_FALSE(PatternNumbersFrames("still.png"));
    EXPECT_TRUE(PatternNumbersFrames("x_%d.png"));

    std::string error;
    EXPECT_TRUE(CheckFramePattern("a_%06d.exr", error)) << error;
    EXPECT_FALSE(CheckFramePattern("%d_%d.png", error));
    EXPECT_NE(error.find("2 printf frame numbers"), std::string::npos) << error;
    EXPECT_FALSE(CheckFramePattern("f%4d.png", error));
    EXPECT_NE(error.find("write %04d"), std::string::npos) << error;
    EXPECT_FALSE(CheckFramePattern(std::string(20, '#') + ".png", error));
    EXPECT_NE(error.find("at most 16"), std::string::npos) << error;
}

// What the effect was handed with each render: the first pixel of its layer and reflection layers.
struct SeenLayers {
    uint8_t layer[4];
    uint8_t treeReflection[4];
    A_long layerWidth;
};
std::vector<SeenLayers> Seen;

PF_Err RecordingEntry(PF_Cmd cmd, PF_InData* in, PF_OutData* out, PF_ParamDef* params[], PF_LayerDef* output,
                      void* extra)
{
    if (cmd == PF_Cmd_RENDER) {
        SeenLayers s{};
        const PF_LayerDef& layer = params[PARAM_INPUT]->u.ld;
        const PF_LayerDef& tree = params[PARAM_TREE_REFLECTION_LAYER]->u.ld;
        std::memcpy(s.layer, layer.data, 4);
        if (tree.data)
            std::memcpy(s.treeReflection, tree.data, 4);
        s.layerWidth = layer.width;
        Seen.push_back(s);
    }
    return EntryPointFunc(cmd, in, out, params, output, extra);
}

class FrameSequences : public RenderTest {
protected:
    void TearDown() override
    {
        Seen.clear();
        RenderTest::TearDown();
    }
    // A plain image whose red value is `red`, at 8 bits.
    void WritePlate(const std::string& name, uint8_t red, int32_t width = 48, int32_t height = 27)
    {
        RgbaImage image;
        image.width = width;
        image.height = height;
        for (int32_t i = 0; i < width * height; ++i)
            image.pixels.insert(image.pixels.end(), {uint16_t(red * 257), 20 * 257, 30 * 257, 65535});
        ASSERT_TRUE(WritePngFile((plates.Path() / name).string(), image, error)) << error;
    }
    int Run(RenderOptions o)
    {
        out.str("");
        err.str("");
        return RenderFrames(session, RecordingEntry, o, out, err);
    }
    RenderOptions Frames(int32_t first, int32_t last)
    {
        RenderOptions o;
        o.firstFrame = first;
        o.lastFrame = last;
        o.draft = true;
        o.outPattern = (outputs.Path() / "f_####.png").string();
        return o;
    }
    ScratchFolder plates, outputs;
    std::ostringstream out, err;
};

} // namespace

TEST_F(FrameSequences, FramesAreWrittenUnderEitherForm)
{
    RenderOptions o = Frames(8, 10);
    o.width = 32;
    o.height = 18;
    o.outPattern = (outputs.Path() / "f.%03d.png").string();
    ASSERT_EQ(Run(o), EXIT_OK) << err.str();
    for (const char* name : {"f.008.png", "f.009.png", "f.010.png"})
        EXPECT_TRUE(std::filesystem::exists(outputs.Path() / name)) << name;
    EXPECT_EQ(outputs.CountFiles(), 3u);

    o.outPattern = (outputs.Path() / "g_%d_%d.png").string();
    EXPECT_EQ(Run(o), EXIT_FAILED);
    EXPECT_NE(err.str().find("--out"), std::string::npos) << err.str();
    o.outPattern = (outputs.Path() / "still_%%d.png").string();
    EXPECT_EQ(Run(o), EXIT_FAILED);
    EXPECT_NE(err.str().find("needs the frame number"), std::string::npos) << err.str();
    EXPECT_EQ(outputs.CountFiles(), 3u);
}

TEST_F(FrameSequences, FrameNGetsTheImagesNumberedN)
{
    for (int f = 5; f <= 7; ++f) {
        WritePlate("plate_" + std::to_string(f) + ".png", uint8_t(100 + f));
        WritePlate("refl." + std::string(f < 10 ? "000" : "00") + std::to_string(f) + ".png", uint8_t(200 + f), 8, 8);
    }
    RenderOptions o = Frames(5, 7);
    o.layerPath = (plates.Path() / "plate_%d.png").string();
    o.treeReflectionPath = (plates.Path() / "refl.####.png").string();
    ASSERT_EQ(Run(o), EXIT_OK) << err.str();
    ASSERT_EQ(Seen.size(), 3u);
    for (int f = 5; f <= 7; ++f) {
        const SeenLayers& s = Seen[size_t(f - 5)];
        // Worlds hold alpha, red, green, blue.
        EXPECT_EQ(s.layer[1], 100 + f) << f;
        EXPECT_EQ(s.treeReflection[1], 200 + f) << f;
        EXPECT_EQ(s.layerWidth, 48);   // the render takes the plates' size
    }
    EXPECT_EQ(outputs.CountFiles(), 3u);
}

TEST_F(FrameSequences, AMissingOrMisfitImageIsRefusedByNameBeforeAnyFrame)
{
    WritePlate("p_0001.png", 1);
    WritePlate("p_0002.png", 2);
    WritePlate("p_0004.png", 4);
    WritePlate("p_0005.png", 5, 47, 27);
    RenderOptions o = Frames(1, 4);
    o.layerPath = (plates.Path() / "p_####.png").string();
    EXPECT_EQ(Run(o), EXIT_FAILED);
    EXPECT_NE(err.str().find("p_0003.png: no such file (frame 3 of "), std::string::npos) << err.str();

    WritePlate("p_0003.png", 3);
    o = Frames(1, 5);
    o.needleReflectionPath = (plates.Path() / "p_####.png").string();
    EXPECT_EQ(Run(o), EXIT_FAILED);
    EXPECT_NE(err.str().find("--needle-reflection: "), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("p_0005.png is 47x27 but "), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("p_0001.png, the sequence's first, is 48x27"), std::string::npos) << err.str();
    EXPECT_TRUE(Seen.empty());
    EXPECT_EQ(outputs.CountFiles(), 0u);

    // Planned for frames 1 to 4 alone, the sequence is whole.
    o = Frames(1, 4);
    o.layerPath = (plates.Path() / "p_####.png").string();
    EXPECT_EQ(Run(o), EXIT_OK) << err.str();
    EXPECT_EQ(Seen.size(), 4u);
}

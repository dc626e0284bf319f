// `velmora render` driven in-process: what the effect is handed per frame (time base, quality,
// resolution, padded worlds, layers), the files written, bad input refused before anything is
// written, and 16-bit and reduced-resolution frames against full 8-bit ones.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <vector>

#include "effect/params.h"
#include "host/commands.h"
#include "host/frame_tree.h"
#include "host/param_values.h"
#include "engine/engine_state.h"
#include "platform/pages.h"
#include "tests/host/render_fixture.h"

namespace {

// What the effect saw with each render command.
struct SeenFrame {
    PF_InData in;
    PF_LayerDef output;
    PF_LayerDef input;
    PF_LayerDef treeLayer;
    PF_LayerDef needleLayer;
    double growUp;
    PF_Fixed positionX, positionY;
};
std::vector<SeenFrame> Seen;

PF_Err RecordingEntry(PF_Cmd cmd, PF_InData* in, PF_OutData* out, PF_ParamDef* params[], PF_LayerDef* output,
                      void* extra)
{
    if (cmd != PF_Cmd_RENDER)
        return EntryPointFunc(cmd, in, out, params, output, extra);
    Seen.push_back(SeenFrame{*in, *output, params[PARAM_INPUT]->u.ld, params[PARAM_TREE_REFLECTION_LAYER]->u.ld,
                             params[PARAM_NEEDLE_REFLECTION_LAYER]->u.ld, params[PARAM_GROW_UP]->u.fd.value / 65536.0,
                             params[PARAM_POSITION]->u.td.x_value, params[PARAM_POSITION]->u.td.y_value});
    return EntryPointFunc(cmd, in, out, params, output, extra);
}

void WriteText(const std::filesystem::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// Pixels the tree covers: opaque ones of a frame drawn over transparent black.
struct Coverage {
    int64_t count = 0;
    double x = 0, y = 0;   // centroid
};
Coverage CoverageOf(const RgbaImage& image)
{
    Coverage c;
    for (int32_t y = 0; y < image.height; ++y)
        for (int32_t x = 0; x < image.width; ++x)
            if (image.Pixel(x, y)[3] > 32768) {
                ++c.count;
                c.x += x;
                c.y += y;
            }
    if (c.count) {
        c.x /= double(c.count);
        c.y /= double(c.count);
    }
    return c;
}

class RenderCommandTest : public RenderTest {
protected:
    void TearDown() override
    {
        Seen.clear();
        RenderTest::TearDown();
    }
    int Run(RenderOptions o, PF_EntryPointFunc entry = EntryPointFunc)
    {
        out.str("");
        err.str("");
        return RenderFrames(session, entry, o, out, err);
    }
    std::ostringstream out, err;
    ScratchFolder folder;
};

TEST_F(RenderCommandTest, TheDefaultRenderIsTheGrowUpAnimationOnTheHostsTimeBase)
{
    RenderOptions o;
    o.width = 64;
    o.height = 36;
    o.draft = true;
    o.fps = 30;
    o.outPattern = (folder.Path() / "grow" / "velmora_####.png").string();
    ASSERT_EQ(Run(o, RecordingEntry), EXIT_OK) << err.str();
    ASSERT_EQ(Seen.size(), 24u);
    for (size_t f = 0; f < Seen.size(); ++f) {
        const PF_InData& in = Seen[f].in;
        EXPECT_EQ(in.current_time, A_long(f) * in.local_time_step);
        EXPECT_EQ(in.time_scale, A_u_long(30 * in.local_time_step));
        EXPECT_EQ(in.quality, PF_Quality_LO);
        EXPECT_NEAR(Seen[f].growUp, 100.0 * double(f) / 23.0, 1e-4);
        EXPECT_TRUE(std::filesystem::exists(folder.Path() / "grow" / FramePath("velmora_####.png", int32_t(f))));
    }
    EXPECT_EQ(Seen.front().growUp, 0.0);
    EXPECT_EQ(Seen.back().growUp, 100.0);
    // A progress line, and a closing line saying where the frames are.
    EXPECT_NE(err.str().find("24 of 24"), std::string::npos) << err.str();
    EXPECT_NE(out.str().find("velmora_0000.png to "), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("velmora_0023.png"), std::string::npos) << out.str();
}

TEST_F(RenderCommandTest, WorldsHavePaddedRowsAndLayersOfTheRendersDepth)
{
    const ScratchFolder images;
    ASSERT_TRUE(WritePngFile((images.Path() / "r.png").string(), UniformImage(5, 3, 40000), error)) << error;
    for (bool deep : {false, true}) {
        Seen.clear();
        RenderOptions o = SmallOptions(50, 20, 3);
        o.deep = deep;
        o.treeReflectionPath = (images.Path() / "r.png").string();
        ASSERT_EQ(Run(o, RecordingEntry), EXIT_OK) << err.str();
        ASSERT_EQ(Seen.size(), 1u);
        const size_t pixel = deep ? 8 : 4;
        for (const PF_LayerDef* w : {&Seen[0].output, &Seen[0].input, &Seen[0].treeLayer}) {
            EXPECT_GT(size_t(w->rowbytes), size_t(w->width) * pixel);
            EXPECT_EQ((w->world_flags & PF_WorldFlag_DEEP) != 0, deep);
            EXPECT_NE(w->data, nullptr);
        }
        EXPECT_EQ(Seen[0].treeLayer.width, 5);
        EXPECT_EQ(Seen[0].needleLayer.data, nullptr);   // not given: no layer
        EXPECT_EQ(Seen[0].in.current_time, 3 * Seen[0].in.local_time_step);
        EXPECT_EQ(Seen[0].in.quality, PF_Quality_HI);
    }
}

TEST_F(RenderCommandTest, ReducedResolutionKeepsTheLayerWidthAndScalesPoints)
{
    RenderOptions o = SmallOptions(200, 100, 0);
    o.resolution = 4;
    o.settings = {"Position=100,60"};
    ASSERT_EQ(Run(o, RecordingEntry), EXIT_OK) << err.str();
    ASSERT_EQ(Seen.size(), 1u);
    EXPECT_EQ(Seen[0].output.width, 50);
    EXPECT_EQ(Seen[0].output.height, 25);
    EXPECT_EQ(Seen[0].input.width, 50);
    EXPECT_EQ(Seen[0].in.width, 200);
    EXPECT_EQ(Seen[0].in.downsample_x.den, 4u);
    EXPECT_EQ(Seen[0].positionX, 25 << 16);
    EXPECT_EQ(Seen[0].positionY, 15 << 16);
}

// At half resolution the effect draws into a world of half the layer's size with the point
// values halved, which is just what it draws for a layer of that size.
TEST_F(RenderCommandTest, HalfResolutionDrawsTheFrameOfTheHalvedLayer)
{
    RenderOptions full = SmallOptions(160, 90, 0);
    full.settings = {"Grow up=100", "Cut alpha=on", "Position=60,80"};
    RenderOptions half = full;
    half.width = 320;
    half.height = 180;
    half.resolution = 2;
    half.settings = {"Grow up=100", "Cut alpha=on", "Position=120,160"};
    const RgbaImage a = Render(full, 0);
    const RgbaImage b = Render(half, 0);
    const Coverage ca = CoverageOf(a);
    ASSERT_GT(ca.count, 200);
    EXPECT_NEAR(ca.x, 60, 10);
    EXPECT_EQ(ImageHash(a), ImageHash(b));
}

TEST_F(RenderCommandTest, DeepFramesAreSixteenBitFilesWithFullScaleAtTheTop)
{
    RenderOptions o = SmallOptions(96, 54, 23);
    o.writeFiles = true;
    o.deep = true;
    o.outPattern = (folder.Path() / "deep.png").string();
    ASSERT_EQ(Run(o), EXIT_OK) << err.str();
    RgbaImage deep, shallow;
    ASSERT_TRUE(ReadPngFile(o.outPattern, deep, error)) << error;
    EXPECT_EQ(deep.bitDepth, 16);
    for (int32_t y = 0; y < deep.height; ++y)
        for (int32_t x = 0; x < deep.width; ++x)
            ASSERT_EQ(deep.Pixel(x, y)[3], 65535) << x << "," << y;   // the sky is opaque: 32768
    o.deep = false;
    o.outPattern = (folder.Path() / "shallow.png").string();
    ASSERT_EQ(Run(o), EXIT_OK) << err.str();
    ASSERT_TRUE(ReadPngFile(o.outPattern, shallow, error)) << error;
    EXPECT_EQ(shallow.bitDepth, 8);
    const ImageDifference d = CompareImages(deep, shallow);
    EXPECT_LT(d.meanDifference, 1.0);
    // Shading rounds differently at 16 bits; the frames agree but for a few steps here and there.
    EXPECT_LT(d.differingPixels, 0.1);
}

TEST_F(RenderCommandTest, FramePathsPadTheLastRunOfHashes)
{
    EXPECT_EQ(FramePath("out/velmora_####.png", 7), "out/velmora_0007.png");
    EXPECT_EQ(FramePath("a#b_##.png", 123), "a#b_123.png");
    EXPECT_EQ(FramePath("still.png", 5), "still.png");
    RenderOptions o = SmallOptions(32, 18, 0);
    o.writeFiles = true;
    o.firstFrame = 8;
    o.lastFrame = 10;
    o.draft = true;
    o.outPattern = (folder.Path() / "f_##.png").string();
    ASSERT_EQ(Run(o), EXIT_OK) << err.str();
    for (const char* name : {"f_08.png", "f_09.png", "f_10.png"})
        EXPECT_TRUE(std::filesystem::exists(folder.Path() / name)) << name;
    EXPECT_EQ(folder.CountFiles(), 3u);
}

// Every refusal: a message naming what is wrong, a failing exit code, and no file written.
TEST_F(RenderCommandTest, BadInputIsRefusedBeforeAnyFrameIsWritten)
{
    const ScratchFolder inputs;
    WriteText(inputs.Path() / "notes.png", "not an image at all");
    ASSERT_TRUE(WritePngFile((inputs.Path() / "small.png").string(), UniformImage(10, 10, 65535), error));
    WriteText(inputs.Path() / "params.json", "{\"parameters\": [{\"key\": \"Grow up\", \"value\": 250}]}");
    WriteText(inputs.Path() / "broken.json", "{\"parameters\": [");
    const std::string interlaced = std::string(VELMORA_TEST_DATA) + "/png/interlaced.png";
    const bool libpng = std::string(PngCodecName()).rfind("libpng", 0) == 0;

    struct Case {
        const char* expect;
        std::function<void(RenderOptions&)> change;
    };
    const std::vector<Case> cases = {
        {"no parameter \"Growth\"", [](RenderOptions& o) { o.settings = {"Growth=50"}; }},
        {"0 to 100", [](RenderOptions& o) { o.settings = {"Grow up=101"}; }},
        {"increasing frame order", [](RenderOptions& o) { o.settings = {"Grow up=0@9,100@1"}; }},
        {"Grow up", [](RenderOptions& o) { o.settings = {"Grow up=0@0,fifty@9"}; }},
        {"1 to 10", [](RenderOptions& o) { o.settings = {"Length=20", "N branches=11@4"}; }},
        {"not a PNG", [&](RenderOptions& o) { o.layerPath = (inputs.Path() / "notes.png").string(); }},
        {"no such file", [&](RenderOptions& o) { o.layerPath = (inputs.Path() / "missing.png").string(); }},
        // libpng reads interlaced files, the small codec refuses them.
        {libpng ? "is 7x5 but --size" : "interlaced", [&](RenderOptions& o) { o.layerPath = interlaced; }},
        {"--size asks for", [&](RenderOptions& o) { o.layerPath = (inputs.Path() / "small.png").string(); }},
        {"--tree-reflection", [&](RenderOptions& o) { o.treeReflectionPath = (inputs.Path() / "notes.png").string(); }},
        {"--needle-reflection", [&](RenderOptions& o) { o.needleReflectionPath = (inputs.Path() / "gone.png").string(); }},
        {"0 to 100", [&](RenderOptions& o) { o.paramsFile = (inputs.Path() / "params.json").string(); }},
        {"not a JSON file", [&](RenderOptions& o) { o.paramsFile = (inputs.Path() / "broken.json").string(); }},
        {"needs the frame number", [&](RenderOptions& o) { o.outPattern = (folder.Path() / "x" / "still.png").string(); }},
        {"--fps", [](RenderOptions& o) { o.fps = 0; }},
    };
    for (const Case& c : cases) {
        RenderOptions o = SmallOptions(32, 18, 0);
        o.writeFiles = true;
        o.lastFrame = 2;
        o.outPattern = (folder.Path() / "x" / "f_####.png").string();
        c.change(o);
        EXPECT_EQ(Run(o), EXIT_FAILED) << c.expect;
        EXPECT_NE(err.str().find(c.expect), std::string::npos) << "expected \"" << c.expect << "\" in: " << err.str();
        EXPECT_EQ(folder.CountFiles(), 0u) << c.expect;
    }
}

TEST_F(RenderCommandTest, AParameterFileFromParamsJsonSetsTheFrame)
{
    // The file `velmora params --json` writes, with one value changed.
    ASSERT_TRUE(SetParamFromText(session, PARAM_RENDERING_MODE, "Flat", error)) << error;
    nlohmann::ordered_json file = ParamsToJson(session);
    ResetParamValues(session);
    WriteText(folder.Path() / "p.json", file.dump(2));
    RenderOptions o = SmallOptions(64, 36, 0);
    o.paramsFile = (folder.Path() / "p.json").string();
    const RgbaImage fromFile = Render(o, 0);
    o.paramsFile.clear();
    o.settings = {"Grow up=100", "Rendering mode=Flat"};
    const RgbaImage fromSetting = Render(o, 0);
    o.settings = {"Grow up=100"};
    const RgbaImage phong = Render(o, 0);
    EXPECT_EQ(ImageHash(fromFile), ImageHash(fromSetting));
    EXPECT_NE(ImageHash(fromFile), ImageHash(phong));
}

// The default animation belongs to the frame numbers: any part of it, rendered alone, gives the
// same files as the whole run, and a "Grow up" from the parameter file replaces it.
TEST_F(RenderCommandTest, APartOfTheDefaultAnimationEqualsTheSameFramesOfTheWholeRun)
{
    RenderOptions whole;
    whole.width = 64;
    whole.height = 36;
    whole.draft = true;
    whole.outPattern = (folder.Path() / "whole" / "f_####.png").string();
    ASSERT_EQ(Run(whole), EXIT_OK) << err.str();
    RenderOptions part = whole;
    part.firstFrame = 5;
    part.lastFrame = 6;
    part.outPattern = (folder.Path() / "part" / "f_####.png").string();
    ASSERT_EQ(Run(part, RecordingEntry), EXIT_OK) << err.str();
    ASSERT_EQ(Seen.size(), 2u);
    EXPECT_NEAR(Seen[0].growUp, 100.0 * 5 / 23, 1e-4);
    for (const char* name : {"f_0005.png", "f_0006.png"}) {
        std::ifstream a(folder.Path() / "whole" / name, std::ios::binary), b(folder.Path() / "part" / name, std::ios::binary);
        std::stringstream bytesA, bytesB;
        bytesA << a.rdbuf();
        bytesB << b.rdbuf();
        EXPECT_GT(bytesA.str().size(), 100u);
        EXPECT_EQ(bytesA.str(), bytesB.str()) << name;
    }

    Seen.clear();
    WriteText(folder.Path() / "p.json", "{\"parameters\": [{\"key\": \"Grow up\", \"value\": 40}]}");
    part.paramsFile = (folder.Path() / "p.json").string();
    part.writeFiles = false;
    ASSERT_EQ(Run(part, RecordingEntry), EXIT_OK) << err.str();
    ASSERT_EQ(Seen.size(), 2u);
    EXPECT_EQ(Seen[0].growUp, 40.0);
    EXPECT_EQ(Seen[1].growUp, 40.0);
}

// A frame the module could not draw for want of memory stops the run with the reason and the
// frame, and leaves no file: a farm must never receive a frame of the layer without its tree.
TEST_F(RenderCommandTest, AFrameShortOfMemoryStopsTheRunNamingItAndWritesNothing)
{
    RenderOptions o;
    o.width = 64;
    o.height = 36;
    o.firstFrame = o.lastFrame = 3;
    o.outPattern = (folder.Path() / "f_####.png").string();
    o.writeFiles = false;
    ReleaseSceneBuffers();
    const int64_t before = PageAllocationCalls();
    ASSERT_EQ(Run(o), EXIT_OK) << err.str();
    const int64_t calls = PageAllocationCalls() - before;
    // The last allocation belongs to the frame's render (the large-tree check before it grows a
    // tree of its own).
    o.writeFiles = true;
    ReleaseSceneBuffers();
    PageFailAllocation(calls);
    EXPECT_EQ(Run(o), EXIT_FAILED);
    PageFailAllocation(0);
    EXPECT_NE(err.str().find("error 4 (out of memory) on frame 3"), std::string::npos) << err.str();
    EXPECT_EQ(folder.CountFiles(), 0u);
    EXPECT_EQ(EffectErrorText(PF_Err_NONE + 7), "error 7");
}

// --no-overwrite resumes an interrupted render: complete frames are kept as they are, a damaged
// or missing one is rendered again.
TEST_F(RenderCommandTest, NoOverwriteKeepsCompleteFramesAndRedoesDamagedOnes)
{
    RenderOptions o = SmallOptions(48, 27, 0);
    o.writeFiles = true;
    o.draft = true;
    o.lastFrame = 3;
    o.outPattern = (folder.Path() / "f_####.png").string();
    ASSERT_EQ(Run(o), EXIT_OK) << err.str();
    const std::filesystem::path damaged = folder.Path() / "f_0002.png";
    const auto size = std::filesystem::file_size(damaged);
    std::filesystem::resize_file(damaged, size / 2);
    std::filesystem::remove(folder.Path() / "f_0003.png");
    o.noOverwrite = true;
    ASSERT_EQ(Run(o, RecordingEntry), EXIT_OK) << err.str();
    ASSERT_EQ(Seen.size(), 2u);
    EXPECT_EQ(Seen[0].in.current_time, 2 * Seen[0].in.local_time_step);
    EXPECT_EQ(Seen[1].in.current_time, 3 * Seen[1].in.local_time_step);
    EXPECT_EQ(std::filesystem::file_size(damaged), size);
    EXPECT_NE(out.str().find("2 written, 2 already complete and kept"), std::string::npos) << out.str();
    EXPECT_EQ(folder.CountFiles(), 4u);
}

// The README's seamless loop: "Frequency of oscillation" 15 sways in 48 frames and "Speed of
// oscillation" 62.5 runs its wave in 16, and from the end of a swing (frame 12) frame 60 is
// frame 12 again. Frames half a loop apart differ, so the loop really moves.
TEST_F(RenderCommandTest, TheLoopExamplesFirstAndLastPlusOneFramesAreEqual)
{
    RenderOptions o = SmallOptions(160, 90, 12);
    o.settings = {"Grow up=100", "Frequency of oscillation=15", "Speed of oscillation=62.5"};
    const RgbaImage first = Render(o, 12);
    EXPECT_EQ(ImageHash(first), ImageHash(Render(o, 60)));
    EXPECT_NE(ImageHash(first), ImageHash(Render(o, 36)));
    EXPECT_NE(ImageHash(first), ImageHash(Render(o, 20)));
}

// A preset saved for 1920x1080 renders at 960x540 what the same settings given there render.
TEST_F(RenderCommandTest, APresetPlacesTheTreeTheSameAtAnotherSize)
{
    ParamsOptions save;
    save.format = "json";
    save.settings = {"Grow up=100", "Scale=70", "Position=50%,96.3%", "Cut alpha=on"};
    save.outPath = (folder.Path() / "preset.json").string();
    ASSERT_EQ(RunParamsCommand("", save, out, err), EXIT_OK) << err.str();
    RenderOptions fromPreset = SmallOptions(192, 108, 5);
    fromPreset.paramsFile = save.outPath;
    RenderOptions fromSettings = SmallOptions(192, 108, 5);
    fromSettings.settings = save.settings;
    const RgbaImage a = Render(fromPreset, 5);
    EXPECT_GT(CoverageOf(a).count, 300);
    EXPECT_EQ(ImageHash(a), ImageHash(Render(fromSettings, 5)));
}

// Before a render whose tree runs to millions of triangles, a warning with the counts; none for
// the default tree, nor while the tree has hardly grown.
TEST_F(RenderCommandTest, AVeryLargeTreeIsAnnouncedWithItsSize)
{
    RenderPlan plan;
    RenderOptions o = SmallOptions(64, 36, 23);
    ASSERT_TRUE(PlanRender(session, o, plan, error)) << error;
    WarnOfLargeTree(session, plan, err);
    EXPECT_TRUE(err.str().empty()) << err.str();
    o.settings = {"N branches=9", "Grow up=0@0,100@200"};
    ASSERT_TRUE(PlanRender(session, o, plan, error)) << error;
    WarnOfLargeTree(session, plan, err);
    EXPECT_TRUE(err.str().empty()) << err.str();
    o.settings = {"N branches=9"};
    ASSERT_TRUE(PlanRender(session, o, plan, error)) << error;
    WarnOfLargeTree(session, plan, err);
    EXPECT_NE(err.str().find("warning: the tree of frame 23 is very large: 2,9"), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("(\"N branches\" 9;"), std::string::npos) << err.str();
    EXPECT_NE(err.str().find(" MB for its mesh"), std::string::npos) << err.str();
}

// The generator's count is the mesh's own.
TEST(TreeSize, CountsAreThoseOfTheMesh)
{
    for (const char* levels : {"N branches=1", "N branches=5"}) {
        FrameTreeOptions options;
        options.settings = {levels, "Grow up=80"};
        options.frame = 7;
        FrameTree tree;
        std::string error;
        ASSERT_TRUE(BuildFrameTree(options, tree, error)) << error;
        const TreeSize size = CountTree(tree.params, options.width, options.frame);
        EXPECT_EQ(size.triangles, tree.triangleCount) << levels;
        EXPECT_EQ(size.needles * 3, tree.needleTriangleCount) << levels;
        EXPECT_EQ(size.nodes, tree.nodes) << levels;
        EXPECT_GE(size.bytes, int64_t(tree.triangleCount) * 136) << levels;
    }
}

} // namespace


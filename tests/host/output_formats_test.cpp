// What `velmora render` writes, on both builds: the output's extension chooses the format and an
// unknown one is refused with the list; a video takes one name and an even size for H.264;
// velmora.exe refuses the Linux-only formats; and frames written on the second thread are the
// rendered frames byte for byte, in order, while the module renders on the calling thread only,
// and a failed write stops the run with its message.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <thread>
#include <vector>

#include "host/commands.h"
#include "host/frame_writer.h"
#include "host/output_formats.h"
#include "tests/host/render_fixture.h"

namespace {

class OutputFormats : public RenderTest {
protected:
    int Run(const RenderOptions& o, PF_EntryPointFunc entry = EntryPointFunc)
    {
        out.str("");
        err.str("");
        return RenderFrames(session, entry, o, out, err);
    }
    RenderOptions Frames(const std::string& name, int32_t last = 2)
    {
        RenderOptions o = SizedOptions(32, 18);
        o.lastFrame = last;
        o.draft = true;
        o.progress = ProgressStyle::Quiet;
        o.outPattern = (folder.Path() / name).string();
        return o;
    }
    ScratchFolder folder;
    std::ostringstream out, err;
};

HostWorld SolidWorld(uint8_t red)
{
    RgbaImage image;
    image.width = 4;
    image.height = 2;
    for (int i = 0; i < 8; ++i)
        image.pixels.insert(image.pixels.end(), {uint16_t(red * 257), 0, 0, 65535});
    HostWorld world;
    EXPECT_TRUE(ImageToWorld(image, false, world));
    return world;
}

// The threads the module was called on for renders.
std::vector<std::thread::id> RenderThreads;

PF_Err ThreadNotingEntry(PF_Cmd cmd, PF_InData* in, PF_OutData* out, PF_ParamDef* params[], PF_LayerDef* output,
                         void* extra)
{
    if (cmd == PF_Cmd_RENDER)
        RenderThreads.push_back(std::this_thread::get_id());
    return EntryPointFunc(cmd, in, out, params, output, extra);
}

} // namespace

TEST_F(OutputFormats, TheExtensionChoosesTheFormatAndAnUnknownOneIsRefused)
{
    std::string error;
    for (const char* name : {"a.png", "A.PNG", "b.exr", "c.Mp4", "d.mov"}) {
        const bool png = std::string(name) == "a.png" || std::string(name) == "A.PNG";
        const OutputFormat* format = OutputFormatOf(name, error);
        EXPECT_EQ(format != nullptr, BuildWritesLinuxOnlyFormats() || png) << name;
        if (!format) {
            EXPECT_NE(error.find("Linux build of velmora only"), std::string::npos) << error;
        }
    }
    for (const char* name : {"frame.tif", "frame", "frame.png.gz"}) {
        EXPECT_EQ(Run(Frames(name, 0)), EXIT_FAILED) << name;
        EXPECT_NE(err.str().find(".png, .exr, .mp4, .mov"), std::string::npos) << err.str();
    }
    EXPECT_EQ(folder.CountFiles(), 0u);
}

TEST_F(OutputFormats, AVideoIsOneFileOfEvenSize)
{
    if (!BuildWritesLinuxOnlyFormats()) {
        EXPECT_EQ(Run(Frames("v.mp4")), EXIT_FAILED);
        EXPECT_NE(err.str().find(".mp4 files are written by the Linux build of velmora only"), std::string::npos)
            << err.str();
        EXPECT_EQ(Run(Frames("f_####.exr")), EXIT_FAILED);
        EXPECT_NE(err.str().find(".exr files are written by the Linux build"), std::string::npos) << err.str();
        EXPECT_EQ(folder.CountFiles(), 0u);
        return;
    }
    EXPECT_EQ(Run(Frames("v_####.mp4")), EXIT_FAILED);
    EXPECT_NE(err.str().find("leave the frame number out of its name"), std::string::npos) << err.str();
    RenderOptions odd = Frames("v.mp4");
    odd.width = 33;
    EXPECT_EQ(Run(odd), EXIT_FAILED);
    EXPECT_NE(err.str().find("even width and height"), std::string::npos) << err.str();
    RenderOptions keep = Frames("v.mov");
    keep.noOverwrite = true;
    EXPECT_EQ(Run(keep), EXIT_FAILED);
    EXPECT_NE(err.str().find("--no-overwrite"), std::string::npos) << err.str();
    EXPECT_EQ(folder.CountFiles(), 0u);
}

// Several frames in flight between the renderer and the writer: each file holds its own frame's
// bytes, and every render was on the calling thread.
TEST_F(OutputFormats, FramesWrittenBesideTheRenderAreTheRenderedFrames)
{
    RenderOptions o = Frames("f_####.png", 7);
    o.settings = {"Rotation Y=0@0,70@7"};
    RenderThreads.clear();
    ASSERT_EQ(Run(o, ThreadNotingEntry), EXIT_OK) << err.str();
    ASSERT_EQ(RenderThreads.size(), 8u);
    for (const std::thread::id& id : RenderThreads)
        EXPECT_EQ(id, std::this_thread::get_id());
    EXPECT_NE(out.str().find(" to write, written while the next rendered"), std::string::npos) << out.str();
    for (int32_t frame = 0; frame <= 7; ++frame) {
        RgbaImage written;
        ASSERT_TRUE(ReadPngFile(FramePath(o.outPattern, frame), written, error)) << error;
        EXPECT_EQ(ImageHash(written), ImageHash(Render(o, frame))) << "frame " << frame;
    }
}

TEST_F(OutputFormats, TheWriterWritesEveryFrameInOrderAndReportsAFailure)
{
    std::string error;
    FrameOutput output;
    FrameOutputTarget target;
    target.format = OutputFormatOf("x.png", error);
    target.pattern = (folder.Path() / "w_%d.png").string();
    ASSERT_TRUE(output.Open(target, error)) << error;
    {
        FrameWriter writer(output);
        for (int32_t frame = 0; frame < 6; ++frame)
            ASSERT_TRUE(writer.Push(frame, SolidWorld(uint8_t(40 * frame)), error)) << error;
        ASSERT_TRUE(writer.Finish(error)) << error;
        const std::vector<WrittenFrame> written = writer.TakeWritten();
        ASSERT_EQ(written.size(), 6u);
        for (int32_t frame = 0; frame < 6; ++frame) {
            EXPECT_EQ(written[size_t(frame)].frame, frame);
            RgbaImage back;
            ASSERT_TRUE(ReadPngFile(FramePath(target.pattern, frame), back, error)) << error;
            EXPECT_EQ(back.pixels[0], 40 * frame * 257);
        }
    }
    // Frames for a folder that is gone: the failure comes back to the renderer, which stops.
    FrameOutput lost;
    target.pattern = (folder.Path() / "gone" / "w_%d.png").string();
    ASSERT_TRUE(lost.Open(target, error)) << error;
    FrameWriter writer(lost);
    bool refused = false;
    for (int32_t frame = 0; frame < 5 && !refused; ++frame)
        refused = !writer.Push(frame, SolidWorld(1), error);
    if (!refused) {
        EXPECT_FALSE(writer.Finish(error));
    }
    EXPECT_NE(error.find("w_0.png"), std::string::npos) << error;
    EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
}

// A frame that cannot be written (its name is taken by a folder) stops the run with the writer's
// message; the frames before it are whole, and none after it is written.
TEST_F(OutputFormats, AFailedWriteStopsTheRunNamingTheFile)
{
    RenderOptions o = Frames("f_####.png", 7);
    std::filesystem::create_directories(FramePath(o.outPattern, 2));
    EXPECT_EQ(Run(o), EXIT_FAILED);
    EXPECT_NE(err.str().find("cannot write " + FramePath(o.outPattern, 2)), std::string::npos) << err.str();
    for (int32_t frame = 0; frame <= 7; ++frame) {
        RgbaImage image;
        EXPECT_EQ(ReadPngFile(FramePath(o.outPattern, frame), image, error), frame < 2) << frame;
    }
    EXPECT_EQ(folder.CountFiles(), 3u);   // two frames and the folder: no temporary is left
}

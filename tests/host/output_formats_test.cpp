// What `velmora render` writes, on both builds: the output's extension chooses the format and an
// unknown one is refused with the list; a video takes one name and an even size for H.264;
// velmora.exe refuses the Linux-only formats; and a failed write stops the run with its message.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "host/commands.h"
#include "host/output_formats.h"
#include "tests/host/render_fixture.h"

namespace {

class OutputFormats : public RenderTest {
protected:
    int Run(const RenderOptions& o)
    {
        out.str("");
        err.str("");
        return RenderFrames(session, EntryPointFunc, o, out, err);
    }
    RenderOptions Frames(const std::string& name, int32_t last = 2)
    {
        RenderOptions o;
        o.width = 32;
        o.height = 18;
        o.sizeGiven = true;
        o.lastFrame = last;
        o.draft = true;
        o.progress = ProgressStyle::Quiet;
        o.outPattern = (folder.Path() / name).string();
        return o;
    }
    ScratchFolder folder;
    std::ostringstream out, err;
};

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

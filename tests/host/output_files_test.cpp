// Files the host writes are whole or absent: a finished file replaces the old one at once, a
// failed or abandoned one leaves nothing behind, errors carry the system's reason, results on a
// full standard output fail the command, and a render never writes over its own inputs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "host/commands.h"
#include "host/frame_paths.h"
#include "host/output_file.h"
#include "tests/host/render_fixture.h"

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteText(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(OutputFiles, AFinishedFileReplacesTheOldOneAndLeavesNoTemporary)
{
    const ScratchFolder folder;
    const fs::path target = folder.Path() / "frame.png";
    WriteText(target, "old");
    std::string error;
    {
        OutputFile file(target.string());
        ASSERT_TRUE(file.Open(error)) << error;
        file.Stream() << "new contents";
        EXPECT_EQ(ReadAll(target), "old");   // untouched until the new file is complete
        EXPECT_EQ(fs::path(file.TemporaryPath()).parent_path(), target.parent_path());
        EXPECT_EQ(fs::path(file.TemporaryPath()).extension(), ".png");
        ASSERT_TRUE(file.Commit(error)) << error;
    }
    EXPECT_EQ(ReadAll(target), "new contents");
    EXPECT_EQ(folder.CountFiles(), 1u);
}

TEST(OutputFiles, AnAbandonedOrFailedFileLeavesTheOldOneAndNothingElse)
{
    const ScratchFolder folder;
    const fs::path target = folder.Path() / "mesh.obj";
    WriteText(target, "old");
    std::string error;
    {
        OutputFile file(target.string());
        ASSERT_TRUE(file.Open(error)) << error;
        file.Stream() << "half a mesh";
        // Gone out of scope without Commit: an error part-way, an exception.
    }
    EXPECT_EQ(ReadAll(target), "old");
    EXPECT_EQ(folder.CountFiles(), 1u);

    // A writer that reserved a name but never made the file.
    OutputFile unmade((folder.Path() / "clip.mp4").string());
    unmade.ReserveName();
    EXPECT_FALSE(unmade.Commit(error));
    EXPECT_TRUE(Contains(error, "clip.mp4")) << error;
}

TEST(OutputFiles, ErrorsNameTheFileAndTheSystemsReason)
{
    const ScratchFolder folder;
    std::string error;
    const std::string missing = (folder.Path() / "no-such-folder" / "f.png").string();
    EXPECT_FALSE(WriteWholeFile(missing, "x", error));
    EXPECT_TRUE(Contains(error, "cannot write " + missing + ": ")) << error;
    EXPECT_TRUE(Contains(error, "No such file or directory")) << error;

    // A folder in the target's place: the rename is refused, the folder stays.
    fs::create_directories(folder.Path() / "taken");
    EXPECT_FALSE(WriteWholeFile((folder.Path() / "taken").string(), "x", error));
    EXPECT_TRUE(Contains(error, "taken: ")) << error;
    EXPECT_TRUE(fs::is_directory(folder.Path() / "taken"));
    EXPECT_EQ(folder.CountFiles(), 1u);
}

#if !defined(_WIN32)
// The command's results on a device that takes nothing: the command fails and says why.
TEST(OutputFiles, ResultsOnAFullStandardOutputFailTheCommand)
{
    if (!fs::exists("/dev/full") || !fs::exists("./velmora"))
        GTEST_SKIP() << "needs /dev/full and velmora beside the tests";
    const ScratchFolder folder;
    const std::string log = (folder.Path() / "err.txt").string();
    const int status = std::system(("./velmora params --json > /dev/full 2> " + log).c_str());
    EXPECT_NE(status, 0);
    EXPECT_TRUE(Contains(ReadAll(log), "No space left on device")) << ReadAll(log);
    EXPECT_EQ(std::system("./velmora params --json > /dev/null"), 0);
}
#endif

TEST(OutputFiles, OnlyWholePngFilesCountAsFinishedFrames)
{
    const ScratchFolder folder;
    RgbaImage image;
    image.width = 7;
    image.height = 5;
    image.pixels.assign(7 * 5 * 4, 1234);
    std::string error;
    const fs::path whole = folder.Path() / "whole.png";
    ASSERT_TRUE(WritePngFile(whole.string(), image, error)) << error;
    EXPECT_TRUE(FrameFileIsComplete(whole.string()));

    const std::string bytes = ReadAll(whole);
    WriteText(folder.Path() / "cut.png", bytes.substr(0, bytes.size() - 5));
    std::string flipped = bytes;
    flipped[bytes.size() / 2] = char(flipped[bytes.size() / 2] ^ 0x10);
    WriteText(folder.Path() / "flipped.png", flipped);
    WriteText(folder.Path() / "text.png", "not a picture");
    for (const char* name : {"cut.png", "flipped.png", "text.png", "absent.png"})
        EXPECT_FALSE(FrameFileIsComplete((folder.Path() / name).string())) << name;
}

class InputProtectionTest : public RenderTest {
protected:
    void SetUp() override
    {
        RenderTest::SetUp();
        RgbaImage layer;
        layer.width = 32;
        layer.height = 18;
        layer.pixels.assign(32 * 18 * 4, 30000);
        ASSERT_TRUE(WritePngFile(Path("mine.png"), layer, error)) << error;
        original = ReadAll(Path("mine.png"));
        WriteText(Path("preset.json"), "{\"parameters\": []}");
    }
    std::string Path(const std::string& name) const { return (folder.Path() / name).string(); }
    // Renders frames 0-2 with files; every case here must be refused.
    void ExpectRefused(RenderOptions o, const std::string& expect)
    {
        SCOPED_TRACE(expect);
        o.writeFiles = true;
        std::ostringstream out, err;
        const size_t filesBefore = folder.CountFiles();
        EXPECT_EQ(RenderFrames(session, EntryPointFunc, o, out, err), EXIT_FAILED);
        EXPECT_TRUE(Contains(err.str(), expect)) << err.str();
        EXPECT_EQ(ReadAll(Path("mine.png")), original);
        EXPECT_EQ(folder.CountFiles(), filesBefore);
    }

    ScratchFolder folder;
    std::string original;
};

TEST_F(InputProtectionTest, AnOutputThatIsAnInputIsRefusedNamingBoth)
{
    RenderOptions o = SmallOptions(32, 18, 0);
    o.layerPath = Path("mine.png");
    o.outPattern = Path("mine.png");
    ExpectRefused(o, "--out " + Path("mine.png") + ": this is the --layer file " + Path("mine.png"));

    // Another spelling of the same path.
    o.outPattern = (folder.Path() / "." / "mine.png").string();
    ExpectRefused(o, "the --layer file");

    // A frame pattern whose frame 1 is the reflection layer.
    RenderOptions pattern = SmallOptions(32, 18, 0);
    pattern.lastFrame = 2;
    pattern.treeReflectionPath = Path("mine.png");
    fs::copy_file(Path("mine.png"), Path("f_1.png"));
    pattern.needleReflectionPath = Path("f_1.png");
    pattern.outPattern = Path("f_#.png");
    ExpectRefused(pattern, "frame 1 would be written to " + Path("f_1.png") + ", which is the --needle-reflection file");

    // The parameter file.
    RenderOptions params = SmallOptions(32, 18, 0);
    params.paramsFile = Path("preset.json");
    params.outPattern = Path("preset.json");
    ExpectRefused(params, "the --params file");
}

TEST_F(InputProtectionTest, LinksToAnInputAreRefusedBothWays)
{
    std::error_code ec;
    fs::create_symlink("mine.png", folder.Path() / "link.png", ec);
    if (ec)
        GTEST_SKIP() << "this system makes no symbolic links here: " << ec.message();
    RenderOptions o = SmallOptions(32, 18, 0);
    o.layerPath = Path("link.png");
    o.outPattern = Path("mine.png");
    ExpectRefused(o, "the --layer file " + Path("link.png"));
    o.layerPath = Path("mine.png");
    o.outPattern = Path("link.png");
    ExpectRefused(o, "the --layer file " + Path("mine.png"));
    fs::create_hard_link(Path("mine.png"), Path("hard.png"), ec);
    if (!ec) {
        o.outPattern = Path("hard.png");
        ExpectRefused(o, "the --layer file");
    }
}

TEST_F(InputProtectionTest, FoldersAndMissingFilesAreNamedAsSuch)
{
    fs::create_directories(folder.Path() / "photos");
    RenderOptions o = SmallOptions(32, 18, 0);
    o.outPattern = Path("out.png");
    o.layerPath = Path("photos");
    ExpectRefused(o, "--layer " + Path("photos") + ": this is a folder");
    o.layerPath.clear();
    o.paramsFile = Path("photos");
    ExpectRefused(o, "--params " + Path("photos") + ": this is a folder");
    o.paramsFile = Path("gone.json");
    ExpectRefused(o, "--params " + Path("gone.json") + ": no such file");
}

} // namespace

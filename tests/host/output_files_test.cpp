// Files the host writes are whole or absent: a finished file replaces the old one at once, a
// failed or abandoned one leaves nothing behind, errors carry the system's reason, results on a
// full standard output fail the command, and a render never writes over its own inputs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "host/commands.h"
#include "host/frame_paths.h"
#include "host/output_file.h"
#include "tests/host/render_fixture.h"
#include "tests/support/whole_file.h"

namespace {

namespace fs = std::filesystem;

void WriteText(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class OutputFiles : public ::testing::Test {
protected:
    // A file of that name in the scratch folder, holding "old".
    fs::path OldFile(const std::string& name) const
    {
        const fs::path path = folder.Path() / name;
        WriteText(path, "old");
        return path;
    }
    const ScratchFolder folder;
    std::string error;
};

TEST_F(OutputFiles, AFinishedFileReplacesTheOldOneAndLeavesNoTemporary)
{
    const fs::path target = OldFile("frame.png");
    {
        OutputFile file(target.string());
        ASSERT_TRUE(file.Open(error)) << error;
        file.Stream() << "new contents";
        EXPECT_EQ(ReadFileText(target), "old");   // untouched until the new file is complete
        EXPECT_EQ(fs::path(file.TemporaryPath()).parent_path(), target.parent_path());
        EXPECT_EQ(fs::path(file.TemporaryPath()).extension(), ".png");
        ASSERT_TRUE(file.Commit(error)) << error;
    }
    EXPECT_EQ(ReadFileText(target), "new contents");
    EXPECT_EQ(folder.CountFiles(), 1u);
}

TEST_F(OutputFiles, AnAbandonedOrFailedFileLeavesTheOldOneAndNothingElse)
{
    const fs::path target = OldFile("mesh.obj");
    {
        OutputFile file(target.string());
        ASSERT_TRUE(file.Open(error)) << error;
        file.Stream() << "half a mesh";
        // Gone out of scope without Commit: an error part-way, an exception.
    }
    EXPECT_EQ(ReadFileText(target), "old");
    EXPECT_EQ(folder.CountFiles(), 1u);

    // A writer that reserved a name but never made the file.
    OutputFile unmade((folder.Path() / "clip.mp4").string());
    unmade.ReserveName();
    EXPECT_FALSE(unmade.Commit(error));
    EXPECT_TRUE(Contains(error, "clip.mp4")) << error;
}

TEST_F(OutputFiles, ErrorsNameTheFileAndTheSystemsReason)
{
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
TEST_F(OutputFiles, ResultsOnAFullStandardOutputFailTheCommand)
{
    if (!fs::exists("/dev/full") || !fs::exists("./velmora"))
        GTEST_SKIP() << "needs /dev/full and velmora beside the tests";
    const std::string log = (folder.Path() / "err.txt").string();
    const int status = std::system(("./velmora params --json > /dev/full 2> " + log).c_str());
    EXPECT_NE(status, 0);
    EXPECT_TRUE(Contains(ReadFileText(log), "No space left on device")) << ReadFileText(log);
    EXPECT_EQ(std::system("./velmora params --json > /dev/null"), 0);
}
#endif

TEST_F(OutputFiles, OnlyWholePngFilesCountAsFinishedFrames)
{
    const fs::path whole = folder.Path() / "whole.png";
    ASSERT_TRUE(WritePngFile(whole.string(), UniformImage(7, 5, 1234), error)) << error;
    EXPECT_TRUE(FrameFileIsComplete(whole.string()));

    const std::string bytes = ReadFileText(whole);
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
        ASSERT_TRUE(WritePngFile(Path("mine.png"), UniformImage(32, 18, 30000), error)) << error;
        original = ReadFileText(Path("mine.png"));
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
        EXPECT_EQ(ReadFileText(Path("mine.png")), original);
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

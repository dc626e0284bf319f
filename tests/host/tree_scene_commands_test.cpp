// `velmora tree` and `velmora scene`: the frame's tree as the effect grows it, its statistics,
// and scene files written, appended, split and inspected (the mesh files: mesh_export_test.cpp).
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "host/commands.h"
#include "host/frame_tree.h"
#include "scenefile/scene_file.h"
#include "tests/host/command_line.h"

namespace {

std::map<std::string, std::string> KeyValues(const std::string& text)
{
    std::map<std::string, std::string> kv;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        size_t eq = line.find('=');
        if (eq != std::string::npos)
            kv[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return kv;
}

class FrameTreeCommands : public ::testing::Test {
protected:
    std::map<std::string, std::string> Tree(const FrameTreeOptions& options, const std::string& obj = "")
    {
        std::ostringstream out, err;
        EXPECT_EQ(RunTreeCommand(options, TreeExport{obj, ""}, out, err), EXIT_OK) << err.str();
        return KeyValues(out.str());
    }
    std::string TempFile(const char* name) { return ::testing::TempDir() + name; }
};

TEST_F(FrameTreeCommands, DefaultTreeHasTheKnownCounts)
{
    auto kv = Tree(FrameTreeOptions{});
    EXPECT_EQ(kv["nodes"], "40");
    EXPECT_EQ(kv["grown_nodes"], "40");
    EXPECT_EQ(kv["tube_triangles"], "2574");
    EXPECT_EQ(std::stoi(kv["triangles"]), 2574 + std::stoi(kv["needle_triangles"]));
    EXPECT_EQ(std::stoi(kv["needle_triangles"]), 3 * std::stoi(kv["needles"]));
    EXPECT_EQ(std::stoi(kv["points"]), 3 * std::stoi(kv["triangles"]));
    // Grown along +y from the origin, 480 pixels of trunk at 1920 wide.
    EXPECT_LT(std::stof(kv["min_y"]), 0.0f + 10.0f);
    EXPECT_GT(std::stof(kv["max_y"]), 480.0f);
}

TEST_F(FrameTreeCommands, SettingsAndSizeReachTheGenerator)
{
    FrameTreeOptions one;
    one.settings = {"N branches=1"};
    auto kv = Tree(one);
    EXPECT_EQ(kv["nodes"], "1");
    EXPECT_EQ(kv["tube_triangles"], "78");

    FrameTreeOptions unborn;
    unborn.settings = {"Grow up=0"};
    EXPECT_EQ(Tree(unborn)["triangles"], "0");

    // Half the frame width halves every length.
    FrameTreeOptions half;
    half.width = 960;
    half.height = 540;
    EXPECT_NEAR(std::stof(Tree(half)["max_y"]), std::stof(Tree(FrameTreeOptions{})["max_y"]) / 2, 1.0);

    FrameTreeOptions bad;
    bad.settings = {"N branches=11"};
    std::ostringstream out, err;
    EXPECT_EQ(RunTreeCommand(bad, TreeExport{}, out, err), EXIT_FAILED);
    EXPECT_NE(err.str().find("N branches"), std::string::npos) << err.str();
}

TEST_F(FrameTreeCommands, SceneFilesAreWrittenAppendedSplitAndInspected)
{
    const std::string path = TempFile("velmora_tree.3dd");
    std::remove(path.c_str());
    std::ostringstream out, err;
    FrameTreeOptions small;
    small.settings = {"N branches=2"};
    ASSERT_EQ(RunSceneStoreCommand(false, small, path, out, err), EXIT_OK) << err.str();

    SceneGeometry geometry{};
    SceneExtras extras{};
    SceneFileFlags wanted{true, true, true, true, true};
    ASSERT_TRUE(ReadFirstScene(path.c_str(), geometry, extras, wanted));
    FrameTree expected;
    std::string error;
    ASSERT_TRUE(BuildFrameTree(small, expected, error));
    EXPECT_EQ(geometry.triangleCount, expected.triangleCount);
    EXPECT_EQ(extras.materialCount, 2);
    EXPECT_EQ(extras.lightCount, 2);
    EXPECT_EQ(extras.glassCount, 2);
    EXPECT_STREQ(extras.materials[1].name, "Material#1");
    EXPECT_TRUE(wanted.normals);
    FreeScene(geometry, &extras);

    // Six levels need more points than 16-bit corners reach: the tree is stored in parts.
    FrameTreeOptions large;
    large.settings = {"N branches=6"};
    std::ostringstream appended;
    ASSERT_EQ(RunSceneStoreCommand(true, large, path, appended, err), EXIT_OK) << err.str();
    EXPECT_NE(appended.str().find("split into"), std::string::npos);

    std::ostringstream info;
    EXPECT_EQ(RunSceneInfoCommand(path, info, err), EXIT_OK);
    auto kv = KeyValues(info.str());
    EXPECT_EQ(kv["file.magic"], "3DDv10");
    EXPECT_GT(std::stoi(kv["file.sceneCount"]), 2);
    EXPECT_EQ(kv["scene.0.fits"], "yes");

    // A file that is no scene file is reported, not read.
    std::ofstream(path, std::ios::binary) << "not a scene";
    std::ostringstream badInfo;
    EXPECT_EQ(RunSceneInfoCommand(path, badInfo, err), EXIT_FAILED);
    // Nor appended to: the append works on a copy, and the file stays as it was.
    std::ostringstream refused;
    EXPECT_EQ(RunSceneStoreCommand(true, small, path, out, refused), EXIT_FAILED);
    EXPECT_NE(refused.str().find("cannot append to " + path), std::string::npos) << refused.str();
    std::ifstream kept(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "not a scene");
    std::remove(path.c_str());
}

// Both commands work with the generator and scene file code built into velmora. A module named
// on the command line, before or after the sub-command, is refused in so many words rather than
// silently left unused; nothing is written.
TEST_F(FrameTreeCommands, ANamedModuleIsRefusedRatherThanIgnored)
{
    const std::string file = TempFile("refused.3dd");
    std::remove(file.c_str());
    const std::vector<std::vector<std::string>> commands = {
        {"--module", "elsewhere.so", "tree"},
        {"tree", "--module", "elsewhere.so"},
        {"--module", "elsewhere.so", "scene", "write", file},
        {"scene", "append", file, "--module", "elsewhere.so"},
        {"--module", "elsewhere.so", "scene", "info", file},
    };
    for (const std::vector<std::string>& words : commands) {
        std::string said;
        const int code = RunCommandLine(words, &said);
        SCOPED_TRACE(words[0] + " " + words[1] + " " + words[2]);
        EXPECT_EQ(code, EXIT_FAILED);
        EXPECT_NE(said.find("loads no module; --module is for render, params, pipl and panel"), std::string::npos)
            << said;
        EXPECT_FALSE(std::ifstream(file).good());
    }
}

} // namespace

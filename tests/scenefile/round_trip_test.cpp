// Write, append and read back: what was written comes back, minus the parts not wanted.
#include "tests/scenefile/scene_samples.h"

#include <algorithm>
#include <cstring>

#include "platform/file_access.h"

namespace {

struct AllScenes {
    ~AllScenes() { FreeScenes(count, geometry, extras); }
    bool Read(const std::string& path, SceneFileFlags& wanted)
    {
        return ReadAllScenes(path.c_str(), count, geometry, extras, wanted);
    }
    int32_t count = -1;
    SceneGeometry* geometry = nullptr;
    SceneExtras* extras = nullptr;
};

// The first scene of the file, read with every part wanted, against the one written.
void ExpectFirstSceneReads(const std::string& path, const SampleScene& written)
{
    SceneGeometry g;
    SceneExtras e;
    SceneFileFlags wanted = AllParts();
    ASSERT_TRUE(ReadFirstScene(path.c_str(), g, e, wanted));
    ExpectSceneRead(written, g, e, AllParts());
    FreeScene(g, &e);
}

class RoundTrip : public SceneFileTest {};

// Every combination of the five parts stored, read back with every part wanted.
TEST_F(RoundTrip, EachCombinationOfStoredPartsComesBack)
{
    for (int mask = 0; mask < 32; ++mask) {
        SceneFileFlags flags = {(mask & 1) != 0, (mask & 2) != 0, (mask & 4) != 0, (mask & 8) != 0,
                                (mask & 16) != 0};
        SampleScene scene = MakeSampleScene(mask, 4, flags);
        std::string path = TempPath("combination" + std::to_string(mask));
        ASSERT_TRUE(scene.WriteTo(path)) << mask;

        SceneFileFlags wanted = AllParts();
        AllScenes all;
        ASSERT_TRUE(all.Read(path, wanted)) << mask;
        ASSERT_EQ(all.count, 1);
        // Texture coordinates travel with texture records, which the samples make only with
        // materials; a part the scene lacks comes back cleared.
        SceneFileFlags stored = {flags.normals, flags.materials, flags.lights, flags.texCoords && flags.materials,
                                 flags.glass};
        EXPECT_EQ(wanted.normals, stored.normals) << mask;
        EXPECT_EQ(wanted.materials, stored.materials) << mask;
        EXPECT_EQ(wanted.lights, stored.lights) << mask;
        EXPECT_EQ(wanted.texCoords, stored.texCoords) << mask;
        EXPECT_EQ(wanted.glass, stored.glass) << mask;
        SCOPED_TRACE(mask);
        ExpectSceneRead(scene, all.geometry[0], all.extras[0], stored);
    }
}

// A full scene read with each wanted flag turned off in turn: that part is skipped, the rest
// still arrive.
TEST_F(RoundTrip, UnwantedPartsAreSkipped)
{
    SampleScene scene = MakeSampleScene(7, 5, AllParts());
    std::string path = TempPath("full");
    ASSERT_TRUE(scene.WriteTo(path));
    for (int off = 0; off < 5; ++off) {
        SceneFileFlags wanted = AllParts();
        bool* fields[5] = {&wanted.normals, &wanted.materials, &wanted.lights, &wanted.texCoords, &wanted.glass};
        *fields[off] = false;
        SceneFileFlags asked = wanted;
        SceneGeometry g;
        SceneExtras e;
        ASSERT_TRUE(ReadFirstScene(path.c_str(), g, e, wanted));
        EXPECT_EQ(std::memcmp(&wanted, &asked, sizeof wanted), 0) << off;
        SCOPED_TRACE(off);
        ExpectSceneRead(scene, g, e, asked);
        if (!asked.normals) {
            for (int32_t i = 0; i < g.pointCount; ++i)
                ASSERT_EQ(g.points[i].hasNormal, 0);
        }
        FreeScene(g, &e);
        EXPECT_EQ(g.points, nullptr);
    }
}

TEST_F(RoundTrip, AppendedScenesReadBackInOrder)
{
    std::string path = TempPath("appended");
    std::vector<SampleScene> scenes = {MakeSampleScene(1, 3, AllParts()), MakeSampleScene(2, 1, AllParts()),
                                       MakeSampleScene(3, 6, AllParts())};
    // Appending to a missing file creates it.
    for (const SampleScene& s : scenes)
        ASSERT_TRUE(s.AppendTo(path));
    SceneFileFlags wanted = AllParts();
    AllScenes all;
    ASSERT_TRUE(all.Read(path, wanted));
    ASSERT_EQ(all.count, 3);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        ExpectSceneRead(scenes[i], all.geometry[i], all.extras[i], AllParts());
    }
    ExpectFirstSceneReads(path, scenes[0]);
}

// Other writers end the chain with a next of -1 on the last scene, and may leave bytes after
// it. Such files read like ours, and a scene appended to one is linked in: the end mark gives
// way to the new scene's offset, after everything the file held.
TEST_F(RoundTrip, AChainEndedWithMinusOneReadsAndTakesAppendedScenes)
{
    const std::string path = TempPath("end_marked");
    const std::vector<SampleScene> scenes = {MakeSampleScene(1, 3, AllParts()), MakeSampleScene(2, 2, NoParts()),
                                             MakeSampleScene(3, 1, AllParts())};
    ASSERT_TRUE(scenes[0].WriteTo(path));
    ASSERT_TRUE(scenes[1].AppendTo(path));
    std::vector<unsigned char> bytes = ReadBytes(path);
    const size_t second = size_t(GetI32At(bytes, 16 + 40));
    PutI32At(bytes, second + 40, -1);
    bytes.insert(bytes.end(), {0xAB, 0xCD, 0xEF});   // the other writer's trailing bytes
    WriteBytes(path, bytes);

    SceneFileInfo info;
    ASSERT_TRUE(InspectSceneFile(path.c_str(), info));
    EXPECT_TRUE(info.valid) << info.problem;
    SceneFileFlags wanted = AllParts();
    {
        AllScenes all;
        ASSERT_TRUE(all.Read(path, wanted));
        ASSERT_EQ(all.count, 2);
        ExpectSceneRead(scenes[0], all.geometry[0], all.extras[0], AllParts());
        ExpectSceneRead(scenes[1], all.geometry[1], all.extras[1], wanted);
    }

    ASSERT_TRUE(scenes[2].AppendTo(path));
    const std::vector<unsigned char> appended = ReadBytes(path);
    EXPECT_EQ(GetI32At(appended, second + 40), int32_t(bytes.size()));
    // Beside the count and that one field, every byte of the old file stays as it was.
    std::vector<unsigned char> expected = bytes;
    PutI32At(expected, 8, 3);
    PutI32At(expected, second + 40, int32_t(bytes.size()));
    ASSERT_GT(appended.size(), bytes.size());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), appended.begin()));
    wanted = AllParts();
    AllScenes all;
    ASSERT_TRUE(all.Read(path, wanted));
    ASSERT_EQ(all.count, 3);
    ExpectSceneRead(scenes[2], all.geometry[2], all.extras[2], wanted);

    // A one-scene file marked so is read by both readers.
    const std::string single = TempPath("single_end_marked");
    ASSERT_TRUE(scenes[0].WriteTo(single));
    std::vector<unsigned char> one = ReadBytes(single);
    PutI32At(one, 16 + 40, -1);
    WriteBytes(single, one);
    ExpectFirstSceneReads(single, scenes[0]);
}

// The wanted flags are shared along the file: once a scene lacks a part, the scenes after it
// are read without it, and the flags say so.
TEST_F(RoundTrip, APartOneSceneLacksStaysOffForTheScenesAfterIt)
{
    std::string path = TempPath("sticky");
    SampleScene withLights = MakeSampleScene(1, 2, {true, false, true, false, false});
    SampleScene without = MakeSampleScene(2, 2, {true, false, false, false, false});
    ASSERT_TRUE(withLights.AppendTo(path));
    ASSERT_TRUE(without.AppendTo(path));
    ASSERT_TRUE(withLights.AppendTo(path));
    SceneFileFlags wanted = AllParts();
    AllScenes all;
    ASSERT_TRUE(all.Read(path, wanted));
    ASSERT_EQ(all.count, 3);
    EXPECT_FALSE(wanted.lights);
    EXPECT_TRUE(wanted.normals);
    EXPECT_EQ(all.extras[0].lightCount, 2);
    EXPECT_EQ(all.extras[1].lightCount, 0);
    EXPECT_EQ(all.extras[2].lightCount, 0);
    EXPECT_EQ(all.extras[2].lights, nullptr);
}

TEST_F(RoundTrip, WriteReplacesAnExistingFile)
{
    std::string path = TempPath("replaced");
    ASSERT_TRUE(MakeSampleScene(1, 9, AllParts()).WriteTo(path));
    ASSERT_TRUE(MakeSampleScene(1, 9, AllParts()).AppendTo(path));
    SampleScene small = MakeSampleScene(5, 1, NoParts());
    ASSERT_TRUE(small.WriteTo(path));
    SceneFileFlags wanted = AllParts();
    AllScenes all;
    ASSERT_TRUE(all.Read(path, wanted));
    ASSERT_EQ(all.count, 1);
    ExpectSceneRead(small, all.geometry[0], all.extras[0], NoParts());
    EXPECT_EQ(ReadBytes(path).size(), 16u + 72u + 3 * 12u + 6u);
}

TEST_F(RoundTrip, LongNamesKeepFifteenCharacters)
{
    std::string path = TempPath("name");
    SampleScene scene = MakeSampleScene(1, 1, NoParts());
    scene.name = "AVeryLongSceneNameIndeed";
    ASSERT_TRUE(scene.WriteTo(path));
    SceneFileFlags wanted = NoParts();
    SceneGeometry g;
    SceneExtras e;
    ASSERT_TRUE(ReadFirstScene(path.c_str(), g, e, wanted));
    EXPECT_STREQ(g.name, "AVeryLongSceneN");
    FreeScene(g, &e);
}

// The platform layer under the files: exact transfers, sizes, and no silent replacing.
class FileAccess : public SceneFileTest {};

TEST_F(FileAccess, WritesSeeksAndReadsExactBytes)
{
    std::string path = TempPath("raw");
    FileHandle f = FileOpen(path.c_str(), FileCreate);
    ASSERT_NE(f, InvalidFile);
    const char text[] = "0123456789";
    ASSERT_TRUE(FileWrite(f, text, 10));
    EXPECT_EQ(FileSize(f), 10);
    ASSERT_TRUE(FileSeek(f, 4));
    ASSERT_TRUE(FileWrite(f, "ab", 2));
    EXPECT_FALSE(FileSeek(f, -1));
    FileClose(f);

    f = FileOpen(path.c_str(), FileOpenRead);
    ASSERT_NE(f, InvalidFile);
    char back[10];
    ASSERT_TRUE(FileSeek(f, 2));
    ASSERT_TRUE(FileRead(f, back, 6));
    EXPECT_EQ(std::string(back, 6), "23ab67");
    EXPECT_EQ(FileSize(f), 10);
    // The size query keeps the position; a read across the end fails.
    EXPECT_FALSE(FileRead(f, back, 3));
    FileClose(f);
}

TEST_F(FileAccess, OpeningFailsForMissingNamesAndCreateNewKeepsExistingFiles)
{
    std::string path = TempPath("existing");
    EXPECT_EQ(FileOpen(path.c_str(), FileOpenRead), InvalidFile);
    EXPECT_EQ(FileOpen(path.c_str(), FileOpenReadWrite), InvalidFile);
    EXPECT_EQ(FileOpen("", FileOpenRead), InvalidFile);
    EXPECT_EQ(FileOpen(nullptr, FileCreate), InvalidFile);
    WriteBytes(path, {1, 2, 3});
    EXPECT_EQ(FileOpen(path.c_str(), FileCreateNew), InvalidFile);
    EXPECT_EQ(ReadBytes(path).size(), 3u);
    FileHandle f = FileOpen(path.c_str(), FileCreate);
    ASSERT_NE(f, InvalidFile);
    EXPECT_EQ(FileSize(f), 0);
    FileClose(f);
}

} // namespace

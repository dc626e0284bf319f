// The bytes on disk: header fields, section offsets and entry sizes, the chain of scenes, the
// magic check, and the fuzz seeds being exactly what the writer makes.
#include "tests/scenefile/scene_samples.h"

#include <cstdlib>
#include <cstring>

namespace {

class FileLayout : public SceneFileTest {};

TEST_F(FileLayout, HeaderAndSectionOffsetsOfAFullScene)
{
    // One triangle, normals and u, v (32-byte points), a material index (8-byte triangles), one
    // material, four texture records, one light, one glass record.
    SampleScene s = MakeSampleScene(3, 1, AllParts());
    s.materials.resize(1);
    s.textures.resize(4);
    s.lights.resize(1);
    s.glass.resize(1);
    s.triangles[0].material = 0;
    std::string path = TempPath("full");
    ASSERT_TRUE(s.WriteTo(path));
    std::vector<unsigned char> b = ReadBytes(path);
    ASSERT_EQ(b.size(), 2668u);
    EXPECT_EQ(std::memcmp(b.data(), "3DDv10\0\0", 8), 0);
    EXPECT_EQ(GetI32At(b, 8), 1);
    EXPECT_EQ(GetI32At(b, 12), 16);
    EXPECT_STREQ(reinterpret_cast<const char*>(&b[16]), "Scene#3");
    const int32_t counts[6] = {3, 1, 1, 1, 4, 1};  // points, triangles, lights, materials, textures, glass
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(GetI32At(b, 32 + 4 * i), counts[i]) << i;
    EXPECT_EQ(GetI32At(b, 56), 2668);              // next
    EXPECT_EQ(GetI32At(b, 60), 88);                // points: header + 72
    EXPECT_EQ(GetI32At(b, 64), 88 + 3 * 32);       // triangles
    EXPECT_EQ(GetI32At(b, 68), 2484 + 4 * 24);     // lights after materials and textures
    EXPECT_EQ(GetI32At(b, 72), 184 + 8);           // materials after the triangle
    EXPECT_EQ(GetI32At(b, 76), 192 + 2292);        // textures
    EXPECT_EQ(GetI32At(b, 80), 2580 + 72);         // glass
    EXPECT_EQ(b[84], 1);
    EXPECT_EQ(b[85], 1);
    EXPECT_EQ(b[86], 1);
    EXPECT_EQ(b[87], 0);
    // The first point: x, y, z, then the normal, then u, v, little-endian floats.
    float x;
    std::memcpy(&x, &b[88], 4);
    EXPECT_EQ(x, s.points[0].x);
    float nz;
    std::memcpy(&nz, &b[88 + 20], 4);
    EXPECT_EQ(nz, s.points[0].nz);
    float v;
    std::memcpy(&v, &b[88 + 28], 4);
    EXPECT_EQ(v, s.points[0].v);
    // Corners 0, 1, 2 and material 0 as 16-bit values.
    const unsigned char triangle[8] = {0, 0, 1, 0, 2, 0, 0, 0};
    EXPECT_EQ(std::memcmp(&b[184], triangle, 8), 0);
    // The texture records keep everything but the pointer, which is written as zero.
    for (int i = 0; i < 4; ++i) {
        const unsigned char* record = &b[2484 + 24 * i];
        EXPECT_EQ(record[0], s.textures[i].present);
        EXPECT_EQ(GetI32At(b, 2484 + 24 * i + 4), s.textures[i].width);
        for (int k = 12; k < 20; ++k)
            EXPECT_EQ(record[k], 0) << i;
    }
}

TEST_F(FileLayout, AbsentSectionsHoldMinusOneAndEntriesShrink)
{
    std::string path = TempPath("bare");
    ASSERT_TRUE(MakeSampleScene(1, 2, NoParts()).WriteTo(path));
    std::vector<unsigned char> b = ReadBytes(path);
    ASSERT_EQ(b.size(), 16u + 72u + 6 * 12u + 2 * 6u);
    EXPECT_EQ(GetI32At(b, 60), 88);
    EXPECT_EQ(GetI32At(b, 64), 88 + 72);
    for (int field = 0; field < 4; ++field) {
        EXPECT_EQ(GetI32At(b, 40 + 4 * field), 0) << field;   // light, material, texture, glass counts
        EXPECT_EQ(GetI32At(b, 68 + 4 * field), -1) << field;  // and their offsets
    }
    EXPECT_EQ(GetI32At(b, 56), static_cast<int32_t>(b.size()));
    EXPECT_EQ(b[84] | b[85] | b[86] | b[87], 0);
}

// A flag without the data it goes with stores neither: u, v without texture records and
// material indices without materials would be dropped by every reader anyway.
TEST_F(FileLayout, FlagsWithoutTheirRecordsStoreNothing)
{
    SampleScene s = MakeSampleScene(1, 2, NoParts());
    s.flags = AllParts();
    std::string path = TempPath("flagsOnly");
    ASSERT_TRUE(s.WriteTo(path));
    std::vector<unsigned char> b = ReadBytes(path);
    EXPECT_EQ(b[84], 1);   // normals are stored: they need no records
    EXPECT_EQ(b[85], 0);
    EXPECT_EQ(b[86], 0);
    EXPECT_EQ(b.size(), 16u + 72u + 6 * 24u + 2 * 6u);
    for (int field = 0; field < 4; ++field)
        EXPECT_EQ(GetI32At(b, 68 + 4 * field), -1) << field;
}

TEST_F(FileLayout, AppendingToAMissingFileCreatesItAndTheSecondSceneStartsAtTheFirstsNext)
{
    std::string path = TempPath("chain");
    SampleScene first = MakeSampleScene(1, 2, AllParts());
    ASSERT_TRUE(first.AppendTo(path));
    std::vector<unsigned char> one = ReadBytes(path);
    EXPECT_EQ(GetI32At(one, 8), 1);
    EXPECT_EQ(GetI32At(one, 12), 16);
    const int32_t next = GetI32At(one, 56);
    EXPECT_EQ(next, static_cast<int32_t>(one.size()));

    ASSERT_TRUE(MakeSampleScene(2, 1, NoParts()).AppendTo(path));
    std::vector<unsigned char> two = ReadBytes(path);
    EXPECT_EQ(GetI32At(two, 8), 2);
    EXPECT_EQ(GetI32At(two, 12), 16);
    // The first scene is untouched, and the second header sits where the first one said.
    EXPECT_TRUE(std::equal(one.begin() + 16, one.end(), two.begin() + 16));
    EXPECT_STREQ(reinterpret_cast<const char*>(&two[next]), "Scene#2");
    EXPECT_EQ(GetI32At(two, next + 44), next + 72);

    SceneFileInfo info;
    ASSERT_TRUE(InspectSceneFile(path.c_str(), info));
    ASSERT_EQ(info.scenes.size(), 2u);
    EXPECT_EQ(info.scenes[1].offset, next);
    EXPECT_TRUE(info.valid);
}

TEST_F(FileLayout, AppendingToAnEmptyFileWritesAFreshHeader)
{
    std::string path = TempPath("empty");
    WriteBytes(path, {});
    ASSERT_TRUE(MakeSampleScene(1, 1, NoParts()).AppendTo(path));
    std::vector<unsigned char> b = ReadBytes(path);
    EXPECT_EQ(std::memcmp(b.data(), "3DDv10", 7), 0);
    EXPECT_EQ(GetI32At(b, 8), 1);
}

// Only the seven bytes of "3DDv10" and its zero are the magic; the reserved byte is not.
TEST_F(FileLayout, EachMagicByteIsCheckedByBothReaders)
{
    std::string good = TempPath("good");
    ASSERT_TRUE(MakeSampleScene(1, 1, AllParts()).WriteTo(good));
    const std::vector<unsigned char> bytes = ReadBytes(good);
    std::string path = TempPath("magic");
    for (int i = 0; i < 8; ++i) {
        std::vector<unsigned char> changed = bytes;
        changed[i] ^= 0x20;
        WriteBytes(path, changed);
        SceneFileFlags wanted = AllParts();
        int32_t count = -1;
        SceneGeometry* g = nullptr;
        SceneExtras* e = nullptr;
        bool all = ReadAllScenes(path.c_str(), count, g, e, wanted);
        SceneGeometry first;
        SceneExtras extras;
        bool one = ReadFirstScene(path.c_str(), first, extras, wanted);
        EXPECT_EQ(all, i == 7) << i;
        EXPECT_EQ(one, i == 7) << i;
        FreeScenes(count, g, e);
        FreeScene(first, &extras);
    }
}

TEST_F(FileLayout, InspectionReportsEveryField)
{
    std::string path = TempPath("info");
    ASSERT_TRUE(MakeSampleScene(1, 2, AllParts()).WriteTo(path));
    ASSERT_TRUE(MakeSampleScene(2, 1, {true, false, false, false, false}).AppendTo(path));
    SceneFileInfo info;
    ASSERT_TRUE(InspectSceneFile(path.c_str(), info));
    EXPECT_TRUE(info.valid);
    EXPECT_EQ(info.sceneCount, 2);
    ASSERT_EQ(info.scenes.size(), 2u);
    const SceneHeader& h = info.scenes[0].header;
    EXPECT_EQ(h.pointCount, 6);
    EXPECT_EQ(h.materialCount, 2);
    EXPECT_EQ(h.textureCount, 8);
    EXPECT_EQ(h.lightsAt, h.texturesAt + 8 * 24);
    std::string text = DescribeSceneFile(info);
    EXPECT_NE(text.find("file.magic=3DDv10\n"), std::string::npos) << text;
    EXPECT_NE(text.find("scene.1.name=Scene#2\n"), std::string::npos) << text;
    EXPECT_NE(text.find("scene.0.counts=points:6 triangles:2 materials:2 textures:8 lights:2 glass:2\n"),
              std::string::npos) << text;
    EXPECT_NE(text.find("scene.1.flags=normals:1 texCoords:0 materials:0\n"), std::string::npos) << text;
    EXPECT_NE(text.find("scene.1.fits=yes\n"), std::string::npos) << text;
    EXPECT_NE(text.find("file.valid=yes\n"), std::string::npos) << text;
}

// The fuzz seeds are writer output; VELMORA_WRITE_SEEDS=1 makes them anew after a format change.
TEST_F(FileLayout, FuzzSeedsAreWhatTheWriterMakes)
{
    const std::string dir = std::string(VELMORA_SOURCE_DIR) + "/fuzz/seeds/scene_file_reader/";
    const bool update = std::getenv("VELMORA_WRITE_SEEDS") != nullptr;
    for (const SeedFile& seed : SeedFiles()) {
        std::string path = update ? dir + seed.name : TempPath(seed.name);
        ASSERT_TRUE(seed.scenes[0].WriteTo(path)) << path;
        for (size_t i = 1; i < seed.scenes.size(); ++i)
            ASSERT_TRUE(seed.scenes[i].AppendTo(path)) << seed.name;
        std::vector<unsigned char> committed = ReadBytes(dir + seed.name);
        EXPECT_FALSE(committed.empty()) << seed.name;
        EXPECT_TRUE(ReadBytes(path) == committed) << seed.name << " differs from the writer's output";
    }
}

} // namespace

// Sample scenes, byte helpers and the temp-file fixture of the scene-file tests.
#include "tests/scenefile/scene_samples.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>

namespace {
// Texture records written with a pointer that must never reach the file.
uint8_t FakeImage[16];

template <typename Record>
const Record* Data(const std::vector<Record>& v) { return v.empty() ? nullptr : v.data(); }

// Writing and appending take the same arguments.
using StoreScene = decltype(&WriteSceneFile);

bool Store(StoreScene store, const SampleScene& s, const std::string& path)
{
    return store(path.c_str(), s.name.c_str(), static_cast<int32_t>(s.points.size()),
                 static_cast<int32_t>(s.triangles.size()), static_cast<int32_t>(s.materials.size()),
                 static_cast<int32_t>(s.lights.size()), static_cast<int32_t>(s.textures.size()),
                 static_cast<int32_t>(s.glass.size()), s.flags, Data(s.points), Data(s.triangles),
                 Data(s.materials), Data(s.lights), Data(s.textures), Data(s.glass));
}
}

bool SampleScene::WriteTo(const std::string& path) const { return Store(WriteSceneFile, *this, path); }

bool SampleScene::AppendTo(const std::string& path) const { return Store(AppendSceneToFile, *this, path); }

SceneFileFlags AllParts() { return {true, true, true, true, true}; }
SceneFileFlags NoParts() { return {false, false, false, false, false}; }

SampleScene MakeSampleScene(int seed, int triangles, SceneFileFlags flags)
{
    SampleScene s;
    s.name = "Scene#" + std::to_string(seed);
    s.flags = flags;
    const float base = 1000.0f * static_cast<float>(seed);
    for (int i = 0; i < 3 * triangles; ++i) {
        __Point3ds p = __Point3ds();
        p.x = base + 0.5f * i;
        p.y = -base - 0.25f * i;
        p.z = 3.0f + i;
        p.nx = 0.125f * (i % 8);
        p.ny = -0.5f;
        p.nz = 1.0f / (1 + i);
        p.u = 0.01f * i;
        p.v = 1.0f - 0.01f * i;
        p.hasNormal = flags.normals;
        p.mapped = flags.texCoords && flags.materials;
        s.points.push_back(p);
    }
    const int materialCount = flags.materials ? 2 : 0;
    for (int i = 0; i < triangles; ++i) {
        __Triangle3ds t = __Triangle3ds();
        t.a = 3 * i;
        t.b = 3 * i + 1;
        t.c = 3 * i + 2;
        t.material = static_cast<uint16_t>(materialCount ? i % materialCount : 0);
        s.triangles.push_back(t);
    }
    for (int m = 0; m < materialCount; ++m) {
        material3ds mat = material3ds();
        std::strcpy(mat.name, m ? "Material#1" : "Material#0");
        mat.diffuse[0] = 0.1f * (m + 1) + seed;
        mat.specular[2] = 0.75f;
        mat.shininess = 0.3f;
        mat.transparency = -0.25f;
        mat.reflect.amount = 0.5f;
        std::strcpy(mat.reflect.name, "Reflect");
        s.materials.push_back(mat);
        if (flags.texCoords) {
            for (int slot = 0; slot < TextureSlotCount; ++slot) {
                __Texture t = __Texture();
                t.present = slot == TextureSlotReflect;
                t.width = 16 + slot;
                t.height = 8 + m;
                t.deep = static_cast<uint8_t>(m);
                t.pixels = FakeImage;
                s.textures.push_back(t);
            }
        }
    }
    if (flags.lights) {
        for (int l = 0; l < 2; ++l) {
            light3ds light = light3ds();
            std::snprintf(light.name, sizeof light.name, l ? "Light#2" : "LightOne");
            light.pos[0] = 200.0f + seed;
            light.pos[2] = 1000.0f;
            light.color[1] = 1.0f;
            light.multiplier = l ? -1.0f : 1.0f;
            s.lights.push_back(light);
        }
    }
    if (flags.glass) {
        for (int g = 0; g < 2; ++g) {
            GlassProp glass = GlassProp();
            glass.on = static_cast<uint8_t>(g);
            glass.optical = 1.5f;
            glass.refraction = 10.0f + seed;
            glass.aberration = 2.0f;
            s.glass.push_back(glass);
        }
    }
    return s;
}

std::vector<SeedFile> SeedFiles()
{
    SampleScene minimal = MakeSampleScene(1, 1, NoParts());
    SampleScene normals = MakeSampleScene(2, 2, {true, false, false, false, false});
    SampleScene full = MakeSampleScene(3, 1, AllParts());
    full.materials.resize(1);
    full.textures.resize(TextureSlotCount);
    full.lights.resize(1);
    full.glass.resize(1);
    for (__Triangle3ds& t : full.triangles)
        t.material = 0;
    SampleScene lightsGlass = MakeSampleScene(4, 2, {true, false, true, false, true});
    return {
        {"minimal.3dd", {minimal}},
        {"two_scenes.3dd", {normals, minimal}},
        {"full.3dd", {full}},
        {"three_scenes.3dd", {lightsGlass, minimal, normals}},
    };
}

void ExpectSceneRead(const SampleScene& written, const SceneGeometry& g, const SceneExtras& e,
                     SceneFileFlags delivered)
{
    EXPECT_STREQ(g.name, written.name.substr(0, 15).c_str());
    ASSERT_EQ(g.pointCount, static_cast<int32_t>(written.points.size()));
    ASSERT_EQ(g.triangleCount, static_cast<int32_t>(written.triangles.size()));
    for (int32_t i = 0; i < g.pointCount; ++i) {
        __Point3ds expected = written.points[i];
        if (!delivered.normals) {
            expected.nx = expected.ny = expected.nz = 0.0f;
            expected.hasNormal = 0;
        }
        if (!delivered.texCoords) {
            expected.u = expected.v = 0.0f;
            expected.mapped = 0;
        }
        ASSERT_EQ(std::memcmp(&g.points[i], &expected, sizeof expected), 0) << "point " << i;
    }
    for (int32_t i = 0; i < g.triangleCount; ++i) {
        __Triangle3ds expected = written.triangles[i];
        expected.flags = 0;
        if (!delivered.materials)
            expected.material = 0;
        ASSERT_EQ(std::memcmp(&g.triangles[i], &expected, sizeof expected), 0) << "triangle " << i;
    }
    ASSERT_EQ(e.materialCount, delivered.materials ? static_cast<int32_t>(written.materials.size()) : 0);
    for (int32_t i = 0; i < e.materialCount; ++i)
        EXPECT_EQ(std::memcmp(&e.materials[i], &written.materials[i], sizeof(material3ds)), 0) << "material " << i;
    ASSERT_EQ(e.lightCount, delivered.lights ? static_cast<int32_t>(written.lights.size()) : 0);
    for (int32_t i = 0; i < e.lightCount; ++i)
        EXPECT_EQ(std::memcmp(&e.lights[i], &written.lights[i], sizeof(light3ds)), 0) << "light " << i;
    ASSERT_EQ(e.glassCount, delivered.glass ? static_cast<int32_t>(written.glass.size()) : 0);
    for (int32_t i = 0; i < e.glassCount; ++i)
        EXPECT_EQ(std::memcmp(&e.glass[i], &written.glass[i], sizeof(GlassProp)), 0) << "glass " << i;
    ASSERT_EQ(e.textureCount, delivered.texCoords ? static_cast<int32_t>(written.textures.size()) : 0);
    for (int32_t i = 0; i < e.textureCount; ++i) {
        __Texture expected = written.textures[i];
        expected.pixels = nullptr;
        expected.present = 0;
        EXPECT_EQ(std::memcmp(&e.textures[i], &expected, sizeof expected), 0) << "texture " << i;
    }
}

std::vector<unsigned char> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

int32_t GetI32At(const std::vector<unsigned char>& bytes, size_t at)
{
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | bytes.at(at + i);
    return static_cast<int32_t>(v);
}

void PutI32At(std::vector<unsigned char>& bytes, size_t at, int32_t value)
{
    uint32_t v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        bytes.at(at + i) = static_cast<unsigned char>(v >> (8 * i));
}

std::string SceneFileTest::TempPath(const std::string& leaf)
{
    // Several builds may run these tests at once: the clock and a random number keep their
    // names apart.
    static const std::string run = std::to_string(std::random_device()() ^ static_cast<unsigned>(
        std::chrono::steady_clock::now().time_since_epoch().count()));
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string testName = test->name();
    for (char& c : testName)
        if (c == '/')
            c = '_';
    std::string path = ::testing::TempDir() + "velmora_" + run + "_" + testName + "_" + leaf;
    std::remove(path.c_str());
    paths.push_back(path);
    return path;
}

void SceneFileTest::TearDown()
{
    for (const std::string& path : paths)
        std::remove(path.c_str());
}

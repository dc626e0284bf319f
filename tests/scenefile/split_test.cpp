// Meshes too large for 16-bit corners become several scenes that together are the mesh.
#include "tests/scenefile/scene_samples.h"

#include <cstring>

namespace {

// The corners of triangle t of a mesh, as point values, so parts compare with the whole.
bool SameCorners(const __Point3ds* pa, const __Triangle3ds& ta, const __Point3ds* pb, const __Triangle3ds& tb)
{
    return std::memcmp(&pa[ta.a], &pb[tb.a], sizeof(__Point3ds)) == 0
        && std::memcmp(&pa[ta.b], &pb[tb.b], sizeof(__Point3ds)) == 0
        && std::memcmp(&pa[ta.c], &pb[tb.c], sizeof(__Point3ds)) == 0 && ta.material == tb.material
        && ta.flags == tb.flags;
}

// A grid of (n + 1) x (n + 1) shared points and 2 n^2 triangles.
void MakeGrid(int n, std::vector<__Point3ds>& points, std::vector<__Triangle3ds>& triangles)
{
    for (int y = 0; y <= n; ++y)
        for (int x = 0; x <= n; ++x) {
            __Point3ds p = __Point3ds();
            p.x = static_cast<float>(x);
            p.y = static_cast<float>(y);
            points.push_back(p);
        }
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            int32_t i = y * (n + 1) + x;
            triangles.push_back({i, i + 1, i + n + 1, 0, 0});
            triangles.push_back({i + 1, i + n + 2, i + n + 1, 7, 1});
        }
}

TEST(SplitSceneMesh, OwnPointsPerTriangleSplitExactlyAtTheLimit)
{
    SampleScene s = MakeSampleScene(1, 30000, AllParts());   // 90000 points
    std::vector<SceneMeshPart> parts;
    ASSERT_TRUE(SplitSceneMesh(s.points.data(), 90000, s.triangles.data(), 30000, parts));
    ASSERT_EQ(parts.size(), 2u);
    // 21845 triangles use 65535 points; one more would need 65538.
    EXPECT_EQ(parts[0].triangles.size(), 21845u);
    EXPECT_EQ(parts[0].points.size(), 65535u);
    EXPECT_EQ(parts[1].triangles.size(), 30000u - 21845u);
    EXPECT_EQ(parts[1].points.size(), 3 * (30000u - 21845u));
    size_t t = 0;
    for (const SceneMeshPart& part : parts)
        for (const __Triangle3ds& tri : part.triangles)
            ASSERT_TRUE(SameCorners(part.points.data(), tri, s.points.data(), s.triangles[t++])) << t;
}

TEST(SplitSceneMesh, SharedPointsAreCopiedOncePerPart)
{
    std::vector<__Point3ds> points;
    std::vector<__Triangle3ds> triangles;
    MakeGrid(6, points, triangles);
    for (int32_t limit : {3, 4, 10, 49, 1000}) {
        std::vector<SceneMeshPart> parts;
        ASSERT_TRUE(SplitSceneMesh(points.data(), static_cast<int32_t>(points.size()), triangles.data(),
                                   static_cast<int32_t>(triangles.size()), parts, limit));
        size_t t = 0;
        for (const SceneMeshPart& part : parts) {
            ASSERT_LE(part.points.size(), static_cast<size_t>(limit));
            ASSERT_FALSE(part.triangles.empty());
            for (const __Triangle3ds& tri : part.triangles)
                ASSERT_TRUE(SameCorners(part.points.data(), tri, points.data(), triangles[t++])) << limit;
        }
        EXPECT_EQ(t, triangles.size());
        if (limit >= 49) {
            EXPECT_EQ(parts.size(), 1u);
        }
    }
}

TEST(SplitSceneMesh, RefusesBadMeshes)
{
    std::vector<__Point3ds> points(3);
    std::vector<__Triangle3ds> triangles = {{0, 1, 3, 0, 0}};
    std::vector<SceneMeshPart> parts(2);
    EXPECT_FALSE(SplitSceneMesh(points.data(), 3, triangles.data(), 1, parts));
    EXPECT_TRUE(parts.empty());
    triangles[0].c = 2;
    EXPECT_FALSE(SplitSceneMesh(points.data(), 3, triangles.data(), 1, parts, 2));
    EXPECT_FALSE(SplitSceneMesh(points.data(), 3, triangles.data(), 0, parts));
    EXPECT_FALSE(SplitSceneMesh(nullptr, 3, triangles.data(), 1, parts));
    EXPECT_TRUE(SplitSceneMesh(points.data(), 3, triangles.data(), 1, parts));
}

class WriteInParts : public SceneFileTest {};

TEST_F(WriteInParts, ALargeMeshBecomesNumberedScenesThatReadBackAsTheMesh)
{
    SampleScene s = MakeSampleScene(1, 25000, AllParts());
    s.name = "ConiferTreeMesh";
    std::string path = TempPath("large");
    int32_t written = 0;
    ASSERT_TRUE(WriteSceneInParts(SceneWriteCreate, path.c_str(), s.name.c_str(), 75000, 25000, 2, 2, 8, 2,
                                  s.flags, s.points.data(), s.triangles.data(), s.materials.data(),
                                  s.lights.data(), s.textures.data(), s.glass.data(), &written));
    EXPECT_EQ(written, 2);
    SceneFileFlags wanted = AllParts();
    int32_t count = 0;
    SceneGeometry* g = nullptr;
    SceneExtras* e = nullptr;
    ASSERT_TRUE(ReadAllScenes(path.c_str(), count, g, e, wanted));
    ASSERT_EQ(count, 2);
    EXPECT_STREQ(g[0].name, "ConiferTreeMe.1");
    EXPECT_STREQ(g[1].name, "ConiferTreeMe.2");
    int32_t t = 0;
    for (int i = 0; i < count; ++i) {
        EXPECT_LE(g[i].pointCount, SceneFileMaxPoints);
        EXPECT_EQ(e[i].materialCount, 2);
        EXPECT_EQ(e[i].lightCount, 2);
        for (int32_t k = 0; k < g[i].triangleCount; ++k, ++t)
            ASSERT_TRUE(SameCorners(g[i].points, g[i].triangles[k], s.points.data(), s.triangles[t])) << t;
    }
    EXPECT_EQ(t, 25000);
    FreeScenes(count, g, e);
}

TEST_F(WriteInParts, AMeshThatFitsIsOneSceneWithItsOwnName)
{
    SampleScene s = MakeSampleScene(1, 10, NoParts());
    std::string path = TempPath("small");
    ASSERT_TRUE(s.WriteTo(path));
    int32_t written = 0;
    ASSERT_TRUE(WriteSceneInParts(SceneWriteAppend, path.c_str(), "Tree", 30, 10, 0, 0, 0, 0, NoParts(),
                                  s.points.data(), s.triangles.data(), nullptr, nullptr, nullptr, nullptr,
                                  &written));
    EXPECT_EQ(written, 1);
    SceneFileInfo info;
    ASSERT_TRUE(InspectSceneFile(path.c_str(), info));
    ASSERT_EQ(info.scenes.size(), 2u);
    EXPECT_STREQ(info.scenes[1].header.name, "Tree");
    EXPECT_FALSE(WriteSceneInParts(SceneWriteAppend, path.c_str(), "Tree", 0, 10, 0, 0, 0, 0, NoParts(),
                                   s.points.data(), s.triangles.data(), nullptr, nullptr, nullptr, nullptr,
                                   &written));
    EXPECT_EQ(written, 0);
}

} // namespace

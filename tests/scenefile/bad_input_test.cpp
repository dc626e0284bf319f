// Files from anywhere: truncated, lying counts and offsets, looping chains, wrong magic. Each is
// refused with nothing allocated, the inspection says what is wrong, and appending leaves such a
// file alone. Writers refuse scenes they cannot store faithfully.
#include "tests/scenefile/scene_samples.h"

#include <cstring>

namespace {

// Offsets of fields in the first scene's header, which starts at 16.
constexpr size_t PointCountAt = 32;
constexpr size_t TriangleCountAt = 36;
constexpr size_t LightCountAt = 40;
constexpr size_t MaterialCountAt = 44;
constexpr size_t NextAt = 56;
constexpr size_t PointsAtAt = 60;
constexpr size_t TrianglesAtAt = 64;
constexpr size_t LightsAtAt = 68;
constexpr size_t MaterialsAtAt = 72;
constexpr size_t GlassAtAt = 80;

class BadInput : public SceneFileTest {
protected:
    void SetUp() override
    {
        good = TempPath("good");
        bad = TempPath("bad");
        ASSERT_TRUE(MakeSampleScene(1, 3, AllParts()).WriteTo(good));
        ASSERT_TRUE(MakeSampleScene(2, 2, AllParts()).AppendTo(good));
        bytes = ReadBytes(good);
        second = static_cast<size_t>(GetI32At(bytes, NextAt));
    }

    // Both readers refuse the bytes with nothing handed out, and the inspection agrees.
    void ExpectRefused(const std::vector<unsigned char>& content, const std::string& what)
    {
        WriteBytes(bad, content);
        SceneFileFlags wanted = AllParts();
        SceneFileFlags asked = wanted;
        int32_t count = -1;
        SceneGeometry* g = reinterpret_cast<SceneGeometry*>(&count);
        SceneExtras* e = reinterpret_cast<SceneExtras*>(&count);
        EXPECT_FALSE(ReadAllScenes(bad.c_str(), count, g, e, wanted)) << what;
        EXPECT_EQ(count, 0) << what;
        EXPECT_EQ(g, nullptr) << what;
        EXPECT_EQ(e, nullptr) << what;
        EXPECT_EQ(std::memcmp(&wanted, &asked, sizeof wanted), 0) << what;
        SceneFileInfo info;
        EXPECT_TRUE(InspectSceneFile(bad.c_str(), info)) << what;
        EXPECT_FALSE(info.valid) << what;
        EXPECT_STRNE(info.problem, "") << what;
        // Appending would write into whatever the broken chain points at: refused, file intact.
        // (An empty file is the one exception: appending starts it afresh.)
        if (content.empty())
            return;
        EXPECT_FALSE(MakeSampleScene(9, 1, NoParts()).AppendTo(bad)) << what;
        EXPECT_TRUE(ReadBytes(bad) == content) << what;
    }

    void ExpectFirstSceneRefused(const std::vector<unsigned char>& content, const std::string& what)
    {
        WriteBytes(bad, content);
        SceneFileFlags wanted = AllParts();
        SceneGeometry g;
        SceneExtras e;
        EXPECT_FALSE(ReadFirstScene(bad.c_str(), g, e, wanted)) << what;
        EXPECT_EQ(g.points, nullptr) << what;
        EXPECT_EQ(e.materials, nullptr) << what;
    }

    std::vector<unsigned char> With(size_t at, int32_t value) const
    {
        std::vector<unsigned char> b = bytes;
        PutI32At(b, at, value);
        return b;
    }

    std::string good;
    std::string bad;
    std::vector<unsigned char> bytes;
    size_t second = 0;
};

TEST_F(BadInput, TheUntouchedFileIsAccepted)
{
    SceneFileInfo info;
    ASSERT_TRUE(InspectSceneFile(good.c_str(), info));
    EXPECT_TRUE(info.valid) << info.problem;
}

TEST_F(BadInput, EveryTruncationIsRefused)
{
    // Every length through the first scene's header and points, then a spread over the rest
    // and the last bytes one by one.
    for (size_t size = 0; size < bytes.size(); size += (size < 240 || size + 16 > bytes.size()) ? 1 : 29) {
        std::vector<unsigned char> cut(bytes.begin(), bytes.begin() + size);
        ExpectRefused(cut, "truncated to " + std::to_string(size));
        if (size < second)
            ExpectFirstSceneRefused(cut, "truncated to " + std::to_string(size));
    }
}

TEST_F(BadInput, MissingAndZeroLengthFilesAreRefused)
{
    SceneFileFlags wanted = AllParts();
    int32_t count = -1;
    SceneGeometry* g = nullptr;
    SceneExtras* e = nullptr;
    EXPECT_FALSE(ReadAllScenes(TempPath("missing").c_str(), count, g, e, wanted));
    EXPECT_FALSE(ReadAllScenes(nullptr, count, g, e, wanted));
    SceneFileInfo info;
    EXPECT_FALSE(InspectSceneFile(TempPath("missing").c_str(), info));
    ExpectFirstSceneRefused({}, "zero length");
    WriteBytes(bad, {});
    ASSERT_TRUE(InspectSceneFile(bad.c_str(), info));
    EXPECT_FALSE(info.headerRead);
    EXPECT_FALSE(info.valid);
}

TEST_F(BadInput, SceneCountsTheFileCannotHoldAreRefused)
{
    for (int32_t count : {0, -1, 3, 1000000, INT32_MAX, INT32_MIN})
        ExpectRefused(With(8, count), "scene count " + std::to_string(count));
    for (int32_t first : {0, -16, 8, 17, static_cast<int32_t>(bytes.size()), INT32_MAX})
        ExpectRefused(With(12, first), "first scene at " + std::to_string(first));
}

TEST_F(BadInput, NegativeOrOversizedCountsAreRefused)
{
    const size_t counts[] = {PointCountAt, TriangleCountAt, LightCountAt, MaterialCountAt, 48, 52};
    for (size_t field : counts) {
        for (int32_t value : {-1, INT32_MIN, INT32_MAX, 1 << 20}) {
            std::string what = "count field " + std::to_string(field) + " = " + std::to_string(value);
            ExpectRefused(With(field, value), what);
            ExpectFirstSceneRefused(With(field, value), what);
        }
        // One more entry than the scene holds runs into the next scene: refused as well.
        std::string what = "count field " + std::to_string(field) + " one too many";
        ExpectRefused(With(field, GetI32At(bytes, field) + 1), what);
    }
}

TEST_F(BadInput, OffsetsOutsideTheSceneAreRefused)
{
    const size_t offsets[] = {PointsAtAt, TrianglesAtAt, LightsAtAt, MaterialsAtAt, 76, GlassAtAt};
    for (size_t field : offsets) {
        for (int32_t value : {-1, 0, 16, 87, static_cast<int32_t>(bytes.size()), INT32_MAX, INT32_MIN}) {
            std::string what = "offset field " + std::to_string(field) + " = " + std::to_string(value);
            ExpectRefused(With(field, value), what);
            ExpectFirstSceneRefused(With(field, value), what);
        }
    }
    // A section moved into the next scene's header.
    ExpectRefused(With(GlassAtAt, static_cast<int32_t>(second)), "glass in the next scene");
}

// next must move forwards past the header: no chain can loop or run back into earlier scenes.
// The end mark -1 may stand only on the last scene of the count.
TEST_F(BadInput, ChainsThatLoopOrRunBackAreRefused)
{
    const size_t secondNext = second + 40;
    for (int32_t value : {16, static_cast<int32_t>(second), static_cast<int32_t>(second) + 71, -2, 0})
        ExpectRefused(With(secondNext, value), "second next = " + std::to_string(value));
    ExpectRefused(With(NextAt, -1), "an end mark on the first of two scenes");
    // The first scene pointing back at itself, with a count that would walk the loop forever.
    std::vector<unsigned char> loop = With(NextAt, 16);
    PutI32At(loop, 8, 1000);
    ExpectRefused(loop, "self loop");
    ExpectRefused(With(NextAt, static_cast<int32_t>(bytes.size()) + 1), "next past the end");
}

TEST_F(BadInput, CornersPastThePointsAreRefused)
{
    std::vector<unsigned char> b = bytes;
    const size_t triangles = static_cast<size_t>(GetI32At(b, TrianglesAtAt));
    b[triangles + 2] = 9;   // the first triangle's b corner, in a scene of 9 points
    ExpectRefused(b, "corner 9 of 9 points");
    ExpectFirstSceneRefused(b, "corner 9 of 9 points");
    b[triangles + 2] = 8;
    WriteBytes(bad, b);
    SceneFileInfo info;
    ASSERT_TRUE(InspectSceneFile(bad.c_str(), info));
    EXPECT_TRUE(info.valid) << "corner 8 of 9 points";
}

TEST_F(BadInput, InspectionNamesTheFault)
{
    WriteBytes(bad, With(second + PointCountAt - 16, -5));
    SceneFileInfo info;
    ASSERT_TRUE(InspectSceneFile(bad.c_str(), info));
    ASSERT_EQ(info.scenes.size(), 2u);
    EXPECT_TRUE(info.scenes[0].fits);
    EXPECT_FALSE(info.scenes[1].fits);
    EXPECT_STREQ(info.scenes[1].problem, "negative count");
    std::string text = DescribeSceneFile(info);
    EXPECT_NE(text.find("scene.1.fits=no\nscene.1.problem=negative count\n"), std::string::npos) << text;
    EXPECT_NE(text.find("file.valid=no\n"), std::string::npos) << text;

    // A name with a line break cannot forge report lines.
    std::vector<unsigned char> named = bytes;
    std::memcpy(&named[16], "x\nfile.valid=no", 16);
    WriteBytes(bad, named);
    ASSERT_TRUE(InspectSceneFile(bad.c_str(), info));
    EXPECT_NE(DescribeSceneFile(info).find("scene.0.name=x?file.valid=no\n"), std::string::npos);
}

TEST_F(BadInput, AppendingToAFileThatIsNoSceneFileLeavesItAlone)
{
    std::vector<unsigned char> text(400, 'a');
    WriteBytes(bad, text);
    EXPECT_FALSE(MakeSampleScene(1, 1, NoParts()).AppendTo(bad));
    EXPECT_TRUE(ReadBytes(bad) == text);
}

class RefusedScenes : public SceneFileTest {
protected:
    // The scene is refused and the file that was there stays as it was.
    void ExpectRefused(const SampleScene& s, const std::string& what)
    {
        std::string path = TempPath("refused");
        ASSERT_TRUE(MakeSampleScene(1, 1, NoParts()).WriteTo(path));
        std::vector<unsigned char> before = ReadBytes(path);
        EXPECT_FALSE(s.WriteTo(path)) << what;
        EXPECT_FALSE(s.AppendTo(path)) << what;
        EXPECT_TRUE(ReadBytes(path) == before) << what;
        std::string missing = TempPath("neverCreated");
        EXPECT_FALSE(s.WriteTo(missing)) << what;
        EXPECT_TRUE(ReadBytes(missing).empty()) << what;
    }
};

// 16-bit corners: index 65536 would come back as 0 and name another point.
TEST_F(RefusedScenes, CornerIndicesThatDoNotFitSixteenBits)
{
    SampleScene s = MakeSampleScene(1, 21846, NoParts());   // 65538 points
    ASSERT_EQ(s.points.size(), 65538u);
    s.triangles.back().a = 65536;
    s.triangles.back().b = 65537;
    ExpectRefused(s, "corner 65536");

    // 65535 is the largest index that fits.
    s.triangles.back() = {65535, 0, 1, 0, 0};
    std::string path = TempPath("largest");
    ASSERT_TRUE(s.WriteTo(path));
    SceneFileFlags wanted = NoParts();
    SceneGeometry g;
    SceneExtras e;
    ASSERT_TRUE(ReadFirstScene(path.c_str(), g, e, wanted));
    EXPECT_EQ(g.triangles[g.triangleCount - 1].a, 65535);
    FreeScene(g, &e);
}

TEST_F(RefusedScenes, CornersOutsideThePointsAndEmptyOrInconsistentScenes)
{
    SampleScene s = MakeSampleScene(1, 2, AllParts());
    SampleScene c = s;
    c.triangles[1].c = 6;
    ExpectRefused(c, "corner 6 of 6 points");
    c = s;
    c.triangles[0].a = -1;
    ExpectRefused(c, "negative corner");
    c = s;
    c.triangles.clear();
    ExpectRefused(c, "no triangles");
    c = s;
    c.points.clear();
    ExpectRefused(c, "no points");
    // Flagged, with a count, but no records to write from.
    EXPECT_FALSE(WriteSceneFile(TempPath("noLights").c_str(), "x", 6, 2, 2, 2, 8, 2, AllParts(), s.points.data(),
                                s.triangles.data(), s.materials.data(), nullptr, s.textures.data(), s.glass.data()));
    EXPECT_FALSE(WriteSceneFile(TempPath("negative").c_str(), "x", 6, 2, 2, -1, 8, 2, AllParts(),
                                s.points.data(), s.triangles.data(), s.materials.data(), s.lights.data(),
                                s.textures.data(), s.glass.data()));
    EXPECT_FALSE(WriteSceneFile(nullptr, "x", 6, 2, 0, 0, 0, 0, NoParts(), s.points.data(), s.triangles.data(),
                                nullptr, nullptr, nullptr, nullptr));
}

} // namespace

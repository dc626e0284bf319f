// Golden frames: a few small presets rendered through the host, against the Linux build's frames
// committed in tests/data/golden/ (NAME.png, and the hash of each in frames.txt).
//
// The Linux build must reproduce each frame exactly: a changed hash is a reviewed change, and the
// frame that differs is written to NAME.png.actual in the working folder. The Windows build (run
// under Wine) links another C library, whose sinf, cosf and sqrt may round differently in the
// last bit; its frames must stay within the tolerance below of the Linux ones. The same check is
// made on the frame velmora.exe writes when ctest hands its path in VELMORA_EXE_FRAME.
//
// VELMORA_UPDATE_GOLDEN=1 rewrites the references from the build that runs (the Linux one).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "tests/host/render_fixture.h"

namespace {

// Between the two builds. A last-bit difference in a maths function can move an edge and change
// one pixel by any amount, so the bound is on how many pixels change (more than one 8-bit step)
// and on the mean change per channel, not on the largest one. (The builds of this source agree
// exactly today; these bounds leave room for another C library.)
constexpr double CrossBuildDifferingPixels = 0.005;
constexpr double CrossBuildMeanDifference = 0.25;

struct Preset {
    const char* name;
    RenderOptions options;
    int32_t frame;
};

std::vector<Preset> Presets()
{
    std::vector<Preset> p;
    // The last frame of the default animation: the full tree.
    p.push_back({"default_f23", SmallOptions(160, 90, 23), 23});
    RenderOptions grow = SmallOptions(160, 90, 12);
    grow.settings = {"Grow up=0@0,100@23"};
    grow.deep = true;
    p.push_back({"grow_f12_deep", grow, 12});
    RenderOptions flat = SmallOptions(160, 90, 4);
    flat.settings = {"Rendering mode=Flat", "Needles shape=Round", "Opposite light=off"};
    flat.draft = true;
    p.push_back({"flat_draft_f4", flat, 4});
    RenderOptions half = SmallOptions(320, 180, 23);
    half.resolution = 2;
    half.settings = {"Cut alpha=on", "Rotation Y=40", "Position=200,170"};
    p.push_back({"half_cut_alpha_f23", half, 23});
    return p;
}

std::string GoldenDir() { return std::string(VELMORA_TEST_DATA) + "/golden"; }

std::map<std::string, std::string> ReadHashes()
{
    std::map<std::string, std::string> hashes;
    std::ifstream in(GoldenDir() + "/frames.txt");
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        std::string name, hash;
        if (fields >> name >> hash)
            hashes[name] = hash;
    }
    return hashes;
}

std::string Hex(uint64_t v)
{
    char buf[20];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(v));
    return buf;
}

bool Updating() { return std::getenv("VELMORA_UPDATE_GOLDEN") != nullptr; }

// Checks a frame of the Windows build against the Linux reference and says how close it is.
void ExpectCloseToReference(const RgbaImage& frame, const std::string& name)
{
    RgbaImage reference;
    std::string error;
    ASSERT_TRUE(ReadPngFile(GoldenDir() + "/" + name + ".png", reference, error)) << error;
    const ImageDifference d = CompareImages(frame, reference);
    std::printf("%s: max difference %d of 255, mean %.4f, %.3f%% of pixels more than 1 apart\n", name.c_str(),
                d.maxDifference, d.meanDifference, d.differingPixels * 100.0);
    EXPECT_LE(d.meanDifference, CrossBuildMeanDifference) << name;
    EXPECT_LE(d.differingPixels, CrossBuildDifferingPixels) << name;
}

class GoldenFramesTest : public RenderTest {};

TEST_F(GoldenFramesTest, PresetsMatchTheLinuxBuildsFrames)
{
    const std::map<std::string, std::string> hashes = ReadHashes();
    std::ostringstream updated;
    updated << "# Golden frames of the Linux build: name, then the 64-bit FNV-1a of the frame's size and\n"
               "# 16-bit RGBA values. Regenerate with VELMORA_UPDATE_GOLDEN=1 velmora_host_tests\n"
               "# --gtest_filter=GoldenFrames* after reviewing the changed frames.\n";
    for (const Preset& preset : Presets()) {
        SCOPED_TRACE(preset.name);
        const RgbaImage frame = Render(preset.options, preset.frame);
        ASSERT_FALSE(frame.pixels.empty());
        const std::string hash = Hex(ImageHash(frame));
        if (Updating()) {
            ASSERT_TRUE(WritePngFile(GoldenDir() + "/" + preset.name + ".png", frame, error)) << error;
            updated << preset.name << " " << hash << "\n";
            continue;
        }
#ifdef _WIN32
        ExpectCloseToReference(frame, preset.name);
#else
        const auto known = hashes.find(preset.name);
        ASSERT_NE(known, hashes.end()) << "no golden hash for " << preset.name;
        if (known->second != hash) {
            const std::string actual = std::string(preset.name) + ".png.actual";
            WritePngFile(actual, frame, error);
            RgbaImage reference;
            ReadPngFile(GoldenDir() + "/" + preset.name + ".png", reference, error);
            const ImageDifference d = CompareImages(frame, reference);
            ADD_FAILURE() << preset.name << ": hash " << hash << ", golden " << known->second
                          << "; max difference " << d.maxDifference << ", mean " << d.meanDifference
                          << "; the frame is in " << actual;
        }
#endif
    }
    if (Updating())
        std::ofstream(GoldenDir() + "/frames.txt") << updated.str();
}

// The frame velmora.exe rendered under Wine (ctest of the Windows build sets the path).
TEST(CrossBuild, VelmoraExeFrameIsCloseToTheLinuxBuilds)
{
    const char* path = std::getenv("VELMORA_EXE_FRAME");
    if (!path)
        GTEST_SKIP() << "VELMORA_EXE_FRAME is not set";
    RgbaImage frame;
    std::string error;
    ASSERT_TRUE(ReadPngFile(path, frame, error)) << error;
    ExpectCloseToReference(frame, "default_f23");
}

} // namespace

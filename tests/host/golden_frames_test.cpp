// Golden frames: presets rendered through the host's render command (every rendering mode at both
// qualities and depths, glass, reflection layers, two-pass back faces, and a few older presets),
// and scenes drawn through __RasterScene directly for what the effect never asks of the engine
// (the Bezier outline mode, multiple refraction, two-sided faces, Phong2, texture maps under
// perspective). Each frame is held to a hash in tests/data/golden/frames.txt. Then what the
// command-line host makes through the module it loads (frames and scene files), held to the
// hashes in tests/data/golden/host_outputs.txt.
//
// Both builds are held to the same bytes: the engine's arithmetic is IEEE basic operations, sqrt
// and our own elementary functions, so the Linux build and the Windows build (run under Wine)
// agree exactly. A frame that differs is written to NAME.png.actual in the working folder; a few
// presets also keep their frame as NAME.png for comparison.
//
// VELMORA_UPDATE_GOLDEN=1 rewrites the hashes (and, on Linux, the kept PNGs) from the build that
// runs, after the changed frames have been reviewed.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "effect/frame_convert.h"
#include "effect/params.h"
#include "effect/render_inputs.h"
#include "engine/engine_exports.h"
#include "host/commands.h"
#include "host/param_values.h"
#include "platform/pages.h"
#include "tests/host/command_line.h"
#include "tests/host/render_fixture.h"
#include "tests/support/settings_guard.h"
#include "tree/frame_mesh.h"

namespace {

std::string GoldenDir() { return std::string(VELMORA_TEST_DATA) + "/golden"; }

std::string Hex(uint64_t v)
{
    char buf[20];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(v));
    return buf;
}

bool Updating() { return std::getenv("VELMORA_UPDATE_GOLDEN") != nullptr; }

// A hash file: "name hash" lines in the order of the cases, after a comment header.
struct HashFile {
    std::string path, header;
    std::vector<std::string> order;
    std::map<std::string, std::string> hash;

    explicit HashFile(const std::string& file) : path(GoldenDir() + "/" + file) {}

    void Read()
    {
        std::ifstream in(path);
        std::string line;
        while (std::getline(in, line)) {
            if (line.empty() || line[0] == '#') {
                if (order.empty())
                    header += line + "\n";
                continue;
            }
            std::istringstream fields(line);
            std::string name, value;
            if (!(fields >> name >> value))
                continue;
            order.push_back(name);
            hash[name] = value;
        }
    }

    // The hash both builds must give; empty when unknown.
    std::string Expected(const std::string& name) const
    {
        const auto found = hash.find(name);
        return found == hash.end() ? "" : found->second;
    }

    void Set(const std::string& name, const std::string& value)
    {
        if (!hash.count(name))
            order.push_back(name);
        hash[name] = value;
    }

    void Write() const
    {
        // Binary, so that both builds write the same line ends.
        std::ofstream out(path, std::ios::binary);
        out << header;
        for (const std::string& name : order)
            out << name << " " << hash.at(name) << "\n";
    }
};

// Presets whose Linux frame is kept beside the hashes, to look at and to measure a difference.
bool KeepsPng(const std::string& name)
{
    return name == "default_f23" || name == "grow_f12_deep" || name == "flat_draft_f4" ||
           name == "half_cut_alpha_f23";
}

class GoldenFramesTest : public RenderTest {
protected:
    GoldenFramesTest() : hashes("frames.txt") {}
    void SetUp() override
    {
        RenderTest::SetUp();
        hashes.Read();
    }
    void TearDown() override
    {
        if (Updating() && !::testing::Test::HasFailure())
            hashes.Write();
        RenderTest::TearDown();
    }

    void Check(const std::string& name, const RgbaImage& frame)
    {
        SCOPED_TRACE(name);
        ASSERT_FALSE(frame.pixels.empty());
        const std::string hash = Hex(ImageHash(frame));
        if (Updating()) {
            hashes.Set(name, hash);
#ifndef _WIN32
            // The kept PNGs come from the Linux build's encoder, whose zlib may pack the same
            // pixels into other bytes than the Windows build's.
            if (KeepsPng(name)) {
                ASSERT_TRUE(WritePngFile(GoldenDir() + "/" + name + ".png", frame, error)) << error;
            }
#endif
            return;
        }
        const std::string expected = hashes.Expected(name);
        if (expected == hash)
            return;
        const std::string actual = name + ".png.actual";
        WritePngFile(actual, frame, error);
        std::ostringstream why;
        why << name << ": hash " << hash << ", golden " << (expected.empty() ? "none" : expected)
            << "; the frame is in " << actual;
        RgbaImage reference;
        if (KeepsPng(name) && ReadPngFile(GoldenDir() + "/" + name + ".png", reference, error)) {
            const ImageDifference d = CompareImages(frame, reference);
            why << "; against the kept frame: max difference " << d.maxDifference << ", mean "
                << d.meanDifference << ", " << d.differingPixels * 100.0 << "% of pixels";
        }
        ADD_FAILURE() << why.str();
    }

    HashFile hashes;
};

// ---------------------------------------------------------------------------------------------
// Through the render command

constexpr int32_t GoldenWidth = 480;
constexpr int32_t GoldenHeight = 270;

// The full tree turned a little, so that no mode sees a symmetric picture.
RenderOptions ModeOptions(const char* mode, bool quality, bool deep)
{
    RenderOptions o = SmallOptions(GoldenWidth, GoldenHeight, 23);
    o.settings = {std::string("Rendering mode=") + mode, "Rotation Y=37"};
    o.draft = !quality;
    o.deep = deep;
    return o;
}

std::string ModeName(const char* mode, bool quality, bool deep)
{
    std::string name = mode;
    for (char& c : name)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return name + (quality ? "_quality" : "_draft") + (deep ? "_16" : "_8");
}

uint16_t Wide(int v) { return uint16_t(v * 257); }

// A checker of 24-pixel squares for glass to refract.
void Checker(int x, int y, uint16_t p[4])
{
    const bool light = ((x / 24) + (y / 24)) % 2 == 0;
    p[0] = Wide(light ? 230 : 40);
    p[1] = Wide(light ? 220 : 60);
    p[2] = Wide(light ? 200 : 90);
    p[3] = Wide(255);
}

// Horizontal bands of colour with darker vertical stripes, for reflection maps.
void Bands(int x, int y, uint16_t p[4])
{
    static const int colours[4][3] = {{220, 60, 40}, {240, 200, 60}, {60, 160, 220}, {90, 200, 90}};
    const int* c = colours[(y / 34) % 4];
    const int dim = (x / 8) % 5 == 0 ? 2 : 1;
    for (int k = 0; k < 3; ++k)
        p[k] = Wide(c[k] / dim);
    p[3] = Wide(255);
}

typedef void (*Pattern)(int x, int y, uint16_t rgba[4]);

RgbaImage PatternImage(Pattern pattern)
{
    RgbaImage image;
    image.width = GoldenWidth;
    image.height = GoldenHeight;
    image.bitDepth = 8;
    image.pixels.resize(size_t(image.width) * image.height * 4);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            pattern(x, y, image.Pixel(x, y));
    return image;
}

// A layer of a given pattern, written where the render command can read it.
std::string WriteLayer(const ScratchFolder& folder, const char* name, Pattern pattern)
{
    const std::string path = (folder.Path() / name).string();
    std::string error;
    EXPECT_TRUE(WritePngFile(path, PatternImage(pattern), error)) << error;
    return path;
}

const char* const Modes[] = {"Rough", "Line", "Wire", "Flat", "Phong", "Patches", "Bezier"};

TEST_F(GoldenFramesTest, RenderCommandPresets)
{
    // The older presets: small frames at other frames, sizes and settings.
    {
        Check("default_f23", Render(SmallOptions(160, 90, 23), 23));
        RenderOptions grow = SmallOptions(160, 90, 12);
        grow.settings = {"Grow up=0@0,100@23"};
        grow.deep = true;
        Check("grow_f12_deep", Render(grow, 12));
        RenderOptions flat = SmallOptions(160, 90, 4);
        flat.settings = {"Grow up=100", "Rendering mode=Flat", "Needles shape=Round", "Opposite light=off"};
        flat.draft = true;
        Check("flat_draft_f4", Render(flat, 4));
        RenderOptions half = SmallOptions(320, 180, 23);
        half.resolution = 2;
        half.settings = {"Cut alpha=on", "Rotation Y=40", "Position=200,170"};
        Check("half_cut_alpha_f23", Render(half, 23));
    }

    for (const char* mode : Modes)
        for (bool quality : {true, false})
            for (bool deep : {false, true})
                Check(ModeName(mode, quality, deep), Render(ModeOptions(mode, quality, deep), 23));

    ScratchFolder folder;
    const std::string checker = WriteLayer(folder, "checker.png", Checker);
    const std::string bands = WriteLayer(folder, "bands.png", Bands);

    // Both materials glass over the checker, near-grey so the tint stays light.
    auto glass = [&](const char* mode, bool quality, bool deep) {
        RenderOptions o = ModeOptions(mode, quality, deep);
        o.layerPath = checker;
        o.settings.insert(o.settings.end(),
                          {"Material of tree/Glass=1", "Material of needles/Glass=1",
                           "Material of needles/Diffuse=140,150,140",
                           "Material of tree/Diffuse=150,140,128",
                           "Material of needles/Refraction=-300"});
        return o;
    };
    for (bool quality : {true, false})
        for (bool deep : {false, true})
            Check("glass_" + ModeName("Phong", quality, deep), Render(glass("Phong", quality, deep), 23));
    for (const char* mode : {"Line", "Flat", "Bezier"})
        Check("glass_" + ModeName(mode, true, false), Render(glass(mode, true, false), 23));

    // Both materials reflect the bands.
    auto reflection = [&](const char* mode, bool quality, bool deep) {
        RenderOptions o = ModeOptions(mode, quality, deep);
        o.treeReflectionPath = bands;
        o.needleReflectionPath = bands;
        return o;
    };
    for (bool quality : {true, false})
        for (bool deep : {false, true})
            Check("reflection_" + ModeName("Phong", quality, deep),
                  Render(reflection("Phong", quality, deep), 23));
    for (const char* mode : {"Wire", "Patches", "Bezier"})
        Check("reflection_" + ModeName(mode, true, false), Render(reflection(mode, true, false), 23));

    // Two passes: back faces first, then the front over them; the render driver leaves the
    // setting as it finds it, so the engine's is set here. Glass in the front pass refracts the
    // back faces.
    {
        EngineSettingsGuard guard;
        __SetDrawBackFaces(1);
        for (bool quality : {true, false})
            for (bool deep : {false, true})
                Check("backfaces_glass_" + ModeName("Phong", quality, deep),
                      Render(glass("Phong", quality, deep), 23));
        for (const char* mode : {"Line", "Wire", "Flat", "Patches", "Bezier"})
            Check("backfaces_" + ModeName(mode, true, false), Render(ModeOptions(mode, true, false), 23));
    }
}

// ---------------------------------------------------------------------------------------------
// Through __RasterScene

// The default tree of frame 23 turned by 37 degrees, placed, lit and coloured as the render
// driver does it, over the sky (or another background), as an engine image of the given depth.
struct EngineScene : GrownMesh {
    FrameParameters p{};
    std::vector<unsigned char> dest, source;
    material3ds materials[2];
    __Texture textures[8];
    light3ds lights[2];
    int32_t lightCount = 0;
    GlassProp glass[2];
    std::vector<std::vector<unsigned char>> maps;
    bool deep = false;

    void Build(HostSession& session, bool deepImages, const RgbaImage& background)
    {
        deep = deepImages;
        __SetDeep(deep ? 1 : 0);
        // Point defaults are relative to the layer, so the layer's size comes first.
        SetLayerSize(session, GoldenWidth, GoldenHeight);
        ResetParamValues(session);
        std::string error;
        ASSERT_TRUE(SetParamFromText(session, FindParam(session, "Rotation Y", error), "37", error)) << error;
        p = ReadFrameParameters(ParamArray(session));
        ASSERT_TRUE(GrowFrameMesh(GeneratorInputs(p, GoldenWidth, 23), *this));
        ASSERT_TRUE(points && triangles);
        PlaceTree(p, GoldenWidth, GoldenHeight, points, pointCount);
        __Sort(triangleCount, triangles, points);

        lightCount = FillLights(p, lights);
        FillMaterials(p, materials);
        FillGlass(p, 1.0f, glass);
        std::memset(textures, 0, sizeof textures);

        HostWorld sky;
        ASSERT_TRUE(ImageToWorld(background, deep, sky));
        const int elementBytes = deep ? 2 : 1;
        source.assign(EngineImageBytes(GoldenWidth, GoldenHeight), 0);
        WorldToEngineImage(source.data(), sky.world.data, GoldenWidth, GoldenHeight,
                           sky.world.rowbytes / elementBytes);
        dest = source;
    }

    // Texture coordinates from each point's place on the frame, and a texture, opacity and bump
    // map on both materials.
    void AddMaps()
    {
        for (int32_t k = 0; k < pointCount; ++k) {
            points[k].mapped = 1;
            points[k].u = points[k].x / 97.0f + 0.5f;
            points[k].v = points[k].y / 61.0f + 0.5f;
        }
        const int size = 64;
        for (int m = 0; m < 2; ++m)
            for (int slot : {TextureSlotColour, TextureSlotOpacity, TextureSlotBump}) {
                std::vector<unsigned char> pixels(size_t(size) * size * 4 * (deep ? 2 : 1));
                for (int y = 0; y < size; ++y)
                    for (int x = 0; x < size; ++x)
                        for (int c = 0; c < 4; ++c) {
                            int v = c == 3 ? 255 : ((x * (c + 3) + y * (5 - c) + 40 * slot) * 7) % 256;
                            if (slot == TextureSlotOpacity && c != 3)
                                v = 128 + v / 2;
                            const size_t at = (size_t(y) * size + x) * 4 + c;
                            if (deep) {
                                const uint16_t wide = uint16_t((v * 32768 + 128) / 255);
                                std::memcpy(&pixels[2 * at], &wide, 2);
                            } else {
                                pixels[at] = uint8_t(v);
                            }
                        }
                maps.push_back(std::move(pixels));
                __Texture& t = textures[m * TextureSlotCount + slot];
                t.present = 1;
                t.width = size;
                t.height = size;
                t.pixels = maps.back().data();
                t.deep = deep ? 1 : 0;
                map3ds& block = slot == TextureSlotColour   ? materials[m].texture
                                : slot == TextureSlotOpacity ? materials[m].opacity
                                                             : materials[m].bump;
                block.amount = slot == TextureSlotBump ? 0.01f : 0.7f;
                block.uScale = block.vScale = 1.0f;
            }
    }

    void Draw()
    {
        __RasterScene(dest.data(), source.data(), GoldenWidth, GoldenHeight, GoldenWidth * 4,
                      pointCount, triangleCount, triangles, points, GoldenWidth / 2,
                      GoldenHeight / 2, 2, materials, textures, lightCount, lights, glass);
    }

    RgbaImage Frame() const
    {
        HostWorld world;
        EXPECT_TRUE(MakeWorld(GoldenWidth, GoldenHeight, deep, world));
        EngineImageToWorld(world.world.data, dest.data(), GoldenWidth, GoldenHeight,
                           world.world.rowbytes / (deep ? 2 : 1));
        return WorldToImage(world.world);
    }
};

class GoldenEngineFramesTest : public GoldenFramesTest {
protected:
    EngineSettingsGuard guard;
};

TEST_F(GoldenEngineFramesTest, EngineScenes)
{
    EngineSettingsGuard::ResetToLoadValues();
    // Mode 10 is not on the effect's menu: the surface's soft silhouette over the source.
    for (bool deep : {false, true}) {
        EngineScene scene;
        scene.Build(session, deep, SkyBackground(GoldenWidth, GoldenHeight));
        __SetDrawMode(uint8_t(DrawMode::BezierOutline));
        scene.Draw();
        Check(std::string("engine_bezier_outline_") + (deep ? "16" : "8"), scene.Frame());
    }

    // Glass with multiple refraction, which the effect switches off, with Phong2 normals; value 2
    // also draws back faces in the front pass, and with two passes BackLayer holds the back.
    struct Refraction {
        const char* name;
        DrawMode mode;
        uint8_t multy, backFaces, dubleSide;
        bool deep;
    };
    const Refraction refractions[] = {
        {"engine_multyrefract2_phong2_8", DrawMode::Phong, 2, 0, 0, false},
        {"engine_multyrefract1_backfaces_phong2_16", DrawMode::Phong, 1, 1, 0, true},
        {"engine_multyrefract1_dubleside_patches_8", DrawMode::Patches, 1, 0, 1, false},
        {"engine_multyrefract2_bezier_8", DrawMode::Bezier, 2, 0, 0, false},
        {"engine_dubleside_wire_8", DrawMode::Wire, 0, 0, 1, false},
    };
    for (const Refraction& r : refractions) {
        EngineScene scene;
        scene.Build(session, r.deep, PatternImage(Checker));
        for (int m = 0; m < 2; ++m) {
            scene.glass[m].on = 1;
            scene.glass[m].refraction = m == 0 ? -12.0f : -40.0f;
            scene.glass[m].optical = 1.3f;
            scene.glass[m].aberration = 20.0f;
            // Near grey, so that the tint leaves the refracted checker visible.
            const float grey[2][3] = {{0.59f, 0.55f, 0.5f}, {0.55f, 0.59f, 0.55f}};
            for (int c = 0; c < 3; ++c)
                scene.materials[m].diffuse[c] = grey[m][c];
        }
        __SetDrawMode(uint8_t(r.mode));
        __SetQuality(1);
        __SetUsePhong2(1);
        __SetUseMultyRefract(r.multy);
        __SetDrawBackFaces(r.backFaces);
        __SetDubleSide(r.dubleSide);
        scene.Draw();
        Check(r.name, scene.Frame());
    }
    __SetUsePhong2(0);
    __SetUseMultyRefract(0);
    __SetDrawBackFaces(0);
    __SetDubleSide(0);

    // Texture, opacity and bump maps, with perspective-correct coordinates.
    struct Mapped {
        const char* name;
        DrawMode mode;
        uint8_t quality;
        bool deep;
    };
    const Mapped mapped[] = {
        {"engine_maps_persp_phong_quality_8", DrawMode::Phong, 1, false},
        {"engine_maps_persp_phong_draft_16", DrawMode::Phong, 0, true},
        {"engine_maps_persp_flat_quality_16", DrawMode::Flat, 1, true},
        {"engine_maps_persp_patches_quality_8", DrawMode::Patches, 1, false},
        {"engine_maps_persp_bezier_quality_8", DrawMode::Bezier, 1, false},
        {"engine_maps_persp_line_draft_8", DrawMode::Line, 0, false},
    };
    for (const Mapped& m : mapped) {
        EngineScene scene;
        scene.Build(session, m.deep, SkyBackground(GoldenWidth, GoldenHeight));
        scene.AddMaps();
        __AddPersp(scene.pointCount, scene.points, 1.0f, 0.0f, 0.0f, 1500.0f);
        __SetDrawMode(uint8_t(m.mode));
        __SetQuality(m.quality);
        scene.Draw();
        Check(m.name, scene.Frame());
    }
}

// The frame velmora.exe rendered under Wine (ctest of the Windows build sets the path): the
// process the real host's machine would run, with the module it loads.
TEST(CrossBuild, VelmoraExeFrameIsGolden)
{
    const char* path = std::getenv("VELMORA_EXE_FRAME");
    if (!path)
        GTEST_SKIP() << "VELMORA_EXE_FRAME is not set";
    RgbaImage frame;
    std::string error;
    ASSERT_TRUE(ReadPngFile(path, frame, error)) << error;
    HashFile hashes("frames.txt");
    hashes.Read();
    ASSERT_FALSE(hashes.Expected("default_f23").empty());
    EXPECT_EQ(Hex(ImageHash(frame)), hashes.Expected("default_f23"));
}

// One line of host_outputs.txt.
struct CrossBuildCase {
    std::string name, hash, arguments;
};

std::vector<CrossBuildCase> ReadCrossBuildCases()
{
    std::vector<CrossBuildCase> cases;
    std::ifstream in(GoldenDir() + "/host_outputs.txt");
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        CrossBuildCase c;
        fields >> c.name >> c.hash;
        std::getline(fields >> std::ws, c.arguments);
        cases.push_back(c);
    }
    return cases;
}

uint64_t FileHash(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    uint64_t hash = 0xcbf29ce484222325u;
    char c;
    while (in.get(c)) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3u;
    }
    return hash;
}

TEST(HostOutputs, SameOnBothBuilds)
{
    const std::vector<CrossBuildCase> cases = ReadCrossBuildCases();
    ASSERT_FALSE(cases.empty());
    ScratchFolder scratch;
    std::ostringstream updated;
    {
        std::ifstream in(GoldenDir() + "/host_outputs.txt");
        std::string line;
        while (std::getline(in, line) && !line.empty() && line[0] == '#')
            updated << line << "\n";
    }
    const std::string docs = std::string(VELMORA_SOURCE_DIR) + "/docs";
    for (const CrossBuildCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::string arguments = c.arguments;
        for (size_t at; (at = arguments.find("$DOCS")) != std::string::npos;)
            arguments.replace(at, 5, docs);
        const bool scene = arguments.compare(0, 6, "scene ") == 0;
        const std::string out =
            (scratch.Path() / (c.name + (scene ? ".3ds" : ".png"))).generic_string();
        ASSERT_EQ(RunCommandLine(arguments + (scene ? " \"" : " --out \"") + out + "\""), 0);
        std::string hash;
        if (scene) {
            hash = Hex(FileHash(out));
        } else {
            RgbaImage frame;
            std::string error;
            ASSERT_TRUE(ReadPngFile(out, frame, error)) << error;
            hash = Hex(ImageHash(frame));
        }
        if (Updating()) {
            updated << c.name << " " << hash << " " << c.arguments << "\n";
            continue;
        }
        EXPECT_EQ(hash, c.hash) << c.name << ": " << c.arguments;
    }
    if (Updating())
        std::ofstream(GoldenDir() + "/host_outputs.txt") << updated.str();
}

} // namespace

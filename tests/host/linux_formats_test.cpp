// Files only the Linux build writes, each checked by a reader that is not ours: binary glTF by the
// Khronos validator (the npm package, run by node) and read back by tinygltf; OpenEXR frames read
// back by the OpenEXR library; videos counted and decoded by ffprobe and ffmpeg, and compared with
// the PNG frames within each format's precision. A video is whole or absent: a failing, missing
// or interrupted encoder leaves no file. The Windows test program leaves this file out
// (tests/host/tests.cmake); velmora.exe's refusals are tested with the formats themselves.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>

#include <OpenEXR/ImfArray.h>
#include <OpenEXR/ImfHeader.h>
#include <OpenEXR/ImfRgbaFile.h>
#include <nlohmann/json.hpp>
#include <tiny_gltf.h>

#include "host/commands.h"
#include "host/frame_paths.h"
#include "host/frame_tree.h"
#include "host/mesh_export.h"
#include "tests/host/render_fixture.h"

extern char** environ;

namespace {

// What a command prints on its standard output, and its exit status.
struct CommandResult {
    std::string out;
    int status = -1;
};

CommandResult RunCommand(const std::string& command)
{
    CommandResult result;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return result;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        result.out.append(buffer, n);
    result.status = pclose(pipe);
    return result;
}

std::string Quoted(const std::filesystem::path& path) { return "'" + path.string() + "'"; }

// The validator's report on the file; fails the test when it cannot be had.
nlohmann::json ValidatorReport(const std::filesystem::path& glb)
{
    const std::filesystem::path validator =
        std::filesystem::path(VELMORA_SOURCE_DIR) / "build" / "node" / "node_modules" / "gltf-validator";
    const std::filesystem::path script = std::filesystem::path(VELMORA_SOURCE_DIR) / "tests" / "host" / "gltf_validate.js";
    if (!std::filesystem::exists(validator / "package.json")) {
        ADD_FAILURE() << "the glTF validator is not installed in " << validator << ": run scripts/setup.sh";
        return nlohmann::json();
    }
    const CommandResult run = RunCommand("node " + Quoted(script) + " " + Quoted(validator) + " " + Quoted(glb));
    EXPECT_EQ(run.status, 0) << "node could not run the validator";
    nlohmann::json report = nlohmann::json::parse(run.out, nullptr, false);
    EXPECT_FALSE(report.is_discarded()) << run.out;
    return report;
}

double SrgbToLinear(double s) { return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4); }

class LinuxFormats : public ::testing::Test {
protected:
    ScratchFolder folder;
    std::ostringstream out, err;
};

} // namespace

TEST_F(LinuxFormats, GltfPassesTheValidatorAndReadsBackAsExported)
{
    FrameTreeOptions options;
    options.settings = {"N branches=3", "Material of tree/Diffuse=255,0,188", "Material of needles/Transparancy=40"};
    const std::filesystem::path glb = folder.Path() / "pine.glb";
    ASSERT_EQ(RunTreeCommand(options, TreeExport{"", glb.string()}, out, err), EXIT_OK) << err.str();

    const nlohmann::json report = ValidatorReport(glb);
    ASSERT_TRUE(report.is_object());
    EXPECT_EQ(report["issues"]["numErrors"], 0) << report["issues"].dump(1);
    EXPECT_EQ(report["issues"]["numWarnings"], 0) << report["issues"].dump(1);
    FrameTree tree;
    std::string error;
    ASSERT_TRUE(BuildFrameTree(options, tree, error)) << error;
    EXPECT_EQ(report["info"]["drawCallCount"], 2);
    EXPECT_EQ(report["info"]["totalTriangleCount"], tree.triangleCount);

    tinygltf::Model model;
    tinygltf::TinyGLTF reader;
    std::string warning;
    ASSERT_TRUE(reader.LoadBinaryFromFile(&model, &error, &warning, glb.string())) << error;
    ASSERT_EQ(model.materials.size(), 2u);
    const auto& treeColour = model.materials[0].pbrMetallicRoughness.baseColorFactor;
    EXPECT_EQ(model.materials[0].name, "tree");
    EXPECT_NEAR(treeColour[0], 1.0, 1e-9);
    EXPECT_NEAR(treeColour[1], 0.0, 1e-9);
    EXPECT_NEAR(treeColour[2], SrgbToLinear(188 / 255.0), 1e-6);
    EXPECT_NEAR(treeColour[3], 1.0, 1e-9);
    // Exponent 150 with a highlight; the needles have none (strength 0), so they are matte, and
    // 40 % transparent.
    EXPECT_NEAR(model.materials[0].pbrMetallicRoughness.roughnessFactor, std::pow(2.0 / 152.0, 0.25), 1e-6);
    EXPECT_EQ(model.materials[0].pbrMetallicRoughness.metallicFactor, 0.0);
    EXPECT_EQ(model.materials[1].pbrMetallicRoughness.roughnessFactor, 1.0);
    EXPECT_NEAR(model.materials[1].pbrMetallicRoughness.baseColorFactor[3], 0.6, 1e-6);
    EXPECT_EQ(model.materials[1].alphaMode, "BLEND");

    // The stored vertices and corners are the exported mesh's, bit for bit.
    const ExportMesh mesh = BuildExportMesh(tree);
    ASSERT_EQ(model.meshes.size(), 1u);
    ASSERT_EQ(model.meshes[0].primitives.size(), 2u);
    for (int m = 0; m < 2; ++m) {
        const tinygltf::Primitive& primitive = model.meshes[0].primitives[size_t(m)];
        EXPECT_EQ(primitive.material, m);
        const tinygltf::Accessor& indices = model.accessors[size_t(primitive.indices)];
        ASSERT_EQ(indices.componentType, TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT);
        ASSERT_EQ(indices.count, mesh.corners[m].size());
        const tinygltf::BufferView& view = model.bufferViews[size_t(indices.bufferView)];
        EXPECT_EQ(std::memcmp(model.buffers[0].data.data() + view.byteOffset + indices.byteOffset,
                              mesh.corners[m].data(), indices.count * 4),
                  0);
        for (const char* attribute : {"POSITION", "NORMAL"}) {
            const tinygltf::Accessor& accessor = model.accessors[size_t(primitive.attributes.at(attribute))];
            ASSERT_EQ(accessor.count, mesh.vertices.size());
            const tinygltf::BufferView& data = model.bufferViews[size_t(accessor.bufferView)];
            const uint8_t* stored = model.buffers[0].data.data() + data.byteOffset + accessor.byteOffset;
            for (size_t i = 0; i < mesh.vertices.size(); ++i) {
                const float* expected = std::strcmp(attribute, "POSITION") == 0 ? mesh.vertices[i].position
                                                                                 : mesh.vertices[i].normal;
                ASSERT_EQ(std::memcmp(stored + i * 12, expected, 12), 0) << attribute << " " << i;
            }
        }
    }
}

TEST_F(LinuxFormats, GltfOfATreeNotYetGrownIsValidAndEmpty)
{
    FrameTreeOptions options;
    options.settings = {"Grow up=0"};
    const std::filesystem::path glb = folder.Path() / "seed.glb";
    ASSERT_EQ(RunTreeCommand(options, TreeExport{"", glb.string()}, out, err), EXIT_OK) << err.str();
    const nlohmann::json report = ValidatorReport(glb);
    ASSERT_TRUE(report.is_object());
    EXPECT_EQ(report["issues"]["numErrors"], 0) << report["issues"].dump(1);
    EXPECT_EQ(report["info"]["drawCallCount"], 0);
}

namespace {

// A frame of the tree alone on transparency, so alpha runs from 0 to 1 across its edges.
RenderOptions CutAlphaFrames(int32_t first, int32_t last)
{
    RenderOptions o = SizedOptions(96, 54);
    o.firstFrame = first;
    o.lastFrame = last;
    o.settings = {"Cut alpha=on"};
    o.progress = ProgressStyle::Quiet;
    return o;
}

// Frame `frame` of a video, decoded by ffmpeg as 8-bit RGBA.
std::string DecodedVideoFrame(const std::filesystem::path& video, int frame)
{
    const CommandResult run = RunCommand("ffmpeg -nostdin -loglevel error -i " + Quoted(video) +
                                         " -vf 'select=eq(n\\," + std::to_string(frame) +
                                         ")' -frames:v 1 -f rawvideo -pix_fmt rgba -");
    EXPECT_EQ(run.status, 0);
    return run.out;
}

// How far a decoded 8-bit RGBA frame is from an image of its size: the mean difference, in
// 8-bit steps, of the colour channels' means over 2x2 blocks.
double BlockColourDifference(const std::string& decoded, const RgbaImage& image)
{
    double sum = 0;
    int64_t count = 0;
    for (int32_t y = 0; y + 1 < image.height; y += 2)
        for (int32_t x = 0; x + 1 < image.width; x += 2)
            for (size_t c = 0; c < 3; ++c) {
                double difference = 0;
                for (int32_t dy = 0; dy < 2; ++dy)
                    for (int32_t dx = 0; dx < 2; ++dx) {
                        const size_t i = (size_t(y + dy) * size_t(image.width) + size_t(x + dx)) * 4 + c;
                        difference += int(uint8_t(decoded[i])) - image.pixels[i] / 257.0;
                    }
                sum += std::fabs(difference / 4);
                ++count;
            }
    return sum / double(count);
}

// Whether any process still running names `text` on its command line.
bool ProcessMentions(const std::string& text)
{
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::ifstream cmdline(entry.path() / "cmdline", std::ios::binary);
        std::string words((std::istreambuf_iterator<char>(cmdline)), std::istreambuf_iterator<char>());
        if (words.find(text) != std::string::npos)
            return true;
    }
    return false;
}

class LinuxFrameFormats : public RenderTest {
protected:
    int Run(const RenderOptions& o)
    {
        out.str("");
        err.str("");
        return RenderFrames(session, EntryPointFunc, o, out, err);
    }
    ScratchFolder folder;
    std::ostringstream out, err;
};

} // namespace

TEST_F(LinuxFrameFormats, ExrHoldsThePngFrameInLinearLightPremultiplied)
{
    for (bool deep : {false, true}) {
        SCOPED_TRACE(deep ? "16 bits" : "8 bits");
        RenderOptions o = CutAlphaFrames(23, 23);
        o.deep = deep;
        o.outPattern = (folder.Path() / "f.png").string();
        ASSERT_EQ(Run(o), EXIT_OK) << err.str();
        o.outPattern = (folder.Path() / "f.exr").string();
        ASSERT_EQ(Run(o), EXIT_OK) << err.str();
        EXPECT_NE(out.str().find("OpenEXR"), std::string::npos) << out.str();

        RgbaImage png;
        ASSERT_TRUE(ReadPngFile((folder.Path() / "f.png").string(), png, error)) << error;
        Imf::RgbaInputFile exr((folder.Path() / "f.exr").string().c_str());
        EXPECT_EQ(exr.header().compression(), Imf::ZIP_COMPRESSION);
        EXPECT_EQ(exr.channels(), Imf::WRITE_RGBA);
        const Imath::Box2i window = exr.dataWindow();
        ASSERT_EQ(window.max.x - window.min.x + 1, png.width);
        ASSERT_EQ(window.max.y - window.min.y + 1, png.height);
        Imf::Array2D<Imf::Rgba> pixels(png.height, png.width);
        exr.setFrameBuffer(&pixels[0][0] - window.min.x - window.min.y * png.width, 1, size_t(png.width));
        exr.readPixels(window.min.y, window.max.y);
        int partlyCovered = 0, lit = 0;
        for (int32_t y = 0; y < png.height; ++y)
            for (int32_t x = 0; x < png.width; ++x) {
                const uint16_t* p = png.Pixel(x, y);
                const double alpha = p[3] / 65535.0;
                partlyCovered += alpha > 0.05 && alpha < 0.95;
                const Imf::Rgba& e = pixels[y][x];
                // Half floats keep 11 significant bits: a relative error of at most 2^-11.
                ASSERT_NEAR(float(e.a), alpha, 5e-4) << x << "," << y;
                const float got[3] = {e.r, e.g, e.b};
                for (int c = 0; c < 3; ++c) {
                    const double expected = SrgbToLinear(p[c] / 65535.0) * alpha;
                    lit += expected > 0.01;
                    ASSERT_NEAR(got[c], expected, 5e-4 * expected + 1e-6) << x << "," << y << " channel " << c;
                }
            }
        EXPECT_GT(partlyCovered, 10);   // the edges' alpha was checked, not just 0 and 1
        EXPECT_GT(lit, 100);
    }
    // A complete EXR is kept by --no-overwrite; a cut one is not.
    const std::filesystem::path exr = folder.Path() / "f.exr";
    EXPECT_TRUE(FrameFileIsComplete(exr.string()));
    std::filesystem::resize_file(exr, std::filesystem::file_size(exr) * 2 / 3);
    EXPECT_FALSE(FrameFileIsComplete(exr.string()));
}

TEST_F(LinuxFrameFormats, VideosHoldEveryFrameAtTheRateAsThePngsShowThem)
{
    RenderOptions o = CutAlphaFrames(0, 5);
    o.settings = {"Cut alpha=on", "Grow up=100", "Rotation Y=0@0,50@5"};
    o.fps = 25;
    const std::string pngs = (folder.Path() / "f_####.png").string();
    o.outPattern = pngs;
    ASSERT_EQ(Run(o), EXIT_OK) << err.str();
    const int frames[] = {0, 3, 5};
    std::vector<RgbaImage> png(3);
    for (size_t k = 0; k < 3; ++k)
        ASSERT_TRUE(ReadPngFile(FramePath(pngs, frames[k]), png[k], error)) << error;
    const struct {
        const char* name;
        const char* codec;
        const char* pixelFormat;   // ProRes of 10 bits reads back as 12
        bool alpha;
        double tolerance;          // mean 8-bit steps of the colours' 2x2 block means
    } videos[] = {{"v.mp4", "h264", "yuv420p", false, 3.5}, {"v.mov", "prores", "yuva444p12le", true, 0.5}};
    for (const auto& v : videos) {
        SCOPED_TRACE(v.name);
        o.outPattern = (folder.Path() / v.name).string();
        ASSERT_EQ(Run(o), EXIT_OK) << err.str();
        EXPECT_NE(out.str().find("at 25 frames a second"), std::string::npos) << out.str();
        const CommandResult probe =
            RunCommand("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                       "stream=codec_name,pix_fmt,nb_read_frames,r_frame_rate,width,height,color_space -of json " +
                       Quoted(folder.Path() / v.name));
        ASSERT_EQ(probe.status, 0);
        const nlohmann::json stream = nlohmann::json::parse(probe.out)["streams"][0];
        EXPECT_EQ(stream["codec_name"], v.codec);
        EXPECT_EQ(stream["pix_fmt"], v.pixelFormat);
        EXPECT_EQ(stream["nb_read_frames"], "6");
        EXPECT_EQ(stream["r_frame_rate"], "25/1");
        EXPECT_EQ(stream["width"], 96);
        EXPECT_EQ(stream["height"], 54);
        EXPECT_EQ(stream["color_space"], "bt709");

        // H.264 in yuv420p keeps one colour for each 2x2 block, so colours are compared as the
        // blocks' means; every decoded frame lies within the format's precision of its own PNG
        // frame and nearer to it than to the others.
        for (size_t k = 0; k < 3; ++k) {
            SCOPED_TRACE(frames[k]);
            const std::string decoded = DecodedVideoFrame(folder.Path() / v.name, frames[k]);
            ASSERT_EQ(decoded.size(), png[k].pixels.size());
            double distance[3];
            for (size_t j = 0; j < 3; ++j)
                distance[j] = BlockColourDifference(decoded, png[j]);
            EXPECT_LT(distance[k], v.tolerance);
            for (size_t j = 0; j < 3; ++j) {
                if (j != k) {
                    EXPECT_LT(distance[k] * 2, distance[j]) << "frame " << frames[j];
                }
            }
            // ProRes 4444 keeps the alpha; H.264 has none, so its frames are opaque.
            double alpha = 0;
            for (size_t i = 3; i < decoded.size(); i += 4)
                alpha += std::abs(int(uint8_t(decoded[i])) - (v.alpha ? png[k].pixels[i] / 257 : 255));
            EXPECT_LT(alpha / double(decoded.size() / 4), 0.5);
        }
    }
}

// A stand-in for ffmpeg on PATH that starts its output and then fails, as an encoder may.
class FakeEncoder {
public:
    explicit FakeEncoder(const std::string& script)
    {
        {
            std::ofstream file(programs.Path() / "ffmpeg");
            file << "#!/bin/sh\n" << script;
        }
        std::filesystem::permissions(programs.Path() / "ffmpeg", std::filesystem::perms::owner_all);
        const char* path = std::getenv("PATH");
        saved = path ? path : "";
        setenv("PATH", programs.Path().c_str(), 1);
    }
    ~FakeEncoder() { setenv("PATH", saved.c_str(), 1); }
    void Remove() { std::filesystem::remove(programs.Path() / "ffmpeg"); }

private:
    ScratchFolder programs;
    std::string saved;
};

TEST_F(LinuxFrameFormats, AFailedOrMissingEncoderLeavesNoVideo)
{
    RenderOptions o = CutAlphaFrames(0, 3);
    o.outPattern = (folder.Path() / "v.mp4").string();
    {
        // It writes part of its output (its last argument) and gives up, before or after it has
        // read every frame.
        for (const char* reads : {"", "/bin/cat > /dev/null\n"}) {
            FakeEncoder fake(std::string("for a; do out=$a; done\necho partial > \"$out\"\n") + reads +
                             "echo 'stream 0: cannot encode' >&2\necho 'Encoder refuses: test' >&2\nexit 3\n");
            EXPECT_EQ(Run(o), EXIT_FAILED);
            EXPECT_NE(err.str().find("ffmpeg could not encode " + o.outPattern +
                                     ": stream 0: cannot encode; Encoder refuses: test (exit code 3)"),
                      std::string::npos)
                << err.str();
            EXPECT_EQ(folder.CountFiles(), 0u);
        }
        FakeEncoder fake("");
        fake.Remove();
        EXPECT_EQ(Run(o), EXIT_FAILED);
        EXPECT_NE(err.str().find("ffmpeg program, and cannot start ffmpeg: not found"), std::string::npos)
            << err.str();
        EXPECT_EQ(folder.CountFiles(), 0u);
    }
    // The real one, for a size H.264 takes.
    ASSERT_EQ(Run(o), EXIT_OK) << err.str();
    EXPECT_EQ(folder.CountFiles(), 1u);
}

// Ctrl-C while a video is being encoded: velmora ends by the signal, ffmpeg with it, and neither
// the video nor its temporary is left.
TEST_F(LinuxFrameFormats, AnInterruptedVideoLeavesNoFileAndNoEncoder)
{
    if (!std::filesystem::exists("./velmora"))
        GTEST_SKIP() << "needs velmora beside the tests";
    const std::string video = (folder.Path() / "v.mp4").string();
    std::vector<std::string> words = {"./velmora", "render", "--size", "64x36", "--frames", "0-100000",
                                      "--quality", "draft", "--quiet", "--out", video};
    std::vector<char*> argv;
    for (std::string& w : words)
        argv.push_back(&w[0]);
    argv.push_back(nullptr);
    pid_t id = -1;
    ASSERT_EQ(posix_spawn(&id, argv[0], nullptr, nullptr, argv.data(), environ), 0);
    // Until ffmpeg has made its file (the temporary beside the video).
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (folder.CountFiles() == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_EQ(folder.CountFiles(), 1u);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));   // some frames into it
    kill(id, SIGINT);
    int status = 0;
    ASSERT_EQ(waitpid(id, &status, 0), id);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
    EXPECT_EQ(folder.CountFiles(), 0u);
    EXPECT_FALSE(ProcessMentions(folder.Path().string()));
}

// Worker processes each write their own files, so a video is made by one process: by default
// whatever the cores, and --jobs above 1 is refused before anything is written.
TEST_F(LinuxFrameFormats, AVideoIsEncodedByOneProcessWhateverTheCores)
{
    if (!std::filesystem::exists("./velmora"))
        GTEST_SKIP() << "needs velmora beside the tests";
    const std::filesystem::path video = folder.Path() / "v.mp4";
    const std::string render = "./velmora render --size 64x36 --frames 0-7 --quality draft --quiet --out " + Quoted(video);
    const CommandResult refused = RunCommand(render + " --jobs 2 2>&1");
    EXPECT_NE(refused.status, 0);
    EXPECT_NE(refused.out.find("a video is written by one process"), std::string::npos) << refused.out;
    EXPECT_EQ(folder.CountFiles(), 0u);

    ASSERT_EQ(RunCommand(render).status, 0);
    const CommandResult probe = RunCommand("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                                           "stream=nb_read_frames -of csv=p=0 " + Quoted(video));
    ASSERT_EQ(probe.status, 0);
    EXPECT_EQ(probe.out, "8\n");
    EXPECT_EQ(folder.CountFiles(), 1u);
}

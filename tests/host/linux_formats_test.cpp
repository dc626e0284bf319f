// Files only the Linux build writes, each checked by a reader that is not ours: binary glTF by the
// Khronos validator (the npm package, run by node) and read back by tinygltf. The Windows test
// program leaves this file out (tests/host/tests.cmake); velmora.exe's refusals are tested with
// the formats themselves.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>
#include <tiny_gltf.h>

#include "host/commands.h"
#include "host/frame_tree.h"
#include "host/mesh_export.h"
#include "tests/host/render_fixture.h"

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

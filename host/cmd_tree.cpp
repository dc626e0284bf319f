// `velmora tree`: statistics of the tree the effect grows for the given parameters and frame,
// and optionally its mesh as a Wavefront OBJ file with its MTL, or as binary glTF.
#include <algorithm>
#include <cctype>
#include <cfloat>
#include <filesystem>
#include <iostream>
#include <memory>

#include "host/commands.h"
#include "host/frame_paths.h"
#include "host/frame_tree.h"
#include "host/mesh_export.h"
#include "host/output_file.h"

namespace {

bool ParseSize(const std::string& text, int32_t& width, int32_t& height)
{
    int w = 0, h = 0;
    char x = 0, extra = 0;
    if (std::sscanf(text.c_str(), "%d%c%d%c", &w, &x, &h, &extra) != 3 || (x != 'x' && x != 'X') ||
        w <= 0 || h <= 0 || w > 65536 || h > 65536)
        return false;
    width = w;
    height = h;
    return true;
}

bool HasExtension(const std::string& path, const char* extension)
{
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return ext == extension;
}

// The paths the mesh files go to: the OBJ, the MTL beside it named after it, the glTF. Refused
// when two would be one file, the glTF is not named .glb, or one is the parameter file.
bool MeshPaths(const FrameTreeOptions& options, const TreeExport& files, std::string& mtlPath, std::string& error)
{
    if (!files.objPath.empty()) {
        if (HasExtension(files.objPath, ".mtl")) {
            error = "--obj " + files.objPath + ": the materials go to a .mtl file beside the OBJ; name the OBJ .obj";
            return false;
        }
        mtlPath = std::filesystem::path(files.objPath).replace_extension(".mtl").string();
    }
    if (!files.gltfPath.empty()) {
        if (!HasExtension(files.gltfPath, ".glb")) {
            error = "--gltf " + files.gltfPath + ": binary glTF is written; name the file .glb";
            return false;
        }
        if (files.gltfPath == files.objPath) {
            error = "--obj and --gltf name the same file " + files.gltfPath;
            return false;
        }
    }
    const std::vector<InputFile> inputs = {{"--params", options.paramsFile}};
    return (files.objPath.empty() || (CheckOutputsSpareInputs("--obj", files.objPath, 0, 0, inputs, error) &&
                                       CheckOutputsSpareInputs("--obj", mtlPath, 0, 0, inputs, error))) &&
           (files.gltfPath.empty() || CheckOutputsSpareInputs("--gltf", files.gltfPath, 0, 0, inputs, error));
}

} // namespace

int RunTreeCommand(const FrameTreeOptions& options, const TreeExport& files, std::ostream& out, std::ostream& err)
{
    std::string error, mtlPath;
    if (!MeshPaths(options, files, mtlPath, error)) {
        err << "velmora: " << error << "\n";
        return EXIT_FAILED;
    }
    FrameTree tree;
    if (!BuildFrameTree(options, tree, error)) {
        err << "velmora: " << error << "\n";
        return EXIT_FAILED;
    }
    // The glTF is encoded first: velmora.exe refuses it before any file is written.
    std::vector<uint8_t> glb;
    if (!files.gltfPath.empty() && !EncodeGlb(tree, glb, error)) {
        err << "velmora: --gltf " << files.gltfPath << ": " << error << "\n";
        return EXIT_FAILED;
    }
    float lo[3] = {FLT_MAX, FLT_MAX, FLT_MAX}, hi[3] = {-FLT_MAX, -FLT_MAX, -FLT_MAX};
    for (int32_t i = 0; i < tree.pointCount; ++i) {
        const float v[3] = {tree.points[i].x, tree.points[i].y, tree.points[i].z};
        for (int k = 0; k < 3; ++k) {
            lo[k] = std::min(lo[k], v[k]);
            hi[k] = std::max(hi[k], v[k]);
        }
    }
    if (tree.pointCount == 0)
        lo[0] = lo[1] = lo[2] = hi[0] = hi[1] = hi[2] = 0.0f;
    out << "nodes=" << tree.nodes << "\n"
        << "grown_nodes=" << tree.grownNodes << "\n"
        << "tube_triangles=" << tree.tubeTriangleCount << "\n"
        << "needle_triangles=" << tree.needleTriangleCount << "\n"
        << "triangles=" << tree.triangleCount << "\n"
        << "points=" << tree.pointCount << "\n"
        << "needles=" << tree.needles << "\n"
        << "min_x=" << lo[0] << "\nmax_x=" << hi[0] << "\n"
        << "min_y=" << lo[1] << "\nmax_y=" << hi[1] << "\n"
        << "min_z=" << lo[2] << "\nmax_z=" << hi[2] << "\n";
    if (!files.objPath.empty()) {
        const std::string mtlFile = std::filesystem::path(mtlPath).filename().string();
        if (!WriteWholeFile(mtlPath, EncodeMtl(tree), error) ||
            !WriteWholeFile(files.objPath, EncodeObj(tree, mtlFile), error)) {
            err << "velmora: " << error << "\n";
            return EXIT_FAILED;
        }
        out << "obj=" << files.objPath << "\n"
            << "mtl=" << mtlPath << "\n";
    }
    if (!files.gltfPath.empty()) {
        if (!WriteWholeFile(files.gltfPath, glb.data(), glb.size(), error)) {
            err << "velmora: " << error << "\n";
            return EXIT_FAILED;
        }
        out << "gltf=" << files.gltfPath << "\n";
    }
    return EXIT_OK;
}

// The options `tree` and `scene` share: frame size, frame, parameter file and settings.
void AddFrameTreeOptions(CLI::App* sub, FrameTreeOptions& options, std::string& size)
{
    sub->add_option("--size", size, "Frame size WxH the parameters are converted for")->default_str("1920x1080");
    sub->add_option("--frame", options.frame, "Frame number");
    sub->add_option("--params", options.paramsFile, "Parameter file (the JSON of `velmora params --json`)");
    sub->add_option("--set", options.settings, "NAME=VALUE, repeatable");
}

bool ResolveFrameSize(const std::string& size, FrameTreeOptions& options, std::ostream& err)
{
    if (size.empty() || ParseSize(size, options.width, options.height))
        return true;
    err << "velmora: --size takes WxH with positive sizes up to 65536, not " << size << "\n";
    return false;
}

void AddTreeCommand(CLI::App& app, HostContext& context)
{
    CLI::App* sub = app.add_subcommand("tree", "Statistics of the tree velmora's own generator grows, as key=value lines");
    auto options = std::make_shared<FrameTreeOptions>();
    auto size = std::make_shared<std::string>();
    auto files = std::make_shared<TreeExport>();
    AddFrameTreeOptions(sub, *options, *size);
    sub->add_option("--obj", files->objPath,
                    "Also write the mesh as a Wavefront OBJ file, with its materials in the .mtl file beside it");
    sub->add_option("--gltf", files->gltfPath, "Also write the mesh and its materials as binary glTF 2.0 (FILE.glb)");
    sub->callback([&context, options, size, files] {
        context.exitCode = !RefuseModule(context, "tree", std::cerr) && ResolveFrameSize(*size, *options, std::cerr)
                               ? RunTreeCommand(*options, *files, std::cout, std::cerr)
                               : EXIT_FAILED;
    });
}

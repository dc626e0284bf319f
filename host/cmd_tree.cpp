// `velmora tree`: statistics of the tree the effect grows for the given parameters and frame,
// and optionally its mesh as a Wavefront OBJ file.
#include <algorithm>
#include <cfloat>
#include <iostream>
#include <memory>

#include "host/commands.h"
#include "host/frame_paths.h"
#include "host/frame_tree.h"
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

bool WriteObj(const FrameTree& tree, const std::string& path, std::string& error)
{
    OutputFile file(path);
    if (!file.Open(error))
        return false;
    std::ostream& obj = file.Stream();
    obj << "# Velmora tree: " << tree.pointCount << " points, " << tree.triangleCount << " triangles\n";
    obj << "mtllib velmora.mtl\n";
    for (int32_t i = 0; i < tree.pointCount; ++i)
        obj << "v " << tree.points[i].x << ' ' << tree.points[i].y << ' ' << tree.points[i].z << '\n';
    for (int32_t i = 0; i < tree.pointCount; ++i)
        obj << "vn " << tree.points[i].nx << ' ' << tree.points[i].ny << ' ' << tree.points[i].nz << '\n';
    // Two groups, one per material: the trunk and branches, then the needles.
    const char* groups[2] = {"tree", "needles"};
    for (uint16_t material = 0; material < 2; ++material) {
        obj << "g " << groups[material] << "\nusemtl " << groups[material] << '\n';
        for (int32_t t = 0; t < tree.triangleCount; ++t) {
            const __Triangle3ds& tri = tree.triangles[t];
            if (tri.material != material)
                continue;
            obj << "f " << tri.a + 1 << "//" << tri.a + 1 << ' ' << tri.b + 1 << "//" << tri.b + 1 << ' '
                << tri.c + 1 << "//" << tri.c + 1 << '\n';
        }
    }
    return file.Commit(error);
}

} // namespace

int RunTreeCommand(const FrameTreeOptions& options, const std::string& objPath, std::ostream& out,
                   std::ostream& err)
{
    FrameTree tree;
    std::string error;
    if (!objPath.empty() && !CheckOutputsSpareInputs("--obj", objPath, 0, 0, {{"--params", options.paramsFile}}, error)) {
        err << "velmora: " << error << "\n";
        return EXIT_FAILED;
    }
    if (!BuildFrameTree(options, tree, error)) {
        err << "velmora: " << error << "\n";
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
        << "tube_triangles=" << tree.tubeTriangles << "\n"
        << "needle_triangles=" << tree.needleTriangles << "\n"
        << "triangles=" << tree.triangleCount << "\n"
        << "points=" << tree.pointCount << "\n"
        << "needles=" << tree.needles << "\n"
        << "min_x=" << lo[0] << "\nmax_x=" << hi[0] << "\n"
        << "min_y=" << lo[1] << "\nmax_y=" << hi[1] << "\n"
        << "min_z=" << lo[2] << "\nmax_z=" << hi[2] << "\n";
    if (!objPath.empty()) {
        if (!WriteObj(tree, objPath, error)) {
            err << "velmora: " << error << "\n";
            return EXIT_FAILED;
        }
        out << "obj=" << objPath << "\n";
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
    CLI::App* sub = app.add_subcommand("tree", "Statistics of the generated tree as key=value lines");
    auto options = std::make_shared<FrameTreeOptions>();
    auto size = std::make_shared<std::string>();
    auto obj = std::make_shared<std::string>();
    AddFrameTreeOptions(sub, *options, *size);
    sub->add_option("--obj", *obj, "Also write the mesh as a Wavefront OBJ file");
    sub->callback([&context, options, size, obj] {
        context.exitCode = ResolveFrameSize(*size, *options, std::cerr)
                               ? RunTreeCommand(*options, *obj, std::cout, std::cerr)
                               : EXIT_FAILED;
    });
}

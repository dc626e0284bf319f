// `velmora scene write|append|info FILE`: the generated tree of a frame stored as a scene file
// the way the render hands it to the engine, and a look inside any scene file.
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>

#include "host/commands.h"
#include "host/frame_paths.h"
#include "host/frame_tree.h"
#include "host/output_file.h"
#include "scenefile/scene_file.h"

int RunSceneStoreCommand(bool append, const FrameTreeOptions& options, const std::string& file,
                         std::ostream& out, std::ostream& err)
{
    FrameTree tree;
    std::string error;
    if (!CheckOutputsSpareInputs("the scene file", file, 0, 0, {{"--params", options.paramsFile}}, error)) {
        err << "velmora: " << error << "\n";
        return EXIT_FAILED;
    }
    if (!BuildFrameTree(options, tree, error)) {
        err << "velmora: " << error << "\n";
        return EXIT_FAILED;
    }
    // The scene as the render passes it to the engine: placed in the frame, both materials, the
    // lights and the glass records; the maps are absent, since a file holds no map images.
    PlaceTree(tree.params, options.width, options.height, tree.points, tree.pointCount);
    material3ds materials[2];
    FillMaterials(tree.params, materials);
    light3ds lights[2];
    const int32_t lightCount = FillLights(tree.params, lights);
    GlassProp glass[2];
    FillGlass(tree.params, 1.0f, glass);
    __Texture textures[8] = {};
    const SceneFileFlags flags{true, true, true, false, true};
    char name[16];
    std::snprintf(name, sizeof name, "Tree%04d", int(options.frame % 10000));
    // Appending works on a copy, so the file is the old one or the old one with the new scene,
    // never half of it.
    OutputFile output(file);
    const std::string& temporary = output.ReserveName();
    std::error_code ec;
    if (append && std::filesystem::exists(file, ec) &&
        !std::filesystem::copy_file(file, temporary, std::filesystem::copy_options::overwrite_existing, ec)) {
        err << "velmora: cannot append to " << file << ": " << ec.message() << "\n";
        return EXIT_FAILED;
    }
    int32_t parts = 0;
    errno = 0;
    if (!WriteSceneInParts(append ? SceneWriteAppend : SceneWriteCreate, temporary.c_str(), name,
                           tree.pointCount, tree.triangleCount, 2, lightCount, 8, 2, flags, tree.points,
                           tree.triangles, materials, lights, textures, glass, &parts)) {
        const int reason = errno;
        err << "velmora: cannot " << (append ? "append to " : "write ") << file;
        if (reason != 0)
            err << ": " << std::strerror(reason) << "\n";
        else
            err << (append ? " (missing files are created; others must be sound scene files)" : "") << "\n";
        return EXIT_FAILED;
    }
    if (!output.Commit(error)) {
        err << "velmora: " << error << "\n";
        return EXIT_FAILED;
    }
    out << (append ? "appended " : "wrote ") << tree.triangleCount << " triangles, " << tree.pointCount
        << " points to " << file << "\n";
    if (parts > 1)
        out << "split into " << parts << " scenes of at most " << SceneFileMaxPoints
            << " points, since corner indices are stored in 16 bits\n";
    return EXIT_OK;
}

int RunSceneInfoCommand(const std::string& file, std::ostream& out, std::ostream& err)
{
    SceneFileInfo info;
    if (!InspectSceneFile(file.c_str(), info)) {
        err << "velmora: cannot open " << file << "\n";
        return EXIT_FAILED;
    }
    out << DescribeSceneFile(info);
    return info.valid ? EXIT_OK : EXIT_FAILED;
}

void AddFrameTreeOptions(CLI::App* sub, FrameTreeOptions& options, std::string& size);
bool ResolveFrameSize(const std::string& size, FrameTreeOptions& options, std::ostream& err);

void AddSceneCommand(CLI::App& app, HostContext& context)
{
    CLI::App* scene = app.add_subcommand("scene", "Write, append or inspect scene files");
    scene->require_subcommand(1);
    for (bool append : {false, true}) {
        CLI::App* sub = scene->add_subcommand(append ? "append" : "write",
                                              append ? "Append the frame's tree to a scene file"
                                                     : "Write the frame's tree as a new scene file");
        auto options = std::make_shared<FrameTreeOptions>();
        auto size = std::make_shared<std::string>();
        auto file = std::make_shared<std::string>();
        sub->add_option("FILE", *file, "The scene file")->required();
        AddFrameTreeOptions(sub, *options, *size);
        sub->callback([&context, append, options, size, file] {
            context.exitCode = !RefuseModule(context, "scene", std::cerr) && ResolveFrameSize(*size, *options, std::cerr)
                                   ? RunSceneStoreCommand(append, *options, *file, std::cout, std::cerr)
                                   : EXIT_FAILED;
        });
    }
    CLI::App* info = scene->add_subcommand("info", "Header, scenes, counts and offsets of a scene file");
    auto file = std::make_shared<std::string>();
    info->add_option("FILE", *file, "The scene file")->required();
    info->callback([&context, file] {
        context.exitCode = RefuseModule(context, "scene", std::cerr) ? EXIT_FAILED
                                                                     : RunSceneInfoCommand(*file, std::cout, std::cerr);
    });
}

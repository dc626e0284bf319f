// The tree the effect would grow for one frame, built in-process from the parameter values a
// user gives (defaults, a parameter file, NAME=VALUE settings): what `velmora tree` inspects and
// `velmora scene` stores. It converts the values with the render's own conversion.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "effect/render_inputs.h"
#include "tree/frame_mesh.h"

struct FrameTreeOptions {
    int32_t width = 1920;
    int32_t height = 1080;
    int32_t frame = 0;
    std::string paramsFile;             // empty: none
    std::vector<std::string> settings;  // NAME=VALUE, applied after the file
};

// The mesh of one frame (model space: as the generator made it) with the statistics of its
// hierarchy and the parameters it was grown from.
struct FrameTree : GrownMesh {
    FrameParameters params{};
    int64_t nodes = 0;
    int64_t grownNodes = 0;
    int64_t needles = 0;
};

// False with `error` set when a setting or the file is refused.
bool BuildFrameTree(const FrameTreeOptions& options, FrameTree& tree, std::string& error);

// The size of one frame's tree, counted from the grown hierarchy without making its mesh, and
// the memory its mesh and hierarchy take while a frame is rendered.
struct TreeSize {
    int64_t nodes = 0;
    int64_t needles = 0;
    int64_t triangles = 0;   // tubes and needles
    int64_t bytes = 0;
};
TreeSize CountTree(const FrameParameters& params, int32_t width, int32_t frame);

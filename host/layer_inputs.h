// The images `velmora render` hands the effect as layers (--layer, --tree-reflection,
// --needle-reflection): one PNG for every frame, or footage as a numbered sequence
// (plate_####.png, plate.%04d.png) of which frame N uses the file numbered N. A sequence is checked
// whole before any frame is rendered: every frame's file must be there, a PNG of the first one's
// size; then each frame's image is read as the frame comes.
#pragma once

#include <cstdint>
#include <string>

#include "host/image_io.h"
#include "host/render_worlds.h"

struct LayerInput {
    std::string option;        // the option that named it, for messages
    std::string path;          // as given: a file, or a frame-numbered name
    bool sequence = false;
    int32_t width = 0;         // of every image
    int32_t height = 0;
    RgbaImage still;           // the one image, when not a sequence
};

// Checks (a sequence) or reads (one image) the input for frames first to last. False with `error`
// naming the option and the file at fault.
bool PlanLayerInput(const std::string& option, const std::string& path, int32_t first, int32_t last,
                    LayerInput& input, std::string& error);

// The image of `frame` as a layer world of the depth, at 1 / factor of its size. Reads the
// frame's file of a sequence, which must still be the planned size.
bool LayerForFrame(const LayerInput& input, int32_t frame, bool deep, int32_t factor, HostWorld& world,
                   std::string& error);

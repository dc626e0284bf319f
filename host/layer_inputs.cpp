// Planning and reading the layer images of a render, single or sequences.
#include "host/layer_inputs.h"

#include "host/frame_paths.h"

namespace {

std::string Size(int32_t width, int32_t height) { return std::to_string(width) + "x" + std::to_string(height); }

} // namespace

bool PlanLayerInput(const std::string& option, const std::string& path, int32_t first, int32_t last,
                    LayerInput& input, std::string& error)
{
    input = LayerInput();
    input.option = option;
    input.path = path;
    if (!CheckFramePattern(path, error)) {
        error = option + " " + error;
        return false;
    }
    input.sequence = PatternNumbersFrames(path);
    if (!input.sequence) {
        if (!CheckInputIsFile(option, path, error))
            return false;
        if (!ReadPngFile(path, input.still, error)) {
            error = option + ": " + error;
            return false;
        }
        input.width = input.still.width;
        input.height = input.still.height;
        return true;
    }
    // Every frame's file, by its header alone: a thousand-frame plate is checked in moments.
    for (int32_t frame = first; frame <= last; ++frame) {
        const std::string file = FramePath(path, frame);
        if (!CheckInputIsFile(option, file, error)) {
            error += " (frame " + std::to_string(frame) + " of " + path + ")";
            return false;
        }
        int32_t width = 0, height = 0;
        if (!ReadPngSize(file, width, height, error)) {
            error = option + ": " + error;
            return false;
        }
        if (frame == first) {
            input.width = width;
            input.height = height;
        } else if (width != input.width || height != input.height) {
            error = option + ": " + file + " is " + Size(width, height) + " but " + FramePath(path, first) +
                    ", the sequence's first, is " + Size(input.width, input.height);
            return false;
        }
    }
    return true;
}

bool LayerForFrame(const LayerInput& input, int32_t frame, bool deep, int32_t factor, HostWorld& world,
                   std::string& error)
{
    if (!input.sequence) {
        if (!ImageToWorld(Downsample(input.still, factor), deep, world)) {
            error = input.option + ": " + input.path + " cannot be made into a layer";
            return false;
        }
        return true;
    }
    const std::string file = FramePath(input.path, frame);
    RgbaImage image;
    if (!ReadPngFile(file, image, error)) {
        error = input.option + ": " + error;
        return false;
    }
    if (image.width != input.width || image.height != input.height) {
        error = input.option + ": " + file + " is now " + Size(image.width, image.height) + ", not the " +
                Size(input.width, input.height) + " of the sequence";
        return false;
    }
    if (!ImageToWorld(Downsample(image, factor), deep, world)) {
        error = input.option + ": " + file + " cannot be made into a layer";
        return false;
    }
    return true;
}

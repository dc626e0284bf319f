// Where a render's frames go, by the output's format: a file a frame (PNG, OpenEXR) at the name
// FramePath gives, or every frame in order into one video.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "host/image_io.h"
#include "host/output_formats.h"
#include "host/render_worlds.h"

class VideoOutput;

// What a render writes: the format of its output name, and the name itself (a frame-numbered
// pattern for files a frame, one file for a video).
struct FrameOutputTarget {
    const OutputFormat* format = nullptr;
    std::string pattern;
    int32_t width = 0;
    int32_t height = 0;
    bool deep = false;
    int64_t rateNumerator = 0;     // frames a second, as a fraction
    int64_t rateDenominator = 1;
};

class FrameOutput {
public:
    FrameOutput();
    ~FrameOutput();   // a video not finished is removed
    FrameOutput(const FrameOutput&) = delete;
    FrameOutput& operator=(const FrameOutput&) = delete;

    // Ready to write; a video's encoder is started. False with `error` saying why.
    bool Open(const FrameOutputTarget& target, std::string& error);
    // Writes frame `frame` as the world holds it (frames of a video come in order, each once).
    // False with `error` naming the file and the reason.
    bool Write(int32_t frame, const HostWorld& world, std::string& error);
    // After the last frame: a video is finished and becomes its file.
    bool Finish(std::string& error);

private:
    FrameOutputTarget target;
    std::unique_ptr<VideoOutput> video;
};

// Videos: the frames piped as raw RGBA, in order, to the ffmpeg program, which encodes them at
// the render's frame rate: H.264 in yuv420p for .mp4 previews, ProRes 4444 with its alpha for
// .mov. A video is one output file, so it is whole or absent: ffmpeg writes it under the output's
// temporary name, renamed only once every frame is in and ffmpeg has ended well. A missing
// ffmpeg, a failed encode or an interrupted render leave no file. Linux build only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/image_io.h"
#include "host/output_file.h"
#include "host/output_formats.h"
#include "platform/program_pipe.h"

class VideoOutput {
public:
    VideoOutput() = default;
    ~VideoOutput();   // an unfinished video: ffmpeg stopped, its file removed
    VideoOutput(const VideoOutput&) = delete;
    VideoOutput& operator=(const VideoOutput&) = delete;

    // Starts ffmpeg for a video of the format at `path`, frames of the size and depth coming at
    // rateNumerator / rateDenominator a second. False with `error` saying why (no ffmpeg, a size
    // the codec cannot take).
    bool Open(const OutputFormat& format, const std::string& path, int32_t width, int32_t height, bool deep,
              int64_t rateNumerator, int64_t rateDenominator, std::string& error);
    // The next frame, of the opened size.
    bool WriteFrame(const RgbaImage& image, std::string& error);
    // Ends the input, waits for ffmpeg and makes the video the output file.
    bool Finish(std::string& error);

private:
    std::unique_ptr<OutputFile> file;
    ProgramPipe program;
    std::string path;
    int32_t width = 0;
    int32_t height = 0;
    bool deep = false;
    std::vector<uint8_t> raw;   // one frame as ffmpeg reads it
};

// Whether a format can take frames of this size; false with `error` saying why (H.264 in
// yuv420p halves the colour in both directions, so its sides must be even).
bool VideoSizeFits(const OutputFormat& format, int32_t width, int32_t height, std::string& error);

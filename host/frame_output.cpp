// Writing each frame in its output's format.
#include "host/frame_output.h"

#include <new>

#include "host/frame_paths.h"
#include "host/video_output.h"

FrameOutput::FrameOutput() = default;
FrameOutput::~FrameOutput() = default;

bool FrameOutput::Open(const FrameOutputTarget& t, std::string& error)
{
    target = t;
    if (!target.format) {
        error = "no output format";
        return false;
    }
    if (!target.format->video)
        return true;
    video = std::make_unique<VideoOutput>();
    return video->Open(*target.format, target.pattern, target.width, target.height, target.deep,
                       target.rateNumerator, target.rateDenominator, error);
}

bool FrameOutput::Write(int32_t frame, const HostWorld& world, std::string& error)
{
    // On the writing thread no exception may escape, and memory for a frame's image or encoding
    // may run out like any other.
    try {
        const RgbaImage image = WorldToImage(world.world);
        switch (target.format->kind) {
        case OutputKind::Png: return WritePngFile(FramePath(target.pattern, frame), image, error);
        case OutputKind::Exr: return WriteExrFile(FramePath(target.pattern, frame), image, error);
        case OutputKind::Mp4:
        case OutputKind::Mov: return video->WriteFrame(image, error);
        }
    } catch (const std::bad_alloc&) {
        error = "cannot write " + FramePath(target.pattern, frame) + ": out of memory";
    }
    return false;
}

bool FrameOutput::Finish(std::string& error) { return !video || video->Finish(error); }

// Encoding a video by feeding the ffmpeg program, and what it is asked to do for each format.
#include "host/video_output.h"

#include <vector>

namespace {

// ffmpeg's own words on a failure: its last few lines say what went wrong and what it gave up.
constexpr int ProgramReasonLines = 3;

// The ffmpeg arguments after its input: the codec and pixel layout of each format. Both convert
// to YUV with the HD matrix (BT.709) in video range and mark the frames so (setparams), which is
// what the encoders write into the file, so players show the frame's colours.
std::vector<std::string> CodecArguments(OutputKind kind)
{
    const std::vector<std::string> colour = {
        "-vf", "scale=out_color_matrix=bt709:out_range=tv,"
               "setparams=colorspace=bt709:color_primaries=bt709:color_trc=bt709:range=tv"};
    std::vector<std::string> args;
    if (kind == OutputKind::Mp4)
        // Visually lossless for previews (CRF 18); the index at the front so players start at once.
        args = {"-c:v", "libx264", "-preset", "medium", "-crf", "18", "-pix_fmt", "yuv420p",
                "-movflags", "+faststart", "-f", "mp4"};
    else
        // ProRes 4444 keeps full colour and the alpha channel, straight as the frame holds it.
        args = {"-c:v", "prores_ks", "-profile:v", "4444", "-pix_fmt", "yuva444p10le", "-vendor", "apl0",
                "-f", "mov"};
    args.insert(args.begin(), colour.begin(), colour.end());
    return args;
}

} // namespace

bool VideoSizeFits(const OutputFormat& format, int32_t width, int32_t height, std::string& error)
{
    if (format.kind == OutputKind::Mp4 && (width % 2 != 0 || height % 2 != 0)) {
        error = "H.264 video in yuv420p needs an even width and height, and the frames are " +
                std::to_string(width) + "x" + std::to_string(height) +
                " (give an even --size, or write .mov or image files)";
        return false;
    }
    return true;
}

VideoOutput::~VideoOutput()
{
    // ffmpeg ends before its file goes, so that it writes no more of it; then the OutputFile
    // removes a video that was not finished.
    StopProgram(program);
}

bool VideoOutput::Open(const OutputFormat& format, const std::string& outputPath, int32_t frameWidth,
                       int32_t frameHeight, bool frameDeep, int64_t rateNumerator, int64_t rateDenominator,
                       std::string& error)
{
    if (!VideoSizeFits(format, frameWidth, frameHeight, error))
        return false;
    path = outputPath;
    width = frameWidth;
    height = frameHeight;
    deep = frameDeep;
    file = std::make_unique<OutputFile>(path);
    std::vector<std::string> args = {"-hide_banner", "-nostats", "-loglevel", "error", "-y",
                                     "-f", "rawvideo", "-pix_fmt", deep ? "rgba64le" : "rgba",
                                     "-s", std::to_string(width) + "x" + std::to_string(height),
                                     "-framerate", std::to_string(rateNumerator) + "/" + std::to_string(rateDenominator),
                                     "-i", "pipe:0", "-an"};
    const std::vector<std::string> codec = CodecArguments(format.kind);
    args.insert(args.end(), codec.begin(), codec.end());
    args.push_back(file->ReserveName());
    if (!StartProgramPipe("ffmpeg", args, program, error)) {
        error = path + ": videos are encoded by the ffmpeg program, and " + error +
                " (install Debian's ffmpeg package, as scripts/setup.sh does)";
        return false;
    }
    raw.resize(size_t(width) * size_t(height) * 4 * (deep ? 2 : 1));
    return true;
}

bool VideoOutput::WriteFrame(const RgbaImage& image, std::string& error)
{
    if (image.width != width || image.height != height || image.pixels.size() != size_t(width) * size_t(height) * 4) {
        error = path + ": a frame of another size than the video's";
        return false;
    }
    if (deep) {
        for (size_t i = 0; i < image.pixels.size(); ++i) {
            raw[i * 2] = uint8_t(image.pixels[i]);
            raw[i * 2 + 1] = uint8_t(image.pixels[i] >> 8);
        }
    } else {
        for (size_t i = 0; i < image.pixels.size(); ++i)
            raw[i] = uint8_t((image.pixels[i] + 128u) / 257u);
    }
    if (!WriteToProgram(program, raw.data(), raw.size(), error)) {
        // What ffmpeg said is the reason; all of it is there once it has been waited for.
        const int code = FinishProgram(program);
        const std::string said = ProgramMessages(program, ProgramReasonLines);
        error = "ffmpeg could not encode " + path + ": " + (said.empty() ? error : said) + " (exit code " +
                std::to_string(code) + ")";
        return false;
    }
    return true;
}

bool VideoOutput::Finish(std::string& error)
{
    const int code = FinishProgram(program);
    if (code != 0) {
        const std::string said = ProgramMessages(program, ProgramReasonLines);
        error = "ffmpeg could not encode " + path + ": " + (said.empty() ? "it gave no reason" : said) +
                " (exit code " + std::to_string(code) + ")";
        return false;
    }
    return file->Commit(error);
}

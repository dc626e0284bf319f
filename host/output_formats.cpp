// The table of output formats, and which of them this build writes (as CMake configured it).
#include "host/output_formats.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace {

const OutputFormat Formats[] = {
    {OutputKind::Png, ".png", "RGBA PNG", false, false},
    {OutputKind::Exr, ".exr", "half-float RGBA OpenEXR (linear, premultiplied)", false, true},
    {OutputKind::Mp4, ".mp4", "H.264 MP4 video (yuv420p)", true, true},
    {OutputKind::Mov, ".mov", "ProRes 4444 QuickTime video with alpha", true, true},
};

} // namespace

bool BuildWritesLinuxOnlyFormats() { return VELMORA_HOST_LINUX_FORMATS != 0; }

const OutputFormat* OutputFormatOf(const std::string& path, std::string& error)
{
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    std::string known;
    for (const OutputFormat& format : Formats) {
        if (extension == format.extension) {
            if (format.linuxOnly && !BuildWritesLinuxOnlyFormats()) {
                error = path + ": " + format.extension + " files are written by the Linux build of velmora only; "
                        "this one writes .png";
                return nullptr;
            }
            return &format;
        }
        known += std::string(known.empty() ? "" : ", ") + format.extension;
    }
    error = path + ": " + (extension.empty() ? "the name has no extension" : "unknown extension " + extension) +
            "; the output's extension chooses its format: " + known;
    return nullptr;
}

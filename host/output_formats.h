// The files `velmora render` writes, chosen by the output name's extension and never one format
// under another's name: PNG and OpenEXR frames, one file a frame, and MP4 (H.264) and QuickTime
// (ProRes 4444 with alpha) videos, one file for every frame, encoded by the ffmpeg program.
// OpenEXR, the videos and binary glTF need libraries or programs Debian has for Linux only, so
// velmora.exe refuses them, saying so.
#pragma once

#include <string>

#include "host/image_io.h"

enum class OutputKind { Png, Exr, Mp4, Mov };

struct OutputFormat {
    OutputKind kind;
    const char* extension;     // lower case, with its dot
    const char* description;   // as the closing line names it
    bool video;                // one file holds every frame
    bool linuxOnly;
};

// The format the name's extension (in any letter case) asks for. Null with `error` listing the
// known extensions, or saying that this build does not write the one asked for.
const OutputFormat* OutputFormatOf(const std::string& path, std::string& error);

// True in the Linux build, which writes every format; false in velmora.exe.
bool BuildWritesLinuxOnlyFormats();

// A frame as OpenEXR: half-float RGBA, ZIP compression, colour in linear light (the frame's
// values decoded from sRGB) and premultiplied by alpha, as compositors read EXR. Written whole
// through an OutputFile.
bool WriteExrFile(const std::string& path, const RgbaImage& image, std::string& error);
// Whether the file is an OpenEXR image with every pixel present (what --no-overwrite keeps).
bool ExrFileIsComplete(const std::string& path);

// The files a render writes and reads: the name of each frame's file from a frame-numbered name
// (the one place that knows the syntax), the check that no output would land on one of the
// render's own input files, and how a frame file that is already finished is recognised.
//
// A frame number is written `####` (the last run of '#', the number zero-padded to the run's
// length) or, as other tools write it, printf's `%d` or `%0Nd`. With a printf number in the name
// every '#' is an ordinary character. `%%` stands for one '%', and a '%' that starts neither is
// itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The file of `frame`. A pattern without a frame number names the same file for every frame
// (with any `%%` made '%').
std::string FramePath(const std::string& pattern, int32_t frame);

// Whether the pattern names a different file for each frame.
bool PatternNumbersFrames(const std::string& pattern);

// False with `error` set for a name whose frame number FramePath cannot honour: two printf
// numbers, `%Nd` (printf pads it with spaces), or a width above 16.
bool CheckFramePattern(const std::string& pattern, std::string& error);

// An input file and the option that named it, for messages: {"--layer", "photo.png"}.
struct InputFile {
    std::string option;
    std::string path;
};

// False with `error` naming both when an output of frames first to last is, or resolves to (by a
// link, another spelling of the path, or a hard link), one of the inputs: writing it would
// destroy the input before or while it is read.
bool CheckOutputsSpareInputs(const std::string& outputOption, const std::string& pattern, int32_t first, int32_t last,
                             const std::vector<InputFile>& inputs, std::string& error);

// False with `error` for an input path that is a folder or does not exist, so that the message
// says so instead of a reader's "cannot open".
bool CheckInputIsFile(const std::string& option, const std::string& path, std::string& error);

// True when the file exists and is a complete frame file: a PNG whose chunks, each with a sound
// CRC, run from its header to its end chunk, or an OpenEXR file with every pixel. What
// --no-overwrite leaves alone.
bool FrameFileIsComplete(const std::string& path);

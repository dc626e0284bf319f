// Frame file names, outputs against inputs, and finished frames.
#include "host/frame_paths.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include <zlib.h>

namespace fs = std::filesystem;

std::string FramePath(const std::string& pattern, int32_t frame)
{
    const size_t last = pattern.find_last_of('#');
    if (last == std::string::npos)
        return pattern;
    size_t first = last;
    while (first > 0 && pattern[first - 1] == '#')
        --first;
    std::string digits = std::to_string(frame);
    const size_t width = last - first + 1;
    if (digits.size() < width)
        digits.insert(0, width - digits.size(), '0');
    return pattern.substr(0, first) + digits + pattern.substr(last + 1);
}

bool PatternNumbersFrames(const std::string& pattern) { return FramePath(pattern, 0) != FramePath(pattern, 1); }

bool CheckOutputsSpareInputs(const std::string& outputOption, const std::string& pattern, int32_t first, int32_t last,
                             const std::vector<InputFile>& inputs, std::string& error)
{
    std::vector<const InputFile*> present;
    std::error_code ec;
    for (const InputFile& input : inputs)
        if (!input.path.empty() && fs::exists(input.path, ec))
            present.push_back(&input);
    if (present.empty())
        return true;
    // An output can only be an input if it exists; `equivalent` then compares the files
    // themselves, so links, "./" spellings, letter case on Windows and hard links are all caught.
    const int32_t end = PatternNumbersFrames(pattern) ? last : first;
    for (int32_t frame = first; frame <= end; ++frame) {
        const std::string path = FramePath(pattern, frame);
        if (!fs::exists(path, ec))
            continue;
        for (const InputFile* input : present)
            if (fs::equivalent(path, input->path, ec)) {
                error = outputOption + " " + pattern + ": ";
                if (path != pattern)
                    error += "frame " + std::to_string(frame) + " would be written to " + path + ", which is ";
                else
                    error += "this is ";
                error += "the " + input->option + " file " + input->path +
                         "; writing it would destroy the input (choose another output name)";
                return false;
            }
    }
    return true;
}

bool CheckInputIsFile(const std::string& option, const std::string& path, std::string& error)
{
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (fs::is_directory(status)) {
        error = option + " " + path + ": this is a folder; give a file";
        return false;
    }
    if (!fs::exists(status)) {
        error = option + " " + path + ": no such file";
        return false;
    }
    return true;
}

bool FrameFileIsComplete(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    unsigned char head[8];
    if (!file.read(reinterpret_cast<char*>(head), 8) || std::memcmp(head, signature, 8) != 0)
        return false;
    std::vector<unsigned char> chunk;
    for (bool firstChunk = true;; firstChunk = false) {
        unsigned char lengthAndType[8];
        if (!file.read(reinterpret_cast<char*>(lengthAndType), 8))
            return false;
        const uint32_t length = (uint32_t(lengthAndType[0]) << 24) | (uint32_t(lengthAndType[1]) << 16) |
                                (uint32_t(lengthAndType[2]) << 8) | uint32_t(lengthAndType[3]);
        if (length > 0x7FFFFFFFu)
            return false;
        const bool header = std::memcmp(lengthAndType + 4, "IHDR", 4) == 0;
        if (firstChunk != header)
            return false;
        // The type and data with their CRC; read in pieces so a damaged length costs no memory.
        uLong crc = crc32(0L, lengthAndType + 4, 4);
        uint32_t left = length;
        chunk.resize(65536);
        while (left > 0) {
            const uint32_t piece = left < chunk.size() ? left : uint32_t(chunk.size());
            if (!file.read(reinterpret_cast<char*>(chunk.data()), piece))
                return false;
            crc = crc32(crc, chunk.data(), piece);
            left -= piece;
        }
        unsigned char stored[4];
        if (!file.read(reinterpret_cast<char*>(stored), 4))
            return false;
        const uint32_t expected = (uint32_t(stored[0]) << 24) | (uint32_t(stored[1]) << 16) |
                                  (uint32_t(stored[2]) << 8) | uint32_t(stored[3]);
        if (expected != uint32_t(crc))
            return false;
        if (std::memcmp(lengthAndType + 4, "IEND", 4) == 0)
            return true;
    }
}

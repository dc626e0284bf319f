// Frame file names, outputs against inputs, and finished frames.
#include "host/frame_paths.h"

#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <utility>
#include <vector>

#include <zlib.h>

#include "host/output_formats.h"

namespace fs = std::filesystem;

namespace {

// The widest zero padding honoured: more digits than any frame number has, with room to spare.
constexpr size_t MaxFrameWidth = 16;

struct ParsedPattern {
    std::string before;          // the text up to the number, `%%` made '%'
    std::string after;           // the text after it
    bool numbered = false;
    size_t width = 0;            // zero-padded to this many digits
    int printfNumbers = 0;
    bool spacePadded = false;    // a `%Nd`
    bool tooWide = false;
};

ParsedPattern Parse(const std::string& pattern)
{
    ParsedPattern p;
    std::string text;
    size_t numberAt = std::string::npos;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%') {
            text += pattern[i];
            continue;
        }
        if (i + 1 < pattern.size() && pattern[i + 1] == '%') {
            text += '%';
            ++i;
            continue;
        }
        // %d, %0Nd or %Nd: flags, digits, then d.
        size_t j = i + 1;
        const bool zero = j < pattern.size() && pattern[j] == '0';
        size_t width = 0, digits = 0;
        while (j < pattern.size() && std::isdigit(static_cast<unsigned char>(pattern[j]))) {
            width = width < 1000 ? width * 10 + size_t(pattern[j] - '0') : width;
            ++digits;
            ++j;
        }
        if (j >= pattern.size() || pattern[j] != 'd') {
            text += '%';
            continue;
        }
        if (++p.printfNumbers == 1) {
            numberAt = text.size();
            p.width = width;
            p.spacePadded = digits > 0 && !zero && width > 0;
            p.tooWide = width > MaxFrameWidth;
        }
        i = j;
    }
    if (p.printfNumbers > 0) {
        p.numbered = true;
        p.before = text.substr(0, numberAt);
        p.after = text.substr(numberAt);
        return p;
    }
    const size_t last = text.find_last_of('#');
    if (last == std::string::npos) {
        p.before = text;
        return p;
    }
    size_t first = last;
    while (first > 0 && text[first - 1] == '#')
        --first;
    p.numbered = true;
    p.width = last - first + 1;
    p.tooWide = p.width > MaxFrameWidth;
    p.before = text.substr(0, first);
    p.after = text.substr(last + 1);
    return p;
}

} // namespace

std::string FramePath(const std::string& pattern, int32_t frame)
{
    const ParsedPattern p = Parse(pattern);
    if (!p.numbered)
        return p.before;
    std::string digits = std::to_string(frame);
    const size_t width = p.width < MaxFrameWidth ? p.width : MaxFrameWidth;
    if (frame >= 0 && digits.size() < width)
        digits.insert(0, width - digits.size(), '0');
    return p.before + digits + p.after;
}

bool PatternNumbersFrames(const std::string& pattern) { return Parse(pattern).numbered; }

bool CheckFramePattern(const std::string& pattern, std::string& error)
{
    const ParsedPattern p = Parse(pattern);
    if (p.printfNumbers > 1) {
        error = pattern + ": the name has " + std::to_string(p.printfNumbers) +
                " printf frame numbers (%d, %0Nd); give one (write %% for a '%' of the name)";
        return false;
    }
    if (p.spacePadded) {
        error = pattern + ": %" + std::to_string(p.width) + "d would pad the frame number with spaces; write %0" +
                std::to_string(p.width) + "d for zeros";
        return false;
    }
    if (p.tooWide) {
        error = pattern + ": the frame number is padded to " + std::to_string(p.width) + " digits; at most " +
                std::to_string(MaxFrameWidth) + " are";
        return false;
    }
    return true;
}

bool CheckOutputsSpareInputs(const std::string& outputOption, const std::string& pattern, int32_t first, int32_t last,
                             const std::vector<InputFile>& inputs, std::string& error)
{
    // One file has one size, so an output is compared only with inputs of its size: a re-render of
    // a long plate sequence over its earlier frames then costs a few file-system look-ups a frame,
    // not one for every frame and plate. Sizes that cannot be read match any.
    const uintmax_t unknown = ~uintmax_t(0);
    std::vector<std::pair<uintmax_t, const InputFile*>> present;
    std::error_code ec;
    for (const InputFile& input : inputs)
        if (!input.path.empty() && fs::exists(input.path, ec)) {
            const uintmax_t size = fs::file_size(input.path, ec);
            present.emplace_back(ec ? unknown : size, &input);
        }
    if (present.empty())
        return true;
    // An output can only be an input if it exists; `equivalent` then compares the files
    // themselves, so links, "./" spellings, letter case on Windows and hard links are all caught.
    const int32_t end = PatternNumbersFrames(pattern) ? last : first;
    for (int32_t frame = first; frame <= end; ++frame) {
        const std::string path = FramePath(pattern, frame);
        if (!fs::exists(path, ec))
            continue;
        uintmax_t size = fs::file_size(path, ec);
        if (ec)
            size = unknown;
        for (const auto& input : present) {
            if (size != unknown && input.first != unknown && input.first != size)
                continue;
            if (fs::equivalent(path, input.second->path, ec)) {
                error = outputOption + " " + pattern + ": ";
                if (path != pattern)
                    error += "frame " + std::to_string(frame) + " would be written to " + path + ", which is ";
                else
                    error += "this is ";
                error += "the " + input.second->option + " file " + input.second->path +
                         "; writing it would destroy the input (choose another output name)";
                return false;
            }
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
    std::string error;
    const OutputFormat* format = OutputFormatOf(path, error);
    if (format && format->kind == OutputKind::Exr)
        return ExrFileIsComplete(path);
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

// PNG files on disk, whichever codec the build has: reading a whole file, writing one, and reading
// just the size from its header.
#include "host/image_io.h"

#include <cstring>
#include <fstream>

#include "host/output_file.h"

bool WritePngFile(const std::string& path, const RgbaImage& image, std::string& error)
{
    std::vector<uint8_t> png;
    return EncodePng(image, png, error) && WriteWholeFile(path, png.data(), png.size(), error);
}

bool ReadPngFile(const std::string& path, RgbaImage& image, std::string& error)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot open " + path;
        return false;
    }
    // read() turns the stream's failures (a folder opens, then cannot be read) into its state;
    // an iterator over the stream would let them escape as exceptions.
    std::vector<uint8_t> bytes;
    char chunk[1 << 16];
    while (file.read(chunk, sizeof chunk), file.gcount() > 0)
        bytes.insert(bytes.end(), chunk, chunk + file.gcount());
    if (file.bad()) {
        error = "cannot read " + path;
        return false;
    }
    if (!DecodePng(bytes.data(), bytes.size(), image, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

bool ReadPngSize(const std::string& path, int32_t& width, int32_t& height, std::string& error)
{
    // The signature, then the header chunk's length and type, then its width and height.
    static const uint8_t start[16] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    uint8_t head[24];
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot open " + path;
        return false;
    }
    file.read(reinterpret_cast<char*>(head), sizeof head);
    if (file.bad()) {
        error = "cannot read " + path;
        return false;
    }
    if (!file || std::memcmp(head, start, sizeof start) != 0) {
        error = path + ": not a PNG file";
        return false;
    }
    uint32_t side[2];
    for (int k = 0; k < 2; ++k)
        side[k] = (uint32_t(head[16 + k * 4]) << 24) | (uint32_t(head[17 + k * 4]) << 16) |
                  (uint32_t(head[18 + k * 4]) << 8) | uint32_t(head[19 + k * 4]);
    if (side[0] == 0 || side[1] == 0 || side[0] > uint32_t(MaxPngSide) || side[1] > uint32_t(MaxPngSide)) {
        error = path + ": the image size " + std::to_string(side[0]) + "x" + std::to_string(side[1]) +
                " is empty or larger than " + std::to_string(MaxPngSide) + " a side";
        return false;
    }
    width = int32_t(side[0]);
    height = int32_t(side[1]);
    return true;
}

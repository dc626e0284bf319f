// PNG files for the command-line host: the frames it writes and the layers it reads. The Linux
// build's codec is libpng (host/png_libpng_codec.cpp); the Windows build, for which Debian has no
// libpng, keeps a small codec of our own over zlib (host/png_small_codec.cpp). Both declare the
// functions below, and the build compiles one of them.
//
// Writing: 8- or 16-bit RGBA, non-interlaced. Reading: every PNG of the kinds a layer comes in:
// grey, grey with alpha, RGB, RGBA at 8 or 16 bits, grey at 1, 2 and 4 bits, palette images at
// 1 to 8 bits (with tRNS alpha), and tRNS colour keys; interlaced files on the Linux build only.
// Every chunk's length and CRC, the header's values, the pixel data's size and the chunk order are
// checked, so a damaged or hostile file gives an error, never a read outside its bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// An image in memory: rows of RGBA pixels, 16 bits per channel (0..65535). An 8-bit file's value v
// is held as v × 257, so it is written back exactly at 8 bits.
struct RgbaImage {
    int32_t width = 0;
    int32_t height = 0;
    int bitDepth = 8;              // of the file it came from, or to write: 8 or 16
    std::vector<uint16_t> pixels;  // width × height × 4

    uint16_t* Pixel(int32_t x, int32_t y) { return &pixels[(size_t(y) * size_t(width) + size_t(x)) * 4]; }
    const uint16_t* Pixel(int32_t x, int32_t y) const
    {
        return &pixels[(size_t(y) * size_t(width) + size_t(x)) * 4];
    }
};

// The largest image the reader accepts: each side and the whole pixel count. A layer larger than
// this would need more memory than a frame render should ever ask for.
constexpr int32_t MaxPngSide = 1 << 15;
constexpr int64_t MaxPngPixels = int64_t(1) << 25;

// Encodes the image as a PNG of its bitDepth (8 or 16). False with `error` set for an unusable
// image (no pixels, a size the pixel array does not match, another bit depth).
bool EncodePng(const RgbaImage& image, std::vector<uint8_t>& png, std::string& error);
// What EncodePng checks first, in either codec: false with `error` saying why the image cannot
// be written. Defined here so that a codec compiled on its own (the small codec's fuzz target)
// has it without the file functions.
inline bool CheckImageToEncode(const RgbaImage& image, std::string& error)
{
    if (image.width <= 0 || image.height <= 0 || image.width > MaxPngSide ||
        image.height > MaxPngSide ||
        image.pixels.size() != size_t(image.width) * size_t(image.height) * 4) {
        error = "the image to write has no pixels or a size its pixels do not match";
        return false;
    }
    if (image.bitDepth != 8 && image.bitDepth != 16) {
        error = "only 8- and 16-bit images are written";
        return false;
    }
    return true;
}
// Decodes a PNG held in memory. False with `error` saying what is wrong with it.
bool DecodePng(const uint8_t* data, size_t size, RgbaImage& image, std::string& error);
// Which codec this build has, with its version.
const char* PngCodecName();

bool WritePngFile(const std::string& path, const RgbaImage& image, std::string& error);
bool ReadPngFile(const std::string& path, RgbaImage& image, std::string& error);
// The image size from the file's header alone, without decoding it; errors name the file.
bool ReadPngSize(const std::string& path, int32_t& width, int32_t& height, std::string& error);

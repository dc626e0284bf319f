// What the PNG fuzz targets ask of a decoder, whichever codec the build has: an accepted image is
// whole and within the reader's limits, encoding it again and decoding that gives the same pixels,
// and a refusal says why.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/image_io.h"

inline void CheckPng(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "PNG fuzz check failed: %s\n", what);
        std::abort();
    }
}

// Decodes the bytes into `image` and checks it. True when it was accepted and is small enough
// for the checks that follow to stay fast (large images' rows are no different from small ones').
inline bool DecodeAndCheckPng(const uint8_t* data, size_t size, RgbaImage& image)
{
    std::string error;
    if (!DecodePng(data, size, image, error)) {
        CheckPng(!error.empty(), "a refused file has a reason");
        return false;
    }
    CheckPng(image.width > 0 && image.height > 0 && image.width <= MaxPngSide && image.height <= MaxPngSide,
             "size within the reader's limits");
    CheckPng(int64_t(image.width) * image.height <= MaxPngPixels, "pixel count within the reader's limits");
    CheckPng(image.pixels.size() == size_t(image.width) * size_t(image.height) * 4, "pixels match the size");
    CheckPng(image.bitDepth == 8 || image.bitDepth == 16, "8 or 16 bits");
    if (int64_t(image.width) * image.height > 4096)
        return false;
    std::vector<uint8_t> png;
    CheckPng(EncodePng(image, png, error), "an accepted image encodes");
    RgbaImage again;
    CheckPng(DecodePng(png.data(), png.size(), again, error), "the encoded image decodes");
    CheckPng(again.width == image.width && again.height == image.height && again.pixels == image.pixels,
             "the round trip keeps every pixel");
    return true;
}

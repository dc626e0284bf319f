// Feeds arbitrary bytes as a layer's PNG file to the host's decoder, and what it accepts on
// through the layer conversions the render uses. Beyond "no crash, no read outside a buffer",
// it checks that an accepted image is whole (its pixel array matches its size, within the
// reader's limits), that encoding it again and decoding that gives the same pixels, and that a
// refusal says why.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/image_io.h"
#include "host/render_worlds.h"

namespace {

void Check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "PNG fuzz check failed: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    RgbaImage image;
    std::string error;
    if (!DecodePng(data, size, image, error)) {
        Check(!error.empty(), "a refused file has a reason");
        return 0;
    }
    Check(image.width > 0 && image.height > 0 && image.width <= MaxPngSide && image.height <= MaxPngSide,
          "size within the reader's limits");
    Check(int64_t(image.width) * image.height <= MaxPngPixels, "pixel count within the reader's limits");
    Check(image.pixels.size() == size_t(image.width) * size_t(image.height) * 4, "pixels match the size");
    Check(image.bitDepth == 8 || image.bitDepth == 16, "8 or 16 bits");

    // Large images would make every run slow; their rows are no different from small ones'.
    if (int64_t(image.width) * image.height > 4096)
        return 0;
    std::vector<uint8_t> png;
    Check(EncodePng(image, png, error), "an accepted image encodes");
    RgbaImage again;
    Check(DecodePng(png.data(), png.size(), again, error), "the encoded image decodes");
    Check(again.width == image.width && again.height == image.height && again.pixels == image.pixels,
          "the round trip keeps every pixel");

    // The layer the host would hand the effect, in both depths and at half resolution.
    for (bool deep : {false, true}) {
        HostWorld world;
        Check(ImageToWorld(image, deep, world), "an accepted image becomes a layer");
        const RgbaImage back = WorldToImage(world.world);
        Check(back.width == image.width && back.height == image.height, "the layer keeps the size");
        HostWorld half;
        Check(ImageToWorld(Downsample(image, 2), deep, half), "the half-resolution layer");
    }
    return 0;
}

// Feeds arbitrary bytes as a layer's PNG file to the host's decoder (libpng on the Linux build)
// and what it accepts on through the layer conversions the render uses. Beyond "no crash, no
// read outside a buffer", the checks of png_checks.h, and that the image becomes a layer of
// either depth, at full and at half resolution, of its own size.
#include "fuzz/png_checks.h"
#include "host/render_worlds.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    RgbaImage image;
    if (!DecodeAndCheckPng(data, size, image))
        return 0;
    for (bool deep : {false, true}) {
        HostWorld world;
        CheckPng(ImageToWorld(image, deep, world), "an accepted image becomes a layer");
        const RgbaImage back = WorldToImage(world.world);
        CheckPng(back.width == image.width && back.height == image.height, "the layer keeps the size");
        HostWorld half;
        CheckPng(ImageToWorld(Downsample(image, 2), deep, half), "the half-resolution layer");
    }
    return 0;
}

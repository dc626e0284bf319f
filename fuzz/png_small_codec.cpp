// Feeds arbitrary bytes to the small PNG codec of our own that the Windows build's host reads
// layers with (the Linux build's host uses libpng, fuzzed by png_decoder): the checks of
// png_checks.h.
#include "fuzz/png_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    RgbaImage image;
    DecodeAndCheckPng(data, size, image);
    return 0;
}

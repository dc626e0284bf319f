// Replacement of page-allocated images and textures by buffers of the other element width.
#include <cstdint>
#include <cstring>

#include "engine/engine_exports.h"
#include "platform/pages.h"

namespace {

// Element count of an image, or 0 when the sizes are unusable or the count would not fit.
size_t ElementCount(int height, int rowElements)
{
    if (height <= 0 || rowElements <= 0)
        return 0;
    uint64_t count = static_cast<uint64_t>(height) * static_cast<uint64_t>(rowElements);
    if (count > SIZE_MAX / 2)
        return 0;
    return static_cast<size_t>(count);
}

// Both conversions keep the old buffer when the new one cannot be had: the caller's image stays
// valid and its element width stays what its owner recorded.
bool Convert16To8(unsigned char** buffer, int height, int rowElements)
{
    size_t count = ElementCount(height, rowElements);
    if (!buffer || !*buffer || count == 0)
        return false;
    unsigned char* converted = static_cast<unsigned char*>(PageAllocate(count));
    if (!converted)
        return false;
    const unsigned char* old = *buffer;
    for (size_t i = 0; i < count; ++i) {
        uint16_t e;
        std::memcpy(&e, old + 2 * i, sizeof e);
        // Rounded: 32768 (full scale) maps back to 255.
        converted[i] = static_cast<unsigned char>((static_cast<uint32_t>(e) * 255u + 16384u) >> 15);
    }
    PageRelease(*buffer);
    *buffer = converted;
    return true;
}

bool Convert8To16(unsigned char** buffer, int height, int rowElements)
{
    size_t count = ElementCount(height, rowElements);
    if (!buffer || !*buffer || count == 0)
        return false;
    unsigned char* converted = static_cast<unsigned char*>(PageAllocate(count * 2));
    if (!converted)
        return false;
    const unsigned char* old = *buffer;
    for (size_t i = 0; i < count; ++i) {
        uint16_t e = static_cast<uint16_t>((static_cast<uint32_t>(old[i]) * 32768u + 128u) / 255u);
        std::memcpy(converted + 2 * i, &e, sizeof e);
    }
    PageRelease(*buffer);
    *buffer = converted;
    return true;
}

} // namespace

extern "C" {

// The element count is height x rowElements; width is accepted for the callers' sake only.
// Every element is converted, so a count that is not a whole number of pixels is neither
// overrun nor left half-written.
void __ConvertBYTE16TO8(unsigned char** buffer, int width, int height, int rowElements)
{
    Convert16To8(buffer, height, rowElements);
}

void __ConvertBYTE8TO16(unsigned char** buffer, int width, int height, int rowElements)
{
    Convert8To16(buffer, height, rowElements);
}

void __ConvertText(__Texture* texture)
{
    if (!texture || !texture->present || texture->width <= 0 || texture->height <= 0)
        return;
    if (texture->width > INT32_MAX / 4)
        return;
    // The pixel pointer sits at a 4-byte offset in the packed record, so it is converted
    // through an aligned copy rather than through its address.
    unsigned char* pixels = texture->pixels;
    if (_Deep && !texture->deep) {
        if (Convert8To16(&pixels, texture->height, texture->width * 4)) {
            texture->pixels = pixels;
            texture->deep = 1;
        }
    } else if (!_Deep && texture->deep) {
        if (Convert16To8(&pixels, texture->height, texture->width * 4)) {
            texture->pixels = pixels;
            texture->deep = 0;
        }
    }
}

} // extern "C"

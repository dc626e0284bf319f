// Frames as OpenEXR files, through Debian's OpenEXR library. Linux build only.
#include "host/output_formats.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <exception>
#include <vector>

#include <OpenEXR/ImfArray.h>
#include <OpenEXR/ImfHeader.h>
#include <OpenEXR/ImfRgbaFile.h>
#include <OpenEXR/ImfStdIO.h>

#include "host/output_file.h"

namespace {

// Linear light of every 16-bit sRGB-encoded value, with the sRGB curve's own constants. An 8-bit
// value v is held as v x 257 and so lands on v / 255 exactly.
const std::vector<float>& LinearOfSrgb()
{
    static const std::vector<float> table = [] {
        std::vector<float> t(65536);
        for (size_t v = 0; v < t.size(); ++v) {
            const double s = double(v) / 65535.0;
            t[v] = float(s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4));
        }
        return t;
    }();
    return table;
}

} // namespace

bool WriteExrFile(const std::string& path, const RgbaImage& image, std::string& error)
{
    if (image.width <= 0 || image.height <= 0 ||
        image.pixels.size() != size_t(image.width) * size_t(image.height) * 4) {
        error = "the image to write has no pixels or a size its pixels do not match";
        return false;
    }
    const std::vector<float>& linear = LinearOfSrgb();
    std::string bytes;
    try {
        Imf::Array2D<Imf::Rgba> pixels(image.height, image.width);
        for (int32_t y = 0; y < image.height; ++y)
            for (int32_t x = 0; x < image.width; ++x) {
                const uint16_t* p = image.Pixel(x, y);
                const float alpha = float(p[3]) / 65535.0f;
                // Straight alpha in the frame; premultiplied in the file, as EXR readers expect.
                pixels[y][x] = Imf::Rgba(linear[p[0]] * alpha, linear[p[1]] * alpha, linear[p[2]] * alpha, alpha);
            }
        Imf::StdOSStream stream;
        {
            Imf::Header header(image.width, image.height, 1.0f, Imath::V2f(0, 0), 1.0f, Imf::INCREASING_Y,
                               Imf::ZIP_COMPRESSION);
            Imf::RgbaOutputFile file(stream, header, Imf::WRITE_RGBA);
            file.setFrameBuffer(&pixels[0][0], 1, size_t(image.width));
            file.writePixels(image.height);
        }   // the file's end (its offset table) is written as it closes
        bytes = stream.str();
    } catch (const std::exception& e) {
        error = "cannot write " + path + ": " + e.what();
        return false;
    }
    return WriteWholeFile(path, bytes, error);
}

bool ExrFileIsComplete(const std::string& path)
{
    // The library's own completeness test looks at the table of line offsets alone, which a file
    // cut short after it keeps whole; so every line is read, in strips to bound the memory.
    try {
        Imf::RgbaInputFile file(path.c_str());
        if (!file.isComplete())
            return false;
        const Imath::Box2i window = file.dataWindow();
        const int64_t width = int64_t(window.max.x) - window.min.x + 1;
        constexpr int Strip = 64;
        std::vector<Imf::Rgba> strip(size_t(width) * Strip);
        for (int y = window.min.y; y <= window.max.y; y += Strip) {
            const int last = std::min(window.max.y, y + Strip - 1);
            // The library finds pixel (x, y) at base + x + y * width: the strip's first row is y.
            const ptrdiff_t origin = -ptrdiff_t(window.min.x) - ptrdiff_t(y) * ptrdiff_t(width);
            file.setFrameBuffer(strip.data() + origin, 1, size_t(width));
            file.readPixels(y, last);
        }
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

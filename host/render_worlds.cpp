// Padded worlds, their conversion from and to images, the built-in sky and downsampling.
#include "host/render_worlds.h"

#include <cstring>

namespace {

size_t PixelBytes(bool deep) { return deep ? sizeof(PF_Pixel16) : sizeof(PF_Pixel); }

// Rounded scaling between the images' 0..65535 and a world's 0..full.
uint32_t Scale(uint32_t v, uint32_t from, uint32_t to) { return (v * to + from / 2) / from; }

} // namespace

HostWorld::HostWorld(HostWorld&& other) noexcept : world(other.world), storage(std::move(other.storage))
{
    world.data = storage.empty() ? nullptr : reinterpret_cast<PF_PixelPtr>(storage.data());
    other.world = PF_EffectWorld{};
}

HostWorld& HostWorld::operator=(HostWorld&& other) noexcept
{
    if (this != &other) {
        world = other.world;
        storage = std::move(other.storage);
        world.data = storage.empty() ? nullptr : reinterpret_cast<PF_PixelPtr>(storage.data());
        other.world = PF_EffectWorld{};
    }
    return *this;
}

bool MakeWorld(int32_t width, int32_t height, bool deep, HostWorld& out)
{
    if (width <= 0 || height <= 0 || width > MaxPngSide || height > MaxPngSide)
        return false;
    const size_t rowbytes = size_t(width) * PixelBytes(deep) + size_t(WorldRowPadding);
    HostWorld w;
    w.storage.assign((rowbytes * size_t(height) + 7) / 8, 0);
    std::memset(&w.world, 0, sizeof w.world);
    w.world.world_flags = deep ? PF_WorldFlag_DEEP : 0;
    w.world.data = reinterpret_cast<PF_PixelPtr>(w.storage.data());
    w.world.rowbytes = A_long(rowbytes);
    w.world.width = width;
    w.world.height = height;
    w.world.extent_hint = PF_UnionableRect{0, 0, width, height};
    w.world.pix_aspect_ratio = PF_RationalScale{1, 1};
    out = std::move(w);
    return true;
}

bool ImageToWorld(const RgbaImage& image, bool deep, HostWorld& out)
{
    if (!MakeWorld(image.width, image.height, deep, out))
        return false;
    auto* base = reinterpret_cast<uint8_t*>(out.world.data);
    for (int32_t y = 0; y < image.height; ++y) {
        uint8_t* row = base + size_t(y) * size_t(out.world.rowbytes);
        for (int32_t x = 0; x < image.width; ++x) {
            const uint16_t* p = image.Pixel(x, y);
            if (deep) {
                PF_Pixel16 px{uint16_t(Scale(p[3], 65535, 32768)), uint16_t(Scale(p[0], 65535, 32768)),
                              uint16_t(Scale(p[1], 65535, 32768)), uint16_t(Scale(p[2], 65535, 32768))};
                std::memcpy(row + size_t(x) * sizeof px, &px, sizeof px);
            } else {
                PF_Pixel px{uint8_t(Scale(p[3], 65535, 255)), uint8_t(Scale(p[0], 65535, 255)),
                            uint8_t(Scale(p[1], 65535, 255)), uint8_t(Scale(p[2], 65535, 255))};
                std::memcpy(row + size_t(x) * sizeof px, &px, sizeof px);
            }
        }
    }
    return true;
}

RgbaImage WorldToImage(const PF_EffectWorld& world)
{
    RgbaImage image;
    const bool deep = (world.world_flags & PF_WorldFlag_DEEP) != 0;
    if (!world.data || world.width <= 0 || world.height <= 0)
        return image;
    image.width = world.width;
    image.height = world.height;
    image.bitDepth = deep ? 16 : 8;
    image.pixels.resize(size_t(world.width) * size_t(world.height) * 4);
    const auto* base = reinterpret_cast<const uint8_t*>(world.data);
    for (int32_t y = 0; y < world.height; ++y) {
        const uint8_t* row = base + size_t(y) * size_t(world.rowbytes);
        for (int32_t x = 0; x < world.width; ++x) {
            uint16_t* p = image.Pixel(x, y);
            uint32_t a, r, g, b;
            if (deep) {
                PF_Pixel16 px;
                std::memcpy(&px, row + size_t(x) * sizeof px, sizeof px);
                // A value above full scale cannot be written; it is held at full scale.
                a = px.alpha > 32768 ? 32768 : px.alpha;
                r = px.red > 32768 ? 32768 : px.red;
                g = px.green > 32768 ? 32768 : px.green;
                b = px.blue > 32768 ? 32768 : px.blue;
                p[0] = uint16_t(Scale(r, 32768, 65535));
                p[1] = uint16_t(Scale(g, 32768, 65535));
                p[2] = uint16_t(Scale(b, 32768, 65535));
                p[3] = uint16_t(Scale(a, 32768, 65535));
            } else {
                PF_Pixel px;
                std::memcpy(&px, row + size_t(x) * sizeof px, sizeof px);
                p[0] = uint16_t(px.red * 257u);
                p[1] = uint16_t(px.green * 257u);
                p[2] = uint16_t(px.blue * 257u);
                p[3] = uint16_t(px.alpha * 257u);
            }
        }
    }
    return image;
}

RgbaImage SkyBackground(int32_t width, int32_t height)
{
    RgbaImage image;
    image.width = width;
    image.height = height;
    image.bitDepth = 16;
    image.pixels.resize(size_t(width) * size_t(height) * 4);
    // Top and bottom colours of the sky, 16 bits per channel.
    const double top[3] = {0.16, 0.36, 0.66};
    const double bottom[3] = {0.80, 0.88, 0.95};
    for (int32_t y = 0; y < height; ++y) {
        const double t = height > 1 ? double(y) / double(height - 1) : 0.0;
        // Eased, so the haze stays near the ground.
        const double s = t * t * (3.0 - 2.0 * t);
        uint16_t c[4];
        for (int k = 0; k < 3; ++k)
            c[k] = uint16_t((top[k] + (bottom[k] - top[k]) * s) * 65535.0 + 0.5);
        c[3] = 65535;
        for (int32_t x = 0; x < width; ++x)
            std::memcpy(image.Pixel(x, y), c, sizeof c);
    }
    return image;
}

RgbaImage Downsample(const RgbaImage& image, int32_t factor)
{
    if (factor <= 1 || image.width <= 0 || image.height <= 0)
        return image;
    RgbaImage out;
    out.width = (image.width + factor - 1) / factor;
    out.height = (image.height + factor - 1) / factor;
    out.bitDepth = image.bitDepth;
    out.pixels.resize(size_t(out.width) * size_t(out.height) * 4);
    for (int32_t y = 0; y < out.height; ++y)
        for (int32_t x = 0; x < out.width; ++x) {
            uint64_t sum[4] = {0, 0, 0, 0};
            uint64_t n = 0;
            for (int32_t sy = y * factor; sy < (y + 1) * factor && sy < image.height; ++sy)
                for (int32_t sx = x * factor; sx < (x + 1) * factor && sx < image.width; ++sx, ++n) {
                    const uint16_t* p = image.Pixel(sx, sy);
                    for (int c = 0; c < 4; ++c)
                        sum[c] += p[c];
                }
            uint16_t* q = out.Pixel(x, y);
            for (int c = 0; c < 4; ++c)
                q[c] = uint16_t((sum[c] + n / 2) / n);
        }
    return out;
}

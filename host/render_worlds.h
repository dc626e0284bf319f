// The worlds `velmora render` hands the effect: the layer, the two reflection layers and the
// output frame, allocated as the host application allocates them (rows padded past the pixels,
// so that nothing may assume rowbytes = width × pixel size), and their conversion from and to
// the images the host reads and writes.
//
// Channel scales: 8-bit worlds hold 0..255; deep worlds 0..32768, so an image's 16-bit value v
// becomes round(v × 32768 / 65535) and comes back as round(w × 65535 / 32768), 32768 giving 65535.
#pragma once

#include <cstdint>
#include <vector>

#include "effect/host_api.h"
#include "host/image_io.h"

// Bytes every world row carries past its last pixel.
constexpr int32_t WorldRowPadding = 40;

// A world and the memory behind it. Moving keeps the world pointing at its own pixels.
struct HostWorld {
    HostWorld() = default;
    HostWorld(HostWorld&& other) noexcept;
    HostWorld& operator=(HostWorld&& other) noexcept;
    HostWorld(const HostWorld&) = delete;
    HostWorld& operator=(const HostWorld&) = delete;

    PF_EffectWorld world{};
    std::vector<uint64_t> storage;   // 8-byte units, so a deep world's words are aligned
};

// A transparent black world of the size and depth; false when the size is unusable.
bool MakeWorld(int32_t width, int32_t height, bool deep, HostWorld& world);

// The image as a world of the given depth.
bool ImageToWorld(const RgbaImage& image, bool deep, HostWorld& world);
// The world's W × H pixels as an image of 16 bits (deep) or 8 bits per channel.
RgbaImage WorldToImage(const PF_EffectWorld& world);

// The built-in layer: an opaque sky, deep blue at the top fading to a pale haze at the bottom.
RgbaImage SkyBackground(int32_t width, int32_t height);

// The image at 1 / factor of its size (rounded up), each pixel the mean of the block it covers:
// the layer as the host hands it at half or quarter resolution.
RgbaImage Downsample(const RgbaImage& image, int32_t factor);

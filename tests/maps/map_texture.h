// Texture images for the map tests: 8 or 16-bit texels (blue, green, red, alpha) with a guard
// zone of 0xFF bytes on both sides, so that a sampler reading past either end shows it in its
// result (and the address sanitizer sees it), and the record that points at them.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/scene_records.h"

class MapTexture {
public:
    static constexpr size_t GuardBytes = 4096;

    MapTexture(int width, int height, bool deep)
        : width(width), height(height), deep(deep),
          storage(GuardBytes * 2 + static_cast<size_t>(width) * height * 4 * (deep ? 2 : 1), 0)
    {
        std::memset(storage.data(), 0xFF, GuardBytes);
        std::memset(storage.data() + storage.size() - GuardBytes, 0xFF, GuardBytes);
    }

    // Element c of texel (x, y); c = 0 blue, 1 green, 2 red, 3 alpha.
    void Set(int x, int y, int c, int value)
    {
        size_t at = (static_cast<size_t>(y) * width + x) * 4 + c;
        if (deep) {
            uint16_t v = static_cast<uint16_t>(value);
            std::memcpy(Pixels() + 2 * at, &v, 2);
        } else {
            Pixels()[at] = static_cast<uint8_t>(value);
        }
    }
    void SetTexel(int x, int y, int blue, int green, int red, int alpha)
    {
        Set(x, y, 0, blue);
        Set(x, y, 1, green);
        Set(x, y, 2, red);
        Set(x, y, 3, alpha);
    }
    void Fill(int blue, int green, int red, int alpha)
    {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                SetTexel(x, y, blue, green, red, alpha);
    }

    uint8_t* Pixels() { return storage.data() + GuardBytes; }
    __Texture Record()
    {
        __Texture t;
        std::memset(&t, 0, sizeof t);
        t.present = 1;
        t.width = width;
        t.height = height;
        t.pixels = Pixels();
        t.deep = deep ? 1 : 0;
        return t;
    }

    int width, height;
    bool deep;

private:
    std::vector<uint8_t> storage;
};

// A map block applied as the render driver writes it: scale 1, offset 0.
inline map3ds PlainBlock(float amount = 1.0f)
{
    map3ds block;
    std::memset(&block, 0, sizeof block);
    block.amount = amount;
    block.uScale = block.vScale = 1.0f;
    return block;
}

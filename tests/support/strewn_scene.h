// Random scenes for comparing two ways of drawing: triangles strewn over an image and beyond its
// edges, and a background of many element values on which every drawn pixel shows.
#pragma once

#include <random>

#include "tests/support/scene_builder.h"
#include "tests/support/test_image.h"

// Triangles strewn over a width x height image and `margin` beyond it at depths -50..50, each
// about its first corner at the size asked for; the tilts of their normals come from the same
// stream.
class StrewnTriangles {
public:
    StrewnTriangles(unsigned seed, int width, int height, float margin, float maxTilt)
        : random(seed), along(-margin, width + margin), down(-margin, height + margin),
          depth(-50.0f, 50.0f), tilt(-maxTilt, maxTilt)
    {
    }
    struct Corners {
        Corner a, b, c;
    };
    Corners Next(float size)
    {
        const Corner a{along(random), down(random), depth(random)};
        std::uniform_real_distribution<float> near(-size, size);
        const Corner b{a.x + near(random), a.y + near(random), depth(random)};
        const Corner c{a.x + near(random), a.y + near(random), depth(random)};
        return {a, b, c};
    }
    float Tilt() { return tilt(random); }

private:
    std::mt19937 random;
    std::uniform_real_distribution<float> along, down, depth, tilt;
};

// A background of many element values, each channel its own, so that every pixel drawn shows.
inline void FillPattern(TestImage& image, int perColumn, int perRow, int perChannel)
{
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x)
            for (int c = 0; c < 4; ++c)
                image.Set(x, y, c,
                          (x * perColumn + y * perRow + c * perChannel) % 256 * image.FullScale() /
                              255);
}

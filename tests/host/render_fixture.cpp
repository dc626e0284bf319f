// The render tests' shared pieces.
#include "tests/host/render_fixture.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>

ScratchFolder::ScratchFolder()
{
    static std::atomic<int> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    path = std::filesystem::temp_directory_path() /
           ("velmora-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(path);
}

ScratchFolder::~ScratchFolder()
{
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
}

size_t ScratchFolder::CountFiles() const
{
    size_t n = 0;
    for (auto it = std::filesystem::recursive_directory_iterator(path); it != std::filesystem::recursive_directory_iterator();
         ++it)
        ++n;
    return n;
}

RgbaImage RenderTest::Render(RenderOptions options, int32_t frame)
{
    options.writeFiles = false;
    RenderPlan plan;
    RgbaImage image;
    if (!PlanRender(session, options, plan, error)) {
        ADD_FAILURE() << error;
        return image;
    }
    HostWorld output;
    const PF_Err err = RenderPlannedFrame(session, EntryPointFunc, plan, frame, output, error);
    if (err != PF_Err_NONE) {
        ADD_FAILURE() << error;
        return image;
    }
    return WorldToImage(output.world);
}

RenderOptions SizedOptions(int32_t width, int32_t height)
{
    RenderOptions o;
    o.width = width;
    o.height = height;
    o.sizeGiven = true;
    return o;
}

RenderOptions SmallOptions(int32_t width, int32_t height, int32_t frame)
{
    RenderOptions o = SizedOptions(width, height);
    o.firstFrame = o.lastFrame = frame;
    o.writeFiles = false;
    return o;
}

RgbaImage UniformImage(int32_t width, int32_t height, uint16_t value)
{
    RgbaImage image;
    image.width = width;
    image.height = height;
    image.pixels.assign(size_t(width) * size_t(height) * 4, value);
    return image;
}

uint64_t ImageHash(const RgbaImage& image)
{
    uint64_t h = 1469598103934665603ull;
    auto mix = [&h](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            h ^= (v >> (8 * i)) & 0xFF;
            h *= 1099511628211ull;
        }
    };
    mix(uint32_t(image.width), 4);
    mix(uint32_t(image.height), 4);
    for (uint16_t v : image.pixels)
        mix(v, 2);
    return h;
}

ImageDifference CompareImages(const RgbaImage& a, const RgbaImage& b)
{
    ImageDifference d;
    if (a.width != b.width || a.height != b.height || a.pixels.size() != b.pixels.size()) {
        d.maxDifference = 255;
        d.meanDifference = 255;
        d.differingPixels = 1;
        return d;
    }
    double sum = 0;
    size_t differing = 0;
    for (size_t p = 0; p < a.pixels.size(); p += 4) {
        int worst = 0;
        for (size_t c = 0; c < 4; ++c) {
            const int diff = int(std::lround(std::abs(double(a.pixels[p + c]) - double(b.pixels[p + c])) / 257.0));
            sum += diff;
            worst = std::max(worst, diff);
        }
        d.maxDifference = std::max(d.maxDifference, worst);
        if (worst > 1)
            ++differing;
    }
    d.meanDifference = a.pixels.empty() ? 0 : sum / double(a.pixels.size());
    d.differingPixels = a.pixels.empty() ? 0 : double(differing) / double(a.pixels.size() / 4);
    return d;
}

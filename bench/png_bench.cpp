// Writing and reading the host's PNG frames: the last frame of the default grow-up animation at
// 1920x1080 over the built-in sky, as `velmora render` writes it, in 8 and 16 bits. The size of
// the encoded file is reported beside the time, since a faster encoder that bloats the files is
// no gain for a farm that stores them.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "effect/entry.h"
#include "host/image_io.h"
#include "host/render_frames.h"
#include "host/sequence.h"

namespace {

// The frame, rendered once through the effect's entry point.
RgbaImage DefaultFrame(bool deep)
{
    HostSession session;
    RgbaImage image;
    if (SetUpEffect(session, EntryPointFunc, nullptr) != PF_Err_NONE)
        return image;
    RenderOptions options;
    options.firstFrame = 0;
    options.lastFrame = 23;
    options.deep = deep;
    options.writeFiles = false;
    RenderPlan plan;
    HostWorld output;
    std::string error;
    if (PlanRender(session, options, plan, error) &&
        RenderPlannedFrame(session, EntryPointFunc, plan, 23, output, error) == PF_Err_NONE)
        image = WorldToImage(output.world);
    SetDownEffect(session, EntryPointFunc);
    return image;
}

const RgbaImage& Frame(bool deep)
{
    static const RgbaImage shallow = DefaultFrame(false);
    static const RgbaImage full = DefaultFrame(true);
    return deep ? full : shallow;
}

// Arg: deep.
void EncodeFrame(benchmark::State& state)
{
    const RgbaImage& frame = Frame(state.range(0) != 0);
    std::vector<uint8_t> png;
    std::string error;
    for (auto _ : state) {
        if (!EncodePng(frame, png, error)) {
            state.SkipWithError(error.c_str());
            break;
        }
        benchmark::DoNotOptimize(png.data());
    }
    state.counters["bytes"] = double(png.size());
}
BENCHMARK(EncodeFrame)->ArgName("deep")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Arg: deep.
void DecodeFrame(benchmark::State& state)
{
    const RgbaImage& frame = Frame(state.range(0) != 0);
    std::vector<uint8_t> png;
    std::string error;
    if (!EncodePng(frame, png, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    RgbaImage back;
    for (auto _ : state) {
        if (!DecodePng(png.data(), png.size(), back, error)) {
            state.SkipWithError(error.c_str());
            break;
        }
        benchmark::DoNotOptimize(back.pixels.data());
    }
}
BENCHMARK(DecodeFrame)->ArgName("deep")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

// Times __RasterScene on a full-HD frame: the default frame's tree (and a larger one of 7
// levels), placed and depth-sorted as the render does, drawn in Flat and Phong, quality and
// draft, 8 and 16 bits. Reports ms per frame, triangles and shaded pixels per second.
#include <benchmark/benchmark.h>

#include "bench/default_scene.h"
#include "engine/engine_exports.h"

namespace {

// Args: levels, draw mode (Flat or Phong), quality, deep.
void RasterTree(benchmark::State& state)
{
    const bool deep = state.range(3) != 0;
    __SetDrawMode(static_cast<uint8_t>(state.range(1)));
    __SetQuality(static_cast<uint8_t>(state.range(2)));
    __SetDeep(deep ? 1 : 0);
    __SetUseMultyRefract(0);
    __SetDubleSide(0);
    const GrownMesh& mesh = DefaultTreeMesh(static_cast<int32_t>(state.range(0)), true);
    EngineScene scene(BenchParameters());
    EngineFrame frame(deep);

    const long long shadedPerFrame = ShaderCallsOf(frame, mesh, scene);
    TimeFrames(state, frame, mesh, scene);
    state.counters["shaded_px"] = static_cast<double>(shadedPerFrame);
    state.counters["tri/s"] = benchmark::Counter(static_cast<double>(mesh.triangleCount),
                                                 benchmark::Counter::kIsIterationInvariantRate);
    state.counters["px/s"] = benchmark::Counter(static_cast<double>(shadedPerFrame),
                                                benchmark::Counter::kIsIterationInvariantRate);
}

void Configurations(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"levels", "mode", "quality", "deep"});
    for (int levels : {4, 7})
        for (DrawMode mode : {DrawMode::Flat, DrawMode::Phong})
            for (int quality : {1, 0})
                for (int deep : {0, 1})
                    b->Args({levels, static_cast<int>(mode), quality, deep});
}

BENCHMARK(RasterTree)->Apply(Configurations)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// The fixed cost of one call: taking, filling and releasing the per-call buffers of a full-HD
// frame with no triangle to draw. Arg: deep.
void EmptyFrame(benchmark::State& state)
{
    const bool deep = state.range(0) != 0;
    __SetDrawMode(static_cast<uint8_t>(DrawMode::Phong));
    __SetDeep(deep ? 1 : 0);
    EngineScene scene(BenchParameters());
    EngineFrame frame(deep);
    const GrownMesh nothing;
    for (auto _ : state)
        frame.Draw(nothing, scene);
}

BENCHMARK(EmptyFrame)->ArgName("deep")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

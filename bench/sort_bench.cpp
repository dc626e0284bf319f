// Depth sort of scenes of 10k, 100k and 1M triangles with random depths.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "engine/engine_exports.h"

namespace {

void BM_Sort(benchmark::State& state)
{
    const int count = int(state.range(0));
    std::vector<__Point3ds> points(size_t(count) * 3);
    std::mt19937 random(1);
    std::uniform_real_distribution<float> depth(-1000.0f, 1000.0f);
    for (auto& p : points)
        p.z = depth(random);
    std::vector<__Triangle3ds> original(static_cast<size_t>(count));
    for (int t = 0; t < count; ++t)
        original[size_t(t)] = __Triangle3ds{3 * t, 3 * t + 1, 3 * t + 2, 0, 0};
    std::vector<__Triangle3ds> triangles;
    for (auto _ : state) {
        state.PauseTiming();
        triangles = original;
        state.ResumeTiming();
        __Sort(count, triangles.data(), points.data());
        benchmark::DoNotOptimize(triangles.data());
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_Sort)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

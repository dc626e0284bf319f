// Growing and meshing the default frame's tree at 1920 pixels wide, as one render does, at 4, 7
// and 10 branch levels. Counters: nodes, needles, triangles, and the bytes the frame holds at
// its peak (hierarchy, needle arrays and both mesh arrays, just before the hierarchy goes).
#include <benchmark/benchmark.h>

#include <cstdint>

#include "bench/default_scene.h"

namespace {

void Tally(const BranchNode* node, int64_t& nodes, int64_t& needles)
{
    if (!node)
        return;
    ++nodes;
    if (node->level < 1)
        return;
    needles += node->needleCount;
    for (int32_t j = 0; j < node->childCount; ++j)
        Tally(node->children[j], nodes, needles);
}

void BuildDefaultTree(benchmark::State& state)
{
    TreeInputs in = GeneratorInputs(BenchParameters(), BenchWidth, 0);
    in.levels = static_cast<int32_t>(state.range(0));
    int64_t nodes = 0, needles = 0, triangles = 0, peakBytes = 0;
    GrownMesh mesh;
    // Counted while the tree is whole, untimed.
    auto tally = [&](const TreeModel& tree) {
        state.PauseTiming();
        nodes = needles = 0;
        Tally(tree.root, nodes, needles);
        triangles = tree.triangleCount;
        peakBytes = nodes * static_cast<int64_t>(sizeof(BranchNode)) +
                    needles * static_cast<int64_t>(sizeof(Needle)) +
                    tree.pointCount * static_cast<int64_t>(sizeof(__Point3ds)) +
                    triangles * static_cast<int64_t>(sizeof(__Triangle3ds));
        state.ResumeTiming();
    };
    for (auto _ : state) {
        GrowFrameMesh(in, mesh, tally);
        benchmark::DoNotOptimize(mesh.points);
        // The arrays go as the render lets them go, within the frame's time.
        mesh.Release();
    }
    state.counters["nodes"] = static_cast<double>(nodes);
    state.counters["needles"] = static_cast<double>(needles);
    state.counters["triangles"] = static_cast<double>(triangles);
    state.counters["peak_MB"] = static_cast<double>(peakBytes) / (1024.0 * 1024.0);
}

}  // namespace

BENCHMARK(BuildDefaultTree)->Arg(4)->Arg(7)->Arg(10)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

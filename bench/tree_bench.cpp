// Growing and meshing the default tree of a 1920-pixel-wide frame, as one render does, at 4, 7
// and 10 branch levels. Counters: nodes, needles, triangles, and the bytes the frame holds at
// its peak (hierarchy, needle arrays and both mesh arrays, just before the hierarchy goes).
#include <benchmark/benchmark.h>

#include <cstdint>

#include "platform/pages.h"
#include "tree/random.h"
#include "tree/tree_mesh.h"
#include "tree/tree_model.h"
#include "bench/default_tree_inputs.h"

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
    const TreeInputs in = DefaultTreeInputs(static_cast<int32_t>(state.range(0)));
    int64_t nodes = 0, needles = 0, triangles = 0, peakBytes = 0;
    for (auto _ : state) {
        SetRandomState(0);
        TreeModel* tree = CreateTree();
        BuildTree(tree, in);
        BuildMesh(tree);
        benchmark::DoNotOptimize(tree->points);
        state.PauseTiming();
        nodes = needles = 0;
        Tally(tree->root, nodes, needles);
        triangles = tree->triangleCount;
        peakBytes = nodes * static_cast<int64_t>(sizeof(BranchNode)) +
                    needles * static_cast<int64_t>(sizeof(Needle)) +
                    tree->pointCount * static_cast<int64_t>(sizeof(__Point3ds)) +
                    triangles * static_cast<int64_t>(sizeof(__Triangle3ds));
        state.ResumeTiming();
        __Point3ds* points = tree->points;
        __Triangle3ds* tris = tree->triangles;
        DestroyTree(tree);
        PageRelease(points);
        PageRelease(tris);
    }
    state.counters["nodes"] = static_cast<double>(nodes);
    state.counters["needles"] = static_cast<double>(needles);
    state.counters["triangles"] = static_cast<double>(triangles);
    state.counters["peak_MB"] = static_cast<double>(peakBytes) / (1024.0 * 1024.0);
}

}  // namespace

BENCHMARK(BuildDefaultTree)->Arg(4)->Arg(7)->Arg(10)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

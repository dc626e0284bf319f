// One whole frame of the effect at 1920x1080 with every parameter at its default, as the host
// asks for it: the render command through EntryPointFunc with a padded layer and output world,
// in 8 and 16 bits. Then the same frame taken apart into the pieces the render driver runs, each
// timed on its own with the driver's own functions, so the end-to-end time can be split:
//   Convert    copying the layer into the output, both worlds to engine images, and back
//   GrowTree   SetRandomState, CreateTree and BuildTree (branches and needles)
//   Mesh       BuildMesh (points and triangles)
//   PlaceSort  PlaceTree and __Sort
//   Raster     __RasterScene, with the driver's materials, lights and glass
#include <benchmark/benchmark.h>

#include <cstring>

#include "bench/default_host_frame.h"
#include "bench/default_scene.h"
#include "effect/frame_convert.h"
#include "engine/engine_exports.h"
#include "platform/pages.h"
#include "tree/random.h"
#include "tree/tree_mesh.h"
#include "tree/tree_model.h"

namespace {

constexpr int32_t Width = BenchWidth;
constexpr int32_t Height = BenchHeight;

// Arg: deep.
void RenderCommand(benchmark::State& state) { TimeRenderCommands(state, state.range(0) != 0); }
BENCHMARK(RenderCommand)->ArgName("deep")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void Convert(benchmark::State& state)
{
    const bool deep = state.range(0) != 0;
    DefaultHostFrame frame(deep);
    __SetDeep(deep ? 1 : 0);
    const int elementBytes = deep ? 2 : 1;
    const PF_LayerDef& in = frame.layer.world;
    PF_LayerDef& out = frame.output.world;
    unsigned char* destination = WorldToEngineImage(nullptr, nullptr, Width, Height, 0);
    unsigned char* source = WorldToEngineImage(nullptr, nullptr, Width, Height, 0);
    for (auto _ : state) {
        CopyWorld(out.data, in.data, Width, Height, out.rowbytes / elementBytes, in.rowbytes / elementBytes, deep);
        WorldToEngineImage(destination, out.data, Width, Height, out.rowbytes / elementBytes);
        WorldToEngineImage(source, in.data, Width, Height, in.rowbytes / elementBytes);
        EngineImageToWorld(out.data, destination, Width, Height, out.rowbytes / elementBytes);
        benchmark::DoNotOptimize(out.data);
    }
    PageRelease(destination);
    PageRelease(source);
}
BENCHMARK(Convert)->ArgName("deep")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The two steps GrowFrameMesh takes in one, each timed alone.
void GrowTree(benchmark::State& state)
{
    const TreeInputs inputs = GeneratorInputs(BenchParameters(), Width, 0);
    for (auto _ : state) {
        SetRandomState(0);
        TreeModel* tree = CreateTree();
        BuildTree(tree, inputs);
        benchmark::DoNotOptimize(tree->root);
        state.PauseTiming();
        DestroyTree(tree);
        state.ResumeTiming();
    }
}
BENCHMARK(GrowTree)->Unit(benchmark::kMillisecond);

void Mesh(benchmark::State& state)
{
    const TreeInputs inputs = GeneratorInputs(BenchParameters(), Width, 0);
    int64_t triangles = 0;
    for (auto _ : state) {
        state.PauseTiming();
        SetRandomState(0);
        TreeModel* tree = CreateTree();
        BuildTree(tree, inputs);
        state.ResumeTiming();
        BuildMesh(tree);
        benchmark::DoNotOptimize(tree->points);
        state.PauseTiming();
        triangles = tree->triangleCount;
        PageRelease(tree->points);
        PageRelease(tree->triangles);
        DestroyTree(tree);
        state.ResumeTiming();
    }
    state.counters["triangles"] = double(triangles);
}
BENCHMARK(Mesh)->Unit(benchmark::kMillisecond);

void PlaceSort(benchmark::State& state)
{
    const FrameParameters p = BenchParameters();
    GrownMesh generated, work;
    GrowFrameMesh(GeneratorInputs(p, Width, 0), generated);
    GrowFrameMesh(GeneratorInputs(p, Width, 0), work);
    const size_t pointBytes = size_t(work.pointCount) * sizeof(__Point3ds);
    const size_t triangleBytes = size_t(work.triangleCount) * sizeof(__Triangle3ds);
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(work.points, generated.points, pointBytes);
        std::memcpy(work.triangles, generated.triangles, triangleBytes);
        state.ResumeTiming();
        PlaceTree(p, Width, Height, work.points, work.pointCount);
        __Sort(work.triangleCount, work.triangles, work.points);
        benchmark::DoNotOptimize(work.triangles);
    }
}
BENCHMARK(PlaceSort)->Unit(benchmark::kMillisecond);

// Arg: deep. The engine settings are those of a default render at full quality, over the host's
// sky.
void Raster(benchmark::State& state)
{
    const bool deep = state.range(0) != 0;
    DefaultHostFrame host(deep);
    const FrameParameters p = host.Params();
    __SetDrawMode(static_cast<uint8_t>(EngineDrawMode(p.renderingMode)));
    __SetQuality(1);
    __SetDeep(deep ? 1 : 0);
    __SetUseMultyRefract(0);
    __SetDubleSide(0);
    GrownMesh mesh;
    PlacedTreeMesh(p, 0, true, mesh);
    EngineScene scene(p);
    EngineFrame frame(deep);
    // The sky instead of the pattern, as the render command has it.
    const PF_LayerDef& in = host.layer.world;
    if (frame.Ready())
        WorldToEngineImage(frame.source, in.data, Width, Height, in.rowbytes / (deep ? 2 : 1));
    TimeFrames(state, frame, mesh, scene);
}
BENCHMARK(Raster)->ArgName("deep")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(1.0);

} // namespace

BENCHMARK_MAIN();

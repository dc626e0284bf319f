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

#include "effect/entry.h"
#include "effect/frame_convert.h"
#include "effect/params.h"
#include "effect/render_inputs.h"
#include "engine/engine_exports.h"
#include "host/render_worlds.h"
#include "host/sequence.h"
#include "platform/pages.h"
#include "tree/random.h"
#include "tree/tree_mesh.h"
#include "tree/tree_model.h"

namespace {

constexpr int32_t Width = 1920;
constexpr int32_t Height = 1080;

// An effect instance with the default parameters, the sky as its layer, and an output world.
struct DefaultFrame {
    HostSession session;
    HostWorld layer;
    HostWorld output;
    bool ready = false;
    explicit DefaultFrame(bool deep)
    {
        if (SetUpEffect(session, EntryPointFunc, nullptr) != PF_Err_NONE)
            return;
        SetLayerSize(session, Width, Height);
        ResetParamValues(session);
        ready = ImageToWorld(SkyBackground(Width, Height), deep, layer) && MakeWorld(Width, Height, deep, output);
        SetInputWorld(session, layer.world);
    }
    ~DefaultFrame() { SetDownEffect(session, EntryPointFunc); }
    FrameParameters Params() { return ReadFrameParameters(ParamArray(session)); }
};

// Arg: deep.
void RenderCommand(benchmark::State& state)
{
    DefaultFrame frame(state.range(0) != 0);
    if (!frame.ready) {
        state.SkipWithError("the effect could not be set up");
        return;
    }
    for (auto _ : state) {
        const PF_Err err = CallEffect(frame.session, EntryPointFunc, PF_Cmd_RENDER, &frame.output.world);
        if (err != PF_Err_NONE) {
            state.SkipWithError("the render command failed");
            break;
        }
        benchmark::DoNotOptimize(frame.output.world.data);
    }
}
BENCHMARK(RenderCommand)->ArgName("deep")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void Convert(benchmark::State& state)
{
    const bool deep = state.range(0) != 0;
    DefaultFrame frame(deep);
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

void GrowTree(benchmark::State& state)
{
    DefaultFrame frame(false);
    const TreeInputs inputs = GeneratorInputs(frame.Params(), Width, 0);
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
    DefaultFrame frame(false);
    const TreeInputs inputs = GeneratorInputs(frame.Params(), Width, 0);
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
        tree->points = nullptr;
        tree->triangles = nullptr;
        DestroyTree(tree);
        state.ResumeTiming();
    }
    state.counters["triangles"] = double(triangles);
}
BENCHMARK(Mesh)->Unit(benchmark::kMillisecond);

// The default frame's mesh, as generated (before placement).
struct FrameMesh {
    __Point3ds* points = nullptr;
    __Triangle3ds* triangles = nullptr;
    int32_t pointCount = 0;
    int32_t triangleCount = 0;
    explicit FrameMesh(const TreeInputs& inputs)
    {
        SetRandomState(0);
        TreeModel* tree = CreateTree();
        if (!tree)
            return;
        BuildTree(tree, inputs);
        BuildMesh(tree);
        points = tree->points;
        triangles = tree->triangles;
        pointCount = tree->pointCount;
        triangleCount = tree->triangleCount;
        tree->points = nullptr;
        tree->triangles = nullptr;
        DestroyTree(tree);
    }
    ~FrameMesh()
    {
        PageRelease(points);
        PageRelease(triangles);
    }
};

void PlaceSort(benchmark::State& state)
{
    DefaultFrame frame(false);
    const FrameParameters p = frame.Params();
    const FrameMesh generated(GeneratorInputs(p, Width, 0));
    FrameMesh work(GeneratorInputs(p, Width, 0));
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

// Arg: deep. The engine settings are those of a default render at full quality.
void Raster(benchmark::State& state)
{
    const bool deep = state.range(0) != 0;
    DefaultFrame frame(deep);
    const FrameParameters p = frame.Params();
    FrameMesh mesh(GeneratorInputs(p, Width, 0));
    PlaceTree(p, Width, Height, mesh.points, mesh.pointCount);
    __SetDrawMode(static_cast<uint8_t>(EngineDrawMode(p.renderingMode)));
    __SetQuality(1);
    __SetDeep(deep ? 1 : 0);
    __SetUseMultyRefract(0);
    __SetDubleSide(0);
    __Sort(mesh.triangleCount, mesh.triangles, mesh.points);
    material3ds materials[2];
    FillMaterials(p, materials);
    GlassProp glass[2];
    FillGlass(p, 1.0f, glass);
    light3ds lights[2];
    const int32_t lightCount = FillLights(p, lights);
    __Texture textures[8];
    std::memset(textures, 0, sizeof textures);

    const PF_LayerDef& in = frame.layer.world;
    const int elementBytes = deep ? 2 : 1;
    unsigned char* source = WorldToEngineImage(nullptr, in.data, Width, Height, in.rowbytes / elementBytes);
    unsigned char* destination = WorldToEngineImage(nullptr, nullptr, Width, Height, 0);
    const size_t bytes = EngineImageBytes(Width, Height);
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(destination, source, bytes);
        state.ResumeTiming();
        __RasterScene(destination, source, Width, Height, Width * 4, mesh.pointCount, mesh.triangleCount,
                      mesh.triangles, mesh.points, Width / 2, Height / 2, 2, materials, textures, lightCount, lights,
                      glass);
        benchmark::DoNotOptimize(destination[0]);
    }
    state.counters["triangles"] = double(mesh.triangleCount);
    PageRelease(source);
    PageRelease(destination);
}
BENCHMARK(Raster)->ArgName("deep")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(1.0);

} // namespace

BENCHMARK_MAIN();

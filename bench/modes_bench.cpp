// Times __RasterScene on a full-HD frame in every draw mode: the default frame's tree, placed as
// the render places it and depth-sorted in all modes but Rough (as the render does), drawn at
// full quality in 8 bits. Reports ms per frame and shader calls per frame, and the longest
// triangle edge of the tree, the figure the curved modes' cap on samples per edge is weighed
// against.
#include <benchmark/benchmark.h>

#include <cmath>

#include "bench/default_scene.h"
#include "engine/engine_exports.h"

namespace {

float Distance(const __Point3ds& a, const __Point3ds& b)
{
    const float dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

float LongestEdge(const GrownMesh& mesh)
{
    float longest = 0.0f;
    for (int32_t k = 0; k < mesh.triangleCount; ++k) {
        const __Triangle3ds& t = mesh.triangles[k];
        for (float d : {Distance(mesh.points[t.a], mesh.points[t.b]),
                        Distance(mesh.points[t.b], mesh.points[t.c]),
                        Distance(mesh.points[t.c], mesh.points[t.a])})
            longest = d > longest ? d : longest;
    }
    return longest;
}

// Arg: draw mode.
void EveryDrawMode(benchmark::State& state)
{
    const DrawMode mode = static_cast<DrawMode>(state.range(0));
    __SetDrawMode(static_cast<uint8_t>(mode));
    __SetQuality(1);
    __SetDeep(0);
    __SetUseMultyRefract(0);
    __SetDubleSide(0);
    __SetDrawBackFaces(0);
    const FrameParameters p = BenchParameters();
    const GrownMesh& mesh = DefaultTreeMesh(p.levels, mode != DrawMode::Rough);
    EngineScene scene(p);
    EngineFrame frame(false);

    const long long callsPerFrame = ShaderCallsOf(frame, mesh, scene);
    TimeFrames(state, frame, mesh, scene);
    state.counters["shader_calls"] = static_cast<double>(callsPerFrame);
    state.counters["longest_edge"] = LongestEdge(mesh);
}

void DrawModes(benchmark::internal::Benchmark* b)
{
    b->ArgName("mode");
    for (DrawMode mode : {DrawMode::Rough, DrawMode::Line, DrawMode::Wire, DrawMode::Flat,
                          DrawMode::Phong, DrawMode::Patches, DrawMode::Bezier,
                          DrawMode::BezierOutline})
        b->Arg(static_cast<int>(mode));
}

BENCHMARK(EveryDrawMode)->Apply(DrawModes)->Unit(benchmark::kMillisecond)->MinTime(1.0);

} // namespace

BENCHMARK_MAIN();

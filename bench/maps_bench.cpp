// What reflection maps and glass cost on top of plain Phong shading: the default frame's tree on
// a full-HD frame, placed and depth-sorted as the render does, drawn in Phong with quality on and
// off, 8 and 16 bits, once plainly, once with a frame-sized reflection layer on both materials
// and once with both materials as glass (the effect's default refraction, optical coefficient and
// aberration), with and without multiple refraction and with the two-pass back-face render.
#include <benchmark/benchmark.h>

#include "bench/default_scene.h"
#include "engine/engine_exports.h"
#include "platform/pages.h"

namespace {

enum Case { Plain, Reflection, Glass, GlassSingle, GlassTwoPass };

// Args: case, quality, deep.
void ShadeTree(benchmark::State& state)
{
    const Case which = static_cast<Case>(state.range(0));
    const bool deep = state.range(2) != 0;
    __SetDrawMode(static_cast<uint8_t>(DrawMode::Phong));
    __SetQuality(static_cast<uint8_t>(state.range(1)));
    __SetDeep(deep ? 1 : 0);
    __SetDubleSide(0);
    __SetUseMultyRefract(which == GlassSingle ? 0 : 1);
    __SetDrawBackFaces(which == GlassTwoPass ? 1 : 0);

    FrameParameters p = BenchParameters();
    p.tree.glass = p.needles.glass = which == Glass || which == GlassSingle || which == GlassTwoPass;
    EngineScene scene(p);
    unsigned char* environment = nullptr;
    if (which == Reflection) {
        environment = PatternImage(deep);
        scene.Reflect(environment, deep);
    }
    EngineFrame frame(deep);
    if (which == Reflection && !environment)
        state.SkipWithError("no memory for the reflection layer");
    else
        TimeFrames(state, frame, DefaultTreeMesh(p.levels, true), scene);
    __SetDrawBackFaces(0);
    PageRelease(environment);
}

void Configurations(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"case", "quality", "deep"});
    for (int quality : {1, 0})
        for (int deep : {0, 1})
            for (int which : {Plain, Reflection, Glass, GlassSingle, GlassTwoPass})
                b->Args({which, quality, deep});
}

BENCHMARK(ShadeTree)->Apply(Configurations)->Unit(benchmark::kMillisecond)->MinTime(1.0);

} // namespace

BENCHMARK_MAIN();

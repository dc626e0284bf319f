// Times __RasterScene on a full-HD frame: the default tree (and a larger one of 7 levels) built by
// the tree generator with the effect's default parameters, placed as the render driver places
// it (Rotation Z 180, standing at the bottom centre), depth-sorted, then drawn in Flat and Phong,
// quality and draft, 8 and 16 bits. Reports ms per frame, triangles and shaded pixels per second.
#include <benchmark/benchmark.h>

#include <cstring>
#include <map>
#include <memory>

#include "effect/frame_convert.h"
#include "engine/engine_exports.h"
#include "engine/engine_state.h"
#include "platform/pages.h"
#include "shading/pixel_shader.h"
#include "tree/random.h"
#include "tree/tree_mesh.h"
#include "tree/tree_model.h"
#include "bench/default_tree_inputs.h"

namespace {

constexpr int Width = 1920;
constexpr int Height = 1080;

// A mesh the benchmark owns; positions as the render driver hands them to the engine.
struct Mesh {
    __Point3ds* points = nullptr;
    __Triangle3ds* triangles = nullptr;
    int pointCount = 0;
    int triangleCount = 0;
    ~Mesh()
    {
        PageRelease(points);
        PageRelease(triangles);
    }
};

const Mesh& TreeMesh(int levels)
{
    static std::map<int, std::unique_ptr<Mesh>> cache;
    auto& slot = cache[levels];
    if (slot)
        return *slot;
    slot.reset(new Mesh);
    SetRandomState(0);
    TreeModel* tree = CreateTree();
    if (tree) {
        BuildTree(tree, DefaultTreeInputs(levels));
        BuildMesh(tree);
        slot->points = tree->points;
        slot->triangles = tree->triangles;
        slot->pointCount = tree->pointCount;
        slot->triangleCount = tree->triangleCount;
        tree->points = nullptr;
        tree->triangles = nullptr;
        DestroyTree(tree);
    }
    // Rotation Z 180 stands the tree upright (rows grow downwards); "Position" at the bottom
    // centre moves it down by half the frame from the scene origin at the centre.
    RotatePointsZ(slot->points, slot->pointCount, 180.0f * 3.141592f / 180.0f);
    TranslatePoints(slot->points, slot->pointCount, 0.0f, Height / 2.0f, 0.0f);
    __Sort(slot->triangleCount, slot->triangles, slot->points);
    return *slot;
}

material3ds Material(const char* name, const int diffuse[3], const int specular[3], float shininess,
                     float strength)
{
    material3ds m;
    std::memset(&m, 0, sizeof m);
    std::strncpy(m.name, name, sizeof m.name - 1);
    for (int c = 0; c < 3; ++c) {
        m.diffuse[c] = diffuse[c] / 255.0f;
        m.specular[c] = specular[c] / 255.0f;
    }
    m.shininess = shininess;
    m.shinStrength = strength;
    return m;
}

struct Scene {
    material3ds materials[2];
    __Texture textures[8];
    light3ds lights[2];
    GlassProp glass[2];
    Scene()
    {
        const int treeDiffuse[3] = {160, 80, 0}, treeSpecular[3] = {250, 170, 0};
        const int needleDiffuse[3] = {23, 200, 1}, needleSpecular[3] = {255, 255, 255};
        materials[0] = Material("Material#0", treeDiffuse, treeSpecular, 1.5f, 0.9f);
        materials[1] = Material("Material#1", needleDiffuse, needleSpecular, 1.5f, 0.0f);
        std::memset(textures, 0, sizeof textures);
        std::memset(lights, 0, sizeof lights);
        std::memset(glass, 0, sizeof glass);
        for (light3ds& l : lights) {
            l.color[0] = l.color[1] = l.color[2] = 1.0f;
            l.multiplier = 1.0f;
        }
        // "Rotate WV" 45 degrees and the opposite light 25 degrees below the horizon.
        lights[0].pos[0] = 1414.2135f;
        lights[0].pos[2] = 1414.2135f;
        lights[1].pos[0] = -1812.6155f;
        lights[1].pos[2] = -845.2365f;
    }
};

long long ShadedPixels;

float CountingShader(float a, float b, unsigned char* c, unsigned char* d, float e, float f,
                     float g, __Triangle3ds* h, material3ds* i, int j, float& k, float& l,
                     float& m, __Point* n, unsigned char o, float p, float q, __Texture* r, int s,
                     light3ds* t, __PrevInfo* u, GlassProp* v, float w, float x, float y, float z)
{
    ++ShadedPixels;
    return DefaultRenderOnePixel(a, b, c, d, e, f, g, h, i, j, k, l, m, n, o, p, q, r, s, t, u, v,
                                 w, x, y, z);
}

// Args: levels, draw mode (Flat or Phong), quality, deep.
void RasterTree(benchmark::State& state)
{
    const int levels = static_cast<int>(state.range(0));
    __SetDrawMode(static_cast<uint8_t>(state.range(1)));
    __SetQuality(static_cast<uint8_t>(state.range(2)));
    __SetDeep(static_cast<uint8_t>(state.range(3)));
    __SetUseMultyRefract(0);
    __SetDubleSide(0);
    const Mesh& mesh = TreeMesh(levels);
    Scene scene;

    const size_t bytes = static_cast<size_t>(Width) * Height * 4 * (state.range(3) ? 2 : 1);
    unsigned char* source = static_cast<unsigned char*>(PageAllocate(bytes));
    unsigned char* dest = static_cast<unsigned char*>(PageAllocate(bytes));
    if (!source || !dest || mesh.triangleCount == 0) {
        state.SkipWithError("no memory or no mesh");
        PageRelease(source);
        PageRelease(dest);
        return;
    }
    std::memset(source, 0x40, bytes);
    auto render = [&] {
        __RasterScene(dest, source, Width, Height, Width * 4, mesh.pointCount, mesh.triangleCount,
                      mesh.triangles, mesh.points, Width / 2, Height / 2, 2, scene.materials,
                      scene.textures, 2, scene.lights, scene.glass);
    };

    // One untimed frame through a counting shader gives the shaded pixels of a frame.
    ShadedPixels = 0;
    std::memcpy(dest, source, bytes);
    __SetNewRenderOnePixel(CountingShader);
    render();
    __SetDefRenderOnePixel();
    const long long shadedPerFrame = ShadedPixels;

    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(dest, source, bytes);
        state.ResumeTiming();
        render();
        benchmark::DoNotOptimize(dest[0]);
    }
    state.counters["triangles"] = mesh.triangleCount;
    state.counters["shaded_px"] = static_cast<double>(shadedPerFrame);
    state.counters["tri/s"] = benchmark::Counter(static_cast<double>(mesh.triangleCount),
                                                 benchmark::Counter::kIsIterationInvariantRate);
    state.counters["px/s"] = benchmark::Counter(static_cast<double>(shadedPerFrame),
                                                benchmark::Counter::kIsIterationInvariantRate);
    PageRelease(source);
    PageRelease(dest);
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
    __SetDrawMode(static_cast<uint8_t>(DrawMode::Phong));
    __SetDeep(static_cast<uint8_t>(state.range(0)));
    const size_t bytes = static_cast<size_t>(Width) * Height * 4 * (state.range(0) ? 2 : 1);
    unsigned char* image = static_cast<unsigned char*>(PageAllocate(bytes));
    Scene scene;
    for (auto _ : state)
        __RasterScene(image, image, Width, Height, Width * 4, 0, 0, nullptr, nullptr, Width / 2,
                      Height / 2, 2, scene.materials, scene.textures, 2, scene.lights, scene.glass);
    PageRelease(image);
}

BENCHMARK(EmptyFrame)->ArgName("deep")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

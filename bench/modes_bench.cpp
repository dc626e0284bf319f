// Times __RasterScene on a full-HD frame in every draw mode: the default tree of the effect's
// default parameters at frame 0, grown by the tree generator, stood upright at the bottom
// centre (Rotation Z 180, then down by half the frame), depth-sorted (all modes but Rough, as
// the render driver does) and drawn at the default quality in 8 bits. Reports ms per frame and
// shader calls per frame; the first case also reports the longest triangle edge of the tree,
// the figure the curved modes' cap on samples per edge is weighed against.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>

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

struct Mesh {
    __Point3ds* points = nullptr;
    __Triangle3ds* triangles = nullptr;
    __Triangle3ds* unsorted = nullptr; // the mesh order, for Rough
    int pointCount = 0;
    int triangleCount = 0;
    float longestEdge = 0.0f;
    ~Mesh()
    {
        PageRelease(points);
        PageRelease(triangles);
        PageRelease(unsorted);
    }
};

float Distance(const __Point3ds& a, const __Point3ds& b)
{
    const float dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

const Mesh& DefaultTree()
{
    static Mesh mesh;
    if (mesh.points)
        return mesh;
    SetRandomState(0);
    TreeModel* tree = CreateTree();
    if (!tree)
        return mesh;
    BuildTree(tree, DefaultTreeInputs());
    BuildMesh(tree);
    mesh.points = tree->points;
    mesh.triangles = tree->triangles;
    mesh.pointCount = tree->pointCount;
    mesh.triangleCount = tree->triangleCount;
    tree->points = nullptr;
    tree->triangles = nullptr;
    DestroyTree(tree);
    if (!mesh.points)
        return mesh;
    RotatePointsZ(mesh.points, mesh.pointCount, 180.0f * 3.141592f / 180.0f);
    TranslatePoints(mesh.points, mesh.pointCount, 0.0f, Height / 2.0f, 0.0f);
    const size_t bytes = sizeof(__Triangle3ds) * mesh.triangleCount;
    mesh.unsorted = static_cast<__Triangle3ds*>(PageAllocate(bytes));
    if (mesh.unsorted)
        std::memcpy(mesh.unsorted, mesh.triangles, bytes);
    __Sort(mesh.triangleCount, mesh.triangles, mesh.points);
    for (int k = 0; k < mesh.triangleCount; ++k) {
        const __Triangle3ds& t = mesh.triangles[k];
        for (float d : {Distance(mesh.points[t.a], mesh.points[t.b]),
                        Distance(mesh.points[t.b], mesh.points[t.c]),
                        Distance(mesh.points[t.c], mesh.points[t.a])})
            mesh.longestEdge = d > mesh.longestEdge ? d : mesh.longestEdge;
    }
    return mesh;
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

// The default materials and the two default lights.
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
        lights[0].pos[0] = 1414.2135f;
        lights[0].pos[2] = 1414.2135f;
        lights[1].pos[0] = -1812.6155f;
        lights[1].pos[2] = -845.2365f;
    }
};

long long ShaderCalls;

float CountingShader(float a, float b, unsigned char* c, unsigned char* d, float e, float f,
                     float g, __Triangle3ds* h, material3ds* i, int j, float& k, float& l,
                     float& m, __Point* n, unsigned char o, float p, float q, __Texture* r, int s,
                     light3ds* t, __PrevInfo* u, GlassProp* v, float w, float x, float y, float z)
{
    ++ShaderCalls;
    return DefaultRenderOnePixel(a, b, c, d, e, f, g, h, i, j, k, l, m, n, o, p, q, r, s, t, u, v,
                                 w, x, y, z);
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
    const Mesh& mesh = DefaultTree();
    Scene scene;
    const size_t bytes = static_cast<size_t>(Width) * Height * 4;
    unsigned char* source = static_cast<unsigned char*>(PageAllocate(bytes));
    unsigned char* dest = static_cast<unsigned char*>(PageAllocate(bytes));
    if (!source || !dest || mesh.triangleCount == 0 || !mesh.unsorted) {
        state.SkipWithError("no memory or no mesh");
        PageRelease(source);
        PageRelease(dest);
        return;
    }
    for (size_t k = 0; k < bytes; k += 4) {
        source[k] = 90;
        source[k + 1] = 60;
        source[k + 2] = 40;
        source[k + 3] = 255;
    }
    __Triangle3ds* triangles = mode == DrawMode::Rough ? mesh.unsorted : mesh.triangles;
    auto render = [&] {
        __RasterScene(dest, source, Width, Height, Width * 4, mesh.pointCount, mesh.triangleCount,
                      triangles, mesh.points, Width / 2, Height / 2, 2, scene.materials,
                      scene.textures, 2, scene.lights, scene.glass);
    };

    ShaderCalls = 0;
    std::memcpy(dest, source, bytes);
    __SetNewRenderOnePixel(CountingShader);
    render();
    __SetDefRenderOnePixel();
    const long long callsPerFrame = ShaderCalls;

    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(dest, source, bytes);
        state.ResumeTiming();
        render();
        benchmark::DoNotOptimize(dest[0]);
    }
    state.counters["triangles"] = mesh.triangleCount;
    state.counters["shader_calls"] = static_cast<double>(callsPerFrame);
    state.counters["longest_edge"] = mesh.longestEdge;
    PageRelease(source);
    PageRelease(dest);
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

// What reflection maps and glass cost on top of plain Phong shading: the default 1920-wide tree
// on a full-HD frame, placed as the render driver places it, drawn in Phong with quality on and
// off, 8 and 16 bits, once plainly, once with a frame-sized reflection layer on both materials
// and once with both materials as glass (the effect's default refraction, optical coefficient
// and aberration), with and without multiple refraction and with the two-pass back-face render.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>

#include "engine/engine_exports.h"
#include "platform/pages.h"
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
    int pointCount = 0;
    int triangleCount = 0;
    ~Mesh()
    {
        PageRelease(points);
        PageRelease(triangles);
    }
};

// The default tree, stood upright (a half turn about z: x, y and the normals change sign) at the
// bottom centre of the frame, depth-sorted.
const Mesh& TreeMesh()
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
    for (int k = 0; k < mesh.pointCount; ++k) {
        __Point3ds& p = mesh.points[k];
        p.x = -p.x;
        p.y = -p.y + Height / 2.0f;
        p.nx = -p.nx;
        p.ny = -p.ny;
    }
    __Sort(mesh.triangleCount, mesh.triangles, mesh.points);
    return mesh;
}

material3ds Material(const char* name, const int diffuse[3], const int specular[3],
                     float shininess, float strength)
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
    for (map3ds* b : {&m.texture, &m.opacity, &m.bump, &m.reflect}) {
        b->uScale = 1.0f;
        b->vScale = 1.0f;
    }
    return m;
}

enum Case { Plain, Reflection, Glass, GlassSingle, GlassTwoPass };

struct Scene {
    material3ds materials[2];
    __Texture textures[8];
    light3ds lights[2];
    GlassProp glass[2];
    unsigned char* environment = nullptr;

    Scene(Case which, bool deep)
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

        if (which == Reflection) {
            // A frame-sized layer with a pattern, so neighbouring texels differ as in a photo.
            const size_t element = deep ? 2 : 1;
            const size_t bytes = static_cast<size_t>(Width) * Height * 4 * element;
            environment = static_cast<unsigned char*>(PageAllocate(bytes));
            if (environment) {
                for (int y = 0; y < Height; ++y)
                    for (int x = 0; x < Width; ++x)
                        for (int c = 0; c < 4; ++c) {
                            int v = c == 3 ? 255 : (x * (c + 1) + y * (3 - c)) & 255;
                            if (deep)
                                v = v * 32768 / 255;
                            const size_t at = (static_cast<size_t>(y) * Width + x) * 4 + c;
                            if (deep) {
                                uint16_t e = static_cast<uint16_t>(v);
                                std::memcpy(environment + 2 * at, &e, 2);
                            } else {
                                environment[at] = static_cast<unsigned char>(v);
                            }
                        }
                for (int m = 0; m < 2; ++m) {
                    __Texture& t = textures[4 * m + TextureSlotReflect];
                    t.present = 1;
                    t.width = Width;
                    t.height = Height;
                    t.pixels = environment;
                    t.deep = deep ? 1 : 0;
                    std::strcpy(materials[m].reflect.name, "Reflect");
                    materials[m].reflect.amount = 1.0f; // "Reflection percent" 100
                }
            }
        }
        if (which == Glass || which == GlassSingle || which == GlassTwoPass) {
            // The effect's defaults: refraction -50 and -50, optical 75 and 15 (tenths), 20 %.
            glass[0] = GlassProp{1, {0, 0, 0}, 7.5f, -5.0f, 20.0f};
            glass[1] = GlassProp{1, {0, 0, 0}, 1.5f, -5.0f, 20.0f};
        }
    }
    ~Scene() { PageRelease(environment); }
};

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
    const Mesh& mesh = TreeMesh();
    Scene scene(which, deep);

    const size_t bytes = static_cast<size_t>(Width) * Height * 4 * (deep ? 2 : 1);
    unsigned char* source = static_cast<unsigned char*>(PageAllocate(bytes));
    unsigned char* dest = static_cast<unsigned char*>(PageAllocate(bytes));
    if (!source || !dest || mesh.triangleCount == 0 ||
        (which == Reflection && !scene.environment)) {
        state.SkipWithError("no memory or no mesh");
        PageRelease(source);
        PageRelease(dest);
        return;
    }
    // A background with detail for the glass to bend.
    const size_t elements = bytes / (deep ? 2 : 1);
    for (size_t k = 0; k < elements; ++k) {
        const unsigned v = static_cast<unsigned>((k * 7) ^ (k >> 11)) & 255;
        if (deep) {
            uint16_t e = static_cast<uint16_t>(v * 128);
            std::memcpy(source + 2 * k, &e, 2);
        } else {
            source[k] = static_cast<unsigned char>(v);
        }
    }
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(dest, source, bytes);
        state.ResumeTiming();
        __RasterScene(dest, source, Width, Height, Width * 4, mesh.pointCount, mesh.triangleCount,
                      mesh.triangles, mesh.points, Width / 2, Height / 2, 2, scene.materials,
                      scene.textures, 2, scene.lights, scene.glass);
        benchmark::DoNotOptimize(dest[0]);
    }
    state.counters["triangles"] = mesh.triangleCount;
    __SetDrawBackFaces(0);
    PageRelease(source);
    PageRelease(dest);
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

// The default frame's scene for the engine benchmarks, built through the render's conversions.
#include "bench/default_scene.h"

#include <cstring>
#include <map>
#include <memory>
#include <utility>

#include "engine/engine_exports.h"
#include "platform/pages.h"
#include "shading/pixel_shader.h"

FrameParameters BenchParameters() { return DefaultFrameParameters(BenchWidth, BenchHeight); }

bool PlacedTreeMesh(const FrameParameters& p, int32_t levels, bool sort, GrownMesh& mesh)
{
    TreeInputs inputs = GeneratorInputs(p, BenchWidth, 0);
    if (levels > 0)
        inputs.levels = levels;
    const bool whole = GrowFrameMesh(inputs, mesh);
    PlaceTree(p, BenchWidth, BenchHeight, mesh.points, mesh.pointCount);
    if (sort)
        __Sort(mesh.triangleCount, mesh.triangles, mesh.points);
    return whole;
}

const GrownMesh& DefaultTreeMesh(int32_t levels, bool sort)
{
    static std::map<std::pair<int32_t, bool>, std::unique_ptr<GrownMesh>> kept;
    std::unique_ptr<GrownMesh>& slot = kept[{levels, sort}];
    if (!slot) {
        slot.reset(new GrownMesh);
        if (!PlacedTreeMesh(BenchParameters(), levels, sort, *slot))
            slot->Release();
    }
    return *slot;
}

EngineScene::EngineScene(const FrameParameters& p)
{
    FillMaterials(p, materials);
    lightCount = FillLights(p, lights);
    FillGlass(p, 1.0f, glass);
    std::memset(textures, 0, sizeof textures);
}

void EngineScene::Reflect(unsigned char* texture, bool deep)
{
    for (int m = 0; m < 2; ++m) {
        SetReflectMap(materials[m], 100.0f);
        __Texture& t = textures[m * TextureSlotCount + TextureSlotReflect];
        t.present = 1;
        t.width = BenchWidth;
        t.height = BenchHeight;
        t.pixels = texture;
        t.deep = deep ? 1 : 0;
    }
}

unsigned char* PatternImage(bool deep)
{
    const size_t elements = size_t(BenchWidth) * BenchHeight * 4;
    unsigned char* image = static_cast<unsigned char*>(PageAllocate(elements * (deep ? 2 : 1)));
    if (!image)
        return nullptr;
    for (int32_t y = 0; y < BenchHeight; ++y)
        for (int32_t x = 0; x < BenchWidth; ++x)
            for (int c = 0; c < 4; ++c) {
                const int v = c == 3 ? 255 : (x * (c + 1) + y * (3 - c)) & 255;
                const size_t at = (size_t(y) * BenchWidth + x) * 4 + c;
                if (deep) {
                    // Deep channels run to 32768.
                    const uint16_t e = uint16_t(v * 32768 / 255);
                    std::memcpy(image + 2 * at, &e, 2);
                } else {
                    image[at] = uint8_t(v);
                }
            }
    return image;
}

EngineFrame::EngineFrame(bool deep)
    : source(PatternImage(deep)),
      destination(static_cast<unsigned char*>(
          PageAllocate(size_t(BenchWidth) * BenchHeight * 4 * (deep ? 2 : 1)))),
      bytes(size_t(BenchWidth) * BenchHeight * 4 * (deep ? 2 : 1))
{
}

EngineFrame::~EngineFrame()
{
    PageRelease(source);
    PageRelease(destination);
}

void EngineFrame::Reset() { std::memcpy(destination, source, bytes); }

void EngineFrame::Draw(const GrownMesh& mesh, EngineScene& scene)
{
    __RasterScene(destination, source, BenchWidth, BenchHeight, BenchWidth * 4, mesh.pointCount,
                  mesh.triangleCount, mesh.triangles, mesh.points, BenchWidth / 2,
                  BenchHeight / 2, 2, scene.materials, scene.textures, scene.lightCount,
                  scene.lights, scene.glass);
}

void TimeFrames(benchmark::State& state, EngineFrame& frame, const GrownMesh& mesh,
                EngineScene& scene)
{
    if (!frame.Ready() || mesh.triangleCount == 0) {
        state.SkipWithError("no memory or no mesh");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        frame.Reset();
        state.ResumeTiming();
        frame.Draw(mesh, scene);
        benchmark::DoNotOptimize(frame.destination[0]);
    }
    state.counters["triangles"] = double(mesh.triangleCount);
}

namespace {

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

} // namespace

long long ShaderCallsOf(EngineFrame& frame, const GrownMesh& mesh, EngineScene& scene)
{
    if (!frame.Ready())
        return 0;
    ShaderCalls = 0;
    frame.Reset();
    __SetNewRenderOnePixel(CountingShader);
    frame.Draw(mesh, scene);
    __SetDefRenderOnePixel();
    return ShaderCalls;
}

// The scene the engine benchmarks draw: the effect's default frame at full HD, built by the
// render's own conversion of the parameter values (the grown tree placed and depth-sorted as the
// render places it, its materials, lights and glass), and the engine images it is drawn into.
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>

#include "effect/render_inputs.h"
#include "engine/scene_records.h"
#include "tree/frame_mesh.h"

constexpr int32_t BenchWidth = 1920;
constexpr int32_t BenchHeight = 1080;

// Every control at its default on a full-HD layer.
FrameParameters BenchParameters();

// The tree of `p` at frame 0 for a full-HD frame, with `levels` branch levels instead of p's own
// when above 0, placed as the render places it and, when `sort`, depth-sorted as the render does
// in every mode but Rough. False when the tree could not be grown whole.
bool PlacedTreeMesh(const FrameParameters& p, int32_t levels, bool sort, GrownMesh& mesh);

// PlacedTreeMesh of the default parameters, grown once per program and kept for its cases.
const GrownMesh& DefaultTreeMesh(int32_t levels, bool sort);

// What __RasterScene takes besides the mesh and the images: the render's materials, lights and
// glass of `p` (glass at the full resolution), every map absent.
struct EngineScene {
    material3ds materials[2];
    __Texture textures[2 * TextureSlotCount];
    light3ds lights[2];
    GlassProp glass[2];
    int32_t lightCount = 0;

    explicit EngineScene(const FrameParameters& p);
    // Both materials reflect `texture` (frame-sized, of the given depth) at 100 percent, as
    // "Reflection percent" 100 with a reflection layer does.
    void Reflect(unsigned char* texture, bool deep);
};

// A page-allocated frame-sized image of four elements per pixel (16-bit ones when `deep`) in a
// pattern where neighbouring pixels differ as in a photograph, so that glass and reflection
// read varied texels; null when memory ran out.
unsigned char* PatternImage(bool deep);

// The frame the engine draws into: the pattern as the source and a destination of its size.
struct EngineFrame {
    unsigned char* source = nullptr;
    unsigned char* destination = nullptr;
    size_t bytes = 0;

    explicit EngineFrame(bool deep);
    ~EngineFrame();
    EngineFrame(const EngineFrame&) = delete;
    EngineFrame& operator=(const EngineFrame&) = delete;
    bool Ready() const { return source && destination; }
    // The source copied into the destination, as the render copies the layer first.
    void Reset();
    void Draw(const GrownMesh& mesh, EngineScene& scene);
};

// Times one Draw a benchmark iteration, the copy of the source before it untimed; counts the
// triangles drawn. Skips with an error when the frame or the mesh is missing.
void TimeFrames(benchmark::State& state, EngineFrame& frame, const GrownMesh& mesh,
                EngineScene& scene);

// The shader calls of one untimed Draw, counted through a shader that passes each call on to the
// default one (restored afterwards).
long long ShaderCallsOf(EngineFrame& frame, const GrownMesh& mesh, EngineScene& scene);

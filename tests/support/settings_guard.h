// Saves every module-wide engine setting and per-call state at construction and puts it back at
// destruction, so a test can change settings (or leave a registration behind) without leaking
// into the next test. EngineTest is the fixture form, which also starts from the load values.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>

#include "engine/engine_exports.h"
#include "engine/engine_state.h"

// Every module-wide variable the engine declares, exported or not. The guard saves and restores
// each of them; a test holds the list to the engine's declarations, so that a variable added
// there and not here is caught.
#define ENGINE_MODULE_VARIABLES(X)                                                              \
    X(_DrawMode) X(_Quality) X(_Deep) X(_DrawBackFaces) X(_DrawBackFaces1) X(_DubleSide)        \
    X(_UseMultyRefract) X(_UsePhong2) X(_UseGlass) X(_UseCustomMats) X(_UsePersp)               \
    X(_UseReflection) X(_WireSize) X(_Persp_Val) X(_Persp_x) X(_Persp_y) X(_Persp_Far) X(ZBuff) \
    X(Zwidth) X(Zheight) X(DefaultLight) X(ownsDepthBuffer) X(ownsDefaultLight)                 \
    X(RasterSceneOutOfMemory) X(RenderOnePixel) X(ChannelMax) X(RowStride) X(destImage)         \
    X(ScratchImage) X(EdgeColorMemory) X(UnderEdgeMemory) X(BackLayer) X(BackLayerDepth)

// The guarded variables by name and place, in the list's order.
struct GuardedVariable {
    const char* name;
    void* address;
    size_t size;
};
#define ENGINE_GUARDED_VARIABLE(name) GuardedVariable{#name, &name, sizeof name},
inline const GuardedVariable GuardedEngineVariables[] = {ENGINE_MODULE_VARIABLES(ENGINE_GUARDED_VARIABLE)};
#undef ENGINE_GUARDED_VARIABLE

class EngineSettingsGuard {
public:
    EngineSettingsGuard() = default;
    ~EngineSettingsGuard();
    EngineSettingsGuard(const EngineSettingsGuard&) = delete;
    EngineSettingsGuard& operator=(const EngineSettingsGuard&) = delete;

    // The settings as the module has them when it loads, with no registrations.
    static void ResetToLoadValues();

private:
#define ENGINE_SAVED_VARIABLE(name) decltype(name) saved##name = name;
    ENGINE_MODULE_VARIABLES(ENGINE_SAVED_VARIABLE)
#undef ENGINE_SAVED_VARIABLE
};

// Sets _DrawMode, as a caller of the exports would, by the mode's name.
inline void UseDrawMode(DrawMode mode) { _DrawMode = static_cast<uint8_t>(mode); }

// The settings every drawing test picks: draw mode, quality and element width.
struct DrawSetting {
    DrawMode mode;
    uint8_t quality;
    bool deep;

    void Use() const
    {
        UseDrawMode(mode);
        _Quality = quality;
        _Deep = deep ? 1 : 0;
    }
};

class EngineTest : public ::testing::Test {
protected:
    EngineTest() { EngineSettingsGuard::ResetToLoadValues(); }
    EngineSettingsGuard guard;
};

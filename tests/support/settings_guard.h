// Saves every module-wide engine setting and per-call state at construction and puts it back at
// destruction, so a test can change settings (or leave a registration behind) without leaking
// into the next test. EngineTest is the fixture form, which also starts from the load values.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "engine/engine_exports.h"
#include "engine/engine_state.h"

class EngineSettingsGuard {
public:
    EngineSettingsGuard();
    ~EngineSettingsGuard();
    EngineSettingsGuard(const EngineSettingsGuard&) = delete;
    EngineSettingsGuard& operator=(const EngineSettingsGuard&) = delete;

    // The settings as the module has them when it loads, with no registrations.
    static void ResetToLoadValues();

private:
    uint8_t drawMode, quality, deep, drawBackFaces, drawBackFaces1, dubleSide, useMultyRefract,
        usePhong2, useGlass, useCustomMats, usePersp, useReflection;
    float wireSize, perspVal, perspX, perspY, perspFar;
    float* zBuff;
    int32_t zWidth, zHeight;
    light3ds* defaultLight;
    uint8_t ownsDepth, ownsLight;
    RenderOnePixelProc shader;
    int channelMax, rowStride;
    unsigned char *dest, *scratch, *edgeColor, *underEdge, *backLayer;
    float* backLayerDepth;
};

// Sets _DrawMode, as a caller of the exports would, by the mode's name.
inline void UseDrawMode(DrawMode mode) { _DrawMode = static_cast<uint8_t>(mode); }

class EngineTest : public ::testing::Test {
protected:
    EngineTest() { EngineSettingsGuard::ResetToLoadValues(); }
    EngineSettingsGuard guard;
};

// Module-wide engine state that is not exported: the registrations behind the exported settings
// and the per-call state of the scene functions. One render, and one engine call, at a time.
#pragma once

#include <cstdint>

#include "engine/scene_records.h"

// Registered by __SetLightDef, or created by __RasterScene for one call.
extern light3ds* DefaultLight;
// Set when the current __RasterScene call allocated the depth buffer or default light itself.
extern uint8_t ownsDepthBuffer;
extern uint8_t ownsDefaultLight;

// The shader every rasteriser calls for every shaded pixel.
extern RenderOnePixelProc RenderOnePixel;

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

// Set by __RasterScene when it could not have a buffer the scene needs and so drew nothing;
// cleared by every call. Other callers of the export see only the undrawn image, as they always
// have; the effect's render reads this to tell the host the frame failed.
extern uint8_t RasterSceneOutOfMemory;

// The shader every rasteriser calls for every shaded pixel.
extern RenderOnePixelProc RenderOnePixel;

// Per-call state of __RasterScene and __RasterSolid, set up at the start of each call and
// released before it returns (the pointers are null between calls).
// Channel full scale of the current call: 255, or 32768 when _Deep is set.
extern int ChannelMax;
// Row length of the current call's images in channel elements (not bytes).
extern int RowStride;
// The caller's destination image, kept for the shader and glass, which read what is drawn so far.
extern unsigned char* destImage;
// Quality mode draws each triangle here and composites its window into the destination.
extern unsigned char* ScratchImage;
// Colour and alpha with which the last edge pixel of a surface was composited, per pixel.
extern unsigned char* EdgeColorMemory;
// The destination colour that lay under that surface's edge pixel.
extern unsigned char* UnderEdgeMemory;
// What glass refracts: the source image, replaced by the back-face result in a two-pass render.
extern unsigned char* BackLayer;
// Depth that glass recorded for BackLayer, one float per pixel.
extern float* BackLayerDepth;

// __RasterScene keeps the blocks behind its per-call buffers (and its own depth buffer) from one
// call to the next while the image size and element width stay the same; this gives them back.
// The effect calls it at global set-down and when the module is unloaded.
void ReleaseSceneBuffers();

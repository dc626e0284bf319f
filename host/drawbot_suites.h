// The host's drawing side of the effect panel: the four drawing suites (draw, supplier, surface,
// path), "PF Effect Custom UI Suite" and "PF AE App Suite" over a canvas the size of the panel,
// and the registry of the objects they hand out. Images keep the pixels they were made from and
// are painted where the effect asks, paths are filled and stroked, repaint requests are
// recorded. Objects the effect makes and never releases are reported, like an unreleased suite.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "effect/host_api.h"
#include "host/drawbot_canvas.h"
#include "host/host_ops.h"

struct DrawbotObject;

// One panel: its canvas (starting in the colour of the host's Effect Controls window), the
// surface's state stack, the context the host sends its events with, and the suite tables.
// Lives where it was made (the tables and the context point at it).
struct DrawbotHost : DrawbotCanvas {
    DrawbotHost(int32_t width, int32_t height);
    ~DrawbotHost();
    DrawbotHost(const DrawbotHost&) = delete;
    DrawbotHost& operator=(const DrawbotHost&) = delete;

    // The surface's transform and clip, the states pushed, and its policies.
    CanvasState surfaceState;
    std::vector<CanvasState> savedSurfaceStates;
    DRAWBOT_InterpolationPolicy interpolation = 0;
    DRAWBOT_AntiAliasPolicy antiAlias = 0;

    PF_Context context;
    PF_Context* contextP;
    PF_ContextH ContextHandle() { return &contextP; }

    // Every PF_InvalidateRect call, in order.
    std::vector<PF_Rect> invalidated;
    // Images painted with DrawImage since the host was made.
    int32_t imagesDrawn = 0;
    // Misuse seen: unknown objects, bad sizes, releases of released objects.
    std::vector<std::string> problems;

    DRAWBOT_DrawbotSuite1 drawSuite;
    DRAWBOT_SupplierSuite1 supplierSuite;
    DRAWBOT_SurfaceSuite2 surfaceSuite;
    DRAWBOT_PathSuite1 pathSuite;
    PF_EffectCustomUISuite1 customUISuite;
    PFAppSuite4 appSuite;

    // The drawing reference the custom-UI suite hands out, with its supplier and surface.
    DrawbotObject* drawing;
    DrawbotObject* supplier;
    DrawbotObject* surface;
};

// The background the canvas starts with (the host's panel grey).
constexpr uint8_t PanelBackground[3] = {0x2B, 0x2B, 0x2B};

// Offers the panel's suites through the session's basic suite: the four drawing suites at
// version 1 (the surface suite also at 2), the custom-UI suite at 1 and the App suite at 6.
void RegisterDrawbotSuites(HostSession& session, DrawbotHost& host);

// An event for parameter 1's control area covering the whole canvas: the panel's context, window
// type effect, the control frame (and for a draw event the update rectangle) at (0, 0).
PF_EventExtra PanelEvent(DrawbotHost& host, PF_EventType type);

// Objects the effect made (images, paths, pens, brushes) and still holds, and every misuse.
std::vector<std::string> DrawbotProblems(const DrawbotHost& host);

// The canvas pixel at (x, y): red, green, blue, alpha.
const uint8_t* CanvasPixel(const DrawbotHost& host, int32_t x, int32_t y);

// The panel's canvas and the painting the drawing suites do on it: straight-alpha blending,
// polygons filled by the even-odd or the winding rule, strokes as quads around their segments,
// images placed at whole pixels, all within a clip rectangle and after the surface's transform.
#pragma once

#include <cstdint>
#include <vector>

#include "effect/host_api.h"

struct CanvasPoint {
    float x, y;
};
using CanvasPolygons = std::vector<std::vector<CanvasPoint>>;

// Straight RGBA, 8 bits per channel, top row first.
struct DrawbotCanvas {
    int32_t width;
    int32_t height;
    std::vector<uint8_t> rgba;
};

// What a surface's state stack holds: the transform (row vectors, [x y 1] * m, translation in
// the last row) and the clip rectangle, right and bottom exclusive.
struct CanvasState {
    float m[3][3];
    int32_t clipLeft, clipTop, clipRight, clipBottom;
};

// No transform, the clip the whole canvas.
CanvasState FreshCanvasState(const DrawbotCanvas& canvas);
CanvasPoint Apply(const CanvasState& state, CanvasPoint p);
CanvasPolygons Transformed(const CanvasState& state, const CanvasPolygons& polygons);
// `matrix` applies first, then the transform in force.
void ComposeTransform(CanvasState& state, const float matrix[3][3]);

// A 0..1 colour as bytes (rounded; out of range and NaN clamped).
void ColorBytes(const DRAWBOT_ColorRGBA& color, uint8_t out[4]);

// Straight-alpha "over" of `source` at `opacity` onto the pixel (x, y); nothing off the canvas.
void BlendOver(DrawbotCanvas& canvas, int32_t x, int32_t y, const uint8_t source[4], float opacity);

// Fills the closed polygons (already transformed) at pixel centres inside the state's clip.
void FillPolygons(DrawbotCanvas& canvas, const CanvasState& state, const CanvasPolygons& polygons,
                  bool evenOdd, const uint8_t color[4]);

// The outline of each polyline as quads `width` wide (1 at least) around its segments, a
// closed one's last segment included; filled together with the winding rule, their overlaps at
// the joints are painted once.
CanvasPolygons StrokeQuads(const CanvasPolygons& polylines, const std::vector<bool>& closed, float width);

// Paints a straight-RGBA image with its top left corner at `at` after the transform, rounded to
// the nearest whole pixel (images are placed, not resampled), within the clip. False, painting
// nothing, when the image lies wholly off the canvas.
bool PaintImage(DrawbotCanvas& canvas, const CanvasState& state, const uint8_t* rgba, int32_t width,
                int32_t height, CanvasPoint at, float opacity);

// The line primitives of the outline modes: the one-pixel inverting DDA of the Rough mode, and
// the pen line (integer Bresenham, with square caps and distance-weighted coverage in quality
// mode) that the Line and Wire modes colour with the shader and __DrawScenesLineColor with one
// colour. Coordinates are floats in image pixels (the scene origin already added).
#pragma once

#include "engine/scene.h"
#include "engine/scene_records.h"

// Writes the inverse of the source pixel (x, y), fully opaque, into the destination. Rows are
// taken as packed: the element index is (y * width + x) * 4. Pixels outside width x height are
// skipped; a missing source counts as black.
void InvertPixel(float x, float y, unsigned char* destImage, const unsigned char* sourceImage,
                 int width, int height);

// One-pixel DDA from (x0, y0) towards (x1, y1), stepping the axis with the longer travel (y on
// a tie); the end point with the larger coordinate on that axis is never plotted.
void InvertLine(float x0, float y0, float x1, float y1, unsigned char* destImage,
                const unsigned char* sourceImage, int width, int height);

// A pen line of half-width halfWidth into the scene's target, coloured per pixel by the scene's
// shader for the triangle, which sees the plane (nx, ny, nz, d) and the normal (-nx, -ny, -nz).
// Note the order x0, x1, y0, y1.
void ShadedLine(const Scene& scene, __Triangle3ds* triangle, float x0, float x1, float y0,
                float y1, float halfWidth, float nx, float ny, float nz, float d);

// A pen line in the colour (c1, c2, c3), given in channel units, fully opaque.
void ColorLine(int c1, int c2, int c3, float x0, float y0, float x1, float y1, float halfWidth,
               unsigned char* destImage, unsigned char* sourceImage);

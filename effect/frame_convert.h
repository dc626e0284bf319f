// Conversions between the host's worlds (A, R, G, B), the packed engine images (R, G, B, A) and
// texture images (B, G, R, A), and the transforms that place the tree's points in the frame.
// Row lengths are in elements: bytes for 8-bit worlds, 16-bit words for deep ones. The element
// width of the engine-side images follows the engine's deep setting, so set it first.
#pragma once

#include <cstddef>

#include "engine/scene_records.h"

// Bytes of a packed W x H image of four elements per pixel at the engine's current width, or 0
// when the sizes are unusable or too large to address.
size_t EngineImageBytes(int width, int height);

void CopyWorld(void* destination, const void* source, int width, int height, int destinationRow,
               int sourceRow, bool deep);

// Both return the image written, allocating it from the page allocator when `image` is null;
// null when that allocation fails (nothing is written then).
unsigned char* WorldToEngineImage(unsigned char* image, const void* world, int width, int height,
                                  int worldRow);
unsigned char* LayerToTexture(unsigned char* image, const void* layer, int width, int height,
                              int layerRow);

// Bytes beyond `width` pixels in a world row are left as they are.
void EngineImageToWorld(void* world, const unsigned char* image, int width, int height, int worldRow);

void RotatePointsX(__Point3ds* points, int count, float angle, float centre1 = 0, float centre2 = 0);
void RotatePointsY(__Point3ds* points, int count, float angle, float centre1 = 0, float centre2 = 0);
void RotatePointsZ(__Point3ds* points, int count, float angle, float centre1 = 0, float centre2 = 0);
void ScalePoints(__Point3ds* points, int count, float scale);
void TranslatePoints(__Point3ds* points, int count, float dx, float dy, float dz);

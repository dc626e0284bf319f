// The triangle fills: one scan converter, three variants. The Phong fill interpolates corner
// normals and texture coordinates and shades every pixel; the flat fill shades with the face's
// own normal; the solid fill paints one colour. With _Quality all three add soft edges.
#pragma once

#include "engine/scene.h"
#include "engine/scene_records.h"

// Set-up and fill of one scene triangle with the Phong fill (draw mode Phong, and the
// sub-triangles of Patches), drawn into the scene's target through the depth buffer; skipped
// when degenerate or wound the wrong way after the winding fix.
void PhongTriangle(const Scene& scene, __Triangle3ds* triangle);

// The same with one normal for the whole face (draw mode Flat).
void FlatTriangle(const Scene& scene, __Triangle3ds* triangle);

// One colour (red, green, blue in channel units) and opacity, no depth test and no shader, into
// `target`. Points are relative to the origin.
void SolidTriangle(unsigned char* target, __Triangle3ds* triangle, __Point3ds* points,
                   int originX, int originY, float red, float green, float blue, float opacity);

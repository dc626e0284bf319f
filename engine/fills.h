// The triangle fills: one scan converter, three variants. The Phong fill interpolates corner
// normals and texture coordinates and shades every pixel; the flat fill shades with the face's
// own normal; the solid fill paints one colour. With _Quality all three add soft edges.
#pragma once

#include "engine/scene_records.h"

// Set-up and fill of one scene triangle with the Phong fill (draw mode 6, and the sub-triangles
// of the patch mode). Points are relative to the scene origin; the triangle is drawn into
// `target` through the depth buffer, or skipped when degenerate or wound the wrong way after the
// winding fix.
void PhongTriangle(unsigned char* target, unsigned char* source, __Texture* textures,
                   material3ds* materials, int materialCount, __Triangle3ds* triangle,
                   __Point3ds* points, int originX, int originY, int lightCount, light3ds* lights,
                   GlassProp* glassProps);

// The same with one normal for the whole face (draw mode 3).
void FlatTriangle(unsigned char* target, unsigned char* source, __Texture* textures,
                  material3ds* materials, int materialCount, __Triangle3ds* triangle,
                  __Point3ds* points, int originX, int originY, int lightCount, light3ds* lights,
                  GlassProp* glassProps);

// One colour (red, green, blue in channel units) and opacity, no depth test and no shader.
void SolidTriangle(unsigned char* target, __Triangle3ds* triangle, __Point3ds* points,
                   int originX, int originY, float red, float green, float blue, float opacity);

// The per-triangle rasterisers of the outline modes (0 Rough, 1 Line, 2 Wire) and the
// curved-surface modes (8 Patches, 9 Bezier, 10 Bezier outline), as the scene driver calls them.
// Points are relative to the scene origin; every routine adds originX, originY itself. The Flat
// and Phong fills are in engine/fills.h.
#pragma once

#include "engine/scene_records.h"

// Mode 0: the three straight edges, one pixel wide, in the inverse of the source image. Called
// for front faces (all faces with _DubleSide); width and height bound the pixels.
void RoughTriangle(unsigned char* destImage, unsigned char* sourceImage, int width, int height,
                   __Triangle3ds* triangle, __Point3ds* points, int originX, int originY);

// Mode 1: the three straight edges as shaded pen lines. Called when the pass rule holds.
void LineTriangle(unsigned char* destImage, unsigned char* sourceImage, int width, int height,
                  __Texture* textures, material3ds* materials, int materialCount,
                  __Triangle3ds* triangle, __Point3ds* points, int originX, int originY,
                  int lightCount, light3ds* lights, GlassProp* glassProps);

// Mode 2: the three curved edges of the cubic patch as shaded pen lines. Called for every
// triangle; it decides visibility piece by piece.
void WireTriangle(unsigned char* destImage, unsigned char* sourceImage, int width, int height,
                  __Texture* textures, material3ds* materials, int materialCount,
                  __Triangle3ds* triangle, __Point3ds* points, int originX, int originY,
                  int lightCount, light3ds* lights, GlassProp* glassProps);

// Mode 8: one level of subdivision onto the curved surface, each sub-triangle culled and drawn
// with PhongTriangle. Called for every triangle, always with ScratchImage as the target.
void PatchTriangle(unsigned char* target, unsigned char* source, __Triangle3ds* triangle,
                   __Point3ds* points, int originX, int originY, int materialCount,
                   material3ds* materials, __Texture* textures, int lightCount, light3ds* lights,
                   GlassProp* glassProps);

// Mode 9: the cubic Bezier triangle sampled about twice per pixel and shaded per sample. Called
// for every triangle, always with ScratchImage as the target.
void BezierTriangle(unsigned char* target, unsigned char* source, __Triangle3ds* triangle,
                    __Point3ds* points, int originX, int originY, int materialCount,
                    material3ds* materials, __Texture* textures, int lightCount, light3ds* lights,
                    GlassProp* glassProps);

// Mode 10: the soft silhouette of the Bezier triangle over the source image, straight into the
// destination. Not called in the back-face pass.
void BezierOutlineTriangle(unsigned char* target, unsigned char* source, __Triangle3ds* triangle,
                           __Point3ds* points, int originX, int originY, int materialCount,
                           material3ds* materials);

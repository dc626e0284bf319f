// The per-triangle rasterisers of the outline modes (Rough, Line, Wire) and the curved-surface
// modes (Patches, Bezier, Bezier outline), as the scene driver calls them: the scene record and
// one triangle. Points are relative to the scene origin; every routine adds the origin itself.
// The Flat and Phong fills are in engine/fills.h.
#pragma once

#include "engine/scene.h"
#include "engine/scene_records.h"

// Rough: the three straight edges, one pixel wide, in the inverse of the source image. Called
// for front faces (all faces with _DubleSide); the scene's width and height bound the pixels.
void RoughTriangle(const Scene& scene, __Triangle3ds* triangle);

// Line: the three straight edges as shaded pen lines. Called when the pass rule holds.
void LineTriangle(const Scene& scene, __Triangle3ds* triangle);

// Wire: the three curved edges of the cubic patch as shaded pen lines. Called for every
// triangle; it decides visibility piece by piece.
void WireTriangle(const Scene& scene, __Triangle3ds* triangle);

// Patches: one level of subdivision onto the curved surface, each sub-triangle culled and drawn
// with PhongTriangle. Called for every triangle, always with ScratchImage as the target.
void PatchTriangle(const Scene& scene, __Triangle3ds* triangle);

// Bezier: the cubic Bezier triangle sampled about twice per pixel and shaded per sample. Called
// for every triangle, always with ScratchImage as the target.
void BezierTriangle(const Scene& scene, __Triangle3ds* triangle);

// Bezier outline: the soft silhouette of the Bezier triangle over the source image, straight
// into the destination. Not called in the back-face pass.
void BezierOutlineTriangle(const Scene& scene, __Triangle3ds* triangle);

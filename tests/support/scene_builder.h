// Builds small scenes for the engine's scene calls: triangles given by their corners in image
// pixels (the builder subtracts the scene origin), materials that shade to a known colour, and
// lights. Each triangle gets three fresh points, as the tree's mesh builder makes them.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/scene_records.h"
#include "tests/support/scene_arrays.h"
#include "tests/support/test_image.h"

struct Corner {
    float x, y, z;
};

class SceneBuilder : public SceneArrays {
public:
    // Scene origin in image pixels; corners are given in image pixels regardless.
    explicit SceneBuilder(int originX = 0, int originY = 0) : originX(originX), originY(originY) {}

    // Adds a triangle with corners a, b, c (slot order) and vertex normals (0, 0, 1). Returns its
    // index.
    int AddTriangle(Corner a, Corner b, Corner c, uint16_t material = 0);
    // The same, with the corners reordered if needed so that the face points at the viewer
    // (face-normal z >= 0), or away from it when `front` is false.
    int AddFacing(Corner a, Corner b, Corner c, bool front, uint16_t material = 0);
    // An axis-aligned rectangle as two triangles that share the diagonal, both facing the viewer.
    void AddRectangle(float x0, float y0, float x1, float y1, float z, uint16_t material = 0);

    // A material that shades to colour (r, g, b) x ChannelMax under any white light of
    // multiplier 1: self illumination 1, no highlight. Returns its index.
    int AddFlatMaterial(float r, float g, float b, float opacity = 1.0f);
    // A plain lit material: diffuse (r, g, b), no highlight, no self illumination.
    int AddLitMaterial(float r, float g, float b);
    void AddLight(float x, float y, float z, float multiplier = 1.0f);
    // A size x size map in texture slot `slot` of material `material`, at `amount`, whose byte e
    // is (e * step + offset) mod 256: a pattern with detail at every texel. The builder keeps
    // the pixels.
    void AddPatternMap(int material, int slot, int size, bool deep, float amount, int step,
                       int offset);

    // __RasterScene into `dest`; `source` is the background (null: none).
    void Render(TestImage& dest, TestImage* source = nullptr);
    // __RasterSolid into `dest`.
    void RenderSolid(TestImage& dest, float red, float green, float blue, float opacity);

    // The pixels of the maps AddPatternMap made.
    std::vector<std::vector<unsigned char>> mapPixels;
    int originX, originY;
    // Passed as the material count when set; otherwise materials.size().
    int materialCountOverride = -1;

    // Scenes no caller should pass, for a 40 x 30 frame centred on the origin. Facing triangles
    // with corners at 1e30 or a billion pixels out, across or beside the frame:
    void AddHugeCornerTriangles();
    // and triangles with a NaN or infinite x or y corner, which must draw nothing.
    void AddNonFiniteCornerTriangles();
};

// Face-normal z of a triangle as the scene driver tests facing: (C - B) x (A - B).
float FacingZ(Corner a, Corner b, Corner c);

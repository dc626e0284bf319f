// The parameter values of one frame converted into engine and generator units: what the render
// and the host's tree inspection both build from, so the conversion exists once.
#pragma once

#include <cstdint>

#include "effect/host_api.h"
#include "engine/engine_exports.h"
#include "engine/scene_records.h"
#include "tree/tree_model.h"

// One material's controls, converted.
struct MaterialParameters {
    float diffuse[3];          // 0..1
    float specular[3];
    float shininess;           // P / 10
    float shinStrength;        // P / 10
    float selfIllumination;    // percent
    float transparency;        // percent
    bool glass;
    float refraction;          // P / 10, before the resolution ratio
    float optical;             // P / 10
    float aberration;          // percent
    float reflectionPercent;
};

struct FrameParameters {
    int32_t renderingMode;     // popup value, 1-based
    float growUp;              // 0..100
    int32_t levels;
    float length;
    float width;               // P / 2.5
    float dispersion;          // fractions from here on, unless noted
    float branchiness;
    float proportions;
    float windAmpX;            // P / 500
    float windAmpZ;
    float windFrequency;
    int32_t needleShape;       // popup value less one
    float needleDensity;
    float needleLength;
    float needleWidth;
    float needleDispersion;
    float needleLift;          // P / 500
    float needleSpeed;
    float positionX;           // pixels
    float positionY;
    float scale;
    float rotationX;           // radians
    float rotationY;
    float rotationZ;
    MaterialParameters needles;
    MaterialParameters tree;
    float lightMultiply;       // percent
    float lightColor[3];
    float rotateUV;            // radians
    float rotateWV;
    bool oppositeLight;
    bool cutAlpha;
};

// Reads every value parameter from the array the host passes with the command.
FrameParameters ReadFrameParameters(PF_ParamDef* const params[]);

// The values of a fresh instance, every control at its default, on a layer of the given size (a
// point's default is relative to the layer): the frame every benchmark and default preset shows.
FrameParameters DefaultFrameParameters(int32_t layerWidth, int32_t layerHeight);

// Frame number of the command's time: truncating division, 0 for a zero time step.
int32_t FrameNumber(A_long currentTime, A_long localTimeStep);

// Engine draw mode of a "Rendering mode" value; anything off the menu is Phong.
DrawMode EngineDrawMode(int32_t renderingMode);

// The generator's inputs for an output `width` pixels wide at `frame`.
TreeInputs GeneratorInputs(const FrameParameters& p, int32_t width, int32_t frame);

// Fills lights[0] and, with "Opposite light", lights[1]; returns the light count.
int32_t FillLights(const FrameParameters& p, light3ds lights[2]);

// Fills both materials (0 the tree, 1 the needles) with every map absent, and both glass
// records; the tree's refraction is scaled by `resolutionRatio`.
void FillMaterials(const FrameParameters& p, material3ds materials[2]);
void FillGlass(const FrameParameters& p, float resolutionRatio, GlassProp glass[2]);

// Makes a material's reflect block apply a map at `percent`.
void SetReflectMap(material3ds& material, float percent);

// Rotates, scales and moves the generated points into the frame; each step only when its value
// differs from the neutral one, so a neutral placement leaves the generator's coordinates as
// they are.
void PlaceTree(const FrameParameters& p, int32_t width, int32_t height, __Point3ds* points, int32_t count);

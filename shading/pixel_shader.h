// The engine's own per-pixel shader, the initial content of the shader slot, in two halves: what
// is fixed while one triangle is shaded (its material, maps, glass record and lights), worked out
// once, and the pixel. DefaultRenderOnePixel runs both for every call through the slot; the
// rasterisers, when the slot holds the engine's own shader, prepare once per triangle and shade
// each pixel directly. Both give the same bits: the pixel half is the one computation.
#pragma once

#include <cmath>

#include "engine/engine_exports.h"
#include "engine/engine_state.h"
#include "engine/scene_records.h"
#include "shading/elementary.h"
#include "shading/glass.h"
#include "shading/map_samplers.h"

float DefaultRenderOnePixel(float originX, float originY, unsigned char* destImage,
                            unsigned char* sourceImage, float pointX, float pointY, float pointZ,
                            __Triangle3ds* triangle, material3ds* materials, int materialCount,
                            float& outC1, float& outC2, float& outC3, __Point* normal,
                            unsigned char mapsOn, float texU, float texV, __Texture* textures,
                            int lightCount, light3ds* lights, __PrevInfo* prevInfo,
                            GlassProp* glassProps, float planeA, float planeB, float planeC,
                            float planeD);

// What the shader takes from a triangle's material (or the values it uses when the triangle has
// none), its maps, its glass record and the light list, and the settings of the pass.
struct TriangleShading {
    bool turnNormal;          // _DrawBackFaces1: the back-face pass lights the inside
    bool turnNormalZ;         // _DubleSide: negative z of a normal is turned towards the viewer
    const material3ds* material; // null: no valid material, so defaults and no maps
    float opacity;
    float diffuse[3];
    float specular[3];
    float exponent;
    float strength;
    float selfIllum;
    // The maps whose textures the samplers can read; null for the others, which are skipped
    // as the samplers would skip them.
    const __Texture* colourMap;
    const __Texture* opacityMap;
    const __Texture* bumpMap;
    const __Texture* reflectMap;
    const light3ds* lights;   // null: no lights at all, so black
    int lightCount;
    const GlassProp* glass;   // null unless the material's glass record is on
    // When the highlight pow(d, exponent) x strength is provably a zero (of either sign) that
    // cannot change the sum it is added to, it is not computed: with strength 0 for every d in
    // 0..1 (pow gives 0..1 there), and for d = 0 with a positive exponent and a finite strength
    // (pow(0, e) = 0). A zero highlight adds a signed zero to the colour, which leaves a colour
    // sum that starts at +0 exactly as it was; maths::Pow, like any correct pow, keeps both
    // conditions true.
    bool noHighlight;
    bool noHighlightInTheDark;
};

// Works the triangle's shading out, from the same arguments as the shader's and the settings of
// the pass.
void PrepareTriangleShading(TriangleShading& s, const __Triangle3ds* triangle,
                            material3ds* materials, int materialCount, __Texture* textures,
                            int lightCount, light3ds* lights, GlassProp* glassProps);

// True when shading a pixel of the triangle does nothing but give its colour: no glass (which
// reads and, with multiple refraction, moves the back layer, and reads the previous pixel) and
// no colour, opacity or bump map (which filter with the previous pixel). A rasteriser may then
// leave out pixels it would draw with no coverage, and the previous-pixel record.
inline bool ShadingOnlyColours(const TriangleShading& s, unsigned char mapsOn)
{
    return !s.glass && !(mapsOn && (s.colourMap || s.opacityMap || s.bumpMap));
}

namespace shading_detail {

inline float Clamp01(float value)
{
    return value > 1.0f ? 1.0f : (value > 0.0f ? value : 0.0f);
}

inline void Normalise(float v[3])
{
    float len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (len != 0.0f) {
        v[0] /= len;
        v[1] /= len;
        v[2] /= len;
    }
}

// Colour, opacity and bump maps, then the reflection blend; only for a valid material.
void ApplyMaps(const TriangleShading& s, float diffuse[3], float& opacity, float normal[3],
               unsigned char mapsOn, float texU, float texV, const __PrevInfo* prevInfo,
               float pointX, float pointY, float pointZ);

} // namespace shading_detail

// One pixel of a prepared triangle; the arguments are the shader's, in its order.
inline float ShadeTrianglePixel(const TriangleShading& s, float originX, float originY,
                                unsigned char* destImage, unsigned char* sourceImage,
                                float pointX, float pointY, float pointZ, float& outC1,
                                float& outC2, float& outC3, const __Point* normal,
                                unsigned char mapsOn, float texU, float texV,
                                const __PrevInfo* prevInfo, float planeA, float planeB,
                                float planeC, float planeD)
{
    using namespace shading_detail;

    // In the back-face pass the interpolated normals point away from the viewer; turning them
    // round lights the inside of the surface. Two-sided faces turn only z, so that their x and y
    // keep lighting them from the same side as the front.
    float n[3] = {0.0f, 0.0f, 1.0f};
    if (normal) {
        n[0] = normal->x;
        n[1] = normal->y;
        n[2] = normal->z;
    }
    if (s.turnNormal) {
        n[0] = -n[0];
        n[1] = -n[1];
        n[2] = -n[2];
    }
    if (s.turnNormalZ && n[2] < 0.0f)
        n[2] = -n[2];
    Normalise(n);

    float opacity = s.opacity;
    float diffuse[3] = {s.diffuse[0], s.diffuse[1], s.diffuse[2]};
    if (s.material && (s.reflectMap || (mapsOn && (s.colourMap || s.opacityMap || s.bumpMap))))
        ApplyMaps(s, diffuse, opacity, n, mapsOn, texU, texV, prevInfo, pointX, pointY, pointZ);

    if (!s.lights) {
        outC1 = outC2 = outC3 = 0.0f;
        return opacity;
    }

    if (s.glass) {
        const float plane[4] = {planeA, planeB, planeC, planeD};
        ApplyGlass(diffuse, opacity, *s.glass, n[0], n[1], n[2], pointX, pointY, pointZ, originX,
                   originY, plane, prevInfo, destImage, sourceImage);
    }

    // The view direction does not enter: the highlight sits where the normal points at the light.
    float out[3] = {0.0f, 0.0f, 0.0f};
    for (int k = 0; k < s.lightCount; ++k) {
        const light3ds& light = s.lights[k];
        float l[3] = {light.pos[0] - pointX, light.pos[1] - pointY, light.pos[2] - pointZ};
        Normalise(l);
        float d = (n[0] * l[0] + n[1] * l[1] + n[2] * l[2]) * light.multiplier;
        if (!(d > 0.0f))
            d = 0.0f;
        float highlight = 0.0f;
        if (!((s.noHighlight && d <= 1.0f) || (s.noHighlightInTheDark && d == 0.0f)))
            highlight = maths::Pow(d, s.exponent) * s.strength;
        float diffuseFactor = d * (1.0f - s.selfIllum) + s.selfIllum;
        for (int c = 0; c < 3; ++c)
            out[c] += (diffuseFactor * diffuse[c] + highlight * s.specular[c]) * light.color[c];
    }

    const float top = static_cast<float>(ChannelMax);
    float* outputs[3] = {&outC1, &outC2, &outC3};
    for (int c = 0; c < 3; ++c) {
        float value = out[c] * top;
        *outputs[c] = value > top ? top : (value > 0.0f ? value : 0.0f);
    }
    return opacity;
}

// The engine's own per-pixel shader, the initial content of the shader slot, in two halves: what
// is fixed while one triangle is shaded (its material, maps, glass record and lights), worked out
// once, and the pixel. DefaultRenderOnePixel runs both for every call through the slot; the
// rasterisers, when the slot holds the engine's own shader, prepare once per triangle and shade
// each pixel directly. Both give the same bits: the pixel half is the one computation.
#pragma once

#include <cmath>
#include <type_traits>

#include "engine/engine_exports.h"
#include "engine/engine_state.h"
#include "engine/scene_records.h"
#include "shading/elementary.h"
#include "shading/glass.h"
#include "shading/lanes.h"
#include "shading/map_samplers.h"

// Declared by the slot's own function type, so that its signature is the slot's by construction.
using RenderOnePixelFunction = std::remove_pointer_t<RenderOnePixelProc>;
RenderOnePixelFunction DefaultRenderOnePixel;

// A light's position and colour in lanes, and its multiplier.
struct ShadingLight {
    Lanes position;
    Lanes colour;
    float multiplier;
};

inline ShadingLight ShadingLightOf(const light3ds& light)
{
    return ShadingLight{LanesOf(light.pos), LanesOf(light.color), light.multiplier};
}

// What the shader takes from a triangle's material (or the values it uses when the triangle has
// none), its maps, its glass record and the light list, and the settings of the pass.
struct TriangleShading {
    bool turnNormal;          // _DrawBackFaces1: the back-face pass lights the inside
    bool turnNormalZ;         // _DubleSide: negative z of a normal is turned towards the viewer
    const material3ds* material; // null: no valid material, so defaults and no maps
    float opacity;
    float diffuse[3];
    Lanes diffuseLanes;
    Lanes specularLanes;
    float exponent;
    float strength;
    float selfIllum;
    // The maps whose textures the samplers can read; null for the others, which are skipped
    // as the samplers would skip them.
    const __Texture* colourMap;
    const __Texture* opacityMap;
    const __Texture* bumpMap;
    const __Texture* reflectMap;
    float reflectAmount;      // the reflection map's amount clamped to 0..1, and 1 - that amount
    float reflectRest;
    const light3ds* lights;   // null: no lights at all, so black
    int lightCount;
    // The first lights as lanes; any further ones are read from the list per pixel.
    static constexpr int PreparedLights = 4;
    ShadingLight prepared[PreparedLights];
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

// True when shading a pixel of the triangle changes nothing but its own colour outputs: glass with
// multiple refraction moves the back layer on as it samples it (but not in the front pass of a
// two-pass render, which only reads it). A rasteriser may then leave out the shading of a pixel
// it would draw with no coverage.
inline bool ShadingIsQuiet(const TriangleShading& s)
{
    return !(s.glass && _UseMultyRefract && !(_DrawBackFaces && !_DrawBackFaces1));
}

// True when, besides, the shading reads nothing of the previous pixel: no glass (whose area
// sampling starts from it) and no colour, opacity or bump map (which filter with it). A
// rasteriser may then also leave out the previous-pixel record.
inline bool ShadingOnlyColours(const TriangleShading& s, unsigned char mapsOn)
{
    return !s.glass && !(mapsOn && (s.colourMap || s.opacityMap || s.bumpMap));
}

namespace shading_detail {

inline float Clamp01(float value)
{
    return value > 1.0f ? 1.0f : (value > 0.0f ? value : 0.0f);
}

// v divided by its length, unless the length is exactly 0 (a zero vector stays as it is).
inline Lanes Normalised(Lanes v)
{
    const Lanes squares = Mul(v, v);
    const float len = std::sqrt(Lane0(squares) + Lane1(squares) + Lane2(squares));
    return len != 0.0f ? Div(v, Splat(len)) : v;
}

// Colour, opacity and bump maps, then the reflection blend; only for a valid material.
void ApplyMaps(const TriangleShading& s, float diffuse[3], float& opacity, float normal[3],
               unsigned char mapsOn, float texU, float texV, const __PrevInfo* prevInfo,
               float pointX, float pointY, float pointZ);

} // namespace shading_detail

namespace shading_detail {

// The lights' sum for a unit normal and a diffuse colour, clamped into the three outputs. Per
// light, each colour component i gains (k diffuse_i + highlight specular_i) color_i, one lane per
// component. The view direction does not enter: the highlight sits where the normal points at
// the light.
inline void LightPixel(const TriangleShading& s, Lanes normal, Lanes diffuse, float pointX,
                       float pointY, float pointZ, float& outC1, float& outC2, float& outC3)
{
    const Lanes point = LanesOf(pointX, pointY, pointZ);
    Lanes out = Splat(0.0f);
    for (int k = 0; k < s.lightCount; ++k) {
        const ShadingLight light =
            k < TriangleShading::PreparedLights ? s.prepared[k] : ShadingLightOf(s.lights[k]);
        const Lanes products = Mul(normal, Normalised(Sub(light.position, point)));
        float d = (Lane0(products) + Lane1(products) + Lane2(products)) * light.multiplier;
        if (!(d > 0.0f))
            d = 0.0f;
        float highlight = 0.0f;
        if (!((s.noHighlight && d <= 1.0f) || (s.noHighlightInTheDark && d == 0.0f)))
            highlight = maths::Pow(d, s.exponent) * s.strength;
        const float diffuseFactor = d * (1.0f - s.selfIllum) + s.selfIllum;
        out = Add(out, Mul(Add(Mul(Splat(diffuseFactor), diffuse),
                               Mul(Splat(highlight), s.specularLanes)),
                           light.colour));
    }
    const Lanes top = Splat(static_cast<float>(ChannelMax));
    float clamped[3];
    Store3(ClampLanes(Mul(out, top), top), clamped);
    outC1 = clamped[0];
    outC2 = clamped[1];
    outC3 = clamped[2];
}

// A pixel whose material has maps the samplers can read, or glass: they work on the three floats
// of the unit normal (the bump map tilts it) and the diffuse colour before the lights.
float ShadeWithMapsOrGlass(const TriangleShading& s, float originX, float originY,
                           unsigned char* destImage, unsigned char* sourceImage, float pointX,
                           float pointY, float pointZ, float& outC1, float& outC2, float& outC3,
                           Lanes normal, unsigned char mapsOn, float texU, float texV,
                           const __PrevInfo* prevInfo, float planeA, float planeB, float planeC,
                           float planeD);

} // namespace shading_detail

// One pixel of a prepared triangle; the arguments are the shader's, in its order, with the
// normal in lanes.
inline float ShadeTrianglePixel(const TriangleShading& s, float originX, float originY,
                                unsigned char* destImage, unsigned char* sourceImage,
                                float pointX, float pointY, float pointZ, float& outC1,
                                float& outC2, float& outC3, Lanes normal, unsigned char mapsOn,
                                float texU, float texV, const __PrevInfo* prevInfo, float planeA,
                                float planeB, float planeC, float planeD)
{
    using namespace shading_detail;

    // In the back-face pass the interpolated normals point away from the viewer; turning them
    // round lights the inside of the surface. Two-sided faces turn only z, so that their x and y
    // keep lighting them from the same side as the front. Turning flips the sign bit.
    if (s.turnNormal)
        normal = Negated(normal);
    if (s.turnNormalZ && Lane2(normal) < 0.0f)
        normal = NegatedLane2(normal);
    normal = Normalised(normal);

    if (s.glass || (s.material && mapsOn && (s.colourMap || s.opacityMap || s.bumpMap)))
        return ShadeWithMapsOrGlass(s, originX, originY, destImage, sourceImage, pointX, pointY,
                                    pointZ, outC1, outC2, outC3, normal, mapsOn, texU, texV,
                                    prevInfo, planeA, planeB, planeC, planeD);
    Lanes diffuse = s.diffuseLanes;
    if (s.reflectMap) {
        // The reflection blend of the maps, with the reflection map alone.
        const Lanes reflection =
            ReflectionColour(s.material->reflect, *s.reflectMap, pointX, pointY, pointZ,
                             Lane0(normal), Lane1(normal), Lane2(normal));
        diffuse = Add(Mul(Splat(s.reflectAmount), reflection), Mul(Splat(s.reflectRest), diffuse));
    }
    if (!s.lights) {
        outC1 = outC2 = outC3 = 0.0f;
        return s.opacity;
    }
    LightPixel(s, normal, diffuse, pointX, pointY, pointZ, outC1, outC2, outC3);
    return s.opacity;
}

// The same with the normal as the shader receives it: a null normal stands for (0, 0, 1).
inline float ShadeTrianglePixel(const TriangleShading& s, float originX, float originY,
                                unsigned char* destImage, unsigned char* sourceImage,
                                float pointX, float pointY, float pointZ, float& outC1,
                                float& outC2, float& outC3, const __Point* normal,
                                unsigned char mapsOn, float texU, float texV,
                                const __PrevInfo* prevInfo, float planeA, float planeB,
                                float planeC, float planeD)
{
    const Lanes n = normal ? LanesOf(normal->x, normal->y, normal->z) : LanesOf(0.0f, 0.0f, 1.0f);
    return ShadeTrianglePixel(s, originX, originY, destImage, sourceImage, pointX, pointY, pointZ,
                              outC1, outC2, outC3, n, mapsOn, texU, texV, prevInfo, planeA, planeB,
                              planeC, planeD);
}

// True when four pixels of the triangle may be shaded at once with ShadeTrianglePixels4: its
// shading only gives colours and uses no map at all, and there are lights.
inline bool ShadingByFours(const TriangleShading& s, unsigned char mapsOn)
{
    return ShadingIsQuiet(s) && ShadingOnlyColours(s, mapsOn) && !s.reflectMap && s.lights;
}

// A triangle's shading with each number in every lane, for ShadeTrianglePixels4: worked out once
// per triangle that goes by fours.
struct ShadingByFoursLanes {
    Lanes diffuse[3];
    Lanes specular[3];
    Lanes keep;      // 1 - self-illumination
    Lanes selfIllum;
    struct Light {
        Lanes position[3];
        Lanes colour[3];
        Lanes multiplier;
    };
    // The first lights; any further ones are spread per call.
    Light prepared[TriangleShading::PreparedLights];
};

inline ShadingByFoursLanes::Light LightByFours(const light3ds& light)
{
    ShadingByFoursLanes::Light l;
    for (int c = 0; c < 3; ++c) {
        l.position[c] = Splat(light.pos[c]);
        l.colour[c] = Splat(light.color[c]);
    }
    l.multiplier = Splat(light.multiplier);
    return l;
}

inline void PrepareShadingByFours(ShadingByFoursLanes& f, const TriangleShading& s)
{
    float specular[3];
    Store3(s.specularLanes, specular);
    for (int c = 0; c < 3; ++c) {
        f.diffuse[c] = Splat(s.diffuse[c]);
        f.specular[c] = Splat(specular[c]);
    }
    f.keep = Splat(1.0f - s.selfIllum);
    f.selfIllum = Splat(s.selfIllum);
    for (int k = 0; k < s.lightCount && k < TriangleShading::PreparedLights; ++k)
        f.prepared[k] = LightByFours(s.lights[k]);
}

// ShadeTrianglePixel for four pixels of a triangle that ShadingByFours allows, one pixel per
// lane: points (pointX, pointY, pointZ) and normals (normal[0..2]) per lane, the colour outputs
// per lane into colour[0..2]; the opacity is the triangle's. Each lane goes through the same
// operations as ShadeTrianglePixel and LightPixel do for one pixel, in the same order.
inline void ShadeTrianglePixels4(const TriangleShading& s, const ShadingByFoursLanes& f,
                                 Lanes pointX, Lanes pointY, Lanes pointZ, const Lanes normal[3],
                                 Lanes colour[3])
{
    Lanes nx = normal[0], ny = normal[1], nz = normal[2];
    if (s.turnNormal) {
        nx = Negated(nx);
        ny = Negated(ny);
        nz = Negated(nz);
    }
    if (s.turnNormalZ)
        nz = Select(_mm_cmplt_ps(nz, _mm_setzero_ps()), Negated(nz), nz);
    {
        const Lanes len = _mm_sqrt_ps(Add(Add(Mul(nx, nx), Mul(ny, ny)), Mul(nz, nz)));
        const Lanes nonZero = _mm_cmpneq_ps(len, _mm_setzero_ps());
        nx = Select(nonZero, Div(nx, len), nx);
        ny = Select(nonZero, Div(ny, len), ny);
        nz = Select(nonZero, Div(nz, len), nz);
    }
    const Lanes one = Splat(1.0f), zero = _mm_setzero_ps();
    Lanes out[3] = {zero, zero, zero};
    for (int k = 0; k < s.lightCount; ++k) {
        ShadingByFoursLanes::Light spread;
        const ShadingByFoursLanes::Light* prepared = &f.prepared[0] + k;
        if (k >= TriangleShading::PreparedLights) {
            spread = LightByFours(s.lights[k]);
            prepared = &spread;
        }
        const ShadingByFoursLanes::Light& light = *prepared;
        Lanes lx = Sub(light.position[0], pointX);
        Lanes ly = Sub(light.position[1], pointY);
        Lanes lz = Sub(light.position[2], pointZ);
        const Lanes len = _mm_sqrt_ps(Add(Add(Mul(lx, lx), Mul(ly, ly)), Mul(lz, lz)));
        const Lanes nonZero = _mm_cmpneq_ps(len, zero);
        lx = Select(nonZero, Div(lx, len), lx);
        ly = Select(nonZero, Div(ly, len), ly);
        lz = Select(nonZero, Div(lz, len), lz);
        const Lanes d =
            PositiveOrZero(Mul(Add(Add(Mul(nx, lx), Mul(ny, ly)), Mul(nz, lz)), light.multiplier));
        // The highlight is skipped lane by lane on the scalar shader's conditions; when they hold
        // in every lane it is a zero throughout.
        Lanes h = zero;
        const bool allSkipped =
            (s.noHighlight && _mm_movemask_ps(_mm_cmple_ps(d, one)) == 0xF) ||
            (s.noHighlightInTheDark && _mm_movemask_ps(_mm_cmpeq_ps(d, zero)) == 0xF);
        if (!allSkipped) {
            alignas(16) float dd[4], highlight[4];
            _mm_store_ps(dd, d);
            for (int j = 0; j < 4; ++j) {
                highlight[j] = 0.0f;
                if (!((s.noHighlight && dd[j] <= 1.0f) ||
                      (s.noHighlightInTheDark && dd[j] == 0.0f)))
                    highlight[j] = maths::Pow(dd[j], s.exponent) * s.strength;
            }
            h = _mm_load_ps(highlight);
        }
        const Lanes factor = Add(Mul(d, f.keep), f.selfIllum);
        for (int c = 0; c < 3; ++c)
            out[c] = Add(out[c], Mul(Add(Mul(factor, f.diffuse[c]), Mul(h, f.specular[c])),
                                     light.colour[c]));
    }
    const Lanes top = Splat(static_cast<float>(ChannelMax));
    for (int c = 0; c < 3; ++c)
        colour[c] = ClampLanes(Mul(out[c], top), top);
}

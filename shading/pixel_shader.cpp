// The engine's default per-pixel shader: material colours, maps, glass and any number of point
// lights with a signed multiplier. It keeps no state between calls.
#include "shading/pixel_shader.h"

#include <cmath>

#include "engine/engine_exports.h"
#include "engine/engine_state.h"
#include "shading/elementary.h"
#include "shading/glass.h"
#include "shading/map_samplers.h"

namespace {

inline const __Texture* ReadableMap(__Texture* textures, int material, int slot)
{
    const __Texture* texture = textures ? &textures[material * TextureSlotCount + slot] : nullptr;
    return MapReadable(texture) ? texture : nullptr;
}

// What a layer blended in by `amount` leaves of what lies under it: 1 - amount, never below 0.
inline float RestOf(float amount) { return 1.0f - amount > 0.0f ? 1.0f - amount : 0.0f; }

// Samples a texture or opacity map at (texU, texV): true, with the texel and the amount the
// sampler makes of the map's own, when the map gives this pixel a texel.
inline bool SampleLayer(const map3ds& block, const __Texture* texture, float texU, float texV,
                        const __PrevInfo* prevInfo, float texel[3], float& amount)
{
    amount = block.amount;
    bool present = true;
    SampleMap(texel[0], texel[1], texel[2], block, texture, amount, present, texU, texV,
              prevInfo);
    return present;
}

} // namespace

void PrepareTriangleShading(TriangleShading& s, const __Triangle3ds* triangle,
                            material3ds* materials, int materialCount, __Texture* textures,
                            int lightCount, light3ds* lights, GlassProp* glassProps)
{
    s.turnNormal = _DrawBackFaces1 != 0;
    s.turnNormalZ = _DubleSide != 0;

    // What the shader uses when the triangle has no valid material.
    s.material = nullptr;
    s.opacity = 1.0f;
    float specular[3];
    for (int k = 0; k < 3; ++k) {
        s.diffuse[k] = 0.5f;
        specular[k] = 1.0f;
    }
    s.exponent = 150.0f;
    s.strength = 10.0f;
    s.selfIllum = 0.0f;
    s.colourMap = s.opacityMap = s.bumpMap = s.reflectMap = nullptr;

    const int index = triangle ? triangle->material : -1;
    const bool valid = materials && materialCount >= 1 && index >= 0 && index < materialCount;
    if (valid) {
        const material3ds& m = materials[index];
        s.material = &m;
        s.opacity = 1.0f - shading_detail::Clamp01(-m.transparency);
        for (int k = 0; k < 3; ++k) {
            s.diffuse[k] = m.diffuse[k];
            specular[k] = m.specular[k];
        }
        s.exponent = 100.0f * m.shininess;
        s.strength = m.shinStrength;
        s.selfIllum = m.selfIllum;
        s.colourMap = ReadableMap(textures, index, TextureSlotColour);
        s.opacityMap = ReadableMap(textures, index, TextureSlotOpacity);
        s.bumpMap = ReadableMap(textures, index, TextureSlotBump);
        s.reflectMap = ReadableMap(textures, index, TextureSlotReflect);
        const float amount = m.reflect.amount;
        s.reflectAmount = amount > 1.0f ? 1.0f : (amount > 0.0f ? amount : 0.0f);
        s.reflectRest = RestOf(s.reflectAmount);
    }

    s.diffuseLanes = LanesOf(s.diffuse);
    s.specularLanes = LanesOf(specular);

    s.lights = lights;
    s.lightCount = lightCount;
    if (lightCount <= 0 || !lights) {
        s.lights = DefaultLight;
        s.lightCount = 1;
    }
    if (s.lights)
        for (int k = 0; k < s.lightCount && k < TriangleShading::PreparedLights; ++k)
            s.prepared[k] = ShadingLightOf(s.lights[k]);

    // The glass record goes with the material index; with no materials at all entry 0 stands for
    // the scene. An index beyond the materials has no glass record to read.
    s.glass = nullptr;
    if (glassProps && triangle) {
        const int glassIndex = materialCount < 1 ? 0 : index;
        if (glassIndex >= 0 && (materialCount < 1 || glassIndex < materialCount) &&
            glassProps[glassIndex].on)
            s.glass = &glassProps[glassIndex];
    }

    s.noHighlight = s.strength == 0.0f && s.exponent >= 0.0f;
    s.noHighlightInTheDark = s.exponent > 0.0f && std::isfinite(s.strength);
}

void shading_detail::ApplyMaps(const TriangleShading& s, float diffuse[3], float& opacity,
                               float normal[3], unsigned char mapsOn, float texU, float texV,
                               const __PrevInfo* prevInfo, float pointX, float pointY,
                               float pointZ)
{
    const material3ds& m = *s.material;
    float reflection[3] = {0.0f, 0.0f, 0.0f};
    float reflectAmount = m.reflect.amount;
    bool reflected = s.reflectMap != nullptr;
    if (reflected)
        SampleReflectionMap(reflection[0], reflection[1], reflection[2], m.reflect, s.reflectMap,
                            reflectAmount, reflected, pointX, pointY, pointZ, normal[0],
                            normal[1], normal[2]);

    if (mapsOn) {
        float texel[3];
        float amount;
        if (s.colourMap &&
            SampleLayer(m.texture, s.colourMap, texU, texV, prevInfo, texel, amount)) {
            const float rest = RestOf(amount);
            for (int k = 0; k < 3; ++k)
                diffuse[k] = amount * texel[k] + rest * diffuse[k];
        }
        if (s.opacityMap &&
            SampleLayer(m.opacity, s.opacityMap, texU, texV, prevInfo, texel, amount)) {
            const float rest = RestOf(amount);
            const float brightest = std::fmax(texel[0], std::fmax(texel[1], texel[2]));
            opacity = amount * brightest + rest * opacity;
        }
        // The bump map tilts the normal and leaves it unnormalised: the tilt is the effect.
        if (s.bumpMap) {
            amount = m.bump.amount;
            bool present = true;
            SampleBumpMap(normal[0], normal[1], normal[2], m.bump, s.bumpMap, amount, present,
                          texU, texV, prevInfo);
        }
    }

    if (reflected) {
        const float rest = RestOf(reflectAmount);
        for (int k = 0; k < 3; ++k)
            diffuse[k] = reflectAmount * reflection[k] + rest * diffuse[k];
    }
}

float shading_detail::ShadeWithMapsOrGlass(const TriangleShading& s, float originX,
                                           float originY, unsigned char* destImage,
                                           unsigned char* sourceImage, float pointX, float pointY,
                                           float pointZ, float& outC1, float& outC2, float& outC3,
                                           Lanes normal, unsigned char mapsOn, float texU,
                                           float texV, const __PrevInfo* prevInfo, float planeA,
                                           float planeB, float planeC, float planeD)
{
    float opacity = s.opacity;
    float n[3], colour[3] = {s.diffuse[0], s.diffuse[1], s.diffuse[2]};
    Store3(normal, n);
    if (s.material && (s.reflectMap || (mapsOn && (s.colourMap || s.opacityMap || s.bumpMap))))
        ApplyMaps(s, colour, opacity, n, mapsOn, texU, texV, prevInfo, pointX, pointY, pointZ);
    if (!s.lights) {
        outC1 = outC2 = outC3 = 0.0f;
        return opacity;
    }
    if (s.glass) {
        const float plane[4] = {planeA, planeB, planeC, planeD};
        ApplyGlass(colour, opacity, *s.glass, n[0], n[1], n[2], pointX, pointY, pointZ, originX,
                   originY, plane, prevInfo, destImage, sourceImage);
    }
    LightPixel(s, LanesOf(n), LanesOf(colour), pointX, pointY, pointZ, outC1, outC2, outC3);
    return opacity;
}

float DefaultRenderOnePixel(float originX, float originY, unsigned char* destImage,
                            unsigned char* sourceImage, float pointX, float pointY, float pointZ,
                            __Triangle3ds* triangle, material3ds* materials, int materialCount,
                            float& outC1, float& outC2, float& outC3, __Point* normal,
                            unsigned char mapsOn, float texU, float texV, __Texture* textures,
                            int lightCount, light3ds* lights, __PrevInfo* prevInfo,
                            GlassProp* glassProps, float planeA, float planeB, float planeC,
                            float planeD)
{
    TriangleShading s;
    PrepareTriangleShading(s, triangle, materials, materialCount, textures, lightCount, lights,
                           glassProps);
    return ShadeTrianglePixel(s, originX, originY, destImage, sourceImage, pointX, pointY, pointZ,
                              outC1, outC2, outC3, normal, mapsOn, texU, texV, prevInfo, planeA,
                              planeB, planeC, planeD);
}

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

// What the shader takes from a material, with the values it uses when the triangle has none.
struct Surface {
    float opacity = 1.0f;
    float diffuse[3] = {0.5f, 0.5f, 0.5f};
    float specular[3] = {1.0f, 1.0f, 1.0f};
    float exponent = 150.0f;
    float strength = 10.0f;
    float selfIllum = 0.0f;
};

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

inline const __Texture* TextureOf(__Texture* textures, int material, int slot)
{
    return textures ? &textures[material * TextureSlotCount + slot] : nullptr;
}

// Colour, opacity and bump maps, then the reflection blend; only for a valid material.
void ApplyMaps(Surface& s, float normal[3], const material3ds& m, __Texture* textures, int index,
               unsigned char mapsOn, float texU, float texV, const __PrevInfo* prevInfo,
               float pointX, float pointY, float pointZ)
{
    float reflection[3] = {0.0f, 0.0f, 0.0f};
    float reflectAmount = m.reflect.amount;
    bool reflected = true;
    SampleReflectionMap(reflection[0], reflection[1], reflection[2], m.reflect,
                        TextureOf(textures, index, TextureSlotReflect), reflectAmount, reflected,
                        pointX, pointY, pointZ, normal[0], normal[1], normal[2]);

    if (mapsOn) {
        float texel[3];
        float amount = m.texture.amount;
        bool present = true;
        SampleMap(texel[0], texel[1], texel[2], m.texture,
                  TextureOf(textures, index, TextureSlotColour), amount, present, texU, texV,
                  prevInfo);
        if (present) {
            float rest = 1.0f - amount > 0.0f ? 1.0f - amount : 0.0f;
            for (int k = 0; k < 3; ++k)
                s.diffuse[k] = amount * texel[k] + rest * s.diffuse[k];
        }

        amount = m.opacity.amount;
        present = true;
        SampleMap(texel[0], texel[1], texel[2], m.opacity,
                  TextureOf(textures, index, TextureSlotOpacity), amount, present, texU, texV,
                  prevInfo);
        if (present) {
            float rest = 1.0f - amount > 0.0f ? 1.0f - amount : 0.0f;
            float brightest = std::fmax(texel[0], std::fmax(texel[1], texel[2]));
            s.opacity = amount * brightest + rest * s.opacity;
        }

        // The bump map tilts the normal and leaves it unnormalised: the tilt is the effect.
        amount = m.bump.amount;
        present = true;
        SampleBumpMap(normal[0], normal[1], normal[2], m.bump,
                      TextureOf(textures, index, TextureSlotBump), amount, present, texU, texV,
                      prevInfo);
    }

    if (reflected) {
        float rest = 1.0f - reflectAmount > 0.0f ? 1.0f - reflectAmount : 0.0f;
        for (int k = 0; k < 3; ++k)
            s.diffuse[k] = reflectAmount * reflection[k] + rest * s.diffuse[k];
    }
}

} // namespace

float DefaultRenderOnePixel(float originX, float originY, unsigned char* destImage,
                            unsigned char* sourceImage, float pointX, float pointY, float pointZ,
                            __Triangle3ds* triangle, material3ds* materials, int materialCount,
                            float& outC1, float& outC2, float& outC3, __Point* normal,
                            unsigned char mapsOn, float texU, float texV, __Texture* textures,
                            int lightCount, light3ds* lights, __PrevInfo* prevInfo,
                            GlassProp* glassProps, float planeA, float planeB, float planeC,
                            float planeD)
{
    Surface s;

    // In the back-face pass the interpolated normals point away from the viewer; turning them
    // round lights the inside of the surface. Two-sided faces turn only z, so that their x and y
    // keep lighting them from the same side as the front.
    float n[3] = {0.0f, 0.0f, 1.0f};
    if (normal) {
        n[0] = normal->x;
        n[1] = normal->y;
        n[2] = normal->z;
    }
    if (_DrawBackFaces1) {
        n[0] = -n[0];
        n[1] = -n[1];
        n[2] = -n[2];
    }
    if (_DubleSide && n[2] < 0.0f)
        n[2] = -n[2];
    Normalise(n);

    const int index = triangle ? triangle->material : -1;
    const bool valid = materials && materialCount >= 1 && index >= 0 && index < materialCount;
    if (valid) {
        const material3ds& m = materials[index];
        s.opacity = 1.0f - Clamp01(-m.transparency);
        for (int k = 0; k < 3; ++k) {
            s.diffuse[k] = m.diffuse[k];
            s.specular[k] = m.specular[k];
        }
        s.exponent = 100.0f * m.shininess;
        s.strength = m.shinStrength;
        s.selfIllum = m.selfIllum;
        ApplyMaps(s, n, m, textures, index, mapsOn, texU, texV, prevInfo, pointX, pointY, pointZ);
    }

    light3ds* lightList = lights;
    int count = lightCount;
    if (count <= 0 || !lightList) {
        lightList = DefaultLight;
        count = 1;
    }
    if (!lightList) {
        outC1 = outC2 = outC3 = 0.0f;
        return s.opacity;
    }

    float out[3] = {0.0f, 0.0f, 0.0f};

    // The glass record goes with the material index; with no materials at all entry 0 stands for
    // the scene. An index beyond the materials has no glass record to read.
    if (glassProps && triangle) {
        int glassIndex = materialCount < 1 ? 0 : index;
        if (glassIndex >= 0 && (materialCount < 1 || glassIndex < materialCount) &&
            glassProps[glassIndex].on) {
            const float plane[4] = {planeA, planeB, planeC, planeD};
            ApplyGlass(s.diffuse, s.opacity, glassProps[glassIndex], n[0], n[1], n[2], pointX,
                       pointY, pointZ, originX, originY, plane, prevInfo, destImage,
                       sourceImage);
        }
    }

    // The view direction does not enter: the highlight sits where the normal points at the light.
    for (int k = 0; k < count; ++k) {
        const light3ds& light = lightList[k];
        float l[3] = {light.pos[0] - pointX, light.pos[1] - pointY, light.pos[2] - pointZ};
        Normalise(l);
        float d = (n[0] * l[0] + n[1] * l[1] + n[2] * l[2]) * light.multiplier;
        if (!(d > 0.0f))
            d = 0.0f;
        float highlight = maths::Pow(d, s.exponent) * s.strength;
        float diffuseFactor = d * (1.0f - s.selfIllum) + s.selfIllum;
        for (int c = 0; c < 3; ++c)
            out[c] += (diffuseFactor * s.diffuse[c] + highlight * s.specular[c]) * light.color[c];
    }

    const float top = static_cast<float>(ChannelMax);
    float* outputs[3] = {&outC1, &outC2, &outC3};
    for (int c = 0; c < 3; ++c) {
        float value = out[c] * top;
        *outputs[c] = value > top ? top : (value > 0.0f ? value : 0.0f);
    }
    return s.opacity;
}

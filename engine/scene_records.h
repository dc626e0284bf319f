// The records of a scene as they cross the engine's exported functions. Their layouts are a
// binary contract with other modules: packed on 4-byte boundaries (the pointer in __Texture sits
// at offset 12), little-endian, and checked field by field below. Reserved bytes stay zero.
#pragma once

#include <cstddef>
#include <cstdint>

#pragma pack(push, 4)

// One vertex. x, y are pixels from the scene origin, z is depth (larger is nearer).
struct __Point3ds {
    float x;
    float y;
    float z;
    uint8_t mapped;        // non-zero: u, v are valid texture coordinates
    uint8_t reserved13[3];
    float u;
    float v;
    uint8_t hasNormal;     // non-zero: nx, ny, nz hold a unit vertex normal
    uint8_t reserved25[3];
    float nx;
    float ny;
    float nz;
};
static_assert(sizeof(__Point3ds) == 40, "exported record layout");
static_assert(offsetof(__Point3ds, x) == 0, "exported record layout");
static_assert(offsetof(__Point3ds, y) == 4, "exported record layout");
static_assert(offsetof(__Point3ds, z) == 8, "exported record layout");
static_assert(offsetof(__Point3ds, mapped) == 12, "exported record layout");
static_assert(offsetof(__Point3ds, u) == 16, "exported record layout");
static_assert(offsetof(__Point3ds, v) == 20, "exported record layout");
static_assert(offsetof(__Point3ds, hasNormal) == 24, "exported record layout");
static_assert(offsetof(__Point3ds, nx) == 28, "exported record layout");
static_assert(offsetof(__Point3ds, ny) == 32, "exported record layout");
static_assert(offsetof(__Point3ds, nz) == 36, "exported record layout");

// One face: three indices into the point array. The face normal is (C - B) x (A - B).
struct __Triangle3ds {
    int32_t a;
    int32_t b;
    int32_t c;
    uint16_t flags;        // carried along unchanged; no engine decision reads it
    uint16_t material;     // index into the materials, and through it textures and glass
};
static_assert(sizeof(__Triangle3ds) == 16, "exported record layout");
static_assert(offsetof(__Triangle3ds, a) == 0, "exported record layout");
static_assert(offsetof(__Triangle3ds, b) == 4, "exported record layout");
static_assert(offsetof(__Triangle3ds, c) == 8, "exported record layout");
static_assert(offsetof(__Triangle3ds, flags) == 12, "exported record layout");
static_assert(offsetof(__Triangle3ds, material) == 14, "exported record layout");

// How one map is applied; the map image itself is a __Texture in the material's slot.
struct map3ds {
    char name[16];         // informational: "Reflect", or empty for an absent map
    float amount;          // strength 0..1
    uint8_t reserved20[20];
    float uScale;
    float vScale;
    float uOffset;
    float vOffset;
    uint8_t reserved56[216];
};
static_assert(sizeof(map3ds) == 272, "exported record layout");
static_assert(offsetof(map3ds, name) == 0, "exported record layout");
static_assert(offsetof(map3ds, amount) == 16, "exported record layout");
static_assert(offsetof(map3ds, uScale) == 40, "exported record layout");
static_assert(offsetof(map3ds, vScale) == 44, "exported record layout");
static_assert(offsetof(map3ds, uOffset) == 48, "exported record layout");
static_assert(offsetof(map3ds, vOffset) == 52, "exported record layout");

struct material3ds {
    char name[20];
    float ambient[3];      // written 0, never read
    float diffuse[3];
    float specular[3];
    float shininess;       // highlight exponent is 100 x shininess
    float shinStrength;
    uint8_t reserved64[4];
    float transparency;    // stored negated: -(percent / 100)
    uint8_t reserved72[4];
    float selfIllum;
    uint8_t reserved80[20];
    map3ds texture;        // texture slot 0
    map3ds reserved372;
    map3ds opacity;        // texture slot 1
    map3ds bump;           // texture slot 2
    map3ds reserved1188[3];
    map3ds reflect;        // texture slot 3
    uint8_t reserved2276[16];
};
static_assert(sizeof(material3ds) == 2292, "exported record layout");
static_assert(offsetof(material3ds, name) == 0, "exported record layout");
static_assert(offsetof(material3ds, ambient) == 20, "exported record layout");
static_assert(offsetof(material3ds, diffuse) == 32, "exported record layout");
static_assert(offsetof(material3ds, specular) == 44, "exported record layout");
static_assert(offsetof(material3ds, shininess) == 56, "exported record layout");
static_assert(offsetof(material3ds, shinStrength) == 60, "exported record layout");
static_assert(offsetof(material3ds, transparency) == 68, "exported record layout");
static_assert(offsetof(material3ds, selfIllum) == 76, "exported record layout");
static_assert(offsetof(material3ds, texture) == 100, "exported record layout");
static_assert(offsetof(material3ds, opacity) == 644, "exported record layout");
static_assert(offsetof(material3ds, bump) == 916, "exported record layout");
static_assert(offsetof(material3ds, reflect) == 2004, "exported record layout");

// Texture slots of a material: the texture array holds four records per material, at
// material index x 4 + slot.
enum TextureSlot { TextureSlotColour = 0, TextureSlotOpacity = 1, TextureSlotBump = 2, TextureSlotReflect = 3, TextureSlotCount = 4 };

// One map image: height rows of width pixels, 4 elements each (blue, green, red, alpha), no row
// padding. pixels comes from the page allocator because __ConvertText replaces it.
struct __Texture {
    uint8_t present;       // zero: the map is off and every other field is ignored
    uint8_t padding1[3];
    int32_t width;
    int32_t height;
    uint8_t* pixels;
    uint8_t deep;          // non-zero: the elements are 16-bit (0..32768)
    uint8_t padding21[3];
};
static_assert(sizeof(__Texture) == 24, "exported record layout");
static_assert(offsetof(__Texture, present) == 0, "exported record layout");
static_assert(offsetof(__Texture, width) == 4, "exported record layout");
static_assert(offsetof(__Texture, height) == 8, "exported record layout");
static_assert(offsetof(__Texture, pixels) == 12, "exported record layout");
static_assert(offsetof(__Texture, deep) == 20, "exported record layout");

// One point light.
struct light3ds {
    char name[12];
    float pos[3];
    float color[3];
    float multiplier;      // scales the diffuse term; negative lights the faces turned away
    uint8_t reserved40[32];
};
static_assert(sizeof(light3ds) == 72, "exported record layout");
static_assert(offsetof(light3ds, name) == 0, "exported record layout");
static_assert(offsetof(light3ds, pos) == 12, "exported record layout");
static_assert(offsetof(light3ds, color) == 24, "exported record layout");
static_assert(offsetof(light3ds, multiplier) == 36, "exported record layout");

// Glass behaviour of one material, indexed like the materials.
struct GlassProp {
    uint8_t on;
    uint8_t padding1[3];
    float optical;         // optical coefficient
    float refraction;      // refraction distance in pixels
    float aberration;      // chromatic aberration in percent
};
static_assert(sizeof(GlassProp) == 16, "exported record layout");
static_assert(offsetof(GlassProp, on) == 0, "exported record layout");
static_assert(offsetof(GlassProp, optical) == 4, "exported record layout");
static_assert(offsetof(GlassProp, refraction) == 8, "exported record layout");
static_assert(offsetof(GlassProp, aberration) == 12, "exported record layout");

// A shading vector: the surface normal at a pixel, not necessarily of unit length.
struct __Point {
    float x;
    float y;
    float z;
};
static_assert(sizeof(__Point) == 12, "exported record layout");
static_assert(offsetof(__Point, y) == 4, "exported record layout");
static_assert(offsetof(__Point, z) == 8, "exported record layout");

// What a rasteriser remembers of the previous pixel shaded on the current span.
struct __PrevInfo {
    __Point normal;
    uint8_t valid;         // 0 at each span start; 1 once the other fields hold a pixel
    uint8_t padding13[3];
    float x;
    float y;
    float u;
    float v;
};
static_assert(sizeof(__PrevInfo) == 32, "exported record layout");
static_assert(offsetof(__PrevInfo, normal) == 0, "exported record layout");
static_assert(offsetof(__PrevInfo, valid) == 12, "exported record layout");
static_assert(offsetof(__PrevInfo, x) == 16, "exported record layout");
static_assert(offsetof(__PrevInfo, y) == 20, "exported record layout");
static_assert(offsetof(__PrevInfo, u) == 24, "exported record layout");
static_assert(offsetof(__PrevInfo, v) == 28, "exported record layout");

#pragma pack(pop)

// The per-pixel shader: returns the pixel's opacity 0..1 and writes three colour components
// scaled to the channel maximum. One signature for the slot, its setter and the default shader.
typedef float (*RenderOnePixelProc)(float originX, float originY, unsigned char* destImage,
                                    unsigned char* sourceImage, float pointX, float pointY,
                                    float pointZ, __Triangle3ds* triangle, material3ds* materials,
                                    int materialCount, float& outC1, float& outC2, float& outC3,
                                    __Point* normal, unsigned char mapsOn, float texU, float texV,
                                    __Texture* textures, int lightCount, light3ds* lights,
                                    __PrevInfo* prevInfo, GlassProp* glassProps, float planeA,
                                    float planeB, float planeC, float planeD);

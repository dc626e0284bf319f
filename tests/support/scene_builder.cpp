// The test scene builder.
#include "tests/support/scene_builder.h"

#include <cstring>
#include <limits>

#include "engine/engine_exports.h"

namespace {

__Point3ds PointAt(Corner c, int originX, int originY)
{
    __Point3ds p;
    std::memset(&p, 0, sizeof p);
    p.x = c.x - static_cast<float>(originX);
    p.y = c.y - static_cast<float>(originY);
    p.z = c.z;
    p.hasNormal = 1;
    p.nz = 1.0f;
    return p;
}

material3ds BlankMaterial()
{
    material3ds m;
    std::memset(&m, 0, sizeof m);
    m.texture.uScale = m.texture.vScale = 1.0f;
    m.opacity.uScale = m.opacity.vScale = 1.0f;
    m.bump.uScale = m.bump.vScale = 1.0f;
    m.reflect.uScale = m.reflect.vScale = 1.0f;
    return m;
}

} // namespace

float FacingZ(Corner a, Corner b, Corner c)
{
    return (c.x - b.x) * (a.y - b.y) - (c.y - b.y) * (a.x - b.x);
}

int SceneBuilder::AddTriangle(Corner a, Corner b, Corner c, uint16_t material)
{
    int first = static_cast<int>(points.size());
    points.push_back(PointAt(a, originX, originY));
    points.push_back(PointAt(b, originX, originY));
    points.push_back(PointAt(c, originX, originY));
    __Triangle3ds t;
    std::memset(&t, 0, sizeof t);
    t.a = first;
    t.b = first + 1;
    t.c = first + 2;
    t.material = material;
    triangles.push_back(t);
    return static_cast<int>(triangles.size()) - 1;
}

int SceneBuilder::AddFacing(Corner a, Corner b, Corner c, bool front, uint16_t material)
{
    bool isFront = FacingZ(a, b, c) >= 0.0f;
    if (isFront == front)
        return AddTriangle(a, b, c, material);
    return AddTriangle(a, c, b, material);
}

void SceneBuilder::AddRectangle(float x0, float y0, float x1, float y1, float z, uint16_t material)
{
    AddFacing({x0, y0, z}, {x1, y0, z}, {x1, y1, z}, true, material);
    AddFacing({x0, y0, z}, {x1, y1, z}, {x0, y1, z}, true, material);
}

int SceneBuilder::AddFlatMaterial(float r, float g, float b, float opacity)
{
    material3ds m = BlankMaterial();
    m.diffuse[0] = r;
    m.diffuse[1] = g;
    m.diffuse[2] = b;
    m.shininess = 1.0f;
    m.shinStrength = 0.0f;
    m.selfIllum = 1.0f;
    m.transparency = -(1.0f - opacity);
    materials.push_back(m);
    for (int k = 0; k < 4; ++k) {
        __Texture t;
        std::memset(&t, 0, sizeof t);
        textures.push_back(t);
    }
    GlassProp g0;
    std::memset(&g0, 0, sizeof g0);
    glass.push_back(g0);
    return static_cast<int>(materials.size()) - 1;
}

int SceneBuilder::AddLitMaterial(float r, float g, float b)
{
    int index = AddFlatMaterial(r, g, b);
    materials[index].selfIllum = 0.0f;
    return index;
}

void SceneBuilder::AddLight(float x, float y, float z, float multiplier)
{
    light3ds l;
    std::memset(&l, 0, sizeof l);
    l.pos[0] = x;
    l.pos[1] = y;
    l.pos[2] = z;
    l.color[0] = l.color[1] = l.color[2] = 1.0f;
    l.multiplier = multiplier;
    lights.push_back(l);
}

void SceneBuilder::AddPatternMap(int material, int slot, int size, bool deep, float amount,
                                 int step, int offset)
{
    std::vector<unsigned char> pixels(static_cast<size_t>(size) * size * 4 * (deep ? 2 : 1));
    for (size_t e = 0; e < pixels.size(); ++e)
        pixels[e] = static_cast<unsigned char>((e * step + offset) & 255);
    mapPixels.push_back(std::move(pixels)); // moving keeps the pixels where they are
    __Texture& t = textures[material * TextureSlotCount + slot];
    t.present = 1;
    t.width = t.height = size;
    t.pixels = mapPixels.back().data();
    t.deep = deep ? 1 : 0;
    material3ds& m = materials[material];
    map3ds& block = slot == TextureSlotColour    ? m.texture
                    : slot == TextureSlotOpacity ? m.opacity
                    : slot == TextureSlotBump    ? m.bump
                                                 : m.reflect;
    block.amount = amount;
}

void SceneBuilder::Render(TestImage& dest, TestImage* source)
{
    int materialCount = materialCountOverride >= 0 ? materialCountOverride
                                                   : static_cast<int>(materials.size());
    __RasterScene(dest.Data(), source ? source->Data() : nullptr, dest.Width(), dest.Height(),
                  dest.RowElements(), static_cast<int>(points.size()),
                  static_cast<int>(triangles.size()), triangles.data(), points.data(), originX,
                  originY, materialCount, materials.data(), textures.data(),
                  static_cast<int>(lights.size()), lights.empty() ? nullptr : lights.data(),
                  glass.empty() ? nullptr : glass.data());
}

void SceneBuilder::RenderSolid(TestImage& dest, float red, float green, float blue, float opacity)
{
    __RasterSolid(dest.Data(), dest.Width(), dest.Height(), dest.RowElements(),
                  static_cast<int>(points.size()), static_cast<int>(triangles.size()),
                  triangles.data(), points.data(), originX, originY, red, green, blue, opacity);
}

void SceneBuilder::AddHugeCornerTriangles()
{
    const float big = 1e30f;
    AddFacing({-big, -big, 0}, {big, -big, 0}, {0, big, 0}, true);
    AddFacing({-big, 15, 0}, {big, 14, 0}, {20, 16, 0}, true);
    AddFacing({5, 5, 0}, {35, 5, 0}, {20, 1e9f, 1e9f}, true);
}

void SceneBuilder::AddNonFiniteCornerTriangles()
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    AddTriangle({nan, 5, 0}, {30, 5, 0}, {20, 25, 0});
    AddTriangle({5, 5, 0}, {30, nan, 0}, {20, 25, 0});
    AddTriangle({5, 5, 0}, {inf, 5, 0}, {20, 25, 0});
    AddTriangle({5, 5, 0}, {30, 5, 0}, {20, -inf, 0});
}

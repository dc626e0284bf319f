// Conversion of the parameter values of one frame into engine and generator units.
#include "effect/render_inputs.h"

#include <cmath>
#include <cstring>

#include "effect/frame_convert.h"
#include "effect/params.h"
#include "shading/elementary.h"

namespace {

// The effect has always converted degrees with this value, not full-precision pi; frames of
// saved projects depend on it.
constexpr double DegreesPi = 3.141592;

double Fixed(const PF_ParamDef* p) { return p->u.fd.value / 65536.0; }

float Ratio(const PF_ParamDef* p, double divisor) { return float(Fixed(p) / divisor); }

float Radians(double degrees) { return float(degrees * DegreesPi / 180.0); }

void ColourOf(const PF_ParamDef* p, float rgb[3])
{
    rgb[0] = float(p->u.cd.value.red / 255.0);
    rgb[1] = float(p->u.cd.value.green / 255.0);
    rgb[2] = float(p->u.cd.value.blue / 255.0);
}

// A fixed slider read straight into a converted value: the slider's value over `divisor`.
// `Param` picks the slider: a parameter index, or a member of a material's group of indices.
template <typename Param, typename Values>
struct RatioField {
    Param param;
    float Values::*field;
    double divisor;
};

constexpr RatioField<ParamIndex MaterialParams::*, MaterialParameters> MaterialRatios[] = {
    {&MaterialParams::shininess, &MaterialParameters::shininess, 10},
    {&MaterialParams::shininessStrength, &MaterialParameters::shinStrength, 10},
    {&MaterialParams::selfIllumination, &MaterialParameters::selfIllumination, 1},
    {&MaterialParams::transparency, &MaterialParameters::transparency, 1},
    {&MaterialParams::refraction, &MaterialParameters::refraction, 10},
    {&MaterialParams::opticalCoefficient, &MaterialParameters::optical, 10},
    {&MaterialParams::aberration, &MaterialParameters::aberration, 1},
    {&MaterialParams::reflectionPercent, &MaterialParameters::reflectionPercent, 1},
};

constexpr RatioField<ParamIndex, FrameParameters> FrameRatios[] = {
    {PARAM_GROW_UP, &FrameParameters::growUp, 1},
    {PARAM_LENGTH, &FrameParameters::length, 1},
    {PARAM_WIDTH, &FrameParameters::width, 2.5},
    {PARAM_DISPERSION, &FrameParameters::dispersion, 100},
    {PARAM_BRANCHINESS, &FrameParameters::branchiness, 100},
    {PARAM_PROPORTIONS, &FrameParameters::proportions, 100},
    {PARAM_AMPLITUDE_X, &FrameParameters::windAmpX, 500},
    {PARAM_AMPLITUDE_Z, &FrameParameters::windAmpZ, 500},
    {PARAM_FREQUENCY, &FrameParameters::windFrequency, 1},
    {PARAM_NEEDLES_DENSITY, &FrameParameters::needleDensity, 100},
    {PARAM_NEEDLES_LENGTH, &FrameParameters::needleLength, 100},
    {PARAM_NEEDLES_WIDTH, &FrameParameters::needleWidth, 100},
    {PARAM_NEEDLES_DISPERSION, &FrameParameters::needleDispersion, 100},
    {PARAM_NEEDLES_AMPLITUDE, &FrameParameters::needleLift, 500},
    {PARAM_NEEDLES_SPEED, &FrameParameters::needleSpeed, 1},
    {PARAM_SCALE, &FrameParameters::scale, 100},
    {PARAM_LIGHT_MULTIPLY, &FrameParameters::lightMultiply, 1},
};

MaterialParameters ReadMaterial(PF_ParamDef* const params[], const MaterialParams& group)
{
    MaterialParameters m{};
    ColourOf(params[group.diffuse], m.diffuse);
    ColourOf(params[group.specular], m.specular);
    for (const auto& r : MaterialRatios)
        m.*r.field = Ratio(params[group.*r.param], r.divisor);
    m.glass = params[group.glass]->u.bd.value != 0;
    return m;
}

void CopyName(char* destination, size_t size, const char* name)
{
    std::memset(destination, 0, size);
    std::strncpy(destination, name, size - 1);
}

void FillMaterial(const MaterialParameters& m, const char* name, material3ds& material)
{
    std::memset(&material, 0, sizeof material);
    CopyName(material.name, sizeof material.name, name);
    for (int i = 0; i < 3; ++i) {
        material.diffuse[i] = m.diffuse[i];
        material.specular[i] = m.specular[i];
    }
    material.shininess = m.shininess;
    material.shinStrength = m.shinStrength;
    material.transparency = float(-(double(m.transparency) / 100.0));
    material.selfIllum = float(double(m.selfIllumination) / 100.0);
}

} // namespace

FrameParameters ReadFrameParameters(PF_ParamDef* const params[])
{
    FrameParameters p{};
    for (const auto& r : FrameRatios)
        p.*r.field = Ratio(params[r.param], r.divisor);
    p.renderingMode = params[PARAM_RENDERING_MODE]->u.pd.value;
    p.levels = params[PARAM_N_BRANCHES]->u.sd.value;
    // Only a misbehaving host sends a value outside the popup; any of them means no known shape,
    // and the lowest must not overflow on the way.
    const A_long shape = params[PARAM_NEEDLES_SHAPE]->u.pd.value;
    p.needleShape = shape > 0 ? shape - 1 : -1;
    p.positionX = float(params[PARAM_POSITION]->u.td.x_value) / 65536.0f;
    p.positionY = float(params[PARAM_POSITION]->u.td.y_value) / 65536.0f;
    p.rotationX = Radians(params[PARAM_ROTATION_X]->u.ad.value / 65536.0);
    p.rotationY = Radians(params[PARAM_ROTATION_Y]->u.ad.value / 65536.0);
    p.rotationZ = Radians(params[PARAM_ROTATION_Z]->u.ad.value / 65536.0);
    p.needles = ReadMaterial(params, NeedleMaterialParams);
    p.tree = ReadMaterial(params, TreeMaterialParams);
    ColourOf(params[PARAM_LIGHT_COLOR], p.lightColor);
    p.rotateUV = Radians(params[PARAM_LIGHT_ROTATE_UV]->u.ad.value / 65536.0);
    p.rotateWV = Radians(Fixed(params[PARAM_LIGHT_ROTATE_WV]));
    p.oppositeLight = params[PARAM_OPPOSITE_LIGHT]->u.bd.value != 0;
    p.cutAlpha = params[PARAM_CUT_ALPHA]->u.bd.value != 0;
    return p;
}

FrameParameters DefaultFrameParameters(int32_t layerWidth, int32_t layerHeight)
{
    PF_ParamDef defs[PARAM_COUNT];
    PF_ParamDef* params[PARAM_COUNT];
    for (int i = 0; i < PARAM_COUNT; ++i) {
        DescribeParam(ParamIndex(i), defs[i]);
        params[i] = &defs[i];
    }
    // A point's default is a percentage of the layer; a host hands the effect layer pixels, to
    // the nearest 16.16 value.
    PF_PointDef& position = defs[PARAM_POSITION].u.td;
    position.x_value = PF_Fixed(std::llround(double(position.x_dephault) * layerWidth / 100.0));
    position.y_value = PF_Fixed(std::llround(double(position.y_dephault) * layerHeight / 100.0));
    return ReadFrameParameters(params);
}

int32_t FrameNumber(A_long currentTime, A_long localTimeStep)
{
    if (localTimeStep == 0)
        return 0;
    // INT32_MIN / -1 overflows; a host never sends it, but the division must not trap.
    if (localTimeStep == -1)
        return currentTime == INT32_MIN ? INT32_MAX : -currentTime;
    return currentTime / localTimeStep;
}

DrawMode EngineDrawMode(int32_t renderingMode)
{
    // The menu "Rough|Line|Wire|Flat|Phong|Patches|Bezier", in its order.
    static const DrawMode Modes[7] = {DrawMode::Rough, DrawMode::Line,    DrawMode::Wire,
                                      DrawMode::Flat,  DrawMode::Phong,   DrawMode::Patches,
                                      DrawMode::Bezier};
    int choice = int(uint8_t(renderingMode)) - 1;  // the host's value is read as its low byte
    return choice >= 0 && choice < 7 ? Modes[choice] : DrawMode::Phong;
}

TreeInputs GeneratorInputs(const FrameParameters& p, int32_t width, int32_t frame)
{
    const double w = width;
    TreeInputs in{};
    in.needleShape = p.needleShape;
    in.levels = p.levels;
    in.childrenPerNode = 3;
    in.trunkWidth = float(double(p.width) * w / 200.0);
    in.trunkLength = float(double(p.length) * w / 200.0);
    in.origin = TreeVec3{0.0f, 0.0f, 0.0f};
    in.upDirection = TreeVec3{0.0f, 1.0f, 0.0f};
    in.growUp = p.growUp;
    in.dispersion = p.dispersion;
    in.branchiness = p.branchiness;
    in.proportions = p.proportions;
    in.windAmpX = p.windAmpX;
    in.windAmpZ = p.windAmpZ;
    in.windTime = float(double(frame) * double(p.windFrequency));
    // Spacing shrinks as density grows; stored as float before the division, as always.
    float spacing = float((1.1 - double(p.needleDensity)) * w);
    in.needleSpacing = spacing / 15.0f;
    in.needleWidth = float(double(p.needleWidth) * (w / 40.0));
    in.needleLength = float(double(p.needleLength) * (w / 8.0));
    in.needleLift = p.needleLift;
    in.needleTime = float(double(p.needleSpeed) * double(frame));
    in.needleDispersion = p.needleDispersion;
    return in;
}

int32_t FillLights(const FrameParameters& p, light3ds lights[2])
{
    std::memset(lights, 0, 2 * sizeof(light3ds));
    const float multiplier = float(double(p.lightMultiply) / 100.0);
    CopyName(lights[0].name, sizeof lights[0].name, "LightOne");
    const float a = maths::Cos(p.rotateWV) * 2000.0f;
    lights[0].pos[0] = a * maths::Cos(p.rotateUV);
    lights[0].pos[1] = a * maths::Sin(p.rotateUV);
    lights[0].pos[2] = maths::Sin(p.rotateWV) * 2000.0f;
    for (int i = 0; i < 3; ++i)
        lights[0].color[i] = p.lightColor[i];
    lights[0].multiplier = multiplier;
    if (!p.oppositeLight)
        return 1;
    // The opposite light sits at the other azimuth, a fixed 25 degrees below the horizon.
    CopyName(lights[1].name, sizeof lights[1].name, "Light#2");
    const double elevation = -0.4363323129985824;
    const double b = maths::Cos(elevation) * 2000.0;
    const double azimuth = double(p.rotateUV) + 3.141592653589793;
    lights[1].pos[0] = float(b * maths::Cos(azimuth));
    lights[1].pos[1] = float(b * maths::Sin(azimuth));
    lights[1].pos[2] = float(maths::Sin(elevation) * 2000.0);
    for (int i = 0; i < 3; ++i)
        lights[1].color[i] = p.lightColor[i];
    lights[1].multiplier = multiplier;
    return 2;
}

void FillMaterials(const FrameParameters& p, material3ds materials[2])
{
    FillMaterial(p.tree, "Material#0", materials[0]);
    FillMaterial(p.needles, "Material#1", materials[1]);
}

void FillGlass(const FrameParameters& p, float resolutionRatio, GlassProp glass[2])
{
    std::memset(glass, 0, 2 * sizeof(GlassProp));
    glass[0].on = p.tree.glass ? 1 : 0;
    glass[0].optical = p.tree.optical;
    glass[0].refraction = p.tree.refraction * resolutionRatio;
    glass[0].aberration = p.tree.aberration;
    glass[1].on = p.needles.glass ? 1 : 0;
    glass[1].optical = p.needles.optical;
    glass[1].refraction = p.needles.refraction;
    glass[1].aberration = p.needles.aberration;
}

void SetReflectMap(material3ds& material, float percent)
{
    CopyName(material.reflect.name, sizeof material.reflect.name, "Reflect");
    material.reflect.amount = float(double(percent) / 100.0);
    material.reflect.uScale = 1.0f;
    material.reflect.vScale = 1.0f;
    material.reflect.uOffset = 0.0f;
    material.reflect.vOffset = 0.0f;
}

void PlaceTree(const FrameParameters& p, int32_t width, int32_t height, __Point3ds* points, int32_t count)
{
    const float offsetX = p.positionX - float(width) / 2.0f;
    const float offsetY = p.positionY - float(height) / 2.0f;
    // The order is fixed: rotations about Y, X, Z, then scale, then the move into place.
    if (p.rotationY != 0.0f)
        RotatePointsY(points, count, p.rotationY);
    if (p.rotationX != 0.0f)
        RotatePointsX(points, count, p.rotationX);
    if (p.rotationZ != 0.0f)
        RotatePointsZ(points, count, p.rotationZ);
    if (p.scale != 1.0f)
        ScalePoints(points, count, p.scale);
    if (offsetX != 0.0f || offsetY != 0.0f)
        TranslatePoints(points, count, offsetX, offsetY, 0.0f);
}

// The effect's parameters: their indices in the host's parameter array, in registration order, and
// the handler that registers them. Saved projects store values by index, so the order is fixed;
// these names are the only way the rest of the effect refers to a parameter.
#pragma once

#include "effect/host_api.h"

enum ParamIndex : PF_ParamIndex {
    PARAM_INPUT = 0,                   // the layer the effect is applied to, added by the host
    PARAM_INFORMATION,                 // the custom-drawn banner
    PARAM_RENDERING_MODE,
    PARAM_GROW_UP,
    PARAM_TREE_GROUP,
    PARAM_N_BRANCHES,
    PARAM_LENGTH,
    PARAM_WIDTH,
    PARAM_DISPERSION,
    PARAM_BRANCHINESS,
    PARAM_PROPORTIONS,
    PARAM_AMPLITUDE_X,
    PARAM_AMPLITUDE_Z,
    PARAM_FREQUENCY,
    PARAM_TREE_GROUP_END,
    PARAM_NEEDLES_GROUP,
    PARAM_NEEDLES_SHAPE,
    PARAM_NEEDLES_DENSITY,
    PARAM_NEEDLES_LENGTH,
    PARAM_NEEDLES_WIDTH,
    PARAM_NEEDLES_DISPERSION,
    PARAM_NEEDLES_AMPLITUDE,
    PARAM_NEEDLES_SPEED,
    PARAM_NEEDLES_GROUP_END,
    PARAM_POSITION,
    PARAM_SCALE,
    PARAM_ROTATION_X,
    PARAM_ROTATION_Y,
    PARAM_ROTATION_Z,
    PARAM_NEEDLE_MATERIAL_GROUP,
    PARAM_NEEDLE_DIFFUSE,
    PARAM_NEEDLE_SPECULAR,
    PARAM_NEEDLE_SHININESS,
    PARAM_NEEDLE_SHININESS_STRENGTH,
    PARAM_NEEDLE_SELF_ILLUMINATION,
    PARAM_NEEDLE_TRANSPARENCY,
    PARAM_NEEDLE_GLASS,
    PARAM_NEEDLE_REFRACTION,
    PARAM_NEEDLE_OPTICAL_COEFFICIENT,
    PARAM_NEEDLE_ABERRATION,
    PARAM_NEEDLE_REFLECTION_LAYER,
    PARAM_NEEDLE_REFLECTION_PERCENT,
    PARAM_NEEDLE_MATERIAL_GROUP_END,
    PARAM_TREE_MATERIAL_GROUP,
    PARAM_TREE_DIFFUSE,
    PARAM_TREE_SPECULAR,
    PARAM_TREE_SHININESS,
    PARAM_TREE_SHININESS_STRENGTH,
    PARAM_TREE_SELF_ILLUMINATION,
    PARAM_TREE_TRANSPARENCY,
    PARAM_TREE_GLASS,
    PARAM_TREE_REFRACTION,
    PARAM_TREE_OPTICAL_COEFFICIENT,
    PARAM_TREE_ABERRATION,
    PARAM_TREE_REFLECTION_LAYER,
    PARAM_TREE_REFLECTION_PERCENT,
    PARAM_TREE_MATERIAL_GROUP_END,
    PARAM_LIGHT_GROUP,
    PARAM_LIGHT_MULTIPLY,
    PARAM_LIGHT_COLOR,
    PARAM_LIGHT_ROTATE_UV,
    PARAM_LIGHT_ROTATE_WV,
    PARAM_OPPOSITE_LIGHT,
    PARAM_LIGHT_GROUP_END,
    PARAM_CUT_ALPHA,
    PARAM_COUNT                        // 65: what out-data num_params reports
};
static_assert(PARAM_COUNT == 65, "the input layer and 64 registered parameters");
static_assert(PARAM_NEEDLE_REFLECTION_LAYER == 40 && PARAM_TREE_REFLECTION_LAYER == 54, "saved indices");
static_assert(PARAM_OPPOSITE_LIGHT == 62 && PARAM_CUT_ALPHA == 64, "saved indices");

// The controls of one material group. The needles' group and the tree's have the same controls
// in the same order; code names each one here rather than counting from "Diffuse".
struct MaterialParams {
    ParamIndex group;
    ParamIndex diffuse;
    ParamIndex specular;
    ParamIndex shininess;
    ParamIndex shininessStrength;
    ParamIndex selfIllumination;
    ParamIndex transparency;
    ParamIndex glass;
    ParamIndex refraction;
    ParamIndex opticalCoefficient;
    ParamIndex aberration;
    ParamIndex reflectionLayer;
    ParamIndex reflectionPercent;
    ParamIndex groupEnd;
};
constexpr MaterialParams NeedleMaterialParams = {
    PARAM_NEEDLE_MATERIAL_GROUP,      PARAM_NEEDLE_DIFFUSE,           PARAM_NEEDLE_SPECULAR,
    PARAM_NEEDLE_SHININESS,           PARAM_NEEDLE_SHININESS_STRENGTH, PARAM_NEEDLE_SELF_ILLUMINATION,
    PARAM_NEEDLE_TRANSPARENCY,        PARAM_NEEDLE_GLASS,             PARAM_NEEDLE_REFRACTION,
    PARAM_NEEDLE_OPTICAL_COEFFICIENT, PARAM_NEEDLE_ABERRATION,        PARAM_NEEDLE_REFLECTION_LAYER,
    PARAM_NEEDLE_REFLECTION_PERCENT,  PARAM_NEEDLE_MATERIAL_GROUP_END};
constexpr MaterialParams TreeMaterialParams = {
    PARAM_TREE_MATERIAL_GROUP,      PARAM_TREE_DIFFUSE,            PARAM_TREE_SPECULAR,
    PARAM_TREE_SHININESS,           PARAM_TREE_SHININESS_STRENGTH, PARAM_TREE_SELF_ILLUMINATION,
    PARAM_TREE_TRANSPARENCY,        PARAM_TREE_GLASS,              PARAM_TREE_REFRACTION,
    PARAM_TREE_OPTICAL_COEFFICIENT, PARAM_TREE_ABERRATION,         PARAM_TREE_REFLECTION_LAYER,
    PARAM_TREE_REFLECTION_PERCENT,  PARAM_TREE_MATERIAL_GROUP_END};

// Registers parameters 1 to 64 in order, reports the count and registers the custom UI. The
// first failing registration ends the command with its error.
PF_Err ParamsSetup(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[], PF_LayerDef* output);

// The record parameter setup registers for `index`, cleared first, its value at the default and
// its name copied in; index 0, the layer the host adds by itself, is a layer record without a
// name. This is the one source of every control's type, range and default.
void DescribeParam(ParamIndex index, PF_ParamDef& def);

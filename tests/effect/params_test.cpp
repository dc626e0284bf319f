// Parameter setup as a host sees it: every registered record, the count, the custom UI, and a
// host that fails part-way through.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "effect/entry.h"
#include "effect/params.h"
#include "host/host_ops.h"
#include "host/sequence.h"

namespace {

PF_Fixed Fix(double v) { return PF_Fixed(std::llround(v * 65536.0)); }

std::string Name(const PF_ParamDef& p) { return std::string(p.name, strnlen(p.name, sizeof p.name)); }

class ParamsSetupTest : public ::testing::Test {
protected:
    PF_Err RunParamsSetup()
    {
        session.defaults.resize(1);
        return CallEffect(session, EntryPointFunc, PF_Cmd_PARAMS_SETUP);
    }
    const PF_ParamDef& P(int index) const { return session.defaults.at(size_t(index)); }
    HostSession session;
};

struct FixedRow {
    ParamIndex index;
    const char* name;
    double validMin, validMax, sliderMin, sliderMax, dephault;
};

const FixedRow FixedRows[] = {
    {PARAM_GROW_UP, "Grow up", 0, 100, 0, 100, 100},
    {PARAM_LENGTH, "Length", 0.1, 1000, 10, 110, 50},
    {PARAM_WIDTH, "Width", 0.1, 100, 1, 20, 5},
    {PARAM_DISPERSION, "Dispersion", 0, 100, 0, 100, 10},
    {PARAM_BRANCHINESS, "Branchiness", 0, 100, 0, 100, 50},
    {PARAM_PROPORTIONS, "Proportions", -100, 100, 0, 100, 50},
    {PARAM_AMPLITUDE_X, "Amplitude X of oscillation", 0, 100, 0, 100, 10},
    {PARAM_AMPLITUDE_Z, "Amplitude Z of oscillation", -100, 100, -100, 100, 10},
    {PARAM_FREQUENCY, "Frequency of oscillation", 0, 100, 0, 100, 10},
    {PARAM_NEEDLES_DENSITY, "Needles density", 1, 100, 10, 100, 90},
    {PARAM_NEEDLES_LENGTH, "Needles length", 10, 200, 10, 100, 50},
    {PARAM_NEEDLES_WIDTH, "Needles width", 10, 200, 10, 100, 45},
    {PARAM_NEEDLES_DISPERSION, "Needles dispersion", 0, 100, 0, 100, 40},
    {PARAM_NEEDLES_AMPLITUDE, "Amplitude of oscillation", -100, 100, 0, 100, 10},
    {PARAM_NEEDLES_SPEED, "Speed of oscillation", 0, 100, 0, 100, 40},
    {PARAM_SCALE, "Scale", -1000, 1000, 10, 150, 100},
    {PARAM_NEEDLE_SHININESS, "Shininess", -1000, 1000, 0, 100, 15},
    {PARAM_NEEDLE_SHININESS_STRENGTH, "Strength of shininess", -1000, 1000, 0, 500, 0},
    {PARAM_NEEDLE_SELF_ILLUMINATION, "Self illumination", -1000, 1000, 0, 100, 0},
    {PARAM_NEEDLE_TRANSPARENCY, "Transparancy", 0, 100, 0, 100, 0},
    {PARAM_NEEDLE_REFRACTION, "Refraction", -1000, 1000, -100, 100, -50},
    {PARAM_NEEDLE_OPTICAL_COEFFICIENT, "Optical coefficient", -1000, 1000, -100, 100, 15},
    {PARAM_NEEDLE_ABERRATION, "Aberration", 0, 1000, 0, 100, 20},
    {PARAM_NEEDLE_REFLECTION_PERCENT, "Reflection percent", -1000, 1000, 0, 100, 100},
    {PARAM_TREE_SHININESS, "Shininess", -1000, 1000, 0, 100, 15},
    {PARAM_TREE_SHININESS_STRENGTH, "Strength of Shininess", -1000, 1000, 0, 500, 9},
    {PARAM_TREE_SELF_ILLUMINATION, "Self illumination", -1000, 1000, 0, 100, 0},
    {PARAM_TREE_TRANSPARENCY, "Transparancy", 0, 100, 0, 100, 0},
    {PARAM_TREE_REFRACTION, "Refraction", -1000, 1000, -100, 100, -50},
    {PARAM_TREE_OPTICAL_COEFFICIENT, "Optical coefficient", -1000, 1000, -100, 100, 75},
    {PARAM_TREE_ABERRATION, "Aberration", 0, 1000, 0, 100, 20},
    {PARAM_TREE_REFLECTION_PERCENT, "Reflection percent", -1000, 1000, 0, 100, 100},
    {PARAM_LIGHT_MULTIPLY, "Multiply", -1000, 1000, 0, 150, 100},
    {PARAM_LIGHT_ROTATE_WV, "Rotate WV", -10000, 10000, 0, 180, 45},
};

TEST_F(ParamsSetupTest, RegistersSixtyFourParametersCountAndPanel)
{
    session.out.num_params = -7;
    ASSERT_EQ(RunParamsSetup(), PF_Err_NONE);
    EXPECT_EQ(session.defaults.size(), 65u);
    EXPECT_EQ(session.out.num_params, 65);
    ASSERT_TRUE(session.customUIRegistered);
    PF_CustomUIInfo expected;
    std::memset(&expected, 0, sizeof expected);
    expected.events = 7;
    EXPECT_EQ(std::memcmp(&session.customUI, &expected, sizeof expected), 0);
}

TEST_F(ParamsSetupTest, FixedSlidersCarryTheirRangesDefaultsAndPrecision)
{
    ASSERT_EQ(RunParamsSetup(), PF_Err_NONE);
    EXPECT_EQ(Fix(0.1), 0x199A);
    for (const FixedRow& r : FixedRows) {
        const PF_ParamDef& p = P(r.index);
        SCOPED_TRACE(r.name);
        EXPECT_EQ(p.param_type, PF_Param_FIX_SLIDER);
        EXPECT_EQ(Name(p), r.name);
        EXPECT_EQ(p.u.fd.valid_min, Fix(r.validMin));
        EXPECT_EQ(p.u.fd.valid_max, Fix(r.validMax));
        EXPECT_EQ(p.u.fd.slider_min, Fix(r.sliderMin));
        EXPECT_EQ(p.u.fd.slider_max, Fix(r.sliderMax));
        EXPECT_EQ(p.u.fd.dephault, Fix(r.dephault));
        EXPECT_EQ(p.u.fd.value, Fix(r.dephault));
        EXPECT_EQ(p.u.fd.precision, 2);
        EXPECT_EQ(p.u.fd.display_flags, 0);
        EXPECT_EQ(p.u.fd.value_str[0], '\0');
        EXPECT_EQ(p.u.fd.value_desc[0], '\0');
    }
}

TEST_F(ParamsSetupTest, OtherControlsAsAFreshInstanceShowsThem)
{
    ASSERT_EQ(RunParamsSetup(), PF_Err_NONE);
    const PF_ParamDef& info = P(PARAM_INFORMATION);
    EXPECT_EQ(info.param_type, PF_Param_NO_DATA);
    EXPECT_EQ(Name(info), "Information");
    EXPECT_EQ(info.ui_flags, PF_PUI_CONTROL);
    EXPECT_EQ(info.ui_width, 384);
    EXPECT_EQ(info.ui_height, 141);

    const PF_ParamDef& mode = P(PARAM_RENDERING_MODE);
    EXPECT_EQ(mode.param_type, PF_Param_POPUP);
    EXPECT_EQ(mode.u.pd.num_choices, 7);
    EXPECT_EQ(mode.u.pd.dephault, 5);
    EXPECT_EQ(mode.u.pd.value, 5);
    EXPECT_STREQ(mode.u.pd.u.namesptr, "Rough|Line|Wire|Flat|Phong|Patches|Bezier");

    const PF_ParamDef& shape = P(PARAM_NEEDLES_SHAPE);
    EXPECT_EQ(Name(shape), "Needles shape");
    EXPECT_EQ(shape.u.pd.num_choices, 3);
    EXPECT_EQ(shape.u.pd.dephault, 2);
    EXPECT_STREQ(shape.u.pd.u.namesptr, "Flat|Semi|Round");

    const PF_ParamDef& branches = P(PARAM_N_BRANCHES);
    EXPECT_EQ(branches.param_type, PF_Param_SLIDER);
    EXPECT_EQ(Name(branches), "N branches");
    EXPECT_EQ(branches.u.sd.valid_min, 1);
    EXPECT_EQ(branches.u.sd.valid_max, 10);
    EXPECT_EQ(branches.u.sd.slider_min, 1);
    EXPECT_EQ(branches.u.sd.slider_max, 5);
    EXPECT_EQ(branches.u.sd.dephault, 4);

    const PF_ParamDef& position = P(PARAM_POSITION);
    EXPECT_EQ(position.param_type, PF_Param_POINT);
    EXPECT_EQ(position.u.td.x_dephault, Fix(50));
    EXPECT_EQ(position.u.td.y_dephault, Fix(100));
    EXPECT_EQ(position.u.td.restrict_bounds, 0);

    const struct { ParamIndex index; const char* name; double dephault; } angles[] = {
        {PARAM_ROTATION_X, "Rotation X", 0}, {PARAM_ROTATION_Y, "Rotation Y", 0},
        {PARAM_ROTATION_Z, "Rotation Z", 180}, {PARAM_LIGHT_ROTATE_UV, "Rotate UV", 0}};
    for (const auto& a : angles) {
        EXPECT_EQ(P(a.index).param_type, PF_Param_ANGLE) << a.name;
        EXPECT_EQ(Name(P(a.index)), a.name);
        EXPECT_EQ(P(a.index).u.ad.dephault, Fix(a.dephault)) << a.name;
        EXPECT_EQ(P(a.index).u.ad.value, Fix(a.dephault)) << a.name;
    }

    const struct { ParamIndex index; const char* name; int r, g, b; } colors[] = {
        {PARAM_NEEDLE_DIFFUSE, "Diffuse", 23, 200, 1}, {PARAM_NEEDLE_SPECULAR, "Specular", 255, 255, 255},
        {PARAM_TREE_DIFFUSE, "Diffuse", 160, 80, 0}, {PARAM_TREE_SPECULAR, "Specular", 250, 170, 0},
        {PARAM_LIGHT_COLOR, "Light color", 255, 255, 255}};
    for (const auto& c : colors) {
        const PF_ParamDef& p = P(c.index);
        EXPECT_EQ(p.param_type, PF_Param_COLOR);
        EXPECT_EQ(Name(p), c.name);
        EXPECT_EQ(p.u.cd.dephault.alpha, 0);
        EXPECT_EQ(p.u.cd.dephault.red, c.r);
        EXPECT_EQ(p.u.cd.dephault.green, c.g);
        EXPECT_EQ(p.u.cd.dephault.blue, c.b);
        EXPECT_EQ(std::memcmp(&p.u.cd.value, &p.u.cd.dephault, sizeof(PF_Pixel)), 0);
    }

    const struct { ParamIndex index; const char* name; int dephault; } boxes[] = {
        {PARAM_NEEDLE_GLASS, "Glass", 0}, {PARAM_TREE_GLASS, "Glass", 0},
        {PARAM_OPPOSITE_LIGHT, "Opposite light", 1}, {PARAM_CUT_ALPHA, "Cut alpha", 0}};
    for (const auto& b : boxes) {
        const PF_ParamDef& p = P(b.index);
        EXPECT_EQ(p.param_type, PF_Param_CHECKBOX);
        EXPECT_EQ(Name(p), b.name);
        EXPECT_EQ(p.u.bd.dephault, b.dephault);
        EXPECT_EQ(p.u.bd.value, b.dephault);
        EXPECT_STREQ(p.u.bd.u.nameptr, "");
    }

    for (ParamIndex i : {PARAM_NEEDLE_REFLECTION_LAYER, PARAM_TREE_REFLECTION_LAYER}) {
        EXPECT_EQ(P(i).param_type, PF_Param_LAYER);
        EXPECT_EQ(Name(P(i)), "Texture reflection");
        EXPECT_EQ(P(i).u.ld.dephault, PF_LayerDefault_NONE);
    }
    EXPECT_EQ(P(PARAM_NEEDLE_REFLECTION_LAYER).uu.id, 1);
    EXPECT_EQ(P(PARAM_TREE_REFLECTION_LAYER).uu.id, 2);

    const struct { ParamIndex index; const char* name; } groups[] = {
        {PARAM_TREE_GROUP, "Tree"}, {PARAM_NEEDLES_GROUP, "Needles"},
        {PARAM_NEEDLE_MATERIAL_GROUP, "Material of needles"}, {PARAM_TREE_MATERIAL_GROUP, "Material of tree"},
        {PARAM_LIGHT_GROUP, "Light"}};
    for (const auto& g : groups) {
        EXPECT_EQ(P(g.index).param_type, PF_Param_GROUP_START);
        EXPECT_EQ(Name(P(g.index)), g.name);
    }
    for (ParamIndex i : {PARAM_TREE_GROUP_END, PARAM_NEEDLES_GROUP_END, PARAM_NEEDLE_MATERIAL_GROUP_END,
                         PARAM_TREE_MATERIAL_GROUP_END, PARAM_LIGHT_GROUP_END}) {
        EXPECT_EQ(P(i).param_type, PF_Param_GROUP_END);
        EXPECT_EQ(Name(P(i)), "");
    }
}

// Every record starts clean: ids, flags and angle ranges hold only what their own row sets.
TEST_F(ParamsSetupTest, NothingOfOneRecordCarriesIntoTheNext)
{
    ASSERT_EQ(RunParamsSetup(), PF_Err_NONE);
    for (int i = 1; i < PARAM_COUNT; ++i) {
        const PF_ParamDef& p = P(i);
        SCOPED_TRACE(i);
        const bool layer = i == PARAM_NEEDLE_REFLECTION_LAYER || i == PARAM_TREE_REFLECTION_LAYER;
        if (!layer) {
            EXPECT_EQ(p.uu.id, 0);
        }
        EXPECT_EQ(p.flags, i == PARAM_OPPOSITE_LIGHT ? 1 : 0);
        EXPECT_EQ(p.unused, 0);
        if (i != PARAM_INFORMATION) {
            EXPECT_EQ(p.ui_flags, 0);
            EXPECT_EQ(p.ui_width, 0);
            EXPECT_EQ(p.ui_height, 0);
        }
        if (p.param_type == PF_Param_ANGLE) {
            EXPECT_EQ(p.u.ad.valid_min, 0);
            EXPECT_EQ(p.u.ad.valid_max, 0);
        }
    }
}

TEST_F(ParamsSetupTest, AFailingAdditionEndsTheCommandAtOnce)
{
    for (int failAt : {1, 2, 30, 40, 64}) {
        SCOPED_TRACE(failAt);
        session.failAddParamAt = failAt;
        session.customUIRegistered = false;
        session.out.num_params = -7;
        EXPECT_EQ(RunParamsSetup(), PF_Err_OUT_OF_MEMORY);
        EXPECT_EQ(session.defaults.size(), size_t(failAt));   // the input layer and the ones before
        EXPECT_EQ(session.out.num_params, -7);
        EXPECT_FALSE(session.customUIRegistered);
    }
}

PF_Err RefuseUI(PF_ProgPtr, PF_CustomUIInfo*) { return PF_Err_INVALID_CALLBACK; }

TEST_F(ParamsSetupTest, TheCustomUIRegistrationIsTheResult)
{
    session.in.inter.register_ui = RefuseUI;
    EXPECT_EQ(RunParamsSetup(), PF_Err_INVALID_CALLBACK);
    EXPECT_EQ(session.out.num_params, 65);
    EXPECT_EQ(session.defaults.size(), 65u);
}

int StrcpyCalls = 0;
A_char* CountingStrcpy(A_char* dest, const A_char* src)
{
    ++StrcpyCalls;
    return std::strcpy(dest, src);
}

TEST_F(ParamsSetupTest, NamesGoThroughTheHostsStringCopy)
{
    StrcpyCalls = 0;
    session.utils.ansi.strcpy = CountingStrcpy;
    ASSERT_EQ(RunParamsSetup(), PF_Err_NONE);
    EXPECT_EQ(StrcpyCalls, 64);
}

TEST_F(ParamsSetupTest, AHostWithoutItsCallbacksIsRefused)
{
    session.in.inter.add_param = nullptr;
    EXPECT_EQ(RunParamsSetup(), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(session.defaults.size(), 1u);
}

// The whole life of an instance, as the host drives it: values start at the defaults, the
// position in layer pixels at the bottom centre.
TEST(ParamsInTheHost, FreshInstanceValues)
{
    HostSession session;
    SetLayerSize(session, 1920, 1080);
    ASSERT_EQ(RunEffectInstance(session, EntryPointFunc, nullptr, nullptr), PF_Err_NONE);
    EXPECT_TRUE(SessionProblems(session).empty());
    ASSERT_EQ(session.values.size(), 65u);
    EXPECT_EQ(session.values[PARAM_RENDERING_MODE].u.pd.value, 5);
    EXPECT_EQ(session.values[PARAM_N_BRANCHES].u.sd.value, 4);
    EXPECT_EQ(session.values[PARAM_NEEDLES_SHAPE].u.pd.value, 2);
    EXPECT_EQ(session.values[PARAM_POSITION].u.td.x_value, Fix(960));
    EXPECT_EQ(session.values[PARAM_POSITION].u.td.y_value, Fix(1080));
    EXPECT_EQ(session.values[PARAM_ROTATION_Z].u.ad.value, Fix(180));
    EXPECT_EQ(session.values[PARAM_NEEDLE_REFLECTION_LAYER].u.ld.data, nullptr);
    EXPECT_EQ(session.values[PARAM_TREE_REFLECTION_LAYER].u.ld.data, nullptr);
}

} // namespace

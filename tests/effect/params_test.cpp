// Parameter setup as a host sees it: every registered record, the count, the custom UI, and a
// host that fails part-way through.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <utility>

#include "effect/entry.h"
#include "effect/params.h"
#include "effect/render_inputs.h"
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

const char* TypeName(PF_ParamType type)
{
    switch (type) {
    case PF_Param_LAYER: return "layer";
    case PF_Param_SLIDER: return "slider";
    case PF_Param_FIX_SLIDER: return "fixed";
    case PF_Param_ANGLE: return "angle";
    case PF_Param_CHECKBOX: return "checkbox";
    case PF_Param_COLOR: return "colour";
    case PF_Param_POINT: return "point";
    case PF_Param_POPUP: return "popup";
    case PF_Param_NO_DATA: return "no-data";
    case PF_Param_GROUP_START: return "group";
    case PF_Param_GROUP_END: return "group-end";
    default: return "other";
    }
}

std::string Fixed(PF_Fixed v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", v / 65536.0);
    return text;
}

// One registered record as a host reads it: type, name, the type's own fields, and the id, flags
// and UI fields wherever they are not zero.
std::string Describe(const PF_ParamDef& p)
{
    std::ostringstream line;
    line << TypeName(p.param_type) << " \"" << Name(p) << "\"";
    switch (p.param_type) {
    case PF_Param_FIX_SLIDER:
        line << " valid " << Fixed(p.u.fd.valid_min) << ".." << Fixed(p.u.fd.valid_max) << " slider "
             << Fixed(p.u.fd.slider_min) << ".." << Fixed(p.u.fd.slider_max) << " default "
             << Fixed(p.u.fd.dephault) << " precision " << p.u.fd.precision << " display "
             << p.u.fd.display_flags << " texts \"" << p.u.fd.value_str << "\" \"" << p.u.fd.value_desc
             << "\"";
        if (p.u.fd.value != p.u.fd.dephault)
            line << " value " << Fixed(p.u.fd.value);
        break;
    case PF_Param_SLIDER:
        line << " valid " << p.u.sd.valid_min << ".." << p.u.sd.valid_max << " slider " << p.u.sd.slider_min
             << ".." << p.u.sd.slider_max << " default " << p.u.sd.dephault;
        if (p.u.sd.value != p.u.sd.dephault)
            line << " value " << p.u.sd.value;
        break;
    case PF_Param_ANGLE:
        line << " default " << Fixed(p.u.ad.dephault);
        if (p.u.ad.value != p.u.ad.dephault)
            line << " value " << Fixed(p.u.ad.value);
        if (p.u.ad.valid_min != 0 || p.u.ad.valid_max != 0)
            line << " range " << Fixed(p.u.ad.valid_min) << ".." << Fixed(p.u.ad.valid_max);
        break;
    case PF_Param_POPUP:
        line << " choices " << p.u.pd.num_choices << " \"" << p.u.pd.u.namesptr << "\" default "
             << p.u.pd.dephault;
        if (p.u.pd.value != p.u.pd.dephault)
            line << " value " << p.u.pd.value;
        break;
    case PF_Param_COLOR:
        line << " default " << int(p.u.cd.dephault.red) << "," << int(p.u.cd.dephault.green) << ","
             << int(p.u.cd.dephault.blue) << " alpha " << int(p.u.cd.dephault.alpha);
        if (std::memcmp(&p.u.cd.value, &p.u.cd.dephault, sizeof(PF_Pixel)) != 0)
            line << " value differs";
        break;
    case PF_Param_POINT:
        line << " default " << Fixed(p.u.td.x_dephault) << "%," << Fixed(p.u.td.y_dephault) << "%"
             << " restricted " << int(p.u.td.restrict_bounds);
        break;
    case PF_Param_CHECKBOX:
        line << " default " << int(p.u.bd.dephault) << " text \"" << p.u.bd.u.nameptr << "\"";
        if (p.u.bd.value != p.u.bd.dephault)
            line << " value " << int(p.u.bd.value);
        break;
    case PF_Param_LAYER:
        line << " default " << (p.u.ld.dephault == PF_LayerDefault_NONE ? "none" : "other");
        break;
    default:
        break;
    }
    if (p.uu.id != 0)
        line << " id " << p.uu.id;
    if (p.flags != 0)
        line << " flags " << p.flags;
    if (p.ui_flags != 0 || p.ui_width != 0 || p.ui_height != 0)
        line << " ui " << p.ui_flags << " " << p.ui_width << "x" << p.ui_height;
    if (p.unused != 0)
        line << " unused " << p.unused;
    return line.str();
}

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

// The parameters are the effect's interface: saved projects store values by index, and users
// know the controls by these names, menus, ranges and defaults. What a host reads from every
// record is held to tests/data/golden/parameters.txt, so any change to them is a reviewed one
// (VELMORA_UPDATE_GOLDEN=1 rewrites the file from the build that runs). A line that differs is
// named.
TEST_F(ParamsSetupTest, RecordsAreTheReviewedListing)
{
    ASSERT_EQ(RunParamsSetup(), PF_Err_NONE);
    std::ostringstream listing;
    listing << "# What parameter setup registers, as the host reads it back: index, type, name and\n"
            << "# the type's fields (16.16 values as decimals). Checked by the effect tests.\n";
    for (int i = 1; i < PARAM_COUNT; ++i)
        listing << i << " " << Describe(P(i)) << "\n";
    const std::string path = std::string(VELMORA_TEST_DATA) + "/golden/parameters.txt";
    if (std::getenv("VELMORA_UPDATE_GOLDEN")) {
        std::ofstream(path, std::ios::binary) << listing.str();
        return;
    }
    std::ifstream file(path, std::ios::binary);
    ASSERT_TRUE(file.good()) << path;
    std::istringstream expected(std::string(std::istreambuf_iterator<char>(file), {})), actual(listing.str());
    std::string want, got;
    int line = 0;
    while (std::getline(expected, want)) {
        ++line;
        ASSERT_TRUE(std::getline(actual, got)) << "line " << line << " missing: " << want;
        EXPECT_EQ(got, want) << "line " << line;
    }
    EXPECT_FALSE(std::getline(actual, got)) << "more records than listed: " << got;
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

// The defaults every benchmark and preset starts from are derived from the same table: a fresh
// instance in a host, converted, gives the same generator inputs, materials, glass, lights and
// placement, byte for byte, whatever the layer's size.
TEST(ParamsInTheHost, DefaultFrameParametersAreThoseOfAFreshInstance)
{
    for (const auto& size : {std::pair<int32_t, int32_t>{1920, 1080}, {333, 77}}) {
        SCOPED_TRACE(size.first);
        HostSession session;
        SetLayerSize(session, size.first, size.second);
        ASSERT_EQ(RunEffectInstance(session, EntryPointFunc, nullptr, nullptr), PF_Err_NONE);
        const FrameParameters host = ReadFrameParameters(ParamArray(session));
        const FrameParameters derived = DefaultFrameParameters(size.first, size.second);

        const TreeInputs a = GeneratorInputs(host, size.first, 5), b = GeneratorInputs(derived, size.first, 5);
        EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0);
        material3ds ma[2], mb[2];
        FillMaterials(host, ma);
        FillMaterials(derived, mb);
        EXPECT_EQ(std::memcmp(ma, mb, sizeof ma), 0);
        GlassProp ga[2], gb[2];
        FillGlass(host, 0.5f, ga);
        FillGlass(derived, 0.5f, gb);
        EXPECT_EQ(std::memcmp(ga, gb, sizeof ga), 0);
        light3ds la[2], lb[2];
        EXPECT_EQ(FillLights(host, la), FillLights(derived, lb));
        EXPECT_EQ(std::memcmp(la, lb, sizeof la), 0);
        __Point3ds pa[1] = {}, pb[1] = {};
        pa[0].x = pb[0].x = 3.0f;
        pa[0].y = pb[0].y = 40.0f;
        PlaceTree(host, size.first, size.second, pa, 1);
        PlaceTree(derived, size.first, size.second, pb, 1);
        EXPECT_EQ(std::memcmp(pa, pb, sizeof pa), 0);
        EXPECT_EQ(host.renderingMode, derived.renderingMode);
        EXPECT_EQ(host.cutAlpha, derived.cutAlpha);
    }
}

} // namespace

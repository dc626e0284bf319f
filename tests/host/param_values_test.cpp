// Parameter names and values as the host's user addresses them, on the effect's own parameters.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

#include "effect/entry.h"
#include "effect/params.h"
#include "host/param_values.h"
#include "host/sequence.h"

namespace {

// The value bits of a record, whatever its type, for comparing two sessions.
std::vector<int64_t> RawValue(const PF_ParamDef& p)
{
    switch (p.param_type) {
    case PF_Param_FIX_SLIDER: return {p.u.fd.value};
    case PF_Param_SLIDER: return {p.u.sd.value};
    case PF_Param_ANGLE: return {p.u.ad.value};
    case PF_Param_POPUP: return {p.u.pd.value};
    case PF_Param_CHECKBOX: return {p.u.bd.value};
    case PF_Param_COLOR: return {p.u.cd.value.red, p.u.cd.value.green, p.u.cd.value.blue};
    case PF_Param_POINT: return {p.u.td.x_value, p.u.td.y_value};
    default: return {};
    }
}

class ParamValuesTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(SetUpEffect(session, EntryPointFunc, nullptr), PF_Err_NONE); }
    void TearDown() override { SetDownEffect(session, EntryPointFunc); }
    const PF_ParamDef& V(int index) const { return session.values.at(size_t(index)); }
    HostSession session;
    std::string error;
};

TEST_F(ParamValuesTest, RepeatedNamesAreQualifiedByTheirGroup)
{
    EXPECT_EQ(ParamKey(session, PARAM_TREE_DIFFUSE), "Material of tree/Diffuse");
    EXPECT_EQ(ParamKey(session, PARAM_NEEDLE_DIFFUSE), "Material of needles/Diffuse");
    EXPECT_EQ(ParamKey(session, PARAM_GROW_UP), "Grow up");
    EXPECT_EQ(ParamKey(session, PARAM_LENGTH), "Length");   // inside "Tree", but unique
    EXPECT_EQ(ParamGroupPath(session, PARAM_LENGTH), "Tree");
    EXPECT_EQ(ParamGroupPath(session, PARAM_POSITION), "");
    EXPECT_EQ(ParamKey(session, PARAM_LIGHT_GROUP_END), "(end of Light)");
    EXPECT_EQ(ParamKey(session, 0), "(input layer)");
    // Different case, different name: both "Strength of ..." stay unqualified.
    EXPECT_EQ(ParamKey(session, PARAM_TREE_SHININESS_STRENGTH), "Strength of Shininess");

    EXPECT_EQ(FindParam(session, "Material of tree/Diffuse", error), PARAM_TREE_DIFFUSE);
    EXPECT_EQ(FindParam(session, "Tree/Length", error), PARAM_LENGTH);
    EXPECT_EQ(FindParam(session, "Length", error), PARAM_LENGTH);
    EXPECT_EQ(FindParam(session, "Diffuse", error), -1);   // ambiguous without its group
    EXPECT_NE(error.find("\"Material of needles/Diffuse\" or \"Material of tree/Diffuse\""), std::string::npos)
        << error;
}

TEST_F(ParamValuesTest, NamesMatchInAnyCaseAndAMisspeltOneGetsTheClosest)
{
    EXPECT_EQ(FindParam(session, "grow UP", error), PARAM_GROW_UP);
    EXPECT_EQ(FindParam(session, "material of TREE/diffuse", error), PARAM_TREE_DIFFUSE);
    // Two names that differ only in case: exact, they are two parameters; in another case, ambiguous.
    EXPECT_EQ(FindParam(session, "Strength of shininess", error), PARAM_NEEDLE_SHININESS_STRENGTH);
    EXPECT_EQ(FindParam(session, "Strength of Shininess", error), PARAM_TREE_SHININESS_STRENGTH);
    EXPECT_EQ(FindParam(session, "STRENGTH OF SHININESS", error), -1);
    EXPECT_NE(error.find("give its group"), std::string::npos) << error;
    EXPECT_EQ(FindParam(session, "Transparancy", error), -1);
    EXPECT_NE(error.find("\"Material of needles/Transparancy\" or \"Material of tree/Transparancy\""),
              std::string::npos)
        << error;
    EXPECT_EQ(FindParam(session, "Lenght", error), -1);
    EXPECT_NE(error.find("did you mean \"Length\"?"), std::string::npos) << error;
    EXPECT_EQ(FindParam(session, "Rotaton z", error), -1);
    EXPECT_NE(error.find("did you mean \"Rotation Z\"?"), std::string::npos) << error;
    EXPECT_EQ(FindParam(session, "Something else entirely", error), -1);
    EXPECT_EQ(error.find("did you mean"), std::string::npos) << error;
}

// Each message says what the parameter takes, in its own terms.
TEST_F(ParamValuesTest, RefusalsSayWhatWasExpected)
{
    const struct {
        int index;
        const char* text;
        const char* expect;
    } cases[] = {
        {PARAM_LENGTH, "abc", "\"Length\": \"abc\" is not a number (valid: 0.1 to 1000)"},
        {PARAM_ROTATION_X, "abc", "\"Rotation X\": \"abc\" is not a number (valid: any angle in degrees)"},
        {PARAM_POSITION, "1,2,3", "\"Position\": \"1,2,3\" is not a point"},
        {PARAM_POSITION, "40000,0", "outside the pixels a point reaches, -32768 to 32767"},
        {PARAM_TREE_DIFFUSE, "1,2", "is not a colour"},
        {PARAM_RENDERING_MODE, "Raytrace", "is not one of its choices (valid: 1 to 7 or a name of Rough|"},
        {PARAM_TREE_REFLECTION_LAYER, "1", "is a layer: give its image with --tree-reflection FILE"},
        {PARAM_NEEDLE_REFLECTION_LAYER, "1", "--needle-reflection"},
        {PARAM_INFORMATION, "1", "\"Information\" (no-data) takes no value"},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(SetParamFromText(session, c.index, c.text, error)) << c.text;
        EXPECT_NE(error.find(c.expect), std::string::npos) << error;
        EXPECT_EQ(error.find("16.16"), std::string::npos) << error;
        EXPECT_EQ(error.find("a value of a"), std::string::npos) << error;
    }
    // A point given three numbers in a file is still a point's problem, not a colour's.
    const nlohmann::ordered_json file = {{"parameters", {{{"key", "Position"}, {"value", {1, 2, 3}}}}}};
    EXPECT_FALSE(ApplyParamsJson(session, file, error));
    EXPECT_NE(error.find("is not a point"), std::string::npos) << error;
    EXPECT_EQ(error.find("colour"), std::string::npos) << error;
}

TEST_F(ParamValuesTest, ValuesAreSetPerIndexAndLeaveTheDefaults)
{
    ASSERT_TRUE(SetParamFromText(session, PARAM_LENGTH, "12.5", error)) << error;
    EXPECT_EQ(V(PARAM_LENGTH).u.fd.value, PF_Fixed(12.5 * 65536));
    EXPECT_EQ(session.defaults[PARAM_LENGTH].u.fd.value, 50 << 16);
    ASSERT_TRUE(SetParamFromText(session, PARAM_RENDERING_MODE, "Bezier", error)) << error;
    EXPECT_EQ(V(PARAM_RENDERING_MODE).u.pd.value, 7);
    ASSERT_TRUE(SetParamFromText(session, PARAM_N_BRANCHES, "7", error)) << error;
    EXPECT_EQ(V(PARAM_N_BRANCHES).u.sd.value, 7);
    ASSERT_TRUE(SetParamFromText(session, PARAM_ROTATION_Z, "-90", error)) << error;
    EXPECT_EQ(V(PARAM_ROTATION_Z).u.ad.value, -90 * 65536);
    ASSERT_TRUE(SetParamFromText(session, PARAM_CUT_ALPHA, "on", error)) << error;
    EXPECT_EQ(V(PARAM_CUT_ALPHA).u.bd.value, 1);
    ASSERT_TRUE(SetParamFromText(session, PARAM_TREE_DIFFUSE, "1,2,3", error)) << error;
    EXPECT_EQ(V(PARAM_TREE_DIFFUSE).u.cd.value.red, 1);
    EXPECT_EQ(V(PARAM_TREE_DIFFUSE).u.cd.value.blue, 3);
    EXPECT_EQ(V(PARAM_NEEDLE_DIFFUSE).u.cd.value.red, 23);
    ASSERT_TRUE(SetParamFromText(session, PARAM_POSITION, "100.5,-20", error)) << error;
    EXPECT_EQ(V(PARAM_POSITION).u.td.x_value, PF_Fixed(100.5 * 65536));
    EXPECT_EQ(V(PARAM_POSITION).u.td.y_value, -20 * 65536);
    // In percent of the layer (1920 x 1080 here), each coordinate on its own.
    ASSERT_TRUE(SetParamFromText(session, PARAM_POSITION, "25%, 50 %", error)) << error;
    EXPECT_EQ(V(PARAM_POSITION).u.td.x_value, 480 * 65536);
    EXPECT_EQ(V(PARAM_POSITION).u.td.y_value, 540 * 65536);
    ASSERT_TRUE(SetParamFromText(session, PARAM_POSITION, "10,100%", error)) << error;
    EXPECT_EQ(V(PARAM_POSITION).u.td.y_value, 1080 * 65536);

    ResetParamValues(session);
    EXPECT_EQ(V(PARAM_LENGTH).u.fd.value, 50 << 16);
    EXPECT_EQ(V(PARAM_RENDERING_MODE).u.pd.value, 5);
}

TEST_F(ParamValuesTest, ValuesOutsideTheValidRangeOrWithoutMeaningAreRefused)
{
    const PF_Fixed before = V(PARAM_LENGTH).u.fd.value;
    const std::pair<int32_t, double> badNumbers[] = {
        {PARAM_LENGTH, 0.05},   // below the valid 0.1
        {PARAM_LENGTH, std::nan("")},
        {PARAM_LENGTH, std::numeric_limits<double>::infinity()},
        {PARAM_SCALE, 1000.5},
        {PARAM_N_BRANCHES, 11},
        {PARAM_N_BRANCHES, 2.5},
        {PARAM_RENDERING_MODE, 8},
        {PARAM_RENDERING_MODE, 0},
        {PARAM_CUT_ALPHA, 2},
        {PARAM_ROTATION_X, 1e9},
        {PARAM_TREE_GROUP, 1},
        {PARAM_COUNT, 1},
        {-1, 1},
    };
    for (const auto& [index, number] : badNumbers) {
        error.clear();
        EXPECT_FALSE(SetParamNumber(session, index, number, error)) << index << " = " << number;
        EXPECT_FALSE(error.empty()) << index << " = " << number;
    }
    const std::pair<int32_t, const char*> badTexts[] = {
        {PARAM_TREE_DIFFUSE, "256,0,0"},
        {PARAM_TREE_DIFFUSE, "1,2"},
        {PARAM_POSITION, "1"},
        {PARAM_POSITION, "%,5"},
        {PARAM_POSITION, "5%%,5"},
        {PARAM_RENDERING_MODE, "Phongg"},
        {PARAM_LENGTH, "12abc"},
        {PARAM_LENGTH, ""},
        {PARAM_NEEDLE_REFLECTION_LAYER, "1"},
    };
    for (const auto& [index, text] : badTexts) {
        error.clear();
        EXPECT_FALSE(SetParamFromText(session, index, text, error)) << index << " = \"" << text << "\"";
        EXPECT_FALSE(error.empty()) << index << " = \"" << text << "\"";
    }
    EXPECT_EQ(V(PARAM_LENGTH).u.fd.value, before);
    EXPECT_TRUE(SetParamNumber(session, PARAM_LENGTH, 0.1, error));
    EXPECT_TRUE(SetParamNumber(session, PARAM_SCALE, -1000, error));   // far outside its slider
}

TEST_F(ParamValuesTest, AParameterFileRestoresWhatTheListingWrote)
{
    const std::pair<int32_t, const char*> changes[] = {
        {PARAM_WIDTH, "7.25"},           {PARAM_NEEDLES_SHAPE, "Round"},    {PARAM_TREE_SPECULAR, "9,8,7"},
        {PARAM_POSITION, "10,20"},       {PARAM_OPPOSITE_LIGHT, "off"},     {PARAM_LIGHT_ROTATE_UV, "33.5"},
    };
    for (const auto& [index, text] : changes)
        ASSERT_TRUE(SetParamFromText(session, index, text, error)) << error;
    const nlohmann::ordered_json file = ParamsToJson(session);
    ASSERT_EQ(file["parameters"].size(), 64u);

    HostSession other;
    ASSERT_EQ(SetUpEffect(other, EntryPointFunc, nullptr), PF_Err_NONE);
    ASSERT_TRUE(ApplyParamsJson(other, file, error)) << error;
    for (size_t i = 1; i < session.values.size(); ++i)
        EXPECT_EQ(RawValue(other.values[i]), RawValue(session.values[i])) << i;
    SetDownEffect(other, EntryPointFunc);
}

TEST_F(ParamValuesTest, ABadParameterFileIsRefusedWithTheReason)
{
    EXPECT_FALSE(ApplyParamsJson(session, nlohmann::ordered_json::array(), error));
    nlohmann::ordered_json file = {{"parameters", {{{"key", "No such"}, {"value", 1}}}}};
    EXPECT_FALSE(ApplyParamsJson(session, file, error));
    EXPECT_NE(error.find("No such"), std::string::npos);
    file = {{"parameters", {{{"key", "Grow up"}, {"value", 101}}}}};
    EXPECT_FALSE(ApplyParamsJson(session, file, error));
    file = {{"parameters", {{{"key", "Grow up"}, {"value", {{"x", 1}}}}}}};
    EXPECT_FALSE(ApplyParamsJson(session, file, error));
    file = {{"parameters", {{{"index", 3}, {"value", 25}}, {{"key", "Cut alpha"}, {"value", true}}}}};
    EXPECT_TRUE(ApplyParamsJson(session, file, error)) << error;
    EXPECT_EQ(V(PARAM_GROW_UP).u.fd.value, 25 << 16);
    EXPECT_EQ(V(PARAM_CUT_ALPHA).u.bd.value, 1);
}

} // namespace

// `--set` values and keyframes on the effect's own parameters: linear interpolation per type, held
// popups and checkboxes, and refusals that name the parameter and its range.
#include <gtest/gtest.h>

#include <cstring>

#include "effect/entry.h"
#include "effect/params.h"
#include "host/keyframes.h"
#include "host/sequence.h"

namespace {

class KeyframesTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(SetUpEffect(session, EntryPointFunc, nullptr), PF_Err_NONE); }
    void TearDown() override { SetDownEffect(session, EntryPointFunc); }

    ParamSetting Parse(const std::string& text)
    {
        ParamSetting s;
        EXPECT_TRUE(ParseSetting(session, text, s, error)) << error;
        return s;
    }
    // The message of a refused setting; the current values must be untouched by it.
    std::string Refusal(const std::string& text)
    {
        const std::vector<PF_ParamDef> before = session.values;
        ParamSetting s;
        EXPECT_FALSE(ParseSetting(session, text, s, error)) << text;
        for (size_t i = 0; i < before.size(); ++i)
            EXPECT_EQ(std::memcmp(&before[i], &session.values[i], sizeof before[i]), 0) << text;
        return error;
    }
    void At(const ParamSetting& s, int32_t frame) { ASSERT_TRUE(ApplySetting(session, s, frame, error)) << error; }
    const PF_ParamDef& V(int index) const { return session.values.at(size_t(index)); }

    HostSession session;
    std::string error;
};

TEST_F(KeyframesTest, NumbersMoveLinearlyAndHoldBeyondTheirKeys)
{
    const ParamSetting grow = Parse("Grow up=0@0,100@23");
    EXPECT_TRUE(grow.keyframed);
    ASSERT_EQ(grow.keys.size(), 2u);
    At(grow, 0);
    EXPECT_EQ(V(PARAM_GROW_UP).u.fd.value, 0);
    At(grow, 23);
    EXPECT_EQ(V(PARAM_GROW_UP).u.fd.value, 100 << 16);
    At(grow, 10);
    EXPECT_NEAR(V(PARAM_GROW_UP).u.fd.value / 65536.0, 1000.0 / 23.0, 1.0 / 65536);
    At(grow, 500);
    EXPECT_EQ(V(PARAM_GROW_UP).u.fd.value, 100 << 16);

    // Three keys, starting after frame 0: the first value holds before it.
    const ParamSetting len = Parse("Length=10@4,110@14,60@24");
    At(len, 0);
    EXPECT_EQ(V(PARAM_LENGTH).u.fd.value, 10 << 16);
    At(len, 9);
    EXPECT_EQ(V(PARAM_LENGTH).u.fd.value, 60 << 16);
    At(len, 19);
    EXPECT_EQ(V(PARAM_LENGTH).u.fd.value, 85 << 16);

    // Integer sliders round; angles need no range.
    const ParamSetting levels = Parse("N branches=1@0,4@2");
    At(levels, 1);
    EXPECT_EQ(V(PARAM_N_BRANCHES).u.sd.value, 3);   // 2.5 rounds away from zero
    const ParamSetting spin = Parse("Rotation Y=0@0,720@8");
    At(spin, 2);
    EXPECT_EQ(V(PARAM_ROTATION_Y).u.ad.value, 180 << 16);
}

TEST_F(KeyframesTest, ColoursAndPointsMoveComponentWise)
{
    const ParamSetting c = Parse("Material of tree/Diffuse=0,0,0@0,255,100,1@10");
    ASSERT_EQ(c.keys.size(), 2u);
    At(c, 5);
    const PF_Pixel& px = V(PARAM_TREE_DIFFUSE).u.cd.value;
    EXPECT_EQ(px.red, 128);   // 127.5 rounds up
    EXPECT_EQ(px.green, 50);
    EXPECT_EQ(px.blue, 1);    // 0.5 rounds up
    const ParamSetting p = Parse("Position=0,0@0,960,1080@4");
    At(p, 1);
    EXPECT_EQ(V(PARAM_POSITION).u.td.x_value, 240 << 16);
    EXPECT_EQ(V(PARAM_POSITION).u.td.y_value, 270 << 16);
}

TEST_F(KeyframesTest, PopupsAndCheckboxesHoldUntilTheNextKey)
{
    const ParamSetting mode = Parse("Rendering mode=Wire@0,7@10");
    At(mode, 9);
    EXPECT_EQ(V(PARAM_RENDERING_MODE).u.pd.value, 3);
    At(mode, 10);
    EXPECT_EQ(V(PARAM_RENDERING_MODE).u.pd.value, 7);
    const ParamSetting cut = Parse("Cut alpha=on@0,off@3");
    At(cut, 2);
    EXPECT_EQ(V(PARAM_CUT_ALPHA).u.bd.value, 1);
    At(cut, 3);
    EXPECT_EQ(V(PARAM_CUT_ALPHA).u.bd.value, 0);
}

TEST_F(KeyframesTest, APlainValueHoldsForEveryFrame)
{
    const ParamSetting s = Parse("Needles shape=Round");
    EXPECT_FALSE(s.keyframed);
    At(s, 0);
    At(s, 99);
    EXPECT_EQ(V(PARAM_NEEDLES_SHAPE).u.pd.value, 3);
    const ParamSetting light = Parse("Light color=255,128,0");
    At(light, 7);
    EXPECT_EQ(V(PARAM_LIGHT_COLOR).u.cd.value.green, 128);
}

TEST_F(KeyframesTest, RefusalsNameTheParameterAndItsRange)
{
    std::string e = Refusal("Grow up=150");
    EXPECT_NE(e.find("Grow up"), std::string::npos) << e;
    EXPECT_NE(e.find("0 to 100"), std::string::npos) << e;
    e = Refusal("Grow up=0@0,150@10");
    EXPECT_NE(e.find("0 to 100"), std::string::npos) << e;
    e = Refusal("Grow up=0@10,100@5");
    EXPECT_NE(e.find("increasing frame order"), std::string::npos) << e;
    EXPECT_NE(e.find("0 to 100"), std::string::npos) << e;
    e = Refusal("Grow up=0@3,100@3");
    EXPECT_NE(e.find("increasing"), std::string::npos) << e;
    for (const char* malformed : {"Grow up=0@", "Grow up=@4", "Grow up=0@x", "Grow up=0@-2", "Grow up=5@1@2",
                                  "Grow up=0@0,50", "Grow up=abc@0", "Grow up="}) {
        e = Refusal(malformed);
        EXPECT_NE(e.find("Grow up"), std::string::npos) << malformed << ": " << e;
        EXPECT_NE(e.find("0 to 100"), std::string::npos) << malformed << ": " << e;
    }
    e = Refusal("N branches=2.5");
    EXPECT_NE(e.find("1 to 10"), std::string::npos) << e;
    e = Refusal("Material of tree/Diffuse=300,0,0");
    EXPECT_NE(e.find("0 to 255"), std::string::npos) << e;
    e = Refusal("Rendering mode=Raytrace");
    EXPECT_NE(e.find("Rough|Line"), std::string::npos) << e;
    e = Refusal("Diffuse=1,2,3");   // ambiguous without its group
    EXPECT_NE(e.find("Diffuse"), std::string::npos) << e;
    e = Refusal("No such thing=1");
    EXPECT_NE(e.find("No such thing"), std::string::npos) << e;
    e = Refusal("Grow up");
    EXPECT_NE(e.find("NAME=VALUE"), std::string::npos) << e;
    e = Refusal("Material of tree/Texture reflection=1");   // a layer, set with --tree-reflection
    EXPECT_NE(e.find("Texture reflection"), std::string::npos) << e;
}

} // namespace

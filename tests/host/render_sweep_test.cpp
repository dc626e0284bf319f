// Every parameter at both ends of its valid range (every choice of a popup), rendered at a tiny
// size in 8 and in 16 bits, at draft and at full quality, through the host's session: each frame must come back from the effect
// without an error, a host problem or a sanitizer report.
//
// To keep the sweep fast the other parameters sit at a cheap base: two branch levels, both
// reflection layers given and both materials' glass on (so that the refraction,
// aberration and reflection values reach the samplers). Ten levels, the end of "N branches", is
// swept with the sparsest needles (the end of "Needles density") and 70 % grown: the full tree
// of ten levels is five million triangles and 900 MB of mesh, drawn once, outside the sanitizer
// builds, by its own test.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include "effect/params.h"
#include "host/keyframes.h"
#include "host/param_values.h"
#include "tests/host/render_fixture.h"

namespace {

std::string Fixed(PF_Fixed v)
{
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.6f", v / 65536.0);
    return buf;
}

// The settings that take one parameter to the ends of its range.
std::vector<std::string> Ends(const HostSession& s, int32_t index)
{
    const PF_ParamDef& p = s.defaults[size_t(index)];
    const std::string key = ParamKey(s, index) + "=";
    switch (p.param_type) {
    case PF_Param_FIX_SLIDER: return {key + Fixed(p.u.fd.valid_min), key + Fixed(p.u.fd.valid_max)};
    case PF_Param_SLIDER:
        return {key + std::to_string(p.u.sd.valid_min), key + std::to_string(p.u.sd.valid_max)};
    // Angles and points have no range of their own: the ends of what 16.16 holds.
    case PF_Param_ANGLE: return {key + "-32767", key + "32767"};
    case PF_Param_POINT: return {key + "-32767,-32767", key + "32767,32767"};
    case PF_Param_COLOR: return {key + "0,0,0", key + "255,255,255"};
    case PF_Param_CHECKBOX: return {key + "0", key + "1"};
    case PF_Param_POPUP: {
        std::vector<std::string> all;
        for (int v = 1; v <= p.u.pd.num_choices; ++v)
            all.push_back(key + std::to_string(v));
        return all;
    }
    default: return {};
    }
}

// Parameters: deep, draft.
class RenderSweepTest : public RenderTest, public ::testing::WithParamInterface<std::tuple<bool, bool>> {
protected:
    void SetUp() override
    {
        RenderTest::SetUp();
        RgbaImage map = UniformImage(6, 4, 0);
        for (size_t i = 0; i < map.pixels.size(); ++i)
            map.pixels[i] = uint16_t((i * 7919u) & 0xFFFF);
        mapPath = (folder.Path() / "map.png").string();
        ASSERT_TRUE(WritePngFile(mapPath, map, error)) << error;
    }
    RenderOptions Base() const
    {
        RenderOptions o = SmallOptions(48, 27, 23);
        o.deep = std::get<0>(GetParam());
        o.draft = std::get<1>(GetParam());
        o.treeReflectionPath = o.needleReflectionPath = mapPath;
        o.settings = {"N branches=2", "Material of tree/Glass=on", "Material of needles/Glass=on"};
        return o;
    }
    ScratchFolder folder;
    std::string mapPath;
};

TEST_P(RenderSweepTest, EveryParameterAtBothEndsRenders)
{
    int renders = 0;
    for (int32_t index = 1; index < PARAM_COUNT; ++index)
        for (const std::string& end : Ends(session, index)) {
            SCOPED_TRACE(end);
            RenderOptions o = Base();
            o.settings.push_back(end);
            if (end == "N branches=10") {
                o.settings.push_back("Needles density=1");
                o.settings.push_back("Grow up=70");
            }
            const RgbaImage frame = Render(o, 23);
            ASSERT_EQ(frame.width, 48);
            ASSERT_FALSE(frame.pixels.empty());
            ASSERT_TRUE(session.effectMessages.empty()) << session.effectMessages.front();
            ASSERT_TRUE(SessionProblems(session).empty()) << SessionProblems(session).front();
            ++renders;
        }
    EXPECT_GT(renders, 100);
}

TEST_P(RenderSweepTest, HalfAndQuarterResolutionAtTheExtremesOfSize)
{
    for (int32_t factor : {2, 4})
        for (auto size : {std::pair<int32_t, int32_t>{1, 1}, {3, 200}, {200, 3}}) {
            RenderOptions o = Base();
            o.width = size.first;
            o.height = size.second;
            o.resolution = factor;
            const RgbaImage frame = Render(o, 23);
            EXPECT_EQ(frame.width, (size.first + factor - 1) / factor);
            EXPECT_EQ(frame.height, (size.second + factor - 1) / factor);
        }
}

#if defined(__SANITIZE_ADDRESS__)
TEST_P(RenderSweepTest, DISABLED_TheFullTreeOfTenLevelsRenders)
#else
TEST_P(RenderSweepTest, TheFullTreeOfTenLevelsRenders)
#endif
{
    if (std::get<0>(GetParam()) || !std::get<1>(GetParam()))
        GTEST_SKIP() << "drawn once, at 8 bits and draft quality";
    RenderOptions o = Base();
    o.settings = {"N branches=10", "Needles density=1"};
    const RgbaImage frame = Render(o, 23);
    EXPECT_EQ(frame.width, 48);
}

INSTANTIATE_TEST_SUITE_P(DepthsAndQualities, RenderSweepTest, ::testing::Combine(::testing::Bool(), ::testing::Bool()),
                         [](const ::testing::TestParamInfo<std::tuple<bool, bool>>& info) {
                             return std::string(std::get<0>(info.param) ? "Deep" : "EightBit") +
                                    (std::get<1>(info.param) ? "Draft" : "High");
                         });

} // namespace

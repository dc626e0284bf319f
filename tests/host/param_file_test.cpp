// Parameter files read strictly: what `velmora params --json` writes reads back exactly (at any
// value a 16.16 record holds), keyframes come in both forms, and anything a preset could get
// wrong is refused with the entry named, leaving the values as they were.
#include <gtest/gtest.h>

#include <cstring>

#include "effect/entry.h"
#include "effect/params.h"
#include "host/param_file.h"
#include "host/param_values.h"
#include "host/sequence.h"

namespace {

using json = nlohmann::ordered_json;

class ParamFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(SetUpEffect(session, EntryPointFunc, nullptr), PF_Err_NONE);
        SetLayerSize(session, 1920, 1080);
        ResetParamValues(session);
    }
    void TearDown() override { SetDownEffect(session, EntryPointFunc); }

    // The file with one entry changed (found by key), or with `change` applied to the whole.
    json WithEntry(const std::string& key, const std::function<void(json&)>& change)
    {
        json file = ParamsToJson(session);
        for (json& entry : file["parameters"])
            if (entry["key"] == key)
                change(entry);
        return file;
    }
    std::string Refusal(const json& file)
    {
        std::vector<ParamSetting> settings;
        EXPECT_FALSE(ReadParamsJson(session, file, settings, error)) << file.dump();
        return error;
    }

    HostSession session;
    std::string error;
};

TEST_F(ParamFileTest, WhatIsWrittenReadsBackExactly)
{
    // Values no slider shows: odd 16.16 fractions, a point off the pixel grid.
    session.values[PARAM_LENGTH].u.fd.value = 0x00123457;
    session.values[PARAM_ROTATION_Y].u.ad.value = -0x0005FFFF;
    session.values[PARAM_POSITION].u.td.x_value = 0x01234567;
    session.values[PARAM_POSITION].u.td.y_value = -0x00000003;
    const std::vector<PF_ParamDef> before = session.values;
    const json file = ParamsToJson(session);
    ResetParamValues(session);
    ASSERT_TRUE(ApplyParamsJson(session, file, error)) << error;
    for (size_t i = 1; i < before.size(); ++i)
        EXPECT_EQ(std::memcmp(&before[i].u, &session.values[i].u, sizeof before[i].u), 0) << i;
}

TEST_F(ParamFileTest, KeyframesComeAsAListOrAsText)
{
    std::vector<ParamSetting> settings;
    json file = WithEntry("Grow up", [](json& e) { e["value"] = json::parse(R"([{"frame": 5, "value": 10}, {"frame": 15, "value": 30}])"); });
    ASSERT_TRUE(ReadParamsJson(session, file, settings, error)) << error;
    const auto grow = std::find_if(settings.begin(), settings.end(), [](const ParamSetting& s) { return s.index == PARAM_GROW_UP; });
    ASSERT_NE(grow, settings.end());
    ASSERT_TRUE(ApplySetting(session, *grow, 10, error)) << error;
    EXPECT_EQ(session.values[PARAM_GROW_UP].u.fd.value, 20 << 16);

    file = WithEntry("Position", [](json& e) { e["value"] = "0%,100%@0,100%,100%@20"; });
    ASSERT_TRUE(ReadParamsJson(session, file, settings, error)) << error;
    const auto moved = std::find_if(settings.begin(), settings.end(), [](const ParamSetting& s) { return s.index == PARAM_POSITION; });
    ASSERT_NE(moved, settings.end());
    ASSERT_TRUE(ApplySetting(session, *moved, 5, error)) << error;
    EXPECT_EQ(session.values[PARAM_POSITION].u.td.x_value, 480 << 16);
}

// A point stored in percent places the tree the same on a layer of another size; the older
// pixel form is read as pixels, and its 1920x1080 default as the default.
TEST_F(ParamFileTest, PointsAreFractionsOfTheLayer)
{
    ASSERT_TRUE(SetParamFromText(session, PARAM_POSITION, "480,810", error)) << error;
    const json file = ParamsToJson(session);
    SetLayerSize(session, 960, 540);
    ResetParamValues(session);
    ASSERT_TRUE(ApplyParamsJson(session, file, error)) << error;
    EXPECT_EQ(session.values[PARAM_POSITION].u.td.x_value, 240 << 16);
    EXPECT_EQ(session.values[PARAM_POSITION].u.td.y_value, 405 << 16);

    json old = WithEntry("Position", [](json& e) { e["value"] = json::array({100, 200}); });
    ASSERT_TRUE(ApplyParamsJson(session, old, error)) << error;
    EXPECT_EQ(session.values[PARAM_POSITION].u.td.x_value, 100 << 16);
    ResetParamValues(session);
    old = WithEntry("Position", [](json& e) { e["value"] = json::array({960, 1080}); });
    ASSERT_TRUE(ApplyParamsJson(session, old, error)) << error;
    EXPECT_EQ(session.values[PARAM_POSITION].u.td.x_value, 480 << 16);   // 50 % of 960
    EXPECT_EQ(session.values[PARAM_POSITION].u.td.y_value, 540 << 16);
}

TEST_F(ParamFileTest, AnythingWrongIsRefusedNamingTheEntry)
{
    const struct {
        std::string key;
        std::function<void(json&)> change;
        const char* expect;
    } cases[] = {
        {"Length", [](json& e) { e["valu"] = 3; }, "parameter entry 6 (\"Length\"): parameter entries have no field \"valu\""},
        {"Length", [](json& e) { e["index"] = 7; }, "the key names parameter 6 but \"index\" says 7"},
        {"Length", [](json& e) { e["name"] = "Lenght"; }, "\"name\" \"Lenght\" but parameter 6 is \"Length\""},
        {"Length", [](json& e) { e["type"] = "slider"; }, "\"type\" \"slider\" but \"Length\" is a fixed"},
        {"Length", [](json& e) { e["value"] = json::array({1, 2}); }, "\"Length\": [1,2] is not a number"},
        {"Length", [](json& e) { e["value"] = true; }, "is not a number"},
        {"Length", [](json& e) { e["value"] = 5000; }, "outside its valid range 0.1 to 1000"},
        {"Length", [](json& e) { e["key"] = "Lenght"; }, "did you mean \"Length\"?"},
        {"Length", [](json& e) { e.erase("key"); e.erase("index"); }, "needs a \"key\" or an \"index\""},
        {"Position", [](json& e) { e["value"] = json::array({1, 2, 3}); }, "is not a point"},
        {"Cut alpha", [](json& e) { e["value"] = "perhaps"; }, "is not a checkbox value"},
        {"Grow up", [](json& e) { e["value"] = json::parse(R"([{"frame": 9, "value": 1}, {"frame": 3, "value": 2}])"); },
         "increasing frame order"},
        {"Grow up", [](json& e) { e["value"] = json::parse(R"([{"frame": -1, "value": 1}])"); }, "a frame of 0 or more"},
        {"Grow up", [](json& e) { e["value"] = json::parse(R"([{"frame": 1, "value": 1, "ease": 2}])"); }, "\"ease\""},
        {"Material of tree/Texture reflection", [](json& e) { e["value"] = 1; }, "takes no value"},
    };
    for (const auto& c : cases) {
        const std::vector<PF_ParamDef> before = session.values;
        const std::string e = Refusal(WithEntry(c.key, c.change));
        EXPECT_NE(e.find(c.expect), std::string::npos) << e;
        EXPECT_NE(e.find("parameter entry "), std::string::npos) << e;
        for (size_t i = 0; i < before.size(); ++i)
            EXPECT_EQ(std::memcmp(&before[i].u, &session.values[i].u, sizeof before[i].u), 0) << c.expect;
    }
    json twice = ParamsToJson(session);
    twice["parameters"].push_back(json{{"key", "Grow up"}, {"value", 3}});
    EXPECT_NE(Refusal(twice).find("\"Grow up\" already has a value from entry 3"), std::string::npos) << error;
    json extra = ParamsToJson(session);
    extra["preset"] = "mine";
    EXPECT_NE(Refusal(extra).find("a field \"preset\""), std::string::npos) << error;
    EXPECT_NE(Refusal(json::array()).find("\"parameters\" list"), std::string::npos) << error;
}

} // namespace

// The host's operations as an effect calls them: parameter records kept, check-outs balanced,
// suites counted, messages bounded, platform data answered, misuse reported.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "host/host_ops.h"

namespace {

class HostOpsTest : public ::testing::Test {
protected:
    PF_ParamDef Record(PF_ParamType type, const char* name)
    {
        PF_ParamDef def;
        std::memset(&def, 0, sizeof def);
        def.param_type = type;
        std::strcpy(def.name, name);
        return def;
    }
    PF_Err Add(PF_ParamDef def, PF_ParamIndex index = -1)
    {
        return session.in.inter.add_param(session.in.effect_ref, index, &def);
    }
    bool HasProblemContaining(const std::string& text) const
    {
        for (const std::string& p : SessionProblems(session))
            if (p.find(text) != std::string::npos)
                return true;
        return false;
    }
    HostSession session;
};

TEST_F(HostOpsTest, AddedParametersAreKeptInOrderWithTheirOwnCopyOfNames)
{
    std::string names = "One|Two";
    PF_ParamDef popup = Record(PF_Param_POPUP, "Mode");
    popup.u.pd.u.namesptr = names.c_str();
    popup.u.pd.num_choices = 2;
    EXPECT_EQ(Add(popup), PF_Err_NONE);
    EXPECT_EQ(Add(Record(PF_Param_CHECKBOX, "Box"), 2), PF_Err_NONE);   // an explicit append index
    names.assign("XXXXXXX");
    ASSERT_EQ(session.defaults.size(), 3u);
    EXPECT_EQ(session.defaults[0].param_type, PF_Param_LAYER);   // the input layer, the host's own
    EXPECT_STREQ(session.defaults[1].name, "Mode");
    EXPECT_STREQ(session.defaults[1].u.pd.u.namesptr, "One|Two");
    EXPECT_STREQ(session.defaults[2].name, "Box");
}

TEST_F(HostOpsTest, AdditionsOutOfPlaceOrWithoutARecordAreRefused)
{
    EXPECT_EQ(Add(Record(PF_Param_SLIDER, "A"), 5), PF_Err_INVALID_INDEX);
    EXPECT_EQ(session.in.inter.add_param(session.in.effect_ref, -1, nullptr), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(session.in.inter.add_param(nullptr, -1, nullptr), PF_Err_BAD_CALLBACK_PARAM);
    PF_ParamDef unterminated = Record(PF_Param_SLIDER, "");
    std::memset(unterminated.name, 'x', sizeof unterminated.name);
    EXPECT_EQ(Add(unterminated), PF_Err_NONE);
    EXPECT_EQ(std::strlen(session.defaults.back().name), 31u);
    EXPECT_EQ(session.defaults.size(), 2u);
}

TEST_F(HostOpsTest, CheckOutsHandOutCurrentValuesAndMustBeCheckedIn)
{
    Add(Record(PF_Param_LAYER, "Map"));
    ResetParamValues(session);
    PF_ParamDef out;
    std::memset(&out, 0xCD, sizeof out);
    ASSERT_EQ(session.in.inter.checkout_param(session.in.effect_ref, 1, 0, 1, 30, &out), PF_Err_NONE);
    EXPECT_EQ(out.u.ld.data, nullptr);   // no layer chosen
    EXPECT_TRUE(HasProblemContaining("never checked in"));
    EXPECT_EQ(session.in.inter.checkin_param(session.in.effect_ref, &out), PF_Err_NONE);
    EXPECT_TRUE(SessionProblems(session).empty());

    EXPECT_EQ(session.in.inter.checkout_param(session.in.effect_ref, 2, 0, 1, 30, &out), PF_Err_INVALID_INDEX);
    EXPECT_EQ(session.in.inter.checkout_param(session.in.effect_ref, -1, 0, 1, 30, &out), PF_Err_INVALID_INDEX);
    EXPECT_EQ(session.in.inter.checkin_param(session.in.effect_ref, &out), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_TRUE(HasProblemContaining("without a check-out"));
}

TEST_F(HostOpsTest, SuitesAreCountedAndAnUnreleasedOneIsAProblem)
{
    static const int table = 42;
    RegisterSuite(session, "Test Suite", 3, &table);
    SPBasicSuite* basic = session.in.pica_basicP;
    const void* got = nullptr;
    ASSERT_EQ(basic->AcquireSuite("Test Suite", 3, &got), kSPNoError);
    EXPECT_EQ(got, &table);
    ASSERT_EQ(basic->AcquireSuite("Test Suite", 3, &got), kSPNoError);
    EXPECT_EQ(basic->ReleaseSuite("Test Suite", 3), kSPNoError);
    EXPECT_TRUE(HasProblemContaining("\"Test Suite\" version 3 acquired 2 times, released 1"));
    EXPECT_EQ(basic->ReleaseSuite("Test Suite", 3), kSPNoError);
    EXPECT_TRUE(SessionProblems(session).empty());

    EXPECT_EQ(basic->ReleaseSuite("Test Suite", 3), kSPBadParameterError);
    EXPECT_TRUE(HasProblemContaining("released more often than acquired"));
}

TEST_F(HostOpsTest, UnknownSuitesAndVersionsAreNotFound)
{
    SPBasicSuite* basic = session.in.pica_basicP;
    const void* got = &session;
    EXPECT_EQ(basic->AcquireSuite("PF AE App Suite", 6, &got), kSPSuiteNotFoundError);
    EXPECT_EQ(got, nullptr);
    got = nullptr;
    EXPECT_EQ(basic->AcquireSuite(kSPBasicSuite, kSPBasicSuiteVersion, &got), kSPNoError);
    EXPECT_EQ(got, basic);
    EXPECT_EQ(basic->AcquireSuite(kSPBasicSuite, 99, &got), kSPSuiteNotFoundError);
    EXPECT_EQ(basic->ReleaseSuite(kSPBasicSuite, kSPBasicSuiteVersion), kSPNoError);
    EXPECT_EQ(basic->AcquireSuite(nullptr, 1, &got), kSPBadParameterError);
    EXPECT_EQ(basic->AcquireSuite("x", 1, nullptr), kSPBadParameterError);
    EXPECT_TRUE(SessionProblems(session).empty());
}

TEST_F(HostOpsTest, MemoryBlocksAreCounted)
{
    SPBasicSuite* basic = session.in.pica_basicP;
    void* block = nullptr;
    ASSERT_EQ(basic->AllocateBlock(16, &block), kSPNoError);
    ASSERT_EQ(basic->ReallocateBlock(block, 4096, &block), kSPNoError);
    EXPECT_TRUE(HasProblemContaining("memory block"));
    EXPECT_EQ(basic->FreeBlock(block), kSPNoError);
    EXPECT_TRUE(SessionProblems(session).empty());
    EXPECT_TRUE(basic->IsEqual("a", "a"));
    EXPECT_FALSE(basic->IsEqual("a", nullptr));
}

// Each math slot holds its own function: the values tell every one of them from the others.
TEST_F(HostOpsTest, MathCallbacksAreTheFunctionsTheyName)
{
    const PF_ANSICallbacks& a = session.utils.ansi;
    const double x = 0.3, y = 0.7;
    const struct {
        const char* name;
        PF_Math1Func slot;
        double argument, expected;
    } one[] = {{"atan", a.atan, x, std::atan(x)},    {"ceil", a.ceil, x, 1.0},
               {"cos", a.cos, x, std::cos(x)},       {"exp", a.exp, x, std::exp(x)},
               {"fabs", a.fabs, -x, x},              {"floor", a.floor, x, 0.0},
               {"log", a.log, x, std::log(x)},       {"log10", a.log10, x, std::log10(x)},
               {"sin", a.sin, x, std::sin(x)},       {"sqrt", a.sqrt, x, std::sqrt(x)},
               {"tan", a.tan, x, std::tan(x)},       {"asin", a.asin, x, std::asin(x)},
               {"acos", a.acos, x, std::acos(x)}};
    for (const auto& f : one) {
        ASSERT_NE(f.slot, nullptr) << f.name;
        EXPECT_DOUBLE_EQ(f.slot(f.argument), f.expected) << f.name;
    }
    const struct {
        const char* name;
        PF_Math2Func slot;
        double first, second, expected;
    } two[] = {{"atan2", a.atan2, x, y, std::atan2(x, y)},
               {"fmod", a.fmod, y, x, std::fmod(y, x)},
               {"hypot", a.hypot, x, y, std::hypot(x, y)},
               {"pow", a.pow, x, y, std::pow(x, y)}};
    for (const auto& f : two) {
        ASSERT_NE(f.slot, nullptr) << f.name;
        EXPECT_DOUBLE_EQ(f.slot(f.first, f.second), f.expected) << f.name;
    }
}

TEST_F(HostOpsTest, SprintfNeverWritesPastAMessage)
{
    char buffer[PF_MAX_EFFECT_MSG_LEN + 1 + 16];
    std::memset(buffer, '#', sizeof buffer);
    std::string longText(1000, 'm');
    int n = session.utils.ansi.sprintf(buffer, "%s %d %.1f", longText.c_str(), 7, 2.5);
    EXPECT_EQ(n, 1000 + 6);   // what the whole text would have taken
    EXPECT_EQ(std::strlen(buffer), size_t(PF_MAX_EFFECT_MSG_LEN));
    for (size_t i = PF_MAX_EFFECT_MSG_LEN + 1; i < sizeof buffer; ++i)
        ASSERT_EQ(buffer[i], '#');
    session.utils.ansi.sprintf(buffer, "Not able to %s %d %.2f", "acquire", 3, 0.5);
    EXPECT_STREQ(buffer, "Not able to acquire 3 0.50");
    EXPECT_EQ(session.utils.ansi.sprintf(nullptr, "x"), -1);

    char name[32];
    EXPECT_EQ(session.utils.ansi.strcpy(name, "Grow up"), name);
    EXPECT_STREQ(name, "Grow up");
}

TEST_F(HostOpsTest, PlatformDataAnswersTheMainWindowAndRefusesTheUnknown)
{
    int window = 0;
    session.mainWindow = &window;
    void* got = nullptr;
    EXPECT_EQ(session.utils.get_platform_data(session.in.effect_ref, PF_PlatData_MAIN_WND, &got), PF_Err_NONE);
    EXPECT_EQ(got, &window);
    session.modulePath = "Velmora.aex";
    A_UTF16Char path[AEFX_MAX_PATH];
    EXPECT_EQ(session.utils.get_platform_data(session.in.effect_ref, PF_PlatData_RES_FILE_PATH_W, path), PF_Err_NONE);
    EXPECT_EQ(path[0], 'V');
    EXPECT_EQ(path[11], 0);
    session.modulePath.assign(1000, 'p');   // a path longer than the buffer is cut, terminated
    EXPECT_EQ(session.utils.get_platform_data(session.in.effect_ref, PF_PlatData_EXE_FILE_PATH_W, path), PF_Err_NONE);
    EXPECT_EQ(path[AEFX_MAX_PATH - 1], 0);
    EXPECT_EQ(session.utils.get_platform_data(session.in.effect_ref, 77, &got), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(session.utils.get_platform_data(session.in.effect_ref, PF_PlatData_MAIN_WND, nullptr),
              PF_Err_BAD_CALLBACK_PARAM);
}

TEST_F(HostOpsTest, PointValuesFollowTheLayerSizeAndStayInRange)
{
    PF_ParamDef point = Record(PF_Param_POINT, "Where");
    point.u.td.x_dephault = 50 << 16;
    point.u.td.y_dephault = 100 << 16;
    Add(point);
    PF_ParamDef far = Record(PF_Param_POINT, "Far");
    far.u.td.x_dephault = 32000 << 16;   // 32000 % of a wide layer lies beyond 16.16
    Add(far);
    SetLayerSize(session, 30000, 100);
    ResetParamValues(session);
    EXPECT_EQ(session.values[1].u.td.x_value, 15000 << 16);
    EXPECT_EQ(session.values[1].u.td.y_value, 100 << 16);
    EXPECT_EQ(session.values[2].u.td.x_value, INT32_MAX);
    EXPECT_EQ(session.in.width, 30000);
    EXPECT_EQ(ParamArray(session)[1], &session.values[1]);
}

} // namespace

// What each command answers, and that commands the effect does not serve touch nothing.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

#include "effect/entry.h"
#include "effect/params.h"

namespace {

// Records filled with a pattern, so that any write shows up as a difference.
class DispatchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::memset(&in, 0x5A, sizeof in);
        std::memset(&out, 0xA5, sizeof out);
        std::memset(&output, 0x3C, sizeof output);
        std::memcpy(&outBefore, &out, sizeof out);
        std::memcpy(&outputBefore, &output, sizeof output);
    }
    bool OutUnchanged() const { return std::memcmp(&out, &outBefore, sizeof out) == 0; }
    bool OutputUnchanged() const { return std::memcmp(&output, &outputBefore, sizeof output) == 0; }

    PF_InData in;
    PF_OutData out, outBefore;
    PF_LayerDef output, outputBefore;
};

TEST_F(DispatchTest, CommandsNotServedAnswerNoErrorAndTouchNothing)
{
    std::vector<PF_Cmd> commands = {2, 9, 10, 12, 13, 14};
    for (PF_Cmd c = 16; c <= 40; ++c)
        commands.push_back(c);
    for (PF_Cmd c : {-1, 100, 0x7FFF, INT_MAX, INT_MIN})
        commands.push_back(c);
    for (PF_Cmd cmd : commands) {
        EXPECT_EQ(EntryPointFunc(cmd, &in, &out, nullptr, &output, nullptr), PF_Err_NONE) << cmd;
        EXPECT_TRUE(OutUnchanged()) << cmd;
        EXPECT_TRUE(OutputUnchanged()) << cmd;
    }
}

TEST_F(DispatchTest, SetdownsAndFlattenHaveNothingToDo)
{
    for (PF_Cmd cmd : {PF_Cmd_GLOBAL_SETDOWN, PF_Cmd_SEQUENCE_FLATTEN, PF_Cmd_SEQUENCE_SETDOWN}) {
        EXPECT_EQ(EntryPointFunc(cmd, &in, &out, nullptr, &output, nullptr), PF_Err_NONE) << cmd;
        EXPECT_TRUE(OutUnchanged()) << cmd;
        EXPECT_TRUE(OutputUnchanged()) << cmd;
    }
}

TEST_F(DispatchTest, GlobalSetupAnswersVersionAndFlags)
{
    EXPECT_EQ(EntryPointFunc(PF_Cmd_GLOBAL_SETUP, &in, &out, nullptr, &output, nullptr), PF_Err_NONE);
    EXPECT_EQ(out.my_version, 0x00100001u);
    EXPECT_EQ(out.out_flags, 0x06008454);
    // Only those two fields.
    out.my_version = outBefore.my_version;
    out.out_flags = outBefore.out_flags;
    EXPECT_TRUE(OutUnchanged());
}

TEST_F(DispatchTest, SequenceSetupAsksForNoSequenceData)
{
    EXPECT_EQ(EntryPointFunc(PF_Cmd_SEQUENCE_SETUP, &in, &out, nullptr, &output, nullptr), PF_Err_NONE);
    EXPECT_EQ(out.sequence_data, nullptr);
    EXPECT_EQ(out.flat_sdata_size, 0);
}

TEST_F(DispatchTest, SequenceResetupKeepsExistingSequenceData)
{
    void* data = &output;
    in.sequence_data = &data;
    EXPECT_EQ(EntryPointFunc(PF_Cmd_SEQUENCE_RESETUP, &in, &out, nullptr, &output, nullptr), PF_Err_NONE);
    EXPECT_TRUE(OutUnchanged());
}

TEST_F(DispatchTest, SequenceResetupWithoutSequenceDataSetsUpAfresh)
{
    in.sequence_data = nullptr;
    EXPECT_EQ(EntryPointFunc(PF_Cmd_SEQUENCE_RESETUP, &in, &out, nullptr, &output, nullptr), PF_Err_NONE);
    EXPECT_EQ(out.sequence_data, nullptr);
    EXPECT_EQ(out.flat_sdata_size, 0);
    out.sequence_data = outBefore.sequence_data;
    out.flat_sdata_size = outBefore.flat_sdata_size;
    EXPECT_TRUE(OutUnchanged());
}

TEST_F(DispatchTest, MissingRecordsAreRefusedWithoutACrash)
{
    EXPECT_EQ(EntryPointFunc(PF_Cmd_GLOBAL_SETUP, &in, nullptr, nullptr, nullptr, nullptr), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(EntryPointFunc(PF_Cmd_SEQUENCE_SETUP, &in, nullptr, nullptr, nullptr, nullptr), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(EntryPointFunc(PF_Cmd_SEQUENCE_RESETUP, nullptr, &out, nullptr, nullptr, nullptr), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(EntryPointFunc(PF_Cmd_PARAMS_SETUP, nullptr, &out, nullptr, nullptr, nullptr), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(EntryPointFunc(PF_Cmd_RENDER, &in, &out, nullptr, nullptr, nullptr), PF_Err_BAD_CALLBACK_PARAM);
}
} // namespace

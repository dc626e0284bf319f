// The host's command sequence against the real entry point and against small stand-in effects
// that misbehave in one way each.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <vector>

#include "effect/entry.h"
#include "effect/pipl.h"
#include "host/commands.h"
#include "host/sequence.h"

namespace {

std::vector<PF_Cmd> Sent;

// Answers like a well-behaved effect with one parameter and records the commands it gets.
PF_Err RecordingEffect(PF_Cmd cmd, PF_InData* in, PF_OutData* out, PF_ParamDef**, PF_LayerDef*, void*)
{
    Sent.push_back(cmd);
    if (cmd == PF_Cmd_GLOBAL_SETUP) {
        out->my_version = VELMORA_VERSION;
        out->out_flags = VELMORA_OUT_FLAGS;
    } else if (cmd == PF_Cmd_PARAMS_SETUP) {
        PF_ParamDef def;
        std::memset(&def, 0, sizeof def);
        def.param_type = PF_Param_CHECKBOX;
        in->utils->ansi.strcpy(def.name, "Only");
        PF_Err err = in->inter.add_param(in->effect_ref, -1, &def);
        out->num_params = 2;
        return err;
    }
    return PF_Err_NONE;
}

// Reports a failure at parameter setup the way the effect's suite helpers do.
PF_Err ComplainingEffect(PF_Cmd cmd, PF_InData* in, PF_OutData* out, PF_ParamDef** p, PF_LayerDef* o, void* e)
{
    PF_Err err = RecordingEffect(cmd, in, out, p, o, e);
    if (cmd == PF_Cmd_PARAMS_SETUP) {
        out->out_flags |= PF_OutFlag_DISPLAY_ERROR_MESSAGE;
        in->utils->ansi.sprintf(out->return_msg, "Not able to acquire %s.", "AEFX Suite");
    }
    return err;
}

// Acquires a suite at parameter setup and never gives it back.
PF_Err LeakingEffect(PF_Cmd cmd, PF_InData* in, PF_OutData* out, PF_ParamDef** p, PF_LayerDef* o, void* e)
{
    if (cmd == PF_Cmd_PARAMS_SETUP) {
        const void* suite = nullptr;
        in->pica_basicP->AcquireSuite(kSPBasicSuite, kSPBasicSuiteVersion, &suite);
    }
    return RecordingEffect(cmd, in, out, p, o, e);
}

PF_Err FailingGlobalSetup(PF_Cmd cmd, PF_InData*, PF_OutData*, PF_ParamDef**, PF_LayerDef*, void*)
{
    Sent.push_back(cmd);
    return cmd == PF_Cmd_GLOBAL_SETUP ? PF_Err_OUT_OF_MEMORY : PF_Err_NONE;
}

class SequenceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Sent.clear();
        std::string error;
        ASSERT_TRUE(DecodePiPL(VelmoraPiPL().data(), VelmoraPiPL().size(), pipl, error));
    }
    PiPLInfo pipl;
    HostSession session;
};

TEST_F(SequenceTest, AnInstanceLivesFromGlobalSetupToGlobalSetdown)
{
    PF_Err err = RunEffectInstance(session, RecordingEffect, &pipl, [](HostSession& s) {
        return CallEffect(s, RecordingEffect, PF_Cmd_RENDER);
    });
    EXPECT_EQ(err, PF_Err_NONE);
    EXPECT_EQ(Sent, (std::vector<PF_Cmd>{PF_Cmd_GLOBAL_SETUP, PF_Cmd_PARAMS_SETUP, PF_Cmd_SEQUENCE_SETUP,
                                         PF_Cmd_RENDER, PF_Cmd_SEQUENCE_SETDOWN, PF_Cmd_GLOBAL_SETDOWN}));
    EXPECT_EQ(session.values.size(), 2u);
    EXPECT_EQ(session.in.num_params, 2);
    EXPECT_TRUE(SessionProblems(session).empty());
}

TEST_F(SequenceTest, TheRealEffectRunsCleanly)
{
    EXPECT_EQ(RunEffectInstance(session, EntryPointFunc, &pipl, nullptr), PF_Err_NONE);
    EXPECT_TRUE(SessionProblems(session).empty());
    EXPECT_TRUE(session.effectMessages.empty());
    EXPECT_EQ(session.effectVersion, pipl.effectVersion);
    EXPECT_EQ(uint32_t(session.globalOutFlags), pipl.outFlags);
    EXPECT_EQ(session.in.sequence_data, nullptr);
    EXPECT_FALSE(session.globalSetUp);
}

TEST_F(SequenceTest, ADisplayedMessageFailsTheCommand)
{
    EXPECT_EQ(RunEffectInstance(session, ComplainingEffect, &pipl, nullptr), PF_Err_NONE);
    ASSERT_EQ(session.effectMessages.size(), 1u);
    EXPECT_EQ(session.effectMessages[0], "Not able to acquire AEFX Suite.");
    std::ostringstream err;
    EXPECT_EQ(ReportOutcome(session, PF_Err_NONE, err), EXIT_FAILED);
    EXPECT_NE(err.str().find("Not able to acquire AEFX Suite."), std::string::npos);
}

TEST_F(SequenceTest, AnUnreleasedSuiteFailsTheCommand)
{
    EXPECT_EQ(RunEffectInstance(session, LeakingEffect, &pipl, nullptr), PF_Err_NONE);
    std::ostringstream err;
    EXPECT_EQ(ReportOutcome(session, PF_Err_NONE, err), EXIT_FAILED);
    EXPECT_NE(err.str().find("\"SP Basic Suite\" version 4 acquired 1 times, released 0"), std::string::npos);
}

TEST_F(SequenceTest, GlobalSetupDisagreeingWithThePiPLIsAProblem)
{
    pipl.effectVersion = 0x00120001;
    EXPECT_EQ(RunEffectInstance(session, RecordingEffect, &pipl, nullptr), PF_Err_NONE);
    ASSERT_EQ(SessionProblems(session).size(), 1u);
    EXPECT_NE(SessionProblems(session)[0].find("version"), std::string::npos);
}

TEST_F(SequenceTest, AFailedGlobalSetupEndsTheInstanceWithoutSetdowns)
{
    EXPECT_EQ(RunEffectInstance(session, FailingGlobalSetup, &pipl, nullptr), PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(Sent, std::vector<PF_Cmd>{PF_Cmd_GLOBAL_SETUP});
    std::ostringstream err;
    EXPECT_EQ(ReportOutcome(session, PF_Err_OUT_OF_MEMORY, err), EXIT_FAILED);
}

TEST_F(SequenceTest, ABodyErrorStillSetsDown)
{
    PF_Err err = RunEffectInstance(session, RecordingEffect, &pipl, [](HostSession&) { return PF_Err_INVALID_INDEX; });
    EXPECT_EQ(err, PF_Err_INVALID_INDEX);
    EXPECT_EQ(Sent.back(), PF_Cmd_GLOBAL_SETDOWN);
}

TEST_F(SequenceTest, ResetupFollowsTheSequenceDataTheHostKeeps)
{
    ASSERT_EQ(SetUpEffect(session, EntryPointFunc, &pipl), PF_Err_NONE);
    void* saved = &session;
    session.in.sequence_data = &saved;
    session.out.sequence_data = &saved;
    EXPECT_EQ(CallEffect(session, EntryPointFunc, PF_Cmd_SEQUENCE_RESETUP), PF_Err_NONE);
    EXPECT_EQ(session.in.sequence_data, &saved);   // kept: the effect wrote nothing
    session.in.sequence_data = nullptr;
    EXPECT_EQ(CallEffect(session, EntryPointFunc, PF_Cmd_SEQUENCE_RESETUP), PF_Err_NONE);
    EXPECT_EQ(session.out.sequence_data, nullptr);
    EXPECT_EQ(SetDownEffect(session, EntryPointFunc), PF_Err_NONE);
}

} // namespace

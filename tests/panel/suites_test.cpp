// Suite access: the helpers' answers and messages when the host lacks a suite or the basic suite
// itself, the handler's acquire-once and release-at-the-end, and what the panel's events do on
// such a host.
#include "tests/panel/panel_fixture.h"

#include <cstring>

#include "effect/suites.h"
#include "host/sequence.h"

namespace {

// A session whose basic suite offers nothing but itself.
class SuiteTest : public ::testing::Test {
protected:
    const SuiteRecord* Record(const char* name, int32_t version) const
    {
        for (const SuiteRecord& r : session.suites)
            if (r.name == name && r.version == version)
                return &r;
        return nullptr;
    }
    bool Shown(const char* text) const
    {
        return (session.out.out_flags & PF_OutFlag_DISPLAY_ERROR_MESSAGE) &&
               std::strcmp(session.out.return_msg, text) == 0;
    }

    HostSession session;
    PF_InData& in = session.in;
    PF_OutData& out = session.out;
};

const DRAWBOT_DrawbotSuite1 SomeDrawSuite = {};

// Takes a suite off the host's offer, as a host without it would be.
void Withdraw(HostSession& session, const char* name, int32_t version)
{
    for (size_t i = 0; i < session.suites.size(); ++i)
        if (session.suites[i].name == name && session.suites[i].version == version)
            session.suites.erase(session.suites.begin() + long(i));
}
const PFAppSuite4 SomeAppSuite = {};

} // namespace

TEST_F(SuiteTest, WithoutBasicSuiteAcquireAndReleaseReport516)
{
    in.pica_basicP = nullptr;
    const void* suite = &SomeDrawSuite;
    EXPECT_EQ(AEFX_AcquireSuite(&in, &out, kDRAWBOT_DrawSuite, 1, nullptr, &suite), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_TRUE(Shown("Not able to acquire AEFX Suite."));

    std::memset(&out, 0, sizeof out);
    EXPECT_EQ(AEFX_ReleaseSuite(&in, &out, kDRAWBOT_DrawSuite, 1, nullptr), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_TRUE(Shown("Not able to release AEFX Suite."));
}

TEST_F(SuiteTest, CallersTextReplacesTheDefault)
{
    const void* suite = nullptr;
    EXPECT_EQ(AEFX_AcquireSuite(&in, &out, "No Such Suite", 3, "Panel suite 100% missing", &suite),
              PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(suite, nullptr);
    EXPECT_TRUE(Shown("Panel suite 100% missing"));   // a '%' is text, not a format
    in.pica_basicP = nullptr;
    EXPECT_EQ(AEFX_ReleaseSuite(&in, &out, "No Such Suite", 3, "cannot give it back"), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_TRUE(Shown("cannot give it back"));
}

TEST_F(SuiteTest, AcquiredSuiteIsHandedOutAndCountedOnce)
{
    RegisterSuite(session, kDRAWBOT_DrawSuite, 1, &SomeDrawSuite);
    const void* suite = nullptr;
    EXPECT_EQ(AEFX_AcquireSuite(&in, &out, kDRAWBOT_DrawSuite, 1, nullptr, &suite), PF_Err_NONE);
    EXPECT_EQ(suite, &SomeDrawSuite);
    EXPECT_EQ(out.out_flags & PF_OutFlag_DISPLAY_ERROR_MESSAGE, 0);
    EXPECT_EQ(AEFX_ReleaseSuite(&in, &out, kDRAWBOT_DrawSuite, 1, nullptr), PF_Err_NONE);
    EXPECT_EQ(Record(kDRAWBOT_DrawSuite, 1)->acquired, 1);
    EXPECT_EQ(Record(kDRAWBOT_DrawSuite, 1)->released, 1);
    EXPECT_TRUE(SessionProblems(session).empty());
}

TEST_F(SuiteTest, DrawbotSetWithoutDestinationIs514AndAcquiresNothing)
{
    RegisterSuite(session, kDRAWBOT_DrawSuite, 1, &SomeDrawSuite);
    EXPECT_EQ(AEFX_AcquireDrawbotSuites(&in, &out, nullptr), PF_Err_UNRECOGNIZED_PARAM_TYPE);
    EXPECT_TRUE(Shown("NULL suite pointer passed to AEFX_AcquireDrawbotSuites"));
    EXPECT_EQ(Record(kDRAWBOT_DrawSuite, 1)->acquired, 0);
}

TEST_F(SuiteTest, DrawbotSetStopsAtTheFirstMissingSuiteAndIsReleasedWhole)
{
    // Draw suite there, supplier missing: the draw suite stays acquired, the rest is not tried.
    RegisterSuite(session, kDRAWBOT_DrawSuite, 1, &SomeDrawSuite);
    DRAWBOT_Suites set;
    std::memset(&set, 0, sizeof set);
    EXPECT_EQ(AEFX_AcquireDrawbotSuites(&in, &out, &set), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_TRUE(Shown("Not able to acquire AEFX Suite."));
    EXPECT_EQ(static_cast<const void*>(set.drawbot_suiteP), &SomeDrawSuite);
    EXPECT_EQ(set.supplier_suiteP, nullptr);
    EXPECT_EQ(set.surface_suiteP, nullptr);
    EXPECT_EQ(Record(kDRAWBOT_DrawSuite, 1)->acquired, 1);

    EXPECT_EQ(AEFX_ReleaseDrawbotSuites(&in, &out), PF_Err_NONE);
    EXPECT_EQ(Record(kDRAWBOT_DrawSuite, 1)->released, 1);
    EXPECT_TRUE(SessionProblems(session).empty());
}

TEST_F(SuiteTest, HandlerNeedsABasicSuite)
{
    try {
        SuiteHandler handler(nullptr);
        ADD_FAILURE() << "no exception";
    } catch (const MissingSuiteError& e) {
        EXPECT_EQ(e.code, 516);
    }
}

TEST_F(SuiteTest, HandlerAcquiresTheAppSuiteOnceAndReleasesItAtTheEnd)
{
    RegisterSuite(session, kPFAppSuite, 6, &SomeAppSuite);
    {
        SuiteHandler handler(in.pica_basicP);
        EXPECT_EQ(Record(kPFAppSuite, 6)->acquired, 0);   // nothing until asked
        EXPECT_EQ(handler.AppSuite(), &SomeAppSuite);
        EXPECT_EQ(handler.AppSuite(), &SomeAppSuite);
        EXPECT_EQ(Record(kPFAppSuite, 6)->acquired, 1);
        EXPECT_EQ(Record(kPFAppSuite, 6)->released, 0);
    }
    EXPECT_EQ(Record(kPFAppSuite, 6)->released, 1);
    // Version 6 is the one asked for; the newer table under version 1 is a different suite.
    RegisterSuite(session, kPFAppSuite, 1, &SomeAppSuite);
    EXPECT_EQ(Record(kPFAppSuite, 1)->acquired, 0);
}

TEST_F(SuiteTest, HandlerRaisesWhenTheAppSuiteIsMissingAndReleasesWhatItHeld)
{
    SuiteHandler handler(in.pica_basicP);
    EXPECT_THROW(handler.AppSuite(), MissingSuiteError);
    EXPECT_TRUE(SessionProblems(session).empty());
}

// The panel on hosts that lack what it needs: HandleEvent still answers, nothing is left held.
TEST_F(PanelTest, DrawWithoutDrawingSuitesShowsTheMessageAndReturnsNoError)
{
    HostSession bare;   // the same effect instance's records, but no drawing suites offered
    ASSERT_EQ(SetUpEffect(bare, EntryPointFunc, nullptr), PF_Err_NONE);
    PF_EventExtra e = Event(PF_Event_DRAW);
    EXPECT_EQ(CallEffect(bare, EntryPointFunc, PF_Cmd_EVENT, nullptr, &e), PF_Err_NONE);
    ASSERT_EQ(bare.effectMessages.size(), 1u);
    EXPECT_EQ(bare.effectMessages[0], "Not able to acquire AEFX Suite.");
    EXPECT_EQ(panel.imagesDrawn, 0);
    EXPECT_EQ(SetDownEffect(bare, EntryPointFunc), PF_Err_NONE);
    EXPECT_TRUE(SessionProblems(bare).empty());
}

TEST_F(PanelTest, DrawWithoutCustomUISuiteReleasesTheDrawingSuites)
{
    Withdraw(session, kPFEffectCustomUISuite, 1);
    PF_EventExtra e = Event(PF_Event_DRAW);
    EXPECT_EQ(Send(e), PF_Err_NONE);
    EXPECT_EQ(panel.imagesDrawn, 0);
    EXPECT_EQ(e.evt_out_flags, 0);
    ASSERT_FALSE(session.effectMessages.empty());
    EXPECT_EQ(session.effectMessages.back(), "Not able to acquire AEFX Suite.");
    // Three bitmaps, each acquiring and releasing the four drawing suites: the counts balance
    // (checked again by the fixture's teardown).
    for (const SuiteRecord& r : session.suites)
        if (r.name == kDRAWBOT_DrawSuite) {
            EXPECT_EQ(r.acquired, 3);
        }
}

TEST_F(PanelTest, HostWithoutBasicSuiteGets516AndTheMessage)
{
    SPBasicSuite* basic = session.in.pica_basicP;
    session.in.pica_basicP = nullptr;
    PF_EventExtra e = Event(PF_Event_DRAW);
    EXPECT_EQ(Send(e), PF_Err_BAD_CALLBACK_PARAM);
    ASSERT_EQ(session.effectMessages.size(), 1u);
    EXPECT_EQ(session.effectMessages[0], "Not able to acquire AEFX Suite.");
    session.in.pica_basicP = basic;
}

TEST_F(PanelTest, CursorWithoutAppSuiteGets516AndHoldsNothing)
{
    ASSERT_EQ(Draw(), PF_Err_NONE);
    Withdraw(session, kPFAppSuite, 6);
    EXPECT_EQ(MoveCursor(230, 60), PF_Err_BAD_CALLBACK_PARAM);
    ASSERT_EQ(session.effectMessages.size(), 1u);
    EXPECT_EQ(session.effectMessages[0], "Not able to acquire AEFX Suite.");
    EXPECT_TRUE(panel.invalidated.empty());
}

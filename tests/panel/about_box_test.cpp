// The About box and the panel's clicks, seen through the Win32 stand-in of the Linux build: which
// dialog runs, its tooltips, how it ends, and the pages opened. The real dialog under Wine is
// checked by about_box_win_test.cpp.
#if !defined(_WIN32)
#include "tests/panel/panel_fixture.h"

#include <cstring>

#include "host/sequence.h"
#include "tests/support/record_lookup.h"

namespace {

// A request to the shell to show `page` in the browser, made with the About box as its owner or
// with none.
void ExpectPageOpened(const StandInShellRequest& r, const std::string& page, bool byDialog)
{
    EXPECT_EQ(r.ownedByDialog, byDialog);
    EXPECT_EQ(r.verb, "open");
    EXPECT_EQ(r.file, page);
    EXPECT_EQ(r.show, SW_SHOW);
}

} // namespace

TEST_F(PanelTest, AboutCommandRunsDialog777WithItsTooltipsAndEndsThroughClose)
{
    ASSERT_EQ(CallEffect(session, EntryPointFunc, PF_Cmd_ABOUT), PF_Err_NONE);
    ASSERT_EQ(StandInDialogRuns().size(), 1u);
    const StandInDialogRun& run = StandInDialogRuns()[0];
    EXPECT_EQ(run.templateId, 777);
    EXPECT_EQ(run.owner, nullptr);   // the command-line host's main window
    EXPECT_TRUE(run.ended);
    EXPECT_EQ(run.result, 2);
    ASSERT_EQ(run.tooltips.size(), 2u);

    const StandInTooltip* web = FirstWith(run.tooltips, &StandInTooltip::controlId, 7774);
    ASSERT_NE(web, nullptr);
    EXPECT_EQ(web->text, "You can go to our site and find new plug-ins and freshest versions of our popular software.");
    EXPECT_EQ(web->title, "Welcome to our site!");
    EXPECT_EQ(web->titleIcon, 1);
    EXPECT_EQ(web->style, 0x80C00042u);
    EXPECT_EQ(web->exStyle, DWORD(WS_EX_TOOLWINDOW | WS_EX_TOPMOST));
    EXPECT_TRUE(web->placedTopmost);
    EXPECT_TRUE(web->toolAdded);
    EXPECT_EQ(web->toolFlags, 0x112u);
    EXPECT_EQ(web->toolControlId, 7774);
    EXPECT_EQ(web->toolId, 0u);
    // The tool covers the button's client area: 82 x 14 dialog units.
    EXPECT_EQ(web->toolRect.left, 0);
    EXPECT_EQ(web->toolRect.right, 82 * 6 / 4);
    EXPECT_EQ(web->toolRect.bottom, 14 * 13 / 8);
    EXPECT_EQ(web->maxTipWidth, 100);

    const StandInTooltip* close = FirstWith(run.tooltips, &StandInTooltip::controlId, 2);
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->text, "Close window.");
    EXPECT_EQ(close->title, "");
    EXPECT_EQ(close->maxTipWidth, 100);
    EXPECT_TRUE(StandInShellRequests().empty());
}

TEST_F(PanelTest, AboutBoxWebButtonOpensTheProductPageAndKeepsTheDialogOpen)
{
    StandInSetDialogClicks({7774, 7774});
    ASSERT_EQ(CallEffect(session, EntryPointFunc, PF_Cmd_ABOUT), PF_Err_NONE);
    ASSERT_EQ(StandInShellRequests().size(), 2u);
    for (const StandInShellRequest& r : StandInShellRequests())
        ExpectPageOpened(r, "https://quillmark.example/index.php", true);
    ASSERT_EQ(StandInDialogRuns().size(), 1u);
    EXPECT_EQ(StandInDialogRuns()[0].result, 2);   // still open until closed
}

TEST_F(PanelTest, AboutBoxEndsWithControlOneOrTwoAndIgnoresOtherControls)
{
    StandInSetDialogClicks({0, 777, 1});
    ASSERT_EQ(CallEffect(session, EntryPointFunc, PF_Cmd_ABOUT), PF_Err_NONE);
    ASSERT_EQ(StandInDialogRuns().size(), 1u);
    EXPECT_EQ(StandInDialogRuns()[0].result, 1);
    EXPECT_TRUE(StandInShellRequests().empty());
}

TEST_F(PanelTest, AboutCommandAnswersNoErrorEvenWhenTheDialogCannotOpen)
{
    // A main window that does not exist: Windows refuses to make the dialog, and so does the
    // stand-in.
    session.mainWindow = reinterpret_cast<void*>(intptr_t(0x1234));
    ASSERT_EQ(CallEffect(session, EntryPointFunc, PF_Cmd_ABOUT), PF_Err_NONE);   // answered all the same
    EXPECT_TRUE(StandInDialogRuns().empty());
    session.mainWindow = nullptr;
}

TEST_F(PanelTest, ClickOnAboutButtonOpensTheAboutBoxWithInclusiveBounds)
{
    PF_EventExtra e = Event(PF_Event_DRAW);
    e.u.draw.update_rect = PF_Rect{5, 20, 389, 161};
    ASSERT_EQ(Send(e), PF_Err_NONE);

    PF_EventExtra click = Event(PF_Event_DO_CLICK);
    click.u.do_click.screen_point = PF_Point{5 + 240, 20 + 110};
    EXPECT_EQ(Send(click), PF_Err_NONE);
    EXPECT_EQ(click.evt_out_flags, 0);   // left to the host
    ASSERT_EQ(StandInDialogRuns().size(), 1u);
    EXPECT_EQ(StandInDialogRuns()[0].templateId, 777);

    ASSERT_EQ(Click(5 + 240, 20 + 111), PF_Err_NONE);
    ASSERT_EQ(Click(5 + 276, 20 + 60), PF_Err_NONE);
    EXPECT_EQ(StandInDialogRuns().size(), 1u);
    EXPECT_TRUE(StandInShellRequests().empty());
}

TEST_F(PanelTest, ClickOnWebButtonOpensTheHomePageWithoutOwner)
{
    ASSERT_EQ(Draw(), PF_Err_NONE);
    ASSERT_EQ(Click(338, 77), PF_Err_NONE);
    ASSERT_EQ(StandInShellRequests().size(), 1u);
    ExpectPageOpened(StandInShellRequests()[0], "https://quillmark.example/", false);
    EXPECT_TRUE(StandInDialogRuns().empty());
}

TEST_F(PanelTest, ClicksOutsideTheEffectWindowOpenNothing)
{
    ASSERT_EQ(Draw(), PF_Err_NONE);
    PF_Context layer = panel.context;
    layer.w_type = PF_Window_LAYER;
    PF_Context* layerP = &layer;
    PF_EventExtra click = Event(PF_Event_DO_CLICK);
    click.contextH = &layerP;
    click.u.do_click.screen_point = PF_Point{240, 60};
    EXPECT_EQ(Send(click), PF_Err_NONE);
    EXPECT_TRUE(StandInDialogRuns().empty());
}

// The Linux module carries the resources of the .rc: the same bitmap bytes, the same dialog.
TEST(EmbeddedResources, BitmapsAreTheResourceFiles)
{
    const std::pair<int, const char*> files[] = {{779, "banner.bmp"},         {780, "about_button.bmp"},
                                                 {781, "about_button_hover.bmp"}, {782, "web_button.bmp"},
                                                 {783, "web_button_hover.bmp"},   {888, "about_picture.bmp"}};
    ASSERT_EQ(StandInBitmapCount, 6u);
    for (const auto& f : files) {
        const StoredBitmap stored = ReadStoredBitmap(f.second);
        bool found = false;
        for (size_t i = 0; i < StandInBitmapCount; ++i) {
            if (StandInBitmaps[i].id != f.first)
                continue;
            found = true;
            ASSERT_EQ(StandInBitmaps[i].size, stored.file.size()) << f.second;
            EXPECT_EQ(std::memcmp(StandInBitmaps[i].bytes, stored.file.data(), stored.file.size()), 0) << f.second;
        }
        EXPECT_TRUE(found) << f.first;
    }
    const StoredBitmap picture = ReadStoredBitmap("about_picture.bmp");
    EXPECT_EQ(picture.width, 460);
    EXPECT_EQ(picture.height, 355);
}

TEST(EmbeddedResources, AboutDialogTemplate)
{
    ASSERT_EQ(StandInDialogCount, 1u);
    const StandInDialogTemplate& d = StandInDialogs[0];
    EXPECT_EQ(d.id, 777);
    EXPECT_STREQ(d.caption, "About Quillmark Velmora");
    EXPECT_STREQ(d.font, "MS Sans Serif");
    EXPECT_EQ(d.pointSize, 8);
    EXPECT_EQ(d.width, 323);
    EXPECT_EQ(d.height, 300);
    // Pop-up, caption, system menu, modal frame, centred, 3D look.
    EXPECT_EQ(d.style, 0x80000000u | 0x00C00000u | 0x00080000u | 0x80u | 0x800u | 0x4u);
    ASSERT_EQ(d.controlCount, 6u);
    const StandInControlTemplate& picture = d.controls[0];
    EXPECT_STREQ(picture.text, "#888");
    EXPECT_EQ(picture.style, 0xEu | 0x800u | 0x1000u);   // bitmap, real size, sunken
    EXPECT_EQ(picture.x, 7);
    EXPECT_EQ(picture.width, 309);
    EXPECT_EQ(picture.height, 221);
    EXPECT_STREQ(d.controls[1].text, "Quillmark Velmora version 1.01,");
    EXPECT_EQ(d.controls[1].y, 238);
    EXPECT_STREQ(d.controls[2].text, "Additional plug-in module for Adobe Affter Effects.");
    EXPECT_EQ(d.controls[2].width, 200);
    EXPECT_EQ(d.controls[3].y, 266);
    EXPECT_EQ(d.controls[4].id, 2);
    EXPECT_STREQ(d.controls[4].text, "Close");
    EXPECT_EQ(d.controls[4].style & 0xF, 1u);   // the default push button
    EXPECT_EQ(d.controls[4].x, 78);
    EXPECT_EQ(d.controls[5].id, 7774);
    EXPECT_EQ(d.controls[5].x, 164);
    EXPECT_EQ(d.controls[5].y, 281);
}
#endif

// The real About box under Windows (Wine on a virtual display in our runs): the host's About
// command opens dialog 777 of the loaded module; a timer of the test, served by the dialog's own
// message loop, reads its caption, controls and tooltips and then closes it through control 2,
// as the Close button does.
//
// VELMORA_ABOUT_HOLD_MS keeps the dialog open that long before closing it, for a screenshot.
#if defined(_WIN32)
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "host/effect_module.h"
#include "host/host_ops.h"
#include "host/sequence.h"
#include "tests/support/record_lookup.h"

namespace {

struct SeenControl {
    int id;
    std::string className;
    std::string text;
    LONG style;
};

struct SeenTooltip {
    int toolControlId;
    std::string text;
    LONG style;
    LONG exStyle;
};

struct AboutBoxSeen {
    HWND dialog = nullptr;
    std::string caption;
    std::vector<SeenControl> controls;
    std::vector<SeenTooltip> tooltips;
    int ticks = 0;
    int holdTicks = 0;
    bool closed = false;
};
AboutBoxSeen Seen;

// What the effect told its tooltips, seen by a hook on the messages sent in this thread. Wine's
// tooltips cannot be asked for their title (TTM_GETTITLE is missing there), so the title, its
// icon, the tool flags and the tip width are checked as sent.
struct ToldTooltip {
    HWND tooltip = nullptr;
    int toolControlId = 0;
    UINT toolFlags = 0;
    std::string title;
    int titleIcon = -1;
    int maxTipWidth = -1;
};
std::vector<ToldTooltip> Told;

ToldTooltip& TooltipTold(HWND tooltip)
{
    if (ToldTooltip* known = FirstWith(Told, &ToldTooltip::tooltip, tooltip))
        return *known;
    ToldTooltip told;
    told.tooltip = tooltip;
    Told.push_back(told);
    return Told.back();
}

LRESULT CALLBACK WatchMessages(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION) {
        const auto* m = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (m->message == TTM_ADDTOOLA) {
            const auto* tool = reinterpret_cast<const TOOLINFOA*>(m->lParam);
            TooltipTold(m->hwnd).toolControlId = GetDlgCtrlID(tool->hwnd);
            TooltipTold(m->hwnd).toolFlags = tool->uFlags;
        } else if (m->message == TTM_SETTITLEA) {
            TooltipTold(m->hwnd).title = reinterpret_cast<const char*>(m->lParam);
            TooltipTold(m->hwnd).titleIcon = int(m->wParam);
        } else if (m->message == TTM_SETMAXTIPWIDTH) {
            TooltipTold(m->hwnd).maxTipWidth = int(m->lParam);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

std::string ClassOf(HWND w)
{
    char name[64] = {};
    GetClassNameA(w, name, sizeof name);
    return name;
}

std::string TextOf(HWND w)
{
    char text[256] = {};
    GetWindowTextA(w, text, sizeof text);
    return text;
}

BOOL CALLBACK CollectControl(HWND w, LPARAM)
{
    Seen.controls.push_back(SeenControl{GetDlgCtrlID(w), ClassOf(w), TextOf(w), GetWindowLongA(w, GWL_STYLE)});
    return TRUE;
}

BOOL CALLBACK FindDialog(HWND w, LPARAM)
{
    if (ClassOf(w) == "#32770") {
        Seen.dialog = w;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK CollectTooltip(HWND w, LPARAM)
{
    if (lstrcmpiA(ClassOf(w).c_str(), TOOLTIPS_CLASSA) != 0)
        return TRUE;
    if (SendMessageA(w, TTM_GETTOOLCOUNT, 0, 0) < 1)
        return TRUE;
    // The wide calls: the narrow TTM_GETTEXTA and TTM_ENUMTOOLSA copy at most 80 characters.
    TOOLINFOW tool = {};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    if (!SendMessageW(w, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&tool)))
        return TRUE;
    WCHAR wide[1024] = {};
    tool.lpszText = wide;
    SendMessageW(w, TTM_GETTEXTW, 1024, reinterpret_cast<LPARAM>(&tool));
    std::string text;
    for (const WCHAR* c = wide; *c; ++c)
        text += char(*c);
    Seen.tooltips.push_back(
        SeenTooltip{GetDlgCtrlID(tool.hwnd), text, GetWindowLongA(w, GWL_STYLE), GetWindowLongA(w, GWL_EXSTYLE)});
    return TRUE;
}

void CALLBACK Inspect(HWND, UINT, UINT_PTR timer, DWORD)
{
    ++Seen.ticks;
    if (!Seen.dialog)
        EnumThreadWindows(GetCurrentThreadId(), FindDialog, 0);
    if (!Seen.dialog) {
        if (Seen.ticks > 100)   // ten seconds without a dialog: it is not coming
            KillTimer(nullptr, timer);
        return;
    }
    if (Seen.ticks < Seen.holdTicks || Seen.closed)
        return;
    Seen.caption = TextOf(Seen.dialog);
    EnumChildWindows(Seen.dialog, CollectControl, 0);
    EnumThreadWindows(GetCurrentThreadId(), CollectTooltip, 0);
    // What the Close button sends when clicked.
    PostMessageA(Seen.dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(Seen.dialog, IDCANCEL)));
    Seen.closed = true;
    KillTimer(nullptr, timer);
}

const SeenControl* ControlWithText(const std::string& text)
{
    return FirstWith(Seen.controls, &SeenControl::text, text);
}

} // namespace

TEST(AboutBoxOnWindows, OpensThroughTheEntryPointShowsItsControlsAndClosesThroughControlTwo)
{
    EffectModule module;
    std::string error;
    ASSERT_TRUE(LoadEffectModule(DefaultModulePath(), module, error)) << error;
    HostSession session;
    session.moduleHandle = module.handle;

    if (const char* hold = std::getenv("VELMORA_ABOUT_HOLD_MS"))
        Seen.holdTicks = std::atoi(hold) / 100;
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, WatchMessages, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, Inspect);
    ASSERT_NE(timer, 0u);
    const PF_Err err = CallEffect(session, module.entry, PF_Cmd_ABOUT);
    KillTimer(nullptr, timer);
    UnhookWindowsHookEx(hook);

    EXPECT_EQ(err, PF_Err_NONE);
    ASSERT_NE(Seen.dialog, nullptr) << "no dialog appeared (is there a display?)";
    ASSERT_TRUE(Seen.closed);
    EXPECT_FALSE(IsWindow(Seen.dialog)) << "the dialog outlived the command";
    EXPECT_EQ(Seen.caption, "About Quillmark Velmora");

    const SeenControl* version = ControlWithText("Quillmark Velmora version 1.01,");
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(version->className, "Static");
    EXPECT_EQ(WORD(version->id), 0xFFFF);
    ASSERT_NE(ControlWithText("Additional plug-in module for Adobe Affter Effects."), nullptr);
    ASSERT_NE(ControlWithText("Copyright (c) Quillmark. All rights reserved."), nullptr);

    const SeenControl* close = ControlWithText("Close");
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->id, 2);
    EXPECT_EQ(close->className, "Button");
    EXPECT_EQ(close->style & 0xF, BS_DEFPUSHBUTTON);
    const SeenControl* web = ControlWithText("quillmark.example");
    ASSERT_NE(web, nullptr);
    EXPECT_EQ(web->id, 7774);

    bool picture = false;
    for (const SeenControl& c : Seen.controls)
        picture = picture || (c.className == "Static" && (c.style & SS_TYPEMASK) == SS_BITMAP);
    EXPECT_TRUE(picture) << "no bitmap control";

    const SeenTooltip* webTip = FirstWith(Seen.tooltips, &SeenTooltip::toolControlId, 7774);
    ASSERT_NE(webTip, nullptr);
    EXPECT_EQ(webTip->text, "You can go to our site and find new plug-ins and freshest versions of our popular software.");
    // The tooltip control drops the caption bits it was made with and keeps the rest.
    const DWORD kept = DWORD(WS_POPUP) | TTS_BALLOON | TTS_NOPREFIX;
    EXPECT_EQ(DWORD(webTip->style) & kept, kept) << std::hex << webTip->style;
    EXPECT_TRUE(webTip->exStyle & WS_EX_TOPMOST);
    const SeenTooltip* closeTip = FirstWith(Seen.tooltips, &SeenTooltip::toolControlId, 2);
    ASSERT_NE(closeTip, nullptr);
    EXPECT_EQ(closeTip->text, "Close window.");

    const ToldTooltip* webTold = FirstWith(Told, &ToldTooltip::toolControlId, 7774);
    ASSERT_NE(webTold, nullptr);
    EXPECT_EQ(webTold->title, "Welcome to our site!");
    EXPECT_EQ(webTold->titleIcon, TTI_INFO);
    EXPECT_EQ(webTold->toolFlags, UINT(TTF_SUBCLASS | TTF_TRANSPARENT | TTF_CENTERTIP));
    EXPECT_EQ(webTold->maxTipWidth, 100);
    const ToldTooltip* closeTold = FirstWith(Told, &ToldTooltip::toolControlId, 2);
    ASSERT_NE(closeTold, nullptr);
    EXPECT_EQ(closeTold->titleIcon, -1) << "the Close tooltip has no title";
    EXPECT_EQ(closeTold->maxTipWidth, 100);
    EXPECT_TRUE(SessionProblems(session).empty());
}
#endif

// The About box: dialog 777, owned by the host's main window, with balloon tooltips on its two
// buttons. Shown by the host's About command and by the panel's About button.
#include "effect/entry.h"
#include "effect/panel.h"

namespace {

// Pop-up with the caption bits, balloon-shaped, text shown as given (no '&' prefixes).
const DWORD TooltipStyle = DWORD(WS_POPUP) | DWORD(WS_CAPTION) | DWORD(TTS_BALLOON) | DWORD(TTS_NOPREFIX);
static_assert(TooltipStyle == 0x80C00042u, "tooltip window style");
const UINT TooltipToolFlags = UINT(TTF_SUBCLASS) | UINT(TTF_TRANSPARENT) | UINT(TTF_CENTERTIP);
static_assert(TooltipToolFlags == 0x112, "tooltip tool flags");

} // namespace

void AttachTooltip(HWND control, const char* text, const char* title)
{
    if (!control || !text)
        return;
    HINSTANCE instance = static_cast<HINSTANCE>(ModuleInstance);
    HWND tip = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, TooltipStyle,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, control, nullptr, instance,
                               nullptr);
    if (!tip)
        return;
    SetWindowPos(tip, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    TOOLINFOA tool = {};
    // The record as the tooltip of every comctl32 generation knows it: the newest size is
    // refused by the older library that a module without a manifest gets.
    tool.cbSize = UINT(TTTOOLINFOA_V2_SIZE);
    tool.uFlags = TooltipToolFlags;
    tool.hwnd = control;
    tool.uId = 0;
    tool.hinst = instance;
    tool.lpszText = const_cast<LPSTR>(text);
    GetClientRect(control, &tool.rect);
    SendMessageA(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    if (title)
        SendMessageA(tip, TTM_SETTITLEA, WPARAM(TTI_INFO), reinterpret_cast<LPARAM>(title));
    SendMessageA(tip, TTM_SETMAXTIPWIDTH, 0, 100);
}

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        AttachTooltip(GetDlgItem(dialog, ABOUT_WEB_BUTTON), ABOUT_WEB_TOOLTIP, ABOUT_WEB_TOOLTIP_TITLE);
        AttachTooltip(GetDlgItem(dialog, IDCANCEL), ABOUT_CLOSE_TOOLTIP, nullptr);
        return 1;
    case WM_COMMAND: {
        const WORD id = LOWORD(wParam);
        const WORD code = HIWORD(wParam);
        if (id == IDOK || id == IDCANCEL) {
            // Close, Escape and the caption's close box all arrive here as control 2, clicked.
            if (code != BN_CLICKED)
                return 1;
            EndDialog(dialog, id);
            return 0;
        }
        if (id == 0)
            return 1;
        if (id == ABOUT_WEB_BUTTON) {
            ShellExecuteA(dialog, "open", VELMORA_WEB_PAGE, nullptr, nullptr, SW_SHOW);
            return 1;
        }
        return 0;
    }
    case WM_DESTROY: return 1;
    default: return 0;
    }
}

PF_Err About(PF_InData* in_data, PF_OutData*, PF_ParamDef*[], PF_LayerDef*)
{
    // A host without a main window to offer (a command-line host) gets an unowned dialog.
    void* mainWindow = nullptr;
    if (in_data && in_data->utils && in_data->utils->get_platform_data)
        in_data->utils->get_platform_data(in_data->effect_ref, PF_PlatData_MAIN_WND, &mainWindow);
    LoadCommonControlClasses();
    // The dialog's answer changes nothing: the About box only informs.
    DialogBoxParamA(static_cast<HINSTANCE>(ModuleInstance), MAKEINTRESOURCEA(ABOUT_DIALOG),
                    static_cast<HWND>(mainWindow), AboutDialogProc, 0);
    return PF_Err_NONE;
}

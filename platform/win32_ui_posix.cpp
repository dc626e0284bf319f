// The stand-in for the Win32 user-interface calls where there is no Windows: GDI bitmap access
// over the bitmaps embedded in the module, a modal dialog that runs its procedure without a
// screen, tooltips and shell requests that are recorded rather than shown. It covers what the
// effect asks of these calls and refuses the rest the way Windows reports failure (a null handle,
// 0 or FALSE), so a wrong call shows up as a failed one.
#if !defined(_WIN32)
#include "platform/win32_ui.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <strings.h>

struct StandInBitmap {
    const StandInBitmapResource* resource;
    int width;
    int height;               // rows as stored: bottom-up
    size_t rowBytes;
    const unsigned char* pixels;
};

struct StandInDC {
    bool memory;
    HGDIOBJ selected;
};

struct StandInWindow {
    enum Kind { Dialog, Control, Tooltip } kind;
    int id;
    RECT rect;                // client area in pixels
    HWND parent;              // the dialog of a control, the owner of a tooltip
    StandInTooltip tooltip;
    bool ended;
    INT_PTR result;
};

namespace {

std::vector<std::unique_ptr<StandInBitmap>> Bitmaps;
std::vector<std::unique_ptr<StandInDC>> DeviceContexts;
std::vector<std::unique_ptr<StandInWindow>> Windows;
std::vector<StandInDialogRun> DialogRuns;
std::vector<StandInShellRequest> ShellRequests;
std::vector<int> PendingClicks;
// What a fresh memory context has selected: Windows gives it a 1x1 stock bitmap, which can be
// selected back but never deleted.
StandInBitmap StockBitmap{nullptr, 1, 1, 4, nullptr};

template <typename T>
bool Owns(const std::vector<std::unique_ptr<T>>& list, const T* object)
{
    return object && std::any_of(list.begin(), list.end(), [object](const auto& p) { return p.get() == object; });
}

template <typename T>
bool Remove(std::vector<std::unique_ptr<T>>& list, const T* object)
{
    auto it = std::find_if(list.begin(), list.end(), [object](const auto& p) { return p.get() == object; });
    if (it == list.end())
        return false;
    list.erase(it);
    return true;
}

uint32_t Read32(const unsigned char* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
uint16_t Read16(const unsigned char* p) { return uint16_t(p[0] | p[1] << 8); }

// Accepts exactly what the module embeds: an uncompressed 24-bit .bmp stored bottom-up.
bool ParseBitmap(const StandInBitmapResource& r, StandInBitmap& out)
{
    if (r.size < 54 || r.bytes[0] != 'B' || r.bytes[1] != 'M')
        return false;
    const uint32_t offset = Read32(r.bytes + 10);
    const int32_t width = int32_t(Read32(r.bytes + 18));
    const int32_t height = int32_t(Read32(r.bytes + 22));
    if (Read32(r.bytes + 14) < 40 || Read16(r.bytes + 28) != 24 || Read32(r.bytes + 30) != 0 || width <= 0 ||
        height <= 0 || width > 65535 || height > 65535)
        return false;
    const size_t rowBytes = ((size_t(width) * 24 + 31) / 32) * 4;
    if (offset > r.size || (r.size - offset) / rowBytes < size_t(height))
        return false;
    out = StandInBitmap{&r, width, height, rowBytes, r.bytes + offset};
    return true;
}

bool IsIntResource(LPCSTR name) { return (reinterpret_cast<uintptr_t>(name) >> 16) == 0; }

HWND NewWindow(StandInWindow::Kind kind, int id, RECT rect, HWND parent)
{
    auto w = std::make_unique<StandInWindow>();
    w->kind = kind;
    w->id = id;
    w->rect = rect;
    w->parent = parent;
    w->tooltip = StandInTooltip{};
    w->tooltip.maxTipWidth = -1;
    w->ended = false;
    w->result = 0;
    Windows.push_back(std::move(w));
    return Windows.back().get();
}

HWND FindWindow(HWND w) { return Owns(Windows, static_cast<const StandInWindow*>(w)) ? w : nullptr; }

HWND DialogOf(HWND w)
{
    while (w && w->kind != StandInWindow::Dialog)
        w = w->parent;
    return w;
}

// Dialog units to pixels with the base units of the 8-point dialog font at 96 dots per inch: a
// horizontal unit is a quarter of the 6-pixel average character width, a vertical one an eighth of
// the 13-pixel character height.
RECT ControlRect(const StandInControlTemplate& c)
{
    return RECT{0, 0, c.width * 6 / 4, c.height * 13 / 8};
}

void DestroyDialog(HWND dialog)
{
    // Owned tooltips go with their controls, the controls with their dialog.
    Windows.erase(std::remove_if(Windows.begin(), Windows.end(),
                                 [dialog](const std::unique_ptr<StandInWindow>& w) {
                                     return w.get() != dialog && DialogOf(w.get()) == dialog;
                                 }),
                  Windows.end());
    Remove(Windows, static_cast<const StandInWindow*>(dialog));
}

} // namespace

// ---- GDI ----------------------------------------------------------------------------------------

HBITMAP LoadBitmapA(HINSTANCE, LPCSTR name)
{
    // The module's resources are the ones linked into this image, whichever instance is asked.
    if (!name || !IsIntResource(name))
        return nullptr;
    const int id = int(reinterpret_cast<uintptr_t>(name));
    for (size_t i = 0; i < StandInBitmapCount; ++i) {
        if (StandInBitmaps[i].id != id)
            continue;
        auto b = std::make_unique<StandInBitmap>();
        if (!ParseBitmap(StandInBitmaps[i], *b))
            return nullptr;
        Bitmaps.push_back(std::move(b));
        return Bitmaps.back().get();
    }
    return nullptr;
}

HDC GetDC(HWND window)
{
    if (window && !FindWindow(window))
        return nullptr;
    auto dc = std::make_unique<StandInDC>(StandInDC{false, nullptr});
    DeviceContexts.push_back(std::move(dc));
    return DeviceContexts.back().get();
}

int ReleaseDC(HWND, HDC dc)
{
    if (!Owns(DeviceContexts, static_cast<const StandInDC*>(dc)) || dc->memory)
        return 0;
    Remove(DeviceContexts, static_cast<const StandInDC*>(dc));
    return 1;
}

HDC CreateCompatibleDC(HDC dc)
{
    if (dc && !Owns(DeviceContexts, static_cast<const StandInDC*>(dc)))
        return nullptr;
    DeviceContexts.push_back(std::make_unique<StandInDC>(StandInDC{true, &StockBitmap}));
    return DeviceContexts.back().get();
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object)
{
    if (!Owns(DeviceContexts, static_cast<const StandInDC*>(dc)) || !dc->memory ||
        (object != &StockBitmap && !Owns(Bitmaps, static_cast<const StandInBitmap*>(object))))
        return nullptr;
    HGDIOBJ previous = dc->selected;
    dc->selected = object;
    return previous;
}

int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits, BITMAPINFO* info, UINT usage)
{
    if (!Owns(DeviceContexts, static_cast<const StandInDC*>(dc)) || !Owns(Bitmaps, static_cast<const StandInBitmap*>(bitmap)) ||
        !info || usage != DIB_RGB_COLORS)
        return 0;
    BITMAPINFOHEADER& h = info->bmiHeader;
    if (!bits) {
        // The format query: the bitmap's own description.
        h.biWidth = bitmap->width;
        h.biHeight = bitmap->height;
        h.biPlanes = 1;
        h.biBitCount = 24;
        h.biCompression = BI_RGB;
        h.biSizeImage = DWORD(bitmap->rowBytes * size_t(bitmap->height));
        return bitmap->height;
    }
    // Only the stored format itself is served: 24 bits, uncompressed, the bitmap's own size.
    const bool topDown = h.biHeight < 0;
    const LONG rows = topDown ? -h.biHeight : h.biHeight;
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biPlanes != 1 || h.biBitCount != 24 || h.biCompression != BI_RGB ||
        h.biWidth != bitmap->width || rows != bitmap->height || start >= UINT(rows))
        return 0;
    const UINT count = std::min<UINT>(lines, UINT(rows) - start);
    auto* out = static_cast<unsigned char*>(bits);
    for (UINT i = 0; i < count; ++i) {
        // Scan line n of a bottom-up DIB is stored row n; of a top-down one, row (rows - 1 - n).
        const UINT line = start + i;
        const UINT storedRow = topDown ? UINT(rows) - 1 - line : line;
        std::memcpy(out + size_t(i) * bitmap->rowBytes, bitmap->pixels + size_t(storedRow) * bitmap->rowBytes,
                    bitmap->rowBytes);
    }
    return int(count);
}

BOOL DeleteObject(HGDIOBJ object)
{
    auto* b = static_cast<const StandInBitmap*>(object);
    if (!Owns(Bitmaps, b))
        return 0;
    // Windows refuses to delete a bitmap that is still selected into a context.
    for (const auto& dc : DeviceContexts)
        if (dc->selected == object)
            return 0;
    return Remove(Bitmaps, b) ? 1 : 0;
}

BOOL DeleteDC(HDC dc)
{
    if (!Owns(DeviceContexts, static_cast<const StandInDC*>(dc)) || !dc->memory)
        return 0;
    return Remove(DeviceContexts, static_cast<const StandInDC*>(dc)) ? 1 : 0;
}

// ---- Dialogs and tooltips ---------------------------------------------------------------------

INT_PTR DialogBoxParamA(HINSTANCE, LPCSTR templateName, HWND owner, DLGPROC proc, LPARAM init)
{
    if (!templateName || !IsIntResource(templateName) || !proc)
        return -1;
    const int id = int(reinterpret_cast<uintptr_t>(templateName));
    const StandInDialogTemplate* t = nullptr;
    for (size_t i = 0; i < StandInDialogCount; ++i)
        if (StandInDialogs[i].id == id)
            t = &StandInDialogs[i];
    if (!t || (owner && !FindWindow(owner)))
        return -1;

    HWND dialog = NewWindow(StandInWindow::Dialog, id, RECT{0, 0, t->width * 6 / 4, t->height * 13 / 8}, owner);
    for (size_t i = 0; i < t->controlCount; ++i)
        NewWindow(StandInWindow::Control, t->controls[i].id, ControlRect(t->controls[i]), dialog);

    std::vector<int> clicks;
    clicks.swap(PendingClicks);
    proc(dialog, WM_INITDIALOG, 0, init);
    // The user: the scripted presses, then Escape (which a dialog receives as control 2). A dialog
    // that will not end even then would wait forever on Windows; the stand-in stops there.
    clicks.push_back(IDCANCEL);
    for (int control : clicks) {
        if (dialog->ended)
            break;
        proc(dialog, WM_COMMAND, WPARAM(WORD(control)) | WPARAM(BN_CLICKED) << 16,
             reinterpret_cast<LPARAM>(GetDlgItem(dialog, control)));
    }
    proc(dialog, WM_DESTROY, 0, 0);

    StandInDialogRun run{id, owner, dialog->ended, dialog->ended ? dialog->result : INT_PTR(-1), {}};
    for (const auto& w : Windows)
        if (w->kind == StandInWindow::Tooltip && DialogOf(w.get()) == dialog)
            run.tooltips.push_back(w->tooltip);
    DialogRuns.push_back(run);
    DestroyDialog(dialog);
    return run.result;
}

BOOL EndDialog(HWND dialog, INT_PTR result)
{
    if (!FindWindow(dialog) || dialog->kind != StandInWindow::Dialog)
        return 0;
    dialog->ended = true;
    dialog->result = result;
    return 1;
}

HWND GetDlgItem(HWND dialog, int id)
{
    if (!FindWindow(dialog) || id < 0)
        return nullptr;
    for (const auto& w : Windows)
        if (w->kind == StandInWindow::Control && w->parent == dialog && w->id == id)
            return w.get();
    return nullptr;
}

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR, DWORD style, int, int, int, int, HWND parent, HMENU,
                     HINSTANCE, LPVOID)
{
    // The only window class the effect creates itself.
    if (!className || IsIntResource(className) || strcasecmp(className, TOOLTIPS_CLASSA) != 0 || !FindWindow(parent))
        return nullptr;
    HWND tip = NewWindow(StandInWindow::Tooltip, -1, RECT{0, 0, 0, 0}, parent);
    tip->tooltip.controlId = parent->id;
    tip->tooltip.style = style;
    tip->tooltip.exStyle = exStyle;
    return tip;
}

BOOL SetWindowPos(HWND window, HWND insertAfter, int, int, int, int, UINT flags)
{
    if (!FindWindow(window))
        return 0;
    const UINT keep = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
    if (window->kind == StandInWindow::Tooltip)
        window->tooltip.placedTopmost = insertAfter == HWND_TOPMOST && (flags & keep) == keep;
    return 1;
}

BOOL GetClientRect(HWND window, RECT* rect)
{
    if (!FindWindow(window) || !rect)
        return 0;
    *rect = window->rect;
    return 1;
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!FindWindow(window) || window->kind != StandInWindow::Tooltip)
        return 0;
    StandInTooltip& tip = window->tooltip;
    switch (message) {
    case TTM_ADDTOOLA: {
        const auto* info = reinterpret_cast<const TOOLINFOA*>(lParam);
        if (!info || info->cbSize < TTTOOLINFOA_V1_SIZE || !info->lpszText || !FindWindow(info->hwnd))
            return 0;
        tip.toolAdded = true;
        tip.toolFlags = info->uFlags;
        tip.toolControlId = info->hwnd->id;
        tip.toolId = info->uId;
        tip.toolRect = info->rect;
        tip.text = info->lpszText;
        return 1;
    }
    case TTM_SETTITLEA: {
        const char* title = reinterpret_cast<const char*>(lParam);
        tip.title = title ? title : "";
        tip.titleIcon = int(wParam);
        return 1;
    }
    case TTM_SETMAXTIPWIDTH: {
        const int previous = tip.maxTipWidth;
        tip.maxTipWidth = int(lParam);
        return previous;
    }
    default: return 0;
    }
}

HINSTANCE ShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR, LPCSTR, int show)
{
    if (!file)
        return reinterpret_cast<HINSTANCE>(intptr_t(2));   // ERROR_FILE_NOT_FOUND
    owner = FindWindow(owner);
    ShellRequests.push_back(StandInShellRequest{owner && owner->kind == StandInWindow::Dialog, verb ? verb : "",
                                                file, show});
    // Above 32 is success.
    return reinterpret_cast<HINSTANCE>(intptr_t(42));
}

void LoadCommonControlClasses() {}

// ---- Records ------------------------------------------------------------------------------------

const std::vector<StandInDialogRun>& StandInDialogRuns() { return DialogRuns; }
const std::vector<StandInShellRequest>& StandInShellRequests() { return ShellRequests; }
int StandInLiveGdiObjects() { return int(Bitmaps.size() + DeviceContexts.size()); }
void StandInSetDialogClicks(const std::vector<int>& controlIds) { PendingClicks = controlIds; }

void StandInReset()
{
    Bitmaps.clear();
    DeviceContexts.clear();
    Windows.clear();
    DialogRuns.clear();
    ShellRequests.clear();
    PendingClicks.clear();
}
#endif

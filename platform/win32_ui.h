// The few Win32 user-interface calls of the effect panel and About box: bitmap loading through
// GDI, the modal dialog with its tooltips, and the shell's "open" verb. On Windows these are the
// system's own. Elsewhere this header declares the same names and records, and
// platform/win32_ui_posix.cpp stands in for them: bitmaps and the dialog template come from data
// embedded in the module (made from effect/resources/ at build time by scripts/embed_resources.py),
// the dialog runs without being shown, and what a user would have seen (dialogs, tooltips, pages
// opened) is recorded for the host and the tests. The effect's code is the same on both.
#pragma once

#if defined(_WIN32)

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#else

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#define WINAPI
#define CALLBACK

typedef int BOOL;
typedef unsigned int UINT;
typedef uint32_t DWORD;
typedef uint16_t WORD;
typedef int32_t LONG;
typedef uint8_t BYTE;
typedef intptr_t INT_PTR;
typedef uintptr_t UINT_PTR;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef void* LPVOID;
typedef const char* LPCSTR;
typedef char* LPSTR;

typedef struct StandInWindow* HWND;
typedef struct StandInModule* HINSTANCE;
typedef struct StandInBitmap* HBITMAP;
typedef struct StandInDC* HDC;
typedef struct StandInMenu* HMENU;
typedef void* HGDIOBJ;

typedef INT_PTR(CALLBACK* DLGPROC)(HWND, UINT, WPARAM, LPARAM);

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};

struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40, "the Windows record");

struct RGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
};

struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};

struct TOOLINFOA {
    UINT cbSize;
    UINT uFlags;
    HWND hwnd;
    UINT_PTR uId;
    RECT rect;
    HINSTANCE hinst;
    LPSTR lpszText;
    LPARAM lParam;
    void* lpReserved;
};
#define TTTOOLINFOA_V1_SIZE offsetof(TOOLINFOA, lParam)
#define TTTOOLINFOA_V2_SIZE offsetof(TOOLINFOA, lpReserved)

#define MAKEINTRESOURCEA(i) (reinterpret_cast<LPSTR>(static_cast<uintptr_t>(static_cast<WORD>(i))))
#define LOWORD(l) (static_cast<WORD>(static_cast<uintptr_t>(l) & 0xFFFF))
#define HIWORD(l) (static_cast<WORD>((static_cast<uintptr_t>(l) >> 16) & 0xFFFF))
#define HWND_TOPMOST (reinterpret_cast<HWND>(intptr_t(-1)))

enum : UINT {
    WM_DESTROY = 0x0002,
    WM_CLOSE = 0x0010,
    WM_INITDIALOG = 0x0110,
    WM_COMMAND = 0x0111,
    WM_USER = 0x0400,
    TTM_SETMAXTIPWIDTH = WM_USER + 24,
    TTM_ADDTOOLA = WM_USER + 4,
    TTM_SETTITLEA = WM_USER + 32,
};

enum : DWORD {
    BI_RGB = 0,
    DIB_RGB_COLORS = 0,
    WS_POPUP = 0x80000000u,
    WS_CAPTION = 0x00C00000u,
    WS_EX_TOPMOST = 0x00000008u,
    WS_EX_TOOLWINDOW = 0x00000080u,
    TTS_NOPREFIX = 0x02,
    TTS_BALLOON = 0x40,
    TTF_CENTERTIP = 0x0002,
    TTF_SUBCLASS = 0x0010,
    TTF_TRANSPARENT = 0x0100,
    TTI_INFO = 1,
    SWP_NOSIZE = 0x0001,
    SWP_NOMOVE = 0x0002,
    SWP_NOACTIVATE = 0x0010,
    IDOK = 1,
    IDCANCEL = 2,
    BN_CLICKED = 0,
};

enum : int {
    SW_SHOW = 5,
    CW_USEDEFAULT = int(0x80000000u),
};

#define TOOLTIPS_CLASSA "tooltips_class32"

HBITMAP LoadBitmapA(HINSTANCE instance, LPCSTR name);
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC dc);
HDC CreateCompatibleDC(HDC dc);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits, BITMAPINFO* info, UINT usage);
BOOL DeleteObject(HGDIOBJ object);
BOOL DeleteDC(HDC dc);

INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC proc, LPARAM init);
BOOL EndDialog(HWND dialog, INT_PTR result);
HWND GetDlgItem(HWND dialog, int id);
HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);
BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
BOOL GetClientRect(HWND window, RECT* rect);
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
HINSTANCE ShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory, int show);

// ---- What the stand-in embeds and records -----------------------------------------------------

// A bitmap resource as the module carries it: the bytes of its .bmp file.
struct StandInBitmapResource {
    int id;
    const unsigned char* bytes;
    size_t size;
};

// One control of a dialog template, in dialog units.
struct StandInControlTemplate {
    int id;                  // -1 for the controls the dialog never addresses
    const char* className;   // "STATIC" or "BUTTON"
    const char* text;
    DWORD style;
    int x, y, width, height;
};

struct StandInDialogTemplate {
    int id;
    const char* caption;
    const char* font;
    int pointSize;
    DWORD style;
    int width, height;
    const StandInControlTemplate* controls;
    size_t controlCount;
};

extern const StandInBitmapResource StandInBitmaps[];
extern const size_t StandInBitmapCount;
extern const StandInDialogTemplate StandInDialogs[];
extern const size_t StandInDialogCount;

// A tooltip as the dialog left it when it closed.
struct StandInTooltip {
    int controlId;           // of the control the tooltip's owner window is
    DWORD style;
    DWORD exStyle;
    bool placedTopmost;      // SetWindowPos(HWND_TOPMOST, no move, size or activation)
    bool toolAdded;
    UINT toolFlags;
    int toolControlId;       // of the window the tool covers
    UINT_PTR toolId;
    RECT toolRect;
    std::string text;
    std::string title;
    int titleIcon;
    int maxTipWidth;
};

// One modal dialog run: which template, who owned it, how it ended.
struct StandInDialogRun {
    int templateId;
    HWND owner;
    bool ended;              // EndDialog was called before the stand-in gave up
    INT_PTR result;          // what DialogBoxParamA returned
    std::vector<StandInTooltip> tooltips;
};

// One ShellExecuteA call.
struct StandInShellRequest {
    bool ownedByDialog;      // the owner was a dialog window (else null or another window)
    std::string verb;
    std::string file;
    int show;
};

// What the stand-in saw since the last StandInReset.
const std::vector<StandInDialogRun>& StandInDialogRuns();
const std::vector<StandInShellRequest>& StandInShellRequests();
// GDI objects (bitmaps, device contexts) handed out and not yet deleted or released.
int StandInLiveGdiObjects();

// The controls a user presses in the next dialogs, in order, before the stand-in closes the
// dialog through control 2 (as Escape or the caption's close box do) if it is still open.
void StandInSetDialogClicks(const std::vector<int>& controlIds);
void StandInReset();

#endif

// The common-control window classes (the tooltip) registered before a dialog uses them; the
// stand-in always has them.
void LoadCommonControlClasses();

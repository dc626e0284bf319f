// The effect's own control in the host's Effect Controls window: a banner with two buttons,
// drawn bitmap by bitmap through the host's drawing suites, that opens the About box and the
// maker's web site and lights a button up while the cursor is over it. Also the About box.
#pragma once

#include <cstdint>

#include "effect/host_api.h"
#include "platform/win32_ui.h"

// Bitmap and dialog resources of the module.
enum : int {
    BANNER_BITMAP = 779,
    ABOUT_BUTTON_BITMAP = 780,
    ABOUT_BUTTON_HOVER_BITMAP = 781,
    WEB_BUTTON_BITMAP = 782,
    WEB_BUTTON_HOVER_BITMAP = 783,
    ABOUT_PICTURE_BITMAP = 888,
    ABOUT_DIALOG = 777,
    ABOUT_WEB_BUTTON = 7774,    // the dialog's web-address button; its Close button is IDCANCEL (2)
};

// Where the artwork sits, from the control frame's top-left corner, and how large it is.
enum : int {
    BANNER_WIDTH = 359, BANNER_HEIGHT = 116,
    ABOUT_BUTTON_X = 209, ABOUT_BUTTON_Y = 44, ABOUT_BUTTON_SIZE = 66,
    WEB_BUTTON_X = 284, WEB_BUTTON_Y = 19, WEB_BUTTON_WIDTH = 54, WEB_BUTTON_HEIGHT = 58,
};

// The maker's site: the panel's web button opens the home page, the About box's button the
// product page.
#define VELMORA_WEB_HOME "https://quillmark.example/"
#define VELMORA_WEB_PAGE "https://quillmark.example/index.php"

// Panel state, one copy for every instance of the effect (the host sends the events of all of
// them on its user-interface thread, one at a time). The origin is the panel's top-left corner as
// the last draw event gave it; the hover flags say which button image is up; while the host says
// it will not draw, cursor moves change nothing.
extern int32_t PanelLeft;
extern int32_t PanelTop;
extern int32_t AboutHover;
extern int32_t WebHover;
extern int32_t DrawingSuppressed;

// Whether a screen point is on a button, against the remembered origin; both bounds inclusive.
bool InAboutButton(PF_Point point);
bool InWebButton(PF_Point point);

PF_Err DrawPanel(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[], PF_EventExtra* event);
// Paints bitmap `id` (`width` x `height`) at (`dx`, `dy`) from the control frame's corner.
PF_Err DrawPanelBitmap(PF_InData* in_data, PF_OutData* out_data, PF_EventExtra* event, int id, int width,
                       int height, int dx, int dy);
PF_Err PanelCursor(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[], PF_EventExtra* event);
PF_Err PanelClick(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[], PF_EventExtra* event);

// The pixels of bitmap resource `id` as rows of blue, green, red bytes, bottom row first, each row
// `rowBytes` long (a multiple of 4), in a block from PageAllocate that the caller releases with
// PageRelease. Null when a size is 0, the bitmap cannot be read, or memory runs out.
unsigned char* LoadBitmapBits(int id, int width, int height, int& rowBytes);

// The About box's dialog procedure, and the tooltip helper it uses.
INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void AttachTooltip(HWND control, const char* text, const char* title);

// Texts of the About box's tooltips.
#define ABOUT_WEB_TOOLTIP "You can go to our site and find new plug-ins and freshest versions of our popular software."
#define ABOUT_WEB_TOOLTIP_TITLE "Welcome to our site!"
#define ABOUT_CLOSE_TOOLTIP "Close window."

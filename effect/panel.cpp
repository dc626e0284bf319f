// The effect panel: draw, cursor and click events of parameter 1, the custom-drawn banner.
#include "effect/panel.h"

#include "effect/entry.h"
#include "effect/params.h"
#include "effect/suites.h"
#include "platform/pages.h"

int32_t PanelLeft = 0;
int32_t PanelTop = 0;
int32_t AboutHover = 0;
int32_t WebHover = 0;
// Until the first draw event the host has not shown the panel, so a cursor over it means nothing.
int32_t DrawingSuppressed = 1;

namespace {

PF_WindowType WindowType(const PF_EventExtra* event)
{
    if (!event->contextH || !*event->contextH)
        return PF_Window_NONE;
    return (*event->contextH)->w_type;
}

bool InArea(PF_Point p, int x, int y, int width, int height)
{
    // Both bounds inclusive: the buttons answer one pixel beyond their images' right and bottom
    // edges, as they always have. The host may put the origin anywhere in its 32-bit range, so
    // the edges are worked out in 64 bits, where an area reaching past that range still fits.
    const int64_t left = int64_t(PanelLeft) + x, top = int64_t(PanelTop) + y;
    return p.h >= left && p.h <= left + width && p.v >= top && p.v <= top + height;
}

} // namespace

bool InAboutButton(PF_Point point)
{
    return InArea(point, ABOUT_BUTTON_X, ABOUT_BUTTON_Y, ABOUT_BUTTON_SIZE, ABOUT_BUTTON_SIZE);
}

bool InWebButton(PF_Point point)
{
    return InArea(point, WEB_BUTTON_X, WEB_BUTTON_Y, WEB_BUTTON_WIDTH, WEB_BUTTON_HEIGHT);
}

unsigned char* LoadBitmapBits(int id, int width, int height, int& rowBytes)
{
    // Larger than any panel artwork; keeps the row and block arithmetic far from overflow.
    const int maxSide = 32767;
    if (width <= 0 || height <= 0 || width > maxSide || height > maxSide)
        return nullptr;
    rowBytes = ((width * 24 + 31) / 32) * 4;   // 24-bit rows, padded to whole 32-bit words

    HBITMAP bitmap = LoadBitmapA(static_cast<HINSTANCE>(ModuleInstance), MAKEINTRESOURCEA(id));
    if (!bitmap)
        return nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = screen ? CreateCompatibleDC(screen) : nullptr;
    HGDIOBJ previous = memory ? SelectObject(memory, bitmap) : nullptr;

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;   // positive: bottom row first, the order the host gets
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    info.bmiHeader.biSizeImage = DWORD(rowBytes) * DWORD(height);

    auto* pixels = static_cast<unsigned char*>(memory ? PageAllocate(size_t(rowBytes) * size_t(height)) : nullptr);
    // Fewer rows than asked would leave part of the block black on the panel: such a bitmap is
    // treated as unreadable and skipped.
    if (pixels && GetDIBits(memory, bitmap, 0, UINT(height), pixels, &info, DIB_RGB_COLORS) != height) {
        PageRelease(pixels);
        pixels = nullptr;
    }

    if (previous)
        SelectObject(memory, previous);
    if (memory)
        DeleteDC(memory);
    if (screen)
        ReleaseDC(nullptr, screen);
    DeleteObject(bitmap);
    return pixels;
}

PF_Err DrawPanelBitmap(PF_InData* in_data, PF_OutData* out_data, PF_EventExtra* event, int id, int width,
                       int height, int dx, int dy)
{
    SuiteHandler handler(in_data ? in_data->pica_basicP : nullptr);
    DRAWBOT_Suites suites = {};
    PF_Err err = AEFX_AcquireDrawbotSuites(in_data, out_data, &suites);

    DRAWBOT_DrawRef drawRef = nullptr;
    if (err == PF_Err_NONE) {
        const void* table = nullptr;
        err = AEFX_AcquireSuite(in_data, out_data, kPFEffectCustomUISuite, kPFEffectCustomUISuiteVersion1, nullptr,
                                &table);
        if (err == PF_Err_NONE) {
            auto* customUI = static_cast<const PF_EffectCustomUISuite1*>(table);
            err = customUI->PF_GetDrawingReference ? customUI->PF_GetDrawingReference(event->contextH, &drawRef)
                                                   : PF_Err_BAD_CALLBACK_PARAM;
            AEFX_ReleaseSuite(in_data, out_data, kPFEffectCustomUISuite, kPFEffectCustomUISuiteVersion1, nullptr);
        }
        if (err == PF_Err_NONE && !drawRef)
            err = PF_Err_BAD_CALLBACK_PARAM;
    }
    if (err != PF_Err_NONE) {
        AEFX_ReleaseDrawbotSuites(in_data, out_data);
        return err;
    }

    DRAWBOT_SupplierRef supplier = nullptr;
    DRAWBOT_SurfaceRef surface = nullptr;
    err = suites.drawbot_suiteP->GetSupplier(drawRef, &supplier);
    if (err == PF_Err_NONE)
        err = suites.drawbot_suiteP->GetSurface(drawRef, &surface);

    // Only the control area shows the banner; the title row keeps the host's own look.
    if (err == PF_Err_NONE && event->effect_win.area == PF_EA_CONTROL) {
        int rowBytes = 0;
        unsigned char* pixels = LoadBitmapBits(id, width, height, rowBytes);
        if (pixels) {
            DRAWBOT_ImageRef image = nullptr;
            err = suites.supplier_suiteP->NewImageFromBuffer(supplier, width, height, rowBytes,
                                                             kDRAWBOT_PixelLayout_24BGR, pixels, &image);
            if (err == PF_Err_NONE) {
                const PF_UnionableRect& frame = event->effect_win.current_frame;
                // In 64 bits for a frame near the end of the host's range; the same floats otherwise.
                const DRAWBOT_PointF32 origin = {float(int64_t(frame.left) + dx), float(int64_t(frame.top) + dy)};
                err = suites.surface_suiteP->DrawImage(surface, image, &origin, 1.0f);
            }
            PageRelease(pixels);
            if (image)
                suites.supplier_suiteP->ReleaseObject(reinterpret_cast<DRAWBOT_ObjectRef>(image));
        }
    }

    AEFX_ReleaseDrawbotSuites(in_data, out_data);
    event->evt_out_flags = PF_EO_HANDLED_EVENT;
    return err;
}

PF_Err DrawPanel(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef*[], PF_EventExtra* event)
{
    if (event->evt_in_flags & PF_EI_DONT_DRAW) {
        DrawingSuppressed = 1;
        return PF_Err_NONE;
    }
    if (WindowType(event) != PF_Window_EFFECT)
        return PF_Err_NONE;
    DrawingSuppressed = 0;
    PanelLeft = event->u.draw.update_rect.left;
    PanelTop = event->u.draw.update_rect.top;

    PF_Err err = DrawPanelBitmap(in_data, out_data, event, BANNER_BITMAP, BANNER_WIDTH, BANNER_HEIGHT, 0, 0);
    PF_Err next = DrawPanelBitmap(in_data, out_data, event, WebHover ? WEB_BUTTON_HOVER_BITMAP : WEB_BUTTON_BITMAP,
                                  WEB_BUTTON_WIDTH, WEB_BUTTON_HEIGHT, WEB_BUTTON_X, WEB_BUTTON_Y);
    if (err == PF_Err_NONE)
        err = next;
    next = DrawPanelBitmap(in_data, out_data, event, AboutHover ? ABOUT_BUTTON_HOVER_BITMAP : ABOUT_BUTTON_BITMAP,
                           ABOUT_BUTTON_SIZE, ABOUT_BUTTON_SIZE, ABOUT_BUTTON_X, ABOUT_BUTTON_Y);
    if (err == PF_Err_NONE)
        err = next;
    return err;
}

PF_Err PanelCursor(PF_InData* in_data, PF_OutData*, PF_ParamDef* params[], PF_EventExtra* event)
{
    // Parameter 1's record is where the repaint is marked; without it there is nothing to do.
    PF_ParamDef* information = params ? params[PARAM_INFORMATION] : nullptr;
    if (!information || (information->flags & PF_ParamFlag_COLLAPSE_TWIRLY) || DrawingSuppressed ||
        WindowType(event) != PF_Window_EFFECT)
        return PF_Err_NONE;

    const PF_Point at = event->u.adjust_cursor.screen_point;
    const int32_t about = InAboutButton(at) ? 1 : 0;
    const int32_t web = InWebButton(at) ? 1 : 0;
    if (about == AboutHover && web == WebHover)
        return PF_Err_NONE;
    AboutHover = about;
    WebHover = web;

    SuiteHandler handler(in_data ? in_data->pica_basicP : nullptr);
    const PFAppSuite4* app = handler.AppSuite();
    PF_Err err = app->PF_InvalidateRect ? app->PF_InvalidateRect(event->contextH, &event->effect_win.current_frame)
                                        : PF_Err_BAD_CALLBACK_PARAM;
    event->evt_out_flags |= PF_EO_HANDLED_EVENT | PF_EO_UPDATE_NOW;
    information->uu.change_flags |= PF_ChangeFlag_CHANGED_VALUE;
    return err;
}

PF_Err PanelClick(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[], PF_EventExtra* event)
{
    if (WindowType(event) != PF_Window_EFFECT)
        return PF_Err_NONE;
    const PF_Point at = event->u.do_click.screen_point;
    if (InAboutButton(at))
        return About(in_data, out_data, params, nullptr);
    if (InWebButton(at))
        ShellExecuteA(nullptr, "open", VELMORA_WEB_HOME, nullptr, nullptr, SW_SHOW);
    return PF_Err_NONE;
}

// Errors of the panel stay with the panel: the host would only put up a message for a banner it
// cannot do anything about. Suite failures have already been shown through out-data.
PF_Err HandleEvent(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[], PF_LayerDef*,
                   PF_EventExtra* event)
{
    if (!event)
        return PF_Err_NONE;
    switch (event->e_type) {
    case PF_Event_DO_CLICK: PanelClick(in_data, out_data, params, event); break;
    case PF_Event_DRAW:
        if (event->effect_win.index == PARAM_INFORMATION)
            DrawPanel(in_data, out_data, params, event);
        break;
    case PF_Event_ADJUST_CURSOR:
        if (event->effect_win.index == PARAM_INFORMATION)
            PanelCursor(in_data, out_data, params, event);
        break;
    default: break;   // idle and everything else
    }
    return PF_Err_NONE;
}

// The host's effect interface as this module sees it: the records the host passes to
// EntryPointFunc, the callback blocks and suite tables reached through them, and the constants
// both sides agree on. The layouts are those of the host on Windows x64. Every integer has a fixed
// width, so the Linux build lays the records out identically, and every offset and size that the
// effect or our own host relies on is asserted under its record: a mismatch here would crash the
// module inside the real host long before any test of behaviour could notice.
//
// Natural alignment gives exactly the host's layouts on both targets (no member needs more than 8
// bytes), so no packing pragma is used. Slots of callback blocks that neither the effect nor our
// host calls are declared as plain pointers under their interface names: they hold places.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {

// ---- Scalar types ---------------------------------------------------------------------------

typedef int32_t A_long;
typedef uint32_t A_u_long;
typedef int16_t A_short;
typedef uint16_t A_u_short;
typedef char A_char;
typedef uint8_t A_u_char;
typedef uint8_t A_Boolean;
typedef double A_FpLong;
typedef float A_FpShort;
typedef int32_t A_Err;
typedef int64_t A_intptr_t;
typedef uint64_t A_u_longlong;
typedef uint16_t A_UTF16Char;

typedef int32_t PF_Fixed;             // 16.16 fixed point
typedef uint32_t PF_UFixed;
typedef char PF_Boolean;
typedef double PF_FpLong;
typedef float PF_FpShort;
typedef int32_t PF_Err;
typedef int32_t PF_Cmd;
typedef int32_t PF_ParamValue;
typedef int32_t PF_ParamIndex;
typedef int32_t PF_ParamType;
typedef int32_t PF_ParamFlags;
typedef int32_t PF_ParamUIFlags;
typedef int32_t PF_ChangeFlags;
typedef int32_t PF_OutFlags;
typedef int32_t PF_OutFlags2;
typedef int32_t PF_InFlags;
typedef int32_t PF_Quality;
typedef int32_t PF_Field;
typedef int32_t PF_WorldFlags;
typedef int16_t PF_ValueDisplayFlags;
typedef uint32_t PF_FSliderFlags;
typedef int32_t PF_PlatDataID;
typedef int32_t PF_EventType;
typedef int32_t PF_WindowType;
typedef int32_t PF_CustomEventFlags;
typedef int32_t PF_EffectArea;
typedef int32_t PF_EventInFlags;
typedef int32_t PF_EventOutFlags;
typedef int32_t PF_Modifiers;
typedef int32_t PF_CursorType;
typedef uint32_t PF_KeyCode;
typedef int32_t PF_UIAlignment;
typedef int32_t PF_PathID;
typedef int16_t PF_SoundChannels;
typedef int16_t PF_SoundFormat;
typedef int16_t PF_SoundSampleSize;
typedef int16_t PF_App_ColorType;
// 4 bytes in the host (compiled by its own compiler); GNU compilers would make the interface's
// enum type one byte wide, so the width is spelled out here.
typedef int32_t PF_FontStyleSheet;
typedef int32_t SPErr;
typedef int32_t SPBoolean;
typedef int32_t DRAWBOT_PixelLayout;
typedef int32_t DRAWBOT_FillType;
typedef int32_t DRAWBOT_TextAlignment;
typedef int32_t DRAWBOT_TextTruncation;
typedef int32_t DRAWBOT_InterpolationPolicy;
typedef int32_t DRAWBOT_AntiAliasPolicy;
typedef uint8_t DRAWBOT_Boolean;
typedef uint16_t DRAWBOT_UTF16Char;

// Opaque host objects: only ever passed back to the host.
typedef struct PF_ProgressInfo* PF_ProgPtr;
typedef void** PF_Handle;
typedef struct _DRAWBOT_DrawRef* DRAWBOT_DrawRef;
typedef struct _DRAWBOT_SupplierRef* DRAWBOT_SupplierRef;
typedef struct _DRAWBOT_SurfaceRef* DRAWBOT_SurfaceRef;
typedef struct _DRAWBOT_ImageRef* DRAWBOT_ImageRef;
typedef struct _DRAWBOT_ObjectRef* DRAWBOT_ObjectRef;
typedef struct _DRAWBOT_PathRef* DRAWBOT_PathRef;
typedef struct _DRAWBOT_PenRef* DRAWBOT_PenRef;
typedef struct _DRAWBOT_BrushRef* DRAWBOT_BrushRef;
typedef struct _DRAWBOT_FontRef* DRAWBOT_FontRef;

static_assert(sizeof(PF_ProgPtr) == 8 && sizeof(PF_Handle) == 8, "64-bit host pointers");
static_assert(sizeof(double) == 8 && sizeof(float) == 4, "host floating-point widths");

// ---- Small records --------------------------------------------------------------------------

struct PF_SpecVersion {
    A_short major;
    A_short minor;
};
static_assert(sizeof(PF_SpecVersion) == 4, "host record layout");

struct PF_LRect {
    A_long left;
    A_long top;
    A_long right;
    A_long bottom;
};
typedef PF_LRect PF_Rect;
typedef PF_LRect PF_UnionableRect;
static_assert(sizeof(PF_LRect) == 16, "host record layout");

struct PF_Point {
    A_long h;
    A_long v;
};
static_assert(sizeof(PF_Point) == 8, "host record layout");

struct PF_FixedPoint {
    PF_Fixed x;
    PF_Fixed y;
};
static_assert(sizeof(PF_FixedPoint) == 8, "host record layout");

struct PF_RationalScale {
    A_long num;
    A_u_long den;
};
static_assert(sizeof(PF_RationalScale) == 8, "host record layout");
static_assert(offsetof(PF_RationalScale, den) == 4, "host record layout");

struct PF_SoundFormatInfo {
    PF_FpLong rateF;
    PF_SoundChannels num_channels;
    PF_SoundFormat format;
    PF_SoundSampleSize sample_size;
};
static_assert(sizeof(PF_SoundFormatInfo) == 16, "host record layout");
static_assert(offsetof(PF_SoundFormatInfo, sample_size) == 12, "host record layout");

struct PF_SoundWorld {
    PF_SoundFormatInfo fi;
    A_long num_samples;
    void* dataP;
};
static_assert(sizeof(PF_SoundWorld) == 32, "host record layout");
static_assert(offsetof(PF_SoundWorld, num_samples) == 16, "host record layout");
static_assert(offsetof(PF_SoundWorld, dataP) == 24, "host record layout");

// One 8-bit pixel; in memory alpha comes first.
struct PF_Pixel {
    A_u_char alpha;
    A_u_char red;
    A_u_char green;
    A_u_char blue;
};
typedef PF_Pixel PF_Pixel8;
typedef PF_Pixel PF_UnionablePixel;
typedef PF_Pixel* PF_PixelPtr;
static_assert(sizeof(PF_Pixel) == 4 && alignof(PF_Pixel) == 1, "host record layout");
static_assert(offsetof(PF_Pixel, alpha) == 0 && offsetof(PF_Pixel, blue) == 3, "host record layout");

// One 16-bit pixel, channels 0..32768.
struct PF_Pixel16 {
    A_u_short alpha;
    A_u_short red;
    A_u_short green;
    A_u_short blue;
};
static_assert(sizeof(PF_Pixel16) == 8, "host record layout");
static_assert(offsetof(PF_Pixel16, blue) == 6, "host record layout");

// ---- Worlds and parameter definitions ---------------------------------------------------------

// A frame buffer (the host's "world"); also the definition of a layer parameter.
struct PF_LayerDef {
    void* reserved0;
    void* reserved1;
    PF_WorldFlags world_flags;
    PF_PixelPtr data;
    A_long rowbytes;
    A_long width;
    A_long height;
    PF_UnionableRect extent_hint;
    void* platform_ref;
    A_long reserved_long1;
    void* reserved_long4;
    PF_RationalScale pix_aspect_ratio;
    void* reserved_long2;
    A_long origin_x;
    A_long origin_y;
    A_long reserved_long3;
    A_long dephault;          // layer parameters: PF_LayerDefault_*
};
typedef PF_LayerDef PF_EffectWorld;
static_assert(sizeof(PF_LayerDef) == 120, "host record layout");
static_assert(offsetof(PF_LayerDef, world_flags) == 16, "host record layout");
static_assert(offsetof(PF_LayerDef, data) == 24, "host record layout");
static_assert(offsetof(PF_LayerDef, rowbytes) == 32, "host record layout");
static_assert(offsetof(PF_LayerDef, width) == 36, "host record layout");
static_assert(offsetof(PF_LayerDef, height) == 40, "host record layout");
static_assert(offsetof(PF_LayerDef, extent_hint) == 44, "host record layout");
static_assert(offsetof(PF_LayerDef, platform_ref) == 64, "host record layout");
static_assert(offsetof(PF_LayerDef, reserved_long1) == 72, "host record layout");
static_assert(offsetof(PF_LayerDef, reserved_long4) == 80, "host record layout");
static_assert(offsetof(PF_LayerDef, pix_aspect_ratio) == 88, "host record layout");
static_assert(offsetof(PF_LayerDef, reserved_long2) == 96, "host record layout");
static_assert(offsetof(PF_LayerDef, origin_x) == 104, "host record layout");
static_assert(offsetof(PF_LayerDef, origin_y) == 108, "host record layout");
static_assert(offsetof(PF_LayerDef, reserved_long3) == 112, "host record layout");
static_assert(offsetof(PF_LayerDef, dephault) == 116, "host record layout");

struct PF_SliderDef {
    PF_ParamValue value;
    A_char value_str[32];
    A_char value_desc[32];
    PF_ParamValue valid_min;
    PF_ParamValue valid_max;
    PF_ParamValue slider_min;
    PF_ParamValue slider_max;
    PF_ParamValue dephault;
};
static_assert(sizeof(PF_SliderDef) == 88, "host record layout");
static_assert(offsetof(PF_SliderDef, value_str) == 4, "host record layout");
static_assert(offsetof(PF_SliderDef, value_desc) == 36, "host record layout");
static_assert(offsetof(PF_SliderDef, valid_min) == 68, "host record layout");
static_assert(offsetof(PF_SliderDef, valid_max) == 72, "host record layout");
static_assert(offsetof(PF_SliderDef, slider_min) == 76, "host record layout");
static_assert(offsetof(PF_SliderDef, slider_max) == 80, "host record layout");
static_assert(offsetof(PF_SliderDef, dephault) == 84, "host record layout");

struct PF_FixedSliderDef {
    PF_Fixed value;
    A_char value_str[32];
    A_char value_desc[32];
    PF_Fixed valid_min;
    PF_Fixed valid_max;
    PF_Fixed slider_min;
    PF_Fixed slider_max;
    PF_Fixed dephault;
    A_short precision;        // decimals shown
    PF_ValueDisplayFlags display_flags;
};
static_assert(sizeof(PF_FixedSliderDef) == 92, "host record layout");
static_assert(offsetof(PF_FixedSliderDef, valid_min) == 68, "host record layout");
static_assert(offsetof(PF_FixedSliderDef, valid_max) == 72, "host record layout");
static_assert(offsetof(PF_FixedSliderDef, slider_min) == 76, "host record layout");
static_assert(offsetof(PF_FixedSliderDef, slider_max) == 80, "host record layout");
static_assert(offsetof(PF_FixedSliderDef, dephault) == 84, "host record layout");
static_assert(offsetof(PF_FixedSliderDef, precision) == 88, "host record layout");
static_assert(offsetof(PF_FixedSliderDef, display_flags) == 90, "host record layout");

struct PF_FloatSliderDef {
    PF_FpLong value;
    PF_FpLong phase;
    A_char value_desc[32];
    PF_FpShort valid_min;
    PF_FpShort valid_max;
    PF_FpShort slider_min;
    PF_FpShort slider_max;
    PF_FpShort dephault;
    A_short precision;
    PF_ValueDisplayFlags display_flags;
    PF_FSliderFlags fs_flags;
    PF_FpShort curve_tolerance;
    PF_Boolean useExponent;
    PF_FpShort exponent;
};
static_assert(sizeof(PF_FloatSliderDef) == 88, "host record layout");
static_assert(offsetof(PF_FloatSliderDef, value_desc) == 16, "host record layout");
static_assert(offsetof(PF_FloatSliderDef, valid_min) == 48, "host record layout");
static_assert(offsetof(PF_FloatSliderDef, dephault) == 64, "host record layout");
static_assert(offsetof(PF_FloatSliderDef, precision) == 68, "host record layout");
static_assert(offsetof(PF_FloatSliderDef, fs_flags) == 72, "host record layout");
static_assert(offsetof(PF_FloatSliderDef, useExponent) == 80, "host record layout");
static_assert(offsetof(PF_FloatSliderDef, exponent) == 84, "host record layout");

// Value and default in 16.16 degrees.
struct PF_AngleDef {
    PF_Fixed value;
    PF_Fixed dephault;
    PF_Fixed valid_min;
    PF_Fixed valid_max;
};
static_assert(sizeof(PF_AngleDef) == 16, "host record layout");
static_assert(offsetof(PF_AngleDef, valid_max) == 12, "host record layout");

struct PF_CheckBoxDef {
    PF_ParamValue value;
    PF_Boolean dephault;
    A_char reserved;
    A_short reserved1;
    union {
        const A_char* nameptr;    // the text after the box
    } u;
};
static_assert(sizeof(PF_CheckBoxDef) == 16, "host record layout");
static_assert(offsetof(PF_CheckBoxDef, dephault) == 4, "host record layout");
static_assert(offsetof(PF_CheckBoxDef, reserved1) == 6, "host record layout");
static_assert(offsetof(PF_CheckBoxDef, u) == 8, "host record layout");

// Value and default are 1-based choice numbers; the names are one "|"-separated string.
struct PF_PopupDef {
    PF_ParamValue value;
    A_short num_choices;
    A_short dephault;
    union {
        const A_char* namesptr;
    } u;
};
static_assert(sizeof(PF_PopupDef) == 16, "host record layout");
static_assert(offsetof(PF_PopupDef, num_choices) == 4, "host record layout");
static_assert(offsetof(PF_PopupDef, dephault) == 6, "host record layout");
static_assert(offsetof(PF_PopupDef, u) == 8, "host record layout");

// Defaults are percentages of the layer's size; values are layer pixels, both 16.16.
struct PF_PointDef {
    PF_Fixed x_value;
    PF_Fixed y_value;
    A_char reserved[3];
    PF_Boolean restrict_bounds;
    PF_Fixed x_dephault;
    PF_Fixed y_dephault;
};
static_assert(sizeof(PF_PointDef) == 20, "host record layout");
static_assert(offsetof(PF_PointDef, y_value) == 4, "host record layout");
static_assert(offsetof(PF_PointDef, restrict_bounds) == 11, "host record layout");
static_assert(offsetof(PF_PointDef, x_dephault) == 12, "host record layout");
static_assert(offsetof(PF_PointDef, y_dephault) == 16, "host record layout");

struct PF_ColorDef {
    PF_UnionablePixel value;
    PF_UnionablePixel dephault;
};
static_assert(sizeof(PF_ColorDef) == 8 && alignof(PF_ColorDef) == 1, "host record layout");
static_assert(offsetof(PF_ColorDef, dephault) == 4, "host record layout");

struct PF_ButtonDef {
    PF_ParamValue value;
    union {
        const A_char* namesptr;
    } u;
};
static_assert(sizeof(PF_ButtonDef) == 16, "host record layout");
static_assert(offsetof(PF_ButtonDef, u) == 8, "host record layout");

struct PF_ArbitraryDef {
    A_short id;
    A_short pad;
    PF_Handle dephault;
    PF_Handle value;
    void* refconPV;
};
static_assert(sizeof(PF_ArbitraryDef) == 32, "host record layout");
static_assert(offsetof(PF_ArbitraryDef, dephault) == 8, "host record layout");
static_assert(offsetof(PF_ArbitraryDef, refconPV) == 24, "host record layout");

struct PF_PathDef {
    PF_PathID path_id;
    A_long reserved0;
    A_long dephault;
};
static_assert(sizeof(PF_PathDef) == 12, "host record layout");

struct PF_Point3DDef {
    PF_FpLong x_value;
    PF_FpLong y_value;
    PF_FpLong z_value;
    PF_FpLong x_dephault;
    PF_FpLong y_dephault;
    PF_FpLong z_dephault;
    char reserved[16];
};
static_assert(sizeof(PF_Point3DDef) == 64, "host record layout");

union PF_ParamDefUnion {
    PF_LayerDef ld;
    PF_SliderDef sd;
    PF_FixedSliderDef fd;
    PF_AngleDef ad;
    PF_CheckBoxDef bd;
    PF_ColorDef cd;
    PF_PointDef td;
    PF_PopupDef pd;
    PF_FloatSliderDef fs_d;
    PF_ArbitraryDef arb_d;
    PF_PathDef path_d;
    PF_ButtonDef button_d;
    PF_Point3DDef point3d_d;
};
static_assert(sizeof(PF_ParamDefUnion) == 120 && alignof(PF_ParamDefUnion) == 8, "host record layout");

// One parameter: its definition at parameter setup, its value at every later command.
struct PF_ParamDef {
    union {
        A_long id;
        PF_ChangeFlags change_flags;
    } uu;
    PF_ParamUIFlags ui_flags;
    A_short ui_width;
    A_short ui_height;
    PF_ParamType param_type;
    A_char name[32];
    PF_ParamFlags flags;
    A_long unused;
    PF_ParamDefUnion u;
};
static_assert(sizeof(PF_ParamDef) == 176, "host record layout");
static_assert(offsetof(PF_ParamDef, uu) == 0, "host record layout");
static_assert(offsetof(PF_ParamDef, ui_flags) == 4, "host record layout");
static_assert(offsetof(PF_ParamDef, ui_width) == 8, "host record layout");
static_assert(offsetof(PF_ParamDef, ui_height) == 10, "host record layout");
static_assert(offsetof(PF_ParamDef, param_type) == 12, "host record layout");
static_assert(offsetof(PF_ParamDef, name) == 16, "host record layout");
static_assert(offsetof(PF_ParamDef, flags) == 48, "host record layout");
static_assert(offsetof(PF_ParamDef, unused) == 52, "host record layout");
static_assert(offsetof(PF_ParamDef, u) == 56, "host record layout");
static_assert(offsetof(PF_ParamDef, u.fs_d.value) == 56, "host record layout");
static_assert(offsetof(PF_ParamDef, u.td.y_value) == 60, "host record layout");
static_assert(offsetof(PF_ParamDef, u.ld.data) == 80, "host record layout");
static_assert(offsetof(PF_ParamDef, u.pd.u.namesptr) == 64, "host record layout");
static_assert(offsetof(PF_ParamDef, u.fd.dephault) == 140, "host record layout");

typedef PF_ParamDef* PF_ParamDefPtr;
typedef PF_ParamDef** PF_ParamList;

// Registered by parameter setup for a custom-drawn control.
struct PF_CustomUIInfo {
    A_long reserved;
    PF_CustomEventFlags events;
    A_long comp_ui_width;
    A_long comp_ui_height;
    PF_UIAlignment comp_ui_alignment;
    A_long layer_ui_width;
    A_long layer_ui_height;
    PF_UIAlignment layer_ui_alignment;
    A_long preview_ui_width;
    A_long preview_ui_height;
    PF_UIAlignment preview_ui_alignment;
};
static_assert(sizeof(PF_CustomUIInfo) == 44, "host record layout");
static_assert(offsetof(PF_CustomUIInfo, events) == 4, "host record layout");
static_assert(offsetof(PF_CustomUIInfo, preview_ui_alignment) == 40, "host record layout");

// ---- Callback blocks ------------------------------------------------------------------------

typedef PF_Err (*PF_CheckoutParamFunc)(PF_ProgPtr effect_ref, PF_ParamIndex index, A_long what_time,
                                       A_long time_step, A_u_long time_scale, PF_ParamDef* param);
typedef PF_Err (*PF_CheckinParamFunc)(PF_ProgPtr effect_ref, PF_ParamDef* param);
typedef PF_Err (*PF_AddParamFunc)(PF_ProgPtr effect_ref, PF_ParamIndex index, PF_ParamDefPtr def);
typedef PF_Err (*PF_AbortFunc)(PF_ProgPtr effect_ref);
typedef PF_Err (*PF_ProgressFunc)(PF_ProgPtr effect_ref, A_long current, A_long total);
typedef PF_Err (*PF_RegisterUIFunc)(PF_ProgPtr effect_ref, PF_CustomUIInfo* cust_info);

// Embedded at the start of the in-data record; the host documents it as frozen.
struct PF_InteractCallbacks {
    PF_CheckoutParamFunc checkout_param;
    PF_CheckinParamFunc checkin_param;
    PF_AddParamFunc add_param;
    PF_AbortFunc abort;
    PF_ProgressFunc progress;
    PF_RegisterUIFunc register_ui;
    void* checkout_layer_audio;
    void* checkin_layer_audio;
    void* get_audio_data;
    void* reserved_str[3];
    void* reserved[10];
};
static_assert(sizeof(PF_InteractCallbacks) == 176, "host record layout");
static_assert(offsetof(PF_InteractCallbacks, checkout_param) == 0, "host record layout");
static_assert(offsetof(PF_InteractCallbacks, checkin_param) == 8, "host record layout");
static_assert(offsetof(PF_InteractCallbacks, add_param) == 16, "host record layout");
static_assert(offsetof(PF_InteractCallbacks, abort) == 24, "host record layout");
static_assert(offsetof(PF_InteractCallbacks, progress) == 32, "host record layout");
static_assert(offsetof(PF_InteractCallbacks, register_ui) == 40, "host record layout");
static_assert(offsetof(PF_InteractCallbacks, reserved_str) == 72, "host record layout");
static_assert(offsetof(PF_InteractCallbacks, reserved) == 96, "host record layout");

typedef A_FpLong (*PF_Math1Func)(A_FpLong);
typedef A_FpLong (*PF_Math2Func)(A_FpLong, A_FpLong);
// Variadic: callers must pass floating-point arguments the way the x64 varargs rule requires.
typedef int (*PF_SprintfFunc)(A_char* buffer, const A_char* format, ...);
typedef A_char* (*PF_StrcpyFunc)(A_char* dest, const A_char* src);

struct PF_ANSICallbacks {
    PF_Math1Func atan;
    PF_Math2Func atan2;
    PF_Math1Func ceil;
    PF_Math1Func cos;
    PF_Math1Func exp;
    PF_Math1Func fabs;
    PF_Math1Func floor;
    PF_Math2Func fmod;
    PF_Math2Func hypot;
    PF_Math1Func log;
    PF_Math1Func log10;
    PF_Math2Func pow;
    PF_Math1Func sin;
    PF_Math1Func sqrt;
    PF_Math1Func tan;
    PF_SprintfFunc sprintf;
    PF_StrcpyFunc strcpy;
    PF_Math1Func asin;
    PF_Math1Func acos;
    A_long ansi_procs[1];
};
static_assert(sizeof(PF_ANSICallbacks) == 160, "host record layout");
static_assert(offsetof(PF_ANSICallbacks, sprintf) == 120, "host record layout");
static_assert(offsetof(PF_ANSICallbacks, strcpy) == 128, "host record layout");
static_assert(offsetof(PF_ANSICallbacks, acos) == 144, "host record layout");
static_assert(offsetof(PF_ANSICallbacks, ansi_procs) == 152, "host record layout");

struct PF_ColorCallbacks {
    void* RGBtoHLS;
    void* HLStoRGB;
    void* RGBtoYIQ;
    void* YIQtoRGB;
    void* Luminance;
    void* Hue;
    void* Lightness;
    void* Saturation;
};
static_assert(sizeof(PF_ColorCallbacks) == 64, "host record layout");

typedef PF_Err (*PF_GetPlatformDataFunc)(PF_ProgPtr effect_ref, PF_PlatDataID which, void* data);

// Pointed to by in-data `utils`. The host documents this block as closed.
struct PF_UtilCallbacks {
    void* begin_sampling;
    void* subpixel_sample;
    void* area_sample;
    void* get_batch_func_is_deprecated;
    void* end_sampling;
    void* composite_rect;
    void* blend;
    void* convolve;
    void* copy;
    void* fill;
    void* gaussian_kernel;
    void* iterate;
    void* premultiply;
    void* premultiply_color;
    void* new_world;
    void* dispose_world;
    void* iterate_origin;
    void* iterate_lut;
    void* transfer_rect;
    void* transform_world;
    void* host_new_handle;
    void* host_lock_handle;
    void* host_unlock_handle;
    void* host_dispose_handle;
    void* get_callback_addr;
    void* app;
    PF_ANSICallbacks ansi;
    PF_ColorCallbacks colorCB;
    PF_GetPlatformDataFunc get_platform_data;
    void* host_get_handle_size;
    void* iterate_origin_non_clip_src;
    void* iterate_generic;
    void* host_resize_handle;
    void* subpixel_sample16;
    void* area_sample16;
    void* fill16;
    void* premultiply_color16;
    void* iterate16;
    void* iterate_origin16;
    void* iterate_origin_non_clip_src16;
    void* get_pixel_data8;
    void* get_pixel_data16;
    A_long reserved[1];
};
static_assert(sizeof(PF_UtilCallbacks) == 552, "host record layout");
static_assert(offsetof(PF_UtilCallbacks, host_new_handle) == 160, "host record layout");
static_assert(offsetof(PF_UtilCallbacks, app) == 200, "host record layout");
static_assert(offsetof(PF_UtilCallbacks, ansi) == 208, "host record layout");
static_assert(offsetof(PF_UtilCallbacks, ansi.sprintf) == 328, "host record layout");
static_assert(offsetof(PF_UtilCallbacks, ansi.strcpy) == 336, "host record layout");
static_assert(offsetof(PF_UtilCallbacks, colorCB) == 368, "host record layout");
static_assert(offsetof(PF_UtilCallbacks, get_platform_data) == 432, "host record layout");
static_assert(offsetof(PF_UtilCallbacks, get_pixel_data16) == 536, "host record layout");
static_assert(offsetof(PF_UtilCallbacks, reserved) == 544, "host record layout");

// ---- The basic suite ------------------------------------------------------------------------

struct SPBasicSuite {
    SPErr (*AcquireSuite)(const char* name, int32_t version, const void** suite);
    SPErr (*ReleaseSuite)(const char* name, int32_t version);
    SPBoolean (*IsEqual)(const char* token1, const char* token2);
    SPErr (*AllocateBlock)(size_t size, void** block);
    SPErr (*FreeBlock)(void* block);
    SPErr (*ReallocateBlock)(void* block, size_t newSize, void** newblock);
    SPErr (*Undefined)(void);
};
static_assert(sizeof(SPBasicSuite) == 56, "host record layout");
static_assert(offsetof(SPBasicSuite, ReleaseSuite) == 8, "host record layout");
static_assert(offsetof(SPBasicSuite, Undefined) == 48, "host record layout");

// ---- In-data and out-data -------------------------------------------------------------------

struct PF_InData {
    PF_InteractCallbacks inter;
    PF_UtilCallbacks* utils;
    PF_ProgPtr effect_ref;
    PF_Quality quality;
    PF_SpecVersion version;
    A_long serial_num;
    A_long appl_id;
    A_long num_params;
    A_long reserved;
    A_long what_cpu;
    A_long what_fpu;
    A_long current_time;
    A_long time_step;
    A_long total_time;
    A_long local_time_step;
    A_u_long time_scale;
    PF_Field field;
    PF_Fixed shutter_angle;
    A_long width;
    A_long height;
    PF_Rect extent_hint;
    A_long output_origin_x;
    A_long output_origin_y;
    PF_RationalScale downsample_x;
    PF_RationalScale downsample_y;
    PF_RationalScale pixel_aspect_ratio;
    PF_InFlags in_flags;
    PF_Handle global_data;
    PF_Handle sequence_data;
    PF_Handle frame_data;
    A_long start_sampL;
    A_long dur_sampL;
    A_long total_sampL;
    PF_SoundWorld src_snd;
    SPBasicSuite* pica_basicP;
    A_long pre_effect_source_origin_x;
    A_long pre_effect_source_origin_y;
    PF_Fixed shutter_phase;
};
static_assert(sizeof(PF_InData) == 408, "host record layout");
static_assert(offsetof(PF_InData, utils) == 176, "host record layout");
static_assert(offsetof(PF_InData, effect_ref) == 184, "host record layout");
static_assert(offsetof(PF_InData, quality) == 192, "host record layout");
static_assert(offsetof(PF_InData, version) == 196, "host record layout");
static_assert(offsetof(PF_InData, serial_num) == 200, "host record layout");
static_assert(offsetof(PF_InData, appl_id) == 204, "host record layout");
static_assert(offsetof(PF_InData, num_params) == 208, "host record layout");
static_assert(offsetof(PF_InData, what_cpu) == 216, "host record layout");
static_assert(offsetof(PF_InData, current_time) == 224, "host record layout");
static_assert(offsetof(PF_InData, time_step) == 228, "host record layout");
static_assert(offsetof(PF_InData, total_time) == 232, "host record layout");
static_assert(offsetof(PF_InData, local_time_step) == 236, "host record layout");
static_assert(offsetof(PF_InData, time_scale) == 240, "host record layout");
static_assert(offsetof(PF_InData, field) == 244, "host record layout");
static_assert(offsetof(PF_InData, shutter_angle) == 248, "host record layout");
static_assert(offsetof(PF_InData, width) == 252, "host record layout");
static_assert(offsetof(PF_InData, height) == 256, "host record layout");
static_assert(offsetof(PF_InData, extent_hint) == 260, "host record layout");
static_assert(offsetof(PF_InData, output_origin_x) == 276, "host record layout");
static_assert(offsetof(PF_InData, output_origin_y) == 280, "host record layout");
static_assert(offsetof(PF_InData, downsample_x) == 284, "host record layout");
static_assert(offsetof(PF_InData, downsample_y) == 292, "host record layout");
static_assert(offsetof(PF_InData, pixel_aspect_ratio) == 300, "host record layout");
static_assert(offsetof(PF_InData, in_flags) == 308, "host record layout");
static_assert(offsetof(PF_InData, global_data) == 312, "host record layout");
static_assert(offsetof(PF_InData, sequence_data) == 320, "host record layout");
static_assert(offsetof(PF_InData, frame_data) == 328, "host record layout");
static_assert(offsetof(PF_InData, start_sampL) == 336, "host record layout");
static_assert(offsetof(PF_InData, total_sampL) == 344, "host record layout");
static_assert(offsetof(PF_InData, src_snd) == 352, "host record layout");
static_assert(offsetof(PF_InData, pica_basicP) == 384, "host record layout");
static_assert(offsetof(PF_InData, pre_effect_source_origin_x) == 392, "host record layout");
static_assert(offsetof(PF_InData, pre_effect_source_origin_y) == 396, "host record layout");
static_assert(offsetof(PF_InData, shutter_phase) == 400, "host record layout");

enum : int32_t {
    PF_MAX_EFFECT_NAME_LEN = 31,
    PF_MAX_EFFECT_PARAM_NAME_LEN = 31,
    PF_MAX_EFFECT_MSG_LEN = 255,
    PF_MAX_CHAN8 = 255,
    PF_MAX_CHAN16 = 32768,
    PF_MAX_WORLD_WIDTH = 30000,
    PF_MAX_WORLD_HEIGHT = 30000,
    AEFX_MAX_PATH = 260,
};

struct PF_OutData {
    A_u_long my_version;
    A_char name[PF_MAX_EFFECT_NAME_LEN + 1];
    PF_Handle global_data;
    A_long num_params;
    PF_Handle sequence_data;
    A_long flat_sdata_size;
    PF_Handle frame_data;
    A_long width;
    A_long height;
    PF_Point origin;
    PF_OutFlags out_flags;
    A_char return_msg[PF_MAX_EFFECT_MSG_LEN + 1];
    A_long start_sampL;
    A_long dur_sampL;
    PF_SoundWorld dest_snd;
    PF_OutFlags2 out_flags2;
};
static_assert(sizeof(PF_OutData) == 408, "host record layout");
static_assert(offsetof(PF_OutData, name) == 4, "host record layout");
static_assert(offsetof(PF_OutData, global_data) == 40, "host record layout");
static_assert(offsetof(PF_OutData, num_params) == 48, "host record layout");
static_assert(offsetof(PF_OutData, sequence_data) == 56, "host record layout");
static_assert(offsetof(PF_OutData, flat_sdata_size) == 64, "host record layout");
static_assert(offsetof(PF_OutData, frame_data) == 72, "host record layout");
static_assert(offsetof(PF_OutData, width) == 80, "host record layout");
static_assert(offsetof(PF_OutData, height) == 84, "host record layout");
static_assert(offsetof(PF_OutData, origin) == 88, "host record layout");
static_assert(offsetof(PF_OutData, out_flags) == 96, "host record layout");
static_assert(offsetof(PF_OutData, return_msg) == 100, "host record layout");
static_assert(offsetof(PF_OutData, start_sampL) == 356, "host record layout");
static_assert(offsetof(PF_OutData, dur_sampL) == 360, "host record layout");
static_assert(offsetof(PF_OutData, dest_snd) == 368, "host record layout");
static_assert(offsetof(PF_OutData, out_flags2) == 400, "host record layout");

// ---- Events (the `extra` argument of PF_Cmd_EVENT) ------------------------------------------

struct PF_Context {
    A_u_long magic;           // PF_CONTEXT_MAGIC
    PF_WindowType w_type;
    void* reserved_flt;
    A_intptr_t plugin_state[4];
    DRAWBOT_DrawRef reserved_drawref;
    void* reserved_paneP;
    void* reserved_job_manageP;
};
typedef PF_Context** PF_ContextH;
static_assert(sizeof(PF_Context) == 72, "host record layout");
static_assert(offsetof(PF_Context, w_type) == 4, "host record layout");
static_assert(offsetof(PF_Context, plugin_state) == 16, "host record layout");
static_assert(offsetof(PF_Context, reserved_drawref) == 48, "host record layout");
static_assert(offsetof(PF_Context, reserved_job_manageP) == 64, "host record layout");

struct PF_DoClickEventInfo {
    A_u_long when;
    PF_Point screen_point;
    A_long num_clicks;
    PF_Modifiers modifiers;
    A_intptr_t continue_refcon[4];
    PF_Boolean send_drag;
    PF_Boolean last_time;
};
static_assert(sizeof(PF_DoClickEventInfo) == 64, "host record layout");
static_assert(offsetof(PF_DoClickEventInfo, screen_point) == 4, "host record layout");
static_assert(offsetof(PF_DoClickEventInfo, continue_refcon) == 24, "host record layout");
static_assert(offsetof(PF_DoClickEventInfo, send_drag) == 56, "host record layout");

struct PF_DrawEventInfo {
    PF_UnionableRect update_rect;
    A_long depth;
};
static_assert(sizeof(PF_DrawEventInfo) == 20, "host record layout");

struct PF_KeyDownEvent {
    A_u_long when;
    PF_Point screen_point;
    PF_KeyCode keycode;
    PF_Modifiers modifiers;
};
static_assert(sizeof(PF_KeyDownEvent) == 20, "host record layout");
static_assert(offsetof(PF_KeyDownEvent, keycode) == 12, "host record layout");

struct PF_AdjustCursorEventInfo {
    PF_Point screen_point;
    PF_Modifiers modifiers;
    PF_CursorType set_cursor;
};
static_assert(sizeof(PF_AdjustCursorEventInfo) == 16, "host record layout");
static_assert(offsetof(PF_AdjustCursorEventInfo, set_cursor) == 12, "host record layout");

union PF_EventUnion {
    PF_DoClickEventInfo do_click;
    PF_DrawEventInfo draw;
    PF_KeyDownEvent key_down;
    PF_AdjustCursorEventInfo adjust_cursor;
};
static_assert(sizeof(PF_EventUnion) == 64 && alignof(PF_EventUnion) == 8, "host record layout");

struct PF_EffectWindowInfo {
    PF_ParamIndex index;
    PF_EffectArea area;
    PF_UnionableRect current_frame;
    PF_UnionableRect param_title_frame;
    A_long horiz_offset;
};
static_assert(sizeof(PF_EffectWindowInfo) == 44, "host record layout");
static_assert(offsetof(PF_EffectWindowInfo, current_frame) == 8, "host record layout");
static_assert(offsetof(PF_EffectWindowInfo, param_title_frame) == 24, "host record layout");
static_assert(offsetof(PF_EffectWindowInfo, horiz_offset) == 40, "host record layout");

// The effect calls none of these; they only fix the event record's layout.
struct PF_EventCallbacks {
    void* refcon;
    void* layer_to_comp;
    void* comp_to_layer;
    void* get_comp2layer_xform;
    void* get_layer2comp_xform;
    void* source_to_frame;
    void* frame_to_source;
    void* info_draw_color;
    void* info_draw_text;
};
static_assert(sizeof(PF_EventCallbacks) == 72, "host record layout");

struct PF_EventExtra {
    PF_ContextH contextH;
    PF_EventType e_type;
    PF_EventUnion u;
    PF_EffectWindowInfo effect_win;
    PF_EventCallbacks cbs;
    PF_EventInFlags evt_in_flags;
    PF_EventOutFlags evt_out_flags;
};
static_assert(sizeof(PF_EventExtra) == 208, "host record layout");
static_assert(offsetof(PF_EventExtra, e_type) == 8, "host record layout");
static_assert(offsetof(PF_EventExtra, u) == 16, "host record layout");
static_assert(offsetof(PF_EventExtra, u.do_click.screen_point) == 20, "host record layout");
static_assert(offsetof(PF_EventExtra, u.draw.update_rect) == 16, "host record layout");
static_assert(offsetof(PF_EventExtra, u.adjust_cursor.screen_point) == 16, "host record layout");
static_assert(offsetof(PF_EventExtra, u.adjust_cursor.set_cursor) == 28, "host record layout");
static_assert(offsetof(PF_EventExtra, effect_win) == 80, "host record layout");
static_assert(offsetof(PF_EventExtra, effect_win.area) == 84, "host record layout");
static_assert(offsetof(PF_EventExtra, effect_win.current_frame) == 88, "host record layout");
static_assert(offsetof(PF_EventExtra, cbs) == 128, "host record layout");
static_assert(offsetof(PF_EventExtra, evt_in_flags) == 200, "host record layout");
static_assert(offsetof(PF_EventExtra, evt_out_flags) == 204, "host record layout");

// ---- Drawing suites -------------------------------------------------------------------------

struct DRAWBOT_PointF32 {
    float x;
    float y;
};
static_assert(sizeof(DRAWBOT_PointF32) == 8, "host record layout");

struct DRAWBOT_ColorRGBA {
    float red;
    float green;
    float blue;
    float alpha;
};
static_assert(sizeof(DRAWBOT_ColorRGBA) == 16, "host record layout");

struct DRAWBOT_RectF32 {
    float left;
    float top;
    float width;
    float height;
};
static_assert(sizeof(DRAWBOT_RectF32) == 16, "host record layout");

struct DRAWBOT_Rect32 {
    int32_t left;
    int32_t top;
    int32_t width;
    int32_t height;
};
static_assert(sizeof(DRAWBOT_Rect32) == 16, "host record layout");

struct DRAWBOT_MatrixF32 {
    float mat[3][3];
};
static_assert(sizeof(DRAWBOT_MatrixF32) == 36, "host record layout");

struct DRAWBOT_DrawbotSuite1 {
    SPErr (*GetSupplier)(DRAWBOT_DrawRef drawRef, DRAWBOT_SupplierRef* supplier);
    SPErr (*GetSurface)(DRAWBOT_DrawRef drawRef, DRAWBOT_SurfaceRef* surface);
};
static_assert(sizeof(DRAWBOT_DrawbotSuite1) == 16, "host suite layout");

struct DRAWBOT_SupplierSuite1 {
    SPErr (*NewPen)(DRAWBOT_SupplierRef, const DRAWBOT_ColorRGBA*, float size, DRAWBOT_PenRef*);
    SPErr (*NewBrush)(DRAWBOT_SupplierRef, const DRAWBOT_ColorRGBA*, DRAWBOT_BrushRef*);
    SPErr (*SupportsText)(DRAWBOT_SupplierRef, DRAWBOT_Boolean*);
    SPErr (*GetDefaultFontSize)(DRAWBOT_SupplierRef, float*);
    SPErr (*NewDefaultFont)(DRAWBOT_SupplierRef, float size, DRAWBOT_FontRef*);
    SPErr (*NewImageFromBuffer)(DRAWBOT_SupplierRef, int width, int height, int rowBytes,
                                DRAWBOT_PixelLayout, const void* data, DRAWBOT_ImageRef*);
    SPErr (*NewPath)(DRAWBOT_SupplierRef, DRAWBOT_PathRef*);
    SPErr (*SupportsPixelLayoutBGRA)(DRAWBOT_SupplierRef, DRAWBOT_Boolean*);
    SPErr (*PrefersPixelLayoutBGRA)(DRAWBOT_SupplierRef, DRAWBOT_Boolean*);
    SPErr (*SupportsPixelLayoutARGB)(DRAWBOT_SupplierRef, DRAWBOT_Boolean*);
    SPErr (*PrefersPixelLayoutARGB)(DRAWBOT_SupplierRef, DRAWBOT_Boolean*);
    SPErr (*RetainObject)(DRAWBOT_ObjectRef);
    SPErr (*ReleaseObject)(DRAWBOT_ObjectRef);
};
static_assert(sizeof(DRAWBOT_SupplierSuite1) == 104, "host suite layout");
static_assert(offsetof(DRAWBOT_SupplierSuite1, NewImageFromBuffer) == 40, "host suite layout");
static_assert(offsetof(DRAWBOT_SupplierSuite1, ReleaseObject) == 96, "host suite layout");

// Version 2 of the surface suite; version 1 is the same table without the last slot.
struct DRAWBOT_SurfaceSuite2 {
    SPErr (*PushStateStack)(DRAWBOT_SurfaceRef);
    SPErr (*PopStateStack)(DRAWBOT_SurfaceRef);
    SPErr (*PaintRect)(DRAWBOT_SurfaceRef, const DRAWBOT_ColorRGBA*, const DRAWBOT_RectF32*);
    SPErr (*FillPath)(DRAWBOT_SurfaceRef, DRAWBOT_BrushRef, DRAWBOT_PathRef, DRAWBOT_FillType);
    SPErr (*StrokePath)(DRAWBOT_SurfaceRef, DRAWBOT_PenRef, DRAWBOT_PathRef);
    SPErr (*Clip)(DRAWBOT_SurfaceRef, DRAWBOT_SupplierRef, const DRAWBOT_Rect32*);
    SPErr (*GetClipBounds)(DRAWBOT_SurfaceRef, DRAWBOT_Rect32*);
    SPErr (*IsWithinClipBounds)(DRAWBOT_SurfaceRef, const DRAWBOT_Rect32*, DRAWBOT_Boolean*);
    SPErr (*Transform)(DRAWBOT_SurfaceRef, const DRAWBOT_MatrixF32*);
    SPErr (*DrawString)(DRAWBOT_SurfaceRef, DRAWBOT_BrushRef, DRAWBOT_FontRef, const DRAWBOT_UTF16Char*,
                        const DRAWBOT_PointF32*, DRAWBOT_TextAlignment, DRAWBOT_TextTruncation, float);
    SPErr (*DrawImage)(DRAWBOT_SurfaceRef, DRAWBOT_ImageRef, const DRAWBOT_PointF32*, float alpha);
    SPErr (*SetInterpolationPolicy)(DRAWBOT_SurfaceRef, DRAWBOT_InterpolationPolicy);
    SPErr (*GetInterpolationPolicy)(DRAWBOT_SurfaceRef, DRAWBOT_InterpolationPolicy*);
    SPErr (*SetAntiAliasPolicy)(DRAWBOT_SurfaceRef, DRAWBOT_AntiAliasPolicy);
    SPErr (*GetAntiAliasPolicy)(DRAWBOT_SurfaceRef, DRAWBOT_AntiAliasPolicy*);
    SPErr (*Flush)(DRAWBOT_SurfaceRef);
    SPErr (*GetTransformToScreenScale)(DRAWBOT_SurfaceRef, float*);
};
static_assert(sizeof(DRAWBOT_SurfaceSuite2) == 136, "host suite layout");
static_assert(offsetof(DRAWBOT_SurfaceSuite2, DrawImage) == 80, "host suite layout");
static_assert(offsetof(DRAWBOT_SurfaceSuite2, Flush) == 120, "host suite layout");

struct DRAWBOT_PathSuite1 {
    SPErr (*MoveTo)(DRAWBOT_PathRef, float x, float y);
    SPErr (*LineTo)(DRAWBOT_PathRef, float x, float y);
    SPErr (*BezierTo)(DRAWBOT_PathRef, const DRAWBOT_PointF32*, const DRAWBOT_PointF32*,
                      const DRAWBOT_PointF32*);
    SPErr (*AddRect)(DRAWBOT_PathRef, const DRAWBOT_RectF32*);
    SPErr (*AddArc)(DRAWBOT_PathRef, const DRAWBOT_PointF32*, float radius, float startAngle,
                    float sweep);
    SPErr (*Close)(DRAWBOT_PathRef);
};
static_assert(sizeof(DRAWBOT_PathSuite1) == 48, "host suite layout");

struct PF_EffectCustomUISuite1 {
    PF_Err (*PF_GetDrawingReference)(const PF_ContextH effect_contextH, DRAWBOT_DrawRef* refP);
};
static_assert(sizeof(PF_EffectCustomUISuite1) == 8, "host suite layout");

// "PF AE App Suite" at version 6. Only PF_InvalidateRect is called; the other slots hold places.
struct PFAppSuite4 {
    void* PF_AppGetBgColor;
    void* PF_AppGetColor;
    void* PF_GetPersonalInfo;
    void* PF_GetFontStyleSheet;
    void* PF_SetCursor;
    void* PF_IsRenderEngine;
    void* PF_AppColorPickerDialog;
    void* PF_GetMouse;
    PF_Err (*PF_InvalidateRect)(const PF_ContextH contextH, const PF_Rect* rectP);
    void* PF_ConvertLocalToGlobal;
    void* PF_GetColorAtGlobalPoint;
};
static_assert(sizeof(PFAppSuite4) == 88, "host suite layout");
static_assert(offsetof(PFAppSuite4, PF_InvalidateRect) == 64, "host suite layout");

// The four drawing suites the panel acquires together, in acquisition order.
struct DRAWBOT_Suites {
    DRAWBOT_DrawbotSuite1* drawbot_suiteP;
    DRAWBOT_SupplierSuite1* supplier_suiteP;
    DRAWBOT_SurfaceSuite2* surface_suiteP;
    DRAWBOT_PathSuite1* path_suiteP;
    void* pen_suiteP;
    void* image_suiteP;
};
static_assert(sizeof(DRAWBOT_Suites) == 48, "host record layout");

// ---- The entry point ------------------------------------------------------------------------

typedef PF_Err (*PF_EntryPointFunc)(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                                    PF_ParamDef* params[], PF_LayerDef* output, void* extra);

} // extern "C"

// ---- Constants ------------------------------------------------------------------------------

enum : PF_Cmd {
    PF_Cmd_ABOUT = 0,
    PF_Cmd_GLOBAL_SETUP = 1,
    PF_Cmd_UNUSED_0 = 2,
    PF_Cmd_GLOBAL_SETDOWN = 3,
    PF_Cmd_PARAMS_SETUP = 4,
    PF_Cmd_SEQUENCE_SETUP = 5,
    PF_Cmd_SEQUENCE_RESETUP = 6,
    PF_Cmd_SEQUENCE_FLATTEN = 7,
    PF_Cmd_SEQUENCE_SETDOWN = 8,
    PF_Cmd_DO_DIALOG = 9,
    PF_Cmd_FRAME_SETUP = 10,
    PF_Cmd_RENDER = 11,
    PF_Cmd_FRAME_SETDOWN = 12,
    PF_Cmd_USER_CHANGED_PARAM = 13,
    PF_Cmd_UPDATE_PARAMS_UI = 14,
    PF_Cmd_EVENT = 15,
    PF_Cmd_GET_EXTERNAL_DEPENDENCIES = 16,
    PF_Cmd_COMPLETELY_GENERAL = 17,
    PF_Cmd_QUERY_DYNAMIC_FLAGS = 18,
    PF_Cmd_AUDIO_RENDER = 19,
    PF_Cmd_AUDIO_SETUP = 20,
    PF_Cmd_AUDIO_SETDOWN = 21,
    PF_Cmd_ARBITRARY_CALLBACK = 22,
    PF_Cmd_SMART_PRE_RENDER = 23,
    PF_Cmd_SMART_RENDER = 24,
    PF_Cmd_GET_FLATTENED_SEQUENCE_DATA = 28,
    PF_Cmd_TRANSLATE_PARAMS_TO_PREFS = 29,
    PF_Cmd_SMART_RENDER_GPU = 31,
    PF_Cmd_GPU_DEVICE_SETUP = 32,
    PF_Cmd_GPU_DEVICE_SETDOWN = 33,
    PF_Cmd_NUM_CMDS = 34,
};

enum : PF_Err {
    PF_Err_NONE = 0,
    PF_Err_OUT_OF_MEMORY = 4,
    PF_Err_INTERNAL_STRUCT_DAMAGED = 512,
    PF_Err_INVALID_INDEX = 513,
    PF_Err_UNRECOGNIZED_PARAM_TYPE = 514,
    PF_Err_INVALID_CALLBACK = 515,
    PF_Err_BAD_CALLBACK_PARAM = 516,
    PF_Interrupt_CANCEL = 517,
};

enum : SPErr {
    kSPNoError = 0,
    kSPUnimplementedError = 0x21494D50,   // '!IMP'
    kSPBadParameterError = 0x5061726D,    // 'Parm'
    kSPOutOfMemoryError = -148,
    kSPSuiteNotFoundError = 0x53214664,   // 'S!Fd'
};

enum : PF_ParamType {
    PF_Param_RESERVED = -1,
    PF_Param_LAYER = 0,
    PF_Param_SLIDER = 1,
    PF_Param_FIX_SLIDER = 2,
    PF_Param_ANGLE = 3,
    PF_Param_CHECKBOX = 4,
    PF_Param_COLOR = 5,
    PF_Param_POINT = 6,
    PF_Param_POPUP = 7,
    PF_Param_CUSTOM = 8,
    PF_Param_NO_DATA = 9,
    PF_Param_FLOAT_SLIDER = 10,
    PF_Param_ARBITRARY_DATA = 11,
    PF_Param_PATH = 12,
    PF_Param_GROUP_START = 13,
    PF_Param_GROUP_END = 14,
    PF_Param_BUTTON = 15,
    PF_Param_POINT_3D = 18,
};

enum : PF_ParamUIFlags {
    PF_PUI_NONE = 0,
    PF_PUI_TOPIC = 1,
    PF_PUI_CONTROL = 2,
    PF_PUI_STD_CONTROL_ONLY = 4,
    PF_PUI_NO_ECW_UI = 8,
    PF_PUI_ECW_SEPARATOR = 16,
    PF_PUI_DISABLED = 32,
    PF_PUI_INVISIBLE = 512,
};

enum : PF_ChangeFlags {
    PF_ChangeFlag_NONE = 0,
    PF_ChangeFlag_CHANGED_VALUE = 1,
    PF_ChangeFlag_SET_TO_VARY = 4,
    PF_ChangeFlag_SET_TO_CONSTANT = 8,
};

enum : PF_OutFlags {
    PF_OutFlag_NONE = 0,
    PF_OutFlag_NON_PARAM_VARY = 0x4,
    PF_OutFlag_SEQUENCE_DATA_NEEDS_FLATTENING = 0x10,
    PF_OutFlag_USE_OUTPUT_EXTENT = 0x40,
    PF_OutFlag_DISPLAY_ERROR_MESSAGE = 0x100,
    PF_OutFlag_PIX_INDEPENDENT = 0x400,
    PF_OutFlag_CUSTOM_UI = 0x8000,
    PF_OutFlag_DEEP_COLOR_AWARE = 0x02000000,
    PF_OutFlag_SEND_UPDATE_PARAMS_UI = 0x04000000,
};

enum : PF_Quality {
    PF_Quality_LO = 0,
    PF_Quality_HI = 1,
};

enum : PF_WorldFlags {
    PF_WorldFlag_DEEP = 1,
    PF_WorldFlag_WRITEABLE = 2,
};

enum : A_long {
    PF_LayerDefault_MYSELF = -1,
    PF_LayerDefault_NONE = 0,
};

enum : PF_CustomEventFlags {
    PF_CustomEFlag_NONE = 0,
    PF_CustomEFlag_COMP = 1,
    PF_CustomEFlag_LAYER = 2,
    PF_CustomEFlag_EFFECT = 4,
    PF_CustomEFlag_PREVIEW = 8,
};

enum : PF_EventType {
    PF_Event_NONE = -1,
    PF_Event_NEW_CONTEXT = 0,
    PF_Event_ACTIVATE = 1,
    PF_Event_DO_CLICK = 2,
    PF_Event_DRAG = 3,
    PF_Event_DRAW = 4,
    PF_Event_DEACTIVATE = 5,
    PF_Event_CLOSE_CONTEXT = 6,
    PF_Event_IDLE = 7,
    PF_Event_ADJUST_CURSOR = 9,
    PF_Event_KEYDOWN = 10,
    PF_Event_MOUSE_EXITED = 11,
};

enum : PF_WindowType {
    PF_Window_NONE = -1,
    PF_Window_COMP = 0,
    PF_Window_LAYER = 1,
    PF_Window_EFFECT = 2,
    PF_Window_PREVIEW = 3,
};

enum : PF_EffectArea {
    PF_EA_NONE = 0,
    PF_EA_PARAM_TITLE = 1,
    PF_EA_CONTROL = 2,
};

enum : PF_EventInFlags {
    PF_EI_NONE = 0,
    PF_EI_DONT_DRAW = 1,
};

enum : PF_ParamFlags {
    PF_ParamFlag_COLLAPSE_TWIRLY = 0x20,
};

enum : DRAWBOT_PixelLayout {
    kDRAWBOT_PixelLayout_24RGB = 0,
    kDRAWBOT_PixelLayout_24BGR = 1,
    kDRAWBOT_PixelLayout_32RGB = 2,
    kDRAWBOT_PixelLayout_32BGR = 3,
    kDRAWBOT_PixelLayout_32ARGB_Straight = 4,
    kDRAWBOT_PixelLayout_32ARGB_Premul = 5,
    kDRAWBOT_PixelLayout_32BGRA_Straight = 6,
    kDRAWBOT_PixelLayout_32BGRA_Premul = 7,
};

enum : DRAWBOT_FillType {
    kDRAWBOT_FillType_EvenOdd = 0,
    kDRAWBOT_FillType_Winding = 1,
};

enum : PF_EventOutFlags {
    PF_EO_NONE = 0,
    PF_EO_HANDLED_EVENT = 1,
    PF_EO_ALWAYS_UPDATE = 2,
    PF_EO_NEVER_UPDATE = 4,
    PF_EO_UPDATE_NOW = 8,
};

enum : PF_PlatDataID {
    PF_PlatData_MAIN_WND = 0,
    PF_PlatData_RES_DLLINSTANCE = 4,
    PF_PlatData_EXE_FILE_PATH_W = 7,
    PF_PlatData_RES_FILE_PATH_W = 8,
};

enum : PF_ParamIndex {
    PF_ParamIndex_NONE = -1,
};

enum : A_u_long {
    PF_CONTEXT_MAGIC = 0x05EA771E,
};

enum : PF_CursorType {
    PF_Cursor_NONE = 0,
    PF_Cursor_ARROW = 2,
    PF_Cursor_FINGER_POINTER = 23,
};

// The interface generation our host reports in in-data `version`.
enum : A_short {
    PF_PLUG_IN_VERSION = 13,
    PF_PLUG_IN_SUBVERS = 28,
};

// Packs an effect version the way the host decodes it: build in bits 0-8, stage 9-10, bug-fix
// 11-14, subversion 15-18, version's low three bits 19-21 and its high bits from 26.
constexpr A_u_long PF_VERSION(A_u_long vers, A_u_long subvers, A_u_long bugvers, A_u_long stage,
                              A_u_long build)
{
    return ((((vers >> 3) & 0xF) << 26) | ((vers & 0x7) << 19) | ((subvers & 0xF) << 15) |
            ((bugvers & 0xF) << 11) | ((stage & 0x3) << 9) | (build & 0x1FF));
}
enum : A_u_long {
    PF_Stage_DEVELOP = 0,
    PF_Stage_ALPHA = 1,
    PF_Stage_BETA = 2,
    PF_Stage_RELEASE = 3,
};
static_assert(PF_VERSION(2, 0, 0, PF_Stage_DEVELOP, 1) == 0x00100001, "host version packing");
static_assert(PF_VERSION(13, 28, 0, PF_Stage_DEVELOP, 0) == 0x042E0000, "host version packing");
static_assert(PF_VERSION(7, 15, 15, PF_Stage_RELEASE, 511) == 0x003FFFFF, "host version packing");

// Suite names and the versions the effect asks for.
#define kSPBasicSuite "SP Basic Suite"
#define kSPBasicSuiteVersion 4
#define kDRAWBOT_DrawSuite "DRAWBOT Draw Suite"
#define kDRAWBOT_DrawSuite_Version1 1
#define kDRAWBOT_SupplierSuite "DRAWBOT Supplier Suite"
#define kDRAWBOT_SupplierSuite_Version1 1
#define kDRAWBOT_SurfaceSuite "DRAWBOT Surface Suite"
#define kDRAWBOT_SurfaceSuite_Version1 1
#define kDRAWBOT_SurfaceSuite_Version2 2
#define kDRAWBOT_PathSuite "DRAWBOT Path Suite"
#define kDRAWBOT_PathSuite_Version1 1
#define kPFEffectCustomUISuite "PF Effect Custom UI Suite"
#define kPFEffectCustomUISuiteVersion1 1
#define kPFAppSuite "PF AE App Suite"
#define kPFAppSuiteVersion4 6   // the version numbers of this suite are not monotonic

// Parameter setup: the 64 controls of the effect panel in their saved order, as one table that
// setup walks (and that the defaults of a fresh instance come from), the parameter count and the
// custom-UI registration of the banner.
#include "effect/params.h"

#include <array>
#include <cstring>

namespace {

// One control as parameter setup registers it. A row sets only what its type uses; the rest of
// its record stays cleared, so nothing of one row carries into the next (no id, flags or angle
// range left over from an earlier control).
struct ParamSpec {
    ParamIndex index;
    PF_ParamType type;
    const char* name;
    // Sliders' valid and slider ranges; fixed sliders' display precision (decimals).
    double validMin, validMax, sliderMin, sliderMax;
    A_short precision;
    // The default: a slider's or angle's value, a popup's choice (1-based), a checkbox's 0 or 1,
    // a point's x (and in dephaultY its y) in percent of the layer.
    double dephault, dephaultY;
    PF_Pixel colour;           // a colour's default; alpha stays 0, the render reads only RGB
    A_short choiceCount;
    const char* choices;       // a popup's names, "|" between them
    A_long id;                 // a layer chooser's id
    PF_ParamFlags flags;
    PF_ParamUIFlags uiFlags;
    A_short uiWidth, uiHeight;
};

constexpr ParamSpec Row(ParamIndex index, PF_ParamType type, const char* name)
{
    ParamSpec s{};
    s.index = index;
    s.type = type;
    s.name = name;
    return s;
}

// Either kind of slider: its valid range, the range its slider covers, and its default.
constexpr ParamSpec Ranged(ParamIndex index, PF_ParamType type, const char* name, double validMin,
                           double validMax, double sliderMin, double sliderMax, double dephault)
{
    ParamSpec s = Row(index, type, name);
    s.validMin = validMin;
    s.validMax = validMax;
    s.sliderMin = sliderMin;
    s.sliderMax = sliderMax;
    s.dephault = dephault;
    return s;
}

// Real-valued slider shown with two decimals, stored as 16.16.
constexpr ParamSpec Fixed(ParamIndex index, const char* name, double validMin, double validMax,
                          double sliderMin, double sliderMax, double dephault)
{
    ParamSpec s = Ranged(index, PF_Param_FIX_SLIDER, name, validMin, validMax, sliderMin, sliderMax, dephault);
    s.precision = 2;
    return s;
}

constexpr ParamSpec Slider(ParamIndex index, const char* name, int validMin, int validMax,
                           int sliderMin, int sliderMax, int dephault)
{
    return Ranged(index, PF_Param_SLIDER, name, validMin, validMax, sliderMin, sliderMax, dephault);
}

// Degrees; the control has no range of its own.
constexpr ParamSpec Angle(ParamIndex index, const char* name, double dephault)
{
    ParamSpec s = Row(index, PF_Param_ANGLE, name);
    s.dephault = dephault;
    return s;
}

constexpr ParamSpec Popup(ParamIndex index, const char* name, A_short count, const char* choices,
                          A_short dephault)
{
    ParamSpec s = Row(index, PF_Param_POPUP, name);
    s.choiceCount = count;
    s.choices = choices;
    s.dephault = dephault;
    return s;
}

constexpr ParamSpec Colour(ParamIndex index, const char* name, A_u_char red, A_u_char green, A_u_char blue)
{
    ParamSpec s = Row(index, PF_Param_COLOR, name);
    s.colour = PF_Pixel{0, red, green, blue};
    return s;
}

// Defaults in percent of the layer's width and height; the point may leave the layer.
constexpr ParamSpec Point(ParamIndex index, const char* name, double xPercent, double yPercent)
{
    ParamSpec s = Row(index, PF_Param_POINT, name);
    s.dephault = xPercent;
    s.dephaultY = yPercent;
    return s;
}

constexpr ParamSpec Checkbox(ParamIndex index, const char* name, bool dephault, PF_ParamFlags flags = 0)
{
    ParamSpec s = Row(index, PF_Param_CHECKBOX, name);
    s.dephault = dephault ? 1 : 0;
    s.flags = flags;
    return s;
}

// A chooser that starts with no layer.
constexpr ParamSpec Layer(ParamIndex index, const char* name, A_long id)
{
    ParamSpec s = Row(index, PF_Param_LAYER, name);
    s.id = id;
    return s;
}

// The custom-drawn banner: a control area without a value.
constexpr ParamSpec Banner(ParamIndex index, const char* name, A_short width, A_short height)
{
    ParamSpec s = Row(index, PF_Param_NO_DATA, name);
    s.uiFlags = PF_PUI_CONTROL;
    s.uiWidth = width;
    s.uiHeight = height;
    return s;
}

constexpr ParamSpec GroupStart(ParamIndex index, const char* name) { return Row(index, PF_Param_GROUP_START, name); }
constexpr ParamSpec GroupEnd(ParamIndex index) { return Row(index, PF_Param_GROUP_END, ""); }

using ParamTable = std::array<ParamSpec, PARAM_COUNT>;

constexpr void Put(ParamTable& table, const ParamSpec& row) { table[row.index] = row; }

// What sets the two material groups apart; everything else of theirs is alike.
struct MaterialDefaults {
    const char* groupName;
    PF_Pixel diffuse, specular;          // red, green, blue (alpha 0)
    const char* strengthName;            // "Strength of shininess" / "Strength of Shininess"
    double strength;
    double opticalCoefficient;
    A_long layerId;                      // the reflection chooser's id
};

constexpr void PutMaterialGroup(ParamTable& t, const MaterialParams& m, const MaterialDefaults& d)
{
    //                                                           valid range    slider range  default
    Put(t, GroupStart(m.group, d.groupName));
    Put(t, Colour(m.diffuse, "Diffuse", d.diffuse.red, d.diffuse.green, d.diffuse.blue));
    Put(t, Colour(m.specular, "Specular", d.specular.red, d.specular.green, d.specular.blue));
    Put(t, Fixed(m.shininess, "Shininess",                       -1000, 1000,   0, 100,       15));
    Put(t, Fixed(m.shininessStrength, d.strengthName,            -1000, 1000,   0, 500,       d.strength));
    Put(t, Fixed(m.selfIllumination, "Self illumination",        -1000, 1000,   0, 100,       0));
    Put(t, Fixed(m.transparency, "Transparancy",                 0, 100,        0, 100,       0));
    Put(t, Checkbox(m.glass, "Glass", false));
    Put(t, Fixed(m.refraction, "Refraction",                     -1000, 1000,   -100, 100,    -50));
    Put(t, Fixed(m.opticalCoefficient, "Optical coefficient",    -1000, 1000,   -100, 100,    d.opticalCoefficient));
    Put(t, Fixed(m.aberration, "Aberration",                     0, 1000,       0, 100,       20));
    Put(t, Layer(m.reflectionLayer, "Texture reflection", d.layerId));
    Put(t, Fixed(m.reflectionPercent, "Reflection percent",      -1000, 1000,   0, 100,       100));
    Put(t, GroupEnd(m.groupEnd));
}

constexpr ParamTable MakeParamTable()
{
    ParamTable t{};
    Put(t, Row(PARAM_INPUT, PF_Param_LAYER, ""));   // added by the host itself, not registered
    //                                                           choices / names             default
    Put(t, Banner(PARAM_INFORMATION, "Information", 384, 141));
    Put(t, Popup(PARAM_RENDERING_MODE, "Rendering mode", 7, "Rough|Line|Wire|Flat|Phong|Patches|Bezier", 5));
    //                                                           valid range    slider range  default
    Put(t, Fixed(PARAM_GROW_UP, "Grow up",                       0, 100,        0, 100,       100));

    Put(t, GroupStart(PARAM_TREE_GROUP, "Tree"));
    Put(t, Slider(PARAM_N_BRANCHES, "N branches",                1, 10,         1, 5,         4));
    Put(t, Fixed(PARAM_LENGTH, "Length",                         0.1, 1000,     10, 110,      50));
    Put(t, Fixed(PARAM_WIDTH, "Width",                           0.1, 100,      1, 20,        5));
    Put(t, Fixed(PARAM_DISPERSION, "Dispersion",                 0, 100,        0, 100,       10));
    Put(t, Fixed(PARAM_BRANCHINESS, "Branchiness",               0, 100,        0, 100,       50));
    Put(t, Fixed(PARAM_PROPORTIONS, "Proportions",               -100, 100,     0, 100,       50));
    Put(t, Fixed(PARAM_AMPLITUDE_X, "Amplitude X of oscillation", 0, 100,       0, 100,       10));
    Put(t, Fixed(PARAM_AMPLITUDE_Z, "Amplitude Z of oscillation", -100, 100,    -100, 100,    10));
    Put(t, Fixed(PARAM_FREQUENCY, "Frequency of oscillation",    0, 100,        0, 100,       10));
    Put(t, GroupEnd(PARAM_TREE_GROUP_END));

    Put(t, GroupStart(PARAM_NEEDLES_GROUP, "Needles"));
    Put(t, Popup(PARAM_NEEDLES_SHAPE, "Needles shape", 3, "Flat|Semi|Round", 2));
    Put(t, Fixed(PARAM_NEEDLES_DENSITY, "Needles density",       1, 100,        10, 100,      90));
    Put(t, Fixed(PARAM_NEEDLES_LENGTH, "Needles length",         10, 200,       10, 100,      50));
    Put(t, Fixed(PARAM_NEEDLES_WIDTH, "Needles width",           10, 200,       10, 100,      45));
    Put(t, Fixed(PARAM_NEEDLES_DISPERSION, "Needles dispersion", 0, 100,        0, 100,       40));
    Put(t, Fixed(PARAM_NEEDLES_AMPLITUDE, "Amplitude of oscillation", -100, 100, 0, 100,      10));
    Put(t, Fixed(PARAM_NEEDLES_SPEED, "Speed of oscillation",    0, 100,        0, 100,       40));
    Put(t, GroupEnd(PARAM_NEEDLES_GROUP_END));

    // Placement stands outside any group.  Point default: x %, y % of the layer (bottom centre).
    Put(t, Point(PARAM_POSITION, "Position", 50, 100));
    Put(t, Fixed(PARAM_SCALE, "Scale",                           -1000, 1000,   10, 150,      100));
    Put(t, Angle(PARAM_ROTATION_X, "Rotation X", 0));
    Put(t, Angle(PARAM_ROTATION_Y, "Rotation Y", 0));
    Put(t, Angle(PARAM_ROTATION_Z, "Rotation Z", 180));

    // The needles' material comes before the tree's; the capital "S" of the tree's "Strength of
    // Shininess" is how saved projects and users know it.
    PutMaterialGroup(t, NeedleMaterialParams,
                     {"Material of needles", {0, 23, 200, 1}, {0, 255, 255, 255}, "Strength of shininess", 0, 15, 1});
    PutMaterialGroup(t, TreeMaterialParams,
                     {"Material of tree", {0, 160, 80, 0}, {0, 250, 170, 0}, "Strength of Shininess", 9, 75, 2});

    Put(t, GroupStart(PARAM_LIGHT_GROUP, "Light"));
    Put(t, Fixed(PARAM_LIGHT_MULTIPLY, "Multiply",               -1000, 1000,   0, 150,       100));
    Put(t, Colour(PARAM_LIGHT_COLOR, "Light color", 255, 255, 255));
    Put(t, Angle(PARAM_LIGHT_ROTATE_UV, "Rotate UV", 0));
    // Degrees on a slider, not an angle control.
    Put(t, Fixed(PARAM_LIGHT_ROTATE_WV, "Rotate WV",             -10000, 10000, 0, 180,       45));
    Put(t, Checkbox(PARAM_OPPOSITE_LIGHT, "Opposite light", true, /*flags*/ 1));
    Put(t, GroupEnd(PARAM_LIGHT_GROUP_END));

    Put(t, Checkbox(PARAM_CUT_ALPHA, "Cut alpha", false));
    return t;
}

constexpr ParamTable Table = MakeParamTable();

// The enum and the table agree row by row (the host assigns indices by registration order), and
// every name fits the host's record.
constexpr bool EveryRowInPlace()
{
    for (int i = 0; i < PARAM_COUNT; ++i) {
        if (Table[i].index != i || !Table[i].name)
            return false;
        int length = 0;
        while (Table[i].name[length] != '\0')
            ++length;
        if (length > PF_MAX_EFFECT_PARAM_NAME_LEN)
            return false;
    }
    return true;
}
static_assert(EveryRowInPlace(), "one table row for every ParamIndex, in order");

PF_Fixed ToFixed(double value)
{
    // Nearest 16.16 value: 0.1 becomes 0x199A. Every value above lies within +-10000, far inside
    // the +-32768 a 16.16 number holds.
    return static_cast<PF_Fixed>(value * 65536.0 + (value < 0 ? -0.5 : 0.5));
}

// The two sliders' records hold the same ranges and default, each in its own kind of number;
// the value starts at the default.
template <typename SliderDef, typename Convert>
void DescribeRanges(const ParamSpec& s, SliderDef& slider, Convert convert)
{
    slider.valid_min = convert(s.validMin);
    slider.valid_max = convert(s.validMax);
    slider.slider_min = convert(s.sliderMin);
    slider.slider_max = convert(s.sliderMax);
    slider.dephault = convert(s.dephault);
    slider.value = slider.dephault;
}

// Fills the type-specific part and the flags of a cleared record from its row.
void Describe(const ParamSpec& s, PF_ParamDef& def)
{
    def.param_type = s.type;
    def.uu.id = s.id;
    def.flags = s.flags;
    def.ui_flags = s.uiFlags;
    def.ui_width = s.uiWidth;
    def.ui_height = s.uiHeight;
    switch (s.type) {
    case PF_Param_FIX_SLIDER:
        DescribeRanges(s, def.u.fd, ToFixed);
        def.u.fd.precision = s.precision;
        def.u.fd.display_flags = 0;   // a plain number
        break;
    case PF_Param_SLIDER:
        DescribeRanges(s, def.u.sd, [](double value) { return PF_ParamValue(value); });
        break;
    case PF_Param_ANGLE:
        def.u.ad.dephault = ToFixed(s.dephault);
        def.u.ad.value = def.u.ad.dephault;
        break;
    case PF_Param_POPUP:
        def.u.pd.num_choices = s.choiceCount;
        def.u.pd.dephault = A_short(s.dephault);
        def.u.pd.value = def.u.pd.dephault;
        def.u.pd.u.namesptr = s.choices;
        break;
    case PF_Param_COLOR:
        def.u.cd.dephault = s.colour;
        def.u.cd.value = s.colour;
        break;
    case PF_Param_POINT:
        def.u.td.x_dephault = ToFixed(s.dephault);
        def.u.td.y_dephault = ToFixed(s.dephaultY);
        def.u.td.x_value = def.u.td.x_dephault;
        def.u.td.y_value = def.u.td.y_dephault;
        def.u.td.restrict_bounds = 0;
        break;
    case PF_Param_CHECKBOX:
        def.u.bd.dephault = PF_ParamValue(s.dephault);
        def.u.bd.value = def.u.bd.dephault;
        def.u.bd.u.nameptr = "";   // no text after the box
        break;
    case PF_Param_LAYER:
        def.u.ld.dephault = PF_LayerDefault_NONE;
        break;
    default:   // group start and end, the banner: nothing but the name
        break;
    }
}

} // namespace

void DescribeParam(ParamIndex index, PF_ParamDef& def)
{
    std::memset(&def, 0, sizeof def);
    if (index < 0 || index >= PARAM_COUNT)
        return;
    const ParamSpec& s = Table[size_t(index)];
    Describe(s, def);
    std::strncpy(def.name, s.name, sizeof def.name - 1);
}

PF_Err ParamsSetup(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef*[], PF_LayerDef*)
{
    if (!in_data || !out_data || !in_data->inter.add_param || !in_data->inter.register_ui ||
        !in_data->utils || !in_data->utils->ansi.strcpy)
        return PF_Err_BAD_CALLBACK_PARAM;

    PF_ParamDef def;
    for (int i = PARAM_INFORMATION; i < PARAM_COUNT; ++i) {
        const ParamSpec& s = Table[size_t(i)];
        std::memset(&def, 0, sizeof def);
        Describe(s, def);
        in_data->utils->ansi.strcpy(def.name, s.name);
        // The first failing append ends the command: the host has not got the rest.
        const PF_Err err = in_data->inter.add_param(in_data->effect_ref, PF_ParamIndex_NONE, &def);
        if (err != PF_Err_NONE)
            return err;
    }
    out_data->num_params = PARAM_COUNT;

    PF_CustomUIInfo ui;
    std::memset(&ui, 0, sizeof ui);
    ui.events = PF_CustomEFlag_COMP | PF_CustomEFlag_LAYER | PF_CustomEFlag_EFFECT;
    return in_data->inter.register_ui(in_data->effect_ref, &ui);
}

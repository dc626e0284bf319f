// Parameter setup: the 64 controls of the effect panel in their saved order, the parameter count
// and the custom-UI registration of the banner.
#include "effect/params.h"

#include <cassert>
#include <cstring>

namespace {

PF_Fixed ToFixed(double value)
{
    // Nearest 16.16 value: 0.1 becomes 0x199A. Every value below lies within +-10000, far inside
    // the +-32768 a 16.16 number holds.
    return static_cast<PF_Fixed>(value * 65536.0 + (value < 0 ? -0.5 : 0.5));
}

// Fills one parameter record after another and appends each. Every record starts cleared, so the
// host sees id 0, flags 0 and empty ranges wherever a row sets nothing: nothing of one row leaks
// into the next. After a failed append the writer calls the host no more; the first error stands.
class ParamWriter {
public:
    explicit ParamWriter(PF_InData* in) : in_(in) {}
    PF_Err Error() const { return err_; }

    void Popup(ParamIndex index, const char* name, A_short choices, const char* names, A_short dephault)
    {
        if (!Begin(index, PF_Param_POPUP, name))
            return;
        def_.u.pd.num_choices = choices;
        def_.u.pd.dephault = dephault;
        def_.u.pd.value = dephault;
        def_.u.pd.u.namesptr = names;
        Append();
    }

    // Real-valued slider shown with two decimals, stored as 16.16.
    void Fixed(ParamIndex index, const char* name, double validMin, double validMax, double sliderMin,
               double sliderMax, double dephault)
    {
        if (!Begin(index, PF_Param_FIX_SLIDER, name))
            return;
        PF_FixedSliderDef& fd = def_.u.fd;
        fd.valid_min = ToFixed(validMin);
        fd.valid_max = ToFixed(validMax);
        fd.slider_min = ToFixed(sliderMin);
        fd.slider_max = ToFixed(sliderMax);
        fd.dephault = ToFixed(dephault);
        fd.value = fd.dephault;
        fd.precision = 2;
        fd.display_flags = 0;
        Append();
    }

    void Slider(ParamIndex index, const char* name, PF_ParamValue validMin, PF_ParamValue validMax,
                PF_ParamValue sliderMin, PF_ParamValue sliderMax, PF_ParamValue dephault)
    {
        if (!Begin(index, PF_Param_SLIDER, name))
            return;
        PF_SliderDef& sd = def_.u.sd;
        sd.valid_min = validMin;
        sd.valid_max = validMax;
        sd.slider_min = sliderMin;
        sd.slider_max = sliderMax;
        sd.dephault = dephault;
        sd.value = dephault;
        Append();
    }

    // Degrees; the control has no range of its own.
    void Angle(ParamIndex index, const char* name, double dephault)
    {
        if (!Begin(index, PF_Param_ANGLE, name))
            return;
        def_.u.ad.dephault = ToFixed(dephault);
        def_.u.ad.value = def_.u.ad.dephault;
        Append();
    }

    // Alpha stays 0: the render reads only red, green and blue.
    void Color(ParamIndex index, const char* name, A_u_char red, A_u_char green, A_u_char blue)
    {
        if (!Begin(index, PF_Param_COLOR, name))
            return;
        def_.u.cd.dephault = PF_Pixel{0, red, green, blue};
        def_.u.cd.value = def_.u.cd.dephault;
        Append();
    }

    // Defaults in percent of the layer's width and height; the point may leave the layer.
    void Point(ParamIndex index, const char* name, double xPercent, double yPercent)
    {
        if (!Begin(index, PF_Param_POINT, name))
            return;
        def_.u.td.x_dephault = ToFixed(xPercent);
        def_.u.td.y_dephault = ToFixed(yPercent);
        def_.u.td.x_value = def_.u.td.x_dephault;
        def_.u.td.y_value = def_.u.td.y_dephault;
        def_.u.td.restrict_bounds = 0;
        Append();
    }

    void Checkbox(ParamIndex index, const char* name, bool dephault, PF_ParamFlags flags = 0)
    {
        if (!Begin(index, PF_Param_CHECKBOX, name))
            return;
        def_.flags = flags;
        def_.u.bd.dephault = dephault ? 1 : 0;
        def_.u.bd.value = def_.u.bd.dephault;
        def_.u.bd.u.nameptr = "";   // no text after the box
        Append();
    }

    // A chooser that starts with no layer.
    void Layer(ParamIndex index, const char* name, A_long id)
    {
        if (!Begin(index, PF_Param_LAYER, name))
            return;
        def_.uu.id = id;
        def_.u.ld.dephault = PF_LayerDefault_NONE;
        Append();
    }

    void GroupStart(ParamIndex index, const char* name)
    {
        if (Begin(index, PF_Param_GROUP_START, name))
            Append();
    }

    void GroupEnd(ParamIndex index)
    {
        if (Begin(index, PF_Param_GROUP_END, ""))
            Append();
    }

    // The custom-drawn banner: a control area without a value.
    void Banner(ParamIndex index, const char* name, A_short width, A_short height)
    {
        if (!Begin(index, PF_Param_NO_DATA, name))
            return;
        def_.ui_flags = PF_PUI_CONTROL;
        def_.ui_width = width;
        def_.ui_height = height;
        Append();
    }

private:
    bool Begin(ParamIndex index, PF_ParamType type, const char* name)
    {
        if (err_ != PF_Err_NONE)
            return false;
        // The enum and the order of the calls below must agree: the host assigns indices by order.
        assert(index == next_);
        assert(std::strlen(name) <= PF_MAX_EFFECT_PARAM_NAME_LEN);
        (void)index;
        std::memset(&def_, 0, sizeof def_);
        def_.param_type = type;
        in_->utils->ansi.strcpy(def_.name, name);
        return true;
    }

    void Append()
    {
        err_ = in_->inter.add_param(in_->effect_ref, PF_ParamIndex_NONE, &def_);
        ++next_;
    }

    PF_InData* in_;
    PF_ParamDef def_;
    PF_Err err_ = PF_Err_NONE;
    PF_ParamIndex next_ = PARAM_INFORMATION;
};

} // namespace

PF_Err ParamsSetup(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef*[], PF_LayerDef*)
{
    if (!in_data || !out_data || !in_data->inter.add_param || !in_data->inter.register_ui ||
        !in_data->utils || !in_data->utils->ansi.strcpy)
        return PF_Err_BAD_CALLBACK_PARAM;

    ParamWriter w(in_data);
    //          index                   name                      choices / names          default
    w.Banner(PARAM_INFORMATION, "Information", INFORMATION_UI_WIDTH, INFORMATION_UI_HEIGHT);
    w.Popup(PARAM_RENDERING_MODE, "Rendering mode", 7, "Rough|Line|Wire|Flat|Phong|Patches|Bezier", 5);
    //          index                   name                      valid range   slider range  default
    w.Fixed(PARAM_GROW_UP, "Grow up", 0, 100, 0, 100, 100);

    w.GroupStart(PARAM_TREE_GROUP, "Tree");
    w.Slider(PARAM_N_BRANCHES, "N branches",                     1, 10,        1, 5,         4);
    w.Fixed(PARAM_LENGTH, "Length",                              0.1, 1000,    10, 110,      50);
    w.Fixed(PARAM_WIDTH, "Width",                                0.1, 100,     1, 20,        5);
    w.Fixed(PARAM_DISPERSION, "Dispersion",                      0, 100,       0, 100,       10);
    w.Fixed(PARAM_BRANCHINESS, "Branchiness",                    0, 100,       0, 100,       50);
    w.Fixed(PARAM_PROPORTIONS, "Proportions",                    -100, 100,    0, 100,       50);
    w.Fixed(PARAM_AMPLITUDE_X, "Amplitude X of oscillation",     0, 100,       0, 100,       10);
    w.Fixed(PARAM_AMPLITUDE_Z, "Amplitude Z of oscillation",     -100, 100,    -100, 100,    10);
    w.Fixed(PARAM_FREQUENCY, "Frequency of oscillation",         0, 100,       0, 100,       10);
    w.GroupEnd(PARAM_TREE_GROUP_END);

    w.GroupStart(PARAM_NEEDLES_GROUP, "Needles");
    w.Popup(PARAM_NEEDLES_SHAPE, "Needles shape", 3, "Flat|Semi|Round", 2);
    w.Fixed(PARAM_NEEDLES_DENSITY, "Needles density",            1, 100,       10, 100,      90);
    w.Fixed(PARAM_NEEDLES_LENGTH, "Needles length",              10, 200,      10, 100,      50);
    w.Fixed(PARAM_NEEDLES_WIDTH, "Needles width",                10, 200,      10, 100,      45);
    w.Fixed(PARAM_NEEDLES_DISPERSION, "Needles dispersion",      0, 100,       0, 100,       40);
    w.Fixed(PARAM_NEEDLES_AMPLITUDE, "Amplitude of oscillation", -100, 100,    0, 100,       10);
    w.Fixed(PARAM_NEEDLES_SPEED, "Speed of oscillation",         0, 100,       0, 100,       40);
    w.GroupEnd(PARAM_NEEDLES_GROUP_END);

    // Placement stands outside any group.  Point default: x %, y % of the layer (bottom centre).
    w.Point(PARAM_POSITION, "Position", 50, 100);
    w.Fixed(PARAM_SCALE, "Scale",                                -1000, 1000,  10, 150,      100);
    w.Angle(PARAM_ROTATION_X, "Rotation X", 0);
    w.Angle(PARAM_ROTATION_Y, "Rotation Y", 0);
    w.Angle(PARAM_ROTATION_Z, "Rotation Z", 180);

    // The needles' material comes before the tree's. Colours: red, green, blue.
    w.GroupStart(PARAM_NEEDLE_MATERIAL_GROUP, "Material of needles");
    w.Color(PARAM_NEEDLE_DIFFUSE, "Diffuse", 23, 200, 1);
    w.Color(PARAM_NEEDLE_SPECULAR, "Specular", 255, 255, 255);
    w.Fixed(PARAM_NEEDLE_SHININESS, "Shininess",                 -1000, 1000,  0, 100,       15);
    w.Fixed(PARAM_NEEDLE_SHININESS_STRENGTH, "Strength of shininess", -1000, 1000, 0, 500,   0);
    w.Fixed(PARAM_NEEDLE_SELF_ILLUMINATION, "Self illumination", -1000, 1000,  0, 100,       0);
    w.Fixed(PARAM_NEEDLE_TRANSPARENCY, "Transparancy",           0, 100,       0, 100,       0);
    w.Checkbox(PARAM_NEEDLE_GLASS, "Glass", false);
    w.Fixed(PARAM_NEEDLE_REFRACTION, "Refraction",               -1000, 1000,  -100, 100,    -50);
    w.Fixed(PARAM_NEEDLE_OPTICAL_COEFFICIENT, "Optical coefficient", -1000, 1000, -100, 100, 15);
    w.Fixed(PARAM_NEEDLE_ABERRATION, "Aberration",               0, 1000,      0, 100,       20);
    w.Layer(PARAM_NEEDLE_REFLECTION_LAYER, "Texture reflection", NEEDLE_REFLECTION_LAYER_ID);
    w.Fixed(PARAM_NEEDLE_REFLECTION_PERCENT, "Reflection percent", -1000, 1000, 0, 100,      100);
    w.GroupEnd(PARAM_NEEDLE_MATERIAL_GROUP_END);

    w.GroupStart(PARAM_TREE_MATERIAL_GROUP, "Material of tree");
    w.Color(PARAM_TREE_DIFFUSE, "Diffuse", 160, 80, 0);
    w.Color(PARAM_TREE_SPECULAR, "Specular", 250, 170, 0);
    w.Fixed(PARAM_TREE_SHININESS, "Shininess",                   -1000, 1000,  0, 100,       15);
    w.Fixed(PARAM_TREE_SHININESS_STRENGTH, "Strength of Shininess", -1000, 1000, 0, 500,     9);
    w.Fixed(PARAM_TREE_SELF_ILLUMINATION, "Self illumination",   -1000, 1000,  0, 100,       0);
    w.Fixed(PARAM_TREE_TRANSPARENCY, "Transparancy",             0, 100,       0, 100,       0);
    w.Checkbox(PARAM_TREE_GLASS, "Glass", false);
    w.Fixed(PARAM_TREE_REFRACTION, "Refraction",                 -1000, 1000,  -100, 100,    -50);
    w.Fixed(PARAM_TREE_OPTICAL_COEFFICIENT, "Optical coefficient", -1000, 1000, -100, 100,   75);
    w.Fixed(PARAM_TREE_ABERRATION, "Aberration",                 0, 1000,      0, 100,       20);
    w.Layer(PARAM_TREE_REFLECTION_LAYER, "Texture reflection", TREE_REFLECTION_LAYER_ID);
    w.Fixed(PARAM_TREE_REFLECTION_PERCENT, "Reflection percent", -1000, 1000,  0, 100,       100);
    w.GroupEnd(PARAM_TREE_MATERIAL_GROUP_END);

    w.GroupStart(PARAM_LIGHT_GROUP, "Light");
    w.Fixed(PARAM_LIGHT_MULTIPLY, "Multiply",                    -1000, 1000,  0, 150,       100);
    w.Color(PARAM_LIGHT_COLOR, "Light color", 255, 255, 255);
    w.Angle(PARAM_LIGHT_ROTATE_UV, "Rotate UV", 0);
    // Degrees on a slider, not an angle control.
    w.Fixed(PARAM_LIGHT_ROTATE_WV, "Rotate WV",                  -10000, 10000, 0, 180,      45);
    w.Checkbox(PARAM_OPPOSITE_LIGHT, "Opposite light", true, /*flags*/ 1);
    w.GroupEnd(PARAM_LIGHT_GROUP_END);

    w.Checkbox(PARAM_CUT_ALPHA, "Cut alpha", false);

    if (w.Error() != PF_Err_NONE)
        return w.Error();
    out_data->num_params = PARAM_COUNT;

    PF_CustomUIInfo ui;
    std::memset(&ui, 0, sizeof ui);
    ui.events = PF_CustomEFlag_COMP | PF_CustomEFlag_LAYER | PF_CustomEFlag_EFFECT;
    return in_data->inter.register_ui(in_data->effect_ref, &ui);
}

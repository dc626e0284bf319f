// The per-type operations of parameter values, and the table that holds them.
#include "host/param_types.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

using json = nlohmann::ordered_json;

constexpr double FixedOne = 65536.0;

bool ToFixedChecked(double v, PF_Fixed& out)
{
    const double scaled = std::round(v * FixedOne);
    if (!std::isfinite(scaled) || scaled < -2147483648.0 || scaled > 2147483647.0)
        return false;
    out = PF_Fixed(scaled);
    return true;
}

ParamValue One(double v)
{
    ParamValue p;
    p.count = 1;
    p.v[0] = v;
    return p;
}

ParamValue Many(std::initializer_list<double> values)
{
    ParamValue p;
    for (double v : values)
        p.v[p.count++] = v;
    return p;
}

bool Whole(double v) { return std::isfinite(v) && v == std::floor(v); }

std::string Lower(std::string s)
{
    for (char& c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string Trim(const std::string& s)
{
    const size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos)
        return std::string();
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

std::string OutOfRange(double v, const std::string& range) { return FormatNumber(v) + " is outside " + range; }

// Between a and b, never outside the two (rounding could step past an end that sits on the edge
// of the valid range).
double Lerp(double a, double b, double t)
{
    const double v = a + (b - a) * t;
    return std::min(std::max(v, std::min(a, b)), std::max(a, b));
}

ParamValue LerpAll(const ParamValue& a, const ParamValue& b, double t)
{
    ParamValue r = a;
    for (int i = 0; i < a.count && i < b.count; ++i)
        r.v[i] = Lerp(a.v[i], b.v[i], t);
    return r;
}

ParamValue LerpRounded(const ParamValue& a, const ParamValue& b, double t)
{
    ParamValue r = LerpAll(a, b, t);
    for (int i = 0; i < r.count; ++i)
        r.v[i] = std::round(r.v[i]);
    return r;
}

bool ParseOneNumber(const HostSession&, const PF_ParamDef&, const std::string& text, ParamValue& value,
                    std::string& why)
{
    double v;
    if (!ParseNumber(text, v)) {
        why = "\"" + text + "\" is not a number";
        return false;
    }
    value = One(v);
    return true;
}

bool OneNumberFromJson(const HostSession&, const PF_ParamDef&, const json& j, ParamValue& value, std::string& why)
{
    if (!j.is_number()) {
        why = j.dump() + " is not a number";
        return false;
    }
    value = One(j.get<double>());
    return true;
}

json OneNumberToJson(const HostSession&, const PF_ParamDef&, const ParamValue& value) { return ShownFixed(value.v[0]); }
json OneIntegerToJson(const HostSession&, const PF_ParamDef&, const ParamValue& value) { return int(value.v[0]); }
std::string FormatOne(const PF_ParamDef&, const ParamValue& value) { return FormatNumber(ShownFixed(value.v[0])); }

// ---- fixed slider ----

ParamValue ReadFixed(const PF_ParamDef& p) { return One(p.u.fd.value / FixedOne); }
ParamValue DefaultFixed(const PF_ParamDef& p) { return One(FromFixed(p.u.fd.dephault)); }
std::string RangeFixed(const PF_ParamDef& p)
{
    return FormatNumber(FromFixed(p.u.fd.valid_min)) + " to " + FormatNumber(FromFixed(p.u.fd.valid_max));
}
bool StoreFixed(const PF_ParamDef& def, const ParamValue& value, PF_ParamDef& record, std::string& why)
{
    const double v = value.v[0];
    PF_Fixed f;
    if (!(v >= FromFixed(def.u.fd.valid_min) && v <= FromFixed(def.u.fd.valid_max)) || !ToFixedChecked(v, f)) {
        why = OutOfRange(v, "its valid range " + RangeFixed(def));
        return false;
    }
    record.u.fd.value = f;
    return true;
}
std::string DescribeFixed(const PF_ParamDef& p)
{
    return "valid " + RangeFixed(p) + ", slider " + FormatNumber(FromFixed(p.u.fd.slider_min)) + " to " +
           FormatNumber(FromFixed(p.u.fd.slider_max)) + ", default " + FormatNumber(FromFixed(p.u.fd.dephault)) +
           ", precision " + std::to_string(p.u.fd.precision);
}
void DescribeFixedJson(const PF_ParamDef& p, json& j)
{
    j["valid"] = {FromFixed(p.u.fd.valid_min), FromFixed(p.u.fd.valid_max)};
    j["slider"] = {FromFixed(p.u.fd.slider_min), FromFixed(p.u.fd.slider_max)};
    j["precision"] = p.u.fd.precision;
}

// ---- integer slider ----

ParamValue ReadSlider(const PF_ParamDef& p) { return One(double(p.u.sd.value)); }
ParamValue DefaultSlider(const PF_ParamDef& p) { return One(double(p.u.sd.dephault)); }
std::string RangeSlider(const PF_ParamDef& p)
{
    return "whole numbers " + std::to_string(p.u.sd.valid_min) + " to " + std::to_string(p.u.sd.valid_max);
}
bool StoreSlider(const PF_ParamDef& def, const ParamValue& value, PF_ParamDef& record, std::string& why)
{
    const double v = value.v[0];
    if (!Whole(v) || v < def.u.sd.valid_min || v > def.u.sd.valid_max) {
        why = OutOfRange(v, "its valid range, " + RangeSlider(def));
        return false;
    }
    record.u.sd.value = PF_ParamValue(v);
    return true;
}
std::string DescribeSlider(const PF_ParamDef& p)
{
    return "valid " + std::to_string(p.u.sd.valid_min) + " to " + std::to_string(p.u.sd.valid_max) + ", slider " +
           std::to_string(p.u.sd.slider_min) + " to " + std::to_string(p.u.sd.slider_max) + ", default " +
           std::to_string(p.u.sd.dephault);
}
void DescribeSliderJson(const PF_ParamDef& p, json& j)
{
    j["valid"] = {p.u.sd.valid_min, p.u.sd.valid_max};
    j["slider"] = {p.u.sd.slider_min, p.u.sd.slider_max};
}

// ---- angle ----

ParamValue ReadAngle(const PF_ParamDef& p) { return One(p.u.ad.value / FixedOne); }
ParamValue DefaultAngle(const PF_ParamDef& p) { return One(FromFixed(p.u.ad.dephault)); }
std::string RangeAngle(const PF_ParamDef&) { return "any angle in degrees"; }
bool StoreAngle(const PF_ParamDef&, const ParamValue& value, PF_ParamDef& record, std::string& why)
{
    // The control has no range of its own: any angle a 16.16 number holds.
    PF_Fixed f;
    if (!ToFixedChecked(value.v[0], f)) {
        why = OutOfRange(value.v[0], "the angles a control holds, -32768 to 32767 degrees");
        return false;
    }
    record.u.ad.value = f;
    return true;
}
std::string DescribeAngle(const PF_ParamDef& p) { return "default " + FormatNumber(FromFixed(p.u.ad.dephault)) + " degrees"; }

// ---- popup ----

std::vector<std::string> Choices(const PF_ParamDef& p) { return SplitText(p.u.pd.u.namesptr ? p.u.pd.u.namesptr : "", '|'); }
ParamValue ReadPopup(const PF_ParamDef& p) { return One(double(p.u.pd.value)); }
ParamValue DefaultPopup(const PF_ParamDef& p) { return One(double(p.u.pd.dephault)); }
std::string RangePopup(const PF_ParamDef& p)
{
    return "1 to " + std::to_string(p.u.pd.num_choices) + " or a name of " +
           std::string(p.u.pd.u.namesptr ? p.u.pd.u.namesptr : "");
}
bool StorePopup(const PF_ParamDef& def, const ParamValue& value, PF_ParamDef& record, std::string& why)
{
    const double v = value.v[0];
    if (!Whole(v) || v < 1 || v > def.u.pd.num_choices) {
        why = OutOfRange(v, "its choices, " + RangePopup(def));
        return false;
    }
    record.u.pd.value = PF_ParamValue(v);
    return true;
}
bool ParsePopup(const HostSession& s, const PF_ParamDef& def, const std::string& text, ParamValue& value,
                std::string& why)
{
    const std::vector<std::string> choices = Choices(def);
    for (size_t i = 0; i < choices.size(); ++i)
        if (Lower(choices[i]) == Lower(Trim(text))) {
            value = One(double(i + 1));
            return true;
        }
    if (ParseOneNumber(s, def, text, value, why))
        return true;
    why = "\"" + text + "\" is not one of its choices";
    return false;
}
std::string FormatPopup(const PF_ParamDef& def, const ParamValue& value)
{
    const std::vector<std::string> choices = Choices(def);
    const double v = value.v[0];
    return Whole(v) && v >= 1 && v <= double(choices.size()) ? choices[size_t(v) - 1] : FormatNumber(v);
}
std::string DescribePopup(const PF_ParamDef& p)
{
    const std::vector<std::string> choices = Choices(p);
    const int d = p.u.pd.dephault;
    std::string line = "default " + std::to_string(d);
    if (d >= 1 && size_t(d) <= choices.size())
        line += " (" + choices[size_t(d - 1)] + ")";
    return line + " of " + std::to_string(p.u.pd.num_choices) + ": " + (p.u.pd.u.namesptr ? p.u.pd.u.namesptr : "");
}
void DescribePopupJson(const PF_ParamDef& p, json& j) { j["choices"] = Choices(p); }

// ---- checkbox ----

ParamValue ReadCheckbox(const PF_ParamDef& p) { return One(double(p.u.bd.value)); }
ParamValue DefaultCheckbox(const PF_ParamDef& p) { return One(double(p.u.bd.dephault)); }
std::string RangeCheckbox(const PF_ParamDef&) { return "0, 1, on or off"; }
bool StoreCheckbox(const PF_ParamDef&, const ParamValue& value, PF_ParamDef& record, std::string& why)
{
    if (value.v[0] != 0 && value.v[0] != 1) {
        why = FormatNumber(value.v[0]) + " is not a checkbox value, 0 or 1";
        return false;
    }
    record.u.bd.value = PF_ParamValue(value.v[0]);
    return true;
}
bool ParseCheckbox(const HostSession& s, const PF_ParamDef& def, const std::string& text, ParamValue& value,
                   std::string& why)
{
    const std::string t = Lower(Trim(text));
    if (t == "on" || t == "true") {
        value = One(1);
        return true;
    }
    if (t == "off" || t == "false") {
        value = One(0);
        return true;
    }
    if (ParseOneNumber(s, def, text, value, why))
        return true;
    why = "\"" + text + "\" is not a checkbox value";
    return false;
}
bool CheckboxFromJson(const HostSession& s, const PF_ParamDef& def, const json& j, ParamValue& value, std::string& why)
{
    if (j.is_boolean()) {
        value = One(j.get<bool>() ? 1 : 0);
        return true;
    }
    if (OneNumberFromJson(s, def, j, value, why))
        return true;
    why = j.dump() + " is not a checkbox value, true, false, 1 or 0";
    return false;
}
std::string FormatCheckbox(const PF_ParamDef&, const ParamValue& value) { return value.v[0] != 0 ? "on" : "off"; }
std::string DescribeCheckbox(const PF_ParamDef& p) { return std::string("default ") + (p.u.bd.dephault ? "on" : "off"); }

// ---- colour ----

ParamValue ReadColor(const PF_ParamDef& p)
{
    return Many({double(p.u.cd.value.red), double(p.u.cd.value.green), double(p.u.cd.value.blue)});
}
ParamValue DefaultColor(const PF_ParamDef& p)
{
    return Many({double(p.u.cd.dephault.red), double(p.u.cd.dephault.green), double(p.u.cd.dephault.blue)});
}
std::string RangeColor(const PF_ParamDef&) { return "red,green,blue each 0 to 255"; }
bool StoreColor(const PF_ParamDef&, const ParamValue& value, PF_ParamDef& record, std::string& why)
{
    if (value.count != 3) {
        why = "a colour is red,green,blue";
        return false;
    }
    for (int i = 0; i < 3; ++i)
        if (!Whole(value.v[i]) || value.v[i] < 0 || value.v[i] > 255) {
            why = "colour channels are whole numbers 0 to 255, not " + FormatNumber(value.v[i]);
            return false;
        }
    record.u.cd.value.red = A_u_char(value.v[0]);
    record.u.cd.value.green = A_u_char(value.v[1]);
    record.u.cd.value.blue = A_u_char(value.v[2]);
    return true;
}
bool ParseColor(const HostSession&, const PF_ParamDef&, const std::string& text, ParamValue& value, std::string& why)
{
    const std::vector<std::string> parts = SplitText(text, ',');
    value = ParamValue();
    for (const std::string& part : parts) {
        double v;
        if (parts.size() != 3 || !ParseNumber(part, v)) {
            why = "\"" + text + "\" is not a colour";
            return false;
        }
        value.v[value.count++] = v;
    }
    return true;
}
std::string FormatColor(const PF_ParamDef&, const ParamValue& value)
{
    return FormatNumber(value.v[0]) + "," + FormatNumber(value.v[1]) + "," + FormatNumber(value.v[2]);
}
json ColorToJson(const HostSession&, const PF_ParamDef&, const ParamValue& value)
{
    return json::array({int(value.v[0]), int(value.v[1]), int(value.v[2])});
}
bool ColorFromJson(const HostSession&, const PF_ParamDef&, const json& j, ParamValue& value, std::string& why)
{
    if (!j.is_array() || j.size() != 3 || !j[0].is_number() || !j[1].is_number() || !j[2].is_number()) {
        why = j.dump() + " is not a colour [red, green, blue], each 0 to 255";
        return false;
    }
    value = Many({j[0].get<double>(), j[1].get<double>(), j[2].get<double>()});
    return true;
}
std::string DescribeColor(const PF_ParamDef& p)
{
    return "default red " + std::to_string(int(p.u.cd.dephault.red)) + ", green " +
           std::to_string(int(p.u.cd.dephault.green)) + ", blue " + std::to_string(int(p.u.cd.dephault.blue));
}

// ---- point ----

ParamValue ReadPoint(const PF_ParamDef& p) { return Many({p.u.td.x_value / FixedOne, p.u.td.y_value / FixedOne}); }
ParamValue DefaultPoint(const PF_ParamDef& p)
{
    return Many({FromFixed(p.u.td.x_dephault), FromFixed(p.u.td.y_dephault)});
}
std::string RangePoint(const PF_ParamDef&) { return "x,y in layer pixels, or x%,y% of the layer"; }
bool StorePoint(const PF_ParamDef&, const ParamValue& value, PF_ParamDef& record, std::string& why)
{
    PF_Fixed x, y;
    if (value.count != 2 || !ToFixedChecked(value.v[0], x) || !ToFixedChecked(value.v[1], y)) {
        why = "the point " + FormatNumber(value.v[0]) + "," + FormatNumber(value.v[1]) +
              " lies outside the pixels a point reaches, -32768 to 32767";
        return false;
    }
    record.u.td.x_value = x;
    record.u.td.y_value = y;
    return true;
}
// Each coordinate in layer pixels, or with "%" in percent of the layer's side, so that
// "50%,100%" is the bottom centre of a layer of any size.
bool ParsePoint(const HostSession& s, const PF_ParamDef&, const std::string& text, ParamValue& value, std::string& why)
{
    const std::vector<std::string> parts = SplitText(text, ',');
    value = ParamValue();
    for (const std::string& item : parts) {
        std::string part = Trim(item);
        const bool percent = !part.empty() && part.back() == '%';
        if (percent)
            part.pop_back();
        double v;
        if (parts.size() != 2 || !ParseNumber(part, v)) {
            why = "\"" + text + "\" is not a point";
            return false;
        }
        if (percent)
            v = v / 100.0 * double(value.count == 0 ? s.in.width : s.in.height);
        value.v[value.count++] = v;
    }
    return true;
}
std::string FormatPoint(const PF_ParamDef&, const ParamValue& value)
{
    return FormatNumber(ShownFixed(value.v[0])) + "," + FormatNumber(ShownFixed(value.v[1]));
}
// Written in percent of the layer, so that a file made for one size places the tree the same at
// another; as the text a setting takes, which says its unit.
json PointToJson(const HostSession& s, const PF_ParamDef&, const ParamValue& value)
{
    const double sides[2] = {double(s.in.width), double(s.in.height)};
    if (!(sides[0] > 0 && sides[1] > 0))
        return json::array({ShownFixed(value.v[0]), ShownFixed(value.v[1])});
    // The fewest digits that read back, at this layer's size, as the same 16.16 value.
    std::string text;
    for (int i = 0; i < 2; ++i) {
        const double percent = value.v[i] * 100.0 / sides[i];
        const double fixed = std::round(value.v[i] * FixedOne);
        char digits[40] = "0";
        for (int precision = 6; precision <= 17; ++precision) {
            std::snprintf(digits, sizeof digits, "%.*g", precision, percent);
            if (std::round(std::strtod(digits, nullptr) / 100.0 * sides[i] * FixedOne) == fixed)
                break;
        }
        text += std::string(i ? "," : "") + digits + "%";
    }
    return text;
}
// The older form: [x, y] in layer pixels.
bool PointFromJson(const HostSession&, const PF_ParamDef&, const json& j, ParamValue& value, std::string& why)
{
    if (!j.is_array() || j.size() != 2 || !j[0].is_number() || !j[1].is_number()) {
        why = j.dump() + " is not a point, \"x%,y%\" of the layer or [x, y] in layer pixels";
        return false;
    }
    value = Many({j[0].get<double>(), j[1].get<double>()});
    return true;
}
std::string DescribePoint(const PF_ParamDef& p)
{
    return "default x " + FormatNumber(FromFixed(p.u.td.x_dephault)) + " %, y " +
           FormatNumber(FromFixed(p.u.td.y_dephault)) + " % of the layer";
}
void DescribePointJson(const PF_ParamDef&, json& j) { j["default_unit"] = "percent"; }

// ---- types without a value ----

std::string DescribeLayer(const PF_ParamDef& p)
{
    return std::string("default ") + (p.u.ld.dephault == PF_LayerDefault_NONE ? "no layer" : "this layer");
}
void DescribeLayerJson(const PF_ParamDef& p, json& j)
{
    j["default"] = p.u.ld.dephault == PF_LayerDefault_NONE ? "none" : "this layer";
}
std::string DescribeNoData(const PF_ParamDef& p)
{
    if (!(p.ui_flags & PF_PUI_CONTROL))
        return std::string();
    return "custom control " + std::to_string(p.ui_width) + " x " + std::to_string(p.ui_height);
}
void DescribeNoDataJson(const PF_ParamDef& p, json& j)
{
    j["ui_flags"] = p.ui_flags;
    j["ui_size"] = {p.ui_width, p.ui_height};
}

// A type the host holds no value of: its names, and how a listing describes its registration
// where it says anything; every operation on a value stays null.
ParamTypeOps WithoutValue(PF_ParamType type, const char* name, const char* what = "nothing",
                          std::string (*describe)(const PF_ParamDef&) = nullptr,
                          void (*describeJson)(const PF_ParamDef&, json&) = nullptr)
{
    // No read, default, store, parse, format, JSON out or in, interpolation or range.
    return {type, name, what, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
            describe, describeJson};
}

const ParamTypeOps Types[] = {
    {PF_Param_FIX_SLIDER, "fixed", "a number", ReadFixed, DefaultFixed, StoreFixed, ParseOneNumber, FormatOne,
     OneNumberToJson, OneNumberFromJson, LerpAll, RangeFixed, DescribeFixed, DescribeFixedJson},
    {PF_Param_SLIDER, "slider", "a whole number", ReadSlider, DefaultSlider, StoreSlider, ParseOneNumber, FormatOne,
     OneIntegerToJson, OneNumberFromJson, LerpRounded, RangeSlider, DescribeSlider, DescribeSliderJson},
    {PF_Param_ANGLE, "angle", "an angle in degrees", ReadAngle, DefaultAngle, StoreAngle, ParseOneNumber, FormatOne,
     OneNumberToJson, OneNumberFromJson, LerpAll, RangeAngle, DescribeAngle, nullptr},
    {PF_Param_POPUP, "popup", "a choice", ReadPopup, DefaultPopup, StorePopup, ParsePopup, FormatPopup,
     OneIntegerToJson, OneNumberFromJson, nullptr, RangePopup, DescribePopup, DescribePopupJson},
    {PF_Param_CHECKBOX, "checkbox", "on or off", ReadCheckbox, DefaultCheckbox, StoreCheckbox, ParseCheckbox,
     FormatCheckbox, OneIntegerToJson, CheckboxFromJson, nullptr, RangeCheckbox, DescribeCheckbox, nullptr},
    {PF_Param_COLOR, "color", "red,green,blue", ReadColor, DefaultColor, StoreColor, ParseColor, FormatColor,
     ColorToJson, ColorFromJson, LerpRounded, RangeColor, DescribeColor, nullptr},
    {PF_Param_POINT, "point", "x,y", ReadPoint, DefaultPoint, StorePoint, ParsePoint, FormatPoint, PointToJson,
     PointFromJson, LerpAll, RangePoint, DescribePoint, DescribePointJson},
    WithoutValue(PF_Param_LAYER, "layer", "an image", DescribeLayer, DescribeLayerJson),
    WithoutValue(PF_Param_NO_DATA, "no-data", "nothing", DescribeNoData, DescribeNoDataJson),
    WithoutValue(PF_Param_GROUP_START, "group-start"),
    WithoutValue(PF_Param_GROUP_END, "group-end"),
    WithoutValue(PF_Param_CUSTOM, "custom"),
    WithoutValue(PF_Param_FLOAT_SLIDER, "float"),
    WithoutValue(PF_Param_ARBITRARY_DATA, "arbitrary"),
    WithoutValue(PF_Param_PATH, "path"),
    WithoutValue(PF_Param_BUTTON, "button"),
    WithoutValue(PF_Param_POINT_3D, "point-3d"),
};

} // namespace

const ParamTypeOps& ParamType(PF_ParamType type)
{
    static const ParamTypeOps unknown = WithoutValue(PF_Param_RESERVED, "unknown");
    for (const ParamTypeOps& t : Types)
        if (t.type == type)
            return t;
    return unknown;
}

double FromFixed(PF_Fixed v)
{
    for (double scale = 1.0; scale <= 1e10; scale *= 10.0) {
        const double shown = std::round(v / FixedOne * scale) / scale;
        if (std::round(shown * FixedOne) == double(v))
            return shown;
    }
    return v / FixedOne;
}

double ShownFixed(double v)
{
    const double scaled = std::round(v * FixedOne);
    if (!std::isfinite(scaled) || scaled < -2147483648.0 || scaled > 2147483647.0)
        return v;
    return FromFixed(PF_Fixed(scaled));
}

std::string FormatNumber(double v)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.10g", v);
    return buf;
}

bool ParseNumber(const std::string& text, double& value)
{
    const char* begin = text.c_str();
    char* end = nullptr;
    value = std::strtod(begin, &end);
    while (end && (*end == ' ' || *end == '\t'))
        ++end;
    return end != begin && end && *end == '\0' && std::isfinite(value);
}

std::vector<std::string> SplitText(const std::string& text, char separator)
{
    std::vector<std::string> out;
    std::string item;
    for (char c : text) {
        if (c == separator) {
            out.push_back(item);
            item.clear();
        } else {
            item += c;
        }
    }
    out.push_back(item);
    return out;
}

// Parameter names, values in user units, and their text and JSON forms.
#include "host/param_values.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace {

constexpr double FixedOne = 65536.0;

// Shown values keep four decimals: enough for the two a fixed slider displays, and 0.1 (stored
// as 0x199A) reads back as 0.1 rather than 0.100006.
double FromFixed(PF_Fixed v) { return std::round(v / FixedOne * 10000.0) / 10000.0; }

bool ToFixedChecked(double v, PF_Fixed& out)
{
    double scaled = std::round(v * FixedOne);
    if (!std::isfinite(scaled) || scaled < -2147483648.0 || scaled > 2147483647.0)
        return false;
    out = PF_Fixed(scaled);
    return true;
}

std::string FormatNumber(double v)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

bool ValidIndex(const HostSession& s, int32_t index) { return index >= 0 && size_t(index) < s.defaults.size(); }

const char* PopupNames(const PF_ParamDef& p) { return p.u.pd.u.namesptr ? p.u.pd.u.namesptr : ""; }

std::vector<std::string> SplitChoices(const char* names, char separator = '|')
{
    std::vector<std::string> out;
    std::string item;
    for (const char* c = names; *c; ++c) {
        if (*c == separator) {
            out.push_back(item);
            item.clear();
        } else {
            item += *c;
        }
    }
    out.push_back(item);
    return out;
}

std::string RecordName(const PF_ParamDef& p) { return std::string(p.name, strnlen(p.name, sizeof p.name)); }

bool HasValue(PF_ParamType t)
{
    return t == PF_Param_FIX_SLIDER || t == PF_Param_SLIDER || t == PF_Param_ANGLE || t == PF_Param_POPUP ||
           t == PF_Param_CHECKBOX || t == PF_Param_COLOR || t == PF_Param_POINT;
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

bool ParseList(const std::string& text, std::vector<double>& values)
{
    values.clear();
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) {
        double v;
        if (!ParseNumber(item, v))
            return false;
        values.push_back(v);
    }
    return !values.empty();
}

std::string OutOfRange(const std::string& key, double v, double lo, double hi)
{
    return "\"" + key + "\": " + FormatNumber(v) + " is outside its valid range " + FormatNumber(lo) + " to " +
           FormatNumber(hi);
}

} // namespace

std::string ParamTypeName(PF_ParamType type)
{
    switch (type) {
    case PF_Param_LAYER: return "layer";
    case PF_Param_SLIDER: return "slider";
    case PF_Param_FIX_SLIDER: return "fixed";
    case PF_Param_ANGLE: return "angle";
    case PF_Param_CHECKBOX: return "checkbox";
    case PF_Param_COLOR: return "color";
    case PF_Param_POINT: return "point";
    case PF_Param_POPUP: return "popup";
    case PF_Param_CUSTOM: return "custom";
    case PF_Param_NO_DATA: return "no-data";
    case PF_Param_FLOAT_SLIDER: return "float";
    case PF_Param_ARBITRARY_DATA: return "arbitrary";
    case PF_Param_PATH: return "path";
    case PF_Param_GROUP_START: return "group-start";
    case PF_Param_GROUP_END: return "group-end";
    case PF_Param_BUTTON: return "button";
    case PF_Param_POINT_3D: return "point-3d";
    default: return "type " + std::to_string(type);
    }
}

std::string ParamGroupPath(const HostSession& session, int32_t index)
{
    std::vector<std::string> groups;
    for (int32_t i = 1; i < index && size_t(i) < session.defaults.size(); ++i) {
        const PF_ParamDef& p = session.defaults[size_t(i)];
        if (p.param_type == PF_Param_GROUP_START)
            groups.push_back(RecordName(p));
        else if (p.param_type == PF_Param_GROUP_END && !groups.empty())
            groups.pop_back();
    }
    std::string path;
    for (const std::string& g : groups)
        path += (path.empty() ? "" : "/") + g;
    return path;
}

std::string ParamKey(const HostSession& session, int32_t index)
{
    if (!ValidIndex(session, index))
        return std::string();
    if (index == 0)
        return "(input layer)";
    const PF_ParamDef& p = session.defaults[size_t(index)];
    if (p.param_type == PF_Param_GROUP_END) {
        // The start it closes is the nearest unmatched group start before it.
        int depth = 0;
        for (int32_t i = index - 1; i >= 1; --i) {
            const PF_ParamDef& q = session.defaults[size_t(i)];
            if (q.param_type == PF_Param_GROUP_END)
                ++depth;
            else if (q.param_type == PF_Param_GROUP_START && depth-- == 0)
                return "(end of " + RecordName(q) + ")";
        }
        return "(end of group)";
    }
    const std::string name = RecordName(p);
    for (size_t i = 1; i < session.defaults.size(); ++i) {
        const PF_ParamDef& q = session.defaults[i];
        if (int32_t(i) != index && q.param_type != PF_Param_GROUP_END && RecordName(q) == name) {
            std::string group = ParamGroupPath(session, index);
            return group.empty() ? name : group + "/" + name;
        }
    }
    return name;
}

int32_t FindParam(const HostSession& session, const std::string& name, std::string& error)
{
    for (size_t i = 1; i < session.defaults.size(); ++i)
        if (ParamKey(session, int32_t(i)) == name)
            return int32_t(i);
    for (size_t i = 1; i < session.defaults.size(); ++i) {
        std::string group = ParamGroupPath(session, int32_t(i));
        if (!group.empty() && group + "/" + RecordName(session.defaults[i]) == name)
            return int32_t(i);
    }
    error = "no parameter \"" + name + "\"";
    return -1;
}

bool SetParamNumber(HostSession& session, int32_t index, double value, std::string& error)
{
    if (!ValidIndex(session, index) || size_t(index) >= session.values.size()) {
        error = "no parameter " + std::to_string(index);
        return false;
    }
    const std::string key = ParamKey(session, index);
    if (!std::isfinite(value)) {
        error = "\"" + key + "\": the value is not a finite number";
        return false;
    }
    const PF_ParamDef& def = session.defaults[size_t(index)];
    PF_ParamDef& cur = session.values[size_t(index)];
    switch (def.param_type) {
    case PF_Param_FIX_SLIDER: {
        double lo = FromFixed(def.u.fd.valid_min), hi = FromFixed(def.u.fd.valid_max);
        PF_Fixed f;
        if (value < lo || value > hi || !ToFixedChecked(value, f)) {
            error = OutOfRange(key, value, lo, hi);
            return false;
        }
        cur.u.fd.value = f;
        return true;
    }
    case PF_Param_SLIDER:
        if (value != std::floor(value) || value < def.u.sd.valid_min || value > def.u.sd.valid_max) {
            error = OutOfRange(key, value, def.u.sd.valid_min, def.u.sd.valid_max) + " of whole numbers";
            return false;
        }
        cur.u.sd.value = PF_ParamValue(value);
        return true;
    case PF_Param_ANGLE: {
        // The control has no range of its own: any angle a 16.16 number holds.
        PF_Fixed f;
        if (!ToFixedChecked(value, f)) {
            error = OutOfRange(key, value, -32768, 32767);
            return false;
        }
        cur.u.ad.value = f;
        return true;
    }
    case PF_Param_POPUP:
        if (value != std::floor(value) || value < 1 || value > def.u.pd.num_choices) {
            error = OutOfRange(key, value, 1, def.u.pd.num_choices) + " of choice numbers";
            return false;
        }
        cur.u.pd.value = PF_ParamValue(value);
        return true;
    case PF_Param_CHECKBOX:
        if (value != 0 && value != 1) {
            error = "\"" + key + "\": a checkbox is 0 or 1";
            return false;
        }
        cur.u.bd.value = PF_ParamValue(value);
        return true;
    default:
        error = "\"" + key + "\" (" + ParamTypeName(def.param_type) + ") takes no single number";
        return false;
    }
}

bool SetParamColor(HostSession& session, int32_t index, int red, int green, int blue, std::string& error)
{
    if (!ValidIndex(session, index) || session.defaults[size_t(index)].param_type != PF_Param_COLOR) {
        error = "parameter " + std::to_string(index) + " is not a colour";
        return false;
    }
    for (int c : {red, green, blue})
        if (c < 0 || c > 255) {
            error = "\"" + ParamKey(session, index) + "\": colour channels are 0 to 255";
            return false;
        }
    PF_Pixel& v = session.values[size_t(index)].u.cd.value;
    v.red = A_u_char(red);
    v.green = A_u_char(green);
    v.blue = A_u_char(blue);
    return true;
}

bool SetParamPoint(HostSession& session, int32_t index, double x, double y, std::string& error)
{
    if (!ValidIndex(session, index) || session.defaults[size_t(index)].param_type != PF_Param_POINT) {
        error = "parameter " + std::to_string(index) + " is not a point";
        return false;
    }
    PF_Fixed fx, fy;
    if (!ToFixedChecked(x, fx) || !ToFixedChecked(y, fy)) {
        error = "\"" + ParamKey(session, index) + "\": the point lies outside the 16.16 range";
        return false;
    }
    session.values[size_t(index)].u.td.x_value = fx;
    session.values[size_t(index)].u.td.y_value = fy;
    return true;
}

bool SetParamFromText(HostSession& session, int32_t index, const std::string& text, std::string& error)
{
    if (!ValidIndex(session, index)) {
        error = "no parameter " + std::to_string(index);
        return false;
    }
    const PF_ParamDef& def = session.defaults[size_t(index)];
    const std::string key = ParamKey(session, index);
    std::vector<double> list;
    switch (def.param_type) {
    case PF_Param_COLOR:
        if (!ParseList(text, list) || list.size() != 3) {
            error = "\"" + key + "\": a colour is red,green,blue";
            return false;
        }
        for (double c : list)
            if (c != std::floor(c) || c < 0 || c > 255) {
                error = "\"" + key + "\": colour channels are whole numbers 0 to 255";
                return false;
            }
        return SetParamColor(session, index, int(list[0]), int(list[1]), int(list[2]), error);
    case PF_Param_POINT: {
        // Each coordinate in layer pixels, or with "%" in percent of the layer's side, so that
        // "50%,100%" is the bottom centre of a layer of any size.
        std::vector<std::string> parts = SplitChoices(text.c_str(), ',');
        double xy[2];
        bool ok = parts.size() == 2;
        for (size_t i = 0; ok && i < 2; ++i) {
            std::string part = parts[i];
            while (!part.empty() && (part.back() == ' ' || part.back() == '\t'))
                part.pop_back();
            const bool percent = !part.empty() && part.back() == '%';
            if (percent)
                part.pop_back();
            ok = ParseNumber(part, xy[i]);
            if (ok && percent)
                xy[i] = xy[i] / 100.0 * double(i == 0 ? session.in.width : session.in.height);
        }
        if (!ok) {
            error = "\"" + key + "\": a point is x,y in layer pixels or x%,y% of the layer";
            return false;
        }
        return SetParamPoint(session, index, xy[0], xy[1], error);
    }
    case PF_Param_POPUP: {
        std::vector<std::string> choices = SplitChoices(PopupNames(def));
        for (size_t i = 0; i < choices.size(); ++i)
            if (choices[i] == text)
                return SetParamNumber(session, index, double(i + 1), error);
        break;
    }
    case PF_Param_CHECKBOX:
        if (text == "on" || text == "true")
            return SetParamNumber(session, index, 1, error);
        if (text == "off" || text == "false")
            return SetParamNumber(session, index, 0, error);
        break;
    default: break;
    }
    double v;
    if (!ParseNumber(text, v)) {
        error = "\"" + key + "\": \"" + text + "\" is not a value of a " + ParamTypeName(def.param_type);
        return false;
    }
    return SetParamNumber(session, index, v, error);
}

std::string DescribeParam(const HostSession& session, int32_t index)
{
    if (!ValidIndex(session, index))
        return std::string();
    const PF_ParamDef& p = session.defaults[size_t(index)];
    std::ostringstream line;
    char head[96];
    std::snprintf(head, sizeof head, "%2d  ", int(index));
    line << head;
    std::string key = ParamKey(session, index);
    line << key << std::string(key.size() < 40 ? 40 - key.size() : 1, ' ');
    std::string type = ParamTypeName(p.param_type);
    line << type << std::string(type.size() < 12 ? 12 - type.size() : 1, ' ');
    switch (p.param_type) {
    case PF_Param_FIX_SLIDER:
        line << "valid " << FormatNumber(FromFixed(p.u.fd.valid_min)) << " to " << FormatNumber(FromFixed(p.u.fd.valid_max))
             << ", slider " << FormatNumber(FromFixed(p.u.fd.slider_min)) << " to "
             << FormatNumber(FromFixed(p.u.fd.slider_max)) << ", default " << FormatNumber(FromFixed(p.u.fd.dephault))
             << ", precision " << p.u.fd.precision;
        break;
    case PF_Param_SLIDER:
        line << "valid " << p.u.sd.valid_min << " to " << p.u.sd.valid_max << ", slider " << p.u.sd.slider_min << " to "
             << p.u.sd.slider_max << ", default " << p.u.sd.dephault;
        break;
    case PF_Param_ANGLE: line << "default " << FormatNumber(FromFixed(p.u.ad.dephault)) << " degrees"; break;
    case PF_Param_POPUP: {
        std::vector<std::string> choices = SplitChoices(PopupNames(p));
        int d = p.u.pd.dephault;
        line << "default " << d;
        if (d >= 1 && size_t(d) <= choices.size())
            line << " (" << choices[size_t(d - 1)] << ")";
        line << " of " << p.u.pd.num_choices << ": " << PopupNames(p);
        break;
    }
    case PF_Param_CHECKBOX: line << "default " << (p.u.bd.dephault ? "on" : "off"); break;
    case PF_Param_COLOR:
        line << "default red " << int(p.u.cd.dephault.red) << ", green " << int(p.u.cd.dephault.green) << ", blue "
             << int(p.u.cd.dephault.blue);
        break;
    case PF_Param_POINT:
        line << "default x " << FormatNumber(FromFixed(p.u.td.x_dephault)) << " %, y "
             << FormatNumber(FromFixed(p.u.td.y_dephault)) << " % of the layer";
        break;
    case PF_Param_LAYER:
        if (index > 0)
            line << "default " << (p.u.ld.dephault == PF_LayerDefault_NONE ? "no layer" : "this layer");
        break;
    case PF_Param_NO_DATA:
        if (p.ui_flags & PF_PUI_CONTROL)
            line << "custom control " << p.ui_width << " x " << p.ui_height;
        break;
    default: break;
    }
    if (p.uu.id != 0)
        line << ", id " << p.uu.id;
    if (p.flags != 0)
        line << ", flags " << p.flags;
    std::string s = line.str();
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return s;
}

namespace {

nlohmann::ordered_json ValueJson(const PF_ParamDef& def, const PF_ParamDef& cur, bool wantDefault)
{
    switch (def.param_type) {
    case PF_Param_FIX_SLIDER: return FromFixed(wantDefault ? def.u.fd.dephault : cur.u.fd.value);
    case PF_Param_SLIDER: return wantDefault ? def.u.sd.dephault : cur.u.sd.value;
    case PF_Param_ANGLE: return FromFixed(wantDefault ? def.u.ad.dephault : cur.u.ad.value);
    case PF_Param_POPUP: return wantDefault ? int(def.u.pd.dephault) : int(cur.u.pd.value);
    case PF_Param_CHECKBOX: return wantDefault ? int(def.u.bd.dephault) : int(cur.u.bd.value);
    case PF_Param_COLOR: {
        const PF_Pixel& c = wantDefault ? def.u.cd.dephault : cur.u.cd.value;
        return nlohmann::ordered_json::array({c.red, c.green, c.blue});
    }
    case PF_Param_POINT:
        // The default is in percent of the layer, the value in layer pixels.
        if (wantDefault)
            return nlohmann::ordered_json::array({FromFixed(def.u.td.x_dephault), FromFixed(def.u.td.y_dephault)});
        return nlohmann::ordered_json::array({FromFixed(cur.u.td.x_value), FromFixed(cur.u.td.y_value)});
    default: return nullptr;
    }
}

} // namespace

nlohmann::ordered_json ParamToJson(const HostSession& session, int32_t index)
{
    nlohmann::ordered_json j;
    if (!ValidIndex(session, index))
        return j;
    const PF_ParamDef& p = session.defaults[size_t(index)];
    const PF_ParamDef& cur = size_t(index) < session.values.size() ? session.values[size_t(index)] : p;
    j["index"] = index;
    j["name"] = RecordName(p);
    j["key"] = ParamKey(session, index);
    j["group"] = ParamGroupPath(session, index);
    j["type"] = ParamTypeName(p.param_type);
    switch (p.param_type) {
    case PF_Param_FIX_SLIDER:
        j["valid"] = {FromFixed(p.u.fd.valid_min), FromFixed(p.u.fd.valid_max)};
        j["slider"] = {FromFixed(p.u.fd.slider_min), FromFixed(p.u.fd.slider_max)};
        j["precision"] = p.u.fd.precision;
        break;
    case PF_Param_SLIDER:
        j["valid"] = {p.u.sd.valid_min, p.u.sd.valid_max};
        j["slider"] = {p.u.sd.slider_min, p.u.sd.slider_max};
        break;
    case PF_Param_POPUP: j["choices"] = SplitChoices(PopupNames(p)); break;
    case PF_Param_POINT: j["default_unit"] = "percent"; break;
    case PF_Param_LAYER: j["default"] = p.u.ld.dephault == PF_LayerDefault_NONE ? "none" : "this layer"; break;
    case PF_Param_NO_DATA:
        j["ui_flags"] = p.ui_flags;
        j["ui_size"] = {p.ui_width, p.ui_height};
        break;
    default: break;
    }
    if (HasValue(p.param_type)) {
        j["default"] = ValueJson(p, cur, true);
        j["value"] = ValueJson(p, cur, false);
    }
    j["id"] = p.uu.id;
    j["flags"] = p.flags;
    return j;
}

nlohmann::ordered_json ParamsToJson(const HostSession& session)
{
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (size_t i = 1; i < session.defaults.size(); ++i)
        list.push_back(ParamToJson(session, int32_t(i)));
    return nlohmann::ordered_json{{"parameters", list}};
}

bool ApplyParamsJson(HostSession& session, const nlohmann::ordered_json& file, std::string& error,
                     std::vector<int32_t>* setIndices)
{
    if (!file.is_object() || !file.contains("parameters") || !file["parameters"].is_array()) {
        error = "a parameter file holds an object with a \"parameters\" array";
        return false;
    }
    for (const nlohmann::ordered_json& entry : file["parameters"]) {
        if (!entry.is_object() || !entry.contains("value"))
            continue;
        int32_t index = -1;
        if (entry.contains("key") && entry["key"].is_string()) {
            if ((index = FindParam(session, entry["key"].get<std::string>(), error)) < 0)
                return false;
        } else if (entry.contains("index") && entry["index"].is_number_integer()) {
            index = entry["index"].get<int32_t>();
        } else {
            error = "a parameter entry needs a \"key\" or an \"index\"";
            return false;
        }
        const nlohmann::ordered_json& v = entry["value"];
        bool ok;
        if (v.is_number())
            ok = SetParamNumber(session, index, v.get<double>(), error);
        else if (v.is_boolean())
            ok = SetParamNumber(session, index, v.get<bool>() ? 1 : 0, error);
        else if (v.is_string())
            ok = SetParamFromText(session, index, v.get<std::string>(), error);
        else if (v.is_array() && v.size() == 3 && v[0].is_number_integer() && v[1].is_number_integer() &&
                 v[2].is_number_integer())
            ok = SetParamColor(session, index, v[0].get<int>(), v[1].get<int>(), v[2].get<int>(), error);
        else if (v.is_array() && v.size() == 2 && v[0].is_number() && v[1].is_number())
            ok = SetParamPoint(session, index, v[0].get<double>(), v[1].get<double>(), error);
        else {
            error = "parameter " + std::to_string(index) + ": a value is a number, a string or a list";
            ok = false;
        }
        if (!ok)
            return false;
        if (setIndices)
            setIndices->push_back(index);
    }
    return true;
}

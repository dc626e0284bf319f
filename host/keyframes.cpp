// Parsing `--set` values and keyframes, and interpolating them per frame.
#include "host/keyframes.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "host/param_values.h"

namespace {

std::string Number(double v)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

std::string Trim(const std::string& s)
{
    const size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos)
        return std::string();
    const size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

bool ParseFrame(const std::string& text, int32_t& frame)
{
    const std::string t = Trim(text);
    if (t.empty() || t.find_first_not_of("0123456789") != std::string::npos || t.size() > 9)
        return false;
    frame = int32_t(std::strtol(t.c_str(), nullptr, 10));
    return true;
}

// What the parameter holds after a setter accepted a value, in the setters' own units.
std::vector<double> ReadBack(const HostSession& session, int32_t index)
{
    const PF_ParamDef& p = session.values[size_t(index)];
    switch (p.param_type) {
    case PF_Param_FIX_SLIDER: return {p.u.fd.value / 65536.0};
    case PF_Param_SLIDER: return {double(p.u.sd.value)};
    case PF_Param_ANGLE: return {p.u.ad.value / 65536.0};
    case PF_Param_POPUP: return {double(p.u.pd.value)};
    case PF_Param_CHECKBOX: return {double(p.u.bd.value)};
    case PF_Param_COLOR: return {double(p.u.cd.value.red), double(p.u.cd.value.green), double(p.u.cd.value.blue)};
    case PF_Param_POINT: return {p.u.td.x_value / 65536.0, p.u.td.y_value / 65536.0};
    default: return {};
    }
}

// Between a and b at t in [0, 1], never outside the two (rounding could step past an end that
// sits on the edge of the valid range).
double Lerp(double a, double b, double t)
{
    const double v = a + (b - a) * t;
    return std::min(std::max(v, std::min(a, b)), std::max(a, b));
}

bool SetValues(HostSession& session, int32_t index, const std::vector<double>& v, std::string& error)
{
    switch (session.defaults[size_t(index)].param_type) {
    case PF_Param_COLOR:
        return SetParamColor(session, index, int(std::lround(v[0])), int(std::lround(v[1])), int(std::lround(v[2])),
                             error);
    case PF_Param_POINT: return SetParamPoint(session, index, v[0], v[1], error);
    case PF_Param_SLIDER: return SetParamNumber(session, index, std::round(v[0]), error);
    default: return SetParamNumber(session, index, v[0], error);
    }
}

bool Held(PF_ParamType type) { return type == PF_Param_POPUP || type == PF_Param_CHECKBOX; }

} // namespace

std::string ParamRangeText(const HostSession& session, int32_t index)
{
    if (index < 0 || size_t(index) >= session.defaults.size())
        return std::string();
    const PF_ParamDef& p = session.defaults[size_t(index)];
    switch (p.param_type) {
    case PF_Param_FIX_SLIDER:
        return Number(std::round(p.u.fd.valid_min / 65536.0 * 10000.0) / 10000.0) + " to " +
               Number(std::round(p.u.fd.valid_max / 65536.0 * 10000.0) / 10000.0);
    case PF_Param_SLIDER: return "whole numbers " + std::to_string(p.u.sd.valid_min) + " to " + std::to_string(p.u.sd.valid_max);
    case PF_Param_ANGLE: return "any angle in degrees";
    case PF_Param_POPUP:
        return "1 to " + std::to_string(p.u.pd.num_choices) + " or a name of " +
               std::string(p.u.pd.u.namesptr ? p.u.pd.u.namesptr : "");
    case PF_Param_CHECKBOX: return "0, 1, on or off";
    case PF_Param_COLOR: return "red,green,blue each 0 to 255";
    case PF_Param_POINT: return "x,y in layer pixels, or x%,y% of the layer";
    default: return "no value (" + ParamTypeName(p.param_type) + ")";
    }
}

bool ParseSetting(HostSession& session, const std::string& setting, ParamSetting& parsed, std::string& error)
{
    const size_t eq = setting.find('=');
    if (eq == std::string::npos || eq == 0) {
        error = "--set \"" + setting + "\": expected NAME=VALUE";
        return false;
    }
    const std::string name = setting.substr(0, eq);
    const std::string valueText = setting.substr(eq + 1);
    const int32_t index = FindParam(session, name, error);
    if (index < 0) {
        error += " (`velmora params` lists the names; a repeated name takes its group, e.g. \"Material of tree/Diffuse\")";
        return false;
    }
    parsed = ParamSetting();
    parsed.index = index;
    parsed.key = ParamKey(session, index);
    const std::string where = "\"" + parsed.key + "\" (" + ParamRangeText(session, index) + ")";

    // The keys as written: a key runs up to and including its "@frame" part.
    std::vector<std::pair<std::string, std::string>> items;
    if (valueText.find('@') == std::string::npos) {
        items.emplace_back(valueText, "0");
    } else {
        parsed.keyframed = true;
        std::string pending;
        size_t start = 0;
        while (start <= valueText.size()) {
            size_t comma = valueText.find(',', start);
            if (comma == std::string::npos)
                comma = valueText.size();
            const std::string token = valueText.substr(start, comma - start);
            const size_t at = token.find('@');
            if (at == std::string::npos) {
                pending += (pending.empty() ? "" : ",") + token;
            } else {
                if (token.find('@', at + 1) != std::string::npos) {
                    error = where + ": keyframe \"" + token + "\" has two frames; keys are VALUE@FRAME, separated by commas";
                    return false;
                }
                items.emplace_back(pending + (pending.empty() ? "" : ",") + token.substr(0, at), token.substr(at + 1));
                pending.clear();
            }
            start = comma + 1;
        }
        if (!pending.empty() || Trim(valueText).empty()) {
            error = where + ": \"" + pending + "\" has no @FRAME; keys are VALUE@FRAME, separated by commas";
            return false;
        }
    }

    // Each value goes through the parameter's own setter, which checks type and range; the
    // current value is put back afterwards.
    const PF_ParamDef saved = session.values[size_t(index)];
    bool ok = true;
    for (const auto& item : items) {
        Keyframe k;
        k.text = Trim(item.first);
        if (!ParseFrame(item.second, k.frame)) {
            error = where + ": \"" + item.second + "\" in \"" + item.first + "@" + item.second +
                    "\" is not a frame number (0 or more)";
            ok = false;
            break;
        }
        if (k.text.empty()) {
            error = where + (parsed.keyframed ? ": the key at frame " + std::to_string(k.frame) + " has no value"
                                              : ": no value given");
            ok = false;
            break;
        }
        std::string why;
        if (!SetParamFromText(session, index, k.text, why)) {
            // The setter names the parameter; its range is added where the message lacks it.
            error = why;
            if (why.find("range") == std::string::npos)
                error += " (valid: " + ParamRangeText(session, index) + ")";
            ok = false;
            break;
        }
        k.values = ReadBack(session, index);
        if (!parsed.keys.empty() && k.frame <= parsed.keys.back().frame) {
            error = where + ": keyframes must be in increasing frame order, but frame " + std::to_string(k.frame) +
                    " follows frame " + std::to_string(parsed.keys.back().frame);
            ok = false;
            break;
        }
        parsed.keys.push_back(k);
    }
    session.values[size_t(index)] = saved;
    return ok;
}

bool ApplySetting(HostSession& session, const ParamSetting& setting, int32_t frame, std::string& error)
{
    if (setting.keys.empty() || setting.index < 0 || size_t(setting.index) >= session.values.size()) {
        error = "a setting without a value";
        return false;
    }
    const std::vector<Keyframe>& keys = setting.keys;
    if (!setting.keyframed || frame <= keys.front().frame)
        return SetValues(session, setting.index, keys.front().values, error);
    if (frame >= keys.back().frame)
        return SetValues(session, setting.index, keys.back().values, error);
    size_t next = 1;
    while (keys[next].frame <= frame)
        ++next;
    const Keyframe& a = keys[next - 1];
    const Keyframe& b = keys[next];
    if (Held(session.defaults[size_t(setting.index)].param_type))
        return SetValues(session, setting.index, a.values, error);
    const double t = double(frame - a.frame) / double(b.frame - a.frame);
    std::vector<double> v(a.values.size());
    for (size_t i = 0; i < v.size(); ++i)
        v[i] = Lerp(a.values[i], b.values[i], t);
    return SetValues(session, setting.index, v, error);
}

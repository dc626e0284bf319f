// Parsing `--set` values and keyframes, and interpolating them per frame.
#include "host/keyframes.h"

#include <cstdlib>

#include "host/param_values.h"

namespace {

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

} // namespace

std::string ParamRangeText(const HostSession& session, int32_t index)
{
    if (index < 0 || size_t(index) >= session.defaults.size())
        return std::string();
    const PF_ParamDef& p = session.defaults[size_t(index)];
    const ParamTypeOps& ops = ParamType(p.param_type);
    return ops.range ? ops.range(p) : "no value (" + ParamTypeName(p.param_type) + ")";
}

bool ParseSetting(HostSession& session, const std::string& setting, ParamSetting& parsed, std::string& error)
{
    const size_t eq = setting.find('=');
    if (eq == std::string::npos || eq == 0) {
        error = "--set \"" + setting + "\": expected NAME=VALUE";
        return false;
    }
    const int32_t index = FindParam(session, setting.substr(0, eq), error);
    if (index < 0) {
        if (error.find("did you mean") == std::string::npos && error.find("give its group") == std::string::npos)
            error += " (`velmora params` lists the names)";
        error = "--set: " + error;
        return false;
    }
    return ParseSettingValue(session, index, setting.substr(eq + 1), parsed, error);
}

bool ParseSettingValue(HostSession& session, int32_t index, const std::string& valueText, ParamSetting& parsed,
                       std::string& error)
{
    const std::string where = "\"" + ParamKey(session, index) + "\" (" + ParamRangeText(session, index) + ")";

    // The keys as written: a key runs up to and including its "@frame" part.
    std::vector<std::pair<std::string, std::string>> items;
    const bool keyframed = valueText.find('@') != std::string::npos;
    if (!keyframed) {
        items.emplace_back(valueText, "0");
    } else {
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

    std::vector<Keyframe> keys;
    for (const auto& item : items) {
        Keyframe k;
        k.text = Trim(item.first);
        if (!ParseFrame(item.second, k.frame)) {
            error = where + ": \"" + item.second + "\" in \"" + item.first + "@" + item.second +
                    "\" is not a frame number (0 or more)";
            return false;
        }
        if (k.text.empty()) {
            error = where + (keyframed ? ": the key at frame " + std::to_string(k.frame) + " has no value"
                                       : ": no value given");
            return false;
        }
        if (!ParseParamText(session, index, k.text, k.value, error))
            return false;
        keys.push_back(k);
    }
    return SettingFromKeys(session, index, keys, keyframed, parsed, error);
}

bool SettingFromKeys(HostSession& session, int32_t index, const std::vector<Keyframe>& keys, bool keyframed,
                     ParamSetting& parsed, std::string& error)
{
    if (index < 0 || size_t(index) >= session.values.size() || keys.empty()) {
        error = keys.empty() ? "a setting without a value" : "no parameter " + std::to_string(index);
        return false;
    }
    parsed = ParamSetting();
    parsed.index = index;
    parsed.key = ParamKey(session, index);
    parsed.keyframed = keyframed;
    const std::string where = "\"" + parsed.key + "\" (" + ParamRangeText(session, index) + ")";
    // Each value goes through the parameter's own setter, which checks type and range and names
    // both; the key keeps what the parameter then holds. The current value is put back.
    const PF_ParamDef saved = session.values[size_t(index)];
    bool ok = true;
    for (const Keyframe& key : keys) {
        if (!SetParamValue(session, index, key.value, error)) {
            ok = false;
            break;
        }
        Keyframe k = key;
        const PF_ParamDef& stored = session.values[size_t(index)];
        k.value = ParamType(stored.param_type).read(stored);
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
        return SetParamValue(session, setting.index, keys.front().value, error);
    if (frame >= keys.back().frame)
        return SetParamValue(session, setting.index, keys.back().value, error);
    size_t next = 1;
    while (keys[next].frame <= frame)
        ++next;
    const Keyframe& a = keys[next - 1];
    const Keyframe& b = keys[next];
    const ParamTypeOps& ops = ParamType(session.defaults[size_t(setting.index)].param_type);
    if (!ops.interpolate)
        return SetParamValue(session, setting.index, a.value, error);
    const double t = double(frame - a.frame) / double(b.frame - a.frame);
    return SetParamValue(session, setting.index, ops.interpolate(a.value, b.value, t), error);
}

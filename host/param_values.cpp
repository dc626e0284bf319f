// Parameter names, setting values through the type table, listings and the JSON form.
#include "host/param_values.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cmath>
#include <cstring>

#include "effect/params.h"
#include "host/param_file.h"

namespace {

using json = nlohmann::ordered_json;

bool ValidIndex(const HostSession& s, int32_t index) { return index >= 0 && size_t(index) < s.defaults.size(); }

std::string RecordName(const PF_ParamDef& p) { return std::string(p.name, strnlen(p.name, sizeof p.name)); }

std::string Lower(std::string s)
{
    for (char& c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The group path and name of a parameter, which names it even where its key does not.
std::string FullName(const HostSession& session, int32_t index)
{
    const std::string group = ParamGroupPath(session, index);
    const std::string name = RecordName(session.defaults[size_t(index)]);
    return group.empty() ? name : group + "/" + name;
}

// Edits (insertions, deletions, substitutions) between two texts: how far a misspelt name is.
size_t EditDistance(const std::string& a, const std::string& b)
{
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// What to give instead of a value for a layer parameter: the option of the render command that
// supplies the layer's image.
std::string LayerOption(int32_t index)
{
    switch (index) {
    case PARAM_INPUT: return "--layer";
    case PARAM_TREE_REFLECTION_LAYER: return "--tree-reflection";
    case PARAM_NEEDLE_REFLECTION_LAYER: return "--needle-reflection";
    default: return std::string();
    }
}

std::string TakesNoValue(const HostSession& session, int32_t index)
{
    const PF_ParamDef& def = session.defaults[size_t(index)];
    const std::string key = "\"" + ParamKey(session, index) + "\"";
    if (def.param_type != PF_Param_LAYER)
        return key + " (" + ParamTypeName(def.param_type) + ") takes no value";
    const std::string option = LayerOption(index);
    return key + " is a layer: " + (option.empty() ? "a setting cannot give it" : "give its image with " + option + " FILE");
}

// A default or a plain value as numbers: whole ones for the types that hold whole numbers.
json NumbersJson(const PF_ParamDef& p, const ParamValue& value)
{
    const bool whole = p.param_type == PF_Param_SLIDER || p.param_type == PF_Param_POPUP ||
                       p.param_type == PF_Param_CHECKBOX || p.param_type == PF_Param_COLOR;
    const auto one = [whole](double v) { return whole ? json(int(v)) : json(v); };
    if (value.count == 1)
        return one(value.v[0]);
    json list = json::array();
    for (int i = 0; i < value.count; ++i)
        list.push_back(one(value.v[i]));
    return list;
}

} // namespace

std::string ParamTypeName(PF_ParamType type)
{
    const ParamTypeOps& ops = ParamType(type);
    return ops.type == type ? ops.name : "type " + std::to_string(type);
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
    const size_t count = session.defaults.size();
    for (size_t i = 1; i < count; ++i)
        if (ParamKey(session, int32_t(i)) == name || FullName(session, int32_t(i)) == name)
            return int32_t(i);

    // Letter case aside: a key, a full name, or a bare name that may be shared by several.
    const std::string wanted = Lower(name);
    std::vector<int32_t> found;
    for (size_t i = 1; i < count; ++i) {
        const int32_t index = int32_t(i);
        if (session.defaults[i].param_type == PF_Param_GROUP_END)
            continue;
        if (Lower(ParamKey(session, index)) == wanted || Lower(FullName(session, index)) == wanted ||
            Lower(RecordName(session.defaults[i])) == wanted)
            found.push_back(index);
    }
    if (found.size() == 1)
        return found[0];
    if (found.size() > 1) {
        error = "\"" + name + "\" names " + std::to_string(found.size()) + " parameters; give its group:";
        for (size_t k = 0; k < found.size(); ++k)
            error += std::string(k == 0 ? " " : k + 1 == found.size() ? " or " : ", ") + "\"" +
                     FullName(session, found[k]) + "\"";
        return -1;
    }

    error = "no parameter \"" + name + "\"";
    size_t best = std::string::npos;
    std::string suggestion;
    for (size_t i = 1; i < count; ++i) {
        if (!ParamType(session.defaults[i].param_type).read && session.defaults[i].param_type != PF_Param_LAYER)
            continue;
        const std::string key = ParamKey(session, int32_t(i));
        const size_t d = EditDistance(wanted, Lower(key));
        if (d < best) {
            best = d;
            suggestion = key;
        }
    }
    if (best <= std::max<size_t>(2, wanted.size() / 4))
        error += "; did you mean \"" + suggestion + "\"?";
    return -1;
}

bool SetParamValue(HostSession& session, int32_t index, const ParamValue& value, std::string& error)
{
    if (!ValidIndex(session, index) || size_t(index) >= session.values.size()) {
        error = "no parameter " + std::to_string(index);
        return false;
    }
    const PF_ParamDef& def = session.defaults[size_t(index)];
    const ParamTypeOps& ops = ParamType(def.param_type);
    const std::string key = ParamKey(session, index);
    if (!ops.store) {
        error = TakesNoValue(session, index);
        return false;
    }
    for (int i = 0; i < value.count; ++i)
        if (!std::isfinite(value.v[i])) {
            error = "\"" + key + "\": the value is not a finite number";
            return false;
        }
    std::string why;
    if (!ops.store(def, value, session.values[size_t(index)], why)) {
        error = "\"" + key + "\": " + why;
        return false;
    }
    return true;
}

bool SetParamNumber(HostSession& session, int32_t index, double value, std::string& error)
{
    if (ValidIndex(session, index)) {
        const ParamTypeOps& ops = ParamType(session.defaults[size_t(index)].param_type);
        if (ops.readDefault && ops.readDefault(session.defaults[size_t(index)]).count != 1) {
            error = "\"" + ParamKey(session, index) + "\" takes " + ops.what + ", not a single number";
            return false;
        }
    }
    ParamValue v;
    v.count = 1;
    v.v[0] = value;
    return SetParamValue(session, index, v, error);
}

bool ParseParamText(const HostSession& session, int32_t index, const std::string& text, ParamValue& value,
                    std::string& error)
{
    if (!ValidIndex(session, index)) {
        error = "no parameter " + std::to_string(index);
        return false;
    }
    const PF_ParamDef& def = session.defaults[size_t(index)];
    const ParamTypeOps& ops = ParamType(def.param_type);
    if (!ops.parse) {
        error = TakesNoValue(session, index);
        return false;
    }
    std::string why;
    if (!ops.parse(session, def, text, value, why)) {
        error = "\"" + ParamKey(session, index) + "\": " + why + " (valid: " + ops.range(def) + ")";
        return false;
    }
    return true;
}

bool SetParamFromText(HostSession& session, int32_t index, const std::string& text, std::string& error)
{
    ParamValue value;
    return ParseParamText(session, index, text, value, error) && SetParamValue(session, index, value, error);
}

std::string DescribeParam(const HostSession& session, int32_t index)
{
    if (!ValidIndex(session, index))
        return std::string();
    const PF_ParamDef& p = session.defaults[size_t(index)];
    char head[16];
    std::snprintf(head, sizeof head, "%2d  ", int(index));
    std::string line = head;
    const std::string key = ParamKey(session, index);
    line += key + std::string(key.size() < 40 ? 40 - key.size() : 1, ' ');
    const std::string type = ParamTypeName(p.param_type);
    line += type + std::string(type.size() < 12 ? 12 - type.size() : 1, ' ');
    const ParamTypeOps& ops = ParamType(p.param_type);
    // The input layer is the host's own: it has no default to show.
    if (ops.describe && index > 0)
        line += ops.describe(p);
    if (p.uu.id != 0)
        line += ", id " + std::to_string(p.uu.id);
    if (p.flags != 0)
        line += ", flags " + std::to_string(p.flags);
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    return line;
}

json ParamToJson(const HostSession& session, int32_t index)
{
    json j;
    if (!ValidIndex(session, index))
        return j;
    const PF_ParamDef& p = session.defaults[size_t(index)];
    const PF_ParamDef& cur = size_t(index) < session.values.size() ? session.values[size_t(index)] : p;
    const ParamTypeOps& ops = ParamType(p.param_type);
    j["index"] = index;
    j["name"] = RecordName(p);
    j["key"] = ParamKey(session, index);
    j["group"] = ParamGroupPath(session, index);
    j["type"] = ParamTypeName(p.param_type);
    if (ops.describeJson)
        ops.describeJson(p, j);
    if (ops.read) {
        // The default as registered (a point's in percent, as "default_unit" says).
        j["default"] = NumbersJson(p, ops.readDefault(p));
        j["value"] = ops.toJson(session, p, ops.read(cur));
    }
    j["id"] = p.uu.id;
    j["flags"] = p.flags;
    return j;
}

json ParamsToJson(const HostSession& session)
{
    json list = json::array();
    for (size_t i = 1; i < session.defaults.size(); ++i)
        list.push_back(ParamToJson(session, int32_t(i)));
    return json{{"parameters", list}};
}

bool ApplyParamsJson(HostSession& session, const json& file, std::string& error, std::vector<int32_t>* setIndices)
{
    std::vector<ParamSetting> settings;
    if (!ReadParamsJson(session, file, settings, error))
        return false;
    for (const ParamSetting& setting : settings) {
        if (!ApplySetting(session, setting, 0, error))
            return false;
        if (setIndices)
            setIndices->push_back(setting.index);
    }
    return true;
}

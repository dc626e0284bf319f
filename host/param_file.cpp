// Reading and writing parameter files.
#include "host/param_file.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <fstream>

#include "host/frame_paths.h"
#include "host/param_descriptions.h"
#include "host/param_values.h"

namespace {

using json = nlohmann::ordered_json;

// The fields a file may hold: what `velmora params --json` writes, and nothing else.
const char* const FileFields[] = {"module", "num_params", "parameters"};
const char* const EntryFields[] = {"index",   "name",     "key",          "group", "type",     "description",
                                   "valid",   "slider",   "precision",    "choices", "default_unit", "default",
                                   "value",   "id",       "flags",        "ui_flags", "ui_size"};

template <size_t N>
bool Known(const std::string& field, const char* const (&fields)[N])
{
    return std::any_of(std::begin(fields), std::end(fields), [&](const char* f) { return field == f; });
}

// An older file's point in 1920x1080 layer pixels that is just its default there.
bool IsOldDefaultPoint(const PF_ParamDef& def, const json& value)
{
    if (def.param_type != PF_Param_POINT || !value.is_array() || value.size() != 2 || !value[0].is_number() ||
        !value[1].is_number())
        return false;
    const double x = FromFixed(def.u.td.x_dephault) * 1920.0 / 100.0;
    const double y = FromFixed(def.u.td.y_dephault) * 1080.0 / 100.0;
    return std::fabs(value[0].get<double>() - x) < 1e-3 && std::fabs(value[1].get<double>() - y) < 1e-3;
}

// A plain JSON value of the parameter's type: the text a setting takes, or the type's JSON form.
bool ReadPlainValue(const HostSession& session, int32_t index, const json& v, ParamValue& value, std::string& error)
{
    if (v.is_string())
        return ParseParamText(session, index, v.get<std::string>(), value, error);
    const PF_ParamDef& def = session.defaults[size_t(index)];
    const ParamTypeOps& ops = ParamType(def.param_type);
    std::string why;
    if (!ops.fromJson) {
        error = "\"" + ParamKey(session, index) + "\" (" + ParamTypeName(def.param_type) + ") takes no value";
        return false;
    }
    if (!ops.fromJson(session, def, v, value, why)) {
        error = "\"" + ParamKey(session, index) + "\": " + why;
        return false;
    }
    return true;
}

bool ReadValue(HostSession& session, int32_t index, const json& v, ParamSetting& setting, std::string& error)
{
    if (v.is_string())
        return ParseSettingValue(session, index, v.get<std::string>(), setting, error);
    if (v.is_array() && !v.empty() && std::all_of(v.begin(), v.end(), [](const json& k) { return k.is_object(); })) {
        std::vector<Keyframe> keys;
        for (const json& k : v) {
            for (const auto& field : k.items())
                if (field.key() != "frame" && field.key() != "value") {
                    error = "a key has the field \"" + field.key() + "\"; keys are {\"frame\": F, \"value\": V}";
                    return false;
                }
            if (!k.contains("frame") || !k["frame"].is_number_integer() || k["frame"].get<int64_t>() < 0 ||
                k["frame"].get<int64_t>() > INT32_MAX || !k.contains("value")) {
                error = "a key is {\"frame\": F, \"value\": V} with a frame of 0 or more, not " + k.dump();
                return false;
            }
            Keyframe key;
            key.frame = k["frame"].get<int32_t>();
            key.text = k["value"].dump();
            if (!ReadPlainValue(session, index, k["value"], key.value, error))
                return false;
            keys.push_back(key);
        }
        return SettingFromKeys(session, index, keys, true, setting, error);
    }
    Keyframe key;
    key.text = v.dump();
    return ReadPlainValue(session, index, v, key.value, error) &&
           SettingFromKeys(session, index, {key}, false, setting, error);
}

} // namespace

bool ReadParamsJson(HostSession& session, const json& file, std::vector<ParamSetting>& settings, std::string& error)
{
    settings.clear();
    if (!file.is_object() || !file.contains("parameters") || !file["parameters"].is_array()) {
        error = "a parameter file holds an object with a \"parameters\" list";
        return false;
    }
    for (const auto& field : file.items())
        if (!Known(field.key(), FileFields)) {
            error = "the file has a field \"" + field.key() + "\" that parameter files do not have";
            return false;
        }
    std::vector<int32_t> given(session.defaults.size(), 0);   // the entry that gave each a value
    int32_t number = 0;
    for (const json& entry : file["parameters"]) {
        ++number;
        std::string what = "parameter entry " + std::to_string(number);
        if (!entry.is_object()) {
            error = what + " is not an object";
            return false;
        }
        if (entry.contains("key") && entry["key"].is_string())
            what += " (\"" + entry["key"].get<std::string>() + "\")";
        for (const auto& field : entry.items())
            if (!Known(field.key(), EntryFields)) {
                error = what + ": parameter entries have no field \"" + field.key() + "\"";
                return false;
            }

        int32_t index = -1;
        if (entry.contains("key")) {
            if (!entry["key"].is_string()) {
                error = what + ": \"key\" is a parameter's name";
                return false;
            }
            if ((index = FindParam(session, entry["key"].get<std::string>(), error)) < 0) {
                error = what + ": " + error;
                return false;
            }
        }
        if (entry.contains("index")) {
            const json& i = entry["index"];
            if (!i.is_number_integer() || i.get<int64_t>() < 1 || i.get<int64_t>() >= int64_t(session.defaults.size())) {
                error = what + ": \"index\" " + i.dump() + " is no parameter's index (1 to " +
                        std::to_string(session.defaults.size() - 1) + ")";
                return false;
            }
            if (index >= 0 && i.get<int32_t>() != index) {
                error = what + ": the key names parameter " + std::to_string(index) + " but \"index\" says " +
                        i.dump() + "; correct one of them";
                return false;
            }
            index = i.get<int32_t>();
        }
        if (index < 0) {
            error = what + ": an entry needs a \"key\" or an \"index\"";
            return false;
        }
        const PF_ParamDef& def = session.defaults[size_t(index)];
        const std::string name(def.name, strnlen(def.name, sizeof def.name));
        if (entry.contains("name") && (!entry["name"].is_string() || entry["name"].get<std::string>() != name)) {
            error = what + ": \"name\" " + entry["name"].dump() + " but parameter " + std::to_string(index) +
                    " is \"" + name + "\"";
            return false;
        }
        if (entry.contains("type") && (!entry["type"].is_string() || entry["type"] != ParamTypeName(def.param_type))) {
            error = what + ": \"type\" " + entry["type"].dump() + " but \"" + ParamKey(session, index) + "\" is a " +
                    ParamTypeName(def.param_type);
            return false;
        }
        if (!entry.contains("value"))
            continue;
        if (given[size_t(index)] != 0) {
            error = what + ": \"" + ParamKey(session, index) + "\" already has a value from entry " +
                    std::to_string(given[size_t(index)]);
            return false;
        }
        given[size_t(index)] = number;
        if (IsOldDefaultPoint(def, entry["value"]))
            continue;
        ParamSetting setting;
        if (!ReadValue(session, index, entry["value"], setting, error)) {
            error = what + ": " + error;
            return false;
        }
        settings.push_back(setting);
    }
    return true;
}

bool LoadParamsFile(HostSession& session, const std::string& option, const std::string& path,
                    std::vector<ParamSetting>& settings, std::string& error)
{
    if (!CheckInputIsFile(option, path, error))
        return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = option + " " + path + ": cannot open the file";
        return false;
    }
    const json file = json::parse(in, nullptr, false);
    if (file.is_discarded()) {
        error = option + " " + path + ": not a JSON file";
        return false;
    }
    if (!ReadParamsJson(session, file, settings, error)) {
        error = option + " " + path + ": " + error;
        return false;
    }
    return true;
}

json ParamsFileJson(const HostSession& session, const std::vector<ParamSetting>& settings)
{
    json file = ParamsToJson(session);
    for (json& entry : file["parameters"]) {
        const int32_t index = entry["index"].get<int32_t>();
        const std::string description = ParamDescription(session, index);
        if (!description.empty()) {
            // After the type, where a reader looks for what the parameter is.
            json ordered;
            for (auto& field : entry.items()) {
                ordered[field.key()] = field.value();
                if (field.key() == "type")
                    ordered["description"] = description;
            }
            entry = ordered;
        }
        const auto keyed = std::find_if(settings.rbegin(), settings.rend(), [index](const ParamSetting& s) {
            return s.index == index;
        });
        if (keyed == settings.rend() || !keyed->keyframed)
            continue;
        const PF_ParamDef& def = session.defaults[size_t(index)];
        json keys = json::array();
        for (const Keyframe& k : keyed->keys)
            keys.push_back(json{{"frame", k.frame}, {"value", ParamType(def.param_type).toJson(session, def, k.value)}});
        entry["value"] = keys;
    }
    return file;
}

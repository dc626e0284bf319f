// Parameter files: the JSON that `velmora params --json` writes and `--params` reads back, a
// preset of every parameter. Each entry of "parameters" describes one parameter (index, key,
// name, group, type, ranges, description, default) and may carry its "value": a plain value in
// the type's JSON form, the text a `--set` takes ("50%,100%", "Bezier"), keyframes as that text
// ("0@0,100@47") or as a list of {"frame": F, "value": V} objects.
//
// Reading is strict, since a preset that is silently half-read renders something else than it
// says: a field the format does not have, a key and an index that name different parameters, a
// name or type other than the module registers, a second value for one parameter, or a value
// of the wrong type or range is refused, naming the entry. The descriptive fields are only
// checked, never used as values.
//
// An older file's point given as [x, y] layer pixels is read as such, but one that equals its
// default for the 1920x1080 layer those files described is taken as "the default", so the
// untouched "Position" stays at the bottom centre of a layer of any size.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/keyframes.h"

// The file's values as settings, in the order of its entries. The session's values are left
// as they were. False with `error` naming the entry at fault.
bool ReadParamsJson(HostSession& session, const nlohmann::ordered_json& file, std::vector<ParamSetting>& settings,
                    std::string& error);

// Opens, parses and reads the file at `path`, given with `option` ("--params"); false with
// `error` saying what is wrong (a missing file, a folder, not JSON, an entry).
bool LoadParamsFile(HostSession& session, const std::string& option, const std::string& path,
                    std::vector<ParamSetting>& settings, std::string& error);

// Every registered parameter as a parameter file, with "description"s. A parameter that one of
// `settings` keyframes gets its keys as a list of {"frame", "value"}; the others their current
// value in the session.
nlohmann::ordered_json ParamsFileJson(const HostSession& session, const std::vector<ParamSetting>& settings);

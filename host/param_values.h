// The parameters as the host's user meets them: names (qualified by group where a name repeats),
// values in the units of host/param_types.h, listings, and the JSON form that `velmora params
// --json` writes and a parameter file holds. Setting a value changes the session's current record
// for that index only; the registered defaults stay as they are.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/host_ops.h"
#include "host/param_types.h"

// "fixed", "slider", "popup", ...; "type N" for types the host does not know.
std::string ParamTypeName(PF_ParamType type);

// The enclosing groups of a parameter, outermost first, joined by "/"; empty outside any group.
std::string ParamGroupPath(const HostSession& session, int32_t index);

// The name a user gives to address the parameter: its own name, or "group path/name" when
// another registered parameter has the same name. Index 0 is "(input layer)", a group's end
// "(end of NAME)".
std::string ParamKey(const HostSession& session, int32_t index);

// The index of the parameter a user named: its key or its "group/name" path, in any letter case
// as long as that names one parameter. -1 with `error` set: for a name several parameters share,
// the group-qualified names to choose from; for an unknown one, the closest name if any is close.
int32_t FindParam(const HostSession& session, const std::string& name, std::string& error);

// Setters of one current value. False with `error` naming the parameter and what is wrong (an
// index without such a value, a non-finite number, one outside the valid range); the value is
// then unchanged.
bool SetParamValue(HostSession& session, int32_t index, const ParamValue& value, std::string& error);
bool SetParamNumber(HostSession& session, int32_t index, double value, std::string& error);
// The text of NAME=VALUE by the parameter's type: "12.5", "3", "Bezier", "on", "255,128,0",
// "960,1080", "50%,100%". ParseParamText only reads it; SetParamFromText also sets it.
bool ParseParamText(const HostSession& session, int32_t index, const std::string& text, ParamValue& value,
                    std::string& error);
bool SetParamFromText(HostSession& session, int32_t index, const std::string& text, std::string& error);

// One line of `velmora params`: index, key, type, ranges and default of the registered record.
std::string DescribeParam(const HostSession& session, int32_t index);

// The registered parameter as JSON: index, name, key, group, type, its ranges, "default" and the
// current "value" (absent for parameters without a value). A point's value is written as the
// text "x%,y%" of the session's layer.
nlohmann::ordered_json ParamToJson(const HostSession& session, int32_t index);
// All registered parameters, under "parameters".
nlohmann::ordered_json ParamsToJson(const HostSession& session);

// Applies a parameter file (host/param_file.h) as it holds at frame 0: every entry that has a
// "value" sets the parameter of its "key" or "index". A file with anything wrong is refused
// with `error` naming the entry, and nothing is set. `setIndices`, when given, receives the
// index of every parameter the file set.
bool ApplyParamsJson(HostSession& session, const nlohmann::ordered_json& file, std::string& error,
                     std::vector<int32_t>* setIndices = nullptr);

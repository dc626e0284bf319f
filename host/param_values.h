// The parameters as the host's user meets them: names (qualified by group where a name repeats),
// values in the units the panel shows, and the JSON form that `velmora params --json` writes and
// a parameter file holds. Setting a value changes the session's current record for that index
// only; the registered defaults stay as they are.
//
// Units: fixed sliders and angles are real numbers (degrees for angles), sliders and popups
// integers (popups 1-based, or a choice name), checkboxes 0/1, colours red, green, blue 0..255,
// points x, y in layer pixels. Values outside a control's valid range are refused.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/host_ops.h"

// "fixed", "slider", "popup", ...; "type N" for types the host does not know.
std::string ParamTypeName(PF_ParamType type);

// The enclosing groups of a parameter, outermost first, joined by "/"; empty outside any group.
std::string ParamGroupPath(const HostSession& session, int32_t index);

// The name a user gives to address the parameter: its own name, or "group path/name" when
// another registered parameter has the same name. Index 0 is "(input layer)", a group's end
// "(end of NAME)".
std::string ParamKey(const HostSession& session, int32_t index);

// The index of the parameter a user named (its key, or its full "group/name" path), or -1 with
// `error` set.
int32_t FindParam(const HostSession& session, const std::string& name, std::string& error);

// Setters of one current value. False with `error` set for an index without such a value, a
// non-finite number or one outside the valid range; the value is then unchanged.
bool SetParamNumber(HostSession& session, int32_t index, double value, std::string& error);
bool SetParamColor(HostSession& session, int32_t index, int red, int green, int blue, std::string& error);
bool SetParamPoint(HostSession& session, int32_t index, double x, double y, std::string& error);
// Parses the text by the parameter's type: "12.5", "3", "Bezier", "on", "255,128,0", "960,1080".
bool SetParamFromText(HostSession& session, int32_t index, const std::string& text, std::string& error);

// One line of `velmora params`: index, key, type, ranges and default of the registered record.
std::string DescribeParam(const HostSession& session, int32_t index);

// The registered parameter as JSON: index, name, key, group, type, its ranges, "default" and the
// current "value" in the units above (absent for parameters without a value).
nlohmann::ordered_json ParamToJson(const HostSession& session, int32_t index);
// All registered parameters, under "parameters".
nlohmann::ordered_json ParamsToJson(const HostSession& session);

// Applies a parameter file: every entry of "parameters" that has a "value" sets the parameter of
// its "key" (or "index" when there is no key). The first bad entry ends it with `error` set.
// `setIndices`, when given, receives the index of every parameter the file gave a value.
bool ApplyParamsJson(HostSession& session, const nlohmann::ordered_json& file, std::string& error,
                     std::vector<int32_t>* setIndices = nullptr);

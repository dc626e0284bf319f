// What the host does with a value of each parameter type, in one table: reading a record's
// value and default, checking and storing a new one, the text a user writes after NAME= and the
// JSON of a parameter file (both ways), moving between two keyframes, and the valid values in
// words. Everything that names, sets, lists or animates a parameter goes through it, so a type
// behaves the same on the command line, in a file and in a listing.
//
// Units: fixed sliders and angles are real numbers (degrees for angles), sliders and popups
// integers (popups 1-based), checkboxes 0 or 1, colours red, green, blue 0..255, points x, y in
// layer pixels. A point's registered default is in percent of the layer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/host_ops.h"

// A value in the units above: one number, a colour's three or a point's two.
struct ParamValue {
    int count = 0;
    double v[3] = {0.0, 0.0, 0.0};
};

struct ParamTypeOps {
    PF_ParamType type;
    const char* name;    // as listings and parameter files name the type: "fixed", "popup", ...
    const char* what;    // for messages: "a number", "red,green,blue", ...

    // The rest is null for types without a value (layers, groups, the custom control).

    // The record's current value.
    ParamValue (*read)(const PF_ParamDef& record);
    // The registered default (a point's in percent of the layer).
    ParamValue (*readDefault)(const PF_ParamDef& def);
    // Checks the value against the registered record and stores it in `record`; false with
    // `why` saying what is wrong (without the parameter's name), and `record` unchanged.
    bool (*store)(const PF_ParamDef& def, const ParamValue& value, PF_ParamDef& record, std::string& why);
    // The text of NAME=VALUE; a point's coordinates may be "%" of the layer (`session`'s size).
    bool (*parse)(const HostSession& session, const PF_ParamDef& def, const std::string& text, ParamValue& value,
                  std::string& why);
    // The text parse reads back: "12.5", "Bezier", "on", "255,128,0", "960,1080".
    std::string (*format)(const PF_ParamDef& def, const ParamValue& value);
    // A parameter file's "value" (without keyframes): what toJson writes and older forms.
    nlohmann::ordered_json (*toJson)(const HostSession& session, const PF_ParamDef& def, const ParamValue& value);
    bool (*fromJson)(const HostSession& session, const PF_ParamDef& def, const nlohmann::ordered_json& json,
                     ParamValue& value, std::string& why);
    // The value at t in [0, 1] between two keys; null when a key's value holds until the next.
    ParamValue (*interpolate)(const ParamValue& a, const ParamValue& b, double t);
    // The valid values in words: "0.1 to 1000", "1 to 7 or a name of Rough|...".
    std::string (*range)(const PF_ParamDef& def);
    // The registered ranges and choices: into a listing's line ("valid 0 to 100, slider ...,
    // default 50, precision 2") and into a parameter's JSON ("valid", "slider", "choices", ...).
    std::string (*describe)(const PF_ParamDef& def);
    void (*describeJson)(const PF_ParamDef& def, nlohmann::ordered_json& entry);
};

// The operations of a type; an entry named "unknown", without operations, for a type the host
// does not know.
const ParamTypeOps& ParamType(PF_ParamType type);

// A 16.16 number as the user sees it: the decimal with the fewest digits that is stored as the
// same 16.16 number again, so 0.1 (stored as 0x199A) shows as 0.1 rather than 0.100006 and
// every value a file holds reads back exactly.
double FromFixed(PF_Fixed v);
// The same for a value in user units that a 16.16 record holds (a fixed slider's, an angle's,
// a point's coordinate).
double ShownFixed(double v);
// A number as messages and listings show it (up to ten significant digits).
std::string FormatNumber(double v);
// A whole, finite number with nothing after it but blanks.
bool ParseNumber(const std::string& text, double& value);
// Splits at every separator; "a|b|" gives "a", "b", "".
std::vector<std::string> SplitText(const std::string& text, char separator);

// The `--set NAME=VALUE` settings of `velmora render`: a value held for the whole render, or one
// keyframed as `v@frame,v@frame,...` and interpolated linearly between its keys. A keyframe's
// value is written as a plain one would be ("12.5", "255,128,0", "960,1080", "Bezier", "on"), so
// the commas inside a colour or a point belong to the value: a key ends at its "@frame".
//
// How a value moves between keys is its type's (host/param_types.h): numbers, angles, colours
// and points linearly (integer sliders and colour channels rounded to whole values), popups and
// checkboxes hold each key's value until the next key. Before the first key the first value
// holds, after the last the last.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/host_ops.h"
#include "host/param_types.h"

struct Keyframe {
    int32_t frame = 0;
    std::string text;              // as the user wrote it
    ParamValue value;              // what the parameter holds with it, in user units
};

struct ParamSetting {
    int32_t index = -1;
    std::string key;
    std::vector<Keyframe> keys;    // one key at frame 0 for a value that is not keyframed
    bool keyframed = false;
};

// The valid values of a parameter in words, for messages: "0 to 100", "1 to 7 (Rough|...)".
std::string ParamRangeText(const HostSession& session, int32_t index);

// Parses one NAME=VALUE setting against the session's registered parameters, checking every
// value with the parameter's setter (the session's current values are left as they were).
// False with `error` naming the parameter and its valid range.
bool ParseSetting(HostSession& session, const std::string& setting, ParamSetting& parsed, std::string& error);

// The value part alone, for the parameter at `index`: a plain value or keyframes, as a
// parameter file's text value holds it too.
bool ParseSettingValue(HostSession& session, int32_t index, const std::string& text, ParamSetting& parsed,
                       std::string& error);

// A setting of keys whose values are already read (a parameter file's list of keys): each goes
// through the parameter's setter and keeps what the parameter then holds; frames must increase.
bool SettingFromKeys(HostSession& session, int32_t index, const std::vector<Keyframe>& keys, bool keyframed,
                     ParamSetting& parsed, std::string& error);

// Sets the parameter's current value for `frame` through the parameter setters.
bool ApplySetting(HostSession& session, const ParamSetting& setting, int32_t frame, std::string& error);

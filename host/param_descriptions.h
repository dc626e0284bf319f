// What each of the effect's parameters does, in one line with its unit: what `velmora params`
// shows beside each parameter, `params --json` carries as "description" and `params --markdown`
// puts in the README's table. The effect registers names, ranges and defaults but no such text,
// so the host keeps it, tied to each parameter's index and registered name: a module whose
// parameter at an index has another name gets no description rather than a wrong one.
#pragma once

#include <cstdint>
#include <string>

#include "host/host_ops.h"

// The description of the parameter at `index`, or an empty text.
std::string ParamDescription(const HostSession& session, int32_t index);

// How many frames the wind's two motions take to repeat, from the current values of "Frequency
// of oscillation" (the sway, 720 / F frames) and "Speed of oscillation" (the needle wave, 1000 /
// S frames); 0 for a motion that stands still. False when the module has no such parameters.
bool WindLoopFrames(const HostSession& session, double& swayFrames, double& waveFrames);

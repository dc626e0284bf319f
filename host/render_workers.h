// `velmora render --jobs N`: the frame range rendered by N worker processes, each a `velmora
// render` of its own over a part of the range. The module's settings are module-wide, so one
// process renders one frame at a time; frames are independent and deterministic, so every frame
// is byte for byte what a single process writes. Parts are handed out as workers finish, large
// at first and smaller towards the end, so the workers finish together although later frames of
// a growing tree cost more.
//
// A worker's failure stops the others and the run, with the worker's message; an interrupt
// (Ctrl-C, a termination request) stops every worker, and each removes the file it was writing.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "host/render_frames.h"

// The workers this machine runs by default: one per core, or 1 where workers cannot be started.
int32_t DefaultJobs();

// The arguments of a worker's `velmora` for frames first to last of the render.
std::vector<std::string> WorkerArguments(const std::string& modulePath, const RenderOptions& options, int32_t first,
                                         int32_t last);

// Plans the render in `session` (so that bad options are refused before any worker starts),
// then renders its frames in options.jobs workers running `program` (velmora) with the module at
// `modulePath`; the closing line goes to `out`, progress and messages to `err`. Returns an exit
// code. When interrupted it stops the workers and then ends the program by the same signal.
int RenderWithWorkers(HostSession& session, const RenderOptions& options, const std::string& program,
                      const std::string& modulePath, std::ostream& out, std::ostream& err);

// What `velmora render` does once the effect instance is set up: turn the options into a plan
// (settings and keyframes checked against the registered parameters, layers read and converted,
// the output names worked out) and then send one render command per frame, as the host
// application would at the chosen size, depth, quality and resolution. Everything a user can get
// wrong is refused while planning, so a bad option never leaves some frames written.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/frame_paths.h"
#include "host/host_ops.h"
#include "host/keyframes.h"
#include "host/layer_inputs.h"
#include "host/output_formats.h"
#include "host/progress.h"
#include "host/render_worlds.h"

struct RenderOptions {
    int32_t width = 1920;            // the layer's (and the composition's) size
    int32_t height = 1080;
    bool sizeGiven = false;          // without it, a --layer image sets the size
    int32_t firstFrame = 0;
    int32_t lastFrame = 23;
    double fps = 24.0;
    bool deep = false;
    bool draft = false;
    int32_t resolution = 1;          // 1 full, 2 half, 4 quarter
    std::string layerPath;           // empty: the built-in sky; a frame-numbered name: a sequence
    std::string treeReflectionPath;
    std::string needleReflectionPath;
    std::string paramsFile;
    std::vector<std::string> settings;
    std::string outPattern = "out/velmora_####.png";
    bool writeFiles = true;          // false: render only (tests look at the frames themselves)
    bool noOverwrite = false;        // frames whose file is already complete are kept, not rendered
    ProgressStyle progress = ProgressStyle::Lines;
    int32_t sequenceEnd = -1;        // the last frame of the whole run when this is a worker's part
    int32_t jobs = 1;                // worker processes (host/render_workers.h); 1 renders here
};

// The host's time base: one frame is this many time units.
constexpr A_long RenderTimeStep = 100;

// The largest frame number: its time, frame × RenderTimeStep, must fit the host's 32-bit time.
constexpr int32_t MaxFrame = 9999999;

// The keyframes of the default animation: the tree grows from nothing over frames 0 to 23. They
// apply to any frames rendered unless a setting or the parameter file gives "Grow up".
constexpr const char* DefaultGrowUp = "Grow up=0@0,100@23";

struct RenderPlan {
    RenderOptions options;
    std::vector<ParamSetting> fileSettings;   // the --params file's values, applied first
    std::vector<ParamSetting> settings;       // then the --set ones, and the default animation's
    // The three layers' images. One image for every frame (and the sky) is made a world here,
    // at the output's resolution; a sequence's are read frame by frame.
    LayerInput layerInput;           // no path: the sky
    LayerInput treeInput;            // parameter 54; no path when not given
    LayerInput needleInput;          // parameter 40
    HostWorld layer;
    HostWorld treeReflection;        // no pixels when not given or a sequence
    HostWorld needleReflection;
    int32_t outputWidth = 0;
    int32_t outputHeight = 0;
    const OutputFormat* format = nullptr;   // of --out, when files are written
};

// Checks and prepares everything; `session` must have been through parameter setup. False with
// `error` set (naming the option, parameter or file at fault).
bool PlanRender(HostSession& session, const RenderOptions& options, RenderPlan& plan, std::string& error);
// The same for a command: false having said what is wrong on `err`.
bool PlanRender(HostSession& session, const RenderOptions& options, RenderPlan& plan, std::ostream& err);

// Sets the session's values and in-data for `frame` and sends the render command with a fresh
// padded output world, which `output` receives.
PF_Err RenderPlannedFrame(HostSession& session, PF_EntryPointFunc entry, const RenderPlan& plan, int32_t frame,
                          HostWorld& output, std::string& error);

// Plans and renders every frame, writing them in the output's format unless the options say not
// to (on a second thread, while the next frame renders), with a progress line on `err` for
// several frames and the closing line on `out`. Returns an exit code. A file is written whole or
// not at all; an error stops the render with its message.
int RenderFrames(HostSession& session, PF_EntryPointFunc entry, const RenderOptions& options, std::ostream& out,
                 std::ostream& err);

// Where a render's time went, for the closing line: the whole run on the wall clock, and the
// rendering and writing of its frames (the writing overlapped with rendering).
struct RenderTimes {
    double seconds = 0;
    double renderSeconds = 0;
    double writeSeconds = 0;
};

// The line that says where the frames went: "velmora: 24 frames of 1920x1080, 8-bit RGBA PNG:
// out/velmora_0000.png to out/velmora_0023.png", with the count of kept frames if any and, given
// the times, how long it took.
std::string ClosingLine(const RenderPlan& plan, int64_t rendered, int64_t skipped,
                        const RenderTimes* times = nullptr);

// A tree of more triangles than this gets a warning before the render: a mesh of over 130 MB.
constexpr int64_t LargeTreeTriangles = 1000000;

// Warns on `err` when the render's largest tree is very large: its triangles, needles and the
// memory of its mesh, counted by the generator before anything is rendered.
void WarnOfLargeTree(HostSession& session, const RenderPlan& plan, std::ostream& err);

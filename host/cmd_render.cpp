// `velmora render`: renders frames of the effect to PNG files, driving the module through its
// entry point as the host application does.
#include <cstdio>
#include <iostream>
#include <memory>

#include "host/commands.h"
#include "host/effect_module.h"
#include "host/output_formats.h"
#include "host/render_frames.h"
#include "host/render_workers.h"
#include "host/sequence.h"
#include "platform/console.h"
#include "platform/module_loader.h"
#include "platform/processes.h"

namespace {

// "A-B" or a single frame "N"; false with `error` saying what is wrong.
bool ParseFrameRange(const std::string& text, int32_t& first, int32_t& last, std::string& error)
{
    long long a = 0, b = 0;
    char dash = 0, extra = 0;
    const int n = std::sscanf(text.c_str(), "%lld%c%lld%c", &a, &dash, &b, &extra);
    if (n == 1)
        b = a;
    else if (n != 3 || dash != '-') {
        error = "--frames \"" + text + "\": expected A-B (or one frame N) with 0 <= A <= B";
        return false;
    }
    if (a < 0 || b < a) {
        error = "--frames \"" + text + "\": frames run from A up to B, and 0 is the first";
        return false;
    }
    if (b > MaxFrame) {
        error = "--frames \"" + text + "\": the largest frame is " + std::to_string(MaxFrame);
        return false;
    }
    first = int32_t(a);
    last = int32_t(b);
    return true;
}

// The command line's text options, turned into RenderOptions once parsing is over.
struct RenderArguments {
    RenderOptions options;
    std::string size;
    std::string frames;
    int32_t frame = -1;
    std::string quality = "hi";
    std::string resolution = "full";
    bool quiet = false;
    int32_t jobs = -1;             // not given: as many as DefaultJobs()
    bool reportFrames = false;     // a worker of another render
};

bool ToOptions(RenderArguments& a, std::ostream& err)
{
    RenderOptions& o = a.options;
    if (!a.size.empty()) {
        if (!ParseLayerSize(a.size, o.width, o.height)) {
            err << "velmora: --size \"" << a.size << "\": expected WxH, each side 1 to 16384\n";
            return false;
        }
        o.sizeGiven = true;
    }
    if (!a.frames.empty() && a.frame >= 0) {
        err << "velmora: give either --frames or --frame\n";
        return false;
    }
    if (!a.frames.empty()) {
        std::string error;
        if (!ParseFrameRange(a.frames, o.firstFrame, o.lastFrame, error)) {
            err << "velmora: " << error << "\n";
            return false;
        }
    } else if (a.frame >= 0) {
        o.firstFrame = o.lastFrame = a.frame;
    }
    o.progress = a.reportFrames ? ProgressStyle::Report
                 : a.quiet         ? ProgressStyle::Quiet
                 : StandardErrorIsTerminal() ? ProgressStyle::Terminal
                                             : ProgressStyle::Lines;
    if (a.jobs != -1 && a.jobs < 1) {
        err << "velmora: --jobs takes 1 or more worker processes\n";
        return false;
    }
    if (a.jobs > 1 && !WorkerProcessesAvailable()) {
        err << "velmora: --jobs " << a.jobs << ": this build renders in one process only; give --jobs 1, or start "
            << "several renders of their own --frames A-B at once\n";
        return false;
    }
    o.jobs = a.jobs > 0 ? a.jobs : DefaultJobs();
    std::string formatError;
    const OutputFormat* format = o.writeFiles ? OutputFormatOf(o.outPattern, formatError) : nullptr;
    if (format && format->video) {
        // Workers each write their own files; a video is one file that one encoder must see
        // every frame of, in order.
        if (a.jobs > 1) {
            err << "velmora: --jobs " << a.jobs << ": a video is written by one process; give --jobs 1, or "
                << "render numbered frames with --jobs and encode them afterwards\n";
            return false;
        }
        o.jobs = 1;
    }
    o.draft = a.quality == "draft";
    o.resolution = a.resolution == "half" ? 2 : a.resolution == "quarter" ? 4 : 1;
    return true;
}

} // namespace

int RunRenderCommand(const std::string& modulePath, const RenderOptions& options, std::ostream& out,
                     std::ostream& err)
{
    ModuleRun run;
    int code = EXIT_OK;
    const bool loaded = RunModuleInstance(modulePath, run, err, [&](HostSession& s) {
        if (options.jobs > 1 && options.lastFrame > options.firstFrame)
            code = RenderWithWorkers(s, options, ExecutableDir() + "velmora", run.module.path, out, err);
        else
            code = RenderFrames(s, run.module.entry, options, out, err);
        return PF_Err_NONE;
    });
    if (!loaded)
        return EXIT_NO_MODULE;
    const int outcome = ReportOutcome(run.session, run.result, err);
    return code != EXIT_OK ? code : outcome;
}

void AddRenderCommand(CLI::App& app, HostContext& context)
{
    CLI::App* sub = app.add_subcommand("render", "Render frames of the effect to image files or a video");
    auto a = std::make_shared<RenderArguments>();
    RenderOptions& o = a->options;
    sub->add_option("--size", a->size, "Layer size WxH (default 1920x1080, or the --layer image's size)");
    sub->add_option("--frames", a->frames, "Frames A-B, or one frame N (default 0-23; unless given, \"Grow up\" is keyframed 0@0,100@23)");
    sub->add_option("--frame", a->frame, "One frame N")->check(CLI::Range(0, int(MaxFrame)));
    sub->add_option("--fps", o.fps, "Frames per second of the time base (default 24)");
    sub->add_flag("--deep", o.deep, "16 bits per channel, written as 16-bit PNG");
    sub->add_option("--quality", a->quality, "hi or draft (default hi)")->check(CLI::IsMember({"hi", "draft"}));
    sub->add_option("--resolution", a->resolution, "full, half or quarter (default full)")
        ->check(CLI::IsMember({"full", "half", "quarter"}));
    sub->add_option("--layer", o.layerPath, "PNG image of the layer the effect is applied to (default: a sky)");
    sub->add_option("--tree-reflection", o.treeReflectionPath, "PNG image for the tree's \"Texture reflection\"");
    sub->add_option("--needle-reflection", o.needleReflectionPath, "PNG image for the needles' \"Texture reflection\"");
    sub->add_option("--set", o.settings,
                    "NAME=VALUE, repeatable; VALUE may be keyframed as v@frame,v@frame,... (linear)")
        ->allow_extra_args(false);
    sub->add_option("--params", o.paramsFile, "Parameter file in the form `velmora params --json` writes");
    sub->add_option("--out", o.outPattern, "Output files, the format by extension (.png, .exr, .mp4, .mov); #### or %04d becomes the frame (default out/velmora_####.png)");
    sub->add_flag("--no-overwrite", o.noOverwrite, "Keep frames whose file exists and is complete (resumes a render)");
    sub->add_flag("--quiet", a->quiet, "No progress line");
    sub->add_option("--jobs", a->jobs, "Worker processes rendering frames at once (default: one per core)");
    // What a render hands its workers: not for people to type.
    sub->add_flag("--report-frames", a->reportFrames, "Report each finished frame for a parent render")->group("");
    sub->add_option("--sequence-end", o.sequenceEnd, "The last frame of the whole run")->group("");
    sub->callback([&context, a] {
        if (!ToOptions(*a, std::cerr)) {
            context.exitCode = EXIT_FAILED;
            return;
        }
        context.exitCode = RunRenderCommand(context.modulePath, a->options, std::cout, std::cerr);
    });
}

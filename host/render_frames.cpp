// Planning a render and sending its frames.
#include "host/render_frames.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "effect/params.h"
#include "host/commands.h"
#include "host/frame_tree.h"
#include "host/frame_writer.h"
#include "host/image_io.h"
#include "host/param_file.h"
#include "host/param_values.h"
#include "host/progress.h"
#include "host/sequence.h"
#include "host/video_output.h"

namespace {

void SetLayerParam(HostSession& session, int32_t index, const HostWorld& layer)
{
    if (!layer.world.data)
        return;
    PF_LayerDef& ld = session.values[size_t(index)].u.ld;
    const A_long dephault = ld.dephault;
    ld = layer.world;
    ld.dephault = dephault;
}

// Point values in the layer's pixels as the host hands them at a reduced resolution: in the
// downsampled frame's pixels.
void ScalePoints(HostSession& session, int32_t factor)
{
    if (factor <= 1)
        return;
    for (PF_ParamDef& p : session.values)
        if (p.param_type == PF_Param_POINT) {
            p.u.td.x_value = PF_Fixed(std::lround(double(p.u.td.x_value) / factor));
            p.u.td.y_value = PF_Fixed(std::lround(double(p.u.td.y_value) / factor));
        }
}

bool SetValuesForFrame(HostSession& session, const RenderPlan& plan, int32_t frame, std::string& error)
{
    ResetParamValues(session);
    for (const ParamSetting& s : plan.fileSettings)
        if (!ApplySetting(session, s, frame, error))
            return false;
    for (const ParamSetting& s : plan.settings)
        if (!ApplySetting(session, s, frame, error))
            return false;
    ScalePoints(session, plan.options.resolution);
    return true;
}

// Both ends of the range and every key inside it: where the values change course.
std::vector<int32_t> KeyFramesOf(const RenderPlan& plan)
{
    const RenderOptions& o = plan.options;
    std::vector<int32_t> frames = {o.firstFrame, o.lastFrame};
    for (const std::vector<ParamSetting>* list : {&plan.fileSettings, &plan.settings})
        for (const ParamSetting& s : *list)
            for (const Keyframe& k : s.keys)
                if (k.frame > o.firstFrame && k.frame < o.lastFrame)
                    frames.push_back(k.frame);
    return frames;
}

std::string WithThousands(int64_t n)
{
    std::string digits = std::to_string(n);
    for (int i = int(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(size_t(i), ",");
    return digits;
}

} // namespace

void WarnOfLargeTree(HostSession& session, const RenderPlan& plan, std::ostream& err)
{
    // The largest tree of the render: the most levels, then the most growth, among the frames
    // where values change course (a tree only grows between keys of "Grow up").
    int32_t worst = -1;
    FrameParameters params{};
    std::string error;
    for (int32_t frame : KeyFramesOf(plan)) {
        if (!SetValuesForFrame(session, plan, frame, error))
            return;
        const FrameParameters p = ReadFrameParameters(ParamArray(session));
        if (worst < 0 || p.levels > params.levels || (p.levels == params.levels && p.growUp > params.growUp)) {
            worst = frame;
            params = p;
        }
    }
    const TreeSize size = CountTree(params, plan.outputWidth, worst);
    if (size.triangles <= LargeTreeTriangles)
        return;
    err << "velmora: warning: the tree of frame " << worst << " is very large: " << WithThousands(size.triangles)
        << " triangles (" << WithThousands(size.needles) << " needles), about "
        << WithThousands((size.bytes + (1 << 20) - 1) >> 20) << " MB for its mesh, and a frame may take minutes "
        << "(\"N branches\" " << params.levels << "; each level multiplies the triangles by three to seven)\n";
}

bool PlanRender(HostSession& session, const RenderOptions& options, RenderPlan& plan, std::string& error)
{
    plan = RenderPlan();
    plan.options = options;
    RenderOptions& o = plan.options;
    if (o.resolution != 1 && o.resolution != 2 && o.resolution != 4) {
        error = "--resolution is full, half or quarter";
        return false;
    }
    if (!(o.fps > 0.0) || o.fps > 1000.0 || std::lround(o.fps * RenderTimeStep) < 1) {
        error = "--fps must be above 0 and at most 1000";
        return false;
    }
    if (o.firstFrame < 0 || o.lastFrame < o.firstFrame) {
        error = "frames run from A to B with 0 <= A <= B";
        return false;
    }
    if (o.lastFrame > MaxFrame) {
        error = "the largest frame is " + std::to_string(MaxFrame);
        return false;
    }
    if (o.writeFiles) {
        if (o.outPattern.empty()) {
            error = "--out needs a file name";
            return false;
        }
        if (!CheckFramePattern(o.outPattern, error)) {
            error = "--out " + error;
            return false;
        }
    }

    // Inputs first: a missing file or a folder is named as such, and no output may be one of them.
    // A layer given as a numbered sequence stands for each of its frames' files.
    std::vector<InputFile> inputs;
    const InputFile given[] = {{"--layer", o.layerPath},
                               {"--tree-reflection", o.treeReflectionPath},
                               {"--needle-reflection", o.needleReflectionPath},
                               {"--params", o.paramsFile}};
    for (const InputFile& input : given) {
        if (input.path.empty())
            continue;
        const bool sequence = input.option != "--params" && PatternNumbersFrames(input.path);
        if (!sequence) {
            if (!CheckInputIsFile(input.option, input.path, error))
                return false;
            inputs.push_back(input);
            continue;
        }
        if (!CheckFramePattern(input.path, error)) {
            error = input.option + " " + error;
            return false;
        }
        for (int32_t frame = o.firstFrame; frame <= o.lastFrame; ++frame) {
            inputs.push_back({input.option, FramePath(input.path, frame)});
            if (!CheckInputIsFile(input.option, inputs.back().path, error)) {
                error += " (frame " + std::to_string(frame) + " of " + input.path + ")";
                return false;
            }
        }
    }
    if (o.writeFiles && !CheckOutputsSpareInputs("--out", o.outPattern, o.firstFrame, o.lastFrame, inputs, error))
        return false;

    // The format after the inputs: an output that would destroy an input is the graver mistake.
    if (o.writeFiles) {
        plan.format = OutputFormatOf(o.outPattern, error);
        if (!plan.format) {
            error = "--out " + error;
            return false;
        }
        if (plan.format->video) {
            if (PatternNumbersFrames(o.outPattern)) {
                error = "--out " + o.outPattern +
                        ": a video is one file for every frame; leave the frame number out of its name";
                return false;
            }
            if (o.noOverwrite) {
                error = "--no-overwrite keeps finished frame files, and a video is written whole: leave it out";
                return false;
            }
        } else if (o.lastFrame > o.firstFrame && !PatternNumbersFrames(o.outPattern)) {
            error = "--out " + o.outPattern +
                    ": a render of several frames needs the frame number in the name (#### or %04d)";
            return false;
        }
    }

    // The layer, or the sky, at the layer's full size; the host hands it on at the resolution.
    if (!o.layerPath.empty()) {
        if (!PlanLayerInput("--layer", o.layerPath, o.firstFrame, o.lastFrame, plan.layerInput, error))
            return false;
        const LayerInput& in = plan.layerInput;
        if (!o.sizeGiven) {
            o.width = in.width;
            o.height = in.height;
        } else if (in.width != o.width || in.height != o.height) {
            error = "--layer " + o.layerPath + " is " + std::to_string(in.width) + "x" + std::to_string(in.height) +
                    " but --size asks for " + std::to_string(o.width) + "x" + std::to_string(o.height) +
                    " (leave out --size to render at the layer's size)";
            return false;
        }
    } else {
        if (o.width <= 0 || o.height <= 0 || o.width > 16384 || o.height > 16384) {
            error = "--size must be WxH with each side 1 to 16384";
            return false;
        }
        plan.layerInput.still = SkyBackground(o.width, o.height);
        plan.layerInput.width = o.width;
        plan.layerInput.height = o.height;
    }
    if (!plan.layerInput.sequence) {
        if (!LayerForFrame(plan.layerInput, o.firstFrame, o.deep, o.resolution, plan.layer, error))
            return false;
        plan.layerInput.still = RgbaImage();   // the world holds it now
    }
    // The output world has the layer's size at the resolution, as Downsample rounds it.
    plan.outputWidth = (o.width + o.resolution - 1) / o.resolution;
    plan.outputHeight = (o.height + o.resolution - 1) / o.resolution;
    if (plan.format && plan.format->video && !VideoSizeFits(*plan.format, plan.outputWidth, plan.outputHeight, error)) {
        error = "--out " + o.outPattern + ": " + error;
        return false;
    }
    const struct {
        const char* option;
        const std::string& path;
        LayerInput& input;
        HostWorld& world;
    } reflections[2] = {{"--tree-reflection", o.treeReflectionPath, plan.treeInput, plan.treeReflection},
                        {"--needle-reflection", o.needleReflectionPath, plan.needleInput, plan.needleReflection}};
    for (const auto& r : reflections) {
        if (r.path.empty())
            continue;
        if (!PlanLayerInput(r.option, r.path, o.firstFrame, o.lastFrame, r.input, error))
            return false;
        if (!r.input.sequence) {
            if (!LayerForFrame(r.input, o.firstFrame, o.deep, o.resolution, r.world, error))
                return false;
            r.input.still = RgbaImage();
        }
    }

    // The layer's size decides the point defaults, so it is set before any value is.
    SetLayerSize(session, o.width, o.height);
    ResetParamValues(session);
    if (!o.paramsFile.empty() && !LoadParamsFile(session, "--params", o.paramsFile, plan.fileSettings, error))
        return false;
    bool growUpSet = std::any_of(plan.fileSettings.begin(), plan.fileSettings.end(),
                                 [](const ParamSetting& s) { return s.index == PARAM_GROW_UP; });
    for (const std::string& text : o.settings) {
        ParamSetting s;
        if (!ParseSetting(session, text, s, error))
            return false;
        growUpSet = growUpSet || s.index == PARAM_GROW_UP;
        plan.settings.push_back(s);
    }
    // The default animation belongs to the frame numbers, not to the range asked for, so that
    // frames 5 and 6 alone are frames 5 and 6 of the whole animation.
    if (!growUpSet) {
        ParamSetting s;
        if (!ParseSetting(session, DefaultGrowUp, s, error))
            return false;
        plan.settings.insert(plan.settings.begin(), s);
    }
    // The values go through the setters now, so that none can fail later: at both ends of the
    // range and at every key inside it. Between two keys a value lies between two accepted
    // values, and every valid range is an interval.
    for (int32_t frame : KeyFramesOf(plan))
        if (!SetValuesForFrame(session, plan, frame, error))
            return false;

    if (o.writeFiles) {
        const std::filesystem::path dir = std::filesystem::path(FramePath(o.outPattern, o.firstFrame)).parent_path();
        std::error_code ec;
        if (!dir.empty() && !std::filesystem::create_directories(dir, ec) && ec) {
            error = "--out: cannot make the folder " + dir.string() + ": " + ec.message();
            return false;
        }
    }
    return true;
}

bool PlanRender(HostSession& session, const RenderOptions& options, RenderPlan& plan, std::ostream& err)
{
    std::string error;
    if (PlanRender(session, options, plan, error))
        return true;
    err << "velmora: " << error << "\n";
    return false;
}

PF_Err RenderPlannedFrame(HostSession& session, PF_EntryPointFunc entry, const RenderPlan& plan, int32_t frame,
                          HostWorld& output, std::string& error)
{
    if (!SetValuesForFrame(session, plan, frame, error))
        return PF_Err_BAD_CALLBACK_PARAM;
    const RenderOptions& o = plan.options;
    // This frame's images of the sequences; they live until the effect has rendered.
    HostWorld layer, treeReflection, needleReflection;
    const struct {
        const LayerInput& input;
        const HostWorld& still;
        HostWorld& frameWorld;
    } layers[3] = {{plan.layerInput, plan.layer, layer},
                   {plan.treeInput, plan.treeReflection, treeReflection},
                   {plan.needleInput, plan.needleReflection, needleReflection}};
    const HostWorld* worlds[3];
    for (int i = 0; i < 3; ++i) {
        worlds[i] = &layers[i].still;
        if (!layers[i].input.sequence)
            continue;
        if (!LayerForFrame(layers[i].input, frame, o.deep, o.resolution, layers[i].frameWorld, error))
            return PF_Err_BAD_CALLBACK_PARAM;
        worlds[i] = &layers[i].frameWorld;
    }
    SetInputWorld(session, worlds[0]->world);
    SetLayerParam(session, PARAM_TREE_REFLECTION_LAYER, *worlds[1]);
    SetLayerParam(session, PARAM_NEEDLE_REFLECTION_LAYER, *worlds[2]);

    PF_InData& in = session.in;
    SetLayerSize(session, o.width, o.height);   // in-data width stays the layer's at every resolution
    in.time_step = in.local_time_step = RenderTimeStep;
    in.time_scale = A_u_long(std::lround(o.fps * RenderTimeStep));
    in.current_time = A_long(frame) * RenderTimeStep;
    in.total_time = A_long((o.sequenceEnd >= 0 ? o.sequenceEnd : o.lastFrame) + 1) * RenderTimeStep;
    in.quality = o.draft ? PF_Quality_LO : PF_Quality_HI;
    in.downsample_x = in.downsample_y = PF_RationalScale{1, A_u_long(o.resolution)};

    if (!MakeWorld(plan.outputWidth, plan.outputHeight, o.deep, output)) {
        error = "the output frame cannot be made";
        return PF_Err_OUT_OF_MEMORY;
    }
    const PF_Err err = CallEffect(session, entry, PF_Cmd_RENDER, &output.world);
    if (err != PF_Err_NONE)
        error = "the effect returned " + EffectErrorText(err) + " on frame " + std::to_string(frame);
    return err;
}

int RenderFrames(HostSession& session, PF_EntryPointFunc entry, const RenderOptions& options, std::ostream& out,
                 std::ostream& err)
{
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    RenderPlan plan;
    if (!PlanRender(session, options, plan, err))
        return EXIT_FAILED;
    const RenderOptions& o = plan.options;
    if (o.progress != ProgressStyle::Report)
        WarnOfLargeTree(session, plan, err);
    ProgressLine progress(err, o.progress, int64_t(o.lastFrame) - o.firstFrame + 1);
    const auto fail = [&progress, &err](const std::string& message) {
        progress.Close();
        err << "velmora: " << message << "\n";
        return EXIT_FAILED;
    };
    std::string error;
    // The writer is made after the output it writes to, so that it ends first.
    FrameOutput output;
    std::unique_ptr<FrameWriter> writer;
    if (o.writeFiles) {
        const FrameOutputTarget target{plan.format, o.outPattern, plan.outputWidth, plan.outputHeight, o.deep,
                                       std::lround(o.fps * RenderTimeStep), RenderTimeStep};
        if (!output.Open(target, error))
            return fail("--out " + error);
        writer = std::make_unique<FrameWriter>(output);
    }
    RenderTimes times;
    const auto reportWritten = [&] {
        for (const WrittenFrame& w : writer->TakeWritten()) {
            times.writeSeconds += w.seconds;
            progress.FrameDone(w.frame, false);
        }
    };
    for (int32_t frame = o.firstFrame; frame <= o.lastFrame; ++frame) {
        if (writer)
            reportWritten();
        if (o.writeFiles && o.noOverwrite && FrameFileIsComplete(FramePath(o.outPattern, frame))) {
            progress.FrameDone(frame, true);
            continue;
        }
        HostWorld world;
        const auto renderStart = Clock::now();
        const PF_Err result = RenderPlannedFrame(session, entry, plan, frame, world, error);
        times.renderSeconds += std::chrono::duration<double>(Clock::now() - renderStart).count();
        if (result != PF_Err_NONE || !session.effectMessages.empty()) {
            progress.Close();
            if (result != PF_Err_NONE)
                err << "velmora: " << error << "\n";
            return EXIT_FAILED;
        }
        if (!writer) {
            progress.FrameDone(frame, false);
            continue;
        }
        if (!writer->Push(frame, std::move(world), error))
            return fail(error);
    }
    if (writer) {
        if (!writer->Finish(error))
            return fail(error);
        reportWritten();
    }
    progress.Close();
    times.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (o.writeFiles && o.progress != ProgressStyle::Report)
        out << ClosingLine(plan, progress.Rendered(), progress.Skipped(), &times) << "\n";
    return EXIT_OK;
}

std::string ClosingLine(const RenderPlan& plan, int64_t rendered, int64_t skipped, const RenderTimes* times)
{
    const RenderOptions& o = plan.options;
    // Where the files are, whatever folder the render was started from.
    const auto where = [&o](int32_t frame) {
        std::error_code ec;
        const std::filesystem::path path = std::filesystem::absolute(FramePath(o.outPattern, frame), ec);
        return ec ? FramePath(o.outPattern, frame) : path.lexically_normal().string();
    };
    std::string format = !plan.format || plan.format->kind == OutputKind::Png
                             ? std::string(o.deep ? "16-bit" : "8-bit") + " RGBA PNG"
                             : std::string(plan.format->description);
    if (plan.format && plan.format->video) {
        char rate[40];
        std::snprintf(rate, sizeof rate, " at %g frames a second", o.fps);
        format += rate;
    }
    const int64_t count = int64_t(o.lastFrame) - o.firstFrame + 1;
    std::string line = "velmora: " + std::to_string(count) + (count > 1 ? " frames" : " frame") + " of " +
                       std::to_string(plan.outputWidth) + "x" + std::to_string(plan.outputHeight) + ", " + format +
                       ": " + where(o.firstFrame);
    if (count > 1 && PatternNumbersFrames(o.outPattern))
        line += " to " + where(o.lastFrame);
    if (skipped > 0)
        line += " (" + std::to_string(rendered) + " written, " + std::to_string(skipped) +
                " already complete and kept)";
    if (times && rendered > 0)
        line += ", " + DurationText(times->seconds) + " in all; a frame took " +
                DurationText(times->renderSeconds / double(rendered)) + " to render and " +
                DurationText(times->writeSeconds / double(rendered)) + " to write, written while the next rendered";
    return line;
}

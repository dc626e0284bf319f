// Planning a render and sending its frames.
#include "host/render_frames.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "effect/params.h"
#include "host/commands.h"
#include "host/image_io.h"
#include "host/param_values.h"
#include "host/progress.h"
#include "host/sequence.h"

namespace {

bool LoadLayer(const std::string& option, const std::string& path, bool deep, int32_t factor, RgbaImage* full,
               HostWorld& world, std::string& error)
{
    RgbaImage image;
    if (!ReadPngFile(path, image, error)) {
        error = option + ": " + error;
        return false;
    }
    if (full)
        *full = image;
    if (!ImageToWorld(Downsample(image, factor), deep, world)) {
        error = option + ": " + path + " cannot be made into a layer";
        return false;
    }
    return true;
}

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

// A point is stored in a parameter file in layer pixels, and `velmora params --json` describes a
// 1920x1080 layer. A point whose value is just its default for that layer is taken as "the
// default", so that the file's untouched "Position" stays at the bottom centre of a layer of any
// other size rather than landing at pixel (960, 1080).
void FollowLayerWithDefaultPoints(nlohmann::ordered_json& file)
{
    if (!file.is_object() || !file.contains("parameters") || !file["parameters"].is_array())
        return;
    for (nlohmann::ordered_json& entry : file["parameters"]) {
        if (!entry.is_object() || entry.value("type", "") != "point" || !entry.contains("value") ||
            !entry.contains("default"))
            continue;
        const nlohmann::ordered_json& v = entry["value"];
        const nlohmann::ordered_json& d = entry["default"];
        if (!v.is_array() || !d.is_array() || v.size() != 2 || d.size() != 2 || !v[0].is_number() ||
            !v[1].is_number() || !d[0].is_number() || !d[1].is_number())
            continue;
        const double x = d[0].get<double>() * 1920.0 / 100.0, y = d[1].get<double>() * 1080.0 / 100.0;
        if (std::fabs(v[0].get<double>() - x) < 1e-3 && std::fabs(v[1].get<double>() - y) < 1e-3)
            entry.erase("value");
    }
}

bool SetValuesForFrame(HostSession& session, const RenderPlan& plan, int32_t frame, std::string& error)
{
    ResetParamValues(session);
    if (plan.haveParamsFile && !ApplyParamsJson(session, plan.paramsFile, error)) {
        error = "--params " + plan.options.paramsFile + ": " + error;
        return false;
    }
    for (const ParamSetting& s : plan.settings)
        if (!ApplySetting(session, s, frame, error))
            return false;
    ScalePoints(session, plan.options.resolution);
    return true;
}

} // namespace

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
    if (o.writeFiles) {
        if (o.outPattern.empty()) {
            error = "--out needs a file name";
            return false;
        }
        if (o.lastFrame > o.firstFrame && !PatternNumbersFrames(o.outPattern)) {
            error = "--out " + o.outPattern + ": a render of several frames needs #### in the name for the frame number";
            return false;
        }
    }

    // Inputs first: a missing file or a folder is named as such, and no output may be one of them.
    const std::vector<InputFile> inputs = {{"--layer", o.layerPath},
                                           {"--tree-reflection", o.treeReflectionPath},
                                           {"--needle-reflection", o.needleReflectionPath},
                                           {"--params", o.paramsFile}};
    for (const InputFile& input : inputs)
        if (!input.path.empty() && !CheckInputIsFile(input.option, input.path, error))
            return false;
    if (o.writeFiles && !CheckOutputsSpareInputs("--out", o.outPattern, o.firstFrame, o.lastFrame, inputs, error))
        return false;

    // The layer, or the sky, at the layer's full size; the host hands it on at the resolution.
    RgbaImage layerImage;
    if (!o.layerPath.empty()) {
        HostWorld unused;
        if (!LoadLayer("--layer", o.layerPath, o.deep, 1, &layerImage, unused, error))
            return false;
        if (!o.sizeGiven) {
            o.width = layerImage.width;
            o.height = layerImage.height;
        } else if (layerImage.width != o.width || layerImage.height != o.height) {
            error = "--layer " + o.layerPath + " is " + std::to_string(layerImage.width) + "x" +
                    std::to_string(layerImage.height) + " but --size asks for " + std::to_string(o.width) + "x" +
                    std::to_string(o.height) + " (leave out --size to render at the layer's size)";
            return false;
        }
    } else {
        if (o.width <= 0 || o.height <= 0 || o.width > 16384 || o.height > 16384) {
            error = "--size must be WxH with each side 1 to 16384";
            return false;
        }
        layerImage = SkyBackground(o.width, o.height);
    }
    if (!ImageToWorld(Downsample(layerImage, o.resolution), o.deep, plan.layer)) {
        error = "the layer cannot be made";
        return false;
    }
    plan.outputWidth = plan.layer.world.width;
    plan.outputHeight = plan.layer.world.height;
    if (!o.treeReflectionPath.empty() &&
        !LoadLayer("--tree-reflection", o.treeReflectionPath, o.deep, o.resolution, nullptr, plan.treeReflection, error))
        return false;
    if (!o.needleReflectionPath.empty() &&
        !LoadLayer("--needle-reflection", o.needleReflectionPath, o.deep, o.resolution, nullptr, plan.needleReflection,
                   error))
        return false;

    // The layer's size decides the point defaults, so it is set before any value is.
    SetLayerSize(session, o.width, o.height);
    ResetParamValues(session);
    std::vector<int32_t> fileSets;   // the parameters the file gives values
    if (!o.paramsFile.empty()) {
        std::ifstream file(o.paramsFile);
        if (!file) {
            error = "--params " + o.paramsFile + ": cannot open the file";
            return false;
        }
        plan.paramsFile = nlohmann::ordered_json::parse(file, nullptr, false);
        if (plan.paramsFile.is_discarded()) {
            error = "--params " + o.paramsFile + ": not a JSON file";
            return false;
        }
        plan.haveParamsFile = true;
        FollowLayerWithDefaultPoints(plan.paramsFile);
        if (!ApplyParamsJson(session, plan.paramsFile, error, &fileSets)) {
            error = "--params " + o.paramsFile + ": " + error;
            return false;
        }
    }
    bool growUpSet = std::find(fileSets.begin(), fileSets.end(), int32_t(PARAM_GROW_UP)) != fileSets.end();
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
    std::vector<int32_t> checkFrames = {o.firstFrame, o.lastFrame};
    for (const ParamSetting& s : plan.settings)
        for (const Keyframe& k : s.keys)
            if (k.frame > o.firstFrame && k.frame < o.lastFrame)
                checkFrames.push_back(k.frame);
    for (int32_t frame : checkFrames)
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

PF_Err RenderPlannedFrame(HostSession& session, PF_EntryPointFunc entry, const RenderPlan& plan, int32_t frame,
                          HostWorld& output, std::string& error)
{
    if (!SetValuesForFrame(session, plan, frame, error))
        return PF_Err_BAD_CALLBACK_PARAM;
    SetInputWorld(session, plan.layer.world);
    SetLayerParam(session, PARAM_TREE_REFLECTION_LAYER, plan.treeReflection);
    SetLayerParam(session, PARAM_NEEDLE_REFLECTION_LAYER, plan.needleReflection);

    const RenderOptions& o = plan.options;
    PF_InData& in = session.in;
    SetLayerSize(session, o.width, o.height);   // in-data width stays the layer's at every resolution
    in.time_step = in.local_time_step = RenderTimeStep;
    in.time_scale = A_u_long(std::lround(o.fps * RenderTimeStep));
    in.current_time = A_long(frame) * RenderTimeStep;
    in.total_time = A_long(o.lastFrame + 1) * RenderTimeStep;
    in.quality = o.draft ? PF_Quality_LO : PF_Quality_HI;
    in.downsample_x = in.downsample_y = PF_RationalScale{1, A_u_long(o.resolution)};

    if (!MakeWorld(plan.outputWidth, plan.outputHeight, o.deep, output)) {
        error = "the output frame cannot be made";
        return PF_Err_OUT_OF_MEMORY;
    }
    const PF_Err err = CallEffect(session, entry, PF_Cmd_RENDER, &output.world);
    if (err != PF_Err_NONE)
        error = "the effect returned error " + std::to_string(err) + " on frame " + std::to_string(frame);
    return err;
}

int RenderFrames(HostSession& session, PF_EntryPointFunc entry, const RenderOptions& options, std::ostream& out,
                 std::ostream& err)
{
    RenderPlan plan;
    std::string error;
    if (!PlanRender(session, options, plan, error)) {
        err << "velmora: " << error << "\n";
        return EXIT_FAILED;
    }
    const RenderOptions& o = plan.options;
    ProgressLine progress(err, o.progress, int64_t(o.lastFrame) - o.firstFrame + 1);
    for (int32_t frame = o.firstFrame; frame <= o.lastFrame; ++frame) {
        const std::string path = o.writeFiles ? FramePath(o.outPattern, frame) : std::string();
        if (o.writeFiles && o.noOverwrite && FrameFileIsComplete(path)) {
            progress.FrameDone(frame, true);
            continue;
        }
        HostWorld output;
        const PF_Err result = RenderPlannedFrame(session, entry, plan, frame, output, error);
        if (result != PF_Err_NONE || !session.effectMessages.empty()) {
            progress.Close();
            if (result != PF_Err_NONE)
                err << "velmora: " << error << "\n";
            return EXIT_FAILED;
        }
        if (o.writeFiles && !WritePngFile(path, WorldToImage(output.world), error)) {
            progress.Close();
            err << "velmora: " << error << "\n";
            return EXIT_FAILED;
        }
        progress.FrameDone(frame, false);
    }
    progress.Close();
    if (o.writeFiles)
        out << ClosingLine(plan, progress.Rendered(), progress.Skipped()) << "\n";
    return EXIT_OK;
}

std::string ClosingLine(const RenderPlan& plan, int64_t rendered, int64_t skipped)
{
    const RenderOptions& o = plan.options;
    // Where the files are, whatever folder the render was started from.
    const auto where = [&o](int32_t frame) {
        std::error_code ec;
        const std::filesystem::path path = std::filesystem::absolute(FramePath(o.outPattern, frame), ec);
        return ec ? FramePath(o.outPattern, frame) : path.lexically_normal().string();
    };
    const int64_t count = int64_t(o.lastFrame) - o.firstFrame + 1;
    std::string line = "velmora: " + std::to_string(count) + (count > 1 ? " frames" : " frame") + " of " +
                       std::to_string(plan.outputWidth) + "x" + std::to_string(plan.outputHeight) + ", " +
                       (o.deep ? "16-bit" : "8-bit") + " RGBA PNG: " + where(o.firstFrame);
    if (count > 1 && PatternNumbersFrames(o.outPattern))
        line += " to " + where(o.lastFrame);
    if (skipped > 0)
        line += " (" + std::to_string(rendered) + " written, " + std::to_string(skipped) +
                " already complete and kept)";
    return line;
}

// `velmora params`: the parameters as the module registers them at parameter setup, with what
// each does; `--json` as a parameter file (a preset, with the values --set and --params give),
// `--markdown` as the README's table.
#include <iostream>
#include <memory>
#include <cstring>
#include <sstream>

#include "host/commands.h"
#include "host/effect_module.h"
#include "host/frame_paths.h"
#include "host/output_file.h"
#include "host/param_descriptions.h"
#include "host/param_file.h"
#include "host/param_values.h"
#include "host/sequence.h"

namespace {

// What a setting makes of a parameter in the listing: its keys, or its value if not the default.
std::string ValueNote(const HostSession& session, int32_t index, const std::vector<ParamSetting>& settings)
{
    for (auto s = settings.rbegin(); s != settings.rend(); ++s) {
        if (s->index != index || !s->keyframed)
            continue;
        const PF_ParamDef& def = session.defaults[size_t(index)];
        std::string keys;
        for (const Keyframe& k : s->keys)
            keys += (keys.empty() ? "" : ",") + ParamType(def.param_type).format(def, k.value) + "@" +
                    std::to_string(k.frame);
        return ", keyframed " + keys;
    }
    const PF_ParamDef& def = session.defaults[size_t(index)];
    const PF_ParamDef& cur = session.values[size_t(index)];
    const ParamTypeOps& ops = ParamType(def.param_type);
    if (!ops.read || std::memcmp(&def.u, &cur.u, sizeof def.u) == 0)
        return std::string();
    return ", value " + ops.format(def, ops.read(cur));
}

std::string Cell(std::string text)
{
    for (size_t at = 0; (at = text.find('|', at)) != std::string::npos; at += 2)
        text.replace(at, 1, "\\|");
    return text;
}

void WriteMarkdown(const HostSession& session, std::ostream& out)
{
    out << "| # | parameter | type | valid values | default | what it does |\n"
        << "|---|---|---|---|---|---|\n";
    for (size_t i = 1; i < session.defaults.size(); ++i) {
        const int32_t index = int32_t(i);
        const PF_ParamDef& def = session.defaults[i];
        if (def.param_type == PF_Param_GROUP_END)
            continue;
        const ParamTypeOps& ops = ParamType(def.param_type);
        const bool group = def.param_type == PF_Param_GROUP_START;
        std::string dephault;
        if (ops.readDefault) {
            const ParamValue d = ops.readDefault(def);
            dephault = def.param_type == PF_Param_POINT ? FormatNumber(d.v[0]) + "%," + FormatNumber(d.v[1]) + "%"
                                                        : ops.format(def, d);
        } else if (def.param_type == PF_Param_LAYER) {
            dephault = "none";
        }
        out << "| " << index << " | " << (group ? "**" : "") << Cell(ParamKey(session, index)) << (group ? "**" : "")
            << " | " << (group ? "group" : ParamTypeName(def.param_type)) << " | "
            << Cell(ops.range ? ops.range(def) : "") << " | " << Cell(dephault) << " | "
            << Cell(ParamDescription(session, index)) << " |\n";
    }
}

void WriteWindLoops(const HostSession& session, std::ostream& out)
{
    double sway = 0, wave = 0;
    if (!WindLoopFrames(session, sway, wave))
        return;
    out << "wind: the sway repeats every ";
    out << (sway > 0 ? FormatNumber(sway) + " frames (720 / \"Frequency of oscillation\")" : "- (it stands still)");
    out << ", the needle wave every ";
    out << (wave > 0 ? FormatNumber(wave) + " frames (1000 / \"Speed of oscillation\")" : "- (it stands still)");
    out << "\n";
}

} // namespace

int RunParamsCommand(const std::string& modulePath, const ParamsOptions& options, std::ostream& out,
                     std::ostream& err)
{
    std::string error;
    if (!options.outPath.empty() &&
        !CheckOutputsSpareInputs("--out", options.outPath, 0, 0, {{"--params", options.paramsFile}}, error)) {
        err << "velmora: " << error << "\n";
        return EXIT_FAILED;
    }
    ModuleRun run;
    std::ostringstream text;
    bool refused = false;
    const bool loaded = RunModuleInstance(modulePath, run, err, [&](HostSession& s) {
        // The values a preset holds: the file's, then the settings', as a render applies them.
        SetLayerSize(s, options.width, options.height);
        ResetParamValues(s);
        std::vector<ParamSetting> settings;
        if (!options.paramsFile.empty() && !LoadParamsFile(s, "--params", options.paramsFile, settings, error)) {
            refused = true;
            return PF_Err_NONE;
        }
        for (const std::string& setting : options.settings) {
            ParamSetting parsed;
            if (!ParseSetting(s, setting, parsed, error)) {
                refused = true;
                return PF_Err_NONE;
            }
            settings.push_back(parsed);
        }
        for (const ParamSetting& setting : settings)
            if (!ApplySetting(s, setting, setting.keys.front().frame, error)) {
                refused = true;
                return PF_Err_NONE;
            }

        if (options.format == "json") {
            nlohmann::ordered_json doc;
            doc["module"] = run.module.pipl.name;
            doc["num_params"] = s.out.num_params;
            doc["parameters"] = ParamsFileJson(s, settings)["parameters"];
            text << doc.dump(2) << "\n";
        } else if (options.format == "markdown") {
            WriteMarkdown(s, text);
        } else {
            text << run.module.pipl.name << ": " << s.out.num_params << " parameters (index 0 is the input layer)\n";
            for (size_t i = 1; i < s.defaults.size(); ++i) {
                text << DescribeParam(s, int32_t(i)) << ValueNote(s, int32_t(i), settings) << "\n";
                const std::string description = ParamDescription(s, int32_t(i));
                if (!description.empty())
                    text << "      " << description << "\n";
            }
            if (s.customUIRegistered)
                text << "custom UI    events " << s.customUI.events << "\n";
            WriteWindLoops(s, text);
        }
        return PF_Err_NONE;
    });
    if (!loaded)
        return EXIT_NO_MODULE;
    if (refused) {
        err << "velmora: " << error << "\n";
        ReportOutcome(run.session, run.result, err);
        return EXIT_FAILED;
    }
    const int code = ReportOutcome(run.session, run.result, err);
    if (code != EXIT_OK)
        return code;
    if (options.outPath.empty()) {
        out << text.str();
        return EXIT_OK;
    }
    if (!WriteWholeFile(options.outPath, text.str(), error)) {
        err << "velmora: " << error << "\n";
        return EXIT_FAILED;
    }
    return EXIT_OK;
}

void AddParamsCommand(CLI::App& app, HostContext& context)
{
    CLI::App* sub = app.add_subcommand("params", "List the parameters the module registers, with what each does");
    auto options = std::make_shared<ParamsOptions>();
    auto json = std::make_shared<bool>(false);
    auto markdown = std::make_shared<bool>(false);
    auto size = std::make_shared<std::string>();
    sub->add_flag("--json", *json, "Write them as JSON: a parameter file, the values those --set and --params give");
    sub->add_flag("--markdown", *markdown, "Write them as a Markdown table");
    sub->add_option("--set", options->settings, "NAME=VALUE, repeatable, as for render (keyframes too)");
    sub->add_option("--params", options->paramsFile, "A parameter file whose values to start from");
    sub->add_option("--size", *size, "The layer size WxH the point values are for (default 1920x1080)");
    sub->add_option("--out", options->outPath, "Write to this file (whole or not at all) instead of the output");
    sub->callback([&context, options, json, markdown, size] {
        if (*json && *markdown) {
            std::cerr << "velmora: give --json or --markdown, not both\n";
            context.exitCode = EXIT_FAILED;
            return;
        }
        if (!size->empty() && !ParseLayerSize(*size, options->width, options->height)) {
            std::cerr << "velmora: --size \"" << *size << "\": expected WxH, each side 1 to 16384\n";
            context.exitCode = EXIT_FAILED;
            return;
        }
        options->format = *json ? "json" : *markdown ? "markdown" : "text";
        context.exitCode = RunParamsCommand(context.modulePath, *options, std::cout, std::cerr);
    });
}

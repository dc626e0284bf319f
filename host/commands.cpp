// The list of sub-commands, and what their Run functions share.
#include "host/commands.h"

#include <cstdio>

#include "host/effect_module.h"
#include "host/sequence.h"

void AddAllCommands(CLI::App& app, HostContext& context)
{
    AddPiplCommand(app, context);
    AddParamsCommand(app, context);
    AddRenderCommand(app, context);
    AddTreeCommand(app, context);
    AddSceneCommand(app, context);
    AddPanelCommand(app, context);
    AddVersionCommand(app, context);
}

void SetUpCommandLine(CLI::App& app, HostContext& context)
{
    app.add_option("--module", context.modulePath, "The effect module to load (default: the one next to velmora)");
    app.add_flag("--version", context.version, "The host's version and the module's (as `velmora version`)");
    app.require_subcommand(0, 1);
    app.fallthrough();   // --module may also follow the sub-command
    AddAllCommands(app, context);
}

std::string CommandNames(const CLI::App& app)
{
    std::string names;
    for (const CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; }))
        names += (names.empty() ? "" : ", ") + sub->get_name();
    return names;
}

bool RefuseModule(const HostContext& context, const char* command, std::ostream& err)
{
    if (context.modulePath.empty())
        return false;
    err << "velmora: " << command << " uses the tree generator and scene file code built into "
        << "velmora and loads no module; --module is for render, params, pipl and panel\n";
    return true;
}

std::string ResolveModulePath(const std::string& modulePath)
{
    return modulePath.empty() ? DefaultModulePath() : modulePath;
}

std::string EffectErrorText(PF_Err err)
{
    const char* meaning = nullptr;
    switch (err) {
    case PF_Err_OUT_OF_MEMORY: meaning = "out of memory"; break;
    case PF_Err_INTERNAL_STRUCT_DAMAGED: meaning = "internal structure damaged"; break;
    case PF_Err_INVALID_INDEX: meaning = "invalid index"; break;
    case PF_Err_UNRECOGNIZED_PARAM_TYPE: meaning = "unrecognised parameter type"; break;
    case PF_Err_INVALID_CALLBACK: meaning = "invalid callback"; break;
    case PF_Err_BAD_CALLBACK_PARAM: meaning = "bad callback parameter"; break;
    case PF_Interrupt_CANCEL: meaning = "cancelled"; break;
    default: break;
    }
    const std::string number = "error " + std::to_string(err);
    return meaning ? number + " (" + meaning + ")" : number;
}

bool LoadCommandModule(const std::string& modulePath, EffectModule& module, std::ostream& err,
                       HostSession* session)
{
    std::string error;
    if (!LoadEffectModule(ResolveModulePath(modulePath), module, error)) {
        err << "velmora: " << error << "\n";
        return false;
    }
    if (session) {
        session->moduleHandle = module.handle;
        session->modulePath = module.path;
    }
    return true;
}

bool RunModuleInstance(const std::string& modulePath, ModuleRun& run, std::ostream& err,
                       const std::function<PF_Err(HostSession&)>& body)
{
    if (!LoadCommandModule(modulePath, run.module, err, &run.session))
        return false;
    run.result = RunEffectInstance(run.session, run.module.entry, &run.module.pipl, body);
    return true;
}

int ReportOutcome(const HostSession& session, PF_Err err, std::ostream& errStream)
{
    int code = EXIT_OK;
    for (const std::string& message : session.effectMessages) {
        errStream << "velmora: the effect reports: " << message << "\n";
        code = EXIT_FAILED;
    }
    if (err != PF_Err_NONE) {
        errStream << "velmora: the effect returned " << EffectErrorText(err) << "\n";
        code = EXIT_FAILED;
    }
    for (const std::string& problem : SessionProblems(session)) {
        errStream << "velmora: host problem: " << problem << "\n";
        code = EXIT_FAILED;
    }
    return code;
}

bool ParseLayerSize(const std::string& text, int32_t& width, int32_t& height)
{
    int w = 0, h = 0;
    char x = 0, extra = 0;
    if (std::sscanf(text.c_str(), "%d%c%d%c", &w, &x, &h, &extra) != 3 || (x != 'x' && x != 'X') || w <= 0 ||
        h <= 0 || w > 16384 || h > 16384)
        return false;
    width = w;
    height = h;
    return true;
}

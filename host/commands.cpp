// The list of sub-commands, and what their Run functions share.
#include "host/commands.h"

#include "host/effect_module.h"

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

std::string CommandNames(const CLI::App& app)
{
    std::string names;
    for (const CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; }))
        names += (names.empty() ? "" : ", ") + sub->get_name();
    return names;
}

std::string ResolveModulePath(const std::string& modulePath)
{
    return modulePath.empty() ? DefaultModulePath() : modulePath;
}

int ReportOutcome(const HostSession& session, PF_Err err, std::ostream& errStream)
{
    int code = EXIT_OK;
    for (const std::string& message : session.effectMessages) {
        errStream << "velmora: the effect reports: " << message << "\n";
        code = EXIT_FAILED;
    }
    if (err != PF_Err_NONE) {
        errStream << "velmora: the effect returned error " << err << "\n";
        code = EXIT_FAILED;
    }
    for (const std::string& problem : SessionProblems(session)) {
        errStream << "velmora: host problem: " << problem << "\n";
        code = EXIT_FAILED;
    }
    return code;
}

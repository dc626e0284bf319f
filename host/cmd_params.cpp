// `velmora params [--json]`: the parameters as the module registers them at parameter setup.
#include <memory>

#include "host/commands.h"
#include "host/effect_module.h"
#include "host/param_values.h"
#include "host/sequence.h"

int RunParamsCommand(const std::string& modulePath, bool json, std::ostream& out, std::ostream& err)
{
    EffectModule module;
    std::string error;
    if (!LoadEffectModule(ResolveModulePath(modulePath), module, error)) {
        err << "velmora: " << error << "\n";
        return EXIT_NO_MODULE;
    }
    HostSession session;
    session.moduleHandle = module.handle;
    session.modulePath = module.path;
    PF_Err result = RunEffectInstance(session, module.entry, &module.pipl, nullptr);
    int code = ReportOutcome(session, result, err);
    if (code != EXIT_OK)
        return code;

    if (json) {
        nlohmann::ordered_json doc;
        doc["module"] = module.pipl.name;
        doc["num_params"] = session.out.num_params;
        doc["parameters"] = ParamsToJson(session)["parameters"];
        out << doc.dump(2) << "\n";
        return EXIT_OK;
    }
    out << module.pipl.name << ": " << session.out.num_params << " parameters (index 0 is the input layer)\n";
    for (size_t i = 1; i < session.defaults.size(); ++i)
        out << DescribeParam(session, int32_t(i)) << "\n";
    if (session.customUIRegistered)
        out << "custom UI    events " << session.customUI.events << "\n";
    return EXIT_OK;
}

void AddParamsCommand(CLI::App& app, HostContext& context)
{
    CLI::App* sub = app.add_subcommand("params", "List the parameters the module registers");
    auto json = std::make_shared<bool>(false);
    sub->add_flag("--json", *json, "Write them as JSON, the form a parameter file takes");
    sub->callback([&context, json] {
        context.exitCode = RunParamsCommand(context.modulePath, *json, std::cout, std::cerr);
    });
}

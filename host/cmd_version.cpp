// `velmora version` (also `velmora --version`): which host this is, and which module it loads
// with the version the module's PiPL declares.
#include <iostream>

#include "host/commands.h"
#include "host/effect_module.h"

int RunVersionCommand(const std::string& modulePath, std::ostream& out, std::ostream& err)
{
    out << "velmora " << VELMORA_HOST_VERSION << " (the command-line host; host interface " << PF_PLUG_IN_VERSION
        << "." << PF_PLUG_IN_SUBVERS << ")\n";
    EffectModule module;
    if (!LoadCommandModule(modulePath, module, err))
        return EXIT_NO_MODULE;
    out << module.pipl.name << " " << VersionText(module.pipl.effectVersion) << " (" << Hex(module.pipl.effectVersion)
        << "), category \"" << module.pipl.category << "\": " << module.path << "\n";
    return EXIT_OK;
}

void AddVersionCommand(CLI::App& app, HostContext& context)
{
    CLI::App* sub = app.add_subcommand("version", "The host's version and the module's, from its PiPL");
    sub->callback([&context] { context.exitCode = RunVersionCommand(context.modulePath, std::cout, std::cerr); });
}

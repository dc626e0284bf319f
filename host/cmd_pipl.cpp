// `velmora pipl`: the module's PiPL, decoded, after the same checks the host makes on loading.
#include <cstdio>

#include "host/commands.h"
#include "host/effect_module.h"

std::string Hex(uint32_t v)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", unsigned(v));
    return buf;
}

std::string VersionText(uint32_t v)
{
    // The host's packing: version in bits 19-21 (and 26-29), subversion 15-18, bug-fix 11-14,
    // stage 9-10, build 0-8.
    const unsigned vers = ((v >> 19) & 0x7) | (((v >> 26) & 0xF) << 3);
    static const char* const stages[] = {"develop", "alpha", "beta", "release"};
    char buf[96];
    std::snprintf(buf, sizeof buf, "%u.%u.%u %s build %u", vers, unsigned((v >> 15) & 0xF),
                  unsigned((v >> 11) & 0xF), stages[(v >> 9) & 0x3], unsigned(v & 0x1FF));
    return buf;
}

int RunPiplCommand(const std::string& modulePath, std::ostream& out, std::ostream& err)
{
    EffectModule module;
    if (!LoadCommandModule(modulePath, module, err))
        return EXIT_NO_MODULE;
    const PiPLInfo& p = module.pipl;
    out << "resource     " << VELMORA_PIPL_ID << ", " << module.piplBytes.size() << " bytes, "
        << p.properties.size() << " properties\n";
    out << "kind         " << FourCharText(p.kind) << "\n";
    out << "name         \"" << p.name << "\"\n";
    out << "category     \"" << p.category << "\"\n";
    out << "entry point  \"" << p.entryPoint << "\"\n";
    out << "pipl version " << p.piplVersionMajor << "." << p.piplVersionMinor << "\n";
    out << "spec version " << p.specVersionMajor << "." << p.specVersionMinor << "\n";
    out << "version      " << Hex(p.effectVersion) << " (" << VersionText(p.effectVersion) << ")\n";
    out << "info flags   " << p.infoFlags << "\n";
    out << "flags        " << Hex(p.outFlags) << "\n";
    out << "match name   \"" << p.matchName << "\"\n";
    out << "flags 2      " << Hex(p.outFlags2) << "\n";
    out << "properties\n";
    for (const PiPLProperty& prop : p.properties)
        out << "  " << FourCharText(prop.vendor) << " " << FourCharText(prop.key) << " id " << prop.id << " length "
            << prop.data.size() << "\n";
    return EXIT_OK;
}

void AddPiplCommand(CLI::App& app, HostContext& context)
{
    CLI::App* sub = app.add_subcommand("pipl", "Show the module's decoded PiPL");
    sub->callback([&context] { context.exitCode = RunPiplCommand(context.modulePath, std::cout, std::cerr); });
}

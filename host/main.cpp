// velmora: the command-line host. Loads the effect module as the host application does and drives
// it through its entry point; the sub-commands are listed in host/commands.cpp.
#include <exception>
#include <iostream>

#include "host/commands.h"
#include "host/output_file.h"

int main(int argc, char** argv)
{
    CLI::App app{"velmora: drives the Velmora effect module as its host does"};
    HostContext context;
    app.add_option("--module", context.modulePath, "The effect module to load (default: the one next to velmora)");
    app.require_subcommand(1);
    app.fallthrough();   // --module may also follow the sub-command
    AddAllCommands(app, context);
    RemoveTemporariesOnInterrupt();
    WatchStandardOutput();
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    } catch (const std::exception& e) {
        std::cerr << "velmora: " << e.what() << "\n";
        return EXIT_FAILED;
    }
    // Results go to the standard output; a full device or a closed pipe must not pass as success.
    std::string error;
    if (!FinishStandardOutput(error)) {
        std::cerr << "velmora: " << error << "\n";
        return context.exitCode != EXIT_OK ? context.exitCode : EXIT_FAILED;
    }
    return context.exitCode;
}

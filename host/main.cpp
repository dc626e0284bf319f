// velmora: the command-line host. Loads the effect module as the host application does and drives
// it through its entry point; the sub-commands are listed in host/commands.cpp.
#include <cstring>
#include <exception>
#include <iostream>

#include "host/commands.h"
#include "host/output_file.h"

namespace {

// The first argument that is neither an option nor the value of --module: what the user meant
// as the sub-command.
std::string FirstWord(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--module") == 0) {
            ++i;
            continue;
        }
        if (argv[i][0] != '-')
            return argv[i];
    }
    return std::string();
}

int Run(CLI::App& app, HostContext& context, int argc, char** argv)
{
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const std::string word = FirstWord(argc, argv);
        if (app.get_subcommands().empty() && !word.empty() && e.get_exit_code() != 0) {
            std::cerr << "velmora: \"" << word << "\" is not a sub-command; the sub-commands are " << CommandNames(app)
                      << " (velmora --help says what each does)\n";
            return EXIT_FAILED;
        }
        return app.exit(e);
    } catch (const std::exception& e) {
        std::cerr << "velmora: " << e.what() << "\n";
        return EXIT_FAILED;
    }
    if (!app.get_subcommands().empty())
        return context.exitCode;
    if (context.version)
        return RunVersionCommand(context.modulePath, std::cout, std::cerr);
    std::cerr << "velmora: give a sub-command: " << CommandNames(app) << " (velmora --help says what each does)\n";
    return EXIT_FAILED;
}

} // namespace

int main(int argc, char** argv)
{
    CLI::App app{"velmora: drives the Velmora effect module as its host does"};
    HostContext context;
    SetUpCommandLine(app, context);
    RemoveTemporariesOnInterrupt();
    WatchStandardOutput();
    int code = Run(app, context, argc, argv);
    // Results go to the standard output; a full device or a closed pipe must not pass as success.
    std::string error;
    if (!FinishStandardOutput(error)) {
        std::cerr << "velmora: " << error << "\n";
        return code != EXIT_OK ? code : EXIT_FAILED;
    }
    return code;
}

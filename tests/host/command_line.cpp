// The command line run in-process.
#include "tests/host/command_line.h"

#include <gtest/gtest.h>

#include <iostream>
#include <sstream>

#include "host/commands.h"

namespace {

template <class Parse>
int Run(const std::string& shown, std::string* said, Parse parse)
{
    CLI::App app;
    HostContext context;
    SetUpCommandLine(app, context);
    std::ostringstream err;
    std::streambuf* const saved = said ? std::cerr.rdbuf(err.rdbuf()) : nullptr;
    int code = -1;
    try {
        parse(app);
        if (app.get_subcommands().empty())
            ADD_FAILURE() << shown << ": no sub-command was run";
        else
            code = context.exitCode;
    } catch (const CLI::ParseError& e) {
        ADD_FAILURE() << shown << ": " << e.what();
    }
    if (said) {
        std::cerr.rdbuf(saved);
        *said = err.str();
    }
    return code;
}

} // namespace

int RunCommandLine(const std::string& commandLine, std::string* said)
{
    return Run(commandLine, said, [&](CLI::App& app) { app.parse(commandLine, false); });
}

int RunCommandLine(const std::vector<std::string>& words, std::string* said)
{
    std::string shown;
    for (const std::string& w : words)
        shown += (shown.empty() ? "" : " ") + w;
    // CLI11 takes the words last first.
    std::vector<std::string> reversed(words.rbegin(), words.rend());
    return Run(shown, said, [&](CLI::App& app) { app.parse(reversed); });
}

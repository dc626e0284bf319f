// The velmora program's command line run inside the test process: the host's own options and
// every sub-command, with the module next to the test program unless the line names another.
#pragma once

#include <string>
#include <vector>

// Each answers the chosen sub-command's exit code, or -1 (having failed the test) when the line
// itself is refused. With `said`, what the command writes to std::cerr is kept there instead of
// shown. One takes the line as a user types it (quotes group words), the other its words.
int RunCommandLine(const std::string& commandLine, std::string* said = nullptr);
int RunCommandLine(const std::vector<std::string>& words, std::string* said = nullptr);

// The argument vector a started program receives, made whole before the process is forked or
// spawned: between fork and exec nothing may be allocated.
#pragma once

#include <string>
#include <vector>

class ExecArguments {
public:
    ExecArguments(const std::string& program, const std::vector<std::string>& arguments) : words{program}
    {
        words.insert(words.end(), arguments.begin(), arguments.end());
        for (std::string& w : words)
            pointers.push_back(&w[0]);
        pointers.push_back(nullptr);
    }
    ExecArguments(const ExecArguments&) = delete;
    ExecArguments& operator=(const ExecArguments&) = delete;

    // argv as execv and posix_spawn take it, ending in a null pointer; argv[0] is the program.
    char* const* Vector() const { return pointers.data(); }

private:
    std::vector<std::string> words;
    std::vector<char*> pointers;
};

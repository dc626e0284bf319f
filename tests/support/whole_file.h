// A whole file's bytes in one call, for tests and fuzzers that compare or parse what was written.
// Header-only, so that the fuzzers (which have no test library) share it too.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// Empty when the file cannot be read.
inline std::string ReadFileText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path)
{
    const std::string text = ReadFileText(path);
    return std::vector<uint8_t>(text.begin(), text.end());
}

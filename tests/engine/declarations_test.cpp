// The lists that must follow the engine's declarations: the export names that tools and tests
// look up (every export of the public header, in its order) and the variables the tests'
// settings guard saves (every module-wide variable an engine or shading header declares), so
// that a new export or setting cannot be left out of either; and the guard puts back whatever a
// test changed.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "engine/engine_exports.h"
#include "tests/support/settings_guard.h"

namespace {

// The file's lines with their comments cut off.
std::vector<std::string> CodeLines(const std::filesystem::path& file)
{
    std::ifstream in(file);
    EXPECT_TRUE(in.good()) << file;
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line.substr(0, line.find("//")));
    return lines;
}

// The name a declaration introduces: the identifier before its parameter list for a function,
// before its ';' (or array bounds) for a variable.
std::string DeclaredName(const std::string& line)
{
    size_t end = line.find('(');
    if (end == std::string::npos)
        end = line.find_first_of("[;");
    if (end == std::string::npos)
        return "";
    while (end > 0 && line[end - 1] == ' ')
        --end;
    size_t begin = end;
    while (begin > 0 && (std::isalnum(static_cast<unsigned char>(line[begin - 1])) || line[begin - 1] == '_'))
        --begin;
    return line.substr(begin, end - begin);
}

// The words of a line, split at spaces and tabs.
std::vector<std::string> Words(const std::string& line)
{
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string w; in >> w;)
        words.push_back(w);
    return words;
}

std::filesystem::path Source(const char* relative) { return std::filesystem::path(VELMORA_SOURCE_DIR) / relative; }

} // namespace

TEST(EngineDeclarations, TheExportNameListIsEveryExportInTheHeadersOrder)
{
    std::vector<std::string> declared;
    for (const std::string& line : CodeLines(Source("engine/engine_exports.h"))) {
        const std::vector<std::string> words = Words(line);
        if (!words.empty() && words[0] == "VELMORA_EXPORT")
            declared.push_back(DeclaredName(line));
    }
    std::vector<std::string> listed(std::begin(EngineExportNames), std::end(EngineExportNames));
    EXPECT_EQ(listed, declared);
    EXPECT_GT(declared.size(), 50u);
}

TEST(EngineDeclarations, TheSettingsGuardCoversEveryModuleWideVariable)
{
    // Mutable variables only: the shading tables are constant; `extern "C"` opens a block.
    auto isVariable = [](const std::string& line) {
        std::vector<std::string> words = Words(line);
        if (!words.empty() && words[0] == "VELMORA_EXPORT")
            words.erase(words.begin());
        return words.size() > 2 && words[0] == "extern" && words[1] != "const" && words[1].rfind("\"C\"", 0) != 0 &&
               line.find('(') == std::string::npos;
    };
    std::set<std::string> declared;
    for (const char* folder : {"engine", "shading"})
        for (const auto& entry : std::filesystem::directory_iterator(Source(folder)))
            if (entry.path().extension() == ".h")
                for (const std::string& line : CodeLines(entry.path()))
                    if (isVariable(line))
                        declared.insert(DeclaredName(line));
    std::set<std::string> guarded;
    for (const GuardedVariable& v : GuardedEngineVariables)
        guarded.insert(v.name);
    EXPECT_EQ(guarded, declared);
    EXPECT_TRUE(declared.count("_DrawMode") && declared.count("RasterSceneOutOfMemory"));
}

TEST(EngineDeclarations, TheSettingsGuardPutsBackEveryVariable)
{
    std::vector<std::vector<unsigned char>> before;
    for (const GuardedVariable& v : GuardedEngineVariables) {
        const auto* bytes = static_cast<const unsigned char*>(v.address);
        before.emplace_back(bytes, bytes + v.size);
    }
    {
        EngineSettingsGuard guard;
        // Nothing runs while the values are garbage; the guard must undo every byte.
        for (const GuardedVariable& v : GuardedEngineVariables) {
            auto* bytes = static_cast<unsigned char*>(v.address);
            for (size_t k = 0; k < v.size; ++k)
                bytes[k] ^= 0xA5;
        }
    }
    for (size_t i = 0; i < before.size(); ++i) {
        const GuardedVariable& v = GuardedEngineVariables[i];
        EXPECT_EQ(std::memcmp(v.address, before[i].data(), v.size), 0) << v.name;
    }
}

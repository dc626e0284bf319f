// The lists that must follow the engine's declarations: the export names that tools and tests
// look up (every export of the public header, in its order) and the variables the tests'
// settings guard saves (every module-wide variable an engine or shading header declares), so
// that a new export or setting cannot be left out of either; and the guard puts back whatever a
// test changed.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
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
    static const std::regex function(R"(([A-Za-z_]\w*)\s*\()");
    static const std::regex variable(R"(([A-Za-z_]\w*)\s*(\[[^\]]*\])?\s*;)");
    std::smatch m;
    if (std::regex_search(line, m, function) || std::regex_search(line, m, variable))
        return m[1];
    return "";
}

std::filesystem::path Source(const char* relative) { return std::filesystem::path(VELMORA_SOURCE_DIR) / relative; }

} // namespace

TEST(EngineDeclarations, TheExportNameListIsEveryExportInTheHeadersOrder)
{
    std::vector<std::string> declared;
    static const std::regex exported(R"(^\s*VELMORA_EXPORT\s)");
    for (const std::string& line : CodeLines(Source("engine/engine_exports.h")))
        if (std::regex_search(line, exported))
            declared.push_back(DeclaredName(line));
    std::vector<std::string> listed(std::begin(EngineExportNames), std::end(EngineExportNames));
    EXPECT_EQ(listed, declared);
    EXPECT_GT(declared.size(), 50u);
}

TEST(EngineDeclarations, TheSettingsGuardCoversEveryModuleWideVariable)
{
    // Mutable variables only: the shading tables are constant.
    static const std::regex variable(R"(^\s*(VELMORA_EXPORT\s+)?extern\s+(?!"C")(?!const\s))");
    std::set<std::string> declared;
    for (const char* folder : {"engine", "shading"})
        for (const auto& entry : std::filesystem::directory_iterator(Source(folder)))
            if (entry.path().extension() == ".h")
                for (const std::string& line : CodeLines(entry.path()))
                    if (std::regex_search(line, variable))
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

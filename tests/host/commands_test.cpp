// The sub-commands on the built module, and the host's refusal of modules that are not ours.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "effect/pipl.h"
#include "host/commands.h"
#include "host/effect_module.h"
#include "host/param_values.h"
#include "platform/module_loader.h"

#if !defined(_WIN32)
#include <unistd.h>
#endif

namespace {

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(PiplCommand, ShowsTheDecodedPropertyList)
{
    std::ostringstream out, err;
    ASSERT_EQ(RunPiplCommand("", out, err), EXIT_OK) << err.str();
    const std::string text = out.str();
    EXPECT_TRUE(Contains(text, "kind         eFKT\n"));
    EXPECT_TRUE(Contains(text, "name         \"Velmora\"\n"));
    EXPECT_TRUE(Contains(text, "category     \"Quillmark\"\n"));
    EXPECT_TRUE(Contains(text, "entry point  \"EntryPointFunc\"\n"));
    EXPECT_TRUE(Contains(text, "version      0x00100001 (2.0.0 develop build 1)\n"));
    EXPECT_TRUE(Contains(text, "flags        0x06008454\n"));
    EXPECT_TRUE(Contains(text, "  8BIM eINF id 0 length 2\n"));
    EXPECT_TRUE(err.str().empty());
}

ParamsOptions Format(const std::string& format)
{
    ParamsOptions o;
    o.format = format;
    return o;
}

TEST(ParamsCommand, ListsTheSixtyFourParametersWithWhatEachDoes)
{
    std::ostringstream out, err;
    ASSERT_EQ(RunParamsCommand("", Format("text"), out, err), EXIT_OK) << err.str();
    std::vector<std::string> lines = Lines(out.str());
    // A heading, 64 parameters each with its description (but the 5 group ends), the custom UI
    // and the wind's loop lengths.
    ASSERT_EQ(lines.size(), 1u + 64u + 59u + 2u);
    EXPECT_EQ(lines[0], "Velmora: 65 parameters (index 0 is the input layer)");
    EXPECT_EQ(lines[3], " 2  Rendering mode                          popup       default 5 (Phong) of 7: "
                        "Rough|Line|Wire|Flat|Phong|Patches|Bezier");
    EXPECT_EQ(lines[4].rfind("      How the tree is drawn: Rough", 0), 0u) << lines[4];
    EXPECT_TRUE(Contains(out.str(), "\n 6  Length                                  fixed       valid 0.1 to 1000, slider 10 "
                                    "to 110, default 50, precision 2\n"));
    EXPECT_TRUE(Contains(out.str(), "\n62  Opposite light                          checkbox    default on, flags 1\n"));
    EXPECT_TRUE(Contains(out.str(), "N branches\" 10") || Contains(out.str(), "10 about 20 million"));
    EXPECT_TRUE(Contains(out.str(), "180 stands it upright"));
    EXPECT_TRUE(Contains(out.str(), "Renders the tree alone on transparent black"));
    EXPECT_EQ(lines[lines.size() - 2], "custom UI    events 7");
    EXPECT_EQ(lines.back(), "wind: the sway repeats every 72 frames (720 / \"Frequency of oscillation\"), the "
                            "needle wave every 25 frames (1000 / \"Speed of oscillation\")");

    // Every parameter with a value has a description; the table has a row for each.
    std::ostringstream table;
    ASSERT_EQ(RunParamsCommand("", Format("markdown"), table, err), EXIT_OK) << err.str();
    const std::vector<std::string> rows = Lines(table.str());
    ASSERT_EQ(rows.size(), 2u + 64u - 5u);
    for (size_t i = 2; i < rows.size(); ++i)
        EXPECT_NE(rows[i].substr(rows[i].size() - 4), "|  |") << rows[i];
    EXPECT_TRUE(Contains(table.str(), "| 2 | Rendering mode | popup | 1 to 7 or a name of Rough\\|Line"));
    EXPECT_TRUE(Contains(table.str(), "| 24 | Position | point | x,y in layer pixels, or x%,y% of the layer | 50%,100% |"));
}

TEST(ParamsCommand, WritesJsonThatNamesEveryParameter)
{
    std::ostringstream out, err;
    ASSERT_EQ(RunParamsCommand("", Format("json"), out, err), EXIT_OK) << err.str();
    nlohmann::json doc = nlohmann::json::parse(out.str());
    EXPECT_EQ(doc["module"], "Velmora");
    EXPECT_EQ(doc["num_params"], 65);
    ASSERT_EQ(doc["parameters"].size(), 64u);
    const nlohmann::json& position = doc["parameters"][23];
    EXPECT_EQ(position["index"], 24);
    EXPECT_EQ(position["name"], "Position");
    EXPECT_EQ(position["default"], nlohmann::json::array({50.0, 100.0}));
    EXPECT_EQ(position["value"], "50%,100%");   // of the layer, whatever its size
    EXPECT_TRUE(Contains(position["description"].get<std::string>(), "foot of the tree"));
    const nlohmann::json& diffuse = doc["parameters"][43];
    EXPECT_EQ(diffuse["key"], "Material of tree/Diffuse");
    EXPECT_EQ(diffuse["value"], nlohmann::json::array({160, 80, 0}));
    EXPECT_EQ(doc["parameters"][5]["valid"], nlohmann::json::array({0.1, 1000.0}));
}

// A preset: the values --set and --params give, keyframes included, saved and read back.
TEST(ParamsCommand, SavesTheGivenValuesAsAPresetThatReadsBack)
{
    const std::string path = std::filesystem::temp_directory_path().string() + "/velmora-preset-test.json";
    ParamsOptions o = Format("json");
    o.settings = {"Grow up=0@0,100@47", "Rendering mode=Flat", "Position=25%,50%", "Light color=1,2,3"};
    o.outPath = path;
    std::ostringstream out, err;
    ASSERT_EQ(RunParamsCommand("", o, out, err), EXIT_OK) << err.str();
    EXPECT_TRUE(out.str().empty());
    std::ifstream in(path);
    const nlohmann::json doc = nlohmann::json::parse(in);
    EXPECT_EQ(doc["parameters"][2]["value"],
              nlohmann::json::parse(R"([{"frame": 0, "value": 0.0}, {"frame": 47, "value": 100.0}])"));
    EXPECT_EQ(doc["parameters"][1]["value"], 4);
    EXPECT_EQ(doc["parameters"][23]["value"], "25%,50%");

    // Read back and written again: the same file, and a listing that shows the values.
    ParamsOptions again = Format("json");
    again.paramsFile = path;
    std::ostringstream second, listing;
    ASSERT_EQ(RunParamsCommand("", again, second, err), EXIT_OK) << err.str();
    std::ifstream first(path);
    EXPECT_EQ(nlohmann::json::parse(second.str()), nlohmann::json::parse(first));
    again.format = "text";
    again.settings = {"Frequency of oscillation=15"};
    ASSERT_EQ(RunParamsCommand("", again, listing, err), EXIT_OK) << err.str();
    EXPECT_TRUE(Contains(listing.str(), "default 100, precision 2, keyframed 0@0,100@47\n")) << listing.str();
    EXPECT_TRUE(Contains(listing.str(), "value 480,540\n")) << listing.str();
    EXPECT_TRUE(Contains(listing.str(), "wind: the sway repeats every 48 frames")) << listing.str();

    // Its own input is no place for the output.
    again.outPath = path;
    EXPECT_EQ(RunParamsCommand("", again, second, err), EXIT_FAILED);
    EXPECT_TRUE(Contains(err.str(), "the --params file")) << err.str();
    std::remove(path.c_str());
}

TEST(ModuleChecks, AModuleThatCannotBeLoadedIsRefused)
{
    std::ostringstream out, err;
    EXPECT_EQ(RunParamsCommand(ExecutableDir() + "no-such-module.bin", ParamsOptions(), out, err), EXIT_NO_MODULE);
    EXPECT_TRUE(Contains(err.str(), "cannot load"));
    EXPECT_TRUE(out.str().empty());
}

TEST(ModuleChecks, AModuleWithoutAPiPLIsRefused)
{
    // Any system library will do: none carries a PiPL.
#if defined(_WIN32)
    const std::string library = "kernel32.dll";
#else
    const std::string library = "libm.so.6";
#endif
    std::ostringstream out, err;
    EXPECT_EQ(RunPiplCommand(library, out, err), EXIT_NO_MODULE);
    EXPECT_TRUE(Contains(err.str(), "no PiPL")) << err.str();
}

TEST(ModuleChecks, APiPLOfAnotherKindIsRefused)
{
    std::vector<uint8_t> bytes = VelmoraPiPL();
    bytes[26] = 'X';   // the kind's data, "TKFe", becomes "XKFe"
    PiPLInfo info;
    std::string error;
    ASSERT_TRUE(DecodePiPL(bytes.data(), bytes.size(), info, error)) << error;
    EXPECT_FALSE(CheckEffectPiPL(info, error));
    EXPECT_TRUE(Contains(error, "not an effect ('eFKT')")) << error;

    ASSERT_TRUE(DecodePiPL(VelmoraPiPL().data(), VelmoraPiPL().size(), info, error));
    EXPECT_TRUE(CheckEffectPiPL(info, error));
    info.category.clear();
    EXPECT_FALSE(CheckEffectPiPL(info, error));
    info.category = "Quillmark";
    info.hasEntryPoint = false;
    EXPECT_FALSE(CheckEffectPiPL(info, error));
}

TEST(ModuleChecks, AnEntryPointTheModuleLacksIsRefused)
{
    std::string error;
    void* module = LoadModule(DefaultModulePath(), error);
    ASSERT_NE(module, nullptr) << error;
    PiPLInfo info;
    info.entryPoint = "EntryPointFunction";
    EXPECT_EQ(FindEffectEntry(module, info, error), nullptr);
    EXPECT_TRUE(Contains(error, "no entry point \"EntryPointFunction\"")) << error;
    info.entryPoint = "EntryPointFunc";
    EXPECT_NE(FindEffectEntry(module, info, error), nullptr);
    UnloadModule(module);
}

TEST(VersionCommand, NamesTheHostAndTheModuleWithItsPiPLVersion)
{
    std::ostringstream out, err;
    ASSERT_EQ(RunVersionCommand("", out, err), EXIT_OK) << err.str();
    const std::vector<std::string> lines = Lines(out.str());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind("velmora ", 0), 0u) << lines[0];
    EXPECT_TRUE(Contains(lines[0], " (the command-line host; host interface 13.28)")) << lines[0];
    EXPECT_TRUE(Contains(lines[1], "Velmora 2.0.0 develop build 1 (0x00100001), category \"Quillmark\"")) << lines[1];
    EXPECT_EQ(RunVersionCommand(ExecutableDir() + "no-such-module.bin", out, err), EXIT_NO_MODULE);
}

#if !defined(_WIN32)
// The program itself, for what happens before a sub-command runs.
struct ProgramRun {
    int status = -1;
    std::string out, err;
};
ProgramRun RunVelmora(const std::string& arguments)
{
    const std::string base = std::filesystem::temp_directory_path() / ("velmora-main-" + std::to_string(::getpid()));
    ProgramRun run;
    run.status = std::system(("./velmora " + arguments + " > " + base + ".out 2> " + base + ".err").c_str());
    for (auto [suffix, text] : {std::pair<const char*, std::string*>{".out", &run.out}, {".err", &run.err}}) {
        std::ifstream in(base + suffix);
        *text = std::string(std::istreambuf_iterator<char>(in), {});
        std::remove((base + suffix).c_str());
    }
    return run;
}

TEST(MainProgram, VersionHelpAndUnknownSubCommands)
{
    if (!std::filesystem::exists("./velmora"))
        GTEST_SKIP() << "needs velmora beside the tests";
    // What the program answers to each command line, and the texts that answer must hold on the
    // standard output (a success) or the standard error (a refusal).
    struct Case {
        const char* arguments;
        bool succeeds;
        std::vector<const char*> says;
    };
    const Case cases[] = {
        {"--version", true, {"Velmora 2.0.0 develop build 1"}},
        {"--help", true, {"render"}},
        {"frobnicate", false, {"\"frobnicate\" is not a sub-command; the sub-commands are ", "render"}},
        {"", false, {"give a sub-command"}},
        {"render --frames 0-10000000", false, {"the largest frame is 9999999"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("velmora ") + c.arguments);
        const ProgramRun run = RunVelmora(c.arguments);
        EXPECT_EQ(run.status == 0, c.succeeds) << run.err;
        const std::string& said = c.succeeds ? run.out : run.err;
        for (const char* part : c.says)
            EXPECT_TRUE(Contains(said, part)) << said;
    }
}
#endif

} // namespace

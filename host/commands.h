// The sub-commands of `velmora`. Each lives in its own file (host/cmd_NAME.cpp) and has two
// pieces: a Run function that does the work with the streams it is given (what the tests call),
// and an Add function that declares the sub-command and its options on the command line and
// calls Run when it is chosen. AddAllCommands (host/commands.cpp) lists every Add function.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "effect/host_api.h"
#include "host/effect_module.h"
#include "host/host_ops.h"

// What every sub-command shares: the module to load, and the exit code the chosen one leaves.
struct HostContext {
    std::string modulePath;   // empty: the module next to the program
    bool version = false;     // --version given
    int exitCode = 0;
};

enum : int {
    EXIT_OK = 0,
    EXIT_FAILED = 1,          // the effect or the host reported an error
    EXIT_NO_MODULE = 3,       // the module could not be loaded or is not our kind of effect
};

void AddAllCommands(CLI::App& app, HostContext& context);
// The whole command line of `velmora`: its options, at most one sub-command, and every
// sub-command from AddAllCommands. The program and the tests' in-process runner both use it.
void SetUpCommandLine(CLI::App& app, HostContext& context);
// "render, params, ...": the sub-commands' names, for messages.
std::string CommandNames(const CLI::App& app);

void AddPiplCommand(CLI::App& app, HostContext& context);
int RunPiplCommand(const std::string& modulePath, std::ostream& out, std::ostream& err);
// A PiPL version word as the host shows it ("2.0.0 develop build 1"), and any word as 0x0010001F.
std::string VersionText(uint32_t version);
std::string Hex(uint32_t value);

// `velmora version` and `velmora --version`: the host's version and the loaded module's.
void AddVersionCommand(CLI::App& app, HostContext& context);
int RunVersionCommand(const std::string& modulePath, std::ostream& out, std::ostream& err);

struct ParamsOptions {
    std::string format = "text";        // "text", "json" or "markdown"
    std::vector<std::string> settings;  // NAME=VALUE, applied after the file
    std::string paramsFile;
    int32_t width = 1920;               // the layer the point values are for
    int32_t height = 1080;
    std::string outPath;                // empty: the standard output
};
void AddParamsCommand(CLI::App& app, HostContext& context);
int RunParamsCommand(const std::string& modulePath, const ParamsOptions& options, std::ostream& out,
                     std::ostream& err);

// "WxH" with each side 1 to 16384.
bool ParseLayerSize(const std::string& text, int32_t& width, int32_t& height);

struct FrameTreeOptions;
// The mesh files `velmora tree` writes; an empty path writes none.
struct TreeExport {
    std::string objPath;    // and its .mtl beside it
    std::string gltfPath;   // .glb
};
void AddTreeCommand(CLI::App& app, HostContext& context);
int RunTreeCommand(const FrameTreeOptions& options, const TreeExport& files, std::ostream& out, std::ostream& err);

void AddSceneCommand(CLI::App& app, HostContext& context);
int RunSceneStoreCommand(bool append, const FrameTreeOptions& options, const std::string& file,
                         std::ostream& out, std::ostream& err);
int RunSceneInfoCommand(const std::string& file, std::ostream& out, std::ostream& err);

struct RenderOptions;
void AddRenderCommand(CLI::App& app, HostContext& context);
int RunRenderCommand(const std::string& modulePath, const RenderOptions& options, std::ostream& out,
                     std::ostream& err);

void AddPanelCommand(CLI::App& app, HostContext& context);
int RunPanelCommand(const std::string& modulePath, const std::string& outPath, const std::string& hover,
                    std::ostream& out, std::ostream& err);

// `tree` and `scene` work with the code built into velmora, not with a loaded module: true, with
// a message on `err`, when the command line named a module all the same.
bool RefuseModule(const HostContext& context, const char* command, std::ostream& err);

// Loads the module the command line names (the one beside velmora when none) and points the
// session's platform data, when given, at it; false, having said why on `err`, when it cannot be
// loaded.
bool LoadCommandModule(const std::string& modulePath, EffectModule& module, std::ostream& err,
                       HostSession* session = nullptr);

// What a command that drives the effect keeps: the loaded module and the session of one instance
// of it, with the instance's first error. The session, declared last, goes first, while the
// module it called is still loaded.
struct ModuleRun {
    EffectModule module;
    HostSession session;
    PF_Err result = PF_Err_NONE;
};
// Loads the command's module into `run` (LoadCommandModule) and runs one instance of it with
// `body` (RunEffectInstance); false, having said why on `err`, when the module cannot be loaded.
bool RunModuleInstance(const std::string& modulePath, ModuleRun& run, std::ostream& err,
                       const std::function<PF_Err(HostSession&)>& body);

// For the Run functions: the path to load, and the verdict on a finished effect instance. A
// command fails when the effect returned an error, showed an error message, or left the host
// with a problem (an unreleased suite, a check-out never checked in, ...); each is printed to `err`.
std::string ResolveModulePath(const std::string& modulePath);
int ReportOutcome(const HostSession& session, PF_Err err, std::ostream& errStream);

// "error 4 (out of memory)": the number an effect returned, with its meaning where the host's
// interface gives it one.
std::string EffectErrorText(PF_Err err);

// Loading the effect module the way the host does: read and check its PiPL first, then find the
// entry point by the name the PiPL gives.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "effect/host_api.h"
#include "effect/pipl.h"

// A loaded effect module; unloaded when it goes away.
struct EffectModule {
    EffectModule() = default;
    ~EffectModule();
    EffectModule(const EffectModule&) = delete;
    EffectModule& operator=(const EffectModule&) = delete;

    std::string path;
    void* handle = nullptr;
    std::vector<uint8_t> piplBytes;
    PiPLInfo pipl;
    PF_EntryPointFunc entry = nullptr;
};

// The module next to the running program.
std::string DefaultModulePath();

// Reads the PiPL of a loaded module: resource 16000 on Windows, the module's PiPL export
// elsewhere. False with `error` set when the module has none.
bool ReadModulePiPL(void* module, std::vector<uint8_t>& bytes, std::string& error);

// The checks made before the entry point is looked up: an effect's kind, a name, a category and
// an entry point name.
bool CheckEffectPiPL(const PiPLInfo& pipl, std::string& error);

// The entry point the PiPL names, looked up in a loaded module; null with `error` set when the
// module exports no such name.
PF_EntryPointFunc FindEffectEntry(void* module, const PiPLInfo& pipl, std::string& error);

// Loads, reads and checks the PiPL, and finds the entry point. False with `error` saying which
// step failed; `module` then holds nothing.
bool LoadEffectModule(const std::string& path, EffectModule& module, std::string& error);

// Module loading, PiPL reading and the entry-point look-up of the host.
#include "host/effect_module.h"

#include "platform/module_loader.h"

#if defined(_WIN32)
#include <windows.h>
#endif

EffectModule::~EffectModule() { UnloadModule(handle); }

std::string DefaultModulePath() { return ExecutableDir() + ModuleFileName(); }

#if defined(_WIN32)
bool ReadModulePiPL(void* module, std::vector<uint8_t>& bytes, std::string& error)
{
    HMODULE m = static_cast<HMODULE>(module);
    HRSRC found = FindResourceA(m, MAKEINTRESOURCEA(VELMORA_PIPL_ID), "PiPL");
    HGLOBAL loaded = found ? LoadResource(m, found) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    DWORD size = found ? SizeofResource(m, found) : 0;
    if (!data || size == 0) {
        error = "the module has no PiPL resource " + std::to_string(VELMORA_PIPL_ID);
        return false;
    }
    bytes.assign(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
    return true;
}
#else
bool ReadModulePiPL(void* module, std::vector<uint8_t>& bytes, std::string& error)
{
    using Accessor = const uint8_t* (*)(uint32_t*);
    auto get = reinterpret_cast<Accessor>(FindSymbol(module, "GetPiPLResource"));
    uint32_t size = 0;
    const uint8_t* data = get ? get(&size) : nullptr;
    if (!data || size == 0) {
        error = "the module has no PiPL (no GetPiPLResource export)";
        return false;
    }
    bytes.assign(data, data + size);
    return true;
}
#endif

bool CheckEffectPiPL(const PiPLInfo& pipl, std::string& error)
{
    if (!pipl.hasKind || pipl.kind != FourCharCode("eFKT")) {
        error = "the PiPL is of kind '" + (pipl.hasKind ? FourCharText(pipl.kind) : std::string("none")) +
                "', not an effect ('eFKT')";
        return false;
    }
    if (pipl.name.empty()) {
        error = "the PiPL names no effect";
        return false;
    }
    if (pipl.category.empty()) {
        error = "the PiPL gives no category";
        return false;
    }
    if (!pipl.hasEntryPoint || pipl.entryPoint.empty()) {
        error = "the PiPL names no entry point for Windows x64 ('8664')";
        return false;
    }
    return true;
}

PF_EntryPointFunc FindEffectEntry(void* module, const PiPLInfo& pipl, std::string& error)
{
    void* entry = module ? FindSymbol(module, pipl.entryPoint.c_str()) : nullptr;
    if (!entry)
        error = "no entry point \"" + pipl.entryPoint + "\", which its PiPL names";
    return reinterpret_cast<PF_EntryPointFunc>(entry);
}

bool LoadEffectModule(const std::string& path, EffectModule& module, std::string& error)
{
    UnloadModule(module.handle);
    module.handle = nullptr;
    module.entry = nullptr;
    module.path = path;
    std::string why;
    void* handle = LoadModule(path, why);
    if (!handle) {
        error = "cannot load " + path + ": " + why;
        return false;
    }
    std::vector<uint8_t> bytes;
    PiPLInfo pipl;
    PF_EntryPointFunc entry = nullptr;
    if (!ReadModulePiPL(handle, bytes, why) || !DecodePiPL(bytes.data(), bytes.size(), pipl, why) ||
        !CheckEffectPiPL(pipl, why)) {
        error = path + ": " + why;
    } else if (!(entry = FindEffectEntry(handle, pipl, why))) {
        error = path + ": " + why;
    } else {
        module.handle = handle;
        module.piplBytes = std::move(bytes);
        module.pipl = std::move(pipl);
        module.entry = entry;
        return true;
    }
    UnloadModule(handle);
    return false;
}

// Loading a module and looking names up in it, the way the host loads the effect.
#pragma once

#include <string>

// The folder of the running program, with a trailing separator.
std::string ExecutableDir();

// Null on failure; `error` then says why.
void* LoadModule(const std::string& path, std::string& error);
void* FindSymbol(void* module, const char* name);
void UnloadModule(void* module);

// The file name the effect module has on this platform ("Velmora.so" or "Velmora.aex").
const char* ModuleFileName();

// Module loading with LoadLibrary on Windows and dlopen elsewhere.
#include "platform/module_loader.h"

#if defined(_WIN32)
#include <windows.h>

std::string ExecutableDir()
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    size_t slash = s.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : s.substr(0, slash + 1);
}

void* LoadModule(const std::string& path, std::string& error)
{
    HMODULE m = LoadLibraryA(path.c_str());
    if (!m)
        error = "LoadLibrary failed with error " + std::to_string(GetLastError());
    return reinterpret_cast<void*>(m);
}

void* FindSymbol(void* module, const char* name)
{
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

void UnloadModule(void* module)
{
    if (module)
        FreeLibrary(static_cast<HMODULE>(module));
}

const char* ModuleFileName() { return "Velmora.aex"; }

#else
#include <dlfcn.h>
#include <unistd.h>

#include <climits>

std::string ExecutableDir()
{
    char path[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return "./";
    std::string s(path, static_cast<size_t>(n));
    return s.substr(0, s.find_last_of('/') + 1);
}

void* LoadModule(const std::string& path, std::string& error)
{
    void* m = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!m) {
        const char* why = dlerror();
        error = why ? why : "dlopen failed";
    }
    return m;
}

void* FindSymbol(void* module, const char* name) { return dlsym(module, name); }

void UnloadModule(void* module)
{
    if (module)
        dlclose(module);
}

const char* ModuleFileName() { return "Velmora.so"; }
#endif

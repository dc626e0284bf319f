// Keeping the module's handle when the operating system loads the module, and giving back what
// the module kept when it is unloaded: DllMain on Windows, a load-time object elsewhere.
#include "platform/module_instance.h"

#include "platform/pages.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

void* ModuleInstance = nullptr;
void (*ModuleUnloadRelease)() = nullptr;

namespace {

void ReleaseOnUnload()
{
    if (ModuleUnloadRelease)
        ModuleUnloadRelease();
    PageForgetBookkeeping();
}

} // namespace

#if defined(_WIN32)
// Keeps the instance handle on process attach; loading never fails on our account.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH)
        ModuleInstance = instance;
    if (reason == DLL_PROCESS_DETACH && !reserved)
        ReleaseOnUnload();
    return TRUE;
}
#else
namespace {
// The shared-object counterpart of process attach and detach: constructed when the loader maps
// the module, destroyed when it unmaps it. What it keeps, the image's load address, is what a
// Windows instance handle is too. Any address inside the image names it; this file's own
// function does.
struct ModuleAttach {
    ModuleAttach()
    {
        Dl_info info;
        if (dladdr(reinterpret_cast<void*>(&ReleaseOnUnload), &info) != 0)
            ModuleInstance = info.dli_fbase;
    }
    ~ModuleAttach() { ReleaseOnUnload(); }
};
const ModuleAttach AttachOnLoad;
} // namespace
#endif

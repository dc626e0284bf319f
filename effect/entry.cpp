// The module's single entry point for the host.
#include <cstdint>

#include "platform/export.h"

// TODO: command dispatch arrives with the effect shell; until then every command answers "no error".
extern "C" VELMORA_EXPORT int32_t EntryPointFunc(int32_t, void*, void*, void*, void*, void*)
{
    return 0;
}

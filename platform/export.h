// How the module marks the names it exports: the engine's functions and data and EntryPointFunc
// keep their plain, undecorated names on both builds.
#pragma once

#if defined(_WIN32)
#define VELMORA_EXPORT __declspec(dllexport)
#else
#define VELMORA_EXPORT __attribute__((visibility("default")))
#endif

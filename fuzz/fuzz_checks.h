// What the fuzz targets share: stopping on a failed property, so that the fuzzer keeps the
// input that broke it, and the effect instance the host-driven targets set up once per process.
#pragma once

#include <cstdio>
#include <cstdlib>

#include "effect/entry.h"
#include "host/host_ops.h"
#include "host/sequence.h"

inline void FuzzCheck(bool condition, const char* target, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "%s fuzz check failed: %s\n", target, what);
        std::abort();
    }
}

// Set up on first use and kept for the whole run: setting up an instance per input would cost
// more than most inputs.
inline HostSession& FuzzSession()
{
    static HostSession* session = [] {
        auto* s = new HostSession();
        FuzzCheck(SetUpEffect(*s, EntryPointFunc, nullptr) == PF_Err_NONE, "effect", "the effect sets up");
        return s;
    }();
    return *session;
}

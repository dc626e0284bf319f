// The host's command sequence: one command at a time, as the host sends it, and the whole life of
// an effect instance (global setup, parameter setup, sequence setup, whatever the caller does
// with it, then the set-downs). Sub-commands build on RunEffectInstance.
#pragma once

#include <functional>

#include "effect/pipl.h"
#include "host/host_ops.h"

// Sends one command with the session's records and its current parameter values. Before the call
// the out-data flags and message are cleared; afterwards a message shown with the display-error
// flag is kept in the session, and set-up results move where the host keeps them.
PF_Err CallEffect(HostSession& session, PF_EntryPointFunc entry, PF_Cmd cmd, PF_LayerDef* output = nullptr,
                  void* extra = nullptr);

// Global setup, parameter setup (the registered parameters become the defaults and the current
// values) and sequence setup. With `pipl`, the version and flags of global setup are checked
// against it. Stops at the first error and returns it.
PF_Err SetUpEffect(HostSession& session, PF_EntryPointFunc entry, const PiPLInfo* pipl);

// Sequence setdown and global setdown; the first error is returned, both are sent.
PF_Err SetDownEffect(HostSession& session, PF_EntryPointFunc entry);

// SetUpEffect, then `body` if set-up succeeded, then SetDownEffect whenever global setup had
// succeeded. Returns the first error of the three.
PF_Err RunEffectInstance(HostSession& session, PF_EntryPointFunc entry, const PiPLInfo* pipl,
                         const std::function<PF_Err(HostSession&)>& body);

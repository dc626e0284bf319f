// The command handlers that EntryPointFunc dispatches to. Every
// handler gets in-data, out-data, the parameter array and the output world (the event handler
// also the host's event record) and returns the host error code it wants the host to see.
#pragma once

#include "effect/host_api.h"
#include "platform/export.h"
#include "platform/module_instance.h"

// Thrown by helpers deep inside a handler to end the command with a host error code; the
// dispatcher turns it into the return value, so nothing escapes towards the host.
struct HostErrorCode {
    PF_Err code;
};

PF_Err About(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[], PF_LayerDef* output);
PF_Err GlobalSetup(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[], PF_LayerDef* output);
PF_Err SequenceSetup(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[], PF_LayerDef* output);
PF_Err SequenceResetup(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[], PF_LayerDef* output);
PF_Err Render(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[], PF_LayerDef* output);
PF_Err HandleEvent(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[], PF_LayerDef* output,
                   PF_EventExtra* event);

extern "C" VELMORA_EXPORT PF_Err EntryPointFunc(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                                                PF_ParamDef* params[], PF_LayerDef* output, void* extra);

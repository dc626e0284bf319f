// The module's single entry point for the host: command dispatch and the small set-up handlers.
// About and HandleEvent live with the panel (effect/about.cpp, effect/panel.cpp); the module's
// handle is kept by platform/module_instance.cpp.
#include "effect/entry.h"

#include <new>

#include "effect/params.h"
#include "effect/pipl.h"
#include "effect/suites.h"
#include "engine/engine_state.h"
#include "platform/module_instance.h"

namespace {
// A module unloaded from a process that goes on gives back the buffers the engine kept.
const bool UnloadReleaseSet = (ModuleUnloadRelease = ReleaseSceneBuffers, true);
} // namespace

PF_Err GlobalSetup(PF_InData*, PF_OutData* out_data, PF_ParamDef*[], PF_LayerDef*)
{
    if (!out_data)
        return PF_Err_BAD_CALLBACK_PARAM;
    out_data->my_version = VELMORA_VERSION;
    out_data->out_flags = VELMORA_OUT_FLAGS;
    return PF_Err_NONE;
}

// Everything a render needs arrives with the command, so no instance carries sequence data.
PF_Err SequenceSetup(PF_InData*, PF_OutData* out_data, PF_ParamDef*[], PF_LayerDef*)
{
    if (!out_data)
        return PF_Err_BAD_CALLBACK_PARAM;
    out_data->sequence_data = nullptr;
    out_data->flat_sdata_size = 0;
    return PF_Err_NONE;
}

// A project saved with sequence data (by whatever wrote it) keeps it; only an instance without
// any is set up afresh.
PF_Err SequenceResetup(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[], PF_LayerDef* output)
{
    if (!in_data)
        return PF_Err_BAD_CALLBACK_PARAM;
    if (in_data->sequence_data)
        return PF_Err_NONE;
    return SequenceSetup(in_data, out_data, params, output);
}

extern "C" VELMORA_EXPORT PF_Err EntryPointFunc(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                                                PF_ParamDef* params[], PF_LayerDef* output, void* extra)
{
    // The one place where exceptions stop: none may unwind into the host.
    try {
        switch (cmd) {
        case PF_Cmd_ABOUT: return About(in_data, out_data, params, output);
        case PF_Cmd_GLOBAL_SETUP: return GlobalSetup(in_data, out_data, params, output);
        case PF_Cmd_GLOBAL_SETDOWN:
            ReleaseSceneBuffers();                        // the engine's kept buffers
            return PF_Err_NONE;
        case PF_Cmd_PARAMS_SETUP: return ParamsSetup(in_data, out_data, params, output);
        case PF_Cmd_SEQUENCE_SETUP: return SequenceSetup(in_data, out_data, params, output);
        case PF_Cmd_SEQUENCE_RESETUP: return SequenceResetup(in_data, out_data, params, output);
        case PF_Cmd_SEQUENCE_FLATTEN: return PF_Err_NONE; // there is no sequence data to flatten
        case PF_Cmd_SEQUENCE_SETDOWN: return PF_Err_NONE;
        case PF_Cmd_RENDER: return Render(in_data, out_data, params, output);
        case PF_Cmd_EVENT:
            return HandleEvent(in_data, out_data, params, output, static_cast<PF_EventExtra*>(extra));
        default: return PF_Err_NONE;                      // commands we do not serve, known or not
        }
    } catch (const MissingSuiteError& e) {
        // A suite the panel cannot do without: the host learns it as an error and, unless a
        // more precise text is already up, from the usual message.
        if (out_data && !(out_data->out_flags & PF_OutFlag_DISPLAY_ERROR_MESSAGE))
            ReportSuiteError(in_data, out_data, AEFX_ACQUIRE_FAILED_TEXT);
        return e.code;
    } catch (const HostErrorCode& e) {
        return e.code;
    } catch (const std::bad_alloc&) {
        return PF_Err_OUT_OF_MEMORY;
    } catch (...) {
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
}

// The host's command sequence.
#include "host/sequence.h"

#include <cstring>

PF_Err CallEffect(HostSession& session, PF_EntryPointFunc entry, PF_Cmd cmd, PF_LayerDef* output, void* extra)
{
    if (!entry)
        return PF_Err_INVALID_CALLBACK;
    PF_OutData& out = session.out;
    out.out_flags = 0;
    std::memset(out.return_msg, 0, sizeof out.return_msg);
    session.in.num_params = A_long(session.values.size());

    PF_Err err = entry(cmd, &session.in, &out, ParamArray(session), output, extra);

    if (out.out_flags & PF_OutFlag_DISPLAY_ERROR_MESSAGE) {
        out.return_msg[sizeof out.return_msg - 1] = '\0';
        session.effectMessages.push_back(out.return_msg[0] ? out.return_msg : "(the effect reported an error without text)");
    }
    if (err == PF_Err_NONE) {
        switch (cmd) {
        case PF_Cmd_GLOBAL_SETUP: session.in.global_data = out.global_data; break;
        case PF_Cmd_SEQUENCE_SETUP:
        case PF_Cmd_SEQUENCE_RESETUP: session.in.sequence_data = out.sequence_data; break;
        default: break;
        }
    }
    return err;
}

PF_Err SetUpEffect(HostSession& session, PF_EntryPointFunc entry, const PiPLInfo* pipl)
{
    PF_Err err = CallEffect(session, entry, PF_Cmd_GLOBAL_SETUP);
    if (err != PF_Err_NONE)
        return err;
    session.globalSetUp = true;
    const A_u_long version = session.effectVersion = session.out.my_version;
    const PF_OutFlags flags = session.globalOutFlags = session.out.out_flags & ~PF_OutFlag_DISPLAY_ERROR_MESSAGE;
    if (pipl && pipl->hasEffectVersion && pipl->effectVersion != version)
        session.problems.push_back("global setup reports version " + std::to_string(version) +
                                   ", the PiPL " + std::to_string(pipl->effectVersion));
    if (pipl && pipl->hasOutFlags && pipl->outFlags != uint32_t(flags))
        session.problems.push_back("global setup reports out flags " + std::to_string(flags) +
                                   ", the PiPL " + std::to_string(pipl->outFlags));

    // The host adds the input layer itself; everything after it is the effect's.
    session.defaults.resize(1);
    session.strings.clear();
    session.customUIRegistered = false;
    ResetParamValues(session);
    err = CallEffect(session, entry, PF_Cmd_PARAMS_SETUP);
    ResetParamValues(session);
    if (err != PF_Err_NONE)
        return err;
    if (size_t(session.out.num_params) != session.defaults.size())
        session.problems.push_back("parameter setup reports " + std::to_string(session.out.num_params) +
                                   " parameters but registered " + std::to_string(session.defaults.size()));

    session.in.sequence_data = nullptr;
    return CallEffect(session, entry, PF_Cmd_SEQUENCE_SETUP);
}

PF_Err SetDownEffect(HostSession& session, PF_EntryPointFunc entry)
{
    PF_Err first = CallEffect(session, entry, PF_Cmd_SEQUENCE_SETDOWN);
    PF_Err err = CallEffect(session, entry, PF_Cmd_GLOBAL_SETDOWN);
    session.globalSetUp = false;
    return first != PF_Err_NONE ? first : err;
}

PF_Err RunEffectInstance(HostSession& session, PF_EntryPointFunc entry, const PiPLInfo* pipl,
                         const std::function<PF_Err(HostSession&)>& body)
{
    PF_Err err = SetUpEffect(session, entry, pipl);
    if (err == PF_Err_NONE && body)
        err = body(session);
    if (session.globalSetUp) {
        PF_Err down = SetDownEffect(session, entry);
        if (err == PF_Err_NONE)
            err = down;
    }
    return err;
}

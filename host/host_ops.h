// The host side of the effect interface: one HostSession holds the in-data and out-data records
// handed to the effect, the callback blocks behind them, the basic suite with its table of
// suites, and the parameter records the effect registered. Every operation the effect may call
// is implemented here and checks what it is given; misuse (a check-in without check-out, a suite
// released more often than acquired, a suite or check-out still held at the end) is collected as
// a problem, so that a command run through the host fails on it.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "effect/host_api.h"

// A suite the host hands out through the basic suite, with its use counts.
struct SuiteRecord {
    std::string name;
    int32_t version = 0;
    const void* table = nullptr;
    int32_t acquired = 0;
    int32_t released = 0;
};

// One effect instance as the host sees it. The records point into the session (effect_ref is the
// session itself), so it stays where it was made: neither copied nor moved. The basic suite's
// functions carry no reference of their own; they serve the most recently made live session.
struct HostSession {
    HostSession();
    ~HostSession();
    HostSession(const HostSession&) = delete;
    HostSession& operator=(const HostSession&) = delete;

    PF_InData in;
    PF_OutData out;
    PF_UtilCallbacks utils;
    SPBasicSuite basic;

    // As the effect registered them, index 0 being the input layer the host adds itself. The
    // records' own value fields are the defaults.
    std::vector<PF_ParamDef> defaults;
    // What the next command sees: the defaults, changed by the setters of param_values.h.
    std::vector<PF_ParamDef> values;
    std::vector<PF_ParamDef*> paramPointers;   // the array handed to the effect
    std::deque<std::string> strings;           // copies of names the records point at

    // What global setup answered; set-downs are due once it succeeded.
    bool globalSetUp = false;
    A_u_long effectVersion = 0;
    PF_OutFlags globalOutFlags = 0;

    bool customUIRegistered = false;
    PF_CustomUIInfo customUI{};

    std::vector<SuiteRecord> suites;
    int32_t outstandingCheckouts = 0;
    // The records parameters were checked out into and not yet checked in, with their indices.
    std::vector<std::pair<const PF_ParamDef*, PF_ParamIndex>> checkedOut;
    int32_t outstandingBlocks = 0;

    // Texts the effect asked the host to show with the display-error flag.
    std::vector<std::string> effectMessages;
    // Misuse of the host's operations seen so far.
    std::vector<std::string> problems;

    // What get_platform_data reports.
    void* mainWindow = nullptr;
    void* moduleHandle = nullptr;
    std::string modulePath;

    // Makes the add-parameter call for this parameter index fail with PF_Err_OUT_OF_MEMORY; -1
    // for never. Lets a test see how the effect handles a host that runs out part-way.
    int32_t failAddParamAt = -1;
    // Makes the check-out of this parameter index, or the check-in of a record checked out for
    // it, answer `injectedError`; -1 for never. A failed check-out leaves the record as it was
    // and still expects its check-in, which the effect makes for every parameter it asked for.
    int32_t failCheckoutAt = -1;
    int32_t failCheckinAt = -1;
    PF_Err injectedError = PF_Err_INTERNAL_STRUCT_DAMAGED;

private:
    HostSession* previousSession;
};

// The parameter count the host accepts from one effect; more is reported as out of memory.
constexpr size_t MaxHostParams = 4096;

// Offers `table` under `name` and `version` through the basic suite ("SP Basic Suite" version 4
// is registered by the session itself). A second registration of the same pair replaces it.
void RegisterSuite(HostSession& session, const char* name, int32_t version, const void* table);

// Everything still held at this point (suites, check-outs, memory blocks) and every misuse seen.
std::vector<std::string> SessionProblems(const HostSession& session);

// Sets the size of the layer the effect is applied to (in-data width, height and extent).
void SetLayerSize(HostSession& session, int32_t width, int32_t height);

// Replaces the world of parameter 0, the input layer, in the current values.
void SetInputWorld(HostSession& session, const PF_EffectWorld& world);

// Current values back to the registered defaults. A point's default is a percentage of the layer,
// its value layer pixels, so the point values are worked out from the current layer size.
void ResetParamValues(HostSession& session);

// The parameter array for the next command, one pointer per current value.
PF_ParamDef** ParamArray(HostSession& session);

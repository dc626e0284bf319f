// Access to the host's suites: acquiring and releasing a suite by name and version through the
// basic suite, with failures shown to the user through out-data; the four drawing suites as one
// set; and SuiteHandler, which acquires the App suite on first use and releases what it holds
// when it goes away. Suites live for one event: whatever is acquired is released before the event
// returns.
#pragma once

#include "effect/entry.h"
#include "effect/host_api.h"

// The one exception of the effect: a suite the effect cannot work without is missing. It carries
// PF_Err_BAD_CALLBACK_PARAM, and EntryPointFunc turns it into that return value (HostErrorCode is
// what the dispatcher catches), so it never leaves the module.
struct MissingSuiteError : HostErrorCode {
    MissingSuiteError() : HostErrorCode{PF_Err_BAD_CALLBACK_PARAM} {}
};

// Texts the user sees when a suite cannot be had.
#define AEFX_ACQUIRE_FAILED_TEXT "Not able to acquire AEFX Suite."
#define AEFX_RELEASE_FAILED_TEXT "Not able to release AEFX Suite."
#define AEFX_NO_DRAWBOT_SET_TEXT "NULL suite pointer passed to AEFX_AcquireDrawbotSuites"

// Acquires `name` at `version` into `suite`. 0 when the host handed out a table, otherwise 516
// with `error_text` (or the default text) shown to the user.
PF_Err AEFX_AcquireSuite(PF_InData* in_data, PF_OutData* out_data, const char* name, int32_t version,
                         const char* error_text, const void** suite);

// Gives the suite back. 516, reported like a failed acquire, only when there is no basic suite.
PF_Err AEFX_ReleaseSuite(PF_InData* in_data, PF_OutData* out_data, const char* name, int32_t version,
                         const char* error_text);

// Acquires draw, supplier, surface and path suite (each version 1) in that order into `suites`,
// stopping at the first failure; 514 when no set is given.
PF_Err AEFX_AcquireDrawbotSuites(PF_InData* in_data, PF_OutData* out_data, DRAWBOT_Suites* suites);

// Releases all four drawing suites, whether or not their acquisition succeeded; always 0.
PF_Err AEFX_ReleaseDrawbotSuites(PF_InData* in_data, PF_OutData* out_data);

// Sets the display-error flag and formats `text` into out-data's message with the host's own
// sprintf, so that the host shows it. Does nothing without out-data; without a sprintf callback the
// flag is still set and the text copied directly.
void ReportSuiteError(PF_InData* in_data, PF_OutData* out_data, const char* text);

// Owns the suites one event fetches on demand. Made on the stack of an event handler; its
// destructor releases every suite it acquired, also when the handler is left by an exception.
class SuiteHandler {
public:
    // Throws MissingSuiteError when there is no basic suite.
    explicit SuiteHandler(SPBasicSuite* basic);
    ~SuiteHandler();
    SuiteHandler(const SuiteHandler&) = delete;
    SuiteHandler& operator=(const SuiteHandler&) = delete;

    // "PF AE App Suite" at version 6, acquired on the first call; throws MissingSuiteError when the
    // host refuses it or hands out no table.
    const PFAppSuite4* AppSuite();

private:
    SPBasicSuite* basic_;
    const PFAppSuite4* app_ = nullptr;
};

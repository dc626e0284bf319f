// Acquiring and releasing the host's suites, and the suite handler of one event.
#include "effect/suites.h"

#include <cstring>

void ReportSuiteError(PF_InData* in_data, PF_OutData* out_data, const char* text)
{
    if (!out_data)
        return;
    out_data->out_flags |= PF_OutFlag_DISPLAY_ERROR_MESSAGE;
    // The text is passed as an argument, never as the format: a '%' in it stays a character.
    if (in_data && in_data->utils && in_data->utils->ansi.sprintf) {
        in_data->utils->ansi.sprintf(out_data->return_msg, "%s", text);
    } else {
        std::strncpy(out_data->return_msg, text, sizeof out_data->return_msg - 1);
        out_data->return_msg[sizeof out_data->return_msg - 1] = '\0';
    }
}

PF_Err AEFX_AcquireSuite(PF_InData* in_data, PF_OutData* out_data, const char* name, int32_t version,
                         const char* error_text, const void** suite)
{
    PF_Err err = PF_Err_BAD_CALLBACK_PARAM;
    SPBasicSuite* basic = in_data ? in_data->pica_basicP : nullptr;
    if (basic && basic->AcquireSuite && suite) {
        *suite = nullptr;
        // The host's own error code does not matter: only a table in hand counts as success.
        basic->AcquireSuite(name, version, suite);
        if (*suite)
            err = PF_Err_NONE;
    }
    if (err != PF_Err_NONE)
        ReportSuiteError(in_data, out_data, error_text ? error_text : AEFX_ACQUIRE_FAILED_TEXT);
    return err;
}

PF_Err AEFX_ReleaseSuite(PF_InData* in_data, PF_OutData* out_data, const char* name, int32_t version,
                         const char* error_text)
{
    SPBasicSuite* basic = in_data ? in_data->pica_basicP : nullptr;
    if (!basic || !basic->ReleaseSuite) {
        ReportSuiteError(in_data, out_data, error_text ? error_text : AEFX_RELEASE_FAILED_TEXT);
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    basic->ReleaseSuite(name, version);
    return PF_Err_NONE;
}

namespace {

struct DrawbotSuiteName {
    const char* name;
    int32_t version;
};

// Acquisition and release order of the drawing suite set.
const DrawbotSuiteName DrawbotSuiteNames[4] = {
    {kDRAWBOT_DrawSuite, kDRAWBOT_DrawSuite_Version1},
    {kDRAWBOT_SupplierSuite, kDRAWBOT_SupplierSuite_Version1},
    {kDRAWBOT_SurfaceSuite, kDRAWBOT_SurfaceSuite_Version1},
    {kDRAWBOT_PathSuite, kDRAWBOT_PathSuite_Version1},
};

} // namespace

PF_Err AEFX_AcquireDrawbotSuites(PF_InData* in_data, PF_OutData* out_data, DRAWBOT_Suites* suites)
{
    if (!suites) {
        ReportSuiteError(in_data, out_data, AEFX_NO_DRAWBOT_SET_TEXT);
        return PF_Err_UNRECOGNIZED_PARAM_TYPE;
    }
    void** slots[4] = {reinterpret_cast<void**>(&suites->drawbot_suiteP),
                       reinterpret_cast<void**>(&suites->supplier_suiteP),
                       reinterpret_cast<void**>(&suites->surface_suiteP),
                       reinterpret_cast<void**>(&suites->path_suiteP)};
    for (int i = 0; i < 4; ++i) {
        const void* table = nullptr;
        PF_Err err = AEFX_AcquireSuite(in_data, out_data, DrawbotSuiteNames[i].name, DrawbotSuiteNames[i].version,
                                       nullptr, &table);
        *slots[i] = const_cast<void*>(table);
        // What was acquired before stays acquired: AEFX_ReleaseDrawbotSuites gives back the set.
        if (err != PF_Err_NONE)
            return err;
    }
    return PF_Err_NONE;
}

PF_Err AEFX_ReleaseDrawbotSuites(PF_InData* in_data, PF_OutData* out_data)
{
    for (const DrawbotSuiteName& s : DrawbotSuiteNames)
        AEFX_ReleaseSuite(in_data, out_data, s.name, s.version, nullptr);
    return PF_Err_NONE;
}

SuiteHandler::SuiteHandler(SPBasicSuite* basic) : basic_(basic)
{
    if (!basic_)
        throw MissingSuiteError();
}

SuiteHandler::~SuiteHandler()
{
    if (app_ && basic_->ReleaseSuite)
        basic_->ReleaseSuite(kPFAppSuite, kPFAppSuiteVersion4);
}

const PFAppSuite4* SuiteHandler::AppSuite()
{
    if (!app_) {
        const void* table = nullptr;
        SPErr err = basic_->AcquireSuite ? basic_->AcquireSuite(kPFAppSuite, kPFAppSuiteVersion4, &table)
                                         : SPErr(kSPUnimplementedError);
        if (err != kSPNoError || !table) {
            // A host that hands out a table and an error still counts the acquisition.
            if (table && basic_->ReleaseSuite)
                basic_->ReleaseSuite(kPFAppSuite, kPFAppSuiteVersion4);
            throw MissingSuiteError();
        }
        app_ = static_cast<const PFAppSuite4*>(table);
    }
    return app_;
}

// The host's operations behind the effect's callback blocks and the basic suite.
#include "host/host_ops.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <math.h>   // the C library's own math functions, which the callbacks hand out

namespace {

// The session the basic suite serves (its functions have no reference argument).
HostSession* CurrentSession = nullptr;

HostSession* SessionOf(PF_ProgPtr effect_ref) { return reinterpret_cast<HostSession*>(effect_ref); }

// ---- Interaction callbacks --------------------------------------------------------------------

const char* KeepString(HostSession& s, const char* text)
{
    if (!text)
        return nullptr;
    s.strings.emplace_back(text);
    return s.strings.back().c_str();
}

PF_Err AddParam(PF_ProgPtr effect_ref, PF_ParamIndex index, PF_ParamDefPtr def)
{
    HostSession* s = SessionOf(effect_ref);
    if (!s || !def)
        return PF_Err_BAD_CALLBACK_PARAM;
    const PF_ParamIndex next = PF_ParamIndex(s->defaults.size());
    if (index != PF_ParamIndex_NONE && index != next)
        return PF_Err_INVALID_INDEX;
    if (s->defaults.size() >= MaxHostParams || next == s->failAddParamAt)
        return PF_Err_OUT_OF_MEMORY;
    PF_ParamDef kept = *def;
    kept.name[sizeof kept.name - 1] = '\0';
    // The names these records point at live in the effect; the host keeps its own copies.
    switch (kept.param_type) {
    case PF_Param_POPUP: kept.u.pd.u.namesptr = KeepString(*s, kept.u.pd.u.namesptr); break;
    case PF_Param_CHECKBOX: kept.u.bd.u.nameptr = KeepString(*s, kept.u.bd.u.nameptr); break;
    case PF_Param_BUTTON: kept.u.button_d.u.namesptr = KeepString(*s, kept.u.button_d.u.namesptr); break;
    default: break;
    }
    s->defaults.push_back(kept);
    return PF_Err_NONE;
}

PF_Err CheckoutParam(PF_ProgPtr effect_ref, PF_ParamIndex index, A_long, A_long, A_u_long, PF_ParamDef* param)
{
    HostSession* s = SessionOf(effect_ref);
    if (!s || !param)
        return PF_Err_BAD_CALLBACK_PARAM;
    if (index < 0 || size_t(index) >= s->values.size())
        return PF_Err_INVALID_INDEX;
    s->checkedOut.emplace_back(param, index);
    ++s->outstandingCheckouts;
    if (index == s->failCheckoutAt)
        return s->injectedError;
    // A layer parameter's record carries its world; with no layer chosen the pixel pointer is null.
    *param = s->values[size_t(index)];
    return PF_Err_NONE;
}

PF_Err CheckinParam(PF_ProgPtr effect_ref, PF_ParamDef* param)
{
    HostSession* s = SessionOf(effect_ref);
    if (!s || !param)
        return PF_Err_BAD_CALLBACK_PARAM;
    auto held = std::find_if(s->checkedOut.begin(), s->checkedOut.end(),
                             [param](const std::pair<const PF_ParamDef*, PF_ParamIndex>& c) { return c.first == param; });
    if (held == s->checkedOut.end()) {
        s->problems.push_back("parameter checked in without a check-out");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    const PF_ParamIndex index = held->second;
    s->checkedOut.erase(held);
    --s->outstandingCheckouts;
    return index == s->failCheckinAt ? s->injectedError : PF_Err_NONE;
}

PF_Err Abort(PF_ProgPtr) { return PF_Err_NONE; }
PF_Err Progress(PF_ProgPtr, A_long, A_long) { return PF_Err_NONE; }

PF_Err RegisterUI(PF_ProgPtr effect_ref, PF_CustomUIInfo* info)
{
    HostSession* s = SessionOf(effect_ref);
    if (!s || !info)
        return PF_Err_BAD_CALLBACK_PARAM;
    s->customUI = *info;
    s->customUIRegistered = true;
    return PF_Err_NONE;
}

// ---- Utility callbacks ------------------------------------------------------------------------

void WriteUtf16Path(const std::string& path, void* data)
{
    // Our paths come from the command line and the loader; their bytes are widened one by one.
    auto* out = static_cast<A_UTF16Char*>(data);
    size_t n = path.size() < size_t(AEFX_MAX_PATH - 1) ? path.size() : size_t(AEFX_MAX_PATH - 1);
    for (size_t i = 0; i < n; ++i)
        out[i] = A_UTF16Char(static_cast<unsigned char>(path[i]));
    out[n] = 0;
}

PF_Err GetPlatformData(PF_ProgPtr effect_ref, PF_PlatDataID which, void* data)
{
    HostSession* s = SessionOf(effect_ref);
    if (!s || !data)
        return PF_Err_BAD_CALLBACK_PARAM;
    switch (which) {
    case PF_PlatData_MAIN_WND:
        // A command-line host has no main window: a null owner, which dialogs accept.
        *static_cast<void**>(data) = s->mainWindow;
        return PF_Err_NONE;
    case PF_PlatData_RES_DLLINSTANCE: *static_cast<void**>(data) = s->moduleHandle; return PF_Err_NONE;
    case PF_PlatData_EXE_FILE_PATH_W:
    case PF_PlatData_RES_FILE_PATH_W: WriteUtf16Path(s->modulePath, data); return PF_Err_NONE;
    default: return PF_Err_BAD_CALLBACK_PARAM;
    }
}

// The effect formats into out-data's message, so no call may write more than that holds; the
// interface passes no buffer size, and this bound keeps a long text from overrunning it.
int HostSprintf(A_char* buffer, const A_char* format, ...)
{
    if (!buffer || !format)
        return -1;
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(buffer, PF_MAX_EFFECT_MSG_LEN + 1, format, args);
    va_end(args);
    return n;
}

A_char* HostStrcpy(A_char* dest, const A_char* src)
{
    if (dest && src)
        std::strcpy(dest, src);
    return dest;
}

// ---- The basic suite --------------------------------------------------------------------------

SuiteRecord* FindSuite(HostSession& s, const char* name, int32_t version)
{
    for (SuiteRecord& r : s.suites)
        if (r.version == version && r.name == name)
            return &r;
    return nullptr;
}

SPErr AcquireSuite(const char* name, int32_t version, const void** suite)
{
    if (!name || !suite || !CurrentSession)
        return kSPBadParameterError;
    SuiteRecord* r = FindSuite(*CurrentSession, name, version);
    if (!r) {
        *suite = nullptr;
        return kSPSuiteNotFoundError;
    }
    *suite = r->table;
    ++r->acquired;
    return kSPNoError;
}

SPErr ReleaseSuite(const char* name, int32_t version)
{
    if (!name || !CurrentSession)
        return kSPBadParameterError;
    SuiteRecord* r = FindSuite(*CurrentSession, name, version);
    if (!r)
        return kSPSuiteNotFoundError;
    if (r->released >= r->acquired) {
        CurrentSession->problems.push_back("suite \"" + r->name + "\" version " + std::to_string(version) +
                                           " released more often than acquired");
        return kSPBadParameterError;
    }
    ++r->released;
    return kSPNoError;
}

SPBoolean IsEqual(const char* a, const char* b) { return a && b && std::strcmp(a, b) == 0; }

SPErr AllocateBlock(size_t size, void** block)
{
    if (!block)
        return kSPBadParameterError;
    *block = std::malloc(size ? size : 1);
    if (!*block)
        return kSPOutOfMemoryError;
    if (CurrentSession)
        ++CurrentSession->outstandingBlocks;
    return kSPNoError;
}

SPErr FreeBlock(void* block)
{
    if (!block)
        return kSPBadParameterError;
    std::free(block);
    if (CurrentSession)
        --CurrentSession->outstandingBlocks;
    return kSPNoError;
}

SPErr ReallocateBlock(void* block, size_t newSize, void** newBlock)
{
    if (!newBlock)
        return kSPBadParameterError;
    if (!block)
        return AllocateBlock(newSize, newBlock);
    void* grown = std::realloc(block, newSize ? newSize : 1);
    if (!grown)
        return kSPOutOfMemoryError;   // the old block stays valid and counted
    *newBlock = grown;
    return kSPNoError;
}

SPErr Undefined() { return kSPUnimplementedError; }

PF_Fixed ClampToFixed(double v)
{
    if (!(v > -2147483648.0))
        return INT32_MIN;
    if (v >= 2147483647.0)
        return INT32_MAX;
    return PF_Fixed(std::llround(v));
}

PF_ParamDef InputLayerRecord()
{
    PF_ParamDef def;
    std::memset(&def, 0, sizeof def);
    def.param_type = PF_Param_LAYER;
    def.u.ld.dephault = PF_LayerDefault_MYSELF;
    return def;
}

} // namespace

HostSession::HostSession() : previousSession(CurrentSession)
{
    std::memset(&in, 0, sizeof in);
    std::memset(&out, 0, sizeof out);
    std::memset(&utils, 0, sizeof utils);
    std::memset(&basic, 0, sizeof basic);

    in.inter.checkout_param = CheckoutParam;
    in.inter.checkin_param = CheckinParam;
    in.inter.add_param = AddParam;
    in.inter.abort = Abort;
    in.inter.progress = Progress;
    in.inter.register_ui = RegisterUI;

    // The math slots take double and give double, as the C library's functions do: they are
    // those functions themselves.
    PF_ANSICallbacks& a = utils.ansi;
    a.atan = ::atan;
    a.atan2 = ::atan2;
    a.ceil = ::ceil;
    a.cos = ::cos;
    a.exp = ::exp;
    a.fabs = ::fabs;
    a.floor = ::floor;
    a.fmod = ::fmod;
    a.hypot = ::hypot;
    a.log = ::log;
    a.log10 = ::log10;
    a.pow = ::pow;
    a.sin = ::sin;
    a.sqrt = ::sqrt;
    a.tan = ::tan;
    a.sprintf = HostSprintf;
    a.strcpy = HostStrcpy;
    a.asin = ::asin;
    a.acos = ::acos;
    utils.get_platform_data = GetPlatformData;

    basic.AcquireSuite = AcquireSuite;
    basic.ReleaseSuite = ReleaseSuite;
    basic.IsEqual = IsEqual;
    basic.AllocateBlock = AllocateBlock;
    basic.FreeBlock = FreeBlock;
    basic.ReallocateBlock = ReallocateBlock;
    basic.Undefined = Undefined;

    in.utils = &utils;
    in.effect_ref = reinterpret_cast<PF_ProgPtr>(this);
    in.pica_basicP = &basic;
    in.quality = PF_Quality_HI;
    in.version.major = PF_PLUG_IN_VERSION;
    in.version.minor = PF_PLUG_IN_SUBVERS;
    in.appl_id = int32_t(0x564C4D52);   // 'VLMR': this host
    in.field = PF_Field(0);             // whole frames
    in.time_step = 1;
    in.local_time_step = 1;
    in.time_scale = 30;
    in.total_time = 1;
    in.downsample_x = PF_RationalScale{1, 1};
    in.downsample_y = PF_RationalScale{1, 1};
    in.pixel_aspect_ratio = PF_RationalScale{1, 1};

    defaults.push_back(InputLayerRecord());
    SetLayerSize(*this, 1920, 1080);
    ResetParamValues(*this);
    RegisterSuite(*this, kSPBasicSuite, kSPBasicSuiteVersion, &basic);
    CurrentSession = this;
}

HostSession::~HostSession()
{
    if (CurrentSession == this)
        CurrentSession = previousSession;
}

void RegisterSuite(HostSession& session, const char* name, int32_t version, const void* table)
{
    if (SuiteRecord* r = FindSuite(session, name, version)) {
        r->table = table;
        return;
    }
    SuiteRecord r;
    r.name = name;
    r.version = version;
    r.table = table;
    session.suites.push_back(r);
}

std::vector<std::string> SessionProblems(const HostSession& session)
{
    std::vector<std::string> found = session.problems;
    for (const SuiteRecord& r : session.suites)
        if (r.acquired > r.released)
            found.push_back("suite \"" + r.name + "\" version " + std::to_string(r.version) + " acquired " +
                            std::to_string(r.acquired) + " times, released " + std::to_string(r.released));
    if (session.outstandingCheckouts > 0)
        found.push_back(std::to_string(session.outstandingCheckouts) + " parameter check-out(s) never checked in");
    if (session.outstandingBlocks > 0)
        found.push_back(std::to_string(session.outstandingBlocks) + " memory block(s) never freed");
    return found;
}

void SetLayerSize(HostSession& session, int32_t width, int32_t height)
{
    session.in.width = width;
    session.in.height = height;
    session.in.extent_hint = PF_LRect{0, 0, width, height};
}

void SetInputWorld(HostSession& session, const PF_EffectWorld& world)
{
    PF_LayerDef& ld = session.values[0].u.ld;
    const A_long dephault = ld.dephault;
    ld = world;
    ld.dephault = dephault;
}

void ResetParamValues(HostSession& session)
{
    session.values = session.defaults;
    for (PF_ParamDef& p : session.values) {
        if (p.param_type != PF_Param_POINT)
            continue;
        // Percent of the layer, 16.16, to layer pixels, 16.16. A default far outside the layer
        // could leave the 16.16 range; it is held at the range's ends.
        p.u.td.x_value = ClampToFixed(double(p.u.td.x_dephault) * session.in.width / 100.0);
        p.u.td.y_value = ClampToFixed(double(p.u.td.y_dephault) * session.in.height / 100.0);
    }
    session.paramPointers.clear();
}

PF_ParamDef** ParamArray(HostSession& session)
{
    session.paramPointers.resize(session.values.size());
    for (size_t i = 0; i < session.values.size(); ++i)
        session.paramPointers[i] = &session.values[i];
    return session.paramPointers.data();
}

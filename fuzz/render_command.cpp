// Drives the render command through EntryPointFunc as a host would, with whatever the fuzzer
// picks: raw values for every parameter (far outside their controls' ranges, NaN-making
// combinations), small output, input and reflection layers of either depth with any row length,
// with or without pixels, any quality, time and resolution. Beyond "no crash, no read or write
// outside a buffer, no undefined behaviour", it checks that the command answers with one of the
// codes a render may give, checks every layer back in, keeps no page block and leaves the
// engine with no per-call buffer.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "effect/entry.h"
#include "effect/params.h"
#include "effect/render_inputs.h"
#include "engine/engine_state.h"
#include "fuzz/fuzz_checks.h"
#include "host/frame_tree.h"
#include "host/host_ops.h"
#include "host/sequence.h"
#include "platform/pages.h"

namespace {

void Check(bool condition, const char* what) { FuzzCheck(condition, "render", what); }

// A world of the fuzzer's choosing, whose pixels sit in a block of exactly rowbytes x height
// bytes, so that the address sanitizer sees any access past it.
struct FuzzWorld {
    std::vector<uint8_t> bytes;
    PF_LayerDef def{};

    void Make(FuzzedDataProvider& in, bool deepDefault, bool allowEmpty)
    {
        def = PF_LayerDef{};
        def.width = in.ConsumeIntegralInRange<A_long>(allowEmpty ? 0 : 1, 64);
        def.height = in.ConsumeIntegralInRange<A_long>(allowEmpty ? 0 : 1, 64);
        const bool deep = in.ConsumeProbability<float>() < 0.1f ? !deepDefault : deepDefault;
        def.world_flags = deep ? PF_WorldFlag_DEEP : 0;
        const A_long pixelBytes = deep ? 8 : 4;
        // Mostly the packed length or a little more; now and then one too short, or anything.
        switch (in.ConsumeIntegralInRange<int>(0, 7)) {
        case 0: def.rowbytes = def.width * pixelBytes - in.ConsumeIntegralInRange<A_long>(1, 8); break;
        case 1: def.rowbytes = in.ConsumeIntegral<A_long>(); break;
        default: def.rowbytes = def.width * pixelBytes + in.ConsumeIntegralInRange<A_long>(0, 24); break;
        }
        const int64_t size = def.rowbytes > 0 ? int64_t(def.rowbytes) * def.height : 0;
        bytes.assign(size_t(size > 0 && size < (1 << 20) ? size : 0), 0);
        for (size_t i = 0; i < bytes.size(); i += 7)
            bytes[i] = in.ConsumeIntegral<uint8_t>();
        const bool pixels = !bytes.empty() && in.ConsumeProbability<float>() > 0.05f;
        def.data = pixels ? reinterpret_cast<PF_Pixel*>(bytes.data()) : nullptr;
    }
};

// Raw values, straight into the records the effect reads.
void SetRawValue(PF_ParamDef& p, FuzzedDataProvider& in)
{
    switch (p.param_type) {
    case PF_Param_SLIDER: p.u.sd.value = in.ConsumeIntegral<int32_t>(); break;
    case PF_Param_FIX_SLIDER: p.u.fd.value = in.ConsumeIntegral<int32_t>(); break;
    case PF_Param_ANGLE: p.u.ad.value = in.ConsumeIntegral<int32_t>(); break;
    case PF_Param_POPUP: p.u.pd.value = in.ConsumeIntegral<int32_t>(); break;
    case PF_Param_CHECKBOX: p.u.bd.value = in.ConsumeIntegral<int32_t>(); break;
    case PF_Param_POINT:
        p.u.td.x_value = in.ConsumeIntegral<int32_t>();
        p.u.td.y_value = in.ConsumeIntegral<int32_t>();
        break;
    case PF_Param_COLOR:
        p.u.cd.value.alpha = in.ConsumeIntegral<uint8_t>();
        p.u.cd.value.red = in.ConsumeIntegral<uint8_t>();
        p.u.cd.value.green = in.ConsumeIntegral<uint8_t>();
        p.u.cd.value.blue = in.ConsumeIntegral<uint8_t>();
        break;
    default: break;
    }
}

// Triangles of the tree these values grow on an output `width` wide. The render of trees far
// larger than such a small frame can show (the generator allows millions of needles, whatever
// the frame size) takes seconds and gigabytes without reaching any code the smaller ones do not.
int64_t TreeTriangles(HostSession& s, int32_t width)
{
    const FrameParameters p = ReadFrameParameters(ParamArray(s));
    return CountTree(p, width, FrameNumber(s.in.current_time, s.in.local_time_step)).triangles;
}

constexpr int64_t MaxFuzzTriangles = 200000;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    HostSession& s = FuzzSession();
    SetLayerSize(s, in.ConsumeIntegralInRange<int32_t>(1, 64), in.ConsumeIntegralInRange<int32_t>(1, 64));
    ResetParamValues(s);
    // Each parameter keeps its default or takes a raw value.
    for (size_t i = 1; i < s.values.size(); ++i)
        if (in.ConsumeBool())
            SetRawValue(s.values[i], in);

    FuzzWorld output, input, reflections[2];
    output.Make(in, in.ConsumeBool(), true);
    const bool deep = (output.def.world_flags & PF_WorldFlag_DEEP) != 0;
    input.Make(in, deep, false);
    SetInputWorld(s, input.def);
    const PF_ParamIndex layerParams[2] = {PARAM_TREE_REFLECTION_LAYER, PARAM_NEEDLE_REFLECTION_LAYER};
    for (int m = 0; m < 2; ++m) {
        s.values[size_t(layerParams[m])].u.ld = PF_LayerDef{};
        if (in.ConsumeBool()) {
            reflections[m].Make(in, deep, false);
            s.values[size_t(layerParams[m])].u.ld = reflections[m].def;
        }
    }
    s.in.quality = in.ConsumeBool() ? PF_Quality_HI : PF_Quality_LO;
    s.in.current_time = in.ConsumeIntegral<A_long>();
    s.in.local_time_step = in.ConsumeIntegral<A_long>();
    s.in.time_step = s.in.local_time_step;
    s.in.time_scale = in.ConsumeIntegral<A_u_long>();
    if (in.ConsumeBool())
        s.in.width = in.ConsumeIntegral<A_long>();   // a resolution ratio of any size
    const A_u_long factor = in.ConsumeIntegralInRange<A_u_long>(1, 4);
    s.in.downsample_x = s.in.downsample_y = PF_RationalScale{1, factor};

    if (TreeTriangles(s, output.def.width) > MaxFuzzTriangles)
        return 0;
    const std::vector<uint8_t> handed = output.bytes;
    ReleaseSceneBuffers();
    const int64_t liveBlocks = PageLiveBlocks();
    const PF_Err err = CallEffect(s, EntryPointFunc, PF_Cmd_RENDER, &output.def);
    Check(err == PF_Err_NONE || err == PF_Err_OUT_OF_MEMORY || err == PF_Err_BAD_CALLBACK_PARAM,
          "a render answers with none, out of memory or a bad parameter");
    if (err != PF_Err_NONE)
        Check(output.bytes == handed, "a failed render leaves the output as it was");
    Check(s.outstandingCheckouts == 0 && s.problems.empty(), "every layer checked out is checked in, once");
    // The engine keeps its per-call blocks for the next call of the same size; the host's
    // set-down would give them back.
    ReleaseSceneBuffers();
    Check(PageLiveBlocks() == liveBlocks, "no page block outlives the render");
    Check(!ScratchImage && !EdgeColorMemory && !UnderEdgeMemory && !BackLayer && !BackLayerDepth && !destImage,
          "no per-call engine buffer outlives the render");
    Check(!ZBuff, "the render's own depth buffer is released");
    s.problems.clear();
    s.effectMessages.clear();
    return 0;
}

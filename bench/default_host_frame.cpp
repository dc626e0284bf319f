// The default frame in a command-line host session.
#include "bench/default_host_frame.h"

#include "bench/default_scene.h"
#include "effect/entry.h"

DefaultHostFrame::DefaultHostFrame(bool deep)
{
    if (SetUpEffect(session, EntryPointFunc, nullptr) != PF_Err_NONE)
        return;
    SetLayerSize(session, BenchWidth, BenchHeight);
    ResetParamValues(session);
    ready = ImageToWorld(SkyBackground(BenchWidth, BenchHeight), deep, layer) &&
            MakeWorld(BenchWidth, BenchHeight, deep, output);
    SetInputWorld(session, layer.world);
}

DefaultHostFrame::~DefaultHostFrame() { SetDownEffect(session, EntryPointFunc); }

FrameParameters DefaultHostFrame::Params() { return ReadFrameParameters(ParamArray(session)); }

void TimeRenderCommands(benchmark::State& state, bool deep)
{
    DefaultHostFrame frame(deep);
    if (!frame.ready) {
        state.SkipWithError("the effect could not be set up");
        return;
    }
    for (auto _ : state) {
        const PF_Err err =
            CallEffect(frame.session, EntryPointFunc, PF_Cmd_RENDER, &frame.output.world);
        if (err != PF_Err_NONE) {
            state.SkipWithError("the render command failed");
            break;
        }
        benchmark::DoNotOptimize(frame.output.world.data);
    }
}

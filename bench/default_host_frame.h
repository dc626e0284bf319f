// The effect's default frame as the command-line host renders it: an instance set up in a host
// session with every parameter at its default, the host's sky as the full-HD layer and an output
// world, for the benchmarks that time the render command or start from the values it reads.
#pragma once

#include <benchmark/benchmark.h>

#include "effect/render_inputs.h"
#include "host/render_worlds.h"
#include "host/sequence.h"

struct DefaultHostFrame {
    HostSession session;
    HostWorld layer;
    HostWorld output;
    bool ready = false;

    explicit DefaultHostFrame(bool deep);
    ~DefaultHostFrame();
    DefaultHostFrame(const DefaultHostFrame&) = delete;
    DefaultHostFrame& operator=(const DefaultHostFrame&) = delete;
    // The values the render command reads from the instance's parameters.
    FrameParameters Params();
};

// Times the render command of the default frame through EntryPointFunc, one a benchmark
// iteration; a failed command stops the case with an error.
void TimeRenderCommands(benchmark::State& state, bool deep);

// The effect panel under test: a host session with the effect set up, the host's drawing suites
// on a panel-sized canvas, and events sent through EntryPointFunc the way the host sends them.
// Every test ends with the host's leak checks (suites, drawing objects, and on the stand-in
// GDI objects), so a path that forgets a release fails wherever it is taken.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "effect/entry.h"
#include "effect/panel.h"
#include "host/drawbot_suites.h"
#include "host/host_ops.h"

// The pixels of one of the module's .bmp files (effect/resources/), rows as stored.
struct StoredBitmap {
    int width = 0;
    int height = 0;
    int rowBytes = 0;
    std::vector<uint8_t> pixels;   // blue, green, red; first stored row first
    std::vector<uint8_t> file;     // the whole file
};
StoredBitmap ReadStoredBitmap(const std::string& name);

class PanelTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    PF_EventExtra Event(PF_EventType type) { return PanelEvent(panel, type); }
    PF_Err Send(PF_EventExtra& event);
    PF_Err Draw();   // an ordinary draw event for the whole panel
    PF_Err MoveCursor(int32_t x, int32_t y, PF_EventOutFlags* outFlags = nullptr);
    PF_Err Click(int32_t x, int32_t y);

    // Whether canvas pixels (x0.., y0..) show `bitmap` as the host paints it: first stored row at
    // the top.
    bool Shows(const StoredBitmap& bitmap, int32_t x0, int32_t y0) const;

    HostSession session;
    DrawbotHost panel{384, 141};
};

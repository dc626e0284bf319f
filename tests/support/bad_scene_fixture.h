// The fixture of the tests that draw scenes no caller should pass: a frame of the size the scene
// builder's huge and non-finite corner scenes are made for, with the scene origin at its centre,
// one flat material, and the draw setting of the test's parameter.
#pragma once

#include <gtest/gtest.h>

#include "tests/support/scene_builder.h"
#include "tests/support/settings_guard.h"
#include "tests/support/test_image.h"

class BadSceneTest : public EngineTest, public ::testing::WithParamInterface<DrawSetting> {
protected:
    static constexpr int W = 40;
    static constexpr int H = 30;

    BadSceneTest();
    // Draws the scene (over `background` when one is set) and checks that nothing was written
    // outside the image and that the depth buffer was given back.
    void RenderAndCheck();

    SceneBuilder scene;
    TestImage image;
    TestImage* background = nullptr;
};

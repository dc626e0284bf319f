// The generator inputs that every control's default gives at frame 0 for an output `width`
// pixels wide: the tree all benchmarks build, written once.
#pragma once

#include <cstdint>

#include "tree/tree_model.h"

inline TreeInputs DefaultTreeInputs(int32_t levels = 4, float width = 1920.0f)
{
    TreeInputs in{};
    in.needleShape = NeedleShapeSemi;
    in.levels = levels;
    in.childrenPerNode = 3;
    in.trunkWidth = (5.0f / 2.5f) * width / 200.0f;
    in.trunkLength = 50.0f * width / 200.0f;
    in.origin = TreeVec3{0.0f, 0.0f, 0.0f};
    in.upDirection = TreeVec3{0.0f, 1.0f, 0.0f};
    in.growUp = 100.0f;
    in.dispersion = 0.1f;
    in.branchiness = 0.5f;
    in.proportions = 0.5f;
    in.windAmpX = 10.0f / 500.0f;
    in.windAmpZ = 10.0f / 500.0f;
    in.windTime = 0.0f;
    in.needleSpacing = static_cast<float>((1.1 - 90.0 / 100.0) * width) / 15.0f;
    in.needleWidth = 0.45f * (width / 40.0f);
    in.needleLength = 0.5f * (width / 8.0f);
    in.needleLift = 10.0f / 500.0f;
    in.needleTime = 0.0f;
    in.needleDispersion = 0.4f;
    return in;
}

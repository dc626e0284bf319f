// The outline modes (0, 1, 2) and the curved-surface modes (8, 9, 10) have no rasteriser yet:
// the scene driver dispatches to them and, until they are written, nothing is drawn. Replace
// these checks with real ones when the modes arrive.
#include <gtest/gtest.h>

#include "tests/support/scene_builder.h"
#include "tests/support/settings_guard.h"
#include "tests/support/test_image.h"

namespace {

class ModesStillToCome : public EngineTest, public ::testing::WithParamInterface<int> {};

TEST_P(ModesStillToCome, DrawNothingYet)
{
    _DrawMode = static_cast<uint8_t>(GetParam());
    SceneBuilder scene(16, 12);
    scene.AddFlatMaterial(1, 1, 1);
    scene.AddRectangle(4, 4, 28, 20, 0);
    TestImage image(32, 24, false);
    TestImage source(32, 24, false);
    image.Fill(1, 2, 3, 4);
    const auto before = image.Snapshot();
    scene.Render(image, &source);
    EXPECT_EQ(image.Snapshot(), before);
    EXPECT_EQ(ZBuff, nullptr);
}

INSTANTIATE_TEST_SUITE_P(OutlineAndCurved, ModesStillToCome, ::testing::Values(0, 1, 2, 8, 9, 10));

} // namespace

// The fixture for scenes no caller should pass.
#include "tests/support/bad_scene_fixture.h"

BadSceneTest::BadSceneTest() : scene(W / 2, H / 2), image(W, H, GetParam().deep)
{
    GetParam().Use();
    scene.AddFlatMaterial(0.9f, 0.5f, 0.1f);
}

void BadSceneTest::RenderAndCheck()
{
    scene.Render(image, background);
    EXPECT_TRUE(image.GuardsIntact());
    EXPECT_EQ(ZBuff, nullptr);
}

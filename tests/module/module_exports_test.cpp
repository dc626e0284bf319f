// The built module, loaded as the host loads it, exports every engine name undecorated.
#include <gtest/gtest.h>

#include <string>

#include "engine/engine_exports.h"
#include "platform/module_loader.h"

namespace {

class BuiltModule : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        module = LoadModule(ExecutableDir() + ModuleFileName(), error);
        ASSERT_NE(module, nullptr) << error;
    }
    void TearDown() override { UnloadModule(module); }
    void* module = nullptr;
};

TEST_F(BuiltModule, ExportsEveryEngineName)
{
    for (const char* name : EngineExportNames)
        EXPECT_NE(FindSymbol(module, name), nullptr) << name;
}

TEST_F(BuiltModule, ExportsTheHostEntryPoint)
{
    EXPECT_NE(FindSymbol(module, "EntryPointFunc"), nullptr);
}

TEST_F(BuiltModule, ExportedSettingsHoldTheirLoadValues)
{
    // The module has its own copy of the engine, untouched by this program.
    auto drawMode = static_cast<uint8_t*>(FindSymbol(module, "_DrawMode"));
    auto quality = static_cast<uint8_t*>(FindSymbol(module, "_Quality"));
    auto far = static_cast<float*>(FindSymbol(module, "_Persp_Far"));
    ASSERT_TRUE(drawMode && quality && far);
    EXPECT_EQ(*drawMode, 6);
    EXPECT_EQ(*quality, 1);
    EXPECT_EQ(*far, 1000.0f);
    auto getDrawMode = reinterpret_cast<uint8_t (*)()>(FindSymbol(module, "__GetDrawMode"));
    auto setDrawMode = reinterpret_cast<void (*)(uint8_t)>(FindSymbol(module, "__SetDrawMode"));
    ASSERT_TRUE(getDrawMode && setDrawMode);
    setDrawMode(3);
    EXPECT_EQ(*drawMode, 3);
    EXPECT_EQ(getDrawMode(), 3);
    setDrawMode(6);
}

} // namespace

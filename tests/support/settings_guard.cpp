// The engine settings guard.
#include "tests/support/settings_guard.h"

#include "shading/pixel_shader.h"

EngineSettingsGuard::~EngineSettingsGuard()
{
#define ENGINE_RESTORED_VARIABLE(name) name = saved##name;
    ENGINE_MODULE_VARIABLES(ENGINE_RESTORED_VARIABLE)
#undef ENGINE_RESTORED_VARIABLE
}

void EngineSettingsGuard::ResetToLoadValues()
{
    _DrawMode = 6;
    _Quality = 1;
    _Deep = 0;
    _DrawBackFaces = 0;
    _DrawBackFaces1 = 0;
    _DubleSide = 0;
    _UseMultyRefract = 1;
    _UsePhong2 = 0;
    _UseGlass = 0;
    _UseCustomMats = 1;
    _UsePersp = 0;
    _UseReflection = 0;
    _WireSize = 1.0f;
    _Persp_Val = 0.0f;
    _Persp_x = 0.0f;
    _Persp_y = 0.0f;
    _Persp_Far = 1000.0f;
    ZBuff = nullptr;
    Zwidth = 0;
    Zheight = 0;
    DefaultLight = nullptr;
    ownsDepthBuffer = 0;
    ownsDefaultLight = 0;
    RenderOnePixel = DefaultRenderOnePixel;
    ChannelMax = 255;
    RowStride = 0;
    RasterSceneOutOfMemory = 0;
}

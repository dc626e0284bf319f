// The engine's default per-pixel shader.
#include "shading/pixel_shader.h"

// TODO: the lighting model arrives with the rasteriser; until then no pixel gains opacity.
float DefaultRenderOnePixel(float, float, unsigned char*, unsigned char*, float, float, float,
                            __Triangle3ds*, material3ds*, int, float& outC1, float& outC2,
                            float& outC3, __Point*, unsigned char, float, float, __Texture*, int,
                            light3ds*, __PrevInfo*, GlassProp*, float, float, float, float)
{
    outC1 = outC2 = outC3 = 0.0f;
    return 0.0f;
}

// The scene entry points __RasterScene and __RasterSolid.
#include "engine/engine_exports.h"

// TODO: the scene driver arrives with the rasteriser; until then a scene draws nothing.
extern "C" void __RasterScene(unsigned char*, unsigned char*, int, int, int, int, int,
                              __Triangle3ds*, __Point3ds*, int, int, int, material3ds*,
                              __Texture*, int, light3ds*, GlassProp*)
{
}

extern "C" void __RasterSolid(unsigned char*, int, int, int, int, int, __Triangle3ds*,
                              __Point3ds*, int, int, float, float, float, float)
{
}

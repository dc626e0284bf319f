// The outline modes and __DrawScenesLineColor.
#include "engine/engine_exports.h"
#include "engine/mode_rasterisers.h"

// TODO: the outline modes arrive with their own work; until then nothing is drawn.
extern "C" void __DrawScenesLineColor(float, int, int, int, unsigned char*, unsigned char*, int,
                                      int, int, int, __Triangle3ds*, __Point3ds*, int, int)
{
}

void RoughTriangle(unsigned char*, unsigned char*, int, int, __Triangle3ds*, __Point3ds*, int, int)
{
}

void LineTriangle(unsigned char*, unsigned char*, int, int, __Texture*, material3ds*, int,
                  __Triangle3ds*, __Point3ds*, int, int, int, light3ds*, GlassProp*)
{
}

void WireTriangle(unsigned char*, unsigned char*, int, int, __Texture*, material3ds*, int,
                  __Triangle3ds*, __Point3ds*, int, int, int, light3ds*, GlassProp*)
{
}

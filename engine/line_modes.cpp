// The outline modes and __DrawScenesLineColor.
#include "engine/engine_exports.h"

// TODO: the outline modes arrive with their own work; until then nothing is drawn.
extern "C" void __DrawScenesLineColor(float, int, int, int, unsigned char*, unsigned char*, int,
                                      int, int, int, __Triangle3ds*, __Point3ds*, int, int)
{
}

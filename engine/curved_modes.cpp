// The curved-surface modes: Patches (8), Bezier (9) and Bezier outline (10).
#include "engine/mode_rasterisers.h"

// TODO: the curved-surface rasterisers (patch subdivision, the cubic Bezier control net and its
// sampling) are still to be written; until then these modes draw nothing.
void PatchTriangle(unsigned char*, unsigned char*, __Triangle3ds*, __Point3ds*, int, int, int,
                   material3ds*, __Texture*, int, light3ds*, GlassProp*)
{
}

void BezierTriangle(unsigned char*, unsigned char*, __Triangle3ds*, __Point3ds*, int, int, int,
                    material3ds*, __Texture*, int, light3ds*, GlassProp*)
{
}

void BezierOutlineTriangle(unsigned char*, unsigned char*, __Triangle3ds*, __Point3ds*, int, int,
                           int, material3ds*)
{
}

// Texture, opacity, bump and reflection map sampling.
#include "shading/map_samplers.h"

// TODO: the map samplers (wrapping, bilinear and box filtering, the bump gradient and the
// reflection box projection) are still to be written; until then every map is reported absent,
// so the shader draws every material without maps.
void SampleMap(float&, float&, float&, const map3ds&, const __Texture*, float&, bool& present,
               float, float, const __PrevInfo*)
{
    present = false;
}

void SampleBumpMap(float&, float&, float&, const map3ds&, const __Texture*, float&, bool& present,
                   float, float, const __PrevInfo*)
{
    present = false;
}

void SampleReflectionMap(float&, float&, float&, const map3ds&, const __Texture*, float&,
                         bool& present, float, float, float, float, float, float)
{
    present = false;
}

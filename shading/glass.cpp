// Glass refraction with chromatic aberration.
#include "shading/glass.h"

// TODO: the refraction samplers (filtered and multiple refraction over BackLayer) are still to
// be written; until then no glass record refracts and glass materials shade like any other.
bool ApplyGlass(float*, float&, const GlassProp&, float, float, float, float, float, float, float,
                float, const float*, const __PrevInfo*, unsigned char*, unsigned char*)
{
    return false;
}

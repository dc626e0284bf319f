// Glass: a material whose glass record is on shows the image behind it, displaced along the
// surface normal per colour component and tinted by its diffuse colour.
#pragma once

#include "engine/scene_records.h"

// The glass step of the default shader. `diffuse` holds the material colour after the maps and
// receives the refracted background plus tint (0..1 per component); `opacity` may be lowered
// where the refracted samples leave the image. (nx, ny, nz) is the shader's unit normal (tilted
// by a bump map, if any), the point and origin give the pixel, `plane` the triangle's screen
// plane (A, B, C, D), and `destImage`/`sourceImage` the shader's image arguments. Returns false
// when nothing was refracted and the arguments are untouched.
bool ApplyGlass(float diffuse[3], float& opacity, const GlassProp& glass, float nx, float ny,
                float nz, float pointX, float pointY, float pointZ, float originX, float originY,
                const float plane[4], const __PrevInfo* prevInfo, unsigned char* destImage,
                unsigned char* sourceImage);

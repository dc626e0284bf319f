// The samplers of a material's texture, opacity, bump and reflection maps, called by the default
// shader. Each takes the map block that says how the map is applied and the texture record of its
// slot; a null texture pointer means the scene passed no texture array. A texture that is absent
// (null, `present` 0, or a record without pixels or with a size below 1) clears `present` and
// leaves the outputs and the amount untouched, and the shader then skips that map. Elements are
// read by _Deep and scaled by ChannelMax of the current scene call.
#pragma once

#include "engine/scene_records.h"
#include "shading/lanes.h"

// A texture the samplers read: present, with texels to read. A record that claims to be present
// but has no pixels or no size is absent to every sampler, which then leaves its outputs alone.
inline bool MapReadable(const __Texture* texture)
{
    return texture && texture->present && texture->pixels && texture->width > 0 &&
           texture->height > 0;
}

// Texel position along one axis of a map `size` texels long, from the map coordinate s and the
// block's scale and offset: s = 0 is texel 0, s = 1 the last texel, and anything outside wraps
// into 0 <= X < size (NaN gives 0). Shared by the three samplers.
float TexelCoordinate(float s, float scale, float offset, int size);

// Texture and opacity maps: three colour components 0..1 at (u, v); `amount` is clamped to 0..1
// and multiplied by the texel's alpha. `prevInfo` (may be null) gives the previous pixel's u, v
// for filtering.
void SampleMap(float& out1, float& out2, float& out3, const map3ds& block,
               const __Texture* texture, float& amount, bool& present, float u, float v,
               const __PrevInfo* prevInfo);

// Bump map: tilts the normal's x and y in place by the map's gradient at (u, v).
void SampleBumpMap(float& nx, float& ny, float& nz, const map3ds& block, const __Texture* texture,
                   float& amount, bool& present, float u, float v, const __PrevInfo* prevInfo);

// The reflection map's three colour components 0..1 for a readable texture, in lanes: what
// SampleReflectionMap gives, for the shader's own use.
Lanes ReflectionColour(const map3ds& block, const __Texture& texture, float x, float y, float z,
                       float nx, float ny, float nz);

// Reflection map: three colour components 0..1 along the view reflected about the unit normal
// (nx, ny, nz) at the point (x, y, z); `amount` is clamped to 0..1.
void SampleReflectionMap(float& out1, float& out2, float& out3, const map3ds& block,
                         const __Texture* texture, float& amount, bool& present, float x, float y,
                         float z, float nx, float ny, float nz);

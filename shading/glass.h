// Glass: a material whose glass record is on shows the image behind it, displaced along the
// surface normal per colour component and tinted by its diffuse colour.
//
// Glass works in screen space on the images of the current scene call, all Zwidth x Zheight
// pixels with packed rows: the source image behind the scene, the destination drawn so far (the
// scene driver's destImage) and, for multiple refraction, BackLayer and BackLayerDepth. Every
// pixel is addressed as element 4 x (x + y x Zwidth), in the filtered path as well as in the
// multiple-refraction path, because the glass buffers the scene driver allocates are packed and
// the driver refuses padded rows.
#pragma once

#include "engine/scene_records.h"

// Depth difference under which a sample counts as the layer already recorded at a pixel.
constexpr float RefractLayerThreshold = 30.0f;

// The glass step of the default shader. `diffuse` holds the material colour after the maps and
// receives the refracted background plus tint (0..1 per component); `opacity` may be lowered
// where the refracted samples leave the image. (nx, ny, nz) is the shader's unit normal (tilted
// by a bump map, if any), the point and origin give the pixel, `plane` the triangle's screen
// plane (A, B, C, D), and `destImage`/`sourceImage` the shader's image arguments. Returns false
// when the record is off and the arguments are untouched.
bool ApplyGlass(float diffuse[3], float& opacity, const GlassProp& glass, float nx, float ny,
                float nz, float pointX, float pointY, float pointZ, float originX, float originY,
                const float plane[4], const __PrevInfo* prevInfo, unsigned char* destImage,
                unsigned char* sourceImage);

// One colour component (0..1) of the background displaced to (x, y), plus the tint. A position
// outside the image falls back to the pixel's own column or row (pixelX, pixelY); when that is
// outside as well, the opacity becomes 0 and the result is 0. With _Quality four neighbouring
// taps are blended, each at the plane's depth at its position.
float SampleRefractedFiltered(float depth, float x, float y, int component, int width,
                              int height, unsigned char* destImage, unsigned char* sourceImage,
                              float tint, float planeA, float planeB, float planeC, float planeD,
                              float& opacity, float pixelX, float pixelY);

// One element (0..ChannelMax) of the background at a pixel: the source image, or, in the front
// pass of a two-pass render and with multiple refraction, what BackLayer holds there. With
// multiple refraction it also moves BackLayer on to the surface drawn at the pixel when the
// sample lies at another depth than the one recorded, and records the depth with the last
// component. `elementIndex` is the pixel's first element. The destination drawn so far is
// `engineDestination`, or `destImage` when the shader runs outside a scene call; a missing
// source image reads as 0.
float SampleRefracted(float depth, unsigned char* destImage, unsigned char* sourceImage,
                      unsigned char* engineDestination, int elementIndex, int component,
                      float threshold);

// The engine's own per-pixel shader, the initial content of the shader slot.
#pragma once

#include "engine/scene_records.h"

float DefaultRenderOnePixel(float originX, float originY, unsigned char* destImage,
                            unsigned char* sourceImage, float pointX, float pointY, float pointZ,
                            __Triangle3ds* triangle, material3ds* materials, int materialCount,
                            float& outC1, float& outC2, float& outC3, __Point* normal,
                            unsigned char mapsOn, float texU, float texV, __Texture* textures,
                            int lightCount, light3ds* lights, __PrevInfo* prevInfo,
                            GlassProp* glassProps, float planeA, float planeB, float planeC,
                            float planeD);

// Everything the engine exports to other modules, in one list: its settings as data, their
// accessors, the depth-buffer and default-light registrations, sort and perspective, the 8/16-bit
// conversions, the shader slot and the scene entry points. Names are exact and undecorated.
#pragma once

#include <cstdint>

#include "engine/scene_records.h"
#include "platform/export.h"

// The values of _DrawMode: the effect's "Rendering mode" menu (Rough|Line|Wire|Flat|Phong|Patches|
// Bezier) maps onto the first seven; Bezier outline is not on the menu. Every other value draws
// nothing.
enum class DrawMode : uint8_t {
    Rough = 0,
    Line = 1,
    Wire = 2,
    Flat = 3,
    Phong = 6,
    Patches = 8,
    Bezier = 9,
    BezierOutline = 10,
};

extern "C" {

// Settings, exported as data. One-byte flags hold 0 or 1 unless noted.
VELMORA_EXPORT extern uint8_t _DrawMode;        // rasteriser of __RasterScene: a DrawMode
VELMORA_EXPORT extern uint8_t _Quality;         // 1: anti-aliased edges and filtered maps
VELMORA_EXPORT extern uint8_t _Deep;            // non-zero: 16-bit elements, full scale 32768
VELMORA_EXPORT extern uint8_t _DrawBackFaces;   // non-zero: two passes, back faces first
VELMORA_EXPORT extern uint8_t _DrawBackFaces1;  // set while the back-face pass runs
VELMORA_EXPORT extern uint8_t _DubleSide;       // draw back faces too, in every mode but 10
VELMORA_EXPORT extern uint8_t _UseMultyRefract; // 2: filled modes draw back faces in the front pass
VELMORA_EXPORT extern uint8_t _UsePhong2;
VELMORA_EXPORT extern uint8_t _UseGlass;        // stored and reported only
VELMORA_EXPORT extern uint8_t _UseCustomMats;   // stored and reported only
VELMORA_EXPORT extern uint8_t _UsePersp;        // stored and reported only
VELMORA_EXPORT extern uint8_t _UseReflection;   // stored and reported only
VELMORA_EXPORT extern float _WireSize;          // half the pen width of the Line and Wire modes
VELMORA_EXPORT extern float _Persp_Val;
VELMORA_EXPORT extern float _Persp_x;
VELMORA_EXPORT extern float _Persp_y;
VELMORA_EXPORT extern float _Persp_Far;
VELMORA_EXPORT extern float* ZBuff;
VELMORA_EXPORT extern int32_t Zwidth;
VELMORA_EXPORT extern int32_t Zheight;

VELMORA_EXPORT uint8_t __GetDrawMode();
VELMORA_EXPORT void __SetDrawMode(uint8_t value);
VELMORA_EXPORT uint8_t __GetQuality();
VELMORA_EXPORT void __SetQuality(uint8_t value);
VELMORA_EXPORT uint8_t __GetDeep();
VELMORA_EXPORT void __SetDeep(uint8_t value);
VELMORA_EXPORT uint8_t __GetDrawBackFaces();
VELMORA_EXPORT void __SetDrawBackFaces(uint8_t value);
VELMORA_EXPORT uint8_t __GetDubleSide();
VELMORA_EXPORT void __SetDubleSide(uint8_t value);
VELMORA_EXPORT uint8_t __GetUseMultyRefract();
VELMORA_EXPORT void __SetUseMultyRefract(uint8_t value);
VELMORA_EXPORT uint8_t __GetUsePhong2();
VELMORA_EXPORT void __SetUsePhong2(uint8_t value);
VELMORA_EXPORT uint8_t __GetUseGlass();
VELMORA_EXPORT void __SetUseGlass(uint8_t value);
VELMORA_EXPORT uint8_t __GetUseCustomMats();
VELMORA_EXPORT void __SetUseCustomMats(uint8_t value);
VELMORA_EXPORT uint8_t __GetUsePersp();
VELMORA_EXPORT void __SetUsePersp(uint8_t value);
VELMORA_EXPORT uint8_t __GetUseReflection();
VELMORA_EXPORT void __SetUseReflection(uint8_t value);

// A registered depth buffer, and texture pixels that __ConvertText replaces, are released by the
// engine when it is done with them. On Windows they must come from VirtualAlloc. On Linux the
// engine releases only blocks of its own page allocator and leaves any other buffer to its owner.
VELMORA_EXPORT void __SetZBuff(float* buffer, int width, int height);
VELMORA_EXPORT void __GetZBuff(float*& buffer, int& width, int& height);
VELMORA_EXPORT void __SetLightDef(light3ds* light);

VELMORA_EXPORT void __Sort(int count, __Triangle3ds* triangles, __Point3ds* points);
VELMORA_EXPORT void __AddPersp(int count, __Point3ds* points, float value, float centreX,
                               float centreY, float far);

VELMORA_EXPORT void __ConvertBYTE16TO8(unsigned char** buffer, int width, int height, int rowElements);
VELMORA_EXPORT void __ConvertBYTE8TO16(unsigned char** buffer, int width, int height, int rowElements);
VELMORA_EXPORT void __ConvertText(__Texture* texture);
VELMORA_EXPORT int __mmx_present();

VELMORA_EXPORT void __SetNewRenderOnePixel(RenderOnePixelProc shader);
VELMORA_EXPORT void __SetDefRenderOnePixel();

VELMORA_EXPORT void __RasterScene(unsigned char* destImage, unsigned char* sourceImage, int width,
                                  int height, int rowElements, int pointCount, int triangleCount,
                                  __Triangle3ds* triangles, __Point3ds* points, int originX,
                                  int originY, int materialCount, material3ds* materials,
                                  __Texture* textures, int lightCount, light3ds* lights,
                                  GlassProp* glassProps);
VELMORA_EXPORT void __RasterSolid(unsigned char* destImage, int width, int height, int rowElements,
                                  int pointCount, int triangleCount, __Triangle3ds* triangles,
                                  __Point3ds* points, int originX, int originY, float red,
                                  float green, float blue, float opacity);
VELMORA_EXPORT void __DrawScenesLineColor(float halfWidth, int c1, int c2, int c3,
                                          unsigned char* destImage, unsigned char* sourceImage,
                                          int ignored1, int ignored2, int ignored3,
                                          int triangleCount, __Triangle3ds* triangles,
                                          __Point3ds* points, int originX, int originY);

} // extern "C"

// Every exported name, for tools and tests that look the exports up in the built module.
inline constexpr const char* EngineExportNames[] = {
    "_DrawMode", "_Quality", "_Deep", "_DrawBackFaces", "_DrawBackFaces1", "_DubleSide",
    "_UseMultyRefract", "_UsePhong2", "_UseGlass", "_UseCustomMats", "_UsePersp",
    "_UseReflection", "_WireSize", "_Persp_Val", "_Persp_x", "_Persp_y", "_Persp_Far", "ZBuff",
    "Zwidth", "Zheight",
    "__GetDrawMode", "__SetDrawMode", "__GetQuality", "__SetQuality", "__GetDeep", "__SetDeep",
    "__GetDrawBackFaces", "__SetDrawBackFaces", "__GetDubleSide", "__SetDubleSide",
    "__GetUseMultyRefract", "__SetUseMultyRefract", "__GetUsePhong2", "__SetUsePhong2",
    "__GetUseGlass", "__SetUseGlass", "__GetUseCustomMats", "__SetUseCustomMats",
    "__GetUsePersp", "__SetUsePersp", "__GetUseReflection", "__SetUseReflection",
    "__SetZBuff", "__GetZBuff", "__SetLightDef", "__Sort", "__AddPersp",
    "__ConvertBYTE16TO8", "__ConvertBYTE8TO16", "__ConvertText", "__mmx_present",
    "__SetNewRenderOnePixel", "__SetDefRenderOnePixel",
    "__RasterScene", "__RasterSolid", "__DrawScenesLineColor",
};

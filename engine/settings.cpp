// The engine's process-wide settings with their load values, their accessors, the depth-buffer
// and default-light registrations and the shader slot.
#include "engine/engine_exports.h"
#include "engine/engine_state.h"
#include "shading/pixel_shader.h"

extern "C" {

uint8_t _DrawMode = 6;
uint8_t _Quality = 1;
uint8_t _Deep = 0;
uint8_t _DrawBackFaces = 0;
uint8_t _DrawBackFaces1 = 0;
uint8_t _DubleSide = 0;
uint8_t _UseMultyRefract = 1;
uint8_t _UsePhong2 = 0;
uint8_t _UseGlass = 0;
uint8_t _UseCustomMats = 1;
uint8_t _UsePersp = 0;
uint8_t _UseReflection = 0;
float _WireSize = 1.0f;
float _Persp_Val = 0.0f;
float _Persp_x = 0.0f;
float _Persp_y = 0.0f;
float _Persp_Far = 1000.0f;
float* ZBuff = nullptr;
int32_t Zwidth = 0;
int32_t Zheight = 0;

} // extern "C"

light3ds* DefaultLight = nullptr;
uint8_t ownsDepthBuffer = 0;
uint8_t ownsDefaultLight = 0;
RenderOnePixelProc RenderOnePixel = DefaultRenderOnePixel;

#define VELMORA_FLAG_ACCESSORS(Name, setting)                    \
    uint8_t __Get##Name() { return setting; }                   \
    void __Set##Name(uint8_t value) { setting = value; }

extern "C" {

VELMORA_FLAG_ACCESSORS(DrawMode, _DrawMode)
VELMORA_FLAG_ACCESSORS(Deep, _Deep)
VELMORA_FLAG_ACCESSORS(DrawBackFaces, _DrawBackFaces)
VELMORA_FLAG_ACCESSORS(DubleSide, _DubleSide)
VELMORA_FLAG_ACCESSORS(UseMultyRefract, _UseMultyRefract)
VELMORA_FLAG_ACCESSORS(UsePhong2, _UsePhong2)
VELMORA_FLAG_ACCESSORS(UseGlass, _UseGlass)
VELMORA_FLAG_ACCESSORS(UseCustomMats, _UseCustomMats)
VELMORA_FLAG_ACCESSORS(UsePersp, _UsePersp)
VELMORA_FLAG_ACCESSORS(UseReflection, _UseReflection)

uint8_t __GetQuality() { return _Quality; }

// Quality is a switch: the engine only ever tests it against 0 and 1.
void __SetQuality(uint8_t value) { _Quality = value >= 2 ? 1 : value; }

void __SetZBuff(float* buffer, int width, int height)
{
    if (buffer && width > 0 && height > 0) {
        ZBuff = buffer;
        Zwidth = width;
        Zheight = height;
    } else {
        ZBuff = nullptr;
        Zwidth = 0;
        Zheight = 0;
    }
}

void __GetZBuff(float*& buffer, int& width, int& height)
{
    buffer = ZBuff;
    width = Zwidth;
    height = Zheight;
}

void __SetLightDef(light3ds* light) { DefaultLight = light; }

int __mmx_present() { return 1; }

// Stored unchecked: callers install their own shader and own its correctness.
void __SetNewRenderOnePixel(RenderOnePixelProc shader) { RenderOnePixel = shader; }

void __SetDefRenderOnePixel() { RenderOnePixel = DefaultRenderOnePixel; }

} // extern "C"

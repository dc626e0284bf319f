// The engine settings guard.
#include "tests/support/settings_guard.h"

#include "shading/pixel_shader.h"

EngineSettingsGuard::EngineSettingsGuard()
    : drawMode(_DrawMode), quality(_Quality), deep(_Deep), drawBackFaces(_DrawBackFaces),
      drawBackFaces1(_DrawBackFaces1), dubleSide(_DubleSide), useMultyRefract(_UseMultyRefract),
      usePhong2(_UsePhong2), useGlass(_UseGlass), useCustomMats(_UseCustomMats),
      usePersp(_UsePersp), useReflection(_UseReflection), wireSize(_WireSize),
      perspVal(_Persp_Val), perspX(_Persp_x), perspY(_Persp_y), perspFar(_Persp_Far),
      zBuff(ZBuff), zWidth(Zwidth), zHeight(Zheight), defaultLight(DefaultLight),
      ownsDepth(ownsDepthBuffer), ownsLight(ownsDefaultLight), shader(RenderOnePixel),
      channelMax(ChannelMax), rowStride(RowStride), dest(destImage), scratch(ScratchImage),
      edgeColor(EdgeColorMemory), underEdge(UnderEdgeMemory), backLayer(BackLayer),
      backLayerDepth(BackLayerDepth)
{
}

EngineSettingsGuard::~EngineSettingsGuard()
{
    _DrawMode = drawMode;
    _Quality = quality;
    _Deep = deep;
    _DrawBackFaces = drawBackFaces;
    _DrawBackFaces1 = drawBackFaces1;
    _DubleSide = dubleSide;
    _UseMultyRefract = useMultyRefract;
    _UsePhong2 = usePhong2;
    _UseGlass = useGlass;
    _UseCustomMats = useCustomMats;
    _UsePersp = usePersp;
    _UseReflection = useReflection;
    _WireSize = wireSize;
    _Persp_Val = perspVal;
    _Persp_x = perspX;
    _Persp_y = perspY;
    _Persp_Far = perspFar;
    ZBuff = zBuff;
    Zwidth = zWidth;
    Zheight = zHeight;
    DefaultLight = defaultLight;
    ownsDepthBuffer = ownsDepth;
    ownsDefaultLight = ownsLight;
    RenderOnePixel = shader;
    ChannelMax = channelMax;
    RowStride = rowStride;
    destImage = dest;
    ScratchImage = scratch;
    EdgeColorMemory = edgeColor;
    UnderEdgeMemory = underEdge;
    BackLayer = backLayer;
    BackLayerDepth = backLayerDepth;
}

void EngineSettingsGuard::ResetToLoadValues()
{
    _DrawMode = 6;
    _Quality = 1;
    _Deep = 0;
    _DrawBackFaces = 0;
    _DrawBackFaces1 = 0;
    _DubleSide = 0;
    _UseMultyRefract = 1;
    _UsePhong2 = 0;
    _UseGlass = 0;
    _UseCustomMats = 1;
    _UsePersp = 0;
    _UseReflection = 0;
    _WireSize = 1.0f;
    _Persp_Val = 0.0f;
    _Persp_x = 0.0f;
    _Persp_y = 0.0f;
    _Persp_Far = 1000.0f;
    ZBuff = nullptr;
    Zwidth = 0;
    Zheight = 0;
    DefaultLight = nullptr;
    ownsDepthBuffer = 0;
    ownsDefaultLight = 0;
    RenderOnePixel = DefaultRenderOnePixel;
    ChannelMax = 255;
    RowStride = 0;
}

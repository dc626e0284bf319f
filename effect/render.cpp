// The frame render: reads the parameters, grows the tree for the frame, places it, and has the
// engine draw it over the layer (or over transparent black) into the output world.
#include <cmath>
#include <cstring>

#include "effect/entry.h"
#include "effect/frame_convert.h"
#include "effect/params.h"
#include "effect/render_inputs.h"
#include "engine/engine_exports.h"
#include "engine/engine_state.h"
#include "platform/pages.h"
#include "tree/frame_mesh.h"

namespace {

// Module-wide, rewritten by every render: the frame being drawn and its element width.
int32_t RenderFrame = 0;
bool RenderDeep = false;

size_t PixelBytes(bool deep) { return deep ? sizeof(PF_Pixel16) : sizeof(PF_Pixel); }

// A world the render may read W x H pixels of: its own pixels, of the render's depth, with rows
// long enough for its width.
bool WorldCovers(const PF_LayerDef& world, bool deep, A_long width, A_long height)
{
    return world.data && world.width >= width && world.height >= height && width > 0 &&
           height > 0 && ((world.world_flags & PF_WorldFlag_DEEP) != 0) == deep &&
           world.rowbytes > 0 && size_t(world.rowbytes) >= size_t(world.width) * PixelBytes(deep);
}

// A texture layer checked out for this frame.
struct ReflectionLayer {
    PF_ParamDef def;
    bool present = false;
};

void CheckOut(PF_InData* in, PF_ParamIndex index, bool deep, ReflectionLayer& layer, PF_Err& result)
{
    std::memset(&layer.def, 0, sizeof layer.def);
    if (!in->inter.checkout_param)
        return;
    PF_Err err = in->inter.checkout_param(in->effect_ref, index, in->current_time,
                                          in->local_time_step, in->time_scale, &layer.def);
    if (err != PF_Err_NONE) {
        result = err;
        return;
    }
    const PF_LayerDef& ld = layer.def.u.ld;
    layer.present = WorldCovers(ld, deep, ld.width, ld.height);
}

PF_Err CheckIn(PF_InData* in, ReflectionLayer& layer)
{
    if (!in->inter.checkin_param)
        return PF_Err_NONE;
    return in->inter.checkin_param(in->effect_ref, &layer.def);
}

// The input layer as W x H pixels. A layer that is smaller than the output, of another depth or
// without pixels would be read past its end; it is then copied into a frame-sized block whose
// missing part stays transparent black.
struct InputView {
    const void* data = nullptr;
    A_long rowElements = 0;
    void* owned = nullptr;
};

bool ViewInput(const PF_LayerDef& input, bool deep, A_long width, A_long height, InputView& view)
{
    const A_long elementBytes = deep ? 2 : 1;
    if (WorldCovers(input, deep, width, height)) {
        view.data = input.data;
        view.rowElements = input.rowbytes / elementBytes;
        return true;
    }
    const size_t row = size_t(width) * PixelBytes(deep);
    view.owned = PageAllocate(row * size_t(height));
    if (!view.owned)
        return false;
    const bool usable = input.data && input.width > 0 && input.height > 0 &&
                        ((input.world_flags & PF_WorldFlag_DEEP) != 0) == deep &&
                        size_t(input.rowbytes) >= size_t(input.width) * PixelBytes(deep);
    if (usable)
        CopyWorld(view.owned, input.data, input.width < width ? input.width : width,
                  input.height < height ? input.height : height, A_long(row / elementBytes),
                  input.rowbytes / elementBytes, deep);
    view.data = view.owned;
    view.rowElements = A_long(row / elementBytes);
    return true;
}

// Everything one render allocates, released on every way out.
struct FrameBuffers {
    InputView input;
    unsigned char* destination = nullptr;
    unsigned char* source = nullptr;
    unsigned char* textures[2] = {nullptr, nullptr};
    GrownMesh mesh;
    ~FrameBuffers()
    {
        PageRelease(input.owned);
        PageRelease(destination);
        PageRelease(source);
        PageRelease(textures[0]);
        PageRelease(textures[1]);
    }
};

bool ParamsComplete(PF_ParamDef* params[])
{
    for (int i = 0; i < PARAM_COUNT; ++i)
        if (!params[i])
            return false;
    return true;
}

// A frame that could not be drawn whole: the output stays as the host handed it, the layers go
// back, and the host hears out of memory rather than getting a frame without its tree.
PF_Err FailFrame(PF_InData* in, ReflectionLayer& treeLayer, ReflectionLayer& needleLayer)
{
    CheckIn(in, treeLayer);
    CheckIn(in, needleLayer);
    return PF_Err_OUT_OF_MEMORY;
}

} // namespace

PF_Err Render(PF_InData* in_data, PF_OutData*, PF_ParamDef* params[], PF_LayerDef* output)
{
    if (!in_data || !params || !output || !ParamsComplete(params))
        return PF_Err_BAD_CALLBACK_PARAM;
    const bool deep = (output->world_flags & PF_WorldFlag_DEEP) != 0;
    const A_long W = output->width, H = output->height;
    if (W <= 0 || H <= 0)
        return PF_Err_NONE;
    if (!output->data || output->rowbytes <= 0 || size_t(output->rowbytes) < size_t(W) * PixelBytes(deep))
        return PF_Err_BAD_CALLBACK_PARAM;

    const FrameParameters p = ReadFrameParameters(params);
    light3ds lights[2];
    const int32_t lightCount = FillLights(p, lights);
    RenderFrame = FrameNumber(in_data->current_time, in_data->local_time_step);

    // Check-out errors are not acted on: the check-ins at the end decide the result.
    PF_Err result = PF_Err_NONE;
    ReflectionLayer treeLayer, needleLayer;
    CheckOut(in_data, PARAM_TREE_REFLECTION_LAYER, deep, treeLayer, result);
    CheckOut(in_data, PARAM_NEEDLE_REFLECTION_LAYER, deep, needleLayer, result);

    const DrawMode mode = EngineDrawMode(p.renderingMode);
    __SetDrawMode(static_cast<uint8_t>(mode));
    float ratio = in_data->width > 0 ? float(W) / float(in_data->width) : 1.0f;
    if (ratio == 0.0f || !std::isfinite(ratio))
        ratio = 1.0f;
    __SetQuality(in_data->quality == PF_Quality_HI ? 1 : 0);
    RenderDeep = deep;
    __SetDeep(deep ? 1 : 0);
    const A_long elementBytes = deep ? 2 : 1;
    const A_long outputRow = output->rowbytes / elementBytes;

    // The output is written only once the frame has been drawn whole: a frame that cannot be
    // (a buffer, the tree or the engine short of memory) is reported as out of memory, with
    // the output as the host handed it.
    FrameBuffers buffers;
    ReflectionLayer* layers[2] = {&treeLayer, &needleLayer};
    bool allocated = ViewInput(params[PARAM_INPUT]->u.ld, deep, W, H, buffers.input) &&
                     (buffers.destination = WorldToEngineImage(nullptr, nullptr, W, H, 0)) &&
                     (buffers.source = WorldToEngineImage(nullptr, nullptr, W, H, 0));
    for (int m = 0; m < 2 && allocated; ++m) {
        const PF_LayerDef& ld = layers[m]->def.u.ld;
        if (layers[m]->present)
            allocated = (buffers.textures[m] = LayerToTexture(nullptr, nullptr, ld.width, ld.height, 0)) != nullptr;
    }
    if (!allocated)
        return FailFrame(in_data, treeLayer, needleLayer);

    // The engine draws over the layer, or over transparent black with "Cut alpha" (the fresh
    // image is all zeros). The output gets the same pixels at the end, as if the layer had been
    // copied into it first.
    WorldToEngineImage(buffers.source, buffers.input.data, W, H, buffers.input.rowElements);
    if (!p.cutAlpha)
        std::memcpy(buffers.destination, buffers.source, EngineImageBytes(W, H));

    GlassProp glass[2];
    FillGlass(p, ratio, glass);
    material3ds materials[2];
    FillMaterials(p, materials);
    __Texture textures[8];
    std::memset(textures, 0, sizeof textures);
    const float percents[2] = {p.tree.reflectionPercent, p.needles.reflectionPercent};
    for (int m = 0; m < 2; ++m) {
        if (!layers[m]->present)
            continue;
        const PF_LayerDef& ld = layers[m]->def.u.ld;
        SetReflectMap(materials[m], percents[m]);
        __Texture& t = textures[m * TextureSlotCount + TextureSlotReflect];
        t.present = 1;
        t.width = ld.width;
        t.height = ld.height;
        t.pixels = LayerToTexture(buffers.textures[m], ld.data, ld.width, ld.height, ld.rowbytes / elementBytes);
        t.deep = deep ? 1 : 0;
    }

    GrownMesh& mesh = buffers.mesh;
    if (!GrowFrameMesh(GeneratorInputs(p, W, RenderFrame), mesh))
        return FailFrame(in_data, treeLayer, needleLayer);
    PlaceTree(p, W, H, mesh.points, mesh.pointCount);

    __SetUseMultyRefract(0);
    __SetDubleSide(0);
    // Rough draws in array order; every other mode paints far to near.
    if (mode != DrawMode::Rough)
        __Sort(mesh.triangleCount, mesh.triangles, mesh.points);
    __RasterScene(buffers.destination, buffers.source, W, H, W * 4, mesh.pointCount,
                  mesh.triangleCount, mesh.triangles, mesh.points, W / 2, H / 2, 2, materials,
                  textures, lightCount, lights, glass);
    if (RasterSceneOutOfMemory)
        return FailFrame(in_data, treeLayer, needleLayer);

    // "Cut alpha" clears the whole buffer, the bytes past each row's pixels included.
    if (p.cutAlpha)
        std::memset(output->data, 0, size_t(H) * size_t(output->rowbytes));
    EngineImageToWorld(output->data, buffers.destination, W, H, outputRow);
    result = CheckIn(in_data, treeLayer);
    result = CheckIn(in_data, needleLayer);
    return result;
}

// The frame render until the tree is drawn: the output frame receives the input layer unchanged.
// TODO: replaced as a whole by the render driver (effect/render.cpp), which draws the tree over
// this copy; it waits for the generator and the scene driver.
#include <cstring>

#include "effect/entry.h"
#include "effect/params.h"

namespace {

bool WorldIsUsable(const PF_LayerDef& world, size_t pixelBytes)
{
    return world.data && world.width > 0 && world.height > 0 && world.rowbytes > 0 &&
           size_t(world.rowbytes) >= size_t(world.width) * pixelBytes;
}

} // namespace

PF_Err Render(PF_InData*, PF_OutData*, PF_ParamDef* params[], PF_LayerDef* output)
{
    if (!output || !params || !params[PARAM_INPUT])
        return PF_Err_BAD_CALLBACK_PARAM;
    const PF_LayerDef& input = params[PARAM_INPUT]->u.ld;
    const bool deep = (output->world_flags & PF_WorldFlag_DEEP) != 0;
    const size_t pixelBytes = deep ? sizeof(PF_Pixel16) : sizeof(PF_Pixel);
    if (!WorldIsUsable(*output, pixelBytes))
        return PF_Err_BAD_CALLBACK_PARAM;
    // A layer of another depth, or none at all, cannot be copied; the frame stays as the host
    // handed it. A smaller layer is copied where it overlaps, never read past its own rows.
    if (((input.world_flags & PF_WorldFlag_DEEP) != 0) != deep || !WorldIsUsable(input, pixelBytes))
        return PF_Err_NONE;
    const A_long width = input.width < output->width ? input.width : output->width;
    const A_long height = input.height < output->height ? input.height : output->height;
    const char* src = reinterpret_cast<const char*>(input.data);
    char* dst = reinterpret_cast<char*>(output->data);
    for (A_long y = 0; y < height; ++y)
        std::memmove(dst + size_t(y) * size_t(output->rowbytes), src + size_t(y) * size_t(input.rowbytes),
                     size_t(width) * pixelBytes);
    return PF_Err_NONE;
}

// The images the glass step reads, 8 bits a channel: the source, the destination, and the back
// layer with its depths (every one empty), handed to the engine as the scene driver hands them.
#pragma once

#include <vector>

#include "engine/engine_exports.h"
#include "engine/engine_state.h"
#include "tests/support/test_image.h"

struct GlassImages {
    GlassImages(int width, int height)
        : source(width, height, false), dest(width, height, false), back(width, height, false),
          layerDepth(static_cast<size_t>(width) * height, EmptyDepth())
    {
        Zwidth = width;
        Zheight = height;
        ChannelMax = 255;
        RowStride = 4 * width;
        destImage = dest.Data();
        BackLayer = back.Data();
        BackLayerDepth = layerDepth.data();
    }
    TestImage source, dest, back;
    std::vector<float> layerDepth;
};

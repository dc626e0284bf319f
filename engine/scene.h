// One scene call as its rasterisers see it: the images, the scene's arrays with their counts, the
// origin, and what the scene driver works out once per call. The driver fills one record per
// __RasterScene call and hands it, with one triangle at a time, to the rasteriser of the draw
// mode (engine/mode_rasterisers.h).
#pragma once

#include "engine/scene_records.h"

// The columns of each row that the triangle being drawn into ScratchImage has visited: every
// rasteriser that draws there reports each run of pixels it visits, so that compositing and
// clearing touch those pixels instead of the triangle's whole window. Rows without a run have
// first > last.
struct TouchedRows {
    int* first;
    int* last;
    int top, bottom;  // the rows with runs, top > bottom when none
};

inline void Touch(TouchedRows* touched, int row, int x0, int x1)
{
    if (!touched)
        return;
    if (x0 < touched->first[row])
        touched->first[row] = x0;
    if (x1 > touched->last[row])
        touched->last[row] = x1;
    if (row < touched->top)
        touched->top = row;
    if (row > touched->bottom)
        touched->bottom = row;
}

struct Scene {
    // Where the triangle is drawn: the caller's destination, or ScratchImage while a quality
    // window is composited. The shader sees it as its destination image.
    unsigned char* target;
    // The unshaded background.
    unsigned char* source;
    int width, height;
    // Points are relative to the scene origin; rasterisers add originX, originY themselves.
    __Point3ds* points;
    int originX, originY;
    material3ds* materials;
    int materialCount;
    __Texture* textures;     // four per material
    light3ds* lights;
    int lightCount;
    GlassProp* glassProps;   // one per material, or null
    // Set while the target is ScratchImage: where the rasteriser draws (rows and columns inside
    // the image) is reported here.
    TouchedRows* touched;

    // Worked out once per call.
    RenderOnePixelProc shade; // the shader slot's content; the engine's own when the slot is null
    bool quality;             // _Quality: soft edges
    bool deep;                // _Deep: 16-bit elements
};

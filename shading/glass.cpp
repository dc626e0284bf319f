// Glass refraction with chromatic aberration: the glass step of the default shader, the filtered
// sampler of one displaced position and the area sampler of multiple refraction, both over the
// background chosen among source image, destination and back layer.
#include "shading/glass.h"

#include <cmath>

#include "engine/engine_exports.h"
#include "engine/engine_state.h"
#include "shading/lanes.h"
#include "shading/span_helpers.h"

namespace {

// BackLayerDepth starts with every byte 0xFE (about -1.69e38); anything at or below this counts
// as "no layer recorded here yet".
constexpr float EmptyLayerDepth = -1e37f;

// At most 5 x 5 area samples per component; displacements of up to 2 pixels take the filtered
// path.
constexpr float AreaSamplesPerAxis = 5.0f;
constexpr float AreaThreshold = 2.0f;

inline float SourceElement(const unsigned char* source, int pos)
{
    return source ? static_cast<float>(GetElement(source, pos)) : 0.0f;
}

inline bool InsideImage(int x, int y, int width, int height)
{
    return x >= 0 && y >= 0 && x < width && y < height;
}

inline int PixelElement(int x, int y) { return 4 * (x + y * Zwidth); }

// Whether SampleRefracted looks at the depth it is given: only multiple refraction does, outside
// the front pass of a two-pass render. Elsewhere the depths of the samples, pure arithmetic on the
// plane, are not worked out.
inline bool SamplesUseDepth()
{
    return !(_DrawBackFaces && !_DrawBackFaces1) && _UseMultyRefract && BackLayer &&
           BackLayerDepth;
}

// Whether SampleRefracted reads the source image and nothing else: neither in the front pass of a
// two-pass render nor with multiple refraction. Then the taps read it directly.
inline bool SamplesReadSourceOnly()
{
    return !(_DrawBackFaces && !_DrawBackFaces1) &&
           !(_UseMultyRefract && BackLayer && BackLayerDepth);
}

// Depth of the triangle's plane at (x, y); a plane seen edge-on gives no usable depth, and the
// caller's own depth stands in.
inline float PlaneDepth(float x, float y, float planeA, float planeB, float planeC, float planeD,
                        float fallback)
{
    if (std::fabs(planeC) > 0.01f)
        return -(planeA * x + planeB * y + planeD) / planeC;
    return fallback;
}

// Samples per axis of the area path: trunc(min(|d| + 1, 5)). A NaN or infinite displacement
// takes the most samples; each of them then falls back to the pixel.
inline int AreaCount(float delta)
{
    float n = std::fabs(delta) + 1.0f;
    return static_cast<int>(n < AreaSamplesPerAxis ? n : AreaSamplesPerAxis);
}

} // namespace

float SampleRefracted(float depth, unsigned char* destImage, unsigned char* sourceImage,
                      unsigned char* engineDestination, int elementIndex, int component,
                      float threshold)
{
    const int pos = elementIndex + component;
    const unsigned char* drawn = engineDestination ? engineDestination : destImage;
    const float top = static_cast<float>(ChannelMax);

    // Front pass of a two-pass render: BackLayer holds the back faces, and where the destination
    // is covered (by them, or by front faces drawn since) they show through in proportion.
    if (_DrawBackFaces && !_DrawBackFaces1) {
        if (BackLayer && GetElement(BackLayer, elementIndex + 3) != 0) {
            const float coverage =
                drawn ? static_cast<float>(GetElement(drawn, elementIndex + 3)) / top : 0.0f;
            return coverage * static_cast<float>(GetElement(BackLayer, pos)) +
                   (1.0f - coverage) * SourceElement(sourceImage, pos);
        }
        return SourceElement(sourceImage, pos);
    }
    if (!_UseMultyRefract || !BackLayer || !BackLayerDepth)
        return SourceElement(sourceImage, pos);

    // Multiple refraction: BackLayer is what lies behind the layer recorded at this pixel. A
    // sample at another depth than that layer sees through one more surface: when the surface
    // drawn here is opaque and a layer was recorded, BackLayer moves on to it.
    float* layerDepth = &BackLayerDepth[elementIndex / 4];
    const float z = *layerDepth;
    if (std::fabs(z - depth) >= threshold) {
        float value;
        if (drawn && GetElement(drawn, elementIndex + 3) == ChannelMax && z > EmptyLayerDepth) {
            const int element = GetElement(drawn, pos);
            SetElement(BackLayer, pos, element);
            value = static_cast<float>(element);
        } else {
            value = static_cast<float>(GetElement(BackLayer, pos));
        }
        // Components are sampled in order; the depth moves on with the last one, so that the
        // first two see the same layer as the third.
        if (component == 2)
            *layerDepth = depth;
        return value;
    }
    return static_cast<float>(GetElement(BackLayer, pos));
}

float SampleRefractedFiltered(float depth, float x, float y, int component, int width,
                              int height, unsigned char* destImage, unsigned char* sourceImage,
                              float tint, float planeA, float planeB, float planeC, float planeD,
                              float& opacity, float pixelX, float pixelY)
{
    int x0 = TruncInt(x);
    int y0 = TruncInt(y);
    if (x0 < 0 || x0 >= width)
        x0 = TruncInt(pixelX);
    if (y0 < 0 || y0 >= height)
        y0 = TruncInt(pixelY);
    if (!InsideImage(x0, y0, width, height)) {
        opacity = 0.0f;
        return 0.0f;
    }
    const float top = static_cast<float>(ChannelMax);
    if (!_Quality) {
        float value = SampleRefracted(depth, destImage, sourceImage, ::destImage,
                                      PixelElement(x0, y0), component, RefractLayerThreshold);
        return ClampUnit(value / top + tint);
    }

    const float fx = std::fabs(x - static_cast<float>(x0));
    const float fy = std::fabs(y - static_cast<float>(y0));
    const int x1 = x0 + 1 < width ? x0 + 1 : width - 1;
    const int y1 = y0 + 1 < height ? y0 + 1 : height - 1;
    float w00 = (2.0f - fx - fy) * (2.0f - fx - fy);
    float w11 = (fx + fy) * (fx + fy);
    float w01 = (1.0f - fx + fy) * (1.0f - fx + fy);
    float w10 = (1.0f + fx - fy) * (1.0f + fx - fy);
    // Taps in this order: with multiple refraction each one may move the back layer on.
    float t00, t11, t01, t10;
    if (SamplesReadSourceOnly()) {
        t00 = SourceElement(sourceImage, PixelElement(x0, y0) + component);
        t11 = SourceElement(sourceImage, PixelElement(x1, y1) + component);
        t01 = SourceElement(sourceImage, PixelElement(x0, y1) + component);
        t10 = SourceElement(sourceImage, PixelElement(x1, y0) + component);
    } else {
        const bool depths = SamplesUseDepth();
        t00 = SampleRefracted(depth, destImage, sourceImage, ::destImage, PixelElement(x0, y0),
                              component, RefractLayerThreshold);
        t11 = SampleRefracted(
            depths ? PlaneDepth(x + 1.0f, y + 1.0f, planeA, planeB, planeC, planeD, depth)
                   : depth,
            destImage, sourceImage, ::destImage, PixelElement(x1, y1), component,
            RefractLayerThreshold);
        t01 = SampleRefracted(
            depths ? PlaneDepth(x, y + 1.0f, planeA, planeB, planeC, planeD, depth) : depth,
            destImage, sourceImage, ::destImage, PixelElement(x0, y1), component,
            RefractLayerThreshold);
        t10 = SampleRefracted(
            depths ? PlaneDepth(x + 1.0f, y, planeA, planeB, planeC, planeD, depth) : depth,
            destImage, sourceImage, ::destImage, PixelElement(x1, y0), component,
            RefractLayerThreshold);
    }
    float sum = w00 + w11 + w01 + w10;
    if (sum == 0.0f)
        sum = 1.0f;
    const float scale = sum * top;
    // The four weights divided at once, and each multiplied by its tap, lane by lane; the products
    // are then summed in the order w00 t00 + w11 t11 + w01 t01 + w10 t10 + tint.
    Lanes w = LanesOf(w00, w11, w01, w10);
    if (scale != 1.0f)
        w = Div(w, Splat(scale));
    const Lanes products = Mul(w, LanesOf(t00, t11, t01, t10));
    return ClampUnit(Lane0(products) + Lane1(products) + Lane2(products) + Lane3(products) + tint);
}

bool ApplyGlass(float diffuse[3], float& opacity, const GlassProp& glass, float nx, float ny,
                float nz, float pointX, float pointY, float pointZ, float originX, float originY,
                const float plane[4], const __PrevInfo* prevInfo, unsigned char* destImage,
                unsigned char* sourceImage)
{
    if (!glass.on)
        return false;
    const float px = pointX + originX;
    const float py = pointY + originY;

    // The diffuse colour tints the background around mid grey: 0.5 leaves it as it is.
    float tint[3];
    for (int c = 0; c < 3; ++c)
        tint[c] = diffuse[c] - 0.5f;

    // Chromatic aberration shortens the displacement of each later component by k.
    const float a = glass.aberration / 100.0f;
    const float k = (1.0f - a) * (1.0f + a);
    float r[3];
    r[0] = glass.refraction;
    r[1] = r[0] * k;
    r[2] = r[1] * k;

    const float c = glass.optical;
    const float f = -c * nz - (c * (nz - 1.0f) + 1.0f);
    const float dx = f * nx;
    const float dy = f * ny;
    float sx[3], sy[3];
    for (int i = 0; i < 3; ++i) {
        sx[i] = px + r[i] * dx;
        sy[i] = py + r[i] * dy;
    }

    // Multiple refraction: when the displaced positions of this pixel and the previous one lie
    // more than 2 pixels apart, the pane covers that whole area of the background and averages
    // it, so neighbouring pixels of a strongly curved pane do not leave gaps.
    if (prevInfo && _DrawBackFaces != 1 && _Quality && prevInfo->valid) {
        const float qx = prevInfo->x + originX;
        const float qy = prevInfo->y + originY;
        float mx = prevInfo->normal.x, my = prevInfo->normal.y, mz = prevInfo->normal.z;
        const float length = std::sqrt(mx * mx + my * my + mz * mz);
        if (length != 0.0f) {
            mx /= length;
            my /= length;
        }
        const float ex = f * mx;
        const float ey = f * my;
        const float deltaX = qx + r[0] * ex - sx[0];
        const float deltaY = qy + r[0] * ey - sy[0];
        if (std::fabs(deltaX) + std::fabs(deltaY) > AreaThreshold) {
            const float top = static_cast<float>(ChannelMax);
            const bool depths = SamplesUseDepth();
            float coverage = 0.0f;
            for (int i = 0; i < 3; ++i) {
                const float ddx = qx + r[i] * ex - sx[i];
                const float ddy = qy + r[i] * ey - sy[i];
                const int countX = AreaCount(ddx);
                const int countY = AreaCount(ddy);
                const float stepX = ddx / static_cast<float>(countX);
                const float stepY = ddy / static_cast<float>(countY);
                float sum = 0.0f;
                int count = 0;
                for (int j = 0; j < countY; ++j) {
                    for (int n = 0; n < countX; ++n) {
                        int X = TruncInt(sx[i] + static_cast<float>(n) * stepX);
                        int Y = TruncInt(sy[i] + static_cast<float>(j) * stepY);
                        if (X < 0 || X > Zwidth - 1)
                            X = TruncInt(px);
                        if (Y < 0 || Y > Zheight - 1)
                            Y = TruncInt(py);
                        if (!InsideImage(X, Y, Zwidth, Zheight))
                            continue; // left out: lowers the coverage
                        ++count;
                        const float depth =
                            depths ? PlaneDepth(static_cast<float>(X), static_cast<float>(Y),
                                                plane[0], plane[1], plane[2], plane[3], pointZ)
                                   : pointZ;
                        sum += SampleRefracted(depth, destImage, sourceImage, ::destImage,
                                               PixelElement(X, Y), i, RefractLayerThreshold);
                    }
                }
                const float samples = static_cast<float>(countX * countY);
                const float value = sum / (samples * top);
                coverage += static_cast<float>(count) / samples;
                diffuse[i] = ClampUnit(tint[i] + value);
            }
            coverage /= 3.0f;
            if (coverage < opacity)
                opacity = coverage;
            return true;
        }
    }

    for (int i = 0; i < 3; ++i)
        diffuse[i] = SampleRefractedFiltered(pointZ, sx[i], sy[i], i, Zwidth, Zheight, destImage,
                                             sourceImage, tint[i], plane[0], plane[1], plane[2],
                                             plane[3], opacity, px, py);
    return true;
}

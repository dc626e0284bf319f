// Painting on the panel's canvas: blending, polygon fill, strokes, images, transform and clip.
#include "host/drawbot_canvas.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

uint8_t ToByte(float v)
{
    if (!(v > 0))
        return 0;
    if (v >= 1)
        return 255;
    return uint8_t(v * 255.0f + 0.5f);
}

} // namespace

CanvasState FreshCanvasState(const DrawbotCanvas& canvas)
{
    return CanvasState{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, 0, 0, canvas.width, canvas.height};
}

CanvasPoint Apply(const CanvasState& s, CanvasPoint p)
{
    return CanvasPoint{p.x * s.m[0][0] + p.y * s.m[1][0] + s.m[2][0],
                       p.x * s.m[0][1] + p.y * s.m[1][1] + s.m[2][1]};
}

CanvasPolygons Transformed(const CanvasState& state, const CanvasPolygons& polygons)
{
    CanvasPolygons out = polygons;
    for (auto& polygon : out)
        for (CanvasPoint& q : polygon)
            q = Apply(state, q);
    return out;
}

void ComposeTransform(CanvasState& state, const float matrix[3][3])
{
    float r[3][3];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            r[i][j] = matrix[i][0] * state.m[0][j] + matrix[i][1] * state.m[1][j] +
                      matrix[i][2] * state.m[2][j];
    std::memcpy(state.m, r, sizeof r);
}

void ColorBytes(const DRAWBOT_ColorRGBA& c, uint8_t out[4])
{
    out[0] = ToByte(c.red);
    out[1] = ToByte(c.green);
    out[2] = ToByte(c.blue);
    out[3] = ToByte(c.alpha);
}

void BlendOver(DrawbotCanvas& canvas, int32_t x, int32_t y, const uint8_t source[4], float opacity)
{
    if (x < 0 || y < 0 || x >= canvas.width || y >= canvas.height)
        return;
    uint8_t* d = &canvas.rgba[(size_t(y) * size_t(canvas.width) + size_t(x)) * 4];
    const float a = source[3] / 255.0f * opacity;
    const float da = d[3] / 255.0f;
    const float outA = a + da * (1 - a);
    for (int c = 0; c < 3; ++c) {
        const float v = outA > 0 ? (source[c] * a + d[c] * da * (1 - a)) / outA : 0;
        d[c] = uint8_t(std::min(255.0f, v + 0.5f));
    }
    d[3] = ToByte(outA);
}

void FillPolygons(DrawbotCanvas& canvas, const CanvasState& state, const CanvasPolygons& polygons,
                  bool evenOdd, const uint8_t color[4])
{
    float minY = 1e30f, maxY = -1e30f;
    for (const auto& polygon : polygons)
        for (const CanvasPoint& q : polygon) {
            minY = std::min(minY, q.y);
            maxY = std::max(maxY, q.y);
        }
    if (!(minY <= maxY))
        return;
    // Rows and columns outside the canvas or the clip are never painted; the bounds are taken
    // in floating point before narrowing, so a huge coordinate cannot wrap.
    const int32_t top = std::max(0, state.clipTop);
    const int32_t bottom = std::min(canvas.height, state.clipBottom) - 1;
    const int32_t left = std::max(0, state.clipLeft);
    const int32_t right = std::min(canvas.width, state.clipRight) - 1;
    const double firstRow = std::max(double(top), double(std::floor(minY)));
    const double lastRow = std::min(double(bottom), double(std::ceil(maxY)));
    if (!(firstRow <= lastRow))
        return;
    const int32_t y0 = int32_t(firstRow), y1 = int32_t(lastRow);
    struct Crossing {
        float x;
        int dir;
    };
    std::vector<Crossing> xs;
    for (int32_t y = y0; y <= y1; ++y) {
        const float cy = float(y) + 0.5f;
        xs.clear();
        for (const auto& polygon : polygons) {
            for (size_t i = 0; i < polygon.size(); ++i) {
                const CanvasPoint a = polygon[i], b = polygon[(i + 1) % polygon.size()];
                if ((a.y <= cy) == (b.y <= cy))
                    continue;
                const float t = (cy - a.y) / (b.y - a.y);
                xs.push_back({a.x + t * (b.x - a.x), b.y > a.y ? 1 : -1});
            }
        }
        std::sort(xs.begin(), xs.end(), [](const Crossing& l, const Crossing& r) { return l.x < r.x; });
        int winding = 0;
        for (size_t i = 0; i + 1 < xs.size(); ++i) {
            winding += xs[i].dir;
            const bool inside = evenOdd ? (i % 2 == 0) : winding != 0;
            if (!inside)
                continue;
            const double xa = std::max(double(left), double(std::ceil(xs[i].x - 0.5f)));
            const double xb = std::min(double(right), double(std::ceil(xs[i + 1].x - 0.5f)) - 1);
            if (!(xa <= xb))
                continue;
            for (int32_t x = int32_t(xa); x <= int32_t(xb); ++x)
                BlendOver(canvas, x, y, color, 1.0f);
        }
    }
}

CanvasPolygons StrokeQuads(const CanvasPolygons& polylines, const std::vector<bool>& closed, float width)
{
    CanvasPolygons quads;
    const float half = std::max(width, 1.0f) / 2;
    for (size_t s = 0; s < polylines.size(); ++s) {
        const auto& line = polylines[s];
        const size_t n = closed[s] ? line.size() : line.size() - 1;
        for (size_t i = 0; i < n && line.size() > 1; ++i) {
            const CanvasPoint a = line[i], b = line[(i + 1) % line.size()];
            const float dx = b.x - a.x, dy = b.y - a.y, len = std::sqrt(dx * dx + dy * dy);
            if (!(len > 0))
                continue;
            const float nx = -dy / len * half, ny = dx / len * half;
            quads.push_back({{a.x + nx, a.y + ny}, {b.x + nx, b.y + ny}, {b.x - nx, b.y - ny}, {a.x - nx, a.y - ny}});
        }
    }
    return quads;
}

bool PaintImage(DrawbotCanvas& canvas, const CanvasState& state, const uint8_t* rgba, int32_t width,
                int32_t height, CanvasPoint at, float opacity)
{
    const CanvasPoint corner = Apply(state, at);
    const double fx = std::floor(double(corner.x) + 0.5), fy = std::floor(double(corner.y) + 0.5);
    if (fx > canvas.width || fy > canvas.height || fx + width < 0 || fy + height < 0)
        return false;
    const int32_t ox = int32_t(fx), oy = int32_t(fy);
    for (int32_t y = 0; y < height; ++y) {
        const int32_t cy = oy + y;
        if (cy < state.clipTop || cy >= state.clipBottom)
            continue;
        for (int32_t x = 0; x < width; ++x) {
            const int32_t cx = ox + x;
            if (cx >= state.clipLeft && cx < state.clipRight)
                BlendOver(canvas, cx, cy, &rgba[(size_t(y) * size_t(width) + size_t(x)) * 4], opacity);
        }
    }
    return true;
}

// Mesh building: the counting pass sizes both arrays exactly, then the tubes and the needles are
// emitted into them in pre-order.
#include "tree/tree_mesh.h"

#include <cmath>
#include <limits>

#include "engine/debug_checks.h"
#include "platform/pages.h"
#include "shading/vector_helpers.h"

namespace {

int32_t Bounded(int32_t value, int32_t limit)
{
    return value < 0 ? 0 : (value > limit ? limit : value);
}

int32_t ChildSlots(const BranchNode& node)
{
    return Bounded(node.childCount, MaxTreeChildren);
}

int32_t Segments(const BranchNode& node)
{
    return Bounded(node.segmentCount, 8);
}

int32_t RingSize(const BranchSegment& segment)
{
    return Bounded(segment.ringCount, 9);
}

void WritePoint(__Point3ds& p, TreeVec3 position, TreeVec3 normal)
{
    p.x = position.x;
    p.y = position.y;
    p.z = position.z;
    p.mapped = 0;
    p.hasNormal = 1;
    p.nx = normal.x;
    p.ny = normal.y;
    p.nz = normal.z;
}

void WriteTubeTriangle(int32_t& counter, __Point3ds* points, __Triangle3ds* triangles,
                       const RingVertex& v0, const RingVertex& v1, const RingVertex& v2)
{
    int32_t t = counter++;
    WritePoint(points[3 * t], v0.position, v0.normal);
    WritePoint(points[3 * t + 1], v1.position, v1.normal);
    WritePoint(points[3 * t + 2], v2.position, v2.normal);
    __Triangle3ds& tri = triangles[t];
    tri.a = 3 * t;
    tri.b = 3 * t + 1;
    tri.c = 3 * t + 2;
    tri.flags = 0;
    tri.material = 0;
}

void WriteNeedleTriangle(int32_t& counter, bool reversed, __Point3ds* points,
                         __Triangle3ds* triangles, TreeVec3 p0, TreeVec3 p1, TreeVec3 p2)
{
    int32_t t = counter++;
    const TreeVec3 zero = {0.0f, 0.0f, 0.0f};
    WritePoint(points[3 * t], p0, zero);
    WritePoint(points[3 * t + 1], p1, zero);
    WritePoint(points[3 * t + 2], p2, zero);
    __Triangle3ds& tri = triangles[t];
    tri.a = reversed ? 3 * t + 2 : 3 * t;
    tri.b = 3 * t + 1;
    tri.c = reversed ? 3 * t : 3 * t + 2;
    tri.flags = 0;
    tri.material = 1;

    float nx, ny, nz;
    TriangleNormal(tri, points, nx, ny, nz);
    float len = std::sqrt(nx * nx + ny * ny + nz * nz);
    // A collinear face keeps its zero normal.
    if (len != 0.0f) {
        nx /= len;
        ny /= len;
        nz /= len;
    }
    for (int32_t k = 0; k < 3; ++k) {
        points[3 * t + k].nx = nx;
        points[3 * t + k].ny = ny;
        points[3 * t + k].nz = nz;
    }
}

}  // namespace

void CountMesh(const BranchNode* node, int64_t& tubeCount, int64_t& needleCount)
{
    if (!node || node->level < 1)
        return;
    if (node->growth > 0.0f) {
        int32_t sections = Segments(*node) - 1;
        for (int32_t j = 0; j < sections; ++j) {
            int64_t ring = RingSize(node->segments[j]);
            // The last section of a tip closes to a point: one triangle per ring edge.
            tubeCount += (j == sections - 1 && node->level == 1) ? ring : 2 * ring;
        }
        if (node->needleCount > 0 && node->needles)
            needleCount += node->needleCount;
    }
    int32_t slots = ChildSlots(*node);
    for (int32_t j = 0; j < slots; ++j)
        CountMesh(node->children[j], tubeCount, needleCount);
}

void EmitTubes(const BranchNode* node, int32_t& counter, __Point3ds* points,
               __Triangle3ds* triangles)
{
    if (!node || node->level < 1)
        return;
    if (node->growth > 0.0f) {
        int32_t sections = Segments(*node) - 1;
        for (int32_t j = 0; j < sections; ++j) {
            const RingVertex* r = node->segments[j].ring;
            const RingVertex* s = node->segments[j + 1].ring;
            int32_t n = RingSize(node->segments[j]);
            bool cone = j == sections - 1 && node->level == 1;
            for (int32_t k = 0; k < n; ++k) {
                int32_t k1 = k + 1 < n ? k + 1 : 0;
                WriteTubeTriangle(counter, points, triangles, r[k], r[k1], s[k1]);
                if (!cone)
                    WriteTubeTriangle(counter, points, triangles, s[k1], s[k], r[k]);
            }
        }
    }
    int32_t slots = ChildSlots(*node);
    for (int32_t j = 0; j < slots; ++j)
        EmitTubes(node->children[j], counter, points, triangles);
}

void EmitNeedles(const BranchNode* node, int32_t& counter, __Point3ds* points,
                 __Triangle3ds* triangles)
{
    if (!node || node->level < 1)
        return;
    if (node->growth > 0.0f && node->needles) {
        const float h = node->width / 4.0f;
        for (int32_t i = 0; i < node->needleCount; ++i) {
            const Needle& needle = node->needles[i];
            const float w = needle.width;
            const TreeVec3& base = needle.base;
            TreeVec3 b1 = {base.x + needle.tangent.x * w, base.y + needle.tangent.y * w, base.z};
            TreeVec3 b2 = {base.x, base.y, base.z + h};
            TreeVec3 b3 = {base.x, base.y, base.z - h};
            // Flat and Semi needles alternate their winding by triangle index, so the two
            // needles of a Flat pair face opposite ways and one of them always faces the
            // viewer; the choice is made once per needle.
            bool reversed = node->needleShape != NeedleShapeRound && counter % 2 == 0;
            WriteNeedleTriangle(counter, reversed, points, triangles, b1, b2, needle.tip);
            WriteNeedleTriangle(counter, reversed, points, triangles, b2, b3, needle.tip);
            WriteNeedleTriangle(counter, reversed, points, triangles, b3, b1, needle.tip);
        }
    }
    int32_t slots = ChildSlots(*node);
    for (int32_t j = 0; j < slots; ++j)
        EmitNeedles(node->children[j], counter, points, triangles);
}

void BuildMesh(TreeModel* tree)
{
    if (!tree)
        return;
    PageRelease(tree->points);
    PageRelease(tree->triangles);
    tree->points = nullptr;
    tree->triangles = nullptr;
    tree->pointCount = 0;
    tree->triangleCount = 0;
    if (!tree->root)
        return;

    tree->tubeTriangleCount = 0;
    tree->needleTriangleCount = 0;
    int64_t tubes = 0, needles = 0;
    CountMesh(tree->root, tubes, needles);
    int64_t total = tubes + 3 * needles;
    // The point count, three per triangle, must fit the 32-bit count and indices. The tree's
    // own limits keep far below this; it guards hierarchies assembled by other means.
    if (total > std::numeric_limits<int32_t>::max() / 3)
        return;
    tree->tubeTriangleCount = static_cast<int32_t>(tubes);
    tree->needleTriangleCount = static_cast<int32_t>(3 * needles);
    if (total <= 0)
        return;

    int32_t triangleCount = static_cast<int32_t>(total);
    int32_t pointCount = 3 * triangleCount;
    tree->points = static_cast<__Point3ds*>(
        PageAllocate(sizeof(__Point3ds) * static_cast<size_t>(pointCount)));
    tree->triangles = static_cast<__Triangle3ds*>(
        PageAllocate(sizeof(__Triangle3ds) * static_cast<size_t>(triangleCount)));
    // On failure whichever array was obtained stays attached for the usual release.
    if (!tree->points || !tree->triangles) {
        tree->incomplete = 1;
        return;
    }
    tree->triangleCount = triangleCount;
    tree->pointCount = pointCount;

    int32_t counter = 0;
    EmitTubes(tree->root, counter, tree->points, tree->triangles);
    EmitNeedles(tree->root, counter, tree->points, tree->triangles);
    // The arrays were sized by CountMesh; the emitters must walk the same hierarchy the same way.
    VELMORA_DCHECK(counter == triangleCount);
}

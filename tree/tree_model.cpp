// Growing the branch hierarchy: the trunk, recursive forks, growth bands, wind sway and the
// tube rings of every branch. All arithmetic is single precision with float constants: the
// shapes must come out identical on every build, and a double constant changes comparisons
// (see the bud test in BranchRadius).
#include "tree/tree_model.h"

#include <cmath>
#include <new>

#include "platform/pages.h"
#include "shading/elementary.h"
#include "tree/random.h"

BranchNode::~BranchNode()
{
    if (level < 1)
        return;
    PageRelease(needles);
    int32_t count = childCount < MaxTreeChildren ? childCount : MaxTreeChildren;
    for (int32_t j = 0; j < count; ++j)
        delete children[j];
}

TreeModel::~TreeModel()
{
    delete root;
}

TreeModel* CreateTree()
{
    return new (std::nothrow) TreeModel();
}

void DestroyTree(TreeModel* tree)
{
    delete tree;
}

namespace {

bool Finite(TreeVec3 v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

bool InputsUsable(const TreeInputs& in)
{
    const float scalars[] = {in.trunkWidth,   in.trunkLength,  in.growUp,      in.dispersion,
                             in.branchiness,  in.proportions,  in.windAmpX,    in.windAmpZ,
                             in.windTime,     in.needleSpacing, in.needleWidth, in.needleLength,
                             in.needleLift,   in.needleTime,   in.needleDispersion};
    for (float f : scalars)
        if (!std::isfinite(f))
            return false;
    if (!Finite(in.origin) || !Finite(in.upDirection))
        return false;
    if (in.levels > MaxTreeLevels)
        return false;
    if (in.childrenPerNode < 0 || in.childrenPerNode > MaxTreeChildren)
        return false;
    // Nodes of the full hierarchy, 1 + c + c^2 + ... + c^(levels-1), before anything is built.
    int64_t nodes = 0, generation = 1;
    for (int32_t g = 0; g < in.levels; ++g) {
        nodes += generation;
        if (nodes > MaxTreeNodes)
            return false;
        generation *= in.childrenPerNode;
    }
    return true;
}

// The wave position: the whole part of needleTime modulo 1000 with the sign of the dividend,
// in tenths. Converting to int is only defined within its range; beyond it, fmod of the
// truncated value gives the same remainder (every float that large is a whole number).
float NeedlePhase(float needleTime)
{
    if (std::fabs(needleTime) < 2147483648.0f)
        return static_cast<float>(static_cast<int32_t>(needleTime) % 1000) / 10.0f;
    return std::fmod(std::trunc(needleTime), 1000.0f) / 10.0f;
}

TreeVec3 Add(TreeVec3 a, TreeVec3 b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}

}  // namespace

TreeModel* BuildTree(TreeModel* tree, const TreeInputs& in)
{
    if (!tree)
        return tree;
    delete tree->root;
    tree->root = nullptr;
    tree->levels = in.levels;
    tree->childrenPerNode = in.childrenPerNode;
    tree->pointCount = 0;
    tree->triangleCount = 0;
    tree->tubeTriangleCount = 0;
    tree->needleTriangleCount = 0;
    tree->points = nullptr;
    tree->triangles = nullptr;
    tree->incomplete = 0;
    if (!InputsUsable(in))
        return tree;

    TreeVec3 baseDirection = in.upDirection;
    TreeVec3 swayed = in.upDirection;
    // 0.008726644 is pi / 360: the wind angle is half a degree per unit of windTime.
    float s = maths::Sin(in.windTime * 0.008726644f);
    swayed.x -= s * in.windAmpX / 3.0f;
    float needlePhase = NeedlePhase(in.needleTime);

    tree->root = new (std::nothrow) BranchNode();
    if (!tree->root) {
        tree->incomplete = 1;
        return tree;
    }
    int64_t needlesLeft = MaxTreeNeedles;
    // A shape outside the popup's choices wraps to a byte the needle builder rejects.
    uint8_t shape = static_cast<uint8_t>(in.needleShape >= 0 && in.needleShape <= 2
                                             ? in.needleShape : 255);
    BuildBranch(tree->root, shape, in.levels, in.trunkWidth, in.trunkLength, in.childrenPerNode,
                in.origin, swayed, baseDirection, in.levels, in.growUp, in.dispersion,
                in.branchiness, in.proportions, in.windAmpX, in.windAmpZ, s, in.needleSpacing,
                in.needleWidth, in.needleLength, in.needleLift, needlePhase,
                in.needleDispersion, &needlesLeft);
    tree->incomplete = tree->root->incomplete;
    return tree;
}

BranchNode* BuildBranch(BranchNode* node, uint8_t needleShape, int32_t level, float width,
                        float length, int32_t childParam, TreeVec3 origin, TreeVec3 direction,
                        TreeVec3 baseDirection, int32_t levels, float growUp, float dispersion,
                        float branchiness, float proportions, float windX, float windZ,
                        float windPhase, float needleSpacing, float needleWidth,
                        float needleLength, float needleLift, float needlePhase,
                        float needleDispersion, int64_t* needlesLeft)
{
    const int32_t levelIn = level;
    node->level = level;
    node->incomplete = 0;
    node->childCount = level == 1 ? 0 : childParam;
    if (node->childCount > MaxTreeChildren)
        node->childCount = MaxTreeChildren;
    node->needleShape = needleShape;
    node->needleDispersion = needleDispersion;
    node->width = width;
    node->needleWidth = needleWidth;
    node->needleLift = needleLift;
    // Deeper branches carry longer needles. An inert node's value is never read.
    node->needleLength =
        level > 0 ? needleLength * maths::Pow(static_cast<float>(level), 0.25f) : 0.0f;
    node->baseDirection = baseDirection;

    // The draw comes before the level test, so inert nodes draw as well: the count of draws
    // before a branch, and so its shape, depends on how much of the tree is growing.
    node->randomValue = NextRandom();
    float r = static_cast<float>(node->randomValue % 1000) / 1000.0f;
    if (level <= 0)
        return node;

    node->windX = windX;
    node->windZ = windZ;
    node->windPhase = windPhase;

    // Each level grows within its own band of the "Grow up" percentage, the trunk first.
    float band = 100.0f / static_cast<float>(levels);
    float bandStart = 100.0f - static_cast<float>(level) * band;
    float bandEnd = bandStart + band;
    if (bandStart < needlePhase && needlePhase <= bandEnd)
        node->needleWave = (needlePhase - bandStart) / band;
    else
        node->needleWave = -1.0f;

    if (growUp <= bandStart) {
        node->growth = 0.0f;
        node->length = length;
    } else if (growUp <= bandEnd) {
        // The growing branch takes the tip shape and gets inert children.
        node->level = 1;
        float growth = (growUp - bandStart) / band;
        growth = growth < 0.0f ? 0.0f : (growth > 1.0f ? 1.0f : growth);
        // At the top of the range the tips' band can end a rounding step above 100, which
        // would leave them at 0.99999988 and shrink their outer needles. A tree at 100 % is
        // fully grown.
        if (growUp >= 100.0f)
            growth = 1.0f;
        node->growth = growth;
        node->length = length * growth;
    } else {
        node->growth = 1.0f;
        node->length = length;
    }
    level = node->level;

    node->dispersion = dispersion;
    node->branchiness = branchiness;
    node->proportions = proportions;

    float d = r - 0.5f;
    float jitter = d * (0.15f + dispersion / 5.0f);
    node->twist = static_cast<float>(levelIn) * d * dispersion;

    node->start = origin;
    node->direction = direction;
    float endRadius = node->growth * width * 0.67f;
    float len = node->length;
    node->end = {origin.x + direction.x * len, origin.y + direction.y * len,
                 origin.z + direction.z * len};

    // The bend weights (7 for x, 5 for y and z, the 0.7/0.3 split in x and y against the plain
    // average in z) give the characteristic droop; they are part of the tree's look.
    const TreeVec3& st = node->start;
    const TreeVec3& en = node->end;
    TreeVec3 control = {0.7f * st.x + 0.3f * en.x, 0.7f * st.y + 0.3f * en.y,
                        (st.z + en.z) / 2.0f};
    TreeVec3 bend = {(direction.x - baseDirection.x) / 7.0f + jitter,
                     (direction.y - baseDirection.y) / 5.0f + jitter,
                     (direction.z - baseDirection.z) / 5.0f + jitter};
    control.x += bend.x * len;
    control.y += bend.y * len;
    control.z += bend.z * len;
    node->control = control;

    node->segmentCount = level > 1 ? 4 : 8;

    BuildNeedles(*node, needleSpacing, node->needleLength, needlesLeft);

    TreeVec3 prev = node->start;
    for (int32_t i = 1; i <= node->segmentCount; ++i) {
        float t;
        if (level == 1) {
            // Tips: four stations up to the bud, four more through it.
            if (i <= 4)
                t = 0.85f * static_cast<float>(i) / 4.0f;
            else
                t = 0.85f + 0.15f * static_cast<float>(i - 4) / 4.0f;
        } else {
            // The last chord, from t = 1 to 1.0001, gives the last ring the end tangent.
            t = static_cast<float>(i) / static_cast<float>(node->segmentCount - 1);
            if (t > 1.0f)
                t = 1.0001f;
        }
        float radius = BranchRadius(*node, t, width, endRadius);
        TreeVec3 cur = BezierPoint(*node, t);
        BranchSegment& segment = node->segments[i - 1];
        segment.radius = radius;
        segment.ringCount = 6;
        segment.start = prev;
        segment.end = cur;
        BuildRing(segment, prev, cur, radius, 6);
        prev = cur;
    }

    SpreadAngles(*node);
    for (int32_t j = 0; j < node->childCount; ++j) {
        float childLength;
        if (j == 0 || j == node->childCount - 1)
            childLength = len * (proportions * 0.86f + dispersion * d * 0.35f);
        else
            childLength = len * (0.86f + dispersion * d * 0.35f);
        TreeVec3 childDirection = ChildDirection(*node, j);
        BranchNode* child = new (std::nothrow) BranchNode();
        node->children[j] = child;
        if (!child) {
            node->incomplete = 1;
            continue;
        }
        BuildBranch(child, needleShape, level - 1, endRadius, childLength, childParam, node->end,
                    childDirection, direction, levels, growUp, dispersion, branchiness * 0.8f,
                    proportions * 1.3f, windX, windZ, windPhase, needleSpacing, needleWidth,
                    needleLength, needleLift, needlePhase, needleDispersion, needlesLeft);
        node->incomplete |= child->incomplete;
    }
    return node;
}

TreeVec3 BezierPoint(const BranchNode& node, float t)
{
    float u = 1.0f - t;
    auto axis = [&](float p0, float p1, float p3) {
        return ((u * p0 + 3.0f * t * p1) * u + 3.0f * t * t * p1) * u + t * t * t * p3;
    };
    return {axis(node.start.x, node.control.x, node.end.x),
            axis(node.start.y, node.control.y, node.end.y),
            axis(node.start.z, node.control.z, node.end.z)};
}

float BranchRadius(const BranchNode& node, float t, float width, float endRadius)
{
    float r = (1.0f - t) * width + t * endRadius;
    if (node.level == 1) {
        if (t >= 1.0f) {
            r = 0.0f;
        } else if (t > 0.85f) {
            // The bud: swells to 1.4 times at t = 0.95 and closes at t = 1. The threshold is a
            // float like the stations; in double, the station at 0.85f would pass it and every
            // tip would pinch there.
            float a = t - 0.95f;
            a = a >= 0.0f ? a * 20.0f : a * 10.0f;
            r = r * 1.4f * (1.0f - a * a);
        }
    }
    return r < 0.0f ? 0.0f : r;
}

void SpreadAngles(BranchNode& node)
{
    // 3.141592 rather than a more precise pi keeps the fans where they have always been.
    float spread = (node.branchiness * 50.0f + static_cast<float>(node.level) * 15.0f + node.twist) *
                   3.141592f / 180.0f;
    node.startAngle = -spread / 2.0f;
    int32_t gaps = node.childCount - 1 > 1 ? node.childCount - 1 : 1;
    node.angleStep = spread / static_cast<float>(gaps);
}

TreeVec3 ChildDirection(const BranchNode& node, int32_t j)
{
    const TreeVec3& dir = node.direction;
    float a0 = node.startAngle + static_cast<float>(j) * node.angleStep;
    float a = a0 + node.windPhase * node.windX;
    float ca, sa;
    maths::SinCos(a, sa, ca);
    float x = dir.x * ca - dir.y * sa;
    float y = dir.x * sa + dir.y * ca;

    float b;
    if (j == 0 || j == node.childCount - 1)
        b = -(a0 * node.windPhase * node.windZ) / 2.0f;
    else if (node.level == 2)
        b = 0.34906578f;  // 20 degrees
    else if (node.level == 1)
        b = 0.0f;
    else
        b = -0.34906578f;
    float cb, sb;
    maths::SinCos(b, sb, cb);
    return {x, y * cb - dir.z * sb, y * sb + dir.z * cb};
}

void BuildRing(BranchSegment& segment, TreeVec3 from, TreeVec3 to, float radius, int32_t count)
{
    if (count < 0)
        count = 0;
    if (count > 9)
        count = 9;
    TreeVec3 dv = {to.x - from.x, to.y - from.y, to.z - from.z};
    // The circle (0, cos, sin) is turned about z by the angle of the chord's xy projection and
    // then about x by the angle of its yz projection. A projection of zero length has no angle:
    // a chord along z then takes the xy angle of +y, and one along x the yz angle 0, which
    // keeps the ring perpendicular to the chord; a chord of zero length gets the upright ring.
    float lxy = std::sqrt(dv.x * dv.x + dv.y * dv.y);
    float c1 = 0.0f, s1 = 1.0f;
    if (lxy > 0.0f && std::isfinite(lxy)) {
        c1 = dv.x / lxy;
        s1 = dv.y / lxy;
    }
    float lyz = std::sqrt(dv.y * dv.y + dv.z * dv.z);
    float c2 = 1.0f, s2 = 0.0f;
    if (lyz > 0.0f && std::isfinite(lyz)) {
        c2 = dv.y / lyz;
        s2 = dv.z / lyz;
    }

    // The angle is accumulated by addition, not computed as k * step: the ring's last vertex
    // sits where it always has.
    float step = 6.283184f / static_cast<float>(count);
    float theta = 0.0f;
    for (int32_t k = 0; k < count; ++k) {
        float ct, st;
        maths::SinCos(theta, st, ct);
        float u = radius * ct, v = radius * st;
        float y1 = u * c1;
        RingVertex& vertex = segment.ring[k];
        vertex.position = Add(from, {-u * s1, y1 * c2 - v * s2, y1 * s2 + v * c2});
        float nq = ct * c1;
        vertex.normal = {-ct * s1, nq * c2 - st * s2, nq * s2 + st * c2};
        theta += step;
    }
}

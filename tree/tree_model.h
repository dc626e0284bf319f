// The procedural conifer: the TreeModel handed to the render, its BranchNode hierarchy with the
// tube rings and needles of every branch, and the functions that grow it.
//
// A frame's tree is grown and meshed in one fixed sequence (reset the generator, create, build,
// mesh, take the arrays, destroy), which GrowFrameMesh in tree/frame_mesh.h is.
#pragma once

#include <cstdint>

#include "engine/scene_records.h"

struct TreeVec3 {
    float x;
    float y;
    float z;
};

struct RingVertex {
    TreeVec3 position;
    TreeVec3 normal;       // unit length
};

struct BranchSegment {
    TreeVec3 start;
    TreeVec3 end;
    float radius;
    int32_t ringCount;     // always 6
    RingVertex ring[9];    // room for nine; the first ringCount are used
};

// One needle on a branch; the mesh turns it into a three-sided pyramid.
struct Needle {
    TreeVec3 base;         // attachment point on the branch axis
    TreeVec3 tip;
    TreeVec3 direction;    // not normalised; tip = base + direction * length (but Flat tips' z)
    TreeVec3 tangent;      // xy of the branch's unit tangent at the station, z always 0
    float width;
};

// Needle shapes, the "Needles shape" popup less one.
enum : uint8_t { NeedleShapeFlat = 0, NeedleShapeSemi = 1, NeedleShapeRound = 2 };

// One branch: a fixed-size heap object with all its arrays inline. A node whose level is at
// least 1 owns its needle array (page-allocated) and its first childCount children; an inert
// node (level 0 or less) owns nothing.
struct BranchNode {
    uint8_t needleShape;
    int32_t randomValue;   // the one value drawn for this branch, 0..32767
    int32_t childCount;
    int32_t level;         // remaining levels; 1 on the branch that is growing
    int32_t segmentCount;  // 8 on tips and the growing branch, else 4
    float width;           // radius at the base
    float length;          // after growth
    float startAngle;      // fan angle of the first child, radians
    float angleStep;
    float twist;           // random extra fan spread, degrees
    float needleWidth;
    float needleLength;
    float growth;          // 0..1; 0 draws nothing
    float dispersion;
    float branchiness;
    float proportions;
    float windX;
    float windZ;
    float windPhase;       // sine of the wind angle, the same for the whole tree
    float needleWave;      // position 0..1 of the needle wave on this branch, or -1
    float needleLift;
    float needleDispersion;
    TreeVec3 start;
    TreeVec3 end;
    TreeVec3 direction;    // not normalised
    TreeVec3 control;      // the inner control point of the axis curve, used twice
    TreeVec3 baseDirection;
    BranchSegment segments[8];
    BranchNode* children[5];
    int32_t needleCount;
    Needle* needles;
    // 1 when an allocation for this subtree failed, so it lacks needles or branches its inputs
    // ask for.
    uint8_t incomplete;

    BranchNode() = default;
    BranchNode(const BranchNode&) = delete;
    BranchNode& operator=(const BranchNode&) = delete;
    ~BranchNode();
};

// The generated tree. The hierarchy belongs to it; the mesh arrays do not: whoever takes them
// releases them with PageRelease.
struct TreeModel {
    int32_t levels;
    int32_t childrenPerNode;
    BranchNode* root;      // null if it could not be created or the inputs were unusable
    int32_t pointCount;
    int32_t triangleCount;
    int32_t tubeTriangleCount;
    int32_t needleTriangleCount;
    __Point3ds* points;
    __Triangle3ds* triangles;
    // 1 when an allocation failed while growing or meshing: the hierarchy or the mesh lacks
    // parts the inputs ask for. Unusable inputs are not a failure; they just grow nothing.
    uint8_t incomplete;

    TreeModel() = default;
    TreeModel(const TreeModel&) = delete;
    TreeModel& operator=(const TreeModel&) = delete;
    ~TreeModel();
};

// Everything BuildTree needs, already converted to pixels, fractions and phases.
struct TreeInputs {
    int32_t needleShape;   // NeedleShapeFlat, NeedleShapeSemi or NeedleShapeRound
    int32_t levels;
    int32_t childrenPerNode;
    float trunkWidth;      // radius at the base, pixels
    float trunkLength;     // pixels
    TreeVec3 origin;
    TreeVec3 upDirection;
    float growUp;          // percent, 0..100
    float dispersion;
    float branchiness;
    float proportions;
    float windAmpX;
    float windAmpZ;
    float windTime;        // frame * wind frequency
    float needleSpacing;   // pixels between needle stations
    float needleWidth;
    float needleLength;
    float needleLift;
    float needleTime;      // wave speed * frame
    float needleDispersion;
};

// Bounds that keep any input to a finite amount of memory and recursion.
constexpr int32_t MaxTreeLevels = 10;             // the deepest the "N branches" control goes
constexpr int32_t MaxTreeChildren = 5;            // the child slots of a node
constexpr int64_t MaxTreeNodes = 29524;           // (3^10 - 1) / 2: three children, ten levels
// Needle stations per branch. The needle jitter multiplies (index + 1) by the branch's random
// value (< 2^15) in 32-bit integers, so the index must stay below 2^16: 6 * 8192 = 49152.
constexpr int32_t MaxBranchNeedleStations = 8192;
// Needles of the whole tree, 2^23. Each costs its record and three mesh triangles, about 460
// bytes, so the needles' share of a frame stays below 4 GB. The default tree at ten levels has
// about 6.1 million; the longest branches at the densest spacing would ask for 230 million.
// Branches built after the allowance is spent get no needles.
constexpr int64_t MaxTreeNeedles = 8388608;

// A zero-filled TreeModel from the general heap, or null.
TreeModel* CreateTree();

// Grows the hierarchy into tree (clearing its counts and mesh pointers first) and returns tree.
// Draws one random value per branch from this thread's generator, so the caller resets it first.
// Unusable inputs (non-finite numbers, more than MaxTreeLevels levels, a child count outside
// 0..MaxTreeChildren or a hierarchy above MaxTreeNodes) leave root null: an empty tree. A node
// or needle array that cannot be allocated is left out and sets tree->incomplete.
TreeModel* BuildTree(TreeModel* tree, const TreeInputs& inputs);

// Fills node and builds its subtree; returns node. needlesLeft, when given, is the tree's
// remaining needle allowance, drawn down by every branch. A failed allocation anywhere in the
// subtree sets node->incomplete.
BranchNode* BuildBranch(BranchNode* node, uint8_t needleShape, int32_t level, float width,
                        float length, int32_t childParam, TreeVec3 origin, TreeVec3 direction,
                        TreeVec3 baseDirection, int32_t levels, float growUp, float dispersion,
                        float branchiness, float proportions, float windX, float windZ,
                        float windPhase, float needleSpacing, float needleWidth,
                        float needleLength, float needleLift, float needlePhase,
                        float needleDispersion, int64_t* needlesLeft = nullptr);

// The branch axis: the cubic Bezier start, control, control, end.
TreeVec3 BezierPoint(const BranchNode& node, float t);
// Its derivative, of unit length unless it is zero.
TreeVec3 BezierTangent(const BranchNode& node, float t);
float BranchRadius(const BranchNode& node, float t, float width, float endRadius);
void SpreadAngles(BranchNode& node);
TreeVec3 ChildDirection(const BranchNode& node, int32_t j);
void BuildRing(BranchSegment& segment, TreeVec3 from, TreeVec3 to, float radius, int32_t count);

// Covers the branch with needles; length is its scaled needle length. Sets node.incomplete when
// the needle array cannot be allocated.
void BuildNeedles(BranchNode& node, float spacing, float length, int64_t* needlesLeft = nullptr);

// Deletes the hierarchy and then the TreeModel itself, but not the mesh arrays.
void DestroyTree(TreeModel* tree);

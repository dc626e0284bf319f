// Turning a grown TreeModel into the flat point and triangle arrays the engine rasterises:
// branch tubes first, in pre-order, then a three-sided pyramid for every needle.
#pragma once

#include <cstdint>

#include "tree/tree_model.h"

// Releases any arrays still attached, then builds new ones and sets the counts. Every triangle
// has three points of its own. An empty mesh (nothing grown, a failed allocation) has
// triangleCount 0; a failed allocation also sets tree->incomplete.
void BuildMesh(TreeModel* tree);

// Adds the tube triangles and the needles of node's grown branches to the two totals.
void CountMesh(const BranchNode* node, int64_t& tubeCount, int64_t& needleCount);

// Write the triangles of node's subtree from index counter on, advancing counter.
void EmitTubes(const BranchNode* node, int32_t& counter, __Point3ds* points,
               __Triangle3ds* triangles);
void EmitNeedles(const BranchNode* node, int32_t& counter, __Point3ds* points,
                 __Triangle3ds* triangles);

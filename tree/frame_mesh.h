// The mesh of one frame's tree, grown from a freshly reset generator: the one sequence the render,
// the host's tree inspection, the tests and the benchmarks share, so that all of them grow the
// same tree for the same inputs.
#pragma once

#include <cstdint>
#include <functional>

#include "tree/tree_model.h"

// The two mesh arrays of a grown tree with their counts. Owns the arrays (page-allocated) and
// releases them when destroyed or grown again.
struct GrownMesh {
    __Point3ds* points = nullptr;
    __Triangle3ds* triangles = nullptr;
    // The counts are 0 unless both arrays are there. Tube triangles (trunk and branches,
    // material 0) come first, then the needles' (material 1).
    int32_t pointCount = 0;
    int32_t triangleCount = 0;
    int32_t tubeTriangleCount = 0;
    int32_t needleTriangleCount = 0;

    GrownMesh() = default;
    GrownMesh(const GrownMesh&) = delete;
    GrownMesh& operator=(const GrownMesh&) = delete;
    ~GrownMesh();
    void Release();
};

// Resets this thread's generator to 0 (every frame grows the same tree; only the animation
// moves), grows the tree of `inputs`, meshes it, takes the arrays into `mesh` and destroys the
// hierarchy. `inspect`, when given, sees the grown and meshed tree before it is destroyed.
// False when memory ran out on the way, so that the mesh lacks parts (or all) of the tree the
// inputs ask for; unusable inputs are no failure, they grow an empty tree.
bool GrowFrameMesh(const TreeInputs& inputs, GrownMesh& mesh,
                   const std::function<void(const TreeModel&)>& inspect = nullptr);

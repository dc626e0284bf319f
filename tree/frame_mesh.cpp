// Growing and meshing one frame's tree in the order every caller relies on.
#include "tree/frame_mesh.h"

#include "platform/pages.h"
#include "tree/random.h"
#include "tree/tree_mesh.h"

GrownMesh::~GrownMesh() { Release(); }

void GrownMesh::Release()
{
    PageRelease(points);
    PageRelease(triangles);
    points = nullptr;
    triangles = nullptr;
    pointCount = triangleCount = tubeTriangleCount = needleTriangleCount = 0;
}

bool GrowFrameMesh(const TreeInputs& inputs, GrownMesh& mesh,
                   const std::function<void(const TreeModel&)>& inspect)
{
    mesh.Release();
    SetRandomState(0);
    TreeModel* tree = CreateTree();
    if (!tree)
        return false;
    BuildTree(tree, inputs);
    BuildMesh(tree);
    if (inspect)
        inspect(*tree);
    mesh.points = tree->points;
    mesh.triangles = tree->triangles;
    if (mesh.points && mesh.triangles) {
        mesh.pointCount = tree->pointCount;
        mesh.triangleCount = tree->triangleCount;
        mesh.tubeTriangleCount = tree->tubeTriangleCount;
        mesh.needleTriangleCount = tree->needleTriangleCount;
    }
    tree->points = nullptr;
    tree->triangles = nullptr;
    const bool whole = !tree->incomplete;
    DestroyTree(tree);
    return whole;
}

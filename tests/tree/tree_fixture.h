// Shared helpers of the tree generator tests: the generator inputs of a fresh effect instance
// at a given output width, a fixture that builds and releases a tree, and hierarchy walks.
#pragma once

#include <gtest/gtest.h>

#include <functional>

#include "platform/pages.h"
#include "tree/frame_mesh.h"
#include "tree/random.h"
#include "tree/tree_mesh.h"
#include "tree/tree_model.h"

// The inputs every control's default gives at output width w, frame `frame`.
inline TreeInputs DefaultInputs(float w = 1920.0f, int frame = 0)
{
    TreeInputs in{};
    in.needleShape = NeedleShapeSemi;
    in.levels = 4;
    in.childrenPerNode = 3;
    in.trunkWidth = (5.0f / 2.5f) * w / 200.0f;
    in.trunkLength = 50.0f * w / 200.0f;
    in.origin = {0.0f, 0.0f, 0.0f};
    in.upDirection = {0.0f, 1.0f, 0.0f};
    in.growUp = 100.0f;
    in.dispersion = 10.0f / 100.0f;
    in.branchiness = 50.0f / 100.0f;
    in.proportions = 50.0f / 100.0f;
    in.windAmpX = 10.0f / 500.0f;
    in.windAmpZ = 10.0f / 500.0f;
    in.windTime = static_cast<float>(frame) * 10.0f;
    in.needleSpacing = static_cast<float>((1.1 - 90.0 / 100.0) * w) / 15.0f;
    in.needleWidth = (45.0f / 100.0f) * (w / 40.0f);
    in.needleLength = (50.0f / 100.0f) * (w / 8.0f);
    in.needleLift = 10.0f / 500.0f;
    in.needleTime = 40.0f * static_cast<float>(frame);
    in.needleDispersion = 40.0f / 100.0f;
    return in;
}

// Visits every node reachable from node in pre-order, inert ones included.
inline void ForEachNode(const BranchNode* node, const std::function<void(const BranchNode&)>& f)
{
    if (!node)
        return;
    f(*node);
    if (node->level >= 1)
        for (int32_t j = 0; j < node->childCount; ++j)
            ForEachNode(node->children[j], f);
}

// Visits the branches reachable from node in pre-order: the nodes of level 1 and up, not the
// inert ones.
inline void ForEachBranch(const BranchNode* node, const std::function<void(const BranchNode&)>& f)
{
    ForEachNode(node, [&](const BranchNode& b) {
        if (b.level >= 1)
            f(b);
    });
}

inline int CountNodes(const BranchNode* node)
{
    int n = 0;
    ForEachNode(node, [&](const BranchNode&) { ++n; });
    return n;
}

// Builds trees as the render does (generator reset first) and releases them at teardown.
class TreeTest : public ::testing::Test {
protected:
    TreeModel* Build(const TreeInputs& in, bool mesh = true)
    {
        Release();
        SetRandomState(0);
        tree = CreateTree();
        EXPECT_NE(tree, nullptr);
        BuildTree(tree, in);
        if (mesh)
            BuildMesh(tree);
        return tree;
    }
    void Release()
    {
        if (!tree)
            return;
        PageRelease(tree->points);
        PageRelease(tree->triangles);
        DestroyTree(tree);
        tree = nullptr;
    }
    // Grows the default inputs as `change` alters them, without the mesh; returns the trunk.
    template <typename Change>
    const BranchNode& GrowSkeleton(Change change)
    {
        TreeInputs in = DefaultInputs();
        change(in);
        Build(in, false);
        return *tree->root;
    }
    void TearDown() override { Release(); }

    TreeModel* tree = nullptr;
};

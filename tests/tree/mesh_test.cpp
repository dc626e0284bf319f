// Mesh building: exact counts, tubes before needles in pre-order, point records, needle corner
// order and face normals, and hierarchies with holes.
#include <cmath>
#include <cstring>
#include <string>

#include "shading/vector_helpers.h"
#include "tree_fixture.h"

namespace {

bool Same(const __Point3ds& p, TreeVec3 v)
{
    return p.x == v.x && p.y == v.y && p.z == v.z;
}

int TubeTriangles(const BranchNode& b)
{
    if (b.level < 1 || b.growth <= 0.0f)
        return 0;
    return b.level == 1 ? 78 : 36;
}

}  // namespace

using TreeMesh = TreeTest;

TEST_F(TreeMesh, SingleLevelIsOneConeTippedTubeThenThreeTrianglesPerNeedle)
{
    TreeInputs in = DefaultInputs();
    in.levels = 1;
    Build(in);
    ASSERT_GT(tree->root->needleCount, 0);
    EXPECT_EQ(tree->tubeTriangleCount, 78);
    EXPECT_EQ(tree->needleTriangleCount, 3 * tree->root->needleCount);
    EXPECT_EQ(tree->triangleCount, 78 + 3 * tree->root->needleCount);
    EXPECT_EQ(tree->pointCount, 3 * tree->triangleCount);
    for (int32_t t = 0; t < tree->triangleCount; ++t)
        ASSERT_EQ(tree->triangles[t].material, t < 78 ? 0 : 1) << t;
}

TEST_F(TreeMesh, CountsFollowGrowth)
{
    Build(DefaultInputs());
    EXPECT_EQ(tree->tubeTriangleCount, 13 * 36 + 27 * 78);
    int needles = 0;
    ForEachNode(tree->root, [&](const BranchNode& b) { needles += b.level >= 1 ? b.needleCount : 0; });
    EXPECT_EQ(tree->needleTriangleCount, 3 * needles);

    TreeInputs in = DefaultInputs();
    in.growUp = 60.0f;
    Build(in);
    EXPECT_EQ(tree->tubeTriangleCount, 4 * 36 + 9 * 78);

    in.growUp = 0.0f;
    Build(in);
    EXPECT_EQ(tree->triangleCount, 0);
    EXPECT_EQ(tree->pointCount, 0);
    EXPECT_EQ(tree->points, nullptr);
    EXPECT_EQ(tree->triangles, nullptr);
}

TEST_F(TreeMesh, EveryTriangleOwnsThreeFreshPointsWithNormals)
{
    for (int32_t shape : {NeedleShapeFlat, NeedleShapeSemi, NeedleShapeRound}) {
        TreeInputs in = DefaultInputs(1920.0f, 3);
        in.needleShape = shape;
        Build(in);
        ASSERT_GT(tree->triangleCount, tree->tubeTriangleCount);
        for (int32_t t = 0; t < tree->triangleCount; ++t) {
            const __Triangle3ds& tri = tree->triangles[t];
            ASSERT_EQ(tri.b, 3 * t + 1);
            ASSERT_EQ(tri.a + tri.c, 6 * t + 2);
            ASSERT_TRUE(tri.a == 3 * t || tri.a == 3 * t + 2);
            ASSERT_EQ(tri.flags, 0);
            for (int k = 0; k < 3; ++k) {
                const __Point3ds& p = tree->points[3 * t + k];
                ASSERT_EQ(p.mapped, 0);
                ASSERT_EQ(p.hasNormal, 1);
                ASSERT_EQ(p.u, 0.0f);
                ASSERT_EQ(p.v, 0.0f);
                float len = std::sqrt(p.nx * p.nx + p.ny * p.ny + p.nz * p.nz);
                ASSERT_NEAR(len, 1.0f, 1e-5f) << "triangle " << t;
            }
            if (t < tree->tubeTriangleCount) {
                ASSERT_EQ(tri.a, 3 * t);
                continue;
            }
            // The face normal of a needle triangle, taken in its own corner order.
            float nx, ny, nz;
            TriangleNormal(tri, tree->points, nx, ny, nz);
            float len = std::sqrt(nx * nx + ny * ny + nz * nz);
            const __Point3ds& p = tree->points[3 * t];
            ASSERT_NEAR(p.nx, nx / len, 1e-5f);
            ASSERT_NEAR(p.ny, ny / len, 1e-5f);
            ASSERT_NEAR(p.nz, nz / len, 1e-5f);
        }
    }
}

TEST_F(TreeMesh, TubesThenNeedlesInPreOrder)
{
    Build(DefaultInputs(1920.0f, 5));
    const __Point3ds* p = tree->points;
    int32_t t = 0;
    ForEachNode(tree->root, [&](const BranchNode& b) {
        if (TubeTriangles(b) == 0)
            return;
        const RingVertex* r = b.segments[0].ring;
        const RingVertex* s = b.segments[1].ring;
        EXPECT_TRUE(Same(p[3 * t], r[0].position) && Same(p[3 * t + 1], r[1].position) &&
                    Same(p[3 * t + 2], s[1].position));
        EXPECT_TRUE(Same(p[3 * t + 3], s[1].position) && Same(p[3 * t + 4], s[0].position) &&
                    Same(p[3 * t + 5], r[0].position));
        EXPECT_EQ(p[3 * t].nx, r[0].normal.x);
        t += TubeTriangles(b);
    });
    ASSERT_EQ(t, tree->tubeTriangleCount);
    ForEachNode(tree->root, [&](const BranchNode& b) {
        if (TubeTriangles(b) == 0)
            return;
        const float h = b.width / 4.0f;
        for (int32_t i = 0; i < b.needleCount; ++i, t += 3) {
            const Needle& n = b.needles[i];
            TreeVec3 b1 = {n.base.x + n.tangent.x * n.width, n.base.y + n.tangent.y * n.width,
                           n.base.z};
            ASSERT_TRUE(Same(p[3 * t], b1));
            ASSERT_EQ(p[3 * t + 1].z, n.base.z + h);
            ASSERT_EQ(p[3 * t + 4].z, n.base.z - h);
            ASSERT_TRUE(Same(p[3 * t + 6], {n.base.x, n.base.y, n.base.z - h}));
            for (int k = 0; k < 3; ++k)
                ASSERT_TRUE(Same(p[3 * (t + k) + 2], n.tip));
        }
    });
    EXPECT_EQ(t, tree->triangleCount);
}

TEST_F(TreeMesh, NeedleCornerOrderAlternatesExceptForRound)
{
    for (int32_t shape : {NeedleShapeFlat, NeedleShapeSemi, NeedleShapeRound}) {
        TreeInputs in = DefaultInputs();
        in.needleShape = shape;
        Build(in);
        ASSERT_EQ(tree->tubeTriangleCount % 2, 0);
        for (int32_t t = tree->tubeTriangleCount; t < tree->triangleCount; t += 3) {
            bool reversed = shape != NeedleShapeRound && t % 2 == 0;
            for (int k = 0; k < 3; ++k)
                ASSERT_EQ(tree->triangles[t + k].a, reversed ? 3 * (t + k) + 2 : 3 * (t + k))
                    << "shape " << shape << " triangle " << t + k;
        }
    }
}

TEST_F(TreeMesh, CollinearNeedleFacesKeepZeroNormals)
{
    tree = CreateTree();
    BranchNode* root = new BranchNode();
    tree->root = root;
    root->level = 1;
    root->growth = 1.0f;
    root->width = 4.0f;
    root->needleShape = NeedleShapeRound;
    root->needles = static_cast<Needle*>(PageAllocate(sizeof(Needle)));
    root->needleCount = 1;
    root->needles[0].base = root->needles[0].tip = {1.0f, 2.0f, 3.0f};
    BuildMesh(tree);
    ASSERT_EQ(tree->triangleCount, 3);
    for (int32_t i = 0; i < tree->pointCount; ++i) {
        EXPECT_EQ(tree->points[i].nx, 0.0f);
        EXPECT_EQ(tree->points[i].ny, 0.0f);
        EXPECT_EQ(tree->points[i].nz, 0.0f);
        EXPECT_EQ(tree->points[i].hasNormal, 1);
    }
}

TEST_F(TreeMesh, MissingChildrenAreSkippedAndRebuildingReplacesTheArrays)
{
    Build(DefaultInputs(), false);
    delete tree->root->children[1];
    tree->root->children[1] = nullptr;
    BuildMesh(tree);
    // A level-3 subtree is itself, three level-2 branches and nine tips.
    EXPECT_EQ(tree->tubeTriangleCount, 13 * 36 + 27 * 78 - (4 * 36 + 9 * 78));
    std::string first(reinterpret_cast<const char*>(tree->points),
                      sizeof(__Point3ds) * tree->pointCount);
    BuildMesh(tree);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(tree->points),
                          sizeof(__Point3ds) * tree->pointCount),
              first);
}

// A frame's mesh depends on its inputs alone: the generator is reset for it, so whatever was
// drawn from it before (on this thread) grows the same bytes, and growing again into the same
// owner gives the old arrays back first.
TEST(FrameMesh, TheSameBytesWhateverTheGeneratorDrewBefore)
{
    const TreeInputs in = DefaultInputs(640.0f, 7);
    GrownMesh first, second;
    ASSERT_TRUE(GrowFrameMesh(in, first));
    ASSERT_GT(first.triangleCount, 0);
    EXPECT_EQ(first.tubeTriangleCount + first.needleTriangleCount, first.triangleCount);
    EXPECT_EQ(first.pointCount, 3 * first.triangleCount);

    SetRandomState(12345);
    for (int i = 0; i < 77; ++i)
        NextRandom();
    const int64_t live = PageLiveBlocks();
    int32_t seen = -1;
    ASSERT_TRUE(GrowFrameMesh(in, second));
    ASSERT_TRUE(GrowFrameMesh(in, second, [&](const TreeModel& t) { seen = t.triangleCount; }));
    EXPECT_EQ(PageLiveBlocks(), live + 2);
    EXPECT_EQ(seen, first.triangleCount);
    ASSERT_EQ(second.triangleCount, first.triangleCount);
    EXPECT_EQ(std::memcmp(first.points, second.points, sizeof(__Point3ds) * size_t(first.pointCount)), 0);
    EXPECT_EQ(std::memcmp(first.triangles, second.triangles, sizeof(__Triangle3ds) * size_t(first.triangleCount)), 0);
}

// Unusable generator inputs and failed allocations: an empty or partial tree, never a crash,
// a NaN point or an unbounded build.
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <string>

#include "tree_fixture.h"

namespace {
// Counts down the general-heap allocations that may still succeed; at zero the next one fails.
int AllocationsBeforeFailure = -1;
// Every call, so that a test can aim a failure at each allocation of a build in turn.
int64_t HeapAllocationCalls = 0;
}

// The generator allocates its objects with the non-throwing new, so this test program replaces
// that one to inject failures. It forwards to the ordinary new, which keeps allocation and
// release paired for the sanitizers.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    ++HeapAllocationCalls;
    if (AllocationsBeforeFailure == 0) {
        AllocationsBeforeFailure = -1;
        return nullptr;
    }
    if (AllocationsBeforeFailure > 0)
        --AllocationsBeforeFailure;
    try {
        return ::operator new(size);
    } catch (...) {
        return nullptr;
    }
}

namespace {

class TreeBadInput : public TreeTest {
protected:
    void ExpectEmpty(const TreeInputs& in)
    {
        Build(in);
        EXPECT_EQ(tree->root, nullptr);
        EXPECT_EQ(tree->triangleCount, 0);
        EXPECT_EQ(tree->points, nullptr);
        EXPECT_EQ(GetRandomState(), 0u);  // rejected before anything was drawn
    }
};

}  // namespace

TEST_F(TreeBadInput, NoLevelsGiveAnInertTrunk)
{
    for (int32_t levels : {0, -3, std::numeric_limits<int32_t>::min()}) {
        TreeInputs in = DefaultInputs();
        in.levels = levels;
        Build(in);
        ASSERT_NE(tree->root, nullptr);
        EXPECT_LE(tree->root->level, 0);
        EXPECT_EQ(CountNodes(tree->root), 1);
        EXPECT_EQ(tree->triangleCount, 0);
        EXPECT_EQ(tree->points, nullptr);
    }
}

TEST_F(TreeBadInput, OversizedHierarchiesAreRefused)
{
    TreeInputs in = DefaultInputs();
    in.levels = MaxTreeLevels + 1;
    ExpectEmpty(in);
    in.levels = std::numeric_limits<int32_t>::max();
    ExpectEmpty(in);
    for (int32_t children : {-1, MaxTreeChildren + 1}) {
        in = DefaultInputs();
        in.childrenPerNode = children;
        ExpectEmpty(in);
    }
    in = DefaultInputs();
    in.childrenPerNode = 5;
    in.levels = 8;  // 97656 nodes
    ExpectEmpty(in);

    in = DefaultInputs();
    in.childrenPerNode = 0;  // a lone trunk that is not a tip
    Build(in);
    EXPECT_EQ(CountNodes(tree->root), 1);
    EXPECT_EQ(tree->tubeTriangleCount, 36);
}

TEST_F(TreeBadInput, NonFiniteNumbersGiveAnEmptyTree)
{
    float TreeInputs::*fields[] = {
        &TreeInputs::trunkWidth,   &TreeInputs::trunkLength,     &TreeInputs::growUp,
        &TreeInputs::dispersion,   &TreeInputs::branchiness,     &TreeInputs::proportions,
        &TreeInputs::windAmpX,     &TreeInputs::windAmpZ,        &TreeInputs::windTime,
        &TreeInputs::needleSpacing, &TreeInputs::needleWidth,    &TreeInputs::needleLength,
        &TreeInputs::needleLift,   &TreeInputs::needleTime,      &TreeInputs::needleDispersion};
    for (float bad : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                      -std::numeric_limits<float>::infinity()}) {
        for (auto field : fields) {
            TreeInputs in = DefaultInputs();
            in.*field = bad;
            ExpectEmpty(in);
        }
        TreeInputs in = DefaultInputs();
        in.origin.z = bad;
        ExpectEmpty(in);
        in = DefaultInputs();
        in.upDirection.x = bad;
        ExpectEmpty(in);
    }
}

TEST_F(TreeBadInput, GrowUpOutsideItsRange)
{
    TreeInputs in = DefaultInputs();
    in.growUp = -5.0f;
    Build(in);
    EXPECT_EQ(tree->triangleCount, 0);

    in.growUp = 100.0f;
    Build(in);
    std::string full(reinterpret_cast<const char*>(tree->points),
                     sizeof(__Point3ds) * tree->pointCount);
    in.growUp = 1e30f;
    Build(in);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(tree->points),
                          sizeof(__Point3ds) * tree->pointCount),
              full);
}

TEST_F(TreeBadInput, NeedleInputsThatPlaceNoNeedles)
{
    for (float spacing : {0.0f, -25.6f}) {
        TreeInputs in = DefaultInputs();
        in.needleSpacing = spacing;
        Build(in);
        EXPECT_EQ(tree->needleTriangleCount, 0);
        EXPECT_EQ(tree->tubeTriangleCount, 13 * 36 + 27 * 78);
    }
    TreeInputs in = DefaultInputs();
    in.needleShape = 3;
    Build(in);
    EXPECT_EQ(tree->needleTriangleCount, 0);
    EXPECT_GT(tree->tubeTriangleCount, 0);
}

TEST_F(TreeBadInput, ExtremeTimesStayDefined)
{
    for (float time : {-45.0f, 3e9f, -3e9f, 1e30f}) {
        TreeInputs in = DefaultInputs();
        in.needleTime = time;
        in.windTime = time;
        Build(in);
        ForEachBranch(tree->root, [&](const BranchNode& b) {
            EXPECT_TRUE(b.needleWave == -1.0f || (b.needleWave > 0.0f && b.needleWave <= 1.0f));
        });
        for (int32_t i = 0; i < tree->pointCount; ++i)
            ASSERT_TRUE(std::isfinite(tree->points[i].x + tree->points[i].y + tree->points[i].z));
    }
}

TEST_F(TreeBadInput, FailedNodeAllocationsAreSkipped)
{
    tree = CreateTree();
    SetRandomState(0);
    AllocationsBeforeFailure = 0;  // the trunk
    BuildTree(tree, DefaultInputs());
    EXPECT_EQ(tree->root, nullptr);
    EXPECT_EQ(tree->incomplete, 1);
    BuildMesh(tree);
    EXPECT_EQ(tree->triangleCount, 0);

    SetRandomState(0);
    AllocationsBeforeFailure = 1;  // the trunk's first child and so its whole subtree
    BuildTree(tree, DefaultInputs());
    ASSERT_NE(tree->root, nullptr);
    EXPECT_EQ(tree->root->children[0], nullptr);
    EXPECT_EQ(CountNodes(tree->root), 27);
    EXPECT_EQ(tree->incomplete, 1);
    EXPECT_EQ(tree->root->incomplete, 1);
    EXPECT_EQ(tree->root->children[1]->incomplete, 0);
    BuildMesh(tree);
    EXPECT_EQ(tree->tubeTriangleCount, 9 * 36 + 18 * 78);

    AllocationsBeforeFailure = 0;
    EXPECT_EQ(CreateTree(), nullptr);
    EXPECT_EQ(BuildTree(nullptr, DefaultInputs()), nullptr);
    BuildMesh(nullptr);
    DestroyTree(nullptr);
}

namespace {

// Growing and meshing short of memory: whichever allocation fails, on the heap (the model, its
// branches) or in pages (needle arrays, mesh arrays), the tree says it is incomplete and
// everything it did get is given back. Unusable inputs are no failure.
struct Outcome {
    bool created;
    bool incomplete;
    int32_t triangles;
};

// Grows and meshes the tree as the render does and releases it all again.
Outcome GrowAndRelease(const TreeInputs& in)
{
    Outcome o{false, true, 0};
    GrownMesh mesh;
    o.incomplete = !GrowFrameMesh(in, mesh, [&](const TreeModel&) { o.created = true; });
    o.triangles = mesh.triangleCount;
    return o;
}

TEST(TreeOutOfMemory, EveryFailedAllocationMarksTheTreeIncompleteAndKeepsNothing)
{
    TreeInputs in = DefaultInputs(320.0f, 23);
    in.growUp = 80.0f;  // a growing level too
    const int64_t heapBefore = HeapAllocationCalls, pagesBefore = PageAllocationCalls();
    const Outcome whole = GrowAndRelease(in);
    ASSERT_FALSE(whole.incomplete);
    const int64_t heapCalls = HeapAllocationCalls - heapBefore, pageCalls = PageAllocationCalls() - pagesBefore;
    ASSERT_GT(heapCalls, 10);   // the model and its branches
    ASSERT_GT(pageCalls, 10);   // needle arrays and the two mesh arrays

    const int64_t live = PageLiveBlocks();
    for (int64_t n = 1; n <= heapCalls; ++n) {
        AllocationsBeforeFailure = int(n - 1);
        const Outcome o = GrowAndRelease(in);
        EXPECT_TRUE(o.incomplete) << "heap allocation " << n;
        EXPECT_LT(o.triangles, whole.triangles) << "heap allocation " << n;
        EXPECT_EQ(PageLiveBlocks(), live) << "heap allocation " << n;
    }
    AllocationsBeforeFailure = -1;
    for (int64_t n = 1; n <= pageCalls; ++n) {
        PageFailAllocation(n);
        const Outcome o = GrowAndRelease(in);
        EXPECT_TRUE(o.created);
        EXPECT_TRUE(o.incomplete) << "page allocation " << n;
        EXPECT_EQ(PageLiveBlocks(), live) << "page allocation " << n;
    }
    EXPECT_FALSE(GrowAndRelease(in).incomplete);
}

TEST(TreeOutOfMemory, UnusableInputsGrowNothingWithoutFailing)
{
    TreeInputs in = DefaultInputs();
    in.levels = MaxTreeLevels + 1;
    const Outcome o = GrowAndRelease(in);
    EXPECT_TRUE(o.created);
    EXPECT_FALSE(o.incomplete);
    EXPECT_EQ(o.triangles, 0);
}

} // namespace

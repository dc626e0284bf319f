// The branch hierarchy: random draws, node counts, growth bands, the needle wave, the bud taper,
// rings and child fans.
#include <cmath>
#include <cstring>
#include <string>
#include <thread>

#include "tree_fixture.h"

namespace {

uint32_t StateAfterDraws(int draws)
{
    uint32_t s = 0;
    for (int i = 0; i < draws; ++i)
        s = s * 214013u + 2531011u;
    return s;
}

float Length(TreeVec3 v)
{
    return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}

}  // namespace

TEST(TreeRandom, FollowsTheGeneratorFromZeroAndIsPerThread)
{
    SetRandomState(0);
    EXPECT_EQ(NextRandom(), 38);
    EXPECT_EQ(NextRandom(), 7719);
    std::thread other([] {
        SetRandomState(12345);
        NextRandom();
    });
    other.join();
    EXPECT_EQ(NextRandom(), 21238);
    EXPECT_EQ(NextRandom(), 2437);
    EXPECT_EQ(NextRandom(), 8855);
}

using TreeSkeleton = TreeTest;

TEST_F(TreeSkeleton, FullHierarchyHasOneDrawPerNode)
{
    for (int levels = 1; levels <= 7; ++levels) {
        TreeInputs in = DefaultInputs();
        in.levels = levels;
        Build(in, false);
        int expected = 1;
        for (int i = 0; i < levels; ++i)
            expected *= 3;
        expected = (expected - 1) / 2;
        EXPECT_EQ(CountNodes(tree->root), expected) << levels << " levels";
        EXPECT_EQ(GetRandomState(), StateAfterDraws(expected)) << levels << " levels";
    }
    EXPECT_EQ(CountNodes(Build(DefaultInputs(), false)->root), 40);
}

TEST_F(TreeSkeleton, FourLevelBandsAtSixtyPercent)
{
    TreeInputs in = DefaultInputs();
    Build(in, false);
    float fullLength[40];
    int n = 0;
    ForEachNode(tree->root, [&](const BranchNode& b) { fullLength[n++] = b.length; });

    in.growUp = 60.0f;
    Build(in, false);
    // Inert children draw once, as the tips they replace did: the draws match node for node.
    EXPECT_EQ(GetRandomState(), StateAfterDraws(40));
    n = 0;
    int growing = 0, inert = 0;
    ForEachNode(tree->root, [&](const BranchNode& b) {
        float full = fullLength[n++];
        if (b.level <= 0) {
            ++inert;
            return;
        }
        if (b.growth < 1.0f) {
            ++growing;
            EXPECT_EQ(b.growth, 0.4f);
            EXPECT_EQ(b.level, 1);
            EXPECT_EQ(b.segmentCount, 8);
            EXPECT_EQ(b.childCount, 3);
            EXPECT_EQ(b.length, full * 0.4f);
        } else {
            EXPECT_GE(b.level, 3);
            EXPECT_EQ(b.segmentCount, 4);
            EXPECT_EQ(b.length, full);
        }
    });
    EXPECT_EQ(growing, 9);
    EXPECT_EQ(inert, 27);
}

TEST_F(TreeSkeleton, GrowingTrunkIsATipWithInertChildren)
{
    const BranchNode& trunk = GrowSkeleton([](TreeInputs& in) { in.growUp = 10.0f; });
    EXPECT_EQ(trunk.level, 1);
    EXPECT_EQ(trunk.growth, 0.4f);
    EXPECT_EQ(trunk.segmentCount, 8);
    EXPECT_EQ(trunk.length, 480.0f * 0.4f);
    EXPECT_EQ(CountNodes(tree->root), 4);
    EXPECT_EQ(GetRandomState(), StateAfterDraws(4));
}

TEST_F(TreeSkeleton, FullyGrownAtOneHundredPercentWhateverTheRounding)
{
    for (int levels : {3, 4, 6, 7}) {
        TreeInputs in = DefaultInputs();
        in.levels = levels;
        Build(in, false);
        ForEachNode(tree->root, [&](const BranchNode& b) {
            EXPECT_EQ(b.growth, 1.0f) << levels << " levels, level " << b.level;
        });
    }
    // The tips' band computed in float does not reach 100 at three levels: without the
    // full-growth rule they would stop short of 1.
    float band = 100.0f / 3.0f;
    float bandStart = 100.0f - band;
    EXPECT_LT((100.0f - bandStart) / band, 1.0f);
}

TEST_F(TreeSkeleton, NeedleWaveTravelsFromTheTrunk)
{
    auto waves = [&](int frame) {
        Build(DefaultInputs(1920.0f, frame), false);
        std::vector<std::pair<int, float>> found;
        ForEachBranch(tree->root, [&](const BranchNode& b) {
            if (b.needleWave != -1.0f)
                found.push_back({b.level, b.needleWave});
        });
        return found;
    };
    EXPECT_TRUE(waves(0).empty());
    auto frame1 = waves(1);
    ASSERT_EQ(frame1.size(), 1u);
    EXPECT_EQ(frame1[0].first, 4);
    EXPECT_EQ(frame1[0].second, 4.0f / 25.0f);
    auto frame10 = waves(10);  // phase 40: the level-3 branches at (40 - 25) / 25
    ASSERT_EQ(frame10.size(), 3u);
    for (auto& w : frame10)
        EXPECT_EQ(w, std::make_pair(3, 15.0f / 25.0f));
    EXPECT_EQ(waves(26), frame1);  // the wave returns every 25 frames
}

TEST_F(TreeSkeleton, SingleLevelTrunkHasTheBud)
{
    const BranchNode& trunk = GrowSkeleton([](TreeInputs& in) { in.levels = 1; });
    ASSERT_EQ(trunk.level, 1);
    EXPECT_EQ(trunk.childCount, 0);
    ASSERT_EQ(trunk.segmentCount, 8);
    float w = trunk.width, e = trunk.growth * w * 0.67f;
    auto linear = [&](float t) { return (1.0f - t) * w + t * e; };
    EXPECT_EQ(trunk.segments[3].radius, linear(0.85f));  // not pinched: the bud starts above
    EXPECT_FLOAT_EQ(trunk.segments[5].radius, linear(0.925f) * 1.4f * (1.0f - 0.0625f));
    EXPECT_FLOAT_EQ(trunk.segments[6].radius, linear(0.9625f) * 1.4f * (1.0f - 0.0625f));
    EXPECT_EQ(trunk.segments[7].radius, 0.0f);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(trunk.segments[i].ringCount, 6);
}

TEST(BranchRadius, BudOnlyOnTipsAboveEightyFivePercent)
{
    BranchNode tip{};
    tip.level = 1;
    EXPECT_FLOAT_EQ(BranchRadius(tip, 0.85f, 10.0f, 6.7f), 0.15f * 10.0f + 0.85f * 6.7f);
    EXPECT_FLOAT_EQ(BranchRadius(tip, 0.95f, 10.0f, 6.7f), (0.05f * 10.0f + 0.95f * 6.7f) * 1.4f);
    EXPECT_EQ(BranchRadius(tip, 1.0f, 10.0f, 6.7f), 0.0f);
    BranchNode inner{};
    inner.level = 3;
    EXPECT_FLOAT_EQ(BranchRadius(inner, 0.95f, 10.0f, 6.7f), 0.05f * 10.0f + 0.95f * 6.7f);
    EXPECT_EQ(BranchRadius(inner, 0.5f, -10.0f, 0.0f), 0.0f);  // never negative
}

TEST_F(TreeSkeleton, InnerBranchStationsEndWithTheTangentChord)
{
    Build(DefaultInputs(), false);
    const BranchNode& trunk = *tree->root;
    ASSERT_EQ(trunk.segmentCount, 4);
    const float stations[4] = {1.0f / 3.0f, 2.0f / 3.0f, 1.0f, 1.0001f};
    TreeVec3 prev = trunk.start;
    for (int i = 0; i < 4; ++i) {
        TreeVec3 p = BezierPoint(trunk, stations[i]);
        EXPECT_EQ(std::memcmp(&trunk.segments[i].end, &p, sizeof p), 0) << i;
        EXPECT_EQ(std::memcmp(&trunk.segments[i].start, &prev, sizeof p), 0) << i;
        prev = p;
    }
    TreeVec3 end = BezierPoint(trunk, 1.0f), start = BezierPoint(trunk, 0.0f);
    EXPECT_EQ(std::memcmp(&end, &trunk.end, sizeof end), 0);
    EXPECT_EQ(std::memcmp(&start, &trunk.start, sizeof start), 0);
    EXPECT_EQ(trunk.end.y, 480.0f);  // no wind at frame 0: straight up by the trunk length
}

TEST_F(TreeSkeleton, RepeatedBuildsOnOneThreadAreIdentical)
{
    auto snapshot = [&] {
        const char* p = reinterpret_cast<const char*>(tree->points);
        const char* t = reinterpret_cast<const char*>(tree->triangles);
        std::string bytes(p, p + sizeof(__Point3ds) * tree->pointCount);
        bytes.append(t, t + sizeof(__Triangle3ds) * tree->triangleCount);
        return bytes;
    };
    Build(DefaultInputs(1920.0f, 7));
    ASSERT_GT(tree->triangleCount, 0);
    std::string first = snapshot();
    TreeInputs other = DefaultInputs(640.0f, 3);
    other.levels = 5;
    Build(other);
    Build(DefaultInputs(1920.0f, 7));
    EXPECT_TRUE(snapshot() == first);
}

TEST(BuildRing, IsACircleAroundTheChordAndNeverNaN)
{
    const TreeVec3 from = {10.0f, 20.0f, 30.0f};
    const TreeVec3 chords[] = {{0, 5, 0}, {1, 2, 0.5f}, {0, 0, 3}, {0, 0, -3}, {4, 0, 0},
                               {-4, 0, 0}, {0, 0, 0}};
    for (const TreeVec3& dv : chords) {
        BranchSegment s{};
        BuildRing(s, from, {from.x + dv.x, from.y + dv.y, from.z + dv.z}, 2.0f, 6);
        for (int k = 0; k < 6; ++k) {
            const RingVertex& v = s.ring[k];
            TreeVec3 off = {v.position.x - from.x, v.position.y - from.y, v.position.z - from.z};
            ASSERT_TRUE(std::isfinite(Length(off)) && std::isfinite(Length(v.normal)));
            EXPECT_NEAR(Length(off), 2.0f, 1e-5f);
            EXPECT_NEAR(Length(v.normal), 1.0f, 1e-6f);
            EXPECT_NEAR(off.x, 2.0f * v.normal.x, 1e-5f);
            // Exactly perpendicular where the chord lies along an axis.
            if ((dv.x == 0) + (dv.y == 0) + (dv.z == 0) == 2) {
                EXPECT_NEAR(off.x * dv.x + off.y * dv.y + off.z * dv.z, 0.0f, 1e-5f);
            }
        }
    }
    BranchSegment up{};
    BuildRing(up, from, {10.0f, 25.0f, 30.0f}, 2.0f, 6);
    EXPECT_EQ(up.ring[0].position.x, 8.0f);
    EXPECT_EQ(up.ring[0].position.y, 20.0f);
    EXPECT_EQ(up.ring[0].position.z, 30.0f);
    EXPECT_FLOAT_EQ(up.ring[1].position.z, 30.0f + 2.0f * std::sin(6.283184f / 6.0f));
}

TEST(ChildFan, SpreadTiltAndSway)
{
    BranchNode n{};
    n.branchiness = 0.5f;
    n.level = 4;
    n.childCount = 3;
    SpreadAngles(n);
    float spread = (25.0f + 60.0f) * 3.141592f / 180.0f;
    EXPECT_FLOAT_EQ(n.startAngle, -spread / 2.0f);
    EXPECT_FLOAT_EQ(n.angleStep, spread / 2.0f);

    n.direction = {0.0f, 1.0f, 0.0f};
    n.startAngle = -0.5f;
    n.angleStep = 0.5f;
    TreeVec3 first = ChildDirection(n, 0);
    EXPECT_FLOAT_EQ(first.x, std::sin(0.5f));
    EXPECT_FLOAT_EQ(first.y, std::cos(0.5f));
    EXPECT_EQ(first.z, 0.0f);
    const std::pair<int, float> tilts[] = {{4, -0.34906578f}, {3, -0.34906578f},
                                           {2, 0.34906578f}, {1, 0.0f}};
    for (auto [level, b] : tilts) {
        n.level = level;
        TreeVec3 middle = ChildDirection(n, 1);
        EXPECT_EQ(middle.x, 0.0f);
        EXPECT_FLOAT_EQ(middle.y, std::cos(b)) << level;
        EXPECT_FLOAT_EQ(middle.z, std::sin(b)) << level;
    }
    // Wind turns every child by windPhase * windX and twists the end children in depth.
    n.windPhase = 0.5f;
    n.windX = 0.2f;
    n.windZ = 0.4f;
    TreeVec3 last = ChildDirection(n, 2);
    float b = -(0.5f * 0.5f * 0.4f) / 2.0f;
    EXPECT_FLOAT_EQ(last.x, -std::sin(0.6f));
    EXPECT_FLOAT_EQ(last.y, std::cos(0.6f) * std::cos(b));
    EXPECT_FLOAT_EQ(last.z, std::cos(0.6f) * std::sin(b));
    EXPECT_FLOAT_EQ(Length(last), 1.0f);
}

// Needle placement: counts per shape, station parameters, lean weights and the wave, the
// station fans, and the bounds on the count.
#include <cmath>
#include <cstring>

#include "tree_fixture.h"

namespace {

// A straight branch of the given length up the y axis.
void MakeBranch(BranchNode& n, uint8_t shape, int32_t level, float length)
{
    n.needleShape = shape;
    n.level = level;
    n.growth = 1.0f;
    n.randomValue = 1234;
    n.needleWidth = 3.0f;
    n.needleWave = -1.0f;
    n.needleDispersion = 0.4f;
    n.end = {0.0f, length, 0.0f};
    n.control = {0.0f, length * 0.3f, 0.0f};
}

// The lean weight k of a needle: its direction's component along the left normal of the
// branch tangent, over the tangent's squared xy length.
float LeanWeight(const Needle& needle)
{
    const TreeVec3& t = needle.tangent;
    float q = t.x * t.x + t.y * t.y;
    return (t.x * needle.direction.y - t.y * needle.direction.x) / q;
}

}  // namespace

TEST(NeedleCount, TwoFourOrSixPerStationAndNoneOnShortBranches)
{
    const std::pair<uint8_t, int> shapes[] = {{NeedleShapeFlat, 2}, {NeedleShapeSemi, 4},
                                              {NeedleShapeRound, 6}, {7, 0}};
    for (auto [shape, perStation] : shapes) {
        BranchNode n{};
        MakeBranch(n, shape, 2, 10.0f);
        BuildNeedles(n, 2.6f, 5.0f);  // 10 / 2.6 = 3.8 stations
        EXPECT_EQ(n.needleCount, 3 * perStation);
        EXPECT_EQ(n.needles != nullptr, perStation > 0);
        EXPECT_EQ(n.needleLength, 5.0f);

        BranchNode shortBranch{};
        MakeBranch(shortBranch, shape, 2, 10.0f);
        BuildNeedles(shortBranch, 10.5f, 5.0f);
        EXPECT_EQ(shortBranch.needleCount, 0);
        EXPECT_EQ(shortBranch.needles, nullptr);
    }
    for (float spacing : {0.0f, -3.0f, NAN}) {
        BranchNode n{};
        MakeBranch(n, NeedleShapeSemi, 2, 10.0f);
        BuildNeedles(n, spacing, 5.0f);
        EXPECT_EQ(n.needleCount, 0);
        EXPECT_EQ(n.needles, nullptr);
    }
}

TEST(NeedleCount, BoundedPerBranchAndByTheTreeAllowance)
{
    BranchNode n{};
    MakeBranch(n, NeedleShapeRound, 2, 1000.0f);
    BuildNeedles(n, 1e-30f, 5.0f);
    ASSERT_EQ(n.needleCount, 6 * MaxBranchNeedleStations);
    // The last station's jitter product is the largest; it must still be a finite, sane tip.
    const Needle& last = n.needles[n.needleCount - 1];
    EXPECT_TRUE(std::isfinite(last.tip.x) && std::isfinite(last.tip.y) && std::isfinite(last.tip.z));
    EXPECT_LE(last.base.y, 1000.0f);

    int64_t left = 10;
    BranchNode a{};
    MakeBranch(a, NeedleShapeSemi, 2, 100.0f);
    BuildNeedles(a, 1.0f, 5.0f, &left);
    EXPECT_EQ(a.needleCount, 8);
    EXPECT_EQ(left, 2);
    BranchNode b{};
    MakeBranch(b, NeedleShapeSemi, 2, 100.0f);
    BuildNeedles(b, 1.0f, 5.0f, &left);
    EXPECT_EQ(b.needleCount, 0);
    EXPECT_EQ(b.needles, nullptr);
}

TEST(NeedleStations, FlatPairsShareTheirBaseOnTheCurve)
{
    for (int32_t level : {1, 2}) {
        BranchNode n{};
        MakeBranch(n, NeedleShapeFlat, level, 100.0f);
        n.end.x = 30.0f;  // a curved axis
        BuildNeedles(n, 9.0f, 5.0f);
        ASSERT_EQ(n.needleCount, 2 * 11);
        float lastT = 0.0f;
        for (int32_t i = 0; i < n.needleCount; i += 2) {
            const Needle& first = n.needles[i];
            const Needle& mirror = n.needles[i + 1];
            lastT = static_cast<float>(i + 1) / static_cast<float>(n.needleCount) *
                    (level == 1 ? 0.8f : 1.0f);
            TreeVec3 p = BezierPoint(n, lastT);
            EXPECT_EQ(std::memcmp(&first.base, &p, sizeof p), 0);
            EXPECT_EQ(std::memcmp(&mirror.base, &p, sizeof p), 0);
            EXPECT_EQ(first.tip.z, mirror.tip.z);
            EXPECT_NE(first.tip.x, mirror.tip.x);
            EXPECT_EQ(first.tangent.z, 0.0f);
            EXPECT_EQ(first.width, 3.0f);
        }
        // Tips keep the last fifth, where the bud swells, bare.
        EXPECT_LE(lastT, level == 1 ? 0.8f : 1.0f);
        EXPECT_GT(lastT, level == 1 ? 0.7f : 0.9f);
        // The first station hashes with sin(0): jitter -0.5, so the tips sit 0.5 * 0.4 * 10 below.
        EXPECT_FLOAT_EQ(n.needles[0].tip.z - n.needles[0].base.z, -2.0f);
    }
}

TEST(NeedleStations, SemiAndRoundFanOnAConeAlongTheBranch)
{
    for (uint8_t shape : {NeedleShapeSemi, NeedleShapeRound}) {
        const int per = shape == NeedleShapeSemi ? 4 : 6;
        BranchNode n{};
        MakeBranch(n, shape, 2, 100.0f);
        n.end = {40.0f, 90.0f, 10.0f};
        BuildNeedles(n, 30.0f, 5.0f);
        ASSERT_EQ(n.needleCount, 3 * per);
        for (int32_t i = 0; i < n.needleCount; i += per) {
            const float count = static_cast<float>(n.needleCount);
            TreeVec3 p = BezierPoint(n, static_cast<float>(i + 1) / count);
            TreeVec3 q = BezierPoint(n, static_cast<float>(i + 2) / count);
            const Needle* s = n.needles + i;
            float along0 = s[0].direction.x * s[0].tangent.x + s[0].direction.y * s[0].tangent.y;
            for (int j = 0; j < per; ++j) {
                EXPECT_NEAR(s[j].base.x, p.x + j * (q.x - p.x) / 6.0f, 1e-3f);
                EXPECT_NEAR(s[j].base.y, p.y + j * (q.y - p.y) / 6.0f, 1e-3f);
                float along = s[j].direction.x * s[j].tangent.x + s[j].direction.y * s[j].tangent.y;
                EXPECT_NEAR(along, along0, 1e-5f);  // the same cone about the tangent
                EXPECT_NEAR(s[j].tip.x, s[j].base.x + s[j].direction.x * 5.0f, 1e-4f);
            }
            if (shape == NeedleShapeSemi) {
                // 30 and 210 degrees, -30 and 150: two opposite pairs.
                EXPECT_NEAR(s[0].direction.z, -s[1].direction.z, 1e-5f);
                EXPECT_NEAR(s[2].direction.z, -s[3].direction.z, 1e-5f);
            }
        }
    }
}

using NeedleLean = TreeTest;

TEST_F(NeedleLean, DefaultWeightsByLevelWithoutTheWave)
{
    GrowSkeleton([](TreeInputs& in) {
        in.needleShape = NeedleShapeFlat;
        in.needleLift = 0.0f;
    });
    int checked = 0;
    ForEachBranch(tree->root, [&](const BranchNode& b) {
        float k = b.level > 3 ? 0.35f : 0.45f;
        for (int32_t i = 0; i < b.needleCount; i += 2) {
            EXPECT_NEAR(LeanWeight(b.needles[i]), k, 1e-5f);
            EXPECT_NEAR(LeanWeight(b.needles[i + 1]), -k, 1e-5f);
            ++checked;
        }
    });
    EXPECT_GT(checked, 100);
}

TEST_F(NeedleLean, WaveRaisesTheNeedlesNearItsPosition)
{
    TreeInputs in = DefaultInputs(1920.0f, 1);  // the wave on the trunk at 0.16
    in.needleShape = NeedleShapeFlat;
    in.needleLift = 0.5f;
    Build(in, false);
    const BranchNode& trunk = *tree->root;
    ASSERT_EQ(trunk.needleWave, 0.16f);
    float highest = 0.0f;
    for (int32_t i = 0; i < trunk.needleCount; i += 2) {
        float t = static_cast<float>(i + 1) / static_cast<float>(trunk.needleCount);
        float w = static_cast<float>(3.5 * static_cast<double>(t - 0.16f));
        w = std::fmin(std::fmax(1.0f - w * w, 0.0f), 1.0f) * 0.5f;
        EXPECT_NEAR(LeanWeight(trunk.needles[i]), 0.35f + w, 1e-5f) << t;
        highest = std::fmax(highest, w);
    }
    EXPECT_GT(highest, 0.4f);
}

TEST_F(NeedleLean, UngrownBranchesHaveZeroLengthNeedlesAndGrowingOnesShrink)
{
    GrowSkeleton([](TreeInputs& in) { in.growUp = 0.0f; });
    int needles = 0;
    ForEachBranch(tree->root, [&](const BranchNode& b) {
        EXPECT_EQ(b.needleLength, 0.0f);
        for (int32_t i = 0; i < b.needleCount; ++i, ++needles)
            EXPECT_EQ(std::memcmp(&b.needles[i].tip, &b.needles[i].base, sizeof(TreeVec3)), 0);
    });
    EXPECT_GT(needles, 0);

    const BranchNode& trunk = GrowSkeleton([](TreeInputs& in) { in.growUp = 60.0f; });
    const BranchNode& growing = *trunk.children[0]->children[0];
    ASSERT_LT(growing.growth, 1.0f);
    for (int32_t i = 0; i < growing.needleCount; i += 4) {
        float t = static_cast<float>(i + 1) / static_cast<float>(growing.needleCount) * 0.8f;
        float g = std::fmin(3.0f * (1.0f - t), 1.0f);
        EXPECT_FLOAT_EQ(growing.needles[i].width, growing.needleWidth * g);
    }
}

// Debug checks stop a debug build on a broken condition and are compiled out of release builds,
// which never evaluate the condition.
#include <gtest/gtest.h>

#include "engine/debug_checks.h"

namespace {

int evaluations = 0;
bool Counted(bool value)
{
    ++evaluations;
    return value;
}

} // namespace

#ifdef NDEBUG
TEST(DebugChecks, AReleaseBuildNeverEvaluatesTheCondition)
{
    evaluations = 0;
    VELMORA_DCHECK(Counted(false));
    EXPECT_EQ(evaluations, 0);
}
#else
TEST(DebugChecks, ADebugBuildStopsOnABrokenConditionNamingIt)
{
    evaluations = 0;
    VELMORA_DCHECK(Counted(true));
    EXPECT_EQ(evaluations, 1);
    EXPECT_DEATH(VELMORA_DCHECK(Counted(false)), "debug check failed: Counted\\(false\\)");
}
#endif

#include <gtest/gtest.h>

#include "compare/Tpairrules.h"

namespace {
constexpr std::int64_t F = TPairRules::FatTimeStep;
}  // namespace

TEST(FatTime, RoundsUpToTwoSeconds)
{
    EXPECT_EQ(TPairRules::RoundUpToFatTime(5 * F + 1), 6 * F);
    EXPECT_EQ(TPairRules::RoundUpToFatTime(6 * F), 6 * F);
    EXPECT_EQ(TPairRules::RoundUpToFatTime(1), F);
    EXPECT_EQ(TPairRules::RoundUpToFatTime(INT64_MAX - 5), INT64_MAX / F * F);  // saturates
    EXPECT_EQ(TPairRules::ResultOf(1, 0), TCompareResult::Modified);
    EXPECT_EQ(TPairRules::ResultOf(1, -5), TCompareResult::Modified);
    EXPECT_EQ(TPairRules::ResultOf(0, 3), TCompareResult::Ambiguous);
    EXPECT_EQ(TPairRules::ResultOf(-1, 3), TCompareResult::Ambiguous);
    EXPECT_EQ(TPairRules::ResultOf(-1, 0), TCompareResult::NotModified);
}

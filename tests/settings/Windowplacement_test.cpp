#include <gtest/gtest.h>

#include <limits>

#include "settings/Windowplacement.h"

namespace {
const TWindowRect Primary{0, 0, 1920, 1040};
const TWindowRect Second{1920, 0, 3200, 1024};
}  // namespace

TEST(PlaceOnScreens, AWindowOverlappingAnyScreenStaysAsStored)
{
    const TWindowRect partly{-300, -20, 100, 380};
    EXPECT_EQ(PlaceOnScreens(partly, {Primary}), partly);
    const TWindowRect onSecond{2500, 100, 3000, 500};
    EXPECT_EQ(PlaceOnScreens(onSecond, {Primary, Second}), onSecond);
    const TWindowRect huge{-5000, -5000, 5000, 5000};
    EXPECT_EQ(PlaceOnScreens(huge, {Primary}), huge);
}

TEST(PlaceOnScreens, AWindowOffEveryScreenMovesOntoThePrimaryOneAsNearAsFits)
{
    // The second monitor is gone.
    EXPECT_EQ(PlaceOnScreens({2500, 100, 3000, 500}, {Primary}), (TWindowRect{1420, 100, 1920, 500}));
    EXPECT_EQ(PlaceOnScreens({-900, -700, -400, -300}, {Primary, Second}), (TWindowRect{0, 0, 500, 400}));
    // Touching an edge is not overlapping it.
    EXPECT_EQ(PlaceOnScreens({100, 1040, 600, 1400}, {Primary}), (TWindowRect{100, 680, 600, 1040}));
    const TWindowRect secondOnly{5000, 5000, 5600, 5400};
    EXPECT_EQ(PlaceOnScreens(secondOnly, {Second, Primary}), (TWindowRect{2600, 624, 3200, 1024}));
}

TEST(PlaceOnScreens, ATooLargeOrSizelessWindowIsFittedIntoThePrimaryScreen)
{
    EXPECT_EQ(PlaceOnScreens({3000, 0, 7000, 2000}, {Primary}), Primary);
    EXPECT_EQ(PlaceOnScreens({500, 500, 500, 900}, {Primary}), (TWindowRect{500, 500, 500, 900}));
    EXPECT_EQ(PlaceOnScreens({600, 500, 400, 300}, {Primary}), (TWindowRect{600, 500, 600, 500}));
    constexpr auto low = std::numeric_limits<std::int32_t>::min();
    constexpr auto high = std::numeric_limits<std::int32_t>::max();
    EXPECT_EQ(PlaceOnScreens({high, high, low, low}, {Primary}), (TWindowRect{1920, 1040, 1920, 1040}));
    EXPECT_EQ(PlaceOnScreens({low, low, low + 10, low + 10}, {Primary}), (TWindowRect{0, 0, 10, 10}));
}

TEST(PlaceOnScreens, WithoutScreensTheWindowStays)
{
    const TWindowRect anywhere{9000, 9000, 9500, 9400};
    EXPECT_EQ(PlaceOnScreens(anywhere, {}), anywhere);
}

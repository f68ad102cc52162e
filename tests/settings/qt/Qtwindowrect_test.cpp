#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>

#include "settings/qt/Qtwindowrect.h"

TEST(QtWindowRect, RightAndBottomAreEdgesPlusSize)
{
    EXPECT_EQ(WindowRect(QRect(10, 20, 300, 200)), (TWindowRect{10, 20, 310, 220}));
    EXPECT_EQ(ToQRect({10, 20, 310, 220}), QRect(10, 20, 300, 200));
    EXPECT_EQ(ToQRect({10, 20, 5, 220}), QRect(10, 20, 0, 200));
}

TEST(QtWindowRect, AWindowOffThisDesktopComesOntoThePrimaryScreen)
{
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect placed = ToQRect(PlaceOnAvailableScreens({90000, 90000, 90300, 90200}));
    EXPECT_EQ(placed.size(), QSize(300, 200));
    EXPECT_TRUE(available.contains(placed));
    const TWindowRect visible = WindowRect(available.adjusted(10, 10, -10, -10));
    EXPECT_EQ(PlaceOnAvailableScreens(visible), visible);
}

#pragma once
// Window rectangles between Qt and the settings, and keeping a restored window on the screens
// this desktop has now.

#include <QRect>

#include "settings/Windowplacement.h"

TWindowRect WindowRect(const QRect& rect);
// Sizes beyond Qt's range are cut to it.
QRect ToQRect(const TWindowRect& rect);
// PlaceOnScreens with the available area of every screen, the primary one first.
TWindowRect PlaceOnAvailableScreens(const TWindowRect& window);

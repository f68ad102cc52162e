#include "settings/qt/Qtwindowrect.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <limits>

TWindowRect WindowRect(const QRect& rect)
{
    return {rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
}

QRect ToQRect(const TWindowRect& rect)
{
    const auto size = [](std::int64_t length) {
        return static_cast<int>(std::clamp<std::int64_t>(length, 0, std::numeric_limits<int>::max()));
    };
    return {rect.Left, rect.Top, size(rect.Width()), size(rect.Height())};
}

TWindowRect PlaceOnAvailableScreens(const TWindowRect& window)
{
    std::vector<TWindowRect> screens;
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary != nullptr)
        screens.push_back(WindowRect(primary->availableGeometry()));
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen != primary)
            screens.push_back(WindowRect(screen->availableGeometry()));
    return PlaceOnScreens(window, screens);
}

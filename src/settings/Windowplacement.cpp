#include "settings/Windowplacement.h"

#include <algorithm>
#include <utility>

namespace {
bool Overlap(const TWindowRect& a, const TWindowRect& b)
{
    return std::max(a.Left, b.Left) < std::min(a.Right, b.Right) &&
           std::max(a.Top, b.Top) < std::min(a.Bottom, b.Bottom);
}

// The start and length of a span of the given length placed inside low..high, moved as
// little as possible from start.
std::pair<std::int32_t, std::int32_t> FitSpan(std::int64_t start, std::int64_t length, std::int32_t low,
                                              std::int32_t high)
{
    const std::int64_t end = std::max(high, low);
    length = std::clamp<std::int64_t>(length, 0, end - low);
    start = std::clamp<std::int64_t>(start, low, end - length);
    return {static_cast<std::int32_t>(start), static_cast<std::int32_t>(start + length)};
}
}  // namespace

TWindowRect PlaceOnScreens(const TWindowRect& window, const std::vector<TWindowRect>& screens)
{
    if (screens.empty())
        return window;
    const bool visible =
        window.Width() > 0 && window.Height() > 0 &&
        std::any_of(screens.begin(), screens.end(), [&](const TWindowRect& screen) { return Overlap(window, screen); });
    if (visible)
        return window;
    const TWindowRect& primary = screens.front();
    const auto [left, right] = FitSpan(window.Left, window.Width(), primary.Left, primary.Right);
    const auto [top, bottom] = FitSpan(window.Top, window.Height(), primary.Top, primary.Bottom);
    return {left, top, right, bottom};
}

#pragma once
// Window rectangles in screen pixels, and the rule that keeps a restored window reachable.

#include <cstdint>
#include <vector>

// Right and Bottom are the left and top edges plus the width and height.
struct TWindowRect {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Right = 0;
    std::int32_t Bottom = 0;

    std::int64_t Width() const { return std::int64_t{Right} - Left; }
    std::int64_t Height() const { return std::int64_t{Bottom} - Top; }
    bool operator==(const TWindowRect&) const = default;
};

// The window as it is when it has a size and overlaps one of the screens. Otherwise it lies
// wholly off every screen (a monitor was unplugged, the file was edited) and is moved onto
// the first screen, the primary one: as near its old place as fits, cut to that screen's
// size where larger. Without screens the window stays as it is.
TWindowRect PlaceOnScreens(const TWindowRect& window, const std::vector<TWindowRect>& screens);

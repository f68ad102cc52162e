#pragma once
// The four view switches of the main window: toolbar, status bar, last position, topmost.

class TViewOptions {
public:
    TViewOptions() = default;
    TViewOptions(const TViewOptions&) = default;
    TViewOptions(TViewOptions&&) = default;
    TViewOptions& operator=(const TViewOptions&) = default;
    TViewOptions& operator=(TViewOptions&&) = default;
    virtual ~TViewOptions() = default;

    bool operator==(const TViewOptions&) const = default;

    bool ToolBar = true;
    bool StatusBar = true;
    // At the next start, restore the window's state, position and size and the column widths.
    bool LastPosition = false;
    bool TopMost = false;
};

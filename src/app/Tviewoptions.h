#pragma once
// The four view switches of the main window.

class TViewOptions {
public:
    TViewOptions() = default;
    TViewOptions(const TViewOptions&) = default;
    TViewOptions& operator=(const TViewOptions&) = default;
    virtual ~TViewOptions() = default;

    bool operator==(const TViewOptions&) const = default;

    bool ToolBar = true;
    bool StatusBar = true;
    // Restore the window's position, size and column widths at the next start.
    bool LastPosition = false;
    bool TopMost = false;
};

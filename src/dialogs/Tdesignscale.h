#pragma once
// Window sizes are designed in pixels at 120 dots per inch; this turns them into pixels of
// the screen a widget is on.

#include <QSize>

class QWidget;

class TDesignScale {
public:
    static constexpr int DesignDpi = 120;

    explicit TDesignScale(const QWidget* widget);

    int operator()(int designPixels) const;
    QSize operator()(int designWidth, int designHeight) const;

private:
    int Dpi;
};

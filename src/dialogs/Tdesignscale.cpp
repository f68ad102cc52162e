#include "dialogs/Tdesignscale.h"

#include <QWidget>

TDesignScale::TDesignScale(const QWidget* widget) : Dpi(widget->logicalDpiY()) {}

int TDesignScale::operator()(int designPixels) const { return (designPixels * Dpi + DesignDpi / 2) / DesignDpi; }

QSize TDesignScale::operator()(int designWidth, int designHeight) const
{
    return {(*this)(designWidth), (*this)(designHeight)};
}

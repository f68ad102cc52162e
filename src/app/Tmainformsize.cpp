#include "app/Tmainformsize.h"

#include <QScreen>
#include <QWidget>
#include <algorithm>

#include "dialogs/Tdesignscale.h"

QSize MainFormFirstSize(const QWidget& form, int widthForCaptions)
{
    // Designed as 488 by 377 pixels at 120 dots per inch for a font 15 pixels high; a screen
    // whose font is larger for its resolution gets a window that is larger to the same degree.
    const TDesignScale scale(&form);
    const double fontScale = form.fontMetrics().height() / 15.0;
    const int designWidth = std::max(scale(488), static_cast<int>(488 * fontScale));
    const int designHeight = std::max(scale(377), static_cast<int>(377 * fontScale));
    const int width = std::max(designWidth, widthForCaptions);
    QSize size(width, std::max(designHeight, width * 377 / 488));
    // The frame and the desktop's panels need their room too.
    if (const QScreen* shown = form.screen())
        size = size.boundedTo(shown->availableGeometry().size() * 9 / 10);
    return size;
}

#include "sys/qt/Modalrun.h"

#include <QApplication>
#include <QDialog>
#include <QMainWindow>

QWidget* FrontWindow()
{
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows)
        if (window->isVisible() && qobject_cast<QMainWindow*>(window) != nullptr)
            return window;
    return nullptr;
}

int RunModal(QDialog& dialog)
{
    const int result = dialog.exec();
    // Also when Qt believes the window active: the window system may have sent its
    // activation while the dialog still blocked the window, and Qt then dropped it.
    if (QWidget* front = FrontWindow())
        front->activateWindow();
    return result;
}

#include "sys/qt/Qtdesktop.h"

#include <QFile>
#include <QLayout>
#include <QMimeData>
#include <QScreen>
#include <QUrl>
#include <QWidget>
#include <algorithm>

#include "sys/Shellhelpers.h"
#include "sys/qt/Qtfilenames.h"

void BringToForeground(QWidget* widget)
{
    if (widget == nullptr)
        return;
    QWidget* window = widget->window();
    window->raise();
    window->activateWindow();
}

void CentreOnScreen(QWidget* window)
{
    if (window->layout() != nullptr)
        window->layout()->activate();
    const QRect area = window->screen()->availableGeometry();
    window->move(area.center() - QPoint(window->width() / 2, window->height() / 2));
}

bool CarriesLocalFiles(const QMimeData& data)
{
    const QList<QUrl> urls = data.urls();
    return std::any_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); });
}

std::vector<std::string> DroppedFileNames(const QMimeData& data)
{
    std::vector<std::string> names;
    for (const QUrl& url : data.urls()) {
        if (!url.isLocalFile())
            continue;
        const QString path = url.toLocalFile();
        if (!path.isEmpty())
            names.push_back(LongPathName(LocalFileName(path)));
    }
    return names;
}

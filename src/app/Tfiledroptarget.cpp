#include "app/Tfiledroptarget.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QWidget>

#include "sys/qt/Qtdesktop.h"

TFileDropTarget::TFileDropTarget(QWidget& window, TDropEvent onDrop) : QObject(&window), OnDrop(std::move(onDrop))
{
    window.setAcceptDrops(true);
    window.installEventFilter(this);
}

bool TFileDropTarget::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::DragEnter) {
        auto* enter = static_cast<QDragEnterEvent*>(event);
        if (CarriesLocalFiles(*enter->mimeData()))
            enter->acceptProposedAction();
        return true;
    }
    if (event->type() == QEvent::Drop) {
        auto* drop = static_cast<QDropEvent*>(event);
        std::vector<std::string> names = DroppedFileNames(*drop->mimeData());
        drop->acceptProposedAction();
        QMetaObject::invokeMethod(
            this, [this, names = std::move(names)] { OnDrop(names); }, Qt::QueuedConnection);
        return true;
    }
    return QObject::eventFilter(watched, event);
}

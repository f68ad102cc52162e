#pragma once
// Makes a window take files dropped on it from a file manager: it accepts a drag that carries
// local files and hands the dropped names on once the drop has returned, as the drag source
// waits for it and the dialogs that follow would hold it up.

#include <QObject>
#include <functional>
#include <string>
#include <vector>

class QWidget;

class TFileDropTarget : public QObject {
public:
    using TDropEvent = std::function<void(const std::vector<std::string>& names)>;

    // Watches the window's drag and drop events for as long as the window lives.
    TFileDropTarget(QWidget& window, TDropEvent onDrop);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TDropEvent OnDrop;
};

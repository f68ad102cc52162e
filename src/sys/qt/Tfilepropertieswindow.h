#pragma once
// The program's own properties window, for desktops whose file manager offers none: the
// facts of one file, read once when the window opens, shown read-only but selectable.

#include <QDialog>
#include <QFileDevice>
#include <string>

class QLineEdit;
class QPushButton;

class TFilePropertiesWindow : public QDialog {
    Q_OBJECT
public:
    // The window is not modal and deletes itself when closed.
    TFilePropertiesWindow(const std::string& path, QWidget* parent);

    QLineEdit* Edit1;  // name
    QLineEdit* Edit2;  // folder
    QLineEdit* Edit3;  // size
    QLineEdit* Edit4;  // modification time
    QLineEdit* Edit5;  // permissions
    QLineEdit* Edit6;  // owner and group
    QPushButton* Button1;

    // "rwxr-x---" followed by the octal mode, as a terminal user expects to read it.
    static QString PermissionText(QFileDevice::Permissions permissions);
};

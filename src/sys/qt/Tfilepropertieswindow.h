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

    // "rwxr-x---" followed by the octal mode, as a terminal user expects to read it.
    static QString PermissionText(QFileDevice::Permissions permissions);

private:
    // The object names are these role names too.
    QLineEdit* NameEdit;
    QLineEdit* FolderEdit;
    QLineEdit* SizeEdit;
    // The modification time.
    QLineEdit* TimeEdit;
    QLineEdit* PermissionsEdit;
    // The owner and group.
    QLineEdit* OwnerEdit;
    QPushButton* CloseButton;
};

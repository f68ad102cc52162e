#include "sys/qt/Tqtshell.h"

#include <QApplication>
#include <QClipboard>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QUrl>

#include "sys/Tfilesystem.h"
#include "sys/qt/Modalrun.h"
#include "sys/qt/Qtfilenames.h"
#include "sys/qt/Tfilepropertieswindow.h"

namespace {
// Activating a file manager that is not running yet takes a moment; a hung one must not
// freeze the program for long.
constexpr int FileManagerTimeoutMs = 5000;

// True when a file manager answered the call without an error.
bool AskFileManager(const QString& method, const std::string& path)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.FileManager1"),
                                                       QStringLiteral("/org/freedesktop/FileManager1"),
                                                       QStringLiteral("org.freedesktop.FileManager1"), method);
    call << QStringList{QUrl::fromLocalFile(QtFileName(path)).toString()} << QString();
    return bus.call(call, QDBus::Block, FileManagerTimeoutMs).type() == QDBusMessage::ReplyMessage;
}
}  // namespace

bool TQtShell::ShowProperties(const std::string& path)
{
    if (!QFileInfo::exists(QtFileName(path)))
        return false;
    if (AskFileManager(QStringLiteral("ShowItemProperties"), path))
        return true;
    auto* window = new TFilePropertiesWindow(path, QApplication::activeWindow());
    window->show();
    return true;
}

void TQtShell::ExploreFolder(const std::string& directory)
{
    if (!AskFileManager(QStringLiteral("ShowFolders"), directory))
        QDesktopServices::openUrl(QUrl::fromLocalFile(QtFileName(directory)));
}

bool TQtShell::OpenDocument(const std::string& path)
{
    // The desktop's opener starts detached and reports success even for a missing file.
    if (!QFileInfo::exists(QtFileName(path)))
        return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QtFileName(path)));
}

bool TQtShell::BrowseForFolder(const std::string& prompt, std::string& directory)
{
    const QString start = DirectoryExists(directory) ? QtFileName(directory) : QString();
    QFileDialog browser(FrontWindow(), QString::fromStdString(prompt), start);
    browser.setFileMode(QFileDialog::Directory);
    browser.setOption(QFileDialog::ShowDirsOnly);
    if (RunModal(browser) != QDialog::Accepted || browser.selectedFiles().isEmpty())
        return false;
    directory = LocalFileName(browser.selectedFiles().constFirst());
    return true;
}

void TQtShell::SetClipboardText(const std::string& text)
{
    QGuiApplication::clipboard()->setText(QString::fromStdString(text));
}

#include "app/Tapplication.h"

#include <utility>

#include "dialogs/Tmessenger.h"
#include "settings/qt/Toolkitsettings.h"

QIcon ApplicationIcon() { return QIcon(QStringLiteral(":/icons/vellumark.svg")); }

const std::string OwnershipNotice = "Copyright (C) The Vellumark developers. All rights reserved.";

std::string ExceptionBoxText(const std::string& message)
{
    std::string text = message;
    if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.'))
        text += '.';
    return text;
}

void ShowExceptionBox(TMessenger& messenger, std::exception_ptr error)
{
    std::string message;
    try {
        std::rethrow_exception(std::move(error));
    } catch (const std::exception& exception) {
        message = exception.what();
    } catch (...) {
    }
    messenger.ShowMessage(ApplicationTitle(), ExceptionBoxText(message), mkError, mbOK);
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) { KeepToolkitSettingsUnwritten(); }

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    if (Messenger == nullptr)
        return QApplication::notify(receiver, event);
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ShowExceptionBox(*Messenger, std::current_exception());
        return false;
    }
}

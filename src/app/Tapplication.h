#pragma once
// The desktop program's application object: an exception that escapes an event handler is
// shown in the standard error box, and the program goes on. Qt's dialogs leave no settings
// file of their own behind.

#include <QApplication>
#include <QIcon>
#include <exception>
#include <string>

class TMessenger;

// The program's own icon, for its windows and the About box.
QIcon ApplicationIcon();
// The last part of the About text.
extern const std::string OwnershipNotice;

// The text of the standard error box: the message, with "." appended when its last character
// has a code above that of "." (so "failed" gets one, "failed." and "failed!" do not).
std::string ExceptionBoxText(const std::string& message);
// The standard error box for an exception; one of any other kind than std::exception shows
// an empty message.
void ShowExceptionBox(TMessenger& messenger, std::exception_ptr error);

class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);

    // Where the error box goes; until set, an escaping exception goes on up.
    void SetMessenger(TMessenger* messenger) { Messenger = messenger; }
    bool notify(QObject* receiver, QEvent* event) override;

private:
    TMessenger* Messenger = nullptr;
};

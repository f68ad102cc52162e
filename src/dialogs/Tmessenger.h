#pragma once
// Every message box and question of the program goes through one TMessenger, which the
// windows are given: the desktop program's is TQtMessenger, the tests' a scripted one.
// Boxes are modal and always brought to the foreground. Texts are UTF-8; line breaks are
// written "\r\n" as everywhere in the program.

#include <cstdint>
#include <string>

#include "dialogs/Tmessagedialog.h"

enum TMessageButtons : std::int32_t { mbOK = 0, mbOKCancel = 1 };

class TMessenger {
public:
    virtual ~TMessenger() = default;

    // A standard message box with one of the platform's icons (mkWarning, mkError,
    // mkInformation, mkConfirmation) or none. True when it was answered with OK; a box with
    // only OK always answers true.
    virtual bool ShowMessage(const std::string& caption, const std::string& text, TMessageKind kind,
                             TMessageButtons buttons) = 0;
    // Runs a message dialog with caller-named buttons and returns its Result.
    virtual std::int32_t Execute(TMessageDialog& dialog) = 0;

    // The program's usual boxes, captioned with the application's title.
    // A failure: error icon, OK.
    void ShowError(const std::string& text);
    // A confirmation: warning icon, OK and Cancel; true on OK.
    bool Confirm(const std::string& text);
    // A question after a failure: error icon, OK and Cancel; true on OK.
    bool AskAfterFailure(const std::string& text);
};

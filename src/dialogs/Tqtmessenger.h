#pragma once
// The desktop program's messenger: Qt's standard message box for plain messages and
// TMessageDialog for caller-named buttons, each in front of the active window.

#include "dialogs/Tmessenger.h"

class TQtMessenger : public TMessenger {
public:
    bool ShowMessage(const std::string& caption, const std::string& text, TMessageKind kind,
                     TMessageButtons buttons) override;
    std::int32_t Execute(TMessageDialog& dialog) override;
};

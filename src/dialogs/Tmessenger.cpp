#include "dialogs/Tmessenger.h"

void TMessenger::ShowError(const std::string& text) { ShowMessage(ApplicationTitle(), text, mkError, mbOK); }

bool TMessenger::Confirm(const std::string& text)
{
    return ShowMessage(ApplicationTitle(), text, mkWarning, mbOKCancel);
}

bool TMessenger::AskAfterFailure(const std::string& text)
{
    return ShowMessage(ApplicationTitle(), text, mkError, mbOKCancel);
}

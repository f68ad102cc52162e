#include "support/Tscriptedmessenger.h"

#include <gtest/gtest.h>

#include <algorithm>

TScriptedMessenger::~TScriptedMessenger()
{
    if (!Answers.empty())
        ADD_FAILURE() << Answers.size() << " answer(s) queued for messages that never came";
}

void TScriptedMessenger::Answer(std::int32_t buttonIndex) { Answers.push_back(buttonIndex); }

std::vector<std::string> TScriptedMessenger::Texts() const
{
    std::vector<std::string> texts;
    for (const TShownMessage& message : Messages)
        texts.push_back(message.Text);
    return texts;
}

bool TScriptedMessenger::ShowMessage(const std::string& caption, const std::string& text, TMessageKind kind,
                                     TMessageButtons buttons)
{
    TShownMessage shown{caption, text, kind, {"OK"}, 0, 0};
    if (buttons == mbOKCancel) {
        shown.Buttons.push_back("Cancel");
        shown.CancelButton = 1;
    }
    Messages.push_back(shown);
    return NextAnswer(shown.CancelButton, shown.Buttons.size()) == 0;
}

std::int32_t TScriptedMessenger::Execute(TMessageDialog& dialog)
{
    Messages.push_back(
        {dialog.Caption, dialog.Text, dialog.Kind, dialog.Buttons, dialog.DefaultButton, dialog.CancelButton});
    dialog.Result = NextAnswer(dialog.CancelButton, std::min(dialog.Buttons.size(), TMessageDialog::MaxButtons));
    return dialog.Result;
}

std::int32_t TScriptedMessenger::NextAnswer(std::int32_t closeAnswer, std::size_t buttonCount)
{
    const TShownMessage& shown = Messages.back();
    if (Answers.empty()) {
        ADD_FAILURE() << "Unexpected message \"" << shown.Text << "\" (caption \"" << shown.Caption << "\")";
        return closeAnswer;
    }
    const std::int32_t answer = Answers.front();
    Answers.pop_front();
    const bool isButton = answer >= 0 && static_cast<std::size_t>(answer) < buttonCount;
    if (!isButton && answer != closeAnswer)
        ADD_FAILURE() << "Answer " << answer << " names no button of \"" << shown.Text << "\"";
    return answer;
}

#pragma once
// A messenger for tests: answers each message from a queue, in order, and records what was
// shown. A message that finds no answer waiting fails the test (and is answered as closed);
// answers left over when the messenger goes fail it too.

#include <deque>
#include <string>
#include <vector>

#include "dialogs/Tmessenger.h"

struct TShownMessage {
    std::string Caption;
    std::string Text;
    TMessageKind Kind = mkNone;
    // Plain boxes record {"OK"} or {"OK", "Cancel"}; message dialogs their captions.
    std::vector<std::string> Buttons;
    std::int32_t DefaultButton = -1;
    std::int32_t CancelButton = -1;
};

class TScriptedMessenger : public TMessenger {
public:
    ~TScriptedMessenger() override;

    // The index of the button the user will press for the next message: 0 for OK and 1 for
    // Cancel in a plain box. For a message dialog, CancelButton stands for Esc or the close box.
    void Answer(std::int32_t buttonIndex);
    void AnswerOk() { Answer(0); }
    void AnswerCancel() { Answer(1); }

    const std::vector<TShownMessage>& Shown() const { return Messages; }
    // The texts of the messages shown, in order.
    std::vector<std::string> Texts() const;

    bool ShowMessage(const std::string& caption, const std::string& text, TMessageKind kind,
                     TMessageButtons buttons) override;
    std::int32_t Execute(TMessageDialog& dialog) override;

private:
    // The queued answer for a message just recorded, or closeAnswer when none was queued.
    std::int32_t NextAnswer(std::int32_t closeAnswer, std::size_t buttonCount);

    std::deque<std::int32_t> Answers;
    std::vector<TShownMessage> Messages;
};

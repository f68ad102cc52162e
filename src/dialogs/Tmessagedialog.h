#pragma once
// A modal message box whose buttons the caller names (at most eleven), one of them the
// default and one the answer to Esc and to closing the window. Filled field by field, then
// executed; Execute returns the index of the chosen button.

#include <QDialog>
#include <QIcon>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class QLabel;
class QPushButton;

// The application's title, which captions the program's message boxes: the Qt application
// name, set to "Vellumark" when the program starts.
std::string ApplicationTitle();

// Which icon a message shows; stored as an integer, and any value outside 0 to 5 shows none.
enum TMessageKind : std::int32_t {
    mkWarning = 0,
    mkError = 1,
    mkInformation = 2,
    mkConfirmation = 3,
    mkNone = 4,
    mkCustomIcon = 5,  // the picture in Icon
};

// The platform's icon for a kind; a null icon for mkNone, mkCustomIcon and unknown kinds.
QIcon MessageKindIcon(TMessageKind kind);

// How wide a window must be for the window manager to show its whole caption: the caption in
// a bold face, with room for the window's icon and buttons beside it.
int CaptionWidth(const QWidget& window);

class TMessageDialog {
public:
    static constexpr std::size_t MaxButtons = 11;

    // Caption is the application's title at this moment.
    TMessageDialog();
    virtual ~TMessageDialog();

    // Shows the window modally, brought to the foreground, and returns Result: the index of
    // the button chosen, or CancelButton when the window was closed by Esc or its close box.
    // The close box is disabled while CancelButton is below 0, unless there is no button.
    std::int32_t Execute();

    std::string Caption;
    std::string Text;
    std::vector<std::string> Buttons;
    std::int32_t DefaultButton = -1;
    std::int32_t CancelButton = -1;
    TMessageKind Kind = mkNone;
    QIcon Icon;
    std::int32_t Result = -1;
};

// The window Execute runs, built from a dialog's fields; it ends with done(index chosen).
class TMessageWindow : public QDialog {
    Q_OBJECT
public:
    TMessageWindow(const TMessageDialog& dialog, QWidget* parent);

    // The chosen index after the window has ended; -1 before.
    std::int32_t Answer() const { return Chosen; }

    // One per answer, left to right; their object names are AnswerButton1 to AnswerButton11.
    const std::vector<QPushButton*>& AnswerButtons() const { return Answers; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Choose(std::int32_t index);

    std::int32_t CancelButton;
    bool EscapeAnswers;
    bool Closable;
    std::int32_t Chosen = -1;
    // The object names are these role names too.
    QLabel* IconLabel;
    QLabel* TextLabel;
    std::vector<QPushButton*> Answers;
};

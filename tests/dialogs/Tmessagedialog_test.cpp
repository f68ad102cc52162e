#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <memory>

#include "dialogs/Tmessagedialog.h"
#include "dialogs/Tqtmessenger.h"
#include "support/Hangguard.h"
#include "support/Modalwindows.h"
#include "support/Namedchild.h"

namespace {
TMessageDialog Question(std::int32_t defaultButton, std::int32_t cancelButton)
{
    TMessageDialog dialog;
    dialog.Text = "Set the item to which?";
    dialog.Buttons = {"&Source", "&Destination", "Cancel"};
    dialog.Kind = mkWarning;
    dialog.DefaultButton = defaultButton;
    dialog.CancelButton = cancelButton;
    return dialog;
}

std::unique_ptr<TMessageWindow> Shown(const TMessageDialog& dialog)
{
    auto window = std::make_unique<TMessageWindow>(dialog, nullptr);
    window->show();
    return window;
}

void Press(QWidget* widget, Qt::Key key) { QTest::keyClick(widget, key); }
}  // namespace

TEST(MessageDialog, EscAndTheCloseBoxAnswerWithTheCancelButton)
{
    auto escaped = Shown(Question(0, 2));
    EXPECT_TRUE(escaped->windowFlags().testFlag(Qt::WindowCloseButtonHint));
    Press(escaped.get(), Qt::Key_Escape);
    EXPECT_EQ(escaped->Answer(), 2);
    EXPECT_FALSE(escaped->isVisible());

    auto closed = Shown(Question(0, 2));
    EXPECT_TRUE(closed->close());
    EXPECT_EQ(closed->Answer(), 2);
}

TEST(MessageDialog, WithoutACancelButtonOnlyAButtonEndsIt)
{
    auto window = Shown(Question(0, -1));
    EXPECT_FALSE(window->windowFlags().testFlag(Qt::WindowCloseButtonHint));
    Press(window.get(), Qt::Key_Escape);
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->Answer(), -1);
    window->AnswerButtons()[1]->click();
    EXPECT_EQ(window->Answer(), 1);
    EXPECT_FALSE(window->isVisible());

    // A window without buttons can still be closed, rather than never.
    TMessageDialog empty;
    auto buttonless = Shown(empty);
    EXPECT_TRUE(buttonless->close());
    EXPECT_EQ(buttonless->Answer(), -1);
}

TEST(MessageDialog, TheDefaultButtonHoldsTheFocusAndAnswersEnter)
{
    auto second = Shown(Question(1, 2));
    ASSERT_EQ(second->focusWidget(), second->AnswerButtons()[1]);
    EXPECT_TRUE(second->AnswerButtons()[1]->isDefault());
    EXPECT_FALSE(second->AnswerButtons()[0]->isDefault());
    Press(second->focusWidget(), Qt::Key_Return);
    EXPECT_EQ(second->Answer(), 1);

    // An index that marks no button leaves the focus on the first one.
    for (std::int32_t index : {-1, 3}) {
        auto window = Shown(Question(index, 2));
        EXPECT_EQ(window->focusWidget(), window->AnswerButtons()[0]) << index;
    }
}

TEST(MessageDialog, ShowsAtMostElevenButtonsInOrderAndOfEqualWidth)
{
    TMessageDialog dialog;
    for (int i = 1; i <= 12; ++i)
        dialog.Buttons.push_back(i == 4 ? "A much longer caption" : "B" + std::to_string(i));
    // The twelfth caption has no button, but closing the window still answers with it.
    dialog.CancelButton = 11;
    auto window = Shown(dialog);
    ASSERT_EQ(window->AnswerButtons().size(), 11U);
    EXPECT_EQ(window->findChild<QPushButton*>(QStringLiteral("AnswerButton12")), nullptr);
    for (std::size_t i = 0; i < window->AnswerButtons().size(); ++i) {
        EXPECT_EQ(window->AnswerButtons()[i]->text().toStdString(), dialog.Buttons[i]);
        EXPECT_EQ(window->AnswerButtons()[i]->objectName(), QStringLiteral("AnswerButton%1").arg(i + 1));
        EXPECT_EQ(window->AnswerButtons()[i]->width(), window->AnswerButtons()[0]->width());
        if (i > 0) {
            EXPECT_GT(window->AnswerButtons()[i]->x(), window->AnswerButtons()[i - 1]->x());
        }
    }
    Press(window.get(), Qt::Key_Escape);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->close());
    EXPECT_EQ(window->Answer(), 11);
}

TEST(MessageDialog, ShowsTheIconOfItsKindAndItsTextAsPlainText)
{
    const auto iconShown = [](TMessageKind kind, const QIcon& icon = {}) {
        TMessageDialog dialog;
        dialog.Buttons = {"OK"};
        dialog.Kind = kind;
        dialog.Icon = icon;
        auto window = Shown(dialog);
        return NamedChild<QLabel>(*window, "IconLabel")->isVisible() &&
               !NamedChild<QLabel>(*window, "IconLabel")->pixmap().isNull();
    };
    EXPECT_TRUE(iconShown(mkWarning));
    EXPECT_TRUE(iconShown(mkError));
    EXPECT_TRUE(iconShown(mkInformation));
    EXPECT_TRUE(iconShown(mkConfirmation));
    EXPECT_FALSE(iconShown(mkNone));
    EXPECT_FALSE(iconShown(static_cast<TMessageKind>(9)));
    QPixmap picture(32, 32);
    picture.fill(Qt::darkCyan);
    EXPECT_TRUE(iconShown(mkCustomIcon, QIcon(picture)));
    EXPECT_FALSE(iconShown(mkCustomIcon));

    TMessageDialog dialog;
    dialog.Text = "<b>a.vmc</b>\r\n\r\nContinue?";
    dialog.Buttons = {"OK"};
    auto window = Shown(dialog);
    EXPECT_EQ(NamedChild<QLabel>(*window, "TextLabel")->textFormat(), Qt::PlainText);
    EXPECT_EQ(NamedChild<QLabel>(*window, "TextLabel")->text(), QStringLiteral("<b>a.vmc</b>\n\nContinue?"));
}

TEST(MessageDialog, ExecuteReturnsTheChosenIndexAndDestroysItsWindow)
{
    TMessageDialog dialog = Question(0, 2);
    EXPECT_EQ(dialog.Caption, "Vellumark");
    dialog.Caption = "About";
    QString caption;
    WhenModal([&](QWidget* modal) {
        caption = modal->windowTitle();
        auto* window = qobject_cast<TMessageWindow*>(modal);
        ASSERT_NE(window, nullptr);
        window->AnswerButtons()[1]->click();
    });
    EXPECT_EQ(dialog.Execute(), 1);
    EXPECT_EQ(dialog.Result, 1);
    EXPECT_EQ(caption, QStringLiteral("About"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (QWidget* window : QApplication::topLevelWidgets())
        EXPECT_EQ(qobject_cast<TMessageWindow*>(window), nullptr);

    // Closed by Esc, Execute answers with the cancel button.
    WhenModal([](QWidget* modal) { Press(modal, Qt::Key_Escape); });
    EXPECT_EQ(dialog.Execute(), 2);
}

TEST(QtMessenger, ShowsStandardBoxesWithTheApplicationTitleIconAndButtons)
{
    TQtMessenger messenger;
    struct TSeen {
        QString Title, Text;
        QMessageBox::Icon Icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons Buttons;
    } seen;
    const auto look = [&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        seen = {box->windowTitle(), box->text(), box->icon(), box->standardButtons()};
        Press(box, Qt::Key_Escape);
    };

    WhenModal(look);
    EXPECT_FALSE(messenger.Confirm("Clear the list?"));
    EXPECT_EQ(seen.Title, QStringLiteral("Vellumark"));
    EXPECT_EQ(seen.Icon, QMessageBox::Warning);
    EXPECT_EQ(seen.Buttons, QMessageBox::Ok | QMessageBox::Cancel);

    WhenModal(look);
    EXPECT_FALSE(messenger.AskAfterFailure("The progream does not support the file: a\r\n\r\nContinue?"));
    EXPECT_EQ(seen.Icon, QMessageBox::Critical);
    EXPECT_EQ(seen.Text, QStringLiteral("The progream does not support the file: a\n\nContinue?"));

    // A box with only OK answers OK, however it is closed.
    WhenModal(look);
    EXPECT_TRUE(messenger.ShowMessage("Size Remainders", "+1,234", mkInformation, mbOK));
    EXPECT_EQ(seen.Title, QStringLiteral("Size Remainders"));
    EXPECT_EQ(seen.Icon, QMessageBox::Information);
    EXPECT_EQ(seen.Buttons, QMessageBox::Ok);

    WhenModal([](QWidget* modal) { qobject_cast<QMessageBox*>(modal)->button(QMessageBox::Ok)->click(); });
    EXPECT_TRUE(messenger.Confirm("Open the help document?"));
}

TEST(QtMessenger, BoxesFitTheirCaptionsAndHandTheActivationBack)
{
    QMainWindow window;
    auto* edit = new QLineEdit(&window);
    window.setCentralWidget(edit);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    edit->setFocus();
    TQtMessenger messenger;
    const auto fitsCaptionAfterLosingTheActivation = [&](QWidget* modal) {
        EXPECT_GE(modal->width(), CaptionWidth(*modal)) << modal->windowTitle().toStdString();
        EXPECT_EQ(modal->parentWidget(), &window);
        // As when the box closes before the window manager has activated it: Qt hears of
        // no active window, and the main window's activation comes while the box blocks it.
        QApplication::setActiveWindow(nullptr);
        Press(modal, Qt::Key_Escape);
    };
    const auto activeWithItsFocus = [&] {
        return QTest::qWaitFor(
            [&] { return QApplication::activeWindow() == &window && QApplication::focusWidget() == edit; },
            HangGuardMilliseconds);
    };

    WhenModal(fitsCaptionAfterLosingTheActivation);
    messenger.ShowMessage("Size Remainders", "Selected: 1 items\r\nSum: 2 bytes", mkInformation, mbOK);
    EXPECT_TRUE(activeWithItsFocus()) << "after a plain box";

    WhenModal(fitsCaptionAfterLosingTheActivation);
    messenger.ShowError("Set one item.");
    EXPECT_TRUE(activeWithItsFocus()) << "after a short box";

    TMessageDialog about;
    about.Caption = "About Vellumark and its ownership";
    about.Text = "1.0";
    about.Buttons = {"OK"};
    about.CancelButton = 0;
    WhenModal(fitsCaptionAfterLosingTheActivation);
    messenger.Execute(about);
    EXPECT_TRUE(activeWithItsFocus()) << "after a message dialog";
}

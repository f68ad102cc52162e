#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include "compare/Tcompareloader.h"
#include "dialogs/Tcomparedialog.h"
#include "support/Namedchild.h"
#include "support/Resizabledialog.h"
#include "support/Shelllinkimage.h"
#include "support/Tscriptedmessenger.h"
#include "support/Ttreefixture.h"

namespace {
struct TSelectRequest {
    std::string Proposal;
    TSelectFileKind Kind;
};
struct TFileAccess {
    std::string Name;
    TFileAccessKind Kind;
};

std::string TextOf(const QLineEdit* edit) { return edit->text().toStdString(); }
void Type(QLineEdit* edit, const std::string& text) { edit->setText(QString::fromStdString(text)); }

class CompareDialog : public ::testing::Test {
protected:
    CompareDialog()
    {
        Tree.CreateDirectory("Source");
        Tree.CreateDirectory("Destination");
        Dialog.OnSelectFile = [this](TCompareDialog* sender, std::string& name, bool& result, TSelectFileKind kind) {
            EXPECT_EQ(sender, &Dialog);
            EXPECT_FALSE(result);
            Requests.push_back({name, kind});
            if (Choices.empty())
                return;
            name = Choices.front();
            Choices.erase(Choices.begin());
            result = true;
        };
        Dialog.OnFileAccess = [this](TCompareDialog* sender, const std::string& name, TFileAccessKind kind) {
            EXPECT_EQ(sender, &Dialog);
            Accesses.push_back({name, kind});
        };
    }

    // The dialog on screen, activated, as the user sees it after Execute showed it.
    void Show()
    {
        Dialog.show();
        QCoreApplication::processEvents();
    }

    // Runs Execute; act works on the dialog from inside its loop once it is active, and must
    // close it.
    bool Execute(const std::string& name, const std::function<void()>& act)
    {
        QTimer::singleShot(10, &Dialog, [this, act] {
            QCoreApplication::processEvents();
            act();
            if (Dialog.isVisible()) {
                ADD_FAILURE() << "The compare dialog stayed open";
                Dialog.hide();
            }
        });
        return Dialog.Execute(name);
    }

    TCompareOptions ValidOptions() const
    {
        TCompareOptions options;
        options.SrcDir = Tree.Path("Source");
        options.DstDir = Tree.Path("Destination");
        return options;
    }

    std::string WriteCompareFile(const std::string& relative, const TCompareOptions& options)
    {
        TCompareLoader loader;
        loader.Options = options;
        loader.SaveToFile(Tree.Path(relative));
        return Tree.Path(relative);
    }

    void Drop(const std::vector<QUrl>& urls)
    {
        QMimeData data;
        data.setUrls(QList<QUrl>(urls.begin(), urls.end()));
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&Dialog, &enter);
        QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&Dialog, &drop);
    }
    void Drop(const std::vector<std::string>& names)
    {
        std::vector<QUrl> urls;
        for (const std::string& name : names)
            urls.push_back(QUrl::fromLocalFile(QString::fromStdString(name)));
        Drop(urls);
    }

    // The last message shown must be this error box.
    void ExpectError(const std::string& text)
    {
        ASSERT_FALSE(Messenger.Shown().empty());
        const TShownMessage& shown = Messenger.Shown().back();
        EXPECT_EQ(shown.Text, text);
        EXPECT_EQ(shown.Caption, "Vellumark");
        EXPECT_EQ(shown.Kind, mkError);
        EXPECT_EQ(shown.Buttons, std::vector<std::string>{"OK"});
    }

    // The focus is in the edit and its whole text is selected.
    void ExpectActivated(QLineEdit* edit)
    {
        EXPECT_EQ(Dialog.focusWidget(), edit) << "focus in " << Dialog.focusWidget()->objectName().toStdString();
        EXPECT_EQ(edit->selectedText(), edit->text());
    }

    TTreeFixture Tree;
    TScriptedMessenger Messenger;
    TCompareDialog Dialog{Messenger};
    // The controls, found as a user finds them.
    QLineEdit* const SourceEdit = NamedChild<QLineEdit>(Dialog, "SourceEdit");
    QLineEdit* const DestinationEdit = NamedChild<QLineEdit>(Dialog, "DestinationEdit");
    QLineEdit* const IncludeEdit = NamedChild<QLineEdit>(Dialog, "IncludeEdit");
    QLineEdit* const ExcludeEdit = NamedChild<QLineEdit>(Dialog, "ExcludeEdit");
    QPushButton* const SourceBrowseButton = NamedChild<QPushButton>(Dialog, "SourceBrowseButton");
    QPushButton* const DestinationBrowseButton = NamedChild<QPushButton>(Dialog, "DestinationBrowseButton");
    QCheckBox* const IncludeCheckBox = NamedChild<QCheckBox>(Dialog, "IncludeCheckBox");
    QCheckBox* const ExcludeCheckBox = NamedChild<QCheckBox>(Dialog, "ExcludeCheckBox");
    QCheckBox* const SubdirectoriesCheckBox = NamedChild<QCheckBox>(Dialog, "SubdirectoriesCheckBox");
    QCheckBox* const FatPrecisionCheckBox = NamedChild<QCheckBox>(Dialog, "FatPrecisionCheckBox");
    QCheckBox* const HourShiftCheckBox = NamedChild<QCheckBox>(Dialog, "HourShiftCheckBox");
    QCheckBox* const ContentsCheckBox = NamedChild<QCheckBox>(Dialog, "ContentsCheckBox");
    QCheckBox* const NotModifiedCheckBox = NamedChild<QCheckBox>(Dialog, "NotModifiedCheckBox");
    QCheckBox* const DestinationOnlyCheckBox = NamedChild<QCheckBox>(Dialog, "DestinationOnlyCheckBox");
    QPushButton* const OkButton = NamedChild<QPushButton>(Dialog, "OkButton");
    QPushButton* const CancelButton = NamedChild<QPushButton>(Dialog, "CancelButton");
    QPushButton* const ImportButton = NamedChild<QPushButton>(Dialog, "ImportButton");
    QPushButton* const ExportButton = NamedChild<QPushButton>(Dialog, "ExportButton");
    QPushButton* const SwapButton = NamedChild<QPushButton>(Dialog, "SwapButton");
    QPushButton* const ResetButton = NamedChild<QPushButton>(Dialog, "ResetButton");
    std::vector<std::string> Choices;
    std::vector<TSelectRequest> Requests;
    std::vector<TFileAccess> Accesses;
};
}  // namespace

TEST_F(CompareDialog, OkChecksTheControlsInOrderAndFocusesTheFirstFailure)
{
    Show();
    Type(SourceEdit, Tree.Path("Missing"));
    Messenger.AnswerOk();
    OkButton->click();
    ExpectError("Set an exinsting directory.");
    ExpectActivated(SourceEdit);

    Type(SourceEdit, Tree.Path("Source"));
    Messenger.AnswerOk();
    OkButton->click();
    ExpectError("Set an exinsting directory.");
    ExpectActivated(DestinationEdit);

    Type(DestinationEdit, Tree.Path("Source"));
    Messenger.AnswerOk();
    OkButton->click();
    ExpectError("Set different directories.");
    ExpectActivated(SourceEdit);

    Type(DestinationEdit, Tree.Path("Destination"));
    IncludeCheckBox->click();
    IncludeEdit->clear();
    ExcludeCheckBox->click();
    ExcludeEdit->clear();
    Messenger.AnswerOk();
    OkButton->click();
    ExpectError("Set masks.");
    ExpectActivated(IncludeEdit);

    Type(IncludeEdit, " ");
    Messenger.AnswerOk();
    OkButton->click();
    ExpectError("Set masks.");
    ExpectActivated(ExcludeEdit);

    EXPECT_TRUE(Dialog.isVisible());
    EXPECT_EQ(Dialog.Options(), TCompareOptions());
}

TEST_F(CompareDialog, OkCommitsEveryControlAsTypedAlsoTheMasksOfSwitchesThatAreOff)
{
    Show();
    Type(SourceEdit, Tree.Path("Source"));
    // With and without a trailing delimiter the texts differ, so they pass as different.
    Type(DestinationEdit, Tree.Path("Source") + "/");
    IncludeCheckBox->click();
    Type(IncludeEdit, " *.cpp;*.h");
    IncludeCheckBox->click();
    EXPECT_FALSE(IncludeEdit->isEnabled());
    Type(ExcludeEdit, "*.o");
    SubdirectoriesCheckBox->click();
    FatPrecisionCheckBox->click();
    HourShiftCheckBox->click();
    ContentsCheckBox->click();
    NotModifiedCheckBox->click();
    DestinationOnlyCheckBox->click();
    OkButton->click();

    EXPECT_FALSE(Dialog.isVisible());
    EXPECT_EQ(Dialog.result(), QDialog::Accepted);
    TCompareOptions expected;
    expected.SrcDir = Tree.Path("Source");
    expected.DstDir = Tree.Path("Source") + "/";
    expected.IncludeMasks = " *.cpp;*.h";
    expected.ExcludeMasks = "*.o";
    expected.IncludeSubDirs = false;
    expected.FatPrecision = false;
    expected.IgnoreHourShift = true;
    expected.CompareContents = true;
    expected.ShowNotModified = true;
    expected.ShowDestinationOnly = true;
    EXPECT_EQ(Dialog.Options(), expected);
    EXPECT_EQ(IncludeEdit->text(), QStringLiteral(" *.cpp;*.h"));
}

TEST_F(CompareDialog, CancelPutsTheOptionsBackAsTheyWereWhenShownButKeepsTheHistory)
{
    Dialog.SetOptions(ValidOptions());
    TCompareOptions imported = ValidOptions();
    imported.ShowNotModified = true;
    const std::string compareFile = WriteCompareFile("Imported.vmc", imported);
    const bool confirmed = Execute("", [&] {
        EXPECT_TRUE(Dialog.ImportFile(compareFile));
        EXPECT_EQ(Dialog.Options(), imported);
        Type(SourceEdit, "typed");
        QTest::keyClick(&Dialog, Qt::Key_Escape);
    });
    EXPECT_FALSE(confirmed);
    EXPECT_EQ(Dialog.Options(), ValidOptions());
    ASSERT_EQ(Accesses.size(), 1U);
    EXPECT_EQ(Accesses[0].Name, compareFile);
    EXPECT_EQ(Accesses[0].Kind, akImported);

    // The next showing starts from the options, not from what was typed.
    std::string shownSource;
    Execute("", [&] {
        shownSource = TextOf(SourceEdit);
        CancelButton->click();
    });
    EXPECT_EQ(shownSource, Tree.Path("Source"));
}

TEST_F(CompareDialog, SwapExchangesTheTextsAndReselectsTheFocusedEdit)
{
    Dialog.SetOptions(ValidOptions());
    Show();
    DestinationEdit->setFocus();
    DestinationEdit->setSelection(0, 2);
    SwapButton->click();
    EXPECT_EQ(TextOf(SourceEdit), Tree.Path("Destination"));
    EXPECT_EQ(TextOf(DestinationEdit), Tree.Path("Source"));
    ExpectActivated(DestinationEdit);
    EXPECT_EQ(Dialog.Options(), ValidOptions());
}

TEST_F(CompareDialog, ResetDiscardsTypingEvenWhenTheOptionsAreTheDefaults)
{
    Show();
    Type(SourceEdit, "typed");
    ExcludeCheckBox->click();
    ExcludeEdit->setFocus();
    ResetButton->click();
    EXPECT_EQ(TextOf(SourceEdit), "");
    EXPECT_FALSE(ExcludeCheckBox->isChecked());
    EXPECT_FALSE(ExcludeEdit->isEnabled());

    // Options handed over that equal the current ones leave typing alone; others replace it.
    Type(SourceEdit, "typed");
    Dialog.SetOptions(TCompareOptions());
    EXPECT_EQ(TextOf(SourceEdit), "typed");
    Dialog.SetOptions(ValidOptions());
    EXPECT_EQ(TextOf(SourceEdit), Tree.Path("Source"));
    DestinationEdit->setFocus();
    ResetButton->click();
    EXPECT_EQ(Dialog.Options(), TCompareOptions());
    EXPECT_EQ(TextOf(DestinationEdit), "");
    ExpectActivated(DestinationEdit);
}

TEST_F(CompareDialog, BrowseProposesTheEditsTextAndTakesTheChoice)
{
    Show();
    Type(DestinationEdit, "/proposed");
    Choices = {Tree.Path("Destination")};
    DestinationBrowseButton->click();
    ASSERT_EQ(Requests.size(), 1U);
    EXPECT_EQ(Requests[0].Proposal, "/proposed");
    EXPECT_EQ(Requests[0].Kind, skDestination);
    EXPECT_EQ(TextOf(DestinationEdit), Tree.Path("Destination"));
    ExpectActivated(DestinationEdit);

    Type(SourceEdit, "kept");
    SourceBrowseButton->click();
    EXPECT_EQ(Requests.back().Kind, skSource);
    EXPECT_EQ(TextOf(SourceEdit), "kept");

    // Without a handler there is no choice.
    Dialog.OnSelectFile = nullptr;
    SourceBrowseButton->click();
    EXPECT_EQ(TextOf(SourceEdit), "kept");
}

TEST_F(CompareDialog, ImportTakesSupportedFilesAndAsksAboutOthers)
{
    Show();
    TCompareOptions stored = ValidOptions();
    stored.UseExcludeMasks = true;
    stored.ExcludeMasks = "*.bak";
    Choices = {WriteCompareFile("Stored.vmc", stored)};
    ImportButton->click();
    ASSERT_EQ(Requests.size(), 1U);
    EXPECT_EQ(Requests[0].Proposal, "");
    EXPECT_EQ(Requests[0].Kind, skImport);
    EXPECT_EQ(Dialog.Options(), stored);
    EXPECT_EQ(TextOf(ExcludeEdit), "*.bak");
    EXPECT_TRUE(ExcludeEdit->isEnabled());
    ASSERT_EQ(Accesses.size(), 1U);
    EXPECT_EQ(Accesses[0].Kind, akImported);

    Tree.CreateFile("Other.vmc", "[About]\r\nFileType=Other\r\n[Options]\r\nSrcDir=/elsewhere\r\n");
    const std::string other = Tree.Path("Other.vmc");
    const std::string question = "The progream does not support the file: " + other + "\r\n\r\nContinue?";
    Messenger.AnswerCancel();
    EXPECT_FALSE(Dialog.ImportFile(other));
    ASSERT_EQ(Messenger.Shown().size(), 1U);
    EXPECT_EQ(Messenger.Shown()[0].Text, question);
    EXPECT_EQ(Messenger.Shown()[0].Kind, mkError);
    EXPECT_EQ(Messenger.Shown()[0].Buttons, (std::vector<std::string>{"OK", "Cancel"}));
    EXPECT_EQ(Dialog.Options(), stored);
    EXPECT_EQ(Accesses.size(), 1U);

    Messenger.AnswerOk();
    EXPECT_TRUE(Dialog.ImportFile(other));
    EXPECT_EQ(Dialog.Options().SrcDir, "/elsewhere");
    EXPECT_EQ(Dialog.Options().ExcludeMasks, "*");
    ASSERT_EQ(Accesses.size(), 2U);
    EXPECT_EQ(Accesses[1].Name, other);
}

TEST_F(CompareDialog, AnImportThatCannotReadChangesNothing)
{
    Dialog.SetOptions(ValidOptions());
    Show();
    Tree.CreateDirectory("Folder.vmc");
    Messenger.AnswerOk();
    EXPECT_FALSE(Dialog.ImportFile(Tree.Path("Folder.vmc")));
    ExpectError("The program cannot load data from the file: " + Tree.Path("Folder.vmc"));
    EXPECT_EQ(Dialog.Options(), ValidOptions());
    EXPECT_TRUE(Accesses.empty());
}

TEST_F(CompareDialog, ExportValidatesFirstThenWritesTheOptionsToTheChosenFile)
{
    Show();
    Messenger.AnswerOk();
    ExportButton->click();
    ExpectError("Set an exinsting directory.");
    EXPECT_TRUE(Requests.empty());

    Type(SourceEdit, Tree.Path("Source"));
    Type(DestinationEdit, Tree.Path("Destination"));
    Choices = {Tree.Path("Saved.vmc")};
    ExportButton->click();
    ASSERT_EQ(Requests.size(), 1U);
    EXPECT_EQ(Requests[0].Proposal, "Untitled.vmc");
    EXPECT_EQ(Requests[0].Kind, skExport);
    TCompareLoader saved;
    saved.LoadFromFile(Tree.Path("Saved.vmc"));
    EXPECT_TRUE(saved.IsSupported());
    EXPECT_EQ(saved.Options, ValidOptions());
    EXPECT_EQ(Dialog.Options(), ValidOptions());
    ASSERT_EQ(Accesses.size(), 1U);
    EXPECT_EQ(Accesses[0].Name, Tree.Path("Saved.vmc"));
    EXPECT_EQ(Accesses[0].Kind, akExported);

    const std::string unwritable = Tree.Path("Missing/Saved.vmc");
    Messenger.AnswerOk();
    EXPECT_FALSE(Dialog.ExportFile(unwritable));
    ExpectError("The program cannot save data to the file: " + unwritable);
    EXPECT_EQ(Accesses.size(), 1U);
}

TEST_F(CompareDialog, ADroppedFolderIsOfferedForSourceOrDestination)
{
    Show();
    Messenger.Answer(1);
    Drop(std::vector<std::string>{Tree.Path("Destination")});
    ASSERT_EQ(Messenger.Shown().size(), 1U);
    const TShownMessage& question = Messenger.Shown()[0];
    EXPECT_EQ(question.Caption, "Vellumark");
    EXPECT_EQ(question.Text, "Set the item to which?");
    EXPECT_EQ(question.Buttons, (std::vector<std::string>{"&Source", "&Destination", "Cancel"}));
    EXPECT_EQ(question.Kind, mkWarning);
    EXPECT_EQ(question.DefaultButton, 0);
    EXPECT_EQ(question.CancelButton, 2);
    EXPECT_EQ(TextOf(DestinationEdit), Tree.Path("Destination"));
    ExpectActivated(DestinationEdit);

    // Cancel, Esc or the close box: nothing changes. A missing name is offered as well.
    Messenger.Answer(2);
    Drop(std::vector<std::string>{Tree.Path("Nowhere")});
    EXPECT_EQ(TextOf(SourceEdit), "");
    EXPECT_EQ(TextOf(DestinationEdit), Tree.Path("Destination"));
}

TEST_F(CompareDialog, DroppedShortcutsOfferTheirTargets)
{
    Show();
    Tree.CreateFile("Source.LNK", ShellLinkImage::LinkTo(Tree.Path("Source")).Bytes());
    Tree.CreateFile("Destination.desktop",
                    "[Desktop Entry]\nType=Link\nURL=" +
                        QUrl::fromLocalFile(QString::fromStdString(Tree.Path("Destination"))).toString().toStdString() +
                        "\n");
    Messenger.Answer(0);
    Drop(std::vector<std::string>{Tree.Path("Source.LNK")});
    EXPECT_EQ(TextOf(SourceEdit), Tree.Path("Source"));
    Messenger.Answer(1);
    Drop(std::vector<std::string>{Tree.Path("Destination.desktop")});
    EXPECT_EQ(TextOf(DestinationEdit), Tree.Path("Destination"));
    EXPECT_EQ(Messenger.Texts(), (std::vector<std::string>{"Set the item to which?", "Set the item to which?"}));
    EXPECT_TRUE(Accesses.empty());
}

TEST_F(CompareDialog, ADroppedCompareFileIsImportedAtOnce)
{
    Show();
    const std::string compareFile = WriteCompareFile("Dropped.vmc", ValidOptions());
    Drop(std::vector<std::string>{compareFile});
    EXPECT_TRUE(Messenger.Shown().empty());
    EXPECT_EQ(Dialog.Options(), ValidOptions());
    EXPECT_EQ(TextOf(SourceEdit), Tree.Path("Source"));
    ASSERT_EQ(Accesses.size(), 1U);
    EXPECT_EQ(Accesses[0].Name, compareFile);
}

TEST_F(CompareDialog, DropsOfOtherThanOneLocalItemAreRefused)
{
    Show();
    Messenger.AnswerOk();
    Drop(std::vector<std::string>{Tree.Path("Source"), Tree.Path("Destination")});
    ExpectError("Set one item.");
    EXPECT_EQ(Messenger.Shown().size(), 1U);
    EXPECT_EQ(TextOf(SourceEdit), "");
    EXPECT_EQ(TextOf(DestinationEdit), "");

    // Links to places outside the local file system are no items at all.
    Drop(std::vector<QUrl>{QUrl(QStringLiteral("https://example.org/a.vmc"))});
    EXPECT_EQ(Messenger.Shown().size(), 1U);
    QMimeData remote;
    remote.setUrls({QUrl(QStringLiteral("https://example.org/a.vmc"))});
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &remote, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&Dialog, &enter);
    EXPECT_FALSE(enter.isAccepted());
}

TEST_F(CompareDialog, APendingItemIsHandledOnShowingAndTheFocusEndsInTheSource)
{
    bool destinationSet = false;
    QWidget* focused = nullptr;
    Messenger.Answer(1);
    const bool confirmed = Execute(Tree.Path("Destination"), [&] {
        destinationSet = TextOf(DestinationEdit) == Tree.Path("Destination");
        focused = Dialog.focusWidget();
        CancelButton->click();
    });
    EXPECT_FALSE(confirmed);
    EXPECT_TRUE(destinationSet);
    EXPECT_EQ(focused, SourceEdit);
    EXPECT_EQ(Dialog.PendingItem(), "");

    // A pending compare file is imported, and OK then takes it.
    const std::string compareFile = WriteCompareFile("Pending.vmc", ValidOptions());
    EXPECT_TRUE(Execute(compareFile, [&] { OkButton->click(); }));
    EXPECT_EQ(Dialog.Options(), ValidOptions());
    EXPECT_EQ(Accesses.size(), 1U);
}

// Typed into whatever has the focus, as the user types: F2, the roots, Enter; F2, Tab, Space on
// "...", Esc on the folder browser, Esc; then Enter must be OK, also after Cancel was clicked.
TEST_F(CompareDialog, EnterIsOkAtEveryShowingWhateverButtonHadTheFocusBefore)
{
    const auto press = [](Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); };
    EXPECT_TRUE(Execute("", [&] {
        QTest::keyClicks(QApplication::focusWidget(), QString::fromStdString(Tree.Path("Source")));
        press(Qt::Key_Tab);
        press(Qt::Key_Tab);
        QTest::keyClicks(QApplication::focusWidget(), QString::fromStdString(Tree.Path("Destination")));
        press(Qt::Key_Return);
    }));
    EXPECT_EQ(Dialog.Options(), ValidOptions());
    EXPECT_FALSE(Execute("", [&] {
        press(Qt::Key_Tab);
        press(Qt::Key_Space);
        press(Qt::Key_Escape);
    }));
    ASSERT_EQ(Requests.size(), 1U) << "Space on the browse button asks for a folder";
    EXPECT_TRUE(Execute("", [&] { press(Qt::Key_Return); }));
    EXPECT_EQ(Requests.size(), 1U) << "Enter browsed again";

    EXPECT_FALSE(Execute("", [&] { QTest::mouseClick(CancelButton, Qt::LeftButton); }));
    EXPECT_TRUE(Execute("", [&] { press(Qt::Key_Return); }));
    EXPECT_TRUE(Execute("", [&] {
        EXPECT_EQ(QApplication::focusWidget(), SourceEdit);
        EXPECT_TRUE(OkButton->isDefault());
        press(Qt::Key_Return);
    }));
    // Alt+P checks "Compare contents" and leaves the focus there, where Enter is still OK.
    EXPECT_TRUE(Execute("", [&] {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_P, Qt::AltModifier);
        EXPECT_EQ(QApplication::focusWidget(), ContentsCheckBox);
        // A mnemonic clicks the way a hand does, after the button was seen down.
        QTRY_VERIFY(ContentsCheckBox->isChecked());
        press(Qt::Key_Return);
    }));
    EXPECT_TRUE(Dialog.Options().CompareContents);
}

TEST_F(CompareDialog, GrowsWithTheUserAndKeepsTheSizeFromOneShowingToTheNext)
{
    Show();
    const QSize grown = Dialog.size() + QSize(300, 200);
    ExpectRoomGoesTo(Dialog, *SourceEdit, *OkButton, false, QSize(300, 200));
    EXPECT_EQ(DestinationEdit->width(), SourceEdit->width());
    Dialog.hide();
    QSize shown;
    Execute("", [&] {
        shown = Dialog.size();
        CancelButton->click();
    });
    EXPECT_EQ(shown, grown);
}

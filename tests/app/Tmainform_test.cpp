#include <gtest/gtest.h>

#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>
#include <QWindow>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "app/Programversion.h"
#include "app/Tapplicationforms.h"
#include "app/Tmainform.h"
#include "app/Tmainformfixture.h"
#include "app/Tprogramfiles.h"
#include "dialogs/Tprogressdialog.h"
#include "support/Hangguard.h"
#include "support/Namedchild.h"
#include "support/Trecordingshell.h"
#include "support/Tscriptedfilechooser.h"
#include "support/Tscriptedmessenger.h"
#include "support/Ttreefixture.h"
#include "sys/Tfilesystem.h"
#include "sys/qt/Tqtmainthreadcaller.h"

using namespace mainformtest;

TEST_F(MainFormTest, StartsReadyWithTheCommandsOfAnEmptyList)
{
    Start();
    QCoreApplication::processEvents();
    EXPECT_EQ(Form().windowTitle(), QStringLiteral("Vellumark"));
    EXPECT_EQ(Form().StatusText(), "Ready");
    EXPECT_TRUE(Messenger.Shown().empty());
    for (const char* name : {"CopySourceCommand", "CopyDestinationCommand", "DeleteCommand", "SizeRemaindersCommand",
                             "ExploreSourceCommand", "ExploreDestinationCommand", "ExploreBothCommand",
                             "SourcePropertiesCommand", "DestinationPropertiesCommand", "BothPropertiesCommand"})
        EXPECT_FALSE(Enabled(name)) << name;
    for (const char* name :
         {"CompareCommand", "SelectAllCommand", "InvertSelectionCommand", "ResizeListColumnsCommand"})
        EXPECT_TRUE(Enabled(name)) << name;
    const QHeaderView* header = List().header();
    EXPECT_GT(header->sectionSize(0), 0);
    for (int column = 1; column < 6; ++column)
        EXPECT_EQ(header->sectionSize(column), header->sectionSize(0));
}

TEST_F(MainFormTest, EnablesCommandsBySelection)
{
    Start();
    FillList({Item("a", 1, true), Item("b", 2, false), Item("c", 3, true)});
    EXPECT_EQ(Form().StatusText(), "3 items are set in total");
    EXPECT_TRUE(SelectedRowList().empty());
    EXPECT_EQ(Selection().currentIndex().row(), 0);
    EXPECT_FALSE(Enabled("CopySourceCommand"));
    EXPECT_FALSE(Enabled("CopySourcePopup"));
    EXPECT_FALSE(ButtonEnabled("CopySourceButton"));

    SelectRows({1});  // no destination
    for (const char* name :
         {"CopySourceCommand", "CopyDestinationCommand", "DeleteCommand", "SizeRemaindersCommand", "CopySourcePopup",
          "CopyDestinationPopup", "DeletePopup", "SizeRemaindersPopup", "ExploreSourceCommand",
          "SourcePropertiesCommand", "ExploreSourcePopup", "SourcePropertiesPopup"})
        EXPECT_TRUE(Enabled(name)) << name;
    for (const char* name :
         {"ExploreDestinationCommand", "DestinationPropertiesCommand", "ExploreBothCommand", "BothPropertiesCommand",
          "ExploreDestinationPopup", "DestinationPropertiesPopup", "ExploreBothPopup", "BothPropertiesPopup"})
        EXPECT_FALSE(Enabled(name)) << name;
    EXPECT_TRUE(ButtonEnabled("CopySourceButton"));
    EXPECT_TRUE(ButtonEnabled("DeleteButton"));

    SelectRows({2});
    for (const char* name : {"ExploreDestinationCommand", "DestinationPropertiesCommand", "ExploreBothCommand",
                             "BothPropertiesCommand", "ExploreBothPopup", "DestinationPropertiesPopup"})
        EXPECT_TRUE(Enabled(name)) << name;

    SelectRows({0, 2});
    for (const char* name : {"ExploreSourceCommand", "SourcePropertiesCommand", "ExploreDestinationCommand",
                             "BothPropertiesCommand", "ExploreSourcePopup"})
        EXPECT_FALSE(Enabled(name)) << name;
    EXPECT_TRUE(Enabled("CopySourceCommand"));

    // A context-menu item runs its command, and a disabled one does nothing.
    SelectRows({1});
    Trigger("CopyDestinationPopup");
    EXPECT_EQ(Shell.Clipboard, "/dst/b\r\n");
    Selection().clearSelection();
    ASSERT_FALSE(Enabled("CopySourcePopup"));
    Command("CopySourcePopup").trigger();
    EXPECT_EQ(Shell.Clipboard, "/dst/b\r\n");
    // Nor does Ctrl+C, which the list would take for copying its current cell.
    QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
    Press(Qt::CTRL | Qt::Key_C);
    EXPECT_EQ(Shell.Clipboard, "/dst/b\r\n");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
}

TEST_F(MainFormTest, SelectsAllNoneAndInverted)
{
    Start();
    FillList({Item("a", 1), Item("b", 2), Item("c", 3), Item("d", 4)});
    Trigger("InvertSelectionCommand");
    EXPECT_EQ(SelectedRowList(), (std::vector<int>{0, 1, 2, 3}));
    Trigger("SelectNoneCommand");
    EXPECT_TRUE(SelectedRowList().empty());
    SelectRows({1, 3});
    Trigger("InvertSelectionCommand");
    EXPECT_EQ(SelectedRowList(), (std::vector<int>{0, 2}));
    Trigger("InvertSelectionCommand");
    EXPECT_EQ(SelectedRowList(), (std::vector<int>{1, 3}));
    Trigger("SelectAllCommand");
    EXPECT_EQ(SelectedRowList(), (std::vector<int>{0, 1, 2, 3}));
}

TEST_F(MainFormTest, CopiesSelectedNamesInListOrderEachEndedByCrLf)
{
    Start();
    FillList({Item("a", 1), Item("b", 2), Item("c", 3), Item("d", 4)});
    SelectRows({3, 0, 2});
    Trigger("CopySourceCommand");
    EXPECT_EQ(Shell.Clipboard, "/a\r\n/c\r\n/d\r\n");
    Trigger("CopyDestinationCommand");
    EXPECT_EQ(Shell.Clipboard, "/dst/a\r\n/dst/c\r\n/dst/d\r\n");
}

TEST_F(MainFormTest, RemovesSelectedRowsAfterTheQuestion)
{
    Start();
    FillList({Item("a", 1), Item("b", 2), Item("c", 3), Item("d", 4)});
    SelectRows({1, 2});
    Messenger.AnswerCancel();
    Trigger("DeleteCommand");
    EXPECT_EQ(Paths().size(), 4U);
    Messenger.AnswerOk();
    Trigger("DeleteCommand");
    EXPECT_EQ(Paths(), (std::vector<std::string>{"/a", "/d"}));
    EXPECT_EQ(Form().StatusText(), "2 items are set in total");
    EXPECT_TRUE(SelectedRowList().empty());
    EXPECT_FALSE(Enabled("DeleteCommand"));
    ASSERT_EQ(Messenger.Shown().size(), 2U);
    EXPECT_EQ(Messenger.Shown()[1].Text, "Delete the selected items?");
    EXPECT_EQ(Messenger.Shown()[1].Kind, mkWarning);
    EXPECT_EQ(Messenger.Shown()[1].Buttons, (std::vector<std::string>{"OK", "Cancel"}));
}

TEST_F(MainFormTest, SumsSizeRemaindersOfTheSelection)
{
    Start();
    FillList({Item("a", 5), Item("b", 1'000'000), Item("c", -7)});
    SelectRows({0, 2});
    Messenger.AnswerOk();
    Trigger("SizeRemaindersCommand");
    SelectRows({1});
    Messenger.AnswerOk();
    Trigger("SizeRemaindersCommand");
    ASSERT_EQ(Messenger.Shown().size(), 2U);
    EXPECT_EQ(Messenger.Shown()[0].Caption, "Size Remainders");
    EXPECT_EQ(Messenger.Shown()[0].Kind, mkInformation);
    EXPECT_EQ(Messenger.Shown()[0].Buttons, std::vector<std::string>{"OK"});
    EXPECT_EQ(Messenger.Shown()[0].Text, "Selected: 2 items\r\nSum: -2 bytes");
    EXPECT_EQ(Messenger.Shown()[1].Text, "Selected: 1 items\r\nSum: 1,000,000 bytes");
}

TEST_F(MainFormTest, SortsFromMenusAndHeaderKeepingSelectionAndFocusWithTheirRows)
{
    Start();
    FillList({Item("m/b", 30), Item("m/a", 10), Item("m/c", 20), Item("m/d", 10)});
    SelectRows({2});
    Selection().setCurrentIndex(Model().index(2, 0), QItemSelectionModel::NoUpdate);
    // The header shows the column sorted by and the direction.
    const QHeaderView& header = *List().header();
    const auto indicator = [&] {
        return std::pair(header.isSortIndicatorShown() ? header.sortIndicatorSection() : -2,
                         header.sortIndicatorOrder());
    };
    EXPECT_EQ(indicator().first, -1);
    Trigger("AscendBySizeRemainderCommand");
    EXPECT_EQ(Paths(), (std::vector<std::string>{"/m/a", "/m/d", "/m/c", "/m/b"}));
    EXPECT_EQ(SelectedRowList(), std::vector<int>{2});
    EXPECT_EQ(Selection().currentIndex().row(), 2);
    EXPECT_EQ(indicator(), std::pair(3, Qt::AscendingOrder));
    Trigger("DescendBySizeRemainderCommand");
    EXPECT_EQ(Paths(), (std::vector<std::string>{"/m/b", "/m/c", "/m/d", "/m/a"}));
    EXPECT_EQ(SelectedRowList(), std::vector<int>{1});
    EXPECT_EQ(indicator(), std::pair(3, Qt::DescendingOrder));
    // A header click sorts ascending, and a second click on it does not turn the order round.
    for (int click = 0; click < 2; ++click) {
        ClickHeader(0);
        EXPECT_EQ(Paths(), (std::vector<std::string>{"/m/a", "/m/b", "/m/c", "/m/d"}));
        EXPECT_EQ(indicator(), std::pair(0, Qt::AscendingOrder));
    }
    Trigger("DescendByResultCommand");
    EXPECT_EQ(indicator(), std::pair(5, Qt::DescendingOrder));
    // The absolute name has no column; a new fill comes in the comparison's order.
    Trigger("DescendByAbsoluteNameCommand");
    EXPECT_EQ(Paths(), (std::vector<std::string>{"/m/d", "/m/c", "/m/b", "/m/a"}));
    EXPECT_EQ(indicator().first, -1);
    Trigger("AscendByNameCommand");
    FillList({Item("m/b", 30), Item("m/a", 10)});
    EXPECT_EQ(indicator().first, -1);
}

// Beside the item count the status bar tells how many rows are selected, through every change
// of the selection and of the rows.
TEST_F(MainFormTest, TheStatusBarCountsTheSelectedRows)
{
    Start();
    const QLabel& selected = Child<QLabel>("SelectedLabel");
    const auto shown = [&] { return selected.isVisible() ? selected.text().toStdString() : std::string("hidden"); };
    FillList({Item("d/a.txt", 1), Item("d/b.doc", 2), Item("d/c.txt", 3), Item("d/d.txt", 4)});
    EXPECT_EQ(shown(), "hidden");
    Press(Qt::CTRL | Qt::Key_A);
    EXPECT_EQ(shown(), "4 selected");
    EXPECT_EQ(Form().StatusText(), "4 items are set in total");
    Press(Qt::CTRL | Qt::SHIFT | Qt::Key_A);
    EXPECT_EQ(shown(), "hidden");
    Press(Qt::SHIFT | Qt::Key_Down);
    EXPECT_EQ(shown(), "2 selected");
    Messenger.AnswerOk();
    Press(Qt::Key_Delete);
    EXPECT_EQ(shown(), "hidden");
    EXPECT_EQ(Form().StatusText(), "2 items are set in total");
    Press(Qt::CTRL | Qt::Key_A);
    Press(Qt::CTRL | Qt::Key_E);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("d.t"));
    EXPECT_EQ(shown(), "1 selected");
    EXPECT_EQ(Form().StatusText(), "1 of 2 items are shown");
    FillList(std::vector<TCompareItem>(1234, Item("d/d.txt", 1)));
    EXPECT_EQ(shown(), "hidden");
    Press(Qt::CTRL | Qt::Key_A);
    EXPECT_EQ(shown(), "1,234 selected");
    EXPECT_EQ(Form().StatusText(), "1,234 of 1,234 items are shown");
}

// Shift+F10, and the Menu key as the window system delivers it, open the context menu at the
// current row, wherever the mouse pointer is; its keys then run the commands.
TEST_F(MainFormTest, TheKeyboardOpensTheContextMenuAtTheCurrentRow)
{
    Start();
    FillList({Item("m/a", 1), Item("m/b", 2), Item("m/c", 3)});
    Selection().setCurrentIndex(Model().index(1, 0), QItemSelectionModel::NoUpdate);
    const QRect row = List().visualRect(Model().index(1, 0));
    const QPoint place = List().viewport()->mapToGlobal(QPoint(row.left(), row.bottom()));
    QMenu& menu = Child<QMenu>("ContextMenu");
    const auto opened = [&] {
        return QTest::qWaitFor([&] { return QApplication::activePopupWidget() == &menu; }, HangGuardMilliseconds);
    };

    Press(Qt::SHIFT | Qt::Key_F10);
    ASSERT_TRUE(opened()) << "Shift+F10 opened no context menu";
    EXPECT_EQ(menu.pos(), place);
    QTest::keyClick(&menu, Qt::Key_S);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activePopupWidget() == &Child<QMenu>("SelectPopup"); },
                                HangGuardMilliseconds));
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_A);
    EXPECT_EQ(SelectedRowList(), (std::vector<int>{0, 1, 2}));

    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(1, 1), List().mapToGlobal(QPoint(1, 1)));
    ASSERT_EQ(QApplication::focusWidget(), &List());
    QCoreApplication::sendEvent(QApplication::focusWidget(), &menuKey);
    ASSERT_TRUE(opened()) << "The Menu key opened no context menu";
    EXPECT_EQ(menu.pos(), place);
    QTest::keyClick(&menu, Qt::Key_Escape);
}

TEST_F(MainFormTest, ExploresAndShowsPropertiesOfExistingFilesOnly)
{
    Tree.CreateFile("src/a.txt", "a");
    Tree.CreateFile("src/missing.txt", "a");
    Tree.CreateFile("src/folder.txt", "a");
    Tree.CreateFile("dst/a.txt", "b");
    Tree.CreateDirectory("dst/folder.txt");
    Start();
    FillList({Item("missing.txt", 1), Item("folder.txt", 1), Item("a.txt", 1)}, {Tree.Path("src"), Tree.Path("dst")});

    SelectRows({0});
    Messenger.AnswerOk();
    Trigger("ExploreBothCommand");
    SelectRows({1});
    Messenger.AnswerOk();
    Trigger("DestinationPropertiesCommand");
    SelectRows({2});
    Trigger("BothPropertiesCommand");
    Trigger("ExploreSourceCommand");
    EXPECT_EQ(Shell.Requests,
              (std::vector<std::string>{"explore " + Tree.Path("src"), "properties " + Tree.Path("src/a.txt"),
                                        "properties " + Tree.Path("dst/a.txt"), "explore " + Tree.Path("src")}));
    EXPECT_EQ(Messenger.Texts(),
              (std::vector<std::string>{"The program cannot find the file: " + Tree.Path("dst/missing.txt"),
                                        "The program cannot find the file: " + Tree.Path("dst/folder.txt")}));
    EXPECT_EQ(Messenger.Shown()[0].Kind, mkError);
}

TEST_F(MainFormTest, RunsAComparisonThroughTheDialogsAndKeepsRowsWhenClearingIsDeclined)
{
    Tree.CreateFile("Source/new.txt", "new");
    Tree.CreateFile("Source/sub/changed.txt", "longer", 1'700'000'000);
    Tree.CreateFile("Destination/sub/changed.txt", "short", 1'600'000'000);
    Start();
    ConfirmCompareDialog(Tree.Path("Source"), Tree.Path("Destination"));
    Trigger("CompareCommand");
    EXPECT_FALSE(ProgressDialog->isVisible());
    EXPECT_EQ(ProgressDialog->windowTitle(), QStringLiteral("Compare"));
    EXPECT_EQ(Paths(), (std::vector<std::string>{Tree.Path("Source/new.txt"), Tree.Path("Source/sub/changed.txt")}));
    EXPECT_EQ(ResultRowText(Model().Row(1).Item, Model().Roots(), TResultColumn::SizeRemainder), "+1 bytes");
    EXPECT_EQ(Form().StatusText(), "2 items are set in total");
    EXPECT_TRUE(SelectedRowList().empty());

    ConfirmCompareDialog(Tree.Path("Source"), Tree.Path("Source/sub"));
    Messenger.AnswerCancel();
    Trigger("CompareCommand");
    EXPECT_EQ(Messenger.Texts(), std::vector<std::string>{"Clear the list?"});
    EXPECT_EQ(Paths().size(), 2U);
    EXPECT_EQ(CompareDialog->Options().DstDir, Tree.Path("Source/sub"));

    // Closing with rows asks too; Cancel keeps the window.
    Messenger.AnswerCancel();
    EXPECT_FALSE(Form().close());
    EXPECT_TRUE(Form().isVisible());
    Messenger.AnswerOk();
    EXPECT_TRUE(Form().close());
}

TEST_F(MainFormTest, ACancelledComparisonLeavesTheListEmpty)
{
    Tree.CreateFile("Source/a.txt", "a");
    Tree.CreateDirectory("Destination");
    std::atomic<bool> listing = false;
    std::atomic<bool> cancelled = false;
    Facts.BeforeList = [&] {
        listing = true;
        WaitWithinHangGuard([&] { return cancelled.load(); });
    };
    Start();
    FillList({Item("old", 1)});
    ConfirmCompareDialog(Tree.Path("Source"), Tree.Path("Destination"));
    Messenger.AnswerOk();  // "Clear the list?"
    QString label;
    WhenActive(ProgressDialog, [&] {
        // Cancelled while the walk is under way; a loaded machine may not have started it yet.
        EXPECT_TRUE(QTest::qWaitFor([&] { return listing.load(); }, HangGuardMilliseconds));
        NamedChild<QPushButton>(*ProgressDialog, "CloseButton")->click();
        EXPECT_TRUE(ProgressDialog->isVisible());
        cancelled = true;
        EXPECT_TRUE(QTest::qWaitFor([] { return ProgressDialog->CompareThread == nullptr; }, HangGuardMilliseconds));
        label = NamedChild<QLabel>(*ProgressDialog, "TextLabel")->text();
        NamedChild<QPushButton>(*ProgressDialog, "CloseButton")->click();
    });
    Trigger("CompareCommand");
    EXPECT_EQ(label, QStringLiteral("Canceled"));
    EXPECT_EQ(Model().Count(), 0);
    EXPECT_EQ(Form().StatusText(), "0 items are set in total");
    EXPECT_FALSE(Enabled("CopySourceCommand"));
}

TEST_F(MainFormTest, FoldersThatCouldNotBeReadWholeAreNamedOnceTheListIsShown)
{
    Tree.CreateFile("Source/a.txt", "a");
    Tree.CreateFile("Source/locked/b.txt", "b");
    Tree.CreateDirectory("Destination");
    std::string locked;
    Facts.ListingFails = [&](const std::string& directory) {
        if (directory.find("locked") == std::string::npos)
            return 0;
        locked = directory;
        return EIO;
    };
    Start();
    ConfirmCompareDialog(Tree.Path("Source"), Tree.Path("Destination"));
    Messenger.AnswerOk();
    Trigger("CompareCommand");
    EXPECT_EQ(Paths(), std::vector<std::string>{Tree.Path("Source/a.txt")});
    ASSERT_EQ(Messenger.Shown().size(), 1U);
    EXPECT_EQ(Messenger.Shown()[0].Kind, mkWarning);
    EXPECT_NE(Messenger.Texts()[0].find("\r\n" + locked + ": Input/output error"), std::string::npos)
        << Messenger.Texts()[0];

    // Told once: the next comparison reads every folder and says nothing of them.
    Facts.ListingFails = nullptr;
    ConfirmCompareDialog(Tree.Path("Source"), Tree.Path("Destination"));
    Messenger.AnswerOk();  // "Clear the list?"
    Trigger("CompareCommand");
    EXPECT_EQ(Paths().size(), 2U);
    EXPECT_EQ(Messenger.Texts().back(), "Clear the list?");
}

TEST_F(MainFormTest, AFailedComparisonSaysError)
{
    Tree.CreateDirectory("Source");
    Tree.CreateDirectory("Destination");
    Facts.BeforeList = [] { throw std::runtime_error("The disk went away"); };
    Start();
    ConfirmCompareDialog(Tree.Path("Source"), Tree.Path("Destination"));
    QString label;
    CloseProgressWhenEnded(&label);
    Trigger("CompareCommand");
    EXPECT_EQ(label, QStringLiteral("Error"));
    EXPECT_EQ(Model().Count(), 0);
    EXPECT_TRUE(Messenger.Shown().empty());
}

TEST_F(MainFormTest, TakesExactlyOneNameFromTheCommandLine)
{
    Start({"one", "two"});
    Messenger.AnswerOk();
    QCoreApplication::processEvents();
    EXPECT_EQ(Messenger.Texts(), std::vector<std::string>{"Set one item."});
    EXPECT_EQ(Messenger.Shown()[0].Kind, mkError);
    QCoreApplication::processEvents();
    EXPECT_EQ(Messenger.Shown().size(), 1U);
}

TEST_F(MainFormTest, OpensTheCompareDialogWithTheOneCommandLineName)
{
    const std::string name = Tree.Path("not there");
    Start({name});
    std::string pending;
    Messenger.Answer(2);  // the dialog asks where the name goes: Cancel
    WhenActive(CompareDialog, [&] {
        pending = CompareDialog->PendingItem();
        NamedChild<QPushButton>(*CompareDialog, "CancelButton")->click();
    });
    QTest::qWait(0);
    EXPECT_EQ(pending, name);
    EXPECT_EQ(Messenger.Texts(), std::vector<std::string>{"Set the item to which?"});
}

TEST_F(MainFormTest, TakesOneDroppedNameAndRefusesTwo)
{
    Start();
    QCoreApplication::processEvents();
    Messenger.AnswerOk();
    DropUrls(QList<QUrl>{FileUrl(Tree.Path("a")), FileUrl(Tree.Path("b"))});
    QCoreApplication::processEvents();
    EXPECT_EQ(Messenger.Texts(), std::vector<std::string>{"Set one item."});

    std::string pending;
    Messenger.Answer(2);
    WhenActive(CompareDialog, [&] {
        pending = CompareDialog->PendingItem();
        NamedChild<QPushButton>(*CompareDialog, "CancelButton")->click();
    });
    DropUrls(QList<QUrl>{FileUrl(Tree.Path("a"))});
    QCoreApplication::processEvents();
    QTest::qWait(0);
    EXPECT_EQ(pending, Tree.Path("a"));
}

TEST_F(MainFormTest, AnswersTheCompareDialogsFileRequestsFromTheDialogMemory)
{
    Tree.CreateDirectory("Data/Src");
    Start();
    Chooser.Choose(Tree.Path("Data/Src"));
    Chooser.Choose("/work/in.vmc", 2);
    Chooser.Cancel();
    std::string name = Tree.Path("Data");
    EXPECT_TRUE(CompareDialog->SelectFile(name, skSource));
    EXPECT_EQ(name, Tree.Path("Data/Src"));
    ASSERT_EQ(Chooser.FolderRequests.size(), 1U);
    EXPECT_EQ(Chooser.FolderRequests[0].Prompt, "Select a directory.");
    EXPECT_EQ(Chooser.FolderRequests[0].Directory, Tree.Path("Data"));

    // The chosen folder's parent is where the next file dialog starts.
    name.clear();
    EXPECT_TRUE(CompareDialog->SelectFile(name, skImport));
    EXPECT_EQ(name, "/work/in.vmc");
    name = "Untitled.vmc";
    EXPECT_FALSE(CompareDialog->SelectFile(name, skExport));
    EXPECT_EQ(name, "Untitled.vmc");
    ASSERT_EQ(Chooser.FileDialogs.size(), 2U);
    EXPECT_EQ(Chooser.FileDialogs[0].Title, "Import");
    EXPECT_EQ(Chooser.FileDialogs[0].Kind, fdOpen);
    EXPECT_EQ(Chooser.FileDialogs[0].Filter, "Vellumark Compare (*.vmc)|*.vmc|All files (*)|*");
    EXPECT_EQ(Chooser.FileDialogs[0].InitialDir, Tree.Path("Data"));
    EXPECT_EQ(Chooser.FileDialogs[1].Title, "Export");
    EXPECT_EQ(Chooser.FileDialogs[1].Kind, fdSave);
    EXPECT_EQ(Chooser.FileDialogs[1].DefaultExt, "vmc");
    EXPECT_EQ(Chooser.FileDialogs[1].FileName, "Untitled.vmc");
    EXPECT_EQ(Chooser.FileDialogs[1].InitialDir, "/work");
}

TEST_F(MainFormTest, OpensHelpAfterAskingAndShowsAbout)
{
    Start();
    Messenger.AnswerCancel();
    Trigger("HelpCommand");
    EXPECT_TRUE(Shell.Requests.empty());
    Shell.DocumentsOpen = false;
    Messenger.AnswerOk();
    Messenger.AnswerOk();
    Trigger("HelpCommand");
    EXPECT_EQ(Shell.Requests, std::vector<std::string>{"open " + HelpFileName()});
    EXPECT_EQ(Messenger.Texts()[2], "The program cannot open the document: " + HelpFileName());
    EXPECT_EQ(HelpFileName(),
              QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString() + "/Help/index.html");

    Messenger.Answer(0);
    Trigger("AboutCommand");
    const TShownMessage& about = Messenger.Shown().back();
    EXPECT_EQ(about.Caption, "About");
    const std::string first = "Vellumark for Linux Version " + std::string(ProgramVersion) + ".\r\n\r\n";
    EXPECT_EQ(about.Text.rfind(first, 0), 0U);
    EXPECT_GT(about.Text.size(), first.size());
    EXPECT_EQ(about.Buttons, std::vector<std::string>{"OK"});
    EXPECT_EQ(about.DefaultButton, 0);
    EXPECT_EQ(about.CancelButton, 0);
    EXPECT_EQ(about.Kind, mkCustomIcon);
}

TEST_F(MainFormTest, TogglesTheViewSwitches)
{
    Start();
    EXPECT_TRUE(Command("ToolbarCommand").isChecked());
    Trigger("ToolbarCommand");
    EXPECT_FALSE(Child<QToolBar>("ToolBar").isVisible());
    EXPECT_FALSE(Command("ToolbarCommand").isChecked());
    Trigger("StatusBarCommand");
    EXPECT_FALSE(Child<QStatusBar>("StatusBar").isVisible());
    // Topmost moves the window in the z-order only: the native window stays the same.
    const WId window = Form().winId();
    Trigger("TopmostCommand");
    EXPECT_TRUE(Form().windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(Command("TopmostCommand").isChecked());
    EXPECT_EQ(Form().winId(), window);
    EXPECT_TRUE(Form().isVisible());
    Messenger.AnswerCancel();
    Trigger("DefaultViewCommand");
    EXPECT_FALSE(Form().ViewOptions().ToolBar);
    Messenger.AnswerOk();
    Trigger("DefaultViewCommand");
    EXPECT_TRUE(Child<QToolBar>("ToolBar").isVisible());
    EXPECT_TRUE(Command("StatusBarCommand").isChecked());
    EXPECT_FALSE(Form().windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(Form().winId(), window);
}

TEST_F(MainFormTest, EveryToolbarButtonHasAnIconAndTooltip)
{
    Start();
    // Left to right, "-" for a separator.
    const std::pair<const char*, const char*> buttons[] = {
        {"CompareButton", "Compare files"},
        {"-", ""},
        {"CopySourceButton", "Copy filenames on source"},
        {"CopyDestinationButton", "Copy filenames on destination"},
        {"DeleteButton", "Delete selected items"},
        {"SelectAllButton", "Select all items"},
        {"-", ""},
        {"FindButton", "Find items"},
        {"-", ""},
        {"PerformToSelectionButton", "Perform operations to selected items"},
        {"PerformToAllButton", "Perform operations to all items"},
        {"-", ""},
        {"ResizeListColumnsButton", "Resize list columns"},
        {"-", ""},
        {"FilterField", "Show only the items whose names hold these words or match these masks (Ctrl+E)"},
    };
    std::vector<std::string> order, expectedOrder;
    for (QAction* action : Child<QToolBar>("ToolBar").actions())
        order.push_back(action->isSeparator()
                            ? "-"
                            : Child<QToolBar>("ToolBar").widgetForAction(action)->objectName().toStdString());
    for (const auto& [name, tip] : buttons)
        expectedOrder.push_back(name);
    EXPECT_EQ(order, expectedOrder);
    for (const auto& [name, tip] : buttons) {
        if (std::string_view(name) == "-")
            continue;
        auto* item = Child<QToolBar>("ToolBar").findChild<QWidget*>(QString::fromLatin1(name));
        ASSERT_NE(item, nullptr) << name;
        EXPECT_EQ(item->toolTip(), QString::fromLatin1(tip));
        if (auto* button = qobject_cast<QToolButton*>(item)) {
            EXPECT_FALSE(button->icon().pixmap(16, 16).isNull()) << name;
        }
    }
    EXPECT_FALSE(Form().windowIcon().pixmap(32, 32).isNull());
}

TEST_F(MainFormTest, FirstWindowFitsEveryColumnCaption)
{
    Start();
    const QHeaderView* header = List().header();
    // The caption with its margins; the sort indicator takes the room of one column at a time
    // and, where the screen leaves too little, the end of its caption.
    const int margins = 2 * header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    for (int column = 0; column < 6; ++column) {
        const QString caption = Model().headerData(column, Qt::Horizontal).toString();
        EXPECT_GE(header->sectionSize(column), header->fontMetrics().horizontalAdvance(caption) + margins) << column;
    }
}

// Made as small as it goes, the window still shows every toolbar button, the filter field at
// its width, the list's header and a few whole rows.
TEST_F(MainFormTest, TheSmallestWindowKeepsTheToolbarTheFilterAndAFewRows)
{
    Start();
    FillList(std::vector<TCompareItem>(20, Item("d/a.txt", 1)));
    Form().resize(1, 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Form().size() == Form().minimumSize(); }, HangGuardMilliseconds));
    QCoreApplication::processEvents();
    const QToolBar& toolBar = Child<QToolBar>("ToolBar");
    for (const QToolButton* button : toolBar.findChildren<QToolButton*>())
        EXPECT_EQ(button->isVisible(), toolBar.actions().contains(button->defaultAction()))
            << button->objectName().toStdString() << " (the extension shows what is folded away)";
    const QWidget& filter = Child<QWidget>("FilterField");
    EXPECT_TRUE(filter.isVisible());
    EXPECT_GE(filter.width(), filter.minimumWidth());
    EXPECT_TRUE(List().header()->isVisible());
    EXPECT_GE(List().viewport()->height(), 4 * List().sizeHintForRow(0));
    EXPECT_GE(List().viewport()->width(), 2 * List().header()->sectionSizeHint(0));
}

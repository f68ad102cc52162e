// The Operations and Search commands of the main window: what they hand their dialogs, what
// they select, and when they are enabled.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>
#include <filesystem>

#include "app/Tapplicationforms.h"
#include "app/Tmainform.h"
#include "app/Tmainformfixture.h"
#include "dialogs/Tfinditemdialog.h"
#include "operations/qt/Tloglistbox.h"
#include "operations/qt/Toperationsdialog.h"

using namespace mainformtest;

namespace {
using TNames = std::vector<std::string>;

// Fails the test for any modal window that comes up while it lives, and closes it.
class TNoModalWindow {
public:
    TNoModalWindow()
    {
        QObject::connect(&Watch, &QTimer::timeout, &Watch, [] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                ADD_FAILURE() << "Unexpected modal window " << modal->objectName().toStdString();
                modal->hide();
            }
        });
        Watch.start(20);
    }

private:
    QTimer Watch;
};

class MainFormCommandsTest : public MainFormTest {
protected:
    // Rows for the files of src/ in the order given, each with its twin in dst/ as destination,
    // shown sorted by name.
    void FillSortedFromFiles(const TNames& names)
    {
        std::vector<TCompareItem> items;
        for (const std::string& name : names) {
            Tree.CreateFile("src/" + name, "contents of " + name);
            items.push_back(Item(name, 1, false));
        }
        FillList(items, {Tree.Path("src"), Tree.Path("dst")});
        ClickHeader(0);
    }
    TNames Sources(const TNames& names) const { return Under("src/", names); }
    TNames Destinations(const TNames& names) const { return Under("dst/", names); }
    TNames Under(const std::string& folder, const TNames& names) const
    {
        TNames paths;
        for (const std::string& name : names)
            paths.push_back(Tree.Path(folder + name));
        return paths;
    }
    // Types the mask into the find dialog once it is up and presses one of its find buttons.
    void AnswerFind(const QString& mask, bool absoluteName, const char* button)
    {
        WhenActive(FindItemDialog, [=] {
            NamedChild<QLineEdit>(*FindItemDialog, "MaskEdit")->setText(mask);
            NamedChild<QCheckBox>(*FindItemDialog, "AbsoluteNameCheckBox")->setChecked(absoluteName);
            NamedChild<QPushButton>(*FindItemDialog, button)->click();
        });
    }
};

TEST_F(MainFormCommandsTest, PerformToSelectionCopiesTheSelectedRowsInDisplayOrder)
{
    Start();
    FillSortedFromFiles({"d.txt", "c.txt", "b.txt", "a.txt"});
    SelectRows({1, 3});  // b.txt and d.txt, stored the other way round
    TNames sources, destinations, log;
    WhenActive(OperationsDialog, [&] {
        sources = PathsOf(*OperationsDialog, false);
        destinations = PathsOf(*OperationsDialog, true);
        OperationsDialog->findChild<QPushButton*>(QStringLiteral("CopyButton"))->click();
        // The log shows its lines a moment after they came.
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                log = OperationsDialog->GetAllLines();
                return !OperationsDialog->Running() && log.size() == 7;
            },
            HangGuardMilliseconds));
        OperationsDialog->findChild<QPushButton*>(QStringLiteral("CloseButton"))->click();
    });
    Press(Qt::Key_F4);

    EXPECT_EQ(sources, Sources({"b.txt", "d.txt"}));
    EXPECT_EQ(destinations, Destinations({"b.txt", "d.txt"}));
    ASSERT_EQ(log.size(), 7U);
    EXPECT_EQ(TNames(log.end() - 3, log.end()), (TNames{"Done", "Succeeded: 2 items", "Not succeeded: 0 items"}));
    for (const std::string name : {"b.txt", "d.txt"})
        EXPECT_EQ(Tree.ReadFile("dst/" + name), "contents of " + name);
    for (const std::string name : {"a.txt", "c.txt"})
        EXPECT_FALSE(std::filesystem::exists(Tree.Path("dst/" + name))) << name;
    // The list is left as it was, whatever the copy did.
    EXPECT_EQ(Paths(), Sources({"a.txt", "b.txt", "c.txt", "d.txt"}));
    EXPECT_EQ(SelectedRowList(), (std::vector<int>{1, 3}));
    EXPECT_FALSE(OperationsDialog->isVisible());
    EXPECT_EQ(OperationsDialog->Items, nullptr);
}

TEST_F(MainFormCommandsTest, PerformToAllHandsEveryRowWhateverIsSelected)
{
    Start();
    FillSortedFromFiles({"c.txt", "a.txt", "b.txt"});
    SelectRows({1});
    TNames sources, destinations;
    WhenActive(OperationsDialog, [&] {
        sources = PathsOf(*OperationsDialog, false);
        destinations = PathsOf(*OperationsDialog, true);
        OperationsDialog->findChild<QPushButton*>(QStringLiteral("CloseButton"))->click();
    });
    Press(Qt::SHIFT | Qt::Key_F4);
    EXPECT_EQ(sources, Sources({"a.txt", "b.txt", "c.txt"}));
    EXPECT_EQ(destinations, Destinations({"a.txt", "b.txt", "c.txt"}));
}

// Only a comparison that listed the destination's own files offers to remove them; the mirror
// runs from its key, asks first, and puts what it removes in the trash.
TEST_F(MainFormCommandsTest, AComparisonOfTheDestinationOffersAMirrorThatAsksAndUsesTheTrash)
{
    constexpr std::int64_t Noon = 1'600'000'000;
    for (const char* name : {"a.txt", "b.txt"}) {
        Tree.CreateFile(std::string("src/") + name, name, Noon);
        Tree.CreateFile(std::string("dst/") + name, name, Noon);
    }
    Tree.CreateFile("src/New/photo.jpg", "pixels", Noon);
    Tree.CreateFile("dst/Old/photo.jpg", "pixels", Noon);
    Tree.CreateFile("dst/gone.txt", "deleted in the source", Noon);
    ASSERT_EQ(setenv("XDG_DATA_HOME", Tree.Path("data").c_str(), 1), 0);
    Start();
    const auto offered = [&] {
        bool shown = false;
        WhenActive(OperationsDialog, [&] {
            shown = OperationsDialog->findChild<QPushButton*>(QStringLiteral("MirrorButton"))->isVisible() &&
                    OperationsDialog->findChild<QPushButton*>(QStringLiteral("RemoveButton"))->isVisible() &&
                    OperationsDialog->findChild<QCheckBox*>(QStringLiteral("TrashCheck"))->isChecked();
            OperationsDialog->findChild<QPushButton*>(QStringLiteral("CloseButton"))->click();
        });
        Press(Qt::SHIFT | Qt::Key_F4);
        return shown;
    };
    ConfirmCompareDialog(Tree.Path("src"), Tree.Path("dst"));
    Trigger("CompareCommand");
    EXPECT_FALSE(offered());
    ConfirmCompareDialog(Tree.Path("src"), Tree.Path("dst"), true);
    Messenger.AnswerOk();  // "Clear the list?"
    Trigger("CompareCommand");
    EXPECT_TRUE(offered());

    Messenger.AnswerCancel();
    Messenger.AnswerOk();
    TNames declinedLog, log;
    WhenActive(OperationsDialog, [&] {
        // Typed as a user types: into the dialog once it has the focus.
        EXPECT_TRUE(QTest::qWaitFor(
            [] { return QApplication::focusWidget() && QApplication::focusWidget()->window() == OperationsDialog; },
            HangGuardMilliseconds));
        const std::size_t asked = Messenger.Shown().size();
        // A button's key clicks it a moment later, as a mouse would.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_I, Qt::AltModifier);
        EXPECT_TRUE(QTest::qWaitFor([&] { return Messenger.Shown().size() > asked; }, HangGuardMilliseconds));
        declinedLog = OperationsDialog->GetAllLines();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_I, Qt::AltModifier);
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                log = OperationsDialog->GetAllLines();
                return !OperationsDialog->Running() && log.size() >= 3 && log[log.size() - 3] == "Done";
            },
            HangGuardMilliseconds));
        OperationsDialog->findChild<QPushButton*>(QStringLiteral("CloseButton"))->click();
    });
    Press(Qt::SHIFT | Qt::Key_F4);
    unsetenv("XDG_DATA_HOME");
    const std::string question = "1 files only in the destination go to the trash.\r\n\r\nContinue?";
    const TNames texts = Messenger.Texts();
    ASSERT_GE(texts.size(), 2U);
    EXPECT_EQ(TNames(texts.end() - 2, texts.end()), (TNames{question, question}));
    EXPECT_TRUE(declinedLog.empty());
    ASSERT_GE(log.size(), 2U);
    EXPECT_EQ(TNames(log.end() - 2, log.end()), (TNames{"Succeeded: 2 items", "Not succeeded: 0 items"}));
    EXPECT_EQ(Tree.ReadFile("dst/New/photo.jpg"), "pixels");
    EXPECT_FALSE(Tree.Exists("dst/Old"));
    EXPECT_FALSE(Tree.Exists("dst/gone.txt"));
    EXPECT_EQ(Tree.ReadFile("data/Trash/files/gone.txt"), "deleted in the source");
}

TEST_F(MainFormCommandsTest, EnablesOperationsByRowsAndSelectionAndSearchAlways)
{
    Start();
    const char* const search[] = {"FindCommand", "FindNextCommand", "FindPreviousCommand",
                                  "FindPopup",   "FindNextPopup",   "FindPreviousPopup"};
    const auto expect = [&](bool all, bool selection) {
        EXPECT_EQ(Enabled("PerformToAllCommand"), all);
        EXPECT_EQ(ButtonEnabled("PerformToAllButton"), all);
        EXPECT_EQ(Enabled("PerformToSelectionCommand"), selection);
        EXPECT_EQ(ButtonEnabled("PerformToSelectionButton"), selection);
        for (const char* name : search)
            EXPECT_TRUE(Enabled(name)) << name;
        EXPECT_TRUE(ButtonEnabled("FindButton"));
    };
    {
        SCOPED_TRACE("empty list");
        expect(false, false);
    }
    FillList({Item("a", 1), Item("b", 2)});
    {
        SCOPED_TRACE("rows, none selected");
        expect(true, false);
    }
    SelectRows({1});
    {
        SCOPED_TRACE("one row selected");
        expect(true, true);
    }
    Form().ClearList(false);
    {
        SCOPED_TRACE("emptied again");
        expect(false, false);
    }
}

TEST_F(MainFormCommandsTest, FindSelectsMatchingRowsInDisplayOrder)
{
    Start();
    FillSortedFromFiles({"d.txt", "c.doc", "b.txt", "a.doc"});
    AnswerFind(QStringLiteral("*.TXT"), false, "FindAllButton");
    Press(Qt::CTRL | Qt::Key_F);
    EXPECT_EQ(SelectedRowList(), (std::vector<int>{1, 3}));
    EXPECT_EQ(Selection().currentIndex().row(), 1);

    // An absolute name is the row's source path; a file name alone does not fit it.
    Messenger.AnswerOk();
    AnswerFind(QStringLiteral("c.doc"), true, "FindNextButton");
    Press(Qt::CTRL | Qt::Key_F);
    EXPECT_TRUE(SelectedRowList().empty());
    EXPECT_EQ(Messenger.Texts(), TNames{"There are no matches."});
    AnswerFind(QString::fromStdString(Tree.Path("src/c.doc")), true, "FindNextButton");
    Press(Qt::CTRL | Qt::Key_F);
    EXPECT_EQ(SelectedRowList(), std::vector<int>{2});
}

TEST_F(MainFormCommandsTest, FindNextAsksFirstThenFindNextAndPreviousStepWithoutTheDialog)
{
    Start();
    FillSortedFromFiles({"e.doc", "d.txt", "c.doc", "b.txt", "a.txt"});
    AnswerFind(QStringLiteral("*.txt"), false, "FindNextButton");
    Press(Qt::Key_F3);
    EXPECT_EQ(SelectedRowList(), std::vector<int>{0});

    TNoModalWindow noDialog;
    Press(Qt::Key_F3);
    EXPECT_EQ(SelectedRowList(), std::vector<int>{1});
    Press(Qt::Key_F3);
    EXPECT_EQ(SelectedRowList(), std::vector<int>{3});
    Press(Qt::SHIFT | Qt::Key_F3);
    EXPECT_EQ(SelectedRowList(), std::vector<int>{1});
}
}  // namespace

namespace {
// Every shortcut of the menus, typed into whatever has the focus: from the start, after a
// comparison that ends at once, and after each dialog and box it opens.
TEST_F(MainFormCommandsTest, EveryShortcutWorksFromTheListAfterAQuickComparisonAndEveryDialog)
{
    Tree.CreateFile("src/a.txt", "a");
    Tree.CreateFile("src/b.txt", "b");
    Tree.CreateDirectory("dst");
    Start();
    EXPECT_EQ(Form().focusWidget(), &List()) << "The list is the window's first focus";
    ConfirmCompareDialog(Tree.Path("src"), Tree.Path("dst"));
    Press(Qt::Key_F2);
    ASSERT_EQ(Model().Count(), 2);
    const std::string sources = Tree.Path("src/a.txt") + "\r\n" + Tree.Path("src/b.txt") + "\r\n";
    const std::string destinations = Tree.Path("dst/a.txt") + "\r\n" + Tree.Path("dst/b.txt") + "\r\n";

    Press(Qt::CTRL | Qt::Key_A);
    EXPECT_EQ(SelectedRowList(), (std::vector<int>{0, 1}));
    Press(Qt::CTRL | Qt::Key_C);
    EXPECT_EQ(Shell.Clipboard, sources);
    Press(Qt::CTRL | Qt::SHIFT | Qt::Key_C);
    EXPECT_EQ(Shell.Clipboard, destinations);
    Messenger.AnswerOk();
    Press(Qt::CTRL | Qt::Key_R);
    Messenger.AnswerCancel();
    Press(Qt::Key_Delete);
    Messenger.AnswerCancel();
    Press(Qt::Key_F1);
    EXPECT_EQ(Messenger.Texts(),
              (TNames{"Selected: 2 items\r\nSum: 2 bytes", "Delete the selected items?", "Open the help document?"}));
    Press(Qt::CTRL | Qt::SHIFT | Qt::Key_A);
    EXPECT_TRUE(SelectedRowList().empty());
    List().header()->resizeSection(0, 3);
    Press(Qt::CTRL | Qt::Key_L);
    EXPECT_EQ(List().header()->sectionSize(0), List().header()->sectionSize(5));

    AnswerFind(QStringLiteral("b.txt"), false, "FindNextButton");
    Press(Qt::CTRL | Qt::Key_F);
    EXPECT_EQ(SelectedRowList(), std::vector<int>{1});
    AnswerFind(QStringLiteral("a.txt"), false, "FindNextButton");
    Press(Qt::CTRL | Qt::Key_F);
    EXPECT_EQ(SelectedRowList(), std::vector<int>{0});
    {
        TNoModalWindow noDialog;
        Press(Qt::Key_F3);
        EXPECT_EQ(SelectedRowList(), std::vector<int>{0});
        Press(Qt::SHIFT | Qt::Key_F3);
        EXPECT_EQ(SelectedRowList(), std::vector<int>{0});
    }

    std::vector<std::string> opened;
    const auto note = [&](QWidget* dialog, QPushButton* cancel) {
        WhenActive(dialog, [&opened, dialog, cancel] {
            opened.push_back(dialog->objectName().toStdString());
            cancel->click();
        });
    };
    note(OperationsDialog, OperationsDialog->findChild<QPushButton*>(QStringLiteral("CloseButton")));
    Press(Qt::Key_F4);
    note(OperationsDialog, OperationsDialog->findChild<QPushButton*>(QStringLiteral("CloseButton")));
    Press(Qt::SHIFT | Qt::Key_F4);
    note(CompareDialog, NamedChild<QPushButton>(*CompareDialog, "CancelButton"));
    Press(Qt::Key_F2);
    EXPECT_EQ(opened, (TNames{"OperationsDialog", "OperationsDialog", "CompareDialog"}));

    // The menus' access keys.
    for (const char* name : {"FileMenu", "EditMenu", "ViewMenu", "OperationsMenu", "HelpMenu"}) {
        QMenu* menu = &Child<QMenu>(name);
        const QChar key = menu->title().at(menu->title().indexOf(QLatin1Char('&')) + 1).toUpper();
        Press(Qt::ALT | static_cast<Qt::Key>(key.unicode()));
        EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activePopupWidget() == menu; }, HangGuardMilliseconds))
            << name;
        QTest::keyClick(menu, Qt::Key_Escape);
        QTest::keyClick(Form().menuBar(), Qt::Key_Escape);
    }
    Press(Qt::CTRL | Qt::Key_A);
    EXPECT_EQ(SelectedRowList(), (std::vector<int>{0, 1}));
}
}  // namespace

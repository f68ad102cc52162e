// The filter field of the main window, typed at as a user types: what the list shows, what the
// commands reach, and what stays behind the filter.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolBar>

#include "app/Tlistfilterfield.h"
#include "app/Tmainformfixture.h"
#include "dialogs/Tfinditemdialog.h"
#include "operations/qt/Toperationsdialog.h"

using namespace mainformtest;

namespace {
using TNames = std::vector<std::string>;

class ListFilterFieldTest : public MainFormTest {
protected:
    TListFilterField& FilterField() { return Child<TListFilterField>("FilterField"); }
    // Types into whatever has the focus, which must be the filter field.
    void Type(const QString& text)
    {
        ASSERT_EQ(QApplication::focusWidget(), &FilterField()) << "The filter field has not got the focus";
        QTest::keyClicks(QApplication::focusWidget(), text);
    }
    void PressInField(QKeyCombination key)
    {
        ASSERT_EQ(QApplication::focusWidget(), &FilterField()) << "The filter field has not got the focus";
        QTest::keyClick(QApplication::focusWidget(), key.key(), key.keyboardModifiers());
    }
    // File > Save List As... by its keys into a file of the tree; the Name of each row written.
    TNames SavedNames()
    {
        Chooser.Choose(Tree.Path("list.csv"));
        Press(Qt::ALT | Qt::Key_F);
        EXPECT_TRUE(
            QTest::qWaitFor([] { return QApplication::activePopupWidget() != nullptr; }, HangGuardMilliseconds));
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_S);
        TNames names;
        std::string text = Tree.ReadFile("list.csv");
        for (std::size_t end = text.find("\r\n"); end != std::string::npos; end = text.find("\r\n")) {
            names.push_back(text.substr(0, text.find(',')));
            text.erase(0, end + 2);
        }
        EXPECT_EQ(names.empty() ? "" : names.front(), "Name");
        return names.empty() ? names : TNames(names.begin() + 1, names.end());
    }
};

TEST_F(ListFilterFieldTest, NarrowsTheListAsTypedKeepingTheShownSelectionAndEscShowsEveryRowAgain)
{
    Start();
    FillList({Item("d/a.txt", 1), Item("d/b.doc", 2), Item("e/c.txt", 4), Item("e/d.TXT", 8), Item("d/e.jpg", 16)});
    Press(Qt::CTRL | Qt::Key_E);
    Type(QStringLiteral("*.txt"));
    EXPECT_EQ(Paths(), (TNames{"/d/a.txt", "/e/c.txt", "/e/d.TXT"}));
    EXPECT_EQ(Form().StatusText(), "3 of 5 items are shown");

    PressInField(Qt::Key_Return);
    SelectRows({1, 2});
    Selection().setCurrentIndex(Model().index(2, 0), QItemSelectionModel::NoUpdate);
    // A mask with a separator fits the whole path. On the way the list shows other rows, and
    // the selected ones, always among them, stay selected.
    Press(Qt::CTRL | Qt::Key_E);
    PressInField(Qt::Key_End);
    Type(QStringLiteral(";*/d/*.jpg"));
    EXPECT_EQ(Paths(), (TNames{"/d/a.txt", "/e/c.txt", "/e/d.TXT", "/d/e.jpg"}));
    EXPECT_EQ(SelectedRowList(), (std::vector<int>{1, 2}));
    EXPECT_EQ(Selection().currentIndex().row(), 2);

    PressInField(Qt::Key_Escape);
    EXPECT_TRUE(FilterField().text().isEmpty());
    EXPECT_EQ(Paths().size(), 5U);
    EXPECT_EQ(Form().StatusText(), "5 items are set in total");
    EXPECT_EQ(SelectedRowList(), (std::vector<int>{2, 3}));
    PressInField(Qt::Key_Escape);
    EXPECT_EQ(QApplication::focusWidget(), &List());
    EXPECT_EQ(SavedNames(), (TNames{"a.txt", "b.doc", "c.txt", "d.TXT", "e.jpg"}));

    // The key finds the field with the toolbar hidden too, and shows the toolbar again.
    Trigger("ToolbarCommand");
    ASSERT_FALSE(Child<QToolBar>("ToolBar").isVisible());
    Press(Qt::CTRL | Qt::Key_E);
    EXPECT_TRUE(Child<QToolBar>("ToolBar").isVisible());
    EXPECT_EQ(QApplication::focusWidget(), &FilterField());

    // A word is found anywhere in the names as it is typed, and the selected rows keep their
    // selection at every key.
    FillList({Item("f/file01.txt", 1), Item("f/file02.txt", 2), Item("f/myfile01.doc", 4), Item("f/notes.txt", 8)});
    SelectRows({0, 2});
    Press(Qt::CTRL | Qt::Key_E);
    for (const QChar key : QStringLiteral("file01")) {
        Type(key);
        TNames selected;
        for (const int row : SelectedRowList())
            selected.push_back(Paths()[static_cast<std::size_t>(row)]);
        EXPECT_EQ(selected, (TNames{"/f/file01.txt", "/f/myfile01.doc"})) << "after " << key.toLatin1();
    }
    EXPECT_EQ(Paths(), (TNames{"/f/file01.txt", "/f/myfile01.doc"}));
    EXPECT_EQ(Form().StatusText(), "2 of 4 items are shown");
}

TEST_F(ListFilterFieldTest, CommandsReachTheRowsShownWhileTheComparisonStaysWhole)
{
    Start();
    FillList({Item("d/a.txt", 1), Item("d/b.doc", 2), Item("e/c.txt", 4), Item("e/d.doc", 8)});
    Press(Qt::CTRL | Qt::Key_E);
    Type(QStringLiteral("*.txt"));
    PressInField(Qt::Key_Return);
    Press(Qt::CTRL | Qt::Key_A);
    Press(Qt::CTRL | Qt::Key_C);
    EXPECT_EQ(Shell.Clipboard, "/d/a.txt\r\n/e/c.txt\r\n");
    Messenger.AnswerOk();
    Press(Qt::CTRL | Qt::Key_R);
    TNames sources;
    WhenActive(OperationsDialog, [&] {
        sources = PathsOf(*OperationsDialog, false);
        OperationsDialog->findChild<QPushButton*>(QStringLiteral("CloseButton"))->click();
    });
    Press(Qt::SHIFT | Qt::Key_F4);
    EXPECT_EQ(sources, (TNames{"/d/a.txt", "/e/c.txt"}));
    WhenActive(FindItemDialog, [] {
        NamedChild<QLineEdit>(*FindItemDialog, "MaskEdit")->setText(QStringLiteral("*"));
        NamedChild<QPushButton>(*FindItemDialog, "FindAllButton")->click();
    });
    Press(Qt::CTRL | Qt::Key_F);
    EXPECT_EQ(SelectedRowList(), (std::vector<int>{0, 1}));

    // A sort orders the whole list; Save List As writes the rows shown, in their order.
    Trigger("DescendByNameCommand");
    EXPECT_EQ(Paths(), (TNames{"/e/c.txt", "/d/a.txt"}));
    EXPECT_EQ(SelectedRowList(), (std::vector<int>{0, 1}));
    EXPECT_EQ(SavedNames(), (TNames{"c.txt", "a.txt"}));

    SelectRows({0});
    Messenger.AnswerOk();
    Press(Qt::Key_Delete);
    EXPECT_EQ(Paths(), TNames{"/d/a.txt"});
    EXPECT_EQ(Form().StatusText(), "1 of 3 items are shown");

    // Rows all hidden are rows still: the list asks before it lets them go.
    Press(Qt::CTRL | Qt::Key_E);
    Type(QStringLiteral("none"));
    EXPECT_EQ(Form().StatusText(), "0 of 3 items are shown");
    EXPECT_FALSE(Enabled("SaveListAsCommand"));
    EXPECT_FALSE(Enabled("PerformToAllCommand"));
    Messenger.AnswerCancel();
    EXPECT_FALSE(Form().ClearList(true));
    EXPECT_EQ(Model().TotalCount(), 3);

    // The rows of a new comparison meet the filter still in the field.
    PressInField(Qt::CTRL | Qt::Key_A);
    Type(QStringLiteral("*.doc"));
    FillList({Item("n/x.doc", 1), Item("n/y.txt", 1)});
    EXPECT_EQ(FilterField().text(), QStringLiteral("*.doc"));
    EXPECT_EQ(Paths(), TNames{"/n/x.doc"});
    EXPECT_EQ(Form().StatusText(), "1 of 2 items are shown");
    EXPECT_EQ(Messenger.Texts(),
              (TNames{"Selected: 2 items\r\nSum: 5 bytes", "Delete the selected items?", "Clear the list?"}));
}
}  // namespace

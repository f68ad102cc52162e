#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include "dialogs/Tfinditemdialog.h"
#include "dialogs/Tfinditems.h"
#include "dialogs/Titemviewfindlist.h"
#include "support/Modalwindows.h"
#include "support/Namedchild.h"
#include "support/Resizabledialog.h"
#include "support/Tscriptedmessenger.h"

namespace {
using TRows = std::vector<std::int32_t>;

const std::string NoMatches = "There are no matches.";

// A list of names in /data, with a selection, a focused row, and a record of the rows whose
// texts the search read.
class TPlainList : public TFindItemList {
public:
    explicit TPlainList(std::vector<std::string> names) : Names(std::move(names)), Selected(Names.size(), false)
    {
        for (const std::string& name : Names)
            Paths.push_back("/data/docs/" + name);
    }

    std::int32_t Count() const override { return static_cast<std::int32_t>(Names.size()); }
    std::int32_t FocusedRow() const override { return Focused; }
    bool IsSelected(std::int32_t row) const override { return Selected.at(static_cast<std::size_t>(row)); }
    std::string_view CandidateText(std::int32_t row, bool absoluteName) const override
    {
        LookedAt.push_back(row);
        const auto index = static_cast<std::size_t>(row);
        return absoluteName ? Paths.at(index) : Names.at(index);
    }
    void SelectOnly(const TRows& rows) override
    {
        EXPECT_TRUE(std::is_sorted(rows.begin(), rows.end()));
        Selected.assign(Names.size(), false);
        for (const std::int32_t row : rows)
            Selected.at(static_cast<std::size_t>(row)) = true;
    }
    void FocusRow(std::int32_t row) override
    {
        Focused = row;
        Revealed.push_back(row);
    }

    void Select(const TRows& rows)
    {
        for (const std::int32_t row : rows)
            Selected.at(static_cast<std::size_t>(row)) = true;
    }
    TRows SelectedRows() const
    {
        TRows rows;
        for (std::size_t row = 0; row < Selected.size(); ++row)
            if (Selected[row])
                rows.push_back(static_cast<std::int32_t>(row));
        return rows;
    }

    std::vector<std::string> Names;
    std::vector<std::string> Paths;
    std::vector<bool> Selected;
    std::int32_t Focused = -1;
    mutable TRows LookedAt;
    TRows Revealed;
};

TPlainList TenItems() { return TPlainList({"r0", "r1", "r2", "r3", "r4", "r5", "r6", "r7", "r8", "r9"}); }

TFindItemOptions Find(const std::string& text, bool down = true, bool findAll = false, bool absolute = false)
{
    TFindItemOptions options;
    options.Text = text;
    options.Down = down;
    options.FindAll = findAll;
    options.MatchAbsoluteName = absolute;
    return options;
}

// Fails the test and closes any modal window that comes up while this object lives.
class TNoModalWindow {
public:
    TNoModalWindow()
    {
        Watch.setInterval(50);
        QObject::connect(&Watch, &QTimer::timeout, &Watch, [] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                ADD_FAILURE() << "Unexpected modal window " << modal->objectName().toStdString();
                modal->hide();
            }
        });
        Watch.start();
    }

private:
    QTimer Watch;
};

// The user types into the dialog and presses one of its buttons.
void AnswerFindDialog(const QString& text, bool up, const char* button)
{
    WhenModal([=](QWidget* modal) {
        auto* dialog = qobject_cast<TFindItemDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        NamedChild<QLineEdit>(*dialog, "MaskEdit")->setText(text);
        NamedChild<QRadioButton>(*dialog, up ? "UpButton" : "DownButton")->setChecked(true);
        NamedChild<QPushButton>(*dialog, button)->click();
    });
}
}  // namespace

TEST(FindItems, WrapsAroundFromTheRowAfterASelectedFocusedRow)
{
    TScriptedMessenger messenger;
    for (const bool down : {true, false}) {
        TPlainList list = TenItems();
        list.Focused = 4;
        list.Select({4});
        messenger.AnswerOk();
        EXPECT_FALSE(FindItems(list, Find("nothing", down), messenger));
        EXPECT_EQ(list.LookedAt, down ? (TRows{5, 6, 7, 8, 9, 0, 1, 2, 3, 4}) : (TRows{3, 2, 1, 0, 9, 8, 7, 6, 5, 4}));
    }
}

TEST(FindItems, StartsAtAFocusedRowThatIsNotSelected)
{
    TScriptedMessenger messenger;
    TPlainList list = TenItems();
    list.Focused = 4;
    messenger.AnswerOk();
    FindItems(list, Find("nothing"), messenger);
    EXPECT_EQ(list.LookedAt, (TRows{4, 5, 6, 7, 8, 9, 0, 1, 2, 3}));

    // Without a focused row the search starts at the first.
    TPlainList unfocused = TenItems();
    messenger.AnswerOk();
    FindItems(unfocused, Find("nothing", false), messenger);
    EXPECT_EQ(unfocused.LookedAt, (TRows{0, 9, 8, 7, 6, 5, 4, 3, 2, 1}));
}

TEST(FindItems, RepeatedFindsWalkFromMatchToMatchAndComeRound)
{
    TScriptedMessenger messenger;
    TPlainList list({"a.txt", "b.doc", "c.txt", "d.doc", "e.txt"});
    list.Focused = 1;
    list.Select({1, 3});
    const TRows expected[] = {{2}, {4}, {0}, {2}};
    for (const TRows& rows : expected) {
        ASSERT_TRUE(FindItems(list, Find("*.TXT"), messenger));
        EXPECT_EQ(list.SelectedRows(), rows);
        EXPECT_EQ(list.Focused, rows[0]);
    }
    ASSERT_TRUE(FindItems(list, Find("*.txt", false), messenger));
    EXPECT_EQ(list.SelectedRows(), TRows{0});
    EXPECT_EQ(messenger.Shown().size(), 0u);
}

TEST(FindItems, AOneItemListIsLookedAtOnce)
{
    TScriptedMessenger messenger;
    for (const bool down : {true, false}) {
        TPlainList list({"only"});
        list.Focused = 0;
        list.Select({0});
        ASSERT_TRUE(FindItems(list, Find("only", down), messenger));
        EXPECT_EQ(list.LookedAt, TRows{0});
        EXPECT_EQ(list.SelectedRows(), TRows{0});
        EXPECT_EQ(list.Focused, 0);
    }
}

TEST(FindItems, FindAllSelectsEveryMatchAndFocusesTheLowest)
{
    TScriptedMessenger messenger;
    for (const bool down : {true, false}) {
        TPlainList list({"x1", "y", "x2", "y", "x3", "y", "x4"});
        list.Focused = 3;
        list.Select({3});
        ASSERT_TRUE(FindItems(list, Find("x?", down, true), messenger));
        EXPECT_EQ(list.SelectedRows(), (TRows{0, 2, 4, 6}));
        EXPECT_EQ(list.Focused, 0);
        EXPECT_EQ(list.Revealed, TRows{0});
        EXPECT_EQ(list.LookedAt.size(), 7u);
    }
}

TEST(FindItems, NoMatchClearsTheSelectionKeepsTheFocusAndSaysSo)
{
    TScriptedMessenger messenger;
    TPlainList list = TenItems();
    list.Focused = 6;
    list.Select({2, 6, 7});
    messenger.AnswerOk();
    EXPECT_FALSE(FindItems(list, Find("r"), messenger));
    EXPECT_EQ(list.SelectedRows(), TRows{});
    EXPECT_EQ(list.Focused, 6);
    EXPECT_EQ(list.Revealed, TRows{});
    ASSERT_EQ(messenger.Texts(), std::vector<std::string>{NoMatches});
    EXPECT_EQ(messenger.Shown()[0].Kind, mkInformation);
    EXPECT_EQ(messenger.Shown()[0].Caption, "Vellumark");
    EXPECT_EQ(messenger.Shown()[0].Buttons, std::vector<std::string>{"OK"});

    TPlainList empty({});
    messenger.AnswerOk();
    EXPECT_FALSE(FindItems(empty, Find("*"), messenger));
    EXPECT_EQ(messenger.Texts().size(), 2u);
}

TEST(FindItems, AnAbsoluteNameMustFitTheWholeSourcePath)
{
    TScriptedMessenger messenger;
    TPlainList list({"report.txt", "a;b"});
    ASSERT_TRUE(FindItems(list, Find("REPORT.TXT"), messenger));
    EXPECT_EQ(list.SelectedRows(), TRows{0});

    messenger.AnswerOk();
    EXPECT_FALSE(FindItems(list, Find("report.txt", true, false, true), messenger));
    ASSERT_TRUE(FindItems(list, Find("*report.txt", true, true, true), messenger));
    EXPECT_EQ(list.SelectedRows(), TRows{0});
    ASSERT_TRUE(FindItems(list, Find("/data/*", true, true, true), messenger));
    EXPECT_EQ(list.SelectedRows(), (TRows{0, 1}));

    // The mask is not a list: a ";" in it is a character to match.
    ASSERT_TRUE(FindItems(list, Find("a;b", true, true), messenger));
    EXPECT_EQ(list.SelectedRows(), TRows{1});
    messenger.AnswerOk();
    EXPECT_FALSE(FindItems(list, Find("report", true, true), messenger));
}

TEST(FindItems, AnItemViewIsSearchedThroughItsSelectionModel)
{
    TScriptedMessenger messenger;
    QStandardItemModel model;
    const std::vector<std::string> names = {"a.txt", "b.doc", "c.txt", "d.txt", "e.doc"};
    for (const std::string& name : names)
        model.appendRow({new QStandardItem(QString::fromStdString(name)), new QStandardItem(QStringLiteral("x"))});
    QTreeView view;
    view.setModel(&model);
    view.setSelectionMode(QAbstractItemView::ExtendedSelection);
    view.setSelectionBehavior(QAbstractItemView::SelectRows);
    TItemViewFindList list(view, [&](std::int32_t row, bool) { return std::string_view(names.at(row)); });
    view.selectionModel()->setCurrentIndex(model.index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);

    ASSERT_TRUE(FindItems(list, Find("*.txt", false, true), messenger));
    EXPECT_EQ(view.selectionModel()->selectedRows().size(), 3);
    EXPECT_TRUE(view.selectionModel()->isRowSelected(0, {}));
    EXPECT_TRUE(view.selectionModel()->isRowSelected(2, {}));
    EXPECT_TRUE(view.selectionModel()->isRowSelected(3, {}));
    EXPECT_TRUE(view.selectionModel()->isSelected(model.index(3, 1)));
    EXPECT_EQ(view.currentIndex().row(), 0);

    ASSERT_TRUE(FindItems(list, Find("*.doc"), messenger));
    EXPECT_EQ(view.selectionModel()->selectedRows().size(), 1);
    EXPECT_TRUE(view.selectionModel()->isRowSelected(1, {}));
    EXPECT_EQ(view.currentIndex().row(), 1);
}

TEST(FindItemOptions, CompareFieldByField)
{
    const TFindItemOptions defaults;
    EXPECT_EQ(defaults.Text, "");
    EXPECT_FALSE(defaults.MatchAbsoluteName);
    EXPECT_TRUE(defaults.Down);
    EXPECT_FALSE(defaults.FindAll);
    EXPECT_NE(Find("a"), Find("A"));
    EXPECT_NE(Find("a"), Find("a", false));
    EXPECT_NE(Find("a"), Find("a", true, true));
    EXPECT_NE(Find("a"), Find("a", true, false, true));
    EXPECT_EQ(Find("a", false, true, true), Find("a", false, true, true));
}

TEST(FindItemDialog, StartsEmptyAndOffersToFindOnlyWithAMask)
{
    TFindItemDialog dialog;
    EXPECT_EQ(dialog.Options(), TFindItemOptions());
    EXPECT_EQ(NamedChild<QLineEdit>(dialog, "MaskEdit")->text(), QString());
    EXPECT_FALSE(NamedChild<QCheckBox>(dialog, "AbsoluteNameCheckBox")->isChecked());
    EXPECT_TRUE(NamedChild<QRadioButton>(dialog, "DownButton")->isChecked());
    EXPECT_FALSE(NamedChild<QPushButton>(dialog, "FindNextButton")->isEnabled());
    EXPECT_FALSE(NamedChild<QPushButton>(dialog, "FindAllButton")->isEnabled());

    dialog.show();
    EXPECT_EQ(dialog.focusWidget(), NamedChild<QLineEdit>(dialog, "MaskEdit"));
    QTest::keyClicks(NamedChild<QLineEdit>(dialog, "MaskEdit"), QStringLiteral("*.txt"));
    EXPECT_TRUE(NamedChild<QPushButton>(dialog, "FindNextButton")->isEnabled());
    EXPECT_TRUE(NamedChild<QPushButton>(dialog, "FindAllButton")->isEnabled());
    NamedChild<QLineEdit>(dialog, "MaskEdit")->clear();
    EXPECT_FALSE(NamedChild<QPushButton>(dialog, "FindNextButton")->isEnabled());
    EXPECT_FALSE(NamedChild<QPushButton>(dialog, "FindAllButton")->isEnabled());
    // Enter cannot accept an empty mask.
    QTest::keyClick(NamedChild<QLineEdit>(dialog, "MaskEdit"), Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.Options(), TFindItemOptions());
}

TEST(FindItemDialog, FindButtonsAcceptWhatTheControlsShowAndCancelKeepsTheLastFind)
{
    TFindItemDialog dialog;
    WhenModal([&](QWidget*) {
        NamedChild<QLineEdit>(dialog, "MaskEdit")->setText(QStringLiteral("*.doc"));
        NamedChild<QCheckBox>(dialog, "AbsoluteNameCheckBox")->setChecked(true);
        NamedChild<QRadioButton>(dialog, "UpButton")->setChecked(true);
        NamedChild<QPushButton>(dialog, "FindAllButton")->click();
    });
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.Options(), Find("*.doc", false, true, true));
    EXPECT_EQ(dialog.SavedOptions(), TFindItemOptions());

    WhenModal([&](QWidget*) {
        EXPECT_EQ(NamedChild<QLineEdit>(dialog, "MaskEdit")->text(), QStringLiteral("*.doc"));
        EXPECT_TRUE(NamedChild<QRadioButton>(dialog, "UpButton")->isChecked());
        NamedChild<QLineEdit>(dialog, "MaskEdit")->setText(QStringLiteral("other"));
        NamedChild<QCheckBox>(dialog, "AbsoluteNameCheckBox")->setChecked(false);
        QTest::keyClick(NamedChild<QLineEdit>(dialog, "MaskEdit"), Qt::Key_Escape);
    });
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(dialog.Options(), Find("*.doc", false, true, true));

    // The edits made before cancelling are gone; Enter is Find Next.
    WhenModal([&](QWidget*) {
        EXPECT_EQ(NamedChild<QLineEdit>(dialog, "MaskEdit")->text(), QStringLiteral("*.doc"));
        EXPECT_TRUE(NamedChild<QCheckBox>(dialog, "AbsoluteNameCheckBox")->isChecked());
        QTest::keyClick(NamedChild<QLineEdit>(dialog, "MaskEdit"), Qt::Key_Return);
    });
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.Options(), Find("*.doc", false, false, true));
}

TEST(SearchCommands, FindNextAsksUntilAFindWasAcceptedThenRepeatsIt)
{
    TScriptedMessenger messenger;
    TFindItemDialog dialog;
    TPlainList list({"a.txt", "b.doc", "c.txt", "d.txt"});
    list.Focused = 0;
    list.Select({0});

    AnswerFindDialog(QStringLiteral("*.txt"), false, "FindAllButton");
    RunSearchCommand(scFindNext, dialog, list, messenger);
    EXPECT_EQ(list.SelectedRows(), (TRows{0, 2, 3}));

    TNoModalWindow noDialog;
    list.Selected.assign(4, false);
    RunSearchCommand(scFindNext, dialog, list, messenger);
    EXPECT_EQ(list.SelectedRows(), (TRows{0, 2, 3}));
}

TEST(SearchCommands, FindPreviousSearchesAgainstTheChosenDirection)
{
    TScriptedMessenger messenger;
    TFindItemDialog dialog;
    TPlainList list = TenItems();
    list.Focused = 5;
    list.Select({5});

    // "&Up" chosen, then Find Previous: the search runs downwards, the stored find stays up.
    AnswerFindDialog(QStringLiteral("r*"), true, "FindNextButton");
    RunSearchCommand(scFindPrevious, dialog, list, messenger);
    EXPECT_EQ(list.SelectedRows(), TRows{6});
    EXPECT_FALSE(dialog.Options().Down);

    TNoModalWindow noDialog;
    RunSearchCommand(scFindNext, dialog, list, messenger);
    EXPECT_EQ(list.SelectedRows(), TRows{5});
    RunSearchCommand(scFindPrevious, dialog, list, messenger);
    EXPECT_EQ(list.SelectedRows(), TRows{6});
}

TEST(SearchCommands, FindAlwaysAsksAndACancelledDialogSearchesNothing)
{
    TScriptedMessenger messenger;
    TFindItemDialog dialog;
    dialog.SetOptions(Find("r1"));
    TPlainList list = TenItems();
    list.Select({3});

    WhenModal([&](QWidget*) {
        EXPECT_EQ(NamedChild<QLineEdit>(dialog, "MaskEdit")->text(), QStringLiteral("r1"));
        NamedChild<QPushButton>(dialog, "CancelButton")->click();
    });
    RunSearchCommand(scFind, dialog, list, messenger);
    EXPECT_EQ(list.LookedAt, TRows{});
    EXPECT_EQ(list.SelectedRows(), TRows{3});
    EXPECT_EQ(dialog.Options(), Find("r1"));
}

TEST(FindItemDialog, KeepsItsMarginsAndGrowsWithTheUserAcrossShowings)
{
    TFindItemDialog dialog;
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    const QMargins margins = dialog.layout()->contentsMargins();
    EXPECT_GE(dialog.height() - 1 - NamedChild<QGroupBox>(dialog, "DirectionGroup")->geometry().bottom(),
              margins.bottom());
    EXPECT_GE(dialog.height() - 1 - NamedChild<QPushButton>(dialog, "CancelButton")->geometry().bottom(),
              margins.bottom());
    const QSize grown = dialog.size() + QSize(250, 100);
    ExpectRoomGoesTo(dialog, *NamedChild<QLineEdit>(dialog, "MaskEdit"),
                     *NamedChild<QPushButton>(dialog, "FindNextButton"), false, QSize(250, 100));
    dialog.hide();
    QSize shown;
    WhenModal([&](QWidget* modal) {
        shown = modal->size();
        NamedChild<QPushButton>(dialog, "CancelButton")->click();
    });
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(shown, grown);
}

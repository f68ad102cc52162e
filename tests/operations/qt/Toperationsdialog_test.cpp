#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <thread>

#include <sys/stat.h>

#include "operations/qt/Tloglistbox.h"
#include "operations/qt/Toperationsdialog.h"
#include "support/Hangguard.h"
#include "support/Modalwindows.h"
#include "support/Resizabledialog.h"
#include "support/Trecordingshell.h"
#include "support/Tscriptedmessenger.h"
#include "support/Ttreefixture.h"
#include "sys/Tfilesystem.h"
#include "sys/qt/Tqtmainthreadcaller.h"

namespace {
using TLines = std::vector<std::string>;

const std::string DeleteQuestion = "Deleted files cannot be restored.\r\n\r\nContinue?";

// Holds one copy of a run, the first unless told, until the test lets it go on.
struct TGate {
    int Passed = 0;
    std::atomic<int> Calls{0};
    std::atomic<bool> Started{false};
    std::atomic<bool> Released{false};

    void Hold()
    {
        if (Calls.fetch_add(1) != Passed)
            return;
        Started = true;
        WaitWithinHangGuard([this] { return Released.load(); });
    }
};

// The real file work, behind the gate.
class TGatedTransfer : public TFileTransfer {
public:
    TGatedTransfer(const TTransferRoots& roots, TGate& gate) : TFileTransfer(roots), Gate(gate) {}
    TTransferOutcome Copy(const std::string& source, const std::string& destination, const TSeenFiles* seen) override
    {
        Gate.Hold();
        return TFileTransfer::Copy(source, destination, seen);
    }

private:
    TGate& Gate;
};

// The real file work, with the gate inside the first file, whose copy is open and empty.
class TGatedContents : public TFileTransfer {
public:
    TGatedContents(const TTransferRoots& roots, TGate& gate) : TFileTransfer(roots), Gate(gate) {}

protected:
    int CopyContents(int source, int target, const struct stat& sourceInfo) const override
    {
        Gate.Hold();
        return TFileTransfer::CopyContents(source, target, sourceInfo);
    }

private:
    TGate& Gate;
};

struct TButtonStates {
    bool Move, Copy, Delete, Last;
    QString LastCaption;
    bool operator==(const TButtonStates&) const = default;
};

std::ostream& operator<<(std::ostream& out, const TButtonStates& s)
{
    return out << "{" << s.Move << s.Copy << s.Delete << s.Last << " " << s.LastCaption.toStdString() << "}";
}

class OperationsDialog : public ::testing::Test {
protected:
    OperationsDialog() { MakeDialog({}); }
    ~OperationsDialog() override
    {
        if (Dialog->Running()) {
            ADD_FAILURE() << "A run was still going at the end of the test";
            Dialog->close();
            WaitForEnd();
        }
        EXPECT_TRUE(Shell.Requests.empty()) << "The operations dialog used the shell for more than the clipboard";
    }

    void MakeDialog(TOperationsDialog::TFileTransferMaker makeFiles)
    {
        Dialog = std::make_unique<TOperationsDialog>(Messenger, Shell, MainThread, nullptr, std::move(makeFiles));
        // A gate holds one copy; on one thread, the items after it wait too.
        Dialog->CopyJobs = 1;
    }

    // Files a0.. in src, to be copied or moved into dst.
    void MakeItems(int count)
    {
        for (int i = 0; i < count; ++i) {
            const std::string name = "a" + std::to_string(i);
            Tree.CreateFile("src/" + name, "contents " + name);
            Items.emplace_back().Path = name;
        }
    }

    // What Execute does before its modal loop, without the loop.
    void Open()
    {
        Dialog->Items = &Items;
        Dialog->Roots = {Tree.Path("src"), Tree.Path("dst")};
        Dialog->show();
        Dialog->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(Dialog.get()));
    }

    // The dialog's control of that object name.
    template <typename TChild>
    TChild* Child(const char* name) const
    {
        auto* child = Dialog->findChild<TChild*>(QString::fromLatin1(name));
        if (child == nullptr)
            throw std::runtime_error(std::string("The dialog has no ") + name);
        return child;
    }

    void WaitForEnd()
    {
        ASSERT_TRUE(QTest::qWaitFor([&] { return !Dialog->Running(); }, HangGuardMilliseconds))
            << "The run did not end";
    }

    TButtonStates Buttons() const
    {
        return {Child<QPushButton>("MoveButton")->isEnabled(), Child<QPushButton>("CopyButton")->isEnabled(),
                Child<QPushButton>("DeleteButton")->isEnabled(), Child<QPushButton>("CloseButton")->isEnabled(),
                Child<QPushButton>("CloseButton")->text()};
    }

    TLines ShownLines()
    {
        Child<TLogListBox>("LogList")->ShowQueued();
        return Dialog->GetAllLines();
    }

    void AddLines(const TLines& lines)
    {
        for (const std::string& line : lines)
            Dialog->AddLogLine(line);
        Child<TLogListBox>("LogList")->ShowQueued();
    }

    // Lines are measured after they are shown, a slice at a time.
    bool ExtentBecomes(int width)
    {
        return QTest::qWaitFor([&] { return Dialog->HorizontalExtent() == width; }, HangGuardMilliseconds);
    }

    void SelectRows(const std::vector<int>& rows)
    {
        for (const int row : rows)
            Child<TLogListBox>("LogList")->selectionModel()->select(
                Child<TLogListBox>("LogList")->model()->index(row, 0), QItemSelectionModel::Select);
    }

    const TButtonStates Ready{true, true, true, true, QStringLiteral("Cancel")};
    const TButtonStates Running{false, false, false, true, QStringLiteral("Cancel")};
    const TButtonStates Finished{false, false, false, true, QStringLiteral("OK")};
    const TButtonStates Stopping{false, false, false, false, QStringLiteral("Stopping...")};

    TTreeFixture Tree;
    TScriptedMessenger Messenger;
    TRecordingShell Shell;
    TQtMainThreadCaller MainThread;
    std::unique_ptr<TOperationsDialog> Dialog;
    std::vector<TCompareItem> Items;
};
}  // namespace

TEST_F(OperationsDialog, DecliningTheDeleteQuestionLeavesTheDialogReady)
{
    MakeItems(2);
    Open();
    EXPECT_EQ(Buttons(), Ready);
    EXPECT_EQ(Dialog->focusWidget(), Child<QPushButton>("CopyButton"));

    Messenger.AnswerCancel();
    Child<QPushButton>("DeleteButton")->click();
    ASSERT_EQ(Messenger.Texts(), TLines{DeleteQuestion});
    EXPECT_EQ(Messenger.Shown()[0].Kind, mkWarning);
    EXPECT_EQ(Messenger.Shown()[0].Caption, "Vellumark");
    EXPECT_EQ(Messenger.Shown()[0].Buttons, (TLines{"OK", "Cancel"}));
    EXPECT_FALSE(Dialog->Running());
    EXPECT_EQ(Buttons(), Ready);
    QTest::qWait(20);
    EXPECT_EQ(ShownLines(), TLines{});
    EXPECT_TRUE(Tree.Exists("src/a0"));
    EXPECT_TRUE(Tree.Exists("src/a1"));
}

TEST_F(OperationsDialog, ConfirmedDeleteRemovesTheSources)
{
    MakeItems(2);
    Tree.CreateFile("dst/a0", "kept");
    Open();
    Messenger.AnswerOk();
    Child<QPushButton>("DeleteButton")->click();
    WaitForEnd();
    EXPECT_EQ(ShownLines(), (TLines{"Deleting \"a0\" in \"" + Tree.Path("src") + "\"", "Succeeded",
                                    "Deleting \"a1\" in \"" + Tree.Path("src") + "\"", "Succeeded", "Done",
                                    "Succeeded: 2 items", "Not succeeded: 0 items"}));
    EXPECT_FALSE(Tree.Exists("src/a0"));
    EXPECT_FALSE(Tree.Exists("src/a1"));
    EXPECT_EQ(Tree.ReadFile("dst/a0"), "kept");
}

TEST_F(OperationsDialog, TheSwitchesGoToTheRunAndTheTrashRewordsTheDeleteQuestion)
{
    std::vector<TTransferOptions> given;
    MakeDialog([&](const TTransferRoots& roots, const TTransferOptions& options) {
        given.push_back(options);
        return std::make_unique<TFileTransfer>(roots, options);
    });
    Tree.CreateDirectory("data");
    ASSERT_EQ(setenv("XDG_DATA_HOME", Tree.Path("data").c_str(), 1), 0);
    MakeItems(1);
    Open();
    QTest::mouseClick(Child<QCheckBox>("VerifyCheck"), Qt::LeftButton);
    QTest::mouseClick(Child<QCheckBox>("TrashCheck"), Qt::LeftButton);
    EXPECT_TRUE(Dialog->Switches().Verify && Dialog->Switches().Trash);
    Messenger.AnswerOk();
    Child<QPushButton>("DeleteButton")->click();
    EXPECT_FALSE(Child<QCheckBox>("VerifyCheck")->isEnabled() || Child<QCheckBox>("TrashCheck")->isEnabled());
    WaitForEnd();
    unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(Messenger.Texts(), TLines{"Deleted files go to the trash.\r\n\r\nContinue?"});
    ASSERT_EQ(given.size(), 1u);
    EXPECT_TRUE(given[0].Verify && given[0].Trash);
    EXPECT_EQ(Tree.ReadFile("data/Trash/files/a0"), "contents a0");
}

TEST_F(OperationsDialog, ACopyRunsToItsEndAndLeavesOnlyOkUntilReopened)
{
    MakeItems(3);
    Open();
    Child<QPushButton>("CopyButton")->click();
    EXPECT_TRUE(Dialog->Running());
    EXPECT_EQ(Buttons(), Running);
    EXPECT_EQ(Dialog->focusWidget(), Child<QPushButton>("CloseButton"));
    WaitForEnd();

    const std::string from = "\" from \"" + Tree.Path("src") + "\" to \"" + Tree.Path("dst") + "\"";
    EXPECT_EQ(ShownLines(),
              (TLines{"Copying \"a0" + from, "Succeeded", "Copying \"a1" + from, "Succeeded", "Copying \"a2" + from,
                      "Succeeded", "Done", "Succeeded: 3 items", "Not succeeded: 0 items"}));
    EXPECT_EQ(Buttons(), Finished);
    EXPECT_EQ(Dialog->focusWidget(), Child<QPushButton>("CloseButton"));
    EXPECT_EQ(Child<QProgressBar>("ProgressBar")->value(), 0);
    EXPECT_EQ(Tree.ReadFile("dst/a2"), "contents a2");
    EXPECT_TRUE(Tree.Exists("src/a2"));
    // The caret follows the last line.
    EXPECT_EQ(Child<TLogListBox>("LogList")->currentIndex().row(), 8);

    // Move, Copy and Delete stay disabled; a click does nothing.
    Child<QPushButton>("MoveButton")->click();
    EXPECT_FALSE(Dialog->Running());

    Child<QPushButton>("CloseButton")->click();
    EXPECT_FALSE(Dialog->isVisible());
    EXPECT_EQ(Child<TLogListBox>("LogList")->Count(), 0);
    Open();
    EXPECT_EQ(Buttons(), Ready);
}

TEST_F(OperationsDialog, ANotSucceededLineShowsItsReasonAsTooltipAndBelowTheLog)
{
    MakeItems(2);
    Tree.CreateFile("dst/a1", "kept");
    ASSERT_EQ(chmod(Tree.Path("dst/a1").c_str(), 0444), 0);
    Open();
    Child<QPushButton>("CopyButton")->click();
    WaitForEnd();
    ASSERT_EQ(ShownLines()[3], "Not succeeded");

    auto* log = Child<TLogListBox>("LogList");
    const auto tooltip = [&](int row) { return log->model()->index(row, 0).data(Qt::ToolTipRole).toString(); };
    EXPECT_EQ(tooltip(3), QStringLiteral("read-only"));
    EXPECT_EQ(tooltip(1), QString());
    auto* reason = Child<QLabel>("ReasonLabel");
    EXPECT_FALSE(reason->accessibleName().isEmpty());
    log->SetCaretLine(3);
    EXPECT_EQ(reason->text(), QStringLiteral("Reason: read-only"));
    log->SetCaretLine(1);
    EXPECT_EQ(reason->text(), QString());
    log->SetCaretLine(3);
    Child<QPushButton>("CloseButton")->click();
    EXPECT_EQ(reason->text(), QString());
    EXPECT_EQ(Tree.ReadFile("dst/a1"), "kept");
}

TEST_F(OperationsDialog, AMoveWithEmptyListsLogsDoneAndTwoZeroCounts)
{
    Open();
    Child<QPushButton>("MoveButton")->click();
    WaitForEnd();
    EXPECT_EQ(ShownLines(), (TLines{"Done", "Succeeded: 0 items", "Not succeeded: 0 items"}));
    EXPECT_EQ(Buttons(), Finished);
}

TEST_F(OperationsDialog, EveryAttemptToCloseARunAsksItToStopInstead)
{
    TGate gated;
    MakeDialog([&](const TTransferRoots& roots, const TTransferOptions&) {
        return std::make_unique<TGatedTransfer>(roots, gated);
    });
    MakeItems(3);
    Open();
    Child<QPushButton>("CopyButton")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return gated.Started.load(); }, HangGuardMilliseconds));

    QTest::keyClick(Dialog.get(), Qt::Key_Escape);
    EXPECT_TRUE(Dialog->isVisible());
    EXPECT_FALSE(Dialog->close());
    Child<QPushButton>("CloseButton")->click();
    EXPECT_TRUE(Dialog->isVisible());
    EXPECT_EQ(Buttons(), Stopping);

    gated.Released = true;
    WaitForEnd();
    // The small item in hand, copied in one piece, completes; nothing else is logged for the
    // requests.
    const std::string from = "\" from \"" + Tree.Path("src") + "\" to \"" + Tree.Path("dst") + "\"";
    EXPECT_EQ(ShownLines(),
              (TLines{"Copying \"a0" + from, "Succeeded", "Stopped", "Succeeded: 1 items", "Not succeeded: 0 items"}));
    EXPECT_EQ(Buttons(), Finished);
    EXPECT_FALSE(Tree.Exists("dst/a1"));

    QTest::keyClick(Dialog.get(), Qt::Key_Escape);
    EXPECT_FALSE(Dialog->isVisible());
}

TEST_F(OperationsDialog, EscInsideALargeFileShowsTheStopAtOnceAndDiscardsTheCopy)
{
    TGate gated;
    MakeDialog([&](const TTransferRoots& roots, const TTransferOptions&) {
        return std::make_unique<TGatedContents>(roots, gated);
    });
    // Larger than the largest piece of a copy, so that the stop is heard inside it.
    const std::string large(std::size_t{9} << 20, 'L');
    Tree.CreateFile("src/large", large);
    Tree.CreateFile("dst/large", "old");
    Items.emplace_back().Path = "large";
    MakeItems(1);
    Open();
    Child<QPushButton>("CopyButton")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return gated.Started.load(); }, HangGuardMilliseconds));

    ASSERT_EQ(QApplication::focusWidget(), Child<QPushButton>("CloseButton"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_EQ(Buttons(), Stopping);
    EXPECT_TRUE(Dialog->isVisible());
    // The focus left the disabled button; Esc there does not close the dialog either.
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_TRUE(Dialog->isVisible());
    EXPECT_EQ(Buttons(), Stopping);

    gated.Released = true;
    WaitForEnd();
    const std::string from = "\" from \"" + Tree.Path("src") + "\" to \"" + Tree.Path("dst") + "\"";
    EXPECT_EQ(ShownLines(), (TLines{"Copying \"large" + from, "Not succeeded", "Stopped", "Succeeded: 0 items",
                                    "Not succeeded: 1 items"}));
    EXPECT_EQ(Buttons(), Finished);
    EXPECT_EQ(QApplication::focusWidget(), Child<QPushButton>("CloseButton"));
    EXPECT_EQ(Tree.ReadFile("dst/large"), "old");
    EXPECT_TRUE(Tree.ReadFile("src/large") == large) << "the source changed";
    // Neither a temporary copy nor the next item.
    TLines left;
    for (const auto& entry : std::filesystem::directory_iterator(Tree.Path("dst")))
        left.push_back(entry.path().filename().string());
    EXPECT_EQ(left, TLines{"large"});
}

TEST_F(OperationsDialog, TheBarFollowsTheBytesAndAStoppedRunTellsNoTimeLeft)
{
    TGate gated;
    gated.Passed = 1;
    MakeDialog([&](const TTransferRoots& roots, const TTransferOptions&) {
        return std::make_unique<TGatedContents>(roots, gated);
    });
    constexpr std::int64_t Second = 1'600'000'000;
    for (const auto& [name, size] : {std::pair{"big", 3'000'000}, {"small1", 1'000'000}, {"small2", 1'000'000}}) {
        Tree.CreateFile(std::string("src/") + name, std::string(static_cast<std::size_t>(size), 'x'), Second);
        TCompareItem& item = Items.emplace_back();
        item.Path = name;
        item.SetSeen(TSideFacts{size, TicksFromUnixTime(Second, 0)}, std::nullopt);
    }
    Open();
    Child<QPushButton>("CopyButton")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return gated.Started.load(); }, HangGuardMilliseconds));

    // Held before the second item's contents: one item of three, but 3 MB of 5 MB.
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return Child<QProgressBar>("ProgressBar")->value() == 60; }, HangGuardMilliseconds))
        << Child<QProgressBar>("ProgressBar")->value();
    ASSERT_TRUE(QTest::qWaitFor([&] { return Child<QLabel>("MeterLabel")->text().endsWith(QStringLiteral(" left")); },
                                HangGuardMilliseconds))
        << Child<QLabel>("MeterLabel")->text().toStdString();
    EXPECT_TRUE(Child<QLabel>("MeterLabel")->text().startsWith(QStringLiteral("1 of 3 items, 3.0 MB of 5.0 MB, ")));

    QTest::keyClick(Dialog.get(), Qt::Key_Escape);
    gated.Released = true;
    WaitForEnd();
    EXPECT_EQ(ShownLines().at(4), "Stopped");
    EXPECT_EQ(Child<QLabel>("MeterLabel")->text(), QStringLiteral("2 of 3 items, 4.0 MB of 5.0 MB"));
    EXPECT_EQ(Child<QProgressBar>("ProgressBar")->value(), 0);
    Child<QPushButton>("CloseButton")->click();
}

TEST_F(OperationsDialog, TheBarShowsTheShareOfItemsDone)
{
    Open();
    Dialog->SetProgress(3, 7);
    EXPECT_EQ(Child<QProgressBar>("ProgressBar")->value(), 42);
    Dialog->SetProgress(7, 7);
    EXPECT_EQ(Child<QProgressBar>("ProgressBar")->value(), 100);
    Dialog->SetProgress(9, 7);
    EXPECT_EQ(Child<QProgressBar>("ProgressBar")->value(), 100);
    Dialog->SetProgress(3, 0);
    EXPECT_EQ(Child<QProgressBar>("ProgressBar")->value(), 0);
    Dialog->SetProgress(-1, 7);
    EXPECT_EQ(Child<QProgressBar>("ProgressBar")->value(), 0);
    // 2,000,000,000 of 2,100,000,000 needs more than 32 bits on the way.
    Dialog->SetProgress(2'000'000'000, 2'100'000'000);
    EXPECT_EQ(Child<QProgressBar>("ProgressBar")->value(), 95);
}

TEST_F(OperationsDialog, ShortcutsCopyTheSelectedOrAllLinesEachEndingInALineBreak)
{
    Open();
    AddLines({"zero", "one", "two", "three", "vier \xc3\xbc", "five"});
    Child<TLogListBox>("LogList")->setFocus();
    SelectRows({4, 1, 3});

    QTest::keyClick(Child<TLogListBox>("LogList"), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(Shell.Clipboard, "one\r\nthree\r\nvier \xc3\xbc\r\n");
    QTest::keyClick(Child<TLogListBox>("LogList"), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Shell.Clipboard, "zero\r\none\r\ntwo\r\nthree\r\nvier \xc3\xbc\r\nfive\r\n");

    Child<TLogListBox>("LogList")->clearSelection();
    Child<QAction>("CopySelectionAction")->trigger();
    EXPECT_EQ(Shell.Clipboard, "");
}

TEST_F(OperationsDialog, SelectionCommandsActOnEveryLine)
{
    Open();
    AddLines({"a", "b", "c", "d", "e"});
    Child<TLogListBox>("LogList")->setFocus();
    const auto selected = [&] { return Child<TLogListBox>("LogList")->SelectedRows(); };

    QTest::keyClick(Child<TLogListBox>("LogList"), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(selected(), (std::vector<std::int32_t>{0, 1, 2, 3, 4}));
    QTest::keyClick(Child<TLogListBox>("LogList"), Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(selected(), std::vector<std::int32_t>{});

    SelectRows({0, 2, 3});
    Child<QAction>("InvertSelectionAction")->trigger();
    EXPECT_EQ(selected(), (std::vector<std::int32_t>{1, 4}));
    Child<QAction>("InvertSelectionAction")->trigger();
    EXPECT_EQ(selected(), (std::vector<std::int32_t>{0, 2, 3}));

    // New lines move the caret, not the selection.
    AddLines({"f"});
    EXPECT_EQ(selected(), (std::vector<std::int32_t>{0, 2, 3}));
    EXPECT_EQ(Child<TLogListBox>("LogList")->currentIndex().row(), 5);

    const QStringList captions = [&] {
        QStringList texts;
        for (const QAction* item : Child<QMenu>("LogMenu")->actions())
            texts << (item->isSeparator() ? QStringLiteral("-")
                                          : item->text() + QLatin1Char('|') + item->shortcut().toString());
        return texts;
    }();
    EXPECT_EQ(captions,
              (QStringList{QStringLiteral("&Copy Selection|Ctrl+C"), QStringLiteral("Copy &All|Ctrl+Shift+C"),
                           QStringLiteral("-"), QStringLiteral("&Select All|Ctrl+A"),
                           QStringLiteral("Select &None|Ctrl+Shift+A"), QStringLiteral("&Invert Selection|")}));
}

TEST_F(OperationsDialog, TheExtentFollowsTheWidestLineAndStartsAgainAfterReopening)
{
    Open();
    const QFontMetrics metrics = Child<TLogListBox>("LogList")->fontMetrics();
    const std::string wide(300, 'W');
    TLines lines(40, "short");
    lines.push_back(wide);
    lines.push_back("narrow again");
    AddLines(lines);
    EXPECT_TRUE(ExtentBecomes(metrics.horizontalAdvance(QString::fromStdString(wide))));
    QApplication::processEvents();
    EXPECT_GT(Child<TLogListBox>("LogList")->horizontalScrollBar()->maximum(), 0);
    EXPECT_TRUE(Child<TLogListBox>("LogList")->horizontalScrollBar()->isVisible());
    // The bar that came up does not cover the caret line.
    const QRect caret = Child<TLogListBox>("LogList")->visualRect(Child<TLogListBox>("LogList")->currentIndex());
    EXPECT_EQ(Child<TLogListBox>("LogList")->currentIndex().row(), 41);
    EXPECT_GE(caret.top(), 0);
    EXPECT_LE(caret.bottom(), Child<TLogListBox>("LogList")->viewport()->rect().bottom());

    Child<QPushButton>("CloseButton")->click();
    EXPECT_EQ(Dialog->HorizontalExtent(), 0);
    Open();
    EXPECT_EQ(Dialog->HorizontalExtent(), 0);
    AddLines({"short"});
    EXPECT_TRUE(ExtentBecomes(metrics.horizontalAdvance(QStringLiteral("short"))));
    QApplication::processEvents();
    EXPECT_EQ(Child<TLogListBox>("LogList")->horizontalScrollBar()->maximum(), 0);
}

TEST_F(OperationsDialog, LinesArriveWithoutAnyoneFlushing)
{
    Open();
    for (int i = 0; i < 1000; ++i)
        Dialog->AddLogLine("line " + std::to_string(i));
    // Measuring goes in slices as short as the machine makes them; the bounds only end a hang.
    ASSERT_TRUE(QTest::qWaitFor([&] { return Child<TLogListBox>("LogList")->Count() == 1000; }, HangGuardMilliseconds));
    const int widest = Child<TLogListBox>("LogList")->fontMetrics().horizontalAdvance(QStringLiteral("line 999"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return Dialog->HorizontalExtent() >= widest; }, HangGuardMilliseconds))
        << "extent " << Dialog->HorizontalExtent() << ", widest line " << widest;
    EXPECT_EQ(Dialog->GetAllLines()[999], "line 999");
}

TEST_F(OperationsDialog, GrowsWithTheUserGivingTheRoomToTheLogAndKeepsTheSize)
{
    Open();
    const QSize grown = Dialog->size() + QSize(400, 150);
    const int logHeight = Child<TLogListBox>("LogList")->height();
    ExpectRoomGoesTo(*Dialog, *Child<TLogListBox>("LogList"), *Child<QPushButton>("CloseButton"), true,
                     QSize(400, 150));
    EXPECT_EQ(Child<TLogListBox>("LogList")->height(), logHeight + 150);
    Dialog->hide();
    QSize shown;
    WhenModal([&](QWidget* modal) {
        shown = modal->size();
        Child<QPushButton>("CloseButton")->click();
    });
    Dialog->Execute(Items, {Tree.Path("src"), Tree.Path("dst")});
    EXPECT_EQ(shown, grown);
}

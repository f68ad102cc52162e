// The main window's File menu, history and settings as a user meets them: lists saved, compare
// files exported and reopened, view switches, and what Settings.ini carries to the next start.

#include <gtest/gtest.h>

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QToolBar>
#include <filesystem>
#include <sys/stat.h>

#include "app/Tmainformfixture.h"
#include "support/Hangguard.h"
#include "support/Namedchild.h"

using namespace mainformtest;

namespace {
class MainFormSettingsTest : public MainFormTest {
protected:
    std::string HistoryItemName(int number) { return "HistoryItem" + std::to_string(number); }
    // The captions of the history items shown, in menu order.
    std::vector<std::string> HistoryCaptions()
    {
        std::vector<std::string> captions;
        for (QAction* item : Child<QMenu>("HistoryMenu").actions())
            if (item->objectName().startsWith(QStringLiteral("HistoryItem")) && item->isVisible())
                captions.push_back(item->text().toStdString());
        return captions;
    }
    std::string Caption(int number, const std::string& directory, const std::string& name)
    {
        return "&" + std::to_string(number) + " " + name + " - " + Tree.Path(directory);
    }
    // Once the compare dialog shows the destination, confirms it.
    void ConfirmWhenDestinationIs(const std::string& destination)
    {
        WhenActive(CompareDialog, [=] {
            EXPECT_TRUE(QTest::qWaitFor(
                [&] {
                    return NamedChild<QLineEdit>(*CompareDialog, "DestinationEdit")->text().toStdString() ==
                           destination;
                },
                HangGuardMilliseconds));
            NamedChild<QPushButton>(*CompareDialog, "OkButton")->click();
        });
    }
};

const std::string CannotSave = "The program cannot save data to the file: ";
}  // namespace

TEST_F(MainFormSettingsTest, ASessionIsSavedAtCloseAndComesBackAtTheNextStart)
{
    Tree.CreateFile("Source/new.txt", "new");
    Tree.CreateFile("Source/sub/changed.txt", "longer", 1'700'864'000);
    Tree.CreateFile("Destination/sub/changed.txt", "short", 1'700'000'000);
    Tree.CreateDirectory("Other");
    Tree.CreateDirectory("Sets");
    Tree.CreateDirectory("Lists");
    Start();
    EXPECT_FALSE(Enabled("SaveListAsCommand"));
    EXPECT_FALSE(Enabled("ClearHistoryCommand"));
    EXPECT_TRUE(HistoryCaptions().empty());
    ConfirmCompareDialog(Tree.Path("Source"), Tree.Path("Other"));
    Trigger("CompareCommand");
    ASSERT_EQ(Model().Count(), 2);
    EXPECT_TRUE(Enabled("SaveListAsCommand"));

    // Two compare files exported, then the dialog cancelled: both stay in the history.
    WhenActive(CompareDialog, [&] {
        NamedChild<QLineEdit>(*CompareDialog, "DestinationEdit")
            ->setText(QString::fromStdString(Tree.Path("Destination")));
        Chooser.Choose(Tree.Path("Sets/job.vmc"));
        NamedChild<QPushButton>(*CompareDialog, "ExportButton")->click();
        NamedChild<QLineEdit>(*CompareDialog, "DestinationEdit")->setText(QString::fromStdString(Tree.Path("Other")));
        Chooser.Choose(Tree.Path("Sets/other.vmc"));
        NamedChild<QPushButton>(*CompareDialog, "ExportButton")->click();
        NamedChild<QPushButton>(*CompareDialog, "CancelButton")->click();
    });
    Trigger("CompareCommand");
    EXPECT_EQ(HistoryCaptions(),
              (std::vector<std::string>{Caption(1, "Sets", "other.vmc"), Caption(2, "Sets", "job.vmc")}));
    EXPECT_TRUE(Enabled("ClearHistoryCommand"));

    // Reopened from the history: imported (its destination replaces the one kept), moved to the top.
    ConfirmWhenDestinationIs(Tree.Path("Destination"));
    Messenger.AnswerOk();  // "Clear the list?"
    Trigger(HistoryItemName(2));
    EXPECT_EQ(HistoryCaptions(),
              (std::vector<std::string>{Caption(1, "Sets", "job.vmc"), Caption(2, "Sets", "other.vmc")}));

    // Saved in the order the list shows, from the folder the last compare file was in.
    Trigger("AscendByNameCommand");
    Chooser.Choose(Tree.Path("Lists/result.csv"), 2);
    Trigger("SaveListAsCommand");
    EXPECT_EQ(Tree.ReadFile("Lists/result.csv"),
              "Name,Directory,Extension,\"Size remainder\",\"Time reminder\",Result\r\n"
              "changed.txt," +
                  Tree.Path("Source/sub") +
                  ",.txt,\"+1 bytes\",\"+10 days\",Modified\r\n"
                  "new.txt," +
                  Tree.Path("Source") + ",.txt,\"+3 bytes\",None,Created\r\n");
    ASSERT_EQ(Chooser.FileDialogs.size(), 3U);
    EXPECT_EQ(Chooser.FileDialogs[2].Title, "Save List As");
    EXPECT_EQ(Chooser.FileDialogs[2].FileName, "Untitled.csv");
    EXPECT_EQ(Chooser.FileDialogs[2].InitialDir, Tree.Path("Sets"));

    Trigger("ToolbarCommand");
    Trigger("LastPositionCommand");
    Form().setGeometry(30, 40, 500, 400);
    List().header()->resizeSection(0, 123);
    std::string widths;
    for (int column = 0; column < 6; ++column)
        widths += "ListColumnWidth" + std::to_string(column) + "=" +
                  std::to_string(List().header()->sectionSize(column)) + "\r\n";
    Messenger.AnswerOk();  // "Clear the list?"
    EXPECT_TRUE(Form().close());
    EXPECT_EQ(Tree.ReadFile("Settings.ini"),
              "[ViewOptions]\r\nToolBar=0\r\nStatusBar=1\r\nLastPosition=1\r\nTopMost=0\r\n\r\n"
              "[MainForm]\r\nWindowState=0\r\nLeft=30\r\nTop=40\r\nRight=530\r\nBottom=440\r\n" +
                  widths +
                  "\r\n"
                  "[FileHistory]\r\nItem0=" +
                  Tree.Path("Sets/job.vmc") + "\r\nItem1=" + Tree.Path("Sets/other.vmc") +
                  "\r\n\r\n[OpenDialogs]\r\nInitialDir=" + Tree.Path("Lists") +
                  "\r\nFilterIndex0=2\r\nFilterIndex1=1\r\nFilterIndex2=1\r\n\r\n"
                  "[Operations]\r\nVerify=0\r\nTrash=0\r\n\r\n");
    EXPECT_EQ(Messenger.Texts(), (std::vector<std::string>{"Clear the list?", "Clear the list?"}));

    DestroyApplicationForms();
    Start();
    EXPECT_EQ(HistoryCaptions(),
              (std::vector<std::string>{Caption(1, "Sets", "job.vmc"), Caption(2, "Sets", "other.vmc")}));
    EXPECT_TRUE(Enabled("ClearHistoryCommand"));
    EXPECT_FALSE(Command("ToolbarCommand").isChecked());
    EXPECT_FALSE(Child<QToolBar>("ToolBar").isVisible());
    EXPECT_TRUE(Command("LastPositionCommand").isChecked());
    EXPECT_EQ(Form().geometry(), QRect(30, 40, 500, 400));
    EXPECT_EQ(List().header()->sectionSize(0), 123);
    FillList({Item("s/a", 1)});
    Chooser.Cancel();
    Trigger("SaveListAsCommand");
    ASSERT_EQ(Chooser.FileDialogs.size(), 4U);
    EXPECT_EQ(Chooser.FileDialogs[3].InitialDir, Tree.Path("Lists"));
    EXPECT_EQ(Chooser.FileDialogs[3].FilterIndex, 2);
    EXPECT_EQ(Messenger.Shown().size(), 2U);
}

TEST_F(MainFormSettingsTest, AMissingHistoryFileMayBeDeletedFromTheHistory)
{
    const std::string gone = Tree.Path("gone.vmc");
    Tree.CreateFile("Settings.ini", "[FileHistory]\r\nItem0=" + gone + "\r\nItem1=" + Tree.Path("kept.vmc") + "\r\n");
    Start();
    Messenger.AnswerCancel();
    Trigger(HistoryItemName(1));
    EXPECT_EQ(HistoryCaptions().size(), 2U);
    Messenger.AnswerOk();
    Trigger(HistoryItemName(1));
    EXPECT_EQ(HistoryCaptions(), std::vector<std::string>{"&1 kept.vmc - " + Tree.Root()});
    EXPECT_FALSE(Command(HistoryItemName(2)).isVisible());
    ASSERT_EQ(Messenger.Shown().size(), 2U);
    EXPECT_EQ(Messenger.Shown()[1].Text,
              "The program cannot find the file: " + gone + "\r\n\r\nDelete the item from the history?");
    EXPECT_EQ(Messenger.Shown()[1].Kind, mkError);
    EXPECT_EQ(Messenger.Shown()[1].Buttons, (std::vector<std::string>{"OK", "Cancel"}));
}

TEST_F(MainFormSettingsTest, ClearingTheHistoryAsksFirstAndDisablesClear)
{
    Tree.CreateFile("Settings.ini", "[FileHistory]\r\nItem0=/a/one.vmc\r\nItem1=/b/two.vmc\r\n");
    Start();
    Messenger.AnswerCancel();
    Trigger("ClearHistoryCommand");
    EXPECT_EQ(HistoryCaptions().size(), 2U);
    Messenger.AnswerOk();
    Trigger("ClearHistoryCommand");
    EXPECT_TRUE(HistoryCaptions().empty());
    EXPECT_FALSE(Enabled("ClearHistoryCommand"));
    EXPECT_EQ(Messenger.Texts(), (std::vector<std::string>{"Clear the history?", "Clear the history?"}));
    EXPECT_EQ(Messenger.Shown()[0].Kind, mkWarning);
}

TEST_F(MainFormSettingsTest, SavingTheListIntoAnUnwritableFolderSaysSoAndWritesNothing)
{
    // Permissions bind only an unprivileged user, so this case runs again as one.
    if (!qEnvironmentVariableIsSet("VELLUMARK_UNPRIVILEGED_CASE")) {
        const std::string program = Tree.Path("app_tests");
        const std::string filter = "MainFormSettingsTest.SavingTheListIntoAnUnwritableFolderSaysSoAndWritesNothing";
        ASSERT_EQ(chmod(Tree.Root().c_str(), 0755), 0);
        std::filesystem::copy_file("/proc/self/exe", program);
        ASSERT_EQ(chmod(program.c_str(), 0755), 0);
        EXPECT_EQ(RunUnprivileged("VELLUMARK_UNPRIVILEGED_CASE=1 " + program + " --gtest_filter=" + filter), 0);
        return;
    }
    Tree.CreateFile("locked/old.csv", "old\r\n");
    ASSERT_EQ(chmod(Tree.Path("locked").c_str(), 0555), 0);
    Start();
    FillList({Item("a", 1)});
    for (const char* name : {"locked/new.csv", "locked/old.csv"}) {
        Chooser.Choose(Tree.Path(name));
        Messenger.AnswerOk();
        Trigger("SaveListAsCommand");
    }
    ASSERT_EQ(Messenger.Texts(), (std::vector<std::string>{CannotSave + Tree.Path("locked/new.csv"),
                                                           CannotSave + Tree.Path("locked/old.csv")}));
    EXPECT_EQ(Messenger.Shown()[0].Kind, mkError);
    EXPECT_FALSE(Tree.Exists("locked/new.csv"));
    EXPECT_EQ(Tree.ReadFile("locked/old.csv"), "old\r\n");
    EXPECT_EQ(Model().Count(), 1);
}

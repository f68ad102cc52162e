#include <gtest/gtest.h>
#include <sys/stat.h>

#include "settings/qt/Savelistas.h"
#include "settings/qt/Topendialoglist.h"
#include "settings/qt/Tsettingstoolrun.h"
#include "support/Tscriptedfilechooser.h"
#include "support/Tscriptedmessenger.h"
#include "support/Ttreefixture.h"

namespace {
class TOneRow : public TReportList {
public:
    std::vector<std::string> ColumnCaptions() const override { return {"Name", "Size remainder"}; }
    std::size_t RowCount() const override { return 1; }
    std::vector<std::string> RowTexts(std::size_t) const override { return {"a.txt", "+1,024 bytes"}; }
};

class SaveListAsCommand : public ::testing::Test {
protected:
    SaveListAsCommand()
    {
        Dialogs.Add(SaveDialog1);
        Dialogs.InitialDir = Tree.Root();
    }

    TTreeFixture Tree;
    TScriptedFileChooser Chooser;
    TScriptedMessenger Messenger;
    TFileDialog SaveDialog1 = SaveListAsDialog();
    TOpenDialogList Dialogs{Chooser};
};

const std::string Failure = "The program cannot save data to the file: ";
}  // namespace

TEST_F(SaveListAsCommand, ProposesUntitledAndWritesTheListWithItsHeader)
{
    Chooser.Choose(Tree.Path("out/list.csv"));
    Tree.CreateDirectory("out");
    EXPECT_TRUE(SaveListAs(TOneRow(), Dialogs, Messenger));
    EXPECT_EQ(Tree.ReadFile("out/list.csv"), "Name,\"Size remainder\"\r\na.txt,\"+1,024 bytes\"\r\n");
    ASSERT_EQ(Chooser.FileDialogs.size(), 1u);
    EXPECT_EQ(Chooser.FileDialogs[0].Title, "Save List As");
    EXPECT_EQ(Chooser.FileDialogs[0].FileName, "Untitled.csv");
    EXPECT_EQ(Chooser.FileDialogs[0].InitialDir, Tree.Root());
    EXPECT_EQ(Dialogs.InitialDir, Tree.Path("out"));
    EXPECT_TRUE(Messenger.Shown().empty());
}

TEST_F(SaveListAsCommand, CancellingWritesNothing)
{
    Chooser.Cancel();
    EXPECT_FALSE(SaveListAs(TOneRow(), Dialogs, Messenger));
    EXPECT_FALSE(Tree.Exists("Untitled.csv"));
    EXPECT_EQ(Dialogs.InitialDir, Tree.Root());
}

TEST_F(SaveListAsCommand, AFolderThatDoesNotExistGivesTheMessageAndNoFile)
{
    Chooser.Choose(Tree.Path("missing/list.csv"));
    Messenger.AnswerOk();
    EXPECT_FALSE(SaveListAs(TOneRow(), Dialogs, Messenger));
    ASSERT_EQ(Messenger.Texts(), std::vector<std::string>{Failure + Tree.Path("missing/list.csv")});
    EXPECT_EQ(Messenger.Shown()[0].Kind, mkError);
    EXPECT_EQ(Messenger.Shown()[0].Buttons, std::vector<std::string>{"OK"});
    EXPECT_FALSE(Tree.Exists("missing"));
}

TEST_F(SaveListAsCommand, AnUnwritableFolderGivesTheMessageAndLeavesItsFilesAlone)
{
    TSettingsToolRun tool(Tree);
    Tree.CreateFile("locked/old.csv", "old\r\n");
    ASSERT_EQ(chmod(Tree.Path("locked/old.csv").c_str(), 0666), 0);
    ASSERT_EQ(chmod(Tree.Path("locked").c_str(), 0555), 0);
    EXPECT_EQ(tool.Run("save-list " + Tree.Path("locked/new.csv")),
              Failure + Tree.Path("locked/new.csv") + "\nnot saved\n");
    EXPECT_EQ(tool.Run("save-list " + Tree.Path("locked/old.csv")),
              Failure + Tree.Path("locked/old.csv") + "\nnot saved\n");
    EXPECT_FALSE(Tree.Exists("locked/new.csv"));
    EXPECT_EQ(Tree.ReadFile("locked/old.csv"), "old\r\n");
    ASSERT_EQ(chmod(Tree.Path("locked").c_str(), 0755), 0);
}

#include <gtest/gtest.h>

#include "compare/Tcompareloader.h"
#include "dialogs/Tcomparedialog.h"
#include "settings/Settingsfile.h"
#include "settings/Tfilehistory.h"
#include "settings/qt/Tcomparedialoganswers.h"
#include "settings/qt/Topendialoglist.h"
#include "support/Tscriptedfilechooser.h"
#include "support/Tscriptedmessenger.h"
#include "support/Ttreefixture.h"

namespace {
// The main window's arrangement: three dialogs in the memory, a history of eight.
class OpenDialogs : public ::testing::Test {
protected:
    OpenDialogs()
    {
        Dialogs.Add(SaveDialog1);
        Dialogs.Add(OpenDialog1);
        Dialogs.Add(SaveDialog2);
        History.SetCapacity(8);
    }

    TScriptedFileChooser Chooser;
    TOpenDialogList Dialogs{Chooser};
    TFileDialog SaveDialog1 = SaveListAsDialog();
    TFileDialog OpenDialog1 = ImportDialog();
    TFileDialog SaveDialog2 = ExportDialog();
    TFileHistory History;
    TCompareDialogAnswers Answers{Dialogs, History};
    TTreeFixture Tree;
};
}  // namespace

TEST_F(OpenDialogs, DialogsAreReachedByTheirNumbers)
{
    EXPECT_EQ(&Dialogs.Item(SaveListDialogNumber), &SaveDialog1);
    EXPECT_EQ(&Dialogs.Item(ExportDialogNumber), &SaveDialog2);
    EXPECT_EQ(Dialogs.FilterIndexes(), (std::vector<std::int32_t>{1, 1, 1}));
    EXPECT_THROW(Dialogs.Item(3), std::out_of_range);
    std::string name;
    EXPECT_THROW(Dialogs.ExecuteFileDialog(-1, name), std::out_of_range);
    EXPECT_TRUE(Chooser.FileDialogs.empty());
}

TEST_F(OpenDialogs, AChosenFileMakesItsDirectoryTheStartOfTheNextDialog)
{
    bool result = false;
    std::string name;
    Chooser.Choose("/work/a.vmc");
    Answers.CompareDialogSelectFile(nullptr, name, result, skImport);
    EXPECT_TRUE(result);
    EXPECT_EQ(name, "/work/a.vmc");
    EXPECT_EQ(Dialogs.InitialDir, "/work");

    result = false;
    name = "Untitled.vmc";
    Chooser.Choose("/work/b.vmc");
    Answers.CompareDialogSelectFile(nullptr, name, result, skExport);
    EXPECT_TRUE(result);

    ASSERT_EQ(Chooser.FileDialogs.size(), 2u);
    EXPECT_EQ(Chooser.FileDialogs[0].Title, "Import");
    EXPECT_EQ(Chooser.FileDialogs[0].InitialDir, "");
    EXPECT_EQ(Chooser.FileDialogs[0].FileName, "");
    EXPECT_EQ(Chooser.FileDialogs[1].Title, "Export");
    EXPECT_EQ(Chooser.FileDialogs[1].InitialDir, "/work");
    EXPECT_EQ(Chooser.FileDialogs[1].FileName, "Untitled.vmc");
    // The proposal is not kept for the next use.
    EXPECT_EQ(OpenDialog1.FileName, "");
    EXPECT_EQ(SaveDialog2.FileName, "");
}

TEST_F(OpenDialogs, AnAbsoluteProposalStartsInItsOwnDirectory)
{
    Dialogs.InitialDir = "/elsewhere";
    std::string name = "/data/old/list.csv";
    Chooser.Choose("/data/new/list.csv");
    EXPECT_TRUE(Dialogs.ExecuteFileDialog(SaveListDialogNumber, name));
    EXPECT_EQ(Chooser.FileDialogs[0].InitialDir, "/data/old");
    EXPECT_EQ(Chooser.FileDialogs[0].FileName, "list.csv");
    EXPECT_EQ(Dialogs.InitialDir, "/data/new");

    name = "/top.csv";
    Chooser.Choose("/top.csv");
    EXPECT_TRUE(Dialogs.ExecuteFileDialog(SaveListDialogNumber, name));
    EXPECT_EQ(Chooser.FileDialogs[1].InitialDir, "/");
    EXPECT_EQ(Dialogs.InitialDir, "/");
}

TEST_F(OpenDialogs, AChosenFolderMakesItsParentTheInitialDirectory)
{
    Tree.CreateDirectory("Data/Src");
    std::string name = Tree.Path("Data/Src");
    bool result = false;
    Chooser.Choose(Tree.Path("Data/Dst"));
    Answers.CompareDialogSelectFile(nullptr, name, result, skDestination);
    EXPECT_TRUE(result);
    EXPECT_EQ(name, Tree.Path("Data/Dst"));
    EXPECT_EQ(Dialogs.InitialDir, Tree.Path("Data"));

    // The browser starts only at a folder that exists.
    name = Tree.Path("missing");
    Chooser.Choose("/");
    Answers.CompareDialogSelectFile(nullptr, name, result, skSource);
    EXPECT_EQ(Dialogs.InitialDir, "/");

    ASSERT_EQ(Chooser.FolderRequests.size(), 2u);
    EXPECT_EQ(Chooser.FolderRequests[0].Prompt, "Select a directory.");
    EXPECT_EQ(Chooser.FolderRequests[0].Directory, Tree.Path("Data/Src"));
    EXPECT_EQ(Chooser.FolderRequests[1].Directory, "");
}

TEST_F(OpenDialogs, CancellingChangesNothing)
{
    Dialogs.InitialDir = "/work";
    OpenDialog1.FilterIndex = 2;
    std::string name = "proposal";
    bool result = false;
    Chooser.Cancel();
    Answers.CompareDialogSelectFile(nullptr, name, result, skImport);
    Chooser.Cancel();
    Answers.CompareDialogSelectFile(nullptr, name, result, skSource);
    EXPECT_FALSE(result);
    EXPECT_EQ(name, "proposal");
    EXPECT_EQ(Dialogs.InitialDir, "/work");
    EXPECT_EQ(OpenDialog1.FilterIndex, 2);

    // A kind the dialog never sends gets no choice and asks nothing.
    Answers.CompareDialogSelectFile(nullptr, name, result, static_cast<TSelectFileKind>(7));
    EXPECT_FALSE(result);
    EXPECT_EQ(History.Count(), 0);
}

TEST_F(OpenDialogs, TheFilterChoiceIsRememberedThroughAWriteAndARead)
{
    std::string name;
    Chooser.Choose("/work/a.vmc", 2);
    ASSERT_TRUE(Dialogs.ExecuteFileDialog(ImportDialogNumber, name));
    name.clear();
    Chooser.Choose("/work/b.vmc");
    ASSERT_TRUE(Dialogs.ExecuteFileDialog(ImportDialogNumber, name));
    EXPECT_EQ(Chooser.FileDialogs[1].FilterIndex, 2);

    TSettingsState state;
    state.InitialDir = Dialogs.InitialDir;
    state.FilterIndexes = Dialogs.FilterIndexes();
    WriteSettingsFile(Tree.Path("Settings.ini"), state);

    // The next run.
    TFileDialog saveList = SaveListAsDialog(), import = ImportDialog(), exportDialog = ExportDialog();
    TOpenDialogList restored(Chooser);
    restored.Add(saveList);
    restored.Add(import);
    restored.Add(exportDialog);
    TSettingsState current;
    current.FilterIndexes = restored.FilterIndexes();
    const TStoredSettings stored = ReadSettingsFile(Tree.Path("Settings.ini"), current, 8);
    restored.InitialDir = stored.InitialDir;
    restored.SetFilterIndexes(stored.FilterIndexes);
    name.clear();
    Chooser.Cancel();
    EXPECT_FALSE(restored.ExecuteFileDialog(ImportDialogNumber, name));
    EXPECT_EQ(Chooser.FileDialogs[2].FilterIndex, 2);
    EXPECT_EQ(Chooser.FileDialogs[2].InitialDir, "/work");
    EXPECT_EQ(restored.FilterIndexes(), (std::vector<std::int32_t>{1, 2, 1}));
}

TEST_F(OpenDialogs, AnImportedFileGoesOnTopOfTheHistoryAndBecomesTheInitialDirectory)
{
    TCompareLoader loader;
    Tree.CreateDirectory("Saved");
    loader.SaveToFile(Tree.Path("Saved/Backup.vmc"));
    Dialogs.InitialDir = "/work";
    History.Add("/work/other.vmc");

    // Dropped on the compare dialog: no file dialog takes part.
    TScriptedMessenger messenger;
    TCompareDialog dialog(messenger);
    Answers.Attach(dialog);
    dialog.OpenItems({Tree.Path("Saved/Backup.vmc")});
    EXPECT_EQ(History.Entries(), (std::vector<std::string>{Tree.Path("Saved/Backup.vmc"), "/work/other.vmc"}));
    EXPECT_EQ(Dialogs.InitialDir, Tree.Path("Saved"));

    Answers.CompareDialogFileAccess(&dialog, "/work/Other.vmc", akExported);
    EXPECT_EQ(History.Entries(), (std::vector<std::string>{"/work/Other.vmc", Tree.Path("Saved/Backup.vmc")}));
    EXPECT_EQ(Dialogs.InitialDir, "/work");
}

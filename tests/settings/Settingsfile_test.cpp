#include <gtest/gtest.h>

#include "settings/Settingsfile.h"
#include "support/Ttreefixture.h"

namespace {
class SettingsFile : public ::testing::Test {
protected:
    SettingsFile()
    {
        Current.Bounds = {10, 20, 498, 397};
        Current.ListColumnWidths = {80, 80, 80, 80, 80, 80};
        Current.FilterIndexes = {1, 1, 1};
    }

    TStoredSettings Read(const std::string& text)
    {
        Tree.CreateFile("Settings.ini", text);
        return ReadSettingsFile(Tree.Path("Settings.ini"), Current, 8);
    }

    TTreeFixture Tree;
    TSettingsState Current;
};

const std::string LastPositionOn = "[ViewOptions]\nLastPosition=1\n";
}  // namespace

TEST_F(SettingsFile, WithoutAFileEveryValueHasItsDefault)
{
    const TStoredSettings stored = ReadSettingsFile(Tree.Path("Settings.ini"), Current, 8);
    EXPECT_EQ(stored.ViewOptions, TViewOptions());
    EXPECT_FALSE(stored.WindowState);
    EXPECT_FALSE(stored.Bounds);
    EXPECT_FALSE(stored.ListColumnWidths);
    EXPECT_TRUE(stored.FileHistory.empty());
    EXPECT_EQ(stored.InitialDir, "");
    EXPECT_EQ(stored.FilterIndexes, (std::vector<std::int32_t>{1, 1, 1}));
    EXPECT_FALSE(stored.OperationsSwitches.Verify || stored.OperationsSwitches.Trash);
}

TEST_F(SettingsFile, WritesEverySectionAndKeyInTheirOrder)
{
    TSettingsState state = Current;
    state.ViewOptions.StatusBar = false;
    state.ViewOptions.TopMost = true;
    state.WindowState = wsMaximized;
    state.Bounds = {-8, 0, 1200, 900};
    state.ListColumnWidths = {100, 200, 50, 90, 90, 70};
    state.FileHistory = {"/work/Backup.vmc", "/home/me/b.vmc"};
    state.InitialDir = "/work";
    state.FilterIndexes = {1, 2, 1};
    state.OperationsSwitches.Trash = true;
    EXPECT_EQ(SettingsText(state),
              "[ViewOptions]\r\nToolBar=1\r\nStatusBar=0\r\nLastPosition=0\r\nTopMost=1\r\n\r\n"
              "[MainForm]\r\nWindowState=2\r\nLeft=-8\r\nTop=0\r\nRight=1200\r\nBottom=900\r\n"
              "ListColumnWidth0=100\r\nListColumnWidth1=200\r\nListColumnWidth2=50\r\nListColumnWidth3=90\r\n"
              "ListColumnWidth4=90\r\nListColumnWidth5=70\r\n\r\n"
              "[FileHistory]\r\nItem0=/work/Backup.vmc\r\nItem1=/home/me/b.vmc\r\n\r\n"
              "[OpenDialogs]\r\nInitialDir=/work\r\nFilterIndex0=1\r\nFilterIndex1=2\r\nFilterIndex2=1\r\n\r\n"
              "[Operations]\r\nVerify=0\r\nTrash=1\r\n\r\n");

    state.ViewOptions.LastPosition = true;
    state.WindowState = wsNormal;
    WriteSettingsFile(Tree.Path("Settings.ini"), state);
    const TStoredSettings stored = ReadSettingsFile(Tree.Path("Settings.ini"), Current, 8);
    EXPECT_EQ(stored.ViewOptions, state.ViewOptions);
    EXPECT_EQ(stored.WindowState, wsNormal);
    EXPECT_EQ(stored.Bounds, state.Bounds);
    EXPECT_EQ(stored.ListColumnWidths, state.ListColumnWidths);
    EXPECT_EQ(stored.FileHistory, state.FileHistory);
    EXPECT_EQ(stored.InitialDir, "/work");
    EXPECT_EQ(stored.FilterIndexes, state.FilterIndexes);
    EXPECT_FALSE(stored.OperationsSwitches.Verify);
    EXPECT_TRUE(stored.OperationsSwitches.Trash);
}

TEST_F(SettingsFile, AnEmptyHistoryWritesNoSectionAndAnUnstorablePathIsLeftOut)
{
    EXPECT_EQ(SettingsText(Current).find("[FileHistory]"), std::string::npos);
    TSettingsState state = Current;
    state.FileHistory = {"/a.vmc", "/line\nbreak.vmc", "/c.vmc"};
    state.InitialDir = "/line\nbreak";
    const std::string text = SettingsText(state);
    EXPECT_NE(text.find("[FileHistory]\r\nItem0=/a.vmc\r\nItem1=/c.vmc\r\n\r\n"), std::string::npos);
    EXPECT_NE(text.find("[OpenDialogs]\r\nInitialDir=\r\n"), std::string::npos);
}

TEST_F(SettingsFile, WithLastPositionOffTheWindowValuesAreIgnored)
{
    const TStoredSettings stored =
        Read("[ViewOptions]\nLastPosition=0\n[MainForm]\nWindowState=0\nLeft=300\nListColumnWidth0=5\n");
    EXPECT_FALSE(stored.WindowState);
    EXPECT_FALSE(stored.Bounds);
    EXPECT_FALSE(stored.ListColumnWidths);
}

TEST_F(SettingsFile, AStoredNormalStateRestoresBoundsAndWidthsFallingBackToTheCurrentOnes)
{
    const TStoredSettings stored =
        Read(LastPositionOn +
             "[MainForm]\nLeft=300\nRight=abc\nBottom=0x100\nListColumnWidth0=5\nListColumnWidth5=9\n"
             "ListColumnWidth6=7\n");
    EXPECT_EQ(stored.WindowState, wsNormal);
    EXPECT_EQ(stored.Bounds, (TWindowRect{300, 20, 498, 256}));
    EXPECT_EQ(stored.ListColumnWidths, (std::vector<std::int32_t>{5, 80, 80, 80, 80, 9}));
}

TEST_F(SettingsFile, AMaximizedStateRestoresNeitherBoundsNorWidths)
{
    const TStoredSettings stored = Read(LastPositionOn + "[MainForm]\nWindowState=2\nLeft=300\nListColumnWidth0=5\n");
    EXPECT_EQ(stored.WindowState, wsMaximized);
    EXPECT_FALSE(stored.Bounds);
    EXPECT_FALSE(stored.ListColumnWidths);
    EXPECT_EQ(Read(LastPositionOn + "[MainForm]\nWindowState=1\n").WindowState, wsMinimized);
    // A state the program never writes counts as normal.
    const TStoredSettings unknown = Read(LastPositionOn + "[MainForm]\nWindowState=7\nLeft=300\n");
    EXPECT_EQ(unknown.WindowState, wsNormal);
    EXPECT_EQ(unknown.Bounds->Left, 300);
}

TEST_F(SettingsFile, TheHistoryStopsAtTheFirstGapAndAtTheCapacity)
{
    EXPECT_EQ(Read("[FileHistory]\nItem0=/a.vmc\nItem2=/c.vmc\n").FileHistory, std::vector<std::string>{"/a.vmc"});
    EXPECT_EQ(Read("[FileHistory]\nItem1=/b.vmc\n").FileHistory, std::vector<std::string>{});

    std::string all = "[FileHistory]\n";
    for (int i = 0; i < 10; ++i)
        all += "Item" + std::to_string(i) + "=/" + std::to_string(i) + ".vmc\n";
    const TStoredSettings stored = Read(all);
    ASSERT_EQ(stored.FileHistory.size(), 8u);
    EXPECT_EQ(stored.FileHistory.back(), "/7.vmc");

    EXPECT_EQ(Read("[FileHistory]\nItem0=/a.vmc\nitem1=/A.VMC\nItem2=\nItem3=/a.vmc\n").FileHistory,
              (std::vector<std::string>{"/a.vmc", "/A.VMC", "", "/a.vmc"}));
}

TEST_F(SettingsFile, BooleansAreIntegersAndSectionNamesIgnoreLetterCase)
{
    const TStoredSettings stored = Read(
        "[viewoptions]\nToolBar=yes\nStatusBar=2\nLastPosition=yes\ntopmost=0x1\n"
        "[OPENDIALOGS]\n InitialDir = /work/my dir \nFilterIndex1=$2\nFilterIndex2=x\n");
    EXPECT_TRUE(stored.ViewOptions.ToolBar);
    EXPECT_TRUE(stored.ViewOptions.StatusBar);
    EXPECT_FALSE(stored.ViewOptions.LastPosition);
    EXPECT_TRUE(stored.ViewOptions.TopMost);
    EXPECT_EQ(stored.InitialDir, "/work/my dir");
    EXPECT_EQ(stored.FilterIndexes, (std::vector<std::int32_t>{1, 2, 1}));
    EXPECT_FALSE(Read("[ViewOptions]\nToolBar=0\n").ViewOptions.ToolBar);
}

TEST_F(SettingsFile, AWriteKeepsOnlyItsOwnSectionsAndMakesAMissingDirectory)
{
    Tree.CreateFile("Settings.ini", "[Other]\nKey=1\n[ViewOptions]\nUnknown=2\nToolBar=0\n");
    WriteSettingsFile(Tree.Path("Settings.ini"), Current);
    EXPECT_EQ(Tree.ReadFile("Settings.ini"), SettingsText(Current));

    WriteSettingsFile(Tree.Path("config/Vellumark/Settings.ini"), Current);
    EXPECT_EQ(Tree.ReadFile("config/Vellumark/Settings.ini"), SettingsText(Current));

    Tree.CreateDirectory("folder.ini");
    EXPECT_THROW(WriteSettingsFile(Tree.Path("folder.ini"), Current), std::runtime_error);
    Tree.CreateFile("file", "");
    EXPECT_THROW(WriteSettingsFile(Tree.Path("file/Settings.ini"), Current), std::runtime_error);
}

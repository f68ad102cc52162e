#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>

#include "settings/qt/Tsettingsstorage.h"
#include "settings/qt/Tsettingstoolrun.h"
#include "support/Tscriptedmessenger.h"
#include "support/Ttreefixture.h"

namespace {
const std::string LoadQuestion = "The program cannot load the settings.\r\n\r\nRetry?";
const std::string SaveQuestion = "The program cannot save the settings.\r\n\r\nRetry?";

class SettingsStorage : public ::testing::Test {
protected:
    SettingsStorage()
    {
        Current.ListColumnWidths = {80, 80, 80, 80, 80, 80};
        Current.FilterIndexes = {1, 1, 1};
    }

    TTreeFixture Tree;
    TScriptedMessenger Messenger;
    TSettingsState Current;
};
}  // namespace

TEST_F(SettingsStorage, WithoutAFileNothingIsLoadedAndNothingAsked)
{
    TSettingsStorage storage(Tree.Path("Settings.ini"), Messenger);
    EXPECT_FALSE(storage.LoadSettings(Current, 8));
    EXPECT_TRUE(Messenger.Shown().empty());
}

TEST_F(SettingsStorage, ASavedFileLoadsBack)
{
    TSettingsStorage storage(Tree.Path("Settings.ini"), Messenger);
    TSettingsState state = Current;
    state.ViewOptions.ToolBar = false;
    state.FileHistory = {"/work/a.vmc"};
    ASSERT_TRUE(storage.SaveSettings(state));
    const std::optional<TStoredSettings> stored = storage.LoadSettings(Current, 8);
    ASSERT_TRUE(stored);
    EXPECT_FALSE(stored->ViewOptions.ToolBar);
    EXPECT_EQ(stored->FileHistory, state.FileHistory);
    EXPECT_TRUE(Messenger.Shown().empty());
}

TEST_F(SettingsStorage, AFileThatCannotBeReadIsRetriedWhileTheAnswerIsOk)
{
    // Too large to be a settings file: unreadable whoever runs the test.
    Tree.CreateFile("Settings.ini", "");
    ASSERT_EQ(truncate(Tree.Path("Settings.ini").c_str(), 17 * 1024 * 1024), 0);
    TSettingsStorage storage(Tree.Path("Settings.ini"), Messenger);
    EXPECT_FALSE(storage.ReadSettings(Current, 8));
    Messenger.AnswerOk();
    Messenger.AnswerCancel();
    EXPECT_FALSE(storage.LoadSettings(Current, 8));
    ASSERT_EQ(Messenger.Texts(), (std::vector<std::string>{LoadQuestion, LoadQuestion}));
    EXPECT_EQ(Messenger.Shown()[0].Caption, "Vellumark");
    EXPECT_EQ(Messenger.Shown()[0].Kind, mkWarning);
    EXPECT_EQ(Messenger.Shown()[0].Buttons, (std::vector<std::string>{"OK", "Cancel"}));
}

TEST_F(SettingsStorage, AFileThatCannotBeWrittenIsRetriedWhileTheAnswerIsOk)
{
    Tree.CreateDirectory("Settings.ini");
    TSettingsStorage storage(Tree.Path("Settings.ini"), Messenger);
    Messenger.AnswerOk();
    Messenger.AnswerOk();
    Messenger.AnswerCancel();
    EXPECT_FALSE(storage.SaveSettings(Current));
    EXPECT_EQ(Messenger.Texts(), (std::vector<std::string>{SaveQuestion, SaveQuestion, SaveQuestion}));
    EXPECT_EQ(Messenger.Shown()[2].Kind, mkWarning);
}

TEST_F(SettingsStorage, AReadOnlyFileAsksAtEveryAttemptUntilCancel)
{
    TSettingsToolRun tool(Tree);
    Tree.CreateDirectory("exe");
    ASSERT_EQ(chmod(Tree.Path("exe").c_str(), 0777), 0);
    Tree.CreateFile("exe/Settings.ini", "[Mine]\r\n");
    ASSERT_EQ(chmod(Tree.Path("exe/Settings.ini").c_str(), 0444), 0);
    EXPECT_EQ(tool.Run("save-settings " + Tree.Path("exe/Settings.ini") + " 2"),
              SaveQuestion + "\n" + SaveQuestion + "\n" + SaveQuestion + "\nnot saved\n");
    EXPECT_EQ(Tree.ReadFile("exe/Settings.ini"), "[Mine]\r\n");

    ASSERT_EQ(chmod(Tree.Path("exe/Settings.ini").c_str(), 0666), 0);
    EXPECT_EQ(tool.Run("save-settings " + Tree.Path("exe/Settings.ini") + " 0"), "saved\n");
    EXPECT_EQ(Tree.ReadFile("exe/Settings.ini"), SettingsText(TSettingsState()));
}

TEST_F(SettingsStorage, TheFileLivesBesideTheProgramOnlyWhereItCanBeWritten)
{
    TSettingsToolRun tool(Tree);
    Tree.CreateDirectory("exe");
    Tree.CreateDirectory("config");
    const std::string arguments = "location " + Tree.Path("exe") + " " + Tree.Path("config");
    ASSERT_EQ(chmod(Tree.Path("exe").c_str(), 0777), 0);
    EXPECT_EQ(tool.Run(arguments), Tree.Path("exe/Settings.ini") + "\n");
    ASSERT_EQ(chmod(Tree.Path("exe").c_str(), 0555), 0);
    EXPECT_EQ(tool.Run(arguments), Tree.Path("config/Settings.ini") + "\n");
    // An installed copy keeps its settings per user, also where root may write to bin/.
    Tree.CreateDirectory("prefix/bin");
    Tree.CreateDirectory("prefix/share/vellumark");
    EXPECT_EQ(SettingsFileLocation(Tree.Path("prefix/bin"), Tree.Path("config")), Tree.Path("config/Settings.ini"));
    EXPECT_EQ(SettingsFileLocation(Tree.Path("missing"), "/home/me/.config/Vellumark"),
              "/home/me/.config/Vellumark/Settings.ini");

    // A test program sits in a writable build tree.
    EXPECT_EQ(ChooseSettingsFileName(),
              QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString() + "/Settings.ini");
}

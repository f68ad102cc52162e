#include <gtest/gtest.h>

#include "settings/Tfilehistory.h"

namespace {
class FileHistory : public ::testing::Test {
protected:
    FileHistory()
    {
        History.SetCapacity(8);
        History.OnChange = [this](TFileHistory* sender) {
            EXPECT_EQ(sender, &History);
            ++Notices;
        };
    }

    void AddNames(int count)
    {
        for (int i = 0; i < count; ++i)
            History.Add("/work/" + std::to_string(i) + ".vmc");
        Notices = 0;
    }

    std::vector<std::string> Captions() const
    {
        std::vector<std::string> captions;
        for (std::int32_t i = 0; i < History.Count(); ++i)
            captions.push_back(FileHistoryCaption(i, History.Get(i)));
        return captions;
    }

    TFileHistory History;
    int Notices = 0;
};
}  // namespace

TEST_F(FileHistory, AddingANameInOtherLetterCaseMovesItToTheTopWithTheNewSpelling)
{
    History.Add("/work/Backup.vmc");
    History.Add("/work/Other.vmc");
    History.Add("/WORK/backup.VMC");
    EXPECT_EQ(History.Entries(), (std::vector<std::string>{"/WORK/backup.VMC", "/work/Other.vmc"}));
    EXPECT_EQ(History.IndexOf("/Work/Other.Vmc"), 1);
    EXPECT_EQ(History.IndexOf("work/Other.vmc"), -1);
    EXPECT_EQ(Notices, 3);
}

TEST_F(FileHistory, ANinthNameDropsTheOldest)
{
    AddNames(8);
    History.Add("/work/new.vmc");
    ASSERT_EQ(History.Count(), 8);
    EXPECT_EQ(History.Get(0), "/work/new.vmc");
    EXPECT_EQ(History.Get(7), "/work/1.vmc");
    EXPECT_EQ(History.IndexOf("/work/0.vmc"), -1);
    EXPECT_EQ(Captions().back(), "&8 1.vmc - /work");
    EXPECT_EQ(Notices, 1);
}

TEST_F(FileHistory, EachOperationAndEachCallersBatchSendsOneNotice)
{
    History.Insert(0, "/a.vmc");
    EXPECT_EQ(Notices, 1);
    History.SetCount(3);
    EXPECT_EQ(Notices, 2);
    EXPECT_EQ(History.Entries(), (std::vector<std::string>{"/a.vmc", "", ""}));
    History.Clear();
    History.Clear();  // a batch that changes nothing still tells
    EXPECT_EQ(Notices, 4);

    History.BeginUpdate();
    History.BeginUpdate();
    History.Add("/x.vmc");
    History.Add("/y.vmc");
    History.Delete(0);
    History.EndUpdate();
    EXPECT_EQ(Notices, 4);
    History.EndUpdate();
    EXPECT_EQ(Notices, 5);
    EXPECT_EQ(History.Entries(), std::vector<std::string>{"/x.vmc"});

    History.Delete(0);
    EXPECT_EQ(Notices, 6);
}

TEST_F(FileHistory, EndUpdateWithoutBeginUpdateDoesNothing)
{
    History.EndUpdate();
    EXPECT_EQ(Notices, 0);
    // The count did not go below zero: the next batch still ends with its notice.
    History.BeginUpdate();
    History.Add("/a.vmc");
    EXPECT_EQ(Notices, 0);
    History.EndUpdate();
    EXPECT_EQ(Notices, 1);
}

TEST_F(FileHistory, SetCapacityCutsTheOldestOnceAndNeverAdds)
{
    AddNames(5);
    History.SetCapacity(3);
    EXPECT_EQ(History.Entries(), (std::vector<std::string>{"/work/4.vmc", "/work/3.vmc", "/work/2.vmc"}));
    EXPECT_EQ(Notices, 1);
    History.SetCapacity(8);
    EXPECT_EQ(History.Count(), 3);
    EXPECT_EQ(Notices, 1);

    History.SetCapacity(0);
    History.Add("/work/a.vmc");
    EXPECT_EQ(History.Count(), 0);
}

TEST_F(FileHistory, DeletingIndexTwoOfFiveRenumbersTheCaptions)
{
    AddNames(5);
    History.Delete(2);
    EXPECT_EQ(Captions(), (std::vector<std::string>{"&1 4.vmc - /work", "&2 3.vmc - /work", "&3 1.vmc - /work",
                                                    "&4 0.vmc - /work"}));
    EXPECT_EQ(Notices, 1);
    EXPECT_THROW(History.Delete(4), std::out_of_range);
    EXPECT_THROW(History.Insert(5, "/b.vmc"), std::out_of_range);
    EXPECT_THROW(History.Get(-1), std::out_of_range);
    EXPECT_EQ(Notices, 1);
}

TEST_F(FileHistory, AssignRefillsInOneBatchUpToTheCapacity)
{
    AddNames(2);
    History.SetCapacity(3);
    History.Assign({"/a.vmc", "/a.vmc", "", "/d.vmc"});
    EXPECT_EQ(History.Entries(), (std::vector<std::string>{"/a.vmc", "/a.vmc", ""}));
    EXPECT_EQ(Notices, 1);
}

TEST(FileHistoryCaption, ShowsNameAndDirectoryWithTheAccessKey)
{
    EXPECT_EQ(FileHistoryCaption(0, "/work/Backup.vmc"), "&1 Backup.vmc - /work");
    EXPECT_EQ(FileHistoryCaption(1, "/Backup.vmc"), "&2 Backup.vmc - /");
    EXPECT_EQ(FileHistoryCaption(2, ""), "&3  - ");
    EXPECT_EQ(FileHistoryCaption(9, "/R&D/a&b.vmc"), "&10 a&&b.vmc - /R&&D");
}

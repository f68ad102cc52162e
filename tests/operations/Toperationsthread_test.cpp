#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <iterator>
#include <map>
#include <memory>
#include <stdexcept>
#include <thread>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "operations/Toperationsrun.h"
#include "support/Hangguard.h"
#include "support/Tmount.h"
#include "support/Ttreefixture.h"
#include "sys/Mysysutils.h"

namespace {
using TLines = std::vector<std::string>;

// The real file work, with a hook that runs before each copy attempt.
class THookedTransfer : public TFileTransfer {
public:
    using TFileTransfer::TFileTransfer;
    std::function<void(const std::string& source)> BeforeCopy;
    TTransferOutcome Copy(const std::string& source, const std::string& destination, const TSeenFiles* seen) override
    {
        BeforeCopy(source);
        return TFileTransfer::Copy(source, destination, seen);
    }
};

// The real file work, where the user's stop comes while a large file is in hand: before its
// data, to be heard between two pieces of it, or once its data landed, to be heard in the
// flush of a move or of a verified copy.
class TStoppedInHand : public TCopyingTransfer {
public:
    using TCopyingTransfer::TCopyingTransfer;
    // Larger than the largest piece of a copy.
    static constexpr std::size_t Large = std::size_t{9} << 20;
    // What the copy of the large file's data came to, and how many of its bytes had landed then;
    // kept by the test, as the run takes the file work with it.
    struct TData {
        int Result = -1;
        std::int64_t Landed = -1;
    };
    bool AfterData = false;
    std::function<void()> RequestStop;
    std::function<std::int64_t()> Counter;
    TData* Data = nullptr;

protected:
    int CopyContents(int source, int target, const struct stat& sourceInfo) const override
    {
        if (static_cast<std::size_t>(sourceInfo.st_size) < Large)
            return TFileTransfer::CopyContents(source, target, sourceInfo);
        const std::int64_t before = Counter();
        if (!AfterData)
            RequestStop();
        Data->Result = TFileTransfer::CopyContents(source, target, sourceInfo);
        Data->Landed = Counter() - before;
        if (AfterData)
            RequestStop();
        return Data->Result;
    }
};

// Asks for termination, as soon as the first item is looked at, from inside Run.
class TTerminatedInRun : public TOperationsThread {
public:
    using TOperationsThread::TOperationsThread;

protected:
    void Run() override
    {
        Terminate();
        TOperationsThread::Run();
    }
};

class OperationsThread : public ::testing::Test {
protected:
    // Ten files a0..a9 in src, to go to dst.
    void MakeTenItems()
    {
        std::vector<std::string> names;
        for (int i = 0; i < 10; ++i) {
            names.push_back("a" + std::to_string(i));
            Tree.CreateFile("src/" + names.back(), "contents " + names.back());
        }
        TenItems = Items(names);
    }
    TLines CopyAnnouncements(int count) const
    {
        TLines lines;
        for (int i = 0; i < count; ++i) {
            lines.push_back("Copying \"a" + std::to_string(i) + "\" from \"" + Tree.Path("src") + "\" to \"" +
                            Tree.Path("dst") + "\"");
            lines.push_back("Succeeded");
        }
        return lines;
    }

    TCompareRoots Roots() const { return {Tree.Path("src"), Tree.Path("dst")}; }

    TTreeFixture Tree;
    std::vector<TCompareItem> TenItems;
};
}  // namespace

TEST(OperationsTexts, QuotedSuccessAndCompletion)
{
    EXPECT_EQ(QuotedText("a b"), "\"a b\"");
    EXPECT_EQ(QuotedText(""), "\"\"");
    EXPECT_EQ(SuccessText(true), "Succeeded");
    EXPECT_EQ(SuccessText(false), "Not succeeded");
    EXPECT_EQ(CompletionText(3, 3, false), "Done");
    EXPECT_EQ(CompletionText(0, 0, false), "Done");
    EXPECT_EQ(CompletionText(1, 3, false), "Stopped");
    EXPECT_EQ(CompletionText(0, 3, false), "Canceled");
    // The last item stopped in hand: the run did not come to its end.
    EXPECT_EQ(CompletionText(3, 3, true), "Stopped");
    EXPECT_EQ(CompletionText(1, 3, true), "Stopped");
}

TEST_F(OperationsThread, CopyAnnouncesAndAnswersEveryItemThenCounts)
{
    Tree.CreateFile("src/one.txt", "1");
    Tree.CreateFile("src/sub/two.txt", "2");
    const TOperationsReport report = RunOperations({"one.txt", "missing.txt", "sub/two.txt"}, foCopy, Roots());
    const std::string src = Tree.Path("src"), dst = Tree.Path("dst");
    EXPECT_EQ(report.Lines, (TLines{
                                "Copying \"one.txt\" from \"" + src + "\" to \"" + dst + "\"",
                                "Succeeded",
                                "Copying \"missing.txt\" from \"" + src + "\" to \"" + dst + "\"",
                                "Not succeeded",
                                "Copying \"two.txt\" from \"" + src + "/sub\" to \"" + dst + "/sub\"",
                                "Succeeded",
                                "Done",
                                "Succeeded: 2 items",
                                "Not succeeded: 1 items",
                            }));
    EXPECT_EQ(report.Reasons, (TLines{"", "No such file or directory", ""}));
    EXPECT_EQ(report.LastPosition, 3);
    EXPECT_EQ(report.LastMaximum, 3);
    EXPECT_EQ(Tree.ReadFile("dst/one.txt"), "1");
    EXPECT_EQ(Tree.ReadFile("dst/sub/two.txt"), "2");
    EXPECT_EQ(Tree.ReadFile("src/one.txt"), "1");
    EXPECT_FALSE(Tree.Exists("dst/missing.txt"));
}

namespace {
// Descriptors of this process that reach into the folder.
int OpenDescriptorsBelow(const std::string& folder)
{
    int found = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        if (std::filesystem::read_symlink(entry.path(), error).string().starts_with(folder))
            ++found;
    }
    return found;
}
}  // namespace

TEST_F(OperationsThread, MoveCopiesThenRemovesTheSource)
{
    Tree.CreateFile("src/f", "moved");
    Tree.CreateFile("dst/f", "old");
    TEventLoop loop;
    TOperationsThread thread(Items({"f"}), foMove, Roots(), loop,
                             std::make_unique<TFileTransfer>(TransferRoots(Roots())));
    const TOperationsReport report = RunToEnd(thread, loop);
    // Ended, though not yet released: a card could not be ejected while its folders are held open.
    EXPECT_EQ(OpenDescriptorsBelow(Tree.Path("src")) + OpenDescriptorsBelow(Tree.Path("dst")), 0);
    EXPECT_EQ(report.Lines, (TLines{"Moving \"f\" from \"" + Tree.Path("src") + "\" to \"" + Tree.Path("dst") + "\"",
                                    "Succeeded", "Done", "Succeeded: 1 items", "Not succeeded: 0 items"}));
    EXPECT_FALSE(Tree.Exists("src/f"));
    EXPECT_EQ(Tree.ReadFile("dst/f"), "moved");
}

TEST_F(OperationsThread, DeleteRemovesOnlySourceFiles)
{
    Tree.CreateFile("src/f", "source");
    Tree.CreateFile("dst/f", "destination");
    Tree.CreateDirectory("src/folder");
    const TOperationsReport report = RunOperations({"f", "folder", "sub/missing"}, foDelete, Roots());
    EXPECT_EQ(report.Lines, (TLines{
                                "Deleting \"f\" in \"" + Tree.Path("src") + "\"",
                                "Succeeded",
                                "Deleting \"folder\" in \"" + Tree.Path("src") + "\"",
                                "Not succeeded",
                                "Deleting \"missing\" in \"" + Tree.Path("src/sub") + "\"",
                                "Not succeeded",
                                "Done",
                                "Succeeded: 1 items",
                                "Not succeeded: 2 items",
                            }));
    EXPECT_FALSE(Tree.Exists("src/f"));
    EXPECT_TRUE(Tree.Exists("src/folder"));
    EXPECT_EQ(Tree.ReadFile("dst/f"), "destination");
}

TEST_F(OperationsThread, ARowOnlyInTheDestinationIsLeftAloneByEveryOperation)
{
    // A source file that turned up at its path after the comparison was never compared.
    Tree.CreateFile("src/only.txt", "new in the source");
    Tree.CreateFile("dst/only.txt", "only in the destination");
    std::vector<TCompareItem> items = Items({"only.txt"});
    items[0].Result = TCompareResult::DestinationOnly;
    for (const TFileOperation operation : {foCopy, foMove, foDelete}) {
        SCOPED_TRACE(operation);
        TEventLoop loop;
        TOperationsThread thread(items, operation, Roots(), loop,
                                 std::make_unique<TFileTransfer>(TransferRoots(Roots())));
        const TOperationsReport report = RunToEnd(thread, loop);
        EXPECT_EQ(report.Reasons, TLines{"the file is only in the destination"});
        EXPECT_EQ(Tree.ReadFile("src/only.txt"), "new in the source");
        EXPECT_EQ(Tree.ReadFile("dst/only.txt"), "only in the destination");
    }
}

TEST_F(OperationsThread, EmptyListIsDoneWithZeroCountsAndNoProgress)
{
    const TOperationsReport report = RunOperations({}, foMove, Roots());
    EXPECT_EQ(report.Lines, (TLines{"Done", "Succeeded: 0 items", "Not succeeded: 0 items"}));
    EXPECT_EQ(report.ProgressReports, 0);
}

TEST_F(OperationsThread, CountsAreGroupedInThousands)
{
    // A thousand deletes that succeed without touching anything.
    struct TDeletesNothing : TFileTransfer {
        using TFileTransfer::TFileTransfer;
        TTransferOutcome Delete(const std::string&, const TSeenFiles*) override { return TTransferOutcome::Success(); }
    };
    const TOperationsReport report = RunOperations(std::vector<std::string>(1000, "f"), foDelete, Roots(),
                                                   std::make_unique<TDeletesNothing>(TransferRoots(Roots())));
    ASSERT_GE(report.Lines.size(), 3u);
    EXPECT_EQ(TLines(report.Lines.end() - 3, report.Lines.end()),
              (TLines{"Done", "Succeeded: 1,000 items", "Not succeeded: 0 items"}));
    EXPECT_EQ(report.Lines.size(), 2003u);
}

TEST_F(OperationsThread, TerminationDuringAnItemLetsThatItemFinish)
{
    // Asked for during item k, small enough to be copied in one piece: k items are done, and the
    // status says Stopped unless k is the last.
    for (const int k : {1, 3, 10}) {
        SCOPED_TRACE(k);
        TTreeFixture tree;
        std::vector<std::string> names;
        for (int i = 0; i < 10; ++i) {
            names.push_back("a" + std::to_string(i));
            tree.CreateFile("src/" + names.back(), "x");
        }
        TEventLoop loop;
        const TCompareRoots roots(tree.Path("src"), tree.Path("dst"));
        auto hooked = std::make_unique<THookedTransfer>(TransferRoots(roots));
        THookedTransfer& files = *hooked;
        auto thread = std::make_unique<TOperationsThread>(Items(names), foCopy, roots, loop, std::move(hooked));
        // The request comes from the user-interface thread while the worker is inside item k.
        files.BeforeCopy = [&](const std::string& source) {
            if (source == tree.Path("src/" + names[k - 1]))
                loop.CallAndWait([&] { thread->Terminate(); });
        };
        const TOperationsReport report = RunToEnd(*thread, loop);

        TLines expected;
        for (int i = 0; i < k; ++i) {
            expected.push_back("Copying \"a" + std::to_string(i) + "\" from \"" + tree.Path("src") + "\" to \"" +
                               tree.Path("dst") + "\"");
            expected.push_back("Succeeded");
        }
        expected.push_back(k < 10 ? "Stopped" : "Done");
        expected.push_back("Succeeded: " + std::to_string(k) + " items");
        expected.push_back("Not succeeded: 0 items");
        EXPECT_EQ(report.Lines, expected);
        EXPECT_EQ(report.LastPosition, k);
        EXPECT_EQ(report.LastMaximum, 10);
        EXPECT_TRUE(tree.Exists("dst/a" + std::to_string(k - 1)));
        if (k < 10) {
            EXPECT_FALSE(tree.Exists("dst/a" + std::to_string(k)));
        }
    }
}

TEST_F(OperationsThread, AStopHeardInsideALargeFileDiscardsItsCopyAndEndsStopped)
{
    struct TCase {
        const char* Name;
        TFileOperation Operation;
        bool Verify;
        bool AfterData;
        bool LargeIsLast;
    };
    std::string large(TStoppedInHand::Large + 12345, '\0');
    for (std::size_t i = 0; i < large.size(); ++i)
        large[i] = static_cast<char>(i * 7919 % 251);
    for (const TCase& test : {TCase{"copy, between pieces", foCopy, false, false, false},
                              TCase{"move, between pieces, last item", foMove, false, false, true},
                              TCase{"move, in the flush", foMove, false, true, false},
                              TCase{"verified copy, after the data, last item", foCopy, true, true, true}}) {
        SCOPED_TRACE(test.Name);
        TTreeFixture tree;
        tree.CreateFile("src/a", "small a");
        tree.CreateFile("src/large", large);
        tree.CreateFile("dst/large", "old");
        tree.CreateFile("src/z", "small z");
        std::vector<std::string> names{"a", "large"};
        if (!test.LargeIsLast)
            names.emplace_back("z");
        TEventLoop loop;
        const TCompareRoots roots(tree.Path("src"), tree.Path("dst"));
        auto stopping = std::make_unique<TStoppedInHand>(TransferRoots(roots), TTransferOptions{test.Verify, false});
        TStoppedInHand& files = *stopping;
        auto thread =
            std::make_unique<TOperationsThread>(Items(names), test.Operation, roots, loop, std::move(stopping));
        TStoppedInHand::TData data;
        files.AfterData = test.AfterData;
        files.Counter = [&] { return thread->Counts().Bytes; };
        files.Data = &data;
        // From the user-interface thread, as the dialog and the command line ask for it.
        files.RequestStop = [&] { loop.CallAndWait([&] { thread->Terminate(); }); };
        const TOperationsReport report = RunToEnd(*thread, loop);

        const std::string verb = test.Operation == foMove ? "Moving" : "Copying";
        const std::string from = "\" from \"" + tree.Path("src") + "\" to \"" + tree.Path("dst") + "\"";
        EXPECT_EQ(report.Lines, (TLines{verb + " \"a" + from, "Succeeded", verb + " \"large" + from, "Not succeeded",
                                        "Stopped", "Succeeded: 1 items", "Not succeeded: 1 items"}));
        EXPECT_EQ(report.LastPosition, 2);
        EXPECT_EQ(report.LastMaximum, static_cast<std::int32_t>(names.size()));
        // The bytes and the item of "a" only: the large copy went with the stop.
        EXPECT_EQ(report.BytesDone, 7);
        EXPECT_EQ(report.ItemsDone, 1);
        if (test.AfterData) {
            EXPECT_EQ(data.Result, 0);
            EXPECT_EQ(data.Landed, static_cast<std::int64_t>(large.size()));
        } else {
            EXPECT_EQ(data.Result, ECANCELED);
            EXPECT_GT(data.Landed, 0);
            EXPECT_LT(data.Landed, static_cast<std::int64_t>(large.size()));
        }
        EXPECT_EQ(tree.ReadFile("dst/large"), "old");
        EXPECT_TRUE(tree.Exists("src/large") && tree.ReadFile("src/large") == large) << "the source changed";
        EXPECT_EQ(LeftoverTemporaries(tree.Path("dst")), TLines{});
        EXPECT_FALSE(tree.Exists("dst/z"));
        EXPECT_EQ(tree.ReadFile("dst/a"), "small a");
    }
}

TEST_F(OperationsThread, TerminationBeforeTheFirstItemIsCanceled)
{
    MakeTenItems();
    TEventLoop loop;
    const TOperationsReport report =
        RunToEnd(*std::make_unique<TTerminatedInRun>(TenItems, foMove, Roots(), loop), loop);
    EXPECT_EQ(report.Lines, (TLines{"Canceled", "Succeeded: 0 items", "Not succeeded: 0 items"}));
    EXPECT_EQ(report.ProgressReports, 0);
    EXPECT_FALSE(Tree.Exists("dst"));
    EXPECT_TRUE(Tree.Exists("src/a0"));
}

TEST_F(OperationsThread, TerminationBeforeRunLogsNothing)
{
    MakeTenItems();
    TEventLoop loop;
    auto thread = std::make_unique<TOperationsThread>(TenItems, foCopy, Roots(), loop);
    thread->Terminate();
    const TOperationsReport report = RunToEnd(*thread, loop);
    EXPECT_TRUE(report.Lines.empty());
    EXPECT_EQ(report.ProgressReports, 0);
    EXPECT_FALSE(Tree.Exists("dst"));
}

TEST_F(OperationsThread, AnExceptionEndsTheRunWithError)
{
    MakeTenItems();
    auto hooked = std::make_unique<THookedTransfer>(TransferRoots(Roots()));
    hooked->BeforeCopy = [&](const std::string& source) {
        if (source == Tree.Path("src/a1"))
            throw std::runtime_error("The file work broke down.");
    };
    const TOperationsReport report = RunOperations({"a0", "a1", "a2"}, foCopy, Roots(), std::move(hooked));
    TLines expected = CopyAnnouncements(2);
    expected.back() = "Error";
    EXPECT_EQ(report.Lines, expected);
    EXPECT_TRUE(Tree.Exists("dst/a0"));
    EXPECT_FALSE(Tree.Exists("dst/a1"));
    EXPECT_FALSE(Tree.Exists("dst/a2"));
}

TEST_F(OperationsThread, BytesAndItemsDoneFollowTheRun)
{
    Tree.CreateFile("src/a", std::string(3000, 'a'));
    Tree.CreateFile("src/b", std::string(5000, 'b'));
    std::vector<TCompareItem> items = Items({"a", "missing", "b"});
    for (const auto& [item, size] : {std::pair{0, 3000}, std::pair{1, 700}, std::pair{2, 5000}})
        items[static_cast<std::size_t>(item)].SetSeen(TSideFacts{size, 1}, std::nullopt);
    TEventLoop loop;
    auto hooked = std::make_unique<THookedTransfer>(TransferRoots(Roots()));
    THookedTransfer& files = *hooked;
    auto thread = std::make_unique<TOperationsThread>(items, foCopy, Roots(), loop, std::move(hooked));
    std::vector<std::pair<std::int32_t, std::int64_t>> atStart;
    files.BeforeCopy = [&](const std::string&) {
        atStart.emplace_back(thread->Counts().Items, thread->Counts().Bytes);
    };
    const TOperationsReport report = RunToEnd(*thread, loop);
    EXPECT_EQ(SourceBytes(items), 8700);
    // A failed item's bytes are passed over all the same.
    EXPECT_EQ(atStart, (std::vector<std::pair<std::int32_t, std::int64_t>>{{0, 0}, {1, 3000}, {2, 3700}}));
    EXPECT_EQ(report.LastPosition, 3);
}

namespace {
// The real file work, moving by copying, where the sync of the whole file system fails, so that
// each copy and its folders are flushed one by one.
class TNoFileSystemSync : public TCopyingTransfer {
public:
    using TCopyingTransfer::TCopyingTransfer;

protected:
    int SyncFileSystem(int) const override { return EIO; }
};

// The real file work, moving by copying, with a hook that runs before each copy of a move.
class THookedMove : public TCopyingTransfer {
public:
    using TCopyingTransfer::TCopyingTransfer;
    std::function<void(const std::string& source)> BeforeCopy;
    TTransferOutcome CopyToMove(const std::string& source, const std::string& destination,
                                const TSeenFiles* seen) override
    {
        BeforeCopy(source);
        return TCopyingTransfer::CopyToMove(source, destination, seen);
    }
};
}  // namespace

TEST_F(OperationsThread, AMoveOfManyFilesLogsEveryItemInOrderAndKeepsTheSourcesThatFailed)
{
    // More files than one batch takes, in two folders; one source is missing, one read-only.
    // Renamed where it can be, a file of two names is copied: the two ways take turns.
    constexpr int Count = 600, Missing = 300, ReadOnly = 550;
    enum TWay : std::uint8_t { Renaming, SyncingTheFileSystem, FlushingEachCopy };
    for (const TWay way : {Renaming, SyncingTheFileSystem, FlushingEachCopy}) {
        SCOPED_TRACE(way);
        TTreeFixture tree;
        std::vector<std::string> names;
        TLines expected;
        for (int i = 0; i < Count; ++i) {
            const std::string folder = i % 2 == 0 ? "even" : "odd", name = "f" + std::to_string(i);
            names.push_back(folder + "/" + name);
            if (i != Missing)
                tree.CreateFile("src/" + names.back(), std::string(static_cast<std::size_t>(i % 50), 'x') + name);
            expected.push_back("Moving \"" + name + "\" from \"" + tree.Path("src/" + folder) + "\" to \"" +
                               tree.Path("dst/" + folder) + "\"");
            expected.push_back(i == Missing || i == ReadOnly ? "Not succeeded" : "Succeeded");
        }
        std::filesystem::permissions(tree.Path("src/" + names[ReadOnly]), std::filesystem::perms::owner_read);
        tree.CreateDirectory("links");
        for (int i = 0; i < Count; i += 3)
            if (i != Missing)
                std::filesystem::create_hard_link(tree.Path("src/" + names[i]),
                                                  tree.Path("links/" + std::to_string(i)));
        expected.insert(expected.end(), {"Done", "Succeeded: 598 items", "Not succeeded: 2 items"});
        const TCompareRoots roots(tree.Path("src"), tree.Path("dst"));
        const auto inode = [&](const std::string& path) {
            struct stat info {};
            return stat(tree.Path(path).c_str(), &info) == 0 ? info.st_ino : 0;
        };
        std::vector<ino_t> sourceInodes;
        for (const std::string& name : names)
            sourceInodes.push_back(inode("src/" + name));
        std::unique_ptr<TFileTransfer> files;
        if (way == Renaming)
            files = std::make_unique<TFileTransfer>(TransferRoots(roots));
        else if (way == SyncingTheFileSystem)
            files = std::make_unique<TCopyingTransfer>(TransferRoots(roots));
        else
            files = std::make_unique<TNoFileSystemSync>(TransferRoots(roots));
        const TOperationsReport report = RunOperations(names, foMove, roots, std::move(files));

        EXPECT_EQ(report.Lines, expected);
        TLines reasons(Count);
        reasons[Missing] = "No such file or directory";
        reasons[ReadOnly] = "the source is read-only";
        EXPECT_EQ(report.Reasons, reasons);
        EXPECT_EQ(report.LastPosition, Count);
        EXPECT_EQ(report.ItemsDone, Count);
        for (int i = 0; i < Count; ++i) {
            const std::string contents = std::string(static_cast<std::size_t>(i % 50), 'x') + "f" + std::to_string(i);
            if (i == Missing) {
                EXPECT_FALSE(tree.Exists("dst/" + names[i]));
                continue;
            }
            EXPECT_EQ(tree.ReadFile("dst/" + names[i]), contents) << names[i];
            EXPECT_EQ(tree.Exists("src/" + names[i]), i == ReadOnly) << names[i];
            const bool renamed = way == Renaming && i % 3 != 0 && i != ReadOnly;
            EXPECT_EQ(inode("dst/" + names[i]) == sourceInodes[static_cast<std::size_t>(i)], renamed) << names[i];
        }
    }
}

TEST_F(OperationsThread, AStopInsideABatchMovesTheCopiesMadeAndKeepsEveryOtherSource)
{
    MakeTenItems();
    TEventLoop loop;
    auto hooked = std::make_unique<THookedMove>(TransferRoots(Roots()));
    THookedMove& files = *hooked;
    auto thread = std::make_unique<TOperationsThread>(TenItems, foMove, Roots(), loop, std::move(hooked));
    // While the fifth item is in hand, four copies wait in the batch.
    files.BeforeCopy = [&](const std::string& source) {
        if (source == Tree.Path("src/a4"))
            loop.CallAndWait([&] { thread->Terminate(); });
    };
    const TOperationsReport report = RunToEnd(*thread, loop);

    TLines expected;
    for (int i = 0; i < 5; ++i) {
        expected.push_back("Moving \"a" + std::to_string(i) + "\" from \"" + Tree.Path("src") + "\" to \"" +
                           Tree.Path("dst") + "\"");
        expected.emplace_back(i < 4 ? "Succeeded" : "Not succeeded");
    }
    expected.insert(expected.end(), {"Stopped", "Succeeded: 4 items", "Not succeeded: 1 items"});
    EXPECT_EQ(report.Lines, expected);
    EXPECT_EQ(report.Reasons.back(), "stopped by the user");
    EXPECT_EQ(report.ItemsDone, 4);
    for (int i = 0; i < 10; ++i) {
        const std::string name = "a" + std::to_string(i);
        EXPECT_EQ(Tree.Exists("src/" + name), i >= 4) << name;
        if (i < 4)
            EXPECT_EQ(Tree.ReadFile("dst/" + name), "contents " + name);
        else
            EXPECT_EQ(Tree.ReadFile("src/" + name), "contents " + name);
    }
    EXPECT_EQ(LeftoverTemporaries(Tree.Path("dst")), TLines{});
    EXPECT_FALSE(Tree.Exists("dst/a4"));
}

namespace {
// Runs the operations tool with the arguments, interrupts it once it printed so many lines, and
// reads what it prints until it ends; every line it printed. The interrupt may wait on the run:
// it goes beside the reading, which a tool held up on a full pipe would never get past.
TLines InterruptAfterLines(const std::vector<std::string>& arguments, std::size_t lines,
                           const std::function<void(pid_t tool)>& interrupt)
{
    std::vector<char*> argv{const_cast<char*>(OPERATIONS_TOOL)};
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    int output[2];
    if (pipe(output) != 0)
        throw std::runtime_error("no pipe for the operations tool");
    const pid_t child = fork();
    if (child == 0) {
        dup2(output[1], STDOUT_FILENO);
        close(output[0]);
        close(output[1]);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(output[1]);
    FILE* reading = fdopen(output[0], "r");
    TLines seen;
    char* line = nullptr;
    std::size_t capacity = 0;
    ssize_t length = 0;
    std::future<void> interrupting;
    while ((length = getline(&line, &capacity, reading)) > 0) {
        seen.emplace_back(line, static_cast<std::size_t>(length - 1));
        if (seen.size() == lines)
            interrupting = std::async(std::launch::async, interrupt, child);
    }
    // Before the tool is reaped, so that its number is never another process's.
    if (interrupting.valid())
        interrupting.wait();
    waitpid(child, nullptr, 0);
    std::free(line);
    std::fclose(reading);
    if (!interrupting.valid())
        throw std::runtime_error("the operations tool ended before it was interrupted");
    interrupting.get();
    return seen;
}

// Every file at the paths is whole in the source or in the destination (folders of the tree);
// and the log called no more of them done than are in the destination.
void ExpectNothingLost(const TTreeFixture& tree, const std::string& source, const std::string& destination,
                       const std::vector<std::string>& paths, const TLines& log,
                       const std::function<std::string(std::size_t)>& contents)
{
    const auto succeeded = std::count(log.begin(), log.end(), "Succeeded");
    std::ptrdiff_t moved = 0;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        const std::string from = source + "/" + paths[i], to = destination + "/" + paths[i];
        if (tree.Exists(from)) {
            EXPECT_EQ(tree.ReadFile(from), contents(i)) << from;
        } else {
            ++moved;
            EXPECT_TRUE(tree.Exists(to) && tree.ReadFile(to) == contents(i))
                << paths[i] << " is neither in the source nor whole in the destination";
        }
    }
    EXPECT_GE(moved, succeeded);
}
}  // namespace

namespace {
std::string MovedContents(std::size_t i) { return std::string(i % 97 * 13, 'c') + std::to_string(i); }

// The arguments of the operations tool's move of count files between the folders of the tree,
// copying on so many threads.
std::vector<std::string> MoveOfFiles(TTreeFixture& tree, const std::string& source, const std::string& destination,
                                     std::size_t count, int jobs)
{
    std::vector<std::string> arguments{"--jobs", std::to_string(jobs), "move", tree.Path(source),
                                       tree.Path(destination)};
    for (std::size_t i = 0; i < count; ++i) {
        arguments.push_back("d" + std::to_string(i % 4) + "/f" + std::to_string(i));
        tree.CreateFile(source + "/" + arguments.back(), MovedContents(i));
    }
    return arguments;
}

// The paths that MoveOfFiles' arguments move.
std::vector<std::string> MovedPaths(const std::vector<std::string>& arguments)
{
    return {arguments.begin() + 5, arguments.end()};
}
}  // namespace

TEST_F(OperationsThread, AMoveKilledAtAnyMomentLeavesEveryFileInItsSourceOrWholeInItsDestination)
{
    Tree.CreateDirectory("mount");
    const auto mount = TMount::Tmpfs(Tree.Path("mount"), "64M");
    // Sources on the destination's file system are renamed; those on another one copied, on
    // several threads too.
    for (const std::string sourceRoot : {"mount/", "here/"})
        for (const auto& [killAt, jobs] : {std::pair<std::size_t, int>{1, 1}, {1001, 4}, {3001, 4}}) {
            SCOPED_TRACE(sourceRoot + std::to_string(killAt));
            const std::string source = sourceRoot + std::to_string(killAt), destination = "mount/moved/" + source;
            const std::vector<std::string> arguments = MoveOfFiles(Tree, source, destination, 2000, jobs);
            const TLines log = InterruptAfterLines(arguments, killAt, [](pid_t tool) { kill(tool, SIGKILL); });
            ExpectNothingLost(Tree, source, destination, MovedPaths(arguments), log, MovedContents);
        }
}

TEST_F(OperationsThread, AMoveOntoACardPulledOutAtAnyMomentLosesNothing)
{
    Tree.CreateDirectory("card");
    const auto card = TMount::Exfat(Tree.Path("card.img"), Tree.Path("card"));
    // Once so many copies are on the card: the run's log tells only of batches ended. Several
    // threads may be making the card's folder when it goes.
    for (const auto& [pullAfter, jobs] : {std::pair<std::ptrdiff_t, int>{0, 4}, {300, 1}, {650, 4}}) {
        // Named again: clang 14 cannot capture a structured binding.
        const std::ptrdiff_t pullAt = pullAfter;
        SCOPED_TRACE(pullAt);
        const std::string source = std::to_string(pullAt), destination = "card/" + source;
        const std::vector<std::string> arguments = MoveOfFiles(Tree, source, destination, 700, jobs);
        const auto copies = [&] {
            std::error_code error;
            std::filesystem::recursive_directory_iterator entries(Tree.Path(destination), error);
            return error ? 0 : std::distance(begin(entries), end(entries));
        };
        const TLines log = InterruptAfterLines(arguments, 1, [&](pid_t tool) {
            const auto running = [tool] {
                siginfo_t ended{};
                return waitid(P_PID, static_cast<id_t>(tool), &ended, WEXITED | WNOHANG | WNOWAIT) == 0 &&
                       ended.si_pid == 0;
            };
            // Each look lists the card through its driver, which the move needs as much. A move
            // that stands still fails here, and the pull ends it.
            if (!WaitWithinHangGuard([&] { return copies() >= pullAt || !running(); }, std::chrono::milliseconds(20)))
                ADD_FAILURE() << "the move stood still before " << pullAt << " copies were on the card";
            card->Pull();
        });
        card->PutBack();
        ExpectNothingLost(Tree, source, destination, MovedPaths(arguments), log, MovedContents);
    }
}

namespace {
// Every file below the folder with its contents, and every folder, by the names it lists.
std::map<std::string, std::string> TreeContents(const std::string& folder)
{
    std::map<std::string, std::string> contents;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        const std::string relative = std::filesystem::relative(entry.path(), folder).string();
        std::ifstream file(entry.path(), std::ios::binary);
        contents[relative] = entry.is_directory() ? "<folder>" : std::string(std::istreambuf_iterator<char>(file), {});
    }
    return contents;
}

// The lines with the run's own folder taken out, to set beside another run's.
TLines WithoutFolder(TLines lines, const std::string& folder)
{
    for (std::string& line : lines)
        for (std::size_t at = line.find(folder); at != std::string::npos; at = line.find(folder))
            line.replace(at, folder.size(), "<run>");
    return lines;
}
}  // namespace

TEST_F(OperationsThread, CopiesOnSeveralThreadsEndAsOnOneOntoAFileSystemThatFoldsNames)
{
    std::vector<std::string> paths;
    for (int i = 0; i < 24; ++i)
        paths.push_back("d" + std::to_string(i % 3) + "/f" + std::to_string(i));
    // Names that the FAT volume takes for one another, a folder among them, a source that is
    // gone and one that is a folder.
    paths.insert(paths.begin() + 5, {"Photo.jpg", "Dir/a.txt"});
    paths.insert(paths.begin() + 12, {"photo.jpg", "dir/b.txt", "gone.txt", "folder"});
    for (const TFileOperation operation : {foCopy, foMove}) {
        std::map<int, TOperationsReport> reports;
        std::map<int, std::map<std::string, std::string>> trees;
        for (const int jobs : {1, 4}) {
            SCOPED_TRACE("operation " + std::to_string(operation) + ", " + std::to_string(jobs) + " threads");
            const std::string run = "run" + std::to_string(operation) + std::to_string(jobs);
            for (const std::string& path : paths)
                if (path != "gone.txt" && path != "folder")
                    Tree.CreateFile(run + "/src/" + path, "contents of " + path);
            Tree.CreateDirectory(run + "/src/folder");
            Tree.CreateDirectory(run + "/dst");
            const auto mount = TMount::Fat(Tree.Path(run + "/fat.img"), Tree.Path(run + "/dst"));
            TEventLoop loop;
            const TCompareRoots roots(Tree.Path(run + "/src"), Tree.Path(run + "/dst"));
            TOperationsThread thread(Items(paths), operation, roots, loop);
            thread.Jobs = jobs;
            TOperationsReport report = RunToEnd(thread, loop);
            report.Lines = WithoutFolder(report.Lines, Tree.Path(run));
            reports[jobs] = report;
            trees[jobs] = TreeContents(Tree.Path(run + "/dst"));
            for (const auto& [path, contents] : TreeContents(Tree.Path(run + "/src")))
                trees[jobs]["left in the source: " + path] = contents;
        }
        EXPECT_EQ(reports[4].Lines, reports[1].Lines);
        EXPECT_EQ(reports[4].Reasons, reports[1].Reasons);
        EXPECT_EQ(reports[4].ItemsDone, reports[1].ItemsDone);
        EXPECT_EQ(reports[4].BytesDone, reports[1].BytesDone);
        EXPECT_EQ(reports[4].LastPosition, reports[1].LastPosition);
        EXPECT_EQ(trees[4], trees[1]);
        // What one thread does: the second spelling of a placed name is refused, the folder
        // keeps the first.
        EXPECT_EQ(reports[1].Lines.back(), "Not succeeded: 3 items");
        EXPECT_EQ(trees[1]["Dir/b.txt"], "contents of dir/b.txt");
        EXPECT_EQ(trees[1]["Photo.jpg"], "contents of Photo.jpg");
    }
}

namespace {
// The real file work, moving by copying, where the stop comes once three large copies are in
// hand at once.
class TStoppedWithThreeInHand : public TCopyingTransfer {
public:
    using TCopyingTransfer::TCopyingTransfer;
    std::function<void()> RequestStop;
    std::function<bool()> Stopped;

protected:
    int CopyContents(int source, int target, const struct stat& sourceInfo) const override
    {
        if (++InHand == 3)
            RequestStop();
        WaitWithinHangGuard([this] { return Stopped(); });
        return TCopyingTransfer::CopyContents(source, target, sourceInfo);
    }

private:
    mutable std::atomic<int> InHand{0};
};
}  // namespace

TEST_F(OperationsThread, AStopWithSeveralCopiesInHandDiscardsEachAndBeginsNoOther)
{
    // Larger than the largest piece of a copy, so that each hears the stop.
    const std::string large(std::size_t{9} << 20, 'L');
    std::vector<std::string> names;
    for (int i = 0; i < 6; ++i) {
        names.push_back("a" + std::to_string(i));
        Tree.CreateFile("src/" + names.back(), i < 3 ? large : "small");
    }
    Tree.CreateDirectory("dst");
    for (const TFileOperation operation : {foCopy, foMove}) {
        SCOPED_TRACE(operation);
        TEventLoop loop;
        auto stopping = std::make_unique<TStoppedWithThreeInHand>(TransferRoots(Roots()));
        TStoppedWithThreeInHand& files = *stopping;
        TOperationsThread thread(Items(names), operation, Roots(), loop, std::move(stopping));
        thread.Jobs = 3;
        files.RequestStop = [&] { loop.CallAndWait([&] { thread.Terminate(); }); };
        files.Stopped = [&] { return thread.Terminated(); };
        const TOperationsReport report = RunToEnd(thread, loop);

        const std::string verb = operation == foMove ? "Moving" : "Copying";
        TLines expected;
        for (int i = 0; i < 3; ++i)
            expected.insert(expected.end(), {verb + " \"a" + std::to_string(i) + "\" from \"" + Tree.Path("src") +
                                                 "\" to \"" + Tree.Path("dst") + "\"",
                                             "Not succeeded"});
        expected.insert(expected.end(), {"Stopped", "Succeeded: 0 items", "Not succeeded: 3 items"});
        EXPECT_EQ(report.Lines, expected);
        EXPECT_EQ(report.Reasons, TLines(3, "stopped by the user"));
        EXPECT_EQ(report.ItemsDone, 0);
        EXPECT_EQ(report.BytesDone, 0);
        EXPECT_EQ(TreeContents(Tree.Path("dst")), (std::map<std::string, std::string>{}));
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(Tree.ReadFile("src/a" + std::to_string(i)), i < 3 ? large : "small");
    }
}

// The file work on real file systems where data is lost: read-only files, linked folders, a
// case-blind FAT volume, a second view of one folder, sparse files, interrupted runs.

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <memory>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "operations/Toperationsrun.h"
#include "support/Tmount.h"
#include "support/Ttreefixture.h"
#include "sys/Tfilesystem.h"
#include "sys/posix/Tpendingcopy.h"
#include "sys/posix/Ttrash.h"
#include "sys/posix/Ttreeroot.h"

namespace {
using TLines = std::vector<std::string>;

const std::string Tool = OPERATIONS_TOOL;

struct stat StatOf(const std::string& path)
{
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0)
        throw std::runtime_error("cannot stat " + path);
    return info;
}

void Shell(const std::string& command)
{
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("failed: " + command);
}

// The result line of each item of a run, in order.
TLines Results(const TOperationsReport& report)
{
    TLines results;
    for (const std::string& line : report.Lines)
        if (line == "Succeeded" || line == "Not succeeded")
            results.push_back(line);
    return results;
}

class FileTransferSafety : public ::testing::Test {
protected:
    TOperationsReport Run(TFileOperation operation, const TLines& relativePaths, const std::string& sourceRoot,
                          const std::string& destinationRoot)
    {
        return RunOperations(relativePaths, operation, {sourceRoot, destinationRoot});
    }
    TOperationsReport Run(TFileOperation operation, const TLines& relativePaths)
    {
        return Run(operation, relativePaths, Tree.Path("src"), Tree.Path("dst"));
    }
    // The operations tool as "nobody", on one item between src and dst.
    int RunAsNobody(const std::string& operation, const std::string& relative)
    {
        return RunUnprivileged(Tool + " " + operation + " " + Tree.Path("src") + " " + Tree.Path("dst") + " " +
                               relative + " >/dev/null");
    }

    // The home trash inside the tree while the test runs.
    void UseHomeTrashInTree()
    {
        Tree.CreateDirectory("data");
        ASSERT_EQ(setenv("XDG_DATA_HOME", Tree.Path("data").c_str(), 1), 0);
    }
    void TearDown() override { unsetenv("XDG_DATA_HOME"); }
    TCompareRoots Roots() const { return {Tree.Path("src"), Tree.Path("dst")}; }
    static std::unique_ptr<TFileTransfer> Trashing(const TCompareRoots& roots)
    {
        return std::make_unique<TFileTransfer>(TransferRoots(roots), TTransferOptions{false, true});
    }

    TTreeFixture Tree;
};
}  // namespace

TEST_F(FileTransferSafety, ReadOnlyFilesAreNeitherReplacedNorDeleted)
{
    // Without any write bit: read-only for root too.
    Tree.CreateFile("src/f", "new");
    Tree.CreateFile("dst/f", "old");
    Tree.CreateFile("src/g", "only copy");
    Tree.CreateFile("src/h", "only copy");
    for (const char* name : {"dst/f", "src/g", "src/h"})
        ASSERT_EQ(chmod(Tree.Path(name).c_str(), 0444), 0);
    EXPECT_EQ(Results(Run(foCopy, {"f"})), TLines{"Not succeeded"});
    EXPECT_EQ(Results(Run(foMove, {"g"})), TLines{"Not succeeded"});
    EXPECT_EQ(Results(Run(foDelete, {"h"})), TLines{"Not succeeded"});
    EXPECT_EQ(Tree.ReadFile("dst/f"), "old");
    EXPECT_EQ(StatOf(Tree.Path("dst/f")).st_mode & 07777, 0444u);
    EXPECT_EQ(Tree.ReadFile("src/g"), "only copy");
    EXPECT_EQ(Tree.ReadFile("dst/g"), "only copy");
    EXPECT_EQ(Tree.ReadFile("src/h"), "only copy");

    // Root's files in folders that "nobody" may write: the folder would let it unlink or
    // rename over them, the files themselves are not its to change.
    Tree.CreateFile("src/r", "root's source");
    Tree.CreateFile("dst/r", "root's destination");
    Tree.CreateFile("src/s", "new");
    Tree.CreateFile("dst/s", "root's destination");
    for (const char* folder : {"", "src", "dst"})
        ASSERT_EQ(chmod(Tree.Path(folder).c_str(), 0777), 0);
    EXPECT_EQ(RunAsNobody("delete", "r"), 1);
    EXPECT_EQ(RunAsNobody("copy", "s"), 1);
    EXPECT_EQ(Tree.ReadFile("src/r"), "root's source");
    EXPECT_EQ(Tree.ReadFile("dst/s"), "root's destination");
    EXPECT_EQ(LeftoverTemporaries(Tree.Path("dst")), TLines{});
}

TEST_F(FileTransferSafety, LinkedFoldersBelowTheRootsAreNeverPassed)
{
    Tree.CreateFile("elsewhere/x.txt", "outside the trees");
    Tree.CreateFile("src/b/x.txt", "new");
    Tree.CreateSymlink("dst/b", Tree.Path("elsewhere"));
    // Two source files that a link in the destination would make one.
    Tree.CreateFile("src/a/f.jpg", "A");
    Tree.CreateFile("src/b/f.jpg", "B");
    Tree.CreateSymlink("dst/c", "a");
    Tree.CreateFile("src/c/f.jpg", "C");
    Tree.CreateSymlink("src/l", Tree.Path("elsewhere"));

    EXPECT_EQ(Results(Run(foCopy, {"b/x.txt"})), TLines{"Not succeeded"});
    EXPECT_EQ(Results(Run(foMove, {"a/f.jpg", "c/f.jpg"})), (TLines{"Succeeded", "Not succeeded"}));
    EXPECT_EQ(Results(Run(foDelete, {"l/x.txt"})), TLines{"Not succeeded"});
    EXPECT_EQ(Tree.ReadFile("elsewhere/x.txt"), "outside the trees");
    EXPECT_EQ(Tree.ReadFile("dst/a/f.jpg"), "A");
    EXPECT_EQ(Tree.ReadFile("src/c/f.jpg"), "C");

    // The roots themselves may be links.
    Tree.CreateSymlink("dst-link", Tree.Path("dst"));
    EXPECT_EQ(Results(Run(foCopy, {"b/f.jpg"}, Tree.Path("src"), Tree.Path("dst-link"))), TLines{"Not succeeded"});
    Tree.CreateFile("src/top.txt", "top");
    EXPECT_EQ(Results(Run(foCopy, {"top.txt"}, Tree.Path("src"), Tree.Path("dst-link"))), TLines{"Succeeded"});
    EXPECT_EQ(Tree.ReadFile("dst/top.txt"), "top");

    // What kernels without beneath-resolution use instead.
    const TDescriptor root(open(Tree.Path("dst").c_str(), O_PATH | O_DIRECTORY));
    EXPECT_TRUE(OpenDirectoryByComponents(root.Get(), "a").IsOpen());
    EXPECT_FALSE(OpenDirectoryByComponents(root.Get(), "b").IsOpen());
    EXPECT_FALSE(OpenDirectoryByComponents(root.Get(), "c").IsOpen());
}

TEST_F(FileTransferSafety, CaseBlindDestinationNeverMergesTwoFiles)
{
    Tree.CreateDirectory("fat");
    const auto fat = TMount::Fat(Tree.Path("fat.img"), Tree.Path("fat"));
    Tree.CreateFile("src/A.txt", "UPPER", 1'600'000'000);
    Tree.CreateFile("src/a.txt", "lower", 1'600'000'000);
    Tree.CreateFile("src/D/x", "upper folder", 1'600'000'000);
    Tree.CreateFile("src/d/x", "lower folder", 1'600'000'000);

    const TOperationsReport report = Run(foMove, {"A.txt", "a.txt", "D/x", "d/x"}, Tree.Path("src"), Tree.Path("fat"));
    EXPECT_EQ(Results(report), (TLines{"Succeeded", "Not succeeded", "Succeeded", "Not succeeded"}));
    EXPECT_EQ(Tree.ReadFile("fat/A.txt"), "UPPER");
    EXPECT_EQ(Tree.ReadFile("src/a.txt"), "lower");
    EXPECT_EQ(Tree.ReadFile("fat/D/x"), "upper folder");
    EXPECT_EQ(Tree.ReadFile("src/d/x"), "lower folder");
}

TEST_F(FileTransferSafety, MoveOntoASecondViewOfTheSameFolderDeletesNothing)
{
    Tree.CreateFile("src/f", "one");
    Tree.CreateFile("src/sub/g", "two");
    Tree.CreateDirectory("view");
    {
        const auto view = TMount::SecondView(Tree.Path("src"), Tree.Path("view"));
        EXPECT_EQ(Results(Run(foMove, {"f", "sub/g"}, Tree.Path("src"), Tree.Path("view"))),
                  (TLines{"Not succeeded", "Not succeeded"}));
    }
    EXPECT_EQ(Tree.ReadFile("src/f"), "one");
    EXPECT_EQ(Tree.ReadFile("src/sub/g"), "two");
    EXPECT_EQ(LeftoverTemporaries(Tree.Path("src")), TLines{});

    // One FAT folder under two spellings.
    Tree.CreateDirectory("fat");
    const auto fat = TMount::Fat(Tree.Path("fat.img"), Tree.Path("fat"));
    Tree.CreateFile("fat/d/f", "only copy");
    EXPECT_EQ(Results(Run(foMove, {"f"}, Tree.Path("fat/d"), Tree.Path("fat/D"))), TLines{"Not succeeded"});
    EXPECT_EQ(Tree.ReadFile("fat/d/f"), "only copy");
}

TEST_F(FileTransferSafety, CreatedFoldersTakeTheModeAndOwnerOfTheirSourceFolders)
{
    Tree.CreateFile("src/private/f", "secret");
    ASSERT_EQ(chown(Tree.Path("src/private").c_str(), 65534, 65534), 0);
    ASSERT_EQ(chmod(Tree.Path("src/private").c_str(), 0700), 0);
    ASSERT_EQ(chmod(Tree.Path("src").c_str(), 0750), 0);
    EXPECT_EQ(Results(Run(foCopy, {"private/f"}, Tree.Path("src"), Tree.Path("new/dst"))), TLines{"Succeeded"});
    const struct stat made = StatOf(Tree.Path("new/dst/private"));
    EXPECT_EQ(made.st_mode & 07777, 0700u);
    EXPECT_EQ(made.st_uid, 65534u);
    EXPECT_EQ(made.st_gid, 65534u);
    EXPECT_EQ(StatOf(Tree.Path("new/dst")).st_mode & 07777, 0750u);

    // A folder its owner may not write gets that mode at the end, after the run filled it.
    Tree.CreateFile("src/shut/f", "kept");
    ASSERT_EQ(chown(Tree.Path("src/shut/f").c_str(), 65534, 65534), 0);
    ASSERT_EQ(chown(Tree.Path("src/shut").c_str(), 65534, 65534), 0);
    ASSERT_EQ(chmod(Tree.Path("src/shut").c_str(), 0500), 0);
    ASSERT_EQ(chmod(Tree.Path("src").c_str(), 0755), 0);
    Tree.CreateDirectory("dst");
    ASSERT_EQ(chmod(Tree.Path("dst").c_str(), 0777), 0);
    ASSERT_EQ(chmod(Tree.Root().c_str(), 0755), 0);
    EXPECT_EQ(RunAsNobody("copy", "shut/f"), 0);
    EXPECT_EQ(StatOf(Tree.Path("dst/shut")).st_mode & 07777, 0500u);
    EXPECT_EQ(Tree.ReadFile("dst/shut/f"), "kept");
}

TEST_F(FileTransferSafety, SparseFilesStaySparseAndShortCopiesFail)
{
    // 1 GiB with 1 MiB of data in the middle, onto a tmpfs of 16 MiB.
    constexpr off_t Size = off_t{1} << 30, DataAt = Size / 2, DataSize = 1 << 20;
    Tree.CreateFile("src/sparse.bin", "");
    {
        const TDescriptor file(open(Tree.Path("src/sparse.bin").c_str(), O_WRONLY));
        const std::string data(DataSize, 'd');
        ASSERT_EQ(pwrite(file.Get(), data.data(), data.size(), DataAt), DataSize);
        ASSERT_EQ(ftruncate(file.Get(), Size), 0);
    }
    Tree.CreateDirectory("small");
    const auto small = TMount::Tmpfs(Tree.Path("small"), "16M");
    EXPECT_EQ(Results(Run(foCopy, {"sparse.bin"}, Tree.Path("src"), Tree.Path("small"))), TLines{"Succeeded"});
    const struct stat copy = StatOf(Tree.Path("small/sparse.bin"));
    EXPECT_EQ(copy.st_size, Size);
    EXPECT_LE(copy.st_blocks * 512, 2 * DataSize);
    const TDescriptor file(open(Tree.Path("small/sparse.bin").c_str(), O_RDONLY));
    std::string probe(16, ' ');
    ASSERT_EQ(pread(file.Get(), probe.data(), probe.size(), DataAt - 8), 16);
    EXPECT_EQ(probe, std::string(8, '\0') + std::string(8, 'd'));

    // A copy that comes out shorter than its source never takes the destination's place.
    struct TShortCopy : TFileTransfer {
        using TFileTransfer::TFileTransfer;
        int CopyContents(int source, int target, const struct stat& sourceInfo) const override
        {
            const int error = TFileTransfer::CopyContents(source, target, sourceInfo);
            return error != 0 ? error : ftruncate(target, sourceInfo.st_size - 1);
        }
    };
    Tree.CreateFile("src/f", "new contents");
    Tree.CreateFile("dst/f", "old");
    const TOperationsReport report =
        RunOperations({"f"}, foMove, Roots(), std::make_unique<TShortCopy>(TransferRoots(Roots())));
    EXPECT_EQ(Results(report), TLines{"Not succeeded"});
    EXPECT_EQ(Tree.ReadFile("dst/f"), "old");
    EXPECT_EQ(Tree.ReadFile("src/f"), "new contents");
}

TEST_F(FileTransferSafety, NoTemporaryFileOutlivesARun)
{
    // What a killed run left for this very name goes; another name's stays, as does one that a
    // running copy still holds.
    Tree.CreateFile("src/big.bin", "new");
    Tree.CreateFile("src/busy.bin", "new");
    Tree.CreateFile("dst/big.bin", "old");
    const std::string stale = "dst/" + TPendingCopy::TemporaryName("big.bin");
    const std::string busy = "dst/" + TPendingCopy::TemporaryName("busy.bin");
    Tree.CreateFile(stale, std::string(4096, 'x'));
    Tree.CreateFile(busy, "being written");
    Tree.CreateFile("dst/.big.bin.someone-else.vellumark-tmp", "not ours to judge");
    const TDescriptor held(open(Tree.Path(busy).c_str(), O_RDONLY));
    ASSERT_EQ(flock(held.Get(), LOCK_EX), 0);
    EXPECT_EQ(Results(Run(foCopy, {"big.bin", "busy.bin"})), (TLines{"Succeeded", "Not succeeded"}));
    EXPECT_EQ(Tree.ReadFile("dst/big.bin"), "new");
    EXPECT_FALSE(Tree.Exists(stale));
    EXPECT_EQ(Tree.ReadFile(busy), "being written");
    EXPECT_TRUE(Tree.Exists("dst/.big.bin.someone-else.vellumark-tmp"));

    // A folder whose entries cannot be removed would keep any temporary name for good.
    Tree.CreateFile("src/f", "new");
    Tree.CreateFile("src/g", "new");
    Tree.CreateFile("app/f", "old");
    Shell("chattr +a '" + Tree.Path("app") + "'");
    const TOperationsReport report = Run(foCopy, {"f", "g"}, Tree.Path("src"), Tree.Path("app"));
    Shell("chattr -a '" + Tree.Path("app") + "'");
    EXPECT_EQ(Results(report), (TLines{"Not succeeded", "Succeeded"}));
    EXPECT_EQ(Tree.ReadFile("app/f"), "old");
    EXPECT_EQ(Tree.ReadFile("app/g"), "new");
    EXPECT_EQ(LeftoverTemporaries(Tree.Path("app")), TLines{});
}

TEST_F(FileTransferSafety, ExtendedAttributesAreKept)
{
    Tree.CreateFile("src/f", "tagged");
    using namespace std::string_literals;
    const std::string value = "a value\0with a zero byte"s;
    ASSERT_EQ(setxattr(Tree.Path("src/f").c_str(), "user.vellumark.test", value.data(), value.size(), 0), 0)
        << "the test folder's file system keeps no user attributes";
    EXPECT_EQ(Results(Run(foCopy, {"f"})), TLines{"Succeeded"});
    std::string copied(64, '\0');
    const ssize_t size = getxattr(Tree.Path("dst/f").c_str(), "user.vellumark.test", copied.data(), copied.size());
    ASSERT_GE(size, 0);
    copied.resize(static_cast<std::size_t>(size));
    EXPECT_EQ(copied, value);
}

TEST_F(FileTransferSafety, NothingChangedSinceTheComparisonIsOverwrittenOrDeleted)
{
    Tree.CreateFile("src/edited", "new", 1'600'000'100);
    Tree.CreateFile("dst/edited", "old", 1'600'000'000);
    Tree.CreateFile("src/appeared", "new", 1'600'000'100);
    Tree.CreateFile("src/again", "new", 1'600'000'100);
    Tree.CreateFile("dst/again", "old", 1'600'000'000);
    Tree.CreateFile("src/gone", "to delete", 1'600'000'000);
    // Edits that size and last-write time cannot tell: the source's size and time, and the
    // very size and time the comparison saw.
    Tree.CreateFile("src/lookalike", "new", 1'600'000'100);
    Tree.CreateFile("dst/lookalike", "old", 1'600'000'000);
    Tree.CreateFile("src/timekept", "new", 1'600'000'100);
    Tree.CreateFile("dst/timekept", "old", 1'600'000'000);
    std::vector<std::string> names{"edited", "appeared", "again", "again", "gone", "lookalike", "timekept"};
    std::vector<TCompareItem> items;
    for (const std::string& name : names)
        items.push_back(SeenNow(name, Roots()));
    // Hours later, before the operations.
    Tree.CreateFile("dst/edited", "edited by hand", 1'600'000'200);
    Tree.CreateFile("dst/appeared", "made meanwhile", 1'600'000'200);
    Tree.CreateFile("src/gone", "changed meanwhile", 1'600'000'300);
    Tree.CreateFile("dst/lookalike", "mod", 1'600'000'101);
    Tree.CreateFile("dst/timekept", "mod", 1'600'000'000);

    TEventLoop loop;
    TLines reasons;
    const auto run = [&](TFileOperation operation, std::ptrdiff_t first, std::ptrdiff_t count) {
        auto thread = std::make_unique<TOperationsThread>(
            std::vector<TCompareItem>(items.begin() + first, items.begin() + first + count), operation, Roots(), loop);
        const TOperationsReport report = RunToEnd(*thread, loop);
        reasons.insert(reasons.end(), report.Reasons.begin(), report.Reasons.end());
        return Results(report);
    };
    // The second copy of the same row finds the destination equal to the source already.
    EXPECT_EQ(run(foCopy, 0, 3), (TLines{"Not succeeded", "Not succeeded", "Succeeded"}));
    EXPECT_EQ(run(foCopy, 3, 1), TLines{"Succeeded"});
    EXPECT_EQ(run(foDelete, 4, 1), TLines{"Not succeeded"});
    EXPECT_EQ(run(foMove, 5, 2), (TLines{"Not succeeded", "Not succeeded"}));
    const std::string changed = "changed since the comparison";
    EXPECT_EQ(reasons, (TLines{changed, changed, "", "", "the source changed since the comparison", changed, changed}));
    EXPECT_EQ(Tree.ReadFile("dst/lookalike"), "mod");
    EXPECT_EQ(Tree.ReadFile("dst/timekept"), "mod");
    EXPECT_EQ(Tree.ReadFile("src/lookalike"), "new");
    EXPECT_EQ(Tree.ReadFile("dst/edited"), "edited by hand");
    EXPECT_EQ(Tree.ReadFile("dst/appeared"), "made meanwhile");
    EXPECT_EQ(Tree.ReadFile("dst/again"), "new");
    EXPECT_EQ(Tree.ReadFile("src/gone"), "changed meanwhile");
}

TEST_F(FileTransferSafety, ADestinationEditedWhileItsCopyRunsIsKept)
{
    // The user saves the destination while its replacement is being written.
    struct TEditingTransfer : TFileTransfer {
        TEditingTransfer(const TTransferRoots& roots, TTreeFixture& tree) : TFileTransfer(roots), Tree(tree) {}
        int CopyContents(int source, int target, const struct stat& sourceInfo) const override
        {
            Tree.CreateFile("dst/f", "saved by hand");
            return TFileTransfer::CopyContents(source, target, sourceInfo);
        }
        TTreeFixture& Tree;
    };
    Tree.CreateFile("src/f", "new contents", 1'600'000'100);
    Tree.CreateFile("dst/f", "old contents", 1'600'000'000);
    const TSeenFiles seen = SeenFiles(SeenNow("f", Roots()));
    TEditingTransfer files(TTransferRoots{Tree.Path("src"), Tree.Path("dst")}, Tree);
    EXPECT_FALSE(files.Move(Tree.Path("src/f"), Tree.Path("dst/f"), &seen));
    EXPECT_EQ(Tree.ReadFile("dst/f"), "saved by hand");
    EXPECT_EQ(Tree.ReadFile("src/f"), "new contents");
    EXPECT_TRUE(LeftoverTemporaries(Tree.Path("dst")).empty());
}

// What the comparison saw of a destination file only: its facts, for a removal or a rename.
TEST_F(FileTransferSafety, ARemovalOrARenameTakesOnlyTheDestinationFileTheComparisonSaw)
{
    const auto seenOf = [&](const std::string& relative, const std::string& source = std::string()) {
        const struct stat info = StatOf(Tree.Path(relative));
        const struct stat sourceInfo = source.empty() ? info : StatOf(Tree.Path(source));
        return TSeenFiles{sourceInfo.st_size,
                          TicksFromUnixTime(sourceInfo.st_mtim.tv_sec, sourceInfo.st_mtim.tv_nsec),
                          true,
                          info.st_size,
                          TicksFromUnixTime(info.st_mtim.tv_sec, info.st_mtim.tv_nsec),
                          ChangeIdentity(info.st_dev, info.st_ctim.tv_sec, info.st_ctim.tv_nsec)};
    };
    TFileTransfer files(TTransferRoots{Tree.Path("src"), Tree.Path("dst")});
    Tree.CreateFile("dst/gone/deep/a.txt", "a", 1'600'000'000);
    Tree.CreateFile("dst/kept/b.txt", "b", 1'600'000'000);
    Tree.CreateDirectory("src/kept");
    EXPECT_EQ(files.RemoveEmptyFolder(Tree.Path("dst/gone")).ErrorNumber(), ENOTEMPTY);
    EXPECT_TRUE(files.Remove(Tree.Path("dst/gone/deep/a.txt"), seenOf("dst/gone/deep/a.txt")));
    EXPECT_TRUE(files.Remove(Tree.Path("dst/kept/b.txt"), seenOf("dst/kept/b.txt")));
    // Empty folders go, but for one the source has too, and the root.
    EXPECT_TRUE(files.RemoveEmptyFolder(Tree.Path("dst/gone/deep/")));
    EXPECT_TRUE(files.RemoveEmptyFolder(Tree.Path("dst/gone")));
    EXPECT_FALSE(Tree.Exists("dst/gone"));
    EXPECT_EQ(files.RemoveEmptyFolder(Tree.Path("dst/kept")).RefusalKind(), TRefusal::SourceHasFolder);
    EXPECT_TRUE(Tree.Exists("dst/kept"));
    EXPECT_EQ(files.RemoveEmptyFolder(Tree.Path("dst")).RefusalKind(), TRefusal::OutsideRoots);

    // Saved again since, with its last-write time put back.
    Tree.CreateFile("dst/edited.txt", "old", 1'600'000'000);
    const TSeenFiles seen = seenOf("dst/edited.txt");
    Tree.CreateFile("dst/edited.txt", "newer", 1'600'000'000);
    EXPECT_EQ(files.Remove(Tree.Path("dst/edited.txt"), seen).RefusalKind(), TRefusal::DestinationChanged);
    EXPECT_EQ(Tree.ReadFile("dst/edited.txt"), "newer");
    EXPECT_EQ(files.Remove(Tree.Path("src/kept"), seen).RefusalKind(), TRefusal::OutsideRoots);

    Tree.CreateFile("src/renamed.txt", "newer", 1'600'000'000);
    TSeenFiles beforeTheEdit = seenOf("src/renamed.txt");
    beforeTheEdit.DestinationSize = seen.DestinationSize;
    beforeTheEdit.DestinationTime = seen.DestinationTime;
    beforeTheEdit.DestinationIdentity = seen.DestinationIdentity;
    EXPECT_EQ(files
                  .Rename(Tree.Path("src/renamed.txt"), Tree.Path("dst/edited.txt"), Tree.Path("dst/renamed.txt"),
                          beforeTheEdit)
                  .RefusalKind(),
              TRefusal::DestinationChanged);
    EXPECT_FALSE(Tree.Exists("dst/renamed.txt"));
    // Never over a file that stands at the new path.
    Tree.CreateFile("dst/renamed.txt", "someone else's", 1'600'000'000);
    EXPECT_EQ(files
                  .Rename(Tree.Path("src/renamed.txt"), Tree.Path("dst/edited.txt"), Tree.Path("dst/renamed.txt"),
                          seenOf("dst/edited.txt", "src/renamed.txt"))
                  .RefusalKind(),
              TRefusal::DestinationChanged);
    EXPECT_EQ(Tree.ReadFile("dst/renamed.txt"), "someone else's");
    EXPECT_EQ(Tree.ReadFile("dst/edited.txt"), "newer");
}

TEST_F(FileTransferSafety, VerificationCatchesACopyThatReadsBackWrong)
{
    // The device hands back other bytes than were written to it.
    struct TCorruptingTransfer : TCopyingTransfer {
        using TCopyingTransfer::TCopyingTransfer;
        int CopyContents(int source, int target, const struct stat& sourceInfo) const override
        {
            const int error = TCopyingTransfer::CopyContents(source, target, sourceInfo);
            return error != 0 || pwrite(target, "X", 1, 1) == 1 ? error : errno;
        }
    };
    Tree.CreateFile("src/f", "precious contents");
    Tree.CreateFile("src/g", "moved contents");
    Tree.CreateFile("dst/f", "older contents");
    const auto run = [&](TFileOperation operation, const std::string& name, bool verify) {
        return Results(RunOperations(
            {name}, operation, Roots(),
            std::make_unique<TCorruptingTransfer>(TransferRoots(Roots()), TTransferOptions{verify, false})));
    };
    EXPECT_EQ(run(foCopy, "f", true), TLines{"Not succeeded"});
    EXPECT_EQ(run(foMove, "g", true), TLines{"Not succeeded"});
    EXPECT_EQ(Tree.ReadFile("dst/f"), "older contents");
    EXPECT_EQ(Tree.ReadFile("src/g"), "moved contents");
    EXPECT_FALSE(Tree.Exists("dst/g"));
    EXPECT_EQ(LeftoverTemporaries(Tree.Path("dst")), TLines{});
    // Unverified, the same fault passes unseen; verified, a sound copy passes.
    EXPECT_EQ(run(foCopy, "f", false), TLines{"Succeeded"});
    EXPECT_EQ(Results(RunOperations(
                  {"g"}, foMove, Roots(),
                  std::make_unique<TCopyingTransfer>(TransferRoots(Roots()), TTransferOptions{true, false}))),
              TLines{"Succeeded"});
    EXPECT_EQ(Tree.ReadFile("dst/g"), "moved contents");
}

TEST_F(FileTransferSafety, ReplacedAndDeletedFilesGoToTheTrash)
{
    UseHomeTrashInTree();
    Tree.CreateFile("src/f", "deleted");
    Tree.CreateFile("src/g", "new");
    Tree.CreateFile("dst/g", "replaced");
    EXPECT_EQ(Results(RunOperations({"f"}, foDelete, Roots(), Trashing(Roots()))), TLines{"Succeeded"});
    EXPECT_EQ(Results(RunOperations({"g"}, foCopy, Roots(), Trashing(Roots()))), TLines{"Succeeded"});
    EXPECT_FALSE(Tree.Exists("src/f"));
    EXPECT_EQ(Tree.ReadFile("dst/g"), "new");
    EXPECT_EQ(Tree.ReadFile("data/Trash/files/g"), "replaced");
    const std::string record = Tree.ReadFile("data/Trash/info/f.trashinfo");
    EXPECT_EQ(record.rfind("[Trash Info]\nPath=" + TrashInfoPath(Tree.Path("src/f")) + "\nDeletionDate=", 0), 0u)
        << record;
    EXPECT_EQ(TrashInfoPath("/a b/%c/é"), "/a%20b/%25c/%C3%A9");
    // Restored as a file manager does it: moved back to the recorded place.
    ASSERT_EQ(rename(Tree.Path("data/Trash/files/f").c_str(), Tree.Path("src/f").c_str()), 0);
    EXPECT_EQ(Tree.ReadFile("src/f"), "deleted");
    // The same name again gets a record of its own.
    EXPECT_EQ(Results(RunOperations({"f"}, foDelete, Roots(), Trashing(Roots()))), TLines{"Succeeded"});
    EXPECT_TRUE(Tree.Exists("data/Trash/info/f.2.trashinfo"));
    EXPECT_EQ(Tree.ReadFile("data/Trash/files/f.2"), "deleted");

    // Another mount: the trash at its top; a file that cannot be put there stays.
    Tree.CreateDirectory("card");
    const auto card = TMount::Tmpfs(Tree.Path("card"), "4M");
    Tree.CreateFile("card/h", "on the card");
    EXPECT_EQ(Results(RunOperations({"h"}, foDelete, {Tree.Path("card"), Tree.Path("dst")},
                                    Trashing({Tree.Path("card"), Tree.Path("dst")}))),
              TLines{"Succeeded"});
    EXPECT_EQ(Tree.ReadFile("card/.Trash-" + std::to_string(geteuid()) + "/files/h"), "on the card");
    Tree.CreateDirectory("other-card");
    const auto otherCard = TMount::Tmpfs(Tree.Path("other-card"), "4M");
    Tree.CreateFile("other-card/.Trash-" + std::to_string(geteuid()), "a file where the trash would be");
    Tree.CreateFile("other-card/h", "stays");
    EXPECT_EQ(Results(RunOperations({"h"}, foDelete, {Tree.Path("other-card"), Tree.Path("dst")},
                                    Trashing({Tree.Path("other-card"), Tree.Path("dst")}))),
              TLines{"Not succeeded"});
    EXPECT_EQ(Tree.ReadFile("other-card/h"), "stays");
}

TEST_F(FileTransferSafety, TheTrashOfAMountIsAtItsTopThoughALinkLeadsIn)
{
    UseHomeTrashInTree();
    Tree.CreateDirectory("card");
    const auto card = TMount::Tmpfs(Tree.Path("card"), "4M");
    Tree.CreateFile("card/sub/dst/g", "replaced");
    Tree.CreateFile("card/sub/dst/h", "deleted");
    Tree.CreateFile("src/g", "new");
    Tree.CreateDirectory("x");
    ASSERT_EQ(symlink(Tree.Path("card/sub").c_str(), Tree.Path("x/link").c_str()), 0);
    const std::string linked = Tree.Path("x/link/dst");
    EXPECT_EQ(Results(RunOperations({"g"}, foCopy, {Tree.Path("src"), linked}, Trashing({Tree.Path("src"), linked}))),
              TLines{"Succeeded"});
    EXPECT_EQ(Results(RunOperations({"h"}, foDelete, {linked, Tree.Path("src")}, Trashing({linked, Tree.Path("src")}))),
              TLines{"Succeeded"});

    const std::string trash = "card/.Trash-" + std::to_string(geteuid());
    EXPECT_FALSE(Tree.Exists("card/sub/.Trash-" + std::to_string(geteuid())));
    EXPECT_EQ(Tree.ReadFile("card/sub/dst/g"), "new");
    EXPECT_EQ(Tree.ReadFile(trash + "/files/g"), "replaced");
    EXPECT_EQ(Tree.ReadFile(trash + "/files/h"), "deleted");
    // Relative to the top of the mount, from where the files really were.
    for (const std::string name : {"g", "h"}) {
        const std::string record = Tree.ReadFile(trash + "/info/" + name + ".trashinfo");
        EXPECT_EQ(record.rfind("[Trash Info]\nPath=sub/dst/" + name + "\nDeletionDate=", 0), 0u) << record;
    }
}

TEST_F(FileTransferSafety, AStrayFileInTheTrashTakesNoNameAway)
{
    UseHomeTrashInTree();
    Tree.CreateFile("data/Trash/files/x.txt", "stray");
    Tree.CreateFile("data/Trash/info/x.txt.2.trashinfo", "a record without its file");
    Tree.CreateFile("src/x.txt", "deleted");
    EXPECT_EQ(Results(RunOperations({"x.txt"}, foDelete, Roots(), Trashing(Roots()))), TLines{"Succeeded"});
    EXPECT_FALSE(Tree.Exists("src/x.txt"));
    EXPECT_EQ(Tree.ReadFile("data/Trash/files/x.txt"), "stray");
    EXPECT_FALSE(Tree.Exists("data/Trash/info/x.txt.trashinfo"));
    EXPECT_EQ(Tree.ReadFile("data/Trash/info/x.txt.2.trashinfo"), "a record without its file");
    EXPECT_FALSE(Tree.Exists("data/Trash/files/x.txt.2"));
    EXPECT_EQ(Tree.ReadFile("data/Trash/files/x.txt.3"), "deleted");
    const std::string record = Tree.ReadFile("data/Trash/info/x.txt.3.trashinfo");
    EXPECT_EQ(record.rfind("[Trash Info]\nPath=" + TrashInfoPath(Tree.Path("src/x.txt")) + "\nDeletionDate=", 0), 0u)
        << record;
}

TEST_F(FileTransferSafety, AMoveRenamesNeitherALinkNorOntoAFileNorAcrossFileSystems)
{
    namespace fs = std::filesystem;
    Tree.CreateFile("src/target", "read through");
    fs::create_symlink("target", Tree.Path("src/link"));
    Tree.CreateFile("src/older", "replaces", 1'600'000'100);
    Tree.CreateFile("dst/older", "replaced", 1'600'000'000);
    Tree.CreateFile("src/far", "far away");
    Tree.CreateDirectory("mount");
    const auto mount = TMount::Tmpfs(Tree.Path("mount"), "1M");
    const auto move = [&](const std::string& name, const std::string& destinationRoot) {
        const TCompareRoots roots(Tree.Path("src"), destinationRoot);
        const TSeenFiles seen = SeenFiles(SeenNow(name, roots));
        TFileTransfer files(TransferRoots(roots));
        EXPECT_TRUE(files.Move(Tree.Path("src/" + name), destinationRoot + "/" + name, &seen)) << name;
        EXPECT_FALSE(fs::exists(fs::symlink_status(Tree.Path("src/" + name)))) << name;
        return StatOf(destinationRoot + "/" + name);
    };
    // A link is read through, as a copy reads it; what a rename would take is the link.
    EXPECT_TRUE(S_ISREG(move("link", Tree.Path("dst")).st_mode));
    EXPECT_EQ(Tree.ReadFile("dst/link"), "read through");
    EXPECT_EQ(Tree.ReadFile("src/target"), "read through");
    // A file in the way is replaced by a copy alone, after its looks again.
    const ino_t older = StatOf(Tree.Path("src/older")).st_ino;
    EXPECT_NE(move("older", Tree.Path("dst")).st_ino, older);
    EXPECT_EQ(Tree.ReadFile("dst/older"), "replaces");
    move("far", Tree.Path("mount/dst"));
    EXPECT_EQ(Tree.ReadFile("mount/dst/far"), "far away");
    EXPECT_EQ(LeftoverTemporaries(Tree.Path("dst")), TLines{});
}

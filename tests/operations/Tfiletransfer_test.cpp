#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <stdexcept>

#include <fcntl.h>
#include <linux/fiemap.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "operations/Toperationsrun.h"
#include "support/Tmount.h"
#include "support/Ttreefixture.h"
#include "sys/Wholefile.h"

namespace {
namespace fs = std::filesystem;
using TLines = std::vector<std::string>;

struct stat StatOf(const std::string& path)
{
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0)
        throw std::runtime_error("cannot stat " + path);
    return info;
}

bool SameTimes(const struct stat& a, const struct stat& b)
{
    return a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

// Runs a command line and returns its exit status, or -1 when a signal ended it.
int Shell(const std::string& command)
{
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

const std::string Tool = OPERATIONS_TOOL;

// The real file work, except that writing the copy runs out of space after all its bytes.
class TDiskFullTransfer : public TFileTransfer {
public:
    using TFileTransfer::TFileTransfer;

protected:
    int CopyContents(int source, int target, const struct stat& sourceInfo) const override
    {
        const int error = TFileTransfer::CopyContents(source, target, sourceInfo);
        return error != 0 ? error : ENOSPC;
    }
};

class FileTransfer : public ::testing::Test {
protected:
    TTransferRoots Roots() const { return {Tree.Path("src"), Tree.Path("dst")}; }
    // One item in a run of its own.
    TTransferOutcome Transfer(const std::string& source, const std::string& destination, bool copy, bool deleteSource)
    {
        return Transfer(source, destination, copy, deleteSource, Roots());
    }
    TTransferOutcome Transfer(const std::string& source, const std::string& destination, bool copy, bool deleteSource,
                              const TTransferRoots& roots)
    {
        TFileTransfer files(roots);
        return TransferFile(source, destination, copy, deleteSource, files);
    }
    // The operations tool's command line for the item at path between src and dst.
    std::string ToolCommand(const std::string& operation, const std::string& path) const
    {
        return Tool + " " + operation + " " + Tree.Path("src") + " " + Tree.Path("dst") + " " + path;
    }

    TTreeFixture Tree;
};
}  // namespace

TEST_F(FileTransfer, CopyReplacesTheDestinationKeepingModeTimesAndOwner)
{
    Tree.CreateFile("src/f", "new contents", 1'600'000'000, 123'456'789);
    Tree.CreateFile("src/g", "other", 1'600'000'000, 5);
    Tree.CreateFile("dst/f", "old", 1'500'000'000);
    // Bits the umask takes away and, as root, a set-user-ID bit on a file of another owner.
    ASSERT_EQ(chmod(Tree.Path("src/f").c_str(), 0757), 0);
    ASSERT_EQ(chmod(Tree.Path("src/g").c_str(), 04751), 0);
    if (geteuid() == 0) {
        ASSERT_EQ(chown(Tree.Path("src/g").c_str(), 65534, 65534), 0);
        ASSERT_EQ(chmod(Tree.Path("src/g").c_str(), 04751), 0);
    }
    const mode_t umaskBefore = umask(022);
    const bool copiedF = Transfer(Tree.Path("src/f"), Tree.Path("dst/f"), true, false).Succeeded();
    const bool copiedG = Transfer(Tree.Path("src/g"), Tree.Path("dst/g"), true, false).Succeeded();
    umask(umaskBefore);
    ASSERT_TRUE(copiedF && copiedG);

    EXPECT_EQ(Tree.ReadFile("dst/f"), "new contents");
    EXPECT_EQ(Tree.ReadFile("src/f"), "new contents");
    EXPECT_EQ(Tree.ReadFile("dst/g"), "other");
    for (const char* name : {"f", "g"}) {
        SCOPED_TRACE(name);
        const struct stat source = StatOf(Tree.Path("src/") + name), copy = StatOf(Tree.Path("dst/") + name);
        EXPECT_EQ(copy.st_mode, source.st_mode);
        EXPECT_TRUE(SameTimes(copy, source));
        EXPECT_EQ(copy.st_uid, source.st_uid);
        EXPECT_EQ(copy.st_gid, source.st_gid);
    }
    EXPECT_EQ(StatOf(Tree.Path("dst/f")).st_mtim.tv_nsec, 123'456'789);
    EXPECT_EQ(LeftoverTemporaries(Tree.Path("dst")), TLines{});
}

TEST_F(FileTransfer, EmptyAndLargeFilesCopyWhole)
{
    Tree.CreateFile("src/empty", "");
    std::string large(3 * 1024 * 1024 + 17, '\0');
    for (std::size_t i = 0; i < large.size(); ++i)
        large[i] = static_cast<char>(i * 7919 % 251);
    Tree.CreateFile("src/large", large);
    ASSERT_TRUE(Transfer(Tree.Path("src/empty"), Tree.Path("dst/empty"), true, false));
    ASSERT_TRUE(Transfer(Tree.Path("src/large"), Tree.Path("dst/large"), true, false));
    EXPECT_EQ(Tree.ReadFile("dst/empty"), "");
    EXPECT_EQ(Tree.ReadFile("dst/large"), large);
}

namespace {
// Whether every extent of the file's data is shared with another file, as a reflink leaves it;
// false too for a file without extents.
bool AllExtentsShared(const std::string& path)
{
    const int file = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0)
        return false;
    constexpr unsigned Most = 512;
    std::vector<char> buffer(sizeof(fiemap) + Most * sizeof(fiemap_extent));
    auto* map = reinterpret_cast<fiemap*>(buffer.data());
    map->fm_length = FIEMAP_MAX_OFFSET;
    map->fm_flags = FIEMAP_FLAG_SYNC;
    map->fm_extent_count = Most;
    const bool mapped = ioctl(file, FS_IOC_FIEMAP, map) == 0;
    close(file);
    if (!mapped || map->fm_mapped_extents == 0)
        return false;
    for (unsigned i = 0; i < map->fm_mapped_extents; ++i)
        if ((map->fm_extents[i].fe_flags & FIEMAP_EXTENT_SHARED) == 0)
            return false;
    return true;
}
}  // namespace

// Within one btrfs volume a copy shares the source's extents and takes no room of its own.
TEST_F(FileTransfer, ACopyInsideOneBtrfsVolumeSharesItsExtents)
{
    Tree.CreateDirectory("volume");
    const std::unique_ptr<TMount> volume = TMount::Btrfs(Tree.Path("image"), Tree.Path("volume"));
    std::string contents(16 << 20, '\0');
    for (std::size_t i = 0; i < contents.size(); ++i)
        contents[i] = static_cast<char>((i * 2'654'435'761U) >> 13);
    Tree.CreateFile("volume/src/film.mkv", contents, 1'600'000'000);
    EXPECT_FALSE(AllExtentsShared(Tree.Path("volume/src/film.mkv")));
    EXPECT_TRUE(Transfer(Tree.Path("volume/src/film.mkv"), Tree.Path("volume/dst/film.mkv"), true, false,
                         {Tree.Path("volume/src"), Tree.Path("volume/dst")}));
    EXPECT_TRUE(AllExtentsShared(Tree.Path("volume/dst/film.mkv")));
    EXPECT_EQ(Tree.ReadFile("volume/dst/film.mkv"), contents);
}

TEST_F(FileTransfer, DirectoryChains)
{
    for (const char* path : {"src/a/b/c/f", "src/blocker/sub/f", "src/blocker/f"})
        Tree.CreateFile(path, "x");
    Tree.CreateFile("dst/blocker", "a file where a directory should be");
    const TOperationsReport report =
        RunOperations({"a/b/c/f", "blocker/sub/f", "blocker/f"}, foCopy, {Tree.Path("src"), Tree.Path("dst")});
    const auto copying = [&](const std::string& in) {
        return "Copying \"f\" from \"" + Tree.Path("src/" + in) + "\" to \"" + Tree.Path("dst/" + in) + "\"";
    };
    EXPECT_EQ(report.Lines,
              (TLines{copying("a/b/c"), "Succeeded", copying("blocker/sub"), "Not succeeded", copying("blocker"),
                      "Not succeeded", "Done", "Succeeded: 1 items", "Not succeeded: 2 items"}));
    EXPECT_EQ(Tree.ReadFile("dst/a/b/c/f"), "x");
    EXPECT_EQ(Tree.ReadFile("dst/blocker"), "a file where a directory should be");

    EXPECT_TRUE(MakeDirectoryChain("/", false));
    EXPECT_TRUE(MakeDirectoryChain(Tree.Path("durable//chain/"), true));
    EXPECT_TRUE(fs::is_directory(Tree.Path("durable/chain")));
    EXPECT_FALSE(MakeDirectoryChain(Tree.Path("dst/blocker/chain"), false));
}

TEST_F(FileTransfer, SameFileIsNeverCopiedOntoItselfNorDeleted)
{
    Tree.CreateFile("a/f", "precious", 1'600'000'000, 5);
    ASSERT_EQ(link(Tree.Path("a/f").c_str(), Tree.Path("a/hardlink").c_str()), 0);
    Tree.CreateSymlink("a/symlink", Tree.Path("a/f"));
    Tree.CreateSymlink("a/link-to-dir", Tree.Path("a"));
    const struct stat before = StatOf(Tree.Path("a/f"));

    const std::vector<std::pair<std::string, std::string>> cases{
        {Tree.Path("a/f"), Tree.Path("a/hardlink")},      {Tree.Path("a/f"), Tree.Path("a/symlink")},
        {Tree.Path("a/symlink"), Tree.Path("a/f")},       {Tree.Path("a/f"), Tree.Path("a/../a/f")},
        {Tree.Path("a/f"), Tree.Path("a/link-to-dir/f")},
    };
    const TTransferRoots roots{Tree.Path("a"), Tree.Path("a")};
    for (const auto& [source, destination] : cases) {
        SCOPED_TRACE(source + " -> " + destination);
        EXPECT_FALSE(Transfer(source, destination, true, false, roots));
        EXPECT_FALSE(Transfer(source, destination, true, true, roots));
        EXPECT_TRUE(Tree.Exists("a/f"));
        EXPECT_EQ(Tree.ReadFile("a/f"), "precious");
    }
    const struct stat after = StatOf(Tree.Path("a/f"));
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_TRUE(SameTimes(after, before));
    EXPECT_TRUE(S_ISLNK(StatOf(Tree.Path("a/symlink")).st_mode));
    EXPECT_TRUE(Tree.Exists("a/hardlink"));
    EXPECT_EQ(LeftoverTemporaries(Tree.Path("a")), TLines{});
}

TEST_F(FileTransfer, SymbolicLinkDestinationIsReplacedNotWrittenThrough)
{
    Tree.CreateFile("src/f", "new");
    Tree.CreateFile("elsewhere/target", "must stay");
    Tree.CreateSymlink("dst/f", Tree.Path("elsewhere/target"));
    Tree.CreateSymlink("dst/dangling", Tree.Path("elsewhere/nothing"));
    ASSERT_TRUE(Transfer(Tree.Path("src/f"), Tree.Path("dst/f"), true, false));
    ASSERT_TRUE(Transfer(Tree.Path("src/f"), Tree.Path("dst/dangling"), true, false));
    for (const char* name : {"dst/f", "dst/dangling"}) {
        EXPECT_TRUE(S_ISREG(StatOf(Tree.Path(name)).st_mode)) << name;
        EXPECT_EQ(Tree.ReadFile(name), "new");
    }
    EXPECT_EQ(Tree.ReadFile("elsewhere/target"), "must stay");
    EXPECT_FALSE(Tree.Exists("elsewhere/nothing"));
}

TEST_F(FileTransfer, FailedCopiesLeaveTheDestinationAndNoTemporaryFile)
{
    Tree.CreateFile("src/f", "new");
    Tree.CreateDirectory("dst/dir/inside");
    Tree.CreateFifo("src/fifo");
    EXPECT_FALSE(Transfer(Tree.Path("src/f"), Tree.Path("dst/dir"), true, true));
    EXPECT_TRUE(fs::is_directory(Tree.Path("dst/dir/inside")));
    EXPECT_TRUE(Tree.Exists("src/f"));
    // A FIFO in place of a source must not make the worker wait for a writer.
    EXPECT_FALSE(Transfer(Tree.Path("src/fifo"), Tree.Path("dst/fifo"), true, true));
    EXPECT_FALSE(Tree.Exists("dst/fifo"));
    EXPECT_TRUE(Tree.Exists("src/fifo"));
    EXPECT_EQ(LeftoverTemporaries(Tree.Path("dst")), TLines{});
}

TEST_F(FileTransfer, DiskFullKeepsTheOldDestinationAndTheSource)
{
    Tree.CreateFile("src/f", "new contents");
    Tree.CreateFile("src/new", "new contents");
    Tree.CreateFile("dst/f", "old contents", 1'500'000'000, 42);
    const struct stat before = StatOf(Tree.Path("dst/f"));
    const TOperationsReport report = RunOperations({"f", "new"}, foCopy, {Tree.Path("src"), Tree.Path("dst")},
                                                   std::make_unique<TDiskFullTransfer>(Roots()));
    EXPECT_EQ(report.Lines[1], "Not succeeded");
    EXPECT_EQ(report.Lines[3], "Not succeeded");
    TDiskFullTransfer diskFull(Roots());
    EXPECT_FALSE(TransferFile(Tree.Path("src/f"), Tree.Path("dst/f"), true, true, diskFull));

    EXPECT_EQ(Tree.ReadFile("dst/f"), "old contents");
    EXPECT_TRUE(SameTimes(StatOf(Tree.Path("dst/f")), before));
    EXPECT_FALSE(Tree.Exists("dst/new"));
    EXPECT_EQ(Tree.ReadFile("src/f"), "new contents");
    EXPECT_EQ(LeftoverTemporaries(Tree.Path("dst")), TLines{});
}

TEST_F(FileTransfer, FileSizeLimitKeepsTheOldDestinationAndTheSource)
{
    Tree.CreateFile("src/f", std::string(256 * 1024, 'n'));
    Tree.CreateFile("dst/f", "old contents");
    // 16 blocks of at most 1 KiB: well below the source. The tool must report, not be killed.
    const int status = Shell("ulimit -f 16 && exec " + ToolCommand("move", "f") + " > " + Tree.Path("log"));
    EXPECT_EQ(status, 1);
    EXPECT_EQ(Tree.ReadFile("log"), "Moving \"f\" from \"" + Tree.Path("src") + "\" to \"" + Tree.Path("dst") +
                                        "\"\nNot succeeded\nDone\nSucceeded: 0 items\nNot succeeded: 1 items\n");
    EXPECT_EQ(Tree.ReadFile("dst/f"), "old contents");
    EXPECT_EQ(Tree.ReadFile("src/f"), std::string(256 * 1024, 'n'));
    EXPECT_EQ(LeftoverTemporaries(Tree.Path("dst")), TLines{});
}

TEST_F(FileTransfer, MoveWhoseSourceCannotBeDeletedKeepsBothFiles)
{
    Tree.CreateFile("src/f", "contents");
    Tree.CreateDirectory("dst");
    ASSERT_EQ(chmod(Tree.Root().c_str(), 0755), 0);
    ASSERT_EQ(chmod(Tree.Path("src").c_str(), 0755), 0);
    ASSERT_EQ(chmod(Tree.Path("dst").c_str(), 0777), 0);
    const int status = RunUnprivileged(ToolCommand("move", "f") + " > " + Tree.Path("dst/log"));
    EXPECT_EQ(status, 1);
    EXPECT_EQ(Tree.ReadFile("dst/log"), "Moving \"f\" from \"" + Tree.Path("src") + "\" to \"" + Tree.Path("dst") +
                                            "\"\nNot succeeded\nDone\nSucceeded: 0 items\nNot succeeded: 1 items\n");
    EXPECT_EQ(Tree.ReadFile("src/f"), "contents");
    EXPECT_EQ(Tree.ReadFile("dst/f"), "contents");
}

TEST_F(FileTransfer, UnwritableDestinationFailsTheItemOnly)
{
    Tree.CreateFile("src/f", "contents");
    Tree.CreateFile("dst/f", "old");
    ASSERT_EQ(chmod(Tree.Root().c_str(), 0755), 0);
    ASSERT_EQ(chmod(Tree.Path("src").c_str(), 0777), 0);
    const int status = RunUnprivileged(ToolCommand("move", "f") + " > " + Tree.Path("src/log"));
    EXPECT_EQ(status, 1);
    EXPECT_EQ(Tree.ReadFile("dst/f"), "old");
    EXPECT_EQ(Tree.ReadFile("src/f"), "contents");
    EXPECT_EQ(LeftoverTemporaries(Tree.Path("dst")), TLines{});
}

TEST_F(FileTransfer, FilesDeeperThanOneSystemCallTakesAreCopiedMovedAndDeleted)
{
    const std::string deep = TTreeFixture::DeepFolder();
    for (const char* name : {"/moved", "/deleted", "/real/kept"})
        Tree.CreateFile("src/" + deep + name, name);
    // Its destination's folders are all missing.
    Tree.CreateFile("src/new/" + deep + "/copied", "/copied");
    Tree.CreateFile("dst/" + deep + "/moved", "old");
    // At that depth too, a linked folder is no way into or out of the tree.
    Tree.CreateSymlink("src/" + deep + "/link", "real");
    const TCompareRoots roots(Tree.Path("src"), Tree.Path("dst"));
    const TOperationsReport copied = RunOperations({"new/" + deep + "/copied"}, foCopy, roots);
    const TOperationsReport moved = RunOperations({deep + "/moved"}, foMove, roots);
    const TOperationsReport deleted = RunOperations({deep + "/deleted", deep + "/link/kept"}, foDelete, roots);
    for (const TOperationsReport* report : {&copied, &moved, &deleted}) {
        ASSERT_GE(report->Lines.size(), 4u);
        EXPECT_EQ(report->Lines[1], "Succeeded") << report->Lines[0];
    }
    EXPECT_EQ(deleted.Lines[3], "Not succeeded");
    EXPECT_EQ(Tree.ReadFile("dst/new/" + deep + "/copied"), "/copied");
    EXPECT_EQ(Tree.ReadFile("src/new/" + deep + "/copied"), "/copied");
    EXPECT_EQ(Tree.ReadFile("dst/" + deep + "/moved"), "/moved");
    EXPECT_FALSE(Tree.Exists("src/" + deep + "/moved"));
    EXPECT_FALSE(Tree.Exists("src/" + deep + "/deleted"));
    EXPECT_EQ(Tree.ReadFile("src/" + deep + "/real/kept"), "/real/kept");
}

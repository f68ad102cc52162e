#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "support/Tcommandrunner.h"
#include "support/Ttreefixture.h"

namespace {
const std::string Cli = VELLUMARK_CLI;
constexpr std::int64_t Noon = 1'600'000'000;

ino_t InodeOf(const std::string& path)
{
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class CliMirror : public ::testing::Test {
protected:
    // The desktop trash of these tests lies in the tree.
    void SetUp() override { ASSERT_EQ(setenv("XDG_DATA_HOME", Tree.Path("data").c_str(), 1), 0); }
    void TearDown() override { unsetenv("XDG_DATA_HOME"); }

    TCommandResult Run(std::vector<std::string> arguments, const std::string& source = "src") const
    {
        arguments.insert(arguments.begin(), Cli);
        arguments.push_back(Tree.Path(source));
        arguments.push_back(Tree.Path("dst"));
        return RunCommand(arguments);
    }
    // What still differs: every row but the "Not modified" ones.
    std::string Differences(const std::string& excluded) const
    {
        const TCommandResult listed = Run({"compare", "--show-destination-only", "--exclude", excluded});
        return listed.Output.substr(listed.Output.find("\r\n") + 2);
    }
    // A destination of ten files, of which the source has two.
    void FewLeftInTheSource()
    {
        for (int i = 0; i < 10; ++i)
            Tree.CreateFile("dst/f" + std::to_string(i), "x", Noon);
        Tree.CreateFile("src/f0", "x", Noon);
        Tree.CreateFile("src/f1", "x", Noon);
    }

    TTreeFixture Tree;
};
}  // namespace

// A photo folder renamed and a file deleted in the source, a file changed, an empty folder and
// a file the masks leave out only in the destination, and a destination file that is newer.
TEST_F(CliMirror, MirrorRenamesCopiesAndRemovesUntilOnlyWhatItLeavesAloneDiffers)
{
    Tree.CreateFile("src/2024 Trip/a.jpg", "first photo", Noon);
    Tree.CreateFile("src/2024 Trip/b.jpg", "second photo", Noon + 60);
    Tree.CreateFile("dst/Trip/a.jpg", "first photo", Noon);
    Tree.CreateFile("dst/Trip/b.jpg", "second photo", Noon + 60);
    const ino_t renamedInode = InodeOf(Tree.Path("dst/Trip/a.jpg"));
    Tree.CreateFile("src/notes.txt", "new notes", Noon + 600);
    Tree.CreateFile("dst/notes.txt", "old notes", Noon);
    Tree.CreateFile("dst/gone.txt", "deleted in the source", Noon);
    Tree.CreateFile("dst/Old album/x.jpg", "deleted with its folder", Noon);
    Tree.CreateDirectory("dst/empty/inner");
    Tree.CreateFile("dst/old/kept.tmp", "left out by the masks", Noon);
    Tree.CreateFile("src/newer.txt", "older", Noon);
    Tree.CreateFile("dst/newer.txt", "newer, longer", Noon + 600);
    // What a killed copy left half made is never listed: the next copy of its file removes it.
    Tree.CreateFile("dst/.notes.txt.0123456789abcdef.vellumark-tmp", "half a co", Noon);

    const TCommandResult mirrored = Run({"mirror", "--yes", "--exclude", "*.tmp"});
    EXPECT_EQ(mirrored.Status, 0) << mirrored.Output << mirrored.Errors;
    EXPECT_TRUE(Contains(mirrored.Output, "Renaming \"" + Tree.Path("dst/Trip/a.jpg") + "\" to \"" +
                                              Tree.Path("dst/2024 Trip/a.jpg") + "\"\r\nSucceeded\r\n"))
        << mirrored.Output;
    // A rename, not a copy: the very file has its new name.
    EXPECT_EQ(InodeOf(Tree.Path("dst/2024 Trip/a.jpg")), renamedInode);
    EXPECT_EQ(Tree.ReadFile("dst/2024 Trip/b.jpg"), "second photo");
    EXPECT_FALSE(Tree.Exists("dst/Trip"));
    EXPECT_TRUE(Contains(mirrored.Output, "Removed the folder \"" + Tree.Path("dst/Trip") + "\"\r\n"))
        << mirrored.Output;
    EXPECT_EQ(Tree.ReadFile("dst/notes.txt"), "new notes");
    EXPECT_EQ(Tree.ReadFile("data/Trash/files/notes.txt"), "old notes");
    EXPECT_EQ(Tree.ReadFile("data/Trash/files/gone.txt"), "deleted in the source");
    EXPECT_TRUE(Contains(Tree.ReadFile("data/Trash/info/gone.txt.trashinfo"), "Path=" + Tree.Path("dst/gone.txt")));
    EXPECT_FALSE(Tree.Exists("dst/empty"));
    EXPECT_FALSE(Tree.Exists("dst/Old album"));
    EXPECT_EQ(Tree.ReadFile("dst/old/kept.tmp"), "left out by the masks");
    EXPECT_EQ(Tree.ReadFile("dst/newer.txt"), "newer, longer");
    EXPECT_TRUE(Tree.Exists("dst/.notes.txt.0123456789abcdef.vellumark-tmp"));
    EXPECT_EQ(Differences("*.tmp"), "newer.txt," + Tree.Path("src") + ",.txt,\"-8 bytes\",\"-1 days\",Ambiguous\r\n");

    // Named, the newer destination file is taken too.
    Tree.CreateFile("src/gone too.txt", "x", Noon);
    EXPECT_EQ(Run({"mirror", "--yes", "--only", "Ambiguous"}).Status, 0);
    EXPECT_EQ(Tree.ReadFile("dst/newer.txt"), "older");
    EXPECT_FALSE(Tree.Exists("dst/gone too.txt"));
}

// Files of one size and time that hold other bytes are no rename: the source file is copied
// and the destination's stays.
TEST_F(CliMirror, ARenameIsMadeOnlyWhereTheOldPlaceHoldsTheSourceBytes)
{
    Tree.CreateFile("src/new.txt", "abcd", Noon);
    Tree.CreateFile("dst/old.txt", "wxyz", Noon);
    const TCommandResult mirrored = Run({"mirror", "--yes"});
    EXPECT_EQ(mirrored.Status, 0) << mirrored.Output << mirrored.Errors;
    EXPECT_TRUE(Contains(mirrored.Output, "Not renamed (the old place holds other contents)\r\nCopying"))
        << mirrored.Output;
    EXPECT_EQ(Tree.ReadFile("dst/new.txt"), "abcd");
    EXPECT_EQ(Tree.ReadFile("dst/old.txt"), "wxyz");

    // Samples do not see one byte apart between them; a verifying run reads every byte.
    std::string pixels(1 << 20, 'p');
    Tree.CreateFile("src/photo.raw", pixels, Noon);
    pixels[100'000] = 'q';
    Tree.CreateFile("dst/old.raw", pixels, Noon);
    const TCommandResult verified = Run({"mirror", "--yes", "--verify"});
    EXPECT_TRUE(Contains(verified.Output, "Not renamed (the old place holds other contents)")) << verified.Output;
    EXPECT_EQ(Tree.ReadFile("dst/photo.raw"), std::string(1 << 20, 'p'));
}

// An unmounted card leaves an empty mount point; a share gone leaves no folder at all, which
// no command takes for a source.
TEST_F(CliMirror, AnEmptyOrMissingSourceRemovesNothing)
{
    Tree.CreateFile("dst/photo.jpg", "the only copy", Noon);
    Tree.CreateDirectory("empty");
    const TCommandResult mirrored = Run({"mirror", "--yes", "--max-delete", "5"}, "empty");
    EXPECT_EQ(mirrored.Status, 1);
    EXPECT_TRUE(Contains(mirrored.Errors, "The source folder \"" + Tree.Path("empty") +
                                              "\" is empty: nothing is removed from the destination."))
        << mirrored.Errors;
    EXPECT_EQ(Run({"prune", "--yes", "--max-delete", "5"}, "empty").Status, 1);
    EXPECT_EQ(Run({"mirror", "--yes", "--max-delete", "5"}, "missing").Status, 2);
    EXPECT_EQ(Tree.ReadFile("dst/photo.jpg"), "the only copy");
}

TEST_F(CliMirror, MoreThanHalfOfTheDestinationOrMoreThanMaxDeleteIsRefused)
{
    FewLeftInTheSource();
    const TCommandResult refused = Run({"mirror", "--yes"});
    EXPECT_EQ(refused.Status, 1);
    EXPECT_TRUE(Contains(refused.Errors, "8 files of the destination's 10 would be removed")) << refused.Errors;
    EXPECT_EQ(Run({"prune", "--yes", "--max-delete", "7"}).Status, 1);
    EXPECT_TRUE(Tree.Exists("dst/f9"));

    const TCommandResult allowed = Run({"prune", "--yes", "--max-delete", "8"});
    EXPECT_EQ(allowed.Status, 0) << allowed.Errors;
    EXPECT_FALSE(Tree.Exists("dst/f9"));
    EXPECT_TRUE(Tree.Exists("dst/f1"));
    EXPECT_TRUE(Tree.Exists("data/Trash/files/f9"));
}

// A copy that fails (a read-only destination) leaves every destination-only file in place.
TEST_F(CliMirror, AFailedCopyRemovesNothingAndNoTrashDeletes)
{
    Tree.CreateFile("src/a.txt", "new", Noon + 600);
    Tree.CreateFile("dst/a.txt", "old", Noon);
    Tree.CreateFile("src/b.txt", "b", Noon);
    Tree.CreateFile("dst/b.txt", "b", Noon);
    Tree.CreateFile("dst/gone.txt", "gone", Noon);
    ASSERT_EQ(chmod(Tree.Path("dst/a.txt").c_str(), 0444), 0);
    const TCommandResult failed = Run({"mirror", "--yes"});
    EXPECT_EQ(failed.Status, 1);
    EXPECT_TRUE(Contains(failed.Errors, Tree.Path("dst/gone.txt") + ": an earlier item did not succeed"))
        << failed.Errors;
    EXPECT_EQ(Tree.ReadFile("dst/gone.txt"), "gone");

    ASSERT_EQ(chmod(Tree.Path("dst/a.txt").c_str(), 0644), 0);
    const TCommandResult mirrored = Run({"mirror", "--yes", "--no-trash"});
    EXPECT_EQ(mirrored.Status, 0) << mirrored.Errors;
    EXPECT_FALSE(Tree.Exists("dst/gone.txt"));
    EXPECT_FALSE(Tree.Exists("data/Trash/files/gone.txt"));
    EXPECT_FALSE(Tree.Exists("data/Trash/files/a.txt"));
}

// As an unprivileged user, a source folder that cannot be read: its destination files may be
// the counterparts of source files nobody could see.
TEST_F(CliMirror, NothingBelowASourceFolderThatCouldNotBeListedIsRemoved)
{
    Tree.CreateFile("src/open/a.txt", "a", Noon);
    Tree.CreateFile("src/locked/secret.txt", "s", Noon);
    Tree.CreateFile("dst/open/a.txt", "a", Noon);
    Tree.CreateFile("dst/locked/secret.txt", "s", Noon);
    Tree.CreateFile("dst/locked/old.txt", "old", Noon);
    Tree.CreateFile("dst/open/old.txt", "old", Noon);
    Tree.CreateFile("dst/x.txt", "x", Noon);
    for (const char* kept : {"c.txt", "d.txt"}) {
        Tree.CreateFile(std::string("src/") + kept, "kept", Noon);
        Tree.CreateFile(std::string("dst/") + kept, "kept", Noon);
    }
    ASSERT_EQ(std::system(("chmod -R a+rwX " + Tree.Root() + " && chmod 0 " + Tree.Path("src/locked")).c_str()), 0);
    const std::string log = Tree.Path("log");
    const int status = RunUnprivileged("XDG_DATA_HOME=" + Tree.Path("data") + " " + Cli + " mirror --yes " +
                                       Tree.Path("src") + " " + Tree.Path("dst") + " >" + log + " 2>&1");
    EXPECT_EQ(status, 0) << Tree.ReadFile("log");
    EXPECT_TRUE(Contains(Tree.ReadFile("log"), "nothing is removed or renamed below " + Tree.Path("dst/locked/")))
        << Tree.ReadFile("log");
    EXPECT_EQ(Tree.ReadFile("dst/locked/old.txt"), "old");
    EXPECT_EQ(Tree.ReadFile("dst/locked/secret.txt"), "s");
    EXPECT_FALSE(Tree.Exists("dst/open/old.txt"));
    EXPECT_FALSE(Tree.Exists("dst/x.txt"));
}

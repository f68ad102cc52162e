#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include <sys/stat.h>

#include "support/Ttreefixture.h"
#include "sys/Wholefile.h"

using namespace std::string_literals;
using testing::AllOf;
using testing::HasSubstr;
using testing::ThrowsMessage;

namespace {
std::vector<std::string> EntriesOf(const std::string& directory)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

unsigned ModeOf(const std::string& path)
{
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        throw std::runtime_error("no such file: " + path);
    return info.st_mode & 07777;
}
}  // namespace

TEST(ReadWholeFile, GivesTheBytesOrNothingForAMissingFile)
{
    TTreeFixture tree;
    tree.CreateFile("data.bin", "a\0b\r\n\xFF"s);
    tree.CreateFile("empty", "");
    EXPECT_EQ(ReadWholeFile(tree.Path("data.bin"), 100), "a\0b\r\n\xFF"s);
    EXPECT_EQ(ReadWholeFile(tree.Path("empty"), 0), "");
    EXPECT_EQ(ReadWholeFile(tree.Path("missing"), 100), std::nullopt);
    EXPECT_EQ(ReadWholeFile(tree.Path("no/such/dir"), 100), std::nullopt);
    EXPECT_EQ(ReadWholeFile(tree.Path("data.bin/below"), 100), std::nullopt);
}

TEST(ReadWholeFile, RefusesLongFilesDirectoriesAndSpecialFiles)
{
    TTreeFixture tree;
    tree.CreateFile("ten", "0123456789");
    EXPECT_EQ(ReadWholeFile(tree.Path("ten"), 10), "0123456789");
    EXPECT_THAT(
        [&] { ReadWholeFile(tree.Path("ten"), 9); },
        ThrowsMessage<std::runtime_error>(AllOf(HasSubstr(tree.Path("ten")), HasSubstr("larger than 9 bytes"))));

    tree.CreateDirectory("folder");
    EXPECT_THAT([&] { ReadWholeFile(tree.Path("folder"), 100); },
                ThrowsMessage<std::runtime_error>(HasSubstr("not a regular file")));
    // A FIFO without a writer must not block the reader.
    tree.CreateFifo("fifo");
    EXPECT_THROW(ReadWholeFile(tree.Path("fifo"), 100), std::runtime_error);
}

TEST(ReplaceWholeFile, CreatesANewFileWithTheUmaskBits)
{
    TTreeFixture tree;
    const mode_t previous = umask(027);
    ReplaceWholeFile(tree.Path("new.ini"), "a\0b"s);
    umask(previous);
    EXPECT_EQ(tree.ReadFile("new.ini"), "a\0b"s);
    EXPECT_EQ(ModeOf(tree.Path("new.ini")), 0640u);
    EXPECT_EQ(EntriesOf(tree.Root()), std::vector<std::string>{"new.ini"});
}

TEST(ReplaceWholeFile, ReplacesAnExistingFileKeepingItsPermissionBits)
{
    TTreeFixture tree;
    tree.CreateFile("old.ini", std::string(100'000, 'o'));
    ASSERT_EQ(chmod(tree.Path("old.ini").c_str(), 0604), 0);
    const std::string contents(5'000'000, 'n');
    ReplaceWholeFile(tree.Path("old.ini"), contents);
    EXPECT_EQ(tree.ReadFile("old.ini"), contents);
    EXPECT_EQ(ModeOf(tree.Path("old.ini")), 0604u);

    ReplaceWholeFile(tree.Path("old.ini"), "");
    EXPECT_EQ(tree.ReadFile("old.ini"), "");
    EXPECT_EQ(EntriesOf(tree.Root()), std::vector<std::string>{"old.ini"});
}

TEST(ReplaceWholeFile, WritesThroughSymbolicLinksAndKeepsThem)
{
    TTreeFixture tree;
    tree.CreateFile("real/target.ini", "old");
    tree.CreateSymlink("links/second", "../real/target.ini");
    tree.CreateSymlink("first", "links/second");
    ReplaceWholeFile(tree.Path("first"), "new");
    EXPECT_EQ(tree.ReadFile("real/target.ini"), "new");
    EXPECT_TRUE(std::filesystem::is_symlink(tree.Path("first")));
    EXPECT_TRUE(std::filesystem::is_symlink(tree.Path("links/second")));
    EXPECT_EQ(EntriesOf(tree.Path("real")), std::vector<std::string>{"target.ini"});

    // A dangling link gets the file it names.
    tree.CreateSymlink("dangling", "real/created.ini");
    ReplaceWholeFile(tree.Path("dangling"), "made");
    EXPECT_EQ(tree.ReadFile("real/created.ini"), "made");
    EXPECT_TRUE(std::filesystem::is_symlink(tree.Path("dangling")));
}

TEST(ReplaceWholeFile, FailsWithAClearMessageAndLeavesNothingBehind)
{
    TTreeFixture tree;
    tree.CreateDirectory("folder");
    EXPECT_THAT(
        [&] { ReplaceWholeFile(tree.Path("folder"), "x"); },
        ThrowsMessage<std::runtime_error>(AllOf(HasSubstr(tree.Path("folder")), HasSubstr("not a regular file"))));
    EXPECT_TRUE(std::filesystem::is_directory(tree.Path("folder")));

    EXPECT_THAT(
        [&] { ReplaceWholeFile(tree.Path("missing/a.ini"), "x"); },
        ThrowsMessage<std::runtime_error>(AllOf(HasSubstr(tree.Path("missing/a.ini")), HasSubstr("No such file"))));
    EXPECT_THROW(ReplaceWholeFile("", "x"), std::runtime_error);

    tree.CreateSymlink("loop", "loop");
    EXPECT_THROW(ReplaceWholeFile(tree.Path("loop"), "x"), std::runtime_error);
    EXPECT_EQ(EntriesOf(tree.Root()), (std::vector<std::string>{"folder", "loop"}));
}

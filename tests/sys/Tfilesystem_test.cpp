#include <gtest/gtest.h>

#include <cerrno>
#include <map>

#include "support/Ttreefixture.h"
#include "sys/Tfilesystem.h"

namespace {
std::map<std::string, TFileFacts> ListAll(const std::string& directory)
{
    std::map<std::string, TFileFacts> entries;
    for (const TDirectoryEntry& entry : TFileFactsSource::System().List(directory).Entries)
        entries[entry.Name] = entry.Facts;
    return entries;
}
}  // namespace

TEST(FileSystem, TimesAreTicksSince1601)
{
    EXPECT_EQ(TicksFromUnixTime(0, 0), 116444736000000000);
    EXPECT_EQ(TicksFromUnixTime(1, 999'999'999), 116444736000000000 + 19'999'999);
    EXPECT_EQ(TicksFromUnixTime(INT64_MAX / 2, 0), INT64_MAX);
    EXPECT_EQ(TicksFromUnixTime(INT64_MIN / 2, 0), INT64_MIN);
}

TEST(FileSystem, ListsFilesWithSizeAndTimeAndJudgesLinksByTarget)
{
    TTreeFixture tree;
    tree.CreateFile("file.txt", "12345", 1'600'000'000, 123'456'700);
    tree.CreateDirectory("folder");
    tree.CreateSymlink("to-file", "file.txt");
    tree.CreateSymlink("to-folder", "folder");
    tree.CreateSymlink("dangling", "missing");
    tree.CreateFifo("pipe");

    const auto entries = ListAll(tree.Root());
    ASSERT_TRUE(entries.count("file.txt"));
    EXPECT_FALSE(entries.at("file.txt").IsDirectory);
    EXPECT_EQ(entries.at("file.txt").Size, 5);
    EXPECT_EQ(entries.at("file.txt").LastWriteTime, TicksFromUnixTime(1'600'000'000, 123'456'700));
    EXPECT_TRUE(entries.at("folder").IsDirectory);
    EXPECT_TRUE(entries.count("."));
    EXPECT_EQ(entries.at("to-file").Size, 5);
    EXPECT_FALSE(entries.at("to-file").IsDirectory);
    EXPECT_FALSE(entries.count("to-folder"));  // never descended, never an item
    ASSERT_TRUE(entries.count("dangling"));    // the link's own facts
    EXPECT_EQ(entries.at("dangling").Size, 7);
    EXPECT_FALSE(entries.count("pipe"));
}

TEST(FileSystem, LookupTellsExistenceAndKind)
{
    TTreeFixture tree;
    tree.CreateFile("a/b.txt", "xy");
    EXPECT_EQ(LookupPath(tree.Path("a/b.txt"))->Size, 2);
    EXPECT_TRUE(LookupPath(tree.Path("a"))->IsDirectory);
    EXPECT_FALSE(LookupPath(tree.Path("a/missing")).has_value());
    EXPECT_TRUE(DirectoryExists(tree.Path("a")));
    EXPECT_FALSE(DirectoryExists(tree.Path("a/b.txt")));
    EXPECT_FALSE(DirectoryExists(""));
    EXPECT_TRUE(FileExists(tree.Path("a/b.txt")));
    EXPECT_FALSE(FileExists(tree.Path("a")));
    const TDirectoryContents missing = TFileFactsSource::System().List(tree.Path("missing"));
    EXPECT_TRUE(missing.Entries.empty());
    ASSERT_TRUE(missing.Error);
    EXPECT_EQ(missing.Error->Code, ENOENT);
}

#include <gtest/gtest.h>

#include "support/Tcommandrunner.h"
#include "support/Ttreefixture.h"

namespace {
const std::string Cli = VELLUMARK_CLI;
const std::string Header = "Name,Directory,Extension,\"Size remainder\",\"Time reminder\",Result\r\n";
}  // namespace

TEST(CliCompare, WritesTheResultListAsCommaSeparatedValues)
{
    TTreeFixture tree;
    tree.CreateFile("src/My Docs/new file.txt", "hello", 1'600'000'000);
    tree.CreateFile("src/same", "x", 1'600'000'000);
    tree.CreateFile("dst/same", "x", 1'600'000'000);
    tree.CreateFile("src/newer", "x", 1'600'864'000);
    tree.CreateFile("dst/newer", "xyz", 1'600'000'000);

    const auto shown = RunCommand({Cli, "compare", tree.Path("src"), tree.Path("dst")});
    EXPECT_EQ(shown.Status, 0) << shown.Errors;
    EXPECT_EQ(shown.Output, Header + "\"new file.txt\",\"" + tree.Path("src/My Docs") +
                                "\",.txt,\"+5 bytes\",None,Created\r\n" + "newer," + tree.Path("src") +
                                ",,\"-2 bytes\",\"+10 days\",Modified\r\n");
    EXPECT_EQ(shown.Errors, "");  // no progress line when standard error is no terminal

    const auto all = RunCommand({Cli, "compare", "--show-not-modified", "--include", "same;newer", "--exclude",
                                 "newer", tree.Path("src"), tree.Path("dst")});
    EXPECT_EQ(all.Output, Header + "same," + tree.Path("src") + ",,\"+0 bytes\",\"+0 days\",\"Not modified\"\r\n");
}

TEST(CliCompare, RejectsBadRootsAndArgumentsWithStatusTwo)
{
    TTreeFixture tree;
    tree.CreateDirectory("a");
    const auto missing = RunCommand({Cli, "compare", tree.Path("a"), tree.Path("nowhere")});
    EXPECT_EQ(missing.Status, 2);
    EXPECT_EQ(missing.Errors, "Set an exinsting directory.\n");
    EXPECT_EQ(missing.Output, "");

    const auto same = RunCommand({Cli, "compare", tree.Path("a"), tree.Path("a")});
    EXPECT_EQ(same.Status, 2);
    EXPECT_EQ(same.Errors, "Set different directories.\n");

    const auto emptyMasks = RunCommand({Cli, "compare", "--include", "", tree.Root(), tree.Path("a")});
    EXPECT_EQ(emptyMasks.Status, 2);
    EXPECT_EQ(emptyMasks.Errors, "Set masks.\n");

    const auto unknown = RunCommand({Cli, "compare", "--bogus", tree.Root(), tree.Path("a")});
    EXPECT_EQ(unknown.Status, 2);
    EXPECT_NE(unknown.Errors.find("--bogus"), std::string::npos);
    EXPECT_NE(unknown.Errors.find("Usage"), std::string::npos);

    EXPECT_EQ(RunCommand({Cli}).Status, 2);
}

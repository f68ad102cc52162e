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

TEST(CliCompare, SavesAndLoadsCompareFiles)
{
    TTreeFixture tree;
    tree.CreateFile("src/a.txt", "x", 1'600'000'000);
    tree.CreateFile("src/b.log", "x", 1'600'000'000);
    tree.CreateDirectory("dst");
    const std::string saved = tree.Path("saved.vmc");

    // Relative roots are saved as absolute ones: the file is read from elsewhere below.
    const auto save = RunCommand({"/bin/sh", "-c", "cd '" + tree.Root() + "' && '" + Cli +
                                  "' compare --save saved.vmc --include '*.txt' --exact-time ./src dst/"});
    ASSERT_EQ(save.Status, 0) << save.Errors;
    EXPECT_EQ(tree.ReadFile("saved.vmc"),
              "[About]\r\nFileType=Vellumark Compare\r\nMajorVersion=1\r\nMinorVersion=0\r\n\r\n[Options]\r\n"
              "SrcDir=" + tree.Path("src") + "\r\nDstDir=" + tree.Path("dst") +
                  "\r\nUseIncludeMasks=1\r\nIncludeMasks=*.txt\r\nUseExcludeMasks=0\r\nExcludeMasks=*\r\n"
                  "IncludeSubDirs=1\r\nFatPrecision=0\r\nShowNotModified=0\r\n\r\n");

    // The roots come from the file; a later option overrides a single field.
    const auto loaded = RunCommand({Cli, "compare", "--load", saved});
    EXPECT_EQ(loaded.Status, 0) << loaded.Errors;
    EXPECT_EQ(loaded.Output, save.Output);
    EXPECT_NE(loaded.Output.find("a.txt"), std::string::npos);
    EXPECT_EQ(loaded.Output.find("b.log"), std::string::npos);
    const auto overridden = RunCommand({Cli, "compare", "--load", saved, "--include", "*.log"});
    EXPECT_NE(overridden.Output.find("b.log"), std::string::npos);
    EXPECT_EQ(overridden.Output.find("a.txt"), std::string::npos);
}

TEST(CliCompare, ReportsUnreadableAndUnsupportedCompareFiles)
{
    TTreeFixture tree;
    tree.CreateFile("src/a.txt", "x", 1'600'000'000);
    tree.CreateDirectory("dst");
    const auto unreadable = RunCommand({Cli, "compare", "--load", tree.Path("src")});
    EXPECT_EQ(unreadable.Status, 1);
    EXPECT_EQ(unreadable.Errors, "The program cannot load data from the file: " + tree.Path("src") + "\n");

    tree.CreateFile("other.vmc", "[About]\r\nFileType=Other\r\n[Options]\r\nSrcDir=" + tree.Path("src") +
                                     "\r\nDstDir=" + tree.Path("dst") + "\r\n");
    const auto unsupported = RunCommand({Cli, "compare", "--load", tree.Path("other.vmc")});
    EXPECT_EQ(unsupported.Status, 2);
    EXPECT_EQ(unsupported.Errors, "The progream does not support the file: " + tree.Path("other.vmc") + "\n");
    const auto forced = RunCommand({Cli, "compare", "--load", tree.Path("other.vmc"), "--force"});
    EXPECT_EQ(forced.Status, 0) << forced.Errors;
    EXPECT_NE(forced.Output.find("a.txt"), std::string::npos);

    const auto unsaved = RunCommand({Cli, "compare", "--save", tree.Path("nowhere/x.vmc"), tree.Path("src"),
                                     tree.Path("dst")});
    EXPECT_EQ(unsaved.Status, 1);
    EXPECT_EQ(unsaved.Errors, "The program cannot save data to the file: " + tree.Path("nowhere/x.vmc") + "\n");
    EXPECT_EQ(unsaved.Output, "");
}

TEST(CliCompare, ShowsAProgressLineOnATerminalOnly)
{
    TTreeFixture tree;
    for (int i = 0; i < 20; ++i)
        tree.CreateFile("src/f" + std::to_string(i), "x", 1'600'000'000);
    tree.CreateDirectory("dst");
    // script(1) gives the program a terminal; its standard output then carries both streams.
    const auto onTerminal = RunCommand({"/usr/bin/script", "-qec",
                                        Cli + " compare " + tree.Path("src") + " " + tree.Path("dst") + " >/dev/null",
                                        "/dev/null"});
    EXPECT_EQ(onTerminal.Status, 0);
    EXPECT_NE(onTerminal.Output.find("Compared 20 of 20 (100%)"), std::string::npos) << onTerminal.Output;
}

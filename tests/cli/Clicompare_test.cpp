#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include <sys/stat.h>
#include <unistd.h>

#include "support/Tcommandrunner.h"
#include "support/Tmount.h"
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

    const auto all = RunCommand({Cli, "compare", "--show-not-modified", "--include", "same;newer", "--exclude", "newer",
                                 tree.Path("src"), tree.Path("dst")});
    EXPECT_EQ(all.Output, Header + "same," + tree.Path("src") + ",,\"+0 bytes\",\"+0 days\",\"Not modified\"\r\n");
}

TEST(CliCompare, AnyNumberOfJobsWritesTheSameBytes)
{
    // Names that differ in case only, in one folder and across folders, collate equal: their
    // order comes from the walk, which many threads must not change.
    TTreeFixture tree;
    for (int folder = 0; folder < 40; ++folder)
        for (const std::string& directory : {"Dir" + std::to_string(folder), "dir" + std::to_string(folder)})
            for (const char* name : {"Readme.txt", "README.TXT", "readme.txt", "Notes", "notes"}) {
                const std::string relative = directory + "/" + name;
                tree.CreateFile("src/" + relative, relative, 1'600'000'000 + folder * 100);
                if (folder % 3 != 0)
                    tree.CreateFile("dst/" + relative, name, 1'600'000'000 + 100);
            }
    tree.CreateFile("src/DIR0/readme.TXT", "x", 1'600'000'000);
    tree.CreateFile("src/file", "x", 1'600'000'000);

    const auto single =
        RunCommand({Cli, "compare", "--jobs", "1", "--show-not-modified", tree.Path("src"), tree.Path("dst")});
    ASSERT_EQ(single.Status, 0) << single.Errors;
    EXPECT_EQ(std::count(single.Output.begin(), single.Output.end(), '\n'), 1 + 40 * 2 * 5 + 2);
    for (const char* jobs : {"2", "8"}) {
        const auto many =
            RunCommand({Cli, "compare", "--jobs", jobs, "--show-not-modified", tree.Path("src"), tree.Path("dst")});
        EXPECT_EQ(many.Output, single.Output) << jobs << " jobs";
    }
    const auto chosen = RunCommand({Cli, "compare", "--show-not-modified", tree.Path("src"), tree.Path("dst")});
    EXPECT_EQ(chosen.Output, single.Output);
    EXPECT_EQ(RunCommand({Cli, "compare", "--jobs", "0", tree.Path("src"), tree.Path("dst")}).Status, 2);
}

TEST(CliCompare, AnyNumberOfJobsWritesTheSameBytesOnFuseFileSystems)
{
    // The source seen through bindfs, the destination a case-blind FAT volume: listings and
    // lookups answered by another process, where a name may find a file spelt otherwise.
    TTreeFixture tree;
    for (int folder = 0; folder < 12; ++folder)
        for (const char* name : {"Readme.txt", "notes", "Photo.JPG"})
            tree.CreateFile("src/Folder" + std::to_string(folder) + "/" + name, name, 1'600'000'000 + folder * 86'400);
    tree.CreateDirectory("view");
    tree.CreateDirectory("fat");
    const auto view = TMount::SecondView(tree.Path("src"), tree.Path("view"));
    const auto fat = TMount::Fat(tree.Path("fat.img"), tree.Path("fat"));
    for (int folder = 0; folder < 12; folder += 2) {
        tree.CreateFile("fat/FOLDER" + std::to_string(folder) + "/README.TXT", "Readme.txt", 1'600'000'000);
        tree.CreateFile("fat/folder" + std::to_string(folder) + "/notes", "longer notes", 1'600'000'000);
    }

    const auto single =
        RunCommand({Cli, "compare", "--jobs", "1", "--show-not-modified", tree.Path("view"), tree.Path("fat")});
    ASSERT_EQ(single.Status, 0) << single.Errors;
    const auto rows = [&](const std::string& result) {
        std::istringstream lines(single.Output);
        int count = 0;
        for (std::string line; std::getline(lines, line);)
            count += line.ends_with("," + result + "\r") ? 1 : 0;
        return count;
    };
    // Folder0, 2, ... have a readme and notes under another spelling of the folder.
    EXPECT_EQ(rows("Created"), 6 * 3 + 6);
    EXPECT_EQ(rows("Modified"), 5 * 2);
    EXPECT_EQ(rows("\"Not modified\""), 1);
    EXPECT_EQ(rows("Ambiguous"), 1);
    for (const char* jobs : {"2", "8"}) {
        const auto many =
            RunCommand({Cli, "compare", "--jobs", jobs, "--show-not-modified", tree.Path("view"), tree.Path("fat")});
        EXPECT_EQ(many.Output, single.Output) << jobs << " jobs";
    }
}

TEST(CliCompare, FoldersItCannotReadAreLeftOutAndNamedOnStandardErrorWithAnyNumberOfJobs)
{
    // Run as "nobody": a source folder it may not list, or may list but not search, gives no
    // item and a line on standard error; a destination folder it may not search makes its
    // source files "Created".
    TTreeFixture tree;
    for (int folder = 0; folder < 20; ++folder)
        for (const std::string side : {"src/", "dst/"})
            tree.CreateFile(side + "open" + std::to_string(folder) + "/f", "x", 1'600'000'000);
    tree.CreateFile("src/locked/f", "x", 1'600'000'000);
    tree.CreateFile("src/unsearchable/f", "x", 1'600'000'000);
    tree.CreateFile("src/sealed/f", "x", 1'600'000'000);
    tree.CreateFile("dst/sealed/f", "x", 1'600'000'000);
    ASSERT_EQ(chmod(tree.Root().c_str(), 0755), 0);
    ASSERT_EQ(chmod(tree.Path("src/locked").c_str(), 0700), 0);
    ASSERT_EQ(chmod(tree.Path("src/unsearchable").c_str(), 0744), 0);
    ASSERT_EQ(chmod(tree.Path("dst/sealed").c_str(), 0700), 0);
    tree.CreateDirectory("out");
    ASSERT_EQ(chmod(tree.Path("out").c_str(), 0777), 0);

    for (const char* jobs : {"1", "8"}) {
        const std::string output = tree.Path(std::string("out/") + jobs);
        const int status =
            RunUnprivileged(Cli + " compare --show-not-modified --jobs " + jobs + " " + tree.Path("src") + " " +
                            tree.Path("dst") + " > " + output + " 2> " + output + ".errors");
        EXPECT_EQ(status, 0) << jobs << " jobs";
        const std::string errors = tree.ReadFile(std::string("out/") + jobs + ".errors");
        EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 2) << errors;
        for (const char* folder : {"src/locked/", "src/unsearchable/"})
            EXPECT_NE(errors.find("vellumark: cannot list the folder " + tree.Path(folder) + ": Permission denied\n"),
                      std::string::npos)
                << errors;
        const std::string list = tree.ReadFile(std::string("out/") + jobs);
        EXPECT_EQ(std::count(list.begin(), list.end(), '\n'), 1 + 20 + 1) << list;
        EXPECT_NE(list.find("f," + tree.Path("src/sealed") + ",,\"+1 bytes\",None,Created\r\n"), std::string::npos)
            << list;
        EXPECT_EQ(list.find("locked"), std::string::npos);
        EXPECT_EQ(list.find("unsearchable"), std::string::npos);
    }
}

TEST(CliCompare, ContentsTellTouchedCopiesFromDamagedOnesAndUnreadableFilesAreUnknown)
{
    // Run as "nobody", who may not read one of the copies.
    TTreeFixture tree;
    const std::string photo(300'000, 'p');
    std::string flipped = photo;
    flipped[150'000] ^= 1;
    tree.CreateFile("src/touched.jpg", photo, 1'600'000'000);
    tree.CreateFile("dst/touched.jpg", photo, 1'700'000'000);
    tree.CreateFile("src/damaged.jpg", photo, 1'600'000'000);
    tree.CreateFile("dst/damaged.jpg", flipped, 1'600'000'000);
    tree.CreateFile("src/locked.jpg", photo, 1'600'000'000);
    tree.CreateFile("dst/locked.jpg", photo, 1'600'000'000);
    for (const char* path : {"", "src", "dst"})
        ASSERT_EQ(chmod(tree.Path(path).c_str(), 0755), 0);
    for (const char* file :
         {"src/touched.jpg", "dst/touched.jpg", "src/damaged.jpg", "dst/damaged.jpg", "src/locked.jpg"})
        ASSERT_EQ(chmod(tree.Path(file).c_str(), 0644), 0);
    ASSERT_EQ(chmod(tree.Path("dst/locked.jpg").c_str(), 0600), 0);
    tree.CreateDirectory("out");
    ASSERT_EQ(chmod(tree.Path("out").c_str(), 0777), 0);

    const int status = RunUnprivileged(Cli + " compare --content --show-not-modified " + tree.Path("src") + " " +
                                       tree.Path("dst") + " > " + tree.Path("out/list"));
    EXPECT_EQ(status, 0);
    const std::string folder = "," + tree.Path("src") + ",.jpg,";
    EXPECT_EQ(tree.ReadFile("out/list"), Header + "touched.jpg" + folder +
                                             "\"+0 bytes\",\"-1,158 days\",\"Not modified\"\r\n" + "damaged.jpg" +
                                             folder + "\"+0 bytes\",\"+0 days\",Ambiguous\r\n" + "locked.jpg" + folder +
                                             "\"+0 bytes\",\"+0 days\",(Unknown)\r\n");
}

TEST(CliCompare, RejectsBadRootsAndArgumentsWithStatusTwo)
{
    TTreeFixture tree;
    tree.CreateDirectory("a");
    const auto missing = RunCommand({Cli, "compare", tree.Path("a"), tree.Path("nowhere")});
    EXPECT_EQ(missing.Status, 2);
    EXPECT_EQ(missing.Errors, "The destination is no existing directory: " + tree.Path("nowhere") + "\n");
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
    const auto save = RunCommand({"/bin/sh", "-c",
                                  "cd '" + tree.Root() + "' && '" + Cli +
                                      "' compare --save saved.vmc --include '*.txt' --exact-time ./src dst/"});
    ASSERT_EQ(save.Status, 0) << save.Errors;
    EXPECT_EQ(tree.ReadFile("saved.vmc"),
              "[About]\r\nFileType=Vellumark Compare\r\nMajorVersion=1\r\nMinorVersion=0\r\n\r\n[Options]\r\n"
              "SrcDir=" +
                  tree.Path("src") + "\r\nDstDir=" + tree.Path("dst") +
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
    // The program's words, then the reason.
    EXPECT_EQ(unreadable.Errors, "The program cannot load data from the file: " + tree.Path("src") +
                                     ": Cannot read the file \"" + tree.Path("src") + "\": it is not a regular file\n");

    tree.CreateFile("other.vmc", "[About]\r\nFileType=Other\r\n[Options]\r\nSrcDir=" + tree.Path("src") +
                                     "\r\nDstDir=" + tree.Path("dst") + "\r\n");
    const auto unsupported = RunCommand({Cli, "compare", "--load", tree.Path("other.vmc")});
    EXPECT_EQ(unsupported.Status, 2);
    EXPECT_EQ(unsupported.Errors, "The program does not support the file: " + tree.Path("other.vmc") + "\n");
    const auto forced = RunCommand({Cli, "compare", "--load", tree.Path("other.vmc"), "--force"});
    EXPECT_EQ(forced.Status, 0) << forced.Errors;
    EXPECT_NE(forced.Output.find("a.txt"), std::string::npos);

    const auto unsaved =
        RunCommand({Cli, "compare", "--save", tree.Path("nowhere/x.vmc"), tree.Path("src"), tree.Path("dst")});
    EXPECT_EQ(unsaved.Status, 1);
    EXPECT_EQ(unsaved.Errors.rfind("The program cannot save data to the file: " + tree.Path("nowhere/x.vmc") + ": ", 0),
              0u)
        << unsaved.Errors;
    EXPECT_NE(unsaved.Errors.find("No such file or directory"), std::string::npos);
    EXPECT_EQ(unsaved.Output, "");
}

TEST(CliCompare, ShowsAProgressLineOnATerminalOnly)
{
    TTreeFixture tree;
    for (int i = 0; i < 20; ++i)
        tree.CreateFile("src/f" + std::to_string(i), "x", 1'600'000'000);
    tree.CreateDirectory("dst");
    // script(1) gives the program a terminal; its standard output then carries both streams.
    const auto onTerminal =
        RunCommand({"/usr/bin/script", "-qec",
                    Cli + " compare " + tree.Path("src") + " " + tree.Path("dst") + " >/dev/null", "/dev/null"});
    EXPECT_EQ(onTerminal.Status, 0);
    EXPECT_NE(onTerminal.Output.find("Compared 20 of 20 (100%)"), std::string::npos) << onTerminal.Output;
}

namespace {
// A thread beside the main one has spent a fifth of a second of processor time: the worker
// is deep in its walk (loading the options and listing the tree take a few milliseconds).
bool WorkerBusy(pid_t pid)
{
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
        if (task.path().filename() == std::to_string(pid))
            continue;
        // A thread that ends between the listing and the read leaves a file that fails to read.
        std::string stat;
        try {
            std::ifstream statFile(task.path() / "stat");
            stat.assign(std::istreambuf_iterator<char>(statFile), std::istreambuf_iterator<char>());
        } catch (const std::ios_base::failure&) {
            continue;
        }
        // After the parenthesised command name: state, then ten fields, then user and system ticks.
        std::istringstream fields(stat.substr(stat.rfind(')') + 1));
        std::string skipped;
        for (int i = 0; i < 11; ++i)
            fields >> skipped;
        long userTicks = 0, systemTicks = 0;
        if (fields >> userTicks >> systemTicks && userTicks + systemTicks >= sysconf(_SC_CLK_TCK) / 5)
            return true;
    }
    return false;
}
}  // namespace

TEST(CliCompare, CtrlCEndsAComparisonInsideALongMaskList)
{
    TTreeFixture tree;
    const std::string name(240, 'a');
    for (int i = 0; i < 1000; ++i)
        tree.CreateFile("src/" + std::to_string(i) + name, "x", 1'600'000'000);
    tree.CreateDirectory("dst");
    // Every mask fails on every name. Matched with a return point per character after each
    // "*", one test would never end; matched in name times mask time,
    // the list still keeps the run busy for minutes.
    std::string mask;
    for (int i = 0; i < 16; ++i)
        mask += "*a";
    mask += "*" + std::string(100, 'a') + "b";
    std::string masks = mask;
    for (int i = 1; i < 3000; ++i)
        masks += ";" + mask;
    tree.CreateFile("slow.vmc",
                    "[About]\r\nFileType=Vellumark Compare\r\nMajorVersion=1\r\nMinorVersion=0\r\n"
                    "[Options]\r\nUseIncludeMasks=1\r\nIncludeMasks=" +
                        masks + "\r\n");

    const auto run = RunCommand({Cli, "compare", "--load", tree.Path("slow.vmc"), tree.Path("src"), tree.Path("dst")},
                                TInterruption{WorkerBusy, std::chrono::seconds(20)});
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Errors, "The comparison was canceled.\n");
    EXPECT_EQ(run.Output, "");
}

TEST(CliCompare, WritesTheListAndTheLogAsJson)
{
    TTreeFixture tree;
    tree.CreateFile("src/a \"quoted\".txt", "new", 1'600'864'000);
    tree.CreateFile("dst/a \"quoted\".txt", "old!", 1'600'000'000);
    tree.CreateFile("src/b\xff\x01", "x", 1'600'000'000);
    const std::string a = "a \\\"quoted\\\".txt", b = "b\\udcff\\u0001";

    const auto list = RunCommand({Cli, "compare", "--format", "json", tree.Path("src"), tree.Path("dst")});
    EXPECT_EQ(list.Status, 0) << list.Errors;
    // Created sorts before Modified.
    EXPECT_EQ(list.Output,
              "[\n"
              "{\"source\":\"" +
                  tree.Path("src/" + b) + "\",\"destination\":\"" + tree.Path("dst/" + b) +
                  "\",\"result\":\"Created\",\"sizeRemainder\":1,\"timeRemainder\":0,"
                  "\"timeRemainderDays\":0,\"destinationExists\":false},\n"
                  "{\"source\":\"" +
                  tree.Path("src/" + a) + "\",\"destination\":\"" + tree.Path("dst/" + a) +
                  "\",\"result\":\"Modified\",\"sizeRemainder\":-1,\"timeRemainder\":8640000000000,"
                  "\"timeRemainderDays\":10,\"destinationExists\":true}\n]\n");

    ASSERT_EQ(chmod(tree.Path("dst/a \"quoted\".txt").c_str(), 0444), 0);
    const auto log = RunCommand({Cli, "copy", "--format", "json", tree.Path("src"), tree.Path("dst")});
    EXPECT_EQ(log.Status, 1);
    EXPECT_EQ(log.Output,
              "{\"operation\":\"copy\",\"items\":[\n"
              "{\"source\":\"" +
                  tree.Path("src/" + b) + "\",\"destination\":\"" + tree.Path("dst/" + b) +
                  "\",\"succeeded\":true},\n"
                  "{\"source\":\"" +
                  tree.Path("src/" + a) + "\",\"destination\":\"" + tree.Path("dst/" + a) +
                  "\",\"succeeded\":false,\"reason\":\"read-only\"}\n],\"status\":\"Done\",\"succeeded\":1,"
                  "\"notSucceeded\":1}\n");
}

TEST(CliCompare, ARowOnlyInTheDestinationHasNoTimeReminderNorSource)
{
    TTreeFixture tree;
    tree.CreateDirectory("src");
    tree.CreateFile("dst/old.txt", "old", 1'600'000'000);

    const auto csv = RunCommand({Cli, "compare", "--show-destination-only", tree.Path("src"), tree.Path("dst")});
    EXPECT_EQ(csv.Status, 0) << csv.Errors;
    EXPECT_EQ(csv.Output,
              Header + "old.txt," + tree.Path("dst") + ",.txt,\"-3 bytes\",None,\"Only in destination\"\r\n");

    const auto json =
        RunCommand({Cli, "compare", "--show-destination-only", "--format", "json", tree.Path("src"), tree.Path("dst")});
    EXPECT_EQ(json.Status, 0) << json.Errors;
    EXPECT_EQ(json.Output, "[\n{\"source\":null,\"destination\":\"" + tree.Path("dst/old.txt") +
                               "\",\"result\":\"Only in destination\",\"sizeRemainder\":-3,\"timeRemainder\":0,"
                               "\"timeRemainderDays\":0,\"destinationExists\":true}\n]\n");
}

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/Tcommandrunner.h"
#include "support/Tmount.h"
#include "support/Ttreefixture.h"

namespace {
const std::string Cli = VELLUMARK_CLI;

class CliOperations : public ::testing::Test {
protected:
    // A new file, a modified one, an unchanged one and a new one two levels down.
    void SetUp() override
    {
        Tree.CreateFile("src/new.txt", "new", 1'600'000'000, 123'456'789);
        Tree.CreateFile("src/changed.txt", "changed", 1'600'100'000);
        Tree.CreateFile("dst/changed.txt", "old", 1'600'000'000);
        Tree.CreateFile("src/same.txt", "same", 1'600'000'000);
        Tree.CreateFile("dst/same.txt", "same", 1'600'000'000);
        Tree.CreateFile("src/a/b/deep.txt", "deep", 1'600'000'000);
    }
    TCommandResult Run(std::vector<std::string> arguments) const
    {
        arguments.insert(arguments.begin(), Cli);
        arguments.push_back(Tree.Path("src"));
        arguments.push_back(Tree.Path("dst"));
        return RunCommand(arguments);
    }
    std::string Announcement(const std::string& verb, const std::string& name, const std::string& directory) const
    {
        return verb + " \"" + name + "\" from \"" + Tree.Path("src" + directory) + "\" to \"" +
               Tree.Path("dst" + directory) + "\"\r\n";
    }

    TTreeFixture Tree;
};
}  // namespace

TEST_F(CliOperations, CopyPrintsTheLogAndLeavesEveryFileNotModified)
{
    const auto copied = Run({"copy"});
    EXPECT_EQ(copied.Status, 0) << copied.Errors;
    // The comparison's own order: by result, then by path.
    EXPECT_EQ(copied.Output, Announcement("Copying", "deep.txt", "/a/b") + "Succeeded\r\n" +
                                 Announcement("Copying", "new.txt", "") + "Succeeded\r\n" +
                                 Announcement("Copying", "changed.txt", "") + "Succeeded\r\n" +
                                 "Done\r\nSucceeded: 3 items\r\nNot succeeded: 0 items\r\n");
    EXPECT_EQ(Tree.ReadFile("dst/changed.txt"), "changed");

    const auto compared = Run({"compare", "--show-not-modified", "--exact-time"});
    EXPECT_EQ(compared.Status, 0) << compared.Errors;
    std::size_t rows = 0;
    for (std::size_t at = compared.Output.find("\r\n"); at + 2 < compared.Output.size();
         at = compared.Output.find("\r\n", at + 2)) {
        const std::string row = compared.Output.substr(at + 2, compared.Output.find("\r\n", at + 2) - at - 2);
        EXPECT_TRUE(row.ends_with(",\"Not modified\"")) << row;
        ++rows;
    }
    EXPECT_EQ(rows, 4u);
}

TEST_F(CliOperations, OnlyTakesTheItemsOfTheNamedResults)
{
    const auto copied = Run({"copy", "--only", "Modified"});
    EXPECT_EQ(copied.Status, 0) << copied.Errors;
    EXPECT_EQ(copied.Output, Announcement("Copying", "changed.txt", "") +
                                 "Succeeded\r\nDone\r\nSucceeded: 1 items\r\nNot succeeded: 0 items\r\n");
    EXPECT_FALSE(Tree.Exists("dst/new.txt"));

    const auto deleted = Run({"delete", "--yes", "--show-not-modified", "--only", "NotModified,Modified"});
    EXPECT_EQ(deleted.Status, 0) << deleted.Errors;
    EXPECT_EQ(deleted.Output, "Deleting \"changed.txt\" in \"" + Tree.Path("src") + "\"\r\nSucceeded\r\n" +
                                  "Deleting \"same.txt\" in \"" + Tree.Path("src") + "\"\r\nSucceeded\r\n" +
                                  "Done\r\nSucceeded: 2 items\r\nNot succeeded: 0 items\r\n");
    EXPECT_FALSE(Tree.Exists("src/changed.txt"));
    EXPECT_FALSE(Tree.Exists("src/same.txt"));
    EXPECT_TRUE(Tree.Exists("src/new.txt"));
    EXPECT_EQ(Tree.ReadFile("dst/same.txt"), "same");
    EXPECT_EQ(Tree.ReadFile("dst/changed.txt"), "changed");
}

TEST_F(CliOperations, MoveAndDeleteNeedYes)
{
    for (const char* command : {"move", "delete"}) {
        SCOPED_TRACE(command);
        const auto refused = Run({command});
        EXPECT_EQ(refused.Status, 2);
        EXPECT_EQ(refused.Output, "");
        EXPECT_NE(refused.Errors.find("--yes"), std::string::npos);
        EXPECT_TRUE(Tree.Exists("src/new.txt"));
        EXPECT_FALSE(Tree.Exists("dst/new.txt"));
    }
    const auto moved = Run({"move", "--yes"});
    EXPECT_EQ(moved.Status, 0) << moved.Errors;
    EXPECT_NE(moved.Output.find(Announcement("Moving", "new.txt", "")), std::string::npos);
    EXPECT_FALSE(Tree.Exists("src/new.txt"));
    EXPECT_FALSE(Tree.Exists("src/a/b/deep.txt"));
    EXPECT_TRUE(Tree.Exists("src/same.txt"));
    EXPECT_EQ(Tree.ReadFile("dst/a/b/deep.txt"), "deep");
}

TEST_F(CliOperations, ADestinationOnlyFileIsNeverTouchedAndACopyRenamesAMovedFile)
{
    Tree.CreateFile("dst/only.txt", "only here", 1'600'000'000);
    Tree.CreateFile("src/renamed.txt", "renamed", 1'600'200'000);
    Tree.CreateFile("dst/old name.txt", "renamed", 1'600'200'000);
    const auto listed = Run({"compare", "--show-destination-only"});
    EXPECT_NE(listed.Output.find("renamed.txt," + Tree.Path("src") + ",.txt,\"+7 bytes\",None,Moved\r\n"),
              std::string::npos)
        << listed.Output;

    // Unless named, the rows only the destination has are not taken.
    const auto copied = Run({"copy", "--show-destination-only"});
    EXPECT_EQ(copied.Status, 0) << copied.Output << copied.Errors;
    EXPECT_EQ(copied.Output.find("only.txt"), std::string::npos) << copied.Output;
    EXPECT_NE(copied.Output.find("Renaming \"" + Tree.Path("dst/old name.txt") + "\" to \"" +
                                 Tree.Path("dst/renamed.txt") + "\"\r\nSucceeded\r\n"),
              std::string::npos)
        << copied.Output;
    EXPECT_EQ(Tree.ReadFile("dst/renamed.txt"), "renamed");
    EXPECT_FALSE(Tree.Exists("dst/old name.txt"));

    for (const char* command : {"copy", "move", "delete"}) {
        SCOPED_TRACE(command);
        std::vector<std::string> arguments{command, "--show-destination-only", "--only", "OnlyInDestination"};
        if (std::string(command) != "copy")
            arguments.emplace_back("--yes");
        const auto ended = Run(arguments);
        EXPECT_EQ(ended.Status, 1);
        EXPECT_NE(ended.Output.find("\"only.txt\""), std::string::npos) << ended.Output;
        EXPECT_EQ(Tree.ReadFile("dst/only.txt"), "only here");
        EXPECT_FALSE(Tree.Exists("src/only.txt"));
    }
}

TEST_F(CliOperations, AFailedItemGivesStatusOne)
{
    // A directory stands where the copy of a file would go.
    Tree.CreateDirectory("dst/new.txt/inside");
    const auto copied = Run({"copy"});
    EXPECT_EQ(copied.Status, 1);
    EXPECT_NE(copied.Output.find(Announcement("Copying", "new.txt", "") + "Not succeeded\r\n"), std::string::npos);
    EXPECT_TRUE(copied.Output.ends_with("Succeeded: 2 items\r\nNot succeeded: 1 items\r\n"));
}

TEST_F(CliOperations, ANotSucceededItemTellsItsReasonOnStandardErrorAndInTheJsonLog)
{
    ASSERT_EQ(chmod(Tree.Path("dst/changed.txt").c_str(), 0444), 0);
    const std::string readOnly = "vellumark-cli: " + Tree.Path("dst/changed.txt") + ": read-only\n";
    const auto copied = Run({"copy", "--only", "Modified"});
    EXPECT_EQ(copied.Status, 1);
    EXPECT_EQ(copied.Output, Announcement("Copying", "changed.txt", "") +
                                 "Not succeeded\r\nDone\r\nSucceeded: 0 items\r\nNot succeeded: 1 items\r\n");
    EXPECT_EQ(copied.Errors, readOnly);
    const auto json = Run({"copy", "--only", "Modified", "--format", "json"});
    EXPECT_EQ(json.Status, 1);
    EXPECT_NE(json.Output.find("\"succeeded\":false,\"reason\":\"read-only\"}"), std::string::npos) << json.Output;
    EXPECT_EQ(json.Errors, readOnly);

    // A disk too small for the copy.
    Tree.CreateFile("large/big.bin", std::string(std::size_t{3} << 20, 'x'));
    Tree.CreateDirectory("small");
    const std::unique_ptr<TMount> small = TMount::Tmpfs(Tree.Path("small"), "1M");
    const auto full = RunCommand({Cli, "copy", "--format", "json", Tree.Path("large"), Tree.Path("small")});
    EXPECT_EQ(full.Status, 1);
    EXPECT_EQ(full.Output, "{\"operation\":\"copy\",\"items\":[\n{\"source\":\"" + Tree.Path("large/big.bin") +
                               "\",\"destination\":\"" + Tree.Path("small/big.bin") +
                               "\",\"succeeded\":false,\"reason\":\"No space left on device\"}\n],\"status\":\"Done\","
                               "\"succeeded\":0,\"notSucceeded\":1}\n");
    EXPECT_EQ(full.Errors, "vellumark-cli: " + Tree.Path("small/big.bin") + ": No space left on device\n");
    EXPECT_TRUE(std::filesystem::is_empty(Tree.Path("small")));
}

TEST_F(CliOperations, UsageAndValidationProblemsGiveStatusTwo)
{
    const auto unknownKind = Run({"copy", "--only", "Created,Bogus"});
    EXPECT_EQ(unknownKind.Status, 2);
    EXPECT_NE(unknownKind.Errors.find("Bogus"), std::string::npos);

    const auto hiddenKind = Run({"copy", "--only", "NotModified"});
    EXPECT_EQ(hiddenKind.Status, 2);
    EXPECT_NE(hiddenKind.Errors.find("--show-not-modified"), std::string::npos);

    const auto missingRoot = RunCommand({Cli, "copy", Tree.Path("src"), Tree.Path("nowhere")});
    EXPECT_EQ(missingRoot.Status, 2);
    EXPECT_EQ(missingRoot.Errors, "The destination is no existing directory: " + Tree.Path("nowhere") + "\n");

    for (const auto& result : {unknownKind, hiddenKind, missingRoot})
        EXPECT_EQ(result.Output, "");
    EXPECT_FALSE(Tree.Exists("dst/new.txt"));
}

TEST(CliInterrupt, CtrlCStopsAfterTheItemInHandAndLeavesNoPartialFile)
{
    TTreeFixture tree;
    const std::string block(256 * 1024, 'x');
    for (int i = 0; i < 400; ++i)
        tree.CreateFile("src/d" + std::to_string(i % 20) + "/f" + std::to_string(i), block, 1'600'000'000);
    tree.CreateDirectory("dst");

    // Ctrl+C once the first copy is in place: the run is under way.
    const auto copying = [&](pid_t) {
        std::error_code error;
        return std::filesystem::exists(tree.Path("dst/d0/f0"), error);
    };
    const auto run =
        RunCommand({Cli, "copy", tree.Path("src"), tree.Path("dst")}, TInterruption{copying, std::chrono::seconds(60)});
    // However far it got, the run ended through its own status and summary lines.
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; (end = run.Output.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(run.Output.substr(start, end - start));
    ASSERT_GE(lines.size(), 3u) << run.Output << run.Errors;
    const std::string& status = lines[lines.size() - 3];
    EXPECT_TRUE(status == "Stopped" || status == "Done" || status == "Canceled") << status;
    EXPECT_EQ(lines[lines.size() - 2].rfind("Succeeded: ", 0), 0u);
    EXPECT_EQ(run.Status, status == "Done" ? 0 : 1);

    const auto leftovers = RunCommand({"/usr/bin/find", tree.Path("dst"), "-name", "*.vellumark-tmp*"});
    EXPECT_EQ(leftovers.Output, "");
}

namespace {
// The log the running program has written so far: its standard output, read through /proc.
// Nothing before the program has its own file there: until then it is this test's output.
std::string LogSoFar(pid_t pid)
{
    const int log = open(("/proc/" + std::to_string(pid) + "/fd/1").c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat info {};
    std::string text;
    if (log >= 0 && fstat(log, &info) == 0 && S_ISREG(info.st_mode)) {
        char buffer[65536];
        for (ssize_t count; (count = read(log, buffer, sizeof buffer)) > 0;)
            text.append(buffer, static_cast<std::size_t>(count));
    }
    if (log >= 0)
        close(log);
    return text;
}

// True while a SIGTERM sent to the process waits to be taken.
bool TerminationPending(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("ShdPnd:", 0) == 0)
            return ((std::stoull(line.substr(7), nullptr, 16) >> (SIGTERM - 1)) & 1) != 0;
    return false;
}
}  // namespace

TEST(CliLog, EachLineIsInTheFileAsSoonAsItIsLogged)
{
    // A log far shorter than a buffer over a long run: lines held back would show only at the end.
    TTreeFixture tree;
    tree.CreateFile("src/a.txt", "first", 1'600'000'000);
    const std::string block(64 << 20, 'x');
    for (int i = 0; i < 4; ++i)
        tree.CreateFile("src/big" + std::to_string(i), block, 1'600'000'000);
    const std::string firstLine = "Copying \"a.txt\" from \"" + tree.Path("src") + "\" to \"";
    const auto copy = [&](const std::string& destination, const std::vector<std::string>& options,
                          const std::string& firstResult, int signal) {
        tree.CreateDirectory(destination);
        // One thread, so that the four large copies are all still ahead when the first line is in.
        std::vector<std::string> arguments{Cli, "copy", "--jobs", "1"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        arguments.push_back(tree.Path("src"));
        arguments.push_back(tree.Path(destination));
        // The signal once the first item's result is in the file, the program still at work. A
        // SIGTERM goes twice, as timeout(1) sends it to the program and then to its group; the
        // second only once the first was taken, so that the two are not merged into one.
        const auto logged = [&](pid_t pid) {
            if (LogSoFar(pid).find(firstResult) == std::string::npos)
                return false;
            if (signal == SIGTERM) {
                kill(pid, SIGTERM);
                const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
                while (TerminationPending(pid) && std::chrono::steady_clock::now() < giveUp)
                    std::this_thread::yield();
            }
            return true;
        };
        return RunCommand(arguments, TInterruption{logged, std::chrono::seconds(60), signal});
    };

    // SIGKILL: what was logged is there, in whole lines.
    const auto killed = copy("dst", {}, "Succeeded\r\n", SIGKILL);
    EXPECT_EQ(killed.Status, -1);
    EXPECT_EQ(killed.Errors, "");
    EXPECT_EQ(killed.Output.rfind(firstLine + tree.Path("dst") + "\"\r\nSucceeded\r\n", 0), 0u) << killed.Output;
    EXPECT_TRUE(killed.Output.ends_with("\r\n")) << killed.Output;
    EXPECT_EQ(killed.Output.find("Done"), std::string::npos) << killed.Output;
    EXPECT_EQ(tree.ReadFile("dst/a.txt"), "first");

    const auto killedJson = copy("json", {"--format", "json"}, "\"succeeded\":true}", SIGKILL);
    EXPECT_EQ(killedJson.Status, -1);
    EXPECT_EQ(killedJson.Output.rfind("{\"operation\":\"copy\",\"items\":[\n{\"source\":\"" + tree.Path("src/a.txt") +
                                          "\",\"destination\":\"" + tree.Path("json/a.txt") + "\",\"succeeded\":true}",
                                      0),
              0u)
        << killedJson.Output;
    EXPECT_TRUE(killedJson.Output.ends_with("\"succeeded\":true}")) << killedJson.Output;

    // SIGTERM to the program and again to its group, as timeout(1) sends it: the run stops (a
    // large file in hand within its copy) and still writes its last lines.
    const auto terminated = copy("term", {}, "Succeeded\r\n", SIGTERM);
    EXPECT_EQ(terminated.Status, 1) << terminated.Errors;
    EXPECT_EQ(terminated.Output.rfind(firstLine + tree.Path("term") + "\"\r\nSucceeded\r\n", 0), 0u)
        << terminated.Output;
    EXPECT_NE(terminated.Output.find("\r\nStopped\r\nSucceeded: "), std::string::npos) << terminated.Output;
    const std::size_t lastLine = terminated.Output.rfind("\r\n", terminated.Output.size() - 3) + 2;
    EXPECT_TRUE(terminated.Output.substr(lastLine).starts_with("Not succeeded: ")) << terminated.Output;
    EXPECT_TRUE(terminated.Output.ends_with(" items\r\n")) << terminated.Output;
}

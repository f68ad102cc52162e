#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>

#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "operations/Toperationsrun.h"
#include "support/Tmount.h"
#include "support/Ttreefixture.h"
#include "sys/posix/Tdescriptor.h"
#include "sys/posix/Tpendingcopy.h"

namespace {
using TLines = std::vector<std::string>;

constexpr std::int64_t MiB = std::int64_t{1} << 20;
// Large enough to be resumed.
constexpr std::int64_t Size = 80 * MiB;

// Bytes that differ from one MiB to the next, so that a piece in the wrong place shows.
std::string Contents()
{
    std::string bytes(static_cast<std::size_t>(Size), '\0');
    std::uint32_t state = 12345;
    for (char& byte : bytes) {
        state = state * 1664525 + 1013904223;
        byte = static_cast<char>(state >> 24);
    }
    return bytes;
}

struct stat StatOf(const std::string& path)
{
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        throw std::runtime_error("cannot stat " + path);
    return info;
}

class ResumedCopy : public ::testing::Test {
protected:
    void SetUp() override
    {
        Tree.CreateDirectory("m");
        Mount = TMount::Tmpfs(Tree.Path("m"), "512M");
        Tree.CreateFile("m/src/big", Data);
        // Another file system, where a move copies rather than renames.
        Tree.CreateDirectory("m/dst");
        DestinationMount = TMount::Tmpfs(Tree.Path("m/dst"), "256M");
    }
    TTransferRoots Roots() const { return {Tree.Path("m/src"), Tree.Path("m/dst")}; }
    std::string PartialPath() const
    {
        return "m/dst/" + TPendingCopy::PartialName("big", TPendingCopy::SourceVersion(StatOf(Tree.Path("m/src/big"))));
    }
    std::int64_t PartialSize() const
    {
        struct stat info {};
        return stat(Tree.Path(PartialPath()).c_str(), &info) == 0 ? info.st_size : 0;
    }
    // Copies the large file, stopped once stop says so of the bytes written, if given; the
    // bytes the copy wrote.
    std::int64_t Copy(bool move, const std::function<bool(std::int64_t)>& stop = {})
    {
        std::atomic<std::int64_t> written{0};
        TFileTransfer files(Roots());
        const TThreadByteCount counting(&written);
        files.StopWhen([&] { return stop && stop(written); });
        const TTransferOutcome outcome = move ? files.Move(Tree.Path("m/src/big"), Tree.Path("m/dst/big"), nullptr)
                                              : files.Copy(Tree.Path("m/src/big"), Tree.Path("m/dst/big"), nullptr);
        EXPECT_EQ(outcome.Succeeded(), !stop) << ReasonText(outcome);
        return written;
    }
    // Stops a copy half-way: what it kept.
    std::int64_t StopHalfWay()
    {
        Copy(false, [](std::int64_t written) { return written >= Size / 2; });
        EXPECT_FALSE(Tree.Exists("m/dst/big"));
        return PartialSize();
    }

    TTreeFixture Tree;
    std::unique_ptr<TMount> Mount;
    std::unique_ptr<TMount> DestinationMount;
    const std::string Data = Contents();
};
}  // namespace

TEST_F(ResumedCopy, AStoppedLargeCopyIsKeptAndTheNextOfThatVersionGoesOnFromIt)
{
    // Last written long ago: the copy that gets these times is no abandoned one for them.
    Tree.SetTime("m/src/big", 1'500'000'000);
    const std::int64_t kept = StopHalfWay();
    EXPECT_GE(kept, Size / 2);
    EXPECT_LT(kept, Size);
    // A move goes on with it too, here stopped once the whole copy is written, before it takes
    // its name.
    const std::int64_t written = Copy(true, [&](std::int64_t) { return PartialSize() == Size; });
    EXPECT_LE(written, Size - kept + MiB);
    EXPECT_GT(written, 0);
    EXPECT_EQ(PartialSize(), Size);
    // The next takes its source only once the copy is whole, with nothing left to write.
    EXPECT_EQ(Copy(true), 0);
    EXPECT_TRUE(Tree.ReadFile("m/dst/big") == Data) << "the resumed copy differs";
    EXPECT_FALSE(Tree.Exists("m/src/big"));
    EXPECT_EQ(LeftoverTemporaries(Tree.Path("m/dst")), TLines{});
}

TEST_F(ResumedCopy, WhatWasKeptIsTakenOnlyAsFarAsItHoldsTheSourcesBytesOfThatVersionAndForAWeek)
{
    struct TCase {
        const char* Name;
        std::function<void(const std::string&)> Spoil;
        std::int64_t Rewritten;
    };
    const auto tamper = [](const std::string& partial) {
        const TDescriptor file(open(partial.c_str(), O_RDWR));
        char byte = 0;
        ASSERT_EQ(pread(file.Get(), &byte, 1, 3 * MiB + 5), 1);
        byte = static_cast<char>(~byte);
        ASSERT_EQ(pwrite(file.Get(), &byte, 1, 3 * MiB + 5), 1);
    };
    const auto edit = [&](const std::string&) { Tree.SetTime("m/src/big", 1'600'000'000); };
    const auto age = [](const std::string& partial) {
        const timespec eightDaysAgo{time(nullptr) - 8 * 24 * 3600, 0};
        const timespec times[2] = {eightDaysAgo, eightDaysAgo};
        ASSERT_EQ(utimensat(AT_FDCWD, partial.c_str(), times, 0), 0);
    };
    for (const TCase& test :
         {TCase{"a byte changed in what was kept", tamper, Size - 3 * MiB},
          TCase{"another version of the source", edit, Size}, TCase{"kept for more than a week", age, Size}}) {
        SCOPED_TRACE(test.Name);
        ASSERT_GT(StopHalfWay(), 0);
        const std::string stopped = Tree.Path(PartialPath());
        test.Spoil(stopped);
        EXPECT_EQ(Copy(false), test.Rewritten);
        EXPECT_TRUE(Tree.ReadFile("m/dst/big") == Data) << "the copy differs";
        EXPECT_EQ(LeftoverTemporaries(Tree.Path("m/dst")), TLines{});
        ASSERT_EQ(unlink(Tree.Path("m/dst/big").c_str()), 0);
    }
}

namespace {
// Starts the operations tool's copy of the large file, its log discarded.
pid_t StartCopy(const std::string& sourceRoot, const std::string& destinationRoot)
{
    const pid_t child = fork();
    if (child == 0) {
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, STDOUT_FILENO);
        execl(OPERATIONS_TOOL, OPERATIONS_TOOL, "copy", sourceRoot.c_str(), destinationRoot.c_str(), "big", nullptr);
        _exit(127);
    }
    return child;
}

// Runs the copy and kills it once half the file is in its partial copy; what the partial copy
// holds then.
std::int64_t CopyKilledHalfWay(const std::string& sourceRoot, const std::string& destinationRoot,
                               const std::string& partial)
{
    const pid_t child = StartCopy(sourceRoot, destinationRoot);
    // Looked at without a pause: the copy must not come to its end meanwhile.
    struct stat info {};
    while (stat(partial.c_str(), &info) != 0 || info.st_size < Size / 2)
        if (waitpid(child, nullptr, WNOHANG) == child)
            throw std::runtime_error("the copy ended before half of it was written");
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    return stat(partial.c_str(), &info) == 0 ? info.st_size : -1;
}

// Runs the copy to its end: the bytes it wrote, as the kernel counted them.
std::int64_t CopyCountingWrites(const std::string& sourceRoot, const std::string& destinationRoot)
{
    const pid_t child = StartCopy(sourceRoot, destinationRoot);
    // Ended but not yet reaped, it still shows what it did.
    siginfo_t ended{};
    waitid(P_PID, static_cast<id_t>(child), &ended, WEXITED | WNOWAIT);
    std::ifstream io("/proc/" + std::to_string(child) + "/io");
    std::string key;
    std::int64_t value = -1, written = -1;
    while (io >> key >> value)
        if (key == "wchar:")
            written = value;
    waitpid(child, nullptr, 0);
    EXPECT_EQ(ended.si_code, CLD_EXITED);
    EXPECT_EQ(ended.si_status, 0);
    return written;
}
}  // namespace

TEST_F(ResumedCopy, AKilledCopyIsGoneOnWithAndComesOutWhole)
{
    Tree.CreateDirectory("m/card");
    // Where files have no unnamed stage, as on a card.
    const auto card = TMount::Exfat(Tree.Path("m/card.img"), Tree.Path("m/card"), "root", "160M");
    for (const std::string destination : {"m/dst", "m/card"}) {
        SCOPED_TRACE(destination);
        const std::string partial =
            destination + "/" +
            TPendingCopy::PartialName("big", TPendingCopy::SourceVersion(StatOf(Tree.Path("m/src/big"))));
        const std::int64_t kept = CopyKilledHalfWay(Tree.Path("m/src"), Tree.Path(destination), Tree.Path(partial));
        ASSERT_GE(kept, Size / 2) << "the killed copy left nothing";
        const std::int64_t written = CopyCountingWrites(Tree.Path("m/src"), Tree.Path(destination));
        EXPECT_GE(written, Size - kept);
        EXPECT_LE(written, Size * 6 / 10);
        EXPECT_TRUE(Tree.ReadFile(destination + "/big") == Data) << "the resumed copy differs";
        EXPECT_FALSE(Tree.Exists(partial));
    }
}

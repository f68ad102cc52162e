// Times the operations engine's copy of three trees into an empty destination (500 files of
// 1 MiB, 20,000 files of 1 KiB, one file of 2 GiB) against `cp -a` of the same trees in the same
// run; what verifying the copies of 1 MiB costs, against plain copies and plain copies synced;
// the moves of the 1 KiB tree (copied and renamed) against the engine's copy of it; the copy of
// a sparse file against `cp --sparse=auto`; and how much of a large file (1 GiB) a copy writes
// again after the one before was killed at 56% of it. Prints medians and the ratios with their
// goals: at most 0.5 times `cp -a` for the small files, 1.0 for the others; a verified copy at
// most 1.3 times an unverified one; the move at most 1.3 times the copy; the copy after the kill
// at most 60% of the file written.
//
// bench_copy [--root DIR] [--repeat N] [--jobs N] [--large-files N] [--small-files N] [--huge-mib N]
//            [--resumed-mib N]
// The trees are built once under DIR (default: the temporary directory) and kept for later runs;
// --jobs is the engine's number of copying threads (default 0: one a core), --huge-mib the size
// of the one large file (a smaller one makes a quick run).

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "Benchprocess.h"
#include "jobs/Teventloop.h"
#include "operations/Toperationsthread.h"
#include "sys/posix/Tpendingcopy.h"

namespace fs = std::filesystem;

namespace {
struct TSettings {
    fs::path Root = fs::temp_directory_path() / "vellumark-bench-copy";
    int Repeat = 3;
    int Jobs = 0;
    long LargeFiles = 500;
    long SmallFiles = 20'000;
    long HugeMiB = 2'048;
    long ResumedMiB = 1024;
};

struct TTreeShape {
    std::string Name;
    long Files;
    long FilesPerDirectory;
    std::size_t Bytes;
    // The goal for the engine's time against `cp -a`'s.
    double Goal;
};

std::vector<std::string> FileList(const fs::path& root)
{
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file())
            files.push_back(fs::relative(entry.path(), root).string());
    std::sort(files.begin(), files.end());
    return files;
}

void BuildTree(const fs::path& root, const TTreeShape& shape)
{
    // The marker lies beside the tree, so that it is not copied with it.
    const fs::path complete = root.string() + ".complete";
    if (fs::exists(complete))
        return;
    std::printf("building %ld files of %zu bytes under %s ...\n", shape.Files, shape.Bytes, root.c_str());
    std::fflush(stdout);
    fs::remove_all(root);
    // A file larger than a piece of this is written piece by piece.
    constexpr std::size_t Piece = std::size_t{64} << 20;
    std::string contents(std::min(shape.Bytes, Piece), '\0');
    std::uint64_t state = 88172645463325252ULL;
    for (long i = 0; i < shape.Files; ++i) {
        const fs::path directory = root / ("d" + std::to_string(i / shape.FilesPerDirectory));
        if (i % shape.FilesPerDirectory == 0)
            fs::create_directories(directory);
        std::ofstream file(directory / ("f" + std::to_string(i) + ".bin"), std::ios::binary);
        for (std::size_t written = 0; written < shape.Bytes; written += contents.size()) {
            for (char& c : contents) {
                state ^= state << 13, state ^= state >> 7, state ^= state << 17;
                c = static_cast<char>(state);
            }
            file.write(contents.data(), static_cast<std::streamsize>(std::min(contents.size(), shape.Bytes - written)));
        }
    }
    std::ofstream(complete) << shape.Files << "\n";
}

// Wall time, and processor time of this process and the children it waited for: on a busy
// machine the second is the steadier measure.
struct TTiming {
    double Wall = 0;
    double Processor = 0;
};

double ProcessorSeconds()
{
    double seconds = 0;
    for (const int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage usage{};
        getrusage(who, &usage);
        for (const timeval& time : {usage.ru_utime, usage.ru_stime})
            seconds += static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
    }
    return seconds;
}

TTiming Measure(const std::function<void()>& run)
{
    const double processor = ProcessorSeconds();
    const auto start = std::chrono::steady_clock::now();
    run();
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
            ProcessorSeconds() - processor};
}

// The items at these paths below the roots, as the result list hands them over.
std::vector<TCompareItem> ItemsAt(const std::vector<std::string>& relative)
{
    std::vector<TCompareItem> items(relative.size());
    for (std::size_t i = 0; i < relative.size(); ++i)
        items[i].Path = relative[i];
    return items;
}

// The engine's copying threads, as --jobs says.
int Jobs = 0;

// The file work of a move onto another file system, which copies each file, on this one.
class TMoveByCopying : public TFileTransfer {
public:
    using TFileTransfer::TFileTransfer;
    bool MoveByRenaming(const std::string&, const std::string&) override { return false; }
};

// What a dialog does with the log: keeps every line. Fails loudly unless every item succeeded.
void RunEngine(const std::vector<TCompareItem>& items, TFileOperation operation, const TCompareRoots& roots,
               std::unique_ptr<TFileTransfer> files)
{
    TEventLoop loop;
    TOperationsThread thread(items, operation, roots, loop, std::move(files));
    thread.Jobs = Jobs;
    std::vector<std::string> lines;
    thread.SetOnLog([&](const std::string& text, const std::optional<TTransferOutcome>&) { lines.push_back(text); });
    thread.Resume();
    loop.RunUntil([&] { return thread.Ended(); });
    if (lines.empty() || lines.back() != "Not succeeded: 0 items") {
        std::fprintf(stderr, "the engine did not succeed with every item: %s\n",
                     lines.empty() ? "no log" : lines.back().c_str());
        std::exit(1);
    }
}

void RunEngine(const std::vector<TCompareItem>& items, TFileOperation operation, const TCompareRoots& roots,
               const TTransferOptions& options = {})
{
    RunEngine(items, operation, roots, std::make_unique<TFileTransfer>(TransferRoots(roots), options));
}

// Written data is flushed between timings so that one run's write-back does not slow the next.
// What a run left is set aside, and removed only at the end: a file system without a journal
// (ext4 made so) looks at each recently deleted inode as it allocates the next one, which slows
// whichever run comes after a removal by seconds.
void Settle(const fs::path& leftover)
{
    static int setAside = 0;
    if (fs::exists(leftover))
        fs::rename(leftover, leftover.parent_path() / ("set-aside-" + std::to_string(++setAside)));
    sync();
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Medians of each measure, taken separately.
TTiming Median(const std::vector<TTiming>& timings)
{
    std::vector<double> wall, processor;
    for (const TTiming& timing : timings) {
        wall.push_back(timing.Wall);
        processor.push_back(timing.Processor);
    }
    return {Median(wall), Median(processor)};
}

struct TCopyTiming {
    TTiming Engine;
    TTiming Reference;
};

TCopyTiming TimeCopies(const fs::path& source, const fs::path& work, int repeat)
{
    const std::vector<TCompareItem> items = ItemsAt(FileList(source));
    const fs::path target = work / "copy";
    std::vector<TTiming> engine, reference;
    Settle(target);
    // Alternating evens out drift in the machine's state over the run.
    for (int i = 0; i < repeat; ++i) {
        engine.push_back(Measure([&] { RunEngine(items, foCopy, {source.string(), target.string()}); }));
        Settle(target);
        reference.push_back(Measure([&] { RunQuietly({"cp", "-a", source.string(), target.string()}); }));
        Settle(target);
    }
    return {Median(engine), Median(reference)};
}

// The engine's moves of the whole tree, by copying (as onto another file system) and by renaming,
// against its copy of it, each from a staged copy of the tree made anew, alternating; and the
// removal of that copy, which no move that copies and deletes its sources can beat: on a file
// system mounted with discard each deleted file waits for the device.
void TimeMove(const fs::path& source, const fs::path& work, int repeat)
{
    const fs::path staged = work / "move-source", copied = work / "copy", moved = work / "move-target";
    const std::vector<TCompareItem> items = ItemsAt(FileList(source));
    const TCompareRoots copying(staged.string(), copied.string()), moving(staged.string(), moved.string());
    std::vector<TTiming> copy, removal, moveByCopying, moveByRenaming;
    const auto stage = [&] {
        fs::remove_all(staged);
        RunQuietly({"cp", "-a", source.string(), staged.string()});
        sync();
    };
    for (int i = 0; i < repeat; ++i) {
        stage();
        Settle(copied);
        copy.push_back(Measure([&] { RunEngine(items, foCopy, copying); }));
        sync();
        removal.push_back(Measure([&] { fs::remove_all(copied); }));
        Settle(copied);
        moveByCopying.push_back(Measure(
            [&] { RunEngine(items, foMove, moving, std::make_unique<TMoveByCopying>(TransferRoots(moving))); }));
        Settle(moved);
        stage();
        moveByRenaming.push_back(Measure([&] { RunEngine(items, foMove, moving); }));
        Settle(moved);
    }
    fs::remove_all(staged);
    const double copySeconds = Median(copy).Wall, removalSeconds = Median(removal).Wall;
    const double byCopying = Median(moveByCopying).Wall, byRenaming = Median(moveByRenaming).Wall;
    std::printf(
        "move %6zu files: engine %7.3f s (%.3f ms per file), its copy %7.3f s, ratio %.2f (goal <= 1.30); "
        "removing the copied tree %.3f s, the move against copy and removal %.2f\n",
        items.size(), byCopying, byCopying * 1000 / static_cast<double>(items.size()), copySeconds,
        byCopying / copySeconds, removalSeconds, byCopying / (copySeconds + removalSeconds));
    std::printf("move %6zu files inside one file system, renamed: engine %7.3f s, ratio to the copy %.2f\n",
                items.size(), byRenaming, byRenaming / copySeconds);
    std::fflush(stdout);
}

// The cost of reading every copy back from the device, against the plain copy, and against the
// plain copy followed by a sync: the time until its data too is on the device.
void TimeVerifiedCopies(const fs::path& source, const fs::path& work, int repeat)
{
    const std::vector<TCompareItem> items = ItemsAt(FileList(source));
    const fs::path target = work / "copy";
    const TCompareRoots roots(source.string(), target.string());
    std::vector<TTiming> plain, synced, verified;
    Settle(target);
    for (int i = 0; i < repeat; ++i) {
        plain.push_back(Measure([&] { RunEngine(items, foCopy, roots); }));
        Settle(target);
        synced.push_back(Measure([&] {
            RunEngine(items, foCopy, roots);
            sync();
        }));
        Settle(target);
        verified.push_back(Measure([&] { RunEngine(items, foCopy, roots, {true, false}); }));
        Settle(target);
    }
    const double verifiedSeconds = Median(verified).Wall;
    std::printf(
        "verified copy of %zu files: %.3f s against %.3f s unverified, ratio %.2f (goal <= 1.30); "
        "against %.3f s unverified and synced, ratio %.2f\n",
        items.size(), verifiedSeconds, Median(plain).Wall, verifiedSeconds / Median(plain).Wall, Median(synced).Wall,
        verifiedSeconds / Median(synced).Wall);
    std::fflush(stdout);
}

// A file of 3 GiB that holds 1 MiB of data, the rest holes; built anew for each run.
void BuildSparseFile(const fs::path& file)
{
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.seekp(1LL << 30);
    out << std::string(1 << 20, 's');
    out.close();
    fs::resize_file(file, 3LL << 30);
}

double AllocatedMiB(const fs::path& file)
{
    struct stat info {};
    return stat(file.c_str(), &info) == 0 ? static_cast<double>(info.st_blocks) * 512 / (1 << 20) : -1;
}

void TimeSparseCopy(const fs::path& work, int repeat)
{
    const fs::path source = work / "sparse-source", target = work / "sparse-target";
    BuildSparseFile(source / "sparse.bin");
    std::vector<TTiming> engine, reference;
    for (int i = 0; i < repeat; ++i) {
        Settle(target);
        engine.push_back(Measure([&] {
            RunEngine(ItemsAt({"sparse.bin"}), foCopy, {source.string(), target.string()});
        }));
        const double engineMiB = AllocatedMiB(target / "sparse.bin");
        Settle(target);
        fs::create_directories(target);
        reference.push_back(Measure([&] {
            RunQuietly({"cp", "--sparse=auto", (source / "sparse.bin").string(), (target / "sparse.bin").string()});
        }));
        if (i == 0)
            std::printf("sparse file of 3 GiB with 1 MiB of data: copy allocates %.1f MiB, cp --sparse=auto %.1f MiB\n",
                        engineMiB, AllocatedMiB(target / "sparse.bin"));
    }
    Settle(target);
    fs::remove_all(source);
    std::printf("sparse copy: engine %.3f s, cp --sparse=auto %.3f s\n", Median(engine).Wall, Median(reference).Wall);
}

// Runs the engine's copy of the one file in a child process, which the caller waits for.
pid_t StartCopy(const fs::path& source, const fs::path& target)
{
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        RunEngine(ItemsAt({source.filename().string()}), foCopy,
                  {source.parent_path().string(), target.parent_path().string()});
        _exit(0);
    }
    return child;
}

// Waits for the child's end: the bytes it wrote, as the kernel counted them, or -1 when it failed.
long long WrittenBy(pid_t child)
{
    // Ended but not yet reaped, it still shows what it did.
    siginfo_t ended{};
    waitid(P_PID, static_cast<id_t>(child), &ended, WEXITED | WNOWAIT);
    std::ifstream io("/proc/" + std::to_string(child) + "/io");
    std::string key;
    long long value = -1, written = -1;
    while (io >> key >> value)
        if (key == "wchar:")
            written = value;
    waitpid(child, nullptr, 0);
    return ended.si_code == CLD_EXITED && ended.si_status == 0 ? written : -1;
}

// A copy of one large file killed once 56% of it is written, then the copy that goes on with
// it, against the whole copy uninterrupted.
void TimeResumedCopy(const fs::path& root, const fs::path& work, long mebibytes)
{
    const fs::path tree = root / ("resumed-" + std::to_string(mebibytes));
    BuildTree(tree, {"resumed", 1, 1, static_cast<std::size_t>(mebibytes) << 20, 1.0});
    const fs::path built = tree / "d0" / "f0.bin";
    const fs::path target = work / "resumed" / built.filename();
    Settle(target.parent_path());
    const TTiming whole = Measure([&] { WrittenBy(StartCopy(built, target)); });
    Settle(target.parent_path());
    struct stat info {};
    stat(built.c_str(), &info);
    const fs::path partial =
        target.parent_path() / TPendingCopy::PartialName(target.filename().string(), TPendingCopy::SourceVersion(info));
    const pid_t killed = StartCopy(built, target);
    // Looked at without a pause, so that the kill comes right at its mark.
    const auto size = static_cast<std::uintmax_t>(info.st_size);
    std::error_code error;
    while (fs::file_size(partial, error) < size * 56 / 100 || error)
        if (waitpid(killed, nullptr, WNOHANG) == killed) {
            std::fprintf(stderr, "the copy to be killed ended first\n");
            std::exit(1);
        }
    kill(killed, SIGKILL);
    waitpid(killed, nullptr, 0);
    const double kept = static_cast<double>(fs::file_size(partial)) / static_cast<double>(size);
    long long written = -1;
    const TTiming resumed = Measure([&] { written = WrittenBy(StartCopy(built, target)); });
    if (written < 0 || fs::exists(partial)) {
        std::fprintf(stderr, "the copy after the kill failed\n");
        std::exit(1);
    }
    std::printf(
        "copy of %ld MiB killed with %.1f%% written: the next copy wrote %.1f%% of the file (goal <= 60%%) "
        "in %.3f s, the whole copy %.3f s\n",
        mebibytes, kept * 100, static_cast<double>(written) * 100 / static_cast<double>(size), resumed.Wall,
        whole.Wall);
    std::fflush(stdout);
    Settle(target.parent_path());
}

TSettings ParseArguments(int argc, char** argv)
{
    TSettings settings;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i], value = argv[i + 1];
        if (name == "--root")
            settings.Root = value;
        else if (name == "--repeat")
            settings.Repeat = std::max(1, std::atoi(value.c_str()));
        else if (name == "--large-files")
            settings.LargeFiles = std::atol(value.c_str());
        else if (name == "--small-files")
            settings.SmallFiles = std::atol(value.c_str());
        else if (name == "--huge-mib")
            settings.HugeMiB = std::max(1L, std::atol(value.c_str()));
        else if (name == "--jobs")
            settings.Jobs = std::max(0, std::atoi(value.c_str()));
        else if (name == "--resumed-mib")
            settings.ResumedMiB = std::max(64L, std::atol(value.c_str()));
    }
    return settings;
}
}  // namespace

int main(int argc, char** argv)
{
    const TSettings settings = ParseArguments(argc, argv);
    Jobs = settings.Jobs;
    const TTreeShape large{"large", settings.LargeFiles, 100, 1024 * 1024, 1.0};
    const TTreeShape small{"small", settings.SmallFiles, 500, 1024, 0.5};
    const TTreeShape huge{"huge", 1, 1, static_cast<std::size_t>(settings.HugeMiB) << 20, 1.0};
    const fs::path largeTree = settings.Root / ("large-" + std::to_string(large.Files));
    const fs::path smallTree = settings.Root / ("small-" + std::to_string(small.Files));
    const fs::path hugeTree = settings.Root / ("huge-" + std::to_string(settings.HugeMiB) + "MiB");
    const fs::path work = settings.Root / "work";
    BuildTree(largeTree, large);
    BuildTree(smallTree, small);
    BuildTree(hugeTree, huge);
    fs::remove_all(work);
    sync();
    // Such a file system looks at an inode deleted within the last 30 seconds or so, here or by
    // the end of the last run.
    std::printf("waiting 35 s for the file system to let recently removed files go ...\n");
    std::fflush(stdout);
    sleep(35);
    fs::create_directories(work);

    std::printf("medians of %d runs, copies into an empty destination on %s, %s copying threads\n", settings.Repeat,
                settings.Root.c_str(), Jobs == 0 ? "by default" : std::to_string(Jobs).c_str());
    std::fflush(stdout);
    for (const auto& [shape, tree] :
         {std::pair{small, smallTree}, std::pair{large, largeTree}, std::pair{huge, hugeTree}}) {
        const TCopyTiming timing = TimeCopies(tree, work, settings.Repeat);
        std::printf(
            "copy %6ld files of %10zu bytes: engine %7.3f s, cp -a %7.3f s, ratio %.2f (goal <= %.2f); "
            "processor time %.3f s against %.3f s, ratio %.2f\n",
            shape.Files, shape.Bytes, timing.Engine.Wall, timing.Reference.Wall,
            timing.Engine.Wall / timing.Reference.Wall, shape.Goal, timing.Engine.Processor, timing.Reference.Processor,
            timing.Engine.Processor / timing.Reference.Processor);
        std::fflush(stdout);
    }
    TimeVerifiedCopies(largeTree, work, settings.Repeat);
    TimeSparseCopy(work, settings.Repeat);
    TimeMove(smallTree, work, settings.Repeat);
    TimeResumedCopy(settings.Root, work, settings.ResumedMiB);
    fs::remove_all(work);
    return 0;
}

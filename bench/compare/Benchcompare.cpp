// Times vellumark-cli compare against minimal reference walkers (readdir of the source plus
// one fstatat per source file and per destination counterpart, on one thread and on two) and
// against rsync's dry run, with the caches warm and, where this process may drop them, cold,
// at each tree size asked for, and prints the ratios; and the comparison that lists the
// destination too, against the plain one. Then compares the contents of pairs of large files
// (all equal, the destination's touched) against cmp over the same pairs, warm and cold.
// Usage: bench_compare [--files 200000,1000000] [--pairs 200] [--pair-mib 10] [--repeat N]
//                      [--cache DIR-PREFIX] [--cli PATH]
// --files 0 or --pairs 0 leaves that part out.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Benchprocess.h"

namespace fs = std::filesystem;

namespace {
struct TSettings {
    std::vector<long> Files = {200'000, 1'000'000};
    long Pairs = 200;
    long PairMebibytes = 10;
    int Repeat = 3;
    std::string Cli = VELLUMARK_CLI;
    std::string CachePrefix = (fs::temp_directory_path() / "vellumark-bench-compare-").string();
};

void SetTime(const fs::path& path, time_t seconds)
{
    const timespec times[2] = {{seconds, 0}, {seconds, 0}};
    utimensat(AT_FDCWD, path.c_str(), times, 0);
}

void WriteFile(const fs::path& path, const std::string& contents, time_t seconds)
{
    std::ofstream(path, std::ios::binary) << contents;
    SetTime(path, seconds);
}

// About 50 files a directory in two levels; the destination holds a mix of every kind.
void BuildTreePair(const fs::path& root, long files)
{
    const long directories = std::max(1L, files / 50);
    const long topLevel = std::max(1L, directories / 100);
    const time_t base = 1'600'000'000;
    std::printf("building a tree pair of %ld files in %ld directories under %s ...\n", files, directories,
                root.c_str());
    std::fflush(stdout);
    for (long i = 0; i < files; ++i) {
        const long directory = i % directories;
        const fs::path relative = fs::path("d" + std::to_string(directory % topLevel)) /
                                  ("s" + std::to_string(directory)) / ("file" + std::to_string(i) + ".txt");
        const fs::path source = root / "src" / relative, destination = root / "dst" / relative;
        if (i < directories) {
            fs::create_directories(source.parent_path());
            fs::create_directories(destination.parent_path());
        }
        const std::string contents = "contents of file " + std::to_string(i) + "\n";
        WriteFile(source, contents, base);
        switch (i % 10) {
        case 0:
        case 1:
        case 2:
        case 3:
        case 4:  // equal
            WriteFile(destination, contents, base);
            break;
        case 5:  // touched newer in the destination
            WriteFile(destination, contents, base + 3600);
            break;
        case 6:  // older in the destination
            WriteFile(destination, contents, base - 86400);
            break;
        case 7:  // size changed
            WriteFile(destination, contents + "more", base);
            break;
        default:  // missing, or now and then a directory where the source has a file
            if (i % 1000 == 999)
                fs::create_directories(destination);
            break;
        }
    }
    std::ofstream(root / "complete") << files << "\n";
}

struct TDirectoryPair {
    std::string Source;
    std::string Destination;
};

// Lists one source directory, stats its files and their counterparts, and hands back its
// subdirectories.
long WalkOne(const TDirectoryPair& pair, std::vector<TDirectoryPair>& subdirectories)
{
    long files = 0;
    const int directoryFd = open(pair.Source.c_str(), O_RDONLY | O_DIRECTORY);
    if (directoryFd < 0)
        return 0;
    DIR* directory = fdopendir(directoryFd);
    while (const dirent* entry = readdir(directory)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        if (entry->d_type == DT_DIR) {
            subdirectories.push_back({pair.Source + "/" + name, pair.Destination + "/" + name});
            continue;
        }
        struct stat info {};
        fstatat(directoryFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW);
        const std::string counterpart = pair.Destination + "/" + name;
        fstatat(AT_FDCWD, counterpart.c_str(), &info, 0);
        ++files;
    }
    closedir(directory);
    return files;
}

long ReferenceWalk(const TDirectoryPair& pair)
{
    std::vector<TDirectoryPair> subdirectories;
    long files = WalkOne(pair, subdirectories);
    for (const TDirectoryPair& subdirectory : subdirectories)
        files += ReferenceWalk(subdirectory);
    return files;
}

// The same walk on two threads that share one stack of directories.
long TwoThreadWalk(const TDirectoryPair& root)
{
    std::mutex lock;
    std::vector<TDirectoryPair> pending{root};
    int busy = 0;
    long files = 0;
    const auto work = [&] {
        for (;;) {
            TDirectoryPair pair;
            {
                std::unique_lock guard(lock);
                if (pending.empty()) {
                    if (busy == 0)
                        return;
                    guard.unlock();
                    std::this_thread::yield();
                    continue;
                }
                pair = std::move(pending.back());
                pending.pop_back();
                ++busy;
            }
            std::vector<TDirectoryPair> subdirectories;
            const long found = WalkOne(pair, subdirectories);
            std::lock_guard guard(lock);
            files += found;
            for (TDirectoryPair& subdirectory : subdirectories)
                pending.push_back(std::move(subdirectory));
            --busy;
        }
    };
    std::thread second(work);
    work();
    second.join();
    return files;
}

TProcessRun Timed(const std::function<void()>& job)
{
    const auto start = std::chrono::steady_clock::now();
    job();
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 0};
}

// Empties the page, dentry and inode caches; false when this process may not.
bool DropCaches()
{
    sync();
    std::ofstream control("/proc/sys/vm/drop_caches");
    control << "3\n";
    control.flush();
    return control.good();
}

// The middle value; 0 for none.
double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::vector<long> NumberList(const std::string& text)
{
    std::vector<long> numbers;
    std::stringstream stream(text);
    for (std::string number; std::getline(stream, number, ',');)
        numbers.push_back(std::atol(number.c_str()));
    return numbers;
}

TSettings ParseArguments(int argc, char** argv)
{
    TSettings settings;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        if (name == "--files")
            settings.Files = NumberList(argv[i + 1]);
        else if (name == "--pairs")
            settings.Pairs = std::atol(argv[i + 1]);
        else if (name == "--pair-mib")
            settings.PairMebibytes = std::max(1L, std::atol(argv[i + 1]));
        else if (name == "--repeat")
            settings.Repeat = std::max(1, std::atoi(argv[i + 1]));
        else if (name == "--cache")
            settings.CachePrefix = argv[i + 1];
        else if (name == "--cli")
            settings.Cli = argv[i + 1];
    }
    return settings;
}

struct TTimes {
    // Seconds.
    double Reference = 0, TwoThreads = 0, Vellumark = 0, SingleJob = 0, Rsync = 0, DestinationOnly = 0;
    // The median of vellumark's time over the reference's and over rsync's in the same round,
    // and of the run that lists the destination too over the plain one.
    double ToReference = 0, ToRsync = 0, DestinationOnlyToPlain = 0;
};

// Every tool once a round, one after another: this machine's disk speeds up and slows down
// from one minute to the next, and a round's tools see about the same disk.
TTimes Measure(const TSettings& settings, const TDirectoryPair& trees, bool cold, bool haveRsync)
{
    std::vector<double> reference, twoThreads, vellumark, singleJob, rsync, destinationOnly;
    std::vector<double> toReference, toRsync, destinationOnlyToPlain;
    const auto run = [cold](std::vector<double>& seconds, const std::function<TProcessRun()>& job) {
        if (cold)
            DropCaches();
        seconds.push_back(job().Seconds);
        return seconds.back();
    };
    for (int round = 0; round < settings.Repeat; ++round) {
        const double referenceSeconds = run(reference, [&] { return Timed([&] { ReferenceWalk(trees); }); });
        run(twoThreads, [&] { return Timed([&] { TwoThreadWalk(trees); }); });
        const double seconds = run(vellumark, [&] {
            return RunQuietly({settings.Cli, "compare", trees.Source, trees.Destination});
        });
        toReference.push_back(seconds / referenceSeconds);
        run(singleJob, [&] {
            return RunQuietly({settings.Cli, "compare", "--jobs", "1", trees.Source, trees.Destination});
        });
        destinationOnlyToPlain.push_back(run(destinationOnly,
                                             [&] {
                                                 return RunQuietly({settings.Cli, "compare", "--show-destination-only",
                                                                    trees.Source, trees.Destination});
                                             }) /
                                         seconds);
        if (haveRsync)
            toRsync.push_back(seconds / run(rsync, [&] {
                                  return RunQuietly({"rsync", "-rn", "--itemize-changes", trees.Source + "/",
                                                     trees.Destination + "/"});
                              }));
    }
    return {.Reference = Median(reference),
            .TwoThreads = Median(twoThreads),
            .Vellumark = Median(vellumark),
            .SingleJob = Median(singleJob),
            .Rsync = Median(rsync),
            .DestinationOnly = Median(destinationOnly),
            .ToReference = Median(toReference),
            .ToRsync = Median(toRsync),
            .DestinationOnlyToPlain = Median(destinationOnlyToPlain)};
}

void PrintTimes(const char* cache, long files, const TTimes& times, bool haveRsync)
{
    const double reference = times.Reference, vellumark = times.Vellumark;
    const auto overRsync = [haveRsync](double ratio) {
        return haveRsync ? std::to_string(ratio).substr(0, 4) : std::string("-");
    };
    std::printf(
        "%-5s %9ld  reference %7.3f s  two threads %7.3f s  rsync %7.3f s  vellumark %7.3f s  "
        "(--jobs 1: %7.3f s)\n",
        cache, files, reference, times.TwoThreads, times.Rsync, vellumark, times.SingleJob);
    std::printf(
        "%-5s %9ld  vellumark / reference %.2f   / two threads %.2f   / rsync %s   --jobs 1 / reference %.2f   "
        "two threads / reference %.2f\n",
        cache, files, vellumark / reference, vellumark / times.TwoThreads, overRsync(vellumark / times.Rsync).c_str(),
        times.SingleJob / reference, times.TwoThreads / reference);
    std::printf("%-5s %9ld  round by round, median: vellumark / reference %.2f   / rsync %s\n", cache, files,
                times.ToReference, overRsync(times.ToRsync).c_str());
    std::printf("%-5s %9ld  --show-destination-only %7.3f s, round by round, median over the plain run %.2f\n", cache,
                files, times.DestinationOnly, times.DestinationOnlyToPlain);
}
// Pairs of files of the size asked for, each destination equal to its source but touched an
// hour later: every pair must be read to its end. The bytes differ from pair to pair.
void BuildContentPairs(const fs::path& root, long pairs, long mebibytes)
{
    std::printf("building %ld pairs of %ld MiB under %s ...\n", pairs, mebibytes, root.c_str());
    std::fflush(stdout);
    fs::create_directories(root / "src");
    fs::create_directories(root / "dst");
    std::string contents(static_cast<std::size_t>(mebibytes) << 20, '\0');
    std::uint64_t state = 0x9e3779b97f4a7c15ULL;
    for (long pair = 0; pair < pairs; ++pair) {
        for (std::size_t at = 0; at + 8 <= contents.size(); at += 8) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            std::memcpy(contents.data() + at, &state, 8);
        }
        const std::string name = "pair" + std::to_string(pair) + ".bin";
        WriteFile(root / "src" / name, contents, 1'600'000'000);
        WriteFile(root / "dst" / name, contents, 1'600'003'600);
    }
    std::ofstream(root / "complete") << pairs << "\n";
}

// cmp over every pair, one process after another from one shell, as a user's loop runs it.
void WriteCmpScript(const fs::path& root, long pairs)
{
    std::ofstream script(root / "cmp-all.sh");
    script << "#!/bin/sh\ncd '" << root.string() << "' || exit 1\n";
    for (long pair = 0; pair < pairs; ++pair) {
        const std::string name = "pair" + std::to_string(pair) + ".bin";
        script << "cmp -s src/" << name << " dst/" << name << " || exit 1\n";
    }
}

void MeasureContents(const TSettings& settings, bool mayDropCaches)
{
    const fs::path root =
        settings.CachePrefix + "pairs-" + std::to_string(settings.Pairs) + "x" + std::to_string(settings.PairMebibytes);
    if (!fs::exists(root / "complete")) {
        fs::remove_all(root);
        BuildContentPairs(root, settings.Pairs, settings.PairMebibytes);
    }
    WriteCmpScript(root, settings.Pairs);
    const std::string source = (root / "src").string(), destination = (root / "dst").string();
    const std::vector<std::string> cmpAll = {"sh", (root / "cmp-all.sh").string()};
    const std::vector<std::string> contents = {settings.Cli, "compare", "--content", source, destination};
    for (const bool cold : {false, true}) {
        if (cold && !mayDropCaches)
            continue;
        if (!cold) {
            RunQuietly(cmpAll);
            RunQuietly(contents);
        }
        std::vector<double> cmp, vellumark, ratios;
        long peakKilobytes = 0;
        for (int round = 0; round < settings.Repeat; ++round) {
            if (cold)
                DropCaches();
            cmp.push_back(RunQuietly(cmpAll).Seconds);
            if (cold)
                DropCaches();
            const TProcessRun run = RunQuietly(contents);
            vellumark.push_back(run.Seconds);
            peakKilobytes = std::max(peakKilobytes, run.PeakKilobytes);
            ratios.push_back(vellumark.back() / cmp.back());
        }
        std::printf(
            "%-5s %ld pairs of %ld MiB: cmp %7.3f s  vellumark --content %7.3f s  round by round, median: "
            "vellumark / cmp %.2f  (peak %ld KiB)\n",
            cold ? "cold" : "warm", settings.Pairs, settings.PairMebibytes, Median(cmp), Median(vellumark),
            Median(ratios), peakKilobytes);
        std::fflush(stdout);
    }
}
}  // namespace

int main(int argc, char** argv)
{
    const TSettings settings = ParseArguments(argc, argv);
    const bool haveRsync = std::system("command -v rsync >/dev/null 2>&1") == 0;
    const bool mayDropCaches = DropCaches();
    std::printf(
        "goals: warm <= 0.70 x reference at 200,000 files; cold <= 0.60 x reference and <= 0.50 x rsync; memory per "
        "item <= 356 bytes; --show-destination-only <= 1.30 x the plain run; --content <= 0.60 x cmp warm, "
        "<= 1.00 x cmp cold\n");
    if (!mayDropCaches)
        std::printf("the caches cannot be dropped here (writing /proc/sys/vm/drop_caches needs root): no cold runs\n");
    std::printf("medians of %d rounds; %u cores\n", settings.Repeat, std::thread::hardware_concurrency());
    // What the program takes before it holds one item: its code, the locale data, the heap's start.
    const fs::path empty = settings.CachePrefix + "empty";
    fs::create_directories(empty / "src");
    fs::create_directories(empty / "dst");
    const long baseKilobytes =
        RunQuietly({settings.Cli, "compare", (empty / "src").string(), (empty / "dst").string()}).PeakKilobytes;
    for (const long files : settings.Files) {
        if (files <= 0)
            continue;
        const fs::path root = settings.CachePrefix + std::to_string(files);
        if (!fs::exists(root / "complete")) {
            fs::remove_all(root);
            BuildTreePair(root, files);
        }
        const TDirectoryPair trees{(root / "src").string(), (root / "dst").string()};
        ReferenceWalk(trees);
        const TProcessRun warmUp = RunQuietly({settings.Cli, "compare", trees.Source, trees.Destination});
        // Half the files are equal, and so left out of the list above; here every file is an item.
        const TProcessRun everyItem =
            RunQuietly({settings.Cli, "compare", "--show-not-modified", trees.Source, trees.Destination});
        PrintTimes("warm", files, Measure(settings, trees, false, haveRsync), haveRsync);
        if (mayDropCaches)
            PrintTimes("cold", files, Measure(settings, trees, true, haveRsync), haveRsync);
        const auto perItem = [&](const TProcessRun& run) {
            return static_cast<double>(run.PeakKilobytes - baseKilobytes) * 1024.0 / static_cast<double>(files);
        };
        std::printf(
            "%-5s %9ld  memory per file above the %ld KiB of two empty folders: %.0f bytes (vellumark-cli peak "
            "%ld KiB); every file listed (--show-not-modified) %.0f bytes (%ld KiB)\n",
            "", files, baseKilobytes, perItem(warmUp), warmUp.PeakKilobytes, perItem(everyItem),
            everyItem.PeakKilobytes);
        std::fflush(stdout);
    }
    if (settings.Pairs > 0)
        MeasureContents(settings, mayDropCaches);
    return 0;
}

// Times vellumark-cli compare against a minimal reference walker (the practical single-thread
// lower bound: readdir of the source plus one fstatat per source file and per destination
// counterpart) and against rsync's dry run, on a cached tree pair, and prints the ratios.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "Benchprocess.h"

namespace fs = std::filesystem;

namespace {
struct TSettings {
    long Files = 200'000;
    int Repeat = 5;
    std::string Cli = VELLUMARK_CLI;
    std::string Cache;
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
        case 0: case 1: case 2: case 3: case 4:  // equal
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

long ReferenceWalk(const std::string& source, const std::string& destination)
{
    long files = 0;
    const int directoryFd = open(source.c_str(), O_RDONLY | O_DIRECTORY);
    if (directoryFd < 0)
        return 0;
    DIR* directory = fdopendir(directoryFd);
    std::vector<std::string> subdirectories;
    while (const dirent* entry = readdir(directory)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        if (entry->d_type == DT_DIR) {
            subdirectories.push_back(name);
            continue;
        }
        struct stat info {};
        fstatat(directoryFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW);
        const std::string counterpart = destination + "/" + name;
        fstatat(AT_FDCWD, counterpart.c_str(), &info, 0);
        ++files;
    }
    closedir(directory);
    for (const std::string& name : subdirectories)
        files += ReferenceWalk(source + "/" + name, destination + "/" + name);
    return files;
}

using TRun = TProcessRun;

TRun Median(int repeat, const std::function<TRun()>& run)
{
    std::vector<TRun> runs;
    for (int i = 0; i < repeat; ++i)
        runs.push_back(run());
    std::sort(runs.begin(), runs.end(), [](const TRun& a, const TRun& b) { return a.Seconds < b.Seconds; });
    return runs[runs.size() / 2];
}

TSettings ParseArguments(int argc, char** argv)
{
    TSettings settings;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        if (name == "--files")
            settings.Files = std::atol(argv[i + 1]);
        else if (name == "--repeat")
            settings.Repeat = std::atoi(argv[i + 1]);
        else if (name == "--cache")
            settings.Cache = argv[i + 1];
        else if (name == "--cli")
            settings.Cli = argv[i + 1];
    }
    if (settings.Cache.empty())
        settings.Cache = (fs::temp_directory_path() / ("vellumark-bench-compare-" + std::to_string(settings.Files))).string();
    return settings;
}
}  // namespace

int main(int argc, char** argv)
{
    const TSettings settings = ParseArguments(argc, argv);
    const fs::path root = settings.Cache;
    if (!fs::exists(root / "complete")) {
        fs::remove_all(root);
        BuildTreePair(root, settings.Files);
    }
    const std::string source = (root / "src").string(), destination = (root / "dst").string();

    // Warm the caches.
    const long files = ReferenceWalk(source, destination);
    RunQuietly({settings.Cli, "compare", source, destination});

    const TRun reference = Median(settings.Repeat, [&] {
        const auto start = std::chrono::steady_clock::now();
        ReferenceWalk(source, destination);
        return TRun{std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 0};
    });
    const TRun vellumark = Median(settings.Repeat, [&] { return RunQuietly({settings.Cli, "compare", source, destination}); });
    const bool haveRsync = std::system("command -v rsync >/dev/null 2>&1") == 0;
    const TRun rsync = haveRsync ? Median(settings.Repeat, [&] {
        return RunQuietly({"rsync", "-rn", "--itemize-changes", source + "/", destination + "/"});
    })
                                 : TRun{};

    std::printf("source files:            %ld\n", files);
    std::printf("reference walker:        %.3f s\n", reference.Seconds);
    std::printf("vellumark-cli compare:   %.3f s  ratio to reference %.2f (goal <= 1.30)\n", vellumark.Seconds,
                vellumark.Seconds / reference.Seconds);
    if (haveRsync)
        std::printf("rsync -rn:               %.3f s  vellumark / rsync %.2f (goal < 1.00)\n", rsync.Seconds,
                    vellumark.Seconds / rsync.Seconds);
    std::printf("peak memory per item:    %.0f bytes (vellumark-cli peak %ld KiB)\n",
                static_cast<double>(vellumark.PeakKilobytes) * 1024.0 / static_cast<double>(std::max(files, 1L)),
                vellumark.PeakKilobytes);
    return 0;
}

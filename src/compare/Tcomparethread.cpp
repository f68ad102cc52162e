#include "compare/Tcomparethread.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <numeric>

#include "sys/Mysysutils.h"
#include "sys/Tfilesystem.h"
#include "sys/Tlocalerules.h"

namespace {
// Items looked up by one task: enough to make a task's overhead vanish, few enough that the
// tasks spread evenly and a lone thread reports progress often.
constexpr std::size_t LookupBatch = 64;
// Sort keys made by one task.
constexpr std::size_t KeyBatch = 1024;

// Tasks that hand work (first, end) the pieces of 0..count, batch at a time.
template <typename TWork>
std::vector<TWorkPool::TTask> BatchTasks(std::size_t count, std::size_t batch, const TWork& work)
{
    std::vector<TWorkPool::TTask> tasks;
    tasks.reserve((count + batch - 1) / batch);
    for (std::size_t first = 0; first < count; first += batch)
        tasks.emplace_back([&work, first, end = std::min(first + batch, count)] { work(first, end); });
    return tasks;
}
}  // namespace

// What the walk found in one directory. Its files and subdirectories are kept apart, with
// the place of each subdirectory among the files, so that the items can be put in the order
// of a depth-first walk in listing order, whichever thread listed what when.
struct TCompareThread::TScannedDirectory {
    struct TFile {
        std::string Name;
        std::int64_t Size;
        std::int64_t LastWriteTime;
    };
    struct TSubdirectory {
        std::size_t FilesBefore;
        std::unique_ptr<TScannedDirectory> Directory;
    };

    explicit TScannedDirectory(std::string relative) : Relative(std::move(relative)) {}

    // Empty for the root, else the path below the root with a trailing delimiter.
    std::string Relative;
    std::vector<TFile> Files;
    std::vector<TSubdirectory> Subdirectories;
};

TCompareThread::TCompareThread(const TCompareOptions& options, TMainThreadCaller& mainThread,
                               const TFileFactsSource& fileSystem)
    : TReportThread(mainThread),
      Options(options),
      FileSystem(fileSystem),
      SrcRoot(WithTrailingDelimiter(options.SrcDir)),
      DstRoot(WithTrailingDelimiter(options.DstDir))
{
    FreeOnTerminate = true;
}

void TCompareThread::Prepare()
{
    PrepareMasks();
    TWorkPool pool(Jobs);
    TScannedDirectory root({});
    pool.Run({[&] { ScanDirectory(root, pool); }}, [] {});
    if (!Terminated())
        CollectItems(root);
}

void TCompareThread::Run()
{
    TWorkPool pool(Jobs);
    ClassifyItems(pool);
    if (!Terminated())
        SortItems(pool);
}

void TCompareThread::CleanUp()
{
    ExcludeMaskList = {};
    IncludeMaskList = {};
    Items = {};
}

void TCompareThread::PrepareMasks()
{
    if (Options.UseIncludeMasks)
        IncludeMaskList = SplitText(Options.IncludeMasks, ';');
    if (Options.UseExcludeMasks)
        ExcludeMaskList = SplitText(Options.ExcludeMasks, ';');
}

void TCompareThread::ScanDirectory(TScannedDirectory& directory, TWorkPool& pool)
{
    // The whole listing is read before going on, so a deep tree never holds one open
    // directory per level.
    std::vector<TDirectoryEntry> entries = FileSystem.List(SrcRoot + directory.Relative);
    directory.Files.reserve(entries.size());
    for (TDirectoryEntry& entry : entries) {
        if (Terminated())
            return;
        if (entry.Name == "." || entry.Name == "..")
            continue;
        if (entry.Facts.IsDirectory) {
            if (!Options.IncludeSubDirs)
                continue;
            TScannedDirectory& subdirectory =
                *directory.Subdirectories
                     .emplace_back(directory.Files.size(),
                                   std::make_unique<TScannedDirectory>(directory.Relative + entry.Name + '/'))
                     .Directory;
            pool.Add([this, &subdirectory, &pool] { ScanDirectory(subdirectory, pool); });
            continue;
        }
        if (PassesMasks(entry.Name))
            directory.Files.push_back({std::move(entry.Name), entry.Facts.Size, entry.Facts.LastWriteTime});
    }
}

void TCompareThread::CollectItems(TScannedDirectory& root)
{
    std::size_t count = 0;
    const std::function<void(const TScannedDirectory&)> countFiles = [&](const TScannedDirectory& directory) {
        count += directory.Files.size();
        for (const auto& subdirectory : directory.Subdirectories)
            countFiles(*subdirectory.Directory);
    };
    countFiles(root);
    Items.reserve(count);

    const auto appendFile = [this](const TScannedDirectory& directory, const TScannedDirectory::TFile& file) {
        TCompareItem& item = Items.emplace_back();
        item.SrcPath.reserve(SrcRoot.size() + directory.Relative.size() + file.Name.size());
        item.SrcPath.append(SrcRoot).append(directory.Relative).append(file.Name);
        item.DstPath.reserve(DstRoot.size() + directory.Relative.size() + file.Name.size());
        item.DstPath.append(DstRoot).append(directory.Relative).append(file.Name);
        item.SizeRemainder = file.Size;
        item.TimeRemainder = file.LastWriteTime;
    };
    // Each directory is released once its items are made, so the walk's findings and the
    // items are never both held whole.
    const std::function<void(TScannedDirectory&)> collect = [&](TScannedDirectory& directory) {
        std::size_t file = 0;
        for (TScannedDirectory::TSubdirectory& subdirectory : directory.Subdirectories) {
            for (; file < subdirectory.FilesBefore; ++file)
                appendFile(directory, directory.Files[file]);
            collect(*subdirectory.Directory);
            subdirectory.Directory.reset();
        }
        for (; file < directory.Files.size(); ++file)
            appendFile(directory, directory.Files[file]);
        directory.Files = {};
        directory.Subdirectories.clear();
        directory.Subdirectories.shrink_to_fit();
    };
    collect(root);
}

bool TCompareThread::PassesMasks(const std::string& name) const
{
    if (Options.UseIncludeMasks && !AnyMaskMatches(name, IncludeMaskList))
        return false;
    if (Options.UseExcludeMasks && AnyMaskMatches(name, ExcludeMaskList))
        return false;
    return true;
}

bool TCompareThread::AnyMaskMatches(const std::string& name, const std::vector<std::string>& masks) const
{
    for (const std::string& mask : masks) {
        if (Terminated())
            return false;
        if (MatchesMask(name, mask))
            return true;
    }
    return false;
}

void TCompareThread::ClassifyItems(TWorkPool& pool)
{
    const auto total = static_cast<std::int32_t>(Items.size());
    std::atomic<std::int32_t> classified{0};
    const auto classify = [&](std::size_t first, std::size_t end) {
        TLookupCache lookups;
        for (std::size_t i = first; i < end; ++i) {
            if (Terminated())
                return;
            ClassifyItem(Items[i], lookups);
            classified.fetch_add(1, std::memory_order_relaxed);
        }
    };
    std::int32_t reported = 0;
    pool.Run(BatchTasks(Items.size(), LookupBatch, classify), [&] {
        if (const std::int32_t done = classified.load(std::memory_order_relaxed); done != reported) {
            reported = done;
            Progress(done, total);
        }
    });
    if (Terminated() || Options.ShowNotModified)
        return;
    std::erase_if(Items, [](const TCompareItem& item) { return item.Result == TCompareResult::NotModified; });
}

void TCompareThread::ClassifyItem(TCompareItem& item, TLookupCache& lookups) const
{
    const std::int64_t sourceSize = item.SizeRemainder;
    const std::int64_t sourceTime = item.TimeRemainder;
    const auto destination = FileSystem.Lookup(item.DstPath, lookups);
    if (!destination) {
        item.DstExists = false;
        item.TimeRemainder = 0;
        item.Result = TCompareResult::Created;
        return;
    }
    item.DstExists = true;
    if (destination->IsDirectory || sourceSize < 0 || destination->Size < 0 || sourceTime <= 0 ||
        destination->LastWriteTime <= 0) {
        item.SizeRemainder = 0;
        item.TimeRemainder = 0;
        item.Result = TCompareResult::Unknown;
        return;
    }
    item.SizeRemainder = sourceSize - destination->Size;
    item.TimeRemainder = TimeRemainderOf(sourceTime, destination->LastWriteTime);
    item.Result = ResultOf(item.TimeRemainder, item.SizeRemainder);
}

std::int64_t TCompareThread::TimeRemainderOf(std::int64_t sourceTime, std::int64_t destinationTime) const
{
    const std::int64_t difference = sourceTime - destinationTime;
    if (!Options.FatPrecision)
        return difference;
    // A FAT file system on Linux truncates to an even second where others round up; two times
    // less than one step apart are one time written by either.
    if (difference > -FatTimeStep && difference < FatTimeStep)
        return 0;
    return RoundUpToFatTime(sourceTime) - RoundUpToFatTime(destinationTime);
}

std::int64_t TCompareThread::RoundUpToFatTime(std::int64_t time)
{
    // The last step below the largest time stands for every time beyond it.
    if (time > INT64_MAX - (FatTimeStep - 1))
        return INT64_MAX / FatTimeStep * FatTimeStep;
    return (time + FatTimeStep - 1) / FatTimeStep * FatTimeStep;
}

TCompareResult TCompareThread::ResultOf(std::int64_t timeRemainder, std::int64_t sizeRemainder)
{
    if (timeRemainder > 0)
        return TCompareResult::Modified;
    if (sizeRemainder != 0)
        return TCompareResult::Ambiguous;
    return TCompareResult::NotModified;
}

void TCompareThread::SortItems(TWorkPool& pool)
{
    // Every path begins with the same source root, so collating the rest gives the same order
    // for less work. Keys are built once, by every thread with its own locale rules: the
    // collator is not asked a million times per sort.
    std::vector<std::string> keys(Items.size());
    const auto makeKeys = [&](std::size_t first, std::size_t end) {
        const TLocaleRules& rules = TLocaleRules::ForThisThread();
        for (std::size_t i = first; i < end; ++i)
            keys[i] = rules.SortKey(std::string_view(Items[i].SrcPath).substr(SrcRoot.size()));
    };
    pool.Run(BatchTasks(Items.size(), KeyBatch, makeKeys), [] {});

    std::vector<std::size_t> order(Items.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        if (Items[a].Result != Items[b].Result)
            return Items[a].Result < Items[b].Result;
        if (const int byKey = keys[a].compare(keys[b]); byKey != 0)
            return byKey < 0;
        return a < b;
    });
    keys = {};

    // Put each item where the order says, following the permutation's cycles: no second
    // list of a million items.
    for (std::size_t start = 0; start < order.size(); ++start) {
        if (order[start] == start)
            continue;
        TCompareItem held = std::move(Items[start]);
        std::size_t position = start;
        while (order[position] != start) {
            const std::size_t from = order[position];
            Items[position] = std::move(Items[from]);
            order[position] = position;
            position = from;
        }
        Items[position] = std::move(held);
        order[position] = position;
    }
}

#include "compare/Tcomparethread.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <numeric>
#include <stdexcept>

#include "sys/Memoryhints.h"
#include "sys/Mysysutils.h"
#include "sys/Pathsyntax.h"
#include "sys/Tfilesystem.h"
#include "sys/Tlocalerules.h"

namespace {
// Items looked up by one task: enough to make a task's overhead vanish, few enough that the
// tasks spread evenly and a lone thread reports progress often.
constexpr std::size_t LookupBatch = 64;
// Sort keys made by one task.
constexpr std::size_t KeyBatch = 1024;
// Directories whose items one task makes.
constexpr std::size_t DirectoryBatch = 8;
// The pieces sorted apart before they are merged.
constexpr std::size_t SortPieces = 8;

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
    enum class TFound : std::uint8_t { Nothing, File, Directory };
    // The names stand one after another in Names: a string of its own each would double
    // the walk's memory. The lookups add what they found under the destination root, and
    // whether the file stays in the result: an item is made only for those that stay.
    struct TFile {
        std::uint32_t NameEnd;
        TFound Found;
        bool Kept;
        std::int64_t Size;
        std::int64_t LastWriteTime;
        std::int64_t DstSize;
        std::int64_t DstTime;
        std::uint64_t DstIdentity;

        std::optional<TFileFacts> Destination() const
        {
            if (Found == TFound::Nothing)
                return std::nullopt;
            return TFileFacts{Found == TFound::Directory, DstSize, DstTime, DstIdentity};
        }
    };
    struct TSubdirectory {
        std::size_t FilesBefore;
        std::unique_ptr<TScannedDirectory> Directory;
    };

    explicit TScannedDirectory(std::string relative) : Relative(std::move(relative)) {}

    std::string_view Name(std::size_t file) const
    {
        const std::uint32_t start = file == 0 ? 0 : Files[file - 1].NameEnd;
        return std::string_view(Names).substr(start, Files[file].NameEnd - start);
    }

    // The files of a run stand before the subdirectory of that number, or after the last one.
    std::size_t RunCount() const { return Subdirectories.size() + 1; }
    std::size_t RunEnd(std::size_t run) const
    {
        return run < Subdirectories.size() ? Subdirectories[run].FilesBefore : Files.size();
    }

    // Empty for the root, else the path below the root with a trailing delimiter.
    std::string Relative;
    std::vector<TFile> Files;
    std::string Names;
    std::vector<TSubdirectory> Subdirectories;
    // Where the kept files go in the items: the run before each subdirectory, then the rest.
    // Until the runs are placed in walk order, each holds the count of its kept files.
    std::vector<std::size_t> RunStarts;
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

TCompareThread::~TCompareThread() = default;

void TCompareThread::Prepare()
{
    PrepareMasks();
    Pool = std::make_unique<TWorkPool>(Jobs);
    TWorkPool& pool = *Pool;
    Root = std::make_unique<TScannedDirectory>(std::string());
    pool.Run({[&] { ScanDirectory(*Root, pool); }}, [] {});
    const std::function<void(TScannedDirectory&)> list = [&](TScannedDirectory& directory) {
        Directories.push_back(&directory);
        for (TScannedDirectory::TSubdirectory& subdirectory : directory.Subdirectories)
            list(*subdirectory.Directory);
    };
    list(*Root);
}

void TCompareThread::Run()
{
    ClassifyItems(*Pool);
    if (!Terminated())
        CollectItems(*Pool);
    if (!Terminated())
        SortItems(*Pool);
    Pool.reset();
}

void TCompareThread::CleanUp()
{
    Pool.reset();
    ReleaseMemory(Directories);
    Root.reset();
    ReleaseMemory(ExcludeMaskList);
    ReleaseMemory(IncludeMaskList);
    ReleaseMemory(Items);
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
    std::int64_t files = 0;
    for (TDirectoryEntry& entry : entries) {
        if (Terminated())
            return;
        if (entry.Name == "." || entry.Name == "..")
            continue;
        if (entry.Facts.IsDirectory) {
            if (!Options.IncludeSubDirs)
                continue;
            directory.Subdirectories.push_back(
                {directory.Files.size(),
                 std::make_unique<TScannedDirectory>(directory.Relative + entry.Name + PathSyntax::Delimiter)});
            TScannedDirectory& subdirectory = *directory.Subdirectories.back().Directory;
            pool.Add([this, &subdirectory, &pool] { ScanDirectory(subdirectory, pool); });
            continue;
        }
        ++files;
        if (!PassesMasks(entry.Name))
            continue;
        directory.Names += entry.Name;
        if (directory.Names.size() > UINT32_MAX)
            throw std::length_error("The names of one folder are too long.");
        directory.Files.push_back({static_cast<std::uint32_t>(directory.Names.size()),
                                   TScannedDirectory::TFound::Nothing, false, entry.Facts.Size,
                                   entry.Facts.LastWriteTime, 0, 0, 0});
    }
    Walked.AddFolder(files);
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
    // The lookups go by pieces of one directory, so that each resolves the destination
    // directory once; no item exists yet, and none is made for a file that is dropped.
    struct TPiece {
        TScannedDirectory* Directory;
        std::size_t First, End;
    };
    std::vector<TPiece> pieces;
    std::size_t files = 0;
    for (TScannedDirectory* directory : Directories) {
        for (std::size_t first = 0; first < directory->Files.size(); first += LookupBatch)
            pieces.push_back({directory, first, std::min(first + LookupBatch, directory->Files.size())});
        files += directory->Files.size();
    }
    if (files > INT32_MAX)
        throw std::length_error("The comparison cannot count that many files.");
    const auto total = static_cast<std::int32_t>(files);
    std::atomic<std::int32_t> classified{0};
    const auto classify = [&](std::size_t first, std::size_t end) {
        TLookupCache lookups;
        std::string path;
        TCompareItem verdict;
        for (std::size_t p = first; p < end; ++p) {
            TScannedDirectory& directory = *pieces[p].Directory;
            // Counted for the progress once a piece is through: a count shared by every
            // thread costs more when bumped per file.
            std::int32_t done = 0;
            for (std::size_t file = pieces[p].First; file < pieces[p].End; ++file, ++done) {
                if (Terminated()) {
                    classified.fetch_add(done, std::memory_order_relaxed);
                    return;
                }
                TScannedDirectory::TFile& facts = directory.Files[file];
                path.assign(DstRoot).append(directory.Relative).append(directory.Name(file));
                const std::optional<TFileFacts> destination = FileSystem.Lookup(path, lookups);
                facts.Found = !destination               ? TScannedDirectory::TFound::Nothing
                              : destination->IsDirectory ? TScannedDirectory::TFound::Directory
                                                         : TScannedDirectory::TFound::File;
                if (destination) {
                    facts.DstSize = destination->Size;
                    facts.DstTime = destination->LastWriteTime;
                    facts.DstIdentity = destination->Identity;
                }
                ClassifyItem(verdict, facts.Size, facts.LastWriteTime, destination);
                facts.Kept = Options.ShowNotModified || verdict.Result != TCompareResult::NotModified;
            }
            classified.fetch_add(done, std::memory_order_relaxed);
        }
    };
    std::int32_t reported = 0;
    pool.Run(BatchTasks(pieces.size(), 1, classify), [&] {
        if (const std::int32_t done = classified.load(std::memory_order_relaxed); done != reported) {
            reported = done;
            Progress(done, total);
        }
    });
}

void TCompareThread::CollectItems(TWorkPool& pool)
{
    // Where each run of kept files goes is settled first: every thread counts the kept files
    // of its directories' runs, then one pass in walk order turns the counts into places. Then
    // every directory makes its own items, on every thread. Making a million paths is mostly
    // fresh memory, and the pages it costs come in faster from several threads.
    const auto keptIn = [](const TScannedDirectory& directory, std::size_t first, std::size_t end) {
        return static_cast<std::size_t>(std::count_if(directory.Files.begin() + static_cast<std::ptrdiff_t>(first),
                                                      directory.Files.begin() + static_cast<std::ptrdiff_t>(end),
                                                      [](const TScannedDirectory::TFile& file) { return file.Kept; }));
    };
    const auto countRuns = [&](std::size_t first, std::size_t end) {
        for (std::size_t d = first; d < end; ++d) {
            TScannedDirectory& directory = *Directories[d];
            for (std::size_t run = 0, file = 0; run < directory.RunCount(); file = directory.RunEnd(run++))
                directory.RunStarts.push_back(keptIn(directory, file, directory.RunEnd(run)));
        }
    };
    pool.Run(BatchTasks(Directories.size(), DirectoryBatch, countRuns), [] {});
    std::size_t next = 0;
    const std::function<void(TScannedDirectory&)> place = [&](TScannedDirectory& directory) {
        for (std::size_t run = 0; run < directory.RunCount(); ++run) {
            const std::size_t kept = directory.RunStarts[run];
            directory.RunStarts[run] = next;
            next += kept;
            if (run < directory.Subdirectories.size())
                place(*directory.Subdirectories[run].Directory);
        }
    };
    place(*Root);

    Items.reserve(next);
    MakePagesReady(Items.data(), next * sizeof(TCompareItem));
    Items.resize(next);
    const auto makeItem = [this](TCompareItem& item, const TScannedDirectory& directory, std::size_t file) {
        const std::string_view name = directory.Name(file);
        item.SrcPath.reserve(SrcRoot.size() + directory.Relative.size() + name.size());
        item.SrcPath.append(SrcRoot).append(directory.Relative).append(name);
        item.DstPath.reserve(DstRoot.size() + directory.Relative.size() + name.size());
        item.DstPath.append(DstRoot).append(directory.Relative).append(name);
        const TScannedDirectory::TFile& facts = directory.Files[file];
        ClassifyItem(item, facts.Size, facts.LastWriteTime, facts.Destination());
    };
    const auto makeItems = [&](std::size_t first, std::size_t end) {
        for (std::size_t d = first; d < end; ++d) {
            TScannedDirectory& directory = *Directories[d];
            for (std::size_t run = 0, file = 0; run < directory.RunCount(); ++run) {
                std::size_t at = directory.RunStarts[run];
                for (; file < directory.RunEnd(run); ++file)
                    if (directory.Files[file].Kept)
                        makeItem(Items[at++], directory, file);
            }
            // Released at once, so the walk's findings and the items are never both held
            // whole: the paths made next take the memory they leave.
            ReleaseMemory(directory.Files);
            ReleaseMemory(directory.Names);
        }
    };
    pool.Run(BatchTasks(Directories.size(), DirectoryBatch, makeItems), [] {});
    ReleaseMemory(Directories);
    Root.reset();
    // The sort's keys come next; the pages the walk used are better given back first: left
    // in the arenas of other threads they add to the peak.
    ReturnFreeMemory();
}

void TCompareThread::ClassifyItem(TCompareItem& item, std::int64_t sourceSize, std::int64_t sourceTime,
                                  const std::optional<TFileFacts>& destination) const
{
    if (!destination) {
        item.DstExists = false;
        item.SizeRemainder = sourceSize;
        item.TimeRemainder = 0;
        item.Result = TCompareResult::Created;
        item.SetSeen(sourceSize, sourceTime, 0, 0, 0);
        return;
    }
    item.DstExists = true;
    if (destination->IsDirectory || sourceSize < 0 || destination->Size < 0 || sourceTime <= 0 ||
        destination->LastWriteTime <= 0) {
        item.SizeRemainder = 0;
        item.TimeRemainder = 0;
        item.Result = TCompareResult::Unknown;
    } else {
        item.SizeRemainder = sourceSize - destination->Size;
        item.TimeRemainder = TimeRemainderOf(sourceTime, destination->LastWriteTime);
        item.Result = ResultOf(item.TimeRemainder, item.SizeRemainder);
    }
    item.SetSeen(sourceSize, sourceTime, destination->Size, destination->LastWriteTime, destination->Identity);
}

std::int64_t TCompareThread::TimeRemainderOf(std::int64_t sourceTime, std::int64_t destinationTime) const
{
    const std::int64_t remainder = PreciseRemainder(sourceTime, destinationTime);
    if (!Options.IgnoreHourShift || remainder == 0 || sourceTime > INT64_MAX - HourShift)
        return remainder;
    // Shifted by an hour either way, the two times would be equal at the precision in force.
    for (const std::int64_t shift : {HourShift, -HourShift})
        if (PreciseRemainder(sourceTime - shift, destinationTime) == 0)
            return 0;
    return remainder;
}

std::int64_t TCompareThread::PreciseRemainder(std::int64_t sourceTime, std::int64_t destinationTime) const
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

namespace {
// 0..count-1 in the order of less, a strict total order: sorted in pieces on every thread,
// then merged pair by pair.
template <typename TLess>
std::vector<std::uint32_t> SortedOrder(std::uint32_t count, const TLess& less, TWorkPool& pool)
{
    std::vector<std::uint32_t> order(count);
    std::iota(order.begin(), order.end(), std::uint32_t{0});
    const std::size_t pieceSize = std::max<std::size_t>(1, (count + SortPieces - 1) / SortPieces);
    const auto bound = [&](std::size_t piece) {
        return order.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(piece * pieceSize, count));
    };
    pool.Run(BatchTasks(SortPieces, 1,
                        [&](std::size_t piece, std::size_t) { std::sort(bound(piece), bound(piece + 1), less); }),
             [] {});
    std::vector<std::uint32_t> merged(count);
    for (std::size_t width = 1; width < SortPieces; width *= 2) {
        const auto mergePair = [&](std::size_t first, std::size_t) {
            const std::size_t piece = first * 2 * width;
            std::merge(bound(piece), bound(piece + width), bound(piece + width), bound(piece + 2 * width),
                       merged.begin() + (bound(piece) - order.begin()), less);
        };
        pool.Run(BatchTasks((SortPieces + 2 * width - 1) / (2 * width), 1, mergePair), [] {});
        order.swap(merged);
    }
    return order;
}
}  // namespace

void TCompareThread::SortItems(TWorkPool& pool)
{
    // Every path begins with the same source root, so collating the rest gives the same order
    // for less work. Keys are built once, by every thread with its own locale rules: the
    // collator is not asked a million times per sort.
    // The keys of one batch stand in one block: a string each would cost more than the key.
    if (Items.size() > UINT32_MAX)
        throw std::length_error("The comparison cannot sort that many items.");
    std::vector<std::string> keyBlocks((Items.size() + KeyBatch - 1) / KeyBatch);
    std::vector<std::uint32_t> keyEnds(Items.size());
    const auto makeKeys = [&](std::size_t first, std::size_t end) {
        const TLocaleRules& rules = TLocaleRules::ForThisThread();
        std::string& block = keyBlocks[first / KeyBatch];
        for (std::size_t i = first; i < end; ++i) {
            rules.AppendSortKey(std::string_view(Items[i].SrcPath).substr(SrcRoot.size()), block);
            keyEnds[i] = static_cast<std::uint32_t>(block.size());
        }
    };
    pool.Run(BatchTasks(Items.size(), KeyBatch, makeKeys), [] {});
    const auto key = [&](std::uint32_t i) {
        const std::uint32_t start = i % KeyBatch == 0 ? 0 : keyEnds[i - 1];
        return std::string_view(keyBlocks[i / KeyBatch]).substr(start, keyEnds[i] - start);
    };

    const auto less = [&](std::uint32_t a, std::uint32_t b) {
        if (Items[a].Result != Items[b].Result)
            return Items[a].Result < Items[b].Result;
        if (const int byKey = key(a).compare(key(b)); byKey != 0)
            return byKey < 0;
        return a < b;
    };
    std::vector<std::uint32_t> order = SortedOrder(static_cast<std::uint32_t>(Items.size()), less, pool);
    ReleaseMemory(keyBlocks);
    ReleaseMemory(keyEnds);

    // Put each item where the order says, following the permutation's cycles: no second
    // list of a million items.
    for (std::uint32_t start = 0; start < order.size(); ++start) {
        if (order[start] == start)
            continue;
        TCompareItem held = std::move(Items[start]);
        std::uint32_t position = start;
        while (order[position] != start) {
            const std::uint32_t from = order[position];
            Items[position] = std::move(Items[from]);
            order[position] = position;
            position = from;
        }
        Items[position] = std::move(held);
        order[position] = position;
    }
}

#include "compare/Titemassembly.h"

#include <algorithm>
#include <atomic>
#include <numeric>
#include <stdexcept>

#include "sys/Memoryhints.h"
#include "sys/Mysysutils.h"
#include "sys/Tcontentreader.h"
#include "sys/Tlocalerules.h"

namespace {
// Items looked up by one task: enough to make a task's overhead vanish, few enough that the
// tasks spread evenly and a lone thread reports progress often.
constexpr std::size_t LookupBatch = 64;
// Sort keys made by one task.
constexpr std::size_t KeyBatch = 1024;
// Directories whose items one task makes.
constexpr std::size_t DirectoryBatch = 8;
// The bytes of the pairs whose contents one task compares, unless a single pair is larger: the
// reader's buffers serve them all, and the tasks still spread evenly.
constexpr std::int64_t ContentBatchBytes = 64 * 1024 * 1024;
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

TItemAssembly::TItemAssembly(const TCompareOptions& options, const TFileFactsSource& fileSystem,
                             std::function<bool()> stopped, std::vector<TCompareItem>& items)
    : FileSystem(fileSystem),
      Stopped(std::move(stopped)),
      Rules(options),
      ShowNotModified(options.ShowNotModified),
      SrcRoot(WithTrailingDelimiter(options.SrcDir)),
      DstRoot(WithTrailingDelimiter(options.DstDir)),
      Items(items)
{}

void TItemAssembly::Classify(TTreeScan& scan, TWorkPool& pool, const TProgress& progress)
{
    // The lookups go by pieces of one directory, so that each resolves the destination
    // directory once; no item exists yet, and none is made for a file that is dropped.
    struct TPiece {
        TScannedDirectory* Directory;
        std::size_t First, End;
    };
    std::vector<TPiece> pieces;
    std::size_t files = 0;
    for (TScannedDirectory* directory : scan.Directories) {
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
        TCompareItem scratch;
        for (std::size_t p = first; p < end; ++p) {
            TScannedDirectory& directory = *pieces[p].Directory;
            // Counted for the progress once a piece is through: a count shared by every
            // thread costs more when bumped per file.
            std::int32_t done = 0;
            for (std::size_t file = pieces[p].First; file < pieces[p].End; ++file, ++done) {
                if (Stopped()) {
                    classified.fetch_add(done, std::memory_order_relaxed);
                    return;
                }
                TScannedDirectory::TFile& facts = directory.Files[file];
                std::optional<TFileFacts> destination = facts.Destination();
                if (!facts.Listed) {
                    path.assign(DstRoot).append(directory.Relative).append(directory.Name(file));
                    destination = FileSystem.Lookup(path, lookups);
                }
                facts.Found = !destination               ? TScannedDirectory::TFound::Nothing
                              : destination->IsDirectory ? TScannedDirectory::TFound::Directory
                                                         : TScannedDirectory::TFound::File;
                if (destination) {
                    facts.DstSize = destination->Size;
                    facts.DstTime = destination->LastWriteTime;
                    facts.DstIdentity = destination->Identity;
                }
                SettleKept(facts, scratch);
            }
            classified.fetch_add(done, std::memory_order_relaxed);
        }
    };
    std::int32_t reported = 0;
    pool.Run(BatchTasks(pieces.size(), 1, classify), [&] {
        if (const std::int32_t done = classified.load(std::memory_order_relaxed); done != reported) {
            reported = done;
            progress(done, total);
        }
    });
}

void TItemAssembly::SettleKept(TScannedDirectory::TFile& facts, TCompareItem& scratch) const
{
    Rules.Judge(scratch, facts.Size, facts.LastWriteTime, facts.Destination(), facts.Contents);
    facts.Kept = ShowNotModified || scratch.Result != TCompareResult::NotModified;
}

void TItemAssembly::ReadContents(TTreeScan& scan, TWorkPool& pool, TWalkCount& counts, const TProgress& progress)
{
    struct TPair {
        TScannedDirectory* Directory;
        std::size_t File;
    };
    std::vector<TPair> pairs;
    std::vector<TWorkPool::TTask> tasks;
    std::int64_t bytes = 0;
    const auto readPairs = [&](std::size_t first, std::size_t end) {
        TContentReader reader(Stopped, &counts.ComparedBytes());
        std::string source;
        std::string destination;
        TCompareItem scratch;
        for (std::size_t p = first; p < end && !Stopped(); ++p) {
            TScannedDirectory& directory = *pairs[p].Directory;
            TScannedDirectory::TFile& facts = directory.Files[pairs[p].File];
            const std::string_view name = directory.Name(pairs[p].File);
            source.assign(SrcRoot).append(directory.Relative).append(name);
            destination.assign(DstRoot).append(directory.Relative).append(name);
            const TContentsVerdict found = FileSystem.CompareContents(reader, source, destination, facts.Size);
            if (found == TContentsVerdict::Stopped)
                return;
            facts.Contents = found;
            SettleKept(facts, scratch);
        }
    };
    std::size_t batchStart = 0;
    std::int64_t batchBytes = 0;
    const auto endBatch = [&] {
        if (batchStart < pairs.size())
            tasks.emplace_back([&readPairs, first = batchStart, end = pairs.size()] { readPairs(first, end); });
        batchStart = pairs.size();
        batchBytes = 0;
    };
    for (TScannedDirectory* directory : scan.Directories)
        for (std::size_t file = 0; file < directory->Files.size(); ++file) {
            const TScannedDirectory::TFile& facts = directory->Files[file];
            if (!Rules.ReadsContents(facts.Size, facts.LastWriteTime, facts.Destination()))
                continue;
            pairs.push_back({directory, file});
            bytes += facts.Size;
            batchBytes += facts.Size;
            if (batchBytes >= ContentBatchBytes)
                endBatch();
        }
    endBatch();
    if (pairs.empty())
        return;
    counts.SetContentBytes(bytes);
    // The progress counts in steps that fit its numbers, however many bytes there are.
    const std::int64_t step = bytes / INT32_MAX + 1;
    std::int64_t reported = -1;
    pool.Run(std::move(tasks), [&] {
        if (const std::int64_t done = counts.ComparedByteCount(); done != reported) {
            reported = done;
            progress(static_cast<std::int32_t>(done / step), static_cast<std::int32_t>(bytes / step));
        }
    });
}

void TItemAssembly::Collect(TTreeScan& scan, TWorkPool& pool)
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
            TScannedDirectory& directory = *scan.Directories[d];
            for (std::size_t run = 0, file = 0; run < directory.RunCount(); file = directory.RunEnd(run++))
                directory.RunStarts.push_back(keptIn(directory, file, directory.RunEnd(run)));
        }
    };
    pool.Run(BatchTasks(scan.Directories.size(), DirectoryBatch, countRuns), [] {});
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
    place(*scan.Root);

    std::size_t destinationOnly = 0;
    for (const TScannedDirectory* directory : scan.Directories)
        destinationOnly += static_cast<std::size_t>(
            std::count_if(directory->DstFiles.begin(), directory->DstFiles.end(),
                          [](const TScannedDirectory::TDestinationFile& file) { return !file.Taken; }));
    Items.reserve(next + destinationOnly);
    MakePagesReady(Items.data(), next * sizeof(TCompareItem));
    Items.resize(next);
    const auto makeItem = [this](TCompareItem& item, const TScannedDirectory& directory, std::size_t file) {
        const std::string_view name = directory.Name(file);
        item.Path.reserve(directory.Relative.size() + name.size());
        item.Path.append(directory.Relative).append(name);
        const TScannedDirectory::TFile& facts = directory.Files[file];
        Rules.Judge(item, facts.Size, facts.LastWriteTime, facts.Destination(), facts.Contents);
        if (const auto moved = directory.MovedFrom.find(file); moved != directory.MovedFrom.end()) {
            item.Result = TCompareResult::Moved;
            item.SetMovedFrom(moved->second.Path, moved->second.Facts, moved->second.Identity);
        }
    };
    const auto makeItems = [&](std::size_t first, std::size_t end) {
        for (std::size_t d = first; d < end; ++d) {
            TScannedDirectory& directory = *scan.Directories[d];
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
    pool.Run(BatchTasks(scan.Directories.size(), DirectoryBatch, makeItems), [] {});
    // Few as a rule, and sorted after the rest whatever their place: made in walk order here.
    for (TScannedDirectory* directory : scan.Directories) {
        for (std::size_t file = 0; file < directory->DstFiles.size(); ++file) {
            const TScannedDirectory::TDestinationFile& facts = directory->DstFiles[file];
            if (facts.Taken)
                continue;
            TCompareItem& item = Items.emplace_back();
            item.Path.append(*directory->DstRelative).append(directory->DstName(file));
            TPairRules::JudgeDestinationOnly(item, TSideFacts{facts.Size, facts.LastWriteTime}, facts.Identity);
        }
        ReleaseMemory(directory->DstFiles);
        ReleaseMemory(directory->DstNames);
    }
    scan.Release();
    // The sort's keys come next; the pages the walk used are better given back first: left
    // in the arenas of other threads they add to the peak.
    ReturnFreeMemory();
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

void TItemAssembly::Sort(TWorkPool& pool)
{
    // The paths lie below one root, so collating them gives the order of the whole paths.
    // Keys are built once, by every thread with its own locale rules: the
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
            rules.AppendSortKey(Items[i].Path, block);
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

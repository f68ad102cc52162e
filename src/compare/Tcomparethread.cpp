#include "compare/Tcomparethread.h"

#include <algorithm>
#include <numeric>

#include "sys/Mysysutils.h"
#include "sys/Tfilesystem.h"
#include "sys/Tlocalerules.h"

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
    ScanDirectory({});
}

void TCompareThread::Run()
{
    ClassifyItems();
    if (!Terminated())
        SortItems();
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

void TCompareThread::ScanDirectory(const std::string& relativeDirectory)
{
    const std::string rel = relativeDirectory.empty() ? std::string() : WithTrailingDelimiter(relativeDirectory);
    const std::string srcDir = SrcRoot + rel;
    const std::string dstDir = DstRoot + rel;

    // The whole listing is read before descending, so a deep tree never holds one open
    // directory per level; the order of the items is the same.
    const std::vector<TDirectoryEntry> entries = FileSystem.List(srcDir);
    for (const TDirectoryEntry& entry : entries) {
        if (Terminated())
            return;
        if (entry.Name == "." || entry.Name == "..")
            continue;
        if (entry.Facts.IsDirectory) {
            if (Options.IncludeSubDirs)
                ScanDirectory(rel + entry.Name);
            continue;
        }
        if (!PassesMasks(entry.Name))
            continue;
        TCompareItem& item = Items.emplace_back();
        item.SrcPath = srcDir + entry.Name;
        item.DstPath = dstDir + entry.Name;
        item.SizeRemainder = entry.Facts.Size;
        item.TimeRemainder = entry.Facts.LastWriteTime;
    }
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

void TCompareThread::ClassifyItems()
{
    const auto total = static_cast<std::int32_t>(Items.size());
    std::int32_t done = 0;
    // Dropped items are squeezed out as we go: erasing one at a time would be quadratic.
    std::size_t kept = 0;
    std::size_t i = 0;
    TLookupCache lookups;
    for (; i < Items.size(); ++i) {
        if (Terminated())
            break;
        TCompareItem& item = Items[i];
        ClassifyItem(item, lookups);
        if (Options.ShowNotModified || item.Result != TCompareResult::NotModified) {
            if (kept != i)
                Items[kept] = std::move(item);
            ++kept;
        }
        ++done;
        Progress(done, total);
    }
    Items.erase(std::move(Items.begin() + static_cast<std::ptrdiff_t>(i), Items.end(),
                          Items.begin() + static_cast<std::ptrdiff_t>(kept)),
                Items.end());
}

void TCompareThread::ClassifyItem(TCompareItem& item, TLookupCache& lookups) const
{
    const std::int64_t sourceSize = item.SizeRemainder;
    const std::int64_t sourceTime = item.TimeRemainder;
    item.SrcSize = sourceSize;
    item.SrcTime = sourceTime;
    const auto destination = FileSystem.Lookup(item.DstPath, lookups);
    if (!destination) {
        item.DstExists = false;
        item.TimeRemainder = 0;
        item.Result = TCompareResult::Created;
        return;
    }
    item.DstExists = true;
    item.DstSize = destination->Size;
    item.DstTime = destination->LastWriteTime;
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

void TCompareThread::SortItems()
{
    // Every path begins with the same source root, so collating the rest gives the same order
    // for less work. Keys are built once: the collator is not asked a million times per sort.
    const TLocaleRules& rules = TLocaleRules::ForThisThread();
    std::vector<std::string> keys(Items.size());
    for (std::size_t i = 0; i < Items.size(); ++i)
        keys[i] = rules.SortKey(std::string_view(Items[i].SrcPath).substr(SrcRoot.size()));

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

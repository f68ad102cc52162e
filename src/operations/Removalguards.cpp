#include "operations/Removalguards.h"

#include <algorithm>
#include <iterator>

const std::vector<TCompareResult>& MirrorKinds()
{
    static const std::vector<TCompareResult> kinds{TCompareResult::Created, TCompareResult::Modified,
                                                   TCompareResult::Moved, TCompareResult::DestinationOnly};
    return kinds;
}

std::vector<TCompareItem> MirrorOrder(const std::vector<TCompareItem>& items, const std::vector<TCompareResult>& kinds)
{
    const auto taken = [&](const TCompareItem& item) {
        return std::find(kinds.begin(), kinds.end(), item.Result) != kinds.end();
    };
    const auto removal = [](const TCompareItem& item) { return item.Result == TCompareResult::DestinationOnly; };
    std::vector<TCompareItem> ordered;
    std::copy_if(items.begin(), items.end(), std::back_inserter(ordered),
                 [&](const TCompareItem& item) { return taken(item) && !removal(item); });
    std::copy_if(items.begin(), items.end(), std::back_inserter(ordered),
                 [&](const TCompareItem& item) { return taken(item) && removal(item); });
    return ordered;
}

std::size_t RemovalCount(const std::vector<TCompareItem>& items)
{
    return static_cast<std::size_t>(std::count_if(items.begin(), items.end(), [](const TCompareItem& item) {
        return item.Result == TCompareResult::DestinationOnly;
    }));
}

std::string SourceRootRefusal(const std::string& sourceRoot, const TFileFactsSource& fileSystem)
{
    const TDirectoryContents contents = fileSystem.List(sourceRoot);
    const auto named =
        std::count_if(contents.Entries.begin(), contents.Entries.end(),
                      [](const TDirectoryEntry& entry) { return entry.Name != "." && entry.Name != ".."; });
    const std::string removesNothing = ": nothing is removed from the destination.";
    if (contents.Error)
        return "The source folder \"" + sourceRoot + "\" cannot be read (" + contents.Error->Reason() + ")" +
               removesNothing;
    if (named == 0)
        return "The source folder \"" + sourceRoot + "\" is empty" + removesNothing;
    return {};
}

bool RemovesMostFiles(std::size_t removals, std::int64_t destinationFiles)
{
    return removals > 0 && static_cast<std::int64_t>(removals) * 2 > destinationFiles;
}

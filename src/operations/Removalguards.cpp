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

namespace {
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
}  // namespace

TRemovalCheck CheckRemovals(const std::vector<TCompareItem>& items, const std::string& sourceRoot,
                            std::int64_t destinationFiles, const TFileFactsSource& fileSystem)
{
    TRemovalCheck check;
    check.Removals = static_cast<std::size_t>(std::count_if(items.begin(), items.end(), [](const TCompareItem& item) {
        return item.Result == TCompareResult::DestinationOnly;
    }));
    if (check.Removals == 0)
        return check;
    check.Refusal = SourceRootRefusal(sourceRoot, fileSystem);
    check.MostFiles = static_cast<std::int64_t>(check.Removals) * 2 > destinationFiles;
    return check;
}

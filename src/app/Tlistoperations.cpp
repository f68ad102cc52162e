#include "app/Tlistoperations.h"

#include <string>

#include "app/Tresultlist.h"
#include "operations/qt/Toperationsdialog.h"

void PerformOperationsOnRows(TOperationsDialog& dialog, const TResultList& list, const std::vector<TRowRange>& rows,
                             const TTransferRoots& roots, TTransferOptions& switches)
{
    std::vector<std::string> sources;
    std::vector<std::string> destinations;
    std::vector<TSeenFiles> seen;
    const auto count = static_cast<std::size_t>(RowCountOf(rows));
    sources.reserve(count);
    destinations.reserve(count);
    seen.reserve(count);
    for (const TRowRange& range : rows)
        for (int row = range.First; row <= range.Last; ++row) {
            const TCompareItem& item = list.Item(row);
            sources.push_back(item.SrcPath);
            destinations.push_back(item.DstPath);
            seen.push_back(SeenFiles(item));
        }
    dialog.SetSwitches(switches);
    dialog.Execute(sources, destinations, roots, seen);
    switches = dialog.Switches();
}

#include "app/Tlistoperations.h"

#include "app/Tresultlist.h"
#include "operations/qt/Toperationsdialog.h"

void PerformOperationsOnRows(TOperationsDialog& dialog, const TResultList& list, const std::vector<TRowRange>& rows,
                             const TDestinationSide* destination, TTransferOptions& switches)
{
    std::vector<TCompareItem> items;
    items.reserve(static_cast<std::size_t>(RowCountOf(rows)));
    for (const TRowRange& range : rows)
        for (int row = range.First; row <= range.Last; ++row)
            items.push_back(list.Item(row));
    dialog.SetSwitches(switches);
    dialog.Execute(items, list.Roots(), destination);
    switches = dialog.Switches();
}

#include "app/Tlistselection.h"

#include <QItemSelectionModel>
#include <algorithm>

std::vector<TRowRange> SelectedRowRanges(const QItemSelectionModel& selection)
{
    std::vector<TRowRange> ranges;
    const QItemSelection selected = selection.selection();
    ranges.reserve(static_cast<std::size_t>(selected.size()));
    for (const QItemSelectionRange& range : selected)
        if (range.isValid())
            ranges.push_back({range.top(), range.bottom()});
    return MergedRanges(std::move(ranges), selection.model() != nullptr ? selection.model()->rowCount() : 0);
}

std::vector<TRowRange> MergedRanges(std::vector<TRowRange> ranges, int rowCount)
{
    // A range with an end outside the rows is no selection at all, as for Qt.
    std::erase_if(ranges, [&](const TRowRange& range) {
        return range.First < 0 || range.First > range.Last || range.Last >= rowCount;
    });
    // Selections this program sets are in order already; one made with the mouse may not be.
    const auto byFirst = [](const TRowRange& a, const TRowRange& b) { return a.First < b.First; };
    if (!std::is_sorted(ranges.begin(), ranges.end(), byFirst))
        std::sort(ranges.begin(), ranges.end(), byFirst);
    std::vector<TRowRange> merged;
    merged.reserve(ranges.size());
    for (const TRowRange& range : ranges) {
        if (!merged.empty() && range.First <= merged.back().Last + 1)
            merged.back().Last = std::max(merged.back().Last, range.Last);
        else
            merged.push_back(range);
    }
    return merged;
}

std::int64_t RowCountOf(const std::vector<TRowRange>& ranges)
{
    std::int64_t count = 0;
    for (const TRowRange& range : ranges)
        count += range.Last - range.First + 1;
    return count;
}

std::vector<TRowRange> InvertedRanges(const std::vector<TRowRange>& ranges, int rowCount)
{
    std::vector<TRowRange> inverted;
    inverted.reserve(ranges.size() + 1);
    int next = 0;
    for (const TRowRange& range : ranges) {
        if (range.First > next)
            inverted.push_back({next, range.First - 1});
        next = range.Last + 1;
    }
    if (next < rowCount)
        inverted.push_back({next, rowCount - 1});
    return inverted;
}

std::vector<bool> RowFlags(const std::vector<TRowRange>& ranges, int rowCount)
{
    std::vector<bool> flags(static_cast<std::size_t>(rowCount), false);
    for (const TRowRange& range : ranges)
        std::fill(flags.begin() + range.First, flags.begin() + range.Last + 1, true);
    return flags;
}

std::vector<TRowRange> RangesOfFlags(const std::vector<bool>& flags)
{
    std::vector<TRowRange> ranges;
    for (std::size_t i = 0; i < flags.size(); ++i) {
        if (!flags[i])
            continue;
        if (!ranges.empty() && ranges.back().Last + 1 == static_cast<int>(i))
            ranges.back().Last = static_cast<int>(i);
        else
            ranges.push_back({static_cast<int>(i), static_cast<int>(i)});
    }
    return ranges;
}

void SelectRowRanges(QItemSelectionModel& selection, const std::vector<TRowRange>& ranges)
{
    selection.clearSelection();
    if (ranges.empty())
        return;
    const QAbstractItemModel* model = selection.model();
    const int lastColumn = model->columnCount() - 1;
    QItemSelection rows;
    rows.reserve(static_cast<qsizetype>(ranges.size()));
    // Whole-width ranges built here: the Rows flag would merge them one by one.
    for (const TRowRange& range : ranges)
        rows.append(QItemSelectionRange(model->index(range.First, 0), model->index(range.Last, lastColumn)));
    selection.select(rows, QItemSelectionModel::Select);
}

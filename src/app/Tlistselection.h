#pragma once
// Whole-row selections of a flat list, read and written as runs of rows. Qt compares an old
// and a new selection range by range, which is quadratic for scattered selections; these
// helpers always empty the selection before setting a new one, so it never has to.

#include <cstdint>
#include <vector>

class QItemSelectionModel;

struct TRowRange {
    int First;
    int Last;
    bool operator==(const TRowRange&) const = default;
};

// The selected rows as ascending, disjoint, non-adjacent runs.
std::vector<TRowRange> SelectedRowRanges(const QItemSelectionModel& selection);
// The rows of any runs of 0..rowCount-1 as ascending, disjoint, non-adjacent runs; a run that
// reaches outside those rows is dropped, as Qt drops such a selection range.
std::vector<TRowRange> MergedRanges(std::vector<TRowRange> ranges, int rowCount);
std::int64_t RowCountOf(const std::vector<TRowRange>& ranges);
// The rows of 0..rowCount-1 that are in none of the runs.
std::vector<TRowRange> InvertedRanges(const std::vector<TRowRange>& ranges, int rowCount);
// One flag per row, true for a selected one, and back.
std::vector<bool> RowFlags(const std::vector<TRowRange>& ranges, int rowCount);
std::vector<TRowRange> RangesOfFlags(const std::vector<bool>& flags);

// Replaces the selection by these runs of whole rows; the current row stays where it is.
void SelectRowRanges(QItemSelectionModel& selection, const std::vector<TRowRange>& ranges);

#include "dialogs/Titemviewfindlist.h"

#include <QAbstractItemView>
#include <QItemSelectionModel>

TItemViewFindList::TItemViewFindList(QAbstractItemView& view, TCandidateText candidateText)
    : View(view), Candidate(std::move(candidateText))
{}

std::int32_t TItemViewFindList::Count() const { return View.model()->rowCount(View.rootIndex()); }

std::int32_t TItemViewFindList::FocusedRow() const
{
    const QModelIndex current = View.selectionModel()->currentIndex();
    return current.isValid() ? current.row() : -1;
}

bool TItemViewFindList::IsSelected(std::int32_t row) const
{
    return View.selectionModel()->isRowSelected(row, View.rootIndex());
}

std::string_view TItemViewFindList::CandidateText(std::int32_t row, bool absoluteName) const
{
    return Candidate(row, absoluteName);
}

void TItemViewFindList::SelectOnly(const std::vector<std::int32_t>& rows)
{
    QAbstractItemModel& model = *View.model();
    const QModelIndex root = View.rootIndex();
    const int lastColumn = model.columnCount(root) - 1;
    QItemSelection runs;
    for (std::size_t first = 0; first < rows.size();) {
        std::size_t last = first;
        while (last + 1 < rows.size() && rows[last + 1] == rows[last] + 1)
            ++last;
        runs.append(QItemSelectionRange(model.index(rows[first], 0, root), model.index(rows[last], lastColumn, root)));
        first = last + 1;
    }
    // With updates suspended the view does not work out which parts of it to repaint for a
    // change, which for a scattered selection takes longer than the change itself; it is
    // repainted as a whole afterwards.
    QItemSelectionModel& selection = *View.selectionModel();
    View.setUpdatesEnabled(false);
    selection.clearSelection();
    if (!runs.isEmpty())
        selection.select(runs, QItemSelectionModel::Select);
    View.setUpdatesEnabled(true);
}

void TItemViewFindList::FocusRow(std::int32_t row)
{
    const QModelIndex index = View.model()->index(row, 0, View.rootIndex());
    View.selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    View.scrollTo(index, QAbstractItemView::EnsureVisible);
}

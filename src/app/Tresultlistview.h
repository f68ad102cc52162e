#pragma once
// The report view of the result list. It keeps the selection as runs of rows, read from the
// selection model once and kept until the selection or the rows change: reading a scattered
// selection of half a million runs back from Qt costs a tenth of a second, and painting,
// the commands' state and Invert each needed it. A row's selection is painted from the runs:
// Qt asks the selection model once per cell, and each question walks every run.
// Ctrl+C belongs to the window's Copy command; while that is disabled, with nothing selected,
// the key reaches the view, which passes it on instead of copying its current cell.
// The context menu belongs to the window; asked for from the keyboard, by the Menu key or by
// Shift+F10, it opens at the current row rather than wherever the mouse pointer is.
// However small its window is made, the view keeps its header, a few rows and two columns in sight.

#include <QTreeView>
#include <optional>
#include <vector>

#include "app/Tlistselection.h"

class TResultListView : public QTreeView {
    Q_OBJECT
public:
    explicit TResultListView(QWidget* parent = nullptr);

    // The selected rows as ascending, disjoint, non-adjacent runs.
    const std::vector<TRowRange>& SelectedRuns() const;
    // Replaces the selection by these runs of whole rows, as one change; the current row stays.
    void SelectRuns(const std::vector<TRowRange>& runs);

    void setModel(QAbstractItemModel* model) override;
    QSize minimumSizeHint() const override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;

private:
    bool RowSelected(int row) const;
    // Where a menu opened from the keyboard goes: below the start of the current row when it is
    // in sight, else the top left corner of the rows; in the view's own coordinates.
    QPoint KeyboardMenuPlace() const;

    // The selection as runs while it is known to be the selection model's; reset by every
    // change of the selection and of the rows, which may move or drop selected rows.
    mutable std::optional<std::vector<TRowRange>> KnownSelection;
    std::vector<QMetaObject::Connection> RowWatches;
};

#pragma once
// The report view of the result list. It paints a row's selection from the selected runs
// taken once per paint: Qt asks the selection model once per cell, and each question walks
// every run, so a scattered selection of half a million runs took seconds to paint.
// Ctrl+C belongs to the window's Copy command; while that is disabled, with nothing selected,
// the key reaches the view, which passes it on instead of copying its current cell.

#include <QTreeView>
#include <vector>

#include "app/Tlistselection.h"

class TResultListView : public QTreeView {
    Q_OBJECT
public:
    explicit TResultListView(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;

private:
    bool RowSelected(int row) const;

    // The selected runs while a paint event lasts.
    std::vector<TRowRange> PaintedSelection;
};

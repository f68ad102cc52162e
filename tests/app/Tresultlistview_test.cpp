#include <gtest/gtest.h>

#include <QImage>
#include <QItemSelectionModel>

#include "app/Tresultlistmodel.h"
#include "app/Tresultlistview.h"

TEST(ResultListView, PaintsSelectedRowsHighlightedAndOthersPlain)
{
    TResultListModel model;
    std::vector<TCompareItem> items(8);
    for (std::size_t i = 0; i < items.size(); ++i)
        items[i].SrcPath = "/d/file" + std::to_string(i);
    model.Fill(items);
    TResultListView view;
    view.setModel(&model);
    view.setRootIsDecorated(false);
    view.setSelectionBehavior(QAbstractItemView::SelectRows);
    view.resize(600, 400);
    // Scattered runs, one of them the last row, and a current row that is not selected.
    SelectRowRanges(*view.selectionModel(), {{1, 1}, {3, 4}, {7, 7}});
    view.selectionModel()->setCurrentIndex(model.index(6, 0), QItemSelectionModel::NoUpdate);

    const QImage painted = view.viewport()->grab().toImage();
    const QColor highlight = view.palette().color(QPalette::Active, QPalette::Highlight);
    for (int row = 0; row < model.rowCount(); ++row) {
        // The right end of the Extension cell holds no text.
        const QRect cell = view.visualRect(model.index(row, 2));
        const QColor color = painted.pixelColor(cell.right() - 3, cell.center().y());
        const bool selected = row == 1 || row == 3 || row == 4 || row == 7;
        EXPECT_EQ(color == highlight, selected) << "row " << row << " painted " << color.name().toStdString();
    }
}

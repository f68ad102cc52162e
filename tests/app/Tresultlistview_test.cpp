#include <gtest/gtest.h>

#include <QImage>
#include <QItemSelectionModel>
#include <QTest>
#include <functional>

#include "app/Tresultlistmodel.h"
#include "app/Tresultlistview.h"

TEST(ResultListView, PaintsSelectedRowsHighlightedAndOthersPlain)
{
    TResultListModel model;
    std::vector<TCompareItem> items(8);
    for (std::size_t i = 0; i < items.size(); ++i)
        items[i].Path = "d/file" + std::to_string(i);
    model.Fill(items, {"/", "/dst"});
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

TEST(ResultListView, KnowsTheSelectionThroughEveryChangeOfSelectionAndRows)
{
    TResultListModel model;
    const auto fill = [&](int rows) {
        std::vector<TCompareItem> items(static_cast<std::size_t>(rows));
        for (std::size_t i = 0; i < items.size(); ++i)
            items[i].Path = "d/file" + std::to_string(i) + (i % 2 == 0 ? ".txt" : ".log");
        model.Fill(std::move(items), {"/", "/dst"});
    };
    fill(10);
    TResultListView view;
    view.setModel(&model);
    view.setSelectionMode(QAbstractItemView::ExtendedSelection);
    view.setSelectionBehavior(QAbstractItemView::SelectRows);
    view.resize(600, 400);
    view.show();
    // Each change comes after the runs were read, so that runs kept from before it would show.
    const auto change = [&](const char* what, const std::function<void()>& make) {
        view.SelectedRuns();
        make();
        EXPECT_EQ(view.SelectedRuns(), SelectedRowRanges(*view.selectionModel())) << what;
    };

    change("runs given out of order, adjacent, and beyond the rows", [&] {
        view.SelectRuns({{5, 6}, {1, 2}, {3, 3}, {8, 20}});
    });
    EXPECT_EQ(view.SelectedRuns(), (std::vector<TRowRange>{{1, 3}, {5, 6}}));
    change("a click", [&] {
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, view.visualRect(model.index(7, 0)).center());
    });
    EXPECT_EQ(view.SelectedRuns(), (std::vector<TRowRange>{{7, 7}}));
    change("Shift+Down", [&] { QTest::keyClick(&view, Qt::Key_Down, Qt::ShiftModifier); });
    change("Ctrl+click", [&] {
        QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::ControlModifier,
                          view.visualRect(model.index(2, 0)).center());
    });
    EXPECT_EQ(view.SelectedRuns(), (std::vector<TRowRange>{{2, 2}, {7, 8}}));
    change("the rows reversed", [&] { model.Reorder({9, 8, 7, 6, 5, 4, 3, 2, 1, 0}); });
    EXPECT_EQ(view.SelectedRuns(), (std::vector<TRowRange>{{1, 2}, {7, 7}}));
    change("select all", [&] { view.selectAll(); });
    change("a filter", [&] { model.SetFilter(TListFilter("*.txt")); });
    change("runs again", [&] { view.SelectRuns({{0, 0}, {3, 4}}); });
    change("another selection model", [&] { view.setSelectionModel(new QItemSelectionModel(&model, &view)); });
    change("runs on it", [&] { view.SelectRuns({{0, 0}, {3, 4}}); });
    change("rows removed", [&] { model.RemoveFlaggedRows({true, false, false, true, false}); });
    change("a new fill", [&] {
        view.SelectRuns({{0, 0}});
        fill(3);
    });
}

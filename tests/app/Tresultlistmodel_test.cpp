#include <gtest/gtest.h>

#include <QAbstractItemModelTester>

#include "app/Tlistfilter.h"
#include "app/Tresultlistmodel.h"

namespace {
TCompareItem Item(const std::string& path, std::int64_t size, bool dstExists, std::int64_t days,
                  TCompareResult result = TCompareResult::Modified)
{
    TCompareItem item;
    item.Path = path;
    item.SizeRemainder = size;
    item.SetSeen(TSideFacts{}, dstExists ? std::optional(TSideFacts{}) : std::nullopt);
    item.TimeRemainder = days * 864'000'000'000LL;
    item.Result = result;
    return item;
}

// "/a" is the source path of Item("a").
const TCompareRoots Roots{"/", "/dst"};

QString Cell(const TResultListModel& model, int row, int column)
{
    return model.data(model.index(row, column)).toString();
}

QStringList RowTexts(const TResultListModel& model, int row)
{
    QStringList texts;
    for (int column = 0; column < model.columnCount(); ++column)
        texts << Cell(model, row, column);
    return texts;
}
}  // namespace

TEST(ResultListModel, ShowsTheSixTextsOfEachRowAsFilled)
{
    TResultListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.Fill({Item("Data/Docs/report.final.txt", 1234, true, -3),
                Item("readme", -512, false, 0, TCompareResult::Created),
                Item("a.b/archive.tar.gz", 0, true, 0, TCompareResult::NotModified),
                Item("a.b/Makefile", 1000, true, 2, TCompareResult::Unknown),
                Item("x/Ärger.TXT", -100, true, 0, TCompareResult::Ambiguous)},
               Roots);
    ASSERT_EQ(model.rowCount(), 5);
    EXPECT_EQ(RowTexts(model, 0),
              (QStringList{QStringLiteral("report.final.txt"), QStringLiteral("/Data/Docs"), QStringLiteral(".txt"),
                           QStringLiteral("+1,234 bytes"), QStringLiteral("-3 days"), QStringLiteral("Modified")}));
    EXPECT_EQ(RowTexts(model, 1),
              (QStringList{QStringLiteral("readme"), QStringLiteral("/"), QString(), QStringLiteral("-512 bytes"),
                           QStringLiteral("None"), QStringLiteral("Created")}));
    EXPECT_EQ(RowTexts(model, 2),
              (QStringList{QStringLiteral("archive.tar.gz"), QStringLiteral("/a.b"), QStringLiteral(".gz"),
                           QStringLiteral("+0 bytes"), QStringLiteral("+0 days"), QStringLiteral("Not modified")}));
    EXPECT_EQ(RowTexts(model, 3),
              (QStringList{QStringLiteral("Makefile"), QStringLiteral("/a.b"), QString(),
                           QStringLiteral("+1,000 bytes"), QStringLiteral("+2 days"), QStringLiteral("(Unknown)")}));
    EXPECT_EQ(Cell(model, 4, 0), QString::fromUtf8("Ärger.TXT"));
    EXPECT_EQ(Cell(model, 4, 3), QStringLiteral("-100 bytes"));
    EXPECT_EQ(Cell(model, 4, 5), QStringLiteral("Ambiguous"));
    EXPECT_EQ(model.Roots().DestinationPath(model.Row(1).Item), "/dst/readme");
}

TEST(ResultListModel, AMovedRowNamesItsOldPlaceAndADestinationOnlyRowItsDestinationFolder)
{
    TResultListModel model;
    TCompareItem moved = Item("new/a.txt", 5, false, 0, TCompareResult::Moved);
    moved.SetMovedFrom("old/a.txt", {3, 40}, 5);
    model.Fill({moved, Item("x/b.txt", -7, true, 0, TCompareResult::DestinationOnly), Item("c", 1, true, 0)}, Roots);
    ASSERT_EQ(model.rowCount(), 3);
    EXPECT_EQ(Cell(model, 0, 5), QStringLiteral("Moved"));
    EXPECT_EQ(model.data(model.index(0, 0), Qt::ToolTipRole).toString(), QStringLiteral("Moved from /dst/old/a.txt"));
    EXPECT_EQ(RowTexts(model, 1).mid(0, 2), (QStringList{QStringLiteral("b.txt"), QStringLiteral("/dst/x")}));
    EXPECT_EQ(Cell(model, 1, 5), QStringLiteral("Only in destination"));
    EXPECT_FALSE(model.data(model.index(1, 0), Qt::ToolTipRole).isValid());
    EXPECT_FALSE(model.data(model.index(2, 0), Qt::ToolTipRole).isValid());
}

TEST(ResultListModel, HasTheColumnsCaptionsAndAlignments)
{
    TResultListModel model;
    const QStringList captions{QStringLiteral("Name"),          QStringLiteral("Directory"),
                               QStringLiteral("Extension"),     QStringLiteral("Size remainder"),
                               QStringLiteral("Time reminder"), QStringLiteral("Result")};
    ASSERT_EQ(model.columnCount(), 6);
    model.Fill({Item("a", 1, true, 1)}, Roots);
    for (int column = 0; column < 6; ++column) {
        EXPECT_EQ(model.headerData(column, Qt::Horizontal).toString(), captions[column]);
        const auto alignment = model.data(model.index(0, column), Qt::TextAlignmentRole).value<Qt::Alignment>();
        EXPECT_EQ(alignment & Qt::AlignHorizontal_Mask, column == 3 || column == 4 ? Qt::AlignRight : Qt::AlignLeft);
    }
    EXPECT_FALSE(model.flags(model.index(0, 0)).testFlag(Qt::ItemIsEditable));
}

TEST(ResultListModel, KeepsItsShapeThroughReorderRemovalAndClear)
{
    TResultListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.Fill({Item("d/a", 1, true, 1), Item("d/b", 2, true, 1), Item("d/c", 3, true, 1), Item("d/e", 4, true, 1)},
               Roots);
    const QPersistentModelIndex third = model.index(2, 1);
    model.Reorder({3, 2, 1, 0});
    EXPECT_EQ(Cell(model, 0, 0), QStringLiteral("e"));
    EXPECT_EQ(third.row(), 1);
    EXPECT_EQ(third.column(), 1);
    model.RemoveFlaggedRows({true, false, true, false});
    ASSERT_EQ(model.rowCount(), 2);
    EXPECT_EQ(Cell(model, 0, 0), QStringLiteral("c"));
    EXPECT_EQ(Cell(model, 1, 0), QStringLiteral("a"));
    EXPECT_EQ(model.Row(1).Item.SizeRemainder, 1);
    EXPECT_THROW(model.Reorder({0}), std::invalid_argument);
    model.Clear();
    EXPECT_EQ(model.rowCount(), 0);
    // A cleared list of a million rows must not go on holding their storage.
    EXPECT_EQ(model.StoredRows().capacity(), 0U);
    EXPECT_EQ(model.StorageIndexes().capacity(), 0U);
}

TEST(ResultListModel, ShowsWhatTheFilterLetsThroughWhileSortsRemovalsAndFillsReachEveryRow)
{
    TResultListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    const auto names = [&] {
        QStringList shown;
        for (int row = 0; row < model.rowCount(); ++row)
            shown << Cell(model, row, 0);
        return shown;
    };
    model.Fill({Item("d/a.txt", 1, true, 1), Item("d/b.doc", 2, true, 1), Item("d/c.txt", 3, true, 1),
                Item("d/d.doc", 4, true, 1), Item("d/e.txt", 5, true, 1)},
               Roots);
    model.SetFilter(TListFilter("*.txt"));
    EXPECT_EQ(names(), (QStringList{QStringLiteral("a.txt"), QStringLiteral("c.txt"), QStringLiteral("e.txt")}));
    EXPECT_EQ(model.TotalCount(), 5);
    EXPECT_EQ(model.Row(2).Item.SizeRemainder, 5);

    // A new order is one of the whole list; the shown rows follow it.
    const QPersistentModelIndex first = model.index(0, 3);
    model.Reorder({4, 3, 2, 1, 0});
    EXPECT_EQ(names(), (QStringList{QStringLiteral("e.txt"), QStringLiteral("c.txt"), QStringLiteral("a.txt")}));
    EXPECT_EQ(first.row(), 2);
    EXPECT_EQ(first.column(), 3);
    EXPECT_EQ(model.ShownRowOf(model.StorageIndexOf(1)), 1);
    EXPECT_EQ(model.ShownRowOf(1), -1);  // b.doc is hidden

    // Flags name shown rows; the hidden ones stay.
    model.RemoveFlaggedRows({false, true, false});
    EXPECT_EQ(names(), (QStringList{QStringLiteral("e.txt"), QStringLiteral("a.txt")}));
    model.SetFilter(TListFilter());
    EXPECT_EQ(names(), (QStringList{QStringLiteral("e.txt"), QStringLiteral("d.doc"), QStringLiteral("b.doc"),
                                    QStringLiteral("a.txt")}));

    // The filter stays for the next rows.
    model.SetFilter(TListFilter("*.doc"));
    model.Fill({Item("x.doc", 1, true, 1), Item("y.txt", 1, true, 1)}, Roots);
    EXPECT_EQ(names(), QStringList{QStringLiteral("x.doc")});
    EXPECT_EQ(model.TotalCount(), 2);
    model.Clear();
    EXPECT_EQ(model.Filter().Text(), "*.doc");
}

#pragma once
// The rows of the result list: one vector, each row holding its own copy of a compared item.
// The texts the list shows are made from the item when a cell is painted or exported: a
// million rows of stored texts would double the list's memory for the few dozen on screen.
// The rows stay where the fill put them; the list's order is a vector of their indexes, so a
// sort moves four bytes a row, and rows of one directory stay neighbours in storage whatever
// the order. The quick filter is a view: the model's rows are those it lets through, in list
// order, while a sort orders every row.

#include <QAbstractTableModel>
#include <cstdint>
#include <vector>

#include "app/Tlistfilter.h"
#include "app/Tlistselection.h"
#include "compare/Tcompareitem.h"
#include "compare/Tcompareroots.h"
#include "compare/Tresultrow.h"

struct TResultRow {
    TCompareItem Item;
};

class TResultListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TResultListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    static Qt::Alignment ColumnAlignment(int column);

    // The rows shown: those the filter lets through.
    int Count() const { return static_cast<int>(ShownOrder().size()); }
    // The row shown at a position of the list.
    const TResultRow& Row(int row) const { return Rows[ShownOrder()[static_cast<std::size_t>(row)]]; }
    // Every row, shown or not.
    int TotalCount() const { return static_cast<int>(ListOrder.size()); }
    // Every row in the order of the fill, and for each list position the index of its row there.
    const std::vector<TResultRow>& StoredRows() const { return Rows; }
    const std::vector<std::uint32_t>& StorageIndexes() const { return ListOrder; }

    const TListFilter& Filter() const { return FFilter; }
    // Shows the rows the filter lets through, from the first; the views lose their selection
    // and current row, as with a fill. The filter stays for later fills.
    void SetFilter(TListFilter filter);
    // Runs of shown rows as one flag per stored row, and back: a selection found again after
    // the rows shown or their order changed.
    std::vector<bool> StoredFlags(const std::vector<TRowRange>& shownRows) const;
    std::vector<TRowRange> ShownRanges(const std::vector<bool>& storedFlags) const;
    // The position of a stored row among the shown ones, or -1 when it is not shown.
    int ShownRowOf(std::uint32_t storageIndex) const;
    std::uint32_t StorageIndexOf(int row) const { return ShownOrder()[static_cast<std::size_t>(row)]; }

    // Replaces every row by one per item, in the items' order; the items are taken, not copied.
    // Their paths lie below roots.
    void Fill(std::vector<TCompareItem> items, TCompareRoots roots);
    const TCompareRoots& Roots() const { return FRoots; }
    void Clear();
    // Removes the shown rows flagged true; the others keep their order.
    void RemoveFlaggedRows(const std::vector<bool>& flagged);
    // Position i of the whole list receives the row that stood at order[i]; persistent indexes
    // move with their rows.
    void Reorder(const std::vector<std::uint32_t>& order);
    // Shows the row's texts again as its item gives them.
    void UpdateListItem(int row);

private:
    const std::vector<std::uint32_t>& ShownOrder() const { return FFilter.Active() ? Shown : ListOrder; }

    std::vector<TResultRow> Rows;
    TCompareRoots FRoots;
    std::vector<std::uint32_t> ListOrder;
    TListFilter FFilter;
    // While the filter is active: the storage indexes of the rows shown, in list order.
    std::vector<std::uint32_t> Shown;
};

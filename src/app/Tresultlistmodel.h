#pragma once
// The rows of the result list: one vector, each row holding its own copy of a compared item.
// The texts the list shows are made from the item when a cell is painted or exported: a
// million rows of stored texts would double the list's memory for the few dozen on screen.
// The rows stay where the fill put them; the list's order is a vector of their indexes, so a
// sort moves four bytes a row, and rows of one directory stay neighbours in storage whatever
// the order.

#include <QAbstractTableModel>
#include <cstdint>
#include <vector>

#include "compare/Tcompareitem.h"
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

    int Count() const { return static_cast<int>(ListOrder.size()); }
    // The row at a position of the list.
    const TResultRow& Row(int row) const { return Rows[ListOrder[static_cast<std::size_t>(row)]]; }
    // Every row in the order of the fill, and for each list position the index of its row there.
    const std::vector<TResultRow>& StoredRows() const { return Rows; }
    const std::vector<std::uint32_t>& StorageIndexes() const { return ListOrder; }

    // Replaces every row by one per item, in the items' order.
    void Fill(const std::vector<TCompareItem>& items);
    void Clear();
    // Removes the rows flagged true; the others keep their order.
    void RemoveFlaggedRows(const std::vector<bool>& flagged);
    // Position i receives the row that stood at order[i]; persistent indexes move with their rows.
    void Reorder(const std::vector<std::uint32_t>& order);
    // Shows the row's texts again as its item gives them.
    void UpdateListItem(int row);

private:
    std::vector<TResultRow> Rows;
    std::vector<std::uint32_t> ListOrder;
};

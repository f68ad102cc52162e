#include "app/Tresultlistmodel.h"

#include <stdexcept>

#include "sys/Memoryhints.h"

TResultListModel::TResultListModel(QObject* parent) : QAbstractTableModel(parent) {}

int TResultListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : Count(); }

int TResultListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(ResultColumnCount);
}

Qt::Alignment TResultListModel::ColumnAlignment(int column)
{
    const auto kind = static_cast<TResultColumn>(column);
    const bool isNumber = kind == TResultColumn::SizeRemainder || kind == TResultColumn::TimeRemainder;
    return (isNumber ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
}

QVariant TResultListModel::data(const QModelIndex& index, int role) const
{
    // An empty list that has the focus is asked about its current index, which is none.
    if (!index.isValid() || !checkIndex(index, CheckIndexOption::ParentIsInvalid))
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(ResultRowText(Row(index.row()).Item, static_cast<TResultColumn>(index.column())));
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(ColumnAlignment(index.column()));
    default:
        return {};
    }
}

QVariant TResultListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= static_cast<int>(ResultColumnCount))
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(ResultColumnCaptions()[static_cast<std::size_t>(section)]);
    case Qt::TextAlignmentRole:
        // Captions start at the left, so that a narrow column cuts off their end, not their start.
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    default:
        return {};
    }
}

Qt::ItemFlags TResultListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
}

void TResultListModel::Fill(const std::vector<TCompareItem>& items)
{
    if (items.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        throw std::length_error("The list cannot hold that many items.");
    beginResetModel();
    try {
        Rows.clear();
        ListOrder.clear();
        Rows.reserve(items.size());
        PreferLargePages(Rows.data(), items.size() * sizeof(TResultRow));
        ListOrder.reserve(items.size());
        for (const TCompareItem& item : items) {
            ListOrder.push_back(static_cast<std::uint32_t>(Rows.size()));
            Rows.push_back({item});
        }
    } catch (...) {
        Rows.clear();
        ListOrder.clear();
        endResetModel();
        throw;
    }
    endResetModel();
}

void TResultListModel::Clear()
{
    beginResetModel();
    Rows = {};
    ListOrder = {};
    endResetModel();
}

void TResultListModel::RemoveFlaggedRows(const std::vector<bool>& flagged)
{
    // One reset instead of one removal per run of rows: a scattered selection would otherwise
    // cost a pass over the whole list per run.
    std::vector<bool> removed(Rows.size(), false);
    for (std::size_t i = 0; i < ListOrder.size() && i < flagged.size(); ++i)
        removed[ListOrder[i]] = flagged[i];
    beginResetModel();
    std::vector<std::uint32_t> newIndex(Rows.size());
    std::size_t kept = 0;
    for (std::size_t i = 0; i < Rows.size(); ++i) {
        if (removed[i])
            continue;
        if (kept != i)
            Rows[kept] = std::move(Rows[i]);
        newIndex[i] = static_cast<std::uint32_t>(kept++);
    }
    Rows.resize(kept);
    std::vector<std::uint32_t> order;
    order.reserve(kept);
    for (const std::uint32_t index : ListOrder)
        if (!removed[index])
            order.push_back(newIndex[index]);
    ListOrder.swap(order);
    endResetModel();
}

void TResultListModel::Reorder(const std::vector<std::uint32_t>& order)
{
    if (order.size() != ListOrder.size())
        throw std::invalid_argument("A new order must name every row once.");
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newPosition(order.size());
    std::vector<std::uint32_t> reordered(order.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        reordered[i] = ListOrder[order[i]];
        newPosition[order[i]] = static_cast<int>(i);
    }
    ListOrder.swap(reordered);
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& index : from)
        to.append(index.isValid() ? this->index(newPosition[static_cast<std::size_t>(index.row())], index.column())
                                  : QModelIndex());
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void TResultListModel::UpdateListItem(int row)
{
    emit dataChanged(index(row, 0), index(row, static_cast<int>(ResultColumnCount) - 1));
}

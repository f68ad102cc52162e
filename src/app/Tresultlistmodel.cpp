#include "app/Tresultlistmodel.h"

#include <algorithm>
#include <stdexcept>

#include "sys/Memoryhints.h"

namespace {
// The entries of the order whose stored row is flagged, in that order.
template <class TFlags>
std::vector<std::uint32_t> FlaggedOf(const std::vector<std::uint32_t>& order, const TFlags& flags)
{
    std::vector<std::uint32_t> flagged;
    for (const std::uint32_t index : order)
        if (flags[index])
            flagged.push_back(index);
    return flagged;
}
}  // namespace

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
        return QString::fromStdString(
            ResultRowText(Row(index.row()).Item, FRoots, static_cast<TResultColumn>(index.column())));
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(ColumnAlignment(index.column()));
    case Qt::ToolTipRole: {
        const TCompareItem& item = Row(index.row()).Item;
        if (item.MovedFrom().empty())
            return {};
        return QString::fromStdString("Moved from " + FRoots.DestinationPath(item.MovedFrom()));
    }
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

void TResultListModel::Fill(std::vector<TCompareItem> items, TCompareRoots roots)
{
    if (items.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        throw std::length_error("The list cannot hold that many items.");
    beginResetModel();
    try {
        Rows.clear();
        ListOrder.clear();
        FRoots = std::move(roots);
        Rows.reserve(items.size());
        PreferLargePages(Rows.data(), items.size() * sizeof(TResultRow));
        ListOrder.reserve(items.size());
        for (TCompareItem& item : items) {
            ListOrder.push_back(static_cast<std::uint32_t>(Rows.size()));
            Rows.push_back({std::move(item)});
        }
        Shown =
            FFilter.Active() ? FlaggedOf(ListOrder, FFilter.PassingRows(Rows, FRoots)) : std::vector<std::uint32_t>{};
    } catch (...) {
        Rows.clear();
        ListOrder.clear();
        Shown.clear();
        endResetModel();
        throw;
    }
    endResetModel();
}

void TResultListModel::Clear()
{
    beginResetModel();
    ReleaseMemory(Rows);
    ReleaseMemory(ListOrder);
    ReleaseMemory(Shown);
    endResetModel();
}

void TResultListModel::SetFilter(TListFilter filter)
{
    if (filter.Text() == FFilter.Text())
        return;
    std::vector<std::uint32_t> shown =
        filter.Active() ? FlaggedOf(ListOrder, filter.PassingRows(Rows, FRoots)) : std::vector<std::uint32_t>{};
    beginResetModel();
    FFilter = std::move(filter);
    Shown.swap(shown);
    endResetModel();
}

std::vector<bool> TResultListModel::StoredFlags(const std::vector<TRowRange>& shownRows) const
{
    std::vector<bool> flags(Rows.size(), false);
    const std::vector<std::uint32_t>& shown = ShownOrder();
    for (const TRowRange& range : shownRows)
        for (int row = range.First; row <= range.Last; ++row)
            flags[shown[static_cast<std::size_t>(row)]] = true;
    return flags;
}

std::vector<TRowRange> TResultListModel::ShownRanges(const std::vector<bool>& storedFlags) const
{
    const std::vector<std::uint32_t>& shown = ShownOrder();
    std::vector<bool> flags(shown.size());
    for (std::size_t i = 0; i < shown.size(); ++i)
        flags[i] = storedFlags[shown[i]];
    return RangesOfFlags(flags);
}

int TResultListModel::ShownRowOf(std::uint32_t storageIndex) const
{
    const std::vector<std::uint32_t>& shown = ShownOrder();
    const auto found = std::find(shown.begin(), shown.end(), storageIndex);
    return found == shown.end() ? -1 : static_cast<int>(found - shown.begin());
}

void TResultListModel::RemoveFlaggedRows(const std::vector<bool>& flagged)
{
    // One reset instead of one removal per run of rows: a scattered selection would otherwise
    // cost a pass over the whole list per run.
    const std::vector<std::uint32_t>& shown = ShownOrder();
    std::vector<bool> removed(Rows.size(), false);
    for (std::size_t i = 0; i < shown.size() && i < flagged.size(); ++i)
        removed[shown[i]] = flagged[i];
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
    const auto keptOf = [&](const std::vector<std::uint32_t>& order) {
        std::vector<std::uint32_t> result;
        result.reserve(order.size());
        for (const std::uint32_t index : order)
            if (!removed[index])
                result.push_back(newIndex[index]);
        return result;
    };
    ListOrder = keptOf(ListOrder);
    Shown = keptOf(Shown);
    endResetModel();
}

void TResultListModel::Reorder(const std::vector<std::uint32_t>& order)
{
    if (order.size() != ListOrder.size())
        throw std::invalid_argument("A new order must name every row once.");
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList from = persistentIndexList();
    std::vector<std::uint32_t> storageOfFrom;
    storageOfFrom.reserve(static_cast<std::size_t>(from.size()));
    for (const QModelIndex& index : from)
        storageOfFrom.push_back(index.isValid() ? StorageIndexOf(index.row()) : 0);

    std::vector<std::uint32_t> reordered(order.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        reordered[i] = ListOrder[order[i]];
    ListOrder.swap(reordered);
    if (FFilter.Active()) {
        std::vector<bool> shown(Rows.size(), false);
        for (const std::uint32_t index : Shown)
            shown[index] = true;
        Shown = FlaggedOf(ListOrder, shown);
    }

    QModelIndexList to;
    to.reserve(from.size());
    if (!from.isEmpty()) {
        std::vector<int> rowOfStored(Rows.size(), -1);
        const std::vector<std::uint32_t>& now = ShownOrder();
        for (std::size_t i = 0; i < now.size(); ++i)
            rowOfStored[now[i]] = static_cast<int>(i);
        for (qsizetype i = 0; i < from.size(); ++i)
            to.append(from[i].isValid()
                          ? index(rowOfStored[storageOfFrom[static_cast<std::size_t>(i)]], from[i].column())
                          : QModelIndex());
    }
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void TResultListModel::UpdateListItem(int row)
{
    emit dataChanged(index(row, 0), index(row, static_cast<int>(ResultColumnCount) - 1));
}

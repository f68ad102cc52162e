#include "app/Tresultlist.h"

#include <QApplication>
#include <QHeaderView>
#include <QStyle>
#include <algorithm>

#include "app/Tlistfilterfield.h"
#include "app/Tresultlistview.h"
#include "dialogs/Tmessenger.h"
#include "sys/Mysysutils.h"
#include "sys/Tfilesystem.h"
#include "sys/Tshell.h"

namespace {
// The sort key of each column, in column order.
constexpr TSortCode ColumnSortKeys[] = {SortCode::Name,          SortCode::Directory,     SortCode::Extension,
                                        SortCode::SizeRemainder, SortCode::TimeRemainder, SortCode::Result};

// The busy cursor for as long as it lives.
class TBusyCursor {
public:
    TBusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TBusyCursor() { QApplication::restoreOverrideCursor(); }
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;
};

}  // namespace

// No repainting of the list, and one notice of a changed selection at the end instead of one
// per step (clearing, then selecting, would update every command twice), for as long as it lives.
class TResultList::TBulkUpdate {
public:
    explicit TBulkUpdate(TResultList& list) : List(list), WasEnabled(list.ListView1->updatesEnabled())
    {
        List.ListView1->setUpdatesEnabled(false);
        ++List.HeldSelectionNotices;
    }
    ~TBulkUpdate()
    {
        List.ListView1->setUpdatesEnabled(WasEnabled);
        if (--List.HeldSelectionNotices == 0 && List.SelectionChangedMeanwhile) {
            List.SelectionChangedMeanwhile = false;
            List.NoticeSelectionChange();
        }
    }
    TBulkUpdate(const TBulkUpdate&) = delete;
    TBulkUpdate& operator=(const TBulkUpdate&) = delete;

private:
    TResultList& List;
    bool WasEnabled;
};

TResultList::TResultList(TMessenger& messenger, TShell& shell, QWidget* parent)
    : Messenger(messenger), Shell(shell), ListView1(new TResultListView(parent))
{
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setAccessibleName(QCoreApplication::translate("TResultList", "Result list"));
    ListView1->setModel(&Model);
    ListView1->setUniformRowHeights(true);
    ListView1->setRootIsDecorated(false);
    ListView1->setItemsExpandable(false);
    ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setAllColumnsShowFocus(true);
    ListView1->setSortingEnabled(false);
    ListView1->setTextElideMode(Qt::ElideRight);
    QHeaderView* header = ListView1->header();
    header->setSectionsClickable(true);
    // The indicator shows the last sort until a fill brings rows in the comparison's order.
    header->setSortIndicatorShown(true);
    header->setSortIndicator(-1, Qt::AscendingOrder);
    header->setSectionsMovable(false);
    header->setStretchLastSection(false);
    QObject::connect(header, &QHeaderView::sectionClicked, ListView1, [this](int column) {
        if (OnColumnClick)
            OnColumnClick(column);
    });
    QObject::connect(ListView1->selectionModel(), &QItemSelectionModel::selectionChanged, ListView1, [this] {
        if (HeldSelectionNotices > 0)
            SelectionChangedMeanwhile = true;
        else
            NoticeSelectionChange();
    });
}

void TResultList::NoticeSelectionChange() const
{
    if (OnSelectItem)
        OnSelectItem();
}

TResultList::~TResultList()
{
    // The view shows this list's rows and reports to it, so it must not outlive it.
    delete ListView1;
}

std::vector<TRowRange> TResultList::SelectedRows() const { return ListView1->SelectedRuns(); }

std::vector<TRowRange> TResultList::AllRows() const
{
    return Model.Count() > 0 ? std::vector<TRowRange>{{0, Model.Count() - 1}} : std::vector<TRowRange>{};
}

void TResultList::Fill(std::vector<TCompareItem> items)
{
    TBulkUpdate bulk(*this);
    Model.Fill(std::move(items));
    ShowSortIndicator(std::nullopt);
    if (Model.Count() > 0) {
        ListView1->selectionModel()->clearSelection();
        ListView1->selectionModel()->setCurrentIndex(Model.index(0, 0), QItemSelectionModel::NoUpdate);
    }
    ListView1->setFocus();
}

void TResultList::Clear()
{
    Model.Clear();
    ShowSortIndicator(std::nullopt);
}

void TResultList::CopyNames(TRowNames names)
{
    std::string text;
    for (const TRowRange& range : SelectedRows())
        for (int row = range.First; row <= range.Last; ++row) {
            const TCompareItem& item = Item(row);
            if ((names & rnSource) != 0)
                text += item.SrcPath + "\r\n";
            if ((names & rnDestination) != 0)
                text += item.DstPath + "\r\n";
        }
    Shell.SetClipboardText(text);
}

bool TResultList::DeleteSelected()
{
    if (!Messenger.Confirm("Delete the selected items?"))
        return false;
    const std::vector<TRowRange> selected = SelectedRows();
    const std::vector<bool> removed = RowFlags(selected, Model.Count());
    // The focus goes to the row that now stands where the focused one stood.
    int current = ListView1->selectionModel()->currentIndex().row();
    if (current >= 0)
        current -= static_cast<int>(std::count(removed.begin(), removed.begin() + current, true));
    {
        TBulkUpdate bulk(*this);
        ListView1->selectionModel()->clearSelection();
        Model.RemoveFlaggedRows(removed);
    }
    if (current >= 0 && Model.Count() > 0) {
        const QModelIndex focused = Model.index(std::min(current, Model.Count() - 1), 0);
        ListView1->selectionModel()->setCurrentIndex(focused, QItemSelectionModel::NoUpdate);
        ListView1->scrollTo(focused);
    }
    return true;
}

void TResultList::Select(TSelectCommand command)
{
    TBulkUpdate bulk(*this);
    switch (command) {
    case slAll:
        ListView1->SelectRuns(AllRows());
        break;
    case slNone:
        ListView1->selectionModel()->clearSelection();
        break;
    case slInvert:
        ListView1->SelectRuns(InvertedRanges(ListView1->SelectedRuns(), Model.Count()));
        break;
    }
}

void TResultList::KeepSelectedRows(const std::function<void()>& moveRows)
{
    // The selection moves with its rows as flags: Qt would track every selected row by a
    // persistent index and come out with one range per row.
    const std::vector<bool> selected = Model.StoredFlags(ListView1->SelectedRuns());
    ListView1->selectionModel()->clearSelection();
    moveRows();
    ListView1->SelectRuns(Model.ShownRanges(selected));
}

void TResultList::SortList(TSortCode code)
{
    TBusyCursor busy;
    const TListSorter sorter(Model, code);
    const std::vector<std::uint32_t> order = sorter.Order();
    TBulkUpdate bulk(*this);
    KeepSelectedRows([&] { Model.Reorder(order); });
    ShowSortIndicator(code);
}

void TResultList::ShowSortIndicator(std::optional<TSortCode> code)
{
    const TSortCode key = code.value_or(0) & ~SortCode::Descending;
    const auto* column = std::find(std::begin(ColumnSortKeys), std::end(ColumnSortKeys), key);
    // The absolute name has no column of its own, so that sort shows none.
    ListView1->header()->setSortIndicator(
        column != std::end(ColumnSortKeys) ? static_cast<int>(column - std::begin(ColumnSortKeys)) : -1,
        (code.value_or(0) & SortCode::Descending) != 0 ? Qt::DescendingOrder : Qt::AscendingOrder);
}

bool TResultList::SetFilter(std::string_view masks)
{
    TListFilter filter(masks);
    if (filter.Text() == Model.Filter().Text())
        return false;
    TBulkUpdate bulk(*this);
    // The current row is found again by its stored row, as the shown rows get new positions.
    QItemSelectionModel& selection = *ListView1->selectionModel();
    const QModelIndex current = selection.currentIndex();
    const std::uint32_t currentRow = current.isValid() ? Model.StorageIndexOf(current.row()) : 0;
    KeepSelectedRows([&] { Model.SetFilter(std::move(filter)); });
    const int row = current.isValid() ? Model.ShownRowOf(currentRow) : -1;
    if (Model.Count() > 0) {
        const QModelIndex focused = Model.index(std::max(row, 0), 0);
        selection.setCurrentIndex(focused, QItemSelectionModel::NoUpdate);
        ListView1->scrollTo(focused);
    }
    return true;
}

void TResultList::SortByColumn(int column)
{
    if (column >= 0 && column < static_cast<int>(std::size(ColumnSortKeys)))
        SortList(ColumnSortKeys[column]);
}

void TResultList::ShowSizeRemainders()
{
    std::int64_t count = 0;
    // Unsigned addition wraps as the signed sum would, without overflowing.
    std::uint64_t sum = 0;
    for (const TRowRange& range : SelectedRows())
        for (int row = range.First; row <= range.Last; ++row) {
            ++count;
            sum += static_cast<std::uint64_t>(Item(row).SizeRemainder);
        }
    Messenger.ShowMessage("Size Remainders",
                          "Selected: " + GroupDigits(std::to_string(count)) + " items\r\nSum: " +
                              GroupDigits(std::to_string(static_cast<std::int64_t>(sum))) + " bytes",
                          mkInformation, mbOK);
}

void TResultList::ShellSelectedItem(TRowNames names, TShellAction action)
{
    const std::vector<TRowRange> selected = SelectedRows();
    if (selected.empty())
        return;
    const TCompareItem& item = Item(selected.front().First);
    std::vector<std::string> paths;
    if ((names & rnSource) != 0)
        paths.push_back(item.SrcPath);
    if ((names & rnDestination) != 0)
        paths.push_back(item.DstPath);
    for (const std::string& path : paths) {
        if (!FileExists(path)) {
            Messenger.ShowError("The program cannot find the file: " + path);
            continue;
        }
        if (action == saExplore)
            Shell.ExploreFolder(DirectoryPart(path));
        else
            Shell.ShowProperties(path);
    }
}

int TResultList::ClientWidth() const
{
    // Before the window is first shown Qt has not laid out the viewport yet.
    return ListView1->isVisible() ? ListView1->viewport()->width() : ListView1->maximumViewportSize().width();
}

void TResultList::ResizeColumns()
{
    TBulkUpdate bulk(*this);
    const int share = ClientWidth() / static_cast<int>(ResultColumnCount);
    for (int column = 0; column < static_cast<int>(ResultColumnCount); ++column)
        ListView1->header()->resizeSection(column, share);
}

int TResultList::WidthForCaptions() const
{
    // The columns share the list's width equally, so the widest caption sets every share;
    // two characters more keep captions off their neighbours and leave room for values.
    const QHeaderView* header = ListView1->header();
    int share = 0;
    for (int column = 0; column < static_cast<int>(ResultColumnCount); ++column)
        share = std::max(share, header->sectionSizeHint(column));
    share += 2 * header->fontMetrics().averageCharWidth();
    return static_cast<int>(ResultColumnCount) * share +
           ListView1->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, ListView1) +
           2 * ListView1->frameWidth();
}

std::vector<std::int32_t> TResultList::ColumnWidths() const
{
    std::vector<std::int32_t> widths;
    widths.reserve(ResultColumnCount);
    for (int column = 0; column < static_cast<int>(ResultColumnCount); ++column)
        widths.push_back(ListView1->header()->sectionSize(column));
    return widths;
}

void TResultList::SetColumnWidths(const std::vector<std::int32_t>& widths)
{
    TBulkUpdate bulk(*this);
    for (std::size_t column = 0; column < widths.size() && column < ResultColumnCount; ++column)
        ListView1->header()->resizeSection(static_cast<int>(column), widths[column]);
}

TItemViewFindList TResultList::FindList()
{
    return TItemViewFindList(*ListView1, [this](std::int32_t row, bool absoluteName) -> std::string_view {
        const TCompareItem& item = Item(row);
        return absoluteName ? std::string_view(item.SrcPath) : FileNameView(item.SrcPath);
    });
}

TListFilterField* TResultList::CreateFilterField(QWidget* parent)
{
    return new TListFilterField(
        *ListView1, [this](std::string_view masks) { return SetFilter(masks); }, parent);
}

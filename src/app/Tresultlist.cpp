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
    explicit TBulkUpdate(TResultList& list) : List(list), WasEnabled(list.View->updatesEnabled())
    {
        List.View->setUpdatesEnabled(false);
        ++List.HeldSelectionNotices;
    }
    ~TBulkUpdate()
    {
        List.View->setUpdatesEnabled(WasEnabled);
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
    : Messenger(messenger), Shell(shell), View(new TResultListView(parent))
{
    View->setObjectName(QStringLiteral("ResultListView"));
    View->setAccessibleName(QCoreApplication::translate("TResultList", "Result list"));
    View->setModel(&Model);
    View->setUniformRowHeights(true);
    View->setRootIsDecorated(false);
    View->setItemsExpandable(false);
    View->setSelectionMode(QAbstractItemView::ExtendedSelection);
    View->setSelectionBehavior(QAbstractItemView::SelectRows);
    View->setEditTriggers(QAbstractItemView::NoEditTriggers);
    View->setAllColumnsShowFocus(true);
    View->setSortingEnabled(false);
    View->setTextElideMode(Qt::ElideRight);
    QHeaderView* header = View->header();
    header->setSectionsClickable(true);
    // The indicator shows the last sort until a fill brings rows in the comparison's order.
    header->setSortIndicatorShown(true);
    header->setSortIndicator(-1, Qt::AscendingOrder);
    header->setSectionsMovable(false);
    header->setStretchLastSection(false);
    QObject::connect(header, &QHeaderView::sectionClicked, View, [this](int column) {
        if (OnColumnClick)
            OnColumnClick(column);
    });
    QObject::connect(View->selectionModel(), &QItemSelectionModel::selectionChanged, View, [this] {
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
    delete View;
}

std::vector<TRowRange> TResultList::SelectedRows() const { return View->SelectedRuns(); }

std::vector<TRowRange> TResultList::AllRows() const
{
    return Model.Count() > 0 ? std::vector<TRowRange>{{0, Model.Count() - 1}} : std::vector<TRowRange>{};
}

void TResultList::Fill(std::vector<TCompareItem> items, TCompareRoots roots)
{
    TBulkUpdate bulk(*this);
    Model.Fill(std::move(items), std::move(roots));
    ShowSortIndicator(std::nullopt);
    if (Model.Count() > 0) {
        View->selectionModel()->clearSelection();
        View->selectionModel()->setCurrentIndex(Model.index(0, 0), QItemSelectionModel::NoUpdate);
    }
    View->setFocus();
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
                text += Roots().SourcePath(item) + "\r\n";
            if ((names & rnDestination) != 0)
                text += Roots().DestinationPath(item) + "\r\n";
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
    int current = View->selectionModel()->currentIndex().row();
    if (current >= 0)
        current -= static_cast<int>(std::count(removed.begin(), removed.begin() + current, true));
    {
        TBulkUpdate bulk(*this);
        View->selectionModel()->clearSelection();
        Model.RemoveFlaggedRows(removed);
    }
    if (current >= 0 && Model.Count() > 0) {
        const QModelIndex focused = Model.index(std::min(current, Model.Count() - 1), 0);
        View->selectionModel()->setCurrentIndex(focused, QItemSelectionModel::NoUpdate);
        View->scrollTo(focused);
    }
    return true;
}

void TResultList::Select(TSelectCommand command)
{
    TBulkUpdate bulk(*this);
    switch (command) {
    case slAll:
        View->SelectRuns(AllRows());
        break;
    case slNone:
        View->selectionModel()->clearSelection();
        break;
    case slInvert:
        View->SelectRuns(InvertedRanges(View->SelectedRuns(), Model.Count()));
        break;
    }
}

void TResultList::KeepSelectedRows(const std::function<void()>& moveRows)
{
    // The selection moves with its rows as flags: Qt would track every selected row by a
    // persistent index and come out with one range per row.
    const std::vector<bool> selected = Model.StoredFlags(View->SelectedRuns());
    View->selectionModel()->clearSelection();
    moveRows();
    View->SelectRuns(Model.ShownRanges(selected));
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
    View->header()->setSortIndicator(
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
    QItemSelectionModel& selection = *View->selectionModel();
    const QModelIndex current = selection.currentIndex();
    const std::uint32_t currentRow = current.isValid() ? Model.StorageIndexOf(current.row()) : 0;
    KeepSelectedRows([&] { Model.SetFilter(std::move(filter)); });
    const int row = current.isValid() ? Model.ShownRowOf(currentRow) : -1;
    if (Model.Count() > 0) {
        const QModelIndex focused = Model.index(std::max(row, 0), 0);
        selection.setCurrentIndex(focused, QItemSelectionModel::NoUpdate);
        View->scrollTo(focused);
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
        paths.push_back(Roots().SourcePath(item));
    if ((names & rnDestination) != 0)
        paths.push_back(Roots().DestinationPath(item));
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
    return View->isVisible() ? View->viewport()->width() : View->maximumViewportSize().width();
}

void TResultList::ResizeColumns()
{
    TBulkUpdate bulk(*this);
    const int share = ClientWidth() / static_cast<int>(ResultColumnCount);
    for (int column = 0; column < static_cast<int>(ResultColumnCount); ++column)
        View->header()->resizeSection(column, share);
}

int TResultList::WidthForCaptions() const
{
    // The columns share the list's width equally, so the widest caption sets every share;
    // two characters more keep captions off their neighbours and leave room for values.
    const QHeaderView* header = View->header();
    int share = 0;
    for (int column = 0; column < static_cast<int>(ResultColumnCount); ++column)
        share = std::max(share, header->sectionSizeHint(column));
    share += 2 * header->fontMetrics().averageCharWidth();
    return static_cast<int>(ResultColumnCount) * share +
           View->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, View) + 2 * View->frameWidth();
}

std::vector<std::int32_t> TResultList::ColumnWidths() const
{
    std::vector<std::int32_t> widths;
    widths.reserve(ResultColumnCount);
    for (int column = 0; column < static_cast<int>(ResultColumnCount); ++column)
        widths.push_back(View->header()->sectionSize(column));
    return widths;
}

void TResultList::SetColumnWidths(const std::vector<std::int32_t>& widths)
{
    TBulkUpdate bulk(*this);
    for (std::size_t column = 0; column < widths.size() && column < ResultColumnCount; ++column)
        View->header()->resizeSection(static_cast<int>(column), widths[column]);
}

TItemViewFindList TResultList::FindList()
{
    // The whole path is joined into a buffer of the search's own, valid until the next row.
    return TItemViewFindList(
        *View, [this, whole = std::string()](std::int32_t row, bool absoluteName) mutable -> std::string_view {
            const TCompareItem& item = Item(row);
            return absoluteName ? Roots().SourcePath(item, whole) : FileNameView(item.Path);
        });
}

TListFilterField* TResultList::CreateFilterField(QWidget* parent)
{
    return new TListFilterField(
        *View, [this](std::string_view masks) { return SetFilter(masks); }, parent);
}

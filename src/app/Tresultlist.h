#pragma once
// The result list of the main window: the report view over its rows, and the work on
// them that leaves the files alone: filling and emptying, selecting, sorting, copying names to
// the clipboard, removing rows, adding up size differences, and showing a row's folder or its
// file's properties through the desktop.

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "app/Tlistselection.h"
#include "app/Tlistsorter.h"
#include "app/Tresultlistmodel.h"
#include "dialogs/Titemviewfindlist.h"

class QWidget;
class TListFilterField;
class TMessenger;
class TResultListView;
class TShell;

// Which names of a row a command takes.
enum TRowNames : std::int32_t { rnSource = 1, rnDestination = 2, rnBoth = rnSource | rnDestination };
enum TSelectCommand : std::int32_t { slAll, slNone, slInvert };
enum TShellAction : std::int32_t { saExplore, saProperties };

class TResultList {
public:
    // The view becomes a child of parent; messages and the desktop go through the services.
    TResultList(TMessenger& messenger, TShell& shell, QWidget* parent);
    ~TResultList();
    TResultList(const TResultList&) = delete;
    TResultList& operator=(const TResultList&) = delete;

    TResultListView& ListView() const { return *View; }
    const TResultListModel& ListModel() const { return Model; }
    // The rows shown, and all rows with those the filter hides.
    int Count() const { return Model.Count(); }
    int TotalCount() const { return Model.TotalCount(); }
    bool Filtered() const { return Model.Filter().Active(); }
    const TCompareItem& Item(int row) const { return Model.Row(row).Item; }
    // The roots the rows' paths lie below.
    const TCompareRoots& Roots() const { return Model.Roots(); }
    std::vector<TRowRange> SelectedRows() const;
    // Every row as one run; none for an empty list.
    std::vector<TRowRange> AllRows() const;

    // Runs after every change of the selection; once for a change made in several steps.
    std::function<void()> OnSelectItem;
    std::function<void(int column)> OnColumnClick;

    // One row per item in the items' order; none selected, the first one focused.
    void Fill(std::vector<TCompareItem> items, TCompareRoots roots);
    void Clear();
    // The names of the selected rows in list order, each followed by CR LF.
    void CopyNames(TRowNames names);
    // Asks first; true when the selected rows were removed.
    bool DeleteSelected();
    void Select(TSelectCommand command);
    void SortList(TSortCode code);
    // Shows only the rows whose names fit the masks (all rows for none); the selected rows and
    // the current row that stay shown keep their state. False when the masks are those shown.
    bool SetFilter(std::string_view masks);
    // The ascending sort by the key the column shows.
    void SortByColumn(int column);
    void ShowSizeRemainders();
    // The first selected row's names, each in turn, if its file exists.
    void ShellSelectedItem(TRowNames names, TShellAction action);
    // Every column the same share of the list's width.
    void ResizeColumns();
    // The least width of the list at which equal shares fit every column's caption.
    int WidthForCaptions() const;
    std::vector<std::int32_t> ColumnWidths() const;
    void SetColumnWidths(const std::vector<std::int32_t>& widths);
    // The rows as Find searches them.
    TItemViewFindList FindList();
    // The field that narrows the rows shown; a child of parent.
    TListFilterField* CreateFilterField(QWidget* parent);

private:
    class TBulkUpdate;

    int ClientWidth() const;
    // The direction of the sort in the header of its key's column; none for no sort.
    void ShowSortIndicator(std::optional<TSortCode> code);
    void NoticeSelectionChange() const;
    // Runs moveRows, which reorders or refilters the rows, and selects the rows that were
    // selected and are still shown.
    void KeepSelectedRows(const std::function<void()>& moveRows);

    TMessenger& Messenger;
    TShell& Shell;
    TResultListModel Model;
    TResultListView* View;
    // While bulk updates run, a changed selection is noticed once, when the last one ends.
    int HeldSelectionNotices = 0;
    bool SelectionChangedMeanwhile = false;
};

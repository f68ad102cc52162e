#pragma once
// The search behind Find, Find Next and Find Previous: it steps through a list from the
// focused row with wrap-around, selects the rows whose text fits the mask, and focuses the
// first of them. It works through TFindItemList, so any list with rows, a selection and a
// focused row can be searched.

#include <cstdint>
#include <string_view>
#include <vector>

class TFindItemDialog;
class TFindItemOptions;
class TMessenger;

class TFindItemList {
public:
    virtual ~TFindItemList() = default;

    virtual std::int32_t Count() const = 0;
    // The focused row, or -1 when no row has the focus.
    virtual std::int32_t FocusedRow() const = 0;
    virtual bool IsSelected(std::int32_t row) const = 0;
    // The text the mask must fit: the row's item's source path when absoluteName is set,
    // otherwise the file name shown in the row's first column. Read from what the row
    // stores, never formatted again; the view must stay valid until the next call.
    virtual std::string_view CandidateText(std::int32_t row, bool absoluteName) const = 0;
    // Replaces the whole selection by these rows, given in ascending order; none clears it.
    virtual void SelectOnly(const std::vector<std::int32_t>& rows) = 0;
    // Makes the row the focused one and scrolls it entirely into view; the keyboard focus
    // stays where it is.
    virtual void FocusRow(std::int32_t row) = 0;
};

// Searches from the focused row (the one after it when it is selected) in the options'
// direction, looking at each row at most once, and selects the first match or, with FindAll,
// every match; the lowest selected row gets the focus. Without a match the selection is
// empty and "There are no matches." is shown. True when something was found.
bool FindItems(TFindItemList& list, const TFindItemOptions& options, TMessenger& messenger);

enum TSearchCommand : std::int32_t { scFind = 0, scFindNext = 1, scFindPrevious = 2 };

// The three Search commands: Find always asks with the dialog, Find Next and Find Previous
// only while no find has been accepted yet; then the last accepted find runs again, for Find
// Previous in the other direction. A cancelled dialog searches nothing.
void RunSearchCommand(TSearchCommand command, TFindItemDialog& dialog, TFindItemList& list, TMessenger& messenger);

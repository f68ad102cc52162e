#include "dialogs/Tfinditems.h"

#include <algorithm>

#include "dialogs/Tfinditemdialog.h"
#include "dialogs/Tfinditemoptions.h"
#include "dialogs/Tmessenger.h"
#include "sys/Mysysutils.h"

namespace {
// The matches in the order the search met them, which wraps around once, put in ascending order.
void SortWrappedMatches(std::vector<std::int32_t>& matches, bool down)
{
    if (!down)
        std::reverse(matches.begin(), matches.end());
    std::rotate(matches.begin(), std::is_sorted_until(matches.begin(), matches.end()), matches.end());
}
}  // namespace

bool FindItems(TFindItemList& list, const TFindItemOptions& options, TMessenger& messenger)
{
    std::vector<std::int32_t> matches;
    const std::int32_t count = list.Count();
    if (count > 0) {
        const std::int32_t last = count - 1;
        const auto step = [&](std::int32_t index) {
            return options.Down ? NextIndex(index, 0, last) : PreviousIndex(index, 0, last);
        };
        std::int32_t start = std::max(list.FocusedRow(), std::int32_t{0});
        if (list.IsSelected(start))
            start = step(start);
        std::int32_t index = start;
        do {
            if (MatchesMask(list.CandidateText(index, options.MatchAbsoluteName), options.Text)) {
                matches.push_back(index);
                if (!options.FindAll)
                    break;
            }
            index = step(index);
        } while (index != start);
        SortWrappedMatches(matches, options.Down);
        list.SelectOnly(matches);
    }
    if (matches.empty()) {
        messenger.ShowMessage(ApplicationTitle(), "There are no matches.", mkInformation, mbOK);
        return false;
    }
    list.FocusRow(matches.front());
    return true;
}

void RunSearchCommand(TSearchCommand command, TFindItemDialog& dialog, TFindItemList& list, TMessenger& messenger)
{
    const bool ask = command == scFind || dialog.Options().Text.empty();
    if (ask && !dialog.Execute())
        return;
    TFindItemOptions options = dialog.Options();
    if (command == scFindPrevious)
        options.Down = !options.Down;
    FindItems(list, options, messenger);
}

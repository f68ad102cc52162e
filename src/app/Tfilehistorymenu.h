#pragma once
// The History menu: one item per place of the file history, showing the entry at its place,
// and what choosing an item or Clear does to the history.

#include <QAction>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class TFileHistory;
class TMessenger;

class TFileHistoryMenu {
public:
    // items: the menu's items, the first for the most recent entry.
    TFileHistoryMenu(TFileHistory& history, TMessenger& messenger, std::vector<QAction*> items);

    // Captions an item per entry with its place and name and hides the others.
    void Show();
    // The compare file at the place while it still exists; for one that is gone, offers to
    // delete the entry, and gives none.
    std::optional<std::string> Chosen(std::int32_t place);
    // Clears the history once the user agrees.
    void Clear();

private:
    TFileHistory& History;
    TMessenger& Messenger;
    std::vector<QAction*> Items;
};

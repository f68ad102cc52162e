#pragma once
// The commands of the main window, built from one table (Tmaincommands.cpp): each row is a
// menu, a separator or a command of the menu bar, with the menu it sits in, and for a command
// its caption, shortcut, enabling rule and handler on the window, and the toolbar button and
// context-menu item that run it too. The menu bar, the toolbar and the context menu are built
// by loops over the table, so each command has one action whichever way it is reached.

#include <QAction>
#include <cstdint>
#include <string_view>
#include <vector>

class QMenu;
class QMenuBar;
class QToolBar;
class TMainForm;
struct TMenuEntry;

// When a command may run.
// crRows counts the rows shown, not those the filter hides.
enum TCommandRule { crAlways, crRows, crSelection, crOneSelected, crOneWithDestination, crHistory };

// What the rules ask of the list and the file history.
struct TCommandState {
    bool HasHistory = false;
    bool HasRows = false;
    bool HasSelection = false;
    bool OneSelected = false;
    bool OneWithDestination = false;

    bool Allows(TCommandRule rule) const;
    bool operator==(const TCommandState&) const = default;
};

// Tags of the commands that share ChangeView and PerformOperations.
enum TViewCommand : std::int32_t { vcToolbar, vcStatusBar, vcLastPosition, vcTopmost, vcDefault };
enum TOperationsCommand : std::int32_t { ocPerformToSelection, ocPerformToAll };

// Where one handler serves several commands, the tag tells it which one was clicked: a
// TRowNames, a TSelectCommand, a TSearchCommand, a sort key, a history place, or one of the
// enumerations above.
template <typename T = std::int32_t>
T CommandTag(const QAction* command)
{
    return static_cast<T>(command->data().toInt());
}

class TMainCommands {
public:
    // Fills the window's menu bar, toolbar and context menu and connects each command to its
    // handler on the window.
    TMainCommands(TMainForm& form, QMenuBar& menuBar, QToolBar& toolBar, QMenu& popupMenu);

    QAction& Command(std::string_view name) const;
    // Enables each command by its rule; without force only when the state has changed.
    void Update(const TCommandState& state, bool force);

private:
    struct TCommand {
        QAction* Action;
        TCommandRule Rule;
    };

    // The menu bar, menu by menu, each entry after the menu it sits in; a member, so that it
    // reaches the window's handlers.
    static const TMenuEntry MenuEntries[];

    std::vector<TCommand> Commands;
    TCommandState LastState;
};

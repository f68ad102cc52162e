#include "app/Tmaincommands.h"

#include <QCoreApplication>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <map>
#include <span>
#include <stdexcept>
#include <string>
#include <variant>

#include "app/Tlistsorter.h"
#include "app/Tmainform.h"
#include "app/Tresultlist.h"
#include "dialogs/Tfinditems.h"

namespace {
enum TEntryKind { ekMenu, ekSeparator, ekCommand };

using TPlainHandler = void (TMainForm::*)();
using TSenderHandler = void (TMainForm::*)(QAction* sender);

struct TToolButton {
    const char* Name = nullptr;
    const char* ToolTip = "";
    const char* Icon = "";
};

// The context menu's twin of a menu, separator or command.
struct TPopupItem {
    const char* Name = nullptr;
    const char* Caption = "";
};
}  // namespace

struct TMenuEntry {
    TEntryKind Kind;
    // The object name of the menu the entry sits in.
    const char* Menu;
    const char* Name;
    const char* Caption = "";
    QKeyCombination Shortcut = QKeyCombination::fromCombined(0);
    TCommandRule Rule = crAlways;
    std::variant<std::monostate, TPlainHandler, TSenderHandler> Handler = {};
    std::int32_t Tag = 0;
    bool Checkable = false;
    TToolButton Button = {};
    TPopupItem Popup = {};
};

namespace {
constexpr const char* MenuBar = "MainMenu";
// The context menu is the twin of the Edit menu.
constexpr const char* PopupMenuTwin = "EditMenu";
}  // namespace

// A table: one entry per line or two, as it reads best; the formatter would give each field a line.
// clang-format off
const TMenuEntry TMainCommands::MenuEntries[] = {
    {.Kind = ekMenu, .Menu = MenuBar, .Name = "FileMenu", .Caption = "&File"},
    {.Kind = ekCommand, .Menu = "FileMenu", .Name = "CompareCommand", .Caption = "&Compare...", .Shortcut = Qt::Key_F2,
     .Handler = &TMainForm::Compare, .Button = {"CompareButton", "Compare files", "compare-files"}},
    {.Kind = ekCommand, .Menu = "FileMenu", .Name = "SaveListAsCommand", .Caption = "&Save List As...", .Rule = crRows,
     .Handler = &TMainForm::SaveList},
    {.Kind = ekSeparator, .Menu = "FileMenu", .Name = "MenuSeparator1"},
    {.Kind = ekMenu, .Menu = "FileMenu", .Name = "HistoryMenu", .Caption = "&History"},
    {.Kind = ekCommand, .Menu = "HistoryMenu", .Name = "HistoryItem1", .Handler = &TMainForm::OpenHistoryItem, .Tag = 0},
    {.Kind = ekCommand, .Menu = "HistoryMenu", .Name = "HistoryItem2", .Handler = &TMainForm::OpenHistoryItem, .Tag = 1},
    {.Kind = ekCommand, .Menu = "HistoryMenu", .Name = "HistoryItem3", .Handler = &TMainForm::OpenHistoryItem, .Tag = 2},
    {.Kind = ekCommand, .Menu = "HistoryMenu", .Name = "HistoryItem4", .Handler = &TMainForm::OpenHistoryItem, .Tag = 3},
    {.Kind = ekCommand, .Menu = "HistoryMenu", .Name = "HistoryItem5", .Handler = &TMainForm::OpenHistoryItem, .Tag = 4},
    {.Kind = ekCommand, .Menu = "HistoryMenu", .Name = "HistoryItem6", .Handler = &TMainForm::OpenHistoryItem, .Tag = 5},
    {.Kind = ekCommand, .Menu = "HistoryMenu", .Name = "HistoryItem7", .Handler = &TMainForm::OpenHistoryItem, .Tag = 6},
    {.Kind = ekCommand, .Menu = "HistoryMenu", .Name = "HistoryItem8", .Handler = &TMainForm::OpenHistoryItem, .Tag = 7},
    {.Kind = ekSeparator, .Menu = "HistoryMenu", .Name = "MenuSeparator2"},
    {.Kind = ekCommand, .Menu = "HistoryMenu", .Name = "ClearHistoryCommand", .Caption = "&Clear...", .Rule = crHistory,
     .Handler = &TMainForm::ClearHistory},
    {.Kind = ekSeparator, .Menu = "FileMenu", .Name = "MenuSeparator3"},
    {.Kind = ekCommand, .Menu = "FileMenu", .Name = "ExitCommand", .Caption = "E&xit", .Handler = &TMainForm::Exit},

    {.Kind = ekMenu, .Menu = MenuBar, .Name = "EditMenu", .Caption = "&Edit"},
    {.Kind = ekMenu, .Menu = "EditMenu", .Name = "CopyMenu", .Caption = "&Copy", .Popup = {"CopyPopup", "&Copy"}},
    {.Kind = ekCommand, .Menu = "CopyMenu", .Name = "CopySourceCommand", .Caption = "&Source", .Shortcut = Qt::CTRL | Qt::Key_C,
     .Rule = crSelection, .Handler = &TMainForm::CopyNames, .Tag = rnSource,
     .Button = {"CopySourceButton", "Copy filenames on source", "copy-source"}, .Popup = {"CopySourcePopup", "&Source"}},
    {.Kind = ekCommand, .Menu = "CopyMenu", .Name = "CopyDestinationCommand", .Caption = "&Destination",
     .Shortcut = Qt::CTRL | Qt::SHIFT | Qt::Key_C, .Rule = crSelection, .Handler = &TMainForm::CopyNames,
     .Tag = rnDestination, .Button = {"CopyDestinationButton", "Copy filenames on destination", "copy-destination"},
     .Popup = {"CopyDestinationPopup", "&Destination"}},
    {.Kind = ekCommand, .Menu = "EditMenu", .Name = "DeleteCommand", .Caption = "&Delete...", .Shortcut = Qt::Key_Delete,
     .Rule = crSelection, .Handler = &TMainForm::DeleteItems,
     .Button = {"DeleteButton", "Delete selected items", "list-remove"}, .Popup = {"DeletePopup", "&Delete..."}},
    {.Kind = ekMenu, .Menu = "EditMenu", .Name = "SelectMenu", .Caption = "&Select", .Popup = {"SelectPopup", "&Select"}},
    {.Kind = ekCommand, .Menu = "SelectMenu", .Name = "SelectAllCommand", .Caption = "&All", .Shortcut = Qt::CTRL | Qt::Key_A,
     .Handler = &TMainForm::Select, .Tag = slAll,
     .Button = {"SelectAllButton", "Select all items", "edit-select-all"}, .Popup = {"SelectAllPopup", "&All"}},
    {.Kind = ekCommand, .Menu = "SelectMenu", .Name = "SelectNoneCommand", .Caption = "&None",
     .Shortcut = Qt::CTRL | Qt::SHIFT | Qt::Key_A, .Handler = &TMainForm::Select, .Tag = slNone,
     .Popup = {"SelectNonePopup", "&None"}},
    {.Kind = ekCommand, .Menu = "SelectMenu", .Name = "InvertSelectionCommand", .Caption = "&Invert",
     .Handler = &TMainForm::Select, .Tag = slInvert, .Popup = {"InvertSelectionPopup", "&Invert"}},
    {.Kind = ekSeparator, .Menu = "EditMenu", .Name = "MenuSeparator4", .Popup = {"PopupSeparator1"}},
    {.Kind = ekMenu, .Menu = "EditMenu", .Name = "SearchMenu", .Caption = "S&earch", .Popup = {"SearchPopup", "S&earch"}},
    {.Kind = ekCommand, .Menu = "SearchMenu", .Name = "FindCommand", .Caption = "&Find...", .Shortcut = Qt::CTRL | Qt::Key_F,
     .Handler = &TMainForm::Search, .Tag = scFind, .Button = {"FindButton", "Find items", "edit-find"},
     .Popup = {"FindPopup", "&Find..."}},
    {.Kind = ekCommand, .Menu = "SearchMenu", .Name = "FindNextCommand", .Caption = "Find &Next", .Shortcut = Qt::Key_F3,
     .Handler = &TMainForm::Search, .Tag = scFindNext, .Popup = {"FindNextPopup", "Find &Next"}},
    {.Kind = ekCommand, .Menu = "SearchMenu", .Name = "FindPreviousCommand", .Caption = "Find &Previous",
     .Shortcut = Qt::SHIFT | Qt::Key_F3, .Handler = &TMainForm::Search, .Tag = scFindPrevious,
     .Popup = {"FindPreviousPopup", "Find &Previous"}},
    {.Kind = ekSeparator, .Menu = "EditMenu", .Name = "MenuSeparator5", .Popup = {"PopupSeparator2"}},
    {.Kind = ekMenu, .Menu = "EditMenu", .Name = "SortAscendMenu", .Caption = "S&ort Ascend"},
    {.Kind = ekCommand, .Menu = "SortAscendMenu", .Name = "AscendByNameCommand", .Caption = "By &Name",
     .Handler = &TMainForm::SortAscending, .Tag = SortCode::Name},
    {.Kind = ekCommand, .Menu = "SortAscendMenu", .Name = "AscendByDirectoryCommand", .Caption = "By &Directory",
     .Handler = &TMainForm::SortAscending, .Tag = SortCode::Directory},
    {.Kind = ekCommand, .Menu = "SortAscendMenu", .Name = "AscendByExtensionCommand", .Caption = "By &Extension",
     .Handler = &TMainForm::SortAscending, .Tag = SortCode::Extension},
    {.Kind = ekCommand, .Menu = "SortAscendMenu", .Name = "AscendBySizeRemainderCommand", .Caption = "By &Size Remainder",
     .Handler = &TMainForm::SortAscending, .Tag = SortCode::SizeRemainder},
    {.Kind = ekCommand, .Menu = "SortAscendMenu", .Name = "AscendByTimeRemainderCommand", .Caption = "By &Time Remainder",
     .Handler = &TMainForm::SortAscending, .Tag = SortCode::TimeRemainder},
    {.Kind = ekCommand, .Menu = "SortAscendMenu", .Name = "AscendByResultCommand", .Caption = "By &Result",
     .Handler = &TMainForm::SortAscending, .Tag = SortCode::Result},
    {.Kind = ekSeparator, .Menu = "SortAscendMenu", .Name = "MenuSeparator6"},
    {.Kind = ekCommand, .Menu = "SortAscendMenu", .Name = "AscendByAbsoluteNameCommand", .Caption = "By &Absolute Name",
     .Handler = &TMainForm::SortAscending, .Tag = SortCode::AbsoluteName},
    {.Kind = ekMenu, .Menu = "EditMenu", .Name = "SortDescendMenu", .Caption = "So&rt Descend"},
    {.Kind = ekCommand, .Menu = "SortDescendMenu", .Name = "DescendByNameCommand", .Caption = "By &Name",
     .Handler = &TMainForm::SortDescending, .Tag = SortCode::Name},
    {.Kind = ekCommand, .Menu = "SortDescendMenu", .Name = "DescendByDirectoryCommand", .Caption = "By &Directory",
     .Handler = &TMainForm::SortDescending, .Tag = SortCode::Directory},
    {.Kind = ekCommand, .Menu = "SortDescendMenu", .Name = "DescendByExtensionCommand", .Caption = "By &Extension",
     .Handler = &TMainForm::SortDescending, .Tag = SortCode::Extension},
    {.Kind = ekCommand, .Menu = "SortDescendMenu", .Name = "DescendBySizeRemainderCommand", .Caption = "By &Size Remainder",
     .Handler = &TMainForm::SortDescending, .Tag = SortCode::SizeRemainder},
    {.Kind = ekCommand, .Menu = "SortDescendMenu", .Name = "DescendByTimeRemainderCommand", .Caption = "By &Time Remainder",
     .Handler = &TMainForm::SortDescending, .Tag = SortCode::TimeRemainder},
    {.Kind = ekCommand, .Menu = "SortDescendMenu", .Name = "DescendByResultCommand", .Caption = "By &Result",
     .Handler = &TMainForm::SortDescending, .Tag = SortCode::Result},
    {.Kind = ekSeparator, .Menu = "SortDescendMenu", .Name = "MenuSeparator7"},
    {.Kind = ekCommand, .Menu = "SortDescendMenu", .Name = "DescendByAbsoluteNameCommand", .Caption = "By &Absolute Name",
     .Handler = &TMainForm::SortDescending, .Tag = SortCode::AbsoluteName},
    {.Kind = ekSeparator, .Menu = "EditMenu", .Name = "MenuSeparator8"},
    {.Kind = ekMenu, .Menu = "EditMenu", .Name = "ExploreMenu", .Caption = "E&xplore", .Popup = {"ExplorePopup", "E&xplore"}},
    {.Kind = ekCommand, .Menu = "ExploreMenu", .Name = "ExploreSourceCommand", .Caption = "&Source", .Rule = crOneSelected,
     .Handler = &TMainForm::Explore, .Tag = rnSource, .Popup = {"ExploreSourcePopup", "&Source"}},
    {.Kind = ekCommand, .Menu = "ExploreMenu", .Name = "ExploreDestinationCommand", .Caption = "&Destination",
     .Rule = crOneWithDestination, .Handler = &TMainForm::Explore, .Tag = rnDestination,
     .Popup = {"ExploreDestinationPopup", "&Destination"}},
    {.Kind = ekCommand, .Menu = "ExploreMenu", .Name = "ExploreBothCommand", .Caption = "&Both", .Rule = crOneWithDestination,
     .Handler = &TMainForm::Explore, .Tag = rnBoth, .Popup = {"ExploreBothPopup", "&Both"}},
    {.Kind = ekMenu, .Menu = "EditMenu", .Name = "PropertiesMenu", .Caption = "&Properties",
     .Popup = {"PropertiesPopup", "&Properties"}},
    {.Kind = ekCommand, .Menu = "PropertiesMenu", .Name = "SourcePropertiesCommand", .Caption = "&Source", .Rule = crOneSelected,
     .Handler = &TMainForm::ShowProperties, .Tag = rnSource, .Popup = {"SourcePropertiesPopup", "&Source"}},
    {.Kind = ekCommand, .Menu = "PropertiesMenu", .Name = "DestinationPropertiesCommand", .Caption = "&Destination",
     .Rule = crOneWithDestination, .Handler = &TMainForm::ShowProperties, .Tag = rnDestination,
     .Popup = {"DestinationPropertiesPopup", "&Destination"}},
    {.Kind = ekCommand, .Menu = "PropertiesMenu", .Name = "BothPropertiesCommand", .Caption = "&Both", .Rule = crOneWithDestination,
     .Handler = &TMainForm::ShowProperties, .Tag = rnBoth, .Popup = {"BothPropertiesPopup", "&Both"}},
    {.Kind = ekSeparator, .Menu = "EditMenu", .Name = "MenuSeparator9", .Popup = {"PopupSeparator3"}},
    {.Kind = ekCommand, .Menu = "EditMenu", .Name = "SizeRemaindersCommand", .Caption = "Si&ze Remainders",
     .Shortcut = Qt::CTRL | Qt::Key_R, .Rule = crSelection, .Handler = &TMainForm::ShowSizeRemainders,
     .Popup = {"SizeRemaindersPopup", "Size &Remainders"}},

    {.Kind = ekMenu, .Menu = MenuBar, .Name = "ViewMenu", .Caption = "&View"},
    {.Kind = ekCommand, .Menu = "ViewMenu", .Name = "ResizeListColumnsCommand", .Caption = "&Resize List Columns",
     .Shortcut = Qt::CTRL | Qt::Key_L, .Handler = &TMainForm::ResizeListColumns,
     .Button = {"ResizeListColumnsButton", "Resize list columns", "resize-columns"}},
    {.Kind = ekSeparator, .Menu = "ViewMenu", .Name = "MenuSeparator10"},
    {.Kind = ekCommand, .Menu = "ViewMenu", .Name = "ToolbarCommand", .Caption = "&Toolbar",
     .Handler = &TMainForm::ChangeView, .Tag = vcToolbar, .Checkable = true},
    {.Kind = ekCommand, .Menu = "ViewMenu", .Name = "StatusBarCommand", .Caption = "&Status Bar",
     .Handler = &TMainForm::ChangeView, .Tag = vcStatusBar, .Checkable = true},
    {.Kind = ekSeparator, .Menu = "ViewMenu", .Name = "MenuSeparator11"},
    {.Kind = ekCommand, .Menu = "ViewMenu", .Name = "LastPositionCommand", .Caption = "&Last Position",
     .Handler = &TMainForm::ChangeView, .Tag = vcLastPosition, .Checkable = true},
    {.Kind = ekCommand, .Menu = "ViewMenu", .Name = "TopmostCommand", .Caption = "&Topmost",
     .Handler = &TMainForm::ChangeView, .Tag = vcTopmost, .Checkable = true},
    {.Kind = ekSeparator, .Menu = "ViewMenu", .Name = "MenuSeparator12"},
    {.Kind = ekCommand, .Menu = "ViewMenu", .Name = "DefaultViewCommand", .Caption = "&Default...",
     .Handler = &TMainForm::ChangeView, .Tag = vcDefault},

    {.Kind = ekMenu, .Menu = MenuBar, .Name = "OperationsMenu", .Caption = "&Operations"},
    {.Kind = ekCommand, .Menu = "OperationsMenu", .Name = "PerformToSelectionCommand", .Caption = "Perform to &Selection...",
     .Shortcut = Qt::Key_F4, .Rule = crSelection, .Handler = &TMainForm::PerformOperations,
     .Tag = ocPerformToSelection,
     .Button = {"PerformToSelectionButton", "Perform operations to selected items", "perform-to-selection"}},
    {.Kind = ekCommand, .Menu = "OperationsMenu", .Name = "PerformToAllCommand", .Caption = "Perform to &All...",
     .Shortcut = Qt::SHIFT | Qt::Key_F4, .Rule = crRows, .Handler = &TMainForm::PerformOperations,
     .Tag = ocPerformToAll, .Button = {"PerformToAllButton", "Perform operations to all items", "perform-to-all"}},

    {.Kind = ekMenu, .Menu = MenuBar, .Name = "HelpMenu", .Caption = "&Help"},
    {.Kind = ekCommand, .Menu = "HelpMenu", .Name = "HelpCommand", .Caption = "&Help...", .Shortcut = Qt::Key_F1,
     .Handler = &TMainForm::OpenHelp},
    {.Kind = ekSeparator, .Menu = "HelpMenu", .Name = "MenuSeparator13"},
    {.Kind = ekCommand, .Menu = "HelpMenu", .Name = "AboutCommand", .Caption = "&About", .Handler = &TMainForm::ShowAbout},
};
// clang-format on

namespace {

constexpr const char* ToolBarSeparator = "-";
// The toolbar's buttons from left to right.
constexpr const char* ToolBarButtons[] = {
    "CompareButton",
    ToolBarSeparator,
    "CopySourceButton",
    "CopyDestinationButton",
    "DeleteButton",
    "SelectAllButton",
    ToolBarSeparator,
    "FindButton",
    ToolBarSeparator,
    "PerformToSelectionButton",
    "PerformToAllButton",
    ToolBarSeparator,
    "ResizeListColumnsButton",
};

// Under the window's name, as its own tr() would translate them.
QString Translated(const char* text) { return QCoreApplication::translate("TMainForm", text); }

QIcon CommandIcon(const char* name)
{
    const QString themeName = QString::fromLatin1(name);
    return QIcon::fromTheme(themeName, QIcon(QStringLiteral(":/icons/%1.svg").arg(themeName)));
}

// The menus built so far by their names.
class TMenuMap {
public:
    void Add(std::string_view name, QWidget& menu) { Menus[name] = &menu; }
    QWidget& Get(std::string_view name) const
    {
        const auto found = Menus.find(name);
        if (found == Menus.end())
            throw std::logic_error("The menu " + std::string(name) + " is not built before its entries.");
        return *found->second;
    }

private:
    std::map<std::string_view, QWidget*> Menus;
};

QMenu& AddMenu(QWidget& parent, const char* name, const char* caption)
{
    auto* menu = new QMenu(Translated(caption), &parent);
    menu->setObjectName(QString::fromLatin1(name));
    menu->menuAction()->setObjectName(QString::fromLatin1(name));
    parent.addAction(menu->menuAction());
    return *menu;
}

void AddSeparator(QWidget& menu, const char* name)
{
    auto* separator = new QAction(&menu);
    separator->setSeparator(true);
    separator->setObjectName(QString::fromLatin1(name));
    menu.addAction(separator);
}

QAction& AddCommand(TMainForm& form, QWidget& menu, const TMenuEntry& entry)
{
    auto* command = new QAction(Translated(entry.Caption), &form);
    command->setObjectName(QString::fromLatin1(entry.Name));
    command->setShortcut(QKeySequence(entry.Shortcut));
    command->setCheckable(entry.Checkable);
    command->setData(entry.Tag);
    if (entry.Button.Name != nullptr) {
        // The button is the command's own, so it is enabled exactly when the command is.
        command->setIcon(CommandIcon(entry.Button.Icon));
        command->setToolTip(Translated(entry.Button.ToolTip));
    }
    menu.addAction(command);
    if (const auto* plain = std::get_if<TPlainHandler>(&entry.Handler))
        QObject::connect(command, &QAction::triggered, &form, *plain);
    else if (const auto* withSender = std::get_if<TSenderHandler>(&entry.Handler))
        QObject::connect(command, &QAction::triggered, &form,
                         [&form, command, handler = *withSender] { (form.*handler)(command); });
    else
        throw std::logic_error("The command " + std::string(entry.Name) + " has no handler.");
    return *command;
}

// A context-menu item runs its command and is enabled with it.
void AddPopupItem(QWidget& menu, const TPopupItem& item, QAction& command)
{
    auto* popupItem = new QAction(Translated(item.Caption), &menu);
    popupItem->setObjectName(QString::fromLatin1(item.Name));
    popupItem->setEnabled(command.isEnabled());
    QObject::connect(&command, &QAction::enabledChanged, popupItem, &QAction::setEnabled);
    QObject::connect(popupItem, &QAction::triggered, &command, &QAction::trigger);
    menu.addAction(popupItem);
}

const TMenuEntry& EntryWithButton(std::span<const TMenuEntry> entries, std::string_view button)
{
    const auto found = std::find_if(entries.begin(), entries.end(), [button](const TMenuEntry& entry) {
        return entry.Button.Name != nullptr && entry.Button.Name == button;
    });
    if (found == entries.end())
        throw std::logic_error("No command has the button " + std::string(button) + ".");
    return *found;
}
}  // namespace

bool TCommandState::Allows(TCommandRule rule) const
{
    switch (rule) {
    case crAlways:
        return true;
    case crRows:
        return HasRows;
    case crSelection:
        return HasSelection;
    case crOneSelected:
        return OneSelected;
    case crOneWithDestination:
        return OneWithDestination;
    case crHistory:
        return HasHistory;
    }
    return false;
}

TMainCommands::TMainCommands(TMainForm& form, QMenuBar& menuBar, QToolBar& toolBar, QMenu& popupMenu)
{
    TMenuMap menus;
    menus.Add(MenuBar, menuBar);
    // Each twin sits in the twin of its entry's menu.
    TMenuMap popupMenus;
    popupMenus.Add(PopupMenuTwin, popupMenu);
    for (const TMenuEntry& entry : MenuEntries) {
        QWidget& menu = menus.Get(entry.Menu);
        QWidget* popupParent = entry.Popup.Name != nullptr ? &popupMenus.Get(entry.Menu) : nullptr;
        switch (entry.Kind) {
        case ekMenu:
            menus.Add(entry.Name, AddMenu(menu, entry.Name, entry.Caption));
            if (popupParent != nullptr)
                popupMenus.Add(entry.Name, AddMenu(*popupParent, entry.Popup.Name, entry.Popup.Caption));
            break;
        case ekSeparator:
            AddSeparator(menu, entry.Name);
            if (popupParent != nullptr)
                AddSeparator(*popupParent, entry.Popup.Name);
            break;
        case ekCommand: {
            QAction& command = AddCommand(form, menu, entry);
            Commands.push_back({&command, entry.Rule});
            if (popupParent != nullptr)
                AddPopupItem(*popupParent, entry.Popup, command);
            break;
        }
        }
    }
    for (const char* button : ToolBarButtons) {
        if (std::string_view(button) == ToolBarSeparator) {
            toolBar.addSeparator();
            continue;
        }
        QAction& command = Command(EntryWithButton(MenuEntries, button).Name);
        toolBar.addAction(&command);
        QWidget* widget = toolBar.widgetForAction(&command);
        widget->setObjectName(QString::fromLatin1(button));
        // The captions alone ("Source", "All") say too little out of their menus.
        widget->setAccessibleName(command.toolTip());
    }
    // Qt's button for the commands a narrow window has no room for has no name of its own.
    if (auto* more = toolBar.findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button")))
        more->setAccessibleName(Translated("More commands"));
}

QAction& TMainCommands::Command(std::string_view name) const
{
    const QLatin1StringView wanted(name.data(), static_cast<qsizetype>(name.size()));
    for (const TCommand& command : Commands)
        if (command.Action->objectName() == wanted)
            return *command.Action;
    throw std::invalid_argument("The main window has no command " + std::string(name) + ".");
}

void TMainCommands::Update(const TCommandState& state, bool force)
{
    if (!force && state == LastState)
        return;
    LastState = state;
    for (const TCommand& command : Commands)
        command.Action->setEnabled(state.Allows(command.Rule));
}

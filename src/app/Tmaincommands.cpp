#include "app/Tmaincommands.h"

#include <QCoreApplication>
#include <QIcon>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <map>
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

constexpr const char* MenuBar = "MainMenu1";
// The context menu is the twin of the Edit menu.
constexpr const char* PopupMenuTwin = "EditM1";

// The menu bar, menu by menu, each entry after the menu it sits in.
// A table: one entry per line or two, as it reads best; the formatter would give each field a line.
// clang-format off
const TMenuEntry MenuEntries[] = {
    {.Kind = ekMenu, .Menu = MenuBar, .Name = "FileM1", .Caption = "&File"},
    {.Kind = ekCommand, .Menu = "FileM1", .Name = "CompareM1", .Caption = "&Compare...", .Shortcut = Qt::Key_F2,
     .Handler = &TMainForm::CompareM1Click, .Button = {"CompareT1", "Compare files", "compare-files"}},
    {.Kind = ekCommand, .Menu = "FileM1", .Name = "SaveListAsM1", .Caption = "&Save List As...", .Rule = crRows,
     .Handler = &TMainForm::SaveListAsM1Click},
    {.Kind = ekSeparator, .Menu = "FileM1", .Name = "SeparatorM1"},
    {.Kind = ekMenu, .Menu = "FileM1", .Name = "HistoryM1", .Caption = "&History"},
    {.Kind = ekCommand, .Menu = "HistoryM1", .Name = "HistoryItemM1", .Handler = &TMainForm::HistoryM1Click, .Tag = 0},
    {.Kind = ekCommand, .Menu = "HistoryM1", .Name = "HistoryItemM2", .Handler = &TMainForm::HistoryM1Click, .Tag = 1},
    {.Kind = ekCommand, .Menu = "HistoryM1", .Name = "HistoryItemM3", .Handler = &TMainForm::HistoryM1Click, .Tag = 2},
    {.Kind = ekCommand, .Menu = "HistoryM1", .Name = "HistoryItemM4", .Handler = &TMainForm::HistoryM1Click, .Tag = 3},
    {.Kind = ekCommand, .Menu = "HistoryM1", .Name = "HistoryItemM5", .Handler = &TMainForm::HistoryM1Click, .Tag = 4},
    {.Kind = ekCommand, .Menu = "HistoryM1", .Name = "HistoryItemM6", .Handler = &TMainForm::HistoryM1Click, .Tag = 5},
    {.Kind = ekCommand, .Menu = "HistoryM1", .Name = "HistoryItemM7", .Handler = &TMainForm::HistoryM1Click, .Tag = 6},
    {.Kind = ekCommand, .Menu = "HistoryM1", .Name = "HistoryItemM8", .Handler = &TMainForm::HistoryM1Click, .Tag = 7},
    {.Kind = ekSeparator, .Menu = "HistoryM1", .Name = "SeparatorM2"},
    {.Kind = ekCommand, .Menu = "HistoryM1", .Name = "ClearM1", .Caption = "&Clear...", .Rule = crHistory,
     .Handler = &TMainForm::ClearM1Click},
    {.Kind = ekSeparator, .Menu = "FileM1", .Name = "SeparatorM3"},
    {.Kind = ekCommand, .Menu = "FileM1", .Name = "ExitM1", .Caption = "E&xit", .Handler = &TMainForm::ExitM1Click},

    {.Kind = ekMenu, .Menu = MenuBar, .Name = "EditM1", .Caption = "&Edit"},
    {.Kind = ekMenu, .Menu = "EditM1", .Name = "CopyM1", .Caption = "&Copy", .Popup = {"CopyP1", "&Copy"}},
    {.Kind = ekCommand, .Menu = "CopyM1", .Name = "SourceM1", .Caption = "&Source", .Shortcut = Qt::CTRL | Qt::Key_C,
     .Rule = crSelection, .Handler = &TMainForm::CopyM1Click, .Tag = rnSource,
     .Button = {"CopySourceT1", "Copy filenames on source", "copy-source"}, .Popup = {"SourceP1", "&Source"}},
    {.Kind = ekCommand, .Menu = "CopyM1", .Name = "DestinationM1", .Caption = "&Destination",
     .Shortcut = Qt::CTRL | Qt::SHIFT | Qt::Key_C, .Rule = crSelection, .Handler = &TMainForm::CopyM1Click,
     .Tag = rnDestination, .Button = {"CopyDestinationT1", "Copy filenames on destination", "copy-destination"},
     .Popup = {"DestinationP1", "&Destination"}},
    {.Kind = ekCommand, .Menu = "EditM1", .Name = "DeleteM1", .Caption = "&Delete...", .Shortcut = Qt::Key_Delete,
     .Rule = crSelection, .Handler = &TMainForm::DeleteM1Click,
     .Button = {"DeleteItemsT1", "Delete selected items", "list-remove"}, .Popup = {"DeleteP1", "&Delete..."}},
    {.Kind = ekMenu, .Menu = "EditM1", .Name = "SelectM1", .Caption = "&Select", .Popup = {"SelectP1", "&Select"}},
    {.Kind = ekCommand, .Menu = "SelectM1", .Name = "AllM1", .Caption = "&All", .Shortcut = Qt::CTRL | Qt::Key_A,
     .Handler = &TMainForm::SelectM1Click, .Tag = slAll,
     .Button = {"SelectAllT1", "Select all items", "edit-select-all"}, .Popup = {"AllP1", "&All"}},
    {.Kind = ekCommand, .Menu = "SelectM1", .Name = "NoneM1", .Caption = "&None",
     .Shortcut = Qt::CTRL | Qt::SHIFT | Qt::Key_A, .Handler = &TMainForm::SelectM1Click, .Tag = slNone,
     .Popup = {"NoneP1", "&None"}},
    {.Kind = ekCommand, .Menu = "SelectM1", .Name = "InvertM1", .Caption = "&Invert",
     .Handler = &TMainForm::SelectM1Click, .Tag = slInvert, .Popup = {"InvertP1", "&Invert"}},
    {.Kind = ekSeparator, .Menu = "EditM1", .Name = "SeparatorM4", .Popup = {"SeparatorP1"}},
    {.Kind = ekMenu, .Menu = "EditM1", .Name = "SearchM1", .Caption = "S&earch", .Popup = {"SearchP1", "S&earch"}},
    {.Kind = ekCommand, .Menu = "SearchM1", .Name = "FindM1", .Caption = "&Find...", .Shortcut = Qt::CTRL | Qt::Key_F,
     .Handler = &TMainForm::SearchM1Click, .Tag = scFind, .Button = {"FindT1", "Find items", "edit-find"},
     .Popup = {"FindP1", "&Find..."}},
    {.Kind = ekCommand, .Menu = "SearchM1", .Name = "FindNextM1", .Caption = "Find &Next", .Shortcut = Qt::Key_F3,
     .Handler = &TMainForm::SearchM1Click, .Tag = scFindNext, .Popup = {"FindNextP1", "Find &Next"}},
    {.Kind = ekCommand, .Menu = "SearchM1", .Name = "FindPreviousM1", .Caption = "Find &Previous",
     .Shortcut = Qt::SHIFT | Qt::Key_F3, .Handler = &TMainForm::SearchM1Click, .Tag = scFindPrevious,
     .Popup = {"FindPreviousP1", "Find &Previous"}},
    {.Kind = ekSeparator, .Menu = "EditM1", .Name = "SeparatorM5", .Popup = {"SeparatorP2"}},
    {.Kind = ekMenu, .Menu = "EditM1", .Name = "SortAscendM1", .Caption = "S&ort Ascend"},
    {.Kind = ekCommand, .Menu = "SortAscendM1", .Name = "ByNameM1", .Caption = "By &Name",
     .Handler = &TMainForm::SortAscendM1Click, .Tag = SortCode::Name},
    {.Kind = ekCommand, .Menu = "SortAscendM1", .Name = "ByDirectoryM1", .Caption = "By &Directory",
     .Handler = &TMainForm::SortAscendM1Click, .Tag = SortCode::Directory},
    {.Kind = ekCommand, .Menu = "SortAscendM1", .Name = "ByExtensionM1", .Caption = "By &Extension",
     .Handler = &TMainForm::SortAscendM1Click, .Tag = SortCode::Extension},
    {.Kind = ekCommand, .Menu = "SortAscendM1", .Name = "BySizeRemainderM1", .Caption = "By &Size Remainder",
     .Handler = &TMainForm::SortAscendM1Click, .Tag = SortCode::SizeRemainder},
    {.Kind = ekCommand, .Menu = "SortAscendM1", .Name = "ByTimeRemainderM1", .Caption = "By &Time Remainder",
     .Handler = &TMainForm::SortAscendM1Click, .Tag = SortCode::TimeRemainder},
    {.Kind = ekCommand, .Menu = "SortAscendM1", .Name = "ByResultM1", .Caption = "By &Result",
     .Handler = &TMainForm::SortAscendM1Click, .Tag = SortCode::Result},
    {.Kind = ekSeparator, .Menu = "SortAscendM1", .Name = "SeparatorM6"},
    {.Kind = ekCommand, .Menu = "SortAscendM1", .Name = "ByAbsoluteNameM1", .Caption = "By &Absolute Name",
     .Handler = &TMainForm::SortAscendM1Click, .Tag = SortCode::AbsoluteName},
    {.Kind = ekMenu, .Menu = "EditM1", .Name = "SortDescendM1", .Caption = "So&rt Descend"},
    {.Kind = ekCommand, .Menu = "SortDescendM1", .Name = "ByNameM2", .Caption = "By &Name",
     .Handler = &TMainForm::SortDescendM1Click, .Tag = SortCode::Name},
    {.Kind = ekCommand, .Menu = "SortDescendM1", .Name = "ByDirectoryM2", .Caption = "By &Directory",
     .Handler = &TMainForm::SortDescendM1Click, .Tag = SortCode::Directory},
    {.Kind = ekCommand, .Menu = "SortDescendM1", .Name = "ByExtensionM2", .Caption = "By &Extension",
     .Handler = &TMainForm::SortDescendM1Click, .Tag = SortCode::Extension},
    {.Kind = ekCommand, .Menu = "SortDescendM1", .Name = "BySizeRemainderM2", .Caption = "By &Size Remainder",
     .Handler = &TMainForm::SortDescendM1Click, .Tag = SortCode::SizeRemainder},
    {.Kind = ekCommand, .Menu = "SortDescendM1", .Name = "ByTimeRemainderM2", .Caption = "By &Time Remainder",
     .Handler = &TMainForm::SortDescendM1Click, .Tag = SortCode::TimeRemainder},
    {.Kind = ekCommand, .Menu = "SortDescendM1", .Name = "ByResultM2", .Caption = "By &Result",
     .Handler = &TMainForm::SortDescendM1Click, .Tag = SortCode::Result},
    {.Kind = ekSeparator, .Menu = "SortDescendM1", .Name = "SeparatorM7"},
    {.Kind = ekCommand, .Menu = "SortDescendM1", .Name = "ByAbsoluteNameM2", .Caption = "By &Absolute Name",
     .Handler = &TMainForm::SortDescendM1Click, .Tag = SortCode::AbsoluteName},
    {.Kind = ekSeparator, .Menu = "EditM1", .Name = "SeparatorM8"},
    {.Kind = ekMenu, .Menu = "EditM1", .Name = "ExploreM1", .Caption = "E&xplore", .Popup = {"ExploreP1", "E&xplore"}},
    {.Kind = ekCommand, .Menu = "ExploreM1", .Name = "SourceM2", .Caption = "&Source", .Rule = crOneSelected,
     .Handler = &TMainForm::ExploreM1Click, .Tag = rnSource, .Popup = {"SourceP2", "&Source"}},
    {.Kind = ekCommand, .Menu = "ExploreM1", .Name = "DestinationM2", .Caption = "&Destination",
     .Rule = crOneWithDestination, .Handler = &TMainForm::ExploreM1Click, .Tag = rnDestination,
     .Popup = {"DestinationP2", "&Destination"}},
    {.Kind = ekCommand, .Menu = "ExploreM1", .Name = "BothM1", .Caption = "&Both", .Rule = crOneWithDestination,
     .Handler = &TMainForm::ExploreM1Click, .Tag = rnBoth, .Popup = {"BothP1", "&Both"}},
    {.Kind = ekMenu, .Menu = "EditM1", .Name = "PropertiesM1", .Caption = "&Properties",
     .Popup = {"Properties1", "&Properties"}},
    {.Kind = ekCommand, .Menu = "PropertiesM1", .Name = "SourceM3", .Caption = "&Source", .Rule = crOneSelected,
     .Handler = &TMainForm::PropertiesM1Click, .Tag = rnSource, .Popup = {"SourceP3", "&Source"}},
    {.Kind = ekCommand, .Menu = "PropertiesM1", .Name = "DestinationM3", .Caption = "&Destination",
     .Rule = crOneWithDestination, .Handler = &TMainForm::PropertiesM1Click, .Tag = rnDestination,
     .Popup = {"DestinationP3", "&Destination"}},
    {.Kind = ekCommand, .Menu = "PropertiesM1", .Name = "BothM2", .Caption = "&Both", .Rule = crOneWithDestination,
     .Handler = &TMainForm::PropertiesM1Click, .Tag = rnBoth, .Popup = {"BothP2", "&Both"}},
    {.Kind = ekSeparator, .Menu = "EditM1", .Name = "SeparatorM9", .Popup = {"SeparatorP3"}},
    {.Kind = ekCommand, .Menu = "EditM1", .Name = "SizeRemaindersM1", .Caption = "Si&ze Remainders",
     .Shortcut = Qt::CTRL | Qt::Key_R, .Rule = crSelection, .Handler = &TMainForm::SizeRemaindersM1Click,
     .Popup = {"SizeRemaindersP1", "Size &Remainders"}},

    {.Kind = ekMenu, .Menu = MenuBar, .Name = "ViewM1", .Caption = "&View"},
    {.Kind = ekCommand, .Menu = "ViewM1", .Name = "ResizeListColumnsM1", .Caption = "&Resize List Columns",
     .Shortcut = Qt::CTRL | Qt::Key_L, .Handler = &TMainForm::ResizeListColumnsM1Click,
     .Button = {"ResizeListColumnsT1", "Resize list columns", "resize-columns"}},
    {.Kind = ekSeparator, .Menu = "ViewM1", .Name = "SeparatorM10"},
    {.Kind = ekCommand, .Menu = "ViewM1", .Name = "ToolbarM1", .Caption = "&Toolbar",
     .Handler = &TMainForm::ViewM1Click, .Tag = vcToolbar, .Checkable = true},
    {.Kind = ekCommand, .Menu = "ViewM1", .Name = "StatusBarM1", .Caption = "&Status Bar",
     .Handler = &TMainForm::ViewM1Click, .Tag = vcStatusBar, .Checkable = true},
    {.Kind = ekSeparator, .Menu = "ViewM1", .Name = "SeparatorM11"},
    {.Kind = ekCommand, .Menu = "ViewM1", .Name = "LastPositionM1", .Caption = "&Last Position",
     .Handler = &TMainForm::ViewM1Click, .Tag = vcLastPosition, .Checkable = true},
    {.Kind = ekCommand, .Menu = "ViewM1", .Name = "TopmostM1", .Caption = "&Topmost",
     .Handler = &TMainForm::ViewM1Click, .Tag = vcTopmost, .Checkable = true},
    {.Kind = ekSeparator, .Menu = "ViewM1", .Name = "SeparatorM12"},
    {.Kind = ekCommand, .Menu = "ViewM1", .Name = "DefaultM1", .Caption = "&Default...",
     .Handler = &TMainForm::ViewM1Click, .Tag = vcDefault},

    {.Kind = ekMenu, .Menu = MenuBar, .Name = "OperationsM1", .Caption = "&Operations"},
    {.Kind = ekCommand, .Menu = "OperationsM1", .Name = "PerformToSelectionM1", .Caption = "Perform to &Selection...",
     .Shortcut = Qt::Key_F4, .Rule = crSelection, .Handler = &TMainForm::OperationsM1Click,
     .Tag = ocPerformToSelection,
     .Button = {"PerformToSelectionT1", "Perform operations to selected items", "perform-to-selection"}},
    {.Kind = ekCommand, .Menu = "OperationsM1", .Name = "PerformToAllM1", .Caption = "Perform to &All...",
     .Shortcut = Qt::SHIFT | Qt::Key_F4, .Rule = crRows, .Handler = &TMainForm::OperationsM1Click,
     .Tag = ocPerformToAll, .Button = {"PerformToAllT1", "Perform operations to all items", "perform-to-all"}},

    {.Kind = ekMenu, .Menu = MenuBar, .Name = "HelpM1", .Caption = "&Help"},
    {.Kind = ekCommand, .Menu = "HelpM1", .Name = "HelpM2", .Caption = "&Help...", .Shortcut = Qt::Key_F1,
     .Handler = &TMainForm::HelpM2Click},
    {.Kind = ekSeparator, .Menu = "HelpM1", .Name = "SeparatorM13"},
    {.Kind = ekCommand, .Menu = "HelpM1", .Name = "AboutM1", .Caption = "&About", .Handler = &TMainForm::AboutM1Click},
};
// clang-format on

constexpr const char* ToolBarSeparator = "-";
// The toolbar's buttons from left to right.
constexpr const char* ToolBarButtons[] = {
    "CompareT1",           ToolBarSeparator,       "CopySourceT1",   "CopyDestinationT1",
    "DeleteItemsT1",       "SelectAllT1",          ToolBarSeparator, "FindT1",
    ToolBarSeparator,      "PerformToSelectionT1", "PerformToAllT1", ToolBarSeparator,
    "ResizeListColumnsT1",
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

const TMenuEntry& EntryWithButton(std::string_view button)
{
    const auto found = std::find_if(std::begin(MenuEntries), std::end(MenuEntries), [button](const TMenuEntry& entry) {
        return entry.Button.Name != nullptr && entry.Button.Name == button;
    });
    if (found == std::end(MenuEntries))
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
        QAction& command = Command(EntryWithButton(button).Name);
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

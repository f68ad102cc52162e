#include "app/Tmainform.h"

#include <optional>

#include <QAction>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWindow>

#include "app/Programversion.h"
#include "app/Tapplication.h"
#include "app/Tapplicationforms.h"
#include "app/Tfiledroptarget.h"
#include "app/Tfilehistorymenu.h"
#include "app/Tlistfilterfield.h"
#include "app/Tlistoperations.h"
#include "app/Tmaincommands.h"
#include "app/Tmainformsize.h"
#include "app/Tmainstatusbar.h"
#include "app/Tprogramfiles.h"
#include "app/Tresultlist.h"
#include "app/Tresultlistexport.h"
#include "app/Tresultlistview.h"
#include "dialogs/Tdesignscale.h"
#include "dialogs/Tfinditemdialog.h"
#include "dialogs/Tmessenger.h"
#include "operations/qt/Toperationsdialog.h"
#include "settings/qt/Qtwindowrect.h"
#include "settings/qt/Savelistas.h"
#include "sys/Shellhelpers.h"
#include "sys/Tfilesystem.h"
#include "sys/Tshell.h"
#include "sys/qt/Qtdesktop.h"

const std::string VersionText = "Version " + std::string(ProgramVersion) + ".";

TMainForm* MainForm = nullptr;

namespace {
constexpr std::int32_t FileHistoryCapacity = 8;

Qt::WindowStates QtWindowState(TWindowState state)
{
    switch (state) {
    case wsMinimized:
        return Qt::WindowMinimized;
    case wsMaximized:
        return Qt::WindowMaximized;
    default:
        return Qt::WindowNoState;
    }
}
}  // namespace

TMainForm::TMainForm(const TMainFormServices& services, std::vector<std::string> arguments, QWidget* parent)
    : QMainWindow(parent),
      Messenger(services.Messenger),
      FileChooser(services.FileChooser),
      Shell(services.Shell),
      Arguments(std::move(arguments)),
      Settings(services.SettingsFileName, services.Messenger),
      Comparison(services.Messenger, services.MainThread, services.FileSystem,
                 {[this](bool ask) { return ClearList(ask); },
                  [this](std::vector<TCompareItem> items, const TCompareRoots& roots,
                         std::optional<TDestinationSide> destination) {
                      FillList(std::move(items), roots, std::move(destination));
                  }})
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QString::fromStdString(ApplicationTitle()));
    setWindowIcon(ApplicationIcon());

    CreateList();
    CreateCommands();
    StatusBar = new TMainStatusBar(this);
    setStatusBar(StatusBar);
    resize(MainFormFirstSize(*this, ResultList->WidthForCaptions()));

    // The command line waits until the loop has run out of events for the first time.
    QTimer::singleShot(0, this, &TMainForm::ProcessCommandLine);
    new TFileDropTarget(*this, [this](const std::vector<std::string>& names) { OpenDropped(names); });

    OpenDialogs.Add(SaveDialog1);
    OpenDialogs.Add(OpenDialog1);
    OpenDialogs.Add(SaveDialog2);
    FileHistory.SetCapacity(FileHistoryCapacity);
    FileHistory.OnChange = [this](TFileHistory*) { FileHistoryChange(); };
    FileHistoryChange();

    CompareDialog = new TCompareDialog(Messenger, this);
    DialogAnswers.Attach(*CompareDialog);

    ApplyViewOptions();
    UpdateCommands(true);
    // A hidden window lays out its children only when asked; the columns need the list's width.
    layout()->activate();
    ListPanel->layout()->activate();
    ResizeListColumns();
    // Last, so that what was stored wins over the defaults.
    const std::optional<TStoredSettings> stored = Settings.LoadSettings(CurrentSettingsState(), FileHistory.Capacity());
    if (stored)
        ApplyStoredSettings(*stored);
    SetStatusText("Ready");
}

TMainForm::~TMainForm()
{
    ResultList->Clear();
    delete CompareDialog;
    CompareDialog = nullptr;
    OpenDialogs.Clear();
}

void TMainForm::CreateList()
{
    ListPanel = new QWidget(this);
    ListPanel->setObjectName(QStringLiteral("ListPanel"));
    auto* layout = new QVBoxLayout(ListPanel);
    layout->setContentsMargins(0, 0, 0, 0);
    ResultList = std::make_unique<TResultList>(Messenger, Shell, ListPanel);
    ResultList->OnColumnClick = [this](int column) { SortByColumn(column); };
    ResultList->OnSelectItem = [this] { SelectionChanged(); };
    layout->addWidget(&ResultList->ListView());
    setCentralWidget(ListPanel);
    // The keys of the list work from the start.
    ResultList->ListView().setFocus();
}

void TMainForm::CreateCommands()
{
    menuBar()->setObjectName(QStringLiteral("MainMenu"));
    ToolBar = new QToolBar(this);
    ToolBar->setObjectName(QStringLiteral("ToolBar"));
    ToolBar->setMovable(false);
    ToolBar->setFloatable(false);
    ToolBar->setContextMenuPolicy(Qt::PreventContextMenu);
    ToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    const int iconSize = TDesignScale(this)(20);
    ToolBar->setIconSize(QSize(iconSize, iconSize));
    addToolBar(Qt::TopToolBarArea, ToolBar);
    ContextMenu = new QMenu(this);
    ContextMenu->setObjectName(QStringLiteral("ContextMenu"));
    Commands = std::make_unique<TMainCommands>(*this, *menuBar(), *ToolBar, *ContextMenu);
    std::vector<QAction*> historyItems;
    for (int place = 1; place <= FileHistoryCapacity; ++place)
        historyItems.push_back(&Commands->Command("HistoryItem" + std::to_string(place)));
    HistoryMenu = std::make_unique<TFileHistoryMenu>(FileHistory, Messenger, std::move(historyItems));

    ToolBar->addSeparator();
    FilterField = ResultList->CreateFilterField(ToolBar);
    FilterField->setObjectName(QStringLiteral("FilterField"));
    ToolBar->addWidget(FilterField);
    connect(FilterField, &TListFilterField::ShownRowsChanged, this, &TMainForm::UpdateItemCount);
    auto* filterShortcut = new QAction(this);
    filterShortcut->setObjectName(QStringLiteral("FilterShortcut"));
    filterShortcut->setShortcut(TListFilterField::Shortcut());
    addAction(filterShortcut);
    connect(filterShortcut, &QAction::triggered, this, &TMainForm::FocusFilter);
    // No narrower than all the buttons and the filter field, none of them folded away.
    ToolBar->setMinimumWidth(ToolBar->sizeHint().width());
}

void TMainForm::contextMenuEvent(QContextMenuEvent* event)
{
    ContextMenu->popup(event->globalPos());
    event->accept();
}

void TMainForm::SetStatusText(const std::string& text) { StatusBar->SetText(text); }

std::string TMainForm::StatusText() const { return StatusBar->Text(); }

// ---- Start, command line, drops and closing

void TMainForm::ProcessCommandLine()
{
    if (Arguments.empty())
        return;
    std::vector<std::string> names;
    for (const std::string& argument : Arguments)
        names.push_back(LongPathName(argument));
    OpenFiles(names);
}

void TMainForm::OpenFiles(const std::vector<std::string>& names)
{
    if (names.size() != 1) {
        Messenger.ShowError("Set one item.");
        return;
    }
    Comparison.Run(names.front());
}

void TMainForm::OpenDropped(const std::vector<std::string>& names)
{
    BringToForeground(this);
    if (!names.empty())
        OpenFiles(names);
}

void TMainForm::Exit() { close(); }

bool TMainForm::FormCloseQuery()
{
    if (!ClearList(true))
        return false;
    // A Cancel on the retry question closes the window without saved settings.
    Settings.SaveSettings(CurrentSettingsState());
    return true;
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    if (FormCloseQuery())
        event->accept();
    else
        event->ignore();
}

// ---- Comparison

void TMainForm::Compare() { Comparison.Run({}); }

// ---- Save List As and the file history

void TMainForm::SaveList() { SaveListAs(TResultListExport(ResultList->ListModel()), OpenDialogs, Messenger); }

void TMainForm::FileHistoryChange()
{
    HistoryMenu->Show();
    UpdateCommands(false);
}

void TMainForm::OpenHistoryItem(QAction* sender)
{
    if (const std::optional<std::string> name = HistoryMenu->Chosen(CommandTag(sender)))
        Comparison.Run(*name);
}

void TMainForm::ClearHistory() { HistoryMenu->Clear(); }

// ---- The result list

bool TMainForm::ClearList(bool ask)
{
    if (ask && ResultList->TotalCount() > 0 && !Messenger.Confirm("Clear the list?"))
        return false;
    ResultList->Clear();
    DestinationSide.reset();
    UpdateItemCount();
    return true;
}

void TMainForm::FillList(std::vector<TCompareItem> items, const TCompareRoots& roots,
                         std::optional<TDestinationSide> destination)
{
    ResultList->Fill(std::move(items), roots);
    DestinationSide = std::move(destination);
    UpdateItemCount();
}

void TMainForm::UpdateItemCount()
{
    StatusBar->ShowItemCount(*ResultList);
    UpdateCommands(false);
}

TCommandState TMainForm::CurrentCommandState() const
{
    TCommandState state;
    state.HasHistory = FileHistory.Count() > 0;
    state.HasRows = ResultList->Count() > 0;
    const std::vector<TRowRange> selected = ResultList->SelectedRows();
    state.HasSelection = !selected.empty();
    state.OneSelected = RowCountOf(selected) == 1;
    state.OneWithDestination = state.OneSelected && ResultList->Item(selected.front().First).DstExists();
    return state;
}

void TMainForm::UpdateCommands(bool force) { Commands->Update(CurrentCommandState(), force); }

void TMainForm::SelectionChanged()
{
    StatusBar->ShowSelectedCount(*ResultList);
    UpdateCommands(false);
}

void TMainForm::FocusFilter()
{
    if (!FViewOptions.ToolBar) {
        TViewOptions options = FViewOptions;
        options.ToolBar = true;
        SetViewOptions(options);
    }
    FilterField->TakeFocus();
}

void TMainForm::SortByColumn(int column) { ResultList->SortByColumn(column); }

void TMainForm::CopyNames(QAction* sender) { ResultList->CopyNames(CommandTag<TRowNames>(sender)); }

void TMainForm::DeleteItems()
{
    if (ResultList->DeleteSelected())
        UpdateItemCount();
}

void TMainForm::Select(QAction* sender) { ResultList->Select(CommandTag<TSelectCommand>(sender)); }

void TMainForm::Search(QAction* sender)
{
    TItemViewFindList list = ResultList->FindList();
    RunSearchCommand(CommandTag<TSearchCommand>(sender), *FindItemDialog, list, Messenger);
}

void TMainForm::SortAscending(QAction* sender) { ResultList->SortList(CommandTag(sender)); }

void TMainForm::SortDescending(QAction* sender) { ResultList->SortList(CommandTag(sender) + SortCode::Descending); }

void TMainForm::ShowSizeRemainders() { ResultList->ShowSizeRemainders(); }

void TMainForm::Explore(QAction* sender) { ResultList->ShellSelectedItem(CommandTag<TRowNames>(sender), saExplore); }

void TMainForm::ShowProperties(QAction* sender)
{
    ResultList->ShellSelectedItem(CommandTag<TRowNames>(sender), saProperties);
}

void TMainForm::ResizeListColumns() { ResultList->ResizeColumns(); }

// ---- Operations

void TMainForm::PerformOperations(QAction* sender)
{
    const bool all = CommandTag<TOperationsCommand>(sender) == ocPerformToAll;
    PerformOperationsOnRows(*OperationsDialog, *ResultList, all ? ResultList->AllRows() : ResultList->SelectedRows(),
                            DestinationSide ? &*DestinationSide : nullptr, OperationsSwitches);
}

// ---- View, Help and About

void TMainForm::SetViewOptions(const TViewOptions& options)
{
    if (options == FViewOptions)
        return;
    FViewOptions = options;
    ApplyViewOptions();
}

void TMainForm::ApplyViewOptions()
{
    ToolBar->setVisible(FViewOptions.ToolBar);
    StatusBar->setVisible(FViewOptions.StatusBar);
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) != FViewOptions.TopMost) {
        // The widget's own flag change would destroy the native window and make a new one;
        // told to the window itself, the flag only moves it in the z-order.
        const Qt::WindowFlags flags = windowFlags() ^ Qt::WindowStaysOnTopHint;
        overrideWindowFlags(flags);
        if (QWindow* shown = windowHandle())
            shown->setFlags(flags);
    }
    Commands->Command("ToolbarCommand").setChecked(FViewOptions.ToolBar);
    Commands->Command("StatusBarCommand").setChecked(FViewOptions.StatusBar);
    Commands->Command("LastPositionCommand").setChecked(FViewOptions.LastPosition);
    Commands->Command("TopmostCommand").setChecked(FViewOptions.TopMost);
}

void TMainForm::ChangeView(QAction* sender)
{
    TViewOptions options = FViewOptions;
    switch (CommandTag<TViewCommand>(sender)) {
    case vcToolbar:
        options.ToolBar = !options.ToolBar;
        break;
    case vcStatusBar:
        options.StatusBar = !options.StatusBar;
        break;
    case vcLastPosition:
        options.LastPosition = !options.LastPosition;
        break;
    case vcTopmost:
        options.TopMost = !options.TopMost;
        break;
    case vcDefault:
        if (!Messenger.Confirm("Set default settings?"))
            return;
        options = TViewOptions();
        break;
    }
    SetViewOptions(options);
}

TSettingsState TMainForm::CurrentSettingsState() const
{
    TSettingsState state;
    state.ViewOptions = FViewOptions;
    state.WindowState = isMinimized() ? wsMinimized : isMaximized() ? wsMaximized : wsNormal;
    state.Bounds = WindowRect(geometry());
    state.ListColumnWidths = ResultList->ColumnWidths();
    state.FileHistory = FileHistory.Entries();
    state.InitialDir = OpenDialogs.InitialDir;
    state.FilterIndexes = OpenDialogs.FilterIndexes();
    state.OperationsSwitches = OperationsSwitches;
    return state;
}

void TMainForm::ApplyStoredSettings(const TStoredSettings& settings)
{
    SetViewOptions(settings.ViewOptions);
    if (settings.WindowState)
        setWindowState(QtWindowState(*settings.WindowState));
    if (settings.Bounds)
        setGeometry(ToQRect(PlaceOnAvailableScreens(*settings.Bounds)));
    if (settings.ListColumnWidths)
        ResultList->SetColumnWidths(*settings.ListColumnWidths);
    FileHistory.Assign(settings.FileHistory);
    OpenDialogs.InitialDir = settings.InitialDir;
    OpenDialogs.SetFilterIndexes(settings.FilterIndexes);
    OperationsSwitches = settings.OperationsSwitches;
}

void TMainForm::OpenHelp()
{
    if (!Messenger.Confirm("Open the help document?"))
        return;
    if (!Shell.OpenDocument(HelpFileName()))
        Messenger.ShowError("The program cannot open the document: " + HelpFileName());
}

void TMainForm::ShowAbout()
{
    TMessageDialog about;
    about.Caption = "About";
    about.Text = ApplicationTitle() + " for Linux " + VersionText + "\r\n\r\n" + OwnershipNotice;
    about.Buttons = {"OK"};
    about.DefaultButton = 0;
    about.CancelButton = 0;
    about.Kind = mkCustomIcon;
    about.Icon = ApplicationIcon();
    Messenger.Execute(about);
}

#include "app/Tmainform.h"

#include <optional>

#include <QAction>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWindow>

#include "app/Programversion.h"
#include "app/Tapplication.h"
#include "app/Tapplicationforms.h"
#include "app/Tlistfilterfield.h"
#include "app/Tmaincommands.h"
#include "app/Tmainformsize.h"
#include "app/Tmainstatusbar.h"
#include "app/Tprogramfiles.h"
#include "app/Tresultlist.h"
#include "app/Tresultlistexport.h"
#include "app/Tresultlistview.h"
#include "compare/Tcomparethread.h"
#include "dialogs/Tdesignscale.h"
#include "dialogs/Tfinditemdialog.h"
#include "dialogs/Tmessenger.h"
#include "dialogs/Tprogressdialog.h"
#include "operations/qt/Toperationsdialog.h"
#include "settings/qt/Qtwindowrect.h"
#include "settings/qt/Savelistas.h"
#include "sys/Failurereason.h"
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
      MainThread(services.MainThread),
      FileSystem(services.FileSystem),
      Arguments(std::move(arguments)),
      Settings(services.SettingsFileName, services.Messenger)
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QString::fromStdString(ApplicationTitle()));
    setWindowIcon(ApplicationIcon());

    CreateList();
    CreateCommands();
    StatusBar1 = new TMainStatusBar(this);
    setStatusBar(StatusBar1);
    resize(MainFormFirstSize(*this, ResultList->WidthForCaptions()));

    // The command line waits until the loop has run out of events for the first time.
    QTimer::singleShot(0, this, &TMainForm::ApplicationIdle);
    setAcceptDrops(true);

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
    Panel1->layout()->activate();
    ResizeListColumnsM1Click();
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
    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    auto* layout = new QVBoxLayout(Panel1);
    layout->setContentsMargins(0, 0, 0, 0);
    ResultList = std::make_unique<TResultList>(Messenger, Shell, Panel1);
    ResultList->OnColumnClick = [this](int column) { ListView1ColumnClick(column); };
    ResultList->OnSelectItem = [this] { ListView1SelectItem(); };
    layout->addWidget(&ResultList->ListView());
    setCentralWidget(Panel1);
    // The keys of the list work from the start.
    ResultList->ListView().setFocus();
}

void TMainForm::CreateCommands()
{
    menuBar()->setObjectName(QStringLiteral("MainMenu1"));
    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setContextMenuPolicy(Qt::PreventContextMenu);
    ToolBar1->setToolButtonStyle(Qt::ToolButtonIconOnly);
    const int iconSize = TDesignScale(this)(20);
    ToolBar1->setIconSize(QSize(iconSize, iconSize));
    addToolBar(Qt::TopToolBarArea, ToolBar1);
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    Commands = std::make_unique<TMainCommands>(*this, *menuBar(), *ToolBar1, *PopupMenu1);
    for (int place = 1; place <= FileHistoryCapacity; ++place)
        HistoryMenuItems.push_back(&Commands->Command("HistoryItemM" + std::to_string(place)));

    ToolBar1->addSeparator();
    FilterEdit1 = ResultList->CreateFilterField(ToolBar1);
    FilterEdit1->setObjectName(QStringLiteral("FilterEdit1"));
    ToolBar1->addWidget(FilterEdit1);
    connect(FilterEdit1, &TListFilterField::ShownRowsChanged, this, &TMainForm::UpdateItemCount);
    auto* filterShortcut = new QAction(this);
    filterShortcut->setObjectName(QStringLiteral("FilterShortcut1"));
    filterShortcut->setShortcut(TListFilterField::Shortcut());
    addAction(filterShortcut);
    connect(filterShortcut, &QAction::triggered, this, &TMainForm::FilterShortcut1Click);
    // No narrower than all the buttons and the filter field, none of them folded away.
    ToolBar1->setMinimumWidth(ToolBar1->sizeHint().width());
}

void TMainForm::contextMenuEvent(QContextMenuEvent* event)
{
    PopupMenu1->popup(event->globalPos());
    event->accept();
}

void TMainForm::SetStatusText(const std::string& text) { StatusBar1->SetText(text); }

std::string TMainForm::StatusText() const { return StatusBar1->Text(); }

// ---- Start, command line, drops and closing

void TMainForm::ApplicationIdle() { ProcessCommandLine(); }

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
    RunCompare(names.front());
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event)
{
    if (CarriesLocalFiles(*event->mimeData()))
        event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event)
{
    std::vector<std::string> names = DroppedFileNames(*event->mimeData());
    event->acceptProposedAction();
    // The drag source waits for the drop to return; the dialogs run after it.
    QMetaObject::invokeMethod(
        this, [this, names = std::move(names)] { WMDropFiles(names); }, Qt::QueuedConnection);
}

void TMainForm::WMDropFiles(const std::vector<std::string>& names)
{
    BringToForeground(this);
    if (!names.empty())
        OpenFiles(names);
}

void TMainForm::ExitM1Click() { close(); }

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

void TMainForm::CompareM1Click() { RunCompare({}); }

void TMainForm::RunCompare(const std::string& compareFileName)
{
    if (!CompareDialog->Execute(compareFileName))
        return;
    if (!ClearList(true))
        return;
    auto* thread = new TCompareThread(CompareDialog->Options(), MainThread, FileSystem);
    thread->OnProgress = [this](TReportThread* sender, std::int32_t position, std::int32_t maximum) {
        CompareThreadProgress(sender, position, maximum);
    };
    thread->OnTerminate = [this](TReportThread* sender) { CompareThreadTerminate(sender); };
    ProgressDialog->setWindowTitle(tr("Compare"));
    ProgressDialog->Execute(thread, &thread->Walked);
}

void TMainForm::CompareThreadProgress(TReportThread*, std::int32_t position, std::int32_t maximum)
{
    ProgressDialog->SetProgress(position, maximum);
}

void TMainForm::CompareThreadTerminate(TReportThread* sender)
{
    auto* thread = static_cast<TCompareThread*>(sender);
    if (thread->Failed || !thread->Completed()) {
        if (thread->Failed)
            ReportFailureReason("the comparison failed", thread->FailureReason);
        ProgressDialog->Finish(false);
        ProgressDialog->SetText(thread->Failed ? "Error" : "Canceled");
        return;
    }
    try {
        // The thread is done with its items and freed next: the list takes them, so that a
        // million items are neither copied nor held twice.
        if (ClearList(true))
            FillList(std::move(thread->Items), {thread->Options.SrcDir, thread->Options.DstDir});
        ProgressDialog->Finish(true);
    } catch (...) {
        // A failure here would otherwise go back to the worker, and the dialog, still
        // holding the thread, could never be closed.
        ResultList->Clear();
        UpdateItemCount();
        ProgressDialog->Finish(false);
        ProgressDialog->SetText("Error");
        ShowExceptionBox(Messenger, std::current_exception());
    }
}

// ---- Save List As and the file history

void TMainForm::SaveListAsM1Click() { SaveListAs(TResultListExport(ResultList->ListModel()), OpenDialogs, Messenger); }

void TMainForm::FileHistoryChange()
{
    const auto items = static_cast<std::int32_t>(HistoryMenuItems.size());
    for (std::int32_t i = 0; i < FileHistory.Capacity() && i < items; ++i) {
        QAction* item = HistoryMenuItems[static_cast<std::size_t>(i)];
        const bool shown = i < FileHistory.Count();
        item->setText(shown ? QString::fromStdString(FileHistoryCaption(i, FileHistory.Get(i))) : QString());
        item->setVisible(shown);
    }
    UpdateCommands(false);
}

void TMainForm::HistoryM1Click(QAction* sender)
{
    const std::int32_t index = CommandTag(sender);
    if (index >= FileHistory.Count())
        return;
    const std::string name = FileHistory.Get(index);
    if (FileExists(name))
        RunCompare(name);
    else if (Messenger.AskAfterFailure("The program cannot find the file: " + name +
                                       "\r\n\r\nDelete the item from the history?"))
        FileHistory.Delete(index);
}

void TMainForm::ClearM1Click()
{
    if (Messenger.Confirm("Clear the history?"))
        FileHistory.Clear();
}

// ---- The result list

bool TMainForm::ClearList(bool ask)
{
    if (ask && ResultList->TotalCount() > 0 && !Messenger.Confirm("Clear the list?"))
        return false;
    ResultList->Clear();
    UpdateItemCount();
    return true;
}

void TMainForm::FillList(std::vector<TCompareItem> items, const TTransferRoots& roots)
{
    ResultList->Fill(std::move(items));
    ListRoots = roots;
    UpdateItemCount();
}

void TMainForm::UpdateItemCount()
{
    StatusBar1->ShowItemCount(*ResultList);
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
    state.OneWithDestination = state.OneSelected && ResultList->Item(selected.front().First).DstExists;
    return state;
}

void TMainForm::UpdateCommands(bool force) { Commands->Update(CurrentCommandState(), force); }

void TMainForm::ListView1SelectItem()
{
    StatusBar1->ShowSelectedCount(*ResultList);
    UpdateCommands(false);
}

void TMainForm::FilterShortcut1Click()
{
    if (!FViewOptions.ToolBar) {
        TViewOptions options = FViewOptions;
        options.ToolBar = true;
        SetViewOptions(options);
    }
    FilterEdit1->TakeFocus();
}

void TMainForm::ListView1ColumnClick(int column) { ResultList->SortByColumn(column); }

void TMainForm::CopyM1Click(QAction* sender) { ResultList->CopyNames(CommandTag<TRowNames>(sender)); }

void TMainForm::DeleteM1Click()
{
    if (ResultList->DeleteSelected())
        UpdateItemCount();
}

void TMainForm::SelectM1Click(QAction* sender) { ResultList->Select(CommandTag<TSelectCommand>(sender)); }

void TMainForm::SearchM1Click(QAction* sender)
{
    TItemViewFindList list = ResultList->FindList();
    RunSearchCommand(CommandTag<TSearchCommand>(sender), *FindItemDialog, list, Messenger);
}

void TMainForm::SortAscendM1Click(QAction* sender) { ResultList->SortList(CommandTag(sender)); }

void TMainForm::SortDescendM1Click(QAction* sender) { ResultList->SortList(CommandTag(sender) + SortCode::Descending); }

void TMainForm::SizeRemaindersM1Click() { ResultList->ShowSizeRemainders(); }

void TMainForm::ExploreM1Click(QAction* sender)
{
    ResultList->ShellSelectedItem(CommandTag<TRowNames>(sender), saExplore);
}

void TMainForm::PropertiesM1Click(QAction* sender)
{
    ResultList->ShellSelectedItem(CommandTag<TRowNames>(sender), saProperties);
}

void TMainForm::ResizeListColumnsM1Click() { ResultList->ResizeColumns(); }

// ---- Operations

void TMainForm::OperationsM1Click(QAction* sender)
{
    const std::vector<TRowRange> taken =
        CommandTag<TOperationsCommand>(sender) == ocPerformToAll ? ResultList->AllRows() : ResultList->SelectedRows();
    std::vector<std::string> sources;
    std::vector<std::string> destinations;
    std::vector<TSeenFiles> seen;
    const auto count = static_cast<std::size_t>(RowCountOf(taken));
    sources.reserve(count);
    destinations.reserve(count);
    seen.reserve(count);
    for (const TRowRange& range : taken)
        for (int row = range.First; row <= range.Last; ++row) {
            const TCompareItem& item = ResultList->Item(row);
            sources.push_back(item.SrcPath);
            destinations.push_back(item.DstPath);
            seen.push_back(SeenFiles(item));
        }
    // Whatever the operations changed on disk, the list stays as it was; a new comparison shows it.
    OperationsDialog->SetSwitches(OperationsSwitches);
    OperationsDialog->Execute(sources, destinations, ListRoots, seen);
    OperationsSwitches = OperationsDialog->Switches();
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
    ToolBar1->setVisible(FViewOptions.ToolBar);
    StatusBar1->setVisible(FViewOptions.StatusBar);
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) != FViewOptions.TopMost) {
        // The widget's own flag change would destroy the native window and make a new one;
        // told to the window itself, the flag only moves it in the z-order.
        const Qt::WindowFlags flags = windowFlags() ^ Qt::WindowStaysOnTopHint;
        overrideWindowFlags(flags);
        if (QWindow* shown = windowHandle())
            shown->setFlags(flags);
    }
    Commands->Command("ToolbarM1").setChecked(FViewOptions.ToolBar);
    Commands->Command("StatusBarM1").setChecked(FViewOptions.StatusBar);
    Commands->Command("LastPositionM1").setChecked(FViewOptions.LastPosition);
    Commands->Command("TopmostM1").setChecked(FViewOptions.TopMost);
}

void TMainForm::ViewM1Click(QAction* sender)
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

void TMainForm::HelpM2Click()
{
    if (!Messenger.Confirm("Open the help document?"))
        return;
    if (!Shell.OpenDocument(HelpFileName()))
        Messenger.ShowError("The program cannot open the document: " + HelpFileName());
}

void TMainForm::AboutM1Click()
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

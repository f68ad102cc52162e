#include "app/Tmainform.h"

#include <algorithm>
#include <optional>
#include <stdexcept>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <QWindow>

#include "app/Programversion.h"
#include "app/Tapplication.h"
#include "app/Tapplicationforms.h"
#include "app/Tprogramfiles.h"
#include "app/Tresultlistexport.h"
#include "app/Tresultlistview.h"
#include "compare/Tcomparethread.h"
#include "dialogs/Tdesignscale.h"
#include "dialogs/Tfinditemdialog.h"
#include "dialogs/Titemviewfindlist.h"
#include "dialogs/Tmessenger.h"
#include "dialogs/Tprogressdialog.h"
#include "operations/Toperationsdialog.h"
#include "settings/Qtwindowrect.h"
#include "settings/Savelistas.h"
#include "sys/Failurereason.h"
#include "sys/Mysysutils.h"
#include "sys/Shellhelpers.h"
#include "sys/Tfilesystem.h"
#include "sys/Tshell.h"
#include "sys/qt/Qtdesktop.h"

const std::string VersionText = "Version " + std::string(ProgramVersion) + ".";

TMainForm* MainForm = nullptr;

namespace {
constexpr std::int32_t FileHistoryCapacity = 8;

// The order of the By ... items of both sort menus.
constexpr TSortCode SortKeys[] = {SortCode::Name,          SortCode::Directory, SortCode::Extension,
                                  SortCode::SizeRemainder, SortCode::TimeRemainder, SortCode::Result,
                                  SortCode::AbsoluteName};

// The busy cursor for as long as it lives.
class TBusyCursor {
public:
    TBusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TBusyCursor() { QApplication::restoreOverrideCursor(); }
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;
};

// No repainting of the widget for as long as it lives.
class TBulkUpdate {
public:
    explicit TBulkUpdate(QWidget* widget) : Widget(widget), WasEnabled(widget->updatesEnabled())
    {
        Widget->setUpdatesEnabled(false);
    }
    ~TBulkUpdate() { Widget->setUpdatesEnabled(WasEnabled); }
    TBulkUpdate(const TBulkUpdate&) = delete;
    TBulkUpdate& operator=(const TBulkUpdate&) = delete;

private:
    QWidget* Widget;
    bool WasEnabled;
};

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

QIcon CommandIcon(const char* name)
{
    const QString themeName = QString::fromLatin1(name);
    return QIcon::fromTheme(themeName, QIcon(QStringLiteral(":/icons/%1.svg").arg(themeName)));
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
    CreateMenus();
    CreateToolBar();
    CreatePopupMenu();
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(true);
    StatusText1 = new QLabel(StatusBar1);
    StatusText1->setObjectName(QStringLiteral("StatusText1"));
    StatusText1->setTextFormat(Qt::PlainText);
    StatusBar1->addWidget(StatusText1, 1);
    setStatusBar(StatusBar1);
    resize(FirstSize());

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

QSize TMainForm::FirstSize() const
{
    // Designed as 488 by 377 pixels at 120 dots per inch for a font 15 pixels high; a screen
    // whose font is larger for its resolution gets a window that is larger to the same degree.
    const TDesignScale scale(this);
    const double fontScale = fontMetrics().height() / 15.0;
    const int designWidth = std::max(scale(488), static_cast<int>(488 * fontScale));
    const int designHeight = std::max(scale(377), static_cast<int>(377 * fontScale));
    // The columns share the list's width equally, so the widest caption sets every share;
    // two characters more keep captions off their neighbours and leave room for values.
    const QHeaderView* header = ListView1->header();
    int share = 0;
    for (int column = 0; column < static_cast<int>(ResultColumnCount); ++column)
        share = std::max(share, header->sectionSizeHint(column));
    share += 2 * header->fontMetrics().averageCharWidth();
    const int listWidth = static_cast<int>(ResultColumnCount) * share +
                          ListView1->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, ListView1) +
                          2 * ListView1->frameWidth();
    const int width = std::max(designWidth, listWidth);
    QSize size(width, std::max(designHeight, width * 377 / 488));
    // The frame and the desktop's panels need their room too.
    if (const QScreen* shown = screen())
        size = size.boundedTo(shown->availableGeometry().size() * 9 / 10);
    return size;
}

TMainForm::~TMainForm()
{
    Model.Clear();
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

    ListView1 = new TResultListView(Panel1);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setModel(&Model);
    ListView1->setUniformRowHeights(true);
    ListView1->setRootIsDecorated(false);
    ListView1->setItemsExpandable(false);
    ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setAllColumnsShowFocus(true);
    ListView1->setSortingEnabled(false);
    ListView1->setTextElideMode(Qt::ElideRight);
    QHeaderView* header = ListView1->header();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(false);
    header->setSectionsMovable(false);
    header->setStretchLastSection(false);
    connect(header, &QHeaderView::sectionClicked, this, &TMainForm::ListView1ColumnClick);
    connect(ListView1->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TMainForm::ListView1SelectItem);
    layout->addWidget(ListView1);
    setCentralWidget(Panel1);
    // The keys of the list work from the start.
    ListView1->setFocus();
}

QAction* TMainForm::AddCommand(QMenu* menu, const char* name, const QString& caption, TCommandRule rule,
                               const QKeySequence& shortcut)
{
    auto* action = new QAction(caption, this);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(shortcut);
    menu->addAction(action);
    Commands.emplace_back(action, rule);
    return action;
}

QAction* TMainForm::AddSeparator(QMenu* menu, const char* name)
{
    QAction* separator = menu->addSeparator();
    separator->setObjectName(QString::fromLatin1(name));
    return separator;
}

void TMainForm::CreateMenus()
{
    const auto menu = [](QWidget* parent, const char* name, const QString& caption) {
        auto* created = new QMenu(caption, parent);
        created->setObjectName(QString::fromLatin1(name));
        created->menuAction()->setObjectName(QString::fromLatin1(name));
        if (auto* bar = qobject_cast<QMenuBar*>(parent))
            bar->addMenu(created);
        else
            static_cast<QMenu*>(parent)->addMenu(created);
        return created;
    };
    const auto connectTo = [this](QAction* action, void (TMainForm::*handler)(QAction*)) {
        connect(action, &QAction::triggered, this, [this, action, handler] { (this->*handler)(action); });
    };
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));

    FileM1 = menu(bar, "FileM1", tr("&File"));
    CompareM1 = AddCommand(FileM1, "CompareM1", tr("&Compare..."), crAlways, QKeySequence(Qt::Key_F2));
    SaveListAsM1 = AddCommand(FileM1, "SaveListAsM1", tr("&Save List As..."), crRows);
    AddSeparator(FileM1, "SeparatorM1");
    HistoryM1 = menu(FileM1, "HistoryM1", tr("&History"));
    for (int i = 1; i <= FileHistoryCapacity; ++i) {
        auto* item = new QAction(this);
        item->setObjectName(QStringLiteral("HistoryItemM%1").arg(i));
        HistoryM1->addAction(item);
        HistoryMenuItems.push_back(item);
        connectTo(item, &TMainForm::HistoryM1Click);
    }
    AddSeparator(HistoryM1, "SeparatorM2");
    ClearM1 = AddCommand(HistoryM1, "ClearM1", tr("&Clear..."), crHistory);
    AddSeparator(FileM1, "SeparatorM3");
    ExitM1 = AddCommand(FileM1, "ExitM1", tr("E&xit"), crAlways);
    connect(CompareM1, &QAction::triggered, this, &TMainForm::CompareM1Click);
    connect(SaveListAsM1, &QAction::triggered, this, &TMainForm::SaveListAsM1Click);
    connect(ClearM1, &QAction::triggered, this, &TMainForm::ClearM1Click);
    connect(ExitM1, &QAction::triggered, this, &TMainForm::ExitM1Click);

    EditM1 = menu(bar, "EditM1", tr("&Edit"));
    CopyM1 = menu(EditM1, "CopyM1", tr("&Copy"));
    SourceM1 = AddCommand(CopyM1, "SourceM1", tr("&Source"), crSelection, QKeySequence(Qt::CTRL | Qt::Key_C));
    DestinationM1 = AddCommand(CopyM1, "DestinationM1", tr("&Destination"), crSelection,
                               QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    DeleteM1 = AddCommand(EditM1, "DeleteM1", tr("&Delete..."), crSelection, QKeySequence(Qt::Key_Delete));
    SelectM1 = menu(EditM1, "SelectM1", tr("&Select"));
    AllM1 = AddCommand(SelectM1, "AllM1", tr("&All"), crAlways, QKeySequence(Qt::CTRL | Qt::Key_A));
    NoneM1 = AddCommand(SelectM1, "NoneM1", tr("&None"), crAlways, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));
    InvertM1 = AddCommand(SelectM1, "InvertM1", tr("&Invert"), crAlways);
    AddSeparator(EditM1, "SeparatorM4");
    SearchM1 = menu(EditM1, "SearchM1", tr("S&earch"));
    FindM1 = AddCommand(SearchM1, "FindM1", tr("&Find..."), crAlways, QKeySequence(Qt::CTRL | Qt::Key_F));
    FindNextM1 = AddCommand(SearchM1, "FindNextM1", tr("Find &Next"), crAlways, QKeySequence(Qt::Key_F3));
    FindPreviousM1 = AddCommand(SearchM1, "FindPreviousM1", tr("Find &Previous"), crAlways,
                                QKeySequence(Qt::SHIFT | Qt::Key_F3));
    AddSeparator(EditM1, "SeparatorM5");
    SortAscendM1 = menu(EditM1, "SortAscendM1", tr("S&ort Ascend"));
    SortDescendM1 = menu(EditM1, "SortDescendM1", tr("So&rt Descend"));
    const QString sortCaptions[] = {tr("By &Name"),           tr("By &Directory"),      tr("By &Extension"),
                                    tr("By &Size Remainder"), tr("By &Time Remainder"), tr("By &Result"),
                                    tr("By &Absolute Name")};
    const char* const sortNames[] = {"ByName", "ByDirectory", "ByExtension", "BySizeRemainder",
                                     "ByTimeRemainder", "ByResult", "ByAbsoluteName"};
    for (std::size_t i = 0; i < std::size(sortCaptions); ++i) {
        if (i + 1 == std::size(sortCaptions)) {
            AddSeparator(SortAscendM1, "SeparatorM6");
            AddSeparator(SortDescendM1, "SeparatorM7");
        }
        const std::string name = sortNames[i];
        SortAscendItems.push_back(AddCommand(SortAscendM1, (name + "M1").c_str(), sortCaptions[i], crAlways));
        SortDescendItems.push_back(AddCommand(SortDescendM1, (name + "M2").c_str(), sortCaptions[i], crAlways));
        connectTo(SortAscendItems.back(), &TMainForm::SortAscendM1Click);
        connectTo(SortDescendItems.back(), &TMainForm::SortDescendM1Click);
    }
    AddSeparator(EditM1, "SeparatorM8");
    ExploreM1 = menu(EditM1, "ExploreM1", tr("E&xplore"));
    SourceM2 = AddCommand(ExploreM1, "SourceM2", tr("&Source"), crOneSelected);
    DestinationM2 = AddCommand(ExploreM1, "DestinationM2", tr("&Destination"), crOneWithDestination);
    BothM1 = AddCommand(ExploreM1, "BothM1", tr("&Both"), crOneWithDestination);
    PropertiesM1 = menu(EditM1, "PropertiesM1", tr("&Properties"));
    SourceM3 = AddCommand(PropertiesM1, "SourceM3", tr("&Source"), crOneSelected);
    DestinationM3 = AddCommand(PropertiesM1, "DestinationM3", tr("&Destination"), crOneWithDestination);
    BothM2 = AddCommand(PropertiesM1, "BothM2", tr("&Both"), crOneWithDestination);
    AddSeparator(EditM1, "SeparatorM9");
    SizeRemaindersM1 = AddCommand(EditM1, "SizeRemaindersM1", tr("Si&ze Remainders"), crSelection,
                                  QKeySequence(Qt::CTRL | Qt::Key_R));
    for (QAction* copy : {SourceM1, DestinationM1})
        connectTo(copy, &TMainForm::CopyM1Click);
    connect(DeleteM1, &QAction::triggered, this, &TMainForm::DeleteM1Click);
    for (QAction* select : {AllM1, NoneM1, InvertM1})
        connectTo(select, &TMainForm::SelectM1Click);
    for (QAction* search : {FindM1, FindNextM1, FindPreviousM1})
        connectTo(search, &TMainForm::SearchM1Click);
    for (QAction* explore : {SourceM2, DestinationM2, BothM1})
        connectTo(explore, &TMainForm::ExploreM1Click);
    for (QAction* properties : {SourceM3, DestinationM3, BothM2})
        connectTo(properties, &TMainForm::PropertiesM1Click);
    connect(SizeRemaindersM1, &QAction::triggered, this, &TMainForm::SizeRemaindersM1Click);

    ViewM1 = menu(bar, "ViewM1", tr("&View"));
    ResizeListColumnsM1 = AddCommand(ViewM1, "ResizeListColumnsM1", tr("&Resize List Columns"), crAlways,
                                     QKeySequence(Qt::CTRL | Qt::Key_L));
    AddSeparator(ViewM1, "SeparatorM10");
    ToolbarM1 = AddCommand(ViewM1, "ToolbarM1", tr("&Toolbar"), crAlways);
    StatusBarM1 = AddCommand(ViewM1, "StatusBarM1", tr("&Status Bar"), crAlways);
    AddSeparator(ViewM1, "SeparatorM11");
    LastPositionM1 = AddCommand(ViewM1, "LastPositionM1", tr("&Last Position"), crAlways);
    TopmostM1 = AddCommand(ViewM1, "TopmostM1", tr("&Topmost"), crAlways);
    AddSeparator(ViewM1, "SeparatorM12");
    DefaultM1 = AddCommand(ViewM1, "DefaultM1", tr("&Default..."), crAlways);
    connect(ResizeListColumnsM1, &QAction::triggered, this, &TMainForm::ResizeListColumnsM1Click);
    for (QAction* toggle : {ToolbarM1, StatusBarM1, LastPositionM1, TopmostM1}) {
        toggle->setCheckable(true);
        connectTo(toggle, &TMainForm::ViewM1Click);
    }
    connectTo(DefaultM1, &TMainForm::ViewM1Click);

    OperationsM1 = menu(bar, "OperationsM1", tr("&Operations"));
    PerformToSelectionM1 = AddCommand(OperationsM1, "PerformToSelectionM1", tr("Perform to &Selection..."),
                                      crSelection, QKeySequence(Qt::Key_F4));
    PerformToAllM1 = AddCommand(OperationsM1, "PerformToAllM1", tr("Perform to &All..."), crRows,
                                QKeySequence(Qt::SHIFT | Qt::Key_F4));
    for (QAction* perform : {PerformToSelectionM1, PerformToAllM1})
        connectTo(perform, &TMainForm::OperationsM1Click);

    HelpM1 = menu(bar, "HelpM1", tr("&Help"));
    HelpM2 = AddCommand(HelpM1, "HelpM2", tr("&Help..."), crAlways, QKeySequence(Qt::Key_F1));
    AddSeparator(HelpM1, "SeparatorM13");
    AboutM1 = AddCommand(HelpM1, "AboutM1", tr("&About"), crAlways);
    connect(HelpM2, &QAction::triggered, this, &TMainForm::HelpM2Click);
    connect(AboutM1, &QAction::triggered, this, &TMainForm::AboutM1Click);
}

void TMainForm::AddToolButton(QAction* command, const char* name, const QString& toolTip, const char* iconName)
{
    // The button is the command's own, so it is enabled exactly when the command is.
    command->setIcon(CommandIcon(iconName));
    command->setToolTip(toolTip);
    ToolBar1->addAction(command);
    ToolBar1->widgetForAction(command)->setObjectName(QString::fromLatin1(name));
}

void TMainForm::CreateToolBar()
{
    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setContextMenuPolicy(Qt::PreventContextMenu);
    ToolBar1->setToolButtonStyle(Qt::ToolButtonIconOnly);
    const int iconSize = TDesignScale(this)(20);
    ToolBar1->setIconSize(QSize(iconSize, iconSize));
    addToolBar(Qt::TopToolBarArea, ToolBar1);

    AddToolButton(CompareM1, "CompareT1", tr("Compare files"), "compare-files");
    ToolBar1->addSeparator();
    AddToolButton(SourceM1, "CopySourceT1", tr("Copy filenames on source"), "copy-source");
    AddToolButton(DestinationM1, "CopyDestinationT1", tr("Copy filenames on destination"), "copy-destination");
    AddToolButton(DeleteM1, "DeleteItemsT1", tr("Delete selected items"), "list-remove");
    AddToolButton(AllM1, "SelectAllT1", tr("Select all items"), "edit-select-all");
    ToolBar1->addSeparator();
    AddToolButton(FindM1, "FindT1", tr("Find items"), "edit-find");
    ToolBar1->addSeparator();
    AddToolButton(PerformToSelectionM1, "PerformToSelectionT1", tr("Perform operations to selected items"),
                  "perform-to-selection");
    AddToolButton(PerformToAllM1, "PerformToAllT1", tr("Perform operations to all items"), "perform-to-all");
    ToolBar1->addSeparator();
    AddToolButton(ResizeListColumnsM1, "ResizeListColumnsT1", tr("Resize list columns"), "resize-columns");
}

QAction* TMainForm::AddPopupItem(QMenu* menu, const char* name, const QString& caption, QAction* command)
{
    auto* item = new QAction(caption, menu);
    item->setObjectName(QString::fromLatin1(name));
    item->setEnabled(command->isEnabled());
    connect(command, &QAction::enabledChanged, item, &QAction::setEnabled);
    connect(item, &QAction::triggered, command, &QAction::trigger);
    menu->addAction(item);
    return item;
}

void TMainForm::CreatePopupMenu()
{
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    const auto submenu = [this](const char* name, const QString& caption) {
        QMenu* created = PopupMenu1->addMenu(caption);
        created->setObjectName(QString::fromLatin1(name));
        created->menuAction()->setObjectName(QString::fromLatin1(name));
        return created;
    };
    QMenu* copy = submenu("CopyP1", tr("&Copy"));
    AddPopupItem(copy, "SourceP1", tr("&Source"), SourceM1);
    AddPopupItem(copy, "DestinationP1", tr("&Destination"), DestinationM1);
    AddPopupItem(PopupMenu1, "DeleteP1", tr("&Delete..."), DeleteM1);
    QMenu* select = submenu("SelectP1", tr("&Select"));
    AddPopupItem(select, "AllP1", tr("&All"), AllM1);
    AddPopupItem(select, "NoneP1", tr("&None"), NoneM1);
    AddPopupItem(select, "InvertP1", tr("&Invert"), InvertM1);
    AddSeparator(PopupMenu1, "SeparatorP1");
    QMenu* search = submenu("SearchP1", tr("S&earch"));
    AddPopupItem(search, "FindP1", tr("&Find..."), FindM1);
    AddPopupItem(search, "FindNextP1", tr("Find &Next"), FindNextM1);
    AddPopupItem(search, "FindPreviousP1", tr("Find &Previous"), FindPreviousM1);
    AddSeparator(PopupMenu1, "SeparatorP2");
    QMenu* explore = submenu("ExploreP1", tr("E&xplore"));
    AddPopupItem(explore, "SourceP2", tr("&Source"), SourceM2);
    AddPopupItem(explore, "DestinationP2", tr("&Destination"), DestinationM2);
    AddPopupItem(explore, "BothP1", tr("&Both"), BothM1);
    QMenu* properties = submenu("Properties1", tr("&Properties"));
    AddPopupItem(properties, "SourceP3", tr("&Source"), SourceM3);
    AddPopupItem(properties, "DestinationP3", tr("&Destination"), DestinationM3);
    AddPopupItem(properties, "BothP2", tr("&Both"), BothM2);
    AddSeparator(PopupMenu1, "SeparatorP3");
    AddPopupItem(PopupMenu1, "SizeRemaindersP1", tr("Size &Remainders"), SizeRemaindersM1);
}

void TMainForm::contextMenuEvent(QContextMenuEvent* event)
{
    PopupMenu1->popup(event->globalPos());
    event->accept();
}

void TMainForm::SetStatusText(const std::string& text) { StatusText1->setText(QString::fromStdString(text)); }

std::string TMainForm::StatusText() const { return StatusText1->text().toStdString(); }

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
    ProgressDialog->Execute(thread);
}

void TMainForm::CompareThreadProgress(TReportThread*, std::int32_t position, std::int32_t maximum)
{
    ProgressDialog->SetProgress(position, maximum);
}

void TMainForm::CompareThreadTerminate(TReportThread* sender)
{
    const auto* thread = static_cast<const TCompareThread*>(sender);
    if (thread->Failed || !thread->Completed()) {
        if (thread->Failed)
            ReportFailureReason("the comparison failed", thread->FailureReason);
        ProgressDialog->Finish(false);
        ProgressDialog->SetText(thread->Failed ? "Error" : "Canceled");
        return;
    }
    try {
        if (ClearList(true))
            FillList(thread->Items, {thread->Options.SrcDir, thread->Options.DstDir});
        ProgressDialog->Finish(true);
    } catch (...) {
        // A failure here would otherwise go back to the worker, and the dialog, still
        // holding the thread, could never be closed.
        Model.Clear();
        UpdateItemCount();
        ProgressDialog->Finish(false);
        ProgressDialog->SetText("Error");
        ShowExceptionBox(Messenger, std::current_exception());
    }
}

// ---- Save List As and the file history

void TMainForm::SaveListAsM1Click() { SaveListAs(TResultListExport(Model), OpenDialogs, Messenger); }

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
    const auto found = std::find(HistoryMenuItems.begin(), HistoryMenuItems.end(), sender);
    const auto index = static_cast<std::int32_t>(found - HistoryMenuItems.begin());
    if (found == HistoryMenuItems.end() || index >= FileHistory.Count())
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
    if (ask && Model.Count() > 0 && !Messenger.Confirm("Clear the list?"))
        return false;
    Model.Clear();
    UpdateItemCount();
    return true;
}

void TMainForm::FillList(const std::vector<TCompareItem>& items, const TTransferRoots& roots)
{
    TBulkUpdate bulk(ListView1);
    Model.Fill(items);
    ListRoots = roots;
    if (Model.Count() > 0) {
        ListView1->selectionModel()->clearSelection();
        ListView1->selectionModel()->setCurrentIndex(Model.index(0, 0), QItemSelectionModel::NoUpdate);
    }
    ListView1->setFocus();
    UpdateItemCount();
}

void TMainForm::UpdateListItem(int row) { Model.UpdateListItem(row); }

void TMainForm::UpdateItemCount()
{
    SetStatusText(GroupDigits(std::to_string(Model.Count())) + " items are set in total");
    UpdateCommands(false);
}

std::vector<TRowRange> TMainForm::SelectedRows() const { return SelectedRowRanges(*ListView1->selectionModel()); }

std::vector<TRowRange> TMainForm::AllRows() const
{
    return Model.Count() > 0 ? std::vector<TRowRange>{{0, Model.Count() - 1}} : std::vector<TRowRange>{};
}

TMainForm::TCommandState TMainForm::CurrentCommandState() const
{
    TCommandState state;
    state.HasHistory = FileHistory.Count() > 0;
    state.HasRows = Model.Count() > 0;
    const std::vector<TRowRange> selected = SelectedRows();
    state.HasSelection = !selected.empty();
    state.OneSelected = RowCountOf(selected) == 1;
    state.OneWithDestination = state.OneSelected && Model.Row(selected.front().First).Item.DstExists;
    return state;
}

void TMainForm::UpdateCommands(bool force)
{
    const TCommandState state = CurrentCommandState();
    if (!force && state == LastCommandState)
        return;
    LastCommandState = state;
    for (const auto& [command, rule] : Commands) {
        switch (rule) {
        case crAlways:
            command->setEnabled(true);
            break;
        case crRows:
            command->setEnabled(state.HasRows);
            break;
        case crSelection:
            command->setEnabled(state.HasSelection);
            break;
        case crOneSelected:
            command->setEnabled(state.OneSelected);
            break;
        case crOneWithDestination:
            command->setEnabled(state.OneWithDestination);
            break;
        case crHistory:
            command->setEnabled(state.HasHistory);
            break;
        }
    }
}

void TMainForm::ListView1SelectItem() { UpdateCommands(false); }

void TMainForm::CopyM1Click(QAction* sender)
{
    const bool source = sender == SourceM1;
    std::string text;
    for (const TRowRange& range : SelectedRows())
        for (int row = range.First; row <= range.Last; ++row) {
            const TCompareItem& item = Model.Row(row).Item;
            text += (source ? item.SrcPath : item.DstPath) + "\r\n";
        }
    Shell.SetClipboardText(text);
}

void TMainForm::DeleteM1Click()
{
    if (!Messenger.Confirm("Delete the selected items?"))
        return;
    const std::vector<TRowRange> selected = SelectedRows();
    const std::vector<bool> removed = RowFlags(selected, Model.Count());
    // The focus goes to the row that now stands where the focused one stood.
    int current = ListView1->selectionModel()->currentIndex().row();
    if (current >= 0)
        current -= static_cast<int>(std::count(removed.begin(), removed.begin() + current, true));
    {
        TBulkUpdate bulk(ListView1);
        ListView1->selectionModel()->clearSelection();
        Model.RemoveFlaggedRows(removed);
    }
    if (current >= 0 && Model.Count() > 0) {
        const QModelIndex focused = Model.index(std::min(current, Model.Count() - 1), 0);
        ListView1->selectionModel()->setCurrentIndex(focused, QItemSelectionModel::NoUpdate);
        ListView1->scrollTo(focused);
    }
    UpdateItemCount();
}

void TMainForm::SelectM1Click(QAction* sender)
{
    TBulkUpdate bulk(ListView1);
    QItemSelectionModel& selection = *ListView1->selectionModel();
    if (sender == AllM1)
        SelectRowRanges(selection, AllRows());
    else if (sender == NoneM1)
        selection.clearSelection();
    else
        SelectRowRanges(selection, InvertedRanges(SelectedRows(), Model.Count()));
}

void TMainForm::SearchM1Click(QAction* sender)
{
    const TSearchCommand command = sender == FindNextM1       ? scFindNext
                                   : sender == FindPreviousM1 ? scFindPrevious
                                                              : scFind;
    TItemViewFindList list(*ListView1, [this](std::int32_t row, bool absoluteName) -> std::string_view {
        const TResultRow& shown = Model.Row(row);
        return absoluteName ? std::string_view(shown.Item.SrcPath)
                            : FileNameView(shown.Item.SrcPath);
    });
    RunSearchCommand(command, *FindItemDialog, list, Messenger);
}

TSortCode TMainForm::SortKeyOf(QAction* sender, const std::vector<QAction*>& items)
{
    const auto found = std::find(items.begin(), items.end(), sender);
    if (found == items.end())
        throw std::invalid_argument("The sort command is not known.");
    return SortKeys[found - items.begin()];
}

void TMainForm::SortAscendM1Click(QAction* sender) { SortList(SortKeyOf(sender, SortAscendItems)); }

void TMainForm::SortDescendM1Click(QAction* sender)
{
    SortList(SortKeyOf(sender, SortDescendItems) + SortCode::Descending);
}

void TMainForm::ListView1ColumnClick(int column)
{
    if (column >= 0 && column < static_cast<int>(ResultColumnCount))
        SortList(SortKeys[column]);
}

void TMainForm::SortList(TSortCode code)
{
    TBusyCursor busy;
    const TListSorter sorter(Model, code);
    const std::vector<std::uint32_t> order = sorter.Order();
    // The selection moves with its rows as flags: Qt would track every selected row by a
    // persistent index and come out with one range per row.
    QItemSelectionModel& selection = *ListView1->selectionModel();
    const std::vector<bool> selected = RowFlags(SelectedRows(), Model.Count());
    TBulkUpdate bulk(ListView1);
    selection.clearSelection();
    Model.Reorder(order);
    std::vector<bool> moved(order.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        moved[i] = selected[order[i]];
    SelectRowRanges(selection, RangesOfFlags(moved));
}

void TMainForm::SizeRemaindersM1Click()
{
    std::int64_t count = 0;
    // Unsigned addition wraps as the signed sum would, without overflowing.
    std::uint64_t sum = 0;
    for (const TRowRange& range : SelectedRows())
        for (int row = range.First; row <= range.Last; ++row) {
            ++count;
            sum += static_cast<std::uint64_t>(Model.Row(row).Item.SizeRemainder);
        }
    Messenger.ShowMessage("Size Remainders",
                          "Selected: " + GroupDigits(std::to_string(count)) + " items\r\nSum: " +
                              GroupDigits(std::to_string(static_cast<std::int64_t>(sum))) + " bytes",
                          mkInformation, mbOK);
}

void TMainForm::ExploreM1Click(QAction* sender)
{
    ShellSelectedItem(sender != DestinationM2, sender != SourceM2, 0);
}

void TMainForm::PropertiesM1Click(QAction* sender)
{
    ShellSelectedItem(sender != DestinationM3, sender != SourceM3, 1);
}

void TMainForm::ShellSelectedItem(bool source, bool destination, int action)
{
    const std::vector<TRowRange> selected = SelectedRows();
    if (selected.empty())
        return;
    const TCompareItem& item = Model.Row(selected.front().First).Item;
    std::vector<std::string> names;
    if (source)
        names.push_back(item.SrcPath);
    if (destination)
        names.push_back(item.DstPath);
    for (const std::string& name : names) {
        if (!FileExists(name)) {
            Messenger.ShowError("The program cannot find the file: " + name);
            continue;
        }
        if (action == 0)
            Shell.ExploreFolder(DirectoryPart(name));
        else
            Shell.ShowProperties(name);
    }
}

int TMainForm::ListClientWidth() const
{
    // Before the window is first shown Qt has not laid out the viewport yet.
    return ListView1->isVisible() ? ListView1->viewport()->width() : ListView1->maximumViewportSize().width();
}

void TMainForm::ResizeListColumnsM1Click()
{
    TBulkUpdate bulk(ListView1);
    const int share = ListClientWidth() / static_cast<int>(ResultColumnCount);
    for (int column = 0; column < static_cast<int>(ResultColumnCount); ++column)
        ListView1->header()->resizeSection(column, share);
}

// ---- Operations

void TMainForm::OperationsM1Click(QAction* sender)
{
    const std::vector<TRowRange> taken = sender == PerformToAllM1 ? AllRows() : SelectedRows();
    std::vector<std::string> sources;
    std::vector<std::string> destinations;
    std::vector<TSeenFiles> seen;
    const auto count = static_cast<std::size_t>(RowCountOf(taken));
    sources.reserve(count);
    destinations.reserve(count);
    seen.reserve(count);
    for (const TRowRange& range : taken)
        for (int row = range.First; row <= range.Last; ++row) {
            const TCompareItem& item = Model.Row(row).Item;
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
    ToolbarM1->setChecked(FViewOptions.ToolBar);
    StatusBarM1->setChecked(FViewOptions.StatusBar);
    LastPositionM1->setChecked(FViewOptions.LastPosition);
    TopmostM1->setChecked(FViewOptions.TopMost);
}

void TMainForm::ViewM1Click(QAction* sender)
{
    TViewOptions options = FViewOptions;
    if (sender == ToolbarM1)
        options.ToolBar = !options.ToolBar;
    else if (sender == StatusBarM1)
        options.StatusBar = !options.StatusBar;
    else if (sender == LastPositionM1)
        options.LastPosition = !options.LastPosition;
    else if (sender == TopmostM1)
        options.TopMost = !options.TopMost;
    else if (Messenger.Confirm("Set default settings?"))
        options = TViewOptions();
    else
        return;
    SetViewOptions(options);
}

TSettingsState TMainForm::CurrentSettingsState() const
{
    TSettingsState state;
    state.ViewOptions = FViewOptions;
    state.WindowState = isMinimized() ? wsMinimized : isMaximized() ? wsMaximized : wsNormal;
    state.Bounds = WindowRect(geometry());
    for (int column = 0; column < static_cast<int>(ResultColumnCount); ++column)
        state.ListColumnWidths.push_back(ListView1->header()->sectionSize(column));
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
    if (settings.ListColumnWidths) {
        TBulkUpdate bulk(ListView1);
        const std::vector<std::int32_t>& widths = *settings.ListColumnWidths;
        for (std::size_t column = 0; column < widths.size() && column < ResultColumnCount; ++column)
            ListView1->header()->resizeSection(static_cast<int>(column), widths[column]);
    }
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

#pragma once
// The main window: menus, toolbar, context menu, the result list and the status bar; runs a
// comparison from the Compare command, a History item, the command line or a drop, hands rows
// to the operations dialog, searches them with Find, and keeps which commands are enabled in
// step with the list and the history. Settings.ini is read at the end of construction and
// written when the window has agreed to close.

#include <QMainWindow>
#include <cstdint>
#include <string>
#include <vector>

#include "app/Tlistselection.h"
#include "app/Tlistsorter.h"
#include "app/Tresultlistmodel.h"
#include "dialogs/Tcomparedialog.h"
#include "sys/Tfilechooser.h"
#include "settings/Settingsfile.h"
#include "settings/qt/Tcomparedialoganswers.h"
#include "settings/Tfilehistory.h"
#include "settings/qt/Topendialoglist.h"
#include "settings/qt/Tsettingsstorage.h"
#include "settings/Tviewoptions.h"
#include "sys/Tfiletransfer.h"

class QLabel;
class QMenu;
class QStatusBar;
class QToolBar;
class QTreeView;
class TFileFactsSource;
class TListFilterField;
class TMainThreadCaller;
class TMessenger;
class TReportThread;
class TShell;

// "Version 1.0.0."
extern const std::string VersionText;

// What the main window works through; every one outlives it.
struct TMainFormServices {
    TMessenger& Messenger;
    TFileChooser& FileChooser;
    TShell& Shell;
    TMainThreadCaller& MainThread;
    // What comparisons read.
    const TFileFactsSource& FileSystem;
    // Where Settings.ini is read and written; the program's is ChooseSettingsFileName().
    std::string SettingsFileName;
};

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    // arguments: the command line without the program's name, processed at the first idle moment.
    TMainForm(const TMainFormServices& services, std::vector<std::string> arguments, QWidget* parent = nullptr);
    ~TMainForm() override;

    void RunCompare(const std::string& compareFileName);
    // Empties the list, asking first when told to and it holds rows; true when emptied.
    bool ClearList(bool ask);
    void ProcessCommandLine();
    // Runs a comparison for exactly one name; any other count is refused.
    void OpenFiles(const std::vector<std::string>& names);
    void WMDropFiles(const std::vector<std::string>& names);
    // Recomputes which commands are enabled; without force only when something changed.
    void UpdateCommands(bool force);
    void SetStatusText(const std::string& text);
    std::string StatusText() const;

    void SetViewOptions(const TViewOptions& options);
    void ApplyViewOptions();
    const TViewOptions& ViewOptions() const { return FViewOptions; }
    // The window, list and memories as Settings.ini stores them, and back.
    TSettingsState CurrentSettingsState() const;
    void ApplyStoredSettings(const TStoredSettings& settings);

    // The result list, with the roots of the comparison the items come from: the operations
    // on its rows never leave them.
    void FillList(const std::vector<TCompareItem>& items, const TTransferRoots& roots = {});
    void UpdateListItem(int row);
    void UpdateItemCount();
    void SortList(TSortCode code);
    // source, destination: which of the first selected row's names; action: 0 explore, 1 properties.
    void ShellSelectedItem(bool source, bool destination, int action);
    TResultListModel& ListModel() { return Model; }
    std::vector<TRowRange> SelectedRows() const;
    // Every row as one run; none for an empty list.
    std::vector<TRowRange> AllRows() const;

    // Handlers, each with the clicked item as sender.
    void CompareM1Click();
    void SaveListAsM1Click();
    void HistoryM1Click(QAction* sender);
    void ClearM1Click();
    void FileHistoryChange();
    void ExitM1Click();
    void CopyM1Click(QAction* sender);
    void DeleteM1Click();
    void SelectM1Click(QAction* sender);
    // Find, Find Next and Find Previous.
    void SearchM1Click(QAction* sender);
    void SortAscendM1Click(QAction* sender);
    void SortDescendM1Click(QAction* sender);
    void ExploreM1Click(QAction* sender);
    void PropertiesM1Click(QAction* sender);
    void SizeRemaindersM1Click();
    void ResizeListColumnsM1Click();
    void ViewM1Click(QAction* sender);
    // Perform to Selection and Perform to All.
    void OperationsM1Click(QAction* sender);
    void HelpM2Click();
    void AboutM1Click();
    void ListView1ColumnClick(int column);
    void ListView1SelectItem();
    // The filter's key: into the filter field, bringing back the toolbar that holds it.
    void FilterShortcut1Click();
    void CompareThreadProgress(TReportThread* sender, std::int32_t position, std::int32_t maximum);
    void CompareThreadTerminate(TReportThread* sender);

    QToolBar* ToolBar1;
    TListFilterField* FilterEdit1;
    QWidget* Panel1;
    QTreeView* ListView1;
    QStatusBar* StatusBar1;
    QLabel* StatusText1;
    QMenu* PopupMenu1;

    QMenu* FileM1;
    QAction* CompareM1;
    QAction* SaveListAsM1;
    QMenu* HistoryM1;
    // HistoryItemM1 to HistoryItemM8, one per place of the file history.
    std::vector<QAction*> HistoryMenuItems;
    QAction* ClearM1;
    QAction* ExitM1;
    QMenu* EditM1;
    QMenu* CopyM1;
    QAction* SourceM1;
    QAction* DestinationM1;
    QAction* DeleteM1;
    QMenu* SelectM1;
    QAction* AllM1;
    QAction* NoneM1;
    QAction* InvertM1;
    QMenu* SearchM1;
    QAction* FindM1;
    QAction* FindNextM1;
    QAction* FindPreviousM1;
    QMenu* SortAscendM1;
    QMenu* SortDescendM1;
    // By Name, Directory, Extension, Size Remainder, Time Remainder, Result, Absolute Name.
    std::vector<QAction*> SortAscendItems;
    std::vector<QAction*> SortDescendItems;
    QMenu* ExploreM1;
    QAction* SourceM2;
    QAction* DestinationM2;
    QAction* BothM1;
    QMenu* PropertiesM1;
    QAction* SourceM3;
    QAction* DestinationM3;
    QAction* BothM2;
    QAction* SizeRemaindersM1;
    QMenu* ViewM1;
    QAction* ResizeListColumnsM1;
    QAction* ToolbarM1;
    QAction* StatusBarM1;
    QAction* LastPositionM1;
    QAction* TopmostM1;
    QAction* DefaultM1;
    QMenu* OperationsM1;
    QAction* PerformToSelectionM1;
    QAction* PerformToAllM1;
    QMenu* HelpM1;
    QAction* HelpM2;
    QAction* AboutM1;

protected:
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // When a command may run; a toolbar button or context-menu item follows its command.
    // crRows counts the rows shown, crStoredRows those the filter hides too.
    enum TCommandRule { crAlways, crRows, crStoredRows, crSelection, crOneSelected, crOneWithDestination, crHistory };
    struct TCommandState {
        bool HasHistory = false;
        bool HasRows = false;
        bool HasStoredRows = false;
        bool HasSelection = false;
        bool OneSelected = false;
        bool OneWithDestination = false;
        bool operator==(const TCommandState&) const = default;
    };

    // Where no saved placement applies: the design size, grown until every column caption fits.
    QSize FirstSize() const;
    void CreateMenus();
    void CreateToolBar();
    void CreatePopupMenu();
    void CreateList();
    QAction* AddCommand(QMenu* menu, const char* name, const QString& caption, TCommandRule rule,
                        const QKeySequence& shortcut = {});
    QAction* AddSeparator(QMenu* menu, const char* name);
    void AddToolButton(QAction* command, const char* name, const QString& toolTip, const char* iconName);
    QAction* AddPopupItem(QMenu* menu, const char* name, const QString& caption, QAction* command);
    bool FormCloseQuery();
    void ApplicationIdle();
    int ListClientWidth() const;
    TCommandState CurrentCommandState() const;
    static TSortCode SortKeyOf(QAction* sender, const std::vector<QAction*>& items);

    TMessenger& Messenger;
    TFileChooser& FileChooser;
    TShell& Shell;
    TMainThreadCaller& MainThread;
    const TFileFactsSource& FileSystem;
    std::vector<std::string> Arguments;
    // Numbered as Settings.ini stores their filter indexes.
    TFileDialog SaveDialog1 = SaveListAsDialog();
    TFileDialog OpenDialog1 = ImportDialog();
    TFileDialog SaveDialog2 = ExportDialog();
    TOpenDialogList OpenDialogs{FileChooser};
    TFileHistory FileHistory;
    TCompareDialogAnswers DialogAnswers{OpenDialogs, FileHistory};
    TSettingsStorage Settings;
    TViewOptions FViewOptions;
    // The roots of the comparison whose rows the list holds.
    TTransferRoots ListRoots;
    // The operations dialog's switches, kept from one run to the next and in Settings.ini.
    TTransferOptions OperationsSwitches;
    TResultListModel Model;
    std::vector<std::pair<QAction*, TCommandRule>> Commands;
    TCommandState LastCommandState;
};

extern TMainForm* MainForm;

#pragma once
// The main window: the menus, toolbar and context menu (TMainCommands), the result list
// (TResultList) and the status bar, arranged and wired; each command's handler is here and
// hands the work to the unit that owns it: a comparison from the Compare command, a History
// item, the command line or a drop to TCompareRun, rows to the operations dialog through
// PerformOperationsOnRows, a search to the Find dialog. It keeps which commands are enabled in
// step with the list and the history. Settings.ini is read at the end of construction and
// written when the window has agreed to close.

#include <QMainWindow>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Tcomparerun.h"
#include "compare/Tcompareitem.h"
#include "dialogs/Tcomparedialog.h"
#include "settings/Settingsfile.h"
#include "settings/Tfilehistory.h"
#include "settings/Tviewoptions.h"
#include "settings/qt/Tcomparedialoganswers.h"
#include "settings/qt/Topendialoglist.h"
#include "settings/qt/Tsettingsstorage.h"
#include "sys/Tfilechooser.h"
#include "sys/Tfiletransfer.h"

class QAction;
class QMenu;
class QToolBar;
class TFileHistoryMenu;
class TMainCommands;
class TMainStatusBar;
class TResultList;
struct TCommandState;
class TFileFactsSource;
class TListFilterField;
class TMainThreadCaller;
class TMessenger;
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

    // Empties the list, asking first when told to and it holds rows; true when emptied.
    bool ClearList(bool ask);
    // Fills the result list with the items of a comparison from these roots: the operations
    // on its rows never leave them.
    void FillList(std::vector<TCompareItem> items, const TCompareRoots& roots,
                  std::optional<TDestinationSide> destination);
    std::string StatusText() const;
    const TViewOptions& ViewOptions() const { return FViewOptions; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // The command table connects the commands to their handlers.
    friend class TMainCommands;

    void CreateList();
    void CreateCommands();
    bool FormCloseQuery();
    void ProcessCommandLine();
    // Runs a comparison for exactly one name; any other count is refused.
    void OpenFiles(const std::vector<std::string>& names);
    void OpenDropped(const std::vector<std::string>& names);
    void UpdateItemCount();
    // Recomputes which commands are enabled; without force only when something changed.
    void UpdateCommands(bool force);
    TCommandState CurrentCommandState() const;
    void SetStatusText(const std::string& text);
    void SetViewOptions(const TViewOptions& options);
    void ApplyViewOptions();
    // The window, list and memories as Settings.ini stores them, and back.
    TSettingsState CurrentSettingsState() const;
    void ApplyStoredSettings(const TStoredSettings& settings);

    // Handlers, each with the clicked item as sender.
    void Compare();
    void SaveList();
    void OpenHistoryItem(QAction* sender);
    void ClearHistory();
    void FileHistoryChange();
    void Exit();
    void CopyNames(QAction* sender);
    void DeleteItems();
    void Select(QAction* sender);
    // Find, Find Next and Find Previous.
    void Search(QAction* sender);
    void SortAscending(QAction* sender);
    void SortDescending(QAction* sender);
    void Explore(QAction* sender);
    void ShowProperties(QAction* sender);
    void ShowSizeRemainders();
    void ResizeListColumns();
    void ChangeView(QAction* sender);
    // Perform to Selection and Perform to All.
    void PerformOperations(QAction* sender);
    void OpenHelp();
    void ShowAbout();
    void SortByColumn(int column);
    void SelectionChanged();
    // The filter's key: into the filter field, bringing back the toolbar that holds it.
    void FocusFilter();

    TMessenger& Messenger;
    TFileChooser& FileChooser;
    TShell& Shell;
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
    // The operations dialog's switches, kept from one run to the next and in Settings.ini.
    TTransferOptions OperationsSwitches;
    // What the comparison whose rows the list holds saw of the destination's own files, where it
    // listed them.
    std::optional<TDestinationSide> DestinationSide;
    TCompareRun Comparison;

    QToolBar* ToolBar = nullptr;
    TListFilterField* FilterField = nullptr;
    QWidget* ListPanel = nullptr;
    TMainStatusBar* StatusBar = nullptr;
    QMenu* ContextMenu = nullptr;
    std::unique_ptr<TResultList> ResultList;
    std::unique_ptr<TMainCommands> Commands;
    std::unique_ptr<TFileHistoryMenu> HistoryMenu;
};

extern TMainForm* MainForm;

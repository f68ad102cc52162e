#pragma once
// The main window: the menus, toolbar and context menu (TMainCommands), the result list
// (TResultList) and the status bar. It runs a comparison from the Compare command, a History
// item, the command line or a drop, hands rows to the operations dialog, searches them with
// Find, and keeps which commands are enabled in step with the list and the history; each
// command's handler is here. Settings.ini is read at the end of construction and written when
// the window has agreed to close.

#include <QMainWindow>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

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
class TMainCommands;
class TMainStatusBar;
class TResultList;
struct TCommandState;
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

    // Fills the result list with the items of a comparison from these roots: the operations
    // on its rows never leave them.
    void FillList(std::vector<TCompareItem> items, const TTransferRoots& roots = {});
    void UpdateItemCount();

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

protected:
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateList();
    void CreateCommands();
    bool FormCloseQuery();
    void ApplicationIdle();
    TCommandState CurrentCommandState() const;

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

    QToolBar* ToolBar1 = nullptr;
    TListFilterField* FilterEdit1 = nullptr;
    QWidget* Panel1 = nullptr;
    TMainStatusBar* StatusBar1 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    std::unique_ptr<TResultList> ResultList;
    std::unique_ptr<TMainCommands> Commands;
    // HistoryItemM1 to HistoryItemM8, one per place of the file history.
    std::vector<QAction*> HistoryMenuItems;
};

extern TMainForm* MainForm;

#pragma once
// The modal window that runs one file operation over the items the main window hands it:
// the user picks Move, Copy or Delete, or, where the comparison listed the destination's own
// files, Remove from destination or Mirror, and the dialog runs a TOperationsThread, shows every
// line it logs and its progress, turns every attempt to close it into a request to stop the
// thread, and offers the log to the clipboard. One operation per showing.

#include <QDialog>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "operations/Removalguards.h"
#include "operations/Toperationsthread.h"
#include "operations/Ttransfermeter.h"

class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QCheckBox;
class QTimer;
class QPushButton;
class TLogListBox;
class TMainThreadCaller;
class TMessenger;
class TShell;

class TOperationsDialog : public QDialog {
    Q_OBJECT
public:
    // The file work of one run over items below the given roots, with the dialog's switches.
    using TFileTransferMaker =
        std::function<std::unique_ptr<TFileTransfer>(const TTransferRoots&, const TTransferOptions&)>;

    // Every service outlives the dialog; makeFiles makes what each run works through (the real
    // file system unless given).
    TOperationsDialog(TMessenger& messenger, TShell& shell, TMainThreadCaller& mainThread, QWidget* parent = nullptr,
                      TFileTransferMaker makeFiles = {});

    // Runs the dialog modally over the items, which the caller keeps and may release
    // afterwards. They lie below the roots of the comparison they come from. Where that
    // comparison listed the destination's own files, destination tells what it saw of them, and
    // the dialog offers to remove them, with the trash switched on.
    void Execute(const std::vector<TCompareItem>& items, const TCompareRoots& roots,
                 const TDestinationSide* destination = nullptr);

    void OperationsThreadLog(const std::string& line, const std::optional<TTransferOutcome>& outcome);
    void OperationsThreadProgress(std::int32_t position, std::int32_t maximum);
    void OperationsThreadEnd(const TJobEnd<TOperationsCounts>& end);

    void ClearLog();
    // The line is shown with the lines that arrive with it, soon after the report that
    // brought them; the widest line since ClearLog sets the horizontal extent. A line that
    // tells of a failure shows the reason as its tooltip, and below the log while current.
    void AddLogLine(const std::string& line, const std::string& reason = std::string());
    // The bar shows position as a whole percentage of maximum. During a run it follows the
    // run's bytes instead, or its items where it has no bytes to count.
    void SetProgress(std::int32_t position, std::int32_t maximum);
    std::vector<std::string> GetSelectedLines() const;
    std::vector<std::string> GetAllLines() const;
    // The width of the widest line since the log was last cleared.
    std::int32_t HorizontalExtent() const;

    // The threads that copy: 0 for one a core, as the comparison takes them by default.
    int CopyJobs = 0;

    // The two switches: verify copies, and keep what is replaced or deleted in the trash.
    TTransferOptions Switches() const;
    void SetSwitches(const TTransferOptions& switches);

    // Borrowed from the caller while the dialog is shown; none otherwise.
    const std::vector<TCompareItem>* Items = nullptr;
    TCompareRoots Roots;
    // True from a run's start until its end notification has returned.
    bool Running() const { return RunThread != nullptr && !RunThread->Ended(); }

protected:
    void showEvent(QShowEvent* event) override;
    // Every way of closing ends here.
    void done(int result) override;

private:
    void OperationButtonClick(QPushButton* sender);
    // Whether the run's removals may go on: asked of the user, or refused with the reason.
    bool RemovalsConfirmed(const std::vector<TCompareItem>& items);
    void CopyLinesClick(QAction* sender);
    void SelectLinesClick(QAction* sender);
    void ShowCurrentReason();

    void CreateControls();
    void CreatePopupMenu();
    QAction* AddPopupItem(const char* name, const QString& caption, const QKeySequence& shortcut);
    void FormShow();
    bool FormCloseQuery();
    void FormClose();
    void JoinToClipboard(const std::vector<std::string>& lines);
    void ShowMeter();

    // The last run, held until the dialog closes, which it cannot while the run goes on.
    std::unique_ptr<TOperationsThread> RunThread;
    // Its end handler has run: the dialog may close, though the run may still be letting go of
    // its data.
    bool RunEndHandled = false;

    QWidget* LogPanel;
    QLabel* LogLabel;
    TLogListBox* LogList;
    QProgressBar* ProgressBar;
    // What the run touches; while it runs, how far it has come, how fast, and the time left;
    // once ended, how far it came.
    QLabel* MeterLabel;
    // The reason of the current log line where it tells of a failure.
    QLabel* ReasonLabel;
    QCheckBox* VerifyCheck;
    QCheckBox* TrashCheck;
    QWidget* ButtonPanel;
    QPushButton* MoveButton;
    QPushButton* CopyButton;
    QPushButton* DeleteButton;
    QPushButton* RemoveButton;
    QPushButton* MirrorButton;
    QPushButton* CloseButton;
    QMenu* LogMenu;
    QAction* CopySelectionAction;
    QAction* CopyAllAction;
    QAction* LogMenuSeparator;
    QAction* SelectAllAction;
    QAction* SelectNoneAction;
    QAction* InvertSelectionAction;

    TMessenger& Messenger;
    TShell& Shell;
    TMainThreadCaller& MainThread;
    TFileTransferMaker MakeFiles;
    TTransferMeter Meter;
    // Borrowed like Items; none where the comparison did not list the destination's own files.
    const TDestinationSide* Destination = nullptr;
    QTimer* MeterTimer;
};

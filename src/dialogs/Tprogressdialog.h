#pragma once
// The modal window in front of the main window while a comparison runs: it starts the
// thread when shown, shows a text and a percentage, turns every attempt to close it into a
// request to stop the thread, and tells how the run ended.

#include <QDialog>
#include <cstdint>
#include <string>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;
class TReportThread;
class TWalkCount;

class TProgressDialog : public QDialog {
    Q_OBJECT
public:
    explicit TProgressDialog(QWidget* parent = nullptr);

    // Runs the dialog modally for a thread created suspended with its handlers attached,
    // and returns the modal result once the thread has ended, so that the caller may release
    // it then. The thread starts when the dialog is on screen. Where the run counts its walk,
    // the count is shown as it moves, until the run ends.
    int Execute(TReportThread* thread, const TWalkCount* walked = nullptr);
    // The bar shows position as a whole percentage of maximum.
    void SetProgress(std::int32_t position, std::int32_t maximum);
    // The run has ended: "Done", the bar at 0, an "OK" button, and the dialog may close; with
    // closeNow it closes at once with the OK result.
    void Finish(bool closeNow);
    void SetText(const std::string& text);

    // The run in hand and its walk count, borrowed; none outside a run.
    TReportThread* CompareThread = nullptr;
    const TWalkCount* Walked = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Every way of closing ends here.
    void done(int result) override;

private:
    void FormShow();
    bool FormCloseQuery();
    void ShowWalked();

    QTimer* WalkTimer;

    // The object names are these role names too.
    QLabel* TextLabel;
    QProgressBar* ProgressBar;
    // What the walk has seen so far.
    QLabel* WalkedLabel;
    QPushButton* CloseButton;
};

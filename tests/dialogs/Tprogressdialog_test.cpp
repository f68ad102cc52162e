#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <thread>

#include "compare/Twalkcount.h"
#include "dialogs/Tprogressdialog.h"
#include "jobs/Tjob.h"
#include "support/Hangguard.h"
#include "support/Namedchild.h"
#include "sys/qt/Tqtmainthreadcaller.h"

namespace {
// A job whose run step the test writes; its owner releases it like the comparison thread's.
class TScriptedRun : public TJob<bool> {
public:
    using TStep = std::function<void(TScriptedRun&)>;
    TScriptedRun(TMainThreadCaller& caller, TStep run) : TJob(caller), RunStep(std::move(run)) {}
    using TReportThread::HandOverPending;
    using TReportThread::Progress;

    // Waits for a stop request, as a long walk would; gives up after a while.
    void RunUntilTerminated()
    {
        WaitWithinHangGuard([this] { return Terminated(); });
    }

protected:
    void Prepare() override {}
    bool TakeResult() override { return true; }
    void Run() override { RunStep(*this); }
    void CleanUp() override {}

private:
    TStep RunStep;
};

struct TDialogState {
    bool Visible = false;
    QString Text;
    QString Button;
    int Percent = -1;
};

TDialogState StateOf(const TProgressDialog& dialog)
{
    return {dialog.isVisible(), NamedChild<QLabel>(dialog, "TextLabel")->text(),
            NamedChild<QPushButton>(dialog, "CloseButton")->text(),
            NamedChild<QProgressBar>(dialog, "ProgressBar")->value()};
}

class ProgressDialog : public ::testing::Test {
protected:
    // Runs the dialog for a job, with the main window's handlers: progress to the bar, and at
    // the end Finish(true) after success, else Finish(false) with "Error" or "Canceled".
    // afterEnd runs once the end handler is done, while the dialog's loop goes on.
    int Execute(TScriptedRun::TStep run, const std::function<void(TReportThread&)>& onProgress = {},
                const std::function<void()>& afterEnd = {})
    {
        const auto job = std::make_unique<TScriptedRun>(Caller, std::move(run));
        job->SetOnProgress([this, onProgress, &job](std::int32_t position, std::int32_t maximum) {
            Dialog.SetProgress(position, maximum);
            if (onProgress)
                onProgress(*job);
        });
        job->SetOnEnd([this, afterEnd](const TJobEnd<bool>& end) {
            if (end.Completed()) {
                Dialog.Finish(true);
            } else {
                Dialog.Finish(false);
                Dialog.SetText(end.Failed() ? "Error" : "Canceled");
            }
            if (afterEnd)
                QTimer::singleShot(0, &Dialog, afterEnd);
        });
        // A broken run must not leave the test in the dialog's loop for ever.
        QTimer::singleShot(HangGuardMilliseconds, &Dialog, [this] {
            ADD_FAILURE() << "The progress dialog was still open";
            Dialog.Finish(true);
        });
        return Dialog.Execute(job.get(), &Walked);
    }

    TQtMainThreadCaller Caller;
    TWalkCount Walked;
    TProgressDialog Dialog;
};
}  // namespace

TEST_F(ProgressDialog, ShowsTheTruncatedPercentageOfTheReportedPosition)
{
    const auto percent = [this](std::int32_t position, std::int32_t maximum) {
        Dialog.SetProgress(position, maximum);
        return NamedChild<QProgressBar>(Dialog, "ProgressBar")->value();
    };
    EXPECT_EQ(percent(1, 3), 33);
    EXPECT_EQ(percent(2, 3), 66);
    EXPECT_EQ(percent(0, 5), 0);
    EXPECT_EQ(percent(-4, 5), 0);
    EXPECT_EQ(percent(3, 0), 0);
    EXPECT_EQ(percent(3, -1), 0);
    EXPECT_EQ(percent(3, 3), 100);
    EXPECT_EQ(percent(7, 3), 100);
    // position × 100 would not fit in 32 bits.
    EXPECT_EQ(percent(2'000'000'000, 2'147'483'647), 93);
}

TEST_F(ProgressDialog, ASuccessfulRunStartsWhenShownAndClosesTheDialogByItself)
{
    TDialogState during;
    const int result =
        Execute([](TScriptedRun& job) { job.Progress(1, 4); }, [&](TReportThread&) { during = StateOf(Dialog); });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_TRUE(during.Visible);
    EXPECT_EQ(during.Text, QStringLiteral("Processing..."));
    EXPECT_EQ(during.Button, QStringLiteral("Cancel"));
    EXPECT_EQ(during.Percent, 25);
    const TDialogState after = StateOf(Dialog);
    EXPECT_FALSE(after.Visible);
    EXPECT_EQ(after.Text, QStringLiteral("Done"));
    EXPECT_EQ(after.Button, QStringLiteral("OK"));
    EXPECT_EQ(after.Percent, 0);
    EXPECT_EQ(Dialog.CompareThread, nullptr);
}

TEST_F(ProgressDialog, EveryCloseAttemptDuringTheRunOnlyAsksTheThreadToStop)
{
    bool openAfterAttempts = false;
    bool stopRequested = false;
    TDialogState ended;
    const int result = Execute(
        [](TScriptedRun& job) {
            job.Progress(1, 2);
            job.RunUntilTerminated();
        },
        [&](TReportThread& job) {
            QTest::keyClick(&Dialog, Qt::Key_Escape);
            QTest::keyClick(NamedChild<QPushButton>(Dialog, "CloseButton"), Qt::Key_Return);
            Dialog.close();
            NamedChild<QPushButton>(Dialog, "CloseButton")->click();
            openAfterAttempts = Dialog.isVisible();
            stopRequested = job.Terminated();
        },
        [&] {
            ended = StateOf(Dialog);
            // Now the button closes the dialog.
            QTest::keyClick(&Dialog, Qt::Key_Escape);
        });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_TRUE(openAfterAttempts);
    EXPECT_TRUE(stopRequested);
    EXPECT_TRUE(ended.Visible);
    EXPECT_EQ(ended.Text, QStringLiteral("Canceled"));
    EXPECT_EQ(ended.Button, QStringLiteral("OK"));
    EXPECT_FALSE(Dialog.isVisible());
}

TEST_F(ProgressDialog, AFailedRunLeavesErrorShownUntilTheUserCloses)
{
    TDialogState ended;
    Execute([](TScriptedRun&) { throw std::runtime_error("walk failed"); }, {},
            [&] {
                ended = StateOf(Dialog);
                NamedChild<QPushButton>(Dialog, "CloseButton")->click();
            });
    EXPECT_TRUE(ended.Visible);
    EXPECT_EQ(ended.Text, QStringLiteral("Error"));
    EXPECT_EQ(ended.Button, QStringLiteral("OK"));
    EXPECT_FALSE(Dialog.isVisible());
}

TEST_F(ProgressDialog, TheWalkShowsAMovingCountOfWhatItHasSeenUntilTheRunEnds)
{
    EXPECT_EQ(Walked.Text(), "");
    const auto shows = [this](const char* text) {
        return QTest::qWaitFor(
            [&] { return NamedChild<QLabel>(Dialog, "WalkedLabel")->text() == QString::fromLatin1(text); },
            HangGuardMilliseconds);
    };
    std::vector<bool> seen;
    QString ended;
    Execute(
        [this](TScriptedRun& job) {
            Walked.AddFolder(1234);
            job.Progress(0, 0);
            job.HandOverPending();
            Walked.AddFolder(1);
            Walked.AddFolder(19);
            job.Progress(1, 0);
            job.HandOverPending();
            job.RunUntilTerminated();
        },
        [&](TReportThread& job) {
            // The walk reports no progress of its own: the dialog reads the count by itself.
            if (seen.empty()) {
                seen.push_back(shows("1,234 files in 1 folder seen"));
            } else {
                seen.push_back(shows("1,254 files in 3 folders seen"));
                job.Terminate();
            }
        },
        [&] {
            ended = NamedChild<QLabel>(Dialog, "WalkedLabel")->text();
            NamedChild<QPushButton>(Dialog, "CloseButton")->click();
        });
    EXPECT_EQ(seen, (std::vector<bool>{true, true}));
    EXPECT_EQ(ended, QStringLiteral("1,254 files in 3 folders seen"));
    EXPECT_EQ(Dialog.Walked, nullptr);
}

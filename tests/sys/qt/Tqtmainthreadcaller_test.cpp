#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <stdexcept>
#include <thread>

#include "support/Hangguard.h"
#include "sys/qt/Tqtmainthreadcaller.h"

namespace {
struct TCallReport {
    bool RanOnMainThread = false;
    bool WorkerWaited = false;
};

// Makes the call from a worker thread and reports how it went, once the worker is back.
TCallReport CallFromWorker(TQtMainThreadCaller& caller)
{
    TCallReport report;
    std::atomic<bool> returned = false;
    bool called = false;
    std::thread worker([&] {
        caller.CallAndWait([&] {
            report.RanOnMainThread = QThread::currentThread() == QCoreApplication::instance()->thread();
            called = true;
        });
        // Only the worker reads this after the call: the call must have run by now.
        report.WorkerWaited = called;
        returned = true;
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return returned.load(); }, HangGuardMilliseconds));
    worker.join();
    return report;
}
}  // namespace

TEST(QtMainThreadCaller, RunsAWorkersCallOnTheMainThreadWhileTheWorkerWaits)
{
    TQtMainThreadCaller caller;
    const TCallReport report = CallFromWorker(caller);
    EXPECT_TRUE(report.RanOnMainThread);
    EXPECT_TRUE(report.WorkerWaited);

    // On the main thread itself the call runs at once, without any event loop.
    bool ranDirectly = false;
    caller.CallAndWait([&] { ranDirectly = true; });
    EXPECT_TRUE(ranDirectly);
}

TEST(QtMainThreadCaller, RethrowsTheCallsExceptionInTheWorker)
{
    TQtMainThreadCaller caller;
    std::string caught;
    std::atomic<bool> returned = false;
    std::thread worker([&] {
        try {
            caller.CallAndWait([] { throw std::invalid_argument("bad handler"); });
        } catch (const std::invalid_argument& error) {
            caught = error.what();
        }
        returned = true;
    });
    // The main thread goes on running after the call has failed.
    EXPECT_TRUE(QTest::qWaitFor([&] { return returned.load(); }, HangGuardMilliseconds));
    worker.join();
    EXPECT_EQ(caught, "bad handler");
}

TEST(QtMainThreadCaller, DeliversCallsWhileAModalDialogRuns)
{
    TQtMainThreadCaller caller;
    QDialog dialog;
    bool ranInsideTheDialog = false;
    std::thread worker;
    QTimer::singleShot(0, &dialog, [&] {
        worker = std::thread([&] {
            caller.CallAndWait([&] {
                ranInsideTheDialog = QApplication::activeModalWidget() == &dialog;
                dialog.accept();
            });
        });
    });
    QTimer::singleShot(HangGuardMilliseconds, &dialog, [&] { dialog.reject(); });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    worker.join();
    EXPECT_TRUE(ranInsideTheDialog);
}

#pragma once
// The frame of a background job: Prepare, Run and CleanUp steps, the outcome flags, and
// log, progress and end reports delivered on the user-interface thread while the worker
// waits. Reports are handed over in batches at most about 60 times a second: every log line
// reaches the handler in order, progress as its latest value, and all of it before the end
// notification.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "sys/Tmainthreadcaller.h"
#include "sys/Ttransferoutcome.h"

class TReportThread {
public:
    using TNotifyEvent = std::function<void(TReportThread* sender)>;
    using TLogEvent = std::function<void(TReportThread* sender, const std::string& text)>;
    using TProgressEvent = std::function<void(TReportThread* sender, std::int32_t position, std::int32_t maximum)>;

    // Created suspended: handlers are attached before Resume lets the job run.
    explicit TReportThread(TMainThreadCaller& mainThread);
    virtual ~TReportThread();
    TReportThread(const TReportThread&) = delete;
    TReportThread& operator=(const TReportThread&) = delete;

    // Lets a suspended thread run; a second call does nothing.
    void Resume();
    // Asks the job to stop; the job looks at the request at points of its own.
    void Terminate() { TerminateRequested.store(true, std::memory_order_relaxed); }
    bool Terminated() const { return TerminateRequested.load(std::memory_order_relaxed); }
    // Waits for the end of a thread that does not release itself.
    void WaitFor();
    // Blocks until every thread that releases itself has done so (for a clean exit).
    static void WaitForReleasedThreads();

    // True when neither Cancelled nor Stopped is set; Failed is read by itself.
    bool Completed() const { return !Cancelled && !Stopped; }

    bool FreeOnTerminate = false;
    TNotifyEvent OnTerminate;
    bool Cancelled = false;
    bool Stopped = false;
    bool Failed = false;
    // What made the job fail, where Failed is set.
    std::string FailureReason;
    TLogEvent OnLog;
    std::string LogText;
    // While OnLog runs for a line that ends an item of file work: the item's outcome.
    std::optional<TTransferOutcome> LogOutcome;
    TProgressEvent OnProgress;
    std::int32_t ProgressPosition = 0;
    std::int32_t ProgressMax = 0;

protected:
    // Runs the call on the user-interface thread and waits for it.
    void Synchronize(const std::function<void()>& call);
    virtual void DoTerminate();
    virtual void Execute();
    virtual void Prepare() = 0;
    virtual void Run() = 0;
    virtual void CleanUp() = 0;
    virtual void Log(const std::string& text);
    // Logs the line that ends an item, with the item's outcome beside it.
    void LogResult(const std::string& text, const TTransferOutcome& outcome);
    virtual void Progress(std::int32_t position, std::int32_t maximum);
    // Hands over what waits for the next batch now, before work that will take a while.
    void HandOverPending() { HandOver(); }

private:
    void ThreadProc();
    void HandOverIfDue();
    void HandOver();

    TMainThreadCaller& MainThread;
    std::atomic<bool> TerminateRequested{false};
    bool Started = false;
    std::thread Thread;
    struct TPendingLine {
        std::string Text;
        std::optional<TTransferOutcome> Outcome;
    };
    std::vector<TPendingLine> PendingLines;
    std::optional<std::pair<std::int32_t, std::int32_t>> PendingProgress;
    std::chrono::steady_clock::time_point LastHandOver{};
};

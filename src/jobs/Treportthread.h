#pragma once
// The frame of a background job: Prepare, Run and CleanUp steps, and log, progress and end
// reports delivered on the user-interface thread while the worker waits. Reports are handed
// over in batches at most about 60 times a second: every log line reaches the handler in
// order, progress as its latest value, and all of it before the end notification.
//
// The owner holds the job and destroys it once Ended holds, which joins its thread. Never from
// inside a handler: the worker waits for the handler to return.

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

enum class TJobHow {
    Completed,
    // Stopped before its work began: nothing it made may be taken for a result.
    Cancelled,
    Stopped,
    Failed,
};

// How a job ended, with the reason where it failed.
struct TJobOutcome {
    TJobHow How = TJobHow::Completed;
    std::string FailureReason;

    bool Completed() const { return How == TJobHow::Completed; }
    bool Failed() const { return How == TJobHow::Failed; }
};

class TReportThread {
public:
    // outcome: where the line ends an item of file work, the item's outcome.
    using TLogEvent = std::function<void(const std::string& text, const std::optional<TTransferOutcome>& outcome)>;
    using TProgressEvent = std::function<void(std::int32_t position, std::int32_t maximum)>;

    // Created suspended: handlers are attached before Resume lets the job run.
    explicit TReportThread(TMainThreadCaller& mainThread);
    // Joins the thread: destroy the job once it has ended, or before it was resumed.
    virtual ~TReportThread();
    TReportThread(const TReportThread&) = delete;
    TReportThread& operator=(const TReportThread&) = delete;

    void SetOnLog(TLogEvent onLog) { OnLog = std::move(onLog); }
    void SetOnProgress(TProgressEvent onProgress) { OnProgress = std::move(onProgress); }

    // Lets a suspended thread run; a second call does nothing.
    void Resume();
    // Asks the job to stop; the job looks at the request at points of its own.
    void Terminate() { TerminateRequested.store(true, std::memory_order_relaxed); }
    bool Terminated() const { return TerminateRequested.load(std::memory_order_relaxed); }
    // True once the end notification has returned and the job's data is released; read on the
    // user-interface thread. The thread then only ends, which destroying the job waits for.
    bool Ended() const { return EndNotified; }

protected:
    // Runs the call on the user-interface thread and waits for it.
    void Synchronize(const std::function<void()>& call);
    virtual void Execute();
    virtual void Prepare() = 0;
    virtual void Run() = 0;
    virtual void CleanUp() = 0;
    // Tells the owner how the job ended, on the user-interface thread.
    virtual void NotifyEnd(const TJobOutcome& outcome) = 0;
    // How the job ends so far; Execute's steps may read it.
    const TJobOutcome& Outcome() const { return Ending; }
    void Log(const std::string& text);
    // Logs the line that ends an item, with the item's outcome beside it.
    void LogResult(const std::string& text, const TTransferOutcome& outcome);
    void Progress(std::int32_t position, std::int32_t maximum);
    // Hands over what waits for the next batch now, before work that will take a while.
    void HandOverPending() { HandOver(); }
    // The same where the work ahead may take longer than a line waits for its batch: a run
    // killed meanwhile has then reported every line before that work.
    void HandOverBefore(std::chrono::nanoseconds workAhead);

private:
    void ThreadProc();
    void End();
    void HandOverIfDue();
    void HandOver();

    TMainThreadCaller& MainThread;
    TLogEvent OnLog;
    TProgressEvent OnProgress;
    std::atomic<bool> TerminateRequested{false};
    TJobOutcome Ending;
    bool EndNotified = false;
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

#include "jobs/Treportthread.h"

#include "sys/Failurereason.h"

#include <condition_variable>
#include <mutex>

namespace {
// A synchronous round trip costs tens of microseconds; batching keeps it off the per-item path.
constexpr auto HandOverInterval = std::chrono::microseconds(16'667);

struct TLiveThreads {
    std::mutex Lock;
    std::condition_variable Released;
    int Count = 0;
};
TLiveThreads& LiveSelfReleasing()
{
    static TLiveThreads live;
    return live;
}
}  // namespace

TReportThread::TReportThread(TMainThreadCaller& mainThread) : MainThread(mainThread) {}

TReportThread::~TReportThread()
{
    if (Thread.joinable())
        Thread.join();
}

void TReportThread::Resume()
{
    if (Started)
        return;
    Started = true;
    if (FreeOnTerminate) {
        {
            std::lock_guard guard(LiveSelfReleasing().Lock);
            ++LiveSelfReleasing().Count;
        }
        // The object may be gone as soon as the thread runs; nothing here touches it after.
        std::thread(&TReportThread::ThreadProc, this).detach();
    } else {
        Thread = std::thread(&TReportThread::ThreadProc, this);
    }
}

void TReportThread::WaitFor()
{
    if (Thread.joinable())
        Thread.join();
}

void TReportThread::WaitForReleasedThreads()
{
    TLiveThreads& live = LiveSelfReleasing();
    std::unique_lock guard(live.Lock);
    live.Released.wait(guard, [&] { return live.Count == 0; });
}

void TReportThread::ThreadProc()
{
    // Read before the end notification: after it the owner may not touch the object, and
    // a thread that releases itself is the only one left that may.
    const bool releasesItself = FreeOnTerminate;
    // A job stopped before it began did not complete either: its end handler must not take
    // the empty result for a real one.
    if (Terminated())
        Cancelled = true;
    else
        Execute();
    DoTerminate();
    if (releasesItself) {
        delete this;
        TLiveThreads& live = LiveSelfReleasing();
        std::lock_guard guard(live.Lock);
        --live.Count;
        live.Released.notify_all();
    }
}

void TReportThread::Execute()
{
    try {
        Prepare();
        if (Terminated()) {
            Cancelled = true;
            return;
        }
        Run();
        if (Terminated())
            Stopped = true;
    } catch (...) {
        Failed = true;
        FailureReason = ::FailureReason(std::current_exception());
    }
}

void TReportThread::DoTerminate()
{
    // A handler's own failure has already reached the user-interface thread's error box;
    // the end notification and the release of the job's data must happen all the same.
    try {
        HandOver();
    } catch (...) {
    }
    try {
        if (OnTerminate)
            Synchronize([this] { OnTerminate(this); });
    } catch (...) {
    }
    CleanUp();
}

void TReportThread::Synchronize(const std::function<void()>& call) { MainThread.CallAndWait(call); }

void TReportThread::Log(const std::string& text)
{
    if (!OnLog)
        return;
    PendingLines.push_back({text, std::nullopt});
    HandOverIfDue();
}

void TReportThread::LogResult(const std::string& text, const TTransferOutcome& outcome)
{
    if (!OnLog)
        return;
    PendingLines.push_back({text, outcome});
    HandOverIfDue();
}

void TReportThread::Progress(std::int32_t position, std::int32_t maximum)
{
    if (!OnProgress)
        return;
    PendingProgress = {position, maximum};
    HandOverIfDue();
}

void TReportThread::HandOverIfDue()
{
    if (std::chrono::steady_clock::now() - LastHandOver >= HandOverInterval)
        HandOver();
}

void TReportThread::HandOver()
{
    if (PendingLines.empty() && !PendingProgress)
        return;
    std::vector<TPendingLine> lines;
    lines.swap(PendingLines);
    const auto progress = PendingProgress;
    PendingProgress.reset();
    Synchronize([&] {
        for (TPendingLine& line : lines) {
            LogText = std::move(line.Text);
            LogOutcome = line.Outcome;
            OnLog(this, LogText);
        }
        LogOutcome.reset();
        if (progress) {
            ProgressPosition = progress->first;
            ProgressMax = progress->second;
            OnProgress(this, ProgressPosition, ProgressMax);
        }
    });
    LastHandOver = std::chrono::steady_clock::now();
}

#include "jobs/Treportthread.h"

#include "sys/Failurereason.h"

namespace {
// A synchronous round trip costs tens of microseconds; batching keeps it off the per-item path.
constexpr auto HandOverInterval = std::chrono::microseconds(16'667);
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
    Thread = std::thread(&TReportThread::ThreadProc, this);
}

void TReportThread::ThreadProc()
{
    // A job stopped before it began did not complete either: its end handler must not take
    // the empty result for a real one.
    if (Terminated())
        Ending.How = TJobHow::Cancelled;
    else
        Execute();
    End();
}

void TReportThread::Execute()
{
    try {
        Prepare();
        if (Terminated()) {
            Ending.How = TJobHow::Cancelled;
            return;
        }
        Run();
        if (Terminated())
            Ending.How = TJobHow::Stopped;
    } catch (...) {
        Ending = {TJobHow::Failed, FailureReason(std::current_exception())};
    }
}

void TReportThread::End()
{
    // A handler's own failure has already reached the user-interface thread's error box;
    // the end notification and the release of the job's data must happen all the same.
    try {
        HandOver();
    } catch (...) {
    }
    try {
        Synchronize([this] { NotifyEnd(Ending); });
    } catch (...) {
    }
    CleanUp();
    // The last touch of the job: from here on its owner may release it, and no step of a
    // derived class runs any more.
    Synchronize([this] { EndNotified = true; });
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

void TReportThread::HandOverBefore(std::chrono::nanoseconds workAhead)
{
    if (workAhead >= HandOverInterval)
        HandOver();
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
        for (const TPendingLine& line : lines)
            OnLog(line.Text, line.Outcome);
        if (progress)
            OnProgress(progress->first, progress->second);
    });
    LastHandOver = std::chrono::steady_clock::now();
}

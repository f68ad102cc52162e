#include "cli/Tcomparison.h"

#include "cli/Tprogressline.h"
#include "compare/Tcomparethread.h"
#include "compare/Teventloop.h"

TComparisonOutcome RunComparison(const TCompareOptions& options)
{
    TEventLoop loop;
    TProgressLine progress("Compared");
    TComparisonOutcome outcome;
    bool ended = false;
    // The thread releases itself after its end notification.
    auto* thread = new TCompareThread(options, loop);
    thread->OnProgress = [&](TReportThread*, std::int32_t position, std::int32_t maximum) {
        progress.Show(position, maximum);
    };
    thread->OnTerminate = [&](TReportThread* sender) {
        auto* comparison = static_cast<TCompareThread*>(sender);
        outcome.Failed = comparison->Failed;
        outcome.Completed = comparison->Completed();
        if (!outcome.Failed && outcome.Completed)
            outcome.Items = std::move(comparison->Items);
        ended = true;
    };
    thread->Resume();
    loop.RunUntil([&] { return ended; });
    TReportThread::WaitForReleasedThreads();
    return outcome;
}

#include "cli/Tcomparison.h"

#include <iostream>

#include "cli/Tprogressline.h"
#include "cli/Tworkerrun.h"
#include "compare/Tcomparethread.h"
#include "sys/Failurereason.h"

TComparisonOutcome RunComparison(const TCompareOptions& options, int jobs, TWorkerRunner& runner)
{
    TEventLoop loop;
    TProgressLine progress("Compared");
    TComparisonOutcome outcome;
    auto* thread = new TCompareThread(options, loop);
    thread->Jobs = jobs;
    thread->OnProgress = [&](TReportThread*, std::int32_t position, std::int32_t maximum) {
        progress.Show(position, maximum);
    };
    runner.RunToEnd(loop, thread, [&](TReportThread& sender) {
        auto& comparison = static_cast<TCompareThread&>(sender);
        outcome.Failed = comparison.Failed;
        outcome.FailureReason = comparison.FailureReason;
        outcome.Completed = comparison.Completed();
        outcome.UnlistedFolders = std::move(comparison.UnlistedFolders);
        if (!outcome.Failed && outcome.Completed) {
            outcome.Items = std::move(comparison.Items);
            outcome.Roots = {comparison.Options.SrcDir, comparison.Options.DstDir};
        }
    });
    progress.Clear();
    for (const TListingError& folder : outcome.UnlistedFolders)
        ReportFailureReason("cannot list the folder " + folder.Path, folder.Reason());
    return outcome;
}

void ReportUnfinished(const TComparisonOutcome& outcome)
{
    if (outcome.Failed)
        std::cerr << "The comparison failed: " << outcome.FailureReason << '\n';
    else
        std::cerr << "The comparison was canceled.\n";
}

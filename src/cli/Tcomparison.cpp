#include "cli/Tcomparison.h"

#include <iostream>
#include <memory>
#include <string>

#include "cli/Tprogressline.h"
#include "cli/Tworkerrun.h"
#include "compare/Tcomparethread.h"
#include "sys/Failurereason.h"
#include "sys/Mysysutils.h"

TComparisonOutcome RunComparison(const TCompareOptions& options, int jobs, TWorkerRunner& runner)
{
    TEventLoop loop;
    TProgressLine progress("Compared");
    TComparisonOutcome outcome;
    TWorkPool pool(jobs);
    auto thread = std::make_unique<TCompareThread>(options, loop, pool);
    const TWalkCount& walked = thread->Walked;
    thread->SetOnProgress([&](std::int32_t position, std::int32_t maximum) {
        if (walked.ContentByteCount() > 0)
            progress.ShowText("contents: " + walked.ContentText() + " (" +
                              std::to_string(ProgressPercent(position, maximum)) + "%)");
        else
            progress.Show(position, maximum);
    });
    thread->SetOnEnd([&](TJobEnd<TComparisonResult> end) {
        outcome.Failed = end.Failed();
        outcome.FailureReason = std::move(end.FailureReason);
        outcome.Completed = end.Completed();
        outcome.UnlistedFolders = std::move(end.Result.UnlistedFolders);
        outcome.UnlistedDestinationFolders = std::move(end.Result.UnlistedDestinationFolders);
        if (end.Completed()) {
            outcome.Items = std::move(end.Result.Items);
            outcome.Roots = TCompareRoots(options.SrcDir, options.DstDir);
            outcome.DestinationFiles = end.Result.DestinationFiles;
            outcome.DestinationOnlyFolders = std::move(end.Result.DestinationOnlyFolders);
        }
    });
    runner.RunToEnd(loop, std::move(thread));
    progress.Clear();
    for (const TListingError& folder : outcome.UnlistedFolders)
        ReportFailureReason("cannot list the folder " + folder.Path, folder.Reason());
    for (const TListingError& folder : outcome.UnlistedDestinationFolders)
        ReportFailureReason("cannot list the destination folder " + folder.Path, folder.Reason());
    return outcome;
}

void ReportUnfinished(const TComparisonOutcome& outcome)
{
    if (outcome.Failed)
        std::cerr << "The comparison failed: " << outcome.FailureReason << '\n';
    else
        std::cerr << "The comparison was canceled.\n";
}

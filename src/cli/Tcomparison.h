#pragma once
// Runs one comparison to its end on this thread's event loop, showing progress.

#include <cstdint>
#include <string>
#include <vector>

#include "compare/Tcompareitem.h"
#include "compare/Tcompareoptions.h"
#include "compare/Tcompareroots.h"
#include "sys/Tfilesystem.h"

class TWorkerRunner;

struct TComparisonOutcome {
    bool Failed = false;
    std::string FailureReason;
    bool Completed = false;
    // The sorted items of a run that completed without failure.
    std::vector<TCompareItem> Items;
    // What the items' paths lie below.
    TCompareRoots Roots;
    // The source folders the run could not list whole.
    std::vector<TListingError> UnlistedFolders;
    // The same of the destination, listed only for destination-only files.
    std::vector<TListingError> UnlistedDestinationFolders;
    // The destination's files that pass the masks, and the paths below its root of the folders
    // the source lacks, a parent before its children: both only while the destination is listed.
    std::int64_t DestinationFiles = 0;
    std::vector<std::string> DestinationOnlyFolders;
};

// jobs: the threads of the walk and the lookups, 0 to let the comparison choose. Each folder
// that could not be listed whole gets a line on standard error.
TComparisonOutcome RunComparison(const TCompareOptions& options, int jobs, TWorkerRunner& runner);

// "The comparison failed: " and the reason, or "The comparison was canceled.", on standard error.
void ReportUnfinished(const TComparisonOutcome& outcome);

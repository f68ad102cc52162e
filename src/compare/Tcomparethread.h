#pragma once
// One comparison on a worker thread: the walk of the source tree, then the items made from it,
// judged, kept or dropped and sorted, both on the pool of threads it is given.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "compare/Tcompareitem.h"
#include "compare/Tcompareoptions.h"
#include "compare/Ttreescan.h"
#include "compare/Twalkcount.h"
#include "jobs/Tjob.h"
#include "jobs/Tworkpool.h"
#include "sys/Tfilesystem.h"

// What a comparison made: the sorted items, and the source folders that could not be listed
// whole, in walk order, each with its reason: the items tell nothing of what is in them.
struct TComparisonResult {
    std::vector<TCompareItem> Items;
    std::vector<TListingError> UnlistedFolders;
    // The same of the destination, whose folders are listed only for destination-only files:
    // nothing below one of them may be taken for missing from the destination.
    std::vector<TListingError> UnlistedDestinationFolders;
    // Also only while the destination is listed: its files that pass the masks, whether paired
    // or not, and the paths below its root of the folders the source lacks, each with a
    // trailing delimiter, a parent before its children.
    std::int64_t DestinationFiles = 0;
    std::vector<std::string> DestinationOnlyFolders;
};

class TCompareThread : public TJob<TComparisonResult> {
public:
    // The pool walks and looks up; it serves one run at a time and outlives the thread.
    TCompareThread(const TCompareOptions& options, TMainThreadCaller& mainThread, TWorkPool& pool,
                   const TFileFactsSource& fileSystem = TFileFactsSource::System());
    ~TCompareThread() override;

    const TCompareOptions Options;
    // How far the walk of the source tree has come, before there is a total to show progress,
    // and how many bytes are compared where contents are.
    TWalkCount Walked;

protected:
    void Prepare() override;
    void Run() override;
    void CleanUp() override;
    TComparisonResult TakeResult() override;

private:
    const TFileFactsSource& FileSystem;
    TWorkPool& Pool;
    TComparisonResult Result;
    // What the walk found, from the walk until the items are made.
    std::unique_ptr<TTreeScan> Scan;
};

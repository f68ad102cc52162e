#pragma once
// One comparison on a worker thread: the walk of the source tree, then the items made from it,
// judged, kept or dropped and sorted, both on a pool of threads.

#include <memory>
#include <vector>

#include "compare/Tcompareitem.h"
#include "compare/Tcompareoptions.h"
#include "jobs/Treportthread.h"
#include "compare/Ttreescan.h"
#include "compare/Twalkcount.h"
#include "jobs/Tworkpool.h"
#include "sys/Tfilesystem.h"

class TCompareThread : public TReportThread {
public:
    TCompareThread(const TCompareOptions& options, TMainThreadCaller& mainThread,
                   const TFileFactsSource& fileSystem = TFileFactsSource::System());
    ~TCompareThread() override;

    // The threads that walk and look up: 1 for the worker thread alone, 0 to let the pool
    // choose and adapt. Set before Resume.
    int Jobs = 0;
    const TCompareOptions Options;
    // The sorted result; read by the end handler while the end notification runs.
    std::vector<TCompareItem> Items;
    // The source folders that could not be listed whole, in walk order, each with its reason:
    // the items tell nothing of what is in them. Read like Items.
    std::vector<TListingError> UnlistedFolders;
    // How far the walk of the source tree has come, before there is a total to show progress.
    TWalkCount Walked;

protected:
    void Prepare() override;
    void Run() override;
    void CleanUp() override;

private:
    const TFileFactsSource& FileSystem;
    // Lives from the walk to the sort, so that the number of threads it found stays.
    std::unique_ptr<TWorkPool> Pool;
    // What the walk found, from the walk until the items are made.
    std::unique_ptr<TTreeScan> Scan;
};

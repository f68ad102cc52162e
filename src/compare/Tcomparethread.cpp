#include "compare/Tcomparethread.h"

#include "compare/Titemassembly.h"
#include "compare/Tmovefinder.h"
#include "sys/Memoryhints.h"

TCompareThread::TCompareThread(const TCompareOptions& options, TMainThreadCaller& mainThread, TWorkPool& pool,
                               const TFileFactsSource& fileSystem)
    : TJob(mainThread), Options(options), FileSystem(fileSystem), Pool(pool)
{}

TCompareThread::~TCompareThread() = default;

void TCompareThread::Prepare()
{
    Scan = std::make_unique<TTreeScan>(Options, FileSystem, Walked, [this] { return Terminated(); });
    Scan->Run(Pool);
    Result.UnlistedFolders = std::move(Scan->UnlistedFolders);
    Result.UnlistedDestinationFolders = std::move(Scan->UnlistedDestinationFolders);
    Result.DestinationFiles = Scan->DestinationFiles;
    Result.DestinationOnlyFolders = std::move(Scan->DestinationOnlyFolders);
}

void TCompareThread::Run()
{
    TItemAssembly assembly(
        Options, FileSystem, [this] { return Terminated(); }, Result.Items);
    const auto progress = [this](std::int32_t done, std::int32_t total) { Progress(done, total); };
    assembly.Classify(*Scan, Pool, progress);
    if (Options.CompareContents && !Terminated())
        assembly.ReadContents(*Scan, Pool, Walked, progress);
    if (Options.ShowDestinationOnly && !Terminated())
        TMoveFinder(Options).Run(*Scan);
    if (!Terminated())
        assembly.Collect(*Scan, Pool);
    if (!Terminated())
        assembly.Sort(Pool);
}

void TCompareThread::CleanUp()
{
    Scan.reset();
    ReleaseMemory(Result.Items);
    ReleaseMemory(Result.UnlistedFolders);
    ReleaseMemory(Result.UnlistedDestinationFolders);
    ReleaseMemory(Result.DestinationOnlyFolders);
}

TComparisonResult TCompareThread::TakeResult()
{
    // A run that did not complete made no items to show; its unlisted folders still tell why.
    if (!Outcome().Completed())
        ReleaseMemory(Result.Items);
    return std::move(Result);
}

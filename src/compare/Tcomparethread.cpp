#include "compare/Tcomparethread.h"

#include "compare/Titemassembly.h"
#include "sys/Memoryhints.h"

TCompareThread::TCompareThread(const TCompareOptions& options, TMainThreadCaller& mainThread,
                               const TFileFactsSource& fileSystem)
    : TReportThread(mainThread), Options(options), FileSystem(fileSystem)
{
    FreeOnTerminate = true;
}

TCompareThread::~TCompareThread() = default;

void TCompareThread::Prepare()
{
    Pool = std::make_unique<TWorkPool>(Jobs);
    Scan = std::make_unique<TTreeScan>(Options, FileSystem, Walked, [this] { return Terminated(); });
    Scan->Run(*Pool);
    UnlistedFolders = std::move(Scan->UnlistedFolders);
}

void TCompareThread::Run()
{
    TItemAssembly assembly(
        Options, FileSystem, [this] { return Terminated(); }, Items);
    assembly.Classify(*Scan, *Pool, [this](std::int32_t done, std::int32_t total) { Progress(done, total); });
    if (!Terminated())
        assembly.Collect(*Scan, *Pool);
    if (!Terminated())
        assembly.Sort(*Pool);
    Pool.reset();
}

void TCompareThread::CleanUp()
{
    Pool.reset();
    Scan.reset();
    ReleaseMemory(Items);
    ReleaseMemory(UnlistedFolders);
}

#pragma once
// One comparison on a worker thread: walks the source tree, keeps the files whose names pass
// the masks, looks each up under the destination root, classifies the pair, drops "Not
// modified" pairs unless wanted, and sorts by result and then by path in the user's locale.
// The walk, the lookups and the sort keys are shared out to a pool of threads; the result is
// the same for any number of them, down to the order of items whose paths collate equal.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "compare/Tcompareitem.h"
#include "compare/Tcompareoptions.h"
#include "compare/Treportthread.h"
#include "compare/Twalkcount.h"
#include "compare/Tworkpool.h"
#include "sys/Tfilesystem.h"

class TCompareThread : public TReportThread {
public:
    TCompareThread(const TCompareOptions& options, TMainThreadCaller& mainThread,
                   const TFileFactsSource& fileSystem = TFileFactsSource::System());
    ~TCompareThread() override;

    // Two seconds in 100-ns ticks: the granularity of FAT file times.
    static constexpr std::int64_t FatTimeStep = 20'000'000;
    static constexpr std::int64_t HourShift = 3600LL * 10'000'000;
    static std::int64_t RoundUpToFatTime(std::int64_t time);
    static TCompareResult ResultOf(std::int64_t timeRemainder, std::int64_t sizeRemainder);

    // The threads that walk and look up: 1 for the worker thread alone, 0 to let the pool
    // choose and adapt. Set before Resume.
    int Jobs = 0;
    const TCompareOptions Options;
    // The sorted result; read by the end handler while the end notification runs.
    std::vector<TCompareItem> Items;
    std::vector<std::string> IncludeMaskList;
    std::vector<std::string> ExcludeMaskList;
    // How far the walk of the source tree has come, before there is a total to show progress.
    TWalkCount Walked;

protected:
    void Prepare() override;
    void Run() override;
    void CleanUp() override;

private:
    struct TScannedDirectory;

    void PrepareMasks();
    void ScanDirectory(TScannedDirectory& directory, TWorkPool& pool);
    bool PassesMasks(const std::string& name) const;
    bool AnyMaskMatches(const std::string& name, const std::vector<std::string>& masks) const;
    void ClassifyItems(TWorkPool& pool);
    void CollectItems(TWorkPool& pool);
    // From the source's facts and what the lookup found under the destination root.
    void ClassifyItem(TCompareItem& item, std::int64_t sourceSize, std::int64_t sourceTime,
                      const std::optional<TFileFacts>& destination) const;
    std::int64_t TimeRemainderOf(std::int64_t sourceTime, std::int64_t destinationTime) const;
    // Without the hour shift.
    std::int64_t PreciseRemainder(std::int64_t sourceTime, std::int64_t destinationTime) const;
    void SortItems(TWorkPool& pool);

    const TFileFactsSource& FileSystem;
    // Lives from the walk to the sort, so that the number of threads it found stays.
    std::unique_ptr<TWorkPool> Pool;
    // What the walk found, from the walk until the items are made; the directories in the
    // order of a depth-first walk in listing order.
    std::unique_ptr<TScannedDirectory> Root;
    std::vector<TScannedDirectory*> Directories;
    std::string SrcRoot;
    std::string DstRoot;
};

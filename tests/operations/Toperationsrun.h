#pragma once
// Runs an operations thread to its end on this thread's event loop and keeps what it reported.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "jobs/Teventloop.h"
#include "operations/Toperationsthread.h"
#include "sys/Tfilesystem.h"

struct TOperationsReport {
    std::vector<std::string> Lines;
    // The reason of each item's outcome, in item order; empty for an item that succeeded.
    std::vector<std::string> Reasons;
    // Progress comes in batches; only its latest value is certain to arrive.
    int ProgressReports = 0;
    std::int32_t LastPosition = -1;
    std::int32_t LastMaximum = -1;
    // The run's own count at its end.
    std::int64_t BytesDone = -1;
    std::int32_t ItemsDone = -1;
};

// The caller owns the thread and releases it afterwards.
inline TOperationsReport RunToEnd(TOperationsThread& thread, TEventLoop& loop)
{
    TOperationsReport report;
    thread.SetOnLog([&](const std::string& text, const std::optional<TTransferOutcome>& outcome) {
        report.Lines.push_back(text);
        if (outcome)
            report.Reasons.push_back(ReasonText(*outcome));
    });
    thread.SetOnProgress([&](std::int32_t position, std::int32_t maximum) {
        ++report.ProgressReports;
        report.LastPosition = position;
        report.LastMaximum = maximum;
    });
    thread.SetOnEnd([&](const TJobEnd<TOperationsCounts>& end) {
        report.BytesDone = end.Result.Bytes;
        report.ItemsDone = end.Result.Items;
    });
    thread.Resume();
    loop.RunUntil([&] { return thread.Ended(); });
    return report;
}

// Items at these paths below the roots, "/" between names, that tell nothing of what the
// comparison saw: the file work takes them as they are.
inline std::vector<TCompareItem> Items(const std::vector<std::string>& paths)
{
    std::vector<TCompareItem> items(paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i)
        items[i].Path = paths[i];
    return items;
}

// The real file work, which moves by copying even inside one file system.
class TCopyingTransfer : public TFileTransfer {
public:
    using TFileTransfer::TFileTransfer;
    bool MoveByRenaming(const std::string&, const std::string&) override { return false; }
};

// The item at path below the roots with what a comparison sees of its two files now.
inline TCompareItem SeenNow(const std::string& path, const TCompareRoots& roots)
{
    const auto ticks = [](const struct stat& info) {
        return TicksFromUnixTime(info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
    };
    TCompareItem item;
    item.Path = path;
    struct stat from {
    }, to{};
    if (stat(roots.SourcePath(item).c_str(), &from) != 0)
        throw std::runtime_error("no source file at " + path);
    const bool destinationExists = stat(roots.DestinationPath(item).c_str(), &to) == 0;
    item.SetSeen(TSideFacts{from.st_size, ticks(from)},
                 destinationExists ? std::optional(TSideFacts{to.st_size, ticks(to)}) : std::nullopt,
                 destinationExists ? ChangeIdentity(to.st_dev, to.st_ctim.tv_sec, to.st_ctim.tv_nsec) : 0);
    return item;
}

// One run over items below the two roots, through the given file work.
inline TOperationsReport RunOperations(const std::vector<std::string>& paths, TFileOperation operation,
                                       const TCompareRoots& roots, std::unique_ptr<TFileTransfer> files)
{
    TEventLoop loop;
    TOperationsThread thread(Items(paths), operation, roots, loop, std::move(files));
    return RunToEnd(thread, loop);
}

inline TOperationsReport RunOperations(const std::vector<std::string>& paths, TFileOperation operation,
                                       const TCompareRoots& roots)
{
    return RunOperations(paths, operation, roots, std::make_unique<TFileTransfer>(TransferRoots(roots)));
}

// The temporary copies left in a directory; there must never be any after an operation.
inline std::vector<std::string> LeftoverTemporaries(const std::string& directory)
{
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(directory))
        if (entry.path().filename().string().ends_with(TFileTransfer::TemporarySuffix))
            found.push_back(entry.path().filename().string());
    return found;
}

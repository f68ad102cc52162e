#pragma once
// Runs an operations thread to its end on this thread's event loop and keeps what it reported.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "jobs/Teventloop.h"
#include "operations/Toperationsthread.h"

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

// One run over items below the two roots, through the given file work.
inline TOperationsReport RunOperations(const std::vector<std::string>& sources, TFileOperation operation,
                                       const std::vector<std::string>& destinations,
                                       std::unique_ptr<TFileTransfer> files)
{
    TEventLoop loop;
    TOperationsThread thread(sources, operation, destinations, loop, std::move(files));
    return RunToEnd(thread, loop);
}

inline TOperationsReport RunOperations(const std::vector<std::string>& sources, TFileOperation operation,
                                       const std::vector<std::string>& destinations, const TTransferRoots& roots)
{
    return RunOperations(sources, operation, destinations, std::make_unique<TFileTransfer>(roots));
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

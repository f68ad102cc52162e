#pragma once
// Copies, moves, deletes, removes or mirrors a list of files on a worker thread, logging a line before and
// after each item, progress after each, and a status line and two counts at the end. The line
// after an item carries the item's outcome, with the reason where it failed. A move makes its
// copies durable in batches and deletes their sources after: its lines come once an item and
// every one before it have their outcomes, in the order of the list all the same.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "compare/Tcompareitem.h"
#include "compare/Tcompareroots.h"
#include "jobs/Tjob.h"
#include "operations/Tmovebatch.h"
#include "sys/Tfiletransfer.h"

enum TFileOperation : std::int32_t {
    foMove = 0,
    foCopy = 1,
    foDelete = 2,
    // Removes rows only the destination has.
    foRemove = 3,
    // Copies and renames what the destination lacks, then, where every one succeeded, removes
    // what only the destination has.
    foMirror = 4,
};

// The text between two double quotes.
std::string QuotedText(const std::string& text);
// "Succeeded" or "Not succeeded".
std::string SuccessText(bool ok);
// "Done" when every item was processed and the last was not stopped in hand, "Stopped" after
// some, "Canceled" before the first.
std::string CompletionText(std::int64_t processed, std::int64_t total, bool lastStopped);

// With copy set, makes the destination's directory chain where missing and replaces destination
// with a copy of source; with deleteSource set, then deletes source, but only once the copy is
// on disk. Succeeded when every requested step did. Throws when destination has no directory
// part.
// What the comparison saw of the item's two files.
TSeenFiles SeenFiles(const TCompareItem& item);
// The bytes of the items' sources as the comparison saw them.
std::int64_t SourceBytes(const std::vector<TCompareItem>& items);
// The roots as the file work takes them.
TTransferRoots TransferRoots(const TCompareRoots& roots);

// Where seen is given, the file work looks again first and touches nothing that changed since
// the comparison.
TTransferOutcome TransferFile(const std::string& source, const std::string& destination, bool copy, bool deleteSource,
                              TFileTransfer& files, const TSeenFiles* seen = nullptr);

// How far a run has come: the items ended, and the bytes of the sources copied, deleted or
// passed over (as the comparison saw them), not those of an item stopped in hand.
struct TOperationsCounts {
    std::int32_t Items = 0;
    std::int64_t Bytes = 0;
};

class TOperationsThread : public TJob<TOperationsCounts> {
public:
    // Copies the items, so the caller may release its own at once. The items lie below the
    // roots of the comparison they come from; the file work never leaves them. Where an item
    // tells what the comparison saw of its source, the file work looks again first; an item
    // without is taken as it is.
    TOperationsThread(const std::vector<TCompareItem>& items, TFileOperation operation, const TCompareRoots& roots,
                      TMainThreadCaller& mainThread);
    // files: the file work, with roots of its own.
    TOperationsThread(const std::vector<TCompareItem>& items, TFileOperation operation, const TCompareRoots& roots,
                      TMainThreadCaller& mainThread, std::unique_ptr<TFileTransfer> files);

    std::vector<TCompareItem> Items;
    const TCompareRoots Roots;
    TFileOperation Operation;
    // The folders below the destination root that a mirror removes at its end where they are
    // empty and the source has none of their paths, parents before their children.
    std::vector<std::string> DestinationOnlyFolders;

    // How far the run has come, for a window to read at any time.
    TOperationsCounts Counts() const { return {ItemsDone, BytesDone}; }

protected:
    void Execute() override;
    void Prepare() override;
    void Run() override;
    void CleanUp() override;
    TOperationsCounts TakeResult() override { return Counts(); }

    void ProcessItems();
    // The copy's outcome; the item's own comes with its batch, where the copy succeeded.
    TTransferOutcome MoveItem(const std::string& source, const std::string& destination);
    TTransferOutcome CopyItem(const std::string& source, const std::string& destination);
    TTransferOutcome DeleteItem(const std::string& source);
    // A "Moved" row's file is renamed where it stands in the destination, or copied where it
    // cannot be.
    TTransferOutcome RenameOrCopyItem(const TCompareItem& item);
    // held: why the removal may not go on, None where it may.
    TTransferOutcome RemoveItem(const TCompareItem& item, TRefusal held = TRefusal::None);

private:
    TTransferOutcome TransferItem(const std::string& announcement, const std::string& source,
                                  const std::string& destination, bool copy, bool deleteSource);
    TTransferOutcome ProcessItem(const TCompareItem& item);
    // Gives the move in hand the outcome known at once: no copy of it waits in the batch.
    TTransferOutcome EndMove(const TTransferOutcome& outcome);
    // Counts an item whose lines are logged; stopped: it was stopped in hand.
    void EndItem(bool succeeded, bool stopped);
    // Makes the batch's copies durable and deletes their sources.
    void CompleteBatch();
    // Logs the lines of the waiting items, oldest first, as far as their outcomes are known.
    void ReportWaiting();
    TTransferOutcome MirrorItem(const TCompareItem& item);
    void RemoveDestinationOnlyFolders();
    // The folders of the relative path below the destination root, innermost first, while they
    // are empty and the source has none of their paths.
    void RemoveEmptiedFolders(std::string relative);
    // Logs a folder removed, and one kept for a reason that is no matter of course.
    bool RemoveFolderIfEmpty(const std::string& relative);
    // Logs the announcement and hands the log over where the item may take a while.
    void Announce(const std::string& announcement, std::int64_t bytes);
    std::chrono::nanoseconds LikelyDuration(std::int64_t bytes) const;

    // An item of a move whose lines wait for its own outcome or for an earlier item's.
    struct TWaitingItem {
        std::string Announcement;
        std::int64_t Bytes = 0;
        bool Announced = false;
        std::optional<TTransferOutcome> Outcome;
        bool Stopped = false;
    };

    std::deque<TWaitingItem> Waiting;
    TMoveBatch Batch;
    std::size_t Processed = 0;
    std::size_t Succeeded = 0;
    bool LastStopped = false;
    std::atomic<std::int32_t> ItemsDone{0};
    std::atomic<std::int64_t> BytesDone{0};
    // The item in hand, for its facts.
    std::size_t Current = 0;
    std::chrono::steady_clock::time_point Started;
    // A mirror's copy or rename did not succeed: it removes nothing after it.
    bool TransferFailed = false;

    std::unique_ptr<TFileTransfer> Files;
};

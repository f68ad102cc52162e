#pragma once
// Copies, moves, deletes, removes or mirrors a list of files on a worker thread, logging a line before and
// after each item, progress after each, and a status line and two counts at the end. The line
// after an item carries the item's outcome, with the reason where it failed. A move makes its
// copies durable in batches and deletes their sources after: its lines come once an item and
// every one before it have their outcomes, in the order of the list all the same; a move that
// renames its source has its outcome at once. Copies, and the renames and copies of moves, are
// made by a few threads at once; the lines, the counts and the files they leave are the same as
// on one thread.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "compare/Tcompareitem.h"
#include "compare/Tcompareroots.h"
#include "jobs/Tjob.h"
#include "operations/Titempool.h"
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
    // The threads that copy: 1 for the run's own alone, 0 for one a core (four where copies are
    // read back).
    int Jobs = 1;

    // How far the run has come, for a window to read at any time.
    TOperationsCounts Counts() const;

protected:
    void Execute() override;
    void Prepare() override;
    void Run() override;
    void CleanUp() override;
    TOperationsCounts TakeResult() override { return Counts(); }

    void ProcessItems();
    TTransferOutcome CopyItem(const std::string& source, const std::string& destination);
    TTransferOutcome DeleteItem(const std::string& source);
    // A "Moved" row's file is renamed where it stands in the destination, or copied where it
    // cannot be.
    TTransferOutcome RenameOrCopyItem(const TCompareItem& item);
    // held: why the removal may not go on, None where it may.
    TTransferOutcome RemoveItem(const TCompareItem& item, TRefusal held = TRefusal::None);

private:
    // What became of an item's copy on a thread of the pool.
    struct TCopyEnd {
        std::size_t Index = 0;
        std::optional<TTransferOutcome> Outcome;
        bool Stopped = false;
        // A move whose source took the destination's name: nothing of it waits for the batch.
        bool Renamed = false;
        std::exception_ptr Error;
    };

    // The threads of the pool, as Jobs asks and the work needs.
    int CopyThreads() const;
    // Whether the item is a copy that the pool may make beside others.
    bool Pooled(const TCompareItem& item) const;
    // Queues the copy of the item, and of a move its batch once due.
    void AddCopy(std::size_t index, TItemPool& pool);
    // The copy, or the rename or first half of the move, of the item; on any thread.
    void CopyOnThread(std::size_t index, std::size_t thread);
    // Waits until at most so many copies are unfinished, then logs the lines their ends complete.
    void AwaitCopies(TItemPool& pool, std::size_t most);
    // Waits for every copy queued, logging their lines as far as they are known.
    void FinishCopies(TItemPool& pool);
    void TakeCopyEnds();
    // An item is behind the run: its bytes, or none where it was stopped in hand, count as done,
    // in place of those its copy had landed so far on that thread.
    void CountEnded(std::size_t thread, std::int64_t bytes);
    TTransferOutcome TransferItem(const std::string& announcement, const std::string& source,
                                  const std::string& destination, bool copy, bool deleteSource);
    TTransferOutcome ProcessItem(const TCompareItem& item);
    // The bytes an item counts for once behind the run; landed: those its copy landed.
    std::int64_t EndedBytes(const TCompareItem& item, bool stopped, std::int64_t landed) const;
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

    // An item copied in the pool, or moved, whose lines wait for its own outcome or for an
    // earlier item's.
    struct TWaitingItem {
        std::size_t Index = 0;
        std::string Announcement;
        std::int64_t Bytes = 0;
        bool Announced = false;
        std::optional<TTransferOutcome> Outcome;
        bool Stopped = false;
        // Its copy waits for its batch.
        bool Kept = false;
    };

    std::deque<TWaitingItem> Waiting;
    TMoveBatch Batch;
    std::size_t Processed = 0;
    std::size_t Succeeded = 0;
    // Several copies may be stopped in hand at once.
    std::size_t StoppedInHand = 0;
    bool LastStopped = false;
    std::atomic<std::int32_t> ItemsDone{0};
    // The items whose copies or work ended, for the pace of the run.
    std::size_t ItemsBehind = 0;
    // The item in hand on the run's own thread, for its facts.
    std::size_t Current = 0;
    // Guards the copies' ends and the bytes counted.
    mutable std::mutex EndsLock;
    std::vector<TCopyEnd> CopyEnds;
    // The bytes of the items behind the run, and those landed by the copy in hand on each
    // thread, the run's own first.
    std::int64_t BytesBehind = 0;
    std::unique_ptr<std::atomic<std::int64_t>[]> BytesLanded;
    std::size_t Threads = 0;
    std::chrono::steady_clock::time_point Started;
    // A mirror's copy or rename did not succeed: it removes nothing after it.
    bool TransferFailed = false;

    std::unique_ptr<TFileTransfer> Files;
};

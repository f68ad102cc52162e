#include "operations/Toperationsthread.h"

#include <algorithm>
#include <cerrno>
#include <optional>
#include <stdexcept>
#include <unordered_map>

#include "jobs/Tworkpool.h"
#include "sys/Memoryhints.h"
#include "sys/Mysysutils.h"

std::string QuotedText(const std::string& text) { return "\"" + text + "\""; }

std::string SuccessText(bool ok) { return ok ? "Succeeded" : "Not succeeded"; }

std::string CompletionText(std::int64_t processed, std::int64_t total, bool lastStopped)
{
    if (processed >= total && !lastStopped)
        return "Done";
    return processed > 0 ? "Stopped" : "Canceled";
}

TSeenFiles SeenFiles(const TCompareItem& item)
{
    return {item.SeenSrcSize(), item.SeenSrcTime(), item.DstExists(),
            item.SeenDstSize(), item.SeenDstTime(), item.SeenDstIdentity()};
}

namespace {
// What the comparison saw, where it saw a source at all.
std::optional<TSeenFiles> SeenSourceFiles(const TCompareItem& item)
{
    return item.SrcExists() ? std::optional(SeenFiles(item)) : std::nullopt;
}
}  // namespace

std::int64_t SourceBytes(const std::vector<TCompareItem>& items)
{
    std::int64_t bytes = 0;
    for (const TCompareItem& item : items)
        bytes += std::max<std::int64_t>(item.SeenSrcSize(), 0);
    return bytes;
}

TTransferRoots TransferRoots(const TCompareRoots& roots) { return {roots.Source(), roots.Destination()}; }

namespace {
void RequireDirectoryPart(const std::string& destination)
{
    if (DirectoryPart(destination).empty())
        throw std::invalid_argument("The destination " + QuotedText(destination) + " names no directory.");
}
}  // namespace

TTransferOutcome TransferFile(const std::string& source, const std::string& destination, bool copy, bool deleteSource,
                              TFileTransfer& files, const TSeenFiles* seen)
{
    if (copy) {
        RequireDirectoryPart(destination);
        return deleteSource ? files.Move(source, destination, seen) : files.Copy(source, destination, seen);
    }
    return deleteSource ? files.Delete(source, seen) : TTransferOutcome::Success();
}

TOperationsThread::TOperationsThread(const std::vector<TCompareItem>& items, TFileOperation operation,
                                     const TCompareRoots& roots, TMainThreadCaller& mainThread)
    : TOperationsThread(items, operation, roots, mainThread, std::make_unique<TFileTransfer>(TransferRoots(roots)))
{}

TOperationsThread::TOperationsThread(const std::vector<TCompareItem>& items, TFileOperation operation,
                                     const TCompareRoots& roots, TMainThreadCaller& mainThread,
                                     std::unique_ptr<TFileTransfer> files)
    : TJob(mainThread), Items(items), Roots(roots), Operation(operation), Files(std::move(files))
{}

void TOperationsThread::Execute()
{
    TReportThread::Execute();
    if (Outcome().Failed())
        Log("Error");
}

void TOperationsThread::Prepare() {}

void TOperationsThread::Run() { ProcessItems(); }

void TOperationsThread::Announce(const std::string& announcement, std::int64_t bytes)
{
    Log(announcement);
    // The user sees what a long item is busy with, and a log that outlives a kill holds how far
    // the run came before it.
    HandOverBefore(LikelyDuration(bytes));
}

void TOperationsThread::CleanUp()
{
    ReleaseMemory(Items);
    // It holds folders of both trees open, and a card could not be ejected while the log is read.
    Files.reset();
}

TOperationsCounts TOperationsThread::Counts() const
{
    const std::lock_guard lock(EndsLock);
    std::int64_t bytes = BytesBehind;
    for (std::size_t i = 0; i < Threads; ++i)
        bytes += BytesLanded[i];
    return {ItemsDone, bytes};
}

namespace {
// Copies queued beyond those running, so that a thread that ends one finds the next at hand.
constexpr std::size_t QueuedPerThread = 4;
}  // namespace

void TOperationsThread::ProcessItems()
{
    Started = std::chrono::steady_clock::now();
    // A long file is stopped in hand, between two pieces, and its copy discarded.
    Files->StopWhen([this] { return Terminated(); });
    std::atomic<bool> failing{false};
    TItemPool pool(CopyThreads(), [this, &failing] { return Terminated() || failing; });
    {
        const std::lock_guard lock(EndsLock);
        // The run's own thread, then each of the pool's.
        Threads = pool.Threads() + 1;
        BytesLanded = std::make_unique<std::atomic<std::int64_t>[]>(Threads);
    }
    const TThreadByteCount counting(&BytesLanded[0]);
    const std::size_t total = Items.size();
    try {
        for (std::size_t i = 0; i < total && !Terminated(); ++i) {
            Current = i;
            const TCompareItem& item = Items[i];
            if (Pooled(item)) {
                AddCopy(i, pool);
                continue;
            }
            // Whatever comes now may depend on every copy before it.
            FinishCopies(pool);
            const TTransferOutcome outcome = ProcessItem(item);
            const bool stopped = !outcome && Terminated();
            EndItem(outcome.Succeeded(), stopped);
            ++ItemsBehind;
            CountEnded(0, EndedBytes(item, stopped, BytesLanded[0]));
        }
        FinishCopies(pool);
        // A stop too ends the batch in hand this way: no copy already made is left behind beside its
        // source, and every item's line tells what became of it.
        CompleteBatch();
    } catch (...) {
        failing = true;
        FinishCopies(pool);
        CompleteBatch();
        throw;
    }
    Files->Finish();
    if (Operation == foMirror && !TransferFailed && !Terminated())
        RemoveDestinationOnlyFolders();
    Log(CompletionText(static_cast<std::int64_t>(Processed), static_cast<std::int64_t>(total), LastStopped));
    Log("Succeeded: " + GroupDigits(std::to_string(Succeeded)) + " items");
    Log("Not succeeded: " + GroupDigits(std::to_string(Processed - Succeeded)) + " items");
}

int TOperationsThread::CopyThreads() const
{
    if (Operation == foDelete || Operation == foRemove)
        return 1;
    // Copies read back from the device leave the cores idle while they wait for it.
    constexpr int ThreadsPerCoreReadingBack = 4;
    if (Jobs == 0 && Files->ReadsCopiesBack())
        return ThreadsPerCoreReadingBack * static_cast<int>(CoreCount());
    return Jobs;
}

bool TOperationsThread::Pooled(const TCompareItem& item) const
{
    switch (Operation) {
    case foMove:
        return true;
    case foCopy:
        return item.Result != TCompareResult::Moved;
    case foMirror:
        return item.Result != TCompareResult::Moved && item.Result != TCompareResult::DestinationOnly;
    case foDelete:
    case foRemove:
        return false;
    }
    return false;
}

namespace {
// The destination's file name is not shown: it is the source's by construction.
std::string TransferAnnouncement(const std::string& verb, const std::string& source, const std::string& destination)
{
    return verb + " " + QuotedText(FileNamePart(source)) + " from " + QuotedText(DirectoryPart(source)) + " to " +
           QuotedText(DirectoryPart(destination));
}
}  // namespace

void TOperationsThread::AddCopy(std::size_t index, TItemPool& pool)
{
    const std::size_t queue = pool.Threads() * QueuedPerThread;
    while (pool.Unfinished() >= queue)
        AwaitCopies(pool, queue / 2);
    const TCompareItem& item = Items[index];
    const std::string source = Roots.SourcePath(item);
    const std::string destination = Roots.DestinationPath(item);
    const std::int64_t bytes = item.SrcExists() ? item.SeenSrcSize() : 0;
    TWaitingItem& waiting = Waiting.emplace_back();
    waiting.Index = index;
    waiting.Announcement = TransferAnnouncement(Operation == foMove ? "Moving" : "Copying", source, destination);
    waiting.Bytes = bytes;
    ReportWaiting();
    RequireDirectoryPart(destination);
    pool.Add(TDestinationKey(item.Path), [this, index](std::size_t thread) { CopyOnThread(index, thread); });
    TakeCopyEnds();
    ReportWaiting();
    if (Operation != foMove)
        return;
    Batch.Add(bytes, TMoveBatch::TClock::now());
    if (Batch.Due()) {
        FinishCopies(pool);
        CompleteBatch();
    }
}

void TOperationsThread::CopyOnThread(std::size_t index, std::size_t thread)
{
    const TThreadByteCount counting(&BytesLanded[thread]);
    const TCompareItem& item = Items[index];
    TCopyEnd end;
    end.Index = index;
    try {
        const std::optional<TSeenFiles> seen = SeenSourceFiles(item);
        const std::string source = Roots.SourcePath(item);
        const std::string destination = Roots.DestinationPath(item);
        const TSeenFiles* facts = seen ? &*seen : nullptr;
        // Its path is the destination's: a source file found there now was never compared.
        // A rename runs here, not on the run's own thread, so that no copy to a destination
        // that may meet its own is in flight meanwhile.
        if (item.Result == TCompareResult::DestinationOnly)
            end.Outcome = TTransferOutcome::Refused(TRefusal::OnlyInDestination);
        else if (Operation != foMove)
            end.Outcome = Files->Copy(source, destination, facts);
        else {
            end.Renamed = Files->MoveByRenaming(source, destination);
            end.Outcome = end.Renamed ? TTransferOutcome::Success() : Files->CopyToMove(source, destination, facts);
        }
        end.Stopped = !*end.Outcome && Terminated();
    } catch (...) {
        end.Error = std::current_exception();
    }
    const std::lock_guard lock(EndsLock);
    BytesBehind += EndedBytes(item, end.Stopped, BytesLanded[thread]);
    BytesLanded[thread] = 0;
    CopyEnds.push_back(std::move(end));
}

std::int64_t TOperationsThread::EndedBytes(const TCompareItem& item, bool stopped, std::int64_t landed) const
{
    // Whatever became of it, the item's bytes are behind the run now; but a copy stopped in hand
    // was thrown away, and a run that ends there has not come that far.
    if (stopped)
        return 0;
    return item.SrcExists() ? std::max<std::int64_t>(item.SeenSrcSize(), 0) : landed;
}

void TOperationsThread::CountEnded(std::size_t thread, std::int64_t bytes)
{
    const std::lock_guard lock(EndsLock);
    BytesBehind += bytes;
    BytesLanded[thread] = 0;
}

void TOperationsThread::AwaitCopies(TItemPool& pool, std::size_t most)
{
    // Lines wait no longer than for their hand-over to the user.
    pool.WaitUntilUnfinished(most, std::chrono::milliseconds(16));
    TakeCopyEnds();
    ReportWaiting();
}

void TOperationsThread::FinishCopies(TItemPool& pool)
{
    while (pool.Unfinished() > 0)
        AwaitCopies(pool, 0);
    TakeCopyEnds();
    // A copy never begun, after a stop, has no lines: it comes after every one begun.
    while (!Waiting.empty() && !Waiting.back().Outcome && !Waiting.back().Kept)
        Waiting.pop_back();
    ReportWaiting();
}

void TOperationsThread::TakeCopyEnds()
{
    std::vector<TCopyEnd> ends;
    {
        const std::lock_guard lock(EndsLock);
        ends.swap(CopyEnds);
    }
    for (TCopyEnd& end : ends) {
        if (end.Error)
            std::rethrow_exception(end.Error);
        TWaitingItem& waiting = Waiting[end.Index - Waiting.front().Index];
        const TTransferOutcome& copied = *end.Outcome;
        ++ItemsBehind;
        TransferFailed = TransferFailed || !copied;
        waiting.Stopped = end.Stopped;
        // A move's copy that succeeded waits for its batch; its source stays where it failed.
        if (Operation == foMove && copied && !end.Renamed)
            waiting.Kept = true;
        else
            waiting.Outcome = copied;
    }
}

void TOperationsThread::EndItem(bool succeeded, bool stopped)
{
    if (succeeded)
        ++Succeeded;
    ++Processed;
    // It counts as processed, but the run did not come to its end.
    LastStopped = stopped;
    // Nor is an item stopped in hand among those done: the meter would read "3 of 3" after a stop.
    if (stopped)
        ++StoppedInHand;
    ItemsDone = static_cast<std::int32_t>(Processed - StoppedInHand);
    Progress(static_cast<std::int32_t>(Processed), static_cast<std::int32_t>(Items.size()));
}

void TOperationsThread::CompleteBatch()
{
    if (Batch.Empty())
        return;
    Batch.Clear();
    std::unordered_map<std::string, TTransferOutcome> outcomes;
    for (TCompletedMove& completed : Files->CompleteMoves())
        outcomes.emplace(std::move(completed.Destination), completed.Outcome);
    for (TWaitingItem& waiting : Waiting)
        if (waiting.Kept && !waiting.Outcome)
            waiting.Outcome = outcomes.at(Roots.DestinationPath(Items[waiting.Index]));
    ReportWaiting();
}

void TOperationsThread::ReportWaiting()
{
    while (!Waiting.empty()) {
        TWaitingItem& next = Waiting.front();
        // After a stop, a copy still queued may never begin: it is told only once it ended.
        if (!next.Announced && !next.Outcome && !next.Kept && Terminated())
            return;
        if (!next.Announced) {
            // Only work still ahead is worth handing the log over for.
            if (next.Outcome)
                Log(next.Announcement);
            else
                Announce(next.Announcement, next.Bytes);
            next.Announced = true;
        }
        if (!next.Outcome)
            return;
        LogResult(SuccessText(next.Outcome->Succeeded()), *next.Outcome);
        EndItem(next.Outcome->Succeeded(), next.Stopped);
        Waiting.pop_front();
    }
}

// The items that no copy in the pool may run beside.
TTransferOutcome TOperationsThread::ProcessItem(const TCompareItem& item)
{
    switch (Operation) {
    case foMove:
        throw std::logic_error("A move's items go to the pool.");
    case foCopy:
        return RenameOrCopyItem(item);
    case foDelete:
        return DeleteItem(Roots.SourcePath(item));
    case foRemove:
        return RemoveItem(item);
    case foMirror:
        return MirrorItem(item);
    }
    throw std::invalid_argument("Unknown file operation " + std::to_string(Operation) + ".");
}

// The rows come with their removals last: a removal follows every copy and rename, and only
// where all of them succeeded.
TTransferOutcome TOperationsThread::MirrorItem(const TCompareItem& item)
{
    if (item.Result == TCompareResult::DestinationOnly)
        return RemoveItem(item, TransferFailed ? TRefusal::EarlierFailure : TRefusal::None);
    const TTransferOutcome outcome = RenameOrCopyItem(item);
    TransferFailed = TransferFailed || !outcome;
    return outcome;
}

TTransferOutcome TOperationsThread::RenameOrCopyItem(const TCompareItem& item)
{
    const std::string source = Roots.SourcePath(item);
    const std::string destination = Roots.DestinationPath(item);
    if (item.MovedFrom().empty() || !item.SrcExists())
        return CopyItem(source, destination);
    const std::string from = Roots.DestinationPath(item.MovedFrom());
    Announce("Renaming " + QuotedText(from) + " to " + QuotedText(destination), 0);
    const TSeenFiles seen{item.SeenSrcSize(), item.SeenSrcTime(), true,
                          item.SeenDstSize(), item.SeenDstTime(), item.SeenDstIdentity()};
    const TTransferOutcome renamed = Files->Rename(source, from, destination, seen);
    if (renamed || Terminated()) {
        LogResult(SuccessText(renamed.Succeeded()), renamed);
        // A renamed folder's files leave it empty behind them.
        if (renamed)
            RemoveEmptiedFolders(DirectoryPart(item.MovedFrom()));
        return renamed;
    }
    // Its old place stays as it was, as a file only the destination has.
    Log("Not renamed (" + ReasonText(renamed) + ")");
    return CopyItem(source, destination);
}

TTransferOutcome TOperationsThread::RemoveItem(const TCompareItem& item, TRefusal held)
{
    const std::string path = Roots.DestinationPath(item);
    Announce("Removing " + QuotedText(FileNamePart(path)) + " in " + QuotedText(DirectoryPart(path)), 0);
    const TRefusal refusal = item.Result == TCompareResult::DestinationOnly ? held : TRefusal::NotOnlyInDestination;
    const TTransferOutcome outcome =
        refusal == TRefusal::None ? Files->Remove(path, SeenFiles(item)) : TTransferOutcome::Refused(refusal);
    LogResult(SuccessText(outcome.Succeeded()), outcome);
    if (outcome)
        RemoveEmptiedFolders(DirectoryPart(item.Path));
    return outcome;
}

// Deepest first, so that a folder is empty once its own folders are gone.
void TOperationsThread::RemoveDestinationOnlyFolders()
{
    for (auto folder = DestinationOnlyFolders.rbegin(); folder != DestinationOnlyFolders.rend(); ++folder)
        RemoveFolderIfEmpty(*folder);
}

void TOperationsThread::RemoveEmptiedFolders(std::string relative)
{
    while (!relative.empty() && RemoveFolderIfEmpty(relative))
        relative = DirectoryPart(relative);
}

// One that holds files the masks left out, or that turned up since, or that the source has
// too, stays as a matter of course; any other reason is told.
bool TOperationsThread::RemoveFolderIfEmpty(const std::string& relative)
{
    std::string path = Roots.DestinationPath(relative);
    if (path.ends_with('/'))
        path.pop_back();
    const TTransferOutcome outcome = Files->RemoveEmptyFolder(path);
    const int error = outcome.ErrorNumber();
    if (outcome)
        Log("Removed the folder " + QuotedText(path));
    else if (error != ENOTEMPTY && error != EEXIST && error != ENOENT &&
             outcome.RefusalKind() != TRefusal::SourceHasFolder)
        Log("Kept the folder " + QuotedText(path) + ": " + ReasonText(outcome));
    return outcome.Succeeded();
}

TTransferOutcome TOperationsThread::CopyItem(const std::string& source, const std::string& destination)
{
    return TransferItem(TransferAnnouncement("Copying", source, destination), source, destination, true, false);
}

TTransferOutcome TOperationsThread::DeleteItem(const std::string& source)
{
    return TransferItem("Deleting " + QuotedText(FileNamePart(source)) + " in " + QuotedText(DirectoryPart(source)),
                        source, std::string(), false, true);
}

// At the run's pace so far: an average item's time at least, more for a larger one. The first
// item may take any time.
std::chrono::nanoseconds TOperationsThread::LikelyDuration(std::int64_t bytes) const
{
    if (ItemsBehind == 0)
        return std::chrono::nanoseconds::max();
    const auto elapsed = static_cast<double>((std::chrono::steady_clock::now() - Started).count());
    const double perItem = elapsed / static_cast<double>(ItemsBehind);
    const auto bytesDone = static_cast<double>(Counts().Bytes);
    const double forBytes =
        bytesDone > 0 ? elapsed * static_cast<double>(std::max<std::int64_t>(bytes, 0)) / bytesDone : 0;
    return std::chrono::nanoseconds(static_cast<std::int64_t>(std::min(std::max(perItem, forBytes), 1e18)));
}

TTransferOutcome TOperationsThread::TransferItem(const std::string& announcement, const std::string& source,
                                                 const std::string& destination, bool copy, bool deleteSource)
{
    const TCompareItem& item = Items[Current];
    const std::optional<TSeenFiles> seen = SeenSourceFiles(item);
    Announce(announcement, seen ? seen->SourceSize : 0);
    // Its path is the destination's: a source file found there now was never compared.
    TTransferOutcome outcome =
        item.Result == TCompareResult::DestinationOnly
            ? TTransferOutcome::Refused(TRefusal::OnlyInDestination)
            : TransferFile(source, destination, copy, deleteSource, *Files, seen ? &*seen : nullptr);
    LogResult(SuccessText(outcome.Succeeded()), outcome);
    return outcome;
}

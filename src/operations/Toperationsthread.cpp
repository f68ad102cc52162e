#include "operations/Toperationsthread.h"

#include <algorithm>
#include <cerrno>
#include <optional>
#include <stdexcept>

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

void TOperationsThread::ProcessItems()
{
    Started = std::chrono::steady_clock::now();
    Files->CountBytesIn(&BytesDone);
    // A long file is stopped in hand, between two pieces, and its copy discarded.
    Files->StopWhen([this] { return Terminated(); });
    const std::size_t total = Items.size();
    try {
        for (std::size_t i = 0; i < total && !Terminated(); ++i) {
            Current = i;
            const TCompareItem& item = Items[i];
            const std::int64_t bytesBefore = BytesDone;
            const TTransferOutcome outcome = ProcessItem(item);
            const bool stopped = !outcome && Terminated();
            if (Operation != foMove)
                EndItem(outcome.Succeeded(), stopped);
            // Whatever became of it, the item's bytes are behind the run now; but a copy stopped
            // in hand was thrown away, and a run that ends there has not come that far.
            if (stopped)
                BytesDone = bytesBefore;
            else if (item.SrcExists())
                BytesDone = bytesBefore + std::max<std::int64_t>(item.SeenSrcSize(), 0);
            if (Batch.Due())
                CompleteBatch();
        }
        // A stop too ends the batch in hand this way: no copy already made is left behind beside its
        // source, and every item's line tells what became of it.
        CompleteBatch();
    } catch (...) {
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

void TOperationsThread::EndItem(bool succeeded, bool stopped)
{
    if (succeeded)
        ++Succeeded;
    ++Processed;
    // It counts as processed, but the run did not come to its end.
    LastStopped = stopped;
    // Nor is an item stopped in hand among those done: the meter would read "3 of 3" after a stop.
    ItemsDone = static_cast<std::int32_t>(stopped ? Processed - 1 : Processed);
    Progress(static_cast<std::int32_t>(Processed), static_cast<std::int32_t>(Items.size()));
}

void TOperationsThread::CompleteBatch()
{
    if (Batch.Empty())
        return;
    Batch.Clear();
    // The kept copies belong to the waiting items without an outcome, in their order.
    const std::vector<TTransferOutcome> outcomes = Files->CompleteMoves();
    auto outcome = outcomes.begin();
    for (TWaitingItem& waiting : Waiting)
        if (!waiting.Outcome && outcome != outcomes.end())
            waiting.Outcome = *outcome++;
    ReportWaiting();
}

void TOperationsThread::ReportWaiting()
{
    while (!Waiting.empty()) {
        TWaitingItem& next = Waiting.front();
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

TTransferOutcome TOperationsThread::ProcessItem(const TCompareItem& item)
{
    switch (Operation) {
    case foMove:
        return MoveItem(Roots.SourcePath(item), Roots.DestinationPath(item));
    case foCopy:
        if (item.Result == TCompareResult::Moved)
            return RenameOrCopyItem(item);
        return CopyItem(Roots.SourcePath(item), Roots.DestinationPath(item));
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
    const TTransferOutcome outcome = item.Result == TCompareResult::Moved
                                         ? RenameOrCopyItem(item)
                                         : CopyItem(Roots.SourcePath(item), Roots.DestinationPath(item));
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

namespace {
// The destination's file name is not shown: it is the source's by construction.
std::string TransferAnnouncement(const std::string& verb, const std::string& source, const std::string& destination)
{
    return verb + " " + QuotedText(FileNamePart(source)) + " from " + QuotedText(DirectoryPart(source)) + " to " +
           QuotedText(DirectoryPart(destination));
}
}  // namespace

TTransferOutcome TOperationsThread::MoveItem(const std::string& source, const std::string& destination)
{
    const TCompareItem& item = Items[Current];
    const std::optional<TSeenFiles> seen = item.SrcExists() ? std::optional(SeenFiles(item)) : std::nullopt;
    TWaitingItem& waiting = Waiting.emplace_back();
    waiting.Announcement = TransferAnnouncement("Moving", source, destination);
    waiting.Bytes = seen ? seen->SourceSize : 0;
    ReportWaiting();
    const std::int64_t bytesBefore = BytesDone;
    RequireDirectoryPart(destination);
    // Its path is the destination's: a source file found there now was never compared.
    if (item.Result == TCompareResult::DestinationOnly)
        return EndMove(TTransferOutcome::Refused(TRefusal::OnlyInDestination));
    if (Files->MoveByRenaming(source, destination))
        return EndMove(TTransferOutcome::Success());
    const TTransferOutcome copied = Files->CopyToMove(source, destination, seen ? &*seen : nullptr);
    if (copied)
        Batch.Add(BytesDone - bytesBefore, TMoveBatch::TClock::now());
    else
        // Its source stays where it is; the items after it go on.
        EndMove(copied);
    return copied;
}

TTransferOutcome TOperationsThread::EndMove(const TTransferOutcome& outcome)
{
    Waiting.back().Outcome = outcome;
    Waiting.back().Stopped = !outcome && Terminated();
    ReportWaiting();
    return outcome;
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
    if (Current == 0)
        return std::chrono::nanoseconds::max();
    const auto elapsed = static_cast<double>((std::chrono::steady_clock::now() - Started).count());
    const double perItem = elapsed / static_cast<double>(Current);
    const auto bytesDone = static_cast<double>(BytesDone.load());
    const double forBytes =
        bytesDone > 0 ? elapsed * static_cast<double>(std::max<std::int64_t>(bytes, 0)) / bytesDone : 0;
    return std::chrono::nanoseconds(static_cast<std::int64_t>(std::min(std::max(perItem, forBytes), 1e18)));
}

TTransferOutcome TOperationsThread::TransferItem(const std::string& announcement, const std::string& source,
                                                 const std::string& destination, bool copy, bool deleteSource)
{
    const TCompareItem& item = Items[Current];
    const std::optional<TSeenFiles> seen = item.SrcExists() ? std::optional(SeenFiles(item)) : std::nullopt;
    Announce(announcement, seen ? seen->SourceSize : 0);
    // Its path is the destination's: a source file found there now was never compared.
    TTransferOutcome outcome =
        item.Result == TCompareResult::DestinationOnly
            ? TTransferOutcome::Refused(TRefusal::OnlyInDestination)
            : TransferFile(source, destination, copy, deleteSource, *Files, seen ? &*seen : nullptr);
    LogResult(SuccessText(outcome.Succeeded()), outcome);
    return outcome;
}

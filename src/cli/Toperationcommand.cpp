#include "cli/Toperationcommand.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>

#include "cli/Tcomparison.h"
#include "cli/Tjsonoutput.h"
#include "cli/Tprogressline.h"
#include "operations/Removalguards.h"
#include "operations/Ttransfermeter.h"

namespace {
const std::map<std::string, TCompareResult> KindNames{
    {"Created", TCompareResult::Created},
    {"Modified", TCompareResult::Modified},
    {"NotModified", TCompareResult::NotModified},
    {"Ambiguous", TCompareResult::Ambiguous},
    {"Unknown", TCompareResult::Unknown},
    {"Moved", TCompareResult::Moved},
    {"OnlyInDestination", TCompareResult::DestinationOnly},
};

struct TOperationsOutcome {
    bool Failed = false;
    bool Completed = false;
    bool AnyItemFailed = false;
};

// Each piece of the log reaches the file at once: a log read during the run, or after the run
// was killed, holds every line logged so far. The write errors show at the end, in ferror.
void WriteLogged(const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

// The reason an item did not succeed, one line on standard error after its log line.
void ReportItemFailure(const std::string& path, const TTransferOutcome& outcome)
{
    std::cerr << "vellumark-cli: " << path << ": " << ReasonText(outcome) << '\n';
}

const char* OperationName(TFileOperation operation)
{
    switch (operation) {
    case foMove:
        return "move";
    case foCopy:
        return "copy";
    case foDelete:
        return "delete";
    case foRemove:
        return "prune";
    case foMirror:
        return "mirror";
    }
    return "";
}

const char* ProgressCaption(TFileOperation operation)
{
    return operation == foDelete ? "Deleting:" : operation == foRemove ? "Removing:" : "Copying:";
}

// Where a row's file is: a deleted source, else its place in the destination.
std::string ItemPath(const TCompareItem& item, TFileOperation operation, const TCompareRoots& roots)
{
    return operation == foDelete ? roots.SourcePath(item) : roots.DestinationPath(item);
}

// Runs the operation to its end on this thread, printing each log line as the operations
// dialog lists it, ended as its clipboard text ends lines, or the log as JSON.
TOperationsOutcome RunOperations(const std::vector<TCompareItem>& items, TFileOperation operation,
                                 const TComparisonOutcome& comparison, const TTransferOptions& options, int jobs,
                                 bool json, TWorkerRunner& runner)
{
    TEventLoop loop;
    TOperationsOutcome outcome;
    const TCompareRoots& roots = comparison.Roots;
    auto thread = std::make_unique<TOperationsThread>(items, operation, roots, loop,
                                                      std::make_unique<TFileTransfer>(TransferRoots(roots), options));
    thread->DestinationOnlyFolders = comparison.DestinationOnlyFolders;
    thread->Jobs = jobs;
    std::optional<TJsonLogWriter> jsonLog;
    if (json)
        jsonLog.emplace(OperationName(operation), roots, WriteLogged);
    std::size_t item = 0;
    // A run stopped before its first line says nothing of itself.
    std::string status = "Canceled";
    TProgressLine progress(ProgressCaption(operation));
    TTransferMeter meter;
    meter.Start(static_cast<std::int64_t>(items.size()), SourceBytes(items), TTransferMeter::TClock::now());
    const TOperationsThread* running = thread.get();
    const auto showProgress = [&] {
        const TOperationsCounts counts = running->Counts();
        meter.Sample(counts.Items, counts.Bytes, TTransferMeter::TClock::now());
        progress.ShowText(meter.Text());
    };
    thread->SetOnLog([&](const std::string& text, const std::optional<TTransferOutcome>& itemOutcome) {
        progress.Clear();
        if (!jsonLog)
            WriteLogged(text + "\r\n");
        if (itemOutcome) {
            const TTransferOutcome& result = *itemOutcome;
            const TCompareItem* ended = item < items.size() ? &items[item++] : nullptr;
            if (!result)
                outcome.AnyItemFailed = true;
            if (!result && ended != nullptr)
                ReportItemFailure(ItemPath(*ended, operation, roots), result);
            if (jsonLog && ended != nullptr)
                jsonLog->Result(*ended, result);
        } else if (jsonLog && text.find(' ') == std::string::npos) {
            status = text;  // "Done", "Stopped", "Canceled" or "Error"
        }
    });
    thread->SetOnEnd([&](const TJobEnd<TOperationsCounts>& end) {
        outcome.Failed = end.Failed();
        outcome.Completed = end.Completed();
        if (end.Failed())
            std::cerr << "The operation failed: " << end.FailureReason << '\n';
    });
    runner.RunToEnd(loop, std::move(thread), showProgress);
    progress.Clear();
    if (jsonLog)
        jsonLog->Finish(status);
    return outcome;
}
}  // namespace

void TOperationCommand::AddTo(CLI::App& program)
{
    switch (Operation) {
    case foCopy:
        Command = program.add_subcommand("copy", "Copy the listed files of SOURCE over their paths under DESTINATION");
        break;
    case foMove:
        Command = program.add_subcommand(
            "move", "Copy the listed files of SOURCE over their paths under DESTINATION, then delete them");
        break;
    case foDelete:
        Command =
            program.add_subcommand("delete", "Delete the listed files of SOURCE; DESTINATION is only compared with");
        break;
    case foRemove:
        Command = program.add_subcommand(
            "prune", "Remove the files that only DESTINATION has, and the folders that leaves empty, to the trash");
        break;
    case foMirror:
        Command = program.add_subcommand(
            "mirror",
            "Make DESTINATION the same as SOURCE: copy and rename what it lacks, then remove what only it "
            "has, to the trash");
        break;
    }
    CompareArguments.AddTo(*Command);
    if (Operation != foRemove)
        Command
            ->add_option("--only", OnlyKinds,
                         Operation == foMirror
                             ? "Take only the items with these results, a comma list; by default Created, Modified, "
                               "Moved and OnlyInDestination (Ambiguous ones are left alone)"
                             : "Take only the items with these results, a comma list (NotModified ones are listed "
                               "only with --show-not-modified, Moved and OnlyInDestination ones only with "
                               "--show-destination-only)")
            ->allow_extra_args(false)
            ->delimiter(',')
            ->type_name("KINDS")
            ->check(CLI::IsMember(KindNames));
    if (Operation != foDelete && Operation != foRemove)
        Command->add_flag("--verify", Switches.Verify,
                          "Count a copy only once it was read back from the device and found equal to its source");
    if (RemovesFromDestination()) {
        Command->add_flag("--no-trash", NoTrash,
                          "Delete what is removed or replaced rather than put it in the desktop trash");
        Command
            ->add_option("--max-delete", MaxDelete,
                         "Remove up to N files, more than half of the destination's if need be; refuse above")
            ->type_name("N")
            ->check(CLI::NonNegativeNumber);
    } else {
        Command->add_flag("--trash", Switches.Trash,
                          Operation == foDelete ? "Put the deleted files in the desktop trash"
                                                : "Put the destination files that copies replace in the desktop trash");
    }
    if (Operation != foCopy)
        Command->add_flag("--yes", Confirmed,
                          RemovesFromDestination() ? "Go on although destination files will be removed"
                                                   : "Go on although source files will be removed");
    AddOutputFormatOption(*Command, Format);
}

bool TOperationCommand::Takes(TCompareResult result) const
{
    if (OnlyKinds.empty())
        return result != TCompareResult::DestinationOnly;
    return std::any_of(OnlyKinds.begin(), OnlyKinds.end(),
                       [&](const std::string& kind) { return KindNames.at(kind) == result; });
}

std::vector<TCompareItem> TOperationCommand::TakenItems(const std::vector<TCompareItem>& items) const
{
    if (Operation == foMirror) {
        std::vector<TCompareResult> kinds;
        for (const std::string& kind : OnlyKinds)
            kinds.push_back(KindNames.at(kind));
        return MirrorOrder(items, kinds.empty() ? MirrorKinds() : kinds);
    }
    std::vector<TCompareItem> taken;
    std::copy_if(items.begin(), items.end(), std::back_inserter(taken), [&](const TCompareItem& item) {
        return Operation == foRemove ? item.Result == TCompareResult::DestinationOnly : Takes(item.Result);
    });
    return taken;
}

bool TOperationCommand::RemovalsAllowed(const std::vector<TCompareItem>& taken,
                                        const TComparisonOutcome& comparison) const
{
    const TCompareRoots& roots = comparison.Roots;
    for (const TListingError& unlisted : comparison.UnlistedFolders)
        if (const std::optional<std::string> relative = roots.SourceRelative(unlisted.Path))
            std::cerr << "vellumark-cli: nothing is removed or renamed below " << roots.DestinationPath(*relative)
                      << ": its source folder could not be listed whole\n";
    const TRemovalCheck check = CheckRemovals(taken, roots.Source(), comparison.DestinationFiles);
    const std::size_t removals = check.Removals;
    if (!check.Refusal.empty()) {
        std::cerr << check.Refusal << '\n';
        return false;
    }
    const std::string count = std::to_string(removals) + " files";
    if (MaxDelete && static_cast<std::int64_t>(removals) > *MaxDelete) {
        std::cerr << "Nothing is done: " << count << " would be removed from the destination, more than --max-delete "
                  << *MaxDelete << " allows.\n";
        return false;
    }
    if (!MaxDelete && check.MostFiles) {
        std::cerr << "Nothing is done: " << count << " of the destination's " << comparison.DestinationFiles
                  << " would be removed, more than half; add --max-delete " << removals << " to allow it.\n";
        return false;
    }
    return true;
}

int TOperationCommand::Run(TWorkerRunner& runner) const
{
    if (Operation != foCopy && !Confirmed) {
        std::cerr << (Operation == foMove     ? "Moving removes the source files and cannot be undone"
                      : Operation == foDelete ? "Deleting removes the source files and cannot be undone"
                                              : "Files only in the destination will be removed")
                  << "; add --yes to go on.\n";
        return ExitUsage;
    }
    TResolvedOptions resolved = CompareArguments.Resolve();
    if (!resolved.Options)
        return resolved.Status;
    if (!resolved.Options->ShowNotModified && !OnlyKinds.empty() && Takes(TCompareResult::NotModified)) {
        std::cerr << "--only NotModified takes nothing without --show-not-modified.\n";
        return ExitUsage;
    }
    if (RemovesFromDestination())
        resolved.Options->ShowDestinationOnly = true;
    const TComparisonOutcome comparison = RunComparison(*resolved.Options, resolved.Jobs, runner);
    if (comparison.Failed || !comparison.Completed || runner.Interrupted()) {
        ReportUnfinished(comparison);
        return ExitFailure;
    }
    const std::vector<TCompareItem> taken = TakenItems(comparison.Items);
    if (RemovesFromDestination() && !RemovalsAllowed(taken, comparison))
        return ExitFailure;
    TTransferOptions switches = Switches;
    if (RemovesFromDestination())
        switches.Trash = !NoTrash;
    const TOperationsOutcome outcome =
        RunOperations(taken, Operation, comparison, switches, resolved.Jobs, Format == "json", runner);
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::cerr << "The log cannot be written.\n";
        return ExitFailure;
    }
    return outcome.Failed || !outcome.Completed || outcome.AnyItemFailed ? ExitFailure : ExitSuccess;
}

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
#include "operations/Ttransfermeter.h"

namespace {
const std::map<std::string, TCompareResult> KindNames{
    {"Created", TCompareResult::Created},         {"Modified", TCompareResult::Modified},
    {"NotModified", TCompareResult::NotModified}, {"Ambiguous", TCompareResult::Ambiguous},
    {"Unknown", TCompareResult::Unknown},
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
    return operation == foMove ? "move" : operation == foCopy ? "copy" : "delete";
}

// Runs the operation to its end on this thread, printing each log line as the operations
// dialog lists it, ended as its clipboard text ends lines, or the log as JSON.
TOperationsOutcome RunOperations(const std::vector<TCompareItem>& items, TFileOperation operation,
                                 const TCompareRoots& roots, const TTransferOptions& options, bool json,
                                 TWorkerRunner& runner)
{
    TEventLoop loop;
    TOperationsOutcome outcome;
    auto thread = std::make_unique<TOperationsThread>(items, operation, roots, loop,
                                                      std::make_unique<TFileTransfer>(TransferRoots(roots), options));
    std::optional<TJsonLogWriter> jsonLog;
    if (json)
        jsonLog.emplace(OperationName(operation), roots, WriteLogged);
    std::size_t item = 0;
    // A run stopped before its first line says nothing of itself.
    std::string status = "Canceled";
    TProgressLine progress(OperationName(operation) == std::string("delete") ? "Deleting:" : "Copying:");
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
                ReportItemFailure(operation == foDelete ? roots.SourcePath(*ended) : roots.DestinationPath(*ended),
                                  result);
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
    }
    CompareArguments.AddTo(*Command);
    Command
        ->add_option("--only", OnlyKinds,
                     "Take only the items with these results, a comma list (NotModified ones are listed only "
                     "with --show-not-modified)")
        ->allow_extra_args(false)
        ->delimiter(',')
        ->type_name("KINDS")
        ->check(CLI::IsMember(KindNames));
    if (Operation != foDelete)
        Command->add_flag("--verify", Switches.Verify,
                          "Count a copy only once it was read back from the device and found equal to its source");
    Command->add_flag("--trash", Switches.Trash,
                      Operation == foDelete ? "Put the deleted files in the desktop trash"
                                            : "Put the destination files that copies replace in the desktop trash");
    if (Operation != foCopy)
        Command->add_flag("--yes", Confirmed, "Go on although source files will be removed");
    AddOutputFormatOption(*Command, Format);
}

bool TOperationCommand::Takes(TCompareResult result) const
{
    return OnlyKinds.empty() || std::any_of(OnlyKinds.begin(), OnlyKinds.end(),
                                            [&](const std::string& kind) { return KindNames.at(kind) == result; });
}

int TOperationCommand::Run(TWorkerRunner& runner) const
{
    if (Operation != foCopy && !Confirmed) {
        std::cerr << (Operation == foMove ? "Moving" : "Deleting")
                  << " removes the source files and cannot be undone; add --yes to go on.\n";
        return ExitUsage;
    }
    const TResolvedOptions resolved = CompareArguments.Resolve();
    if (!resolved.Options)
        return resolved.Status;
    if (!resolved.Options->ShowNotModified && !OnlyKinds.empty() && Takes(TCompareResult::NotModified)) {
        std::cerr << "--only NotModified takes nothing without --show-not-modified.\n";
        return ExitUsage;
    }
    const TComparisonOutcome comparison = RunComparison(*resolved.Options, resolved.Jobs, runner);
    if (comparison.Failed || !comparison.Completed || runner.Interrupted()) {
        ReportUnfinished(comparison);
        return ExitFailure;
    }
    std::vector<TCompareItem> taken;
    std::copy_if(comparison.Items.begin(), comparison.Items.end(), std::back_inserter(taken),
                 [&](const TCompareItem& item) { return Takes(item.Result); });
    const TOperationsOutcome outcome =
        RunOperations(taken, Operation, comparison.Roots, Switches, Format == "json", runner);
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::cerr << "The log cannot be written.\n";
        return ExitFailure;
    }
    return outcome.Failed || !outcome.Completed || outcome.AnyItemFailed ? ExitFailure : ExitSuccess;
}

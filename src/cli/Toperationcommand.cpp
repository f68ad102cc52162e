#include "cli/Toperationcommand.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <map>

#include "cli/Tcomparison.h"

namespace {
const std::map<std::string, TCompareResult> KindNames{
    {"Created", TCompareResult::Created},     {"Modified", TCompareResult::Modified},
    {"NotModified", TCompareResult::NotModified}, {"Ambiguous", TCompareResult::Ambiguous},
    {"Unknown", TCompareResult::Unknown},
};

struct TOperationsOutcome {
    bool Failed = false;
    bool Completed = false;
    bool AnyItemFailed = false;
};

// Runs the operation to its end on this thread, printing each log line as the operations
// dialog lists it, ended as its clipboard text ends lines.
TOperationsOutcome RunOperations(const std::vector<std::string>& sources, TFileOperation operation,
                                 const std::vector<std::string>& destinations, const TTransferRoots& roots,
                                 TWorkerRunner& runner)
{
    TEventLoop loop;
    TOperationsOutcome outcome;
    auto* thread = new TOperationsThread(sources, operation, destinations, loop, roots);
    thread->OnLog = [&](TReportThread*, const std::string& text) {
        const std::string line = text + "\r\n";
        std::fwrite(line.data(), 1, line.size(), stdout);
        if (text == SuccessText(false))
            outcome.AnyItemFailed = true;
    };
    runner.RunToEnd(loop, thread, [&](TReportThread& sender) {
        outcome.Failed = sender.Failed;
        outcome.Completed = sender.Completed();
    });
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
        Command = program.add_subcommand(
            "delete", "Delete the listed files of SOURCE; DESTINATION is only compared with");
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
    if (Operation != foCopy)
        Command->add_flag("--yes", Confirmed, "Go on although source files will be removed");
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
        std::cerr << (comparison.Failed ? "The comparison failed.\n" : "The comparison was canceled.\n");
        return ExitFailure;
    }
    std::vector<std::string> sources, destinations;
    for (const TCompareItem& item : comparison.Items)
        if (Takes(item.Result)) {
            sources.push_back(item.SrcPath);
            destinations.push_back(item.DstPath);
        }
    const TOperationsOutcome outcome = RunOperations(sources, Operation, destinations, {resolved.Options->SrcDir, resolved.Options->DstDir}, runner);
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::cerr << "The log cannot be written.\n";
        return ExitFailure;
    }
    return outcome.Failed || !outcome.Completed || outcome.AnyItemFailed ? ExitFailure : ExitSuccess;
}

// vellumark-cli: the comparison and the file operations of Vellumark for scripts.

#include <array>
#include <cstdio>
#include <iostream>
#include <iterator>
#include <string>

#include <CLI/CLI.hpp>

#include "cli/Tcomparearguments.h"
#include "cli/Tcomparison.h"
#include "cli/Tjsonoutput.h"
#include "cli/Toperationcommand.h"
#include "cli/Tworkerrun.h"
#include "compare/Tresultrow.h"
#include "settings/Listexport.h"
#include "sys/Failurereason.h"

namespace {
// The comparison's items as the result list shows them, for the list export's writer.
class TItemReport : public TReportList {
public:
    TItemReport(const std::vector<TCompareItem>& items, const TCompareRoots& roots) : Items(items), Roots(roots) {}
    std::vector<std::string> ColumnCaptions() const override
    {
        return {ResultColumnCaptions().begin(), ResultColumnCaptions().end()};
    }
    std::size_t RowCount() const override { return Items.size(); }
    std::vector<std::string> RowTexts(std::size_t row) const override
    {
        TResultRowTexts texts = ResultRowTexts(Items[row], Roots);
        return {std::make_move_iterator(texts.begin()), std::make_move_iterator(texts.end())};
    }

private:
    const std::vector<TCompareItem>& Items;
    const TCompareRoots& Roots;
};

int Compare(const TCompareArguments& arguments, bool json, TWorkerRunner& runner)
{
    const TResolvedOptions resolved = arguments.Resolve();
    if (!resolved.Options)
        return resolved.Status;
    const TComparisonOutcome outcome = RunComparison(*resolved.Options, resolved.Jobs, runner);
    if (outcome.Failed || !outcome.Completed) {
        ReportUnfinished(outcome);
        return ExitFailure;
    }
    // A list of many rows goes out in a few large writes rather than one every few kilobytes.
    static std::array<char, 1 << 20> outputBuffer;
    std::setvbuf(stdout, outputBuffer.data(), _IOFBF, outputBuffer.size());
    const auto write = [](const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); };
    if (json) {
        TJsonListWriter list(outcome.Roots, write);
        for (const TCompareItem& item : outcome.Items)
            list.Item(item);
        list.Finish();
    } else {
        // Exactly what File > Save List As writes.
        WriteListViewLines(TItemReport(outcome.Items, outcome.Roots), true, write);
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::cerr << "The result list cannot be written.\n";
        return ExitFailure;
    }
    return ExitSuccess;
}

int Run(int argc, char** argv)
{
    CLI::App app("Compares a source tree with a destination tree and copies, moves or deletes what differs.",
                 "vellumark-cli");
    app.require_subcommand(1);
    app.failure_message(CLI::FailureMessage::help);

    TCompareArguments compareArguments;
    CLI::App* compare = app.add_subcommand(
        "compare", "List the files of SOURCE with their state under DESTINATION as comma-separated values");
    compareArguments.AddTo(*compare);
    std::string format = "csv";
    AddOutputFormatOption(*compare, format);
    TOperationCommand copy(foCopy), move(foMove), remove(foDelete), prune(foRemove), mirror(foMirror);
    for (TOperationCommand* operation : {&copy, &move, &remove, &prune, &mirror})
        operation->AddTo(app);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return app.exit(help);
    } catch (const CLI::CallForAllHelp& help) {
        return app.exit(help);
    } catch (const CLI::ParseError& error) {
        app.exit(error);
        return ExitUsage;
    }

    TWorkerRunner runner;
    if (compare->parsed())
        return Compare(compareArguments, format == "json", runner);
    for (const TOperationCommand* operation : {&copy, &move, &remove, &prune, &mirror})
        if (operation->Parsed())
            return operation->Run(runner);
    return ExitUsage;
}
}  // namespace

int main(int argc, char** argv)
{
    // What no command expects ends the program with its reason rather than an abort.
    try {
        return Run(argc, argv);
    } catch (...) {
        std::cerr << "vellumark-cli: " << FailureReason(std::current_exception()) << "\n";
        return ExitFailure;
    }
}

#pragma once
// The copy, move, delete, prune and mirror commands of vellumark-cli: compare the two roots as
// the compare command does, take the listed items (or those of the chosen kinds) in list order,
// and run the operation over them, printing its log on standard output. Prune and mirror list
// the destination's own files too and refuse, removing nothing, where the source root is
// missing or empty or where they would remove more than half of the destination's files (or
// more than --max-delete).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/Tcomparearguments.h"
#include "cli/Tworkerrun.h"
#include "compare/Tcompareitem.h"
#include "operations/Toperationsthread.h"

class TOperationCommand {
public:
    explicit TOperationCommand(TFileOperation operation) : Operation(operation) {}
    // The options are bound to the object's fields.
    TOperationCommand(const TOperationCommand&) = delete;
    TOperationCommand& operator=(const TOperationCommand&) = delete;

    // Adds the command to the program, with the compare command's options, --only, --trash
    // (--no-trash where the trash is the rule), --verify where files are copied, --max-delete
    // where destination files are removed, and --yes where any file is removed.
    void AddTo(CLI::App& program);
    bool Parsed() const { return Command != nullptr && Command->parsed(); }
    // The exit status: 0 when every item succeeded, 1 when one did not or the run failed,
    // 2 for a usage or validation problem (reported on standard error).
    int Run(TWorkerRunner& runner) const;

private:
    // Whether items of this result are taken: without --only, all but destination-only ones.
    bool Takes(TCompareResult result) const;
    bool RemovesFromDestination() const { return Operation == foRemove || Operation == foMirror; }
    std::vector<TCompareItem> TakenItems(const std::vector<TCompareItem>& items) const;
    // Whether the removals may go on, else why not on standard error.
    bool RemovalsAllowed(const std::vector<TCompareItem>& taken, const struct TComparisonOutcome& comparison) const;

    TFileOperation Operation;
    CLI::App* Command = nullptr;
    TCompareArguments CompareArguments;
    std::vector<std::string> OnlyKinds;
    bool Confirmed = false;
    TTransferOptions Switches;
    bool NoTrash = false;
    std::optional<std::int64_t> MaxDelete;
    std::string Format = "csv";
};

#pragma once
// The copy, move and delete commands of vellumark-cli: compare the two roots as the compare
// command does, take the listed items (or those of the chosen kinds) in list order, and run
// the operation over them, printing its log on standard output.

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

    // Adds the command ("copy", "move" or "delete") to the program, with the compare
    // command's options, --only, --trash, --verify where files are copied and, where source
    // files are removed, --yes.
    void AddTo(CLI::App& program);
    bool Parsed() const { return Command != nullptr && Command->parsed(); }
    // The exit status: 0 when every item succeeded, 1 when one did not or the run failed,
    // 2 for a usage or validation problem (reported on standard error).
    int Run(TWorkerRunner& runner) const;

private:
    // Whether items of this result are taken: all are without --only.
    bool Takes(TCompareResult result) const;

    TFileOperation Operation;
    CLI::App* Command = nullptr;
    TCompareArguments CompareArguments;
    std::vector<std::string> OnlyKinds;
    bool Confirmed = false;
    TTransferOptions Switches;
    std::string Format = "csv";
};

#pragma once
// The comparison options every command of vellumark-cli takes, and their check.

#include <string>

#include <CLI/CLI.hpp>

#include "compare/Tcompareoptions.h"

// Exit statuses of vellumark-cli.
inline constexpr int ExitSuccess = 0;
inline constexpr int ExitFailure = 1;
inline constexpr int ExitUsage = 2;

class TCompareArguments {
public:
    // Registers --include, --exclude, --no-subdirs, --exact-time, --show-not-modified and the
    // two roots on the command.
    void AddTo(CLI::App& command);
    // The options the arguments describe, on top of the defaults.
    TCompareOptions Options() const;

private:
    std::string Source;
    std::string Destination;
    std::string IncludeMasks;
    std::string ExcludeMasks;
    bool NoSubDirs = false;
    bool ExactTime = false;
    bool ShowNotModified = false;
    CLI::Option* IncludeOption = nullptr;
    CLI::Option* ExcludeOption = nullptr;
};

// Checks the options as the compare dialog does; prints the problem and returns false.
bool ValidateOptions(const TCompareOptions& options);

#pragma once
// The comparison options every command of vellumark-cli takes, and their check.

#include <optional>
#include <string>

#include <CLI/CLI.hpp>

#include "compare/Tcompareoptions.h"

// Exit statuses of vellumark-cli.
inline constexpr int ExitSuccess = 0;
inline constexpr int ExitFailure = 1;
inline constexpr int ExitUsage = 2;

// The options a command runs with, or the exit status of a problem already reported on
// standard error.
struct TResolvedOptions {
    std::optional<TCompareOptions> Options;
    int Status = ExitSuccess;
    // The threads of the walk and the lookups, and of the copies; 0 lets each choose.
    int Jobs = 0;
};

class TCompareArguments {
public:
    // Registers --load, --force, --save, --include, --exclude, --no-subdirs, --exact-time,
    // --show-not-modified, --jobs and the two roots on the command.
    void AddTo(CLI::App& command);
    // The options of a loaded compare file (or the defaults) with the command line's own on
    // top, checked as the compare dialog checks them, and saved when asked.
    TResolvedOptions Resolve() const;

private:
    TResolvedOptions Loaded() const;
    // Raises std::runtime_error when a relative root cannot be made absolute.
    void Override(TCompareOptions& options) const;
    bool Save(const TCompareOptions& options) const;

    std::string LoadFile;
    bool Force = false;
    std::string SaveFile;
    std::string Source;
    std::string Destination;
    std::string IncludeMasks;
    std::string ExcludeMasks;
    bool NoSubDirs = false;
    bool ExactTime = false;
    bool ShowNotModified = false;
    bool IgnoreHourShift = false;
    bool ShowDestinationOnly = false;
    bool CompareContents = false;
    int Jobs = 0;
    CLI::Option* IncludeOption = nullptr;
    CLI::Option* ExcludeOption = nullptr;
    CLI::Option* SourceOption = nullptr;
    CLI::Option* DestinationOption = nullptr;
};

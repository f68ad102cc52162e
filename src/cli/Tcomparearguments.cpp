#include "cli/Tcomparearguments.h"

#include <iostream>
#include <stdexcept>

#include "compare/Tcompareloader.h"
#include "compare/Tcompareoptionscheck.h"
#include "sys/Workingdirectory.h"

void TCompareArguments::AddTo(CLI::App& command)
{
    command.add_option("--load", LoadFile, "Take the options from a compare file (.vmc); later options override it");
    command.add_flag("--force", Force, "Go on with a compare file of another type or version");
    command.add_option("--save", SaveFile, "Save the options in effect as a compare file before the run");
    IncludeOption = command.add_option("--include", IncludeMasks, "Compare only files matching a mask (MASK;MASK...)");
    ExcludeOption = command.add_option("--exclude", ExcludeMasks, "Leave out files matching a mask (MASK;MASK...)");
    command.add_flag("--no-subdirs", NoSubDirs, "Compare only the files directly in the source root");
    command.add_flag("--exact-time", ExactTime, "Compare times exactly instead of at FAT precision (2 s)");
    command.add_flag("--show-not-modified", ShowNotModified, "List files that are not modified too");
    command.add_flag("--ignore-hour-shift", IgnoreHourShift,
                     "Take times exactly one hour apart as equal (FAT drives after a daylight saving change)");
    command.add_flag("--show-destination-only", ShowDestinationOnly,
                     "List files only the destination has, and source files moved from one of them");
    command.add_flag("--content", CompareContents,
                     "Read both files of every pair of one size: equal bytes are not modified whatever the times, "
                     "other bytes always listed");
    command
        .add_option("--jobs", Jobs,
                    "Walk and look up, and copy, with N threads (1: the worker thread alone); by default the number "
                    "follows the cores and, for the walk, the disk")
        ->check(CLI::Range(1, 64))
        ->type_name("N");
    SourceOption = command.add_option("SOURCE", Source, "Source root directory (may come from --load)");
    DestinationOption =
        command.add_option("DESTINATION", Destination, "Destination root directory (may come from --load)");
    command.callback([this, &command] {
        if (LoadFile.empty() && (SourceOption->count() == 0 || DestinationOption->count() == 0))
            throw CLI::RequiredError(command.get_name() + ": SOURCE and DESTINATION (or --load)");
    });
}

namespace {
// The compare dialog's words point at a field; here the root itself is named.
std::string CommandLineWording(const TOptionsProblem& problem, const TCompareOptions& options)
{
    if (problem.Message != "Set an exinsting directory.")
        return problem.Message;
    return problem.Field == TOptionsField::SrcDir ? "The source is no existing directory: " + options.SrcDir
                                                  : "The destination is no existing directory: " + options.DstDir;
}
}  // namespace

TResolvedOptions TCompareArguments::Resolve() const
{
    TResolvedOptions resolved = Loaded();
    if (!resolved.Options)
        return resolved;
    try {
        Override(*resolved.Options);
    } catch (const std::runtime_error& error) {
        std::cerr << error.what() << '\n';
        return {std::nullopt, ExitFailure};
    }
    if (const auto problem = CheckCompareOptions(*resolved.Options)) {
        std::cerr << CommandLineWording(*problem, *resolved.Options) << '\n';
        return {std::nullopt, ExitUsage};
    }
    if (!SaveFile.empty() && !Save(*resolved.Options))
        return {std::nullopt, ExitFailure};
    resolved.Jobs = Jobs;
    return resolved;
}

TResolvedOptions TCompareArguments::Loaded() const
{
    if (LoadFile.empty())
        return {TCompareOptions(), ExitSuccess};
    TCompareLoader loader;
    try {
        loader.LoadFromFile(LoadFile);
    } catch (const std::exception& error) {
        std::cerr << "The program cannot load data from the file: " << LoadFile << ": " << error.what() << '\n';
        return {std::nullopt, ExitFailure};
    }
    if (!loader.IsSupported() && !Force) {
        std::cerr << "The program does not support the file: " << LoadFile << '\n';
        return {std::nullopt, ExitUsage};
    }
    return {loader.Options, ExitSuccess};
}

void TCompareArguments::Override(TCompareOptions& options) const
{
    // A saved compare file and the comparison's paths must not depend on where the command ran.
    if (SourceOption->count() > 0)
        options.SrcDir = AbsolutePath(Source);
    if (DestinationOption->count() > 0)
        options.DstDir = AbsolutePath(Destination);
    if (IncludeOption->count() > 0) {
        options.UseIncludeMasks = true;
        options.IncludeMasks = IncludeMasks;
    }
    if (ExcludeOption->count() > 0) {
        options.UseExcludeMasks = true;
        options.ExcludeMasks = ExcludeMasks;
    }
    if (NoSubDirs)
        options.IncludeSubDirs = false;
    if (ExactTime)
        options.FatPrecision = false;
    if (ShowNotModified)
        options.ShowNotModified = true;
    if (IgnoreHourShift)
        options.IgnoreHourShift = true;
    if (ShowDestinationOnly)
        options.ShowDestinationOnly = true;
    if (CompareContents)
        options.CompareContents = true;
}

bool TCompareArguments::Save(const TCompareOptions& options) const
{
    TCompareLoader loader;
    loader.Options = options;
    try {
        loader.SaveToFile(SaveFile);
    } catch (const std::exception& error) {
        std::cerr << "The program cannot save data to the file: " << SaveFile << ": " << error.what() << '\n';
        return false;
    }
    return true;
}

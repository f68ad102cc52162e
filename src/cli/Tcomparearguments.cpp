#include "cli/Tcomparearguments.h"

#include <iostream>

#include "compare/Tcompareoptionscheck.h"

void TCompareArguments::AddTo(CLI::App& command)
{
    IncludeOption = command.add_option("--include", IncludeMasks, "Compare only files matching a mask (MASK;MASK...)");
    ExcludeOption = command.add_option("--exclude", ExcludeMasks, "Leave out files matching a mask (MASK;MASK...)");
    command.add_flag("--no-subdirs", NoSubDirs, "Compare only the files directly in the source root");
    command.add_flag("--exact-time", ExactTime, "Compare times exactly instead of at FAT precision (2 s)");
    command.add_flag("--show-not-modified", ShowNotModified, "List files that are not modified too");
    command.add_option("SOURCE", Source, "Source root directory")->required();
    command.add_option("DESTINATION", Destination, "Destination root directory")->required();
}

TCompareOptions TCompareArguments::Options() const
{
    TCompareOptions options;
    options.SrcDir = Source;
    options.DstDir = Destination;
    if (IncludeOption != nullptr && IncludeOption->count() > 0) {
        options.UseIncludeMasks = true;
        options.IncludeMasks = IncludeMasks;
    }
    if (ExcludeOption != nullptr && ExcludeOption->count() > 0) {
        options.UseExcludeMasks = true;
        options.ExcludeMasks = ExcludeMasks;
    }
    options.IncludeSubDirs = !NoSubDirs;
    options.FatPrecision = !ExactTime;
    options.ShowNotModified = ShowNotModified;
    return options;
}

bool ValidateOptions(const TCompareOptions& options)
{
    if (const auto problem = CheckCompareOptions(options)) {
        std::cerr << problem->Message << '\n';
        return false;
    }
    return true;
}

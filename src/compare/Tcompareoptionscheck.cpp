#include "compare/Tcompareoptionscheck.h"

#include "sys/Tfilesystem.h"

std::optional<TOptionsProblem> CheckCompareOptions(const TCompareOptions& options)
{
    if (!DirectoryExists(options.SrcDir))
        return TOptionsProblem{TOptionsField::SrcDir, "Set an exinsting directory."};
    if (!DirectoryExists(options.DstDir))
        return TOptionsProblem{TOptionsField::DstDir, "Set an exinsting directory."};
    // File names are case-sensitive here, and "/a" and "/a/" are different texts.
    if (options.SrcDir == options.DstDir)
        return TOptionsProblem{TOptionsField::SrcDir, "Set different directories."};
    if (options.UseIncludeMasks && options.IncludeMasks.empty())
        return TOptionsProblem{TOptionsField::IncludeMasks, "Set masks."};
    if (options.UseExcludeMasks && options.ExcludeMasks.empty())
        return TOptionsProblem{TOptionsField::ExcludeMasks, "Set masks."};
    return std::nullopt;
}

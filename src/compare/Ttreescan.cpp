#include "compare/Ttreescan.h"

#include <stdexcept>

#include "sys/Memoryhints.h"
#include "sys/Mysysutils.h"
#include "sys/Pathsyntax.h"

TTreeScan::TTreeScan(const TCompareOptions& options, const TFileFactsSource& fileSystem, TWalkCount& walked,
                     std::function<bool()> stopped)
    : Options(options),
      SrcRoot(WithTrailingDelimiter(options.SrcDir)),
      FileSystem(fileSystem),
      Walked(walked),
      Stopped(std::move(stopped))
{
    if (Options.UseIncludeMasks)
        IncludeMaskList = SplitText(Options.IncludeMasks, ';');
    if (Options.UseExcludeMasks)
        ExcludeMaskList = SplitText(Options.ExcludeMasks, ';');
}

void TTreeScan::Run(TWorkPool& pool)
{
    Root = std::make_unique<TScannedDirectory>(std::string());
    pool.Run({[&] { ScanDirectory(*Root, pool); }}, [] {});
    const std::function<void(TScannedDirectory&)> list = [&](TScannedDirectory& directory) {
        Directories.push_back(&directory);
        if (directory.Unlisted)
            UnlistedFolders.push_back(*directory.Unlisted);
        for (TScannedDirectory::TSubdirectory& subdirectory : directory.Subdirectories)
            list(*subdirectory.Directory);
    };
    list(*Root);
}

void TTreeScan::Release()
{
    ReleaseMemory(Directories);
    Root.reset();
}

void TTreeScan::ScanDirectory(TScannedDirectory& directory, TWorkPool& pool)
{
    // The whole listing is read before going on, so a deep tree never holds one open
    // directory per level.
    TDirectoryContents contents = FileSystem.List(SrcRoot + directory.Relative);
    directory.Unlisted = std::move(contents.Error);
    std::vector<TDirectoryEntry>& entries = contents.Entries;
    directory.Files.reserve(entries.size());
    std::int64_t files = 0;
    for (TDirectoryEntry& entry : entries) {
        if (Stopped())
            return;
        if (entry.Name == "." || entry.Name == "..")
            continue;
        if (entry.Facts.IsDirectory) {
            if (!Options.IncludeSubDirs)
                continue;
            directory.Subdirectories.push_back(
                {directory.Files.size(),
                 std::make_unique<TScannedDirectory>(directory.Relative + entry.Name + PathSyntax::Delimiter)});
            TScannedDirectory& subdirectory = *directory.Subdirectories.back().Directory;
            pool.Add([this, &subdirectory, &pool] { ScanDirectory(subdirectory, pool); });
            continue;
        }
        ++files;
        if (!PassesMasks(entry.Name))
            continue;
        directory.Names += entry.Name;
        if (directory.Names.size() > UINT32_MAX)
            throw std::length_error("The names of one folder are too long.");
        directory.Files.push_back({static_cast<std::uint32_t>(directory.Names.size()),
                                   TScannedDirectory::TFound::Nothing, false, entry.Facts.Size,
                                   entry.Facts.LastWriteTime, 0, 0, 0});
    }
    Walked.AddFolder(files);
}

bool TTreeScan::PassesMasks(const std::string& name) const
{
    if (Options.UseIncludeMasks && !AnyMaskMatches(name, IncludeMaskList))
        return false;
    if (Options.UseExcludeMasks && AnyMaskMatches(name, ExcludeMaskList))
        return false;
    return true;
}

bool TTreeScan::AnyMaskMatches(const std::string& name, const std::vector<std::string>& masks) const
{
    for (const std::string& mask : masks) {
        if (Stopped())
            return false;
        if (MatchesMask(name, mask))
            return true;
    }
    return false;
}

#include "compare/Ttreescan.h"

#include <algorithm>
#include <stdexcept>
#include <unordered_map>

#include "sys/Memoryhints.h"
#include "sys/Mysysutils.h"
#include "sys/Pathsyntax.h"
#include "sys/Tfiletransfer.h"

TTreeScan::TTreeScan(const TCompareOptions& options, const TFileFactsSource& fileSystem, TWalkCount& walked,
                     std::function<bool()> stopped)
    : Options(options),
      SrcRoot(WithTrailingDelimiter(options.SrcDir)),
      DstRoot(WithTrailingDelimiter(options.DstDir)),
      FileSystem(fileSystem),
      Walked(walked),
      Stopped(std::move(stopped))
{
    if (Options.UseIncludeMasks)
        IncludeMaskList = SplitText(Options.IncludeMasks, ';');
    if (Options.UseExcludeMasks)
        ExcludeMaskList = SplitText(Options.ExcludeMasks, ';');
}

namespace {
// Adds the name to a folder's names; where it ends there.
std::uint32_t AppendName(std::string& names, const std::string& name)
{
    names += name;
    if (names.size() > UINT32_MAX)
        throw std::length_error("The names of one folder are too long.");
    return static_cast<std::uint32_t>(names.size());
}

// ".Trash" or ".Trash-" and digits: the desktop's trash at the top of a disk, where files
// removed from the destination may be kept.
bool IsTrashFolderName(std::string_view name)
{
    constexpr std::string_view trash = ".Trash";
    if (!name.starts_with(trash))
        return false;
    name.remove_prefix(trash.size());
    if (name.empty())
        return true;
    if (name.size() == 1 || name.front() != '-')
        return false;
    return std::all_of(name.begin() + 1, name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool IsPartialCopyName(std::string_view name)
{
    return name.starts_with('.') && name.ends_with(TFileTransfer::TemporarySuffix);
}

// The name of a folder found in the parent's source listing.
std::string_view FolderName(const TScannedDirectory& parent, const TScannedDirectory& folder)
{
    std::string_view name = folder.Relative;
    name.remove_prefix(parent.Relative.size());
    name.remove_suffix(1);
    return name;
}
}  // namespace

void TTreeScan::Run(TWorkPool& pool)
{
    Root = std::make_unique<TScannedDirectory>(std::string());
    if (Options.ShowDestinationOnly)
        Root->DstRelative = std::string();
    pool.Run({[&] { ScanDirectory(*Root, pool); }}, [] {});
    const std::function<void(TScannedDirectory&)> list = [&](TScannedDirectory& directory) {
        Directories.push_back(&directory);
        if (directory.Unlisted)
            UnlistedFolders.push_back(*directory.Unlisted);
        if (directory.DstUnlisted)
            UnlistedDestinationFolders.push_back(*directory.DstUnlisted);
        if (!directory.InSource)
            DestinationOnlyFolders.push_back(*directory.DstRelative);
        DestinationFiles += directory.DstFileCount;
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
    if (directory.InSource)
        ScanSource(directory);
    // Beside a source folder not listed whole, any destination file could be a source file's
    // counterpart: none is taken for one only the destination has.
    if (directory.DstRelative && !directory.Unlisted && !Stopped())
        ScanDestination(directory);
    if (Stopped())
        return;
    for (TScannedDirectory::TSubdirectory& entry : directory.Subdirectories) {
        TScannedDirectory& subdirectory = *entry.Directory;
        pool.Add([this, &subdirectory, &pool] { ScanDirectory(subdirectory, pool); });
    }
}

void TTreeScan::ScanSource(TScannedDirectory& directory)
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
            continue;
        }
        ++files;
        if (!PassesMasks(entry.Name))
            continue;
        directory.Files.push_back({AppendName(directory.Names, entry.Name), TScannedDirectory::TFound::Nothing, false,
                                   false, TContentsVerdict::NotRead, entry.Facts.Size, entry.Facts.LastWriteTime, 0, 0,
                                   0});
    }
    Walked.AddFolder(files);
}

void TTreeScan::ScanDestination(TScannedDirectory& directory)
{
    const std::string& relative = *directory.DstRelative;
    TDirectoryContents contents = FileSystem.List(DstRoot + relative);
    if (contents.Error) {
        directory.DstUnlisted = std::move(contents.Error);
        // Unknown there: the source's folders are looked for under their own names.
        for (TScannedDirectory::TSubdirectory& subdirectory : directory.Subdirectories)
            subdirectory.Directory->DstRelative = subdirectory.Directory->Relative;
        return;
    }
    std::unordered_map<std::string_view, std::size_t> sourceFiles;
    sourceFiles.reserve(directory.Files.size());
    for (std::size_t file = 0; file < directory.Files.size(); ++file)
        sourceFiles.emplace(directory.Name(file), file);
    std::unordered_map<std::string_view, TScannedDirectory*> sourceFolders;
    for (TScannedDirectory::TSubdirectory& subdirectory : directory.Subdirectories)
        sourceFolders.emplace(FolderName(directory, *subdirectory.Directory), subdirectory.Directory.get());
    std::vector<std::string> destinationFolders;
    std::int64_t pairedFiles = 0;
    for (TDirectoryEntry& entry : contents.Entries) {
        if (Stopped())
            return;
        if (entry.Name == "." || entry.Name == "..")
            continue;
        if (entry.Facts.IsDirectory) {
            if (!Options.IncludeSubDirs)
                continue;
            if (const auto folder = sourceFolders.find(entry.Name); folder != sourceFolders.end())
                folder->second->DstRelative = relative + entry.Name + PathSyntax::Delimiter;
            else
                destinationFolders.push_back(std::move(entry.Name));
            continue;
        }
        if (const auto found = sourceFiles.find(entry.Name); found != sourceFiles.end()) {
            TScannedDirectory::TFile& file = directory.Files[found->second];
            file.Listed = true;
            file.Found = TScannedDirectory::TFound::File;
            file.DstSize = entry.Facts.Size;
            file.DstTime = entry.Facts.LastWriteTime;
            file.DstIdentity = entry.Facts.Identity;
            ++pairedFiles;
            continue;
        }
        // A copy that a killed run left half made is no file of the user's: the next copy to its
        // destination removes it.
        if (!PassesMasks(entry.Name) || IsPartialCopyName(entry.Name))
            continue;
        directory.DstFiles.push_back({AppendName(directory.DstNames, entry.Name), false, entry.Facts.Size,
                                      entry.Facts.LastWriteTime, entry.Facts.Identity});
    }
    directory.DstFileCount = pairedFiles + static_cast<std::int64_t>(directory.DstFiles.size());
    MatchFolderCases(directory, destinationFolders);
    // What the trash holds was removed on purpose: never files the destination has, nor a
    // folder to mirror away.
    for (const std::string& name : destinationFolders)
        if (!IsTrashFolderName(name))
            AddDestinationFolder(directory, name);
}

void TTreeScan::MatchFolderCases(TScannedDirectory& directory, std::vector<std::string>& destinationFolders) const
{
    std::vector<TScannedDirectory*> unmatched;
    for (TScannedDirectory::TSubdirectory& subdirectory : directory.Subdirectories)
        if (!subdirectory.Directory->DstRelative)
            unmatched.push_back(subdirectory.Directory.get());
    if (unmatched.empty() || destinationFolders.empty())
        return;
    // A source folder the destination finds under its own name, though no entry has that
    // name, is one of the destination's folders under another case; which one, their
    // identities tell. Two that cannot be told apart are left out: neither is walked as the
    // destination's own, whose files could then pass for files only it has.
    TLookupCache lookups;
    const std::string parent = DstRoot + *directory.DstRelative;
    const auto identity = [&](std::string_view name) -> std::optional<std::uint64_t> {
        const std::optional<TFileFacts> facts = FileSystem.Lookup(parent + std::string(name), lookups);
        if (!facts || !facts->IsDirectory)
            return std::nullopt;
        return facts->Identity;
    };
    std::vector<std::optional<std::uint64_t>> sourceIdentities;
    sourceIdentities.reserve(unmatched.size());
    for (const TScannedDirectory* source : unmatched)
        sourceIdentities.push_back(identity(FolderName(directory, *source)));
    std::vector<std::optional<std::uint64_t>> ownIdentities;
    ownIdentities.reserve(destinationFolders.size());
    for (const std::string& name : destinationFolders)
        ownIdentities.push_back(identity(name));
    std::vector<std::string> ownFolders;
    for (std::size_t d = 0; d < destinationFolders.size(); ++d) {
        const std::optional<std::uint64_t>& own = ownIdentities[d];
        const auto sources = own ? std::count(sourceIdentities.begin(), sourceIdentities.end(), own) : 0;
        if (sources == 0)
            ownFolders.push_back(std::move(destinationFolders[d]));
        else if (sources == 1 && std::count(ownIdentities.begin(), ownIdentities.end(), own) == 1)
            unmatched[static_cast<std::size_t>(std::find(sourceIdentities.begin(), sourceIdentities.end(), own) -
                                               sourceIdentities.begin())]
                ->DstRelative = *directory.DstRelative + destinationFolders[d] + PathSyntax::Delimiter;
    }
    destinationFolders = std::move(ownFolders);
}

void TTreeScan::AddDestinationFolder(TScannedDirectory& directory, const std::string& name)
{
    std::string relative = *directory.DstRelative + name + PathSyntax::Delimiter;
    auto folder = std::make_unique<TScannedDirectory>(relative);
    folder->InSource = false;
    folder->DstRelative = std::move(relative);
    directory.Subdirectories.push_back({directory.Files.size(), std::move(folder)});
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

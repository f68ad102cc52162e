#pragma once
// The walk of the source tree on a pool of threads: lists every folder, keeps the files whose
// names pass the masks, and notes the folders that could not be listed whole. Asked for
// destination-only files, it walks the destination's folders beside the source's, and the
// destination's folders the source lacks. What it finds
// keeps the order of a depth-first walk in listing order, whichever thread listed what when.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compare/Tcompareitem.h"
#include "compare/Tcompareoptions.h"
#include "compare/Twalkcount.h"
#include "jobs/Tworkpool.h"
#include "sys/Tfilesystem.h"

// What the walk found in one directory. Its files and subdirectories are kept apart, with the
// place of each subdirectory among the files, so that the items can be put in walk order.
struct TScannedDirectory {
    enum class TFound : std::uint8_t { Nothing, File, Directory };
    // The names stand one after another in Names: a string of its own each would double
    // the walk's memory. The lookups add what they found under the destination root, and
    // whether the file stays in the result: an item is made only for those that stay.
    struct TFile {
        std::uint32_t NameEnd;
        TFound Found;
        bool Kept;
        // Found by this very name in the destination's listing, which gave the facts: no
        // lookup needed.
        bool Listed;
        TContentsVerdict Contents;
        std::int64_t Size;
        std::int64_t LastWriteTime;
        std::int64_t DstSize;
        std::int64_t DstTime;
        std::uint64_t DstIdentity;

        std::optional<TFileFacts> Destination() const
        {
            if (Found == TFound::Nothing)
                return std::nullopt;
            return TFileFacts{Found == TFound::Directory, DstSize, DstTime, DstIdentity};
        }
    };
    // A file of the destination's listing with no source file of its name that passes the masks.
    struct TDestinationFile {
        std::uint32_t NameEnd;
        // The counterpart of a source file of another name, or a moved file's old place:
        // never a row of its own.
        bool Taken;
        std::int64_t Size;
        std::int64_t LastWriteTime;
        std::uint64_t Identity;
    };
    struct TSubdirectory {
        std::size_t FilesBefore;
        std::unique_ptr<TScannedDirectory> Directory;
    };

    explicit TScannedDirectory(std::string relative) : Relative(std::move(relative)) {}

    std::string_view Name(std::size_t file) const
    {
        const std::uint32_t start = file == 0 ? 0 : Files[file - 1].NameEnd;
        return std::string_view(Names).substr(start, Files[file].NameEnd - start);
    }
    std::string_view DstName(std::size_t file) const
    {
        const std::uint32_t start = file == 0 ? 0 : DstFiles[file - 1].NameEnd;
        return std::string_view(DstNames).substr(start, DstFiles[file].NameEnd - start);
    }

    // The files of a run stand before the subdirectory of that number, or after the last one.
    std::size_t RunCount() const { return Subdirectories.size() + 1; }
    std::size_t RunEnd(std::size_t run) const
    {
        return run < Subdirectories.size() ? Subdirectories[run].FilesBefore : Files.size();
    }

    // Empty for the root, else the path below the root with a trailing delimiter.
    std::string Relative;
    std::vector<TFile> Files;
    std::string Names;
    std::vector<TSubdirectory> Subdirectories;
    // Where the kept files go in the items: the run before each subdirectory, then the rest.
    // Until the runs are placed in walk order, each holds the count of its kept files.
    std::vector<std::size_t> RunStarts;
    // Set when the listing failed; the directory then holds nothing.
    std::optional<TListingError> Unlisted;

    // The destination's side, looked at only when destination-only files are wanted.
    // False for a folder only the destination has.
    bool InSource = true;
    // The folder's path below the destination root when it is listed there: the same as
    // Relative but where a file system that ignores case gave another case.
    std::optional<std::string> DstRelative;
    std::vector<TDestinationFile> DstFiles;
    std::string DstNames;
    std::optional<TListingError> DstUnlisted;
    // The destination's files here that pass the masks, paired or not.
    std::int64_t DstFileCount = 0;
    // A source file's old place: a destination file's path below the destination root, and
    // what the walk saw of that file.
    struct TOldPlace {
        std::string Path;
        TSideFacts Facts;
        std::uint64_t Identity;
    };
    // Source files whose old place is a destination file, by their number.
    std::map<std::size_t, TOldPlace> MovedFrom;
};

class TTreeScan {
public:
    // stopped: whether the job was asked to stop; asked from every thread of the pool.
    TTreeScan(const TCompareOptions& options, const TFileFactsSource& fileSystem, TWalkCount& walked,
              std::function<bool()> stopped);

    void Run(TWorkPool& pool);
    // Drops what the walk found once the items are made from it.
    void Release();

    std::unique_ptr<TScannedDirectory> Root;
    // Root and every directory below it in walk order.
    std::vector<TScannedDirectory*> Directories;
    // The folders not listed whole, in walk order.
    std::vector<TListingError> UnlistedFolders;
    std::vector<TListingError> UnlistedDestinationFolders;
    // Of the destination, listed only for destination-only files: its files that pass the
    // masks, and the paths below its root of the folders the source lacks, a parent before
    // its children.
    std::int64_t DestinationFiles = 0;
    std::vector<std::string> DestinationOnlyFolders;

private:
    void ScanDirectory(TScannedDirectory& directory, TWorkPool& pool);
    void ScanSource(TScannedDirectory& directory);
    void ScanDestination(TScannedDirectory& directory);
    // Pairs the destination's folders missing from the source by name with source folders the
    // destination's file system finds under another case.
    void MatchFolderCases(TScannedDirectory& directory, std::vector<std::string>& destinationFolders) const;
    void AddDestinationFolder(TScannedDirectory& directory, const std::string& name);
    bool PassesMasks(const std::string& name) const;
    bool AnyMaskMatches(const std::string& name, const std::vector<std::string>& masks) const;

    const TCompareOptions& Options;
    const std::string SrcRoot;
    const std::string DstRoot;
    const TFileFactsSource& FileSystem;
    TWalkCount& Walked;
    const std::function<bool()> Stopped;
    std::vector<std::string> IncludeMaskList;
    std::vector<std::string> ExcludeMaskList;
};

#pragma once
// The walk of the source tree on a pool of threads: lists every folder, keeps the files whose
// names pass the masks, and notes the folders that could not be listed whole. What it finds
// keeps the order of a depth-first walk in listing order, whichever thread listed what when.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

private:
    void ScanDirectory(TScannedDirectory& directory, TWorkPool& pool);
    bool PassesMasks(const std::string& name) const;
    bool AnyMaskMatches(const std::string& name, const std::vector<std::string>& masks) const;

    const TCompareOptions& Options;
    const std::string SrcRoot;
    const TFileFactsSource& FileSystem;
    TWalkCount& Walked;
    const std::function<bool()> Stopped;
    std::vector<std::string> IncludeMaskList;
    std::vector<std::string> ExcludeMaskList;
};

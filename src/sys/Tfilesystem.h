#pragma once
// Directory listing and single-path lookup with the facts a comparison uses.
// Symbolic links are judged by their targets; a link to a directory is never listed (so a
// walk cannot loop or leave its tree) and a dangling link keeps its own facts.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sys/Tcontentreader.h"

struct TFileFacts {
    bool IsDirectory = false;
    std::int64_t Size = 0;
    // 100-ns ticks since 1601-01-01 UTC.
    std::int64_t LastWriteTime = 0;
    // ChangeIdentity of the entry's file.
    std::uint64_t Identity = 0;
};

struct TDirectoryEntry {
    std::string Name;
    TFileFacts Facts;
};

// Ticks since 1601 of a POSIX time given as seconds and nanoseconds since 1970.
std::int64_t TicksFromUnixTime(std::int64_t seconds, std::int64_t nanoseconds);

// One number for the device and the change time of a file. The kernel sets the change time on
// every write, rename or change of attributes and no program can set it back, so a file
// replaced or edited since shows another number, whatever its size and last-write time say.
// The inode number is left out: a FUSE daemon may give one file a new one whenever the kernel
// forgets it.
std::uint64_t ChangeIdentity(std::uint64_t device, std::int64_t changeSeconds, std::int64_t changeNanoseconds);

// The entries of one directory in the order the file system gives them, "." and ".."
// included, read in large blocks and looked at relative to the open directory. Entries that are neither files nor
// directories (FIFOs, sockets, devices) and entries that vanish while listed are left out. Directories carry no size or
// time.
class TDirectoryListing {
public:
    explicit TDirectoryListing(const std::string& directory);
    ~TDirectoryListing();
    TDirectoryListing(const TDirectoryListing&) = delete;
    TDirectoryListing& operator=(const TDirectoryListing&) = delete;

    // The next entry; false when there are no more or when Error says why not.
    bool Next(TDirectoryEntry& entry);
    // 0, or the error number of the open, the read or the look at an entry that failed: the
    // entries given so far are then not the whole directory.
    int Error() const;

private:
    struct TImpl;
    TImpl* Impl;
};

// The facts of the entry at exactly this path, or nothing when there is none.
std::optional<TFileFacts> LookupPath(const std::string& path);
// An existing directory (through links); the empty text is none.
bool DirectoryExists(const std::string& path);
// An existing entry that is not a directory.
bool FileExists(const std::string& path);

// The blocks this process has read from storage devices so far; while it grows, requests
// wait on a disk rather than being answered from the cache.
std::int64_t BlocksReadByThisProcess();

// Keeps the last directory a lookup went through open, so that looking up many names of one
// directory resolves its path once. One thread uses one cache.
class TLookupCache {
public:
    TLookupCache() = default;
    ~TLookupCache();
    TLookupCache(const TLookupCache&) = delete;
    TLookupCache& operator=(const TLookupCache&) = delete;

    std::optional<TFileFacts> Lookup(const std::string& path);

private:
    std::string Directory;
    int DirectoryFd = -1;
    bool DirectoryOpened = false;
};

// Why a directory could not be listed whole.
struct TListingError {
    std::string Path;
    // The error number of the call that failed.
    int Code = 0;

    // In words, made without strerror, so that any thread may ask.
    std::string Reason() const;
};

// The entries of a directory, or what kept them from being read whole: a listing cut short
// never passes for a complete one.
struct TDirectoryContents {
    // Empty when Error is set.
    std::vector<TDirectoryEntry> Entries;
    std::optional<TListingError> Error;
};

// The facts a comparison reads from the file system, in one place so that tests can
// reach states on demand (an entry vanishing, a request arriving mid-walk).
class TFileFactsSource {
public:
    virtual ~TFileFactsSource() = default;
    // Every entry of the directory as TDirectoryListing gives them, or why they cannot all be read.
    virtual TDirectoryContents List(const std::string& directory) const;
    // LookupPath, through the caller's cache.
    virtual std::optional<TFileFacts> Lookup(const std::string& path, TLookupCache& cache) const;
    // The reader's verdict on the files at the two paths, both seen with this size.
    virtual TContentsVerdict CompareContents(TContentReader& reader, const std::string& first,
                                             const std::string& second, std::int64_t size) const;
    // The real file system.
    static const TFileFactsSource& System();
};

#include "sys/Tfilesystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

#include "sys/Errornumbertext.h"
#include "sys/Fnvhash.h"
#include "sys/posix/Longpath.h"

namespace {
constexpr std::int64_t SecondsFrom1601To1970 = 11644473600;
constexpr std::int64_t TicksPerSecond = 10'000'000;

TFileFacts FactsOf(const struct stat& info)
{
    TFileFacts facts;
    facts.IsDirectory = S_ISDIR(info.st_mode);
    facts.Size = static_cast<std::int64_t>(info.st_size);
    facts.LastWriteTime = TicksFromUnixTime(info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
    facts.Identity = ChangeIdentity(info.st_dev, info.st_ctim.tv_sec, info.st_ctim.tv_nsec);
    return facts;
}

// An entry that is gone by the time it is looked at was never there; any other failure leaves
// the listing incomplete.
int LookFailure(int error) { return error == ENOENT ? 0 : error; }

// What a link or an entry of unknown type stands for: its target, or the link itself when
// the target is missing. Nothing for a link to a directory or for special files; nothing with
// error set when the entry cannot be looked at.
std::optional<TFileFacts> ResolvedFileFacts(int directory, const char* name, int& error)
{
    struct stat info {};
    if (fstatat(directory, name, &info, 0) != 0 && fstatat(directory, name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
        error = LookFailure(errno);
        return std::nullopt;
    }
    if (!S_ISREG(info.st_mode) && !S_ISLNK(info.st_mode))
        return std::nullopt;
    return FactsOf(info);
}
}  // namespace

std::int64_t TicksFromUnixTime(std::int64_t seconds, std::int64_t nanoseconds)
{
    // Times a tick count cannot hold (beyond the year 30000) saturate instead of wrapping.
    constexpr std::int64_t Largest = INT64_MAX / TicksPerSecond - SecondsFrom1601To1970 - 1;
    constexpr std::int64_t Smallest = INT64_MIN / TicksPerSecond - SecondsFrom1601To1970 + 1;
    if (seconds > Largest)
        return INT64_MAX;
    if (seconds < Smallest)
        return INT64_MIN;
    return (seconds + SecondsFrom1601To1970) * TicksPerSecond + nanoseconds / 100;
}

std::uint64_t ChangeIdentity(std::uint64_t device, std::int64_t changeSeconds, std::int64_t changeNanoseconds)
{
    return TFnvHash()
        .Add(device)
        .Add(static_cast<std::uint64_t>(changeSeconds))
        .Add(static_cast<std::uint64_t>(changeNanoseconds))
        .Value();
}

struct TDirectoryListing::TImpl {
    // Many entries a call: a directory of thousands of files costs a few system calls.
    static constexpr std::size_t BufferSize = 128 * 1024;
    int Fd = -1;
    int Error = 0;
    std::unique_ptr<char[]> Buffer;
    std::size_t Filled = 0;
    std::size_t Offset = 0;

    // The next raw entry; nothing at the end, or with Error set when the read failed.
    const dirent64* NextRaw()
    {
        if (Offset >= Filled) {
            const ssize_t read = getdents64(Fd, Buffer.get(), BufferSize);
            if (read <= 0) {
                if (read < 0)
                    Error = errno;
                return nullptr;
            }
            Filled = static_cast<std::size_t>(read);
            Offset = 0;
        }
        const auto* entry = reinterpret_cast<const dirent64*>(Buffer.get() + Offset);
        Offset += entry->d_reclen;
        return entry;
    }
};

TDirectoryListing::TDirectoryListing(const std::string& directory) : Impl(new TImpl)
{
    Impl->Fd = OpenAnyLength(AT_FDCWD, directory, O_RDONLY | O_DIRECTORY | O_CLOEXEC).Release();
    if (Impl->Fd < 0)
        Impl->Error = errno;
    else
        Impl->Buffer.reset(new char[TImpl::BufferSize]);
}

TDirectoryListing::~TDirectoryListing()
{
    if (Impl->Fd >= 0)
        close(Impl->Fd);
    delete Impl;
}

int TDirectoryListing::Error() const { return Impl->Error; }

bool TDirectoryListing::Next(TDirectoryEntry& entry)
{
    if (Impl->Fd < 0 || Impl->Error != 0)
        return false;
    const int directoryFd = Impl->Fd;
    int& error = Impl->Error;
    while (const dirent64* found = Impl->NextRaw()) {
        std::optional<TFileFacts> facts;
        switch (found->d_type) {
        case DT_DIR:
            facts = TFileFacts{true, 0, 0, 0};
            break;
        case DT_REG: {
            struct stat info {};
            if (fstatat(directoryFd, found->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0)
                error = LookFailure(errno);
            else if (S_ISDIR(info.st_mode))
                facts = TFileFacts{true, 0, 0, 0};
            else if (S_ISREG(info.st_mode))
                facts = FactsOf(info);
            break;
        }
        case DT_LNK:
            facts = ResolvedFileFacts(directoryFd, found->d_name, error);
            break;
        case DT_UNKNOWN: {
            struct stat info {};
            if (fstatat(directoryFd, found->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0)
                error = LookFailure(errno);
            else
                facts = S_ISDIR(info.st_mode) ? TFileFacts{true, 0, 0, 0}
                                              : ResolvedFileFacts(directoryFd, found->d_name, error);
            break;
        }
        default:
            break;
        }
        if (error != 0)
            return false;
        if (facts) {
            entry.Name = found->d_name;
            entry.Facts = *facts;
            return true;
        }
    }
    return false;
}

namespace {
// One call for the common cases (a file, nothing); a link costs a second one for its target.
std::optional<TFileFacts> LookupAt(int directory, const char* name)
{
    struct stat info {};
    if (fstatat(directory, name, &info, AT_SYMLINK_NOFOLLOW) != 0)
        return std::nullopt;
    if (S_ISLNK(info.st_mode)) {
        struct stat target {};
        if (fstatat(directory, name, &target, 0) == 0)
            return FactsOf(target);
    }
    return FactsOf(info);
}
}  // namespace

std::optional<TFileFacts> LookupPath(const std::string& path)
{
    std::optional<TFileFacts> facts = LookupAt(AT_FDCWD, path.c_str());
    if (facts || errno != ENAMETOOLONG)
        return facts;
    const TPathTail tail = OpenAllButTail(AT_FDCWD, path);
    return tail.Directory.IsOpen() ? LookupAt(tail.Directory.Get(), tail.Rest.c_str()) : std::nullopt;
}

TLookupCache::~TLookupCache()
{
    if (DirectoryFd >= 0)
        close(DirectoryFd);
}

std::optional<TFileFacts> TLookupCache::Lookup(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash + 1 == path.size())
        return LookupPath(path);
    const std::string_view directory(path.data(), slash == 0 ? 1 : slash);
    if (!DirectoryOpened || directory != Directory) {
        if (DirectoryFd >= 0)
            close(DirectoryFd);
        Directory = directory;
        // O_PATH needs no read permission, only what resolving the full path would need.
        DirectoryFd = OpenAnyLength(AT_FDCWD, Directory, O_PATH | O_DIRECTORY | O_CLOEXEC).Release();
        DirectoryOpened = true;
    }
    if (DirectoryFd < 0)
        return LookupPath(path);  // no such directory, or one we cannot open: ask the plain way
    return LookupAt(DirectoryFd, path.c_str() + slash + 1);
}

std::int64_t BlocksReadByThisProcess()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_inblock;
}

bool DirectoryExists(const std::string& path)
{
    const auto facts = path.empty() ? std::nullopt : LookupPath(path);
    return facts && facts->IsDirectory;
}

bool FileExists(const std::string& path)
{
    const auto facts = path.empty() ? std::nullopt : LookupPath(path);
    return facts && !facts->IsDirectory;
}

std::string TListingError::Reason() const
{
    // Left after the cut into pieces: a name too long for its file system, below which nothing
    // can be reached at all.
    if (Code == ENAMETOOLONG)
        return "a name in its path is too long";
    return ErrorNumberText(Code);
}

TDirectoryContents TFileFactsSource::List(const std::string& directory) const
{
    TDirectoryContents contents;
    TDirectoryListing listing(directory);
    for (TDirectoryEntry entry; listing.Next(entry);)
        contents.Entries.push_back(std::move(entry));
    if (listing.Error() != 0) {
        contents.Entries.clear();
        contents.Error = TListingError{directory, listing.Error()};
    }
    return contents;
}

std::optional<TFileFacts> TFileFactsSource::Lookup(const std::string& path, TLookupCache& cache) const
{
    return cache.Lookup(path);
}

TContentsVerdict TFileFactsSource::CompareContents(TContentReader& reader, const std::string& first,
                                                   const std::string& second, std::int64_t size) const
{
    return reader.Compare(first, second, size);
}

const TFileFactsSource& TFileFactsSource::System()
{
    static const TFileFactsSource system;
    return system;
}

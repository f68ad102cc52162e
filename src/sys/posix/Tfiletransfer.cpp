#include "sys/Tfiletransfer.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <stdexcept>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "sys/Lookalikenames.h"
#include "sys/Mysysutils.h"
#include "sys/Pathsyntax.h"
#include "sys/Tfilesystem.h"
#include "sys/Wholefile.h"
#include "sys/posix/Filecopy.h"
#include "sys/posix/Folderlisting.h"
#include "sys/posix/Renaming.h"
#include "sys/posix/Tdescriptor.h"
#include "sys/posix/Texactnames.h"
#include "sys/posix/Tnameprobe.h"
#include "sys/posix/Tpendingcopy.h"
#include "sys/posix/Tplacedfiles.h"
#include "sys/posix/Ttrash.h"
#include "sys/posix/Ttreeroot.h"

namespace {
constexpr int DirectoryFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;
// What the owner keeps of a folder while the run still fills it.
constexpr mode_t OwnerAll = S_IRWXU;

struct TRelativePath {
    std::string Directory;
    std::string Name;
    std::string Whole;
};

TRelativePath Split(std::string_view relative)
{
    const std::size_t last = relative.find_last_of(PathSyntax::Separators);
    if (last == std::string::npos)
        return TRelativePath{std::string(), std::string(relative), std::string(relative)};
    return TRelativePath{std::string(relative.substr(0, last)), std::string(relative.substr(last + 1)),
                         std::string(relative)};
}

std::optional<TRelativePath> Below(const TTreeRoot& root, const std::string& path)
{
    const std::optional<std::string> relative = root.RelativePath(path);
    return relative ? std::optional<TRelativePath>(Split(*relative)) : std::nullopt;
}

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

bool SameTime(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

TTransferOutcome Refused(TRefusal refusal) { return TTransferOutcome::Refused(refusal); }

// The error of the system step that just failed.
TTransferOutcome LastError() { return TTransferOutcome::SystemError(errno); }

// Why a folder of a tree could not be opened: a link on the way is refused; anything else, a
// file in place of a folder too, is the system's error.
TTransferOutcome OpenDirectoryFailure()
{
    return errno == ELOOP || errno == EXDEV ? Refused(TRefusal::LinkedFolder) : LastError();
}

// Read-only as the running user sees it, or without any write bit, which even root respects
// here as the read-only attribute it stands for. A link is judged by its target.
bool IsReadOnly(int directory, const std::string& name)
{
    struct stat info {};
    if (fstatat(directory, name.c_str(), &info, 0) != 0)
        return false;
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return true;
    return faccessat(directory, name.c_str(), W_OK, AT_EACCESS) != 0 &&
           (errno == EACCES || errno == EPERM || errno == EROFS);
}

// The facts of an entry as the comparison takes them: of a link's target, or of a dangling link
// itself.
bool FactsOf(int directory, const std::string& name, struct stat& info)
{
    return fstatat(directory, name.c_str(), &info, 0) == 0 ||
           fstatat(directory, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0;
}

std::int64_t TicksOf(const struct stat& info) { return TicksFromUnixTime(info.st_mtim.tv_sec, info.st_mtim.tv_nsec); }

// The facts of an entry as they stand now, asked of the file system rather than of the kernel's
// cache of it (a FUSE mount answers from one for a second): of a link's target, or of a
// dangling link itself.
struct TCurrentFacts {
    std::int64_t Size;
    std::int64_t Time;
    std::uint64_t Identity;
};

std::optional<TCurrentFacts> CurrentFactsOf(int directory, const std::string& name)
{
    struct statx info {};
    constexpr unsigned Wanted = STATX_SIZE | STATX_MTIME | STATX_CTIME;
    if (statx(directory, name.c_str(), AT_STATX_FORCE_SYNC, Wanted, &info) != 0 &&
        statx(directory, name.c_str(), AT_STATX_FORCE_SYNC | AT_SYMLINK_NOFOLLOW, Wanted, &info) != 0)
        return std::nullopt;
    return TCurrentFacts{
        static_cast<std::int64_t>(info.stx_size), TicksFromUnixTime(info.stx_mtime.tv_sec, info.stx_mtime.tv_nsec),
        ChangeIdentity(makedev(info.stx_dev_major, info.stx_dev_minor), info.stx_ctime.tv_sec, info.stx_ctime.tv_nsec)};
}

// Whether the entry holds exactly the bytes of the open source.
bool HoldsBytesOf(int directory, const std::string& name, int source, const TStopRequest& stop)
{
    const TDescriptor file(openat(directory, name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat info {};
    return file.IsOpen() && fstat(file.Get(), &info) == 0 && S_ISREG(info.st_mode) &&
           SameContents(source, file.Get(), stop);
}

// Size and last-write time alone cannot tell an edit made since the comparison; the change
// identity can.
bool DestinationUnchanged(const TCurrentFacts& now, const TSeenFiles& seen)
{
    return now.Size == seen.DestinationSize && now.Time == seen.DestinationTime &&
           now.Identity == seen.DestinationIdentity;
}

// An existing destination may be replaced while it is what the comparison saw, or when it
// holds the source's bytes already (a second copy of the same rows); never when it appeared or
// changed since.
bool DestinationAsSeen(int directory, const std::string& name, int source, const struct stat& sourceInfo,
                       const TSeenFiles& seen, const TStopRequest& stop)
{
    if (!seen.DestinationExisted)
        return false;
    const std::optional<TCurrentFacts> now = CurrentFactsOf(directory, name);
    if (!now)
        return false;
    return DestinationUnchanged(*now, seen) ||
           (now->Size == sourceInfo.st_size && HoldsBytesOf(directory, name, source, stop));
}

// The destination file a removal or a rename takes: a regular file, as the comparison saw it.
bool DestinationFileAsSeen(int directory, const std::string& name, const struct stat& entry, const TSeenFiles& seen)
{
    const std::optional<TCurrentFacts> now = CurrentFactsOf(directory, name);
    return S_ISREG(entry.st_mode) && now && DestinationUnchanged(*now, seen);
}

bool SourceAsSeen(int directory, const std::string& name, const TSeenFiles& seen)
{
    struct stat info {};
    return FactsOf(directory, name, info) && info.st_size == seen.SourceSize && TicksOf(info) == seen.SourceTime;
}

// Why a look at the destination before it is replaced refused it.
TTransferOutcome NotAsSeen(const TStopRequest& stop)
{
    return Refused(stop && stop() ? TRefusal::StoppedByUser : TRefusal::DestinationChanged);
}

bool SyncDirectory(int directory)
{
    const TDescriptor readable(openat(directory, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    // EINVAL: the file system cannot sync a directory; there is nothing more to wait for.
    return readable.IsOpen() && (fsync(readable.Get()) == 0 || errno == EINVAL);
}

// The hidden name a file takes for a moment on its way to a name that differs in case alone. It
// is no temporary copy's: a run killed in that moment leaves the user's file under it, which the
// next comparison lists and pairs with its source again.
std::string RenamingName(const std::string& name) { return "." + name + ".vellumark-renaming"; }

// Whether the folder lists an entry that its file system could take for name; asked of the
// file system itself, where the kernel may still hold a name that has gone (a FUSE mount keeps
// its answers for a second).
bool ListsLookAlike(int directory, const std::string& name)
{
    const std::optional<std::vector<std::string>> names = NamesIn(directory);
    const std::string key = LookAlikeKey(name);
    return !names || std::any_of(names->begin(), names->end(),
                                 [&](const std::string& listed) { return LookAlikeKey(listed) == key; });
}

// Gives the entry from the name to that differs from it in case alone, through a hidden name
// of its own: the file system takes to for from and would change nothing. Where to cannot be
// taken, the entry gets its old name back.
TTransferOutcome RenameInCase(int fromDirectory, const std::string& from, int toDirectory, const std::string& to)
{
    const std::string step = RenamingName(from);
    if (!RenameWithoutReplacing(fromDirectory, from, fromDirectory, step))
        return LastError();
    // The kernel may still hold to for the entry that had from; only a listing tells that the
    // name is free now.
    int error = EEXIST;
    if (!ListsLookAlike(toDirectory, to)) {
        if (renameat(fromDirectory, step.c_str(), toDirectory, to.c_str()) == 0)
            return TTransferOutcome::Success();
        error = errno;
    }
    static_cast<void>(RenameWithoutReplacing(fromDirectory, step, fromDirectory, from));
    return TTransferOutcome::SystemError(error);
}

std::string WithoutTrailingSeparators(std::string path)
{
    while (path.size() > 1 && PathSyntax::IsSeparator(path.back()))
        path.pop_back();
    return path;
}

// The device of the nearest folder of path that exists, path itself included.
std::optional<dev_t> NearestFolderDevice(std::string path)
{
    for (path = WithoutTrailingSeparators(path); !path.empty();) {
        struct stat info {};
        if (stat(path.c_str(), &info) == 0)
            return info.st_dev;
        const std::string up = WithoutTrailingSeparators(DirectoryPart(path));
        if (errno != ENOENT || up == path)
            return std::nullopt;
        path = up;
    }
    return std::nullopt;
}

// A write beyond a file-size limit must come back as EFBIG, not end the program.
void IgnoreFileSizeSignal()
{
    static const bool ignored = std::signal(SIGXFSZ, SIG_IGN) != SIG_ERR;
    static_cast<void>(ignored);
}

// The copy in hand on this thread, and where the copies of this thread count their bytes:
// copies of one run may go on on several threads at once.
thread_local const TCopyControl* CopyInHand = nullptr;
thread_local std::atomic<std::int64_t>* ThreadCounter = nullptr;

class TCopyInHand {
public:
    explicit TCopyInHand(const TCopyControl& control) { CopyInHand = &control; }
    ~TCopyInHand() { CopyInHand = nullptr; }
    TCopyInHand(const TCopyInHand&) = delete;
    TCopyInHand& operator=(const TCopyInHand&) = delete;
};

// A copy given up costs all its time again. Below this size that is a few seconds even on a
// card that takes 20 MB/s, which the unnamed file is worth: it is faster to make, and leaves
// nothing behind.
constexpr off_t ResumableSize = off_t{64} << 20;

// What ended a resumable copy without a fault of its own: a stop, a destination that is full or
// gone. What it wrote is kept for the next run.
bool Interrupted(int error)
{
    return error == ECANCELED || error == ENOSPC || error == EDQUOT || error == EIO || error == ENODEV ||
           error == ENXIO || error == ENOTCONN || error == ESTALE;
}

// Keeps of what a run before left of the copy the longest start that holds the source's bytes,
// for the copy to go on from there; 0, or the error number.
int KeepSameStart(int source, const TPendingCopy& copy, off_t size, const TStopRequest& stop)
{
    if (copy.Kept() == 0)
        return 0;
    const off_t same = SamePrefix(source, copy.Get(), std::min(copy.Kept(), size), stop);
    if (same < 0)
        return errno;
    return ftruncate(copy.Get(), same) == 0 ? 0 : errno;
}

// A file that a delete or a removal is about to take, and the open folder that holds it.
struct TRemovable {
    TRelativePath Path;
    TDescriptor Directory;
    struct stat Entry {};
};
}  // namespace

struct TFileTransfer::TCopiedFile {
    std::string SourceFolder;
    TDescriptor SourceDirectory;
    std::string SourceName;
    TDescriptor SourceFile;
    struct stat SourceInfo {};
    std::string DestinationFolder;
    TDescriptor DestinationDirectory;
    std::string DestinationName;
    struct stat Placed {};
    // As the caller named it.
    std::string Destination;
};

struct TFileTransfer::TState {
    TState(const TTransferRoots& roots, const TTransferOptions& options)
        : Source(roots.Source),
          Destination(roots.Destination),
          Options(options),
          DestinationVolume(NearestFolderDevice(roots.Destination))
    {}

    TDescriptor DestinationDirectory(const std::string& relative);
    TDescriptor MakeDirectory(int parent, const std::string& name, const std::string& relative);
    bool MakeDestinationRoot();
    TRefusal ReplaceableRefusal(int place, const TRelativePath& to, const struct stat& entry, const struct stat& target,
                                const struct stat& sourceInfo);
    TRefusal ClearOfPlacedFiles(const TRelativePath& to, int place);
    // The destination root opened for reading, as a sync of its file system needs it.
    TDescriptor ReadableDestinationRoot();
    // The copy's own flush, and that of its folder and of theirs up to the root's, where a made
    // folder's name lies; synced holds the folders flushed so far.
    TTransferOutcome SyncCopy(const TCopiedFile& copied, std::set<std::string>& synced);
    // Whether the copy's name still holds it.
    bool StillPlaced(const TCopiedFile& copied);
    TTransferOutcome Rename(int fromDirectory, const TRelativePath& from, const struct stat& entry,
                            const TRelativePath& to);
    // The entry a delete or a removal takes below the root: never a folder (refused as
    // folderRefusal), nor a read-only file.
    TTransferOutcome FindRemovable(TTreeRoot& root, const std::string& path, TRefusal folderRefusal, TRemovable& found);
    // Into the trash where the run says so, else gone for good.
    TTransferOutcome Discard(int directory, const std::string& name);

    TTreeRoot Source;
    TTreeRoot Destination;
    TTransferOptions Options;
    // Guards what the copies on several threads share: the placed files, the listings, the
    // trash, the pending modes, the kept copies and whether the root was made.
    std::mutex Guard;
    TPlacedFiles Placed;
    TExactNames ExactNames;
    TTrash Trash;
    TCopyControl Copying;
    // Folders made open to their owner, with the permission bits they are to have at the end.
    std::vector<std::pair<std::string, mode_t>> PendingModes;
    // The copies of moves that wait to be made durable together, and the destination root,
    // opened before the first of them was made: a sync through it reports every write error
    // of the file system since.
    std::vector<TCopiedFile> Kept;
    TDescriptor KeptRoot;
    bool BatchBegun = false;
    TRemovedFilesCloser Closer;
    bool RootMade = false;
    // Where a destination root yet to be made was to lie when the run began.
    std::optional<dev_t> DestinationVolume;
};

TDescriptor TFileTransfer::TState::DestinationDirectory(const std::string& relative)
{
    TDescriptor directory = Destination.OpenDirectory(relative);
    if (directory.IsOpen() || errno != ENOENT)
        return directory;
    directory = Destination.OpenDirectory("");
    if (!directory.IsOpen() &&
        (errno != ENOENT || !MakeDestinationRoot() || !(directory = Destination.OpenDirectory("")).IsOpen()))
        return directory;
    // Folder by folder from the root, never through a link.
    std::size_t start = 0;
    while (directory.IsOpen() && start < relative.size()) {
        const std::size_t end = std::min(relative.find_first_of(PathSyntax::Separators, start), relative.size());
        const std::string name = relative.substr(start, end - start);
        TDescriptor next(openat(directory.Get(), name.c_str(), DirectoryFlags | O_NOFOLLOW));
        if (!next.IsOpen() && errno == ENOENT)
            next = MakeDirectory(directory.Get(), name, relative.substr(0, end));
        directory = std::move(next);
        start = end + 1;
    }
    return directory;
}

TDescriptor TFileTransfer::TState::ReadableDestinationRoot()
{
    const TDescriptor root = Destination.OpenDirectory("");
    return TDescriptor(root.IsOpen() ? openat(root.Get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1);
}

TDescriptor TFileTransfer::TState::MakeDirectory(int parent, const std::string& name, const std::string& relative)
{
    // Open to its owner alone until it has the source folder's owner and permission bits.
    if (mkdirat(parent, name.c_str(), OwnerAll) != 0 && errno != EEXIST)
        return TDescriptor();
    const TDescriptor made(openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!made.IsOpen())
        return TDescriptor();
    const TDescriptor sourceFolder = Source.OpenDirectory(relative);
    struct stat sourceInfo {};
    if (sourceFolder.IsOpen() && fstat(sourceFolder.Get(), &sourceInfo) == 0) {
        const mode_t mode = sourceInfo.st_mode & 07777;
        // The run may have to write into it; root may anyway.
        const bool ownerShut = geteuid() != 0 && (mode & OwnerAll) != OwnerAll;
        if (!CopyDirectoryAttributes(made.Get(), sourceInfo, ownerShut ? mode | OwnerAll : mode))
            return TDescriptor();
        if (ownerShut) {
            const std::lock_guard lock(Guard);
            PendingModes.emplace_back(relative, mode);
        }
    }
    return TDescriptor(openat(parent, name.c_str(), DirectoryFlags | O_NOFOLLOW));
}

bool TFileTransfer::TState::MakeDestinationRoot()
{
    const std::string root = WithoutTrailingSeparators(Destination.Path());
    // A card pulled out leaves its mount point behind, on the system's own disk.
    if (NearestFolderDevice(root) != DestinationVolume) {
        errno = ENODEV;
        return false;
    }
    // The folders above it are the user's own choice of place, made through links as named.
    if (!MakeDirectoryChain(DirectoryPart(root), false) || (mkdir(root.c_str(), OwnerAll) != 0 && errno != EEXIST))
        return false;
    {
        const std::lock_guard lock(Guard);
        RootMade = true;
    }
    const TDescriptor made(open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    const TDescriptor sourceRoot = Source.OpenDirectory("");
    struct stat sourceInfo {};
    return made.IsOpen() && (!sourceRoot.IsOpen() || fstat(sourceRoot.Get(), &sourceInfo) != 0 ||
                             CopyDirectoryAttributes(made.Get(), sourceInfo, sourceInfo.st_mode & 07777));
}

// Before a destination's name is touched: it is no file that the run placed, under this name or
// under one that the file system takes for it, whatever the kernel's caches say.
TRefusal TFileTransfer::TState::ClearOfPlacedFiles(const TRelativePath& to, int place)
{
    const std::lock_guard lock(Guard);
    for (const std::string_view placed : Placed.LookAlikes(to.Whole)) {
        if (placed == to.Whole)
            return TRefusal::PlacedThisRun;
        const TRelativePath other = Split(placed);
        const TDescriptor otherDirectory = Destination.OpenDirectory(other.Directory);
        if (!otherDirectory.IsOpen() || SameEntryOnDisk(otherDirectory.Get(), other.Name, place, to.Name) != false)
            return TRefusal::LookAlikeName;
    }
    return TRefusal::None;
}

TFileTransfer::TFileTransfer(const TTransferRoots& roots, const TTransferOptions& options)
    : State(std::make_unique<TState>(roots, options))
{
    IgnoreFileSizeSignal();
}

TFileTransfer::~TFileTransfer() = default;

// Why an existing destination may not be replaced; None where it may.
TRefusal TFileTransfer::TState::ReplaceableRefusal(int place, const TRelativePath& to, const struct stat& entry,
                                                   const struct stat& target, const struct stat& sourceInfo)
{
    if (S_ISDIR(target.st_mode))
        return TRefusal::DestinationIsFolder;
    // Through a link too: copying a file onto itself would only destroy it.
    if (SameFile(target, sourceInfo))
        return TRefusal::SameFile;
    const std::lock_guard lock(Guard);
    if (Placed.Holds(entry))
        return TRefusal::PlacedThisRun;
    if (IsReadOnly(place, to.Name))
        return TRefusal::ReadOnly;
    return ExactNames.Listed(Destination, to.Whole) ? TRefusal::None : TRefusal::LookAlikeName;
}

TTransferOutcome TFileTransfer::CopyItem(const std::string& source, const std::string& destination, bool forMove,
                                         const TSeenFiles* seen, TCopiedFile& copied)
{
    const std::optional<TRelativePath> from = Below(State->Source, source);
    const std::optional<TRelativePath> to = Below(State->Destination, destination);
    if (!from || !to)
        return Refused(TRefusal::OutsideRoots);
    copied.SourceFolder = from->Directory;
    copied.DestinationFolder = to->Directory;
    copied.SourceDirectory = State->Source.OpenDirectory(from->Directory);
    copied.SourceName = from->Name;
    if (!copied.SourceDirectory.IsOpen())
        return OpenDirectoryFailure();
    // Non-blocking, so that a FIFO in place of the source cannot hang the worker. A source that
    // is a link to a file is read through, as the comparison judged it.
    copied.SourceFile.Reset(
        openat(copied.SourceDirectory.Get(), from->Name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat& sourceInfo = copied.SourceInfo;
    if (!copied.SourceFile.IsOpen() || fstat(copied.SourceFile.Get(), &sourceInfo) != 0)
        return LastError();
    if (!S_ISREG(sourceInfo.st_mode))
        return Refused(TRefusal::SourceNotFile);

    copied.DestinationDirectory = State->DestinationDirectory(to->Directory);
    copied.DestinationName = to->Name;
    const int place = copied.DestinationDirectory.Get();
    if (place < 0)
        return OpenDirectoryFailure();
    if (const TRefusal refusal = State->ClearOfPlacedFiles(*to, place); refusal != TRefusal::None)
        return Refused(refusal);
    const TStopRequest& stop = State->Copying.Stop;
    // A copy that is made durable or read back soon anyway goes on to the device as it is
    // written, so that the sync is short.
    const TCopyControl control{ThreadCounter, stop, forMove || State->Options.Verify};
    const TCopyInHand inHand(control);
    // Asked before the copy and again right before it takes the name: a copy may take minutes.
    const auto asSeen = [&] {
        return seen == nullptr || DestinationAsSeen(place, to->Name, copied.SourceFile.Get(), sourceInfo, *seen, stop);
    };
    struct stat entry {
    }, target{};
    const bool exists = fstatat(place, to->Name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) == 0;
    if (exists) {
        if (!FactsOf(place, to->Name, target))
            return LastError();
        if (const TRefusal refusal = State->ReplaceableRefusal(place, *to, entry, target, sourceInfo);
            refusal != TRefusal::None)
            return Refused(refusal);
        if (!asSeen())
            return NotAsSeen(stop);
    }
    // What the copy replaces goes to the trash first where asked.
    TTransferOutcome setAsideOutcome = TTransferOutcome::Success();
    std::function<bool()> setAside;
    if (exists && State->Options.Trash)
        setAside = [&] {
            const std::lock_guard lock(State->Guard);
            return (setAsideOutcome = State->Trash.MoveToTrash(place, to->Name)).Succeeded();
        };

    for (;;) {
        const bool resumable = sourceInfo.st_size >= ResumableSize;
        TPendingCopy copy(place, to->Name, sourceInfo.st_mode, exists, resumable ? &sourceInfo : nullptr);
        struct stat written {};
        if (!copy.IsOpen())
            return LastError();
        // A resumable copy keeps what it wrote where the run was stopped, or the destination is
        // full or gone; any other failure leaves nothing.
        const auto givenUp = [&copy](int error) {
            if (Interrupted(error))
                copy.KeepPartial();
            return TTransferOutcome::SystemError(error);
        };
        const auto stopped = [&copy] {
            copy.KeepPartial();
            return Refused(TRefusal::StoppedByUser);
        };
        if (const int error = KeepSameStart(copied.SourceFile.Get(), copy, sourceInfo.st_size, stop); error != 0)
            return givenUp(error);
        if (const int error = CopyContents(copied.SourceFile.Get(), copy.Get(), sourceInfo); error != 0)
            return givenUp(error);
        if (fstat(copy.Get(), &written) != 0)
            return LastError();
        if (sourceInfo.st_size > 0 && written.st_size != sourceInfo.st_size)
            return Refused(TRefusal::SourceChanged);
        if (!CopyFileAttributes(copied.SourceFile.Get(), copy.Get(), sourceInfo))
            return givenUp(errno);
        if (State->Options.Verify && !ReadsBackEqual(copied.SourceFile.Get(), copy.Get(), stop))
            return stop && stop() ? stopped() : Refused(TRefusal::CopyDiffers);
        // Its source stays, so the copy is of no use now, but for the next run where it can go on.
        if (forMove && stop && stop())
            return stopped();
        if (exists && !asSeen())
            return NotAsSeen(stop);
        const TPlacement placement = copy.Place(copied.SourceDirectory.Get(), setAside);
        if (placement == TPlacement::Placed)
            break;
        if (placement == TPlacement::SourceFolder)
            return Refused(TRefusal::SameFile);
        if (placement == TPlacement::Failed) {
            if (!setAsideOutcome)
                return setAsideOutcome;
            // The new destination's name was taken while the copy was made.
            return errno == EEXIST && !exists ? Refused(TRefusal::DestinationChanged) : LastError();
        }
    }
    if (fstatat(place, to->Name.c_str(), &copied.Placed, AT_SYMLINK_NOFOLLOW) != 0)
        return LastError();
    const std::lock_guard lock(State->Guard);
    State->Placed.Add(to->Whole, copied.Placed);
    return TTransferOutcome::Success();
}

TTransferOutcome TFileTransfer::Copy(const std::string& source, const std::string& destination, const TSeenFiles* seen)
{
    TCopiedFile copied;
    return CopyItem(source, destination, false, seen, copied);
}

TTransferOutcome TFileTransfer::Move(const std::string& source, const std::string& destination, const TSeenFiles* seen)
{
    if (!State->Kept.empty())
        throw std::logic_error("A move of one file was asked for while a batch of moves was in hand.");
    if (MoveByRenaming(source, destination))
        return TTransferOutcome::Success();
    const TTransferOutcome copied = CopyToMove(source, destination, seen);
    return copied ? CompleteMoves().front().Outcome : copied;
}

bool TFileTransfer::MoveByRenaming(const std::string& source, const std::string& destination)
{
    const std::optional<TRelativePath> from = Below(State->Source, source);
    const std::optional<TRelativePath> to = Below(State->Destination, destination);
    if (!from || !to)
        return false;
    const TDescriptor sourceDirectory = State->Source.OpenDirectory(from->Directory);
    struct stat entry {};
    // A copy reads a link through, where a rename would move the link; and a file of several
    // names would stay one with the others.
    if (!sourceDirectory.IsOpen() ||
        fstatat(sourceDirectory.Get(), from->Name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(entry.st_mode) || entry.st_nlink != 1)
        return false;
    const TDescriptor place = State->DestinationDirectory(to->Directory);
    struct stat placeInfo {
    }, existing{};
    // An existing destination is replaced by a copy alone, with its checks and its trash.
    if (!place.IsOpen() || fstat(place.Get(), &placeInfo) != 0 || placeInfo.st_dev != entry.st_dev ||
        IsReadOnly(sourceDirectory.Get(), from->Name) || !IsTrustedLocalFileSystem(place.Get()) ||
        State->ClearOfPlacedFiles(*to, place.Get()) != TRefusal::None ||
        fstatat(place.Get(), to->Name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0 || errno != ENOENT)
        return false;
    bool sourceKept = false;
    if (!RenameWithoutReplacing(sourceDirectory.Get(), from->Name, place.Get(), to->Name, &sourceKept))
        return false;
    if (sourceKept) {
        // Linked under the new name without losing the old one: the copy makes two files of it.
        static_cast<void>(unlinkat(place.Get(), to->Name.c_str(), 0));
        return false;
    }
    struct stat placed {};
    if (fstatat(place.Get(), to->Name.c_str(), &placed, AT_SYMLINK_NOFOLLOW) == 0) {
        const std::lock_guard lock(State->Guard);
        State->Placed.Add(to->Whole, placed);
    }
    return true;
}

TTransferOutcome TFileTransfer::CopyToMove(const std::string& source, const std::string& destination,
                                           const TSeenFiles* seen)
{
    {
        const std::lock_guard lock(State->Guard);
        if (!State->BatchBegun)
            State->KeptRoot = State->ReadableDestinationRoot();
        State->BatchBegun = true;
    }
    TCopiedFile copied;
    const TTransferOutcome outcome = CopyItem(source, destination, true, seen, copied);
    if (outcome) {
        // Only the source stays open, to be known again by its deletion: a batch of open
        // folders would soon run out of descriptors.
        copied.SourceDirectory.Reset();
        copied.DestinationDirectory.Reset();
        copied.Destination = destination;
        const std::lock_guard lock(State->Guard);
        State->Kept.push_back(std::move(copied));
    }
    return outcome;
}

std::vector<TCompletedMove> TFileTransfer::CompleteMoves()
{
    const std::lock_guard lock(State->Guard);
    // Moves that all renamed, or whose copies all failed, leave nothing to make durable.
    if (State->Kept.empty()) {
        State->KeptRoot.Reset();
        State->BatchBegun = false;
        return {};
    }
    const std::vector<TTransferOutcome> synced = SyncKeptCopies();
    std::vector<TCompletedMove> completed;
    for (std::size_t i = 0; i < synced.size(); ++i) {
        TCopiedFile& copied = State->Kept[i];
        TTransferOutcome outcome = synced[i];
        // A copy taken away or replaced since it was placed is nowhere the sync could tell.
        if (outcome && !State->StillPlaced(copied))
            outcome = Refused(TRefusal::DestinationChanged);
        if (outcome) {
            const TDescriptor directory = State->Source.OpenDirectory(copied.SourceFolder);
            outcome = directory.IsOpen() ? DeleteMovedSource(directory.Get(), copied) : OpenDirectoryFailure();
        }
        completed.push_back({std::move(copied.Destination), outcome});
    }
    std::vector<TDescriptor> sources;
    for (TCopiedFile& copied : State->Kept)
        sources.push_back(std::move(copied.SourceFile));
    State->Closer.Close(std::move(sources));
    State->Kept.clear();
    State->KeptRoot.Reset();
    State->BatchBegun = false;
    return completed;
}

std::vector<TTransferOutcome> TFileTransfer::SyncKeptCopies()
{
    const std::vector<TCopiedFile>& kept = State->Kept;
    std::vector<TTransferOutcome> outcomes(kept.size(), TTransferOutcome::Success());
    // A destination root that the batch's first copy made is opened only now.
    if (!State->KeptRoot.IsOpen())
        State->KeptRoot = State->ReadableDestinationRoot();
    const int root = State->KeptRoot.Get();
    struct stat rootInfo {};
    const bool synced = root >= 0 && fstat(root, &rootInfo) == 0 && SyncFileSystem(root) == 0;
    std::set<std::string> syncedFolders;
    for (std::size_t i = 0; i < kept.size(); ++i)
        // A folder below the root may hold another file system, which that sync did not reach.
        if (!synced || kept[i].Placed.st_dev != rootInfo.st_dev)
            outcomes[i] = State->SyncCopy(kept[i], syncedFolders);
    return outcomes;
}

TTransferOutcome TFileTransfer::TState::SyncCopy(const TCopiedFile& copied, std::set<std::string>& synced)
{
    const TDescriptor folder = Destination.OpenDirectory(copied.DestinationFolder);
    if (!folder.IsOpen())
        return OpenDirectoryFailure();
    const TDescriptor file(openat(folder.Get(), copied.DestinationName.c_str(),
                                  O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW));
    struct stat info {};
    if (!file.IsOpen() || fstat(file.Get(), &info) != 0)
        return LastError();
    // The name no longer holds the copy, so nothing tells that the copy is anywhere.
    if (!SameFile(info, copied.Placed))
        return Refused(TRefusal::DestinationChanged);
    if (fsync(file.Get()) != 0)
        return LastError();
    for (std::string relative = copied.DestinationFolder;; relative = Split(relative).Directory) {
        if (!synced.contains(relative)) {
            const TDescriptor up = Destination.OpenDirectory(relative);
            if (!up.IsOpen() || !SyncDirectory(up.Get()))
                return LastError();
            synced.insert(relative);
        }
        if (relative.empty())
            break;
    }
    // A root the run made has its name in the folder above, outside the trees, which is only
    // flushed.
    const std::string above = DirectoryPart(WithoutTrailingSeparators(Destination.Path()));
    if (RootMade && !above.empty() && !synced.contains(above)) {
        const TDescriptor folderAbove(open(above.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!folderAbove.IsOpen() || !SyncDirectory(folderAbove.Get()))
            return LastError();
        synced.insert(above);
    }
    return TTransferOutcome::Success();
}

bool TFileTransfer::TState::StillPlaced(const TCopiedFile& copied)
{
    const TDescriptor folder = Destination.OpenDirectory(copied.DestinationFolder);
    struct stat now {};
    return folder.IsOpen() && fstatat(folder.Get(), copied.DestinationName.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 &&
           SameFile(now, copied.Placed);
}

TTransferOutcome TFileTransfer::DeleteMovedSource(int directory, const TCopiedFile& copied)
{
    const char* name = copied.SourceName.c_str();
    // The path must still name the very file that was read, unchanged since, and not the copy:
    // on a second view of the source's own folder the copy may have replaced it.
    struct stat read {
    }, named{};
    if (fstat(copied.SourceFile.Get(), &read) != 0)
        return LastError();
    if (fstatat(directory, name, &named, 0) != 0)
        return errno == ENOENT ? Refused(TRefusal::SourceChanged) : LastError();
    if (SameFile(named, copied.Placed))
        return Refused(TRefusal::SameFile);
    if (read.st_nlink == 0 || !SameFile(named, read) || named.st_size != copied.SourceInfo.st_size ||
        !SameTime(named.st_mtim, copied.SourceInfo.st_mtim))
        return Refused(TRefusal::SourceChanged);
    if (IsReadOnly(directory, copied.SourceName))
        return Refused(TRefusal::SourceReadOnly);
    return unlinkat(directory, name, 0) == 0 ? TTransferOutcome::Success() : LastError();
}

TTransferOutcome TFileTransfer::Delete(const std::string& source, const TSeenFiles* seen)
{
    TRemovable removable;
    if (const TTransferOutcome found = State->FindRemovable(State->Source, source, TRefusal::SourceNotFile, removable);
        !found)
        return found;
    const int directory = removable.Directory.Get();
    if (seen != nullptr && !SourceAsSeen(directory, removable.Path.Name, *seen))
        return Refused(TRefusal::SourceChanged);
    return State->Discard(directory, removable.Path.Name);
}

bool TFileTransfer::ReadsCopiesBack() const { return State->Options.Verify; }

TThreadByteCount::TThreadByteCount(std::atomic<std::int64_t>* counter) : Before(ThreadCounter)
{
    ThreadCounter = counter;
}

TThreadByteCount::~TThreadByteCount() { ThreadCounter = Before; }

void TFileTransfer::StopWhen(std::function<bool()> stop) { State->Copying.Stop = std::move(stop); }

void TFileTransfer::Finish()
{
    // No file of the run may hold a card's file system busy once it ended.
    State->Closer.Wait();
    const std::lock_guard lock(State->Guard);
    // Innermost first, so that a folder closed to its owner is not needed to reach another.
    for (auto pending = State->PendingModes.rbegin(); pending != State->PendingModes.rend(); ++pending) {
        const TDescriptor folder = State->Destination.OpenDirectory(pending->first);
        const int readable = folder.IsOpen() ? openat(folder.Get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1;
        // Where this fails the folder stays open to its owner alone, which exposes nothing.
        if (readable >= 0)
            static_cast<void>(fchmod(TDescriptor(readable).Get(), pending->second));
    }
    State->PendingModes.clear();
}

int TFileTransfer::CopyContents(int source, int target, const struct stat& sourceInfo) const
{
    return CopyFileData(source, target, sourceInfo, CopyInHand != nullptr ? *CopyInHand : State->Copying);
}

int TFileTransfer::SyncFileSystem(int folder) const { return SyncFileSystemOf(folder); }

TTransferOutcome TFileTransfer::Rename(const std::string& source, const std::string& from, const std::string& to,
                                       const TSeenFiles& seen)
{
    const std::optional<TRelativePath> original = Below(State->Source, source);
    const std::optional<TRelativePath> old = Below(State->Destination, from);
    const std::optional<TRelativePath> target = Below(State->Destination, to);
    if (!original || !old || !target)
        return Refused(TRefusal::OutsideRoots);
    const TDescriptor sourceDirectory = State->Source.OpenDirectory(original->Directory);
    if (!sourceDirectory.IsOpen())
        return OpenDirectoryFailure();
    const TDescriptor sourceFile(
        openat(sourceDirectory.Get(), original->Name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat sourceInfo {};
    if (!sourceFile.IsOpen() || fstat(sourceFile.Get(), &sourceInfo) != 0)
        return LastError();
    if (!S_ISREG(sourceInfo.st_mode))
        return Refused(TRefusal::SourceNotFile);
    if (sourceInfo.st_size != seen.SourceSize || TicksOf(sourceInfo) != seen.SourceTime)
        return Refused(TRefusal::SourceChanged);

    const TDescriptor oldDirectory = State->Destination.OpenDirectory(old->Directory);
    if (!oldDirectory.IsOpen())
        return OpenDirectoryFailure();
    struct stat entry {};
    if (fstatat(oldDirectory.Get(), old->Name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) != 0)
        return LastError();
    if (!DestinationFileAsSeen(oldDirectory.Get(), old->Name, entry, seen))
        return Refused(TRefusal::DestinationChanged);
    if (const std::lock_guard lock(State->Guard); State->Placed.Holds(entry))
        return Refused(TRefusal::PlacedThisRun);
    const TDescriptor oldFile(
        openat(oldDirectory.Get(), old->Name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW));
    struct stat opened {};
    if (!oldFile.IsOpen() || fstat(oldFile.Get(), &opened) != 0)
        return LastError();
    // Asked to verify, the run reads the whole of both.
    const bool sameContents = State->Options.Verify
                                  ? SameContents(sourceFile.Get(), oldFile.Get(), State->Copying.Stop)
                                  : SampledContentsEqual(sourceFile.Get(), oldFile.Get(), sourceInfo.st_size);
    if (!SameFile(opened, entry) || !sameContents)
        return Refused(State->Copying.Stop && State->Copying.Stop() ? TRefusal::StoppedByUser
                                                                    : TRefusal::OtherContents);
    return State->Rename(oldDirectory.Get(), *old, entry, *target);
}

TTransferOutcome TFileTransfer::TState::Rename(int fromDirectory, const TRelativePath& from, const struct stat& entry,
                                               const TRelativePath& to)
{
    const TDescriptor place = DestinationDirectory(to.Directory);
    if (!place.IsOpen())
        return OpenDirectoryFailure();
    if (const TRefusal refusal = ClearOfPlacedFiles(to, place.Get()); refusal != TRefusal::None)
        return Refused(refusal);
    struct stat existing {};
    if (fstatat(place.Get(), to.Name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno != ENOENT)
            return LastError();
        // Beyond the file system of its old place this fails: the caller copies instead.
        if (!RenameWithoutReplacing(fromDirectory, from.Name, place.Get(), to.Name))
            return LastError();
    } else {
        // A file system that ignores case finds the file itself under its new name (a FUSE
        // mount under another inode number), and a rename straight to it would change nothing.
        if (!SameFile(existing, entry) && SameEntryOnDisk(fromDirectory, from.Name, place.Get(), to.Name) != true)
            return Refused(TRefusal::DestinationChanged);
        if (const TTransferOutcome renamed = RenameInCase(fromDirectory, from.Name, place.Get(), to.Name); !renamed)
            return renamed;
    }
    struct stat placed {};
    if (fstatat(place.Get(), to.Name.c_str(), &placed, AT_SYMLINK_NOFOLLOW) == 0) {
        const std::lock_guard lock(Guard);
        Placed.Add(to.Whole, placed);
    }
    return TTransferOutcome::Success();
}

TTransferOutcome TFileTransfer::Remove(const std::string& destination, const TSeenFiles& seen)
{
    TRemovable removable;
    if (const TTransferOutcome found =
            State->FindRemovable(State->Destination, destination, TRefusal::DestinationIsFolder, removable);
        !found)
        return found;
    const int directory = removable.Directory.Get();
    const TRelativePath& path = removable.Path;
    {
        const std::lock_guard lock(State->Guard);
        if (State->Placed.Holds(removable.Entry))
            return Refused(TRefusal::PlacedThisRun);
        if (!State->ExactNames.Listed(State->Destination, path.Whole))
            return Refused(TRefusal::LookAlikeName);
    }
    // A link is judged by what the comparison saw through it, and only the link goes.
    const std::optional<TCurrentFacts> now = CurrentFactsOf(directory, path.Name);
    if (!now || !DestinationUnchanged(*now, seen))
        return Refused(TRefusal::DestinationChanged);
    return State->Discard(directory, path.Name);
}

TTransferOutcome TFileTransfer::TState::FindRemovable(TTreeRoot& root, const std::string& path, TRefusal folderRefusal,
                                                      TRemovable& found)
{
    const std::optional<TRelativePath> below = Below(root, path);
    if (!below)
        return Refused(TRefusal::OutsideRoots);
    found.Path = *below;
    found.Directory = root.OpenDirectory(below->Directory);
    if (!found.Directory.IsOpen())
        return OpenDirectoryFailure();
    if (fstatat(found.Directory.Get(), below->Name.c_str(), &found.Entry, AT_SYMLINK_NOFOLLOW) != 0)
        return LastError();
    if (S_ISDIR(found.Entry.st_mode))
        return Refused(folderRefusal);
    if (IsReadOnly(found.Directory.Get(), below->Name))
        return Refused(TRefusal::ReadOnly);
    return TTransferOutcome::Success();
}

TTransferOutcome TFileTransfer::TState::Discard(int directory, const std::string& name)
{
    if (Options.Trash) {
        const std::lock_guard lock(Guard);
        return Trash.MoveToTrash(directory, name);
    }
    return unlinkat(directory, name.c_str(), 0) == 0 ? TTransferOutcome::Success() : LastError();
}

TTransferOutcome TFileTransfer::RemoveEmptyFolder(const std::string& folder)
{
    const std::optional<std::string> relative = State->Destination.RelativePath(WithoutTrailingSeparators(folder));
    if (!relative || relative->empty())
        return Refused(TRefusal::OutsideRoots);
    const TRelativePath path = Split(*relative);
    // The source's folder of that path would only be copied again.
    if (const TDescriptor sourceFolder = State->Source.OpenDirectory(*relative);
        sourceFolder.IsOpen() || errno != ENOENT)
        return Refused(TRefusal::SourceHasFolder);
    const TDescriptor parent = State->Destination.OpenDirectory(path.Directory);
    if (!parent.IsOpen())
        return OpenDirectoryFailure();
    return unlinkat(parent.Get(), path.Name.c_str(), AT_REMOVEDIR) == 0 ? TTransferOutcome::Success() : LastError();
}

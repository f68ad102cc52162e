#include "sys/posix/Tpendingcopy.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "sys/Fnvhash.h"
#include "sys/Tfiletransfer.h"
#include "sys/Utf8.h"
#include "sys/posix/Filecopy.h"
#include "sys/posix/Folderlisting.h"
#include "sys/posix/Removableentries.h"
#include "sys/posix/Renaming.h"

namespace {
// Whether an unnamed file can be given a name through its descriptor alone: recent kernels allow
// it to any process, older ones only to one that may search every directory (root). Learned
// from the first try.
std::atomic<bool> UnnamedFilesLinkable{true};

// The start of the file name, so that a user who finds a leftover can tell what it was.
std::string NameStem(const std::string& name)
{
    constexpr std::size_t MaxStemBytes = 64;
    std::size_t end = 0;
    while (end < name.size()) {
        const std::size_t next = Utf8::Next(name, end);
        if (next > MaxStemBytes)
            break;
        end = next;
    }
    return name.substr(0, end);
}

// Removes what a killed run left under the temporary name. A file still being written holds
// a lock on it and is left alone; so is anything that is not a regular file.
bool RemoveStaleTemporary(int directory, const std::string& temporary)
{
    const TDescriptor stale(
        openat(directory, temporary.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!stale.IsOpen()) {
        if (errno == ENOENT)
            return true;
        // A copy of an unreadable file cannot be opened to look at its lock; it is ours anyway.
        return errno == EACCES && unlinkat(directory, temporary.c_str(), 0) == 0;
    }
    struct stat opened {
    }, named{};
    if (fstat(stale.Get(), &opened) != 0)
        return false;
    // Another run's copy in the making, or an entry that is none of ours.
    if (!S_ISREG(opened.st_mode) || (flock(stale.Get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK)) {
        errno = EBUSY;
        return false;
    }
    // Only the file looked at, not one that took the name since.
    if (fstatat(directory, temporary.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0 || named.st_ino != opened.st_ino ||
        named.st_dev != opened.st_dev)
        return false;
    return unlinkat(directory, temporary.c_str(), 0) == 0;
}

std::string Hexadecimal(std::uint64_t value)
{
    char digits[17];
    std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(value));
    return digits;
}

// The start of every hidden name of a copy to name: the whole name in a fixed width follows
// the stem, since the stem alone may be shared by long names. At most 83 bytes, so that what
// follows still fits in the 255 bytes of a name.
std::string HiddenPrefix(const std::string& name)
{
    return "." + NameStem(name) + "." + Hexadecimal(TFnvHash().Add(name).Value()) + ".";
}

constexpr std::string_view PartialMark = ".partial";

// A week without a write: whoever stopped that copy has given it up. Not so a whole copy that got
// the source's times already, and was stopped before it took its name.
bool Abandoned(const struct stat& partial, const struct stat& source)
{
    constexpr std::time_t Week = 7 * 24 * 60 * 60;
    const bool sourceTimes =
        partial.st_mtim.tv_sec == source.st_mtim.tv_sec && partial.st_mtim.tv_nsec == source.st_mtim.tv_nsec;
    return !sourceTimes && partial.st_mtim.tv_sec < std::time(nullptr) - Week;
}

// Removes every partial copy to name in the directory but the one of this version of the
// source, and that one too where it was abandoned. One that another run still writes stays.
void RemoveOtherPartials(int directory, const std::string& name, const struct stat& source)
{
    const std::string prefix = HiddenPrefix(name);
    const std::string ending = std::string(PartialMark) + TFileTransfer::TemporarySuffix;
    const std::string ours = TPendingCopy::PartialName(name, TPendingCopy::SourceVersion(source));
    const std::optional<std::vector<std::string>> names = NamesIn(directory);
    if (!names)
        return;
    for (const std::string& partial : *names) {
        if (partial.size() != prefix.size() + 16 + ending.size() || !partial.starts_with(prefix) ||
            !partial.ends_with(ending))
            continue;
        struct stat info {};
        if (partial != ours ||
            (fstatat(directory, partial.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && Abandoned(info, source)))
            static_cast<void>(RemoveStaleTemporary(directory, partial));
    }
}
}  // namespace

std::string TPendingCopy::TemporaryName(const std::string& name)
{
    return HiddenPrefix(name) + std::string(std::string_view(TFileTransfer::TemporarySuffix).substr(1));
}

std::string TPendingCopy::PartialName(const std::string& name, std::uint64_t version)
{
    return HiddenPrefix(name) + Hexadecimal(version) + std::string(PartialMark) + TFileTransfer::TemporarySuffix;
}

std::uint64_t TPendingCopy::SourceVersion(const struct stat& info)
{
    return TFnvHash()
        .Add(static_cast<std::uint64_t>(info.st_size))
        .Add(static_cast<std::uint64_t>(info.st_mtim.tv_sec))
        .Add(static_cast<std::uint64_t>(info.st_mtim.tv_nsec))
        .Add(static_cast<std::uint64_t>(info.st_ctim.tv_sec))
        .Add(static_cast<std::uint64_t>(info.st_ctim.tv_nsec))
        .Add(static_cast<std::uint64_t>(info.st_ino))
        .Value();
}

TPendingCopy::TPendingCopy(int directory, const std::string& name, mode_t mode, bool replacing,
                           const struct stat* source)
    : Directory(directory), Name(name), Temporary(TemporaryName(name)), Replacing(replacing)
{
    // What a killed run left for this destination goes first, whichever way this copy is built.
    if (!RemoveStaleTemporary(Directory, Temporary))
        return;
    // A folder that keeps every name for good would keep a partial copy too.
    if (source != nullptr && EntriesRemovable(Directory)) {
        RemoveOtherPartials(Directory, Name, *source);
        OpenPartial(mode, SourceVersion(*source));
        return;
    }
    if (UnnamedFilesLinkable.load(std::memory_order_relaxed))
        File.Reset(openat(directory, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, mode & 0777));
    if (!File.IsOpen())
        OpenNamed(mode);
    // Another run that meets this copy under the temporary name leaves it alone; an unnamed
    // copy no other run can meet.
    if (Named)
        flock(File.Get(), LOCK_EX | LOCK_NB);
}

TPendingCopy::~TPendingCopy()
{
    // Unnamed first, while its lock is still held: no other run can take the name meanwhile.
    if (Named && !Partial)
        unlinkat(Directory, Temporary.c_str(), 0);
    CloseRemovedFile(File);
}

bool TPendingCopy::OpenNamed(mode_t mode)
{
    if (!EntriesRemovable(Directory)) {
        errno = EPERM;
        return false;
    }
    // Readable by its owner, so that a later run can look at its lock; the mode comes last.
    File.Reset(openat(Directory, Temporary.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                      (mode & 0777) | S_IRUSR));
    Named = File.IsOpen();
    return Named;
}

bool TPendingCopy::OpenPartial(mode_t mode, std::uint64_t version)
{
    Temporary = PartialName(Name, version);
    // Writable by its owner, so that a later run can go on with it; the mode comes last.
    const auto open = [&] {
        File.Reset(openat(Directory, Temporary.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC,
                          (mode & 0777) | S_IRUSR | S_IWUSR));
    };
    open();
    // One stopped once it had a read-only source's mode cannot be gone on with: it starts over.
    if (!File.IsOpen() && errno == EACCES && RemoveStaleTemporary(Directory, Temporary))
        open();
    struct stat opened {
    }, named{};
    if (!File.IsOpen() || fstat(File.Get(), &opened) != 0)
        return false;
    // Nothing but a file of its own is written to; nor one that another run writes, or that
    // one placed meanwhile.
    if (!S_ISREG(opened.st_mode) || opened.st_nlink != 1 || flock(File.Get(), LOCK_EX | LOCK_NB) != 0 ||
        fstatat(Directory, Temporary.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0 || named.st_ino != opened.st_ino ||
        named.st_dev != opened.st_dev) {
        File.Reset();
        errno = EBUSY;
        return false;
    }
    Named = true;
    KeptBytes = opened.st_size;
    return true;
}

TPlacement TPendingCopy::Place(int sourceDirectory, const std::function<bool()>& setAside)
{
    return Replacing ? Replace(sourceDirectory, setAside) : PlaceNew();
}

TPlacement TPendingCopy::PlaceNew()
{
    if (!Named) {
        // EEXIST: the name was taken meanwhile, and is not to be replaced unseen.
        if (linkat(File.Get(), "", Directory, Name.c_str(), AT_EMPTY_PATH) != 0)
            return UnnamedLinkFailed();
        // Tells whether the file system took everything written (NFS reports late).
        if (File.Close() == 0)
            return TPlacement::Placed;
        unlinkat(Directory, Name.c_str(), 0);
        return TPlacement::Failed;
    }
    return File.Close() == 0 ? LinkNamedWithoutReplacing() : TPlacement::Failed;
}

TPlacement TPendingCopy::LinkNamedWithoutReplacing()
{
    bool kept = false;
    if (!RenameWithoutReplacing(Directory, Temporary, Directory, Name, &kept))
        return TPlacement::Failed;
    Named = kept;
    return TPlacement::Placed;
}

TPlacement TPendingCopy::Replace(int sourceDirectory, const std::function<bool()>& setAside)
{
    if (!Named) {
        if (!EntriesRemovable(Directory)) {
            errno = EPERM;
            return TPlacement::Failed;
        }
        if (linkat(File.Get(), "", Directory, Temporary.c_str(), AT_EMPTY_PATH) != 0)
            return UnnamedLinkFailed();
        Named = true;
    }
    // A name just made here that the source's folder shows too: one folder under two names
    // (a second mount, a case-blind file system), where the rename would replace the source.
    struct stat seen {};
    if (fstatat(sourceDirectory, Temporary.c_str(), &seen, AT_SYMLINK_NOFOLLOW) == 0)
        return TPlacement::SourceFolder;
    if (File.Close() != 0)
        return TPlacement::Failed;
    if (setAside)
        return setAside() ? LinkNamedWithoutReplacing() : TPlacement::Failed;
    if (renameat(Directory, Temporary.c_str(), Directory, Name.c_str()) != 0)
        return TPlacement::Failed;
    Named = false;
    return TPlacement::Placed;
}

TPlacement TPendingCopy::UnnamedLinkFailed()
{
    // ENOENT: the kernel does not let this process name an unnamed file.
    if (errno != ENOENT)
        return TPlacement::Failed;
    UnnamedFilesLinkable.store(false, std::memory_order_relaxed);
    return TPlacement::BuildNamed;
}

#include "sys/Tfiletransfer.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <random>
#include <stdexcept>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "sys/Mysysutils.h"
#include "sys/Pathsyntax.h"
#include "sys/Utf8.h"

namespace {
class TDescriptor {
public:
    explicit TDescriptor(int fd) : Fd(fd) {}
    ~TDescriptor()
    {
        if (Fd >= 0)
            close(Fd);
    }
    TDescriptor(const TDescriptor&) = delete;
    TDescriptor& operator=(const TDescriptor&) = delete;

    bool IsOpen() const { return Fd >= 0; }
    int Get() const { return Fd; }

private:
    int Fd;
};

bool IsRoot(const std::string& path)
{
    return !path.empty() && path.find_first_not_of(PathSyntax::Separators) == std::string::npos;
}

std::string WithoutTrailingSeparators(std::string path)
{
    while (path.size() > 1 && PathSyntax::IsSeparator(path.back()) && !IsRoot(path))
        path.pop_back();
    return path;
}

bool IsDirectory(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool SyncDirectory(const std::string& directory)
{
    TDescriptor fd(open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    // EINVAL: the file system cannot sync a directory; there is nothing more to wait for.
    return fd.IsOpen() && (fsync(fd.Get()) == 0 || errno == EINVAL);
}

bool EnsureDirectory(const std::string& directory, bool durable)
{
    if (IsRoot(directory) || IsDirectory(directory))
        return true;
    const std::string parent = WithoutTrailingSeparators(DirectoryPart(directory));
    if (!parent.empty() && parent != directory && !EnsureDirectory(parent, durable))
        return false;
    if (mkdir(directory.c_str(), 0777) == 0)
        return !durable || SyncDirectory(parent);
    // Someone else may have made it in the meantime.
    return errno == EEXIST && IsDirectory(directory);
}

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

std::string RandomPart()
{
    static constexpr char Alphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937_64 generator{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof Alphabet - 2);
    std::string part(10, ' ');
    for (char& c : part)
        c = Alphabet[pick(generator)];
    return part;
}

// A hidden name of its own in the directory, created with the mode; -1 when none could be.
int CreateExclusively(int directory, const std::string& name, mode_t mode, std::string& temporaryName)
{
    constexpr int Attempts = 16;
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        temporaryName = "." + NameStem(name) + "." + RandomPart() + TFileTransfer::TemporarySuffix;
        const int fd = openat(directory, temporaryName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0)
            return fd;
        if (errno != EEXIST)
            break;
    }
    temporaryName.clear();
    return -1;
}

// Whether an unnamed file can be given a name through its descriptor alone: recent kernels allow
// it to any process, older ones only to one that may search every directory (root). Learned
// from the first try.
std::atomic<bool> UnnamedFilesLinkable{true};

enum class TPlacement { Placed, Failed, BuildNamed };

// The copy under construction. It never carries the destination's name before it is complete,
// and a failure leaves nothing behind. A new destination is built as an unnamed file and linked
// in; a destination being replaced, or one where the file system has no unnamed files, under a
// hidden temporary name that is then renamed over it.
class TPendingCopy {
public:
    // The file gets the permission bits it is to have, so that it mostly needs no change.
    TPendingCopy(int directory, const std::string& name, mode_t mode, bool replacing) : Directory(directory)
    {
        if (!replacing && UnnamedFilesLinkable.load(std::memory_order_relaxed))
            Fd = openat(directory, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode & 0777);
        if (Fd < 0)
            Fd = CreateExclusively(directory, name, mode & 0777, TemporaryName);
    }
    ~TPendingCopy()
    {
        if (Fd >= 0)
            close(Fd);
        if (!TemporaryName.empty())
            unlinkat(Directory, TemporaryName.c_str(), 0);
    }
    TPendingCopy(const TPendingCopy&) = delete;
    TPendingCopy& operator=(const TPendingCopy&) = delete;

    bool IsOpen() const { return Fd >= 0; }
    int Get() const { return Fd; }

    // Gives the complete copy the destination's name.
    TPlacement Place(const std::string& name)
    {
        if (!TemporaryName.empty()) {
            if (!Close() || renameat(Directory, TemporaryName.c_str(), Directory, name.c_str()) != 0)
                return TPlacement::Failed;
            TemporaryName.clear();
            return TPlacement::Placed;
        }
        if (linkat(Fd, "", Directory, name.c_str(), AT_EMPTY_PATH) != 0) {
            // EEXIST: the name was taken meanwhile, and is not to be replaced unseen.
            if (errno != ENOENT)
                return TPlacement::Failed;
            UnnamedFilesLinkable.store(false, std::memory_order_relaxed);
            return TPlacement::BuildNamed;
        }
        if (Close())
            return TPlacement::Placed;
        unlinkat(Directory, name.c_str(), 0);
        return TPlacement::Failed;
    }

private:
    // Tells whether the file system took everything written (NFS reports late).
    bool Close()
    {
        const int fd = Fd;
        Fd = -1;
        return close(fd) == 0;
    }

    int Directory;
    int Fd = -1;
    std::string TemporaryName;
};

// Whether the destination's entry exists at all (a dangling link does), and whether it leads
// to the source itself.
struct TDestinationEntry {
    bool Exists = false;
    bool IsSource = false;
};

TDestinationEntry LookUpDestination(int directory, const std::string& name, const struct stat& source)
{
    TDestinationEntry entry;
    struct stat info {};
    entry.Exists = fstatat(directory, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0;
    if (entry.Exists && S_ISLNK(info.st_mode) && fstatat(directory, name.c_str(), &info, 0) != 0)
        return entry;
    entry.IsSource = entry.Exists && info.st_dev == source.st_dev && info.st_ino == source.st_ino;
    return entry;
}

// The copy was created with the source's permission bits less the umask. Owner first, since a
// change of owner clears set-user-ID bits; the mode where it still differs; the times last,
// after every change to the file.
bool KeepAttributes(int fd, const struct stat& source)
{
    struct stat copy {};
    if (fstat(fd, &copy) != 0)
        return false;
    // The source's owner where the process may give it (root); else at least its group where
    // the process belongs to it; else, silently, the process's own.
    if (copy.st_uid != source.st_uid || copy.st_gid != source.st_gid)
        static_cast<void>(fchown(fd, source.st_uid, source.st_gid) == 0 ||
                          fchown(fd, static_cast<uid_t>(-1), source.st_gid) == 0);
    const mode_t mode = source.st_mode & 07777;
    if ((copy.st_mode & 07777) != mode && fchmod(fd, mode) != 0)
        return false;
    const timespec times[2] = {source.st_atim, source.st_mtim};
    return futimens(fd, times) == 0;
}

// The kernel's copy is unavailable here (old kernel, across file systems, special files).
bool CallUnavailable(int error)
{
    return error == ENOSYS || error == EXDEV || error == EOPNOTSUPP || error == ENOTSUP || error == EINVAL;
}

int ReadWriteCopy(int source, int target)
{
    std::vector<char> buffer(256 * 1024);
    for (;;) {
        const ssize_t got = read(source, buffer.data(), buffer.size());
        if (got == 0)
            return 0;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = write(target, buffer.data() + done, static_cast<std::size_t>(got - done));
            if (put < 0) {
                if (errno == EINTR)
                    continue;
                return errno;
            }
            done += put;
        }
    }
}

// A write beyond a file-size limit must come back as EFBIG, not end the program.
struct TIgnoreFileSizeSignal {
    TIgnoreFileSizeSignal() { std::signal(SIGXFSZ, SIG_IGN); }
};
}  // namespace

bool TFileTransfer::ForceDirectories(const std::string& directory, bool durable) const
{
    if (directory.empty())
        throw std::invalid_argument("Cannot create a directory with an empty name.");
    return EnsureDirectory(WithoutTrailingSeparators(directory), durable);
}

TCopyOutcome TFileTransfer::CopyFile(const std::string& source, const std::string& destination, bool durable) const
{
    // Every step names entries relative to the destination's directory, found once.
    const std::string directory = DirectoryPart(destination), name = FileNamePart(destination);
    const TDescriptor place(open(directory.empty() ? "." : directory.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!place.IsOpen())
        return errno == ENOENT || errno == ENOTDIR ? TCopyOutcome::NoDirectory : TCopyOutcome::Failed;
    // Non-blocking, so that a FIFO in place of the source cannot hang the worker.
    const TDescriptor in(open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat sourceInfo {};
    if (!in.IsOpen() || fstat(in.Get(), &sourceInfo) != 0 || !S_ISREG(sourceInfo.st_mode))
        return TCopyOutcome::Failed;
    // Through a link too: copying a file onto itself would only destroy it.
    const TDestinationEntry entry = LookUpDestination(place.Get(), name, sourceInfo);
    if (entry.IsSource)
        return TCopyOutcome::Failed;

    for (;;) {
        TPendingCopy copy(place.Get(), name, sourceInfo.st_mode, entry.Exists);
        if (!copy.IsOpen() || CopyContents(in.Get(), copy.Get(), sourceInfo.st_size) != 0 ||
            !KeepAttributes(copy.Get(), sourceInfo) || (durable && fsync(copy.Get()) != 0))
            return TCopyOutcome::Failed;
        const TPlacement placement = copy.Place(name);
        if (placement == TPlacement::Placed)
            break;
        if (placement == TPlacement::Failed || lseek(in.Get(), 0, SEEK_SET) != 0)
            return TCopyOutcome::Failed;
    }
    return !durable || SyncDirectory(directory) ? TCopyOutcome::Copied : TCopyOutcome::Failed;
}

bool TFileTransfer::DeleteFile(const std::string& path) const { return unlink(path.c_str()) == 0; }

int TFileTransfer::CopyContents(int source, int target, std::int64_t size) const
{
    // A size of 0 may be a file whose size the kernel does not know (procfs); reading finds out.
    if (size <= 0)
        return ReadWriteCopy(source, target);
    // Within one file system the kernel shares the extents (a reflink) where it can.
    constexpr std::size_t Chunk = std::size_t{1} << 30;
    std::int64_t copiedBytes = 0;
    for (;;) {
        const ssize_t copied = copy_file_range(source, nullptr, target, nullptr, Chunk, 0);
        if (copied > 0) {
            copiedBytes += copied;
            // The size the source had when opened; one more call would only find its end.
            if (copiedBytes >= size)
                return 0;
            continue;
        }
        if (copied < 0 && errno == EINTR)
            continue;
        if (copiedBytes > 0)
            return copied == 0 ? 0 : errno;
        if (copied < 0 && !CallUnavailable(errno))
            return errno;
        return ReadWriteCopy(source, target);
    }
}

const TFileTransfer& TFileTransfer::System()
{
    static const TIgnoreFileSizeSignal ignoreFileSizeSignal;
    static const TFileTransfer system;
    return system;
}

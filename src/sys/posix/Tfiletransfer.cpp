#include "sys/Tfiletransfer.h"

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
    // Closes now and tells whether the file system accepted everything written (NFS reports late).
    bool Close()
    {
        const int fd = Fd;
        Fd = -1;
        return close(fd) == 0;
    }

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

int CreateExclusively(int directory, const std::string& name, mode_t mode, std::string& temporaryName)
{
    constexpr int Attempts = 16;
    int fd = -1;
    for (int attempt = 0; attempt < Attempts && fd < 0; ++attempt) {
        temporaryName = "." + NameStem(name) + "." + RandomPart() + TFileTransfer::TemporarySuffix;
        fd = openat(directory, temporaryName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    return fd;
}

// The copy under construction: a new file in the destination's directory, removed again
// unless it has been renamed into place.
class TTemporaryFile {
public:
    // The file gets the permission bits it is to have, so that it mostly needs no change.
    TTemporaryFile(int directory, const std::string& name, mode_t mode)
        : Directory(directory), Descriptor(CreateExclusively(directory, name, mode & 0777, Name))
    {
    }
    ~TTemporaryFile()
    {
        if (Descriptor.IsOpen())
            Descriptor.Close();
        if (Created && !Placed)
            unlinkat(Directory, Name.c_str(), 0);
    }
    TTemporaryFile(const TTemporaryFile&) = delete;
    TTemporaryFile& operator=(const TTemporaryFile&) = delete;

    bool IsOpen() const { return Descriptor.IsOpen(); }
    int Fd() const { return Descriptor.Get(); }
    bool Close() { return Descriptor.Close(); }
    bool RenameTo(const std::string& name)
    {
        Placed = renameat(Directory, Name.c_str(), Directory, name.c_str()) == 0;
        return Placed;
    }

private:
    int Directory;
    std::string Name;
    TDescriptor Descriptor;
    const bool Created = Descriptor.IsOpen();
    bool Placed = false;
};

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
    struct stat destinationInfo {};
    if (fstatat(place.Get(), name.c_str(), &destinationInfo, 0) == 0 && destinationInfo.st_dev == sourceInfo.st_dev &&
        destinationInfo.st_ino == sourceInfo.st_ino)
        return TCopyOutcome::Failed;

    TTemporaryFile copy(place.Get(), name, sourceInfo.st_mode);
    if (!copy.IsOpen() || CopyContents(in.Get(), copy.Fd(), sourceInfo.st_size) != 0)
        return TCopyOutcome::Failed;
    if (!KeepAttributes(copy.Fd(), sourceInfo) || (durable && fsync(copy.Fd()) != 0) || !copy.Close() ||
        !copy.RenameTo(name) || (durable && !SyncDirectory(directory)))
        return TCopyOutcome::Failed;
    return TCopyOutcome::Copied;
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

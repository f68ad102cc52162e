#include "sys/Tfiletransfer.h"

#include <cerrno>
#include <csignal>
#include <random>
#include <stdexcept>
#include <vector>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
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

int CreateExclusively(const std::string& directory, const std::string& name, std::string& path)
{
    const std::string prefix = directory.empty() ? std::string() : WithTrailingDelimiter(directory);
    constexpr int Attempts = 16;
    int fd = -1;
    for (int attempt = 0; attempt < Attempts && fd < 0; ++attempt) {
        path = prefix + "." + NameStem(name) + "." + RandomPart() + TFileTransfer::TemporarySuffix;
        fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    return fd;
}

// The copy under construction: a new file beside the destination, removed again unless it
// has been renamed into place.
class TTemporaryFile {
public:
    TTemporaryFile(const std::string& directory, const std::string& name)
        : Descriptor(CreateExclusively(directory, name, Path))
    {
    }
    ~TTemporaryFile()
    {
        if (Descriptor.IsOpen())
            Descriptor.Close();
        if (Created && !Placed)
            unlink(Path.c_str());
    }
    TTemporaryFile(const TTemporaryFile&) = delete;
    TTemporaryFile& operator=(const TTemporaryFile&) = delete;

    bool IsOpen() const { return Descriptor.IsOpen(); }
    int Fd() const { return Descriptor.Get(); }
    bool Close() { return Descriptor.Close(); }
    bool RenameTo(const std::string& destination)
    {
        Placed = rename(Path.c_str(), destination.c_str()) == 0;
        return Placed;
    }

private:
    std::string Path;
    TDescriptor Descriptor;
    const bool Created = Descriptor.IsOpen();
    bool Placed = false;
};

// Ownership is the source's when the process may give it (root); otherwise at least the group
// when the process belongs to it, and silently the process's own when not even that.
void KeepOwner(int fd, const struct stat& source)
{
    static_cast<void>(fchown(fd, source.st_uid, source.st_gid) == 0 ||
                      fchown(fd, static_cast<uid_t>(-1), source.st_gid) == 0);
}

bool KeepModeAndTimes(int fd, const struct stat& source)
{
    const timespec times[2] = {source.st_atim, source.st_mtim};
    return fchmod(fd, source.st_mode & 07777) == 0 && futimens(fd, times) == 0;
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

bool TFileTransfer::CopyFile(const std::string& source, const std::string& destination, bool durable) const
{
    // Non-blocking, so that a FIFO in place of the source cannot hang the worker.
    TDescriptor in(open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat sourceInfo {};
    if (!in.IsOpen() || fstat(in.Get(), &sourceInfo) != 0 || !S_ISREG(sourceInfo.st_mode))
        return false;
    struct stat destinationInfo {};
    if (stat(destination.c_str(), &destinationInfo) == 0 && destinationInfo.st_dev == sourceInfo.st_dev &&
        destinationInfo.st_ino == sourceInfo.st_ino)
        return false;

    const std::string directory = DirectoryPart(destination);
    TTemporaryFile copy(directory, FileNamePart(destination));
    if (!copy.IsOpen() || CopyContents(in.Get(), copy.Fd()) != 0)
        return false;
    KeepOwner(copy.Fd(), sourceInfo);
    if (!KeepModeAndTimes(copy.Fd(), sourceInfo) || (durable && fsync(copy.Fd()) != 0) || !copy.Close() ||
        !copy.RenameTo(destination))
        return false;
    return !durable || SyncDirectory(directory);
}

bool TFileTransfer::DeleteFile(const std::string& path) const { return unlink(path.c_str()) == 0; }

int TFileTransfer::CopyContents(int source, int target) const
{
    if (ioctl(target, FICLONE, source) == 0)
        return 0;
    constexpr std::size_t Chunk = std::size_t{1} << 30;
    bool copiedAny = false;
    for (;;) {
        const ssize_t copied = copy_file_range(source, nullptr, target, nullptr, Chunk, 0);
        if (copied > 0) {
            copiedAny = true;
            continue;
        }
        if (copied == 0 && copiedAny)
            return 0;
        if (copied < 0 && errno == EINTR)
            continue;
        if (copied < 0 && (copiedAny || !CallUnavailable(errno)))
            return errno;
        // Nothing copied yet: either unavailable, or a file whose size the kernel does not
        // know (procfs reports 0); reading finds out.
        return ReadWriteCopy(source, target);
    }
}

const TFileTransfer& TFileTransfer::System()
{
    static const TIgnoreFileSizeSignal ignoreFileSizeSignal;
    static const TFileTransfer system;
    return system;
}

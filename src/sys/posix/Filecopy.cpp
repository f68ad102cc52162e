#include "sys/posix/Filecopy.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <future>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/vfs.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "sys/Tcontentreader.h"

namespace {
// The kernel's copy is unavailable here (old kernel, across file systems, special files).
bool CallUnavailable(int error)
{
    // EOPNOTSUPP and ENOTSUP: one number on Linux, two elsewhere.
    // NOLINTNEXTLINE(misc-redundant-expression)
    return error == ENOSYS || error == EXDEV || error == EOPNOTSUPP || error == ENOTSUP || error == EINVAL;
}

// Writes all of the buffer at the offset; 0, or the error number.
int WriteAll(int target, const char* data, std::size_t size, off_t offset)
{
    while (size > 0) {
        const ssize_t put = pwrite(target, data, size, offset);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        data += put;
        size -= static_cast<std::size_t>(put);
        offset += put;
    }
    return 0;
}

// The largest piece of a copy; a file of at most this size is copied whole.
constexpr off_t Largest = off_t{8} << 20;

// The pieces of one file's copy: each sized to take about a tenth of a second at the pace of the
// last, counted and, where asked, sent on to the device as it lands; a stop is heard between two.
class TPieces {
public:
    TPieces(int target, const TCopyControl& control) : Target(target), Control(control) {}

    // Never before the first piece: a file that fits in one is copied whole.
    bool StopAsked() const { return AnyLanded && Control.Stop && Control.Stop(); }
    // The size of the next piece, at most left; its time runs from here.
    off_t Next(off_t left)
    {
        Started = TClock::now();
        return std::min(left, Size);
    }
    // 0, or the error number of sending the piece on to the device.
    int Landed(off_t offset, off_t bytes)
    {
        AnyLanded = true;
        Pass(bytes);
        if (const int error = WriteBack(offset, bytes))
            return error;
        Resize(bytes, TClock::now() - Started);
        return 0;
    }
    // Bytes that count as copied without being copied: holes.
    void Pass(off_t bytes)
    {
        if (Control.Done != nullptr)
            *Control.Done += bytes;
    }

private:
    using TClock = std::chrono::steady_clock;
    // Powers of two keep every piece aligned, so that the kernel can still share extents.
    static constexpr off_t Smallest = off_t{256} << 10;
    static constexpr double GoalSeconds = 0.1;

    // From the second piece on, each starts on its way to the device as it lands and the copy
    // waits for the one before: the device writes while the next piece is read, and the flush
    // at the end waits for two at most. A file of one piece is left to that flush alone, as a
    // write started early would only queue behind the writing back of other files.
    int WriteBack(off_t offset, off_t bytes)
    {
        if (!Control.WriteBack || !Writable)
            return 0;
        constexpr unsigned int Wait = SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER;
        if (EarlierBytes > 0 && (sync_file_range(Target, offset, bytes, SYNC_FILE_RANGE_WRITE) != 0 ||
                                 sync_file_range(Target, EarlierOffset, EarlierBytes, Wait) != 0)) {
            // Not for this kind of file: the flush at the end does it all.
            if (errno != EINVAL && errno != ESPIPE && errno != ENOSYS)
                return errno;
            Writable = false;
        }
        EarlierOffset = offset;
        EarlierBytes = bytes;
        return 0;
    }

    void Resize(off_t bytes, TClock::duration took)
    {
        const double perByte =
            std::chrono::duration<double>(took).count() / static_cast<double>(std::max(bytes, off_t{1}));
        const auto seconds = [&](off_t size) { return perByte * static_cast<double>(size); };
        if (bytes == Size && Size < Largest && seconds(2 * Size) <= GoalSeconds)
            Size *= 2;
        while (Size > Smallest && seconds(Size) > GoalSeconds)
            Size /= 2;
    }

    int Target;
    const TCopyControl& Control;
    off_t Size = off_t{1} << 20;
    TClock::time_point Started;
    bool AnyLanded = false;
    bool Writable = true;
    off_t EarlierOffset = 0;
    off_t EarlierBytes = 0;
};

// Copies up to bytes at the offset through the buffer; the bytes copied, fewer only where the
// source ends, or -1 with errno set.
ssize_t ReadWritePiece(int source, int target, off_t offset, off_t bytes, std::vector<char>& buffer)
{
    off_t copied = 0;
    while (copied < bytes) {
        const ssize_t got = pread(source, buffer.data(),
                                  static_cast<std::size_t>(std::min(bytes - copied, static_cast<off_t>(buffer.size()))),
                                  offset + copied);
        if (got == 0)
            break;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (const int error = WriteAll(target, buffer.data(), static_cast<std::size_t>(got), offset + copied)) {
            errno = error;
            return -1;
        }
        copied += got;
    }
    return static_cast<ssize_t>(copied);
}

// The same through the kernel, which shares extents within one file system where it can.
ssize_t KernelPiece(int source, int target, off_t offset, off_t bytes)
{
    for (;;) {
        loff_t in = offset, out = offset;
        const ssize_t copied = copy_file_range(source, &in, target, &out, static_cast<std::size_t>(bytes), 0);
        if (copied >= 0 || errno != EINTR)
            return copied;
    }
}

// Copies the byte range [offset, end) piece by piece, through the kernel where it can and
// allowed, else through a buffer; a source that ends early leaves the target short, which the
// caller sees in its size.
int CopyRange(int source, int target, off_t offset, off_t end, TPieces& pieces, bool throughKernel)
{
    std::vector<char> buffer;
    while (offset < end) {
        if (pieces.StopAsked())
            return ECANCELED;
        if (!throughKernel && buffer.empty())
            buffer.resize(256 * 1024);
        const off_t want = pieces.Next(end - offset);
        const ssize_t copied = throughKernel ? KernelPiece(source, target, offset, want)
                                             : ReadWritePiece(source, target, offset, want, buffer);
        if (copied < 0 && throughKernel && CallUnavailable(errno)) {
            throughKernel = false;
            continue;
        }
        if (copied <= 0)
            return copied == 0 ? 0 : errno;
        if (const int error = pieces.Landed(offset, copied))
            return error;
        offset += copied;
    }
    return 0;
}

// Copies only the data extents from the offset on; the holes between them stay unallocated in
// the target, and count as copied when passed.
int CopySparse(int source, int target, off_t offset, off_t size, TPieces& pieces)
{
    while (offset < size) {
        const off_t data = lseek(source, offset, SEEK_DATA);
        if (data < 0) {
            if (errno != ENXIO)  // ENXIO: only a hole is left
                return errno;
            break;
        }
        const off_t hole = lseek(source, data, SEEK_HOLE);
        if (hole < 0)
            return errno;
        const off_t end = std::min(hole, size);
        pieces.Pass(std::min(data, size) - offset);
        if (const int error = CopyRange(source, target, data, end, pieces, true))
            return error;
        offset = end;
    }
    pieces.Pass(size - std::min(offset, size));
    // A hole at the end is made by the size alone.
    return ftruncate(target, size) == 0 ? 0 : errno;
}

// Namespaces that only a privileged process or a capable file system may set; their loss is
// what cp -a accepts too.
bool OptionalAttribute(std::string_view name) { return !name.starts_with("user."); }

bool Tolerable(std::string_view name, int error)
{
    // A file system without extended attributes (FAT) cannot keep any: nothing is lost by going on.
    if (error == ENOTSUP || error == EOPNOTSUPP)
        return true;
    return OptionalAttribute(name) && (error == EPERM || error == EACCES || error == EINVAL);
}

bool ReadAttribute(int source, const char* name, std::vector<char>& value)
{
    for (;;) {
        const ssize_t size = fgetxattr(source, name, nullptr, 0);
        if (size < 0)
            return false;
        value.resize(static_cast<std::size_t>(size));
        const ssize_t got = fgetxattr(source, name, value.data(), value.size());
        if (got >= 0) {
            value.resize(static_cast<std::size_t>(got));
            return true;
        }
        if (errno != ERANGE)  // ERANGE: it grew meanwhile
            return false;
    }
}

bool CopyExtendedAttributes(int source, int target)
{
    std::vector<char> names;
    for (;;) {
        const ssize_t size = flistxattr(source, nullptr, 0);
        if (size < 0)
            return errno == ENOTSUP || errno == EOPNOTSUPP;
        if (size == 0)
            return true;
        names.resize(static_cast<std::size_t>(size));
        const ssize_t got = flistxattr(source, names.data(), names.size());
        if (got >= 0) {
            names.resize(static_cast<std::size_t>(got));
            break;
        }
        if (errno != ERANGE)
            return false;
    }
    std::vector<char> value;
    for (std::size_t at = 0; at < names.size();) {
        const char* name = names.data() + at;
        at += std::char_traits<char>::length(name) + 1;
        if (!ReadAttribute(source, name, value)) {
            if (errno == ENODATA || Tolerable(name, errno))
                continue;
            return false;
        }
        if (fsetxattr(target, name, value.data(), value.size(), 0) != 0 && !Tolerable(name, errno))
            return false;
    }
    return true;
}

// The source's owner where the process may give it (root); else at least its group where the
// process belongs to it; else, silently, the process's own.
void CopyOwner(int fd, const struct stat& current, const struct stat& source)
{
    if (current.st_uid != source.st_uid || current.st_gid != source.st_gid)
        static_cast<void>(fchown(fd, source.st_uid, source.st_gid) == 0 ||
                          fchown(fd, static_cast<uid_t>(-1), source.st_gid) == 0);
}

// A file system without permission bits (FAT) keeps what it can; the file is the copy's own,
// so a refusal can only come from there.
bool SetMode(int fd, mode_t mode)
{
    struct stat current {};
    if (fstat(fd, &current) != 0)
        return false;
    return (current.st_mode & 07777) == mode || fchmod(fd, mode) == 0 || errno == ENOSYS || errno == EPERM ||
           errno == EOPNOTSUPP;
}
}  // namespace

ssize_t ReadUpTo(int fd, char* buffer, std::size_t size, off_t offset)
{
    std::size_t got = 0;
    while (got < size) {
        const ssize_t more = pread(fd, buffer + got, size - got, offset + static_cast<off_t>(got));
        if (more == 0)
            break;
        if (more < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        got += static_cast<std::size_t>(more);
    }
    return static_cast<ssize_t>(got);
}

int CopyFileData(int source, int target, const struct stat& sourceInfo, const TCopyControl& control)
{
    TPieces pieces(target, control);
    const off_t size = sourceInfo.st_size;
    struct stat written {};
    if (fstat(target, &written) != 0)
        return errno;
    const off_t from = written.st_size;
    // A size of 0 may be a file whose size the kernel does not know (procfs): read to its end.
    if (size <= 0)
        return CopyRange(source, target, from, std::numeric_limits<off_t>::max(), pieces, false);
    // Fewer blocks than bytes: there are holes to keep.
    if (sourceInfo.st_blocks * 512 < size)
        return CopySparse(source, target, from, size, pieces);
    return CopyRange(source, target, from, size, pieces, true);
}

int FlushCopy(int copy, const TStopRequest& stop)
{
    struct stat info {};
    if (!stop || fstat(copy, &info) != 0 || info.st_size <= Largest)
        return fsync(copy) == 0 ? 0 : errno;
    if (stop())
        return ECANCELED;
    // A descriptor of its own lets the flush end by itself, after the copy was given up.
    const int own = fcntl(copy, F_DUPFD_CLOEXEC, 0);
    if (own < 0)
        return errno;
    auto flushed = std::make_shared<std::promise<int>>();
    std::future<int> result = flushed->get_future();
    try {
        std::thread([own, flushed] {
            const int error = fsync(own) == 0 ? 0 : errno;
            close(own);
            flushed->set_value(error);
        }).detach();
    } catch (const std::system_error&) {
        close(own);
        return fsync(copy) == 0 ? 0 : errno;
    }
    while (result.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready)
        if (stop())
            return ECANCELED;
    return result.get();
}

bool IsTrustedLocalFileSystem(int file)
{
    constexpr std::array<unsigned long, 5> Trusted{
        0xEF53,      // ext2, ext3, ext4
        0x58465342,  // XFS
        0x9123683E,  // btrfs
        0xF2F52010,  // F2FS
        0x01021994,  // tmpfs, which has no device to reach
    };
    struct statfs info {};
    return fstatfs(file, &info) == 0 &&
           std::find(Trusted.begin(), Trusted.end(), static_cast<unsigned long>(info.f_type)) != Trusted.end();
}

int SyncFileSystemOf(int file)
{
    if (!IsTrustedLocalFileSystem(file))
        return EOPNOTSUPP;
    return syncfs(file) == 0 ? 0 : errno;
}

void CloseRemovedFile(TDescriptor& file)
{
    constexpr off_t LargeFile = 64 * 1024 * 1024;
    struct stat info {};
    if (fstat(file.Get(), &info) != 0 || info.st_nlink > 0 || info.st_size < LargeFile) {
        file.Reset();
        return;
    }
    const int descriptor = file.Release();
    try {
        std::thread([descriptor] { close(descriptor); }).detach();
    } catch (const std::system_error&) {
        close(descriptor);
    }
}

void TRemovedFilesCloser::Close(std::vector<TDescriptor> files)
{
    Wait();
    try {
        Closing = std::thread([closing = std::move(files)]() mutable { closing.clear(); });
    } catch (const std::system_error&) {
        // The files went with the call that failed, and were closed with it.
    }
}

void TRemovedFilesCloser::Wait()
{
    if (Closing.joinable())
        Closing.join();
}

bool SameContents(int a, int b, const TStopRequest& stop)
{
    struct stat info {};
    return fstat(a, &info) == 0 &&
           TContentReader(stop).CompareOpen(a, b, static_cast<std::int64_t>(info.st_size)) == TContentsVerdict::Same;
}

off_t SamePrefix(int a, int b, off_t length, const TStopRequest& stop)
{
    constexpr std::size_t ChunkBytes = std::size_t{1} << 20;
    constexpr auto Chunk = static_cast<off_t>(ChunkBytes);
    std::vector<char> expected(ChunkBytes), found(ChunkBytes);
    off_t same = 0;
    for (; same + Chunk <= length; same += Chunk) {
        if (stop && stop()) {
            errno = ECANCELED;
            return -1;
        }
        const ssize_t want = ReadUpTo(a, expected.data(), ChunkBytes, same);
        const ssize_t got = ReadUpTo(b, found.data(), ChunkBytes, same);
        if (want < 0 || got < 0)
            return -1;
        if (want != Chunk || got != Chunk || !std::equal(expected.begin(), expected.end(), found.begin()))
            break;
    }
    return same;
}

bool SampledContentsEqual(int a, int b, off_t size)
{
    constexpr off_t Sample = 16 * 1024;
    constexpr off_t Whole = 4 * Sample;
    const std::vector<off_t> offsets =
        size <= Whole ? std::vector<off_t>{0} : std::vector<off_t>{0, size / 3, size / 3 * 2, size - Sample};
    const auto length = static_cast<std::size_t>(size <= Whole ? Whole + 1 : Sample);
    std::vector<char> expected(length), found(length);
    for (const off_t offset : offsets) {
        const ssize_t want = ReadUpTo(a, expected.data(), length, offset);
        const ssize_t got = ReadUpTo(b, found.data(), length, offset);
        if (want < 0 || got != want || !std::equal(expected.begin(), expected.begin() + want, found.begin()))
            return false;
    }
    return true;
}

bool ReadsBackEqual(int source, int copy, const TStopRequest& stop)
{
    // Clean pages can be dropped; the next read of them comes from the device.
    return FlushCopy(copy, stop) == 0 && posix_fadvise(copy, 0, 0, POSIX_FADV_DONTNEED) == 0 &&
           SameContents(source, copy, stop);
}

bool CopyFileAttributes(int source, int target, const struct stat& sourceInfo)
{
    struct stat copy {};
    if (fstat(target, &copy) != 0)
        return false;
    // Owner first, since a change of owner clears set-user-ID bits; the times last, after every
    // change to the file.
    CopyOwner(target, copy, sourceInfo);
    if (!CopyExtendedAttributes(source, target) || !SetMode(target, sourceInfo.st_mode & 07777))
        return false;
    const timespec times[2] = {sourceInfo.st_atim, sourceInfo.st_mtim};
    return futimens(target, times) == 0;
}

bool CopyDirectoryAttributes(int directory, const struct stat& sourceInfo, mode_t mode)
{
    struct stat current {};
    if (fstat(directory, &current) != 0)
        return false;
    CopyOwner(directory, current, sourceInfo);
    return SetMode(directory, mode);
}

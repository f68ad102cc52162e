#include "sys/Wholefile.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <random>
#include <stdexcept>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "sys/Pathsyntax.h"
#include "sys/posix/Tdescriptor.h"

namespace {
[[noreturn]] void Fail(const std::string& what, const std::string& path, const std::string& reason)
{
    throw std::runtime_error(what + " \"" + path + "\": " + reason);
}

[[noreturn]] void Fail(const std::string& what, const std::string& path, int error)
{
    Fail(what, path, std::system_category().message(error));
}

// Up to and including the last delimiter; empty for a name in the working directory.
std::string DirectoryWithDelimiter(const std::string& path)
{
    const std::size_t last = path.find_last_of(PathSyntax::Separators);
    return last == std::string::npos ? std::string() : path.substr(0, last + 1);
}

// Replacing a link by a file would quietly cut the user's link; the file it names is meant.
std::string FinalLinkTarget(std::string path)
{
    constexpr int MaxLinkHops = 40;
    for (int hop = 0; hop < MaxLinkHops; ++hop) {
        struct stat info {};
        if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return path;
        std::string target(PATH_MAX, '\0');
        const ssize_t length = readlink(path.c_str(), target.data(), target.size());
        if (length < 0)
            Fail("Cannot follow the link", path, errno);
        target.resize(static_cast<std::size_t>(length));
        path = !target.empty() && PathSyntax::IsSeparator(target[0]) ? target : DirectoryWithDelimiter(path) + target;
    }
    Fail("Cannot follow the link", path, ELOOP);
}

// A hidden name beside the target that nobody can predict, so no one can plant a file or a
// link there first (it is also created exclusively).
std::string TemporaryName(const std::string& target)
{
    constexpr std::size_t MaxKeptNameLength = 64;  // leaves room for the suffix within NAME_MAX
    const std::string directory = DirectoryWithDelimiter(target);
    const std::string name = target.substr(directory.size(), MaxKeptNameLength);
    static constexpr char HexDigits[] = "0123456789abcdef";
    std::random_device random;
    std::string suffix;
    for (int draw = 0; draw < 4; ++draw) {
        unsigned value = random();
        for (int digit = 0; digit < 8; ++digit, value >>= 4)
            suffix += HexDigits[value & 0xF];
    }
    return directory + "." + name + "." + suffix + ".tmp";
}

// The temporary file until it has taken the target's place; removed when that never happens.
class TTemporaryFile {
public:
    explicit TTemporaryFile(const std::string& target) : Target(target)
    {
        constexpr int Attempts = 8;
        for (int attempt = 0; attempt < Attempts; ++attempt) {
            Path = TemporaryName(Target);
            // 0666 leaves the bits of a new file to the umask, as for any file created anew.
            const int fd = open(Path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
            if (fd >= 0) {
                Descriptor.Reset(fd);
                return;
            }
            if (errno != EEXIST)
                Fail("Cannot create a temporary file beside", Target, errno);
        }
        Fail("Cannot create a temporary file beside", Target, EEXIST);
    }
    ~TTemporaryFile()
    {
        Descriptor.Reset(-1);
        if (!Renamed)
            unlink(Path.c_str());
    }
    TTemporaryFile(const TTemporaryFile&) = delete;
    TTemporaryFile& operator=(const TTemporaryFile&) = delete;

    void TakeOwnerAndModeOf(const struct stat& original)
    {
        if (fchown(Descriptor.Get(), original.st_uid, original.st_gid) != 0) {
            // Only a privileged process may give a file away; otherwise it stays the writer's.
        }
        if (fchmod(Descriptor.Get(), original.st_mode & 0777) != 0)
            Fail("Cannot set the permissions of a temporary file beside", Target, errno);
    }

    void Write(std::string_view contents)
    {
        while (!contents.empty()) {
            const ssize_t written = write(Descriptor.Get(), contents.data(), contents.size());
            if (written < 0 && errno == EINTR)
                continue;
            if (written < 0)
                Fail("Cannot write the file", Target, errno);
            contents.remove_prefix(static_cast<std::size_t>(written));
        }
        if (fsync(Descriptor.Get()) != 0)
            Fail("Cannot write the file", Target, errno);
        if (Descriptor.Close() != 0)
            Fail("Cannot write the file", Target, errno);
    }

    void ReplaceTarget()
    {
        if (rename(Path.c_str(), Target.c_str()) != 0)
            Fail("Cannot replace the file", Target, errno);
        Renamed = true;
    }

private:
    std::string Target;
    std::string Path;
    TDescriptor Descriptor;
    bool Renamed = false;
};

// Makes the rename itself survive a crash. The new file is in place already, so a failure
// here is not reported as a failed write.
void SyncDirectoryOf(const std::string& target)
{
    const std::string directory = DirectoryWithDelimiter(target);
    const TDescriptor fd(open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.Get() >= 0 && fsync(fd.Get()) != 0) {
        // Nothing to undo: the replacement has happened.
    }
}
}  // namespace

std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t maxBytes)
{
    // Without O_NONBLOCK, opening a FIFO would wait for a writer that may never come.
    const TDescriptor fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.Get() < 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return std::nullopt;
        Fail("Cannot read the file", path, errno);
    }
    struct stat info {};
    if (fstat(fd.Get(), &info) != 0)
        Fail("Cannot read the file", path, errno);
    if (!S_ISREG(info.st_mode))
        Fail("Cannot read the file", path, "it is not a regular file");
    const std::string tooLarge = "it is larger than " + std::to_string(maxBytes) + " bytes";
    if (static_cast<std::uintmax_t>(info.st_size) > maxBytes)
        Fail("Cannot read the file", path, tooLarge);

    std::string contents;
    contents.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t length = read(fd.Get(), buffer, sizeof buffer);
        if (length < 0 && errno == EINTR)
            continue;
        if (length < 0)
            Fail("Cannot read the file", path, errno);
        if (length == 0)
            return contents;
        // The file may have grown since it was measured.
        if (static_cast<std::size_t>(length) > maxBytes - contents.size())
            Fail("Cannot read the file", path, tooLarge);
        contents.append(buffer, static_cast<std::size_t>(length));
    }
}

void ReplaceWholeFile(const std::string& path, std::string_view contents)
{
    if (path.empty())
        Fail("Cannot write the file", path, "it has no name");
    const std::string target = FinalLinkTarget(path);
    struct stat existing {};
    const bool exists = stat(target.c_str(), &existing) == 0;
    if (!exists && errno != ENOENT)
        Fail("Cannot write the file", target, errno);
    if (exists && !S_ISREG(existing.st_mode))
        Fail("Cannot write the file", target, "it is not a regular file");
    // The rename would succeed over a read-only file; the user made it read-only to keep it.
    if (exists && faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
        Fail("Cannot write the file", target, errno);

    TTemporaryFile temporary(target);
    if (exists)
        temporary.TakeOwnerAndModeOf(existing);
    temporary.Write(contents);
    temporary.ReplaceTarget();
    SyncDirectoryOf(target);
}

bool MakeDirectoryChain(const std::string& directory, bool durable)
{
    std::string path = directory;
    while (path.size() > 1 && PathSyntax::IsSeparator(path.back()))
        path.pop_back();
    struct stat info {};
    if (path.empty() || (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)))
        return true;
    const std::size_t last = path.find_last_of(PathSyntax::Separators);
    const std::string parent = last == std::string::npos ? std::string() : path.substr(0, last == 0 ? 1 : last);
    if (!MakeDirectoryChain(parent, durable))
        return false;
    if (mkdir(path.c_str(), 0777) != 0)
        // Someone else may have made it in the meantime.
        return errno == EEXIST && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    if (durable)
        SyncDirectoryOf(path);
    return true;
}

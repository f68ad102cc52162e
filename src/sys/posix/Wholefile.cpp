#include "sys/Wholefile.h"

#include <cerrno>
#include <random>
#include <stdexcept>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "sys/Pathsyntax.h"

namespace {
[[noreturn]] void Fail(const std::string& what, const std::string& path, int error)
{
    throw std::runtime_error(what + " \"" + path + "\": " + std::system_category().message(error));
}

[[noreturn]] void Fail(const std::string& what, const std::string& path)
{
    throw std::runtime_error(what + " \"" + path + "\".");
}

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

    int Get() const { return Fd; }
    // Closes now and reports the result: a late write error of the file system shows here.
    int Close()
    {
        const int result = close(Fd);
        Fd = -1;
        return result;
    }

private:
    int Fd;
};

// Up to and including the last delimiter; empty for a name in the working directory.
std::string DirectoryWithDelimiter(const std::string& path)
{
    const std::size_t last = path.find_last_of(PathSyntax::Separators);
    return last == std::string::npos ? std::string() : path.substr(0, last + 1);
}

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

// A hidden name beside the target that nobody can predict, so no one can plant a file or
// link there first (the file is also created exclusively).
std::string TemporaryName(const std::string& target)
{
    constexpr std::size_t MaxKeptNameLength = 64;  // room for the suffix within NAME_MAX
    const std::string directory = DirectoryWithDelimiter(target);
    const std::string name = target.substr(directory.size(), MaxKeptNameLength);
    static constexpr char Digits[] = "0123456789abcdef";
    std::random_device random;
    std::string suffix;
    for (int draw = 0; draw < 4; ++draw)
        for (unsigned value = random(), digit = 0; digit < 8; ++digit, value >>= 4)
            suffix += Digits[value & 0xF];
    return directory + "." + name + "." + suffix + ".tmp";
}

// The temporary file until it has taken the target's place; removed when that never happens.
class TTemporaryFile {
public:
    explicit TTemporaryFile(const std::string& target)
    {
        constexpr int Attempts = 8;
        for (int attempt = 0; attempt < Attempts && Fd.Get() < 0; ++attempt) {
            Path = TemporaryName(target);
            // 0666 lets the umask decide the bits of a new file, as for any file created anew.
            Fd = TDescriptorOwner(open(Path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666));
            if (Fd.Get() < 0 && errno != EEXIST)
                Fail("Cannot create a temporary file beside", target, errno);
        }
        if (Fd.Get() < 0)
            Fail("Cannot create a temporary file beside", target, EEXIST);
    }
    ~TTemporaryFile()
    {
        if (!Renamed)
            unlink(Path.c_str());
    }
    TTemporaryFile(const TTemporaryFile&) = delete;
    TTemporaryFile& operator=(const TTemporaryFile&) = delete;

    int Fd() const { return Descriptor.Get(); }

private:
    std::string Path;
    TDescriptor Descriptor{-1};
    bool Renamed = false;
};
}  // namespace

#include "sys/posix/Ttreeroot.h"

#include <algorithm>
#include <atomic>
#include <cerrno>

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "sys/Mysysutils.h"
#include "sys/Pathsyntax.h"
#include "sys/posix/Longpath.h"

namespace {
constexpr int DirectoryFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;

std::atomic<bool> KernelResolvesBeneath{true};

// Calls each component of the relative path, stopping at the first that returns false.
template <typename TVisit>
bool ForEachComponent(std::string_view relative, TVisit visit)
{
    std::size_t start = 0;
    while (start <= relative.size()) {
        const std::size_t end = std::min(relative.find_first_of(PathSyntax::Separators, start), relative.size());
        if (!visit(relative.substr(start, end - start)))
            return false;
        start = end + 1;
    }
    return true;
}

TDescriptor OpenBeneath(int base, std::string_view relative)
{
    if (KernelResolvesBeneath.load(std::memory_order_relaxed)) {
        open_how how{};
        how.flags = DirectoryFlags;
        how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
        const std::string path(relative);
        for (;;) {
            const long fd = syscall(SYS_openat2, base, path.c_str(), &how, sizeof how);
            if (fd >= 0)
                return TDescriptor(static_cast<int>(fd));
            // EAGAIN: a rename elsewhere raced the lookup; the kernel asks to try again.
            if (errno != EAGAIN && errno != EINTR)
                break;
        }
        if (errno != ENOSYS)
            return TDescriptor();
        KernelResolvesBeneath.store(false, std::memory_order_relaxed);
    }
    return OpenDirectoryByComponents(base, relative);
}
}  // namespace

TTreeRoot::TTreeRoot(std::string path) : RootPath(std::move(path)), Prefix(WithTrailingDelimiter(RootPath)) {}

std::optional<std::string> TTreeRoot::RelativePath(std::string_view path) const
{
    if (RootPath.empty() || !path.starts_with(Prefix) || path.size() == Prefix.size())
        return std::nullopt;
    const std::string_view relative = path.substr(Prefix.size());
    const bool plain = ForEachComponent(relative, [](std::string_view component) {
        return !component.empty() && component != "." && component != "..";
    });
    return plain ? std::optional<std::string>(relative) : std::nullopt;
}

TDescriptor TTreeRoot::OpenDirectory(std::string_view relative)
{
    const int root = OpenRoot();
    if (root < 0)
        return TDescriptor();
    if (relative.empty())
        return TDescriptor(fcntl(root, F_DUPFD_CLOEXEC, 0));
    TDescriptor directory = OpenBeneath(root, relative);
    if (directory.IsOpen() || errno != ENAMETOOLONG)
        return directory;
    // Too long for one call: piece by piece, each beneath the one before and so beneath the root.
    const std::optional<std::vector<std::string_view>> pieces = PathPieces(relative);
    if (!pieces)
        return directory;
    directory.Reset(fcntl(root, F_DUPFD_CLOEXEC, 0));
    for (const std::string_view piece : *pieces)
        if (directory.IsOpen())
            directory = OpenBeneath(directory.Get(), piece);
    return directory;
}

int TTreeRoot::OpenRoot()
{
    const std::lock_guard lock(RootLock);
    if (!Root.IsOpen() && !RootPath.empty())
        Root = OpenAnyLength(AT_FDCWD, RootPath, DirectoryFlags);
    return Root.Get();
}

TDescriptor OpenDirectoryByComponents(int root, std::string_view relative)
{
    TDescriptor directory(fcntl(root, F_DUPFD_CLOEXEC, 0));
    ForEachComponent(relative, [&](std::string_view component) {
        // With O_NOFOLLOW and O_PATH a link opens as itself, which O_DIRECTORY refuses (ENOTDIR).
        directory.Reset(directory.IsOpen()
                            ? openat(directory.Get(), std::string(component).c_str(), DirectoryFlags | O_NOFOLLOW)
                            : -1);
        return directory.IsOpen();
    });
    return directory;
}

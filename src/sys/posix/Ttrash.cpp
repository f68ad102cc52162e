#include "sys/posix/Ttrash.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "sys/Mysysutils.h"
#include "sys/Pathsyntax.h"
#include "sys/Wholefile.h"
#include "sys/posix/Renaming.h"

namespace {
// The home trash's folder: $XDG_DATA_HOME/Trash, else ~/.local/share/Trash.
std::string HomeTrashPath()
{
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome != nullptr && dataHome[0] == '/')
        return std::string(dataHome) + "/Trash";
    const char* home = std::getenv("HOME");
    return home != nullptr && home[0] == '/' ? std::string(home) + "/.local/share/Trash" : std::string();
}

bool IsOwnPrivateFolder(const struct stat& info) { return S_ISDIR(info.st_mode) && info.st_uid == geteuid(); }

// Opens a folder below base, making it (0700) where missing; never through a link.
TDescriptor OpenOrMake(int base, const std::string& name)
{
    if (mkdirat(base, name.c_str(), 0700) != 0 && errno != EEXIST)
        return TDescriptor();
    return TDescriptor(openat(base, name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

// The two folders of a trash directory, made where missing.
bool OpenTrashFolders(int trash, TDescriptor& files, TDescriptor& info)
{
    files = OpenOrMake(trash, "files");
    info = OpenOrMake(trash, "info");
    return files.IsOpen() && info.IsOpen();
}

// The mount that holds the open file or folder. Kernels before 5.8 do not tell it; the device
// stands for it there, which only bind mounts of one file system get wrong.
std::optional<std::uint64_t> MountOf(int fd)
{
    struct statx info {};
    if (statx(fd, "", AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW, STATX_MNT_ID, &info) != 0)
        return std::nullopt;
    if ((info.stx_mask & STATX_MNT_ID) != 0)
        return info.stx_mnt_id;
    return makedev(info.stx_dev_major, info.stx_dev_minor);
}

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Where the open folder really is, every link resolved; none when the kernel's name for it no
// longer leads to it (removed, or out of this process's reach).
std::optional<std::string> RealPathOf(int folder)
{
    char path[PATH_MAX];
    const ssize_t length = readlink(("/proc/self/fd/" + std::to_string(folder)).c_str(), path, sizeof path);
    if (length <= 0 || length == static_cast<ssize_t>(sizeof path) || path[0] != '/')
        return std::nullopt;
    const std::string real(path, static_cast<std::size_t>(length));
    struct stat named {
    }, open{};
    if (stat(real.c_str(), &named) != 0 || fstat(folder, &open) != 0 || !SameFile(named, open))
        return std::nullopt;
    return real;
}

// The top folder of the mount that holds the open folder, found by going up through ".." and
// not along a path's text, where a link would lead elsewhere.
TDescriptor MountTopOf(int folder, std::uint64_t mount)
{
    TDescriptor top(openat(folder, ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
    while (top.IsOpen()) {
        TDescriptor parent(openat(top.Get(), "..", O_PATH | O_DIRECTORY | O_CLOEXEC));
        struct stat here {
        }, above{};
        if (!parent.IsOpen() || fstat(top.Get(), &here) != 0 || fstat(parent.Get(), &above) != 0)
            return TDescriptor();
        // Above the root of a mount ".." lies on the mount it hangs in; above "/" it is "/" again.
        if (MountOf(parent.Get()) != mount || SameFile(here, above))
            break;
        top = std::move(parent);
    }
    return top;
}

std::string DeletionDate()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

// Writes the record under the candidate's name; false with errno EEXIST where that is taken.
bool WriteRecord(int info, const std::string& candidate, const std::string& contents)
{
    const std::string recordName = candidate + ".trashinfo";
    const TDescriptor record(
        openat(info, recordName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!record.IsOpen())
        return false;
    if (write(record.Get(), contents.data(), contents.size()) == static_cast<ssize_t>(contents.size()) &&
        fsync(record.Get()) == 0)
        return true;
    unlinkat(info, recordName.c_str(), 0);
    errno = EIO;
    return false;
}

// The entry's place for the record: absolute, or relative to the top of the mount whose trash
// keeps it, which may be mounted elsewhere when it is restored.
std::optional<std::string> RecordPath(const std::string& top, int directory, const std::string& name)
{
    const std::optional<std::string> folder = RealPathOf(directory);
    if (!folder)
        return std::nullopt;
    const std::string path = (*folder == "/" ? std::string() : *folder) + "/" + name;
    if (top.empty())
        return path;
    const std::string prefix = top == "/" ? top : top + "/";
    if (path.rfind(prefix, 0) != 0)
        return std::nullopt;
    return path.substr(prefix.size());
}
}  // namespace

std::string TrashInfoPath(const std::string& path)
{
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::string encoded;
    for (const unsigned char c : path) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                           std::string_view("/-_.!~*'()").find(static_cast<char>(c)) != std::string_view::npos;
        if (plain) {
            encoded += static_cast<char>(c);
        } else {
            encoded += '%';
            encoded += Hex[c >> 4];
            encoded += Hex[c & 15];
        }
    }
    return encoded;
}

TTrash::TTrashFolders* TTrash::TrashFor(std::uint64_t mount, int directory)
{
    if (const auto known = Known.find(mount); known != Known.end())
        return known->second ? &*known->second : nullptr;
    std::optional<TTrashFolders>& folders = Known[mount];

    const std::string homeTrash = HomeTrashPath();
    const std::string homeTrashParent = DirectoryPart(homeTrash);
    // The home trash where it is, or can be made, on this mount.
    const TDescriptor parent(!homeTrash.empty() && MakeDirectoryChain(homeTrashParent, false)
                                 ? open(homeTrashParent.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC)
                                 : -1);
    if (parent.IsOpen() && MountOf(parent.Get()) == mount) {
        const TDescriptor trash = OpenOrMake(parent.Get(), FileNamePart(homeTrash));
        TTrashFolders inHome;
        if (trash.IsOpen() && OpenTrashFolders(trash.Get(), inHome.Files, inHome.Info))
            folders = std::move(inHome);
        return folders ? &*folders : nullptr;
    }

    const TDescriptor topFolder = MountTopOf(directory, mount);
    const std::optional<std::string> top = topFolder.IsOpen() ? RealPathOf(topFolder.Get()) : std::nullopt;
    if (!top)
        return nullptr;
    const std::string user = std::to_string(geteuid());
    TTrashFolders found;
    found.Top = *top;
    // An administrator's .Trash counts only as a real folder with the sticky bit.
    struct stat shared {};
    TDescriptor trash;
    if (fstatat(topFolder.Get(), ".Trash", &shared, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(shared.st_mode) &&
        (shared.st_mode & S_ISVTX) != 0) {
        const TDescriptor sharedFolder(
            openat(topFolder.Get(), ".Trash", O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (sharedFolder.IsOpen())
            trash = OpenOrMake(sharedFolder.Get(), user);
    }
    if (!trash.IsOpen())
        trash = OpenOrMake(topFolder.Get(), ".Trash-" + user);
    struct stat own {};
    if (trash.IsOpen() && fstat(trash.Get(), &own) == 0 && IsOwnPrivateFolder(own) && MountOf(trash.Get()) == mount &&
        OpenTrashFolders(trash.Get(), found.Files, found.Info))
        folders = std::move(found);
    return folders ? &*folders : nullptr;
}

TTransferOutcome TTrash::MoveToTrash(int directory, const std::string& name)
{
    const std::optional<std::uint64_t> mount = MountOf(directory);
    TTrashFolders* trash = mount ? TrashFor(*mount, directory) : nullptr;
    const std::optional<std::string> recordPath = trash ? RecordPath(trash->Top, directory, name) : std::nullopt;
    if (!recordPath)
        return TTransferOutcome::Refused(TRefusal::NoTrash);
    const std::string contents =
        "[Trash Info]\nPath=" + TrashInfoPath(*recordPath) + "\nDeletionDate=" + DeletionDate() + "\n";
    // A name free in both folders: a file without its record, or a record without its file,
    // keeps its name.
    for (int number = 1; number < 10'000; ++number) {
        const std::string candidate = number == 1 ? name : name + "." + std::to_string(number);
        if (!WriteRecord(trash->Info.Get(), candidate, contents)) {
            if (errno == EEXIST)
                continue;
            return TTransferOutcome::SystemError(errno);
        }
        if (RenameWithoutReplacing(directory, name, trash->Files.Get(), candidate))
            return TTransferOutcome::Success();
        const int reason = errno;
        unlinkat(trash->Info.Get(), (candidate + ".trashinfo").c_str(), 0);
        if (reason != EEXIST)
            return TTransferOutcome::SystemError(reason);
    }
    return TTransferOutcome::Refused(TRefusal::NoTrash);
}

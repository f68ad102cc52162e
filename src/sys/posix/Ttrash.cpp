#include "sys/posix/Ttrash.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "sys/Mysysutils.h"
#include "sys/Pathsyntax.h"
#include "sys/Wholefile.h"

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

// The top of the mount that holds the folder: the last folder upwards on the same device.
std::string MountTop(std::string folder, dev_t device)
{
    while (folder.size() > 1) {
        std::string parent = DirectoryPart(folder);
        if (parent.empty())
            parent = "/";
        struct stat info {};
        if (stat(parent.c_str(), &info) != 0 || info.st_dev != device)
            break;
        folder = parent;
    }
    return folder;
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

// Writes the record under a name of its own; the name it took, or none.
std::optional<std::string> ReserveRecord(int info, const std::string& name, const std::string& recordPath)
{
    const std::string contents =
        "[Trash Info]\nPath=" + TrashInfoPath(recordPath) + "\nDeletionDate=" + DeletionDate() + "\n";
    for (int number = 1; number < 10'000; ++number) {
        const std::string candidate = number == 1 ? name : name + "." + std::to_string(number);
        const TDescriptor record(openat(info, (candidate + ".trashinfo").c_str(),
                                        O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!record.IsOpen()) {
            if (errno == EEXIST)
                continue;
            return std::nullopt;
        }
        if (write(record.Get(), contents.data(), contents.size()) == static_cast<ssize_t>(contents.size()) &&
            fsync(record.Get()) == 0)
            return candidate;
        unlinkat(info, (candidate + ".trashinfo").c_str(), 0);
        return std::nullopt;
    }
    return std::nullopt;
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

TTrash::TTrashFolders* TTrash::TrashFor(dev_t device, const std::string& directoryPath)
{
    if (const auto known = Known.find(device); known != Known.end())
        return known->second ? &*known->second : nullptr;
    std::optional<TTrashFolders>& folders = Known[device];

    const std::string homeTrash = HomeTrashPath();
    const std::string homeTrashParent = DirectoryPart(homeTrash);
    struct stat info {};
    // The home trash where it is, or can be made, on this device.
    if (!homeTrash.empty() && MakeDirectoryChain(homeTrashParent, false) && stat(homeTrashParent.c_str(), &info) == 0 &&
        info.st_dev == device) {
        const TDescriptor parent(open(homeTrashParent.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        const TDescriptor trash = parent.IsOpen() ? OpenOrMake(parent.Get(), FileNamePart(homeTrash)) : TDescriptor();
        TTrashFolders inHome;
        if (trash.IsOpen() && OpenTrashFolders(trash.Get(), inHome.Files, inHome.Info))
            folders = std::move(inHome);
        return folders ? &*folders : nullptr;
    }

    const std::string top = MountTop(directoryPath, device);
    const TDescriptor topFolder(open(top.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!topFolder.IsOpen())
        return nullptr;
    const std::string user = std::to_string(geteuid());
    TTrashFolders found;
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
    if (trash.IsOpen() && fstat(trash.Get(), &own) == 0 && IsOwnPrivateFolder(own) && own.st_dev == device &&
        OpenTrashFolders(trash.Get(), found.Files, found.Info))
        folders = std::move(found);
    return folders ? &*folders : nullptr;
}

bool TTrash::MoveToTrash(int directory, const std::string& name, const std::string& path)
{
    struct stat entry {};
    if (fstatat(directory, name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    TTrashFolders* trash = TrashFor(entry.st_dev, DirectoryPart(path));
    if (trash == nullptr)
        return false;
    const std::optional<std::string> trashName = ReserveRecord(trash->Info.Get(), name, path);
    if (!trashName)
        return false;
    struct stat taken {};
    if (renameat2(directory, name.c_str(), trash->Files.Get(), trashName->c_str(), RENAME_NOREPLACE) == 0 ||
        (errno == EINVAL && fstatat(trash->Files.Get(), trashName->c_str(), &taken, AT_SYMLINK_NOFOLLOW) != 0 &&
         errno == ENOENT && renameat(directory, name.c_str(), trash->Files.Get(), trashName->c_str()) == 0))
        return true;
    unlinkat(trash->Info.Get(), (*trashName + ".trashinfo").c_str(), 0);
    return false;
}

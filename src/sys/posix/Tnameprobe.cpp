#include "sys/posix/Tnameprobe.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <random>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "sys/Tfiletransfer.h"
#include "sys/posix/Removableentries.h"
#include "sys/posix/Tdescriptor.h"

namespace {
// A folder name of the temporary kind that no program has used before.
std::string FreshFolderName()
{
    static thread_local std::mt19937_64 numbers{std::random_device{}()};
    char digits[17];
    std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(numbers()));
    return std::string(".") + digits + TFileTransfer::TemporarySuffix;
}
}  // namespace

std::optional<bool> SameEntryOnDisk(int directoryA, const std::string& nameA, int directoryB, const std::string& nameB)
{
    if (!EntriesRemovable(directoryA))
        return std::nullopt;
    std::string folder;
    for (int attempt = 0;; ++attempt) {
        folder = FreshFolderName();
        if (mkdirat(directoryA, folder.c_str(), 0700) == 0)
            break;
        if (errno != EEXIST || attempt == 8)
            return std::nullopt;
    }
    std::optional<bool> same;
    const TDescriptor probe(openat(directoryA, folder.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    // A folder, not a file: a FUSE mount hides a file removed while open, and lets it go only
    // once its closing is heard, which may be after the probe's own removal.
    if (probe.IsOpen() && mkdirat(probe.Get(), nameA.c_str(), 0700) == 0) {
        struct stat found {};
        if (fstatat(directoryB, (folder + "/" + nameB).c_str(), &found, AT_SYMLINK_NOFOLLOW) == 0)
            same = true;
        else if (errno == ENOENT)
            same = false;
        unlinkat(probe.Get(), nameA.c_str(), AT_REMOVEDIR);
    }
    if (unlinkat(directoryA, folder.c_str(), AT_REMOVEDIR) != 0)
        return std::nullopt;
    return same;
}

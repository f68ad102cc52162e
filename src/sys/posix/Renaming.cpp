#include "sys/posix/Renaming.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool RenameWithoutReplacing(int fromDirectory, const std::string& from, int toDirectory, const std::string& to,
                            bool* fromKept)
{
    if (fromKept != nullptr)
        *fromKept = false;
    if (renameat2(fromDirectory, from.c_str(), toDirectory, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    if (linkat(fromDirectory, from.c_str(), toDirectory, to.c_str(), 0) == 0) {
        const bool kept = unlinkat(fromDirectory, from.c_str(), 0) != 0;
        if (fromKept != nullptr)
            *fromKept = kept;
        return true;
    }
    if (errno == EEXIST)
        return false;
    struct stat existing {};
    if (fstatat(toDirectory, to.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0) {
        errno = EEXIST;
        return false;
    }
    return errno == ENOENT && renameat(fromDirectory, from.c_str(), toDirectory, to.c_str()) == 0;
}

#include "sys/posix/Folderlisting.h"

#include <cerrno>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

std::optional<std::vector<std::string>> NamesIn(int directory)
{
    // A listing of its own, so that the caller's descriptor keeps its place and stays open.
    const int readable = openat(directory, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (readable < 0)
        return std::nullopt;
    DIR* listing = fdopendir(readable);
    if (listing == nullptr) {
        close(readable);
        return std::nullopt;
    }
    std::vector<std::string> names;
    errno = 0;
    while (const dirent* entry = readdir(listing))
        names.emplace_back(entry->d_name);
    const bool whole = errno == 0;
    closedir(listing);
    return whole ? std::optional(std::move(names)) : std::nullopt;
}

#pragma once
// Paths longer than the kernel takes in one call (PATH_MAX), as a tree nested deep enough has.
// Such a path is resolved in pieces, each from the directory that the piece before it opened,
// which follows links and ".." exactly as one call on the whole path would. Callers make their
// one call first and come here only on ENAMETOOLONG: a short path costs nothing more.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sys/posix/Tdescriptor.h"

// The path cut at separators into pieces each short enough for one call; none when a single
// component is longer than that.
std::optional<std::vector<std::string_view>> PathPieces(std::string_view path);

// The directory that holds the last piece of the path, opened from base (O_PATH), and that
// piece. An invalid descriptor with errno set when a piece cannot be opened.
struct TPathTail {
    TDescriptor Directory;
    std::string Rest;
};
TPathTail OpenAllButTail(int base, std::string_view path);

// openat (base, path, flags), also for a path too long for one call.
TDescriptor OpenAnyLength(int base, const std::string& path, int flags);

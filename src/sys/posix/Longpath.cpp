#include "sys/posix/Longpath.h"

#include <cerrno>
#include <climits>

#include <fcntl.h>

#include "sys/Pathsyntax.h"

namespace {
// Well under the limit, so that a piece never fails for its length.
constexpr std::size_t PieceLimit = PATH_MAX / 2;
}  // namespace

std::optional<std::vector<std::string_view>> PathPieces(std::string_view path)
{
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    while (path.size() - start > PieceLimit) {
        const std::size_t cut = path.find_last_of(PathSyntax::Separators, start + PieceLimit);
        if (cut == std::string_view::npos || cut <= start)
            return std::nullopt;
        pieces.push_back(path.substr(start, cut - start));
        start = cut + 1;
    }
    pieces.push_back(path.substr(start));
    // One piece: the path was not too long, a name in it was; cutting cannot help.
    if (pieces.size() < 2)
        return std::nullopt;
    return pieces;
}

TPathTail OpenAllButTail(int base, std::string_view path)
{
    TPathTail tail;
    const std::optional<std::vector<std::string_view>> pieces = PathPieces(path);
    if (!pieces) {
        errno = ENAMETOOLONG;
        return tail;
    }
    int at = base;
    for (std::size_t piece = 0; piece + 1 < pieces->size(); ++piece) {
        TDescriptor next(openat(at, std::string((*pieces)[piece]).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (!next.IsOpen()) {
            tail.Directory.Reset();
            return tail;
        }
        tail.Directory = std::move(next);
        at = tail.Directory.Get();
    }
    tail.Rest = pieces->back();
    return tail;
}

TDescriptor OpenAnyLength(int base, const std::string& path, int flags)
{
    TDescriptor opened(openat(base, path.c_str(), flags));
    if (opened.IsOpen() || errno != ENAMETOOLONG)
        return opened;
    const TPathTail tail = OpenAllButTail(base, path);
    if (tail.Directory.IsOpen())
        opened.Reset(openat(tail.Directory.Get(), tail.Rest.c_str(), flags));
    return opened;
}

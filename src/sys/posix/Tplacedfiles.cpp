#include "sys/posix/Tplacedfiles.h"

#include <functional>

#include "sys/Lookalikenames.h"

namespace {
std::uint64_t KeyHash(const std::string& relativePath) { return std::hash<std::string>{}(LookAlikeKey(relativePath)); }
}  // namespace

std::size_t TPlacedFiles::TFileIdHash::operator()(const TFileId& id) const
{
    return std::hash<std::uint64_t>{}(static_cast<std::uint64_t>(id.Inode) * 31 +
                                      static_cast<std::uint64_t>(id.Device));
}

void TPlacedFiles::Add(const std::string& relativePath, const struct stat& placed)
{
    Ids.insert({placed.st_dev, placed.st_ino});
    ByLookAlikeKey.emplace(KeyHash(relativePath), Paths.size());
    Paths.append(relativePath).push_back('\0');
}

bool TPlacedFiles::Holds(const struct stat& existing) const { return Ids.contains({existing.st_dev, existing.st_ino}); }

std::vector<std::string_view> TPlacedFiles::LookAlikes(const std::string& relativePath) const
{
    std::vector<std::string_view> found;
    const auto [first, last] = ByLookAlikeKey.equal_range(KeyHash(relativePath));
    for (auto placed = first; placed != last; ++placed) {
        const std::string_view path(Paths.data() + placed->second);
        if (LookAlikeKey(path) == LookAlikeKey(relativePath))
            found.push_back(path);
    }
    return found;
}

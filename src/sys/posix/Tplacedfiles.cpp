#include "sys/posix/Tplacedfiles.h"

#include <functional>
#include <string_view>

#include "sys/Tlocalerules.h"

namespace {
std::uint64_t TextHash(std::string_view text) { return std::hash<std::string_view>{}(text); }

std::uint64_t FoldedHash(const std::string& relativePath)
{
    return TextHash(TLocaleRules::ForThisThread().Lower(relativePath));
}
}  // namespace

std::size_t TPlacedFiles::TFileIdHash::operator()(const TFileId& id) const
{
    return std::hash<std::uint64_t>{}(static_cast<std::uint64_t>(id.Inode) * 31 +
                                      static_cast<std::uint64_t>(id.Device));
}

void TPlacedFiles::Add(const std::string& relativePath, const struct stat& placed)
{
    Ids.insert({placed.st_dev, placed.st_ino});
    ByFoldedPath[FoldedHash(relativePath)] = {TextHash(relativePath), placed.st_dev, placed.st_size, placed.st_mtim};
}

bool TPlacedFiles::Contains(const std::string& relativePath, const struct stat& existing) const
{
    if (Ids.contains({existing.st_dev, existing.st_ino}))
        return true;
    const auto placed = ByFoldedPath.find(FoldedHash(relativePath));
    if (placed == ByFoldedPath.end())
        return false;
    const TPlacedFacts& facts = placed->second;
    // The same spelling with another inode is another file; another spelling with the facts of
    // the placed file is that file seen through a case-blind name.
    return facts.SpellingHash != TextHash(relativePath) && facts.Device == existing.st_dev &&
           facts.Size == existing.st_size && facts.Modified.tv_sec == existing.st_mtim.tv_sec &&
           facts.Modified.tv_nsec == existing.st_mtim.tv_nsec;
}

#include "sys/posix/Texactnames.h"

#include <cerrno>

#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

#include "sys/Pathsyntax.h"
#include "sys/posix/Folderlisting.h"
#include "sys/posix/Tdescriptor.h"
#include "sys/posix/Tnameprobe.h"
#include "sys/posix/Ttreeroot.h"

bool TExactNames::Listed(TTreeRoot& root, const std::string& relative)
{
    std::size_t start = 0;
    while (start < relative.size()) {
        const std::size_t end = std::min(relative.find_first_of(PathSyntax::Separators, start), relative.size());
        const std::string parent = start == 0 ? std::string() : relative.substr(0, start - 1);
        const TDescriptor directory = root.OpenDirectory(parent);
        struct stat info {};
        if (!directory.IsOpen() || fstat(directory.Get(), &info) != 0)
            return false;
        if (Folds(info.st_dev, directory.Get()) &&
            !InListing(directory.Get(), parent, relative.substr(start, end - start)))
            return false;
        start = end + 1;
    }
    return true;
}

bool TExactNames::Folds(dev_t device, int directory)
{
    if (const auto known = FoldingDevices.find(device); known != FoldingDevices.end())
        return known->second;
    // Case, and composed against decomposed letters. Where the file system cannot be asked
    // here, the listing decides, and another folder may ask again.
    for (const auto& [a, b] : {std::pair<const char*, const char*>{"a", "A"}, {"\xc3\xa9", "e\xcc\x81"}}) {
        const std::optional<bool> same = SameEntryOnDisk(directory, a, directory, b);
        if (!same)
            return true;
        if (*same) {
            FoldingDevices.emplace(device, true);
            return true;
        }
    }
    FoldingDevices.emplace(device, false);
    return false;
}

bool TExactNames::InListing(int directory, const std::string& relativeDirectory, const std::string& name)
{
    std::unordered_set<std::string>& names = Listings[relativeDirectory];
    if (names.contains(name))
        return true;
    const std::optional<std::vector<std::string>> listed = NamesIn(directory);
    if (!listed)
        return false;
    names = std::unordered_set<std::string>(listed->begin(), listed->end());
    return names.contains(name);
}

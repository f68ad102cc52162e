#pragma once
// A destination path below its root, name by name, as given and as a file system that folds
// names (case, Unicode forms) could take it. Two copies that may meet on such a file system end
// differently depending on which comes first, so they must come in the order of the list.

#include <string>
#include <string_view>
#include <vector>

class TDestinationKey {
public:
    explicit TDestinationKey(std::string_view relative);

    // Whether the two paths could reach one entry, one could reach a folder on the other's
    // way, or both pass through one folder under two spellings (which one the folder gets is
    // up to the first).
    bool MayMeet(const TDestinationKey& other) const;

private:
    std::vector<std::string> Names;
    std::vector<std::string> Folded;
};

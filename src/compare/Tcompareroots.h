#pragma once
// The source and destination roots of one comparison, kept once for all its items, and the
// full paths of an item below them, joined only where one is wanted.

#include <optional>
#include <string>
#include <string_view>

#include "compare/Tcompareitem.h"

class TCompareRoots {
public:
    TCompareRoots() = default;
    // The roots as the comparison was given them. An empty root joins nothing: the items'
    // paths are then taken whole.
    TCompareRoots(std::string source, std::string destination);

    const std::string& Source() const { return FSource; }
    const std::string& Destination() const { return FDestination; }

    std::string SourcePath(const TCompareItem& item) const { return SourcePrefix + item.Path; }
    std::string DestinationPath(const TCompareItem& item) const { return DestinationPrefix + item.Path; }
    // Any path below the destination root, such as where a "Moved" item's file stands now.
    std::string DestinationPath(std::string_view relative) const { return DestinationPrefix + std::string(relative); }
    // The path below the source root of a path there (a folder's path may end in "/"); none
    // for a path elsewhere.
    std::optional<std::string> SourceRelative(std::string_view path) const;
    // The source path into a buffer the caller keeps, for loops over many items.
    std::string_view SourcePath(const TCompareItem& item, std::string& buffer) const;

private:
    std::string FSource;
    std::string FDestination;
    // The roots with a trailing delimiter, as the items' paths follow them.
    std::string SourcePrefix;
    std::string DestinationPrefix;
};

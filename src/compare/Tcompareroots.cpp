#include "compare/Tcompareroots.h"

#include "sys/Mysysutils.h"

namespace {
std::string PrefixOf(const std::string& root) { return root.empty() ? std::string() : WithTrailingDelimiter(root); }
}  // namespace

TCompareRoots::TCompareRoots(std::string source, std::string destination)
    : FSource(std::move(source)),
      FDestination(std::move(destination)),
      SourcePrefix(PrefixOf(FSource)),
      DestinationPrefix(PrefixOf(FDestination))
{}

std::string_view TCompareRoots::SourcePath(const TCompareItem& item, std::string& buffer) const
{
    buffer.assign(SourcePrefix).append(item.Path);
    return buffer;
}

std::optional<std::string> TCompareRoots::SourceRelative(std::string_view path) const
{
    if (SourcePrefix.empty() || path.substr(0, SourcePrefix.size()) != SourcePrefix)
        return std::nullopt;
    return std::string(path.substr(SourcePrefix.size()));
}

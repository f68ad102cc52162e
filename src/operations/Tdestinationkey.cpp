#include "operations/Tdestinationkey.h"

#include <algorithm>

#include "sys/Lookalikenames.h"
#include "sys/Pathsyntax.h"

TDestinationKey::TDestinationKey(std::string_view relative)
{
    std::size_t start = 0;
    while (start <= relative.size()) {
        const std::size_t end = std::min(relative.find_first_of(PathSyntax::Separators, start), relative.size());
        const std::string_view name = relative.substr(start, end - start);
        if (!name.empty()) {
            Names.emplace_back(name);
            Folded.push_back(LookAlikeKey(name));
        }
        start = end + 1;
    }
}

bool TDestinationKey::MayMeet(const TDestinationKey& other) const
{
    const std::size_t common = std::min(Names.size(), other.Names.size());
    for (std::size_t i = 0; i < common; ++i) {
        if (Folded[i] != other.Folded[i])
            return false;
        if (Names[i] != other.Names[i])
            return true;
    }
    // One path is the other, or a folder on its way.
    return true;
}

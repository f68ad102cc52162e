#pragma once
// What a find looks for in the result list: a mask, matched against the file name or the
// whole source path, a direction, and whether every match is selected. Kept only while the
// program runs.

#include <string>

class TFindItemOptions {
public:
    TFindItemOptions() = default;
    TFindItemOptions(const TFindItemOptions&) = default;
    TFindItemOptions(TFindItemOptions&&) = default;
    TFindItemOptions& operator=(const TFindItemOptions&) = default;
    TFindItemOptions& operator=(TFindItemOptions&&) = default;
    virtual ~TFindItemOptions() = default;

    // The mask compares byte for byte: masks differing in the case of a letter differ.
    bool operator==(const TFindItemOptions&) const = default;

    // Matched whole, as typed: no splitting at ";" and no added wildcard.
    std::string Text;
    bool MatchAbsoluteName = false;
    // Towards higher rows; false searches towards lower ones.
    bool Down = true;
    bool FindAll = false;
};

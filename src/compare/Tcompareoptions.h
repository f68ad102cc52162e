#pragma once
// The complete description of one comparison: the two roots, the mask lists with their
// switches, and the flags.

#include <string>

class TCompareOptions {
public:
    TCompareOptions() = default;
    TCompareOptions(const TCompareOptions&) = default;
    TCompareOptions(TCompareOptions&&) = default;
    TCompareOptions& operator=(const TCompareOptions&) = default;
    TCompareOptions& operator=(TCompareOptions&&) = default;
    virtual ~TCompareOptions() = default;

    // Strings compare byte for byte: roots differing in the case of a letter differ.
    bool operator==(const TCompareOptions&) const = default;

    std::string SrcDir;
    std::string DstDir;
    bool UseIncludeMasks = false;
    std::string IncludeMasks = "*";
    bool UseExcludeMasks = false;
    std::string ExcludeMasks = "*";
    bool IncludeSubDirs = true;
    bool FatPrecision = true;
    bool ShowNotModified = false;
    // Times exactly one hour apart count as equal: a FAT drive keeps local time, which moves by
    // an hour with daylight saving time or another time zone.
    bool IgnoreHourShift = false;
    // Lists the destination's folders too: a file there without a source file of its path gets
    // a row of its own, and one that is a source file's old place makes that file "Moved".
    bool ShowDestinationOnly = false;
    // Reads both files of every pair of equal sizes: equal bytes are "Not modified" whatever the
    // times say, and other bytes are never, so that a touched copy is left alone and a damaged
    // one is found.
    bool CompareContents = false;
};

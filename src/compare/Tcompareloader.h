#pragma once
// Reads and writes compare files (.vmc): INI text with an "About" section naming the file
// type and version and an "Options" section with the nine options of a comparison.
// A file that cannot be read or written raises std::runtime_error, and so does saving a text
// (a path, a mask list) that holds a line break, which the format cannot carry.

#include <cstdint>
#include <string>

#include "compare/Tcompareoptions.h"

class TMemIniFile;

class TCompareLoader {
public:
    TCompareLoader();
    virtual ~TCompareLoader();

    void Reset();
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName);
    // The type tag in any letter case, major version 0 or 1, minor version 0.
    bool IsSupported() const;

    std::string FileType;
    std::int32_t MajorVersion = 1;
    std::int32_t MinorVersion = 0;
    TCompareOptions Options;

private:
    void ReadHeader(const TMemIniFile& document);
    void WriteHeader(TMemIniFile& document) const;
    void ReadOptions(const TMemIniFile& document);
    void WriteOptions(TMemIniFile& document) const;
};

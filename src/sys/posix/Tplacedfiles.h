#pragma once
// The files one run has placed, so that no later item of the run replaces one: two source
// files whose names differ only in case meet in one file on a case-blind destination (FAT).
// Such a file system may give one file a new inode number for each spelling of its path, so a
// file is also known by its path in lower case with its size and time.

#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include <sys/stat.h>

class TPlacedFiles {
public:
    void Add(const std::string& relativePath, const struct stat& placed);
    // Whether the existing entry at the relative path is one this run placed, under this or
    // another spelling.
    bool Contains(const std::string& relativePath, const struct stat& existing) const;

private:
    struct TFileId {
        dev_t Device;
        ino_t Inode;
        bool operator==(const TFileId&) const = default;
    };
    struct TFileIdHash {
        std::size_t operator()(const TFileId& id) const;
    };
    struct TPlacedFacts {
        std::uint64_t SpellingHash;
        dev_t Device;
        off_t Size;
        timespec Modified;
    };

    std::unordered_set<TFileId, TFileIdHash> Ids;
    // Keyed by a hash of the lower-cased path: a file a line, without its path text.
    std::unordered_map<std::uint64_t, TPlacedFacts> ByFoldedPath;
};

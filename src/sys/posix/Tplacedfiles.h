#pragma once
// The files one run has placed, so that no later item of the run replaces one. Two source
// files whose names differ only in case or Unicode form meet in one file on a destination that
// folds names (FAT, exFAT); which names meet there is the file system's to say (SameEntryOnDisk).
// A FUSE file system may give one file a new inode number for each spelling of its path, so a
// file is known by its inode number and by its path.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include <sys/stat.h>

class TPlacedFiles {
public:
    void Add(const std::string& relativePath, const struct stat& placed);
    // Whether the existing file is one this run placed, under any path.
    bool Holds(const struct stat& existing) const;
    // The paths placed so far that a file system could take for relativePath, itself included.
    std::vector<std::string_view> LookAlikes(const std::string& relativePath) const;

private:
    struct TFileId {
        dev_t Device;
        ino_t Inode;
        bool operator==(const TFileId&) const = default;
    };
    struct TFileIdHash {
        std::size_t operator()(const TFileId& id) const;
    };

    std::unordered_set<TFileId, TFileIdHash> Ids;
    // Every placed path, each ended by a zero byte: one allocation for a million paths.
    std::string Paths;
    // Where each path starts in Paths, by a hash of its look-alike key.
    std::unordered_multimap<std::uint64_t, std::size_t> ByLookAlikeKey;
};

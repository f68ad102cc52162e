#pragma once
// How much of a tree a walk has listed so far, for a window to read at any time while the
// walk goes on. The listing threads add once per folder, so a million files cost no more
// than their folders.

#include <atomic>
#include <cstdint>
#include <string>

class TWalkCount {
public:
    // A folder was listed, with this many files in it (whatever the masks keep).
    void AddFolder(std::int64_t files)
    {
        Folders.fetch_add(1, std::memory_order_relaxed);
        Files.fetch_add(files, std::memory_order_relaxed);
    }
    std::int64_t FolderCount() const { return Folders.load(std::memory_order_relaxed); }
    std::int64_t FileCount() const { return Files.load(std::memory_order_relaxed); }
    // "12,345 files in 678 folders seen"; empty before the first folder.
    std::string Text() const;

private:
    std::atomic<std::int64_t> Folders{0};
    std::atomic<std::int64_t> Files{0};
};

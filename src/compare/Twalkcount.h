#pragma once
// How much of a tree a walk has listed so far and, where contents are compared, how many of
// their bytes: for a window to read at any time while the comparison goes on. The listing
// threads add once per folder, so a million files cost no more than their folders.

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
    // The bytes of the pairs whose contents are read: once all pairs are known.
    void SetContentBytes(std::int64_t bytes) { ContentBytes.store(bytes, std::memory_order_relaxed); }
    // Where the readers add what they have compared.
    std::atomic<std::int64_t>& ComparedBytes() { return Compared; }
    std::int64_t ContentByteCount() const { return ContentBytes.load(std::memory_order_relaxed); }
    std::int64_t ComparedByteCount() const { return Compared.load(std::memory_order_relaxed); }
    std::int64_t FolderCount() const { return Folders.load(std::memory_order_relaxed); }
    std::int64_t FileCount() const { return Files.load(std::memory_order_relaxed); }
    // "12,345 files in 678 folders seen", and a line "1.2 GB of 3.4 GB of contents compared"
    // once contents are read; empty before the first folder.
    std::string Text() const;
    // "1.2 GB of 3.4 GB"; empty while no content is read.
    std::string ContentText() const;

private:
    std::atomic<std::int64_t> Folders{0};
    std::atomic<std::int64_t> Files{0};
    std::atomic<std::int64_t> ContentBytes{0};
    std::atomic<std::int64_t> Compared{0};
};

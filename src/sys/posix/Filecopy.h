#pragma once
// The two halves of copying one open file to another: its bytes (holes kept as holes) and
// what cp -a keeps besides (owner, extended attributes, permission bits, times).

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

#include <sys/stat.h>

#include "sys/posix/Tdescriptor.h"

// Asked between two pieces of long file work; true ends the work there.
using TStopRequest = std::function<bool()>;

// What goes with the copy of one file's bytes.
struct TCopyControl {
    // Each piece copied is added here, where given, as it lands; another thread may read it.
    std::atomic<std::int64_t>* Done = nullptr;
    // Where given, may end the copy between two pieces.
    TStopRequest Stop;
    // The pieces go on to the device as they land, for a copy that is flushed at its end anyway:
    // the flush then has little left to wait for.
    bool WriteBack = false;
};

// Copies the bytes of source, size of them as far as known, to target, keeping holes; from where
// target ends, which holds the same bytes as the source's start (an interrupted copy gone on
// with). 0, or the error number, ECANCELED when the stop came between two pieces. Within one
// file system the kernel shares extents where it can. A piece takes about a tenth of a second
// at the pace seen so far, so that a stop is heard soon even on a slow device.
int CopyFileData(int source, int target, const struct stat& sourceInfo, const TCopyControl& control);

// Flushes the copy to the device; 0, or the error number. A device or server that keeps
// gigabytes in a cache of its own may take seconds: the flush of a file larger than a piece is
// waited for between looks at stop, where given, and ECANCELED comes back once it says so.
int FlushCopy(int copy, const TStopRequest& stop);

// Whether the open file lies on a local file system whose sync writes every dirty file and
// commits its metadata with a flush of the device's cache, and whose renames a crash leaves
// whole: ext2 to ext4, XFS, btrfs, F2FS, and tmpfs, which has no device to reach.
bool IsTrustedLocalFileSystem(int file);

// Writes all that the file system of the open, readable file holds in memory to its device,
// as one flush of each file would; 0, or the error number. EOPNOTSUPP for a file system whose
// sync is not known to reach the device (FUSE daemons, network file systems, FAT may answer it
// without writing anything): its files are flushed one by one instead.
int SyncFileSystemOf(int file);

// Closes a file that no name holds any more. Freeing the blocks of a large one takes its time
// (0.7 s for 2 GB on ext4), and a stop or a move would wait for it: it is let go of on a thread
// of its own.
void CloseRemovedFile(TDescriptor& file);

// Closes the files of a batch of moves whose names were removed, on a thread of its own: freeing
// their blocks may wait for the device (a discard of each file's blocks where the file system
// is mounted with discard), which the copies of the next batch need not wait for. A batch
// handed over waits for the one before; Wait, and the end of the object, for the last.
class TRemovedFilesCloser {
public:
    TRemovedFilesCloser() = default;
    ~TRemovedFilesCloser() { Wait(); }
    TRemovedFilesCloser(const TRemovedFilesCloser&) = delete;
    TRemovedFilesCloser& operator=(const TRemovedFilesCloser&) = delete;

    void Close(std::vector<TDescriptor> files);
    void Wait();

private:
    std::thread Closing;
};

// Reads up to size bytes at the offset, fewer only at the end of the file; -1 on an error.
ssize_t ReadUpTo(int fd, char* buffer, std::size_t size, off_t offset);

// Whether the two open files hold the same bytes from their start; false too when stop, where
// given, ends the reading, or when the first changes its size meanwhile.
bool SameContents(int a, int b, const TStopRequest& stop);

// How many of the first bytes of the open files, up to length, are the same, in whole pieces of
// 1 MiB from the start; -1 with errno set where a read failed or stop (ECANCELED) ended it.
off_t SamePrefix(int a, int b, off_t length, const TStopRequest& stop);

// Whether two open files of size bytes hold the same bytes as far as samples tell: whole up to
// 64 KiB, beyond that 16 KiB at the start, at the end and at two places between. Cheap enough
// for every file of a renamed folder of photos, and two files that merely share size and time
// mostly differ in their first bytes already.
bool SampledContentsEqual(int a, int b, off_t size);

// Whether the copy, flushed to the device and read back from it rather than from the cache,
// holds exactly the bytes of the source; false too when stop, where given, ends the flush or
// the read-back.
bool ReadsBackEqual(int source, int copy, const TStopRequest& stop);

// Gives the target the source's owner and group where the process may, its extended attributes
// (the user namespace wherever the target's file system keeps any; ACLs and security labels
// where permitted), its permission bits and, last, its access and modification times.
bool CopyFileAttributes(int source, int target, const struct stat& sourceInfo);

// Owner and group where permitted, then the permission bits of a directory the copy made.
bool CopyDirectoryAttributes(int directory, const struct stat& sourceInfo, mode_t mode);

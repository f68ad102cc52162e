#pragma once
// The two halves of copying one open file to another: its bytes (holes kept as holes) and
// what cp -a keeps besides (owner, extended attributes, permission bits, times).

#include <atomic>
#include <cstdint>

#include <sys/stat.h>

// Copies the bytes of source, size of them as far as known, to the empty target, keeping holes;
// 0, or the error number. Within one file system the kernel shares extents where it can.
// Each piece copied is added to done, where given, as it lands.
int CopyFileData(int source, int target, const struct stat& sourceInfo, std::atomic<std::int64_t>* done);

// Whether the two open files hold the same bytes, read from where they are now.
bool SameContents(int a, int b);

// Whether the copy, written to the device and read back from it rather than from the cache,
// holds exactly the bytes of the source.
bool ReadsBackEqual(int source, int copy);

// Gives the target the source's owner and group where the process may, its extended attributes
// (the user namespace wherever the target's file system keeps any; ACLs and security labels
// where permitted), its permission bits and, last, its access and modification times.
bool CopyFileAttributes(int source, int target, const struct stat& sourceInfo);

// Owner and group where permitted, then the permission bits of a directory the copy made.
bool CopyDirectoryAttributes(int directory, const struct stat& sourceInfo, mode_t mode);

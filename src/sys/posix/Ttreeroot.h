#pragma once
// One root of the trees that the file operations work in. Paths below it are resolved from the
// open root directory, and never through a symbolic link below it: a linked folder (also one
// swapped in after the comparison) cannot lead a write or a delete out of the tree. The root
// itself may be a link.

#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "sys/posix/Tdescriptor.h"

class TTreeRoot {
public:
    explicit TTreeRoot(std::string path);

    const std::string& Path() const { return RootPath; }

    // The path below the root ("a/b/f" for ROOT/a/b/f); none when path does not lie below it,
    // or holds an empty, "." or ".." component.
    std::optional<std::string> RelativePath(std::string_view path) const;

    // Opens the directory at the relative path ("" is the root) for use as a base of *at
    // calls (O_PATH). An invalid descriptor with errno set when it cannot: ENOENT where a
    // component is missing, ELOOP, ENOTDIR or EXDEV where one is a link or no directory.
    TDescriptor OpenDirectory(std::string_view relative);

private:
    // The open root, or -1; opened on first need, as the destination root may be made by the run.
    int OpenRoot();

    std::string RootPath;
    std::string Prefix;
    // Copies on several threads open folders at once.
    std::mutex RootLock;
    TDescriptor Root;
};

// The same as the kernel's beneath-resolution, one component at a time with O_NOFOLLOW, for
// kernels without it.
TDescriptor OpenDirectoryByComponents(int root, std::string_view relative);

#include "support/Tmount.h"

#include <cstdlib>
#include <stdexcept>

#include <sys/wait.h>
#include <unistd.h>

namespace {
void Run(const std::string& command, const std::string& what)
{
    const int status = std::system((command + " >/dev/null 2>&1").c_str());
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("Cannot " + what + " (" + command +
                                 "): the test needs root, /dev/fuse and the packages of scripts/install-deps");
}

void RequireRoot(const std::string& what)
{
    if (geteuid() != 0)
        throw std::runtime_error("Cannot " + what + ": mounting needs root, as CI runs the tests");
}
}  // namespace

TMount::~TMount()
{
    // Lazily when busy, so that the tree below can be removed in any case.
    static_cast<void>(std::system(("umount '" + At + "' 2>/dev/null || umount -l '" + At + "'").c_str()));
}

std::unique_ptr<TMount> TMount::Tmpfs(const std::string& at, const std::string& size)
{
    RequireRoot("mount a tmpfs");
    Run("mount -t tmpfs -o size=" + size + " tmpfs '" + at + "'", "mount a tmpfs of " + size);
    return std::unique_ptr<TMount>(new TMount(at));
}

std::unique_ptr<TMount> TMount::Fat(const std::string& image, const std::string& at)
{
    RequireRoot("mount a FAT volume");
    Run("truncate -s 32M '" + image + "' && mkfs.vfat '" + image + "'", "make a FAT image");
    Run("fusefat -o rw+ '" + image + "' '" + at + "'", "mount a FAT image with fusefat");
    return std::unique_ptr<TMount>(new TMount(at));
}

std::unique_ptr<TMount> TMount::SecondView(const std::string& folder, const std::string& at)
{
    RequireRoot("mount a second view of a folder");
    Run("bindfs '" + folder + "' '" + at + "'", "mount a second view with bindfs");
    return std::unique_ptr<TMount>(new TMount(at));
}

#include "support/Tmount.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include <sys/wait.h>
#include <unistd.h>

namespace {
std::runtime_error Unable(const std::string& what, const std::string& command)
{
    return std::runtime_error(
        "Cannot " + what + " (" + command +
        "): the test needs root, /dev/fuse, loop devices and the packages of scripts/install-deps");
}

void Run(const std::string& command, const std::string& what)
{
    const int status = std::system((command + " >/dev/null 2>&1").c_str());
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw Unable(what, command);
}

// What the command printed on its first line.
std::string FirstLineOf(const std::string& command, const std::string& what)
{
    FILE* output = popen((command + " 2>/dev/null").c_str(), "r");
    if (output == nullptr)
        throw Unable(what, command);
    char line[256] = {};
    const bool read = std::fgets(line, sizeof line, output) != nullptr;
    if (pclose(output) != 0 || !read)
        throw Unable(what, command);
    std::string text(line);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
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
    if (!LoopDevice.empty())
        static_cast<void>(std::system(("losetup -d '" + LoopDevice + "' 2>/dev/null").c_str()));
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

std::unique_ptr<TMount> TMount::Exfat(const std::string& image, const std::string& at, const std::string& owner,
                                      const std::string& size)
{
    RequireRoot("mount an exFAT volume");
    Run("truncate -s " + size + " '" + image + "' && mkfs.exfat '" + image + "'", "make an exFAT image");
    // The FUSE driver takes block devices only.
    const std::string device =
        FirstLineOf("losetup -f --show '" + image + "'", "attach an exFAT image to a loop device");
    std::unique_ptr<TMount> mount(new TMount(at, device));
    Run("mount.exfat-fuse -o uid=$(id -u " + owner + "),gid=$(id -g " + owner + ") '" + device + "' '" + at + "'",
        "mount an exFAT volume with exfat-fuse");
    return mount;
}

std::unique_ptr<TMount> TMount::Btrfs(const std::string& image, const std::string& at)
{
    RequireRoot("mount a btrfs volume");
    Run("truncate -s 256M '" + image + "' && mkfs.btrfs -q '" + image + "'", "make a btrfs image (btrfs-progs)");
    // The loop device goes with the unmount.
    Run("mount -o loop '" + image + "' '" + at + "'", "mount a btrfs image");
    return std::unique_ptr<TMount>(new TMount(at));
}

std::unique_ptr<TMount> TMount::Ntfs(const std::string& image, const std::string& at)
{
    RequireRoot("mount an NTFS volume");
    Run("truncate -s 16M '" + image + "' && mkntfs -F -q -f '" + image + "'", "make an NTFS image");
    Run("ntfs-3g '" + image + "' '" + at + "'", "mount an NTFS image with ntfs-3g");
    return std::unique_ptr<TMount>(new TMount(at));
}

std::unique_ptr<TMount> TMount::SecondView(const std::string& folder, const std::string& at)
{
    RequireRoot("mount a second view of a folder");
    Run("bindfs '" + folder + "' '" + at + "'", "mount a second view with bindfs");
    return std::unique_ptr<TMount>(new TMount(at));
}

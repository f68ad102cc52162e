#include "support/Tmount.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

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
    const std::string command =
        "mount.exfat-fuse -o uid=$(id -u " + owner + "),gid=$(id -g " + owner + ") '" + device + "' '" + at + "'";
    std::unique_ptr<TMount> mount(new TMount(at, device, command));
    Run(command, "mount an exFAT volume with exfat-fuse");
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

void TMount::Pull()
{
    if (MountCommand.empty())
        throw std::logic_error("Only an exFAT volume can be pulled out");
    // The driver is the process that has the volume's device and folder among its arguments.
    std::vector<pid_t> drivers;
    for (const auto& process : std::filesystem::directory_iterator("/proc")) {
        std::ifstream file(process.path() / "cmdline", std::ios::binary);
        std::vector<std::string> arguments;
        for (std::string argument; std::getline(file, argument, '\0');)
            arguments.push_back(argument);
        if (std::find(arguments.begin(), arguments.end(), LoopDevice) != arguments.end() &&
            std::find(arguments.begin(), arguments.end(), At) != arguments.end())
            drivers.push_back(static_cast<pid_t>(std::stol(process.path().filename().string())));
    }
    if (drivers.size() != 1)
        throw std::runtime_error("Cannot find the one FUSE driver of " + At + " to pull the card out");
    if (kill(drivers.front(), SIGKILL) != 0)
        throw std::runtime_error("Cannot kill the FUSE driver of " + At);
    // It may hold the device a moment longer; the next mount must find it free. Nobody may
    // reap it here, so its end is its being a zombie.
    const auto alive = [pid = drivers.front()] {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string line;
        std::getline(stat, line);
        const std::size_t end = line.rfind(") ");
        return end != std::string::npos && end + 2 < line.size() && line[end + 2] != 'Z';
    };
    while (alive())
        std::this_thread::yield();
    Run("umount -l '" + At + "'", "take away the dead mount of a pulled card");
}

void TMount::PutBack() { Run(MountCommand, "mount a pulled exFAT volume again"); }

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

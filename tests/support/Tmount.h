#pragma once
// A file system mounted for one test, unmounted again when the object goes. The faults of file
// work live in real file systems: a small tmpfs, a case-blind FAT volume (fusefat), a second
// view of one folder (bindfs). Mounting needs root, as CI runs; anything missing throws with
// the reason, so the test fails instead of passing unseen.

#include <memory>
#include <string>

class TMount {
public:
    ~TMount();
    TMount(const TMount&) = delete;
    TMount& operator=(const TMount&) = delete;

    // A tmpfs of the given size ("16M") at the existing folder.
    static std::unique_ptr<TMount> Tmpfs(const std::string& at, const std::string& size);
    // A new 32 MiB FAT image file, mounted read-write at the existing folder.
    static std::unique_ptr<TMount> Fat(const std::string& image, const std::string& at);
    // A new exFAT image file of the given size on a loop device, mounted through FUSE at the
    // existing folder, its files owned by root or by the user named.
    static std::unique_ptr<TMount> Exfat(const std::string& image, const std::string& at,
                                         const std::string& owner = "root", const std::string& size = "64M");
    // A new 256 MiB btrfs image file, mounted on a loop device at the existing folder.
    static std::unique_ptr<TMount> Btrfs(const std::string& image, const std::string& at);
    // A new 16 MiB NTFS image file, mounted through FUSE at the existing folder.
    static std::unique_ptr<TMount> Ntfs(const std::string& image, const std::string& at);
    // The folder seen a second time at the existing folder.
    static std::unique_ptr<TMount> SecondView(const std::string& folder, const std::string& at);

    // The card pulled out: the FUSE driver killed at once, with all it had not written to the
    // device, and the dead mount taken away. An exFAT volume only.
    void Pull();
    // The card put back in: the volume mounted again where it was.
    void PutBack();

private:
    explicit TMount(std::string at, std::string loopDevice = {}, std::string mountCommand = {})
        : At(std::move(at)), LoopDevice(std::move(loopDevice)), MountCommand(std::move(mountCommand))
    {}

    std::string At;
    std::string LoopDevice;
    std::string MountCommand;
};

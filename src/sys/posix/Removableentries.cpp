#include "sys/posix/Removableentries.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>

#include "sys/posix/Tdescriptor.h"

bool EntriesRemovable(int directory)
{
    const TDescriptor readable(openat(directory, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    int flags = 0;
    if (!readable.IsOpen() || ioctl(readable.Get(), FS_IOC_GETFLAGS, &flags) != 0)
        return true;  // a file system without such flags
    return (flags & (FS_APPEND_FL | FS_IMMUTABLE_FL)) == 0;
}

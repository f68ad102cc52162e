#pragma once
// The desktop trash as freedesktop.org lays it out for file managers: a file goes to
// the home trash when it lies on the home trash's file system, else to the trash at the top
// of its own mount (.Trash/$uid where the administrator made .Trash, else .Trash-$uid), with
// a .trashinfo record of where it was and when, so that a file manager can restore it. A file
// is only ever renamed into the trash, never copied: a file that cannot be renamed there stays
// where it is.

#include <map>
#include <optional>
#include <string>

#include <sys/types.h>

#include "sys/posix/Tdescriptor.h"

class TTrash {
public:
    // Moves the entry name of the open directory, whose absolute path is path, into the trash.
    bool MoveToTrash(int directory, const std::string& name, const std::string& path);

private:
    struct TTrashFolders {
        TDescriptor Files;
        TDescriptor Info;
    };

    // The trash for files of the device, made where missing; none when there is none to have.
    TTrashFolders* TrashFor(dev_t device, const std::string& directoryPath);

    std::map<dev_t, std::optional<TTrashFolders>> Known;
};

// The percent-encoded path of the record's Path key (RFC 2396 escaping, "/" kept).
std::string TrashInfoPath(const std::string& path);

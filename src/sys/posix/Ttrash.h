#pragma once
// The desktop trash as freedesktop.org lays it out for file managers: a file goes to
// the home trash when it lies on the home trash's mount, else to the trash at the top
// of its own mount (.Trash/$uid where the administrator made .Trash, else .Trash-$uid), with
// a .trashinfo record of where it was and when, so that a file manager can restore it. A file
// is only ever renamed into the trash, never copied: a file that cannot be renamed there stays
// where it is.

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "sys/Ttransferoutcome.h"
#include "sys/posix/Tdescriptor.h"

class TTrash {
public:
    // Moves the entry name of the open directory into the trash. The record names where the
    // entry really was, links resolved.
    TTransferOutcome MoveToTrash(int directory, const std::string& name);

private:
    struct TTrashFolders {
        TDescriptor Files;
        TDescriptor Info;
        // The top of the mount the trash lies at, whose records are relative to it; empty for
        // the home trash, whose records are absolute.
        std::string Top;
    };

    // The trash for files of the mount, made where missing; none when there is none to have.
    TTrashFolders* TrashFor(std::uint64_t mount, int directory);

    std::map<std::uint64_t, std::optional<TTrashFolders>> Known;
};

// The percent-encoded path of the record's Path key (RFC 2396 escaping, "/" kept).
std::string TrashInfoPath(const std::string& path);

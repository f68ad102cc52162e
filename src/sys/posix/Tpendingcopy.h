#pragma once
// The copy under construction. It never carries the destination's name before it is complete,
// and a failure or a killed process leaves nothing behind: it is built as an unnamed file and
// given a name only when complete. Where the file system has no unnamed files, it is built
// under a hidden temporary name of its own for that destination, which a later run removes
// if a killed one left it.

#include <functional>
#include <string>

#include <sys/stat.h>

#include "sys/posix/Tdescriptor.h"

enum class TPlacement {
    Placed,
    // With errno set; EEXIST where a new destination's name was taken meanwhile.
    Failed,
    // The destination's directory holds the temporary name of the copy too: source and
    // destination are one folder seen twice, and the replacement would replace the source.
    SourceFolder,
    // The kernel cannot give an unnamed file a name here: build the copy again, named.
    BuildNamed,
};

class TPendingCopy {
public:
    // The file gets the permission bits it is to have, so that it mostly needs no change.
    // Replacing says whether an entry under the destination's name is to be replaced. Where
    // it cannot be opened, errno says why.
    TPendingCopy(int directory, const std::string& name, mode_t mode, bool replacing);
    ~TPendingCopy();
    TPendingCopy(const TPendingCopy&) = delete;
    TPendingCopy& operator=(const TPendingCopy&) = delete;

    bool IsOpen() const { return File.IsOpen(); }
    int Get() const { return File.Get(); }

    // Gives the complete copy the destination's name. A new destination never replaces an
    // entry that appeared meanwhile. An existing one is replaced only when the temporary name
    // cannot be seen in sourceDirectory; when setAside is given, it takes the existing entry
    // away first (into the trash), and the copy then takes the free name.
    TPlacement Place(int sourceDirectory, const std::function<bool()>& setAside);

    // The hidden name that a copy to name is built under, the same for every run.
    static std::string TemporaryName(const std::string& name);

private:
    bool OpenNamed(mode_t mode);
    TPlacement PlaceNew();
    TPlacement LinkNamedWithoutReplacing();
    TPlacement Replace(int sourceDirectory, const std::function<bool()>& setAside);
    TPlacement UnnamedLinkFailed();

    int Directory;
    std::string Name;
    std::string Temporary;
    bool Replacing;
    bool Named = false;
    TDescriptor File;
};

#pragma once
// The copy under construction. It never carries the destination's name before it is complete,
// and a failure or a killed process leaves nothing behind: it is built as an unnamed file and
// given a name only when complete. Where the file system has no unnamed files, it is built
// under a hidden temporary name of its own for that destination, which a later run removes
// if a killed one left it.
//
// A large copy is different: a stop, a kill or a full or vanished device would cost all the time
// it took again. It is built under a hidden name that carries its source's version, and what it
// holds outlives a copy given up, for the next copy of that very version to go on with.

#include <cstdint>
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
    // Where source is given, the copy is a resumable one of that source file: what a run before
    // left of it is opened, for the caller to check (Kept), and every partial copy of another
    // version of the source, or older than a week, goes.
    TPendingCopy(int directory, const std::string& name, mode_t mode, bool replacing,
                 const struct stat* source = nullptr);
    ~TPendingCopy();
    TPendingCopy(const TPendingCopy&) = delete;
    TPendingCopy& operator=(const TPendingCopy&) = delete;

    bool IsOpen() const { return File.IsOpen(); }
    int Get() const { return File.Get(); }
    // The bytes a run before left of a resumable copy.
    off_t Kept() const { return KeptBytes; }
    // A resumable copy given up stays under its hidden name for the next run; any other goes.
    void KeepPartial() { Partial = Named; }

    // Gives the complete copy the destination's name. A new destination never replaces an
    // entry that appeared meanwhile. An existing one is replaced only when the temporary name
    // cannot be seen in sourceDirectory; when setAside is given, it takes the existing entry
    // away first (into the trash), and the copy then takes the free name.
    TPlacement Place(int sourceDirectory, const std::function<bool()>& setAside);

    // The hidden name that a copy to name is built under, the same for every run.
    static std::string TemporaryName(const std::string& name);
    // The hidden name of a resumable copy to name of the source of that version.
    static std::string PartialName(const std::string& name, std::uint64_t version);
    // The version of a source file as a resumable copy records it: its size, last-write and
    // change times and inode number. Not its device number, which a card gets anew each time it
    // is mounted.
    static std::uint64_t SourceVersion(const struct stat& info);

private:
    bool OpenNamed(mode_t mode);
    bool OpenPartial(mode_t mode, std::uint64_t version);
    TPlacement PlaceNew();
    TPlacement LinkNamedWithoutReplacing();
    TPlacement Replace(int sourceDirectory, const std::function<bool()>& setAside);
    TPlacement UnnamedLinkFailed();

    int Directory;
    std::string Name;
    std::string Temporary;
    bool Replacing;
    bool Named = false;
    bool Partial = false;
    off_t KeptBytes = 0;
    TDescriptor File;
};

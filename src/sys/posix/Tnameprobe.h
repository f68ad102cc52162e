#pragma once
// Asks a file system itself whether two names lead to one entry. A case-blind or normalising
// file system decides that by rules of its own, and the kernel's caches may still answer for
// a name with the file it led to a moment ago (a FUSE mount keeps its answers for a second):
// the question is put with names that nobody has looked up before, in a folder made for it.

#include <optional>
#include <string>

// Whether nameA in the open directory directoryA and nameB in directoryB are one entry; none
// when the file system cannot be asked, or directoryA could not give the folder for the
// question back. Makes a hidden folder in directoryA for the question, and removes it.
std::optional<bool> SameEntryOnDisk(int directoryA, const std::string& nameA, int directoryB, const std::string& nameB);

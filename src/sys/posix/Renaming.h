#pragma once
// Giving an entry a new name without ever replacing one that is there.

#include <string>

// Gives the entry from of fromDirectory the name to in toDirectory, unless an entry holds that
// name. Where the file system cannot rename without replacing, a hard link and an unlink do it;
// where it has no hard links either (FAT), a look right before the rename is the best there is.
// False with errno set, EEXIST where the name is taken. fromKept, where given, tells whether the
// entry kept its old name beside the new one (the unlink after the link failed).
bool RenameWithoutReplacing(int fromDirectory, const std::string& from, int toDirectory, const std::string& to,
                            bool* fromKept = nullptr);

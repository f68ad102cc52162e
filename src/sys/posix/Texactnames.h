#pragma once
// Whether a path below a root reaches entries listed under exactly its own names. A file
// system that folds names (FAT, exFAT, case-folding ext4) lets "f.txt" reach a file listed as
// "F.txt": replacing it would replace a file of another name, which may be the only copy of
// another source file, moved there by an earlier run. Only where the file system folds names
// are listings read; each is read once and again only when it lacks a name.

#include <string>
#include <unordered_map>
#include <unordered_set>

#include <sys/types.h>

class TTreeRoot;

class TExactNames {
public:
    // False where a component of the relative path reaches an entry listed under another
    // name, or where that cannot be told.
    bool Listed(TTreeRoot& root, const std::string& relative);

private:
    bool Folds(dev_t device, int directory);
    bool InListing(int directory, const std::string& relativeDirectory, const std::string& name);

    std::unordered_map<dev_t, bool> FoldingDevices;
    std::unordered_map<std::string, std::unordered_set<std::string>> Listings;
};

#pragma once
// Names that a file system may take for one another. File systems that ignore case (FAT,
// exFAT, NTFS mounted so, case-folding ext4) or normalise Unicode fold names by rules of their
// own, such as an upper-case table in which σ and ς are one letter, or one form for composed
// and decomposed letters. Any two names that such a file system could take for one have the
// same key; names with one key may still be kept apart by a given file system, which only it
// can tell.

#include <string>
#include <string_view>

std::string LookAlikeKey(std::string_view name);

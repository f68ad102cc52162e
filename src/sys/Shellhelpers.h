#pragma once
// The shell helpers that need no desktop: the long form of a name and the target of a
// shortcut file. None of them fails: each falls back to a harmless result.

#include <string>

// The long form of a path. Linux file systems have no short 8.3 aliases, so every name is
// already in its long form and comes back unchanged.
std::string LongPathName(const std::string& path);

// True when the name's extension, compared as file names, is that of a shortcut file:
// ".lnk" (a Windows shell link) or ".desktop" (a desktop entry).
bool IsShortcutFileName(const std::string& path);

// The stored target path of a shortcut file (see Shortcutfiles.h), or the empty text for a
// name that is no shortcut, a file that cannot be read, or a shortcut without a local
// target. The target is not looked for: a deleted target still comes back.
std::string ResolveShortcut(const std::string& path);

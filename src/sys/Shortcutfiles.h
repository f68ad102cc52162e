#pragma once
// The two kinds of shortcut file the program follows, read from their bytes: Windows shell
// links (".lnk") and desktop entries of type Link (".desktop"). Both give the local path a
// shortcut stands for, or the empty text when the bytes hold none.

#include <string>
#include <string_view>

// The local target path of a shell link: the volume's base path followed by the common path
// suffix, from the Unicode fields when the link has them (as UTF-8), else the ANSI bytes as
// they are. Links that name only a network share or only a shell item list have none.
std::string ShellLinkTarget(std::string_view image);

// The path of the "file:" URL of a desktop entry whose "Type" is "Link", percent-decoded;
// empty for other types, other schemes and URLs on another host.
std::string DesktopLinkTarget(std::string_view text);

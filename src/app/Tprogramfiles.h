#pragma once
// Where the program finds its own files.

#include <string>

// The help document of a program whose executable lies in executableDirectory (given without
// a trailing delimiter): "Help/index.html" beside the executable when that exists (the build
// tree, a copy unpacked into a folder of its own), else "share/vellumark/Help/index.html"
// under the executable's parent directory when that exists (an installed copy, whatever its
// prefix). When neither exists, the one beside the executable, so that a message names a place.
std::string HelpFileLocation(const std::string& executableDirectory);
// HelpFileLocation for this program's executable.
std::string HelpFileName();

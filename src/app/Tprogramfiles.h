#pragma once
// Where the program finds its own files.

#include <string>

// The help document beside the executable: its directory followed by "Help/index.html".
std::string HelpFileName();

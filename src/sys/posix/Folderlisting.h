#pragma once
// The names an open folder lists, read from the file system itself.

#include <optional>
#include <string>
#include <vector>

// Every name the folder lists, "." and ".." among them; none where it cannot be read whole.
std::optional<std::vector<std::string>> NamesIn(int directory);

#pragma once
// Paths relative to the process's working directory, made absolute so that they keep their
// meaning when saved and read from somewhere else.

#include <string>
#include <string_view>

// An absolute path comes back as it is, and the empty path stays empty: it names nothing. A
// relative one is joined to the working directory, leaving out "." components and doubled
// separators; ".." stays, as a symbolic link before it decides where it leads. Raises
// std::runtime_error with the cause when the working directory cannot be found (it may have
// been removed).
std::string AbsolutePath(std::string_view path);

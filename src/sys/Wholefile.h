#pragma once
// Reading a file whole, and replacing a file whole without ever leaving a half-written one:
// the new contents go to a hidden temporary file beside the target, reach the disk, and only
// then take the target's place. Failures raise std::runtime_error naming the file and cause.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// The bytes of the regular file at the path; nothing when no file is there (the path or one
// of its directories is missing). A file longer than maxBytes, a directory or a special file
// is a failure, as is any error while reading.
std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t maxBytes);

// Makes the file at the path hold exactly the contents, creating it when it is missing.
// A symbolic link is followed, so the file it names is replaced and the link stays. An
// existing file keeps its permission bits (and, where allowed, its owner and group); one
// that the caller may not write is not replaced. On any failure the temporary file is
// removed and the target is left as it was.
void ReplaceWholeFile(const std::string& path, std::string_view contents);

// Makes every missing folder of the chain, outermost first, as mkdir -p does; with durable set,
// each one made is on disk in its parent before it returns. False when one cannot be made.
bool MakeDirectoryChain(const std::string& directory, bool durable);

#pragma once
// Stepping through UTF-8 text a character at a time. A byte that does not begin a
// complete, well-formed sequence counts as a character of its own.

#include <cstddef>
#include <string_view>

namespace Utf8 {
// Length in bytes of the character at position i (1 to 4); 0 at or past the end.
std::size_t CharLength(std::string_view text, std::size_t i);
// Position of the character after the one at i; the end stays the end.
std::size_t Next(std::string_view text, std::size_t i);
// Number of characters in the text.
std::size_t CharCount(std::string_view text);
}  // namespace Utf8

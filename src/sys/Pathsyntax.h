#pragma once
// The one place that knows which characters separate path components.
// A Windows build would use '\\' as the delimiter and "\\:" as the separator set.

#include <string_view>

namespace PathSyntax {
// The delimiter the program writes between components.
inline constexpr char Delimiter = '/';
// Every character that ends a component (a drive colon would be one).
inline constexpr std::string_view Separators = "/";

constexpr bool IsSeparator(char c) { return Separators.find(c) != std::string_view::npos; }
}  // namespace PathSyntax

#pragma once
// Free text helpers shared by every subsystem: number texts, path parts, mask lists,
// wildcard matching, index stepping and comma-separated values.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Inserts "," between groups of three digits counted from the right; a leading sign is no digit.
std::string GroupDigits(std::string_view number);
// "1.2 MB", "999 bytes": a size as people read it, in steps of 1000.
std::string SizeText(std::int64_t bytes);
// Puts "+" in front unless the text begins with "+" or "-"; the empty text becomes "+".
std::string AddPlusSign(std::string_view text);

// The text after the last separator (the whole path when it has none).
std::string FileNamePart(std::string_view path);
// The text before the last separator; a root keeps its separator.
std::string DirectoryPart(std::string_view path);
// From the last "." to the end when that "." follows the last separator; else empty.
std::string ExtensionPart(std::string_view path);
// The same three parts as views into the path, for callers that keep no copy.
std::string_view FileNameView(std::string_view path);
std::string_view DirectoryView(std::string_view path);
std::string_view ExtensionView(std::string_view path);
// The text with one delimiter appended unless it already ends with a separator.
std::string WithTrailingDelimiter(std::string_view path);

// Cuts the text at every delimiter; k delimiters always give k + 1 pieces.
std::vector<std::string> SplitText(std::string_view text, char delimiter);
// Whole-name wildcard match: "*" any run, "?" one character, only ASCII letters fold.
bool MatchesMask(std::string_view name, std::string_view mask);

// The share of position in maximum as a whole percentage, truncated: 0 when either is 0 or
// less, 100 from the maximum on.
std::int32_t ProgressPercent(std::int64_t position, std::int64_t maximum);

// Cyclic stepping through the range low..high.
std::int32_t NextIndex(std::int32_t index, std::int32_t low, std::int32_t high);
std::int32_t PreviousIndex(std::int32_t index, std::int32_t low, std::int32_t high);

// Appends the fields joined by commas, without the line end: each field quoted when it holds a
// control character, a blank, a quote or a comma; a single empty field is written as "".
void AppendCsvLine(const std::vector<std::string>& fields, std::string& line);

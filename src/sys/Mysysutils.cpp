#include "sys/Mysysutils.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "sys/Pathsyntax.h"
#include "sys/Utf8.h"

// Separators, dots, quotes and commas are ASCII, and in UTF-8 an ASCII byte is never part of
// a longer character; so searching bytes for them is the same as stepping by characters.

std::string GroupDigits(std::string_view number)
{
    const std::size_t sign = !number.empty() && (number[0] == '+' || number[0] == '-') ? 1 : 0;
    if (number.size() <= sign + 3)
        return std::string(number);
    std::string result(number.substr(0, sign));
    const std::size_t digits = number.size() - sign;
    for (std::size_t i = 0; i < digits; ++i) {
        if (i > 0 && (digits - i) % 3 == 0)
            result += ',';
        result += number[sign + i];
    }
    return result;
}

std::string SizeText(std::int64_t bytes)
{
    if (bytes < 1000)
        return GroupDigits(std::to_string(bytes)) + " bytes";
    static constexpr const char* Units[] = {"kB", "MB", "GB", "TB", "PB", "EB"};
    double value = static_cast<double>(bytes) / 1000;
    std::size_t unit = 0;
    while (value >= 999.95 && unit + 1 < std::size(Units)) {
        value /= 1000;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", value, Units[unit]);
    return text;
}

std::string AddPlusSign(std::string_view text)
{
    if (!text.empty() && (text[0] == '+' || text[0] == '-'))
        return std::string(text);
    return "+" + std::string(text);
}

namespace {
std::size_t LastSeparator(std::string_view path)
{
    // A set of one is looked for as one character: the general search calls memchr per byte.
    if constexpr (PathSyntax::Separators.size() == 1)
        return path.rfind(PathSyntax::Separators[0]);
    else
        return path.find_last_of(PathSyntax::Separators);
}
}  // namespace

std::string_view FileNameView(std::string_view path)
{
    const std::size_t last = LastSeparator(path);
    return last == std::string_view::npos ? path : path.substr(last + 1);
}

std::string_view DirectoryView(std::string_view path)
{
    const std::size_t last = LastSeparator(path);
    if (last == std::string_view::npos)
        return {};
    const bool keepsSeparator =
        path[last] != PathSyntax::Delimiter || last == 0 || PathSyntax::IsSeparator(path[last - 1]);
    return path.substr(0, keepsSeparator ? last + 1 : last);
}

std::string_view ExtensionView(std::string_view path)
{
    const std::size_t dot = path.rfind('.');
    const std::size_t last = LastSeparator(path);
    if (dot == std::string_view::npos || (last != std::string_view::npos && dot < last))
        return {};
    return path.substr(dot);
}

std::string FileNamePart(std::string_view path) { return std::string(FileNameView(path)); }
std::string DirectoryPart(std::string_view path) { return std::string(DirectoryView(path)); }
std::string ExtensionPart(std::string_view path) { return std::string(ExtensionView(path)); }

std::string WithTrailingDelimiter(std::string_view path)
{
    std::string result(path);
    if (result.empty() || !PathSyntax::IsSeparator(result.back()))
        result += PathSyntax::Delimiter;
    return result;
}

std::vector<std::string> SplitText(std::string_view text, char delimiter)
{
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (std::size_t i = 0;; i = Utf8::Next(text, i)) {
        if (i >= text.size() || text[i] == delimiter) {
            pieces.emplace_back(text.substr(start, i - start));
            if (i >= text.size())
                return pieces;
            start = i + 1;
        }
    }
}

namespace {
char FoldAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// Most names are ASCII, and a byte below 0x80 is a character by itself: taking it so, without
// asking the decoder, makes a filter over a million names several times quicker.
bool IsAscii(char c) { return static_cast<unsigned char>(c) < 0x80; }

std::size_t NextChar(std::string_view text, std::size_t i)
{
    return i < text.size() && IsAscii(text[i]) ? i + 1 : Utf8::Next(text, i);
}

// The length of the name's character at n when the mask's character at m is the same one,
// else 0. Both positions are inside their texts.
std::size_t MatchedLength(std::string_view name, std::size_t n, std::string_view mask, std::size_t m)
{
    if (IsAscii(name[n]) && IsAscii(mask[m]))
        return FoldAscii(name[n]) == FoldAscii(mask[m]) ? 1 : 0;
    const std::size_t length = Utf8::CharLength(name, n);
    if (length != Utf8::CharLength(mask, m))
        return 0;
    if (length == 1)
        return FoldAscii(name[n]) == FoldAscii(mask[m]) ? 1 : 0;
    return name.compare(n, length, mask, m, length) == 0 ? length : 0;
}

// After the mask's last "*" come characters that the name's last ones must be, byte for byte
// but for the case of ASCII letters. Most names of a list fail a mask such as "*.txt" there,
// where it costs a few bytes' look to tell.
bool EndFits(std::string_view name, std::string_view mask)
{
    const std::size_t lastStar = mask.rfind('*');
    if (lastStar == std::string_view::npos)
        return true;
    const std::string_view end = mask.substr(lastStar + 1);
    if (end.find('?') != std::string_view::npos)
        return true;
    if (end.size() > name.size())
        return false;
    const std::string_view nameEnd = name.substr(name.size() - end.size());
    for (std::size_t i = 0; i < end.size(); ++i)
        if (FoldAscii(nameEnd[i]) != FoldAscii(end[i]))
            return false;
    return true;
}
}  // namespace

bool MatchesMask(std::string_view name, std::string_view mask)
{
    // Each piece of the mask takes its leftmost place after the one before. When a piece
    // fails, only the last "*" takes one more character: letting an earlier "*" take more
    // would just move the later pieces right, where they can find nothing the leftmost
    // places could not. So the work stays within name length times mask length.
    if (!EndFits(name, mask))
        return false;
    constexpr std::size_t NoStar = std::string_view::npos;
    std::size_t n = 0, m = 0;
    std::size_t afterStar = NoStar, starTakesUpTo = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == '*') {
            afterStar = ++m;
            starTakesUpTo = n;
        } else if (m < mask.size() && mask[m] == '?') {
            n = NextChar(name, n);
            ++m;
        } else if (const std::size_t length = m < mask.size() ? MatchedLength(name, n, mask, m) : 0; length > 0) {
            n += length;
            m += length;
        } else if (afterStar != NoStar) {
            starTakesUpTo = NextChar(name, starTakesUpTo);
            n = starTakesUpTo;
            m = afterStar;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*')
        ++m;
    return m == mask.size();
}

std::int32_t ProgressPercent(std::int64_t position, std::int64_t maximum)
{
    if (position <= 0 || maximum <= 0)
        return 0;
    if (position >= maximum)
        return 100;
    // Bytes below 92 PB, so the product fits.
    return static_cast<std::int32_t>(position * 100 / maximum);
}

std::int32_t NextIndex(std::int32_t index, std::int32_t low, std::int32_t high)
{
    return index < high ? index + 1 : low;
}

std::int32_t PreviousIndex(std::int32_t index, std::int32_t low, std::int32_t high)
{
    return index > low ? index - 1 : high;
}

namespace {
void AppendCsvField(std::string_view text, std::string& line)
{
    const bool needsQuotes = std::any_of(text.begin(), text.end(), [](char c) {
        const auto code = static_cast<unsigned char>(c);
        return (code >= 1 && code <= 32) || c == '"' || c == ',';
    });
    if (!needsQuotes) {
        line += text;
        return;
    }
    line += '"';
    for (const char c : text) {
        if (c == '"')
            line += '"';
        line += c;
    }
    line += '"';
}
}  // namespace

void AppendCsvLine(const std::vector<std::string>& fields, std::string& line)
{
    if (fields.size() == 1 && fields[0].empty()) {
        line += "\"\"";
        return;
    }
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += ',';
        AppendCsvField(fields[i], line);
    }
}

#include "sys/Mysysutils.h"

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

std::string AddPlusSign(std::string_view text)
{
    if (!text.empty() && (text[0] == '+' || text[0] == '-'))
        return std::string(text);
    return "+" + std::string(text);
}

namespace {
std::size_t LastSeparator(std::string_view path) { return path.find_last_of(PathSyntax::Separators); }
}  // namespace

std::string FileNamePart(std::string_view path)
{
    const std::size_t last = LastSeparator(path);
    return std::string(last == std::string_view::npos ? path : path.substr(last + 1));
}

std::string DirectoryPart(std::string_view path)
{
    const std::size_t last = LastSeparator(path);
    if (last == std::string_view::npos)
        return {};
    const bool keepsSeparator = path[last] != PathSyntax::Delimiter || last == 0 ||
                                PathSyntax::IsSeparator(path[last - 1]);
    return std::string(path.substr(0, keepsSeparator ? last + 1 : last));
}

std::string ExtensionPart(std::string_view path)
{
    const std::size_t dot = path.rfind('.');
    const std::size_t last = LastSeparator(path);
    if (dot == std::string_view::npos || (last != std::string_view::npos && dot < last))
        return {};
    return std::string(path.substr(dot));
}

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

// The end of a text takes part as a zero byte: it equals only the end of the other text.
bool CharactersEqual(std::string_view name, std::size_t n, std::string_view mask, std::size_t m)
{
    const std::size_t nameLength = Utf8::CharLength(name, n);
    if (nameLength != Utf8::CharLength(mask, m))
        return false;
    if (nameLength == 0)
        return true;
    if (nameLength == 1)
        return FoldAscii(name[n]) == FoldAscii(mask[m]);
    return name.compare(n, nameLength, mask, m, nameLength) == 0;
}
}  // namespace

bool MatchesMask(std::string_view name, std::string_view mask)
{
    // Points to return to when a later part fails: a "*" there takes one more character.
    std::vector<std::size_t> nameStack, maskStack;
    std::size_t n = 0, m = 0;
    for (;;) {
        bool star = false;
        while (m < mask.size() && (mask[m] == '?' || mask[m] == '*')) {
            if (mask[m] == '?') {
                if (n >= name.size())
                    return false;
                n = Utf8::Next(name, n);
            } else {
                star = true;
            }
            ++m;
        }
        for (;;) {
            if (CharactersEqual(name, n, mask, m)) {
                if (n >= name.size())
                    return true;
                if (star) {
                    nameStack.push_back(Utf8::Next(name, n));
                    maskStack.push_back(m);
                }
                n = Utf8::Next(name, n);
                m = Utf8::Next(mask, m);
                break;
            }
            if (star && n < name.size()) {
                n = Utf8::Next(name, n);
            } else if (nameStack.empty()) {
                return false;
            } else {
                n = nameStack.back();
                m = maskStack.back();
                nameStack.pop_back();
                maskStack.pop_back();
                star = true;
            }
        }
    }
}

std::int32_t ProgressPercent(std::int32_t position, std::int32_t maximum)
{
    if (position <= 0 || maximum <= 0)
        return 0;
    if (position >= maximum)
        return 100;
    return static_cast<std::int32_t>(std::int64_t{position} * 100 / maximum);
}

std::int32_t NextIndex(std::int32_t index, std::int32_t low, std::int32_t high)
{
    return index < high ? index + 1 : low;
}

std::int32_t PreviousIndex(std::int32_t index, std::int32_t low, std::int32_t high)
{
    return index > low ? index - 1 : high;
}

std::string CsvField(std::string_view text)
{
    bool needsQuotes = false;
    for (const char c : text) {
        const auto code = static_cast<unsigned char>(c);
        if ((code >= 1 && code <= 32) || c == '"' || c == ',') {
            needsQuotes = true;
            break;
        }
    }
    if (!needsQuotes)
        return std::string(text);
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

std::string CsvLine(const std::vector<std::string>& fields)
{
    if (fields.size() == 1 && fields[0].empty())
        return "\"\"";
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += ',';
        line += CsvField(fields[i]);
    }
    return line;
}
